#include "widgets/AlertIcons.h"

#include <QApplication>
#include <QStyle>

QPixmap StandardAlertPixmap(AlertIcon icon) {
    QStyle::StandardPixmap which = QStyle::SP_MessageBoxCritical;
    switch (icon) {
    case AlertIcon::Question:
        which = QStyle::SP_MessageBoxQuestion;
        break;
    case AlertIcon::Warning:
        which = QStyle::SP_MessageBoxWarning;
        break;
    case AlertIcon::Information:
        which = QStyle::SP_MessageBoxInformation;
        break;
    case AlertIcon::Error:
        break;
    }
    QStyle* style = QApplication::style();
    int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize);
    return style->standardIcon(which).pixmap(size, size);
}
