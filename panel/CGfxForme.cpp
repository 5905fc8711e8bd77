#include "panel/CGfxForme.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

void CGfxForme::DrawShape(QPainter& painter) const {
    GfxRect r = rect;
    if (r.Height() <= 1)
        r.bottom = r.top + 2;
    if (r.Width() <= 1)
        r.right = r.left + 2;
    const QRect area = r.ToQRect();
    if (painter.hasClipping() && !painter.clipBoundingRect().intersects(area))
        return;
    const int half = penWidth / 2;
    const QRect shrunk = area.adjusted(half, half, -half, -half);
    painter.save();
    painter.setBrush(hollow ? QBrush(Qt::NoBrush) : QBrush(fillColour));
    if (outline) {
        QPen pen(outlineColour);
        pen.setWidth(penWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
    } else {
        painter.setPen(Qt::NoPen);
    }
    if (shapeKind == 2)
        painter.drawEllipse(shrunk);
    else
        painter.drawRect(outline ? shrunk.adjusted(0, 0, -1, -1) : shrunk);
    painter.restore();
}

void CGfxForme::MoveTo(int x, int y) {
    const int dx = x - rect.left, dy = y - rect.top;
    rect = {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

CGfxNote CGfxNote::Make(int width, int height, QPoint origin, const QString& text,
                        const QColor& colour) {
    CGfxNote note;
    note.rect = {origin.x(), origin.y(), origin.x() + width, origin.y() + height};
    note.text = text;
    note.hollow = 0;
    note.outline = 0;
    note.fillColour = colour;
    note.shapeKind = 1;
    note.penWidth = 1;
    return note;
}

void CGfxNote::SetFont(const QString& face, double points) {
    font = QFont(face);
    font.setPointSizeF(points);
    font.setStyleHint(QFont::TypeWriter, QFont::NoAntialias);
    pointSizeTenths = static_cast<int>(points * 10.0 + 0.5);
    hasFont = true;
}

void CGfxNote::Draw(QPainter& painter, QWidget* view) {
    if (outline == 1)
        DrawShape(painter);
    painter.save();
    if (hollow) {
        painter.setBackgroundMode(Qt::TransparentMode);
    } else {
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(fillColour);
    }
    if (hasFont)
        painter.setFont(font);
    painter.setPen(textColour);
    Prepare(painter, view, 0);
    const QRect area = TextRect().ToQRect();
    if (!painter.hasClipping() || painter.clipBoundingRect().intersects(area)) {
        painter.setClipRect(area, Qt::IntersectClip);
        painter.drawText(area, formatFlags, text);
    }
    painter.restore();
}

void CGfxNote::AddBounds(GfxRect& bounds) const {
    bounds = GfxRect::From(bounds.ToQRect().united(rect.ToQRect()));
}

void CGfxNote::Prepare(QPainter&, QWidget*, int) {}

QRect CGfxNote::Measure(QPainter* painter, const QRect& within, QWidget* window) const {
    if (painter == nullptr && window == nullptr) {
        const QFontMetrics fm(hasFont ? font : QFont());
        return fm.boundingRect(within, Qt::TextExpandTabs, text);
    }
    const QFontMetrics fm(hasFont ? font : (painter ? painter->font() : window->font()));
    return fm.boundingRect(within, formatFlags, text);
}

GfxRect CGfxNote::TextRect() const {
    GfxRect r = rect;
    if (outline) {
        const int inset = std::max<int>(penWidth, 1);
        r = {r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
    }
    return r;
}
