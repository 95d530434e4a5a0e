#!/usr/bin/env bash
# A real print: a CUPS queue that keeps PDF files, a catalogue of three known fonts sent through
# the program's Print command, and the text of the spooled job checked with pdftotext.
# Exits 77 (skipped) with the reason where no print spooler can run here.
set -uo pipefail
build=$2
helper="$build/tests/print_catalogue"
skip() {
    echo "SKIP: $*"
    exit 77
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
work=$(mktemp -d)
queue="TypovexPDF$$"
source "$(dirname "$0")/lib_cups.sh"
cleanup() {
    pdf_queue_stop "$queue"
    rm -rf "$work"
}
trap cleanup EXIT

[ -x "$helper" ] || fail "helper not built: $helper"
for tool in cupsd lpadmin lpstat pdftotext; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh --tests)"
done
[ -f /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ] || skip "printer-driver-cups-pdf is not installed"
[ "$(id -u)" -eq 0 ] || skip "cupsd needs root here"

pdf_queue_start "$queue"

mkdir -m 700 "$work/config" "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen
fonts=("DejaVu Sans" "DejaVu Serif" "Liberation Mono")
before=$(lpstat -W all -o "$queue" 2>/dev/null | wc -l)
"$helper" --top=240 "${fonts[@]}" || fail "the print command reported an error"

job=""
for _ in $(seq 300); do
    job=$(lpstat -W all -o "$queue" 2>/dev/null | awk '{print $1}' | sed -n '$p')
    [ "$(lpstat -W all -o "$queue" 2>/dev/null | wc -l)" -gt "$before" ] && [ -n "$job" ] && break
    job=""
    sleep 0.1
done
[ -n "$job" ] || fail "no job reached the queue"
id=${job##*-}
doc=$(printf '/var/spool/cups/d%05d-001' "$id")
for _ in $(seq 100); do [ -s "$doc" ] && break; sleep 0.1; done
[ -s "$doc" ] || fail "spooled document $doc not found"
cp "$doc" "${TYPOVEX_KEEP_PDF:-/dev/null}" 2>/dev/null; text=$(pdftotext -layout "$doc" - 2>/dev/null) || fail "pdftotext could not read $doc"

for wanted in "Typovex" "This is DejaVu Sans" "This is DejaVu Serif" \
    "This is Liberation Mono"; do
    grep -qF "$wanted" <<<"$text" || fail "\"$wanted\" missing from the printed catalogue: $text"
done
# A deep top margin spreads the three fonts over pages: the header is suppressed on page 1 and
# printed from page 2; every page carries its number at the foot.
mapfile -d $'\f' -t pages <<<"$text"
[ "${#pages[@]}" -ge 2 ] || fail "expected at least two pages, got ${#pages[@]}: $text"
grep -qF "Windows font list" <<<"${pages[0]}" && fail "the header shows on page 1"
grep -qF "Windows font list" <<<"${pages[1]}" || fail "the header is missing from page 2"
grep -qF "Size 12" <<<"${pages[1]}" || fail "the characteristics text is missing from page 2"
for i in "${!pages[@]}"; do
    [ -z "$(tr -d '[:space:]' <<<"${pages[i]}")" ] && continue
    # The footer: the date and time on the left, the page number on the right.
    grep -qE "[0-9]:[0-9]{2}.*[^0-9]$((i + 1))[[:space:]]*$" <<<"${pages[i]}" ||
        fail "page $((i + 1)) has no footer with its number: ${pages[i]}"
done
echo "PASS: job $job printed $(grep -c 'This is' <<<"$text") samples"
