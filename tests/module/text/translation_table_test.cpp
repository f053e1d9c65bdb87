// Translations: the line format with its quotes, bars and byte-order mark,
// the language choice, the engine's files overridden by the module's, and the
// lookups with their fall-backs.
#include <gtest/gtest.h>

#include <string>

#include "module/support/module_test_support.h"
#include "module/text/translation_table.h"

namespace hm {
namespace {

TEST(TranslationBucket, SignedBytesWrapAndStayInRange) {
  EXPECT_EQ(translation_bucket(""), 0);
  EXPECT_EQ(translation_bucket("a"), 97);
  EXPECT_EQ(translation_bucket("ab"), (97 * 59 + 98) % 3571);
  // A high byte is -61 as a signed byte: 0 x 59 - 61 wraps to 2^32 - 61.
  EXPECT_EQ(translation_bucket("\xC3"), static_cast<int>((4294967296ull - 61) % 3571));
  for (const char* key : {"\xFF\xFF\xFF", "\x80", "ui_ok", "\xC3\xA9t\xC3\xA9"}) {
    const int h = translation_bucket(key);
    EXPECT_GE(h, 0) << key;
    EXPECT_LT(h, 3571) << key;
  }
}

TEST(TranslationLines, KeysTextsQuotesAndBars) {
  translation_table table;
  table.read_translation_lines(
      "\xEF\xBB\xBFui_ok|OK\n"
      "\"ui_cancel\"|\"Cancel\"\n"
      "ui_pipe|a|b\n"
      "no bar here\n"
      "\"|lone quote key\n"
      "|empty key\n"
      "ui_lone_text|\"\n"
      "ui_crlf|Windows line\r\n"
      "ui_last|no line feed");
  const struct {
    const char* key;
    const char* text;
  } rows[] = {{"ui_ok", "OK"},       {"ui_cancel", "Cancel"},    {"ui_pipe", "a|b"},
              {"ui_lone_text", ""},  {"ui_crlf", "Windows line"}, {"ui_last", "no line feed"}};
  for (const auto& r : rows) {
    const ruv_string* text = table.find_translation(r.key);
    ASSERT_NE(text, nullptr) << r.key;
    EXPECT_EQ(text->view(), r.text) << r.key;
  }
  EXPECT_EQ(table.key_count(), 6);
  EXPECT_EQ(table.find_translation("no bar here"), nullptr);
  EXPECT_EQ(table.find_translation(""), nullptr);
}

TEST(TranslationLines, LongLinesAreReadInPiecesAndALaterTextReplaces) {
  translation_table table;
  const std::string long_text(6000, 'x');
  table.read_translation_lines("ui_long|" + long_text + "\nui_ok|OK\nui_ok|Fine\n");
  const ruv_string* text = table.find_translation("ui_long");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->length(), 4999 - 8);
  EXPECT_EQ(table.get_string_by_id("ui_ok"), "Fine");
  EXPECT_EQ(table.key_count(), 2);
}

TEST(TranslationLookups, MissingKeysAndRecordFallBacks) {
  translation_table& table = g_translation_table;
  table.clear();
  table.read_translation_lines("itm_sword|Arming Sword\nskl_riding_desc|Ride well.\nqst_a_text|Go.\nmnu_door|Gate\n");
  EXPECT_EQ(table.get_string_by_id("ui_missing"), "STR NOT FOUND: ui_missing");
  EXPECT_EQ(table.get_string_by_id("ui_other"), "STR NOT FOUND: ui_other");
  EXPECT_EQ(translate_record_name("itm_sword", "Sword"), "Arming Sword");
  EXPECT_EQ(translate_record_name("itm_axe", "Axe"), "Axe");
  EXPECT_EQ(translate_plural_name("itm_sword", "Swords"), "Swords");
  EXPECT_EQ(translate_skill_description("skl_riding", "x"), "Ride well.");
  EXPECT_EQ(get_translated_text_field("qst_a", "x"), "Go.");
  EXPECT_EQ(translate_door_name("mnu", "x"), "Gate");

  // A translation far longer than any fixed buffer comes back whole.
  table.set_translation("ui_archery", std::string(3000, 'a'));
  ruv_string name = "untouched";
  EXPECT_FALSE(get_proficiency_name(7, name));
  EXPECT_FALSE(get_proficiency_name(-1, name));
  EXPECT_EQ(name, "untouched");
  ASSERT_TRUE(get_proficiency_name(3, name));
  EXPECT_EQ(name.length(), 3000);
  ASSERT_TRUE(get_proficiency_name(6, name));
  EXPECT_EQ(name, "STR NOT FOUND: ui_firearms");
  table.clear();
}

TEST(TranslationFiles, TwoLanguagesAndTheModuleOverridingTheEngine) {
  test::temp_folder game;
  game.write("languages/en/ui.csv", "ui_ok|OK\nui_yes|Yes\n");
  game.write("languages/de/ui.csv", "ui_ok|Gut\nui_yes|Ja\n");
  game.write("languages/de/sub/ignored.csv", "ui_ok|from a folder\n");
  game.write("Modules/M/languages/de/a.csv", "ui_yes|Jawohl\nui_no|Nein\n");
  game.write("Modules/M/languages/de/b.csv", "\xEF\xBB\xBFui_no|Nein!\n");
  test::scoped_working_folder in_game(game.path());

  translation_table english;
  load_translations(english, "");  // no language.txt
  EXPECT_EQ(english.language, "en");
  EXPECT_EQ(english.get_string_by_id("ui_ok"), "OK");
  EXPECT_EQ(english.get_string_by_id("ui_no"), "STR NOT FOUND: ui_no");

  for (const char* language_file : {"de\n", "de", "de\r\nsecond line\n"}) {
    game.write("language.txt", language_file);
    translation_table german;
    load_translations(german, "");
    EXPECT_EQ(german.language, "de");
    EXPECT_EQ(german.get_string_by_id("ui_ok"), "Gut");
    load_translations(german, "Modules\\M\\");
    EXPECT_EQ(german.get_string_by_id("ui_ok"), "Gut");
    EXPECT_EQ(german.get_string_by_id("ui_yes"), "Jawohl");
    // Files are read in name order: b.csv after a.csv.
    EXPECT_EQ(german.get_string_by_id("ui_no"), "Nein!");
    EXPECT_EQ(german.key_count(), 3);
  }

  game.write("language.txt", "");
  translation_table empty_file;
  load_translations(empty_file, "");
  EXPECT_EQ(empty_file.language, "en");
  game.write("language.txt", "fr\n");
  translation_table no_folder;
  load_translations(no_folder, "");
  EXPECT_EQ(no_folder.language, "fr");
  EXPECT_EQ(no_folder.key_count(), 0);
}

}  // namespace
}  // namespace hm
