#!/usr/bin/env bash
# Copies the screenshots of the new-user walk-through (tests/e2e/e2e_newuser.sh) into
# docs/screenshots/ for the README: at most 600 px wide, without metadata, with a reduced palette,
# so that each stays small enough to commit.
#   bash scripts/screenshots.sh [build folder]     (default: build)
# The walk-through is run first (through ctest) when its screenshots are missing from the build
# folder, or when TYPOVEX_SCREENSHOTS_RUN=1 asks for fresh ones.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(readlink -f "${1:-$root/build}")
out="$root/docs/screenshots"
names=(wizard advanced preview printed)

command -v convert >/dev/null || {
    echo "ImageMagick is not installed (scripts/deps.sh --tests)" >&2
    exit 1
}

missing=0
for name in "${names[@]}"; do
    [ -s "$build/newuser-$name.png" ] || missing=1
done
if [ "$missing" -eq 1 ] || [ "${TYPOVEX_SCREENSHOTS_RUN:-0}" = 1 ]; then
    ctest --test-dir "$build" -R '^e2e_newuser$' --output-on-failure
fi

mkdir -p "$out"
for name in "${names[@]}"; do
    src="$build/newuser-$name.png"
    [ -s "$src" ] || {
        echo "missing $src: the walk-through did not make it" >&2
        exit 1
    }
    # ">" shrinks only: a window narrower than 600 px keeps its size. The printed page gets a
    # thin edge, so that white paper stands out on a white page.
    edge=()
    [ "$name" = printed ] && edge=(-bordercolor '#999999' -border 1)
    convert "$src" -strip -resize '600x>' "${edge[@]}" -colors 64 "PNG8:$out/$name.png"
    size=$(stat -c %s "$out/$name.png")
    echo "$out/$name.png: $(identify -format '%wx%h' "$out/$name.png"), $((size / 1024)) KiB"
    [ "$size" -lt 81920 ] || echo "  warning: larger than 80 KiB" >&2
done
