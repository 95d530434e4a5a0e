#!/usr/bin/env bash
# Screenshots of the font tools on a real X server, saved into the build folder to be looked at:
# the character set viewer in both views for a text font and a symbol-map font, the export
# dialog, and an exported sample, whose JPEG and BMP files are checked with the usual tools.
# Arguments: the typovex binary, the build folder.
set -euo pipefail

build=$(readlink -f "$2")
source "$(dirname "$0")/lib_xserver.sh"

rm -f "$build"/tools_*.png "$build"/tools_export_sample.*
"$build/tests/toolscreens" "$build" >"$work/toolscreens.log" 2>&1 ||
    fail "toolscreens: $(cat "$work/toolscreens.log")"

shots=(charset_text_grid charset_text_text charset_symbol_grid charset_symbol_text export_dialog)
for shot in "${shots[@]}"; do
    f="$build/tools_$shot.png"
    [ -s "$f" ] || fail "missing $f"
    # A screenshot of a blank window would be one colour only.
    colours=$(convert "$f" -format '%k' info:)
    [ "$colours" -gt 8 ] || fail "$f holds only $colours colours"
done
# The two views of one font differ, and so do the two fonts' grids.
for pair in "charset_text_grid charset_text_text" "charset_text_grid charset_symbol_grid" \
    "charset_text_text charset_symbol_text"; do
    set -- $pair
    diff=$(compare -metric AE "$build/tools_$1.png" "$build/tools_$2.png" null: 2>&1 || true)
    [ "${diff%% *}" != 0 ] || fail "tools_$1.png and tools_$2.png are the same picture"
done

jpg="$build/tools_export_sample.jpg"
bmp="$build/tools_export_sample.bmp"
# libjpeg's own reader takes the file; it is baseline with three 8-bit components at quality 90.
djpeg -verbose -verbose "$jpg" >/dev/null 2>"$work/djpeg.log" || fail "djpeg: $(cat "$work/djpeg.log")"
grep -q "Start Of Frame 0xc0: width=[0-9]*, height=[0-9]*, components=3" "$work/djpeg.log" ||
    fail "not a baseline three-component JPEG: $(grep 'Start Of Frame' "$work/djpeg.log")"
info=$(identify -format '%m %[quality] %[interlace] %[channels] %z %w %h' "$jpg")
read -r kind quality interlace channels depth jw jh <<<"$info"
[ "$kind" = JPEG ] || fail "identify reads $kind"
[ "$quality" = 90 ] || fail "JPEG quality $quality"
[ "$interlace" = None ] || fail "JPEG interlace $interlace"
[ "$depth" = 8 ] || fail "JPEG depth $depth"
case "$channels" in srgb | rgb) ;; *) fail "JPEG channels $channels" ;; esac
bmpinfo=$(identify -format '%m %w %h %z %[channels]' "$bmp")
read -r bkind bw bh bdepth bchannels <<<"$bmpinfo"
# BMP3: the Windows 3 layout with a BITMAPINFOHEADER that every viewer reads.
[ "$bkind" = BMP3 ] || fail "identify reads $bkind"
[ "$bw $bh" = "$jw $jh" ] || fail "BMP is ${bw}x$bh, JPEG ${jw}x$jh"
[ "$bdepth" = 8 ] || fail "BMP depth $bdepth per channel"
convert "$jpg" "$build/tools_export_sample_jpg.png"
echo "font tool screenshots and exports in $build (JPEG ${jw}x$jh, $channels, quality $quality)"
