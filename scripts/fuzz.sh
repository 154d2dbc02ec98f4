#!/usr/bin/env bash
# Coverage-guided fuzzing of every reader of files the player did not write, with libFuzzer from Debian's clang
# under AddressSanitizer and UndefinedBehaviorSanitizer (build-fuzz/).
#   scripts/fuzz.sh --list             the targets, one a line
#   scripts/fuzz.sh TARGET SECONDS     builds and fuzzes one target (all: each in turn, SECONDS each)
#   scripts/fuzz.sh --merge TARGET     adds to the committed corpus the inputs of the runs that reach new code
# A run starts from the committed corpus (tests/fuzz/corpus) and keeps what it finds in build-fuzz/corpus;
# crashes, hangs (over 10 s on one input), leaks and sanitizer reports land in build-fuzz/findings/TARGET, the
# log in build-fuzz/logs/TARGET.log. The normal test run replays each committed corpus once (ctest -L fuzz).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=(timeline manifest project hlsl hlsl_passes texture scene import music)

# The committed corpus a target starts from (the importer shares the scene loader's) and its dictionary.
corpus_of() { case $1 in import) echo scene ;; *) echo "$1" ;; esac; }
dictionary_of() {
  case $1 in
    timeline|manifest|project) echo "$root/tests/fuzz/dictionaries/xml.dict" ;;
    hlsl|hlsl_passes) echo "$root/tests/fuzz/dictionaries/hlsl.dict" ;;
  esac
}

if [ "${1:-}" = "--list" ]; then printf '%s\n' "${targets[@]}"; exit 0; fi
if [ $# -ne 2 ]; then
  echo "usage: scripts/fuzz.sh --list | TARGET|all SECONDS | --merge TARGET" >&2
  exit 2
fi

"$root/scripts/setup-deps.sh"
for package in clang libclang-rt-dev; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    { DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$package"; }
done

dir="$root/build-fuzz"
build() {
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_FUZZ=ON \
      -DDEMO_TESTS=OFF -DDEMO_BENCHMARKS=OFF -DDEMO_GENERATORS=OFF >/dev/null
  fi
  cmake --build "$dir" -j "$(nproc)" --target "fuzz_$1"
}

# Headless: the scene targets draw on a software EGL device.
export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=abort_on_error=0:detect_leaks=1
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/leak.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

if [ "$1" = "--merge" ]; then
  build "$2"
  "$dir/tests/fuzz/fuzz_$2" -merge=1 "$root/tests/fuzz/corpus/$(corpus_of "$2")" "$dir/corpus/$2"
  exit 0
fi

run() {
  local target=$1 seconds=$2
  build "$target"
  mkdir -p "$dir/corpus/$target" "$dir/findings/$target" "$dir/logs"
  local dictionary; dictionary=$(dictionary_of "$target")
  echo "fuzzing $target for $seconds s (log: build-fuzz/logs/$target.log)"
  # Fork mode: the run goes on past a finding (a library's crash must not hide the next one), each finding kept
  # in findings/. Paths are absolute: some targets work in a folder of their own.
  "$dir/tests/fuzz/fuzz_$target" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -artifact_prefix="$dir/findings/$target/" \
    ${dictionary:+-dict="$dictionary"} "$dir/corpus/$target" "$root/tests/fuzz/corpus/$(corpus_of "$target")" \
    >"$dir/logs/$target.log" 2>&1 || true
  # The last status line: executions, edges covered (cov), corpus size, out-of-memory/timeout/crash counts.
  grep -E '^#[0-9]+: cov:' "$dir/logs/$target.log" | tail -n 1
  if compgen -G "$dir/findings/$target/*" >/dev/null; then
    echo "$target: findings in build-fuzz/findings/$target/ (log: build-fuzz/logs/$target.log)" >&2
    return 1
  fi
}

if [ "$1" = "all" ]; then
  failed=0
  for target in "${targets[@]}"; do run "$target" "$2" || failed=1; done
  exit $failed
fi
printf '%s\n' "${targets[@]}" | grep -qx "$1" || { echo "no target $1 (scripts/fuzz.sh --list)" >&2; exit 2; }
run "$1" "$2"
