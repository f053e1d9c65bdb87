#!/usr/bin/env bash
# Builds the game and runs it from its data folder.
#
#   ./run.sh [arguments for hoofmarch]
#
# With a display the game opens its window. Without one (no DISPLAY or
# WAYLAND_DISPLAY) the game plays itself offscreen through OpenGL: a new game
# of the sample module, the first battle of its menu, and writes a picture of
# the battle's 300th frame to build/run/battle_frame.png; then it plays the
# same battle headless to its end and prints the result. Without an OpenGL
# context offscreen only the headless run is made.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
build=${HOOFMARCH_RUN_BUILD_DIR:-$top/build/run}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHOOFMARCH_BUILD_TESTS=OFF -DHOOFMARCH_BUILD_BENCH=OFF
# The game and the module makers' tools (build/run/tools/: make_module,
# module_check, play_conversation, battle_sim, render_scene, make_terrain,
# make_map, campaign_sim, make_sample_art).
cmake --build "$build" --target hoofmarch make_module module_check play_conversation battle_sim render_scene \
  make_terrain brf_list make_map campaign_sim make_sample_art -j "$(nproc)"

data="$top/data"
exe="$build/app/hoofmarch"
settings="${XDG_DATA_HOME:-$HOME/.local/share}/Hoofmarch"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe" --data "$data" "$@"
fi

shot="$build/battle_frame.png"
echo "No display: playing the sample's first battle offscreen and picturing its 300th frame."
rm -f "$shot"
if SDL_VIDEODRIVER=offscreen "$exe" --data "$data" --windowed --pilot --seed 3 --battle-frame 300 \
    --screenshot "$shot" "$@"; then
  echo "The battle's picture: $shot"
else
  echo "No OpenGL context offscreen: no picture of the battle."
fi
echo "Playing the battle to its end headless..."
"$exe" --data "$data" --headless --seed 3 "$@"
grep -E "^(Mission over|Game menu [0-9]+:)" "$data/ruv_log.txt" || true
echo "Done. Log: $data/ruv_log.txt  Settings (ruv_config.txt, options.dat): $settings/"
