#include "render/terrain/terrain_code.h"

#include <gtest/gtest.h>

namespace hm {
namespace {

TEST(TerrainCode, ParsesTextForms) {
  struct parse_case {
    const char* text;
    std::array<std::uint32_t, 6> words;
  };
  const parse_case cases[] = {
      {"0x1", {1, 0, 0, 0, 0, 0}},
      {"1", {1, 0, 0, 0, 0, 0}},
      {"", {0, 0, 0, 0, 0, 0}},
      {"0x", {0, 0, 0, 0, 0, 0}},
      {"0xzz", {0, 0, 0, 0, 0, 0}},      // other characters count as the digit 0
      {"0X1g", {0x10, 0, 0, 0, 0, 0}},
      {"0xABCDEF0123456789", {0x23456789, 0xabcdef01, 0, 0, 0, 0}},
      // 60 digits: only the rightmost 48 are kept.
      {"0xffffffffffff000000050000000400000003000000020000000100000000",
       {0, 1, 2, 3, 4, 5}},
  };
  for (const parse_case& c : cases) {
    terrain_code code;
    code.words.fill(0xdeadbeef);
    code.parse(c.text);
    EXPECT_EQ(code.words, c.words) << c.text;
  }
}

TEST(TerrainCode, PrintsAndParsesBack) {
  terrain_code zero;
  EXPECT_EQ(zero.to_string(), "0x" + std::string(48, '0'));
  terrain_code code;
  code.words = {0x12345678, 0x9abcdef0, 0x0fedcba9, 0x87654321, 0x00000001, 0xa0b0c0d0};
  const std::string text = code.to_string();
  EXPECT_EQ(text, "0xa0b0c0d000000001876543210fedcba99abcdef012345678");
  terrain_code back;
  back.parse(text);
  EXPECT_EQ(back, code);
}

TEST(TerrainCode, FieldsSaturateAndKeepTheirNeighbours) {
  terrain_code code;
  code.set_bits(162, 163, 2);
  EXPECT_EQ(code.set_bits(96, 105, 5000) & 0x3ff, 1023u);
  EXPECT_EQ(code.size_x(), 1023u);
  code.set_bits(160, 161, 7);
  EXPECT_EQ(code.region_detail(), 3u);
  EXPECT_EQ(code.disable_grass(), 2u);
  code.set_region_type(11);
  code.set_place_river(true);
  code.set_deep_water(true);
  code.set_river_seed(0x7fffffff);
  EXPECT_EQ(code.region_type(), 11u);
  EXPECT_TRUE(code.place_river());
  EXPECT_TRUE(code.deep_water());
  EXPECT_EQ(code.river_seed(), 0x7fffffffu);
  EXPECT_EQ(code.words[1], 0xffffffffu);
  EXPECT_EQ(code.size_x(), 1023u);
  EXPECT_STREQ(terrain_region_name(11), "Forest");
  EXPECT_STREQ(terrain_region_name(13), "");
}

TEST(TerrainCode, PercentSetters) {
  const std::pair<float, std::uint32_t> percent[] = {{1.5f, 99}, {-0.2f, 0}, {0.125f, 12}, {0.126f, 13}, {0.5f, 50}};
  for (const auto& [value, stored] : percent) {
    terrain_code code;
    code.set_valley(value);
    code.set_vegetation(value);
    EXPECT_EQ(code.valley(), stored) << value;
    EXPECT_EQ(code.vegetation(), stored) << value;
  }
  const std::pair<float, std::uint32_t> hills[] = {{300.0f, 127}, {-1.0f, 0}, {55.9f, 55}, {0.5f, 0}};
  for (const auto& [value, stored] : hills) {
    terrain_code code;
    code.set_hill_height(value);
    EXPECT_EQ(code.hill_height(), stored) << value;
  }
}

// A random scene's seeds come from the party's place: (100.7, 200.2) with
// counter 3 and mission counter 4 (c = 1) gives 17*100 + 6923*3 + 1 +
// 8971*200, 31*100 + 6601*200 + 1 + 7791*3 and 19*100 + 3917*3 + 1 +
// 5793*200; at (1000, 1000) the first, 8,988,000, keeps its low 23 bits.
TEST(TerrainCode, RandomSceneSeedsFromThePartysPlace) {
  terrain_code code;
  code.set_region_type(5);
  code.set_size_x(300);
  set_random_scene_seeds(code, 100.7f, 200.2f, 3, 4);
  EXPECT_EQ(code.terrain_seed(), 1816670u);
  EXPECT_EQ(code.river_seed(), 1346674u);
  EXPECT_EQ(code.flora_seed(), 1172252u);
  EXPECT_EQ(code.region_type(), 5u);
  EXPECT_EQ(code.size_x(), 300u);
  set_random_scene_seeds(code, 1000.0f, 1000.0f, 0, 0);
  EXPECT_EQ(code.terrain_seed(), 8988000u - 8388608u);
}

}  // namespace
}  // namespace hm
