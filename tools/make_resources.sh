#!/usr/bin/env bash
# Remakes everything in res/: the pictures (drawn by quorvel-resgen) and the LCD font
# (derived from GNU Unifont by make_lcd_font.py). Needs the build dependencies plus
# fonts-unifont and python3-fontforge.
#   bash tools/make_resources.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target quorvel-resgen -j 2
QT_QPA_PLATFORM=offscreen "$build/bin/quorvel-resgen" pictures res
points=$(mktemp)
trap 'rm -f "$points"' EXIT
"$build/bin/quorvel-resgen" codepoints >"$points"
# A fixed date in the font's tables, so that the same sources make the same file.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1765065600} /usr/bin/python3 tools/make_lcd_font.py "$points" res/Z9PCnormalFont.ttf
echo "res/ remade"
