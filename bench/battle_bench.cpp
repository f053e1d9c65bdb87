// A whole battle frame without drawing (the AI, the agents' frames with their
// weapon use and blows, movement, missiles and the physics step) with 100 to
// 4,000 armed men of the sample module on a generated terrain, on one core;
// once over open ground and once with walls cutting the western half of the
// field off, so that half the agents' targets cannot be reached and the cost
// of failed path searches shows. Each side fields swordsmen, archers and
// horsemen (whose horses are agents too, beside the count) playing the
// module's action table. The sides stand a few metres apart in ranks wide
// enough that the front ranks of every size meet within the warm-up; each
// case then times single frames of the fight: the median frame time and the
// time per man are the counters, with the blows, kills and missiles of the
// timed frames to show that the frames fought. Every case is one battle
// (fixed iterations), built from clean global state.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "campaign/game/campaign_game.h"
#include "engine/core/random.h"
#include "mission/ai/ai_battle.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/setup/module_mission_setup.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "platform/fs.h"
#include "render/scene/scene_world.h"
#include "render/terrain/terrain_generator.h"

namespace {

using namespace hm;

// Long enough for the sides, 6 m apart, to meet and trade blows; then two
// simulated seconds are timed.
constexpr int warm_up_frames = 240;
constexpr int timed_frames = 120;
constexpr float gap_between_sides = 6.0f;

// The sample module loaded and a new game started, once.
struct sample_troops {
  std::unique_ptr<campaign_game> campaign;
  int swordsman = -1;
  int archer = -1;
  int horseman = -1;
  int looter = -1;

  sample_troops() {
    std::filesystem::current_path(HOOFMARCH_DATA_DIR);
    platform::set_generated_data_folder(HOOFMARCH_BINARY_DIR "/data");
    random_seed(3);
    install_module_script_host();
    load_core_resource_files();
    load_whole_module("Sample");
    g_game = std::make_unique<game>();
    campaign = std::make_unique<campaign_game>(*g_game);
    campaign->install_script_host();
    set_up_new_game(*g_game, campaign.get());
    swordsman = find("trp_swordsman");
    archer = find("trp_archer");
    horseman = find("trp_horseman");
    looter = find("trp_looter");
  }
  bool ready() const { return swordsman >= 0 && archer >= 0 && horseman >= 0 && looter >= 0; }

  static int find(const char* id) {
    for (int i = 0; i < g_game->troop_count(); ++i) {
      if (g_game->troops[static_cast<std::size_t>(i)].id.equals_cstr(id)) return i;
    }
    return -1;
  }
};

sample_troops& the_troops() {
  static sample_troops troops;
  return troops;
}

// A side of n men: three in ten archers, one in ten horsemen, the rest foot
// soldiers (the second side's half looters, half swordsmen).
std::vector<battle_troops> side(const sample_troops& t, int n, bool second) {
  const int archers = n * 3 / 10;
  const int riders = n / 10;
  const int foot = n - archers - riders;
  if (!second) return {{t.swordsman, foot}, {t.archer, archers}, {t.horseman, riders}};
  return {{t.looter, foot / 2}, {t.swordsman, foot - foot / 2}, {t.archer, archers}, {t.horseman, riders}};
}

int count_agents(const mission& m) {
  int n = 0;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) ++n;
  return n;
}

void run_battle(benchmark::State& state, bool half_wall) {
  sample_troops& troops = the_troops();
  if (!troops.ready()) {
    state.SkipWithError("the sample module's troops are missing");
    return;
  }
  const int men = static_cast<int>(state.range(0));
  battle_setup setup;
  setup.terrain_code = "0x00000000300000000004b2d0000034e000004b2d";
  setup.seed = 7;
  setup.half_wall = half_wall;
  setup.gap_between_sides = gap_between_sides;
  // At 1.5 m a file, ranks of up to 120 men (180 m) keep the lines at most
  // ten ranks deep on the 200 m field.
  setup.men_per_rank = std::clamp(men / 20, 40, 120);
  headless_battle battle(setup);
  mission& m = battle.the_mission();
  // The scene the module's battles have: the same generated ground as
  // collision faces, and each agent drawn by a skeleton whose channels play
  // its actions (without one an attack never gets past its first frame).
  scene_world_setup scene;
  scene.scene_flags = scene_flag_generated_terrain;
  scene.bounds_min = vec3(m.scene_min_x, m.scene_min_y, 0.0f);
  scene.bounds_max = vec3(m.scene_max_x, m.scene_max_y, 0.0f);
  m.scene = create_scene_world(scene);
  g_terrain_generator.generate_terrain(m.scene.get());
  battle.add_team(0, side(troops, men / 2, false));
  battle.add_team(1, side(troops, men - men / 2, true));
  module_agent_hooks hooks(*g_game, troops.campaign->state);
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    if (agent* a = m.get_agent(i)) hooks.create_entity(m, *a);
  }
  for (int i = 0; i < warm_up_frames; ++i) battle.frame();
  const battle_counts before = battle.counts();
  int most_missiles = 0;
  std::vector<double> times;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    battle.frame();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    times.push_back(took.count());
    state.SetIterationTime(took.count());
    most_missiles = std::max(most_missiles, battle.counts().missiles);
  }
  if (times.empty()) return;
  std::nth_element(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2), times.end());
  const double median = times[times.size() / 2];
  state.counters["median_ms"] = median * 1e3;
  state.counters["us_per_man"] = median * 1e6 / men;
  state.counters["agents"] = count_agents(battle.the_mission());
  state.counters["blows"] = battle.counts().blows - before.blows;
  state.counters["kills"] = battle.counts().kills - before.kills;
  state.counters["missiles"] = most_missiles;
  state.counters["gap_m"] = battle.counts().gap;
}

void BM_BattleFrame(benchmark::State& state) { run_battle(state, false); }
void BM_BattleFrameHalfUnreachable(benchmark::State& state) { run_battle(state, true); }

BENCHMARK(BM_BattleFrame)
    ->Arg(100)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Arg(4000)
    ->Iterations(timed_frames)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BattleFrameHalfUnreachable)
    ->Arg(100)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Arg(4000)
    ->Iterations(timed_frames)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
