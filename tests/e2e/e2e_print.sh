#!/usr/bin/env bash
# A real print: two CUPS queues that keep PDF files, a catalogue of three known fonts sent through
# the program's Print command, and the text of the spooled job checked with pdftotext; then the
# chosen queue (in the advanced window and on the wizard's target page), and for every paper and
# orientation the sheet that comes out of the queue, and the page on it unscaled.
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
second="TypovexPDF2nd$$"
source "$(dirname "$0")/lib_cups.sh"
cleanup() {
    lpadmin -x "$second" 2>/dev/null
    pdf_queue_stop "$queue"
    rm -rf "$work"
}
trap cleanup EXIT

[ -x "$helper" ] || fail "helper not built: $helper"
for tool in cupsd lpadmin lpstat pdftotext pdfinfo pdftoppm convert; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh --tests)"
done
[ -f /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ] || skip "printer-driver-cups-pdf is not installed"
[ "$(id -u)" -eq 0 ] || skip "cupsd needs root here"

pdf_queue_start "$queue"
pdf_queue_add "$second"

mkdir -m 700 "$work/config" "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen
fonts=("DejaVu Sans" "DejaVu Serif" "Liberation Mono")
jobs_on() { lpstat -W all -o "$1" 2>/dev/null | wc -l; }
# await_job QUEUE COUNT: the id of the job that took QUEUE beyond COUNT jobs.
await_job() {
    for _ in $(seq 300); do
        if [ "$(jobs_on "$1")" -gt "$2" ]; then
            lpstat -W all -o "$1" | awk '{print $1}' | sed -n '$p' | sed 's/.*-//'
            return
        fi
        sleep 0.1
    done
    fail "no job reached $1"
}
before=$(jobs_on "$queue")
before2=$(jobs_on "$second")
"$helper" --top=240 "${fonts[@]}" || fail "the print command reported an error"
id=$(await_job "$queue" "$before")
job="$queue-$id"
[ "$(jobs_on "$second")" -eq "$before2" ] || fail "with no printer chosen the job went to $second"
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
echo "default queue: job $job printed $(grep -c 'This is' <<<"$text") samples"

# The second queue chosen, where the user chooses it.
for choice in printer wizard-printer; do
    before=$(jobs_on "$queue")
    before2=$(jobs_on "$second")
    "$helper" --"$choice=$second" "DejaVu Sans" || fail "--$choice: the print reported an error"
    await_job "$second" "$before2" >/dev/null
    [ "$(jobs_on "$queue")" -eq "$before" ] || fail "--$choice: a job went to the default queue"
done

# The sheet out of the queue, for each paper in both orientations: its size (turned upright) is
# the paper's within a point, and the page's ink sits where it sits on the spooled page.
out_dir="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
ink_box() { convert "$1" -rotate "$2" -trim -format '%@' info: 2>/dev/null; }
near() { # two WxH+X+Y boxes within 2 pixels (points at 72 dpi)
    local a b
    read -ra a <<<"$(tr 'x+' '  ' <<<"$1")"
    read -ra b <<<"$(tr 'x+' '  ' <<<"$2")"
    for i in 0 1 2 3; do
        [ $((a[i] - b[i])) -le 2 ] && [ $((b[i] - a[i])) -le 2 ] || return 1
    done
}
papers=("A4 595.28 841.89" "A3 841.89 1190.55" "Letter 612 792" "B5 515.91 728.50")
for p in 0 1 2 3; do
    read -r name pw ph <<<"${papers[p]}"
    for o in 0 1; do
        before2=$(jobs_on "$second")
        "$helper" --paper=$p --orientation=$o --printer="$second" "DejaVu Sans" ||
            fail "$name/$o: the print reported an error"
        id=$(await_job "$second" "$before2")
        out=""
        for _ in $(seq 300); do
            if lpstat -W completed -o "$second" | grep -q "^$second-$id "; then
                out=$(ls "$out_dir"/*job_"$id".pdf 2>/dev/null | head -1)
                break
            fi
            sleep 0.1
        done
        [ -n "$out" ] || fail "$name/$o: no PDF came out of the queue for job $id"
        read -r w h <<<"$(pdfinfo "$out" | sed -n 's/^Page size: *\([0-9.]*\) x \([0-9.]*\).*/\1 \2/p')"
        rot=$(pdfinfo "$out" | sed -n 's/^Page rot: *//p')
        [ "$rot" = 90 ] || [ "$rot" = 270 ] && read -r w h <<<"$h $w"
        awk -v w="$w" -v h="$h" -v pw="$pw" -v ph="$ph" 'BEGIN {
            if (w > h) { t = w; w = h; h = t }
            exit !((w - pw) ^ 2 <= 1 && (h - ph) ^ 2 <= 1) }' ||
            fail "$name/$o: the sheet is $w x $h pt, not $pw x $ph"
        spool=$(printf '/var/spool/cups/d%05d-001' "$id")
        pdftoppm -r 72 -gray -singlefile -png "$spool" "$work/in"
        pdftoppm -r 72 -gray -singlefile -png "$out" "$work/out" 2>/dev/null
        want=$(ink_box "$work/in.png" 0)
        placed=""
        for turn in 0 90 270; do
            near "$want" "$(ink_box "$work/out.png" $turn)" && placed=$turn && break
        done
        [ -n "$placed" ] ||
            fail "$name/$o: the page was moved or scaled: ink $want spooled, $(ink_box "$work/out.png" 0) out"
        rm -f "$out"
    done
done
echo "PASS: job $job printed, the chosen queues took their jobs, 8 sheets as chosen"
