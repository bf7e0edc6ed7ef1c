#!/usr/bin/env bash
# Draws Veldane's nine button icons as 32x32 PNG glyphs with ImageMagick.
# The pictures are ours; run this again after changing a glyph.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/resources"
S=32
draw() { # name, then ImageMagick drawing options
    local name=$1; shift
    convert -size ${S}x${S} xc:none -strokewidth 2 "$@" -define png:exclude-chunks=date,time "PNG32:$out/$name"
}
tray='stroke #37474f fill none polyline 5,20 5,27 27,27 27,20'
draw install.png -draw "$tray" -stroke none -fill '#2e8b57' \
    -draw 'rectangle 13,3 19,13' -draw 'polygon 8,13 24,13 16,22'
draw uninstall.png -draw "$tray" -stroke none -fill '#c62828' \
    -draw 'polygon 8,12 24,12 16,3' -draw 'rectangle 13,12 19,22'
draw open.png -stroke '#8d6e00' -fill '#f2c14e' \
    -draw 'polygon 3,8 12,8 15,11 29,11 29,26 3,26' -fill '#ffd978' -draw 'polygon 3,26 7,15 31,15 27,26'
draw about.png -stroke '#1565c0' -fill '#1e88e5' -draw 'circle 16,16 16,3' \
    -stroke none -fill white -draw 'circle 16,9.5 16,7.5' -draw 'rectangle 14,13 18,24'
draw remove.png -stroke '#8e0000' -fill '#e53935' -draw 'circle 16,16 16,3' \
    -stroke white -strokewidth 4 -draw 'line 10,10 22,22' -draw 'line 22,10 10,22'
draw set.png -stroke none -fill '#546e7a' \
    -draw 'rectangle 14,2 18,30' -draw 'rectangle 2,14 30,18' \
    -draw 'polygon 6,8 8,6 26,24 24,26' -draw 'polygon 24,6 26,8 8,26 6,24' \
    -draw 'circle 16,16 16,6' -fill white -draw 'circle 16,16 16,12'
draw refresh.png -stroke '#1e88e5' -strokewidth 4 -fill none -draw 'arc 5,5 27,27 300,210' \
    -stroke none -fill '#1e88e5' -draw 'polygon 20,2 29,9 19,12'
draw install_state.png -stroke none -fill '#2e8b57' -draw 'circle 16,16 16,4' \
    -stroke white -strokewidth 3 -fill none -draw 'polyline 10,16 14,21 22,11'
draw uninstall_state.png -stroke none -fill '#c62828' -draw 'circle 16,16 16,4' \
    -fill white -draw 'rectangle 9,14 23,18'

# The program's icon (Windows resources): stacked layers, one per installed mod,
# drawn large and stored in the sizes Explorer and the taskbar ask for.
convert -size 256x256 xc:none -stroke none -fill '#2e6f8e' -draw 'roundrectangle 12,12 244,244 44,44' \
    -fill '#9fd3e6' -draw 'polygon 40,160 128,204 216,160 216,180 128,224 40,180' \
    -fill '#d4eef7' -draw 'polygon 40,118 128,162 216,118 216,138 128,182 40,138' \
    -fill white -draw 'polygon 128,32 216,76 128,120 40,76' -draw 'polygon 40,76 128,120 128,140 40,96' \
    -fill '#e6f5fa' -draw 'polygon 216,76 128,120 128,140 216,96' \
    -define png:exclude-chunks=date,time -define icon:auto-resize=256,48,32,16 "$out/veldane.ico"
