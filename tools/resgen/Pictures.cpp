#include "Pictures.h"

#include <cmath>

#include <QDir>
#include <QFont>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "panel/KeyBits.h"
#include "panel/PanelLook.h"

namespace resgen {
namespace {

// The look of a family's case, around the LCD colour the view uses.
struct Theme {
    const char* name; // family name printed on the case
    QColor caseTop, caseBottom, bezel, accent;
    QColor keyTop, keyBottom, keyBorder, keyText;
    QColor keyDownTop, keyDownBottom;
};

Theme ThemeFor(int family) {
    switch (family) {
    case 0:
        return {"kz9",
                QColor(0x46, 0x4b, 0x53),
                QColor(0x2c, 0x30, 0x35),
                QColor(0x14, 0x16, 0x19),
                QColor(0xe8, 0x76, 0x2b),
                QColor(0x62, 0x68, 0x71),
                QColor(0x3c, 0x41, 0x48),
                QColor(0x17, 0x19, 0x1c),
                QColor(0xf2, 0xf2, 0xf2),
                QColor(0x30, 0x34, 0x39),
                QColor(0x26, 0x29, 0x2d)};
    case 1:
        return {"Pask",
                QColor(0xea, 0xea, 0xe4),
                QColor(0xc9, 0xcb, 0xc2),
                QColor(0x3a, 0x3d, 0x37),
                QColor(0x4f, 0x8a, 0x2a),
                QColor(0xfb, 0xfb, 0xf8),
                QColor(0xd6, 0xd8, 0xd0),
                QColor(0x6a, 0x6d, 0x66),
                QColor(0x2f, 0x5c, 0x17),
                QColor(0xc4, 0xc7, 0xbd),
                QColor(0xb3, 0xb6, 0xab)};
    default:
        return {"Trel",
                QColor(0xf1, 0xf5, 0xf8),
                QColor(0xd3, 0xdd, 0xe4),
                QColor(0x29, 0x3a, 0x4a),
                QColor(0x1f, 0x6f, 0xb2),
                QColor(0x3d, 0x8c, 0xd0),
                QColor(0x1c, 0x5e, 0x9c),
                QColor(0x12, 0x3f, 0x6b),
                QColor(0xff, 0xff, 0xfe),
                QColor(0x17, 0x4f, 0x86),
                QColor(0x12, 0x43, 0x73)};
    }
}

QColor LcdColour(int family) {
    const auto c = panel::LookForFamily(family).background;
    return QColor(c.r, c.g, c.b);
}

QRectF ToRectF(const panel::Rect& r) {
    return QRectF(r.left, r.top, r.Width(), r.Height());
}

// The glass covers the LCD text, the cleared area and the icon bar of every family.
const QRectF kGlass(52, 32, 258, 134);
const QRectF kBezel(44, 25, 274, 147);

void DrawScrew(QPainter& p, QPointF c, const Theme& t) {
    QRadialGradient g(c - QPointF(1, 1), 4);
    g.setColorAt(0, t.caseTop.lighter(115));
    g.setColorAt(1, t.caseBottom.darker(130));
    p.setPen(QPen(t.caseBottom.darker(160), 0.8));
    p.setBrush(g);
    p.drawEllipse(c, 3.5, 3.5);
    p.drawLine(c + QPointF(-2, 0), c + QPointF(2, 0));
}

QString KeyCaption(int key) {
    static const char* const captions[6] = {"A", "B", "\u2212", "+", "ESC", "OK"};
    return QString::fromUtf8(captions[key]);
}

QFont Sans(double pixels, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(static_cast<int>(pixels));
    f.setBold(bold);
    return f;
}

// Icons are drawn without anti-aliasing: every pixel is either the colour key (pure white,
// transparent) or the icon's colour.
QColor IconInk(bool white) {
    return white ? QColor(250, 250, 250) : QColor(0, 0, 0);
}

void WheelSegment(QPainter& p, double centreDeg) {
    const QPointF c(9.5, 9.5);
    QPolygonF poly;
    const double inner = 4.0, outer = 9.0, half = 24.0;
    for (int i = 0; i <= 6; ++i) {
        const double a = (centreDeg - half + i * (2 * half / 6)) * M_PI / 180.0;
        poly << c + QPointF(outer * std::cos(a), -outer * std::sin(a));
    }
    for (int i = 6; i >= 0; --i) {
        const double a = (centreDeg - half + i * (2 * half / 6)) * M_PI / 180.0;
        poly << c + QPointF(inner * std::cos(a), -inner * std::sin(a));
    }
    p.drawPolygon(poly);
}

bool Save(const QImage& image, const QString& path, const char* format) {
    QImageWriter writer(path, format);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

QImage PanelBackground(int family) {
    const Theme t = ThemeFor(family);
    QImage img(panel::kPanelWidth, panel::kPanelHeight, QImage::Format_RGB32);
    img.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // The case.
    QLinearGradient body(0, 0, 0, img.height());
    body.setColorAt(0, t.caseTop);
    body.setColorAt(1, t.caseBottom);
    p.setPen(QPen(t.caseBottom.darker(150), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0.5, 0.5, img.width() - 1, img.height() - 1), 12, 12);
    p.setPen(QPen(t.caseTop.lighter(120), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 2.5, img.width() - 5, img.height() - 5), 10, 10);
    for (QPointF c : {QPointF(14, 12), QPointF(336, 12), QPointF(14, 211), QPointF(336, 211)})
        DrawScrew(p, c, t);

    // Family name and an accent stripe above the LCD.
    p.setPen(t.accent);
    p.setFont(Sans(14, true));
    p.drawText(QRectF(26, 4, 120, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(t.name));
    p.fillRect(QRectF(200, 12, 118, 3), t.accent);

    // The LCD: bezel, glass in the LCD's own colour, a thin reflection on top.
    QLinearGradient bezel(0, kBezel.top(), 0, kBezel.bottom());
    bezel.setColorAt(0, t.bezel.lighter(140));
    bezel.setColorAt(1, t.bezel);
    p.setPen(QPen(t.bezel.darker(150), 1));
    p.setBrush(bezel);
    p.drawRoundedRect(kBezel, 7, 7);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(kGlass, LcdColour(family));
    p.fillRect(QRectF(kGlass.left(), kGlass.top(), kGlass.width(), 1),
               LcdColour(family).darker(125));
    p.fillRect(QRectF(kGlass.left(), kGlass.top(), 1, kGlass.height()),
               LcdColour(family).darker(125));
    p.setRenderHint(QPainter::Antialiasing);

    // Recessed wells under the keys.
    for (int key = 0; key < panel::kButtonCount; ++key) {
        const QRectF r = ToRectF(panel::KeyRect(family, key)).adjusted(-2, -2, 2, 2);
        p.setPen(QPen(t.caseBottom.darker(140), 1));
        p.setBrush(t.caseBottom.darker(112));
        p.drawRoundedRect(r, family == 0 ? 5 : 9, family == 0 ? 5 : 9);
    }
    return img;
}

QImage KeyPicture(int family, int key, bool pressed) {
    const Theme t = ThemeFor(family);
    const panel::Rect r = panel::KeyRect(family, key);
    QImage img(r.Width(), r.Height(), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double radius = family == 0 ? 4 : 8;
    const QRectF area(0.5, 0.5, img.width() - 1, img.height() - 1);

    QLinearGradient fill(0, 0, 0, img.height());
    fill.setColorAt(0, pressed ? t.keyDownTop : t.keyTop);
    fill.setColorAt(1, pressed ? t.keyDownBottom : t.keyBottom);
    p.setPen(QPen(t.keyBorder, 1));
    p.setBrush(fill);
    p.drawRoundedRect(area, radius, radius);
    if (!pressed) {
        // A highlight along the top edge makes the key stand out of the case.
        p.setPen(QPen(QColor(255, 255, 255, 90), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(area.adjusted(1, 1, -1, -2), radius - 1, radius - 1);
    }
    const QString caption = KeyCaption(key);
    p.setFont(Sans(caption.size() > 1 ? (family == 0 ? 10 : 11) : (family == 0 ? 13 : 16), true));
    p.setPen(t.keyText);
    p.drawText(QRectF(0, pressed ? 1 : 0, img.width(), img.height()), Qt::AlignCenter, caption);
    return img;
}

QImage IconPicture(int icon, bool white) {
    if (icon == 3) { // the line above the icons
        QImage line(240, 1, QImage::Format_RGB32);
        line.fill(IconInk(white));
        return line;
    }
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink = IconInk(white);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (icon) {
    case 0: { // warning: a triangle with an exclamation mark cut out
        p.drawPolygon(QPolygonF({QPointF(10, 1), QPointF(19, 18), QPointF(1, 18)}));
        p.setBrush(Qt::white);
        p.drawRect(QRect(9, 7, 2, 6));
        p.drawRect(QRect(9, 14, 2, 2));
        break;
    }
    case 1: { // key: a ring, a shaft and two teeth
        p.setPen(QPen(ink, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRect(1, 6, 7, 7));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRect(QRect(8, 9, 11, 2));
        p.drawRect(QRect(15, 11, 2, 4));
        p.drawRect(QRect(12, 11, 2, 3));
        break;
    }
    case 2: { // screen: a framed display on a foot
        p.setPen(QPen(ink, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(2, 3, 15, 10));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRect(QRect(5, 6, 10, 1));
        p.drawRect(QRect(5, 9, 7, 1));
        p.drawRect(QRect(9, 14, 2, 3));
        p.drawRect(QRect(5, 17, 10, 2));
        break;
    }
    default: { // the six wheel segments, NW, W, SW, SE, E, NE
        static const double centre[6] = {120, 180, 240, 300, 0, 60};
        if (icon >= 4 && icon <= 9)
            WheelSegment(p, centre[icon - 4]);
        break;
    }
    }
    return img;
}

QImage SplashPicture() {
    QImage img(800, 450, QImage::Format_RGB32);
    const QColor navy(0x12, 0x23, 0x3d), band(0x0b, 0x17, 0x29), teal(0x2b, 0xb3, 0xc0);
    img.fill(navy);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 400, 800, 50), band);
    p.fillRect(QRect(0, 396, 800, 4), teal);

    // A controller front in outline: case, LCD with four lines, six keys.
    const QRectF front(70, 110, 250, 180);
    p.setPen(QPen(QColor(0xc8, 0xd6, 0xe6), 3));
    p.setBrush(QColor(0x1d, 0x33, 0x55));
    p.drawRoundedRect(front, 14, 14);
    const QRectF lcd(98, 132, 194, 92);
    p.setPen(QPen(QColor(0x0c, 0x18, 0x2a), 4));
    p.setBrush(QColor(0x8f, 0xf2, 0xff));
    p.drawRoundedRect(lcd, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1b, 0x4a, 0x5a));
    const double lineWidths[4] = {150, 110, 166, 80};
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(112, 144 + i * 19, lineWidths[i], 9));
    for (int k = 0; k < 6; ++k) {
        p.setPen(QPen(QColor(0xc8, 0xd6, 0xe6), 2));
        p.setBrush(k == 5 ? teal : QColor(0x2c, 0x4a, 0x75));
        p.drawRoundedRect(QRectF(100 + k * 33, 242, 24, 24), 5, 5);
    }

    // The name and what it is for.
    p.setPen(Qt::white);
    p.setFont(Sans(78, true));
    p.drawText(QRectF(370, 120, 400, 100), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Quorvel"));
    p.fillRect(QRectF(374, 226, 300, 4), teal);
    p.setPen(QColor(0xc8, 0xd6, 0xe6));
    p.setFont(Sans(20, false));
    p.drawText(QRectF(374, 240, 400, 60), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Front panel, programs, datalogs\nand firmware of your controllers"));
    p.setPen(teal);
    p.setFont(Sans(17, true));
    p.drawText(QRectF(374, 310, 400, 30), Qt::AlignLeft,
               QStringLiteral("kz9  \u00b7  Pask  \u00b7  Trel"));
    return img;
}

QImage AddControllerIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x1e, 0x6b, 0x25), size / 16.0));
    p.setBrush(QColor(0x3c, 0xa5, 0x45));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const double bar = size * 0.16, len = size * 0.56;
    p.drawRect(QRectF((size - bar) / 2, (size - len) / 2, bar, len));
    p.drawRect(QRectF((size - len) / 2, (size - bar) / 2, len, bar));
    return img;
}

bool WriteAll(const QString& root) {
    bool ok = true;
    for (int family = 0; family < 3; ++family) {
        const QString dir = root + "/" + QString::fromLatin1(panel::StyleFolder(family)).mid(4);
        QDir().mkpath(dir);
        ok &= Save(PanelBackground(family), dir + "vd_bg.png", "png");
        for (int key = 0; key < panel::kButtonCount; ++key)
            for (bool pressed : {false, true})
                ok &= Save(KeyPicture(family, key, pressed),
                           dir + QString::fromLatin1(panel::KeyPictureName(key, pressed)), "png");
    }
    const QString images = root + "/Image/";
    QDir().mkpath(images);
    const auto& icons = panel::IconTable();
    for (int i = 0; i < static_cast<int>(icons.size()); ++i) {
        ok &= Save(IconPicture(i, true), images + QString::fromLatin1(icons[i].whiteFile), "bmp");
        ok &= Save(IconPicture(i, false), images + QString::fromLatin1(icons[i].blackFile), "bmp");
    }
    ok &= SaveRle8Bmp(SplashPicture(), images + "Quorvel_FullLogo.bmp");
    ok &= Save(AddControllerIcon(32), root + "/ButtonAdd.ico", "ico");
    return ok;
}

} // namespace resgen
