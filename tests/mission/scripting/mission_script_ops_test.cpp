// Module scripts run against a small mission: agent tests and words, hit
// points, blows, teams and battle orders, and scene-prop instances, each with
// the warnings of bad ids.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../campaign/support/fake_campaign.h"
#include "engine/core/timer.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_manager.h"
#include "mission/agent/agent_item_triggers.h"
#include "mission/agent/agent_sounds.h"
#include "mission/records/mission.h"
#include "mission/scripting/mission_script_host.h"
#include "mission/setup/agent_spawn.h"
#include "mission/support/animated_agents.h"
#include "module/loading/module_script_host.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "module/records/particle_system.h"
#include "module/records/scene_prop.h"
#include "module/text/translation_table.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/light.h"
#include "render/scene/scene_world.h"
#include "script/executor.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"
#include "script/triggers.h"

namespace hm {
namespace {

using test::query_one_operation;
using test::reg;
using test::run_one_operation;

frame& pos(int i) { return g_script_state.position_registers[static_cast<std::size_t>(i)]; }

class MissionScriptOps : public ::testing::Test {
 protected:
  void SetUp() override {
    // Agents: 0 the player (team 0, 30 of 120 hit points), 1 an ally
    // (team 1), 2 an enemy (team 2), 3 a horse, 4 knocked out, 5 a freed
    // slot.
    for (int i = 0; i < 6; ++i) {
      agent& a = m.allocate_agent();
      a.state = agent_state_alive;
      a.team = i < 3 ? i : 0;
      a.position() = vec3(static_cast<float>(i), 1.0f, 0.0f);
    }
    m.get_agent(0)->max_hit_points = 120.0f;
    m.get_agent(0)->hit_points = 30.0f;
    m.get_agent(3)->kind = agent_kind_horse;
    m.get_agent(4)->state = agent_state_unconscious;
    m.get_agent(5)->in_use = 0;
    m.player_agent = 0;
    m.template_index = 0;
    m.set_team_relation(0, 1, 1);
    m.set_team_relation(0, 2, -1);
    m.scene_max_x = 100.0f;
    m.scene_max_y = 100.0f;
    script_host h = current_script_host();
    h.mission = &host;
    set_script_host(h);
    fakes.take_messages();
  }

  std::vector<std::string> warnings() {
    std::vector<std::string> out;
    for (std::string& line : fakes.take_messages())
      if (line.rfind("At ", 0) != 0) out.push_back(line);
    return out;
  }

  test::fake_script_host fakes;
  mission m;
  mission_script_host host{m};
};

TEST_F(MissionScriptOps, AgentTestsAndFreedSlots) {
  struct test_case {
    std::uint32_t opcode;
    int agent;
    bool expected;
  };
  const test_case cases[] = {
      {1702, 0, true},  {1702, 4, false}, {1703, 4, true},  {1703, 0, false}, {1704, 0, true},
      {1704, 3, false}, {1706, 1, true},  {1706, 2, false}, {1729, 0, false},
  };
  for (const test_case& c : cases) {
    EXPECT_EQ(run_one_operation(c.opcode, {c.agent}), c.expected) << c.opcode << " on " << c.agent;
  }
  EXPECT_TRUE(warnings().empty());
  // A freed slot and an index past the pool are warned about and fail.
  EXPECT_FALSE(run_one_operation(1702, {5}));
  EXPECT_FALSE(run_one_operation(1704, {40}));
  EXPECT_EQ(warnings(), (std::vector<std::string>{"SCRIPT WARNING ON OPCODE 1702: Invalid Agent ID: 5; LINE NO: 0:",
                                                  "SCRIPT WARNING ON OPCODE 1704: Invalid Agent ID: 40; LINE NO: 0:"}));
  EXPECT_EQ(query_one_operation(1714, {5}), -777);
}

TEST_F(MissionScriptOps, FriendOrFoeFollowsTheMissionMode) {
  // Mode 0 (and mode 2 with sub-mode 1) asks for allies; others for enemies.
  struct test_case {
    int mode, sub_mode, agent;
    bool expected;
  };
  const test_case cases[] = {{0, 0, 1, true},  {0, 0, 2, false}, {1, 0, 2, true},  {1, 0, 1, false},
                             {2, 1, 1, true},  {2, 1, 2, false}, {2, 0, 2, true}};
  for (const test_case& c : cases) {
    m.mode = c.mode;
    m.sub_mode = c.sub_mode;
    EXPECT_EQ(run_one_operation(1708, {c.agent}), c.expected) << c.mode << "/" << c.sub_mode << " " << c.agent;
  }
  m.player_agent = -1;
  EXPECT_TRUE(run_one_operation(1706, {2}));
  EXPECT_TRUE(run_one_operation(1708, {2}));
}

TEST_F(MissionScriptOps, HitPointsAsValuesAndShares) {
  EXPECT_EQ(query_one_operation(1720, {0, 0}), 25);
  EXPECT_EQ(query_one_operation(1720, {0, 1}), 30);
  struct test_case {
    std::int64_t value, absolute;
    float expected;
  };
  const test_case cases[] = {{500, 1, 120.0f}, {50, 0, 60.0f}, {-5, 1, 0.0f}, {77, 1, 77.0f}, {150, 0, 120.0f}};
  for (const test_case& c : cases) {
    run_one_operation(1721, {0, c.value, c.absolute});
    EXPECT_EQ(m.get_agent(0)->hit_points, c.expected) << c.value << " " << c.absolute;
  }
  // A maximum with a fraction tops out at its whole part.
  m.get_agent(0)->max_hit_points = 120.5f;
  run_one_operation(1721, {0, 500, 1});
  EXPECT_EQ(m.get_agent(0)->hit_points, 120.0f);
}

TEST_F(MissionScriptOps, ItemsBlowsAndWords) {
  m.get_agent(0)->equipment[6].kind = 77;
  EXPECT_TRUE(run_one_operation(1729, {0, 77}));
  EXPECT_FALSE(run_one_operation(1729, {0, 78}));
  EXPECT_FALSE(run_one_operation(1729, {0, 77 + (std::int64_t{1} << 32)}));

  // Only a live victim takes the blow, and it is received at once: nothing
  // stays pending and the victim knows its attacker.
  m.get_agent(4)->last_attacker = -1;
  run_one_operation(1722, {0, 4});
  EXPECT_EQ(m.get_agent(4)->blow_pending, 0u);
  EXPECT_EQ(m.get_agent(4)->last_attacker, -1);
  m.get_agent(2)->last_attacker = -1;
  run_one_operation(1722, {0, 2});
  EXPECT_EQ(m.get_agent(2)->blow_pending, 0u);
  EXPECT_EQ(m.get_agent(2)->last_attacker, 0);
  EXPECT_EQ(m.get_agent(2)->pending_blow.flags, blow_silent);

  m.get_agent(3)->rider = 1;
  m.get_agent(1)->mount = 3;
  m.get_agent(1)->paired_words = {8, 9};
  EXPECT_EQ(query_one_operation(1714, {1}), 3);
  EXPECT_EQ(query_one_operation(1715, {3}), 1);
  EXPECT_EQ(query_one_operation(1723, {1, 0}), 8);
  EXPECT_EQ(query_one_operation(1723, {1, 4}), 9);
  run_one_operation(1741, {1, 12});
  EXPECT_EQ(m.get_agent(1)->script_words[1], 12);
  // 36 km/h is 10 m/s.
  run_one_operation(1736, {1, 36});
  EXPECT_NEAR(m.get_agent(1)->speed_limit, 10.0f, 1e-4f);
  // A hand outside 0..1 stores nothing.
  EXPECT_EQ(query_one_operation(1726, {1, 2}), -777);

  pos(3).origin = vec3(7.0f, 8.0f, 9.0f);
  run_one_operation(1711, {1, 3});
  run_one_operation(1709, {4, 1});
  EXPECT_EQ(pos(4).origin.x, 7.0f);
  EXPECT_EQ(pos(4).origin.z, 9.0f);
  run_one_operation(1730, {1, 3, 0});
  EXPECT_EQ(m.get_agent(1)->ai.scripted_destination, 1);
  run_one_operation(1731, {5, 1});
  EXPECT_EQ(pos(5).origin.y, 8.0f);
  run_one_operation(1735, {1});
  EXPECT_EQ(m.get_agent(1)->ai.scripted_destination, 0);
}

TEST_F(MissionScriptOps, TeamsLeadersAndRelations) {
  // A team outside 0..7 keeps the agent's team, and the agent still leads its
  // team when that has no leader.
  run_one_operation(1771, {1, 9});
  EXPECT_EQ(m.get_agent(1)->team, 1);
  EXPECT_EQ(m.teams[1].leader, 1);
  run_one_operation(1771, {2, 1});
  EXPECT_EQ(m.get_agent(2)->team, 1);
  EXPECT_EQ(m.teams[1].leader, 1);
  EXPECT_EQ(query_one_operation(1770, {2}), 1);
  m.get_agent(4)->team = 12;
  EXPECT_EQ(query_one_operation(1770, {4}), 7);

  run_one_operation(1796, {3, 4, 2});
  EXPECT_EQ(m.team_relation(3, 4), 0);
  EXPECT_FALSE(run_one_operation(1788, {3, 4}));
  run_one_operation(1796, {3, 4, -1});
  EXPECT_TRUE(run_one_operation(1788, {4, 3}));
  EXPECT_TRUE(run_one_operation(1788, {9, 3}));  // out of range: nothing, true

  m.scene_min_x = -5.0f;
  m.scene_min_y = -6.0f;
  run_one_operation(1799, {1, 2});
  EXPECT_EQ(pos(1).origin.x, -5.0f);
  EXPECT_EQ(pos(1).origin.y, -6.0f);
  EXPECT_EQ(pos(2).origin.x, 100.0f);
}

TEST_F(MissionScriptOps, BattleOrdersReadBackAsOrderNumbers) {
  g_translation_table.clear();
  g_translation_table.set_translation("ui_everyone", "Everyone");
  g_translation_table.set_translation("ui_charge_e_", "%s, charge!");
  m.teams[0].groups[0].mode = 1;
  // Hold and follow need a leader; without one nothing changes.
  run_one_operation(1790, {0, 0, 11});
  EXPECT_EQ(query_one_operation(1785, {0, 0}), 11);
  run_one_operation(1790, {0, 0, 0});
  EXPECT_EQ(query_one_operation(1785, {0, 0}), 11);
  run_one_operation(1793, {0, 0});
  run_one_operation(1790, {0, 0, 0});
  EXPECT_EQ(query_one_operation(1785, {0, 0}), 0);
  EXPECT_EQ(m.teams[0].groups[0].follow_point.x, 0.0f);
  run_one_operation(1790, {0, 0, 1});
  EXPECT_EQ(query_one_operation(1785, {0, 0}), 1);
  fakes.ui.messages.clear();

  // -1 orders the classes already selected; 5 orders all three.
  run_one_operation(1795, {0, 1});
  run_one_operation(1790, {0, -1, 2});
  EXPECT_EQ(m.teams[0].groups[1].mode, 0);
  EXPECT_EQ(m.teams[0].groups[0].mode, 2);
  EXPECT_TRUE(run_one_operation(1775, {0, 1}));
  EXPECT_FALSE(run_one_operation(1775, {0, 0}));
  run_one_operation(1790, {0, 5, 2});
  for (const team_group& g : m.teams[0].groups) EXPECT_EQ(g.mode, 0);
  ASSERT_EQ(fakes.ui.messages.size(), 2u);
  EXPECT_EQ(fakes.ui.messages[1].text, "Everyone, charge!");
  EXPECT_EQ(fakes.ui.messages[1].colour, 0xFFFFFEFBu);
  // The selection is back as it was before the order.
  EXPECT_TRUE(run_one_operation(1775, {0, 1}));
  EXPECT_FALSE(run_one_operation(1775, {0, 2}));
  // Every live member takes between one and two seconds to react.
  for (int i : {0, 3}) {
    EXPECT_GE(m.get_agent(i)->order_reaction_delay, 1.0f);
    EXPECT_LT(m.get_agent(i)->order_reaction_delay, 2.0f);
  }
  // An order to a team without the player shows no message.
  fakes.ui.messages.clear();
  run_one_operation(1790, {2, 5, 2});
  EXPECT_TRUE(fakes.ui.messages.empty());
}

TEST_F(MissionScriptOps, SpacingAndAdvancesStayInBounds) {
  for (int i = 0; i < 6; ++i) run_one_operation(1790, {0, 0, 8});
  EXPECT_EQ(m.teams[0].groups[0].spacing, 4);
  for (int i = 0; i < 9; ++i) run_one_operation(1790, {0, 0, 7});
  EXPECT_EQ(m.teams[0].groups[0].spacing, 1);

  team_group& g = m.teams[0].groups[0];
  g.mode = 1;
  g.follow_point = vec3(50.0f, 98.0f, 0.0f);
  g.facing = vec3(0.0f, 1.0f, 0.0f);
  run_one_operation(1790, {0, 0, 5});  // (50, 105) is outside
  EXPECT_EQ(g.follow_point.y, 98.0f);
  run_one_operation(1790, {0, 0, 6});
  EXPECT_EQ(g.follow_point.y, 91.0f);
  // A charging class falls back from where it stands.
  g.mode = 0;
  g.centre = vec3(20.0f, 20.0f, 0.0f);
  run_one_operation(1790, {0, 0, 6});
  EXPECT_EQ(g.follow_point.y, 13.0f);
  EXPECT_EQ(g.mode, 1);

  pos(2).origin = vec3(30.0f, 40.0f, 0.0f);
  run_one_operation(1791, {0, 7, 2});
  for (const team_group& each : m.teams[0].groups) EXPECT_EQ(each.follow_point.x, 30.0f);
  pos(3).origin = vec3(1.0f, 2.0f, 3.0f);
  run_one_operation(1794, {3, 0, 1});
  EXPECT_EQ(pos(3).origin.x, 30.0f);
  EXPECT_EQ(pos(3).origin.y, 40.0f);
}

TEST_F(MissionScriptOps, SceneProps) {
  fakes.module.scene_prop_kinds = 10;
  frame placed = frame::identity();
  for (int kind : {7, 7, 7, 8}) {
    scene_prop_instance p;
    p.kind = prop_kind_object;
    p.id = kind;
    p.placed_frame = placed;
    p.scale = vec3(2.0f, 3.0f, 4.0f);
    m.scene_prop_instances.push_back(p);
  }
  m.scene_prop_instances[1].removed = 1;
  EXPECT_EQ(query_one_operation(1810, {7}), 2);
  EXPECT_EQ(query_one_operation(1811, {7, 0}), 0);
  EXPECT_EQ(query_one_operation(1811, {7, 1}), 2);
  EXPECT_FALSE(run_one_operation(1811, {reg(0), 7, 2}));

  run_one_operation(1852, {1, 3});
  EXPECT_EQ(pos(1).rot.s.x, 2.0f);
  EXPECT_EQ(pos(1).rot.f.y, 3.0f);
  EXPECT_EQ(pos(1).rot.u.z, 4.0f);

  pos(2).origin = vec3(5.0f, 6.0f, 7.0f);
  run_one_operation(1860, {0, 2, 0});
  m.scene_prop_instances[0].update_animation(0.0f);
  EXPECT_EQ(m.scene_prop_instances[0].current_frame.origin.y, 6.0f);

  fakes.take_messages();
  run_one_operation(1850, {1, 9});
  run_one_operation(1810, {reg(0), 10});
  EXPECT_EQ(warnings(), (std::vector<std::string>{"SCRIPT WARNING ON OPCODE 1850: Invalid Scene_prop Instance ID: 9; LINE NO: 0:",
                                                  "SCRIPT WARNING ON OPCODE 1810: Invalid Scene_prop ID: 10; LINE NO: 0:"}));
}

TEST_F(MissionScriptOps, KindSwapsOnlyWhileThePropsArePlaced) {
  g_scene_prop_kinds.assign(3, scene_prop{});
  g_scene_prop_kinds[1].id = "spr_gate";
  g_scene_prop_kinds[2].id = "spr_gate_open";
  fakes.module.scene_prop_kinds = 3;
  for (const char* name : {"spr_gate", "spr_wall", "spr_gate"}) {
    scene_prop_instance p;
    p.kind = prop_kind_object;
    p.id = 1;
    p.name = name;
    m.scene_prop_instances.push_back(p);
  }
  run_one_operation(1890, {1, 2});
  EXPECT_EQ(m.scene_prop_instances[0].id, 1);
  statement_block block = test::make_block({{1890, {1, 2}}});
  run_statement_block(block, -19);
  EXPECT_EQ(m.scene_prop_instances[0].id, 2);
  EXPECT_TRUE(m.scene_prop_instances[0].name == ruv_string("spr_gate_open"));
  EXPECT_EQ(m.scene_prop_instances[1].id, 1);  // another name
  EXPECT_EQ(m.scene_prop_instances[2].id, 2);
  g_scene_prop_kinds.clear();
}

TEST_F(MissionScriptOps, NextMissionValuesAndSpawnRecords) {
  game_script_words& game = fakes.campaign.words;
  run_one_operation(1912, {12});
  run_one_operation(1912, {64});
  EXPECT_EQ(game.next_entry_point, 12);
  run_one_operation(1910, {5});
  run_one_operation(1936, {});
  EXPECT_EQ(game.next_scene, 5);
  EXPECT_EQ(game.next_mission_flag_1, 0);
  EXPECT_EQ(game.next_mission_flag_2, 1);
  game.mission_query_words = {10, 11, 12, 13};
  EXPECT_EQ(query_one_operation(1701, {0}), 10);
  EXPECT_EQ(query_one_operation(1705, {3}), 13);

  // The module's own host over one template with one spawn record.
  g_mission_templates.assign(1, mission_template{});
  g_mission_templates[0].spawn_records.resize(1);
  module_script_host module;
  script_host h = current_script_host();
  h.module = &module;
  set_script_host(h);
  for (int i = 0; i < 9; ++i) run_one_operation(1942, {0, 0, 100 + i});
  const spawn_record& r = g_mission_templates[0].spawn_records[0];
  EXPECT_EQ(r.item_override_count, 8);
  EXPECT_EQ(r.item_overrides[7], 107);
  run_one_operation(1940, {0, 0, 0x123});
  run_one_operation(1940, {0, 1, 0x456});  // no such record: nothing
  EXPECT_EQ(r.spawn_flags, 0x123);
  run_one_operation(1941, {0, 0});
  EXPECT_EQ(r.item_override_count, 0);
  g_mission_templates.clear();
}

TEST_F(MissionScriptOps, LightsGoToTheSceneAtTheReferenceFrame) {
  m.scene = std::make_unique<scene_world>(vec3(0, 0, 0), vec3(20, 20, 0), 3, 3, 0);
  frame reference = frame::identity();
  reference.origin = vec3(10.0f, 0.0f, 0.0f);
  fakes.campaign.words.set_reference_frame(reference);
  const std::size_t before = m.scene->lights.size();
  run_one_operation(1950, {50, 100, 150});
  run_one_operation(1955, {100, 200, 300});
  run_one_operation(1960, {-1, 30});
  EXPECT_EQ(m.scene->lights.size(), before);
  run_one_operation(1960, {20, 30});
  ASSERT_EQ(m.scene->lights.size(), before + 1);
  const light& l = *m.scene->lights.back();
  EXPECT_EQ(l.position.x, 11.0f);
  EXPECT_EQ(l.position.z, 3.0f);
  EXPECT_FLOAT_EQ(l.colour.g, 1.0f);
  EXPECT_FLOAT_EQ(l.strength, 30.0f);
  EXPECT_FLOAT_EQ(l.extra[0], 0.2f);
}

std::vector<int> g_spawned_groups;

TEST_F(MissionScriptOps, ReinforcementsAndSpawningThroughTheHooks) {
  g_mission_templates.assign(1, mission_template{});
  g_mission_templates[0].spawn_records.resize(2);
  g_mission_templates[0].spawn_records[0].spawn_flags = 64;
  g_mission_templates[0].spawn_records[0].entry_point = 3;
  g_mission_templates[0].spawn_records[1].spawn_flags = 1;
  m.entry_points[3].spawn_frame.origin = vec3(9.0f, 9.0f, 9.0f);
  g_spawned_groups.clear();
  host.routines.spawn_group = [](mission&, int record, int count) {
    g_spawned_groups.push_back(record * 100 + count);
  };
  m.player_side = 0;
  run_one_operation(1930, {0, 4});
  EXPECT_EQ(m.announce_new_enemies, 1);
  EXPECT_EQ(m.announce_reinforcements, 0);
  EXPECT_EQ(m.entry_points[3].spawn_frame.origin.x, 0.0f);
  run_one_operation(1930, {1, 2});
  EXPECT_EQ(m.announce_reinforcements, 1);
  EXPECT_EQ(g_spawned_groups, (std::vector<int>{4, 102}));
  fakes.ui.messages.clear();
  run_one_operation(1930, {2, 2});
  ASSERT_EQ(fakes.ui.messages.size(), 1u);
  EXPECT_EQ(fakes.ui.messages[0].text, "Invalid entry no for add_reinforcements");
  g_mission_templates.clear();

  fakes.module.troops = 5;
  g_script_state.registers[0] = 5;
  run_one_operation(1972, {7});  // no such troop
  EXPECT_EQ(g_script_state.registers[0], -1);
  run_one_operation(1972, {2});
  EXPECT_EQ(g_script_state.registers[0], -1);  // no spawning routine
  host.routines.spawn_agent = [](mission&, int troop, const frame&) { return troop + 40; };
  run_one_operation(1972, {2});
  EXPECT_EQ(g_script_state.registers[0], 42);
}

TEST_F(MissionScriptOps, CameraOperationsSteerTheMissionsCamera) {
  set_clock_ticks(clock_real_time, 0);
  pos(1).origin = vec3(4.0f, 5.0f, 6.0f);
  run_one_operation(2011, {1});
  run_one_operation(2001, {1, 0, 0});
  run_one_operation(2014, {300});
  EXPECT_EQ(m.scripted_camera.mode, 1);
  EXPECT_EQ(m.scripted_camera.from_frame.origin.y, 5.0f);
  EXPECT_EQ(m.scripted_camera.from_fov, 149.0f);
  run_one_operation(2017, {1, 1});
  EXPECT_EQ(m.scripted_camera.followed_agent, 1);
  // A freed slot is no agent to follow.
  run_one_operation(2017, {5, 0});
  EXPECT_EQ(warnings(), (std::vector<std::string>{"SCRIPT WARNING ON OPCODE 2017: Invalid Agent ID: 5; LINE NO: 0:"}));
  EXPECT_EQ(m.scripted_camera.followed_agent, 1);
  // Without a mission template there is no mission to steer.
  m.template_index = -1;
  pos(1).origin = vec3();
  EXPECT_TRUE(run_one_operation(2011, {1}));
  EXPECT_EQ(m.scripted_camera.from_frame.origin.y, 5.0f);
}

TEST_F(MissionScriptOps, ItemsLieAtTheReferenceFrameWithTheirFullAmount) {
  g_item_kinds.assign(3, item_kind{});
  g_item_kinds[1].flags = item_type::shield;
  g_item_kinds[1].hit_points = 50;
  fakes.module.item_kinds = 3;
  frame at = frame::identity();
  at.origin = vec3(3.0f, 4.0f, 0.5f);
  fakes.campaign.words.set_reference_frame(at);
  const int before = m.prop_instance_count();
  run_one_operation(1971, {1, 0});
  ASSERT_EQ(g_script_state.registers[0], before);
  const scene_prop_instance& shield = m.scene_prop_instances[static_cast<std::size_t>(before)];
  EXPECT_EQ(shield.kind, prop_kind_spawned_item);
  EXPECT_EQ(shield.id, 1);
  EXPECT_EQ(shield.placed_frame.origin.y, 4.0f);
  const item lying{1, static_cast<std::uint32_t>(shield.variation)};
  EXPECT_EQ(lying.hit_points(), 50);
  // A modifier goes into the top byte of the item's word.
  run_one_operation(1971, {2, 7});
  const scene_prop_instance& other = m.scene_prop_instances[static_cast<std::size_t>(before + 1)];
  const item second{2, static_cast<std::uint32_t>(other.variation)};
  EXPECT_EQ(second.modifier(), 7);
  EXPECT_EQ(second.used_shots(), 0);
  g_item_kinds.clear();
}

// Records the voices the agents are given.
class voice_recorder final : public agent_sound_sink {
 public:
  void play_voice_sound(mission&, agent& a, int sound) override { voices.push_back(a.index * 100 + sound); }
  std::vector<int> voices;
};

TEST_F(MissionScriptOps, AgentsReachTheMissionsOwnRoutines) {
  // Voices go to the agents' sound routine.
  voice_recorder recorder;
  set_agent_sound_sink(&recorder);
  fakes.module.sounds = 10;
  run_one_operation(1750, {2, 7});
  run_one_operation(1750, {5, 7});  // a freed slot
  set_agent_sound_sink(nullptr);
  EXPECT_EQ(recorder.voices, (std::vector<int>{207}));

  // Actions go through the action gate, which refuses an action the agent's
  // table does not have.
  m.get_agent(1)->channels[0].requested_action = -1;
  run_one_operation(1740, {1, 5});
  EXPECT_EQ(m.get_agent(1)->channels[0].requested_action, -1);

  // A weapon order makes the team's AI agents choose their weapons again;
  // the player chooses his own.
  // Agent 1 fights in melee (AI mode 4), with nothing in hand yet.
  m.get_agent(1)->ai.mode = 4;
  m.get_agent(1)->ai_weapon_class = 1;
  m.get_agent(1)->ai.action_flags = 0;
  m.get_agent(0)->ai_weapon_class = 9;
  m.get_agent(1)->team = 0;
  run_one_operation(1790, {0, 3, 9});
  EXPECT_EQ(m.get_agent(1)->ai_weapon_class, 1);
  EXPECT_NE(m.get_agent(1)->ai.action_flags & 0x200u, 0u);  // the weapon was chosen again
  EXPECT_EQ(m.get_agent(0)->ai_weapon_class, 9);
}

TEST_F(MissionScriptOps, ConnectedSpawningMakesAgentsAndHorsesAtTheReferenceFrame) {
  test::campaign_fixture c;
  const int troop = c.world.add_regular();
  fakes.module.troops = troop + 1;
  fakes.module.item_kinds = 4;
  agent_spawn_hooks spawn_hooks;
  host.connect_spawning(c.game, spawn_hooks);
  frame at = frame::identity();
  at.origin = vec3(20.0f, 30.0f, 1.0f);
  fakes.campaign.words.set_reference_frame(at);

  run_one_operation(1972, {troop});
  const agent* soldier = m.get_live_agent(static_cast<int>(g_script_state.registers[0]));
  ASSERT_NE(soldier, nullptr);
  EXPECT_EQ(soldier->troop, troop);
  EXPECT_EQ(soldier->position().x, 20.0f);
  EXPECT_EQ(soldier->position().y, 30.0f);

  run_one_operation(1973, {3, 0});
  const agent* horse = m.get_live_agent(static_cast<int>(g_script_state.registers[0]));
  ASSERT_NE(horse, nullptr);
  EXPECT_TRUE(horse->is_horse());
  EXPECT_EQ(horse->horse_item, 3);
  EXPECT_EQ(horse->position().y, 30.0f);
}

// A horse that scripts bring carries the modifier they name: its speed and its
// hit points come with it (a speed of 40 on the table's +2 for modifier 36;
// the horses' base 100 hit points and the table's +47 for modifier 25). A
// value outside the table's 0..42 gives the plain horse.
TEST_F(MissionScriptOps, ASpawnedHorseCarriesItsModifier) {
  struct item_hit_points final : agent_spawn_hooks {
    float horse_hit_points(const item& horse) override { return static_cast<float>(horse.get_max_hit_points()); }
  } spawn_hooks;
  test::campaign_fixture c;
  g_item_kinds.assign(4, item_kind{});
  g_item_kinds[3].flags = item_type::horse;
  g_item_kinds[3].missile_speed = 40;
  fakes.module.item_kinds = 4;
  host.connect_spawning(c.game, spawn_hooks);
  struct horse_case {
    std::int64_t modifier;
    int kept;
    int speed;
    float hit_points;
  };
  for (const horse_case h : {horse_case{36, 36, 42, 100.0f}, {25, 25, 40, 147.0f}, {50, 0, 40, 100.0f}}) {
    SCOPED_TRACE(h.modifier);
    run_one_operation(1973, {3, h.modifier});
    const agent* horse = m.get_live_agent(static_cast<int>(g_script_state.registers[0]));
    ASSERT_NE(horse, nullptr);
    EXPECT_EQ(horse->own_horse_item().modifier(), h.kept);
    EXPECT_EQ(horse->own_horse_item().get_horse_speed(), h.speed);
    EXPECT_EQ(horse->max_hit_points, h.hit_points);
  }
  g_item_kinds.clear();
}

// What an agent's item triggers add goes onto that item: a weapon's onto the
// bone its mesh hangs from, a body item skinned to the whole figure onto the
// figure itself; a restart finds each again. Outside an item's triggers, and
// once they are over, nothing is added to the agent.
TEST_F(MissionScriptOps, ItemTriggersPutParticleSystemsOnTheAgentsItem) {
  static const bool registered = [] {
    auto spark = std::make_unique<mesh>();
    spark->name = ruv_string("ops_test_spark");
    g_resource_manager.adopt_resource(std::move(spark));
    return true;
  }();
  (void)registered;
  particle_system_record spark;
  spark.mesh_name = ruv_string("ops_test_spark");
  g_particle_systems = particle_system_table{};
  g_particle_systems.records = {spark, spark};
  fakes.module.particle_systems = 2;
  // Kind 0 a bow: its release adds system 1 and restarts it with 7; kind 1
  // a mail shirt: dressing adds system 0.
  g_item_kinds.assign(2, item_kind{});
  auto trigger = [](float event, statement_block block) {
    simple_trigger t;
    t.interval = event;
    t.block = std::move(block);
    return t;
  };
  g_item_kinds[0].triggers.triggers.push_back(trigger(-51.0f, test::make_block({{1965, {1}}, {1968, {1, 7}}})));
  g_item_kinds[1].triggers.triggers.push_back(trigger(-50.0f, test::make_block({{1965, {0}}})));

  animated_agents figures(2, 1);
  skeleton_entity archer;
  archer.animated_skeleton = std::make_unique<skeleton_instance>(clock_mission);
  archer.animated_skeleton->set_skeleton(figures.skel);
  archer.animated_skeleton->attach_mesh_to_bone(1, std::make_unique<mesh>(), frame::identity());
  agent& a = *m.get_agent(2);
  a.agent_entity = &archer;
  a.item_bones[0] = 1;
  a.item_bones[5] = -1;

  run_agent_item_triggers(m, 2, 0, 0, -51);
  const auto& on_bone = archer.animated_skeleton->bones[1].meshes[0]->particle_systems;
  ASSERT_EQ(on_bone.size(), 1u);
  EXPECT_EQ(on_bone[0]->psys_index, 1);
  EXPECT_EQ(on_bone[0]->to_emit, 7);
  EXPECT_TRUE(archer.particle_instances.empty());

  run_agent_item_triggers(m, 2, 5, 1, -50);
  ASSERT_EQ(archer.particle_instances.size(), 1u);
  EXPECT_EQ(archer.particle_instances[0]->psys_index, 0);
  EXPECT_EQ(m.event_agent, -1);
  EXPECT_EQ(m.event_item_slot, -1);

  run_one_operation(1965, {0});
  EXPECT_EQ(on_bone.size(), 1u);
  EXPECT_EQ(archer.particle_instances.size(), 1u);
  a.agent_entity = nullptr;
  g_item_kinds.clear();
  g_particle_systems = particle_system_table{};
}

TEST(MissionScriptScope, InstallsTheMissionForItsLife) {
  test::fake_script_host fakes;
  mission m;
  m.template_index = 0;
  m.allocate_agent().state = agent_state_alive;
  EXPECT_FALSE(run_one_operation(1702, {0}));  // the fake mission has no agents
  {
    mission_script_scope scope(m);
    EXPECT_TRUE(run_one_operation(1702, {0}));
  }
  EXPECT_EQ(current_script_host().mission, &fakes.mission);
}

}  // namespace
}  // namespace hm
