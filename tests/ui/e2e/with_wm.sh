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

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xs=$!
# Wait on conditions, never on a guess of the machine's speed: up to 60 s each.
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 600 ] || ! kill -0 "$xs" 2>/dev/null; then
        echo "with_wm.sh: Xvfb did not start" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    sleep 0.1
done
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    tries=$((tries + 1))
    if [ $tries -gt 600 ] || ! kill -0 "$wm" 2>/dev/null; then
        echo "with_wm.sh: openbox did not start" >&2
        cat "$work/openbox.log" >&2
        exit 1
    fi
    sleep 0.1
done

QT_QPA_PLATFORM=xcb "$@"
