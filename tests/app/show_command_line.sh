#!/bin/bash
# The real executable's command line and data lookup.
#   headless (no display): --help/--version/bad options, and the data found in
#   each of its four places, in order, or refused with status 1 and one line
#   under a virtual X server: a missing data file shows one error box and no
#   window; a fullscreen mode the display lacks is refused; --no-dialog
#   --windowed --mode 640x480 opens a 640x480 window that Escape ends with 0
# Usage: show_command_line.sh SUNVALE DATA_RAR
set -u
. "$(dirname "$0")/../support/find_window.sh"
sunvale=$1 data=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_status() {  # what expected actual
    if [ "$3" = "$2" ]; then echo "ok: $1 (exit $3)"; else fail "$1: exit status $3, expected $2"; fi
}

work=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

if [ -z "${SUNVALE_CLI_UNDER_XVFB:-}" ]; then
    # --- headless part --------------------------------------------------------
    export SDL_AUDIODRIVER=dummy
    unset DISPLAY WAYLAND_DISPLAY

    out=$("$sunvale" --help); expect_status "--help" 0 $?
    for opt in --data= --windowed --fullscreen --mode= --rate= --no-dialog --version; do
        grep -q -- "$opt" <<<"$out" || fail "--help does not list $opt"
    done
    out=$("$sunvale" --version); expect_status "--version" 0 $?
    grep -qE '^sunvale [0-9]+\.[0-9]+' <<<"$out" || fail "--version printed '$out'"
    for bad in "--bogus" "--rate 48000" "--mode 640" "--mode 640x480x8" "--mode" "play"; do
        # shellcheck disable=SC2086
        "$sunvale" $bad >"$work/out" 2>"$work/err"
        expect_status "bad command line '$bad'" 2 $?
        [ -s "$work/out" ] && fail "'$bad' wrote to standard output"
        head -n 1 "$work/err" | grep -q '^sunvale: ' || fail "'$bad': first line is not ours"
        grep -q '^Usage: sunvale' "$work/err" || fail "'$bad': no usage"
    done

    # A copy of the program in an install-like tree: PREFIX/bin/sunvale and
    # PREFIX/share/sunvale/. Without a display, found data leads on to the
    # dialog, which cannot open (255); unusable data ends at once with 1 and
    # exactly one line of ours.
    prefix=$work/prefix
    mkdir -p "$prefix/bin" "$prefix/share/sunvale" "$work/cwd"
    cp "$sunvale" "$prefix/bin/sunvale"
    put() { rm -rf "$1"; case $2 in
        good) cp "$data" "$1" ;;
        empty) : >"$1" ;;
        truncated) head -c 5000 "$data" >"$1" ;;
        folder) mkdir "$1" ;;
        other) printf 'PK\003\004 not our kind of archive' >"$1" ;;
        none) ;;
    esac; }
    # run NAME EXPECTED CWD_KIND EXE_KIND SHARE_KIND [ARGS...]
    run() {
        local name=$1 expected=$2
        put "$work/cwd/data.rar" "$3"
        put "$prefix/bin/data.rar" "$4"
        put "$prefix/share/sunvale/data.rar" "$5"
        shift 5
        (cd "$work/cwd" && exec "$prefix/bin/sunvale" "$@") >"$work/out" 2>"$work/err"
        local status=$?
        expect_status "$name" "$expected" "$status"
        if [ "$expected" = 1 ]; then
            [ "$(wc -l <"$work/err")" = 1 ] || { fail "$name: not exactly one line:"; cat "$work/err"; }
            grep -q 'sunvale-datagen' "$work/err" || fail "$name: no hint how to make the data"
        else
            grep -q 'data' "$work/err" && { fail "$name: complained about the data:"; cat "$work/err"; }
        fi
    }
    run "data in the working directory" 255 good none none
    run "data next to the executable" 255 none good none
    run "data in the installed data folder" 255 none none good
    run "working directory before the executable's folder" 1 empty good good
    run "executable's folder before the data folder" 1 none truncated good
    run "no data anywhere" 1 none none none
    grep -q "\./data.rar, $prefix/bin/data.rar, $prefix/bin/../share/sunvale/data.rar" "$work/err" ||
        fail "the message does not name the three places: $(cat "$work/err")"
    run "a folder named data.rar" 1 folder good good
    run "an empty data.rar" 1 empty none none
    run "a truncated data.rar" 1 truncated none none
    run "a file of another format" 1 other none none
    put "$work/named.rar" good
    run "--data names the file" 255 none none none --data "$work/named.rar"
    run "--data is the only place searched" 1 good good good --data "$work/missing.rar"
    put "$work/named.rar" truncated
    run "--data with a damaged file" 1 good good good --data="$work/named.rar"

    # No library noise on the way to the dialog: only our own line remains.
    (cd "$work/cwd" && "$prefix/bin/sunvale") >/dev/null 2>"$work/err"
    lines=$(grep -vc '^Configration: ' "$work/err")
    [ "$lines" = 0 ] || { fail "other output besides our own:"; cat "$work/err"; }

    # --- under a virtual X server ----------------------------------------------
    env SUNVALE_CLI_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@" ||
        failures=$((failures + $?))
    [ "$failures" -eq 0 ] && echo "all command-line runs passed"
    exit "$failures"
fi

export SDL_AUDIODRIVER=dummy
mkdir -p "$work/empty" "$work/show"
ln -s "$data" "$work/show/data.rar"
copy=$work/bin/sunvale
mkdir -p "$work/bin" && cp "$sunvale" "$copy"

# Waits up to 60 s for pid $1 to end; sets exit_status (or "running").
wait_exit() {
    local i
    for ((i = 0; i < 600; i++)); do
        if ! kill -0 "$1" 2>/dev/null; then wait "$1"; exit_status=$?; return; fi
        sleep 0.1
    done
    exit_status=running
    kill -9 "$1" 2>/dev/null
}

# Answers the one error box with Return and checks that no other window came.
answer_error_box() {
    local what=$1 pid=$2 box
    box=$(find_window --name '^Error$')
    [ -n "$box" ] || { fail "$what: no error box"; return; }
    xdotool search --name '^Zentrope' >/dev/null 2>&1 && fail "$what: a show or dialog window is open"
    xdotool windowfocus --sync "$box" 2>/dev/null || xdotool windowactivate --sync "$box" 2>/dev/null
    xdotool key Return
    wait_exit "$pid"
    expect_status "$what" 1 "$exit_status"
}

# 1. No data: one box, status 1, never a window of the show.
(cd "$work/empty" && exec "$copy") >"$work/out" 2>&1 &
answer_error_box "no data under X" $!
[ "$(grep -c '^sunvale: ' "$work/out")" = 1 ] || { fail "no data under X: not one line"; cat "$work/out"; }

# 2. A fullscreen mode the display does not offer.
(cd "$work/show" && exec "$sunvale" --no-dialog --fullscreen --mode 1000x700) >"$work/out" 2>&1 &
answer_error_box "fullscreen mode the display lacks" $!
grep -q '1000x700' "$work/out" || { fail "refused mode: no message naming it"; cat "$work/out"; }

# 3. Straight into a 640x480 window; Escape ends it with 0.
(cd "$work/show" && exec "$sunvale" --no-dialog --windowed --mode 640x480 --rate 22050) \
    >"$work/out" 2>&1 &
pid=$!
window=$(find_window --name '^Zentrope - Sunvale$')
if [ -n "$window" ]; then
    xdotool search --name '^Zentrope - Configration$' >/dev/null 2>&1 && fail "the dialog was shown"
    geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
    [ "$geometry" = 640x480 ] || fail "window is $geometry, expected 640x480"
    xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowactivate --sync "$window" 2>/dev/null
    xdotool key Escape
    wait_exit "$pid"
    expect_status "--no-dialog --windowed --mode 640x480, Escape" 0 "$exit_status"
else
    fail "no show window without the dialog"
    cat "$work/out"
fi
exit "$failures"
