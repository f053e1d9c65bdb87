#!/usr/bin/env bash
# Builds the game and runs it from its data folder.
#
#   ./run.sh [arguments for hoofmarch]
#
# With a display the game opens its window. Without one (no DISPLAY or
# WAYLAND_DISPLAY) it runs 300 frames offscreen through OpenGL, or through the
# null graphics device when no OpenGL context can be made, and says where the
# log is.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
build=${HOOFMARCH_RUN_BUILD_DIR:-$top/build/run}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHOOFMARCH_BUILD_TESTS=OFF -DHOOFMARCH_BUILD_BENCH=OFF
cmake --build "$build" --target hoofmarch -j "$(nproc)"

data="$top/data"
exe="$build/app/hoofmarch"
settings="${XDG_DATA_HOME:-$HOME/.local/share}/Hoofmarch"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe" --data "$data" "$@"
fi

echo "No display: running 300 frames offscreen."
if ! SDL_VIDEODRIVER=offscreen "$exe" --data "$data" --windowed --frames 300 "$@"; then
  echo "No OpenGL context offscreen: running with the null graphics device."
  "$exe" --data "$data" --headless --frames 300 "$@"
fi
echo "Done. Log: $data/ruv_log.txt  Settings (ruv_config.txt, options.dat): $settings/"
