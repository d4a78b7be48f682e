#!/usr/bin/env bash
# Idle CPU of the player in a window: runs it under Xvfb on the title screen and on
# the field, windowed at 1x and 2x, and prints the process's user + system CPU time
# as a percentage of the wall time measured (one core = 100 %).
#   tools/idle-cpu.sh [PLAYER [GAME_DIR]]
# defaults: build/release/kestra and build/release/demo. Environment:
#   IDLE_SECONDS=10     seconds measured per run (after the game has settled)
#   RENDERER=software   SDL's renderer (software, opengl, opengles2; default: SDL's choice)
#   SOUND=0             run silent (no sound device) instead of on SDL's dummy sound
#                       device, which mixes and synthesises the music as a real one would
# Without Xvfb (Debian package xvfb) it says so and exits 0.
set -euo pipefail
cd "$(dirname "$0")/.."
player=${1:-build/release/kestra}
game=${2:-build/release/demo}
seconds=${IDLE_SECONDS:-10}

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "idle-cpu: Xvfb is not installed (apt-get install xvfb); nothing measured"
  exit 0
fi
[ -x "$player" ] || { echo "idle-cpu: no player at $player (build it first)" >&2; exit 1; }
[ -d "$game" ] || { echo "idle-cpu: no game directory $game" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
display=""
for n in $(seq 70 99); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "idle-cpu: no free X display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

ticks=$(getconf CLK_TCK)
cpu_ticks() { # pid: user + system clock ticks of the whole process (all threads)
  # Fields after the command name, which is in parentheses and may hold spaces.
  local rest
  rest=$(sed 's/^.*) //' "/proc/$1/stat")
  set -- $rest
  echo $(( ${12} + ${13} ))
}
now_ns() { date +%s%N; }

# run NAME ZOOM SETTLE SCRIPT-LINES...: starts the game, waits SETTLE seconds, measures.
run() {
  local name=$1 zoom=$2 settle=$3
  shift 3
  printf '%s\n' "$@" >"$work/input.txt"
  export DISPLAY=$display
  export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
  if [ "${SOUND:-1}" = 0 ]; then export SDL_AUDIODRIVER=none; else export SDL_AUDIODRIVER=dummy; fi
  [ -n "${RENDERER:-}" ] && export SDL_RENDER_DRIVER=$RENDERER
  KESTRA_PRESENT_STATS=1 "$player" --game "$game" --seed 1 --input "$work/input.txt" \
    - - Window >"$work/$name.out" 2>"$work/$name.err" &
  game_pid=$!
  sleep "$settle"
  if ! kill -0 "$game_pid" 2>/dev/null; then
    echo "idle-cpu: the player stopped early:" >&2
    cat "$work/$name.err" >&2
    exit 1
  fi
  local t0 c0 t1 c1
  t0=$(now_ns)
  c0=$(cpu_ticks "$game_pid")
  sleep "$seconds"
  c1=$(cpu_ticks "$game_pid")
  t1=$(now_ns)
  kill "$game_pid" 2>/dev/null || true
  wait "$game_pid" 2>/dev/null || true
  game_pid=""
  local stats
  stats=$(grep -o 'renderer .*' "$work/$name.err" | tail -1 || true)
  awk -v c=$((c1 - c0)) -v hz="$ticks" -v ns=$((t1 - t0)) -v n="$name" -v z="$zoom" -v s="$stats" \
    'BEGIN { printf "%-6s %s: %5.1f %% of a core over %.1f s%s\n", n, z, 100 * c / hz / (ns / 1e9), ns / 1e9, (s == "" ? "" : " (" s ")") }'
}

# Input scripts count input updates (one per frame). F5 switches the 2x window to 1x.
# The field: "New Game" is the title's first command.
run title 2x 4 "# idle"
run title 1x 4 "2 F5" "3"
run field 2x 8 "240 Decide" "241"
run field 1x 8 "2 F5" "3" "240 Decide" "241"
