#!/bin/bash
# Builds every target with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ (-DSUNVALE_SANITIZE=ON: a folder of its own, so the main build
# and its compiler cache entries stay as they are) and runs there every test
# that needs no X server. Any report fails the run, leaks included:
#   scripts/sanitize.sh [CTEST_ARG...]
# CTEST_ARG default to -j$(nproc); -R FILTER and the like narrow the run.
# Tests labelled gui, or holding the X server lock, are left out: the GUI
# toolkit and the X libraries keep caches that LeakSanitizer would report.
# So are those labelled long or soundserver (see tests/CMakeLists.txt).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-asan"

# halt_on_error with -fno-sanitize-recover=all: the first report ends the
# program with a failing status. Leaks are reported at exit (status 23), past
# the suppressions for the OpenGL driver (see the file). The build runs
# instrumented programs too (the data generator, test discovery), under the
# same options.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tests/sanitizer/lsan-driver.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# -O1 with line tables only: reports keep file and line, and the build takes
# far less time than with full optimisation and debug information.
configure=(-DCMAKE_BUILD_TYPE=Sanitize "-DCMAKE_CXX_FLAGS_SANITIZE=-O1 -g1"
    "-DCMAKE_C_FLAGS_SANITIZE=-O1 -g1" -DSUNVALE_SANITIZE=ON)
if command -v ccache >/dev/null; then
    configure+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" "${configure[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"

# The tests run with dlclose turned into a no-op (see the file).
keep="$build/libkeep_libraries_loaded.so"
c++ -shared -fPIC -O2 -o "$keep" "$root/tests/sanitizer/KeepLibrariesLoaded.cpp"
export LD_PRELOAD=$keep
# The preloaded library comes before the AddressSanitizer runtime.
export ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0

args=("$@")
[ ${#args[@]} -gt 0 ] || args=(-j"$(nproc)")

# The names of the tests that need an X server, as one anchored regular
# expression: labelled gui, or holding the X server lock without the label.
cd "$build"
exclude=$(ctest --show-only=json-v1 | jq -r '
    [.tests[] | select(any(.properties[]?;
        (.name == "RESOURCE_LOCK" and (.value | index("xvfb_display"))) or
        (.name == "LABELS" and (.value | index("gui")))))
     | .name | gsub("(?<c>[][.*+?^$(){}|\\\\])"; "\\\(.c)")] | join("|")')
if [ -n "$exclude" ]; then
    exec ctest --output-on-failure --timeout 900 -LE 'long|soundserver' -E "^($exclude)\$" \
        "${args[@]}"
fi
exec ctest --output-on-failure --timeout 900 -LE 'long|soundserver' "${args[@]}"
