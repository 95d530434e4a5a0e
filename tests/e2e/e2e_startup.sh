#!/usr/bin/env bash
# Start-up and the single-instance guard on a real X server with a window manager:
# one copy per executable file name, a second start brings the first forward and ends at once
# without a window, stale locks of killed copies are taken over.
# Arguments: the typovex binary, the build folder (the screenshot goes there).
set -euo pipefail

bin=$(readlink -f "$1")
build=$(readlink -f "$2")
title='Typovex - ver. 3.9'
title_re='^Typovex - ver\. 3\.9$'

source "$(dirname "$0")/lib_xserver.sh"
export XCURSOR_SIZE=32

count_windows() { { xdotool search --name "$title_re" 2>/dev/null || true; } | wc -l; }
main_window() { xdotool search --name "$title_re" 2>/dev/null | head -n1; }
visible_windows_of() { { xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; } | wc -l; }
wait_for_windows() { # count, seconds
    local deadline=$(($(ms_now) + $2 * 1000))
    while [ "$(count_windows)" -ne "$1" ]; do
        [ "$(ms_now)" -lt "$deadline" ] || fail "expected $1 main window(s), found $(count_windows)"
        sleep 0.1
    done
}
wm_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null || true; }
window_pos() { xdotool getwindowgeometry "$1" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'; }

first=
start_first() { # starts the program and waits for its main window
    "$bin" >>"$work/first.log" 2>&1 &
    first=$!
    pids+=("$first")
    wait_for_windows 1 30
    # The window exists before its first showing, which builds the settings windows; wait
    # until it is on screen.
    local deadline=$(($(ms_now) + 30000))
    until xdotool search --onlyvisible --name "$title_re" >/dev/null 2>&1; do
        [ "$(ms_now)" -lt "$deadline" ] || fail "the main window never became visible"
        sleep 0.1
    done
}

# A second copy: it must end with exit code 0 within 2 s, never showing a window of its own.
second_copy_ends_at_once() {
    local started=$(ms_now) pid rc elapsed
    "$bin" >>"$work/second.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    while kill -0 "$pid" 2>/dev/null; do
        [ "$(count_windows)" -le 1 ] || fail "a second main window appeared"
        [ "$(visible_windows_of "$pid")" -eq 0 ] || fail "the second copy showed a window"
        [ $(($(ms_now) - started)) -lt 5000 ] || fail "the second copy is still running after 5 s"
        sleep 0.02
    done
    rc=0
    wait "$pid" || rc=$?
    elapsed=$(($(ms_now) - started))
    [ "$rc" -eq 0 ] || fail "the second copy ended with exit code $rc"
    [ "$elapsed" -lt 2000 ] || fail "the second copy took $elapsed ms to end"
    echo "  second copy ended in $elapsed ms"
}

echo "first start shows the main window"
start_first
wid=$(main_window)
[ "$(xdotool getwindowname "$wid")" = "$title" ] || fail "caption is '$(xdotool getwindowname "$wid")'"
# The design size, grown only where the interface font needs more room for the settings windows;
# the growth follows the first showing, so wait until the window manager has settled the size.
read -r ww wh <<<"$(settled_size "$wid")"
[ "$ww" -ge 390 ] && [ "$wh" -ge 356 ] || fail "client area ${ww}x${wh} is smaller than 390x356"
read -r x y < <(window_pos "$wid")
cx=$((x + ww / 2 - 512)) cy=$((y + wh / 2 - 384))
[ "${cx#-}" -le 40 ] && [ "${cy#-}" -le 40 ] || fail "window not centred: at $x,$y"

echo "the hint of About sits right below the cursor"
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool mousemove --window "$wid" 40 $((wh - 21))
read -r mx my < <(xdotool getmouselocation --shell | sed -n 's/^[XY]=//p' | paste -sd' ')
tip=
for _ in $(seq 60); do
    tip=$({ xdotool search --onlyvisible --pid "$first" 2>/dev/null || true; } | grep -vx "$wid" | head -n1 || true)
    [ -n "$tip" ] && break
    sleep 0.1
done
[ -n "$tip" ] || fail "no hint appeared over About"
read -r tx ty < <(window_pos "$tip")
[ "$ty" -eq $((my + 32)) ] || fail "hint top at $ty, cursor at $my, cursor size 32"
[ "$tx" -eq "$mx" ] || fail "hint left at $tx, cursor at $mx"
import -window root "$build/e2e_startup_main.png"
xdotool mousemove 5 5

echo "a second start while the first is visible ends at once and raises the first"
xmessage -geometry +300+250 "covering window" &
pids+=($!)
for _ in $(seq 50); do xdotool search --name '^xmessage$' >/dev/null 2>&1 && break; sleep 0.1; done
top_window() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*, //; s/.*# //'; }
[ "$(printf '%d' "$(top_window)")" -ne "$wid" ] || fail "the covering window is not on top"
second_copy_ends_at_once
for _ in $(seq 50); do [ "$(printf '%d' "$(top_window)")" -eq "$wid" ] && break; sleep 0.1; done
[ "$(printf '%d' "$(top_window)")" -eq "$wid" ] || fail "the first copy was not raised"

echo "a second start restores a minimised first copy"
xdotool windowminimize "$wid"
for _ in $(seq 50); do wm_state "$wid" | grep -q HIDDEN && break; sleep 0.1; done
wm_state "$wid" | grep -q HIDDEN || fail "the window manager did not minimise the window"
second_copy_ends_at_once
for _ in $(seq 50); do wm_state "$wid" | grep -q HIDDEN || break; sleep 0.1; done
! wm_state "$wid" | grep -q HIDDEN || fail "the first copy is still minimised"
xwininfo -id "$wid" | grep -q 'IsViewable' || fail "the first copy is not mapped"

echo "a second start ends within 2 s even when the first does not answer"
kill -STOP "$first"
second_copy_ends_at_once
kill -CONT "$first"

echo "a copy under another file name runs beside the first"
mkdir "$work/other"
cp "$bin" "$work/other/typovex-beside"
"$work/other/typovex-beside" >"$work/other.log" 2>&1 &
other=$!
pids+=("$other")
wait_for_windows 2 30
kill "$other"
wait "$other" 2>/dev/null || true
wait_for_windows 1 10

echo "dragging the window background moves the window"
xdotool windowactivate --sync "$wid" 2>/dev/null || true
read -r x y < <(window_pos "$wid")
xdotool mousemove --window "$wid" 4 44 mousedown 1
for step in 1 2 3 4 5; do
    sleep 0.05
    xdotool mousemove_relative -- 10 6
done
sleep 0.1
xdotool mouseup 1
for _ in $(seq 30); do
    read -r nx ny < <(window_pos "$wid")
    [ "$nx" -ne "$x" ] && break
    sleep 0.1
done
[ $((nx - x)) -eq 50 ] && [ $((ny - y)) -eq 30 ] || fail "window moved from $x,$y to $nx,$ny"
# A press on a button presses the button and does not move the window.
xdotool mousemove --window "$wid" 30 335 mousedown 1 mousemove_relative -- 40 20 mouseup 1
sleep 0.2
read -r bx by < <(window_pos "$wid")
[ "$bx" -eq "$nx" ] && [ "$by" -eq "$ny" ] || fail "a drag on a button moved the window"

echo "Esc closes the main window and ends the program"
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key Escape
rc=0
for _ in $(seq 50); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && fail "Esc did not end the program"
wait "$first" || rc=$?
[ "$rc" -eq 0 ] || fail "the program ended with exit code $rc"

echo "after the first copy ended, a new start runs normally"
start_first

echo "after the first copy was killed, a new start runs normally and guards again"
kill -9 "$first"
wait "$first" 2>/dev/null || true
wait_for_windows 0 10
start_first
second_copy_ends_at_once
[ "$(count_windows)" -eq 1 ] || fail "expected one main window"

echo "PASS"
