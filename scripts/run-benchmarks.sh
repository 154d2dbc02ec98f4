#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks and runs each one; they print figures, nothing passes or fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DDEMO_TESTS=OFF
# Headless: a private X server when there is no display, the dummy audio driver unless another is asked for.
source "$root/scripts/headless-display.sh"
# The benchmarks that play the sample show find it as show/ from here.
cd "$root"
for benchmark in "$root"/build-bench/benchmarks/bench_*; do
  echo "== $(basename "$benchmark")"
  "$benchmark"
done
