#!/usr/bin/env bash
# Sets up, builds and runs every test. Exits non-zero on any failure.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
build=${HOOFMARCH_BUILD_DIR:-$top/build/test}
jobs=$(nproc)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$jobs"
# Tests must not need a display or a sound card.
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
