#!/usr/bin/env bash
# Sets up a Debian machine for Kestra, builds it, and plays the demo or runs the tests.
#   ./setup.sh play [kestra options...]   build the release tree and play the demo game
#   ./setup.sh test                       build the sanitizer tree and run every test
#   ./setup.sh deps                       only install the Debian packages
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake ninja-build pkg-config git
  libsdl2-dev zlib1g-dev libfreetype-dev xfonts-shinonome xfonts-efont-unicode
  libfluidsynth-dev fluidsynth timgm6mb-soundfont
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format)
# Only the tests play in a window of their own.
TEST_PACKAGES=(xvfb xdotool)

install_deps() { # extra packages...
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)

configure() { # dir type extra...
  local dir=$1 type=$2; shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
}

cmd=${1:-play}
[ $# -gt 0 ] && shift
case "$cmd" in
  deps) install_deps ;;
  play)
    install_deps
    configure build/release Release
    cmake --build build/release -j "$jobs" --target kestra kestra-data kestra-demo
    # A --game among the options given here wins over the demo.
    exec build/release/kestra --game build/release/demo "$@"
    ;;
  test)
    install_deps "${TEST_PACKAGES[@]}"
    before=$(git status --porcelain 2>/dev/null || true)
    tools/check-format.sh
    tools/check-layers.sh
    configure build/test Debug -DKESTRA_SANITIZE=ON
    cmake --build build/test -j "$jobs"
    export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
    (cd build/test && ctest --output-on-failure --timeout 300 -j "$jobs")
    tools/fuzz.sh smoke
    # The play build is optimised: its warnings differ, so it must build too.
    configure build/release Release
    cmake --build build/release -j "$jobs" --target kestra kestra-data
    # The build and the tests must not write into the source tree.
    after=$(git status --porcelain 2>/dev/null || true)
    [ "$before" = "$after" ] || { echo "setup: the build changed the source tree:"; diff <(echo "$before") <(echo "$after"); exit 1; }
    ;;
  *) echo "usage: $0 play|test|deps" >&2; exit 2 ;;
esac
