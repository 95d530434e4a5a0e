#!/usr/bin/env bash
# High-resolution screens: the same windows are taken at scale 1 and at scale 2 (QT_SCALE_FACTOR)
# on a real X server and saved into the build folder as hidpi_x1_*.png and hidpi_x2_*.png. At
# scale 2 every picture must be twice the size, and the parts where a picture drawn at one pixel
# per logical pixel would show (wizard and about pictures, font list entries, character grid, export sample,
# preview page, page button images) must hold detail that a scaled-up picture lacks: edges inside
# 2 x 2 pixel blocks, and steps between neighbouring pixels that smooth scaling would halve.
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

windows=(wizard fonts advanced_tsPath advanced_tsListProperties advanced_tsHeaderFooter
    advanced_tsPrinter advanced_tsOptions about folders wait charset export preview)
# Where a picture drawn at scale 1 would show; page_buttons is only looked at, since the buttons'
# frames around the images are sharp either way.
parts=(wizard_picture about_picture fontlist fontlist_further charset_grid export_sample preview_page
    page_icon_FirstPage page_icon_PrevPage page_icon_NextPage page_icon_LastPage)
for name in "${windows[@]}" "${parts[@]}" page_buttons; do
    one="$build/hidpi_x1_$name.png"
    two="$build/hidpi_x2_$name.png"
    [ -s "$one" ] && [ -s "$two" ] || fail "missing hidpi_x1_$name.png or hidpi_x2_$name.png"
    colours=$(convert "$two" -format '%k' info:)
    [ "$colours" -gt 2 ] || fail "hidpi_x2_$name.png holds only $colours colours"
    # The preview is maximised, so its size follows the screen's logical size; the rest is fixed.
    [ "$name" = preview ] && continue
    read -r w1 h1 <<<"$(size "$one")"
    read -r w2 h2 <<<"$(size "$two")"
    [ "$w2" -eq $((2 * w1)) ] && [ "$h2" -eq $((2 * h1)) ] ||
        fail "hidpi_x2_$name.png is ${w2}x$h2, not twice ${w1}x$h1"
done

# Sharp at scale 2 means both measures well above what a scaled-up picture gives; the measures
# are checked too, on the scale-1 part scaled up both ways.
measure() { "$build/tests/sharpness" "$1"; }
blurred=()
for name in "${parts[@]}"; do
    read -r _ uneven _ steep <<<"$(measure "$build/hidpi_x2_$name.png")"
    convert "$build/hidpi_x1_$name.png" -sample 200% "$work/repeated.png"
    convert "$build/hidpi_x1_$name.png" -filter Triangle -resize 200% "$work/smooth.png"
    read -r _ repeated _ _ <<<"$(measure "$work/repeated.png")"
    read -r _ _ _ smooth <<<"$(measure "$work/smooth.png")"
    echo "$name at scale 2: $uneven% uneven blocks, $steep% steep edges;" \
        "scaled up from scale 1: $repeated% uneven (pixels repeated), $smooth% steep (smoothly)"
    [ "$repeated" -le 2 ] && [ "$smooth" -le 2 ] ||
        fail "the measures do not tell a scaled-up $name ($repeated%, $smooth%)"
    # Every blurred part is named before the check fails.
    if [ "$uneven" -lt 10 ]; then
        echo "FAIL: hidpi_x2_$name.png looks scaled up: $uneven% uneven blocks" >&2
        blurred+=("$name")
    elif [ "$steep" -lt 5 ]; then
        echo "FAIL: hidpi_x2_$name.png looks smoothly scaled up: $steep% steep edges" >&2
        blurred+=("$name")
    fi
done
[ ${#blurred[@]} -eq 0 ] || fail "blurred at scale 2: ${blurred[*]}"
echo "$(ls "$build"/hidpi_*.png | wc -l) screenshots in $build"
