// Item kinds: the reader, the statistic accessors with their modifier tables
// (and kinds or modifiers outside the tables), ammunition, mesh choice and the
// carry frames.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "module/records/item_kind.h"
#include "module/support/module_test_support.h"

namespace hm {
namespace {

using test::fatal_message;
using test::memory_reader;

item_kind make_kind(int type) {
  item_kind k;
  k.flags = static_cast<std::uint32_t>(type);
  return k;
}

// A small table: 0 a horse with 0 hit points, 1 a shield with 0, 2 a body
// armour of 2, 3 a sword, 4 a quiver of 20, 5 a quiver of 3, 6 a bow, 7 a horse
// with its statistics, 8 a quiver of 300.
class ItemKinds : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_.swap(g_item_kinds);
    g_item_kinds.clear();
    g_item_kinds.push_back(make_kind(item_type::horse));
    g_item_kinds.push_back(make_kind(item_type::shield));
    item_kind armour = make_kind(item_type::body_armor);
    armour.body_armor = 2;
    armour.head_armor = 10;
    armour.leg_armor = 5;
    g_item_kinds.push_back(armour);
    item_kind sword = make_kind(item_type::one_handed);
    sword.swing_damage = 28;
    sword.thrust_damage = 20 | (1 << 8);
    sword.speed_rating = 99;
    sword.difficulty = 9;
    sword.hit_points = 0;
    g_item_kinds.push_back(sword);
    item_kind quiver = make_kind(item_type::arrows);
    quiver.max_ammo = 20;
    g_item_kinds.push_back(quiver);
    quiver.max_ammo = 3;
    g_item_kinds.push_back(quiver);
    item_kind bow = make_kind(item_type::bow);
    bow.leg_armor = 0;
    g_item_kinds.push_back(bow);
    item_kind horse = make_kind(item_type::horse);
    horse.hit_points = 120;
    horse.missile_speed = 40;
    horse.speed_rating = 3;
    horse.thrust_damage = 12;
    horse.difficulty = 2;
    g_item_kinds.push_back(horse);
    quiver.max_ammo = 300;
    g_item_kinds.push_back(quiver);
  }
  void TearDown() override { g_item_kinds.swap(saved_); }

  static item make(int kind, int modifier, int low = 0) {
    item it;
    it.kind = kind;
    it.word = static_cast<std::uint32_t>(low);
    it.set_modifier(modifier);
    return it;
  }

 private:
  std::vector<item_kind> saved_;
};

TEST_F(ItemKinds, AccessorsApplyTheModifierTablesAndTheirBounds) {
  struct row {
    const char* what;
    int kind;
    int modifier;
    int (item::*accessor)() const;
    int expected;
  };
  const row rows[] = {
      {"horse at 0 hit points counts as 100", 0, 1, &item::get_max_hit_points, 44},
      {"shield at 0 hit points stays 0", 1, 1, &item::get_max_hit_points, 0},
      {"hit points bonus", 7, 29, &item::get_max_hit_points, 275},
      {"hit points malus", 7, 1, &item::get_max_hit_points, 64},
      {"body armour 2 with -4 stops at 0", 2, 1, &item::get_body_armor, 0},
      {"head armour bonus", 2, 29, &item::get_head_armor, 16},
      {"leg armour malus", 2, 22, &item::get_leg_armor, 3},
      {"speed rating", 3, 13, &item::get_speed_rating, 102},
      {"weapon difficulty", 3, 17, &item::get_difficulty, 13},
      {"horse difficulty uses its own table", 7, 36, &item::get_difficulty, 4},
      {"horse difficulty ignores weapon modifiers", 7, 17, &item::get_difficulty, 2},
      {"horse speed", 7, 36, &item::get_horse_speed, 42},
      {"horse maneuver never below 1", 7, 30, &item::get_horse_maneuver, 1},
      {"horse charge", 7, 18, &item::get_horse_charge, 16},
      {"bow accuracy 0 counts as 99", 6, 0, &item::get_accuracy, 99},
      {"a modifier not in a table changes nothing", 2, 40, &item::get_head_armor, 10},
      // Items whose kind lies outside the table are no item.
      {"kind -1: hit points", -1, 0, &item::get_max_hit_points, 1},
      {"past the end: hit points", 9, 0, &item::get_max_hit_points, 1},
      {"past the end: speed", 9, 0, &item::get_speed_rating, 100},
      {"past the end: accuracy", 1000, 0, &item::get_accuracy, 100},
      {"past the end: armour", 9, 29, &item::get_body_armor, 0},
      {"past the end: ammunition", 9, 42, &item::get_max_ammo, 0},
      {"past the end: difficulty", 1 << 30, 17, &item::get_difficulty, 0},
  };
  for (const row& r : rows) EXPECT_EQ((make(r.kind, r.modifier).*r.accessor)(), r.expected) << r.what;
}

TEST_F(ItemKinds, DamageTakesTheLowByteAndKeepsZero) {
  EXPECT_EQ(make(3, 0).get_damage(1), 20);
  EXPECT_EQ(make(3, 14).get_damage(0), 32);
  EXPECT_EQ(make(3, 1).get_damage(1), 15);
  // A weapon without swing damage (the shield) has none with any modifier.
  for (int modifier : {0, 1, 10, 17, 19}) EXPECT_EQ(make(1, modifier).get_damage(0), 0) << modifier;
  EXPECT_EQ(make(-1, 17).get_damage(0), 0);
  EXPECT_EQ(make(42, 17).get_damage(0), 0);
}

TEST_F(ItemKinds, LargeBagAddsAtLeastOneShot) {
  EXPECT_EQ(make(4, 0).get_max_ammo(), 20);
  EXPECT_EQ(make(4, 42).get_max_ammo(), 23);
  EXPECT_EQ(make(5, 42).get_max_ammo(), 4);
  EXPECT_EQ(make(4, 42).get_remaining_ammo(), 23);
}

TEST_F(ItemKinds, ConsumingStopsAtTheMaximumAndKeepsTheRestOfTheWord) {
  item quiver = make(4, 3, 18);
  quiver.consume_ammo(5);
  EXPECT_EQ(quiver.get_remaining_ammo(), 0);
  EXPECT_EQ(quiver.used_shots(), 20);
  EXPECT_EQ(quiver.modifier(), 3);

  item full = make(4, 0);
  full.consume_ammo(1);
  EXPECT_EQ(full.get_remaining_ammo(), 19);

  // The used count is one byte: a quiver of 300 never wraps it, and never
  // claims shots it cannot count.
  item large = make(8, 0);
  EXPECT_EQ(large.get_remaining_ammo(), 255);
  large.consume_ammo(250);
  large.consume_ammo(10);
  EXPECT_EQ(large.used_shots(), 255);
  EXPECT_EQ(large.get_remaining_ammo(), 0);
}

TEST_F(ItemKinds, ModifiersOutsideTheTableAreNoModifier) {
  // A broken item word: the top byte read as a signed byte.
  for (int modifier : {-1, -128, 43, 60, 63, 100, 127}) {
    EXPECT_EQ(make(2, modifier).get_head_armor(), 10) << modifier;
    EXPECT_EQ(make(4, modifier).get_max_ammo(), 20) << modifier;
  }
  item_kind kind;
  kind.id = "k";
  kind.mesh_count = 2;
  kind.mesh_variants[0] = {"plain", 0};
  kind.mesh_variants[1] = {"all_bits", -1 & ~(std::int64_t{15} << 60)};
  EXPECT_EQ(kind.get_mesh_name(5), "all_bits");
  for (int modifier : {-1, 43, 59, 63, 64, 127}) EXPECT_EQ(kind.get_mesh_name(modifier), "plain") << modifier;
}

TEST(ItemKindMeshes, TheModifiersVariantReplacesTheDefault) {
  item_kind kind;
  kind.id = "itm_sword";
  kind.mesh_count = 4;
  kind.mesh_variants[0] = {"sword_special", std::int64_t{1} << 5};
  kind.mesh_variants[1] = {"sword", 0};
  kind.mesh_variants[2] = {"sword_scabbard", std::int64_t{1} << 60};
  kind.mesh_variants[3] = {"sword_scabbard_5", (std::int64_t{1} << 60) | (std::int64_t{1} << 5)};
  // The first role-0 variant is the default even when it is a modifier's.
  EXPECT_EQ(kind.get_mesh_name(5), "sword_special");
  EXPECT_EQ(kind.get_mesh_name(0), "sword_special");
  kind.mesh_variants[0] = {"sword", 0};
  kind.mesh_variants[1] = {"sword_special", std::int64_t{1} << 5};
  EXPECT_EQ(kind.get_mesh_name(5), "sword_special");
  EXPECT_EQ(kind.get_mesh_name(4), "sword");
  EXPECT_EQ(kind.get_mesh_for_role(1, 0), "sword_scabbard");
  EXPECT_EQ(kind.get_mesh_for_role(1, 5), "sword_scabbard_5");
  EXPECT_EQ(kind.get_mesh_for_role(2, 5), "");

  kind.mesh_count = 1;
  kind.mesh_variants[0] = {"scabbard_only", std::int64_t{3} << 60};
  EXPECT_EQ(kind.get_mesh_name(0), "itm_sword");
}

TEST_F(ItemKinds, ItemMeshNamesCheckTheTable) {
  g_item_kinds[3].id = "itm_sword";
  EXPECT_EQ(make(3, 0).get_mesh_name(), "itm_sword");
  EXPECT_EQ(make(9, 0).get_mesh_name(), "Error: Invalid item");
  EXPECT_EQ(make(-1, 0).get_mesh_name(), "Error: Invalid item");
  EXPECT_EQ(make(9, 0).get_mesh_for_role(1), "");
}

TEST_F(ItemKinds, WeaponClassByType) {
  const struct {
    int type;
    int flag0;
    int flag1;
  } rows[] = {{item_type::one_handed, 0, 0}, {item_type::two_handed, 1, 0}, {item_type::polearm, 2, 2},
              {item_type::bow, 3, 3},        {item_type::crossbow, 4, 4},   {item_type::thrown, 5, 5},
              {item_type::pistol, 6, 6},     {item_type::musket, 6, 6},     {item_type::goods, 1, 0}};
  for (const auto& r : rows) {
    g_item_kinds[0].flags = static_cast<std::uint32_t>(r.type);
    EXPECT_EQ(item::get_weapon_class(0, 0), r.flag0) << r.type;
    EXPECT_EQ(item::get_weapon_class(0, 1), r.flag1) << r.type;
  }
  EXPECT_EQ(item::get_weapon_class(99, 0), 1);
}

void expect_vec(const vec3& v, float x, float y, float z, const char* what) {
  EXPECT_NEAR(v.x, x, 1e-5f) << what;
  EXPECT_NEAR(v.y, y, 1e-5f) << what;
  EXPECT_NEAR(v.z, z, 1e-5f) << what;
}

TEST(ItemCarryFrames, PositionsAgainstWorkedValues) {
  item_kind kind;
  // Code 8: one turn about z, no pull.
  kind.capabilities = std::uint64_t{8} << 28;
  carry_frame c = kind.get_carry_frame();
  EXPECT_EQ(c.place, 5);
  EXPECT_EQ(c.bone, 8);
  expect_vec(c.placement.origin, -0.05f, 0.02f, -0.17f, "code 8 origin");
  expect_vec(c.placement.rot.s, 0.9297765f, 0.3681245f, 0.0f, "code 8 s");
  expect_vec(c.placement.rot.f, -0.3681245f, 0.9297765f, 0.0f, "code 8 f");

  // Code 23 (7 in the low word's bits, 1 in the high word's): pulled back 0.67
  // along the turned forward axis.
  kind.capabilities = (std::uint64_t{7} << 28) | (std::uint64_t{1} << 32) | 0xFFF;
  c = kind.get_carry_frame();
  EXPECT_EQ(c.place, 5);
  EXPECT_EQ(c.bone, 8);
  expect_vec(c.placement.origin, 0.1690040f, -0.2756997f, -0.17f, "code 23 origin");

  // Code 2 with a 95 cm weapon: three turns, then back by 0.95 - 0.3.
  kind.capabilities = std::uint64_t{2} << 28;
  kind.weapon_length = 95;
  c = kind.get_carry_frame();
  EXPECT_EQ(c.place, 1);
  EXPECT_EQ(c.bone, 0);
  expect_vec(c.placement.rot.s, 0.1307353f, -0.8246975f, 0.5502565f, "code 2 s");
  expect_vec(c.placement.rot.f, -0.1054640f, 0.5403023f, 0.8348358f, "code 2 f");
  expect_vec(c.placement.rot.u, -0.9857919f, -0.1671748f, -0.0163393f, "code 2 u");
  expect_vec(c.placement.origin, 0.2785516f, -0.2311965f, -0.4026433f, "code 2 origin");

  // Codes without a position: identity, bone 0, place 0.
  for (std::uint64_t code : {0ull, 13ull, 25ull, 32ull, 127ull}) {
    kind.capabilities = code << 28;
    c = kind.get_carry_frame();
    EXPECT_EQ(c.place, 0) << code;
    EXPECT_EQ(c.bone, 0) << code;
    expect_vec(c.placement.origin, 0, 0, 0, "no position");
    expect_vec(c.placement.rot.f, 0, 1, 0, "no position");
  }
}

constexpr const char* two_kinds =
    "itemsfile version 2\n2\n"
    "itm_a Long_Sword Long_Swords 2 sword 0 sword_b 32 2 268435456 150 15 1.5 90 1 2 3 4 5 6 7 8 9 10 11\n"
    "1 0.5 1 2133 2 5 6\n"
    "itm_b B Bs 0 11 0 1 0 0.1 100 0 0 0 0 0 0 0 0 0 0 0\n0\n";

TEST(ItemKindReader, ReadsEveryFieldInOrderAndTheTriggersOfVersion2) {
  std::vector<item_kind> table(5);
  memory_reader reader(two_kinds);
  load_item_kinds(table, reader);
  ASSERT_EQ(table.size(), 2u);
  const item_kind& a = table[0];
  EXPECT_EQ(a.id, "itm_a");
  EXPECT_EQ(a.name, "Long Sword");
  EXPECT_EQ(a.plural_name, "Long Swords");
  EXPECT_EQ(a.mesh_count, 2);
  EXPECT_EQ(a.mesh_variants[1].mesh_name, "sword_b");
  EXPECT_EQ(a.mesh_variants[1].mask, 32);
  EXPECT_EQ(a.type(), item_type::one_handed);
  EXPECT_EQ(a.capabilities, 268435456u);
  EXPECT_EQ(a.value, 150);
  EXPECT_EQ(a.allowed_modifiers, 15u);
  EXPECT_FLOAT_EQ(a.weight, 1.5f);
  EXPECT_EQ(a.abundance, 90);
  const int ints[] = {a.head_armor,    a.body_armor,    a.leg_armor,     a.difficulty,
                      a.hit_points,    a.speed_rating,  a.missile_speed, a.weapon_length,
                      a.max_ammo,      a.thrust_damage, a.swing_damage};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(ints[i], i + 1) << i;
  ASSERT_EQ(a.triggers.count(), 1);
  EXPECT_EQ(a.triggers.triggers[0].block.name, "Item itm_a trigger no: 0");
  EXPECT_EQ(table[1].type(), item_type::goods);
  EXPECT_TRUE(a.is_melee_weapon());
  EXPECT_FALSE(a.is_ranged_weapon());
}

TEST(ItemKindReader, MaximumAmmunitionIsHeldToWhatTheUsedCountByteHolds) {
  std::vector<item_kind> table;
  // Arrows of 300 and 255 shots.
  memory_reader reader(
      "itemsfile version 1\n2\n"
      "itm_f F Fs 0 5 0 1 0 0 100 0 0 0 0 0 0 0 0 300 0 0\n"
      "itm_g G Gs 0 5 0 1 0 0 100 0 0 0 0 0 0 0 0 255 0 0\n");
  load_item_kinds(table, reader);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].max_ammo, 255);
  EXPECT_EQ(table[1].max_ammo, 255);
}

TEST(ItemKindReader, Version1HasNoTriggersAndTooManyVariantsIsFatal) {
  std::vector<item_kind> table;
  memory_reader v1("itemsfile version 1\n1\nitm_c C Cs 0 8 0 1 0 0 100 0 0 0 0 0 0 0 0 0 0 0\n");
  load_item_kinds(table, v1);
  ASSERT_EQ(table.size(), 1u);
  EXPECT_TRUE(table[0].is_ranged_weapon());
  EXPECT_EQ(table[0].triggers.count(), 0);

  std::string many = "itemsfile version 1\n1\nitm_d Many_Meshes M 17";
  for (int i = 0; i < 17; ++i) many += " m 0";
  memory_reader broken(many);
  EXPECT_EQ(fatal_message([&] { load_item_kinds(table, broken); }), "Error too many variation on mesh Many Meshes");
  memory_reader negative("itemsfile version 1\n1\nitm_e E Es -2 0 0");
  EXPECT_EQ(fatal_message([&] { load_item_kinds(table, negative); }),
            "Bad count -2 of mesh variants in itm_e of file test.txt");
}

TEST_F(ItemKinds, FindItemKindGivesTheFirstKindForAnUnknownId) {
  g_item_kinds[3].id = "itm_sword";
  g_item_kinds[5].id = "itm_sword";
  EXPECT_EQ(find_item_kind("itm_sword"), 3);
  EXPECT_EQ(find_item_kind("itm_Sword"), 0);
  EXPECT_EQ(find_item_kind("nothing"), 0);
}

}  // namespace
}  // namespace hm
