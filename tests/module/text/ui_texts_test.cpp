// The engine's English UI texts: every "ui_..." key the code names has a text
// in data/languages/en/ui.csv, and each text takes exactly the arguments its
// callers pass, in their order (a mismatch would show the bare arguments, a
// missing key "STR NOT FOUND").
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "module/text/translation_table.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

// What each text's callers pass: 'd' an integer, 's' a text, in order.
const std::map<std::string, std::string> argument_kinds = {
    {"ui_loading_module_info_file", ""},
    {"ui_processing_ini_file", ""},
    {"ui_loading_music", ""},
    {"ui_loading_data", ""},
    {"ui_loading_setting_data", ""},
    {"ui_loading_textures", ""},
    {"ui_finished", ""},
    {"ui_hint", ""},
    {"ui_autosaving", ""},
    {"ui_some_soldiers_are_ready_to_upgrade", ""},
    {"ui_creating_game", ""},
    {"ui_initializing_map", ""},
    {"ui_launching_game", ""},
    {"ui_loading_map_file", ""},
    {"ui_loading_savegame_file", ""},
    {"ui_player", ""},
    {"ui_credits", ""},
    {"ui_custom_battle", ""},
    {"ui_done", ""},
    {"ui_exit_to_windows", ""},
    {"ui_factions", ""},
    {"ui_factions_report", ""},
    {"ui_ok", ""},
    {"ui_options", ""},
    {"ui_quit_without_saving", ""},
    {"ui_restore_a_saved_game", ""},
    {"ui_return_to_game", ""},
    {"ui_save", ""},
    {"ui_save_and_exit", ""},
    {"ui_save_as", ""},
    {"ui_start_a_new_game", ""},
    {"ui_start_tutorial", ""},
    {"ui_version_value", "s"},
    {"ui_change_skin", ""},
    {"ui_change_beard", ""},
    {"ui_change_hair", ""},
    {"ui_age", ""},
    {"ui_change_hair_color", ""},
    {"ui_randomize", ""},
    {"ui_reset", ""},
    {"ui_tutorial", ""},
    {"ui_tutorial_face_generator", ""},
    {"ui_face_code_refused", ""},
    {"ui_one_handed_weapons", ""},
    {"ui_two_handed_weapons", ""},
    {"ui_polearms", ""},
    {"ui_archery", ""},
    {"ui_crossbows", ""},
    {"ui_throwing", ""},
    {"ui_firearms", ""},
    {"ui_value_money", "d"},
    {"ui_you_got_value", "s"},
    {"ui_you_lost_value", "s"},
    {"ui_got_item_value", "s"},
    {"ui_lost_item_value", "s"},
    {"ui_got_number_value", "ds"},
    {"ui_lost_number_value", "ds"},
    {"ui_you_got_number_experience", "d"},
    {"ui_you_have_advanced_to_level_number", "d"},
    {"ui_value_has_advanced_to_level_number", "sd"},
    {"ui_shared_number_experience_within_party", "d"},
    {"ui_value_joined_your_party", "s"},
    {"ui_value_joined_party_as_prisoner", "s"},
    {"ui_value_has_joined_party", "s"},
    {"ui_value_has_been_taken_prisoner", "s"},
    {"ui_value_left_the_party", "s"},
    {"ui_number_value_left_the_party", "ds"},
    {"ui_number_values_left_the_party", "ds"},
    {"ui_new_quest_taken", "s"},
    {"ui_quest_completed_value", "s"},
    {"ui_quest_succeeded_value", "s"},
    {"ui_quest_failed_value", "s"},
    {"ui_quest_cancelled_value", "s"},
    {"ui_quest_concluded_value", "s"},
    {"ui_your_relations_with_value_has_improved_from_number_to_number", "sdd"},
    {"ui_your_relations_with_value_has_deteriorated_from_number_to_number", "sdd"},
    {"ui_money_value", "s"},
    {"ui_dump", ""},
    {"ui_outfit", ""},
    {"ui_arms", ""},
    {"ui_horse", ""},
    {"ui_food", ""},
    {"ui_return", ""},
    {"ui_no_cost", ""},
    {"ui_head_armor", "d"},
    {"ui_body_armor", "d"},
    {"ui_leg_armor", "d"},
    {"ui_encumbrance", "s"},
    {"ui_tutorial_inventory", ""},
    {"ui_notification_payment_value", "s"},
    {"ui_notification_payment_receive_value", "s"},
    {"ui_you_dont_have_value", "s"},
    {"ui_merchant_cant_afford_value", "sss"},
    {"ui_merchant_think_of_something_else", ""},
    {"ui_merchant_pay_whatever", ""},
    {"ui_dumping_value_item", "d"},
    {"ui_dumping_value_items", "d"},
    {"ui_yes", ""},
    {"ui_no", ""},
    {"ui_question_slaughter_food_and_eat", "s"},
    {"ui_notification_riding_skill_not_enough", ""},
    {"ui_notification_requirements_not_met", ""},
    {"ui_troop_cant_use_item", "s"},
    {"ui_reclaim_your_sold_goods", ""},
    {"ui_return_your_bought_goods", ""},
    {"ui_one_handed", ""},
    {"ui_two_handed", ""},
    {"ui_two_handed_one_handed", ""},
    {"ui_polearm", ""},
    {"ui_polearm_no_shield", ""},
    {"ui_reclaim_price", "d"},
    {"ui_buying_price", "d"},
    {"ui_return_price", "d"},
    {"ui_sell_price", "d"},
    {"ui_weight", "s"},
    {"ui_plus_value_to_head_armor", "d"},
    {"ui_plus_value_to_body_armor", "d"},
    {"ui_plus_value_to_leg_armor", "d"},
    {"ui_cut_short", ""},
    {"ui_pierce_short", ""},
    {"ui_blunt_short", ""},
    {"ui_swing", "ds"},
    {"ui_thrust", "ds"},
    {"ui_damage", "ds"},
    {"ui_accuracy", "d"},
    {"ui_speed_rating", "d"},
    {"ui_value_to_damage", "sd"},
    {"ui_value_to_morale", "s"},
    {"ui_resistance", "d"},
    {"ui_size", "d"},
    {"ui_weapon_reach", "d"},
    {"ui_armor", "d"},
    {"ui_speed", "d"},
    {"ui_maneuver", "d"},
    {"ui_charge", "d"},
    {"ui_hit_points", "d"},
    {"ui_strength", ""},
    {"ui_agility", ""},
    {"ui_intelligence", ""},
    {"ui_charisma", ""},
    {"ui_requires_value_difficulty", "sd"},
    {"ui_bonus_against_shields", ""},
    {"ui_cant_be_used_to_block", ""},
    {"ui_cannot_be_used_on_horseback", ""},
    {"ui_cancel", ""},
    {"ui_cant_quick_save", ""},
    {"ui_confirm_delete_game", ""},
    {"ui_day_datedisplay", "dddd"},
    {"ui_delete", ""},
    {"ui_empty_slot", ""},
    {"ui_error_removing_file", ""},
    {"ui_game_saved", ""},
    {"ui_game_saved_successfully", ""},
    {"ui_restore", ""},
    {"ui_set_save_file_name", ""},
    {"ui_above_average", ""},
    {"ui_agi", ""},
    {"ui_are_you_sure_you_want_to_import_the_character", ""},
    {"ui_at_learning_limit", ""},
    {"ui_attribute_points", "d"},
    {"ui_attributes", ""},
    {"ui_average", ""},
    {"ui_base_attribute_value", "s"},
    {"ui_below_average", ""},
    {"ui_button_party_member_healthy_total", "sdd"},
    {"ui_button_party_member_hero_percentage", "sd"},
    {"ui_button_party_member_hero_percentage_wounded", "sd"},
    {"ui_button_party_member_total", "sd"},
    {"ui_capture", ""},
    {"ui_captured_enemies", ""},
    {"ui_cha", ""},
    {"ui_character_file_bad_value", "s"},
    {"ui_character_file_not_a_character", "s"},
    {"ui_character_file_wrong_version", "s"},
    {"ui_character_playername_exported_successfully", "s"},
    {"ui_character_playername_imported_successfully", "s"},
    {"ui_company", "dd"},
    {"ui_current_level_value", "d"},
    {"ui_disband", ""},
    {"ui_edit_face", ""},
    {"ui_enter_name_here", ""},
    {"ui_excellent", ""},
    {"ui_explanation_agility", ""},
    {"ui_explanation_archery", ""},
    {"ui_explanation_charisma", ""},
    {"ui_explanation_crossbow", ""},
    {"ui_explanation_firearms", ""},
    {"ui_explanation_intelligence", ""},
    {"ui_explanation_one_handed_weapon", ""},
    {"ui_explanation_polearm", ""},
    {"ui_explanation_strength", ""},
    {"ui_explanation_throwing", ""},
    {"ui_explanation_two_handed_weapon", ""},
    {"ui_export_character", ""},
    {"ui_export_file_for_character_playername_already_exists_overwrite_it", "s"},
    {"ui_give", ""},
    {"ui_health", "d"},
    {"ui_health_player", "dd"},
    {"ui_high", ""},
    {"ui_hire", ""},
    {"ui_import_character", ""},
    {"ui_int", ""},
    {"ui_joining_cost_weekly_wage", "dd"},
    {"ui_level", "d"},
    {"ui_low", ""},
    {"ui_morale", "s"},
    {"ui_move_down", ""},
    {"ui_move_up", ""},
    {"ui_need_to_learn_prisoner_management", ""},
    {"ui_next", ""},
    {"ui_next_level_at", "d"},
    {"ui_not_enough_attributetype_to_learn_this_skill", "s"},
    {"ui_not_enough_skill_points_to_learn", ""},
    {"ui_notification_cant_hire", ""},
    {"ui_notification_no_slot_for_upgrade", "s"},
    {"ui_number_ready_to_upgrade", "d"},
    {"ui_party_capcity_reached", ""},
    {"ui_party_skills", ""},
    {"ui_prev", ""},
    {"ui_price", "d"},
    {"ui_prisoners_equal_value", "dd"},
    {"ui_question_saving_policy", ""},
    {"ui_release_one", ""},
    {"ui_rescued_prisoners", ""},
    {"ui_reset_changes", ""},
    {"ui_saving_policy_nonrealistic", ""},
    {"ui_saving_policy_realistic", ""},
    {"ui_sell", ""},
    {"ui_skill_points", "d"},
    {"ui_skills", ""},
    {"ui_starving", "d"},
    {"ui_statistics", ""},
    {"ui_str", ""},
    {"ui_take", ""},
    {"ui_take_back", ""},
    {"ui_take_prisoner", ""},
    {"ui_talk", ""},
    {"ui_terrible", ""},
    {"ui_tutorial_character_generation", ""},
    {"ui_unable_to_find_character_import_file", ""},
    {"ui_unable_to_open_import_file", "s"},
    {"ui_unable_to_write_character_export_file", "s"},
    {"ui_uncapture", ""},
    {"ui_upgrade_one", ""},
    {"ui_upgrade_to_value", "s"},
    {"ui_very_high", ""},
    {"ui_very_low", ""},
    {"ui_weapon_points", "d"},
    {"ui_weapon_proficiencies", ""},
    {"ui_weekly_cost_value", "s"},
    {"ui_weekly_wage", "d"},
    {"ui_xp", "d"},
    {"ui_press_left_mouse_button_to_continue", ""},
    {"ui_meeting_attack", ""},
    {"ui_meeting_leave", ""},
};

// Names in the code that look like keys but name resources.
const std::set<std::string> not_texts = {"ui_font", "ui_font_background"};

// Every "ui_..." string literal of the engine's sources.
std::set<std::string> keys_named_in_code() {
  const std::regex literal("\"(ui_[a-z0-9_]+)\"");
  std::set<std::string> keys;
  for (const char* folder : {"app", "campaign", "engine", "module", "platform", "render", "script", "shell", "tools", "ui"}) {
    const std::filesystem::path root = std::filesystem::path(HOOFMARCH_SOURCE_DIR) / folder;
    if (!std::filesystem::exists(root)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      const std::string source = text.str();
      for (std::sregex_iterator m(source.begin(), source.end(), literal), end; m != end; ++m) keys.insert((*m)[1]);
    }
  }
  return keys;
}

// Formats the text with sample arguments of the first n kinds.
bool formats_with(const std::string& text, const std::string& kinds, std::size_t n) {
  auto arg = [&](std::size_t i) { return kinds[i] == 's' ? format_arg(std::string_view("Name")) : format_arg(7); };
  ruv_string out;
  switch (n) {
    case 0:
      return format_checked(text, {}, out);
    case 1:
      return format_checked(text, {arg(0)}, out);
    case 2:
      return format_checked(text, {arg(0), arg(1)}, out);
    case 3:
      return format_checked(text, {arg(0), arg(1), arg(2)}, out);
    default:
      return format_checked(text, {arg(0), arg(1), arg(2), arg(3)}, out);
  }
}

TEST(UiTexts, EveryKeyTheCodeNamesIsKnownHere) {
  const std::set<std::string> named = keys_named_in_code();
  ASSERT_FALSE(named.empty());
  for (const std::string& key : named) {
    EXPECT_TRUE(argument_kinds.count(key) != 0 || not_texts.count(key) != 0)
        << key << " is used by the code: give it its argument kinds here and a text in ui.csv";
  }
}

TEST(UiTexts, EveryTextTakesExactlyItsCallersArguments) {
  std::ifstream in(std::filesystem::path(HOOFMARCH_DATA_DIR) / "languages" / "en" / "ui.csv");
  ASSERT_TRUE(in.good());
  std::stringstream contents;
  contents << in.rdbuf();
  translation_table table;
  table.read_translation_lines(contents.str());
  for (const auto& [key, kinds] : argument_kinds) {
    const ruv_string* text = table.find_translation(key);
    if (text == nullptr) {
      ADD_FAILURE() << key << " has no English text";
      continue;
    }
    const std::string t(text->view());
    EXPECT_FALSE(t.empty()) << key;
    ASSERT_LE(kinds.size(), 4u) << key;
    // Every argument has its specifier, and no specifier is left without one.
    EXPECT_TRUE(formats_with(t, kinds, kinds.size())) << key << ": \"" << t << "\" does not take " << kinds;
    if (!kinds.empty()) {
      EXPECT_FALSE(formats_with(t, kinds, kinds.size() - 1)) << key << ": \"" << t << "\" leaves an argument unshown";
    }
  }
}

}  // namespace
}  // namespace hm
