#!/usr/bin/env bash
# High-resolution screens: the same windows are taken at scale 1 and at scale 2 (QT_SCALE_FACTOR)
# on a real X server and saved into the build folder as hidpi_x1_*.png and hidpi_x2_*.png. At
# scale 2 every picture must be twice the size, and the parts where a picture drawn at one pixel
# per logical pixel would show (wizard picture, font list entries, character grid, export sample,
# preview page and page buttons) must hold detail inside 2 x 2 pixel blocks, which a scaled-up
# picture lacks.
# Arguments: the typovex binary, the build folder.
set -euo pipefail

build=$(readlink -f "$2")
# Twice the usual screen, so that scale 2 has the usual logical size.
XVFB_SCREEN=2048x1536x24
source "$(dirname "$0")/lib_xserver.sh"
unset QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING

rm -f "$build"/hidpi_*.png
for scale in 1 2; do
    QT_SCALE_FACTOR=$scale "$build/tests/hidpi_screens" "$build" "hidpi_x$scale" \
        >"$work/x$scale.log" 2>&1 || fail "hidpi_screens at scale $scale: $(cat "$work/x$scale.log")"
    grep -q "device pixel ratio $scale\$" "$work/x$scale.log" ||
        fail "scale $scale not applied: $(head -n1 "$work/x$scale.log")"
done

size() { identify -format '%w %h' "$1"; }
blocks() { "$build/tests/pixel_blocks" "$1" | awk '{ print $6 }'; }

windows=(wizard fonts about charset export preview)
parts=(wizard_picture fontlist fontlist_further charset_grid export_sample page_buttons preview_page)
for name in "${windows[@]}" "${parts[@]}"; do
    one="$build/hidpi_x1_$name.png"
    two="$build/hidpi_x2_$name.png"
    [ -s "$one" ] && [ -s "$two" ] || fail "missing hidpi_x1_$name.png or hidpi_x2_$name.png"
    colours=$(convert "$two" -format '%k' info:)
    [ "$colours" -gt 8 ] || fail "hidpi_x2_$name.png holds only $colours colours"
done
# The preview is maximised, so its size follows the screen's logical size; the others are fixed.
for name in wizard fonts about charset export "${parts[@]}"; do
    read -r w1 h1 <<<"$(size "$build/hidpi_x1_$name.png")"
    read -r w2 h2 <<<"$(size "$build/hidpi_x2_$name.png")"
    [ "$w2" -eq $((2 * w1)) ] && [ "$h2" -eq $((2 * h1)) ] ||
        fail "hidpi_x2_$name.png is ${w2}x$h2, not twice ${w1}x$h1"
done

# The measure itself: the scale-1 part blown up to scale 2 has no detail inside the blocks.
for name in "${parts[@]}"; do
    convert "$build/hidpi_x1_$name.png" -sample 200% "$work/upscaled.png"
    upscaled=$(blocks "$work/upscaled.png")
    sharp=$(blocks "$build/hidpi_x2_$name.png")
    echo "$name: $sharp% uneven blocks at scale 2, $upscaled% when scaled up from scale 1"
    [ "$upscaled" -le 2 ] || fail "the measure finds $upscaled% uneven blocks in a scaled-up $name"
    [ "$sharp" -ge 25 ] || fail "hidpi_x2_$name.png looks scaled up: $sharp% uneven blocks"
done
echo "$(ls "$build"/hidpi_*.png | wc -l) screenshots in $build"
