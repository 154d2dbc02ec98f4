#!/usr/bin/env bash
# Installs what is missing, builds the player and plays the bundled sample show.
# Extra arguments go to the player (for example: editor).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release -DDEMO_TESTS=OFF -DDEMO_BENCHMARKS=OFF
"$root/build/make_sample_show" "$root/show"
cd "$root/show"
exec "$root/build/demo" "$@"
