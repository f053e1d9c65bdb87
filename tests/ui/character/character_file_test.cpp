// The character file: written then read back it gives the same character; a
// typed name never leads out of the export folder; values are held to what a
// character may bring; a broken file is refused with its reason and the
// character left as it was; a file that cannot be written says so.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "module/base/ini_table.h"
#include "module/records/world_records.h"
#include "module/troops/troop.h"
#include "ui/character/character_file.h"

namespace hm {
namespace {

constexpr int power_strike = 35;

ini_table table_of(const std::string& text) {
  ini_table t;
  std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  read_ini_file(t, f);
  std::fclose(f);
  return t;
}

class CharacterFile : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = g_skills;
    for (int i = 0; i < skill_count; ++i) {
      skill& s = g_skills[static_cast<std::size_t>(i)];
      s = skill{};
      s.name = ruv_string(("Skill " + std::to_string(i)).c_str());
      s.max_level = 10;
    }
    g_skills[power_strike].name = ruv_string("Power Strike");
    g_skills[power_strike].max_level = 7;
    hero.name = ruv_string("Aldric of the Marsh");
    hero.experience = 5000;
    hero.level = 6;
    hero.gold = 1234;
    hero.attribute_points = 1;
    hero.skill_points = 2;
    hero.proficiency_points = 3;
    hero.attributes = {14, 12, 9, 8};
    hero.set_skill_level(power_strike, 4);
    hero.set_skill_level(1, 2);
    hero.proficiencies = {80.0f, 45.0f, 30.0f, 60.0f, 10.0f, 20.0f, 0.0f};
    hero.face_code_1[0] = 0x12345678abcULL;
    hero.face_code_1[1] = 0xfedcba9876543210ULL;
    hero.max_hit_points = 40.0f;
  }
  void TearDown() override { g_skills = saved; }
  // The values the file carries, as one comparable text.
  static std::string values(const troop& t) { return write_character_text(t); }

  std::array<skill, skill_count> saved;
  troop hero;
};

TEST_F(CharacterFile, ExportThenImportGivesTheSameCharacter) {
  const std::string text = write_character_text(hero);
  EXPECT_NE(text.find(" charfile_version = 1\nname = Aldric_of_the_Marsh\nxp = 5000\n"), std::string::npos) << text;
  EXPECT_NE(text.find("power_strike = 4\n"), std::string::npos);
  EXPECT_NE(text.find("face_key_2 = fedcba9876543210\n"), std::string::npos);
  troop other;
  other.name = ruv_string("Someone");
  const character_import_result r = import_character(other, table_of(text));
  ASSERT_TRUE(r.ok) << r.error_key << " " << r.detail;
  EXPECT_EQ(values(other), text);
  EXPECT_EQ(other.name.view(), "Aldric of the Marsh");
  // The level follows the experience: 5000 lies past level 6's 4768.
  EXPECT_EQ(other.level, 6);
}

TEST_F(CharacterFile, ValuesAreHeldToWhatACharacterMayBring) {
  struct row {
    const char* line;
    int xp, level, skill, proficiency;
  };
  const row rows[] = {
      {"xp = -40", 0, 1, 4, 80},   {"xp = 700", 700, 2, 4, 80},
      {"xp = 600", 600, 1, 4, 80}, {"xp = 99999999999", max_imported_experience, 61, 4, 80},
      {"POWER_Strike = 15", 5000, 6, 7, 80},  // at most 10 and the skill's own 7
      {"one_handed_weapons = 900", 5000, 6, 4, max_imported_proficiency},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.line);
    troop t = hero;
    const character_import_result result =
        import_character(t, table_of(std::string(" charfile_version = 1\n") + r.line + "\n"));
    ASSERT_TRUE(result.ok) << result.error_key;
    EXPECT_EQ(t.experience, r.xp);
    EXPECT_EQ(t.level, r.level);
    EXPECT_EQ(t.get_skill_level(power_strike), r.skill);
    EXPECT_EQ(t.proficiencies[0], static_cast<float>(r.proficiency));
  }
  EXPECT_EQ(level_for_experience(0), 1);
  EXPECT_EQ(level_for_experience(1360), 2);
  EXPECT_EQ(level_for_experience(1361), 3);
}

TEST_F(CharacterFile, ABrokenFileIsRefusedAndTheCharacterStaysAsItWas) {
  struct row {
    const char* text;
    const char* reason;
  };
  const row rows[] = {
      {"", "ui_character_file_not_a_character"},
      {"name = Thief\nxp = 90000\n", "ui_character_file_not_a_character"},
      {" charfile_version = 2\nxp = 1\n", "ui_character_file_wrong_version"},
      {" charfile_version = 1\nname = Thief\nxp = 12abc\n", "ui_character_file_bad_value"},
      {" charfile_version = 1\nstrength = lots\n", "ui_character_file_bad_value"},
      {" charfile_version = 1\nmoney = 5\nface_key_1 = zz\n", "ui_character_file_bad_value"},
      {" charfile_version = 1\npower_strike = \n", "ui_character_file_bad_value"},
      {"\x01\x02\xff\xfe = = =\n\n\n", "ui_character_file_not_a_character"},
  };
  const std::string before = values(hero);
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    troop t = hero;
    const character_import_result result = import_character(t, table_of(r.text));
    EXPECT_FALSE(result.ok);
    EXPECT_STREQ(result.error_key, r.reason);
    EXPECT_EQ(values(t), before);
  }
}

TEST_F(CharacterFile, AHostileNameStaysInsideTheExportFolder) {
  const char* names[] = {"../../../etc/passwd",
                         "..\\..\\windows\\win.ini",
                         "a/b/c",
                         "..",
                         "...",
                         "",
                         "   ",
                         "tab\there\nnew\rline\x7f",
                         "C:evil*?\"<>|",
                         ".hidden"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const std::string safe = safe_character_file_name(name);
    ASSERT_FALSE(safe.empty());
    EXPECT_EQ(safe.find('/'), std::string::npos);
    EXPECT_EQ(safe.find('\\'), std::string::npos);
    EXPECT_EQ(safe.find(".."), std::string::npos);
    EXPECT_NE(safe.front(), '.');
    for (const char c : safe) EXPECT_GE(static_cast<unsigned char>(c), 0x20);
    troop t;
    t.name = ruv_string(name);
    const std::filesystem::path path(character_export_path(t));
    EXPECT_EQ(path.parent_path().filename(), character_export_folder);
    EXPECT_EQ(path.extension(), ".txt");
  }
  // A long name is cut on a character boundary.
  std::string long_name;
  for (int i = 0; i < 40; ++i) long_name += "\xc3\xa9";  // é
  const std::string cut = safe_character_file_name(long_name);
  EXPECT_LE(cut.size(), 64u);
  EXPECT_EQ(cut.size() % 2, 0u);
  EXPECT_EQ(safe_character_file_name("Aldric of the Marsh"), "Aldric of the Marsh");
}

TEST_F(CharacterFile, AFileThatCannotBeWrittenSaysSoAndTheOldOneStays) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "hoofmarch_character_file_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "CharExport" / "hero.txt").string();
  ASSERT_TRUE(export_character(hero, path));
  troop back;
  ASSERT_TRUE(import_character_file(back, path).ok);
  EXPECT_EQ(values(back), values(hero));
  // A file where the folder should be: nothing can be written there.
  { std::ofstream(dir / "blocked") << "x"; }
  EXPECT_FALSE(export_character(hero, (dir / "blocked" / "hero.txt").string()));
  // A missing file is refused with its own reason.
  const character_import_result missing = import_character_file(back, (dir / "none.txt").string());
  EXPECT_FALSE(missing.ok);
  EXPECT_STREQ(missing.error_key, "ui_unable_to_open_import_file");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace hm
