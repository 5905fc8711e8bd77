#include "widgets/AppIcon.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

#include "widgets/ProgramFolder.h"

QIcon ApplicationIcon() {
    static QIcon icon = [] {
        QString path = QString::fromStdString(ProgramFolder()) + "res/Image/Quorvel.png";
        if (QFile::exists(path)) {
            QIcon fromFile(path);
            if (!fromFile.isNull())
                return fromFile;
        }
        // Without the picture: a plain drawn badge, so windows never lack an icon.
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0, 84, 147));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(1, 1, 30, 30, 6, 6);
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(22);
        painter.setFont(font);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Q"));
        painter.end();
        return QIcon(pixmap);
    }();
    return icon;
}
