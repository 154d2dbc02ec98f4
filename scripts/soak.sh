#!/usr/bin/env bash
# The soak: the sample show in editor mode under AddressSanitizer and UndefinedBehaviorSanitizer while another
# process saves the timeline, a shader and a scene every second and seeks every 100 ms. Not part of the normal
# test run (a 30-second version is). Prints resident memory and live GPU objects at start and end.
#   scripts/soak.sh [SECONDS]      (default 600)
# Builds in build-sanitize/ (the folder `scripts/run-tests.sh --sanitize` uses), only what the soak runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
"$root/scripts/setup-deps.sh"
dir="$root/build-sanitize"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_SANITIZE=ON -DDEMO_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target tests_app demo demo-file-helper

source "$root/scripts/headless-display.sh"
export LIBGL_ALWAYS_SOFTWARE=1
# Mesa and the X libraries keep allocations until exit, and the player ends through its exit routine without
# running destructors: leaks show as growing memory and GPU object counts, which the soak measures.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
DEMO_SOAK_SECONDS=$seconds "$dir/tests/tests_app" --gtest_filter='Soak.*'
