# Sourced by the X11 tests: stop_x11 <program pid> ends the program under
# test and the X server (each if started) and removes the scratch folder
# $tmp; the tests call it from their EXIT trap.
stop_x11() {
    [ -n "$1" ] && kill "$1" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    [ -n "$1" ] && wait "$1" 2>/dev/null
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$tmp"
}

# start_xvfb <width>x<height> <scratch> [Xvfb options]
# starts a virtual X server on a free display, sets xvfb_pid, exports
# DISPLAY and unsets WAYLAND_DISPLAY, or calls die. -noreset keeps the
# server (and the pointer's place) as it is when the last client leaves,
# which every xdotool call is.
start_xvfb() {
    local size=$1 scratch=$2
    shift 2
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset "$@" 3>"$scratch/display" 2>"$scratch/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 200); do
        grep -q '^[0-9][0-9]*$' "$scratch/display" 2>/dev/null && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    grep -q '^[0-9][0-9]*$' "$scratch/display" 2>/dev/null || {
        cat "$scratch/xvfb.log" >&2
        die "Xvfb did not start"
    }
    DISPLAY=":$(head -n 1 "$scratch/display")"
    export DISPLAY
    unset WAYLAND_DISPLAY
}
