// The AI's weapon classes, wielding a class, cycling the hands through the
// weapon slots, and the ammunition that feeds a ranged weapon.
#include <gtest/gtest.h>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/control/weapon_choice.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"

namespace hm {
namespace {

constexpr std::uint32_t in_hand = 1u << 22;
constexpr std::uint32_t two_hands = 1u << 21;
constexpr std::uint32_t not_mounted = 1u << 28;
constexpr std::uint32_t foot_crossbow = 1u << 20;

class WeaponChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    g_item_kinds.clear();
    random_seed(5);
    sword = add_item_kind(item_type::one_handed, in_hand);
    g_item_kinds[static_cast<std::size_t>(sword)].swing_damage = 25;                // cutting
    club = add_item_kind(item_type::one_handed, in_hand);
    g_item_kinds[static_cast<std::size_t>(club)].swing_damage = 20 | (2 << 8);      // blunt
    g_item_kinds[static_cast<std::size_t>(club)].thrust_damage = 1;
    pike = add_item_kind(item_type::polearm, 0);
    bow = add_item_kind(item_type::bow);
    arrows = add_item_kind(item_type::arrows, 0, 0, 30);
    crossbow = add_item_kind(item_type::crossbow, foot_crossbow);
    bolts = add_item_kind(item_type::bolts, 0, 0, 20);
    javelins = add_item_kind(item_type::thrown, in_hand, 0, 3);
    axes = add_item_kind(item_type::thrown, in_hand, 0, 2);
    shield = add_item_kind(item_type::shield, 0, 0, 0, 100);
    lance = add_item_kind(item_type::polearm, in_hand | not_mounted);
  }
  void TearDown() override {
    reset_clocks();
    g_item_kinds.clear();
  }
  agent& with(std::initializer_list<int> kinds) {
    agent& a = fixture.add_agent(m, agent_kind_human);
    int s = 0;
    for (int k : kinds) {
      a.equipment[static_cast<std::size_t>(s)].kind = k;
      a.equipment[static_cast<std::size_t>(s)].set_hit_points(50);
      if (k >= 0 && g_item_kinds[static_cast<std::size_t>(k)].max_ammo > 0) a.equipment[static_cast<std::size_t>(s)].word = 0;
      ++s;
    }
    return a;
  }

  int sword, club, pike, bow, arrows, crossbow, bolts, javelins, axes, shield, lance;
  mission m;
  animated_agents fixture;
  recording_sounds sounds;
};

TEST_F(WeaponChoice, AmmunitionAddsUpTheFeedingSlots) {
  agent& a = with({bow, arrows, sword, arrows});
  a.equipment[1].consume_ammo(30);
  a.equipment[3].consume_ammo(5);
  ammunition_info info = get_ammunition(a, 0);
  EXPECT_EQ(info.left, 25);
  EXPECT_EQ(info.full, 60);
  EXPECT_EQ(info.slot, 3);  // the first slot that still has arrows
  EXPECT_EQ(info.item_kind, arrows);
  a.equipment[3].consume_ammo(25);
  info = get_ammunition(a, 0);
  EXPECT_EQ(info.left, 0);
  EXPECT_EQ(info.slot, 1);  // none left: the first feeding slot
  // A thrown weapon feeds itself; other kinds of thrown weapon do not count.
  agent& t = with({javelins, axes, javelins});
  t.equipment[0].consume_ammo(1);
  info = get_ammunition(t, 2);
  EXPECT_EQ(info.left, 5);
  EXPECT_EQ(info.full, 6);
  EXPECT_EQ(info.slot, 0);
  for (int slot : {1, 2, 3}) {
    const ammunition_info none = get_ammunition(with({bow, sword, -1, shield}), slot);
    EXPECT_EQ(none.left, -1);
    EXPECT_EQ(none.full, -1);
    EXPECT_EQ(none.slot, -1);
    EXPECT_EQ(none.item_kind, -1);
  }
  // Slot -1 reads hand 0's slot.
  a.wielded_slots[0] = 0;
  EXPECT_EQ(get_ammunition(a, -1).slot, 1);
}

TEST_F(WeaponChoice, MeleeClassWithoutAMeleeWeaponLeavesTheHandEmpty) {
  agent& a = with({bow, arrows});
  a.wielded_slots[0] = a.previous_wielded_slots[0] = 0;
  wield_weapon_class(m, a, weapon_class_melee);
  EXPECT_EQ(a.wielded_slots[0], -1);
  EXPECT_EQ(a.ai_weapon_class, weapon_class_melee);
  EXPECT_NE(a.ai.action_flags & 0x200u, 0u);
  // The bow leaves hand 0 by the weapon hand's table: the plain put-away.
  EXPECT_EQ(a.channels[1].requested_action, 83);
}

TEST_F(WeaponChoice, RangedClassWithoutAmmunitionKeepsTheHandButSetsTheClass) {
  agent& a = with({sword, bow, arrows});
  a.equipment[2].consume_ammo(30);
  a.wielded_slots[0] = 0;
  a.ai_combat_word = 9;
  wield_weapon_class(m, a, weapon_class_ranged);
  EXPECT_EQ(a.wielded_slots[0], 0);
  EXPECT_EQ(a.ai_weapon_class, weapon_class_ranged);
  EXPECT_EQ(a.ai_combat_word, 0);
  EXPECT_NE(a.ai.action_flags & 0x200u, 0u);
  // Asking again for the class it has changes nothing.
  a.ai.action_flags = 0;
  wield_weapon_class(m, a, weapon_class_ranged);
  EXPECT_EQ(a.ai.action_flags, 0u);
}

TEST_F(WeaponChoice, TheLowestSlotAndAShieldWithHitPointsWin) {
  agent& a = with({shield, sword, shield, club});
  a.equipment[0].set_hit_points(1);
  a.equipment[2].set_hit_points(5);
  wield_weapon_class(m, a, weapon_class_melee);
  EXPECT_EQ(a.wielded_slots[0], 1);
  EXPECT_EQ(a.wielded_slots[1], 2);
}

TEST_F(WeaponChoice, OrderGroupSwitchesAndRiders) {
  agent& a = with({sword, club, bow, arrows});
  m.teams[0].groups[team_group_foot].blunt_only = 1;
  wield_weapon_class(m, a, weapon_class_melee);
  EXPECT_EQ(a.wielded_slots[0], 1);  // never the sword
  m.teams[0].groups[team_group_foot].blunt_only = 0;
  m.teams[0].groups[team_group_foot].no_ranged = 1;
  EXPECT_FALSE(has_weapon_class(m, a, weapon_class_ranged));
  m.teams[0].groups[team_group_foot].no_ranged = 0;
  EXPECT_TRUE(has_weapon_class(m, a, weapon_class_ranged));

  agent& rider = with({lance, crossbow, bolts, sword});
  rider.mount = 40;
  rider.troop = -1;
  wield_weapon_class(m, rider, weapon_class_melee);
  EXPECT_EQ(rider.wielded_slots[0], 3);  // the lance is no use from the saddle
  EXPECT_FALSE(has_weapon_class(m, rider, weapon_class_ranged));
  rider.mount = -1;
  EXPECT_TRUE(has_weapon_class(m, rider, weapon_class_ranged));
}

TEST_F(WeaponChoice, ModesChooseAClassAndARetargetPeriod) {
  struct row {
    int mode;
    int weapon_class;
    float base;
  };
  const row rows[] = {{4, weapon_class_pole, 8.0f}, {5, weapon_class_ranged, 10.0f}, {7, weapon_class_pole, 9.0f},
                      {8, 0, 2.0f}, {13, 0, 10.0f}, {2, 0, 5.0f}};
  for (const row& r : rows) {
    agent& a = with({pike, bow, arrows});  // no class-1 weapon: mode 4 takes the pike
    set_ai_weapon_mode(m, a, r.mode);
    EXPECT_EQ(a.ai.mode, r.mode);
    EXPECT_EQ(a.ai_weapon_class, r.weapon_class) << r.mode;
    EXPECT_GE(a.ai.retarget_period, 0.75f * r.base) << r.mode;
    EXPECT_LT(a.ai.retarget_period, 1.25f * r.base) << r.mode;
  }
  agent& a = with({pike, sword});
  set_ai_weapon_mode(m, a, 4);
  EXPECT_EQ(a.wielded_slots[0], 1);
}

TEST_F(WeaponChoice, CyclingTheWeaponHand) {
  agent& none = with({pike, arrows, -1, shield});
  none.wielded_slots[0] = 0;
  cycle_wielded_item(m, none, 0);
  EXPECT_EQ(none.wielded_slots[0], -1);

  agent& a = with({sword, javelins, club, -1});
  cycle_wielded_item(m, a, 0);
  EXPECT_EQ(a.wielded_slots[0], 0);
  cycle_wielded_item(m, a, 0);
  EXPECT_EQ(a.wielded_slots[0], 1);
  cycle_wielded_item(m, a, 0);
  EXPECT_EQ(a.wielded_slots[0], 2);
  cycle_wielded_item(m, a, 0);
  EXPECT_EQ(a.wielded_slots[0], 0);

  // A thrown stack is not taken again right after one of its own kind.
  agent& thrower = with({javelins, javelins, -1, -1});
  g_item_kinds[static_cast<std::size_t>(javelins)].flags &= ~in_hand;
  thrower.wielded_slots[0] = 0;
  cycle_wielded_item(m, thrower, 0);
  EXPECT_EQ(thrower.wielded_slots[0], -1);
  agent& mixed = with({javelins, axes, -1, -1});
  mixed.wielded_slots[0] = 0;
  cycle_wielded_item(m, mixed, 0);
  EXPECT_EQ(mixed.wielded_slots[0], 1);
}

TEST_F(WeaponChoice, CyclingTheShieldHandPutsItAwayAfterTheLast) {
  agent& a = with({sword, shield, sword, shield});
  a.wielded_slots[0] = 0;
  cycle_wielded_item(m, a, 1);
  EXPECT_EQ(a.wielded_slots[1], 1);
  cycle_wielded_item(m, a, 1);
  EXPECT_EQ(a.wielded_slots[1], 3);
  cycle_wielded_item(m, a, 1);
  EXPECT_EQ(a.wielded_slots[1], -1);
  // A shield without hit points is passed over.
  a.equipment[1].set_hit_points(0);
  cycle_wielded_item(m, a, 1);
  EXPECT_EQ(a.wielded_slots[1], 3);

  // With both hands on a two-handed weapon, the shield control lets go of it.
  const int greatsword = add_item_kind(item_type::two_handed, in_hand | two_hands);
  agent& b = with({greatsword, shield});
  b.wielded_slots[0] = 0;
  cycle_wielded_item(m, b, 0);
  b.wielded_slots = {0, 1};
  b.two_hands = 1;
  cycle_wielded_item(m, b, 1);
  EXPECT_EQ(b.wielded_slots[0], -1);
  EXPECT_EQ(b.wielded_slots[1], 1);
  EXPECT_EQ(b.two_hands, 0);
}

}  // namespace
}  // namespace hm
