// 8-bit run-length encoded BMP writer: the splash picture is flat colours, so RLE keeps
// it a small fraction of its 24-bit size, and every BMP reader handles it.
#include <cstdint>
#include <vector>

#include <QFile>
#include <QImage>

#include "Pictures.h"

namespace resgen {
namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

// One row in encoded mode only: runs of up to 255 equal indexes, then end of line.
void EncodeRow(std::vector<std::uint8_t>& out, const std::uint8_t* row, int width) {
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x])
            ++run;
        out.push_back(static_cast<std::uint8_t>(run));
        out.push_back(row[x]);
        x += run;
    }
    out.push_back(0);
    out.push_back(0);
}

} // namespace

bool SaveRle8Bmp(const QImage& image, const QString& path) {
    const QImage indexed =
        image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    const int w = indexed.width(), h = indexed.height();
    const QList<QRgb> palette = indexed.colorTable();

    std::vector<std::uint8_t> pixels;
    for (int y = h - 1; y >= 0; --y) // bottom-up rows
        EncodeRow(pixels, indexed.constScanLine(y), w);
    pixels.push_back(0);
    pixels.push_back(1); // end of bitmap

    const std::uint32_t paletteBytes = 4u * 256u;
    const std::uint32_t offset = 14u + 40u + paletteBytes;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + static_cast<std::uint32_t>(pixels.size()));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(w));
    Put32(out, static_cast<std::uint32_t>(h));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 1); // BI_RLE8
    Put32(out, static_cast<std::uint32_t>(pixels.size()));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 256);
    Put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        out.push_back(static_cast<std::uint8_t>(qBlue(c)));
        out.push_back(static_cast<std::uint8_t>(qGreen(c)));
        out.push_back(static_cast<std::uint8_t>(qRed(c)));
        out.push_back(0);
    }
    out.insert(out.end(), pixels.begin(), pixels.end());

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(reinterpret_cast<const char*>(out.data()), static_cast<qint64>(out.size())) ==
           static_cast<qint64>(out.size());
}

} // namespace resgen
