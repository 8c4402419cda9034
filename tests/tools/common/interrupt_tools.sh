#!/bin/bash
# SIGINT and SIGTERM in the middle of the command-line tools' writes: the run
# ends by the signal (status 130 or 143 in the shell), the file being written
# is removed, and an archive being replaced is left as it was.
#   moxa x       extracting one long entry
#   moxa music   rendering a WAV (run through moxa-assets)
#   datagen      packing the archive over an existing one
# Usage: interrupt_tools.sh MOXA LONGRUN_ARCHIVE_MAKER DATAGEN DATA_RAR
set -u
moxa=$1 longrun=$2 datagen=$3 data=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

# Runs the remaining arguments in the background with the default SIGINT
# (a script's background job starts with it ignored, which the tools keep).
start() {
    env --default-signal=INT "$@" >"$work/log" 2>&1 &
    pid=$!
}

# Waits until a file matching the glob $1 exists (the write has begun);
# false when the process ended first or after 120 s.
wait_file() {
    local i
    for ((i = 0; i < 12000; i++)); do
        compgen -G "$1" >/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.01
    done
    return 1
}

# Signals the process and checks the status the shell reports.
stop_with() {
    local what=$1 signal=$2 expected=$3 status
    kill "-$signal" "$pid"
    wait "$pid"
    status=$?
    if [ "$status" = "$expected" ]; then
        echo "ok: $what, SIG$signal: exit $status"
    else
        fail "$what, SIG$signal: exit status $status, expected $expected"
        cat "$work/log"
    fi
}

"$longrun" "$work/long.rar" 2000000000 || fail "cannot make the long archive"
for pair in TERM:143 INT:130; do
    signal=${pair%:*} expected=${pair#*:}

    mkdir -p "$work/x-$signal"
    start "$moxa" x "$work/long.rar" -o "$work/x-$signal"
    if wait_file "$work/x-$signal/long.txt"; then
        stop_with "moxa x" "$signal" "$expected"
        [ -e "$work/x-$signal/long.txt" ] && fail "moxa x, SIG$signal: the partial file is left"
    else
        fail "moxa x, SIG$signal: no output file while it ran"
    fi

    start "$moxa" music "$data" data/music/marmalux.mp3 "$work/music-$signal.wav"
    if wait_file "$work/music-$signal.wav"; then
        stop_with "moxa music" "$signal" "$expected"
        [ -e "$work/music-$signal.wav" ] && fail "moxa music, SIG$signal: the partial file is left"
    else
        fail "moxa music, SIG$signal: no output file while it ran"
    fi

    echo "the archive before" >"$work/out-$signal.rar"
    start "$datagen" "$work/out-$signal.rar"
    if wait_file "$work/.out-$signal.rar.*"; then
        stop_with "datagen" "$signal" "$expected"
        compgen -G "$work/.out-$signal.rar.*" >/dev/null &&
            fail "datagen, SIG$signal: the temporary file is left"
        [ "$(cat "$work/out-$signal.rar")" = "the archive before" ] ||
            fail "datagen, SIG$signal: the existing archive was changed"
    else
        fail "datagen, SIG$signal: no temporary file while it ran"
    fi
done

[ "$failures" -eq 0 ] && echo "all interrupted tool runs passed"
exit "$failures"
