#!/bin/bash
# The real show under a virtual X server, playing its music through SDL's
# PulseAudio driver into a private server's null sink:
#   music reaches the sink while the show runs
#   Escape while the music plays   -> exit 0, no stream or client left on the server
#   close request while it plays   -> exit 0, no stream or client left on the server
# The server (one null sink, one native socket) and its runtime, state and
# cookie files live in a fresh temporary folder; nothing of the machine's own
# sound set-up is used. Exit 77 (skipped) when no server can be started.
# Usage: show_sound_server.sh SUNVALE X11_CLOSE_WINDOW DATA_RAR
set -u
. "$(dirname "$0")/../support/find_window.sh"
sunvale=$1 closer=$2 data=$3
sink=sunvale_show_sink

if [ -z "${SUNVALE_SOUND_UNDER_XVFB:-}" ]; then
    exec env SUNVALE_SOUND_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

work=$(mktemp -d)
server_pid=
cleanup() {
    kill -9 $(jobs -p) 2>/dev/null
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null || ! command -v parec >/dev/null; then
    echo "SKIP: pulseaudio, pactl or parec is not installed"
    exit 77
fi
[ -f "$data" ] || { echo "FAIL: no $data"; exit 1; }
ln -s "$data" "$work/data.rar"

# Server and clients keep their files in the private folder.
mkdir -p "$work/run" "$work/state" "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export PULSE_RUNTIME_PATH="$work/run" PULSE_STATE_PATH="$work/state"
env -u DISPLAY -u PULSE_SERVER DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" \
    pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no --system=no \
    --realtime=no --high-priority=yes --disable-shm=yes --log-target=stderr \
    -L "module-null-sink sink_name=$sink rate=48000" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/native" \
    >"$work/server.log" 2>&1 &
server_pid=$!
export PULSE_SERVER="unix:$work/native" SDL_AUDIODRIVER=pulseaudio
for ((i = 0; i < 150; i++)); do
    pactl info >/dev/null 2>&1 && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
    echo "SKIP: no sound server: $(grep . "$work/server.log" | tail -n 1)"
    exit 77
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

sink_inputs() { pactl list short sink-inputs | grep -c .; }
# Clients other than the pactl asking.
other_clients() { pactl list short clients | grep -vc pactl; }

# Waits up to $2 seconds for "$1" to succeed.
wait_until() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}

start_show_and_music() {
    (cd "$work" && exec "$sunvale") >"$work/out.log" 2>&1 &
    show_pid=$!
    local dialog
    dialog=$(find_window --name '^Zentrope - Configration$')
    [ -n "$dialog" ] || { fail "no configuration dialog"; return 1; }
    xdotool windowfocus --sync "$dialog" 2>/dev/null || xdotool windowactivate --sync "$dialog" 2>/dev/null
    xdotool key Return
    show_window=$(find_window --name '^Zentrope - Sunvale$')
    [ -n "$show_window" ] || { fail "no show window after Return"; return 1; }
    xdotool windowfocus --sync "$show_window" 2>/dev/null || true
    # The music starts when the show does, after loading.
    wait_until '[ "$(sink_inputs)" = 1 ]' 60 || { fail "the music never reached the server"; return 1; }
    return 0
}

# One second of the sink's monitor holds sound, not only zeros.
music_heard() {
    # A short fragment size: by default parec hands over seconds at a time.
    timeout 20 parec --latency-msec=20 --device="$sink.monitor" --raw --format=s16le --channels=2 \
        --rate=48000 2>/dev/null | head -c 192000 >"$work/heard.raw"
    [ "$(tr -d '\0' <"$work/heard.raw" | head -c 4096 | wc -c)" -gt 1000 ]
}

finish() {
    local what=$1 status i
    for ((i = 0; i < 300; i++)); do
        kill -0 "$show_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$show_pid" 2>/dev/null; then
        fail "$what: still running"
        kill -9 "$show_pid" 2>/dev/null
        wait "$show_pid" 2>/dev/null
        return
    fi
    wait "$show_pid"
    status=$?
    [ "$status" = 0 ] || { fail "$what: exit status $status"; cat "$work/out.log"; }
    grep -q "silent output" "$work/out.log" && fail "$what: the show played into its silent output"
    # The device was closed: the server holds no stream and no client of the show.
    wait_until '[ "$(sink_inputs)" = 0 ] && [ "$(other_clients)" = 0 ]' 10 ||
        fail "$what: the server still holds $(sink_inputs) stream(s), $(other_clients) client(s)"
    [ "$failures" = 0 ] && echo "ok: $what (exit $status, device closed)"
}

# 1. Escape while the music plays.
if start_show_and_music; then
    music_heard || fail "the sink's monitor heard only silence"
    xdotool key Escape
    finish "Escape while the music plays"
fi

# 2. Close request while the music plays.
if start_show_and_music; then
    for w in $(xdotool search --name '^Zentrope - Sunvale$' 2>/dev/null); do "$closer" "$w"; done
    finish "close while the music plays"
fi

[ "$failures" -eq 0 ] && echo "all sound-server runs of the show passed"
exit "$failures"
