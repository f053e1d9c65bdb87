// A battle set up headless on generated terrain: both sides' agents must
// stand on the ground the generator made.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../../render/terrain/terrain_fixture.h"
#include "campaign/party/party.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/scene/scene_queries.h"
#include "mission/setup/agent_spawn.h"
#include "mission/setup/mission_setup.h"
#include "mission/setup/spawning.h"
#include "mission/setup/troop_choice.h"
#include "module/records/mission_template.h"
#include "render/scene/scene_world.h"
#include "render/terrain/terrain_generator.h"
#include "spawn_fixtures.h"

namespace hm {
namespace {

// The terrain code of the sample module's open-field scene.
std::string sample_field_terrain_code() {
  std::ifstream in(std::string(HOOFMARCH_SOURCE_DIR) + "/data/Modules/Sample/scenes.txt");
  std::string word;
  while (in >> word) {
    if (word == "scn_random_scene") {
      for (int i = 0; i < 10 && in >> word; ++i) {
      }
      return word;
    }
  }
  return {};
}

class terrain_steps : public test::campaign_setup_steps {
 public:
  using campaign_setup_steps::campaign_setup_steps;
  bool scene_info(const mission&, mission_scene_info& out) override {
    out.flags = scene_flag::outdoor_terrain;
    out.min_x = -100.0f;
    out.min_y = -100.0f;
    out.max_x = 100.0f;
    out.max_y = 100.0f;
    return true;
  }
  void create_scene_world(mission& m, const mission_scene_info&) override {
    m.scene = std::make_unique<scene_world>();
  }
  void build_terrain(mission& m, const mission_scene_info&) override {
    generator.module_data = test::terrain_test_kinds();
    generator.code.parse(code);
    generator.generate_terrain(m.scene.get());
    generator.add_features();
  }

  std::string code;
  terrain_generator generator;
};

class quiet_services : public mission_services {
 public:
  void refresh_shadow_passes(mission&) override {}
  void update_scene_entities(mission&, float) override {}
};

TEST(TerrainBattle, EveryAgentStandsOnTheGeneratedGround) {
  reset_clocks();
  random_seed(5);
  const std::vector<mission_template> saved = g_mission_templates;
  g_mission_templates.assign(1, mission_template{});

  test::campaign_fixture c;
  const int player = c.world.add_hero();
  const int soldier = c.world.add_regular();
  c.game.player_troop = player;
  const auto make_party = [&c](const std::vector<std::array<int, 2>>& stacks) { return test::add_party(c, stacks); };
  c.game.player_party = make_party({{player, 1}, {soldier, 20}});

  mission m;
  quiet_services services;
  m.set_services(&services);
  m.template_index = 0;
  m.side_value = 1;
  m.side_lists[1].count = 1;
  m.side_lists[1].parties[0] = make_party({{soldier, 20}});
  for (auto [flags, entry] : {std::pair{0u, 0}, std::pair{spawn_flag::enemy_parties, 9}}) {
    spawn_record r;
    r.spawn_flags = static_cast<std::int32_t>(flags | spawn_flag::count_as_given);
    r.entry_point = entry;
    r.troop_count = 18;
    g_mission_templates[0].spawn_records.push_back(r);
  }

  agent_spawn_hooks hooks;
  terrain_steps steps(c.game, hooks);
  steps.code = sample_field_terrain_code();
  ASSERT_FALSE(steps.code.empty());
  set_up_mission(m, steps);

  int agents = 0;
  for_each_live_agent(m.agents, [&](const agent& a) {
    ++agents;
    const face* ground = nullptr;
    const float height = find_ground_face(*m.scene, a.position(), &ground);
    ASSERT_NE(ground, nullptr) << a.index;
    // Humans stand 0.3 above the spawn point; the rows follow the slope.
    EXPECT_NEAR(a.position().z, height + spawn_lift, 0.35f) << a.index;
  });
  EXPECT_EQ(agents, 36);
  EXPECT_EQ(m.player_agent, 0);

  m.clear();
  g_mission_templates = saved;
  reset_clocks();
}

}  // namespace
}  // namespace hm
