// The agent frame and movement of 1,000 agents (800 men, 200 horses) walking
// with scripted input over a generated terrain, without AI: the time of one
// mission frame's agent steps on one core.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/base/module_settings.h"
#include "render/terrain/terrain_generator.h"

namespace {

using namespace hm;

// The ground of the generated terrain.
class terrain_services : public mission_services {
 public:
  bool ground_height(mission&, const vec3& p, float& out) override {
    out = g_terrain_generator.sample_height(p).z;
    return true;
  }
};

void generate() {
  terrain_generator& gen = g_terrain_generator;
  gen.module_data = terrain_module_data{};
  for (int i = 0; i < 11; ++i) gen.module_data.ground_kinds.push_back(terrain_ground_kind{});
  gen.code = terrain_code{};
  gen.code.set_terrain_seed(4242);
  gen.code.set_size_x(400);
  gen.code.set_size_y(400);
  gen.code.set_hill_height(40.0f);
  gen.code.set_ruggedness(40);
  gen.code.set_place_river(false);
  gen.generate_terrain();
}

void BM_AgentFrame1000(benchmark::State& state) {
  generate();
  reset_clocks();
  reset_combat_hooks();
  random_seed(7);
  g_module_settings.set_defaults();
  terrain_services services;
  mission m;
  m.set_services(&services);
  m.scene_min_x = 0.0f;
  m.scene_min_y = 0.0f;
  m.scene_max_x = 400.0f;
  m.scene_max_y = 400.0f;
  m.water_level = -1000.0f;
  for (int i = 0; i < 1000; ++i) {
    agent& a = m.allocate_agent();
    a.kind = i % 5 == 4 ? agent_kind_horse : agent_kind_human;
    a.state = agent_state_alive;
    a.presence = agent_presence_active;
    a.team = i % 2;
    a.hit_points = 100.0f;
    a.movement_flags = agent_movement_on_ground;
    const float x = 50.0f + static_cast<float>(i % 40) * 7.5f;
    const float y = 50.0f + static_cast<float>(i / 40) * 12.0f;
    a.position() = g_terrain_generator.sample_height(vec3(x, y, 0.0f));
    const float angle = random_angle();
    a.body_frame.rot.f = vec3(std::cos(angle), std::sin(angle), 0.0f);
    a.body_frame.rot.s = cross_product(a.body_frame.rot.f, vec3(0.0f, 0.0f, 1.0f));
    a.forward_speed = a.is_horse() ? 5.0f : 1.5f;
    a.position_valid = 1;
  }
  // Scripted input: keep walking, turning a little each frame.
  g_combat_hooks().update_actions = [](mission&, agent& a, float dt) {
    const float turn = 0.3f * dt;
    const vec3 f = a.body_frame.rot.f;
    const float c = std::cos(turn);
    const float s = std::sin(turn);
    a.body_frame.rot.f = vec3(f.x * c - f.y * s, f.y * c + f.x * s, 0.0f);
    a.body_frame.rot.s = cross_product(a.body_frame.rot.f, vec3(0.0f, 0.0f, 1.0f));
    a.forward_speed = a.is_horse() ? 5.0f : 1.5f;
  };
  for (auto _ : state) m.frame(0.02f, false);
  state.counters["agents"] = 1000;
  m.set_services(nullptr);
  reset_combat_hooks();
}
BENCHMARK(BM_AgentFrame1000)->Unit(benchmark::kMicrosecond);

}  // namespace
