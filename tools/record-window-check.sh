#!/usr/bin/env bash
# Plays the demo in a real window under Xvfb with synthetic key presses while recording
# it, then replays the recording headless: every checkpoint must match.
#   tools/record-window-check.sh PLAYER GAME_DIR WORK_DIR
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail
player=$1 game=$2 work=$3
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "record-window-check: skipped, $tool is not installed"; exit 77; }
done
mkdir -p "$work"
rm -f "$work/window.krp"
display=:$((90 + RANDOM % 500))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
player_pid=
cleanup() {
  [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
# A real window, whatever the test run asks of the others.
unset SDL_VIDEODRIVER
# The X and D-Bus libraries keep a few allocations to the end; they are not ours.
export DISPLAY=$display SDL_AUDIODRIVER=dummy ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
up=
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && { up=1; break; }; sleep 0.1; done
[ -n "$up" ] || { echo "record-window-check: skipped, Xvfb did not start"; exit 77; }

"$player" --game "$game" --record "$work/window.krp" TestPlay - Window &
player_pid=$!
window=$(timeout 20 xdotool search --sync --pid "$player_pid" 2>/dev/null | head -1) || true
[ -n "$window" ] || { echo "record-window-check: skipped, no window appeared"; exit 77; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 1.5
press() { # key seconds-held
  xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; sleep 0.4
}
# New game, the opening message, a few steps, the menu and back.
press space 0.1
sleep 2
press space 0.1; sleep 1.2
press space 0.1; sleep 1.2
press space 0.1; sleep 1
press Down 0.6
press Right 0.4
press Escape 0.1; sleep 0.8
press Down 0.1
press Escape 0.1; sleep 0.8
press Left 0.5
kill -TERM "$player_pid"
wait "$player_pid" || { echo "record-window-check: the recording run failed"; exit 1; }
player_pid=
grep -q '^end ' "$work/window.krp" || { echo "record-window-check: the recording has no end"; exit 1; }
echo "record-window-check: recorded $(grep -c '^[0-9]' "$work/window.krp") input lines," \
  "$(grep -c '^checkpoint' "$work/window.krp") checkpoints"
"$player" --game "$game" --replay "$work/window.krp"
