#!/bin/bash
# run_x11_input.sh <game>: the whole input chain on a real X server.
#
# Starts Xvfb, runs the game (x11_input_game) on it through SDL's x11 driver
# and types, clicks and scrolls at it with xdotool, whose events go through
# the X server's XTEST extension exactly as a keyboard's and a mouse's do.
# The game writes one line per event that reached its input callback; after
# each action the lines that arrived must be exactly the ones a Windows
# build of the game would have received. A difference is printed as a diff
# and the run carries on, so that one run shows every fault.
#
# There is no window manager: focus is given with XSetInputFocus (xdotool
# windowfocus), and the window's place is the one the engine asked for.
# Nothing is skipped: without Xvfb or xdotool the test fails and says so.
set -u

# xdotool turns the text it types into key symbols through the C library's
# multibyte conversion: under the "C" locale of a bare environment it
# refuses any character beyond ASCII. C.UTF-8 ships with every Debian libc.
export LC_ALL=C.UTF-8

GAME=${1:-}
TITLE="Kesto X11 input"
SCREEN_W=1024
SCREEN_H=768
CLIENT_W=320
CLIENT_H=240
# Where the engine puts a 320 x 240 client area with a caption: centred on
# the screen as Windows centres the outer rectangle (frame 3, caption 23).
WIN_X=$(((SCREEN_W - (CLIENT_W + 6)) / 2 + 3))
WIN_Y=$(((SCREEN_H - (CLIENT_H + 23 + 6)) / 2 + 26))
WAIT=4     # seconds any one expectation may take
START=15   # seconds the game may take to show its window (sanitizer builds start slowly)

HERE=$(cd "$(dirname "$0")" && pwd)
started=$(date +%s%N)

die() {
    echo "x11.input: FAIL: $*" >&2
    exit 1
}

if [ -z "$GAME" ] || [ ! -x "$GAME" ]; then
    die "usage: $0 <x11_input_game> (got '${GAME}')"
fi
command -v Xvfb >/dev/null || die "Xvfb is not installed; scripts/setup.sh installs it (package xvfb)"
command -v xdotool >/dev/null || die "xdotool is not installed; scripts/setup.sh installs it (package xdotool)"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kesto-x11.XXXXXX") || die "no scratch directory"
out=$tmp/game.out       # the game's lines, as they come
err=$tmp/game.err
xvfb_pid=""
game_pid=""

# shellcheck source=xvfb.sh
. "$HERE/xvfb.sh"
# shellcheck disable=SC2317 # run by the trap
cleanup() {
    stop_x11 "$game_pid"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# ---- the X server ------------------------------------------------------------------
# -ardelay keeps a key held across a wait (Alt while the mode switches)
# from repeating, so that every line is foreseen.
start_xvfb ${SCREEN_W}x${SCREEN_H} "$tmp" -ardelay 30000

xdo() {
    timeout 5 xdotool "$@" || die "xdotool $* failed"
}

# The pointer starts outside the window-to-be, so that no move precedes the
# first one the test makes.
xdo mousemove 0 0

# ---- the game ----------------------------------------------------------------------
# The input path is under test, not the sound card: the dummy audio driver.
# libdbus (which SDL's x11 driver opens) keeps a buffer for the life of the
# process; the leak checker is told so.
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
    LSAN_OPTIONS="suppressions=$HERE/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
    "$GAME" >"$out" 2>"$err" &
game_pid=$!

failures=()
consumed=0 # lines of the game's output that earlier steps accounted for

show_output() {
    echo "---- the game's output:"
    cat "$out"
    if [ -s "$err" ]; then
        echo "---- the game's standard error:"
        cat "$err"
    fi
}

alive() {
    kill -0 "$game_pid" 2>/dev/null
}

# match <expected>...: compares the lines that arrived since the last step
# (got) with the expected ones; an expected line that starts with "*" may
# come any number of times, none included. 0 and `matched` set when all
# arrived, 1 while some are still to come, 2 when a line differs.
match() {
    local j=0 e
    for e in "$@"; do
        if [ "${e:0:1}" = "*" ]; then
            while [ $j -lt ${#got[@]} ] && [ "${got[j]}" = "${e:1}" ]; do j=$((j + 1)); done
            continue
        fi
        [ $j -lt ${#got[@]} ] || return 1
        [ "${got[j]}" = "$e" ] || return 2
        j=$((j + 1))
    done
    matched=$j
    return 0
}

# expect <what> <line>...: the next lines of the game's output are exactly
# these. Waits for them (no fixed sleeps); on a difference prints the
# step's lines, records the failure and goes on after what did arrive.
expect() {
    expect_within "$WAIT" "$@"
}

expect_within() {
    local limit=$1 what=$2
    shift 2
    local deadline=$((SECONDS + limit)) result last=0
    while :; do
        mapfile -t got < <(tail -n +"$((consumed + 1))" "$out")
        # A line still being written is not there yet.
        [ ${#got[@]} -gt 0 ] && [ -n "$(tail -c 1 "$out")" ] && unset 'got[-1]'
        match "$@"
        result=$?
        if [ $result -eq 0 ]; then
            consumed=$((consumed + matched))
            return 0
        fi
        [ $result -eq 2 ] || [ $last -eq 1 ] && break
        # One more look once the game has gone or the time is up: its last
        # lines may have come meanwhile.
        { alive && [ $SECONDS -lt $deadline ]; } || { last=1; sleep 0.1; }
        sleep 0.02
    done
    failures+=("$what")
    echo "---- FAIL: $what (- expected, + arrived; * any number of times):"
    diff -U0 <(printf '%s\n' "$@") <([ ${#got[@]} -eq 0 ] || printf '%s\n' "${got[@]}") |
        grep -v '^\(---\|+++\|@@\)'
    [ ${#got[@]} -gt 0 ] || echo "  (nothing arrived within ${limit} s)"
    consumed=$((consumed + ${#got[@]}))
    alive || {
        show_output
        die "the game ended during: $what"
    }
}

geometry() {
    # shellcheck disable=SC2034 # set by the eval, not all of them read
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(timeout 5 xdotool getwindowgeometry --shell "$wid")"
    echo "$X $Y $WIDTH $HEIGHT"
}

# expect_geometry <what> "<x> <y> <w> <h>": the X window settles there.
expect_geometry() {
    local deadline=$((SECONDS + 3)) g
    while :; do
        g=$(geometry)
        [ "$g" = "$2" ] && return 0
        [ $SECONDS -ge $deadline ] && break
        sleep 0.02
    done
    failures+=("$1")
    echo "---- FAIL: $1: the window is at $g (x y width height), expected $2"
}

# expect_pointer <what> <x> <y>: the pointer is still where the test left it
# (nothing but the player moves it).
expect_pointer() {
    local x y rest
    read -r x y rest <<<"$(timeout 5 xdotool getmouselocation)"
    [ "$x $y" = "x:$2 y:$3" ] && return 0
    failures+=("$1")
    echo "---- FAIL: $1: the pointer is at ${x#x:},${y#y:}, expected $2,$3"
}

# point_to <x> <y>: the pointer to a point of the windowed client area.
point_to() {
    xdo mousemove $((wx + $1)) $((wy + $2))
}

# ---- the window ----------------------------------------------------------------------
expect_within "$START" "start-up on the x11 driver" "driver x11" "ready"
wid=$(timeout "$START" xdotool search --sync --onlyvisible --name "^${TITLE}\$" | head -n 1)
[ -n "$wid" ] || {
    show_output
    die "no visible window named '$TITLE' on $DISPLAY"
}
expect_geometry "the windowed client area is centred on the screen" "$WIN_X $WIN_Y $CLIENT_W $CLIENT_H"
read -r wx wy _ _ <<<"$(geometry)"
# Without a window manager nobody hands out the focus: set it directly.
xdo windowfocus --sync "$wid"

# ---- the mouse, windowed: positions in client coordinates ----------------------------
point_to 10 20
expect "a move into the window" "move 10,20"
point_to 319 239
expect "a move to the last client pixel" "move 319,239"
point_to 100 50
expect "a move back" "move 100,50"

xdo click 1
expect "a left click" "button 201 s1 100,50" "button 202 s0 100,50"
xdo click 3
expect "a right click" "button 204 s2 100,50" "button 205 s0 100,50"
# Three quick presses: the second makes a double click (the window class
# asks for them), the third starts afresh. The right click before keeps the
# first left click out of the count.
xdo click --repeat 3 --delay 80 1
expect "a left double click and one more press" \
    "button 201 s1 100,50" "button 202 s0 100,50" \
    "button 203 s1 100,50" "button 202 s0 100,50" \
    "button 201 s1 100,50" "button 202 s0 100,50"
xdo click 2
expect "a middle click" "button 207 s10 100,50" "button 208 s0 100,50"
# The wheel's position is in screen coordinates.
xdo click 4
expect "the wheel away from the user" "wheel +1 s0 $((wx + 100)),$((wy + 50))"
xdo click 5
expect "the wheel towards the user" "wheel -1 s0 $((wx + 100)),$((wy + 50))"
# Modifier flags ride on the button messages.
xdo keydown shift click 1 keyup shift
expect "Shift with a left click" \
    "key 16 s1 up0 r1 b0" "button 201 s5 100,50" "button 202 s4 100,50" "key 16 s0 up1 r1 b0"

# ---- the keyboard ----------------------------------------------------------------------
xdo key a
expect "a letter" "key 65 s0 up0 r1 b0" "char 61" "key 65 s0 up1 r1 b0"
xdo keydown shift keydown a keyup a keyup shift
expect "Shift+A" \
    "key 16 s1 up0 r1 b0" "key 65 s1 up0 r1 b0" "char 41" "key 65 s1 up1 r1 b0" "key 16 s0 up1 r1 b0"
xdo keydown ctrl keydown b keyup b keyup ctrl
expect "Ctrl+B" \
    "key 17 s2 up0 r1 b0" "key 66 s2 up0 r1 b0" "char 02" "key 66 s2 up1 r1 b0" "key 17 s0 up1 r1 b0"
xdo key Return
expect "Enter" "key 13 s0 up0 r1 b0" "char 0D" "key 13 s0 up1 r1 b0"
xdo key BackSpace
expect "Backspace" "key 8 s0 up0 r1 b0" "char 08" "key 8 s0 up1 r1 b0"
# A character no key of the layout types (xdotool maps it to a spare key
# for the moment): it arrives as text, two bytes of code page 936.
xdo type --delay 500 '中'
expect "a Chinese character" "char D6" "char D0"

# ---- full screen and back --------------------------------------------------------------
# The pointer waits at the screen's centre, inside the window in both modes.
# A window resized under a still pointer may report the pointer at its new
# place, once or more, as Windows may: such moves are allowed after each
# switch, until the pointer next moves, but they must be right. Alt is
# released only once the switch is seen, so that they come after it.
xdo mousemove $((SCREEN_W / 2)) $((SCREEN_H / 2))
expect "a move to the screen's centre" "move $((SCREEN_W / 2 - wx)),$((SCREEN_H / 2 - wy))"
# Alt+Enter switches on the release of Enter, while Alt is still held.
xdo keydown alt keydown Return keyup Return
expect "Alt+Enter to full screen" "key 18 s4 up0 r1 b0" "key 13 s4 up0 r1 b0" "windowed 0"
xdo keyup alt
expect "full screen: Alt released" "*move 160,120" "key 18 s0 up1 r1 b0"
expect_geometry "full screen covers the screen" "0 0 $SCREEN_W $SCREEN_H"
expect_pointer "the switch to full screen leaves the pointer in place" $((SCREEN_W / 2)) $((SCREEN_H / 2))
# The client area is shown scaled over the whole screen; positions come back
# in the game's 320 x 240.
xdo mousemove 0 0
expect "full screen: the screen's corner is the client's" "*move 160,120" "move 0,0"
xdo mousemove $((SCREEN_W - 1)) $((SCREEN_H - 1))
expect "full screen: the screen's far corner is the last client pixel" "move 319,239"
xdo mousemove $((SCREEN_W / 2)) $((SCREEN_H / 2))
expect "full screen: the screen's centre is the client's" "move 160,120"
xdo click 1
expect "full screen: a click at the centre" "button 201 s1 160,120" "button 202 s0 160,120"
xdo keydown alt keydown Return keyup Return
expect "Alt+Enter back to the window" "key 18 s4 up0 r1 b0" "key 13 s4 up0 r1 b0" "windowed 1"
xdo keyup alt
back="move $((SCREEN_W / 2 - WIN_X)),$((SCREEN_H / 2 - WIN_Y))"
expect "windowed: Alt released" "*$back" "key 18 s0 up1 r1 b0"
expect_geometry "the window is back in its place" "$WIN_X $WIN_Y $CLIENT_W $CLIENT_H"
expect_pointer "the switch back leaves the pointer in place" $((SCREEN_W / 2)) $((SCREEN_H / 2))
point_to 5 5
expect "windowed again: client coordinates unscaled" "*$back" "move 5,5"

# ---- Alt+F4 ends the game ----------------------------------------------------------------
xdo keydown alt keydown F4 keyup F4
expect "Alt+F4 closes the window and Run returns" "key 18 s4 up0 r1 b0" "key 115 s4 up0 r1 b0" "ended"
xdo keyup alt
deadline=$((SECONDS + WAIT))
while alive && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
if alive; then
    failures+=("the game's process ends after Alt+F4")
    echo "---- FAIL: the game was still running ${WAIT} s after Alt+F4"
else
    wait "$game_pid"
    status=$?
    game_pid=""
    if [ "$status" -ne 0 ]; then
        failures+=("the game exits with status 0")
        echo "---- FAIL: the game exited with status $status"
    fi
fi
if [ "$(wc -l <"$out")" -ne "$consumed" ]; then
    failures+=("no lines after the last step")
    echo "---- FAIL: lines nobody expected at the end:"
    tail -n +"$((consumed + 1))" "$out"
fi

ms=$((($(date +%s%N) - started) / 1000000))
elapsed=$((ms / 1000)).$(printf '%03d' $((ms % 1000)))
if [ ${#failures[@]} -gt 0 ]; then
    show_output
    echo "x11.input: FAIL (${elapsed} s) in ${#failures[@]} step(s):"
    printf '  - %s\n' "${failures[@]}"
    exit 1
fi
echo "x11.input: every event arrived as expected (${elapsed} s)"
exit 0
