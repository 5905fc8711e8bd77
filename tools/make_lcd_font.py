#!/usr/bin/python3
"""Derives the LCD font Z9PCnormalFont.ttf from GNU Unifont.

Every controller glyph is one LCD cell: all glyphs share one advance (0.375 em) and the
line is 0.625 em high, so at 26 points on a 96 dpi screen a cell is 13 x 22 pixels: the
18-cell rows fit the panel's 238-pixel LCD width, and the four rows end above the icon
bar, 93 pixels below the text origin. Unifont's 8 x 16 pixel glyphs
are scaled onto the cell; its 16 x 16 (fullwidth) glyphs are narrowed to the same cell, as
the LCD draws them.

usage: /usr/bin/python3 make_lcd_font.py <codepoints file> <output .ttf>
       (the code points, one hexadecimal number a line: quorvel-resgen codepoints)
Needs python3-fontforge and fonts-unifont.
"""
import sys

import fontforge
import psMat

SOURCE = "/usr/share/fonts/opentype/unifont/unifont.otf"
FACE = "Z9PCnormalFont"
EM = 1024
ADVANCE = 384          # 8 source pixels of 48 units
PIXEL_HEIGHT = 40      # units per source pixel, vertically
ASCENT = 14 * PIXEL_HEIGHT
DESCENT = 2 * PIXEL_HEIGHT


def read_codepoints(path):
    with open(path) as f:
        return sorted({int(line, 16) for line in f if line.strip()})


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    points = read_codepoints(sys.argv[1])

    src = fontforge.open(SOURCE)
    src.cidFlatten()
    src.encoding = "UnicodeBmp"
    # Unifont's half-width cell is 8 pixels wide (its reported em is not its pixel grid).
    src_units_per_pixel = src[0x41].width / 8.0

    out = fontforge.font()
    out.encoding = "UnicodeBmp"
    out.em = EM
    out.ascent = EM - DESCENT
    out.descent = DESCENT
    out.fontname = FACE
    out.familyname = FACE
    out.fullname = FACE
    out.weight = "Regular"
    out.copyright = "Derived from GNU Unifont (GPL 2+ with font embedding exception / OFL 1.1)"
    out.version = "2.3"
    for attr, value in (("hhea_ascent", ASCENT), ("hhea_descent", -DESCENT),
                        ("hhea_linegap", 0), ("os2_typoascent", ASCENT),
                        ("os2_typodescent", -DESCENT), ("os2_typolinegap", 0),
                        ("os2_winascent", ASCENT), ("os2_windescent", DESCENT)):
        setattr(out, attr + "_add", 0) if hasattr(out, attr + "_add") else None
        setattr(out, attr, value)
    out.os2_use_typo_metrics = True

    missing = []
    for cp in points:
        glyph = out.createChar(cp)
        if cp in (0x20, 0x3000) or cp not in src:
            if cp not in (0x20, 0x3000):
                missing.append(cp)
            glyph.width = ADVANCE
            continue
        src_glyph = src[cp]
        src_pixels_wide = max(1, round(src_glyph.width / src_units_per_pixel))
        src.selection.select(cp)
        src.copy()
        out.selection.select(cp)
        out.paste()
        glyph = out[cp]
        # Outlines are pasted in source units; place them on the cell's pixel grid.
        sx = ADVANCE / (src_pixels_wide * src_units_per_pixel)
        sy = PIXEL_HEIGHT / src_units_per_pixel
        glyph.transform(psMat.scale(sx, sy))
        glyph.width = ADVANCE
    if missing:
        sys.exit("Unifont lacks: " + " ".join("%04X" % cp for cp in missing))

    notdef = out.createChar(-1, ".notdef")
    notdef.width = ADVANCE
    out.selection.all()
    out.removeOverlap()
    out.round()
    out.generate(sys.argv[2], flags=("opentype",))


if __name__ == "__main__":
    main()
