#!/bin/bash
# House-style checks over the tracked C++ sources:
#   scripts/check-style.sh format        clang-format reports any unformatted file
#   scripts/check-style.sh tidy BUILD    clang-tidy (.clang-tidy) over every source
#                                        file, with BUILD/compile_commands.json
# Exits non-zero on the first kind of finding.
set -euo pipefail
cd "$(dirname "$0")/.."

case ${1:-} in
format)
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
    echo "clang-format: every tracked source is formatted"
    ;;
tidy)
    build=${2:?usage: $0 tidy BUILD}
    [ -f "$build/compile_commands.json" ] || {
        echo "no $build/compile_commands.json (configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)" >&2
        exit 2
    }
    # Each of our translation units once (sanitizer variants compile some
    # files twice; generated files in the build folder are not ours).
    root=$(pwd)
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" |
        grep -E "^$root/(src|tools|tests)/" | sort -u | tr '\n' '\0' |
        xargs -0 -n 8 -P "$(nproc)" clang-tidy -p "$build" --quiet >"$log" 2>/dev/null || true
    if grep -qE '(warning|error): ' "$log"; then
        grep -E -A3 '(warning|error): ' "$log" >&2
        echo "clang-tidy: $(grep -cE '(warning|error): ' "$log") finding(s)" >&2
        exit 1
    fi
    echo "clang-tidy: no findings"
    ;;
*)
    echo "usage: $0 format | tidy BUILD" >&2
    exit 2
    ;;
esac
