#!/bin/bash
# `cmake --install` into a fresh prefix: every program, the data, the desktop
# entry, the metainfo, the icons and the man pages, each checked with the
# tool that owns its format; then the installed programs run from elsewhere.
# Usage: install_tree.sh BUILD_DIR
set -u
build=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    fail "cmake --install"
    exit 1
}
for f in bin/sunvale bin/sunvale-capture bin/moxa bin/sunvale-datagen share/sunvale/data.rar \
    share/applications/org.sunvale.Sunvale.desktop share/metainfo/org.sunvale.Sunvale.metainfo.xml \
    share/man/man6/sunvale.6.gz share/man/man1/moxa.1.gz share/man/man1/sunvale-capture.1.gz \
    share/man/man1/sunvale-datagen.1.gz; do
    [ -e "$prefix/$f" ] || fail "$f not installed"
done
for size in 16 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/sunvale.png
    # PNG signature, then the IHDR width and height, big-endian.
    header=$(head -c 24 "$icon" 2>/dev/null | od -An -tx1 | tr -d ' \n')
    want=$(printf '89504e470d0a1a0a0000000d49484452%08x%08x' "$size" "$size")
    [ "$header" = "$want" ] || fail "icon ${size}x${size}: not a ${size}x${size} PNG"
done

desktop-file-validate "$prefix/share/applications/org.sunvale.Sunvale.desktop" || fail "desktop entry"
grep -q '^Icon=sunvale$' "$prefix/share/applications/org.sunvale.Sunvale.desktop" || fail "desktop icon name"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.sunvale.Sunvale.metainfo.xml" \
    >"$work/as.log" 2>&1 || { cat "$work/as.log"; fail "metainfo"; }
grep -q '@PROJECT_VERSION@' "$prefix/share/metainfo/org.sunvale.Sunvale.metainfo.xml" && fail "metainfo version left unfilled"

for page in man6/sunvale.6.gz man1/moxa.1.gz man1/sunvale-capture.1.gz man1/sunvale-datagen.1.gz; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/$page" \
        >"$work/page.txt" 2>"$work/man.err"
    [ -s "$work/man.err" ] && { cat "$work/man.err"; fail "man $page: warnings"; }
    [ -s "$work/page.txt" ] || fail "man $page: nothing rendered"
done
# moxa's page documents every command the tool has, and each exit status.
"$prefix/bin/moxa" --help >"$work/moxa-help.txt" || fail "installed moxa --help"
LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$prefix/share/man/man1/moxa.1.gz" >"$work/moxa.txt" 2>/dev/null
for command in $(sed -n 's/^  \([a-z]\+\) .*/\1/p' "$work/moxa-help.txt"); do
    grep -qE "^ +$command( |$)" "$work/moxa.txt" || fail "moxa.1 does not document '$command'"
done
for switch in -m0 -s -mm -mm- -o --rate; do
    grep -q -- " $switch" "$work/moxa.txt" || fail "moxa.1 does not document $switch"
done
for status in 0 1 2; do
    grep -qE "^ +$status( |$)" "$work/moxa.txt" || fail "moxa.1 does not document exit status $status"
done
# The show's page lists every option --help lists.
LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$prefix/share/man/man6/sunvale.6.gz" >"$work/sunvale.txt" 2>/dev/null
for option in $("$prefix/bin/sunvale" --help | grep -oE -- '--[a-z-]+' | sort -u); do
    grep -q -- "$option" "$work/sunvale.txt" || fail "sunvale.6 does not document $option"
done

# The installed show, started from another folder without a display, finds
# its data and goes on to the dialog (255: no display for it), not 1.
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy \
    "$prefix/bin/sunvale") >/dev/null 2>"$work/show.err"
status=$?
[ "$status" = 255 ] || { cat "$work/show.err"; fail "installed sunvale from elsewhere: status $status"; }
"$prefix/bin/sunvale" --help | grep -q -- '--no-dialog' || fail "installed sunvale --help"
"$prefix/bin/sunvale" --version | grep -q '^sunvale ' || fail "installed sunvale --version"

[ "$failures" -eq 0 ] && echo "install tree checked"
exit "$failures"
