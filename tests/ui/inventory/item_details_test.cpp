// The details beside an inventory slot for a weapon, an armour, a horse and
// food: every line's text, size and colour in order, the labels taken from
// the translations with their values filled in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/base/module_settings.h"
#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "module/records/world_records.h"
#include "module/text/translation_table.h"
#include "script/game_hooks.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"
#include "ui/inventory/item_details.h"

namespace hm {
namespace {

constexpr std::uint32_t white = 0xFFFFFFFFu;

struct expected_line {
  std::string text;
  float size;
  std::uint32_t colour;
};

class ItemDetails : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [key, text] : std::vector<std::pair<const char*, const char*>>{
             {"ui_one_handed", "One-handed"},
             {"ui_sell_price", "Sells for %d"},
             {"ui_buying_price", "Costs %d"},
             {"ui_return_price", "Return for %d"},
             {"ui_reclaim_price", "Take back for %d"},
             {"ui_weight", "Weight %s"},
             {"ui_swing", "Swing %d%s"},
             {"ui_thrust", "Thrust %d%s"},
             {"ui_cut_short", "c"},
             {"ui_pierce_short", "p"},
             {"ui_blunt_short", "b"},
             {"ui_speed_rating", "Speed %d"},
             {"ui_weapon_reach", "Reach %d"},
             {"ui_strength", "Strength"},
             {"ui_requires_value_difficulty", "Needs %s %d"},
             {"ui_bonus_against_shields", "Bonus against shields"},
             {"ui_plus_value_to_body_armor", "+%d body"},
             {"ui_plus_value_to_leg_armor", "+%d legs"},
             {"ui_armor", "Armour %d"},
             {"ui_speed", "Speed %d"},
             {"ui_maneuver", "Manoeuvre %d"},
             {"ui_charge", "Charge %d"},
             {"ui_hit_points", "Hits %d"},
             {"ui_value_to_morale", "+%s morale"},
             {"imod_rusty", "Rusty %s"},
             {"itm_sword", "Arming Sword"},
         })
      g_translation_table.set_translation(key, text);
    saved_skill = g_skills[24];
    g_skills[24].id = ruv_string("skl_riding");
    g_skills[24].name = ruv_string("Riding");
    saved_modifier = g_item_modifiers[5];
    g_item_modifiers[5].id = ruv_string("imod_rusty");
    g_item_modifiers[5].name = ruv_string("untranslated");
    clear_hook_script_map();
    g_item_kinds.clear();
    g_game = std::make_unique<game>();
    g_game->troops.resize(1);
    g_game->troops[0].attributes = {10, 5, 5, 5};
    g_game->player_troop = 0;
    food_slot = g_module_settings.disable_food_slot;
    g_module_settings.disable_food_slot = 0;
  }
  void TearDown() override {
    g_skills[24] = saved_skill;
    g_item_modifiers[5] = saved_modifier;
    g_item_kinds.clear();
    g_game.reset();
    clear_hook_script_map();
    g_module_settings.disable_food_slot = food_slot;
  }
  static item_kind& add_kind(const char* id, const char* name, std::uint32_t flags) {
    item_kind& k = g_item_kinds.emplace_back();
    k.id = ruv_string(id);
    k.name = ruv_string(name);
    k.flags = flags;
    return k;
  }
  static void expect_lines(const item& it, const item_details_price& price, const std::vector<expected_line>& want) {
    const std::vector<item_details_line> got = make_item_details_lines(it, price);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(std::string(got[i].text.view()), want[i].text) << "line " << i;
      EXPECT_FLOAT_EQ(got[i].size, want[i].size) << want[i].text;
      EXPECT_EQ(got[i].colour, want[i].colour) << want[i].text;
    }
  }
  skill saved_skill;
  item_modifier saved_modifier;
  std::int32_t food_slot = 0;
};

TEST_F(ItemDetails, Weapon) {
  item_kind& k = add_kind("itm_sword", "Sword", item_type::one_handed | 0x4000000);
  k.weight = 1.5f;
  k.swing_damage = 25;              // cut
  k.thrust_damage = 20 | (1 << 8);  // pierce
  k.speed_rating = 95;
  k.weapon_length = 90;
  k.difficulty = 9;
  expect_lines(item{0, 0}, {false, false, 0, 60},
               {{"Arming Sword", 0.025f, 0xFFF0E0D0u},
                {"One-handed", 0.021f, 0xFFC0B0E0u},
                {"Sells for 60", 0.024f, 0xFFFFFDF0u},
                {"Weight 1.5", 0.022f, white},
                {"Swing 25c", 0.024f, 0xFFFFB0A0u},
                {"Thrust 20p", 0.024f, 0xFFFFB0A0u},
                {"Speed 95", 0.024f, white},
                {"Reach 90", 0.024f, white},
                // strength 10 meets 9: green
                {"Needs Strength 9", 0.024f, 0xFF66FF44u},
                {"Bonus against shields", 0.024f, 0xFFBBFF22u}});
}

TEST_F(ItemDetails, ArmourOnTheMerchantsSideWithAModifier) {
  item_kind& k = add_kind("itm_mail", "Mail_Shirt", item_type::body_armor);
  k.weight = 10.0f;
  k.body_armor = 20;
  k.leg_armor = 5;
  // Strength 11 needed, 10 held: red. The modifier's translation takes the
  // name; untranslated kinds show their own name with blanks.
  k.difficulty = 11;
  item it{0, 0};
  it.set_modifier(5);
  const std::vector<item_details_line> lines = make_item_details_lines(it, {true, false, 0, 300});
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::string(lines[0].text.view()), "Rusty Mail Shirt");
  EXPECT_EQ(std::string(lines[1].text.view()), "Costs 300");
  EXPECT_EQ(std::string(lines[2].text.view()), "Weight 10.0");
  // The rest after the modifier's changes: each non-zero armour once, then
  // the requirement.
  const item plain{0, 0};
  expect_lines(plain, {true, true, 280, 0},
               {{"Mail Shirt", 0.025f, 0xFFF0E0D0u},
                {"Take back for 280", 0.024f, 0xFFFFFDF0u},
                {"Weight 10.0", 0.022f, white},
                {"+20 body", 0.024f, white},
                {"+5 legs", 0.024f, white},
                {"Needs Strength 11", 0.024f, 0xFFEE4444u}});
}

TEST_F(ItemDetails, Horse) {
  item_kind& k = add_kind("itm_horse", "Horse", item_type::horse);
  k.weight = 0.0f;
  k.body_armor = 8;
  k.missile_speed = 40;  // speed
  k.speed_rating = 44;   // manoeuvre
  k.thrust_damage = 12;  // charge
  k.hit_points = 90;
  k.difficulty = 2;
  expect_lines(item{0, 0}, {false, true, 150, 0},
               {{"Horse", 0.025f, 0xFFF0E0D0u},
                {"Return for 150", 0.024f, 0xFFFFFDF0u},
                {"Armour 8", 0.024f, 0xFFDDDDFFu},
                {"Speed 40", 0.024f, white},
                {"Manoeuvre 44", 0.024f, white},
                {"Charge 12", 0.024f, white},
                {"Hits 90", 0.024f, white},
                // riding 0 against 2
                {"Needs Riding 2", 0.024f, 0xFFEE4444u}});
}

TEST_F(ItemDetails, FoodWithItsAmountMoraleAndScriptLines) {
  item_kind& k = add_kind("itm_bread", "Bread", item_type::goods | 0x2000000);
  k.weight = 2.0f;
  k.head_armor = 30;  // food value
  k.max_ammo = 50;
  // The module adds one green line for line number 1 and nothing for the others.
  test::fake_script_host host;
  host.module.scripts.push_back(test::make_block(
      {{23, {test::reg(0), 2}}, {31, {test::reg(0), 1}}, {2075, {0x00FF00}}, {60, {0}}}));
  set_hook_script(game_hook_code::game_get_item_extra_text, 0);
  g_script_state.string_registers[0] = ruv_string("Freshly baked");
  const item it{0, 10};
  const std::vector<item_details_line> got = make_item_details_lines(it, {false, false, 0, 12});
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(std::string(got[0].text.view()), "Bread");
  EXPECT_EQ(std::string(got[1].text.view()), "(40 / 50)");
  EXPECT_FLOAT_EQ(got[1].size, 0.024f);
  EXPECT_EQ(std::string(got[2].text.view()), "Sells for 12");
  EXPECT_EQ(std::string(got[3].text.view()), "Weight 2.0");
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(std::string(got[4].text.view()), "+0.6 morale");
  EXPECT_EQ(got[4].colour, 0xFFA0F0B0u);
  EXPECT_EQ(std::string(got[5].text.view()), "Freshly baked");
  EXPECT_EQ(got[5].colour, 0xFF00FF00u);

  // Without a food slot the morale line goes.
  g_module_settings.disable_food_slot = 1;
  const std::vector<item_details_line> without = make_item_details_lines(it, {false, false, 0, 12});
  for (const item_details_line& l : without) EXPECT_NE(std::string(l.text.view()), "+0.6 morale");
}

TEST_F(ItemDetails, NamesOfNothingAndOfAttributes) {
  EXPECT_EQ(std::string(get_item_name_text(item{-1, 0}).view()), "ERROR: INVALID ITEM");
  EXPECT_TRUE(make_item_details_lines(item{-1, 0}, {}).empty());
  g_translation_table.set_translation("ui_agility", "Agility");
  g_translation_table.set_translation("ui_charisma", "Charisma");
  EXPECT_EQ(std::string(get_attribute_name_text(0).view()), "Strength");
  EXPECT_EQ(std::string(get_attribute_name_text(1).view()), "Agility");
  EXPECT_EQ(std::string(get_attribute_name_text(7).view()), "Charisma");
}

}  // namespace
}  // namespace hm
