#include "module/base/ini_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "module/support/module_test_support.h"

namespace hm {
namespace {

// Reads text as a file would be read (fgetc and the end-of-file flag).
ini_table read_text(const std::string& text) {
  std::FILE* file = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  ini_table table;
  read_ini_file(table, file);
  std::fclose(file);
  return table;
}

TEST(ReadIniFile, ReadErrorEndsTheFile) {
  // A folder opens for reading but every read fails without reaching the end.
  std::FILE* folder = std::fopen(HOOFMARCH_SOURCE_DIR, "r");
  ASSERT_NE(folder, nullptr);
  ini_table table;
  read_ini_file(table, folder);
  std::fclose(folder);
  EXPECT_EQ(table.count(), 0);
}

using pairs = std::vector<std::pair<std::string, std::string>>;

pairs pairs_of(const ini_table& table) {
  pairs result;
  for (const ini_pair& p : table.pairs) result.emplace_back(p.key.c_str(), p.value.c_str());
  return result;
}

struct split_case {
  const char* name;
  std::string text;
  pairs expected;
};

TEST(ReadIniFile, SplitsLinesIntoKeyAndValue) {
  const std::vector<split_case> cases = {
      {"spaced", "time_multiplier = 0.25", {{"time_multiplier", "0.25"}}},
      {"tight", "time_multiplier=0.25", {{"time_multiplier", "0.25"}}},
      {"blank only", "time_multiplier 0.25", {{"time_multiplier", "0.25"}}},
      {"key lower-cased, value kept", "Module_Name = MyMod", {{"module_name", "MyMod"}}},
      {"extra words ignored", "time_multiplier = 0.5 and more words", {{"time_multiplier", "0.5"}}},
      {"tabs and CR separate", "\tkey\t=\tvalue\r", {{"key", "value"}}},
      {"high bytes separate", "key\xE9value", {{"key", "value"}}},
      {"key without value", "lonely", {{"lonely", ""}}},
      {"comment skipped", "# a comment\nkey = 1", {{"key", "1"}}},
      {"blank before # is no comment", " # not a comment", {{"#", "not"}}},
      {"empty line takes a pair", "a = 1\n\nb = 2", {{"a", "1"}, {"", ""}, {"b", "2"}}},
      {"final line feed adds an empty pair", "a = 1\n", {{"a", "1"}, {"", ""}}},
      {"empty file gives one empty pair", "", {{"", ""}}},
  };
  for (const split_case& c : cases) {
    EXPECT_EQ(pairs_of(read_text(c.text)), c.expected) << c.name;
  }
}

TEST(ReadIniFile, LongLinesContinueAsNewPairsEvery250Characters) {
  const std::string line(600, 'x');
  const ini_table table = read_text(line);
  ASSERT_EQ(table.count(), 3);
  EXPECT_EQ(table.pairs[0].key.length(), 250);
  EXPECT_EQ(table.pairs[1].key.length(), 250);
  EXPECT_EQ(table.pairs[2].key.length(), 100);
}

TEST(ReadIniFile, ReadingAgainReplacesThePairs) {
  std::FILE* file = std::tmpfile();
  std::fputs("a = 1", file);
  ini_table table = read_text("x = 1\ny = 2\nz = 3");
  std::rewind(file);
  read_ini_file(table, file);
  std::fclose(file);
  EXPECT_EQ(pairs_of(table), (pairs{{"a", "1"}}));
}

TEST(ReadIniFile, PairsPast4096AreDroppedWithOneWarningEach) {
  test::warning_capture warnings;
  // 4096 lines and a final line feed: the empty pair after it is the 4097th.
  std::string text;
  for (int i = 0; i < 4096; ++i) text += "key" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  ini_table table = read_text(text);
  EXPECT_EQ(table.count(), ini_table::max_pairs);
  EXPECT_EQ(table.pairs.back().key, "key4095");
  ASSERT_EQ(warnings.texts().size(), 1u);
  EXPECT_EQ(warnings.texts()[0], "Too many lines in Ini file. Ignoring...");

  // Comments do not count; two more lines give two more warnings.
  table = read_text(text + "# comment\nextra = 1\nmore = 2");
  EXPECT_EQ(table.count(), ini_table::max_pairs);
  EXPECT_EQ(warnings.texts().size(), 3u);
}

TEST(IniLookups, FindKeyIsExactAndFloatDefaultsToZero) {
  const ini_table table = read_text("Seeing_Range = 7.5\nbad = abc\nseeing_range = 2\npartial = 3.5x");
  EXPECT_EQ(find_ini_key(table, "seeing_range"), 0);  // the first of two
  EXPECT_EQ(find_ini_key(table, "Seeing_Range"), -1);
  EXPECT_EQ(find_ini_key(table, "missing"), -1);
  EXPECT_FLOAT_EQ(get_ini_float(table, "seeing_range"), 7.5f);
  EXPECT_FLOAT_EQ(get_ini_float(table, "bad"), 0.0f);
  EXPECT_FLOAT_EQ(get_ini_float(table, "partial"), 3.5f);
  EXPECT_FLOAT_EQ(get_ini_float(table, "missing"), 0.0f);
}

}  // namespace
}  // namespace hm
