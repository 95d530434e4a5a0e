#!/usr/bin/env bash
# Every catchable way of being told to end, on the real program under a real X server: with fonts
# added by Apply on the Paths tab, SIGTERM, SIGINT, SIGHUP and SIGQUIT each end it within a
# second, by its orderly close (exit code 0), and every font it added to the toolkit's font table
# was removed again; the same for SIGTERM in the middle of a long recursive scan, and while the
# damaged-settings box is open at the start.
# The fonts are application fonts, which live in the program's memory only, so they are watched
# from outside the program's own lists by a preloaded library (font_call_log) that records every
# call adding a font to the toolkit or removing one; that the scan is under way is seen from
# outside too, in the folders the program holds open (/proc/PID/fd).
# Arguments: the typovex binary, the build folder.
set -uo pipefail

bin=$(readlink -f "$1")
build=$(readlink -f "$2")
preload="$build/tests/libfont_call_log.so"
main_re='^Typovex - ver\. 3\.9$'
began=$(date +%s)

skip() {
    echo "SKIP: $*"
    exit 77
}
for tool in Xvfb openbox xdotool xprop import convert; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh --tests)"
done
[ -f "$preload" ] || skip "build the font_call_log library first"
[ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] || skip "fonts-dejavu-core is not installed"

source "$(dirname "$0")/lib_xserver.sh"
export HOME="$work/home" XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"

# The program starts in this folder, which the folder picker opens at: two font files, and a tree
# of 110,101 empty folders for the long scan, in memory where it can be (a disk takes a minute to
# make and remove it).
shm=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d -p "$work")
trap 'cleanup; rm -rf "$shm"' EXIT
start="$shm/start"
mkdir -p "$start"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$start/one.ttf"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$start/two.TTF"
(cd "$start" && mkdir -p tree/{0..99}/{0..99}/{0..9}) || fail "could not make the tree"

# --- helpers -------------------------------------------------------------------------------
app=""
calls=""
case_name=""
fail() {
    echo "FAIL in '${case_name:-set-up}': $*" >&2
    import -window root "$build/e2e_signals_failure.png" 2>/dev/null &&
        echo "the screen at the failure: $build/e2e_signals_failure.png" >&2
    exit 1
}
wait_until() { # seconds, message, command...
    local seconds=$1 message=$2
    shift 2
    local deadline=$(($(ms_now) + seconds * 1000))
    until "$@"; do
        [ "$(ms_now)" -lt "$deadline" ] || fail "$message (after $seconds s)"
        sleep 0.05
    done
}
visible_window() { xdotool search --all --onlyvisible --pid "$app" --name "$1" 2>/dev/null | head -n1; }
has_window() { [ -n "$(visible_window "$1")" ]; }
no_window() { [ -z "$(visible_window "$1")" ]; }
activate() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true; }
click() { # window, x, y in its client area
    activate "$1"
    xdotool mousemove --window "$1" "$2" "$3" click 1
    xdotool mousemove 1 1
}
added_count() { grep -c '^add ' "$calls" 2>/dev/null || true; }
# Every font added was removed, one by one or all at once after the last add.
all_removed() {
    awk '$1 == "add" { open[$2] = 1 }
         $1 == "remove" && $2 == "all" && $3 == 1 { delete open }
         $1 == "remove" && $2 != "all" && $3 == 1 { delete open[$2] }
         END { n = 0; for (id in open) n++; exit n > 0 }' "$calls"
}
# The main window shows the wizard's dark blue picture, or the settings of the advanced mode.
main=""
wizard_shown() {
    import -window "$main" "$work/mode.png" 2>/dev/null || return 1
    local red blue
    read -r red blue < <(convert "$work/mode.png" -crop 60x120+30+120 +repage -resize '1x1!' \
        -format '%[fx:int(255*r)] %[fx:int(255*b)]' info:)
    [ "$blue" -gt $((red + 50)) ]
}
advanced_shown() { ! wizard_shown; }

start_program() { # config folder
    calls="$work/calls-$RANDOM$RANDOM"
    : >"$calls"
    (cd "$start" && XDG_CONFIG_HOME="$1" FONT_CALL_LOG="$calls" LD_PRELOAD="$preload" \
        exec "$bin") >>"$work/typovex.log" 2>&1 &
    app=$!
    pids+=("$app")
}
wait_for_main() {
    wait_until 40 "the main window did not appear" has_window "$main_re"
    main=$(visible_window "$main_re")
    settled_size "$main" >/dev/null
}
# A fresh start with the start folder's fonts added by Apply.
start_with_fonts_added() {
    start_program "$work/config"
    wait_for_main
    open_paths_tab
    add_start_folder no
    apply_and_confirm
}
# Positions in the main window's client area (Fusion style on this X server): Advanced... in
# the bottom row, then the Paths tab, its Add... and Apply buttons.
open_paths_tab() {
    local ww wh
    read -r ww wh < <(window_size "$main")
    wait_until 10 "the wizard did not show" wizard_shown
    click "$main" 119 $((wh - 17))
    wait_until 10 "Advanced... did not show the settings" advanced_shown
    click "$main" 90 62
}
add_start_folder() { # recurse: yes | no
    click "$main" 457 139
    wait_until 10 "Add... opened no folder picker" has_window '^Select folder$'
    local picker
    picker=$(visible_window '^Select folder$')
    [ "$1" = yes ] && click "$picker" 16 243 # Recurse sub-directories
    activate "$picker"
    xdotool key Return
    wait_until 10 "OK did not close the folder picker" no_window '^Select folder$'
}
apply_and_confirm() {
    click "$main" 457 197
    wait_until 30 "Apply showed no message" has_window '^Typovex$'
    activate "$(visible_window '^Typovex$')"
    xdotool key Return
    wait_until 10 "the message did not close" no_window '^Typovex$'
    [ "$(added_count)" -ge 2 ] || fail "Apply added $(added_count) fonts, expected 2"
}
# Sends the signal, and checks the end from outside: gone within a second, by its own orderly
# close, with every added font removed.
end_by() { # signal
    local sent rc elapsed
    sent=$(ms_now)
    kill -s "$1" "$app"
    while kill -0 "$app" 2>/dev/null; do
        [ $(($(ms_now) - sent)) -lt 5000 ] || fail "still running 5 s after SIG$1"
        sleep 0.01
    done
    elapsed=$(($(ms_now) - sent))
    rc=0
    wait "$app" || rc=$?
    [ "$rc" -eq 0 ] || fail "ended with exit code $rc after SIG$1, not by its orderly close"
    [ "$elapsed" -lt 1000 ] || fail "took $elapsed ms to end after SIG$1"
    all_removed || fail "fonts left added at the end: $(tr '\n' ' ' <"$calls")"
    echo "  ended in $elapsed ms, $(added_count) added fonts all removed"
}

# --- the cases -------------------------------------------------------------------------------
for signal in TERM INT HUP QUIT; do
    case_name="SIG$signal after Apply"
    echo "$case_name ($(($(date +%s) - began)) s)"
    start_with_fonts_added
    end_by "$signal"
done

case_name="SIGTERM during a long recursive scan"
echo "$case_name ($(($(date +%s) - began)) s)"
start_with_fonts_added
add_start_folder yes
wait_until 10 "no notice before the recursive scan" has_window '^Typovex$'
activate "$(visible_window '^Typovex$')"
xdotool key Return
scanning() { ls -l "/proc/$app/fd" 2>/dev/null | grep -qF -- "-> $start/tree/"; }
wait_until 20 "the scan never held a folder of the tree open" scanning
end_by TERM

case_name="SIGTERM with the damaged-settings box open at the start"
echo "$case_name ($(($(date +%s) - began)) s)"
mkdir -p "$work/damaged/Typovex"
echo 'ListingProperties=1' >"$work/damaged/Typovex/registry.json"
start_program "$work/damaged"
wait_until 40 "no box about the damaged settings" has_window '^Typovex$'
no_window "$main_re" || fail "the main window showed before the box was answered"
end_by TERM

# Nothing of the fonts left in this user's settings, caches or font set-up.
left=$(grep -rlE 'one\.ttf|two\.TTF' "$HOME" "$work/config" "$XDG_RUNTIME_DIR" 2>/dev/null | head -n 3)
[ -z "$left" ] || fail "files mention the added fonts after the end: $left"
[ ! -e "$HOME/.config/fontconfig" ] || fail "the program wrote a fontconfig configuration"
echo "PASS"
