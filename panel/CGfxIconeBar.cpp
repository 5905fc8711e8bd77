#include "panel/CGfxIconeBar.h"

#include <algorithm>

#include <QPainter>
#include <QRegion>

#include "panel/PanelLook.h"

QImage CGfxIconeBar::Keyed(const QImage& picture) {
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] | 0xFF000000u) == kColourKey)
                line[x] = 0;
    }
    return out;
}

void CGfxIconeBar::Load(int family, const QColor& background, const QString& imageFolder) {
    if (count_ > 0)
        return;
    background_ = background;
    family_ = family;
    const bool white = panel::LookForFamily(family).whiteText;
    const auto& table = panel::IconTable();
    count_ = static_cast<int>(table.size());
    extentW_ = extentH_ = 0;
    for (int i = 0; i < count_; ++i) {
        Icon& icon = icons_[i];
        icon.x = table[i].offset.x;
        icon.y = table[i].offset.y;
        icon.resource = white ? table[i].whiteResource : table[i].blackResource;
        icon.file =
            imageFolder + QString::fromLatin1(white ? table[i].whiteFile : table[i].blackFile);
        if (icon.resource == 0)
            continue;
        const QImage loaded(icon.file);
        if (!loaded.isNull()) {
            icon.picture = Keyed(loaded);
            icon.width = loaded.width();
            icon.height = loaded.height();
        }
        extentW_ = std::max(extentW_, icon.x + icon.width);
        extentH_ = std::max(extentH_, icon.y + icon.height);
    }
    rect.right = rect.left + extentW_;
    rect.bottom = rect.top + extentH_;
}

void CGfxIconeBar::SetShownFromMask(std::uint32_t mask) {
    for (int i = 0; i < count_; ++i)
        icons_[i].shown = ((mask >> i) & 1u) ? 1 : 0;
}

QRegion CGfxIconeBar::ChangedArea(std::uint32_t oldMask, std::uint32_t newMask) const {
    QRegion region;
    const std::uint32_t changed = oldMask ^ newMask;
    for (int i = 0; i < count_; ++i)
        if ((changed >> i) & 1u)
            region += QRect(rect.left + icons_[i].x, rect.top + icons_[i].y, icons_[i].width,
                            icons_[i].height);
    return region;
}

void CGfxIconeBar::MoveTo(int x, int y) {
    CGfxForme::MoveTo(x, y);
}

void CGfxIconeBar::Draw(QPainter& painter, QWidget* view) {
    if (view == nullptr || count_ == 0)
        return;
    // The composite holds the shown icons over the colour key, so one keyed copy puts
    // them all on the target.
    QImage composite(std::max(extentW_, 1), std::max(extentH_, 1), QImage::Format_ARGB32);
    composite.fill(kColourKey);
    {
        QPainter p(&composite);
        for (int i = 0; i < count_; ++i)
            if (icons_[i].shown && !icons_[i].picture.isNull())
                p.drawImage(icons_[i].x, icons_[i].y, icons_[i].picture);
    }
    const QRect bar = rect.ToQRect();
    painter.fillRect(bar.adjusted(-1, -1, 1, 1), background_);
    painter.drawImage(bar.topLeft(), Keyed(composite));
}
