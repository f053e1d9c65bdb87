// The record routines behind the troop operations: item values and random
// modifiers, inventory order, freeing entries, stocking and copying a
// merchant's goods, adding and removing items, and the changes of attributes,
// skills, proficiencies, placement and gold.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/random.h"
#include "module/data/data_files.h"
#include "module/troops/troop.h"
#include "module/records/world_records.h"

namespace hm {
namespace {

enum kind_index : int { k_none, k_sword, k_arrows, k_shield, k_cap, k_relic, k_bread, k_banner, k_cheap, k_kind_count };

item_kind make_kind(int type, int value, std::uint32_t flags = 0, std::uint64_t modifiers = 0, int max_ammo = 0) {
  item_kind k;
  k.flags = static_cast<std::uint32_t>(type) | flags;
  k.value = value;
  k.allowed_modifiers = modifiers;
  k.max_ammo = max_ammo;
  k.hit_points = type == item_type::shield ? 60 : 0;
  return k;
}

class TroopRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_modifiers_ = g_item_modifiers;
    for (item_modifier& m : g_item_modifiers) m = {ruv_string(), ruv_string(), 1.0f, 1.0f};
    g_item_modifiers[1].price_factor = 1.5f;
    g_item_modifiers[2].price_factor = 1.52f;
    g_item_modifiers[3].price_factor = 1.3f;
    g_item_modifiers[4].price_factor = 0.5f;
    for (skill& s : g_skills) {
      s.max_level = 10;
      s.flags = 0;
    }
    const std::uint32_t m = item_flag::merchandise;
    g_item_kinds = {
        make_kind(0, 0),
        make_kind(item_type::one_handed, 5, m, 0b11110),
        make_kind(item_type::arrows, 20, m, 0, 30),
        make_kind(item_type::shield, 80, m),
        make_kind(item_type::head_armor, 40, m),
        make_kind(item_type::goods, 500, item_flag::unique | m),
        make_kind(item_type::goods, 10, m),
        make_kind(item_type::goods, 30, item_flag::always_copied),
        make_kind(item_type::one_handed, 0, m),
    };
  }
  void TearDown() override {
    g_item_kinds.clear();
    g_item_modifiers = saved_modifiers_;
  }

  static item with_modifier(int kind, int modifier) {
    item it{kind, 0};
    it.set_modifier(modifier);
    return it;
  }
  static std::vector<int> kinds(const troop& t, int n) {
    std::vector<int> out;
    for (int i = 0; i < n; ++i) out.push_back(t.inventory[static_cast<std::size_t>(i)].kind);
    return out;
  }

 private:
  std::array<item_modifier, item_modifier_count> saved_modifiers_{};
};

TEST_F(TroopRecords, ItemValueRoundsHalvesDownAndModifierWeights) {
  EXPECT_EQ(with_modifier(k_sword, 1).get_value(), 7);  // 7.5
  EXPECT_EQ(with_modifier(k_sword, 2).get_value(), 8);  // 7.6
  EXPECT_EQ(with_modifier(k_sword, 0).get_value(), 5);
  EXPECT_EQ(with_modifier(k_sword, 60).get_value(), 5);  // no such modifier: the plain price
  EXPECT_EQ((item{-1, 0xFFFFFFFFu}).get_value(), 0);

  EXPECT_FLOAT_EQ(get_modifier_weight(1.0f, 1.0f, 1.2f), 0.2f);
  EXPECT_FLOAT_EQ(get_modifier_weight(1.0f, 1.1f, 1.2f), 1.0f / 1.1f);
  // Exactly 1.001 and 0.999 do not count as the other side of 1.0.
  EXPECT_FLOAT_EQ(get_modifier_weight(2.0f, 1.001f, 1.5f), 2.0f / (1.0f + (1.5f - 1.001f)));
  EXPECT_FLOAT_EQ(get_modifier_weight(1.0f, 0.999f, 0.5f), 1.0f / (1.0f + (0.999f - 0.5f)));
  EXPECT_FLOAT_EQ(get_modifier_weight(1.0f, 1.5f, 0.5f), 1.0f / (1.0f * 5.0f + 3.0f + 1.0f));
}

TEST_F(TroopRecords, PackingOrdersByKindThenPriceFactorAndSortingByValue) {
  troop t;
  t.inventory[0] = with_modifier(k_arrows, 0);
  t.inventory[2] = with_modifier(k_shield, 0);
  t.inventory[5] = with_modifier(k_arrows, 3);
  t.inventory[7] = with_modifier(k_cap, 0);
  t.pack_inventory();
  EXPECT_EQ(kinds(t, 5), (std::vector<int>{k_cap, k_shield, k_arrows, k_arrows, -1}));
  EXPECT_EQ(t.inventory[2].modifier(), 3);  // the dearer of the two arrows first

  // Highest value first; equal values in ascending kind order.
  troop s;
  s.inventory[0] = with_modifier(k_cap, 0);      // 40
  s.inventory[1] = with_modifier(k_arrows, 0);   // 20
  s.inventory[3] = with_modifier(k_shield, 4);   // 40
  s.inventory[4] = with_modifier(k_sword, 0);    // 5
  s.sort_inventory();
  EXPECT_EQ(kinds(s, 5), (std::vector<int>{k_shield, k_cap, k_arrows, k_sword, -1}));
}

TEST_F(TroopRecords, FreeingEntriesNeverTouchesUniqueItems) {
  random_seed(11);
  troop t;
  for (int i = 0; i < 90; ++i) t.inventory[static_cast<std::size_t>(i)] = item{i % 2 ? k_relic : k_bread, 0};
  t.free_inventory_slots(30);
  int relics = 0, bread = 0;
  for (const item& it : t.inventory) {
    relics += it.kind == k_relic;
    bread += it.kind == k_bread;
  }
  EXPECT_EQ(relics, 45);
  EXPECT_EQ(bread, 15);
  // Packed: the items lead, in kind order.
  EXPECT_EQ(t.inventory[0].kind, k_bread);
  EXPECT_EQ(t.count_used_inventory(), relics + bread);

  // A troop of only unique items gives up after its draws.
  troop u;
  for (int i = 0; i < 90; ++i) u.inventory[static_cast<std::size_t>(i)] = item{k_relic, 0};
  u.free_inventory_slots(10);
  EXPECT_EQ(u.count_used_inventory(), 90);
}

TEST_F(TroopRecords, MerchandiseIsBoundedSeededAndOfTheType) {
  // Abundance 100 at a stock multiplier of 1 gives one item per pick.
  random_seed(3);
  troop merchant;
  merchant.add_merchandise(item_type::goods, 6, 1.0f);
  EXPECT_EQ(merchant.count_used_inventory(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(merchant.inventory[static_cast<std::size_t>(i)].kind, k_bread) << i;

  // The same seed stocks the same goods with the same modifiers.
  const auto stock = [](std::uint32_t seed) {
    random_seed(seed);
    troop m;
    m.add_merchandise(item_type::one_handed, 5, 1.2f);
    m.add_merchandise(item_type::arrows, 2, 1.2f);
    std::vector<std::uint32_t> out;
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint32_t>(m.inventory[static_cast<std::size_t>(i)].kind) ^ m.inventory[static_cast<std::size_t>(i)].word);
    return out;
  };
  EXPECT_EQ(stock(21), stock(21));
  random_seed(21);
  troop m;
  m.add_merchandise(item_type::one_handed, 5, 1.2f);
  m.add_merchandise(item_type::arrows, 2, 1.2f);
  // Kinds drawn at random (the cheap sword four times), packed by kind.
  EXPECT_EQ(kinds(m, 8), (std::vector<int>{k_cheap, k_cheap, k_cheap, k_cheap, k_arrows, k_arrows, k_sword, -1}));
  EXPECT_EQ(m.inventory[6].modifier(), 3);
  // Over many swords a quality above 1 draws mostly the dear modifiers the
  // sword allows, and never a modifier it does not.
  random_seed(8);
  g_item_kinds[k_cheap].flags &= ~item_flag::merchandise;
  troop armoury;
  armoury.add_merchandise(item_type::one_handed, 80, 1.2f);
  int plain = 0, dear = 0, cheap_modifier = 0;
  for (const item& it : armoury.inventory) {
    if (it.kind != k_sword) continue;
    EXPECT_TRUE(it.modifier() == 0 || ((0b11110 >> it.modifier()) & 1)) << it.modifier();
    plain += it.modifier() == 0;
    dear += it.modifier() >= 1 && it.modifier() <= 3;
    cheap_modifier += it.modifier() == 4;
  }
  EXPECT_GT(dear, 2 * (plain + cheap_modifier));
  // Goods land on random entries, so later ones replace some earlier ones.
  EXPECT_EQ(armoury.count_used_inventory(), 52);

  // A stock multiplier of 3 brings up to three of a kind at once, never more
  // than asked for; a type no kind has ends after the bounded draws.
  g_item_kinds[k_cap].stock_multiplier = 3.0f;
  troop n;
  n.add_merchandise(item_type::head_armor, 2, 1.0f);
  EXPECT_EQ(n.count_used_inventory(), 2);
  troop none;
  none.add_merchandise(item_type::bow, 5, 1.0f);
  EXPECT_EQ(none.count_used_inventory(), 0);
}

TEST_F(TroopRecords, CopiedGoodsFillOnlyEmptyEntries) {
  random_seed(5);
  troop source;
  source.level = 30;
  source.equipment[0] = item{k_banner, 0};
  source.inventory[0] = item{k_banner, 0};
  for (int i = 1; i < 96; ++i) source.inventory[static_cast<std::size_t>(i)] = item{k_sword, 0};
  troop target;
  target.inventory[0] = item{k_cap, 0};
  target.inventory[2] = item{k_shield, 0};
  target.copy_merchandise(source, 100);
  // The always-copied banners fill entries 1 and 3, around the shield; the
  // cheap swords (certain at this level and price) follow.
  EXPECT_EQ(target.inventory[0].kind, k_cap);
  EXPECT_EQ(target.inventory[1].kind, k_banner);
  EXPECT_EQ(target.inventory[2].kind, k_shield);
  EXPECT_EQ(target.inventory[3].kind, k_banner);
  int swords = 0;
  for (const item& it : target.inventory) swords += it.kind == k_sword;
  EXPECT_GE(swords, 8);  // ten draws, nearly all land on a sword
  EXPECT_LE(swords, 10);
}

TEST_F(TroopRecords, RemovingAndAddingItems) {
  troop t;
  t.inventory[3] = with_modifier(k_sword, 1);  // 7
  t.inventory[9] = with_modifier(k_sword, 0);  // 5
  t.equipment[0] = with_modifier(k_sword, 2);  // 8
  EXPECT_EQ(t.remove_items(k_sword, 2, true), 12);
  EXPECT_EQ(t.equipment[0].kind, k_sword);
  EXPECT_EQ(t.remove_items(k_sword, 5, true), 8);
  EXPECT_EQ(t.equipment[0].kind, -1);
  EXPECT_EQ(t.remove_items(k_sword, 1, true), 0);

  // Added items come with a full amount and the modifier.
  ASSERT_TRUE(t.put_item(k_shield, 4));
  EXPECT_EQ(t.inventory[0].modifier(), 4);
  EXPECT_EQ(t.inventory[0].hit_points(), 60);

  troop full;
  full.flags = troop_flag::hero;  // 30 entries
  for (int i = 0; i < 30; ++i) full.inventory[static_cast<std::size_t>(i)] = item{i == 4 ? k_bread : k_relic, 0};
  EXPECT_EQ(add_item_displacing(full, k_bread, 0), item_placement::dropped);
  EXPECT_EQ(add_item_displacing(full, k_relic, 0), item_placement::displaced);
  EXPECT_EQ(full.inventory[4].kind, k_relic);
  EXPECT_EQ(add_item_displacing(full, k_relic, 0), item_placement::no_room);
}

TEST_F(TroopRecords, AttributesSkillsProficienciesPlacementAndGold) {
  troop t;
  t.attributes = {10, 5, 62, 5};
  t.max_hit_points = 45.0f;
  t.raise_attribute(2, 3);  // one step to 63
  EXPECT_EQ(t.attributes[2], 63);
  EXPECT_EQ(t.skill_points, 1);
  t.raise_attribute(0, 2);
  EXPECT_EQ(t.attributes[0], 12);
  EXPECT_FLOAT_EQ(t.max_hit_points, 47.0f);
  t.raise_attribute(0, -20);  // down to 0: hit points follow and are capped
  EXPECT_EQ(t.attributes[0], 0);
  EXPECT_FLOAT_EQ(t.max_hit_points, 35.0f);
  EXPECT_LE(t.max_hit_points, static_cast<float>(t.get_max_hit_points()));

  troop s;
  s.attributes = {10, 5, 5, 5};
  s.max_hit_points = 45.0f;
  s.raise_skill(skill_ironflesh, 3);
  EXPECT_EQ(s.get_skill_level(skill_ironflesh), 3);
  EXPECT_FLOAT_EQ(s.max_hit_points, 51.0f);
  s.raise_skill(skill_ironflesh, 20);  // held to the maximum 10
  EXPECT_EQ(s.get_skill_level(skill_ironflesh), 10);
  EXPECT_FLOAT_EQ(s.max_hit_points, 65.0f);
  s.raise_skill(skill_ironflesh, -10);
  EXPECT_FLOAT_EQ(s.max_hit_points, 45.0f);

  s.proficiencies[1] = 120.0f;
  s.raise_proficiency(1, -500);
  EXPECT_FLOAT_EQ(s.proficiencies[1], 0.0f);
  s.raise_proficiency(1, 2000);
  EXPECT_FLOAT_EQ(s.proficiencies[1], 1000.0f);
  // Above the limit of 60 and above 50: f = 70/131 / 21 x 20 x 0.65.
  EXPECT_FLOAT_EQ(s.compute_proficiency_gain(61.0f, 1.0f), 61.0f + 2.0f * (70.0f / 131.0f / 21.0f * 20.0f * 0.65f));

  EXPECT_EQ(s.set_scene_placement(12, 260), 4 * 65536 + 12);
  s.gold = 200;
  s.take_money(300);
  EXPECT_EQ(s.gold, 0);
  s.add_gold(std::int64_t{1} << 50);
  EXPECT_EQ(s.gold, INT32_MAX);
}

}  // namespace
}  // namespace hm
