#!/usr/bin/env bash
# Screenshots of the main window on a real X server, saved into the build folder to be looked
# at: wizard mode at page 1 and advanced mode at each of its six tabs.
# Arguments: the typovex binary, the build folder.
set -euo pipefail

build=$(readlink -f "$2")
source "$(dirname "$0")/lib_xserver.sh"

rm -f "$build"/screen_*.png
"$build/tests/screens" "$build" >"$work/screens.log" 2>&1 || fail "screens: $(cat "$work/screens.log")"
count=$(ls "$build"/screen_*.png | wc -l)
[ "$count" -eq 7 ] || fail "expected 7 screenshots, found $count"
# A screenshot of a blank window would be one colour only.
for f in "$build"/screen_*.png; do
    colours=$(convert "$f" -format '%k' info:)
    [ "$colours" -gt 8 ] || fail "$f holds only $colours colours"
done
echo "7 screenshots in $build"
