#!/bin/bash
# `cpack -G DEB` from the build's own configuration, into a fresh folder:
# the package's control fields, its computed dependencies and its files.
# Usage: deb_package.sh BUILD_DIR
set -u
build=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work" --config CPackConfig.cmake) >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack -G DEB"
    exit 1
}
deb=$(ls "$work"/sunvale_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { fail "no sunvale_*.deb made"; exit 1; }
echo "made $(basename "$deb")"

dpkg-deb -I "$deb" >"$work/info.txt" || fail "dpkg-deb -I"
cat "$work/info.txt"
depends=$(sed -n 's/^ Depends: //p' "$work/info.txt")
# Computed from the executables' links, with their versions...
for lib in libsdl2-2.0-0 libgtk-3-0 libpng16-16 libjpeg62-turbo libmpg123-0 libopenmpt0 libstdc++6 libc6; do
    [[ ", $depends" == *", $lib (>= "* ]] || fail "Depends lacks a computed $lib (>= ...)"
done
# ...and the run-time pieces no executable links.
for pkg in libgl1-mesa-dri fonts-dejavu-core; do
    [[ ", $depends," == *", $pkg,"* ]] || fail "Depends lacks $pkg"
done
grep -q "^ Architecture: $(dpkg --print-architecture)$" "$work/info.txt" || fail "Architecture"
grep -q '^ Package: sunvale$' "$work/info.txt" || fail "package name"

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/files.txt"
for f in /usr/bin/sunvale /usr/bin/sunvale-capture /usr/bin/moxa /usr/bin/sunvale-datagen \
    /usr/share/sunvale/data.rar /usr/share/applications/org.sunvale.Sunvale.desktop \
    /usr/share/metainfo/org.sunvale.Sunvale.metainfo.xml \
    /usr/share/icons/hicolor/48x48/apps/sunvale.png /usr/share/icons/hicolor/256x256/apps/sunvale.png \
    /usr/share/man/man6/sunvale.6.gz /usr/share/man/man1/moxa.1.gz; do
    grep -qx -- "$f" "$work/files.txt" || fail "package lacks $f"
done
grep -q '^/usr/local' "$work/files.txt" && fail "files under /usr/local"

[ "$failures" -eq 0 ] && echo "package checked"
exit "$failures"
