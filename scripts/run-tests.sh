#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite headless.
#   scripts/run-tests.sh             normal build (build-tests/)
#   scripts/run-tests.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build (build-sanitize/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"

dir="$root/build-tests"; options=(-DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--sanitize" ]; then
  dir="$root/build-sanitize"; options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_SANITIZE=ON -DDEMO_BENCHMARKS=OFF)
  # Mesa and the X libraries keep allocations until exit; leak reports there are not ours.
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
"$root/scripts/build.sh" "$dir" "${options[@]}"

# Headless: a private X server when there is no display, the dummy audio driver unless another is asked for.
source "$root/scripts/headless-display.sh"
export LIBGL_ALWAYS_SOFTWARE=1

cd "$dir"
ctest --output-on-failure -j 2 --timeout 600
