#include "panel/CIhmCtrlKeyButton.h"

#include <QMouseEvent>
#include <QPainter>

CIhmCtrlKeyButton::CIhmCtrlKeyButton(const QString& label, QWidget* parent)
    : QAbstractButton(parent) {
    setText(label);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void CIhmCtrlKeyButton::SetPictures(const QPixmap& normal, const QPixmap& pressed) {
    normal_ = normal;
    pressed_picture_ = pressed.isNull() ? normal : pressed;
    update();
}

void CIhmCtrlKeyButton::ShowPressed(bool pressed) {
    pressed_ = pressed;
    update();
}

QSize CIhmCtrlKeyButton::sizeHint() const {
    return normal_.isNull() ? QSize(40, 24) : normal_.size();
}

void CIhmCtrlKeyButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPixmap& picture = pressed_ || isDown() ? pressed_picture_ : normal_;
    if (!picture.isNull()) {
        p.drawPixmap(rect(), picture);
        return;
    }
    // No picture in the style folder: a plain key with its label.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(pressed_ || isDown() ? QColor(150, 150, 150) : QColor(215, 215, 215));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.drawText(rect(), Qt::AlignCenter, text());
}

void CIhmCtrlKeyButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is not a click of its own.
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    event->accept();
}
