# Sourced by the scripts that drive windows under Xvfb (POSIX sh).
#
# find_window [XDOTOOL-SEARCH-OPTION...] REGEX
# Prints the id of the first window whose name matches REGEX, waiting up to
# 60 s for it; status 1 when none came. xdotool's --sync search gives up with
# BadWindow when a window disappears under it (a dialog closing while the
# show's window opens), so the search is asked again until the deadline.
find_window() {
    find_window_deadline=$(($(date +%s) + 60))
    while [ "$(date +%s)" -lt "$find_window_deadline" ]; do
        find_window_found=$(timeout 15 xdotool search --sync "$@" 2>/dev/null | head -n 1)
        if [ -n "$find_window_found" ]; then
            echo "$find_window_found"
            return 0
        fi
        sleep 0.1
    done
    return 1
}
