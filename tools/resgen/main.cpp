// Makes the pictures shipped in res/ and lists the code points the LCD font must cover.
//
//   quorvel-resgen pictures <res folder>   writes the style folders, icons, splash, icon file
//   quorvel-resgen codepoints              prints the glyph table's code points, one per line
//
// tools/make_resources.sh runs both and then derives the LCD font.
#include <cstdio>
#include <cstring>
#include <set>

#include <QDir>
#include <QGuiApplication>
#include <QString>

#include "Pictures.h"
#include "panel/GlyphTable.h"

namespace {

int PrintCodePoints() {
    std::set<unsigned> points;
    for (std::uint16_t cp : panel::GlyphTable())
        if (cp != panel::kNoGlyph)
            points.insert(cp);
    for (unsigned cp : points)
        std::printf("%04X\n", cp);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: quorvel-resgen pictures <res folder> | codepoints\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "codepoints") == 0)
        return PrintCodePoints();
    if (argc < 3 || std::strcmp(argv[1], "pictures") != 0)
        return Usage();
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(root)) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    return resgen::WriteAll(root) ? 0 : 1;
}
