#include "panel/CMemDC_QRL.h"

#include "panel/PanelLook.h"

QRect CMemDC_QRL::LcdArea() {
    const auto& r = panel::kLcdClearRect;
    return QRect(r.left, r.top, r.Width(), r.Height());
}

CMemDC_QRL::CMemDC_QRL(QPainter& target, const QColor& background, bool printing)
    : target_(target), offScreen_(!printing), working_(LcdArea()) {
    if (!offScreen_)
        return;
    bitmap_ = QPixmap(working_.size());
    bitmap_.fill(background);
    memory_ = std::make_unique<QPainter>(&bitmap_);
    // Drawing uses panel coordinates: the bitmap's origin is the working rectangle's corner.
    memory_->translate(-working_.topLeft());
    memory_->setFont(target.font());
}

CMemDC_QRL::~CMemDC_QRL() {
    if (!offScreen_)
        return;
    memory_->end();
    target_.drawPixmap(working_.topLeft(), bitmap_);
}
