#!/bin/sh
# with_wm.sh COMMAND...: runs COMMAND on an X display of its own (Xvfb picks a free
# number, so tests can run side by side) managed by openbox, as a desktop would be.
set -u
work=$(mktemp -d)
cleanup() {
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    [ -n "${xs:-}" ] && kill "$xs" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# started NAME PID LOG CONDITION...: waits until CONDITION holds while PID runs. It
# waits on the condition, never on a guess of the machine's speed: up to 60 s.
started() {
    name=$1 pid=$2 log=$3
    shift 3
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        if [ $tries -gt 600 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "with_wm.sh: $name did not start" >&2
            cat "$log" >&2
            exit 1
        fi
        sleep 0.1
    done
}
# openbox names itself on the root window first and sets its client lists only once it
# manages windows; a window mapped between the two was never given the focus.
wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" &&
        xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -q "window id"
}

# ZARNIK_SCREEN: another screen size, e.g. 2048x1536x24 to look at the program at QT_SCALE_FACTOR=2.
Xvfb -displayfd 3 -screen 0 "${ZARNIK_SCREEN:-1024x768x24}" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xs=$!
started Xvfb "$xs" "$work/xvfb.log" test -s "$work/display"
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
started openbox "$wm" "$work/openbox.log" wm_running

QT_QPA_PLATFORM=xcb "$@"
