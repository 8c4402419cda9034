#!/bin/bash
# Builds the libFuzzer targets with clang (AddressSanitizer, UBSan, coverage)
# in build-fuzz/, writes their seed corpora with our own packer, writers and
# encoders, and runs each target for a bounded time:
#   scripts/fuzz.sh [--fresh] [SECONDS] [TARGET...]
# SECONDS per target (default 30); targets default to all of them
# (fuzz_archive fuzz_image fuzz_3ds fuzz_sound). Corpora grow in
# build-fuzz/corpus/TARGET; with --fresh (CI's smoke run) each target starts
# from its seeds alone, in a folder removed afterwards. A crash, or an input
# that runs longer than the time-out, leaves its input in build-fuzz/crashes/
# and fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
fresh=0
if [ "${1:-}" = --fresh ]; then
    fresh=1
    shift
fi
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_archive fuzz_image fuzz_3ds fuzz_sound)

# clang with its sanitizer and libFuzzer runtimes, from Debian.
for p in clang-14 libclang-rt-14-dev llvm-14; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        sudo_cmd=()
        [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
        DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends \
            clang-14 libclang-rt-14-dev llvm-14
        break
    fi
done

configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DSUNVALE_FUZZ=ON -DSUNVALE_TESTS=OFF)
if command -v ccache >/dev/null; then
    configure+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" "${configure[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_seeds "${targets[@]}"

seeds="$build/seeds"
rm -rf "$seeds"
"$build/tests/fuzz/fuzz_seeds" "$seeds"
mkdir -p "$build/crashes"
corpora="$build/corpus"
if [ $fresh = 1 ]; then
    corpora=$(mktemp -d "$build/corpus-fresh.XXXXXX")
    trap 'rm -rf "$corpora"' EXIT
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
command -v llvm-symbolizer-14 >/dev/null && export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14)

status=0
for target in "${targets[@]}"; do
    case $target in
    fuzz_archive) kind=archive ;;
    fuzz_image) kind=image ;;
    fuzz_3ds) kind=3ds ;;
    fuzz_sound) kind=sound ;;
    *) echo "unknown fuzz target $target" >&2; exit 2 ;;
    esac
    corpus="$corpora/$target"
    mkdir -p "$corpus"
    cp -n "$seeds/$kind"/* "$corpus"/
    echo "== $target: ${seconds}s"
    log="$build/$target.log"
    if "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" "$corpus" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$log" | tail -2
        grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*' "$log" | tail -1
    else
        echo "$target FAILED; the end of its log ($log):" >&2
        tail -40 "$log" >&2
        status=1
    fi
done
exit $status
