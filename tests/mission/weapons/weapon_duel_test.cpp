// Weapons used through the agents' whole frame in a headless mission on flat
// open ground: a sword swing pressed on the input block strikes the man in
// front for the damage the rules give, and an arrow loosed at a standing man
// strikes him.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/support/animated_agents.h"
#include "mission/support/combat_fixtures.h"
#include "mission/weapons/use_weapon.h"
#include "mission/weapons/weapon_hit.h"
#include "module/base/module_settings.h"
#include "module/records/item_kind.h"

namespace hm {
namespace {

// Every draw is 0: the armour's spread then keeps 0.6 of the raw damage.
class zero_draw_services : public mission_services {
 public:
  int random_next() override { return 0; }
};

struct duel : ::testing::Test {
  void SetUp() override {
    reset_combat_globals();
    // Short one-shot actions: a tenth of a second each.
    for (action_record& r : f.actions.actions) {
      for (action_sequence& s : r.sequences) {
        s.flags = 0;
        s.duration = 0.1f;
      }
    }
    m.set_services(&services);
    m.set_team_relation(0, 1, team_relation_enemy);
  }
  void TearDown() override {
    m.set_services(nullptr);
    g_item_kinds.clear();
    reset_clocks();
  }

  agent& fighter(int team, const vec3& at, const vec3& facing) {
    agent& a = f.add_agent(m, agent_kind_human);
    a.team = team;
    a.hit_points = 50.0f;
    a.max_hit_points = 50.0f;
    a.controller = agent_controller_player;
    a.body_frame.origin = at;
    a.body_frame.rot.f = facing;
    a.body_frame.rot.u = vec3(0.0f, 0.0f, 1.0f);
    a.body_frame.orthonormalize();
    a.input.set_direction(facing);
    return a;
  }

  // A one-handed sword of 95 cm that strikes only overhead, 28 cutting.
  static int add_overhead_sword() {
    const int sword = add_item_kind(item_type::one_handed, 0, 0x2);
    item_kind& k = g_item_kinds[static_cast<std::size_t>(sword)];
    k.swing_damage = 28;
    k.speed_rating = 100;
    k.weapon_length = 95;
    return sword;
  }

  // The attack key pressed for one frame after a second at rest.
  void press_attack_once(agent& attacker) {
    run(60);
    attacker.input.action_flags = input_attack_held | input_attack_pressed;
    run(1);
    attacker.input.action_flags = 0;
  }

  void run(int frames) {
    for (int i = 0; i < frames; ++i) m.frame(dt, false);
  }

  static constexpr float dt = 0.02f;
  // Fewer bones than the hand's: the weapon stands at the chest, pointing
  // where the body faces.
  animated_agents f{16};
  zero_draw_services services;
  mission m;
};

TEST_F(duel, SwordSwingStrikesTheManInFrontForTheDamageOfTheRules) {
  // A one-handed sword that strikes only overhead (the draws of 0 ask for a
  // thrust first and an overhead blow second).
  const int sword = add_overhead_sword();

  agent& attacker = fighter(0, vec3(0.0f, 0.0f, 0.0f), vec3(0.0f, 1.0f, 0.0f));
  agent& victim = fighter(1, vec3(0.0f, 0.8f, 0.0f), vec3(0.0f, -1.0f, 0.0f));
  attacker.equipment[0] = item{sword, 0};
  attacker.wielded_slots = {0, -1};

  // A second at rest readies the arm fully.
  run(60);
  EXPECT_FLOAT_EQ(attacker.readiness, 1.0f);
  EXPECT_EQ(attacker.attack_state, attack_idle);

  // One frame of the key: the ready action (178) starts with power 1.0.
  attacker.input.action_flags = input_attack_held | input_attack_pressed;
  run(1);
  attacker.input.action_flags = 0;
  EXPECT_EQ(attacker.attack_state, attack_readying);
  EXPECT_EQ(attacker.attack_direction, 3);
  EXPECT_EQ(attacker.channels[1].action, 178);
  EXPECT_FLOAT_EQ(attacker.attack_power, 1.0f);

  // Fully readied after 0.1 s, the power grows by 0.8 x dt once and the
  // swing is released; its first frame tests nothing, the second (at 0.4 of
  // the swing) strikes.
  float hit_points_before = victim.hit_points;
  int frames = 0;
  while (victim.hit_points == hit_points_before && frames < 40) {
    run(1);
    ++frames;
  }
  ASSERT_LT(victim.hit_points, hit_points_before) << "no blow landed";
  EXPECT_FLOAT_EQ(attacker.attack_power, 1.0f + dt * 0.8f);

  // Raw damage: 28 x power, x 1.05 overhead, at full timing and no
  // relative speed, x 0.85 for a wielder without proficiency: 28 x 1.016 x
  // 1.05 x 0.85 = 25.38984. No armour; the spread draw 0 keeps 0.6 of it:
  // 15.233904 on the chest.
  const float raw = 28.0f * 1.016f * 1.05f * 0.85f;
  EXPECT_NEAR(victim.hit_points, 50.0f - 0.6f * raw, 1e-3f);
  EXPECT_EQ(victim.last_attacker, attacker.index);
  // A blow of 5 or more lets the swing go on.
  EXPECT_EQ(attacker.attack_state, attack_follow_through);
}

// Without a hand bone the blade is held before the shoulder and carried
// across by the release: a man 1.3 m away, within the sword's reach, is
// struck (a blade standing still in the middle of the body reached 0.8 m).
TEST_F(duel, ASkeletonWithoutAHandBoneStillStrikesWithinTheSwordsReach) {
  const int sword = add_overhead_sword();
  agent& attacker = fighter(0, vec3(0.0f, 0.0f, 0.0f), vec3(0.0f, 1.0f, 0.0f));
  agent& victim = fighter(1, vec3(0.0f, 1.3f, 0.0f), vec3(0.0f, -1.0f, 0.0f));
  attacker.equipment[0] = item{sword, 0};
  attacker.wielded_slots = {0, -1};
  press_attack_once(attacker);
  run(40);
  EXPECT_LT(victim.hit_points, 50.0f);
  EXPECT_EQ(victim.last_attacker, attacker.index);
  // At rest the blade points where the body faces, before the shoulder.
  const frame rest = agent_weapon_frame(victim);
  EXPECT_NEAR(rest.rot.f.y, -1.0f, 1e-5f);
  EXPECT_GT(1.3f - rest.origin.y, 0.2f);
}

TEST_F(duel, ArrowShotAtAStandingManStrikesHim) {
  const int bow = add_item_kind(item_type::bow, 0, 0x1000);
  item_kind& b = g_item_kinds[static_cast<std::size_t>(bow)];
  b.missile_speed = 50;
  b.thrust_damage = 20 | (1 << 8);
  b.weapon_length = 100;
  const int arrows = add_item_kind(item_type::arrows, 0, 0, 10);
  g_item_kinds[static_cast<std::size_t>(arrows)].weapon_length = 90;

  agent& archer = fighter(0, vec3(0.0f, 0.0f, 0.0f), vec3(0.0f, 1.0f, 0.0f));
  agent& target = fighter(1, vec3(0.0f, 8.0f, 0.0f), vec3(0.0f, -1.0f, 0.0f));
  archer.equipment[0] = item{bow, 0};
  archer.equipment[1] = item{arrows, 0};
  archer.wielded_slots = {0, -1};
  const int arrows_before = get_ammunition(archer);
  ASSERT_GT(arrows_before, 0);

  run(5);
  archer.input.action_flags = input_attack_held | input_attack_pressed;
  run(1);
  EXPECT_EQ(archer.attack_state, attack_readying);
  archer.input.action_flags = input_attack_held;
  run(10);
  // Let go: the arrow flies.
  archer.input.action_flags = 0;
  run(1);
  EXPECT_EQ(archer.attack_state, attack_idle);
  EXPECT_EQ(get_ammunition(archer), arrows_before - 1);
  ASSERT_EQ(m.missiles.live_count(), 1);
  const missile& arrow = *m.missiles.get(m.missiles.first_live());

  const float hit_points_before = target.hit_points;
  for (int i = 0; i < 30 && arrow.state == missile_flying; ++i) run(1);
  EXPECT_EQ(arrow.state, missile_hit_agent);
  EXPECT_LT(target.hit_points, hit_points_before);
  EXPECT_EQ(target.last_attacker, archer.index);
}

TEST_F(duel, DefendedAndBusyAttacksEndAsTheRulesSay) {
  const int sword = add_item_kind(item_type::one_handed, 0, 0x2);
  agent& a = fighter(0, vec3(), vec3(0.0f, 1.0f, 0.0f));
  a.equipment[0] = item{sword, 0};
  a.wielded_slots = {0, -1};
  run(60);
  a.input.action_flags = input_attack_held | input_attack_pressed;
  run(1);
  ASSERT_EQ(a.attack_state, attack_readying);
  // Defend while readying cancels the attack (readiness 0.8), and in the
  // same frame the guard goes up over the cancel's low priority.
  a.input.action_flags = input_attack_held | input_defend_held;
  run(1);
  EXPECT_FLOAT_EQ(a.readiness, 0.8f);
  EXPECT_EQ(a.defend_state, 1);
  EXPECT_EQ(a.attack_state, attack_idle);
  EXPECT_EQ(a.channels[1].requested_action, a.defend_action);

  // A high-priority upper-body action leaves no attack and no defence.
  a.channels[1].flags = 64;
  a.attack_state = attack_readying;
  a.defend_state = 1;
  engine_combat_random random;
  agent_use_weapon(m, a, dt, random);
  EXPECT_EQ(a.attack_state, attack_idle);
  EXPECT_EQ(a.defend_state, 0);
}

TEST_F(duel, ABowWithoutArrowsTellsThePlayerWhy) {
  std::vector<std::string> lines;
  g_combat_hooks().add_message = [&lines](const std::string& text, std::uint32_t) { lines.push_back(text); };
  const int bow = add_item_kind(item_type::bow, 0, 0x1000);
  g_item_kinds[static_cast<std::size_t>(bow)].missile_speed = 50;
  const int arrows = add_item_kind(item_type::arrows, 0, 0, 1);
  agent& a = fighter(0, vec3(), vec3(0.0f, 1.0f, 0.0f));
  m.player_agent = a.index;
  a.equipment[0] = item{bow, 0};
  a.wielded_slots = {0, -1};
  a.input.action_flags = input_attack_held | input_attack_pressed;
  engine_combat_random random;
  agent_use_weapon(m, a, dt, random);
  a.equipment[1] = item{arrows, 0};
  a.equipment[1].consume_ammo(1);
  agent_use_weapon(m, a, dt, random);
  EXPECT_EQ(a.attack_state, attack_idle);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("ui_you_are_not_carrying_any_arrows"), std::string::npos);
  EXPECT_NE(lines[1].find("ui_no_more_arrows"), std::string::npos);
}

TEST(WeaponHit, SwingWithoutAValidPreviousFrameTestsNothing) {
  mission m;
  agent& a = m.allocate_agent();
  a.kind = agent_kind_human;
  a.state = agent_state_alive;
  a.weapon_frame = frame::identity();
  a.previous_weapon_frame = agent::invalid_weapon_frame();
  blow b;
  float strength = 1.0f;
  engine_combat_random random;
  EXPECT_EQ(agent_process_weapon_hit(m, a, 0, nullptr, b, strength, random), weapon_hit_nothing);
}

TEST(WeaponHit, SampleCountsRoundHalvesDown) {
  // round_to_int takes the floor and adds 1 only above a half.
  EXPECT_EQ(hit_sample_count(0.0f, 20.0f), 1);
  EXPECT_EQ(hit_sample_count(0.125f, 20.0f), 3);   // 2.5 -> 2, + 1
  EXPECT_EQ(hit_sample_count(0.13f, 20.0f), 4);    // 2.6 -> 3, + 1
}

}  // namespace
}  // namespace hm
