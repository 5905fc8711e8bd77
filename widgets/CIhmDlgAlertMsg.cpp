#include "widgets/CIhmDlgAlertMsg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/AlertIcons.h"
#include "widgets/AppIcon.h"
#include "widgets/ControlIds.h"
#include "widgets/ModalSeam.h"

namespace {
constexpr int kButtonIds[3] = {1022, 1224, 1225};
}

CIhmDlgAlertMsg::CIhmDlgAlertMsg(const std::string& text, const std::string& title, int style,
                                 QWidget* parent)
    : QDialog(parent), text_(text), title_(title), style_(style),
      layout_(AlertLayoutForStyle(style)) {
    setWindowTitle(QString::fromStdString(title_));
    setWindowIcon(ApplicationIcon());

    auto* icon = new QLabel(this);
    icon->setObjectName(CtlName(1222));
    icon->setPixmap(StandardAlertPixmap(layout_.icon));
    icon->setAlignment(Qt::AlignTop);

    auto* label = new QLabel(QString::fromStdString(text_), this);
    label->setObjectName(CtlName(1223));
    label->setWordWrap(true);
    label->setMinimumWidth(260);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(label, 1);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    for (int i = 0; i < 3; ++i) {
        const AlertButton& layoutButton = layout_.buttons[i];
        auto* button = new QPushButton(QString::fromStdString(layoutButton.text), this);
        button->setObjectName(CtlName(kButtonIds[i]));
        button->setVisible(!layoutButton.text.empty());
        button->setAutoDefault(false);
        int answer = layoutButton.answer;
        connect(button, &QPushButton::clicked, this, [this, answer] { done(answer); });
        buttons_[i] = button;
        buttonRow->addWidget(button);
    }
    // The rightmost shown button is the default one, as the template's last button.
    for (int i = 2; i >= 0; --i) {
        if (!layout_.buttons[i].text.empty()) {
            buttons_[i]->setDefault(true);
            break;
        }
    }

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(row);
    outer->addLayout(buttonRow);
}

int CIhmDlgAlertMsg::DoModal() {
    ModalRequest request{"alert", "CIhmDlgAlertMsg", title_, text_, style_};
    return ModalSeam::Exec(*this, request);
}

int CIhmDlgAlertMsg::AnswerOf(int buttonId) const {
    for (int i = 0; i < 3; ++i)
        if (kButtonIds[i] == buttonId)
            return layout_.buttons[i].answer;
    return 0;
}

void CIhmDlgAlertMsg::Press(int buttonId) {
    for (int i = 0; i < 3; ++i)
        if (kButtonIds[i] == buttonId && !layout_.buttons[i].text.empty())
            buttons_[i]->click();
}
