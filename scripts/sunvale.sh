#!/bin/bash
# One entry point for a fresh Debian 12 machine:
#   scripts/sunvale.sh play   install what is missing, build, make data.rar, start the show
#   scripts/sunvale.sh test   the same set-up, then every test through CTest
set -euo pipefail

mode=${1:-}
case "$mode" in
    play|test) ;;
    *) echo "usage: $0 play|test" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

packages=(
    build-essential cmake pkg-config
    libsdl2-dev libgtk-3-dev libx11-dev
    libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
    libjpeg62-turbo-dev libpng-dev zlib1g-dev
    libmpg123-dev libopenmpt-dev libmp3lame-dev
    libfreetype-dev fonts-dejavu-core
    libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev ffmpeg
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool unar lame libjpeg-turbo-progs netpbm
    pulseaudio pulseaudio-utils libpulse-dev
    clang-format clang-tidy
    desktop-file-utils appstream man-db dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}" >&2
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)
# Reuse compiler results across builds when ccache is installed.
if command -v ccache >/dev/null; then
    configure+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ "$mode" = test ]; then
    # The house style first: unformatted sources and warnings fail the run.
    bash "$root/scripts/check-style.sh" format
    configure+=(-DSUNVALE_WERROR=ON)
else
    configure+=(-DSUNVALE_WERROR=OFF)
fi
cmake -S "$root" -B "$build" "${configure[@]}"
# The build also (re)makes build/data.rar when it is missing or older than
# its generator.
cmake --build "$build" -j"$(nproc)"

if [ "$mode" = play ]; then
    cd "$build"
    exec ./sunvale
fi

bash "$root/scripts/check-style.sh" tidy "$build"

cd "$build"
exec ctest --output-on-failure -j"$(nproc)" --timeout 600
