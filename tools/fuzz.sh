#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them.
#   tools/fuzz.sh smoke          every target for a few seconds on its seed corpus (CI)
#   tools/fuzz.sh run NAME SECS  one target for SECS seconds, new inputs in build/fuzz/corpus-NAME
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
ls tests/fuzz/fuzz_*.cpp >/dev/null 2>&1 || { echo "fuzz: no targets"; exit 0; }
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRA_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$(nproc 2>/dev/null || echo 2)"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1
run_one() { # name seconds corpus-out [libFuzzer options...]
  local name=$1 secs=$2 out=$3; shift 3
  local seeds=tests/fuzz/corpus/${name#fuzz_}
  mkdir -p "$out" "$seeds"
  local log; log=$(mktemp)
  local bin=build/fuzz/tests/fuzz/$name
  [ -x "$bin" ] || bin=build/fuzz/$name
  # Whole data files: seeded with the demo's files and larger generated ones (up to
  # 60 KB), so inputs may reach real sizes at once.
  local len=(-max_len=65536)
  case "$name" in
    fuzz_database|fuzz_map|fuzz_maptree|fuzz_save|fuzz_game) len=(-max_len=131072 -len_control=0) ;;
  esac
  if ! "$bin" -max_total_time="$secs" "${len[@]}" -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/ "$@" "$out" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"; echo "fuzz: $name failed"; return 1
  fi
  grep -E 'stat::number_of_executed_units' "$log" || true
}
case "$mode" in
  smoke)
    for src in tests/fuzz/fuzz_*.cpp; do
      name=$(basename "$src" .cpp)
      echo "fuzz: $name"
      # A fixed seed, so that CI tries the same inputs on every run.
      run_one "$name" 5 "$(mktemp -d)" -seed=1
    done ;;
  run) run_one "fuzz_$2" "$3" "build/fuzz/corpus-$2" ;;
  *) echo "usage: $0 smoke | run NAME SECONDS" >&2; exit 2 ;;
esac
