// An off-screen surface for the LCD area: built on a target painter, it clears its
// working rectangle (the LCD area) with a background colour; the caller draws into
// Painter(); on destruction the working rectangle is copied back to the same place on
// the target. On a printing target it draws straight to the target.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QRect>

#include <memory>

class CMemDC_QRL {
  public:
    CMemDC_QRL(QPainter& target, const QColor& background, bool printing = false);
    ~CMemDC_QRL();
    CMemDC_QRL(const CMemDC_QRL&) = delete;
    CMemDC_QRL& operator=(const CMemDC_QRL&) = delete;

    QPainter& Painter() { return offScreen_ ? *memory_ : target_; }
    QRect WorkingRect() const { return working_; }
    static QRect LcdArea();

  private:
    QPainter& target_;
    bool offScreen_;
    QRect working_;
    QPixmap bitmap_;
    std::unique_ptr<QPainter> memory_;
};
