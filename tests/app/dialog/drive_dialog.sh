#!/bin/sh
# Runs config_dialog_probe on a private Xvfb screen, answers the dialog and
# checks the line the probe prints.
#   drive_dialog.sh PROBE ACTION EXPECTED
# ACTION is a list of xdotool key names ("Return", "shift+Tab Up Return")
# sent once the dialog has the focus, or screenshot=FILE to let the probe
# save a picture of the dialog and close it. EXPECTED must appear as a line
# of the probe's output. Key runs also check that the dialog is centred.
# Every wait is on a condition with a generous time limit, never a sleep.
set -u
. "$(dirname "$0")/../../support/find_window.sh"
X=0 Y=0 WIDTH=1024 HEIGHT=768
probe=$1
action=$2
expected=$3

if [ "${DRIVE_DIALOG_IN_XVFB:-}" != 1 ]; then
    export DRIVE_DIALOG_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

# Keep GTK away from the session bus and accessibility services, which a
# bare X server does not have.
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory GDK_BACKEND=x11 SDL_VIDEODRIVER=x11
unset WAYLAND_DISPLAY

out=$(mktemp)
trap 'rm -f "$out"' EXIT

case $action in
screenshot=*)
    shot=${action#screenshot=}
    rm -f "$shot"
    timeout 60 "$probe" --screenshot "$shot" >"$out"
    status=$?
    ;;
*)
    timeout 90 "$probe" >"$out" &
    pid=$!
    window=$(find_window --onlyvisible --name '^Zentrope - Configration$')
    if [ -z "$window" ]; then
        echo "the dialog did not appear" >&2
        kill "$pid" 2>/dev/null
        wait "$pid"
        cat "$out"
        exit 1
    fi
    # The dialog is centred on the 1024x768 screen.
    eval "$(timeout 30 xdotool getwindowgeometry --shell "$window")"
    if [ $((2 * X + WIDTH - 1024)) -lt -1 ] || [ $((2 * X + WIDTH - 1024)) -gt 1 ] ||
       [ $((2 * Y + HEIGHT - 768)) -lt -1 ] || [ $((2 * Y + HEIGHT - 768)) -gt 1 ]; then
        echo "dialog not centred: ${WIDTH}x${HEIGHT} at $X,$Y" >&2
        centred=no
    fi
    if ! { timeout 30 xdotool windowfocus --sync "$window" &&
           timeout 30 xdotool key $action; }; then
        echo "could not send $action to the dialog" >&2
        kill "$pid" 2>/dev/null
    fi
    wait "$pid"
    status=$?
    ;;
esac

cat "$out"
if [ "${centred:-yes}" != yes ]; then
    exit 1
fi
if [ "$status" -ne 0 ]; then
    echo "probe exited with status $status" >&2
    exit 1
fi
if ! grep -qxF "$expected" "$out"; then
    echo "expected line: $expected" >&2
    exit 1
fi
if [ -n "${shot:-}" ] && [ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
    echo "no PNG screenshot at $shot" >&2
    exit 1
fi
exit 0
