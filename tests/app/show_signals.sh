#!/bin/bash
# SIGTERM and SIGINT at each stage of the real show under a virtual X server:
# the configuration dialog, loading, the running show, and an error box (no
# data and a refused mode before the window; a missing texture while the
# worker loads). Each must end the process with status 0 and leave no process
# and no window behind. The seconds from the signal to the end are printed;
# the 10 s limit only catches a hang.
# Usage: show_signals.sh SUNVALE DATA_RAR MOXA
set -u
sunvale=$1 data=$2 moxa=$3

if [ -z "${SUNVALE_SIGNALS_UNDER_XVFB:-}" ]; then
    exec env SUNVALE_SIGNALS_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

export SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/show" "$work/empty" "$work/no-texture"
ln -s "$data" "$work/show/data.rar"
# The same data without one texture of the first scene: the worker's load
# shows a box for it.
cp "$data" "$work/no-texture/data.rar"
"$moxa" d "$work/no-texture/data.rar" 'data\texture\noize.jpg' >/dev/null 2>&1 ||
    fail "cannot delete a texture from a copy of the data"

# Starts the show in folder $1 with the remaining arguments. A background job
# of a script starts with SIGINT ignored, which the show keeps: env gives it
# the default back, as a terminal's foreground job has.
start() {
    local dir=$1
    shift
    (cd "$dir" && exec env --default-signal=INT "$sunvale" "$@") >"$work/out.log" 2>&1 &
    pid=$!
}

# Waits for a window named $1 (a regular expression); without one, fails
# with $2 and ends the process. xdotool's search gives up with BadWindow when
# a window disappears under it (the dialog closing), so it is asked again.
wait_window() {
    local deadline=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$deadline" ] && kill -0 "$pid" 2>/dev/null; do
        [ -n "$(timeout 60 xdotool search --sync --name "$1" 2>/dev/null | head -n 1)" ] && return 0
        sleep 0.1
    done
    fail "$2"
    cat "$work/out.log"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 1
}

# Sends signal $2, waits up to 10 s, and checks status 0 and that nothing is
# left: the process, or any window of the show, the dialog or a box.
stop_with() {
    local what=$1 signal=$2 start_ns end_ns status watchdog
    start_ns=$(date +%s%N)
    kill "-$signal" "$pid"
    # wait returns the moment the show ends; a watchdog ends a hang at 10 s.
    (sleep 10 && kill -9 "$pid" 2>/dev/null && touch "$work/hung") &
    watchdog=$!
    wait "$pid"
    status=$?
    end_ns=$(date +%s%N)
    kill "$watchdog" 2>/dev/null
    wait "$watchdog" 2>/dev/null
    if [ -e "$work/hung" ]; then
        rm -f "$work/hung"
        status=running
    fi
    local seconds
    seconds=$(awk -v d=$((end_ns - start_ns)) 'BEGIN { printf "%.2f", d / 1e9 }')
    if [ "$status" = running ]; then
        fail "$what, SIG$signal: still running after 10 s"
    elif [ "$status" != 0 ]; then
        fail "$what, SIG$signal: exit status $status, expected 0"
        cat "$work/out.log"
    else
        echo "ok: $what, SIG$signal: exit 0 after $seconds s"
    fi
    if pgrep -f "^$sunvale" >/dev/null; then fail "$what, SIG$signal: a sunvale process is left"; fi
    if xdotool search --name '^(Zentrope|Error$)' >/dev/null 2>&1; then
        fail "$what, SIG$signal: a window is left open"
    fi
}

for signal in TERM INT; do
    # The configuration dialog is open.
    start "$work/show"
    if wait_window '^Zentrope - Configration$' "no configuration dialog"; then
        stop_with "dialog open" "$signal"
    fi

    # Loading: the window has just appeared.
    start "$work/show" --no-dialog --windowed --mode 640x480
    if wait_window '^Zentrope - Sunvale$' "no show window"; then
        stop_with "loading" "$signal"
    fi

    # The show running for a while (or still loading on a slow machine).
    start "$work/show" --no-dialog --windowed --mode 640x480
    if wait_window '^Zentrope - Sunvale$' "no show window"; then
        sleep 6
        stop_with "show running" "$signal"
    fi

    # An error box: no data anywhere.
    start "$work/empty" --data "$work/empty/data.rar"
    if wait_window '^Error$' "no error box without data"; then
        stop_with "error box (no data)" "$signal"
    fi

    # An error box opened by the worker while loading, the window behind it.
    start "$work/no-texture" --no-dialog --windowed --mode 640x480
    if wait_window '^Error$' "no error box for a missing texture"; then
        stop_with "error box while loading" "$signal"
    fi

    # An error box: a fullscreen mode the display lacks.
    start "$work/show" --no-dialog --fullscreen --mode 1000x700
    if wait_window '^Error$' "no error box for a refused mode"; then
        stop_with "error box (refused mode)" "$signal"
    fi
done

[ "$failures" -eq 0 ] && echo "all signal runs passed"
exit "$failures"
