#!/usr/bin/env bash
# Builds the game with AddressSanitizer and UndefinedBehaviorSanitizer in a
# build folder of its own and plays the sample module's first battle headless
# (a new game, the battle to its end, the debrief and the result menu), then a
# second run that is stopped by SIGTERM in the middle of the battle. Any leak,
# memory error or undefined behaviour ends the run with its report.
#
#   tools/asan_headless.sh [seed]
#
# The build folder is $HOOFMARCH_ASAN_BUILD_DIR (default build/asan); the log
# of each run is kept in that folder (asan_battle_log.txt, asan_stopped_log.txt).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${HOOFMARCH_ASAN_BUILD_DIR:-$top/build/asan}
seed=${1:-7}
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHOOFMARCH_BUILD_TESTS=OFF -DHOOFMARCH_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target hoofmarch -j "${HOOFMARCH_ASAN_JOBS:-$(nproc)}"

# The game writes its log into its data folder: a copy keeps the source tree's
# clean. The module's generated files stay behind the build's data folder.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$top/data" "$scratch/data"
mkdir -p "$scratch/home"
export XDG_DATA_HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
game=("$build/app/hoofmarch" --data "$scratch/data" --generated "$build/data" --headless --seed "$seed")

echo "== the battle to its result (seed $seed)"
"${game[@]}" 2>"$scratch/full.err" || { cat "$scratch/full.err"; echo "FAILED: the full run"; exit 1; }
if [ -s "$scratch/full.err" ]; then cat "$scratch/full.err"; echo "FAILED: the full run wrote to standard error"; exit 1; fi
cp "$scratch/data/ruv_log.txt" "$build/asan_battle_log.txt"
grep "Mission over\|Game menu" "$scratch/data/ruv_log.txt"

echo "== stopped by SIGTERM in the middle of the battle"
rm -f "$scratch/data/ruv_log.txt"
"${game[@]}" 2>"$scratch/term.err" &
pid=$!
# Until the battle is set up, then a little into it.
for _ in $(seq 1 600); do
  grep -q "^end_setup" "$scratch/data/ruv_log.txt" 2>/dev/null && break
  sleep 0.1
done
sleep 0.2
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
if [ "$status" -ne 0 ] || [ -s "$scratch/term.err" ]; then
  cat "$scratch/term.err"
  echo "FAILED: the stopped run (exit status $status)"
  exit 1
fi
cp "$scratch/data/ruv_log.txt" "$build/asan_stopped_log.txt"
tail -n 2 "$scratch/data/ruv_log.txt"
echo "No leak or error reported. Logs: $build/asan_battle_log.txt, $build/asan_stopped_log.txt"
