#!/bin/bash
# Builds and runs every micro-benchmark (Google Benchmark) of the show's hot
# paths, from the build folder so that they find data.rar:
#   scripts/bench.sh [BUILD] [BENCHMARK OPTIONS...]
# BUILD defaults to build/ (configured already, as scripts/sunvale.sh does);
# further arguments go to every benchmark, for example
# --benchmark_min_time=0.2 or --benchmark_format=json. None is run by ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true

# Target and path below the build folder of each benchmark.
benchmarks=(
    show_archive_benchmark:tests/library/moxa/imagelib/rarlib/rarreader/show_archive_benchmark
    texture_decode_benchmark:tests/library/moxa/imagelib/texture_decode_benchmark
    effect_frame_benchmark:tests/effects/effect_frame_benchmark
    blob_surface_benchmark:tests/effects/blob_surface_benchmark
    lattice_deform_benchmark:tests/effects/lattice_deform_benchmark
    sound_benchmark:tests/app/sound/sound_benchmark
)
# A benchmark whose library is missing (Google Benchmark, LAME for the sound
# benchmark) has no target and is left out.
known=$(cmake --build "$build" --target help)
present=()
targets=(show_data)
for b in "${benchmarks[@]}"; do
    if grep -qw -- "${b%%:*}" <<<"$known"; then
        present+=("$b")
        targets+=("${b%%:*}")
    else
        echo "bench.sh: ${b%%:*} is not configured in $build; skipped" >&2
    fi
done
[ ${#present[@]} -gt 0 ] || { echo "bench.sh: no benchmarks in $build (libbenchmark-dev?)" >&2; exit 1; }
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

cd "$build"
status=0
for b in "${present[@]}"; do
    echo "== ${b%%:*}"
    "./${b#*:}" "$@" || status=1
done
exit $status
