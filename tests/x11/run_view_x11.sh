#!/bin/bash
# run_view_x11.sh <kesto-view> <data folder> <names folder>: the viewer in a
# real X11 window on Xvfb, driven by xdotool as a person would drive it:
# the list filtered by typing, a row clicked, the sprite played, paused and
# stepped, the filter cleared and the window closed with Escape. What the
# viewer showed at the end comes from its --state file.
set -u
export LC_ALL=C.UTF-8

VIEW=${1:-}
DATA=${2:-}
NAMES=${3:-}
START=20 # seconds the viewer may take to show its window (sanitizer builds start slowly)

die() {
    echo "x11.view: FAIL: $*" >&2
    exit 1
}

[ -x "$VIEW" ] && [ -d "$DATA" ] || die "usage: $0 <kesto-view> <data folder> <names folder>"
command -v Xvfb >/dev/null || die "Xvfb is not installed; scripts/setup.sh installs it (package xvfb)"
command -v xdotool >/dev/null || die "xdotool is not installed; scripts/setup.sh installs it (package xdotool)"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kesto-x11-view.XXXXXX") || die "no scratch directory"
xvfb_pid=""
view_pid=""
# shellcheck source=xvfb.sh
. "$(dirname "$0")/xvfb.sh"
# shellcheck disable=SC2317 # run by the trap
cleanup() {
    stop_x11 "$view_pid"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

start_xvfb 1280x800 "$tmp"

xdo() {
    timeout 5 xdotool "$@" || die "xdotool $* failed"
}

SDL_VIDEODRIVER=x11 LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
    "$VIEW" --video x11 --audio dummy --state "$tmp/state" "$DATA/shape.wdf" "$DATA/scene.wdf" --names "$NAMES" \
    >"$tmp/out" 2>"$tmp/err" &
view_pid=$!

wid=""
for _ in $(seq $((START * 10))); do
    wid=$(xdotool search --onlyvisible --name '^kesto-view$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] && break
    kill -0 "$view_pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$wid" ] || {
    cat "$tmp/err" >&2
    die "the viewer showed no window within ${START} s"
}
xdo windowfocus --sync "$wid"
sleep 0.5

# Browse: type a filter, click the second row (hero_walk.was: rows start 60
# pixels down, 18 apart), open it, pause and step the sprite.
xdo type --delay 30 "hero"
sleep 0.5
xdo mousemove --window "$wid" 80 87 click 1
sleep 0.5
xdo key Return
sleep 0.3
xdo key space
sleep 0.3
xdo key Right
sleep 0.3
# Close: back to the list, clear the filter, leave.
xdo key Escape
sleep 0.2
xdo key Escape
sleep 0.2
xdo key Escape

for _ in $(seq 100); do
    kill -0 "$view_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$view_pid" 2>/dev/null && die "the viewer did not close on Escape"
wait "$view_pid"
status=$?
view_pid=""
[ $status -eq 0 ] || {
    cat "$tmp/err" >&2
    die "the viewer ended with status $status"
}

failures=0
want() {
    local key=$1 value=$2 got
    got=$(sed -n "s/^$key //p" "$tmp/state" | head -n 1)
    if [ "$got" != "$value" ]; then
        echo "x11.view: $key is '$got', expected '$value'"
        failures=$((failures + 1))
    fi
}
[ -s "$tmp/state" ] || die "the viewer wrote no state"
want entry shape/char/hero_walk.was
want view sprite
want playing 0
want filter ""
want focus list
want groups 8
[ $failures -eq 0 ] || {
    cat "$tmp/state" >&2
    die "$failures differences"
}
echo "x11.view: ok"
