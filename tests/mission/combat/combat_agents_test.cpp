// Blows, shields and bodies on the agents of a small mission.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/combat/armor.h"
#include "mission/combat/attack_direction.h"
#include "mission/combat/blows.h"
#include "mission/combat/combat_hooks.h"
#include "mission/frame/bodies.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/records/scene_prop_instance.h"
#include "mission/support/combat_fixtures.h"
#include "module/base/module_settings.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

constexpr int pike_kind = 0;
constexpr int horse_kind = 1;
constexpr int shield_kind = 2;

class CombatAgents : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    reset_combat_hooks();
    g_module_settings.set_defaults();
    g_game_options = game_options{};
    g_item_kinds.assign(3, item_kind{});
    g_item_kinds[pike_kind].flags = item_type::polearm;
    g_item_kinds[horse_kind].flags = item_type::horse;
    g_item_kinds[horse_kind].thrust_damage = 10;  // charge
    g_item_kinds[shield_kind].flags = item_type::shield;
    g_item_kinds[shield_kind].body_armor = 8;
    g_item_kinds[shield_kind].hit_points = 50;
    g_combat_hooks().set_channel_action = [this](agent& a, int channel, int action, std::uint32_t flags, float) {
      actions.push_back(std::to_string(a.index) + ":" + std::to_string(channel) + ":" + std::to_string(action));
      write_channel_action(a, channel, action, flags, 1.0f);
    };
    g_combat_hooks().play_sound = [this](mission&, agent&, const std::string& s, float) { sounds.push_back(s); };
    m.set_team_relation(0, 1, team_relation_enemy);
  }
  void TearDown() override {
    reset_combat_hooks();
    g_item_kinds.clear();
    g_mission_templates.clear();
  }

  agent& spawn(int kind, int team, vec3 at) { return spawn_standing_agent(m, kind, team, at); }

  blow hit(int attacker, float damage, int type = 0) {
    blow b;
    b.attacker = attacker;
    b.raw_damage = damage;
    b.damage = damage;
    b.damage_type = type;
    b.bone = 8;
    b.flags = blow_silent;
    return b;
  }

  mission m;
  std::vector<std::string> actions;
  std::vector<std::string> sounds;
};

TEST_F(CombatAgents, TheStrongerBlowOfAFrameIsReceived) {
  agent& a = spawn(agent_kind_human, 0, vec3());
  agent& other = spawn(agent_kind_human, 1, vec3(0, 1, 0));
  queue_armored_blow(a, hit(other.index, 12.0f));
  queue_armored_blow(a, hit(other.index, 7.0f));  // dropped
  EXPECT_EQ(a.pending_blow.damage, 12.0f);
  blow equal = hit(other.index, 12.0f);
  equal.bone = 3;
  queue_armored_blow(a, equal);  // equal: the newer one
  EXPECT_EQ(a.pending_blow.bone, 3);
  scripted_combat_random random({0});
  receive_blow(m, a, random);
  EXPECT_EQ(a.hit_points, 38.0f);
  EXPECT_EQ(a.blow_pending, 0u);
  EXPECT_EQ(a.last_attacker, other.index);
  receive_blow(m, a, random);  // nothing pending any more
  EXPECT_EQ(a.hit_points, 38.0f);
}

TEST_F(CombatAgents, PlayerAndHisHorseTakeAQuarterOnTheEasiestSetting) {
  agent& player = spawn(agent_kind_human, 0, vec3());
  agent& horse = spawn(agent_kind_horse, 0, vec3());
  agent& enemy = spawn(agent_kind_human, 1, vec3(0, 2, 0));
  m.player_agent = player.index;
  player.mount = horse.index;
  horse.rider = player.index;
  horse.horse_item = horse_kind;
  g_game_options.damage_to_player = 0;
  scripted_combat_random random({draw_for_unit(0.99f)});
  queue_armored_blow(player, hit(enemy.index, 20.0f));
  queue_armored_blow(horse, hit(enemy.index, 20.0f));
  receive_blow(m, player, random);
  receive_blow(m, horse, random);
  EXPECT_EQ(player.hit_points, 45.0f);
  EXPECT_EQ(horse.hit_points, 45.0f);
}

TEST_F(CombatAgents, NoTroopOrBluntDamageOnlyKnocksOutAndTheNoDeathsMissionSparesAll) {
  agent& a = spawn(agent_kind_human, 0, vec3());
  agent& enemy = spawn(agent_kind_human, 1, vec3(0, 1, 0));
  scripted_combat_random random({draw_for_unit(0.99f)});
  queue_armored_blow(a, hit(enemy.index, 80.0f));
  receive_blow(m, a, random);
  EXPECT_EQ(a.state, agent_state_unconscious);
  EXPECT_EQ(a.hit_points, 0.0f);
  EXPECT_EQ(a.presence, agent_presence_lying);
  EXPECT_EQ(enemy.knockout_count, 1);
  EXPECT_EQ(a.channels[0].action, 283);
  // Death impulse: (raw + 5) x 0.2 along the impact direction.
  EXPECT_NEAR(a.death_impulse.y, 17.0f, 1e-4f);
}

TEST_F(CombatAgents, HorseBelowOneHitPointDiesAndItsRiderFalls) {
  agent& horse = spawn(agent_kind_horse, 0, vec3());
  agent& rider = spawn(agent_kind_human, 0, vec3());
  agent& enemy = spawn(agent_kind_human, 1, vec3(0, 3, 0));
  horse.rider = rider.index;
  rider.mount = horse.index;
  horse.horse_item = horse_kind;
  horse.forward_speed = 4.0f;
  scripted_combat_random random({0});
  queue_armored_blow(horse, hit(enemy.index, 49.5f));
  receive_blow(m, horse, random);
  EXPECT_EQ(horse.state, agent_state_dead);
  EXPECT_EQ(horse.presence, agent_presence_lying);
  EXPECT_EQ(horse.rider, -1);
  EXPECT_EQ(rider.mount, -1);
  EXPECT_EQ(horse.channels[0].action, 420);
  EXPECT_EQ(rider.channels[0].action, 291);
}

TEST_F(CombatAgents, BracedPolearmRearsOrSlowsACharge) {
  struct row {
    float draw;
    bool rears;
  };
  // Charge 10 at speed 6: chance (5 / 12) / 6 x 5 = 0.347.
  for (const row r : {row{0.3f, true}, row{0.4f, false}}) {
    mission local;
    local.set_team_relation(0, 1, team_relation_enemy);
    agent& horse = spawn_standing_agent(local, agent_kind_horse, 1, vec3(), 100.0f);
    horse.horse_item = horse_kind;
    horse.forward_speed = 6.0f;
    agent& pikeman = spawn_standing_agent(local, agent_kind_human, 0, vec3(0, 2, 0));  // ahead of the horse
    blow b = hit(pikeman.index, 20.0f, 1);
    b.item_kind = pike_kind;
    queue_armored_blow(horse, b);
    scripted_combat_random random({draw_for_unit(r.draw)});
    receive_blow(local, horse, random);
    EXPECT_EQ(horse.channels[0].action == 412, r.rears) << r.draw;
    EXPECT_NEAR(horse.forward_speed, r.rears ? 6.0f : 4.8f, 1e-4f) << r.draw;
  }
}

TEST_F(CombatAgents, RiderKilledInTheSaddleStaysUnlessThePlayerThrowsHim) {
  g_mission_templates.assign(1, mission_template{});
  m.template_index = 0;
  for (const bool by_player : {false, true}) {
    agent& player = spawn(agent_kind_human, 1, vec3(0, -3, 0));
    agent& horse = spawn(agent_kind_horse, 0, vec3());
    agent& rider = spawn(agent_kind_human, 0, vec3());
    m.player_agent = player.index;
    horse.rider = rider.index;
    rider.mount = horse.index;
    horse.forward_speed = 5.0f;
    agent& attacker = by_player ? player : spawn(agent_kind_human, 1, vec3(0, -2, 0));
    scripted_combat_random random({draw_for_unit(0.99f)});
    queue_armored_blow(rider, hit(attacker.index, 80.0f));
    receive_blow(m, rider, random);
    EXPECT_EQ(horse.rider_died_state, by_player ? horse_rider_none : horse_rider_carrying_dead) << by_player;
    EXPECT_EQ(rider.mount, by_player ? -1 : horse.index) << by_player;
    EXPECT_EQ(m.riders_thrown_by_player, by_player ? 1 : 0) << by_player;
  }
}

TEST_F(CombatAgents, ShieldWithFivePointsBreaksUnderTwenty) {
  agent& a = spawn(agent_kind_human, 0, vec3());
  a.equipment[1] = item{shield_kind, 0};
  a.equipment[1].set_hit_points(5);
  a.wielded_slots = {-1, 1};
  scripted_combat_random random({0});
  // Below the resistance nothing happens.
  EXPECT_EQ(damage_shield(m, a, 8, random).points_lost, 0);
  const shield_damage_outcome out = damage_shield(m, a, 20, random);
  EXPECT_TRUE(out.broken);
  EXPECT_EQ(a.equipment[1].hit_points(), 0);
  EXPECT_EQ(a.wielded_slots[1], -1);
  ASSERT_EQ(m.scene_prop_instances.size(), 1u);
  EXPECT_EQ(m.scene_prop_instances[0].kind, prop_kind_shield);
  EXPECT_EQ(m.scene_prop_instances[0].id, shield_kind);
  ASSERT_FALSE(sounds.empty());
  EXPECT_EQ(sounds.back(), "snd_shield_broken");
}

TEST_F(CombatAgents, ShieldHitPointsNeverReachTheModifierByte) {
  agent& a = spawn(agent_kind_human, 0, vec3());
  a.equipment[1] = item{shield_kind, 0};
  a.equipment[1].set_modifier(5);
  a.equipment[1].set_hit_points(40);
  a.wielded_slots = {-1, 1};
  scripted_combat_random random({0});
  damage_shield(m, a, 1000000, random);
  EXPECT_EQ(a.equipment[1].hit_points(), 0);
  EXPECT_EQ(a.equipment[1].modifier(), 5);
}

TEST_F(CombatAgents, AttackOfAFixedClassIsStoredOnTheAgent) {
  g_item_kinds[pike_kind].capabilities = 0x40000 | (1ull << 40);
  agent& a = spawn(agent_kind_human, 0, vec3());
  a.equipment[0] = item{pike_kind, 0};
  a.wielded_slots = {0, -1};
  scripted_combat_random random({1, 2});
  const attack_choice c = agent_choose_attack_actions(
      m, a, 0, [](int, int d) { return attack_action_ids{160 + d, 170 + d, 180 + d}; }, random, nullptr);
  EXPECT_EQ(c.direction, 0);
  EXPECT_EQ(a.attack_direction, 0);
  EXPECT_EQ(a.ready_action, 125);
  EXPECT_EQ(a.release_action, 126);

  // Without a class the drawn direction picks the weapon's actions.
  g_item_kinds[pike_kind].capabilities = 0;
  scripted_combat_random draws({1, 2});
  agent_choose_attack_actions(m, a, 0, [](int, int d) { return attack_action_ids{160 + d, 170 + d, 180 + d}; },
                              draws, nullptr);
  EXPECT_EQ(a.attack_direction, 1);
  EXPECT_EQ(a.ready_action, 161);
  EXPECT_EQ(a.bounce_action, 181);
}

// --- bodies -----------------------------------------------------------------------------

class Bodies : public CombatAgents {
 protected:
  agent& body() {
    agent& a = spawn(agent_kind_human, 0, vec3());
    a.state = agent_state_dead;
    a.presence = agent_presence_lying;
    a.presence_timer.reset();
    a.ragdoll_timer.reset();
    return a;
  }
  // Steps of a tenth of a second.
  void run(agent& a, const body_limits& limits, int tenths) {
    for (int i = 0; i < tenths; ++i) {
      advance_clock(clock_mission, 0.1f);
      agent_die(m, a, limits, keep_nothing);
    }
  }
  // Draws that drop no weapon of a corpse.
  scripted_combat_random keep_nothing{{15816}};
};

TEST_F(Bodies, WithoutRagdollsABodyFreezesAfterThreeSecondsAndTheCorpseLimitFadesIt) {
  agent& a = body();
  body_limits none;
  none.ragdoll_limit = 0;
  none.corpse_limit = 0;
  run(a, none, 29);
  EXPECT_EQ(a.body_frozen, 0);
  run(a, none, 2);
  EXPECT_EQ(a.body_frozen, 1);
  // The limit 0 pushes it out at once: it fades for three seconds.
  EXPECT_EQ(a.presence, agent_presence_fading);
  run(a, none, 15);
  EXPECT_NEAR(a.fade_alpha, 0.5f, 0.05f);
  run(a, none, 16);
  EXPECT_EQ(a.presence, agent_presence_removed);
  EXPECT_EQ(a.state, agent_state_dead);
}

TEST_F(Bodies, RagdollThatSettlesFreezesAfterASecondOneThatMovesAfterThirty) {
  int dummy = 0;
  for (const bool moving : {false, true}) {
    g_combat_hooks().create_ragdoll = [&dummy](mission&, agent& a) {
      a.ragdoll = &dummy;
      a.ragdoll_timer.reset();
      return true;
    };
    g_combat_hooks().ragdoll_moving = [moving](const agent&) { return moving; };
    g_combat_hooks().release_ragdoll = [](mission&, agent&) {};
    agent& a = body();
    body_limits limits;
    run(a, limits, 2);
    ASSERT_NE(a.ragdoll, nullptr);
    run(a, limits, 10);
    EXPECT_EQ(a.ragdoll == nullptr, !moving) << moving;
    run(a, limits, 290);
    EXPECT_EQ(a.ragdoll, nullptr);
    EXPECT_EQ(a.body_frozen, 1);
  }
}

TEST_F(Bodies, AQuarterOfACorpsesWeaponsDrop) {
  agent& a = body();
  a.equipment[0] = item{pike_kind, 0};
  a.equipment[1] = item{shield_kind, 0};
  a.equipment[2] = item{pike_kind, 0};
  a.wielded_slots = {0, 1};
  // Draws for the three weapons: one below a quarter, two above.
  scripted_combat_random draws({draw_for_unit(0.2f), draw_for_unit(0.3f), draw_for_unit(0.9f)});
  keep_weapons_on_corpse(m, a, draws);
  EXPECT_EQ(a.equipment[0].kind, -1);
  EXPECT_EQ(a.wielded_slots[0], -1);
  EXPECT_EQ(a.equipment[1].kind, shield_kind);
  EXPECT_EQ(a.wielded_slots[1], 1);
  EXPECT_EQ(a.equipment[2].kind, pike_kind);
  ASSERT_EQ(m.scene_prop_instances.size(), 1u);
  EXPECT_EQ(m.scene_prop_instances[0].kind, prop_kind_spawned_item);
  EXPECT_EQ(m.scene_prop_instances[0].id, pike_kind);
}

TEST_F(Bodies, AnAgentThatFadesAliveHasLeftTheScene) {
  agent& a = spawn(agent_kind_human, 0, vec3());
  a.presence = agent_presence_fading;
  a.presence_timer.reset();
  run(a, body_limits{}, 32);
  EXPECT_EQ(a.presence, agent_presence_removed);
  EXPECT_EQ(a.state, agent_state_left);
}

TEST_F(Bodies, DeadHorseThatCarriedADeadRiderSettlesAsEveryBody) {
  agent& horse = body();
  horse.kind = agent_kind_horse;
  horse.rider_died_state = horse_rider_carrying_dead;
  body_limits none;
  none.ragdoll_limit = 0;
  run(horse, none, 32);
  EXPECT_EQ(horse.body_frozen, 1);
  EXPECT_EQ(horse.presence, agent_presence_lying);
  ASSERT_EQ(m.corpses.size(), 1u);
}

TEST_F(Bodies, AFadedBodyLeavesTheScene) {
  m.scene = std::make_unique<scene_world>();
  agent& a = body();
  entity* e = m.scene->create_entity(skeleton_entity_type);
  a.agent_entity = static_cast<skeleton_entity*>(e);
  const int id = e->id;
  a.body_frozen = 1;
  a.presence = agent_presence_fading;
  a.presence_timer.reset();
  run(a, body_limits{}, 29);
  EXPECT_EQ(a.presence, agent_presence_fading);
  EXPECT_NEAR(a.fade_alpha, 1.0f - 2.9f / 3.0f, 1e-3f);
  run(a, body_limits{}, 2);
  EXPECT_EQ(a.presence, agent_presence_removed);
  EXPECT_EQ(a.agent_entity, nullptr);
  EXPECT_EQ(a.state, agent_state_dead);
  m.scene->update_entities(0.1f);
  EXPECT_EQ(m.scene->find_entity(id), nullptr);
}

TEST_F(Bodies, LooseHorseLeavesAfterThreeSeconds) {
  agent& horse = spawn(agent_kind_horse, 0, vec3());
  horse.presence = agent_presence_lying;
  horse.rider_died_state = horse_rider_loose;
  horse.presence_timer.reset();
  run(horse, body_limits{}, 32);
  EXPECT_EQ(horse.presence, agent_presence_fading);
  run(horse, body_limits{}, 32);
  EXPECT_EQ(horse.state, agent_state_left);
}

}  // namespace
}  // namespace hm
