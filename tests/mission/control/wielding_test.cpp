// Drawing and sheathing: the upper-body action and sound of each change of
// hands, where unwielded items hang, and the wield flags.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "mission/control/wielding.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"

namespace hm {
namespace {

constexpr std::uint64_t carry(int carry_class, int refinement) {
  return (static_cast<std::uint64_t>(carry_class) << 28) | (static_cast<std::uint64_t>(refinement) << 32);
}
constexpr std::uint32_t two_hands_flag = 1u << 21;

class Wielding : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    g_item_kinds.clear();
    advance_clock(clock_mission, 5.0f);
  }
  void TearDown() override {
    reset_clocks();
    g_item_kinds.clear();
    g_first_person_view = 0;
  }
  // An agent whose weapon slots hold these kinds (-1 empty), each with an
  // entity; nothing wielded yet as far as the last update knows.
  agent& equipped(std::vector<int> kinds, int shield_hp = 100) {
    agent& a = fixture.add_agent(m, agent_kind_human);
    for (int s = 0; s < 4 && s < static_cast<int>(kinds.size()); ++s) {
      a.equipment[static_cast<std::size_t>(s)].kind = kinds[static_cast<std::size_t>(s)];
      a.equipment[static_cast<std::size_t>(s)].set_hit_points(shield_hp);
      give_item_entity(fixture, a, s);
    }
    return a;
  }

  mission m;
  animated_agents fixture;
  recording_sounds sounds;
};

TEST_F(Wielding, DrawAndSheatheActionsAndSounds) {
  const int sword = add_item_kind(item_type::one_handed, 0, carry(1, 0));
  const int greatsword = add_item_kind(item_type::two_handed, two_hands_flag, carry(1, 1));
  const int spear = add_item_kind(item_type::polearm, 0, carry(6, 0));
  const int mace = add_item_kind(item_type::one_handed, 0, carry(6, 0));
  const int bow = add_item_kind(item_type::bow, 0, carry(5, 0));
  const int long_bow = add_item_kind(item_type::bow, 0, carry(11, 0));
  const int shield = add_item_kind(item_type::shield, 0, carry(9, 0));
  const int crossbow = add_item_kind(item_type::crossbow, 0, carry(5, 1));
  struct row {
    int hand;
    int from;  // slot wielded before (-1 none)
    int to;
    int kind;  // in slot 0
    int action;
    const char* sound;
  };
  const row rows[] = {
      {0, -1, 0, sword, 84, "snd_draw_sword"},
      {0, 0, -1, sword, 85, "snd_put_back_sword"},
      {0, -1, 0, greatsword, 86, "snd_draw_greatsword"},
      {0, -1, 0, crossbow, 90, "snd_draw_crossbow"},
      {0, -1, 0, spear, 92, "snd_draw_spear"},
      {0, 0, -1, spear, 83, nullptr},
      {0, -1, 0, mace, 82, "snd_draw_other"},
      {0, 0, -1, mace, 83, nullptr},
      {0, -1, 0, bow, 110, "snd_draw_bow"},  // a bow drawn into hand 0 takes the hand-1 row
      {0, -1, 0, long_bow, 112, "snd_draw_bow"},
      {1, -1, 0, shield, 108, "snd_draw_shield"},
      {1, 0, -1, shield, 109, "snd_put_back_shield"},
      {1, 0, -1, long_bow, 113, "snd_put_back_bow"},
      {1, 0, -1, bow, 111, "snd_put_back_bow"},
  };
  for (const row& r : rows) {
    mission mm;
    agent& a = fixture.add_agent(mm, agent_kind_human);
    a.equipment[0].kind = r.kind;
    a.equipment[0].set_hit_points(50);
    a.wielded_slots[static_cast<std::size_t>(r.hand)] = r.from;
    a.previous_wielded_slots[static_cast<std::size_t>(r.hand)] = r.from;
    a.wielded_slots[static_cast<std::size_t>(r.hand)] = r.to;
    sounds.played.clear();
    update_wielded_items(mm, a);
    EXPECT_EQ(a.channels[1].requested_action, r.action) << r.hand << ' ' << r.kind << ' ' << r.to;
    EXPECT_EQ(a.channels[1].flags, 70u | (1u << 24) | (1u << 26));
    EXPECT_EQ(sounds.played, r.sound ? std::vector<std::string>{r.sound} : std::vector<std::string>{});
    EXPECT_EQ(a.previous_wielded_slots[static_cast<std::size_t>(r.hand)], r.to);
    EXPECT_EQ(a.action_stamps[0], -20000000.0f);
  }
  // Nothing changed: nothing plays.
  mission mm;
  agent& a = fixture.add_agent(mm, agent_kind_human);
  a.equipment[0].kind = sword;
  a.wielded_slots[0] = a.previous_wielded_slots[0] = 0;
  update_wielded_items(mm, a);
  EXPECT_EQ(a.channels[1].requested_action, -1);
}

TEST_F(Wielding, BothHandsChangingPlayTheWeaponsActionAndBothSounds) {
  const int sword = add_item_kind(item_type::one_handed, 0, carry(1, 0));
  const int shield = add_item_kind(item_type::shield, 0, carry(9, 0));
  agent& a = equipped({sword, shield});
  a.wielded_slots = {0, 1};
  update_wielded_items(m, a);
  EXPECT_EQ(a.channels[1].requested_action, 84);
  EXPECT_EQ(sounds.played, (std::vector<std::string>{"snd_draw_sword", "snd_draw_shield"}));
  EXPECT_EQ(a.wield_flags, (1u << 1) | (1u << 12));
  EXPECT_EQ(a.item_displays[0].bone, 19);
  EXPECT_EQ(a.item_displays[1].bone, 12);
}

TEST_F(Wielding, ABusyUpperBodyKeepsItsAction) {
  const int sword = add_item_kind(item_type::one_handed, 0, carry(1, 0));
  agent& a = equipped({sword});
  a.channels[1].action = a.channels[1].requested_action = 200;
  a.channels[1].flags = 71;
  a.wielded_slots[0] = 0;
  update_wielded_items(m, a);
  EXPECT_EQ(a.channels[1].requested_action, 200);
  // Action 123 below priority 71 is cleared first, then the draw plays.
  a.channels[1].action = a.channels[1].requested_action = 123;
  a.channels[1].flags = 50;
  a.wielded_slots[0] = -1;
  update_wielded_items(m, a);
  EXPECT_EQ(a.channels[1].requested_action, 85);
}

TEST_F(Wielding, ATwoHandedGripPutsTheShieldOnTheBackWithoutAHandOneAction) {
  const int greatsword = add_item_kind(item_type::two_handed, two_hands_flag, carry(1, 1));
  const int shield = add_item_kind(item_type::shield, 0, carry(9, 0));
  agent& a = equipped({greatsword, shield});
  a.wielded_slots = {-1, 1};
  update_wielded_items(m, a);
  ASSERT_EQ(a.item_displays[1].bone, 12);
  sounds.played.clear();
  a.wielded_slots[0] = 0;
  update_wielded_items(m, a);
  EXPECT_EQ(a.hand1_unavailable, 1);
  EXPECT_EQ(a.two_hands, 1);
  EXPECT_EQ(a.channels[1].requested_action, 86);
  EXPECT_EQ(sounds.played, std::vector<std::string>{"snd_draw_greatsword"});
  EXPECT_EQ(a.item_displays[1].bone, 4);  // its carry place on the back
  EXPECT_EQ(a.previous_wielded_slots[1], -1);
  EXPECT_EQ(a.wield_flags, (1u << 2) | (1u << 1));
}

TEST_F(Wielding, AgentsDrawSilentlyWhileTheMissionBegins) {
  reset_clocks();
  advance_clock(clock_mission, 0.5f);
  const int sword = add_item_kind(item_type::one_handed, 0, carry(1, 0));
  agent& a = equipped({sword});
  a.wielded_slots[0] = 0;
  update_wielded_items(m, a);
  EXPECT_EQ(a.channels[1].requested_action, 84);
  EXPECT_TRUE(sounds.played.empty());
}

TEST_F(Wielding, OnlyAShieldAboveTenHitPointsHangsOnTheBack) {
  const int shield = add_item_kind(item_type::shield, 0, carry(9, 0));
  for (int hp : {10, 11}) {
    mission mm;
    agent& a = fixture.add_agent(mm, agent_kind_human);
    a.equipment[2].kind = shield;
    a.equipment[2].set_hit_points(hp);
    entity& e = give_item_entity(fixture, a, 2);
    update_wielded_items(mm, a);
    EXPECT_EQ(a.item_displays[2].bone, hp > 10 ? 4 : -1) << hp;
    EXPECT_EQ(show_word(e), hp > 10 ? 0xFFFFu : 0u) << hp;
  }
}

TEST_F(Wielding, TwoItemsForOnePlaceShowOnlyTheFirst) {
  const int sword = add_item_kind(item_type::one_handed, 0, carry(1, 0));
  agent& a = equipped({sword, sword});
  update_wielded_items(m, a);
  EXPECT_EQ(a.item_displays[0].bone, 0);
  EXPECT_EQ(a.item_displays[1].bone, -1);
  EXPECT_EQ(show_word(*a.item_entities[1]), 0u);
}

TEST_F(Wielding, FirstPersonKeepsOwnCarriedWeaponsInReflectionsOnly) {
  const int quiver_like = add_item_kind(item_type::one_handed, 0, carry(8, 0));  // carried at bone 8
  const int sword = add_item_kind(item_type::one_handed, 0, carry(1, 0));
  g_first_person_view = 1;
  agent& player = equipped({sword, quiver_like});
  m.player_agent = player.index;
  player.wielded_slots[0] = 0;
  update_wielded_items(m, player);
  EXPECT_EQ(show_word(*player.item_entities[1]), 0x2000u);
  EXPECT_EQ(show_word(*player.item_entities[0]), 0xFFFFu);
  agent& other = equipped({sword, quiver_like});
  other.wielded_slots[0] = 0;
  update_wielded_items(m, other);
  EXPECT_EQ(show_word(*other.item_entities[1]), 0xFFFFu);
}

TEST_F(Wielding, AnItemWithoutAnEntityIsLeftOut) {
  const int sword = add_item_kind(item_type::one_handed, 0, carry(1, 0));
  const int axe = add_item_kind(item_type::one_handed, 0, carry(2, 0));
  agent& a = fixture.add_agent(m, agent_kind_human);
  a.equipment[0].kind = sword;
  a.equipment[1].kind = axe;  // no mesh was made for either
  a.wielded_slots[0] = 0;
  update_wielded_items(m, a);
  EXPECT_EQ(a.item_displays[0].bone, 19);
  EXPECT_EQ(a.item_displays[1].bone, 0);
  EXPECT_EQ(a.channels[1].requested_action, 84);
  EXPECT_EQ(sounds.played, std::vector<std::string>{"snd_draw_sword"});
}

TEST_F(Wielding, WieldFlagsAndModeFromTheHands) {
  struct row {
    int type;
    std::uint32_t flags;
    std::uint32_t wield_flags;
    int wield_mode;
  };
  const row rows[] = {
      {item_type::one_handed, 0, 1u << 1, 9},
      {item_type::two_handed, 0, 1u << 1, 9},
      {item_type::two_handed, two_hands_flag, (1u << 2) | (1u << 1), 9},
      {item_type::polearm, 0, 1u << 3, 9},
      {item_type::bow, 0, 1u << 4, 0},
      {item_type::crossbow, 0, 1u << 5, 4},
      {item_type::thrown, 0, 1u << 5, 4},
  };
  for (const row& r : rows) {
    mission mm;
    agent& a = fixture.add_agent(mm, agent_kind_human);
    a.wield_mode = 9;
    a.equipment[0].kind = add_item_kind(r.type, r.flags);
    a.wielded_slots[0] = 0;
    a.upper_turn = 1.0f;
    update_wielded_items(mm, a);
    EXPECT_EQ(a.wield_flags, r.wield_flags) << r.type;
    EXPECT_EQ(a.wield_mode, r.wield_mode) << r.type;
    EXPECT_EQ(a.upper_turn, 0.0f);
  }
}

}  // namespace
}  // namespace hm
