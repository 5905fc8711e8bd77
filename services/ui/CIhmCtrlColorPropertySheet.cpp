#include "services/ui/CIhmCtrlColorPropertySheet.h"

#include <QPainter>
#include <QPalette>

void ApplyDialogColour(QWidget* widget) {
    QPalette palette = widget->palette();
    const QColor face = palette.color(QPalette::Button);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ButtonText));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

CIhmCtrlColorTab::CIhmCtrlColorTab(QWidget* parent) : QTabBar(parent) {
    ApplyDialogColour(this);
}

void CIhmCtrlColorTab::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
    }
    QTabBar::paintEvent(event);
}

CIhmCtrlColorPropertyPage::CIhmCtrlColorPropertyPage(QWidget* parent) : QWidget(parent) {
    ApplyDialogColour(this);
}

CIhmCtrlColorPropertySheet::CIhmCtrlColorPropertySheet(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new CIhmCtrlColorTab(this));
    ApplyDialogColour(this);
    setDocumentMode(false);
}
