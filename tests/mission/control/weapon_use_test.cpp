// The defence actions for the weapon held and the guarded direction, and
// taking ammunition out of the slots.
#include <gtest/gtest.h>

#include "engine/app/input_state.h"
#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/control/weapon_use.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"
#include "mission/weapons/use_weapon.h"

namespace hm {
namespace {

constexpr std::uint64_t style(std::uint32_t bits) { return static_cast<std::uint64_t>(bits) << 32; }

class WeaponUse : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    g_item_kinds.clear();
    g_game_options = game_options{};
    g_input_state.mouse_dx = g_input_state.mouse_dy = 0.0f;
    add_item_kind(item_type::goods);  // kind 0 never counts as held
  }
  void TearDown() override {
    reset_clocks();
    g_item_kinds.clear();
    g_game_options = game_options{};
    g_input_state.mouse_dx = g_input_state.mouse_dy = 0.0f;
  }
  // The player, guarding where the mouse moved.
  agent& player_guarding_by_mouse(float dx, float dy) {
    agent& a = fixture.add_agent(m, agent_kind_human);
    m.player_agent = a.index;
    g_game_options.control_block_direction = 1;
    g_input_state.mouse_dx = dx;
    g_input_state.mouse_dy = dy;
    return a;
  }

  // A man with a one-handed sword of the first defence style.
  agent& swordsman() {
    const int sword = add_item_kind(item_type::one_handed, 0, style(0x100));
    agent& a = fixture.add_agent(m, agent_kind_human);
    a.equipment[0].kind = sword;
    a.wielded_slots[0] = 0;
    return a;
  }
  // An enemy (team 1) 1 ahead of the mission's first agent, aiming at it.
  agent& enemy_aiming_at_the_first() {
    m.set_team_relation(0, 1, team_relation_enemy);
    agent& enemy = fixture.add_agent(m, agent_kind_human);
    enemy.team = 1;
    enemy.position() = vec3(0.0f, 1.0f, 0.0f);
    enemy.input.set_direction(vec3(0.0f, -1.0f, 0.0f));
    enemy.ai.aiming = 1;
    return enemy;
  }

  mission m;
  animated_agents fixture;
  recording_sounds sounds;
};

TEST_F(WeaponUse, MouseMovementGivesTheGuardedDirection) {
  struct row {
    float dx;
    float dy;
    int direction;
  };
  // Screen y grows downwards: pulling the mouse up guards overhead, down
  // guards a thrust. This mirrors the attack directions on purpose: the guard
  // is named from the defender's side.
  const row rows[] = {{0.0f, -5.0f, 3}, {0.0f, 5.0f, 0}, {5.0f, 0.0f, 2}, {-5.0f, 0.0f, 1},
                      {3.0f, -3.0f, 3}, {3.0f, 3.0f, 0}, {-3.0f, -3.0f, 1}, {0.0f, 0.0f, 0}};
  for (const row& r : rows) EXPECT_EQ(guard_direction_from_mouse(r.dx, r.dy), r.direction) << r.dx << ',' << r.dy;
  agent& a = player_guarding_by_mouse(0.0f, -5.0f);
  EXPECT_EQ(choose_guard_direction(m, a), 3);
  g_game_options.invert_mouse_y = 1;
  EXPECT_EQ(choose_guard_direction(m, a), 0);
}

TEST_F(WeaponUse, AutomaticGuardFollowsTheEnemyAttackingLikeTheAi) {
  agent& a = player_guarding_by_mouse(0.0f, -5.0f);
  g_game_options.control_block_direction = 0;
  m.set_team_relation(0, 1, team_relation_enemy);
  EXPECT_EQ(choose_guard_direction(m, a), 0);  // nobody attacks
  agent& enemy = fixture.add_agent(m, agent_kind_human);
  enemy.team = 1;
  enemy.position() = vec3(0.0f, 1.0f, 0.0f);
  enemy.input.set_direction(vec3(0.0f, -1.0f, 0.0f));
  enemy.ai.aiming = 1;
  enemy.attack_direction = 2;
  for (int state : {1, 2}) {
    enemy.attack_state = state;
    EXPECT_EQ(choose_guard_direction(m, a), 2);
  }
  enemy.attack_state = 3;
  EXPECT_EQ(choose_guard_direction(m, a), 0);
}

TEST_F(WeaponUse, DefenceTriples) {
  const int shield = add_item_kind(item_type::shield);
  const int one_handed = add_item_kind(item_type::one_handed, 0, style(0x100));
  const int greatsword = add_item_kind(item_type::two_handed, 0, style(0x1000 | 0x10000));
  const int staff = add_item_kind(item_type::polearm, 0, style(0x10000));
  const int plain = add_item_kind(item_type::one_handed);
  struct row {
    int kind;
    int direction;  // by the mouse
    defend_actions expected;
  };
  const float mouse[4][2] = {{0.0f, 5.0f}, {-5.0f, 0.0f}, {5.0f, 0.0f}, {0.0f, -5.0f}};
  const row rows[] = {
      {one_handed, 0, {214, 215, 216}}, {one_handed, 1, {211, 212, 213}}, {one_handed, 2, {208, 209, 210}},
      {one_handed, 3, {217, 218, 219}}, {greatsword, 0, {202, 203, 204}}, {greatsword, 1, {211, 212, 213}},
      {greatsword, 2, {208, 209, 210}}, {greatsword, 3, {205, 206, 207}}, {staff, 0, {226, 227, 228}},
      {staff, 1, {235, 236, 237}},      {staff, 2, {232, 233, 234}},      {staff, 3, {229, 230, 231}},
      {plain, 0, {-1, -1, -1}},
  };
  for (const row& r : rows) {
    mission mm;
    m.player_agent = -1;
    agent& a = fixture.add_agent(mm, agent_kind_human);
    mm.player_agent = a.index;
    g_game_options.control_block_direction = 1;
    g_input_state.mouse_dx = mouse[r.direction][0];
    g_input_state.mouse_dy = mouse[r.direction][1];
    a.equipment[0].kind = r.kind;
    a.wielded_slots[0] = 0;
    const defend_actions d = choose_defend_actions(mm, a);
    EXPECT_EQ(d.defend, r.expected.defend) << r.kind << ' ' << r.direction;
    EXPECT_EQ(d.keep, r.expected.keep);
    EXPECT_EQ(d.parry, r.expected.parry);
    // A shield in hand 1 guards every direction alike, unless both hands hold
    // the weapon.
    a.equipment[1].kind = shield;
    a.wielded_slots[1] = 1;
    const defend_actions s = choose_defend_actions(mm, a);
    EXPECT_EQ(s.defend, 199);
    EXPECT_EQ(s.parry, 201);
    a.two_hands = 1;
    EXPECT_EQ(choose_defend_actions(mm, a).defend, r.expected.defend);
  }
  agent& bare = fixture.add_agent(m, agent_kind_human);
  const defend_actions fist = choose_defend_actions(m, bare);
  EXPECT_EQ(fist.defend, 151);
  EXPECT_EQ(fist.keep, 152);
  EXPECT_EQ(fist.parry, 153);
}

TEST_F(WeaponUse, AmmunitionIsTakenSlotBySlot) {
  const int bow = add_item_kind(item_type::bow);
  const int arrows = add_item_kind(item_type::arrows, 0, 0, 30);
  const int sword = add_item_kind(item_type::one_handed);
  agent& a = fixture.add_agent(m, agent_kind_human);
  a.equipment[0].kind = bow;
  a.equipment[1].kind = arrows;
  a.equipment[2].kind = sword;
  a.equipment[3].kind = arrows;
  a.equipment[1].consume_ammo(29);  // one arrow left
  a.wielded_slots[0] = 0;
  EXPECT_EQ(consume_ammunition(m, a, 2), 2);
  EXPECT_EQ(a.equipment[1].used_shots(), 30);
  EXPECT_EQ(a.equipment[3].used_shots(), 1);
  a.equipment[3].consume_ammo(28);
  EXPECT_EQ(consume_ammunition(m, a, 5), 1);
  EXPECT_EQ(consume_ammunition(m, a, 1), 0);
  // Only a missile weapon in hand 0 takes anything.
  a.equipment[3].word = 0;
  a.wielded_slots[0] = 2;
  EXPECT_EQ(consume_ammunition(m, a, 1), 0);
  a.wielded_slots[0] = -1;
  EXPECT_EQ(consume_ammunition(m, a, 1), 0);
  EXPECT_EQ(a.equipment[3].used_shots(), 0);
}

TEST_F(WeaponUse, ALargeBagHoldsATenthAndMore) {
  const int bow = add_item_kind(item_type::bow);
  struct row {
    int base;
    int full;
  };
  // 0.13 x 30 = 3.9, rounded 4; 0.13 x 3 = 0.39, but at least 1 more.
  const row rows[] = {{30, 34}, {3, 4}};
  for (const row& r : rows) {
    const int arrows = add_item_kind(item_type::arrows, 0, 0, r.base);
    agent& a = fixture.add_agent(m, agent_kind_human);
    a.equipment[0].kind = bow;
    a.equipment[1].kind = arrows;
    a.equipment[1].set_modifier(42);
    a.wielded_slots[0] = 0;
    EXPECT_EQ(consume_ammunition(m, a, 100), r.full) << r.base;
  }
}

TEST_F(WeaponUse, AThrowersLastPieceEmptiesTheHand) {
  const int javelins = add_item_kind(item_type::thrown, 0, 0, 2);
  agent& a = fixture.add_agent(m, agent_kind_human);
  a.equipment[2].kind = javelins;
  entity& held = give_item_entity(fixture, a, 2);
  a.wielded_slots[0] = a.previous_wielded_slots[0] = 2;
  a.release_action = 170;
  EXPECT_EQ(consume_ammunition(m, a, 1), 1);
  EXPECT_EQ(a.wielded_slots[0], 2);
  EXPECT_EQ(a.channels[1].requested_action, 170);
  EXPECT_EQ(a.channels[1].flags, 0x11400020u);
  EXPECT_FLOAT_EQ(a.channels[1].speed, 1.0f);
  EXPECT_EQ(show_word(held), 0u);  // the thrown piece leaves the hand
  a.channels[1] = action_channel{};
  EXPECT_EQ(consume_ammunition(m, a, 1), 1);
  EXPECT_EQ(a.wielded_slots[0], -1);
  // Putting the empty hand away (priority 70) outranks the release request.
  EXPECT_EQ(a.channels[1].requested_action, 83);
}

// A guard that is up follows the enemy attacking it; the player who steers
// the guard by the mouse keeps it where it was put once it has risen.
TEST_F(WeaponUse, ARaisedGuardTurnsToTheAttackComingIn) {
  agent& a = swordsman();
  agent& enemy = enemy_aiming_at_the_first();
  const int shield = add_item_kind(item_type::shield);
  enemy.attack_direction = 2;
  // Guarding a thrust (214), raised or held.
  auto guard = [&](int upper_action, float progress) {
    a.defend_action = 214;
    a.defend_hold_action = 215;
    a.defend_end_action = 216;
    a.channels[1].action = upper_action;
    a.channels[1].progress = progress;
  };
  struct row {
    int enemy_state;
    int upper_action;
    float progress;
    int expected;  // -1: the guard stays
  };
  const row rows[] = {
      {1, 214, 0.3f, 208},  // readying a swing from the right: the right guard
      {2, 214, 0.9f, 208},  // releasing it, the guard nearly up
      {2, 215, 1.0f, 208},  // a held guard turns too
      {0, 214, 0.3f, -1},   // nobody attacks: the guard stays
      {3, 215, 1.0f, -1},   // the swing is past its release
      {1, -1, 0.0f, -1},    // no guard up: nothing to turn
      {1, 216, 0.5f, -1},   // the parry of the block is not a guard
  };
  for (const row& r : rows) {
    enemy.attack_state = r.enemy_state;
    guard(r.upper_action, r.progress);
    EXPECT_EQ(turned_guard(m, a).defend, r.expected) << r.enemy_state << ' ' << r.upper_action;
  }
  // Already guarding the right direction: the same triple (no change).
  enemy.attack_state = 1;
  enemy.attack_direction = 0;
  guard(215, 1.0f);
  EXPECT_EQ(turned_guard(m, a).defend, 214);
  // A shield covers every direction.
  a.equipment[1].kind = shield;
  a.wielded_slots[1] = 1;
  enemy.attack_direction = 3;
  EXPECT_EQ(turned_guard(m, a).defend, 199);
  a.wielded_slots[1] = -1;

  // The player steering by the mouse: the rising guard takes the mouse's
  // direction (up: overhead, 217); once risen it stays.
  m.player_agent = a.index;
  g_game_options.control_block_direction = 1;
  g_input_state.mouse_dy = -5.0f;
  guard(214, 0.3f);
  EXPECT_EQ(turned_guard(m, a).defend, 217);
  guard(214, 0.6f);
  EXPECT_EQ(turned_guard(m, a).defend, -1);
  guard(215, 1.0f);
  EXPECT_EQ(turned_guard(m, a).defend, -1);
  // The player with the automatic guard is guarded like everyone else.
  g_game_options.control_block_direction = 0;
  EXPECT_EQ(turned_guard(m, a).defend, 217);  // overhead attack (3), one-handed: 217
}

// Through the weapon use of a frame: a held guard turns to the swing coming in
// with the guard's own request flags.
TEST_F(WeaponUse, TheWeaponUseOfAFrameTurnsTheGuard) {
  agent& a = swordsman();
  agent& enemy = enemy_aiming_at_the_first();
  enemy.attack_direction = 1;
  enemy.attack_state = 1;
  a.input.action_flags = input_defend_held;
  a.defend_state = 1;
  a.defend_action = 214;
  a.defend_hold_action = 215;
  a.defend_end_action = 216;
  a.channels[1].action = 215;
  a.channels[1].flags = 0xEu;
  a.channels[1].progress = 1.0f;
  scripted_combat_random random({});
  agent_use_weapon(m, a, 0.01f, random);
  EXPECT_EQ(a.defend_action, 211);
  EXPECT_EQ(a.defend_hold_action, 212);
  EXPECT_EQ(a.defend_end_action, 213);
  EXPECT_EQ(a.channels[1].requested_action, 211);
  EXPECT_EQ(a.channels[1].flags & 0x1FFFFu, 14u);
}

}  // namespace
}  // namespace hm
