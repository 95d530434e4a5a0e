# Sourced by the end-to-end checks: an X server of our own on a free display with a window
# manager on it, temporary runtime and settings folders, and every process started here killed
# on exit. Defines: work, pids, fail, ms_now, window_size, settled_size. XVFB_SCREEN, set before sourcing, is the screen's
# WIDTHxHEIGHTxDEPTH (1024x768x24 unless given).
work=$(mktemp -d)
pids=() # every process started here, killed in reverse order on exit
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -CONT "${pids[i]}" 2>/dev/null || true
        kill -9 "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
ms_now() { echo $(($(date +%s%N) / 1000000)); }
window_size() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p'; }
# A main window grows to fit its settings windows after its first showing: waits (2 s at most)
# until its size holds, and prints that size as "WIDTH HEIGHT".
settled_size() {
    local size now
    size=$(window_size "$1")
    for _ in $(seq 20); do
        sleep 0.1
        now=$(window_size "$1")
        [ "$now" = "$size" ] && break
        size=$now
    done
    echo "$size"
}

# --- an X server of our own on a free display, and a window manager on it
# The display number can be written a moment before the server takes connections.
start_server() {
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$work/display" 2>>"$work/xvfb.log" &
    xvfb_pid=$!
    pids+=("$xvfb_pid")
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || return 1
    export DISPLAY=":$(head -n1 "$work/display")"
    for _ in $(seq 100); do xprop -root >/dev/null 2>&1 && return 0; sleep 0.05; done
    return 1
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
start_wm() {
    openbox --sm-disable >>"$work/openbox.log" 2>&1 &
    wm_pid=$!
    pids+=("$wm_pid")
    for _ in $(seq 100); do
        wm_running && return 0
        kill -0 "$wm_pid" 2>/dev/null || break
        sleep 0.1
    done
    wm_running && return 0
    kill -9 "$wm_pid" 2>/dev/null || true
    wait "$wm_pid" 2>/dev/null || true
    return 1
}
# A server that took the display's number but lost it at once (seen now and then in CI: the
# window manager then cannot open the display) is replaced by a new one.
for server_attempt in 1 2 3; do
    if start_server; then
        for attempt in 1 2 3; do
            start_wm && break 2
            echo "openbox attempt $attempt did not come up: $(tail -n 3 "$work/openbox.log")" >&2
        done
    fi
    echo "X server attempt $server_attempt failed: $(tail -n 3 "$work/xvfb.log")" >&2
    kill -9 "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
# The real X server, whatever the unit tests around us ask for.
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
wm_running || fail "openbox did not start: $(cat "$work/openbox.log")"

mkdir -m 700 "$work/runtime" "$work/config"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"
