#!/usr/bin/env bash
# Screenshots of the preview window on a real X server after a catalogue has been generated into
# it, at "Fit to window" and at "100%", saved into the build folder to be looked at.
# Arguments: the typovex binary, the build folder.
set -euo pipefail

build=$(readlink -f "$2")
source "$(dirname "$0")/lib_xserver.sh"

rm -f "$build"/preview-fit.png "$build"/preview-100.png
"$build/tests/preview_screens" "$build" >"$work/preview.log" 2>&1 ||
    fail "preview_screens: $(cat "$work/preview.log")"
for f in "$build"/preview-fit.png "$build"/preview-100.png; do
    [ -s "$f" ] || fail "missing $f"
    # A blank or black grab would be one colour only; a page of samples has many.
    colours=$(convert "$f" -format '%k' info:)
    [ "$colours" -gt 8 ] || fail "$f holds only $colours colours"
    size=$(identify -format '%wx%h' "$f")
    [ "$size" != "1x1" ] || fail "$f is empty"
done
# The two zooms must differ: the 100% view is not the fitted page again.
if cmp -s "$build"/preview-fit.png "$build"/preview-100.png; then
    fail "the 100% picture equals the fitted one"
fi
echo "2 screenshots in $build"
