#!/bin/bash
# Soak test of the show's endings (not part of CI): starts the show under a
# private virtual X server RUNS times and, at a random moment between the
# start and the end of loading plus 20 s, asks it to end by one of Escape, a
# window close request or SIGTERM, chosen at random. Every run must end
# within 2 s of the request with status 0 and leave no process and no window.
#   scripts/soak.sh [RUNS] [SEED]
# RUNS defaults to 30; SEED (default: the time) makes the choices repeatable.
# Needs the built show, data.rar and x11_close_window in build/ (cmake
# --build build --target sunvale show_data x11_close_window).
# SOAK_ARGS replaces the show's options (default: no dialog, windowed 640x480).
set -u
. "$(dirname "$0")/../tests/support/find_window.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
runs=${1:-30}
seed=${2:-$(date +%s)}
sunvale=$build/sunvale
closer=$build/tests/app/x11_close_window
read -r -a show_args <<<"${SOAK_ARGS:---no-dialog --windowed --mode 640x480}"

for f in "$sunvale" "$build/data.rar" "$closer"; do
    [ -e "$f" ] || { echo "soak: $f is missing; build it first" >&2; exit 2; }
done
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "soak: $tool is missing" >&2; exit 2; }
done

if [ -z "${SUNVALE_SOAK_UNDER_XVFB:-}" ]; then
    exec env SUNVALE_SOAK_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
        "$0" "$runs" "$seed"
fi

export SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
work=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
ln -s "$build/data.rar" "$work/data.rar"
RANDOM=$seed

now_ms() { echo $(($(date +%s%N) / 1000000)); }

start_show() {
    (cd "$work" && exec "$sunvale" "${show_args[@]}") >"$work/out.log" 2>&1 &
    pid=$!
    started=$(now_ms)
}

# Loading ends where the show opens its sound output, which the dummy audio
# driver announces on standard error. One run measures it for this machine.
start_show
loaded=
for ((i = 0; i < 6000; i++)); do
    grep -q '^sound: ' "$work/out.log" 2>/dev/null && { loaded=$(($(now_ms) - started)); break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
done
kill -TERM "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
if [ -z "$loaded" ]; then
    echo "soak: the calibration run did not reach the end of loading" >&2
    cat "$work/out.log" >&2
    exit 1
fi
window_ms=$((loaded + 20000))
echo "seed $seed; loading took $loaded ms; requests fall in 0..$window_ms ms after the start"

actions=(escape close sigterm)
declare -A count=([escape]=0 [close]=0 [sigterm]=0)
failures=0 worst=0 worst_run=
for ((run = 1; run <= runs; run++)); do
    action=${actions[RANDOM % 3]}
    delay=$(((RANDOM * 32768 + RANDOM) % (window_ms + 1)))
    count[$action]=$((count[$action] + 1))
    start_show
    # Escape and the close request need the window; a moment drawn before it
    # exists becomes the moment it appears.
    window=
    if [ "$action" != sigterm ]; then
        window=$(find_window --name '^Zentrope - Sunvale$')
        [ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null
    fi
    wait_ms=$((started + delay - $(now_ms)))
    [ "$wait_ms" -gt 0 ] && sleep "$(awk -v ms="$wait_ms" 'BEGIN { printf "%.3f", ms / 1000 }')"
    requested=$(now_ms)
    case $action in
    escape) xdotool key Escape ;;
    close) [ -n "$window" ] && "$closer" "$window" 2>/dev/null ;;
    sigterm) kill -TERM "$pid" ;;
    esac
    # wait returns the moment the show ends; a watchdog ends a hang at 10 s.
    (sleep 10 && kill -9 "$pid" 2>/dev/null && touch "$work/hung") &
    watchdog=$!
    wait "$pid"
    status=$?
    took=$(($(now_ms) - requested))
    kill "$watchdog" 2>/dev/null
    wait "$watchdog" 2>/dev/null
    problem=
    if [ -e "$work/hung" ]; then
        rm -f "$work/hung"
        status=killed
        problem="still running 10 s after the request"
    elif [ "$status" != 0 ]; then
        problem="exit status $status"
    elif [ "$took" -gt 2000 ]; then
        problem="took longer than 2 s"
    fi
    [ -z "$window" ] && [ "$action" != sigterm ] && problem="no window to send $action to"
    pgrep -f "^$sunvale" >/dev/null && problem="${problem:+$problem; }a process is left"
    xdotool search --name '^(Zentrope|Error$)' >/dev/null 2>&1 && problem="${problem:+$problem; }a window is left"
    [ "$took" -gt "$worst" ] && { worst=$took; worst_run=$run; }
    printf 'run %2d: %-7s at %5d ms after the start: exit %s after %4d ms%s\n' "$run" "$action" \
        "$((requested - started))" "$status" "$took" "${problem:+  FAIL: $problem}"
    [ -n "$problem" ] && { failures=$((failures + 1)); cat "$work/out.log"; }
done

echo "escape ${count[escape]}, close ${count[close]}, sigterm ${count[sigterm]};" \
    "worst time to exit $worst ms (run $worst_run); $failures of $runs runs failed"
exit $((failures > 0))
