// A strip of small status pictures drawn with pure white as the transparent colour.
#pragma once

#include <array>
#include <cstdint>

#include <QColor>
#include <QImage>
#include <QString>

#include "panel/CGfxForme.h"

class QPainter;
class QRegion;
class QWidget;

class CGfxIconeBar : public CGfxForme {
  public:
    struct Icon {
        int x = 0, y = 0; // offset from the bar origin
        int resource = 0; // non-zero: the entry is present
        QString file;     // picture file
        QImage picture;   // key-coloured pixels made transparent
        int width = 0, height = 0;
        int shown = 0;
    };

    virtual ~CGfxIconeBar() = default;

    // Loads the ten pictures of the family's set from `imageFolder`, once; a second call
    // does nothing. Missing pictures leave their icon empty (size 0 x 0).
    void Load(int family, const QColor& background, const QString& imageFolder);
    bool IsLoaded() const { return count_ > 0; }
    // Icon i is shown when bit i of `mask` is set.
    void SetShownFromMask(std::uint32_t mask);
    // The area of each icon whose bit differs between the two masks.
    QRegion ChangedArea(std::uint32_t oldMask, std::uint32_t newMask) const;
    void MoveTo(int x, int y);

    // Fills the bar's rectangle, enlarged by one pixel, with the background colour, then
    // draws the shown icons at their offsets.
    virtual void Draw(QPainter& painter, QWidget* view);

    int Count() const { return count_; }
    const Icon& IconAt(int i) const { return icons_[i]; }
    int ExtentWidth() const { return extentW_; }
    int ExtentHeight() const { return extentH_; }

    // A picture with its pure-white pixels made transparent.
    static QImage Keyed(const QImage& picture);
    static constexpr QRgb kColourKey = 0xFFFFFFFF;

  private:
    std::array<Icon, 10> icons_{};
    int count_ = 0;
    QColor background_;
    int family_ = -1;
    int extentW_ = 0, extentH_ = 0;
};
