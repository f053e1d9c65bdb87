// A whole battle frame without drawing (the AI, the agents' frames and
// movement, missiles and the physics step) with 100 to 2,000 plain footmen
// on a generated terrain, on one core; once over open ground and once with a
// wall across the western half of the field, so that half the agents' targets
// cannot be reached and the cost of failed path searches shows. Each case
// first lets the sides close for a few simulated seconds, then times single
// frames: the median frame time and the time per agent are the counters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "mission/ai/ai_battle.h"

namespace {

constexpr int warm_up_frames = 300;  // 5 simulated seconds

void run_battle(benchmark::State& state, bool half_wall) {
  const int agents = static_cast<int>(state.range(0));
  hm::battle_setup setup;
  setup.terrain_code = "0x00000000300000000004b2d0000034e000004b2d";
  setup.seed = 7;
  setup.half_wall = half_wall;
  hm::headless_battle battle(setup);
  battle.add_team(0, {{-1, agents / 2}});
  battle.add_team(1, {{-1, agents - agents / 2}});
  for (int i = 0; i < warm_up_frames; ++i) battle.frame();
  std::vector<double> times;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    battle.frame();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    times.push_back(took.count());
    state.SetIterationTime(took.count());
  }
  if (times.empty()) return;
  std::nth_element(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2), times.end());
  const double median = times[times.size() / 2];
  state.counters["median_ms"] = median * 1e3;
  state.counters["us_per_agent"] = median * 1e6 / agents;
  state.counters["gap_m"] = battle.counts().gap;
}

void BM_BattleFrame(benchmark::State& state) { run_battle(state, false); }
void BM_BattleFrameHalfUnreachable(benchmark::State& state) { run_battle(state, true); }

BENCHMARK(BM_BattleFrame)->Arg(100)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BattleFrameHalfUnreachable)
    ->Arg(100)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
