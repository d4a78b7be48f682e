#!/usr/bin/env bash
# Records the demo's replays under tests/replays again from their input scripts (after a
# change of the demo that moves its timing; a change that only moves pixels is approved
# with --replay FILE --approve instead).
#   tools/record-demo-replays.sh [BUILD_DIR]     default build/release
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cmake --build "$build" --target kestra kestra-demo >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for input in tests/replays/*.input; do
  name=$(basename "$input" .input)
  frames=$(sed -n 's/^# frames \([0-9]*\)$/\1/p' "$input")
  # A copy of the demo, so that the recording starts without saves and leaves none.
  rm -rf "$work/demo" && cp -r "$build/demo" "$work/demo"
  "$build/kestra" --headless --game "$work/demo" --input "$input" --seed 7 --frames "$frames" \
    --record "tests/replays/$name.krp" TestPlay
  echo "recorded tests/replays/$name.krp ($frames frames)"
done
