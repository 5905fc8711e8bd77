// The pictures of res/: panel backgrounds and key pictures per family, the icon sets, the
// splash picture and the add-controller icon.
#pragma once

#include <QImage>
#include <QString>

namespace resgen {

// Writes every picture below `root` (the res folder). False when a file cannot be written.
bool WriteAll(const QString& root);

// Pictures, each drawn on its own so a test or a preview can look at one.
QImage PanelBackground(int family);                   // 350 x 223
QImage KeyPicture(int family, int key, bool pressed); // key size of the family's layout
QImage IconPicture(int icon, bool white);             // 20 x 20, or 240 x 1 for the line
QImage SplashPicture();                               // 800 x 450
QImage AddControllerIcon(int size);

// A BMP file of `image` reduced to 256 colours, run-length encoded (8 bits per pixel).
bool SaveRle8Bmp(const QImage& image, const QString& path);

} // namespace resgen
