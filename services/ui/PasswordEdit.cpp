#include "services/ui/PasswordEdit.h"

#include <QLineEdit>

#include "widgets/ControlIds.h"

QLineEdit* MakePasswordEdit(QWidget* parent, int id, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(CtlName(id));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(maxLength);
    // No copy of a password through the clipboard or the undo history.
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    return edit;
}

services::Secret EditText(const QLineEdit* edit) {
    QByteArray utf8 = edit->text().toUtf8();
    services::Secret secret(std::string(utf8.constData(), std::size_t(utf8.size())));
    utf8.fill('\0');
    return secret;
}

services::Secret TakeEditText(QLineEdit* edit) {
    services::Secret secret = EditText(edit);
    WipePasswordEdit(edit);
    return secret;
}

void WipePasswordEdit(QLineEdit* edit) {
    if (edit == nullptr || edit->text().isEmpty())
        return;
    edit->setText(QString(edit->text().size(), QChar(' ')));
    edit->clear();
}
