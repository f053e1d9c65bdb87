// The language templates: every file written for a small world, read back
// through the translation loader; the untranslated mark in template mode and
// its absence with a full translation; names fixed by scripts; the player's
// troop and party left out; no game; and a file that cannot be replaced.
#include "module/loading/language_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "module/records/game_menu.h"
#include "module/records/item_kind.h"
#include "module/loading/new_game.h"
#include "module/records/party_template.h"
#include "module/media/skin.h"
#include "module/text/string_table.h"
#include "module/support/module_test_support.h"
#include "module/text/translation_table.h"
#include "platform/fs.h"
#include "script/dialog/conversation.h"

namespace hm {
namespace {

class fixed_parties final : public game_party_pool {
 public:
  void read_module_parties(text_reader&, int) override {}
  void mark_player_party(std::int32_t) override {}
  std::vector<party_summary> active_parties() const override { return parties; }
  std::vector<party_summary> parties;
};

ruv_string rs(const char* s) { return ruv_string(s); }

// A small world in the global tables and a game, restored afterwards.
class LanguageExport : public ::testing::Test {
 protected:
  void SetUp() override {
    std::swap(saved_items_, g_item_kinds);
    saved_modifiers_ = g_item_modifiers;
    std::swap(saved_templates_, g_party_templates);
    std::swap(saved_strings_, g_string_table);
    std::swap(saved_lines_, g_conversation.lines);
    std::swap(saved_skins_, g_skins.skins);
    saved_skills_ = g_skills;
    std::swap(saved_menus_, g_game_menus);
    g_translation_table.clear();

    for (const char* id : {"trp_player", "trp_guard"}) {
      troop t;
      t.id = rs(id);
      t.name = rs(id == std::string("trp_player") ? "Player" : "Guard");
      t.plural_name = rs("Guards");
      world_.troops.push_back(t);
    }
    world_.player_troop = 0;
    faction translated;
    translated.id = rs("fac_kingdom");
    translated.name = rs("Kingdom");
    faction renamed;
    renamed.id = rs("fac_rebels");
    renamed.name = rs("Free Folk");
    renamed.name_override = 1;
    world_.factions = {translated, renamed};
    quest q;
    q.id = rs("qst_letter");
    q.name = rs("Letter");
    q.text = rs("Bring the letter.");
    world_.quests.push_back(q);
    parties_.parties = {{0, rs("p_main_party"), rs("Main Party"), false},
                        {1, rs("p_town"), rs("Town"), false},
                        {2, rs("p_camp"), rs("Old Camp"), true}};
    world_.parties = &parties_;
    world_.player_party = 0;

    item_kind sword;
    sword.id = rs("itm_sword");
    sword.name = rs("Sword");
    sword.plural_name = rs("Swords");
    g_item_kinds.push_back(sword);
    for (int i = 0; i < item_modifier_count; ++i) {
      g_item_modifiers[static_cast<std::size_t>(i)].id = ruv_string("imod_" + std::to_string(i));
      g_item_modifiers[static_cast<std::size_t>(i)].name = ruv_string("Modifier " + std::to_string(i));
    }
    party_template pt;
    pt.id = rs("pt_bandits");
    pt.name = rs("Bandits");
    g_party_templates.push_back(pt);
    g_string_table.module_strings.push_back({rs("str_hello"), rs("Hello | there")});
    // A text that begins with a quote keeps it through the round trip.
    g_string_table.quick_strings.push_back({rs("qstr_quote"), rs("\"Halt!\" he said")});
    dialog_line line;
    line.id = rs("dlga_start");
    line.text = rs("Who goes there?");
    g_conversation.lines.push_back(std::move(line));
    skin s;
    morph_key key;
    key.id = rs("skinkey_chin");
    key.name = rs("Chin");
    s.face_keys.push_back(key);
    g_skins.skins.push_back(std::move(s));
    for (int i = 0; i < skill_count; ++i) {
      g_skills[static_cast<std::size_t>(i)].id = ruv_string("skl_" + std::to_string(i));
      g_skills[static_cast<std::size_t>(i)].name = ruv_string("Skill " + std::to_string(i));
      g_skills[static_cast<std::size_t>(i)].description = ruv_string("Does " + std::to_string(i));
    }
    game_menu menu;
    menu.id = rs("mnu_town");
    menu.text = rs("A town.");
    menu.items.emplace_back();
    menu.items.back().id = rs("walk");
    menu.items.back().text = rs("Walk around.");
    menu.items.back().door_text = rs("Gate");
    g_game_menus.push_back(std::move(menu));
  }

  void TearDown() override {
    world_.parties = nullptr;
    std::swap(saved_items_, g_item_kinds);
    g_item_modifiers = saved_modifiers_;
    std::swap(saved_templates_, g_party_templates);
    std::swap(saved_strings_, g_string_table);
    std::swap(saved_lines_, g_conversation.lines);
    std::swap(saved_skins_, g_skins.skins);
    g_skills = saved_skills_;
    std::swap(saved_menus_, g_game_menus);
    g_translation_table.clear();
    platform::invalidate_path_cache();
  }

  // Every key and the text the templates give it, as the translation loader
  // reads them back from the folder (moved to languages\xx).
  std::map<std::string, std::string> read_back() {
    std::filesystem::create_directories(folder_.path() / "languages");
    std::filesystem::rename(folder_.path() / "new_language", folder_.path() / "languages" / "xx");
    folder_.write("language.txt", "xx\n");
    platform::invalidate_path_cache();
    translation_table table;
    load_translations(table, "");
    std::map<std::string, std::string> out;
    for (const auto& [key, text] : expected_keys_) {
      if (const ruv_string* found = table.find_translation(key)) out[key] = std::string(found->view());
    }
    EXPECT_EQ(table.key_count(), static_cast<int>(out.size()));
    return out;
  }

  // Every key the world has, with its own text (the player's troop and party
  // are left out; the renamed faction and party are fixed).
  std::map<std::string, std::string> own_texts() const {
    std::map<std::string, std::string> m = {
        {"trp_guard", "Guard"},          {"trp_guard_pl", "Guards"},
        {"p_town", "Town"},              {"p_camp", "Old Camp"},
        {"fac_kingdom", "Kingdom"},      {"fac_rebels", "Free Folk"},
        {"itm_sword", "Sword"},          {"itm_sword_pl", "Swords"},
        {"pt_bandits", "Bandits"},       {"str_hello", "Hello | there"},
        {"qstr_quote", "\"Halt!\" he said"}, {"qst_letter", "Letter"},
        {"qst_letter_text", "Bring the letter."}, {"dlga_start", "Who goes there?"},
        {"skinkey_chin", "Chin"},        {"mnu_town", "A town."},
        {"mnu_town_walk", "Walk around."}, {"mnu_town_walk_door", "Gate"}};
    for (int i = 0; i < item_modifier_count; ++i)
      m["imod_" + std::to_string(i)] = "Modifier " + std::to_string(i);
    for (int i = 0; i < skill_count; ++i) {
      m["skl_" + std::to_string(i)] = "Skill " + std::to_string(i);
      m["skl_" + std::to_string(i) + "_desc"] = "Does " + std::to_string(i);
    }
    return m;
  }

  test::temp_folder folder_;
  test::scoped_working_folder in_folder_{folder_.path()};
  game world_;
  fixed_parties parties_;
  std::map<std::string, std::string> expected_keys_ = own_texts();

  std::vector<item_kind> saved_items_;
  std::array<item_modifier, item_modifier_count> saved_modifiers_;
  std::vector<party_template> saved_templates_;
  string_table saved_strings_;
  std::vector<dialog_line> saved_lines_;
  std::vector<skin> saved_skins_;
  std::array<skill, skill_count> saved_skills_;
  std::vector<game_menu> saved_menus_;
};

TEST_F(LanguageExport, TemplateModeMarksEveryUntranslatedTextButFixedNames) {
  EXPECT_EQ(export_language_templates(true, &world_), 13);
  for (const char* name : {"troops.csv", "parties.csv", "factions.csv", "item_kinds.csv", "item_modifiers.csv",
                           "party_templates.csv", "game_strings.csv", "quick_strings.csv", "quests.csv",
                           "dialogs.csv", "skins.csv", "skills.csv", "game_menus.csv"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(folder_.path() / "new_language" / name)) << name;
  }
  const std::map<std::string, std::string> back = read_back();
  for (const auto& [key, text] : own_texts()) {
    const bool fixed = key == "fac_rebels" || key == "p_camp";
    ASSERT_TRUE(back.count(key)) << key;
    EXPECT_EQ(back.at(key), fixed ? text : text + untranslated_mark) << key;
  }
  // The player's troop and party are never offered to translators.
  EXPECT_FALSE(back.count("trp_player"));
  EXPECT_FALSE(back.count("trp_player_pl"));
  EXPECT_FALSE(back.count("p_main_party"));
}

TEST_F(LanguageExport, FullTranslationCarriesNoMarkInEitherMode) {
  for (const auto& [key, text] : own_texts()) g_translation_table.set_translation(key, "T:" + text);
  for (bool template_mode : {true, false}) {
    SCOPED_TRACE(template_mode);
    ASSERT_EQ(export_language_templates(template_mode, &world_), 13);
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path() / "new_language")) {
      const std::optional<std::string> text = platform::read_whole_file(entry.path().string(), true);
      ASSERT_TRUE(text);
      EXPECT_EQ(text->find(untranslated_mark), std::string::npos) << entry.path();
    }
  }
  const std::map<std::string, std::string> back = read_back();
  for (const auto& [key, text] : own_texts()) {
    const bool fixed = key == "fac_rebels" || key == "p_camp";
    EXPECT_EQ(back.at(key), fixed ? text : "T:" + text) << key;
  }
}

TEST_F(LanguageExport, PlainModeWritesOwnTextsUnmarked) {
  g_translation_table.set_translation("itm_sword", "Schwert");
  ASSERT_EQ(export_language_templates(false, &world_), 13);
  const std::map<std::string, std::string> back = read_back();
  for (const auto& [key, text] : own_texts()) EXPECT_EQ(back.at(key), key == "itm_sword" ? "Schwert" : text) << key;
}

TEST_F(LanguageExport, WithoutAGameTheWorldFilesAreEmptyOrLeftOut) {
  g_conversation.lines.clear();
  EXPECT_EQ(export_language_templates(true, nullptr), 10);
  const std::filesystem::path out = folder_.path() / "new_language";
  EXPECT_FALSE(std::filesystem::exists(out / "troops.csv"));
  EXPECT_FALSE(std::filesystem::exists(out / "parties.csv"));
  EXPECT_FALSE(std::filesystem::exists(out / "dialogs.csv"));
  EXPECT_EQ(std::filesystem::file_size(out / "factions.csv"), 0u);
  EXPECT_EQ(std::filesystem::file_size(out / "quests.csv"), 0u);
}

TEST_F(LanguageExport, AFileThatCannotBeReplacedIsLeftOutWithoutAHalfFile) {
  // A folder in the place of troops.csv: the rename over it fails.
  std::filesystem::create_directories(folder_.path() / "new_language" / "troops.csv" / "x");
  folder_.write("new_language/skills.csv", "old|text\n");
  platform::invalidate_path_cache();
  EXPECT_EQ(export_language_templates(true, &world_), 12);
  EXPECT_TRUE(std::filesystem::is_directory(folder_.path() / "new_language" / "troops.csv"));
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path() / "new_language"))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  // The files that could be written replaced the old ones whole.
  const std::optional<std::string> skills =
      platform::read_whole_file((folder_.path() / "new_language" / "skills.csv").string(), true);
  ASSERT_TRUE(skills);
  EXPECT_EQ(skills->find("old|text"), std::string::npos);
  EXPECT_EQ(skills->rfind("skl_0|Skill 0{***}\n", 0), 0u);
}

TEST(CsvLine, QuotesAtTheEdgesAreWrappedSoTheyReadBack) {
  EXPECT_EQ(csv_line("k", "plain"), "k|plain\n");
  EXPECT_EQ(csv_line("k", "\"a\" b"), "k|\"\"a\" b\"\n");
  EXPECT_EQ(csv_line("k", "a|b"), "k|a|b\n");
  translation_table table;
  table.read_translation_lines(csv_line("\"k\"", "\"x\"") + csv_line("e", "") + csv_line("q", "\""));
  ASSERT_TRUE(table.find_translation("\"k\""));
  EXPECT_EQ(*table.find_translation("\"k\""), "\"x\"");
  ASSERT_TRUE(table.find_translation("e"));
  EXPECT_EQ(*table.find_translation("e"), "");
  ASSERT_TRUE(table.find_translation("q"));
  EXPECT_EQ(*table.find_translation("q"), "\"");
}

}  // namespace
}  // namespace hm
