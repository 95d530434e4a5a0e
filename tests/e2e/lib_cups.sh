# Sourced by the checks that print: a CUPS queue that keeps PDF files, made the default printer.
# The running spooler is used, or one of our own is started. Needs: work, skip, fail.
# pdf_queue_start NAME and pdf_queue_stop NAME (safe to call more than once, from a trap);
# pdf_queue_add NAME adds a further queue that is not the default.
cups_pid=""
pdf_queue_start() {
    if ! lpstat -r 2>/dev/null | grep -q "is running"; then
        cupsd -f >"$work/cupsd.log" 2>&1 &
        cups_pid=$!
        for _ in $(seq 100); do
            lpstat -r 2>/dev/null | grep -q "is running" && break
            kill -0 "$cups_pid" 2>/dev/null ||
                skip "cupsd could not start: $(tail -3 "$work/cupsd.log")"
            sleep 0.1
        done
        lpstat -r 2>/dev/null | grep -q "is running" || skip "cupsd did not answer"
    fi
    lpadmin -p "$1" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ||
        fail "could not add the PDF queue"
    lpadmin -d "$1" || fail "could not make the queue the default"
}
pdf_queue_add() {
    lpadmin -p "$1" -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ||
        fail "could not add the PDF queue $1"
}
pdf_queue_stop() {
    lpadmin -x "$1" 2>/dev/null || true
    if [ -n "$cups_pid" ]; then
        kill "$cups_pid" 2>/dev/null || true
        wait "$cups_pid" 2>/dev/null || true
        cups_pid=""
    fi
}
