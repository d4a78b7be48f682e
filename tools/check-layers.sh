#!/usr/bin/env bash
# Fails when an #include crosses the layers:
#   base      includes nothing of ours but base;
#   graphics, media, data   base and each other (data/SaveData, which writes the game
#             state, may include state);
#   state, interpreter, scenes, battle, shell   anything but the platform;
#   only src/platform and the executables (tools/, demo/) include SDL, FluidSynth,
#   FFmpeg or OS headers.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=0
fail() { echo "layers: $1" >&2; bad=1; }

ours='base|graphics|media|data|state|interpreter|scenes|battle|shell|platform'
# Headers only the platform may include (system and third-party).
os_headers='SDL|fluidsynth|libav|libsw|unistd\.h|fcntl\.h|sys/|dirent\.h|iconv\.h|dlfcn\.h|pthread\.h|poll\.h|signal\.h|termios\.h|windows\.h|pwd\.h|ft2build|freetype'

for f in $(find src -name '*.h' -o -name '*.cpp' -o -name '*.inc' | sort); do
  layer=$(echo "$f" | cut -d/ -f2)
  while IFS= read -r inc; do
    [ -z "$inc" ] && continue
    target=${inc%%/*}
    case "$layer" in
      base)
        [ "$target" = base ] || fail "$f includes $inc (base includes only base)" ;;
      graphics|media|data)
        case "$target" in
          base|graphics|media|data) ;;
          state) [ "$f" = src/data/SaveData.h ] || [ "$f" = src/data/SaveData.cpp ] ||
                   fail "$f includes $inc (only the save file's unit may include state)" ;;
          *) fail "$f includes $inc ($layer includes only base, graphics, media and data)" ;;
        esac ;;
      platform) ;;
      *)
        [ "$target" = platform ] && fail "$f includes $inc (only the executables include the platform)" ;;
    esac
  done < <(grep -hoE "^#include \"($ours)/[^\"]+\"" "$f" | sed -E 's/^#include "([^"]+)"/\1/')
  if [ "$layer" != platform ]; then
    # FreeType is the font loader's one outside library.
    grep -qE "^#include <($os_headers)" "$f" && {
      if [ "$f" = src/graphics/GR_Font.cpp ] && ! grep -E "^#include <($os_headers)" "$f" | grep -vqE '<(ft2build|freetype)'; then :; else
        fail "$f includes an SDL, sound, movie or OS header"; fi; }
  fi
done
exit $bad
