// Taking an item from the ground: which slot it goes into and what is left
// on the ground in its place.
#include "mission/screen/item_pickup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/combat_fixtures.h"
#include "mission/support/recording_services.h"
#include "module/records/item_kind.h"

namespace hm {
namespace {

enum : int { sword, arrows, shield, bow, javelins, kind_count };

item make(int kind, int word = 0) {
  item it;
  it.kind = kind;
  it.word = static_cast<std::uint32_t>(word);
  return it;
}

class ItemPickup : public ::testing::Test {
 protected:
  void SetUp() override {
    g_item_kinds.assign(kind_count, item_kind());
    const int types[kind_count] = {2, 5, 7, 8, 10};
    for (int k = 0; k < kind_count; ++k) g_item_kinds[static_cast<std::size_t>(k)].flags = static_cast<std::uint64_t>(types[k]);
    g_item_kinds[arrows].max_ammo = 30;
    g_item_kinds[javelins].max_ammo = 3;
    m.set_services(&services);
    agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3(1.0f, 2.0f, 0.0f));
    index = a.index;
    msg.text = [](const char* key) -> std::string {
      if (std::string(key) == "ui_picking_up") return "Picking up %s.";
      if (std::string(key) == "ui_dropping_picking_up") return "Dropping %s, picking up %s.";
      return key;
    };
    msg.add = [this](const std::string& t, std::uint32_t) { messages.push_back(t); };
    msg.item_name = [](const item& it) { return "item" + std::to_string(it.kind); };
  }
  void TearDown() override {
    m.set_services(nullptr);
    g_item_kinds.clear();
  }

  agent& who() { return *m.get_agent(index); }
  void equip(std::vector<item> slots, int weapon, int shield_slot) {
    for (std::size_t i = 0; i < 4; ++i) who().equipment[i] = i < slots.size() ? slots[i] : item();
    who().wielded_slots = {weapon, shield_slot};
  }
  // The items left on the ground (kind 6 instances), by item kind.
  std::vector<int> dropped() {
    std::vector<int> out;
    for (const scene_prop_instance& p : m.scene_prop_instances)
      if (p.kind == prop_kind_spawned_item) out.push_back(p.id);
    return out;
  }

  recording_services services;
  mission m;
  int index = -1;
  pickup_messages msg;
  std::vector<std::string> messages;
};

TEST_F(ItemPickup, AnEmptySlotTakesTheItem) {
  equip({make(sword)}, 0, -1);
  ASSERT_TRUE(pick_up_or_drop_item(m, index, make(bow), msg));
  EXPECT_EQ(who().equipment[1].kind, bow);
  EXPECT_EQ(who().wielded_slots[0], 1);
  EXPECT_EQ(messages, (std::vector<std::string>{"Picking up item3."}));
  EXPECT_TRUE(dropped().empty());
}

TEST_F(ItemPickup, ASpentQuiverIsReplacedWithoutADrop) {
  equip({make(sword), make(bow), make(arrows, 30), make(shield, 50)}, 1, 3);
  ASSERT_TRUE(pick_up_or_drop_item(m, index, make(arrows), msg));
  EXPECT_EQ(who().equipment[2].word, 0u);
  EXPECT_TRUE(dropped().empty());
}

TEST_F(ItemPickup, AQuiverWithArrowsLeftIsDropped) {
  equip({make(sword), make(bow), make(arrows, 10), make(shield, 50)}, 1, 3);
  ASSERT_TRUE(pick_up_or_drop_item(m, index, make(arrows), msg));
  EXPECT_EQ(who().equipment[2].kind, arrows);
  EXPECT_EQ(who().equipment[2].word, 0u);
  EXPECT_EQ(dropped(), (std::vector<int>{arrows}));
  EXPECT_EQ(messages, (std::vector<std::string>{"Dropping item1, picking up item1."}));
  // Left at the agent, a little above its feet.
  EXPECT_FLOAT_EQ(m.scene_prop_instances.back().current_frame.origin.z, 0.1f);
}

TEST_F(ItemPickup, ABrokenShieldSlotIsTakenFirst) {
  equip({make(sword), make(bow), make(arrows, 10), make(shield, 0)}, 0, 3);
  ASSERT_TRUE(pick_up_or_drop_item(m, index, make(shield, 80), msg));
  EXPECT_EQ(who().equipment[3].hit_points(), 80);
  EXPECT_TRUE(dropped().empty());
}

TEST_F(ItemPickup, TheWieldedShieldIsDroppedOnlyWithMoreThanOneHitPoint) {
  equip({make(sword), make(bow), make(arrows, 10), make(shield, 1)}, 0, 3);
  ASSERT_TRUE(pick_up_or_drop_item(m, index, make(shield, 80), msg));
  EXPECT_TRUE(dropped().empty());
  equip({make(sword), make(bow), make(arrows, 10), make(shield, 2)}, 0, 3);
  ASSERT_TRUE(pick_up_or_drop_item(m, index, make(shield, 80), msg));
  EXPECT_EQ(dropped(), (std::vector<int>{shield}));
}

TEST_F(ItemPickup, AThrownWeaponIsDroppedOnlyWithShotsLeft) {
  equip({make(sword), make(bow), make(javelins, 1), make(shield, 50)}, 2, 3);
  ASSERT_TRUE(pick_up_or_drop_item(m, index, make(sword), msg));
  EXPECT_EQ(who().equipment[2].kind, sword);
  EXPECT_EQ(dropped(), (std::vector<int>{javelins}));
  // Spent javelins are a spent slot: taken first and gone.
  equip({make(sword), make(bow), make(javelins, 3), make(shield, 50)}, 0, 3);
  ASSERT_TRUE(pick_up_or_drop_item(m, index, make(bow), msg));
  EXPECT_EQ(who().equipment[2].kind, bow);
  EXPECT_EQ(dropped().size(), 1u);
}

TEST_F(ItemPickup, TheSlotAfterTheWeaponSkipsTheShield) {
  const struct {
    int weapon, shield_slot, expected;
  } rows[] = {{0, 3, 1}, {0, 1, 2}, {3, 0, 1}, {2, 3, 0}};
  for (const auto& r : rows) {
    equip({make(sword, 0), make(sword, 0), make(sword, 0), make(sword, 0)}, r.weapon, r.shield_slot);
    EXPECT_EQ(choose_pickup_slot(who(), make(arrows)), r.expected) << r.weapon << " " << r.shield_slot;
  }
}

TEST_F(ItemPickup, NoWieldedWeaponMeansNothingIsTaken) {
  equip({make(sword), make(bow), make(arrows, 10), make(shield, 50)}, -1, -1);
  EXPECT_FALSE(pick_up_or_drop_item(m, index, make(arrows), msg));
  EXPECT_EQ(messages, (std::vector<std::string>{"ui_unable_to_take"}));
  EXPECT_EQ(who().equipment[2].word, 10u);
}

}  // namespace
}  // namespace hm
