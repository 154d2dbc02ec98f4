#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks and runs each one; they print figures, nothing passes or fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DDEMO_TESTS=OFF
if [ -z "${DISPLAY:-}" ]; then
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=$display
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
for benchmark in "$root"/build-bench/benchmarks/bench_*; do
  echo "== $(basename "$benchmark")"
  "$benchmark"
done
