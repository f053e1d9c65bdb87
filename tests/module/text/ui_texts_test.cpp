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
    default:
      return format_checked(text, {arg(0), arg(1), arg(2)}, out);
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
    ASSERT_LE(kinds.size(), 3u) << key;
    // Every argument has its specifier, and no specifier is left without one.
    EXPECT_TRUE(formats_with(t, kinds, kinds.size())) << key << ": \"" << t << "\" does not take " << kinds;
    if (!kinds.empty()) {
      EXPECT_FALSE(formats_with(t, kinds, kinds.size() - 1)) << key << ": \"" << t << "\" leaves an argument unshown";
    }
  }
}

}  // namespace
}  // namespace hm
