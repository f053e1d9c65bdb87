#include "mission/setup/agent_spawn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "campaign/party/party.h"
#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/setup/mission_setup.h"
#include "mission/setup/spawning.h"
#include "mission/setup/troop_choice.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "spawn_fixtures.h"

namespace hm {
namespace {


class flat_services : public mission_services {
 public:
  void check_reinforcements(mission& m) override {
    if (steps != nullptr) hm::check_reinforcements(m, *steps);
  }
  mission_setup_steps* steps = nullptr;
  bool ground_height(mission&, const vec3&, float& out) override {
    out = 2.0f;
    return true;
  }
  bool segment_is_clear(mission&, const vec3&, const vec3&) override { return true; }
  int random_next() override { return 0; }
  void refresh_shadow_passes(mission&) override {}
  void update_scene_entities(mission&, float) override {}
};

// Riders of `mounted_troop` get horse item 7; every spawn is recorded.
class recording_hooks : public agent_spawn_hooks {
 public:
  void create_entity(mission&, agent& a) override { entities.push_back(a.index); }
  int choose_horse_item(mission&, const agent& a) override { return a.troop == mounted_troop ? 7 : -1; }
  float horse_hit_points(const item&) override { return 80.0f; }
  float hero_hit_points(int) override { return 44.0f; }
  float player_party_health_factor() override { return health; }
  void agent_spawned(mission&, int index) override { spawned.push_back(index); }
  void announce(mission&, const std::string& key) override { texts.push_back(key); }

  int mounted_troop = -1;
  float health = 0.0f;
  std::vector<int> entities;
  std::vector<int> spawned;
  std::vector<std::string> texts;
};

using test::campaign_setup_steps;

class AgentSpawn : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    saved_templates = g_mission_templates;
    g_mission_templates.assign(1, mission_template{});
    m.template_index = 0;
    m.set_services(&services);
    player = c.world.add_hero();
    c.game.player_troop = player;
    soldier = c.world.add_regular();
    c.world.troops[static_cast<std::size_t>(soldier)].strength = 9;
    c.world.troops[static_cast<std::size_t>(soldier)].skills[hit_point_skill] = 20;  // capped at 10
    rider = c.world.add_regular();
    hooks.mounted_troop = rider;
    m.set_team_relation(0, 1, -1);
    m.set_team_relation(0, 0, 1);
  }
  void TearDown() override {
    m.set_services(nullptr);
    g_mission_templates = saved_templates;
    reset_clocks();
  }

  int make_party(const std::vector<std::array<int, 2>>& stacks) { return test::add_party(c, stacks); }
  void add_record(std::uint32_t flags, int entry, int count) {
    spawn_record r;
    r.spawn_flags = static_cast<std::int32_t>(flags | spawn_flag::count_as_given);
    r.entry_point = entry;
    r.troop_count = count;
    g_mission_templates[0].spawn_records.push_back(r);
  }

  std::vector<mission_template> saved_templates;
  test::campaign_fixture c;
  flat_services services;
  recording_hooks hooks;
  mission m;
  int player = -1, soldier = -1, rider = -1;
};

TEST_F(AgentSpawn, BattleSetUpPlacesBothSidesWithThePlayerFirst) {
  c.game.player_party = make_party({{player, 1}, {soldier, 3}});
  m.side_value = 1;
  m.side_lists[1].count = 1;
  m.side_lists[1].parties[0] = make_party({{rider, 2}});
  add_record(0, 0, 4);
  add_record(spawn_flag::enemy_parties, 1, 2);
  m.announce_new_enemies = 1;
  hooks.health = 0.5f;  // not above 0.5: the soldiers come in whole
  campaign_setup_steps steps(c.game, hooks);
  set_up_mission(m, steps);

  // Interleaved: player, enemy rider (+ horse), soldier, enemy rider (+ horse),
  // soldier, soldier.
  ASSERT_EQ(m.player_agent, 0);
  const agent& p = *m.get_agent(0);
  EXPECT_EQ(p.troop, player);
  EXPECT_EQ(p.controller, agent_controller_player);
  EXPECT_FLOAT_EQ(p.hit_points, 44.0f);
  EXPECT_EQ(m.teams[0].leader, 0);

  int humans = 0, horses = 0;
  for_each_live_agent(m.agents, [&](const agent& a) {
    // Every agent stands on the ground the entry points were snapped to;
    // humans, placed 0.3 above it, are falling onto it through the two
    // settling frames (riders without a body entity stay where placed).
    if (a.is_horse()) {
      EXPECT_NEAR(a.position().z, 2.0f, 1e-5f) << a.index;
    } else {
      EXPECT_GE(a.position().z, 2.0f - 1e-5f) << a.index;
      EXPECT_LE(a.position().z, 2.3f) << a.index;
    }
    if (a.is_horse()) {
      ++horses;
      ASSERT_GE(a.rider, 0);
      EXPECT_EQ(m.get_agent(a.rider)->mount, a.index);
      EXPECT_EQ(m.get_agent(a.rider)->troop, rider);
      EXPECT_FLOAT_EQ(a.hit_points, 80.0f);
    } else {
      ++humans;
      EXPECT_EQ(a.team, a.troop == rider ? 1 : 0) << a.index;
    }
  });
  EXPECT_EQ(humans, 6);
  EXPECT_EQ(horses, 2);
  // The first enemy was announced once.
  EXPECT_EQ(hooks.texts, std::vector<std::string>{"ui_new_enemies_have_arrived"});
  EXPECT_EQ(m.announce_new_enemies, 0);
  EXPECT_EQ(hooks.spawned.size(), 8u);
  // A soldier: strength 9 + 2 x min(20, 10) + 35.
  const agent& s = *m.get_agent(3);
  EXPECT_EQ(s.troop, soldier);
  EXPECT_FLOAT_EQ(s.max_hit_points, 64.0f);
  EXPECT_EQ(s.spawn_record, 0);
}

TEST_F(AgentSpawn, AFrameBringsTheWaveAScriptAskedFor) {
  c.game.player_party = make_party({{player, 1}, {soldier, 10}});
  add_record(0, 0, 2);
  hooks.health = 0.5f;
  campaign_setup_steps steps(c.game, hooks);
  services.steps = &steps;
  set_up_mission(m, steps);
  const auto humans = [this] {
    int n = 0;
    for_each_live_agent(m.agents, [&n](const agent&) { ++n; });
    return n;
  };
  ASSERT_EQ(humans(), 2);
  // The side fell below its threshold: the script asks for three more.
  EXPECT_EQ(count_spawn_group_agents(m, 0, 3, 0.0f), 3);
  m.frame(0.1f, false);
  EXPECT_EQ(humans(), 2);
  m.frame(0.1f, true);
  EXPECT_EQ(humans(), 5);
  EXPECT_EQ(g_mission_templates[0].spawn_records[0].spawned, 5);
  EXPECT_EQ(g_mission_templates[0].spawn_records[0].pending, 0);
}

TEST_F(AgentSpawn, RecordItemsOutsideTheItemTableAreDropped) {
  const std::vector<item_kind> saved_items = g_item_kinds;
  g_item_kinds.assign(3, item_kind{});
  c.game.player_party = make_party({{player, 1}});
  add_record(0, 0, 1);
  spawn_record& r = g_mission_templates[0].spawn_records[0];
  r.item_override_count = 4;
  r.item_overrides[0] = 2;
  r.item_overrides[1] = 3;  // one past the table
  r.item_overrides[2] = -1;
  r.item_overrides[3] = 0;
  placed_troops placed;
  ASSERT_TRUE(spawn_at_entry_point(m, c.game, placed, 0, hooks));
  EXPECT_EQ(m.get_agent(0)->spawn_items, (std::vector<std::int32_t>{2, -1, 0}));
  g_item_kinds = saved_items;
}

TEST_F(AgentSpawn, PlayersWornPartyComesInWeaker) {
  c.game.player_party = make_party({{soldier, 2}});
  c.game.player_troop = rider;  // the player is elsewhere
  hooks.health = 0.8f;
  spawn_agent_request r;
  r.troop = soldier;
  r.party = c.game.player_party;
  const int a = spawn_agent(m, c.game, r, hooks);
  // 64 x (1.5 - 0.8)
  EXPECT_NEAR(m.get_agent(a)->hit_points, 44.8f, 1e-4f);
  // 64 x (1.5 - 1): a party worn out sends its soldiers at half strength.
  hooks.health = 1.0f;
  EXPECT_FLOAT_EQ(m.get_agent(spawn_agent(m, c.game, r, hooks))->hit_points, 32.0f);
  hooks.health = 0.4f;
  EXPECT_FLOAT_EQ(m.get_agent(spawn_agent(m, c.game, r, hooks))->hit_points, 64.0f);
  // Hooks that know nothing of the party's wear bring the soldiers in whole.
  agent_spawn_hooks plain;
  EXPECT_FLOAT_EQ(m.get_agent(spawn_agent(m, c.game, r, plain))->hit_points, 64.0f);
}

}  // namespace
}  // namespace hm
