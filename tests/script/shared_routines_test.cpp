#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/settings/game_options.h"
#include "engine/core/random.h"
#include "script/ops/battle_advantage.h"
#include "script/game_hooks.h"
#include "script/operand.h"
#include "script/operation.h"
#include "script/script_state.h"
#include "script/shared_routines.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::make_block;
using test::reg;

std::string text(const ruv_string& s) { return std::string(s.view()); }

class shared_routines : public ::testing::Test {
 protected:
  shared_routines() { clear_hook_script_map(); }
  ~shared_routines() override { clear_hook_script_map(); }
  fake_script_host host;
};

TEST_F(shared_routines, string_references_at_their_edges) {
  host.module.module_strings = 2;
  host.module.module_string_records = {{"str_hello", "hello"}, {"str_bye", "bye"}};
  host.module.translations["str_hello"] = "salut";
  host.module.quick_strings = 1;
  host.module.quick_string_records = {{"qstr_quick", "quick"}};
  g_script_state.string_registers[127] = "last register";
  struct reference_case {
    std::int64_t index;
    int tag;
    const char* expected;
  };
  const std::vector<reference_case> cases = {
      {127, operand_tag::constant, "last register"},
      {128, operand_tag::constant, "Invalid String-register!"},
      {-1, operand_tag::constant, "Invalid String-register!"},
      {0, operand_tag::quick_string, "quick"},
      {1, operand_tag::quick_string, "Invalid Quick-String!"},
      {0, operand_tag::module_string, "salut"},  // translated by key
      {1, operand_tag::module_string, "bye"},    // no translation: its own text
      {2, operand_tag::module_string, "Unexisting String!"},
      {1, 40, "bye"},  // any other tag names a module string
  };
  for (const reference_case& c : cases) {
    EXPECT_EQ(text(get_string_by_reference(c.index, c.tag)), c.expected) << c.index << " " << c.tag;
  }
}

TEST_F(shared_routines, translated_record_texts) {
  host.module.translations["qst_deliver"] = "Livraison";
  host.module.translations["qst_hunt_text"] = "Chasse au loup";
  EXPECT_EQ(text(get_translated_quest_name("qst_deliver", "Deliver")), "Livraison");
  EXPECT_EQ(text(get_translated_text_field("qst_deliver", "Deliver a letter")), "Deliver a letter");
  EXPECT_EQ(text(get_translated_text_field("qst_hunt", "Hunt a wolf")), "Chasse au loup");
  EXPECT_EQ(text(get_translated_quest_name("qst_hunt", "Hunt")), "Hunt");
  EXPECT_EQ(text(translate_string_record("", "no key")), "no key");
}

TEST_F(shared_routines, checked_formats) {
  struct format_case {
    const char* format;
    std::vector<std::int64_t> numbers;
    bool ok;
    const char* expected;
  };
  const std::vector<format_case> cases = {
      {"%d coins", {12}, true, "12 coins"},
      {"[%5d|%-3d]", {42, 7}, true, "[   42|7  ]"},
      {"%x%%", {255}, true, "ff%"},
      {"%ld", {-8000000000}, true, "-8000000000"},
      {"%d and %d", {1}, false, ""},   // too few arguments
      {"plain", {1}, true, "plain"},   // more arguments than specifiers: the rest unused
      {"%s", {1}, false, ""},          // a text wanted
      {"%n", {1}, false, ""},          // never
      {"%*d", {1, 2}, false, ""},      // no star widths
      {"%99999d", {1}, false, ""},     // no huge widths
      {"trailing %", {1}, false, ""},
  };
  for (const format_case& c : cases) {
    ruv_string out = "untouched";
    bool ok = false;
    if (c.numbers.size() == 1) {
      ok = format_checked(c.format, {c.numbers[0]}, out);
    } else {
      ok = format_checked(c.format, {c.numbers[0], c.numbers[1]}, out);
    }
    EXPECT_EQ(ok, c.ok) << c.format;
    EXPECT_EQ(text(out), c.ok ? c.expected : "untouched") << c.format;
  }
  ruv_string out;
  EXPECT_TRUE(format_checked("%s has %d", {std::string_view("Ann"), 3}, out));
  EXPECT_EQ(text(out), "Ann has 3");
}

TEST_F(shared_routines, money_text_from_the_hook_or_the_ui_text) {
  host.module.translations["ui_value_money"] = "%d marks";
  EXPECT_EQ(text(get_money_text(1234)), "1234 marks");
  EXPECT_EQ(text(g_script_state.result_string), "1234 marks");

  // A translation that does not fit the amount is not used as a format.
  host.module.translations["ui_value_money"] = "%s marks %d";
  EXPECT_EQ(text(get_money_text(-5)), "-5");

  // No translation at all: the missing key's text, formatted with the amount
  // it has no place for, as every missing UI text shows.
  host.module.translations.erase("ui_value_money");
  EXPECT_EQ(text(get_money_text(12)), "STR NOT FOUND: ui_value_money");

  // The module's hook writes the text into the result string.
  host.module.module_strings = 1;
  host.module.module_string_records = {{"str_money", "{reg0} coins"}};
  host.module.scripts.push_back(make_block({{60, {make_operand(operand_tag::module_string, 0)}}}));
  set_hook_script(game_hook_code::game_get_money_text, 0);
  EXPECT_EQ(text(get_money_text(7)), "<reg0> coins");

  // A failing hook falls back to the UI text.
  host.module.translations["ui_value_money"] = "%d marks";
  host.module.scripts[0] = make_block({{opcode::eq, {1, 2}}});
  EXPECT_EQ(text(get_money_text(7)), "7 marks");
}

TEST_F(shared_routines, troop_wages) {
  host.module.troop_records[1] = {0, 10, -1, {}};
  host.module.troop_records[2] = {0, 1, -1, {}};
  host.module.troop_records[3] = {0x10, 30, -1, {}};
  host.campaign.player_party_id = 5;
  EXPECT_EQ(get_troop_wage(1), 30);
  EXPECT_EQ(get_troop_wage(2), 25);
  EXPECT_EQ(get_troop_wage(3), 0);  // a hero
  EXPECT_EQ(get_troop_wage(-1), 0);

  // The hook gets the troop and the player's party.
  host.module.scripts.push_back(make_block({{opcode::fetch_script_param_0, {reg(1)}},
                                            {opcode::fetch_script_param_1, {reg(2)}},
                                            {opcode::store_mul, {reg(3), reg(1), 100}},
                                            {opcode::val_add, {reg(3), reg(2)}},
                                            {2075, {reg(3)}}}));
  set_hook_script(game_hook_code::game_get_troop_wage, 0);
  EXPECT_EQ(get_troop_wage(2), 205);
  // A hook that fails leaves the default, with the result cleared first.
  host.module.scripts[0] = make_block({{opcode::eq, {1, 2}}});
  g_script_state.trigger_result = 99;
  EXPECT_EQ(get_troop_wage(1), 30);
  EXPECT_EQ(g_script_state.trigger_result, 0);
}

TEST_F(shared_routines, party_lookups) {
  host.campaign.add_party(0);
  host.campaign.add_party(1);
  host.campaign.add_party(2, 0);
  host.campaign.add_party(3);
  host.campaign.find(0)->faction = 4;
  host.campaign.find(1)->faction = 5;
  host.module.relations[{4, 4}] = -1.0f;
  host.module.relations[{4, 5}] = -0.5f;
  EXPECT_EQ(get_party_relation(0, 0), 1.0f);  // even with a faction hostile to itself
  EXPECT_EQ(get_party_relation(0, 1), -0.5f);

  EXPECT_TRUE(is_party_active(1));
  EXPECT_FALSE(is_party_active(2));
  EXPECT_FALSE(is_party_active(4));
  EXPECT_FALSE(is_party_active(-1));

  host.campaign.find(3)->attached_to = 1;
  host.campaign.find(1)->attached_to = 0;
  EXPECT_EQ(get_root_attached_party(3), 0);
  EXPECT_EQ(get_root_attached_party(0), 0);
  // Broken links that form a cycle still end.
  host.campaign.find(0)->attached_to = 3;
  const std::int32_t root = get_root_attached_party(3);
  EXPECT_TRUE(root == 0 || root == 1 || root == 3);
}

TEST_F(shared_routines, difficulty_rating) {
  game_options neutral;
  neutral.damage_to_player = 2;
  neutral.damage_to_friends = 2;
  neutral.combat_ai = 0;
  neutral.combat_speed = 2;
  neutral.battle_size = 0.5f;
  neutral.control_block_direction = 0;
  EXPECT_EQ(compute_difficulty_rating(neutral, false), 105);
  EXPECT_EQ(compute_difficulty_rating(neutral, true), 78);  // x 0.75
  game_options blocking = neutral;
  blocking.control_block_direction = 1;
  EXPECT_EQ(compute_difficulty_rating(blocking, false), 126);  // x 1.2
  game_options easy = neutral;
  easy.damage_to_player = 0;
  easy.combat_speed = 0;
  EXPECT_EQ(compute_difficulty_rating(easy, false), 66);  // 0.7 x 0.95

  host.campaign.reduction = true;
  const game_options saved = g_game_options;
  g_game_options = neutral;
  EXPECT_EQ(compute_difficulty_rating(), 78);
  g_game_options = saved;
}

TEST_F(shared_routines, member_counts_and_label_scale) {
  random_seed(1);
  // Equal strengths leave no room for the draw: 50 % of 3 above the minimum
  // is 1.5, which rounds half up.
  EXPECT_EQ(draw_member_count(50.0f, 50.0f, 2, 5), 4);
  EXPECT_EQ(draw_member_count(100.0f, 100.0f, 2, 5), 5);
  EXPECT_EQ(draw_member_count(0.0f, 0.0f, 2, 5), 2);

  const std::vector<std::pair<std::uint64_t, float>> scales = {
      {0, 0.5f}, {0x1000, 0.75f}, {0x2000, 1.0f}, {0x3000, 1.0f}, {0xFFFF0FFFull, 0.5f}};
  for (const auto& [flags, scale] : scales) EXPECT_EQ(get_label_scale(flags), scale) << flags;
}

TEST_F(shared_routines, encounter_size_classes) {
  const std::vector<std::pair<int, int>> cases = {{0, 0}, {3, 0}, {4, 1}, {10, 1}, {11, 2}, {50, 2}, {51, 3}};
  for (const auto& [count, size_class] : cases) EXPECT_EQ(encounter_size_class(count), size_class) << count;
}

// p: the player's side (troops by flags 0x110), q: the other side (able
// members with attached parties), r: allies joining the player.
struct advantage_case {
  const char* name;
  int p_troops, q_members, q_wounded, r_members;
  int p_skill, q_skill;
  int expected;
};

TEST_F(shared_routines, battle_advantage) {
  const std::vector<advantage_case> cases = {
      {"equal strengths", 20, 20, 0, 0, 0, 0, 0},
      {"allies count with the player", 10, 20, 0, 10, 0, 0, 0},
      {"wounded do not count", 20, 30, 10, 0, 0, 0, 0},
      {"twice as strong, f 0.6", 20, 10, 0, 0, 0, 0, 1},
      {"half as strong, f 0.6", 10, 20, 0, 0, 0, 0, -1},
      {"3.5 times as strong, 2.5 rounds down", 70, 20, 0, 0, 0, 0, 2},
      {"overwhelming", 1000, 1, 0, 0, 0, 0, 20},
      {"hopeless", 1, 1000, 0, 0, 0, 0, -20},
      {"nobody to fight", 10, 0, 0, 0, 0, 0, 20},
      {"nobody on either side", 0, 0, 0, 0, 0, 0, 0},
      {"nobody to fight with", 0, 10, 0, 0, 0, 0, -20},
      {"skills halve toward zero", 20, 20, 0, 0, 5, 3, 1},
      {"skills cannot pass the clamp", 1000, 1, 0, 0, 10, 0, 20},
  };
  for (const advantage_case& c : cases) {
    fake_script_host h;
    h.campaign.add_party(0);
    h.campaign.add_party(1);
    h.campaign.add_party(2);
    h.campaign.find(0)->troops_by_flags[0x110] = c.p_troops;
    h.campaign.find(0)->skills[15] = c.p_skill;
    h.campaign.find(1)->members = c.q_members;
    h.campaign.find(1)->wounded = c.q_wounded;
    h.campaign.find(1)->skills[15] = c.q_skill;
    h.campaign.find(2)->members = c.r_members;
    EXPECT_EQ(compute_battle_advantage(0, 1, 2), c.expected) << c.name;
  }
}

TEST_F(shared_routines, inactive_parties_count_as_no_troops) {
  host.campaign.add_party(0, 0);  // the player's side is inactive
  host.campaign.add_party(1);
  host.campaign.add_party(2);
  host.campaign.find(0)->troops_by_flags[0x110] = 50;
  host.campaign.find(0)->skills[15] = 10;
  host.campaign.find(1)->members = 10;
  host.campaign.find(2)->members = 10;
  EXPECT_EQ(compute_battle_advantage(0, 1, 2), 0);  // only the allies fight

  host.campaign.find(1)->troops_by_flags[16] = 11;
  const encounter_strength e = update_size_class(1, 0, 1, 2);
  EXPECT_EQ(e.size_class, 2);
  EXPECT_EQ(e.advantage, 0);
}

}  // namespace
}  // namespace hm
