// World records as their readers take them, the equipment rules with
// auto_equip over a small table of item kinds, and the troop refresh.
#include "module/troops/troop.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/core/random.h"
#include "module/support/module_test_support.h"
#include "module/troops/troop_equipment.h"
#include "module/troops/troop_refresh.h"
#include "module/records/world_records.h"
#include "render/terrain/ai_mesh.h"

namespace hm {
namespace {

using test::fatal_message;
using test::memory_reader;

// A troops.txt record: the inventory kinds given, the rest empty.
std::string troop_text(const std::string& id, std::uint64_t flags, int strength, int level,
                       const std::string& skill_words = "0 0 0 0 0 0", const std::vector<int>& kinds = {}) {
  std::string text = id + " Name_" + id + " Plural " + std::to_string(flags) + " 0 0 1 0 0\n";
  for (int i = 0; i < troop_file_inventory_size; ++i)
    text += std::to_string(i < static_cast<int>(kinds.size()) ? kinds[static_cast<std::size_t>(i)] : -1) + " 0 ";
  text += "\n" + std::to_string(strength) + " 5 5 5 " + std::to_string(level) + "\n10 20 30 40 50 60 70\n" +
          skill_words + "\n0 0 0 0 0 0 0 0\n";
  return text;
}

troop read_troop(const std::string& text) {
  memory_reader reader(text);
  troop t;
  t.read(reader);
  return t;
}

// Skill 36 (hit points) at level 4: word 4, bits 16..19.
constexpr const char* ironflesh_4 = "0 0 0 0 262144 0";

class WorldRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    for (skill& s : g_skills) {
      s.max_level = 10;
      s.flags = 0;
    }
  }
};

TEST_F(WorldRecords, TroopLevelExperienceAndHitPoints) {
  random_seed(5);
  const troop zero = read_troop(troop_text("trp_a", 0, 12, 0));
  EXPECT_EQ(zero.level, 1);
  EXPECT_EQ(zero.experience, 0);
  EXPECT_EQ(zero.name, "Name trp a");
  for (int i = 0; i < 20; ++i) {
    const troop ten = read_troop(troop_text("trp_b", 0, 12, 10));
    EXPECT_GE(ten.experience, 13010);
    EXPECT_LT(ten.experience, 16161);
  }
  // A level past the level table is held to its last entry.
  const troop high = read_troop(troop_text("trp_c", 0, 12, 99));
  EXPECT_EQ(high.level, max_troop_level);
  EXPECT_EQ(high.experience, g_level_table[max_troop_level]);

  const troop strong = read_troop(troop_text("trp_d", 0, 12, 5, ironflesh_4));
  EXPECT_EQ(strong.max_hit_points, 55.0f);
  EXPECT_EQ(strong.proficiencies[6], 70.0f);
  for (const item& it : strong.equipment) EXPECT_EQ(it.kind, -1);
  g_skills[skill_ironflesh].max_level = 2;
  EXPECT_EQ(read_troop(troop_text("trp_e", 0, 12, 5, ironflesh_4)).max_hit_points, 51.0f);
}

TEST_F(WorldRecords, FactionsScenesQuestsAndSkills) {
  memory_reader factions("fac_a Alpha 12800 1122867 0.5 -0.5 2 Extra_One Two\nfac_b Beta 0 4278190080 0 0 0\n");
  faction a, b;
  a.read(factions, 2);
  b.read(factions, 2);
  EXPECT_EQ(a.colour, 0xFF112233u);
  EXPECT_FLOAT_EQ(a.upper_bound, 0.5f);
  EXPECT_FLOAT_EQ(a.relations[1], -0.5f);
  ASSERT_EQ(a.extra_names.size(), 2u);
  EXPECT_EQ(a.extra_names[0], "Extra_One");
  EXPECT_FLOAT_EQ(b.upper_bound, 1.0f);
  faction bad;
  memory_reader negative("fac_c C 0 0 0 -3\n");
  EXPECT_EQ(fatal_message([&] { bad.read(negative, 1); }), "Bad count -3 of extra names in fac_c of file test.txt");

  std::string chests = "scn_a a 0 none none 0 0 1 1 0 code 1 7 20";
  for (int i = 0; i < 20; ++i) chests += " " + std::to_string(i + 100);
  chests += " outer\n";
  memory_reader scenes(chests);
  scene s;
  s.read(scenes);
  EXPECT_EQ(s.chest_troop_count, 16);
  EXPECT_EQ(s.chest_troops[15], 115);
  EXPECT_EQ(s.outer_terrain, "outer");
  EXPECT_EQ(s.passages[0], 7);
  // Its navigation mesh starts empty: no vertices, edges or faces, three
  // counts of 0, and reads back as an empty graph.
  EXPECT_EQ(s.navigation_data, std::vector<std::uint8_t>(12, 0));
  binary_reader navigation;
  navigation.open_memory("navigation", s.navigation_data.data(), s.navigation_data.size());
  ai_mesh mesh;
  add_ai_mesh_vertex(mesh, vec3(1.0f, 2.0f, 3.0f));
  EXPECT_TRUE(mesh.read(navigation));
  EXPECT_TRUE(mesh.vertices.empty());
  std::string passages = "scn_b b 0 none none 0 0 1 1 0 code 17";
  for (int i = 0; i < 17; ++i) passages += " 1";
  memory_reader too_many(passages + " 0 outer\n");
  scene t;
  EXPECT_EQ(fatal_message([&] { t.read(too_many); }), "Number of passages for site scn_b exceeds 16.");

  memory_reader quests("qst_untranslated_xyz Find_It 0 Look_around.\n");
  quest q;
  q.read(quests);
  EXPECT_EQ(q.translated_name, "Find It");
  EXPECT_EQ(q.translated_text, "Look around.");

  std::string many = "50\n";
  for (int i = 0; i < 50; ++i) many += "skl_" + std::to_string(i) + " S 0 5 Desc\n";
  memory_reader fifty(many);
  load_skills(g_skills, fifty);
  EXPECT_EQ(g_skills[41].id, "skl_41");
  EXPECT_EQ(g_skills[41].saved_max_level, 5);
  memory_reader ten("2\nskl_x X 0 4 D\nskl_y Y 0 3 D\n");
  load_skills(g_skills, ten);
  EXPECT_EQ(g_skills[1].max_level, 3);
  EXPECT_EQ(g_skills[2].max_level, 0);
  EXPECT_EQ(g_skills[2].flags, skill_flag_inactive);
  EXPECT_EQ(g_skills[2].id, "skl_2");  // texts are kept
}

// A small table of item kinds for the equipment rules.
enum kind_index : int {
  k_none, k_cheap_sword, k_good_sword, k_two_hander, k_shield, k_bow, k_arrows, k_helmet, k_armour,
  k_heavy_armour, k_horse, k_goods, k_packed_goods, k_pistol, k_bullets, k_kind_count
};

item_kind make_kind(const char* id, int type, int value, std::uint32_t extra_flags = 0, int difficulty = 0,
                    int max_ammo = 0) {
  item_kind k;
  k.id = id;
  k.flags = static_cast<std::uint32_t>(type) | extra_flags;
  k.value = value;
  k.difficulty = difficulty;
  k.max_ammo = max_ammo;
  k.hit_points = type == item_type::shield ? 100 : 0;
  return k;
}

class Equipment : public WorldRecords {
 protected:
  void SetUp() override {
    WorldRecords::SetUp();
    g_item_kinds = {
        make_kind("itm_none", 0, 0),
        make_kind("itm_cheap_sword", item_type::one_handed, 50),
        make_kind("itm_good_sword", item_type::one_handed, 300),
        make_kind("itm_two_hander", item_type::two_handed, 400, item_flag::no_shield),
        make_kind("itm_shield", item_type::shield, 80),
        make_kind("itm_bow", item_type::bow, 120),
        make_kind("itm_arrows", item_type::arrows, 30, 0, 0, 30),
        make_kind("itm_helmet", item_type::head_armor, 90),
        make_kind("itm_armour", item_type::body_armor, 200, 0, 9),
        make_kind("itm_heavy_armour", item_type::body_armor, 900, 0, 10),
        make_kind("itm_horse", item_type::horse, 500),
        make_kind("itm_goods", item_type::goods, 10),
        make_kind("itm_packed_goods", item_type::goods, 10, item_flag::fits_goods_slot),
        make_kind("itm_pistol", item_type::pistol, 600, 0, 0, 1),
        make_kind("itm_bullets", item_type::bullets, 20, 0, 0, 10),
    };
  }
  void TearDown() override { g_item_kinds.clear(); }

  static troop make_troop(std::uint64_t flags, int strength, const std::vector<int>& kinds) {
    troop t;
    t.flags = flags;
    t.attributes = {strength, 5, 5, 5};
    for (std::size_t i = 0; i < kinds.size(); ++i) t.inventory[i].kind = kinds[i];
    return t;
  }
};

TEST_F(Equipment, SlotsRequirementsAndCapacity) {
  troop hero = make_troop(troop_flag::hero, 9, {});
  troop soldier = make_troop(0, 9, {});
  item heavy{k_heavy_armour, 0};
  item armour{k_armour, 0};
  item sturdy_armour{k_armour, 0};
  sturdy_armour.set_modifier(17);  // difficulty 9 + 4
  EXPECT_FALSE(hero.can_equip_item(heavy, equipment_slot::body));
  EXPECT_TRUE(hero.can_equip_item(armour, equipment_slot::body));
  EXPECT_FALSE(hero.can_equip_item(sturdy_armour, equipment_slot::body));
  EXPECT_TRUE(soldier.can_equip_item(heavy, equipment_slot::body));
  EXPECT_FALSE(soldier.can_equip_item(armour, equipment_slot::head));

  struct row {
    int kind;
    int slot;
    bool fits;
  };
  const row rows[] = {
      {k_goods, 9, false},       {k_packed_goods, 9, true}, {k_horse, 9, true},   {k_horse, 8, true},
      {k_arrows, 3, true},       {k_pistol, 0, true},       {k_bullets, 2, true}, {k_helmet, 0, false},
      {k_good_sword, 10, false}, {k_good_sword, -1, false}, {k_none, 0, false},   {k_kind_count, 0, false},
  };
  for (const row& r : rows) EXPECT_EQ(soldier.can_equip_item(item{r.kind, 0}, r.slot), r.fits) << r.kind << " " << r.slot;

  EXPECT_EQ(soldier.get_inventory_capacity(), 90);
  hero.set_skill_level(skill_inventory_management, 3);
  EXPECT_EQ(hero.get_inventory_capacity(), 48);
  g_skills[skill_inventory_management].max_level = 15;
  hero.set_skill_level(skill_inventory_management, 10);
  EXPECT_EQ(hero.get_inventory_capacity(), 96);
}

TEST_F(Equipment, HeroTakesTheBestOfEachKindInOrder) {
  troop hero = make_troop(troop_flag::hero, 20,
                          {k_cheap_sword, k_arrows, k_good_sword, k_shield, k_bow, k_helmet, k_armour, k_horse});
  auto_equip(hero, 0, false, false);
  EXPECT_EQ(hero.equipment[0].kind, k_bow);
  EXPECT_EQ(hero.equipment[1].kind, k_arrows);
  EXPECT_EQ(hero.equipment[2].kind, k_good_sword);
  EXPECT_EQ(hero.equipment[3].kind, k_shield);
  EXPECT_EQ(hero.equipment[4].kind, k_helmet);
  EXPECT_EQ(hero.equipment[5].kind, k_armour);
  EXPECT_EQ(hero.equipment[6].kind, -1);
  EXPECT_EQ(hero.equipment[8].kind, k_horse);
  // What was not taken stays in the inventory; equipping again gives the same.
  EXPECT_EQ(hero.inventory[0].kind, k_cheap_sword);
  auto_equip(hero, 0, false, false);
  EXPECT_EQ(hero.equipment[2].kind, k_good_sword);
  EXPECT_EQ(hero.equipment[3].kind, k_shield);

  // A weapon that takes both hands leaves no room for a shield.
  troop two_handed = make_troop(troop_flag::hero, 20, {k_two_hander, k_shield});
  auto_equip(two_handed, 1, false, false);
  EXPECT_EQ(two_handed.equipment[0].kind, k_two_hander);
  EXPECT_EQ(two_handed.equipment[1].kind, -1);

  troop keeper = make_troop(troop_flag::hero | troop_flag::keep_equipment, 20, {k_good_sword});
  keeper.equipment[5] = item{k_armour, 0};
  auto_equip(keeper, 2, false, false);
  EXPECT_EQ(keeper.equipment[5].kind, k_armour);
  EXPECT_EQ(keeper.equipment[0].kind, -1);
  EXPECT_EQ(keeper.inventory[0].kind, k_good_sword);
}

TEST_F(Equipment, SoldiersChooseBySeedTheSameWayEveryTime) {
  const std::vector<int> kit = {k_cheap_sword, k_good_sword, k_two_hander, k_armour, k_heavy_armour};
  for (int troop_index = 0; troop_index < 8; ++troop_index) {
    troop a = make_troop(0, 5, kit);
    troop b = make_troop(0, 5, kit);
    auto_equip(a, troop_index, false, false);
    auto_equip(b, troop_index, false, false);
    for (int slot = 0; slot < troop_equipment_slots; ++slot)
      EXPECT_EQ(a.equipment[static_cast<std::size_t>(slot)].kind, b.equipment[static_cast<std::size_t>(slot)].kind);
    // Something to fight with always: the cheapest pass fills in.
    EXPECT_NE(a.equipment[0].kind, -1) << troop_index;
  }
}

TEST_F(Equipment, RefreshReloadsThePlayersPistolFromBullets) {
  troop player = make_troop(troop_flag::hero, 10, {k_bullets, k_shield});
  player.equipment[0] = item{k_pistol, 1};                 // fired
  player.inventory[0].word = 9;                             // one bullet left
  player.inventory[1].set_hit_points(3);                    // battered shield
  troop other = make_troop(0, 10, {k_arrows, k_horse});
  other.inventory[0].word = 25;
  other.inventory[1].set_hit_points(5);
  other.equipment[0] = item{k_pistol, 1};
  std::vector<troop> troops = {player, other};
  refresh_all_troops(troops, 0);
  EXPECT_EQ(troops[0].equipment[0].used_shots(), 0);
  EXPECT_EQ(troops[0].inventory[0].kind, -1);  // the last bullet went into the pistol
  EXPECT_EQ(troops[0].inventory[1].hit_points(), 100);
  EXPECT_EQ(troops[1].inventory[0].used_shots(), 0);
  EXPECT_EQ(troops[1].inventory[1].hit_points(), troops[1].inventory[1].get_max_hit_points());
  EXPECT_EQ(troops[1].equipment[0].used_shots(), 0);

  // Without bullets the player's pistol stays fired.
  troop empty_handed = make_troop(troop_flag::hero, 10, {});
  empty_handed.equipment[0] = item{k_pistol, 1};
  std::vector<troop> alone = {empty_handed};
  refresh_all_troops(alone, 0);
  EXPECT_EQ(alone[0].equipment[0].used_shots(), 1);

  // Kind 0 is never refilled.
  item nothing{0, 7};
  replenish_item(nothing, 0);
  EXPECT_EQ(nothing.word, 7u);
}

TEST_F(WorldRecords, DistributePointsSpendsWhatTheLevelGives) {
  random_seed(11);
  troop t;
  t.level = 10;
  t.attributes = {5, 5, 4, 4};
  t.distribute_points();
  EXPECT_EQ(t.attributes[0] + t.attributes[1] + t.attributes[2] + t.attributes[3], 30);
  EXPECT_EQ(t.attribute_points, 0);
  EXPECT_EQ(t.skill_points, 0);
  int skills = 0;
  for (int s = 0; s < skill_count; ++s) skills += t.get_skill_level(s);
  EXPECT_EQ(skills, 13);

  // Every skill at its maximum: the points stay, the draws give up.
  for (skill& s : g_skills) s.max_level = 0;
  troop full;
  full.level = 5;
  const std::uint32_t before = random_state();
  full.distribute_points();
  EXPECT_EQ(full.skill_points, 8);
  EXPECT_NE(random_state(), before);
}

TEST_F(WorldRecords, DistributedHitPointSkillBringsItsHitPoints) {
  // Only the hit-point skill has room, and the attributes already reach what
  // the level gives: the 5 skill points (level 2 + 3) all go to it, each level
  // with its 2 hit points, 45 + 10.
  for (skill& s : g_skills) s.max_level = 0;
  g_skills[skill_ironflesh].max_level = 10;
  random_seed(2);
  troop t;
  t.level = 2;
  t.attributes = {10, 4, 4, 4};
  t.max_hit_points = static_cast<float>(t.get_max_hit_points());
  ASSERT_EQ(t.max_hit_points, 45.0f);
  t.distribute_points();
  EXPECT_EQ(t.get_skill_level(skill_ironflesh), 5);
  EXPECT_EQ(t.skill_points, 0);
  EXPECT_EQ(t.max_hit_points, 55.0f);
}

}  // namespace
}  // namespace hm
