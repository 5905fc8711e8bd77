// Small drawing classes of the front panel, on QPainter: a shape with a rectangle, pen and
// fill (CGfxForme), and a text label drawn inside such a shape (CGfxNote).
#pragma once

#include <cstdint>

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;
class QWidget;

// Rectangle as left, top, right, bottom in device pixels (right and bottom exclusive).
struct GfxRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    QRect ToQRect() const { return QRect(left, top, Width(), Height()); }
    static GfxRect From(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
};

class CGfxForme {
  public:
    std::uint8_t penWidth = 1;
    QColor outlineColour = Qt::black;
    int shapeKind = 1; // 2 = ellipse, anything else = rectangle
    int hollow = 0;    // no fill; for a label also a transparent text background
    int outline = 1;   // draw the outline with a solid pen
    QColor fillColour = Qt::white;
    GfxRect rect;

    // Outline and fill in the rectangle, which is at least 2 x 2 pixels.
    void DrawShape(QPainter& painter) const;
    // Moves the rectangle so its top-left is (x, y), keeping its size.
    void MoveTo(int x, int y);
};

class CGfxNote : public CGfxForme {
  public:
    virtual ~CGfxNote() = default;

    QFont font;
    bool hasFont = false;
    int pointSizeTenths = 80;
    QString text;
    int formatFlags = 0; // Qt::AlignmentFlag / Qt::TextFlag bits
    QColor textColour = Qt::black;

    // A label of `width` x `height` at `origin` on an opaque `colour` background,
    // without outline.
    static CGfxNote Make(int width, int height, QPoint origin, const QString& text,
                         const QColor& colour);

    // Creates the label font by face name and point size.
    void SetFont(const QString& face, double points);

    virtual void Draw(QPainter& painter, QWidget* view);
    // Replaces `bounds` by its union with the label's rectangle.
    virtual void AddBounds(GfxRect& bounds) const;
    virtual void Prepare(QPainter& painter, QWidget* view, int flag);
    // The extent of the text with the label's font and flags.
    virtual QRect Measure(QPainter* painter, const QRect& within, QWidget* window) const;
    // The label's rectangle, shrunk by the pen width (at least 1) when outlined.
    virtual GfxRect TextRect() const;
};
