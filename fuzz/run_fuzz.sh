#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for
# a given time, a few at once, each on a copy of its seed corpus.
#
#   fuzz/run_fuzz.sh [seconds per target (300)] [targets at once (3)] [target...]
#
# Findings of the latest run of a target are kept under
# build/fuzz/findings/<target>/; the summary says how to
# replay each one.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
parallel=${2:-3}
shift $(( $# > 2 ? 2 : $# )) || true
build=${HOOFMARCH_FUZZ_BUILD_DIR:-$top/build/fuzz}

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHOOFMARCH_FUZZ=ON -DHOOFMARCH_BUILD_TESTS=OFF -DHOOFMARCH_BUILD_BENCH=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$top"/fuzz/targets/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --build "$build" -j "$parallel" --target $(printf 'fuzz_%s ' "${targets[@]}")

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null

run_one() {
  local t=$1 work="$build/work/$1" found="$build/findings/$1"
  rm -rf "$work" "$found" && mkdir -p "$work/corpus" "$found"
  cp "$top/fuzz/corpus/$t/"* "$work/corpus/" 2>/dev/null || true
  # -rss_limit_mb catches allocations sized by a header; -max_len keeps inputs small.
  "$build/fuzz/fuzz_$t" "$work/corpus" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 \
    -timeout=10 -artifact_prefix="$found/" -print_final_stats=1 >"$work/log.txt" 2>&1 || true
}

for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do sleep 1; done
  run_one "$t" &
done
wait

echo "target executions findings"
for t in "${targets[@]}"; do
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/work/$t/log.txt" | grep -o '[0-9]*$' || echo "?")
  n=$(find "$build/findings/$t" -type f | wc -l)
  echo "$t ${runs:-?} $n"
  find "$build/findings/$t" -type f | while read -r f; do
    echo "  reproduce: $build/fuzz/fuzz_$t $f"
  done
done
echo "Logs: $build/work/<target>/log.txt. A finding replays in the normal build once copied to fuzz/corpus/<target>/."
