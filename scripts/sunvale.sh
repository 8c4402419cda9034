#!/bin/bash
# One entry point for a fresh Debian 12 machine:
#   scripts/sunvale.sh play   install what is missing, build, make data.rar, start the show
#   scripts/sunvale.sh test   the same set-up, then every check, cheapest first:
#                             formatting, the -Werror build, every test through
#                             CTest, a second randomly ordered pass of the
#                             tests without a display, clang-tidy, a 30 s fuzz
#                             run per parser, and the tests again in an
#                             AddressSanitizer/UBSan build (build-asan)
# Each stage prints its duration; the first failing stage ends the run.
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
    clang-14 libclang-rt-14-dev libfuzzer-14-dev llvm-14 jq
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

# Runs one stage of the test command and prints how long it took.
stage() {
    local name=$1 start=$SECONDS status=0
    shift
    echo "== $name" >&2
    "$@" || status=$?
    if [ $status -ne 0 ]; then
        echo "== $name: FAILED (status $status) after $((SECONDS - start)) s" >&2
        exit $status
    fi
    echo "== $name: $((SECONDS - start)) s" >&2
}

configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)
# Reuse compiler results across builds when ccache is installed.
if command -v ccache >/dev/null; then
    configure+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ "$mode" = play ]; then
    configure+=(-DSUNVALE_WERROR=OFF)
    cmake -S "$root" -B "$build" "${configure[@]}"
    # The build also (re)makes build/data.rar when it is missing or older
    # than its generator.
    cmake --build "$build" -j"$(nproc)"
    cd "$build"
    exec ./sunvale
fi

total=$SECONDS
# The house style first: unformatted sources and warnings fail the run.
stage format bash "$root/scripts/check-style.sh" format
configure+=(-DSUNVALE_WERROR=ON)
stage configure cmake -S "$root" -B "$build" "${configure[@]}"
stage build cmake --build "$build" -j"$(nproc)"
stage tests ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
# Tests share nothing between processes: every test without a display runs
# once more, in random order and eight at a time (the slow fixture set-ups
# are not repeated: their dependents read what the pass above made; the long
# capture runs are left out).
stage flakiness ctest --test-dir "$build" --output-on-failure -LE 'gui|slow|long' -FS '.*' \
    --timeout 600 --schedule-random -j8
stage tidy bash "$root/scripts/check-style.sh" tidy "$build"
# Every parser of outside data, 30 s each from its seeds alone.
stage fuzz bash "$root/scripts/fuzz.sh" --fresh 30
stage sanitizers bash "$root/scripts/sanitize.sh"
echo "== all stages: $((SECONDS - total)) s" >&2
