#!/bin/bash
# End-to-end runs of the real show under a virtual X server:
#   dialog Escape            -> exit status 255, no show window
#   Escape while loading     -> exit 0
#   Escape while running     -> exit 0
#   window close (loading)   -> exit 0
#   window close (running)   -> exit 0
#   windowed at 22050 Hz     -> exit 0 after Escape
# Usage: show_end_to_end.sh SUNVALE X11_CLOSE_WINDOW DATA_RAR
set -u
. "$(dirname "$0")/../support/find_window.sh"
sunvale=$1 closer=$2 data=$3

if [ -z "${SUNVALE_E2E_UNDER_XVFB:-}" ]; then
    # A private server with one 4:3 mode, so the dialog offers 1024x768x32.
    exec env SUNVALE_E2E_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

export SDL_AUDIODRIVER=dummy
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
[ -f "$data" ] && ln -s "$data" "$work/data.rar"

# Waits up to $2 seconds for pid $1 to end; sets exit_status to its exit
# status, or to "running".
wait_exit() {
    local pid=$1 limit=$2 i
    for ((i = 0; i < limit * 10; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            exit_status=$?
            return
        fi
        sleep 0.1
    done
    exit_status=running
}

start_show() {
    (cd "$work" && exec "$sunvale") >"$work/out.log" 2>&1 &
    show_pid=$!
    dialog=$(find_window --name '^Zentrope - Configration$')
    if [ -z "$dialog" ]; then
        fail "no configuration dialog"
        return 1
    fi
    xdotool windowfocus --sync "$dialog" 2>/dev/null || xdotool windowactivate --sync "$dialog" 2>/dev/null
    return 0
}

# Sends the close request to the show's window until the show reacts.
close_show() {
    local tries w
    for tries in 1 2 3 4 5; do
        for w in $(xdotool search --name '^Zentrope - Sunvale$' 2>/dev/null); do
            "$closer" "$w" 2>/dev/null && return 0
        done
        kill -0 "$show_pid" 2>/dev/null || return 0
        sleep 1
    done
    fail "could not send the close request"
}

confirm_and_find_window() {
    xdotool key Return
    show_window=$(find_window --name '^Zentrope - Sunvale$')
    [ -n "$show_window" ] || { fail "no show window after Return"; return 1; }
    xdotool windowfocus --sync "$show_window" 2>/dev/null || true
    return 0
}

finish() {
    local what=$1 expected=$2 status
    wait_exit "$show_pid" 30
    status=$exit_status
    if [ "$status" = running ]; then
        fail "$what: still running"
        kill -9 "$show_pid" 2>/dev/null
        wait "$show_pid" 2>/dev/null
    elif [ "$status" != "$expected" ]; then
        fail "$what: exit status $status, expected $expected"
        cat "$work/out.log"
    else
        echo "ok: $what (exit $status)"
    fi
    if pgrep -f "^$sunvale\$" >/dev/null; then fail "$what: a sunvale process is left behind"; fi
}

# 1. Escape in the dialog: -1, and no show window ever appears.
if start_show; then
    xdotool key Escape
    finish "dialog Escape" 255
    if xdotool search --name '^Zentrope - Sunvale$' >/dev/null 2>&1; then fail "show window appeared after Escape"; fi
fi

# 2. Escape as soon as the window exists (the worker is loading).
if start_show && confirm_and_find_window; then
    xdotool key Escape
    finish "Escape while loading" 0
fi

# 3. Close request as soon as the window exists.
if start_show && confirm_and_find_window; then
    close_show
    finish "close while loading" 0
fi

# 4. Escape once the show has been running for a while. Return in the dialog
#    chose fullscreen at the screen's one 4:3 mode: the window covers it.
if start_show && confirm_and_find_window; then
    sleep 6
    geometry=$(xdotool getwindowgeometry "$show_window" | sed -n 's/.*Geometry: //p')
    [ "$geometry" = 1024x768 ] || fail "show window is $geometry, expected fullscreen 1024x768"
    xdotool key Escape
    finish "Escape while running" 0
fi

# 5. Close request while running.
if start_show && confirm_and_find_window; then
    sleep 6
    close_show
    finish "close while running" 0
fi

# 6. Windowed at 22050 Hz (keys: to "Standard Windows", then to the rate
#    list, one entry up), then Escape.
if start_show; then
    xdotool key shift+Tab Up shift+Tab shift+Tab Down Return
    show_window=$(find_window --name '^Zentrope - Sunvale$')
    if [ -n "$show_window" ]; then
        xdotool windowfocus --sync "$show_window" 2>/dev/null || true
        sleep 2
        xdotool key Escape
        finish "windowed show, Escape" 0
    else
        fail "no windowed show window"
    fi
fi

[ "$failures" -eq 0 ] && echo "all end-to-end runs passed"
exit "$failures"
