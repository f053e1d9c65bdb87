#include "engine/text/font_details.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/stream.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

class font_data_file : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("hm_font_details_test_" + std::to_string(getpid()));
    fs::create_directories(folder_);
    ASSERT_TRUE(open_engine_log((folder_ / "ruv_log.txt").string()));
  }
  void TearDown() override {
    engine_log().close();
    fs::remove_all(folder_);
  }
  std::string write(const std::string& name, const std::string& text) {
    const fs::path p = folder_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  std::string log_text() {
    engine_log().close();
    std::ifstream in(folder_ / "ruv_log.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path folder_;
};

int nonzero_glyphs(const font_details& f) {
  int n = 0;
  for (const font_glyph& g : f.glyphs) {
    n += g.u0 != 0 || g.v0 != 0 || g.u1 != 0 || g.v1 != 0 || g.pre_shift != 0 || g.y_adjust != 0 || g.post_shift != 0;
  }
  return n;
}

TEST(FontDetails, ConstructGivesTheDefaults) {
  font_details f;
  f.glyphs[3].u0 = 1.0f;
  f.glyph_map[700] = font_glyph{1, 1, 1, 1, 1, 1, 1};
  f.construct();
  EXPECT_EQ(f.texture_width, 512);
  EXPECT_EQ(f.texture_height, 512);
  EXPECT_EQ(f.padding, 0);
  EXPECT_EQ(f.font_size, 75);
  EXPECT_FLOAT_EQ(f.size_u, 75.0f / 512.0f);
  EXPECT_FLOAT_EQ(f.size_v, 75.0f / 512.0f);
  EXPECT_FLOAT_EQ(f.font_scale, 1.0f);
  EXPECT_FLOAT_EQ(f.line_spacing, 1.0f);
  EXPECT_EQ(nonzero_glyphs(f), 0);
  EXPECT_TRUE(f.glyph_map.empty());
}

TEST_F(font_data_file, ConvertsGlyphsAndSortsCodesIntoTableAndMap) {
  const std::string path = write("font_data.xml", R"(<?xml version="1.0"?>
<Font width="512" height="256" padding="2" font_size="32" font_scale="150" line_spacing="120">
  <FontDetails>
    <Glyph code="65" u="10" v="20" w="30" h="40" preshift="1" yadjust="-3" postshift="5"/>
    <Glyph code="66" u="10"/>
    <Glyph u="99" v="99" w="99" h="99" preshift="99" yadjust="99" postshift="99"/>
    <Glyph code="600" preshift="8" postshift="12"/>
    <Glyph code="511" postshift="1"/>
    <Glyph code="512" postshift="2"/>
    <Glyph code="-5" u="50" postshift="50"/>
    <Glyph code="x7" u="50"/>
  </FontDetails>
</Font>
)");
  font_details f;
  read_font_details(f, path.c_str());

  EXPECT_EQ(f.texture_width, 512);
  EXPECT_EQ(f.texture_height, 256);
  EXPECT_EQ(f.padding, 2);
  EXPECT_EQ(f.font_size, 32);
  EXPECT_FLOAT_EQ(f.size_u, 32.0f / 512.0f);
  EXPECT_FLOAT_EQ(f.size_v, 32.0f / 256.0f);
  EXPECT_FLOAT_EQ(f.font_scale, 1.5f);
  EXPECT_FLOAT_EQ(f.line_spacing, 1.2f);

  const font_glyph& a = f.glyphs[65];
  EXPECT_FLOAT_EQ(a.u0, 6.0f / 512.0f);
  EXPECT_FLOAT_EQ(a.v1, (256.0f - 20.0f + 4.0f) / 256.0f);
  EXPECT_FLOAT_EQ(a.u1, (30.0f - 2.0f + 6.0f) / 512.0f);
  EXPECT_FLOAT_EQ(a.v0, (256.0f - 40.0f + 2.0f - 6.0f) / 256.0f);
  EXPECT_FLOAT_EQ(a.pre_shift, -3.0f / 512.0f);
  EXPECT_FLOAT_EQ(a.y_adjust, 1.0f / 256.0f);
  EXPECT_FLOAT_EQ(a.post_shift, 9.0f / 512.0f);
  EXPECT_FLOAT_EQ(f.glyph_advance(65), 6.0f / 512.0f);

  // Only the attributes present are set.
  const font_glyph& b = f.glyphs[66];
  EXPECT_FLOAT_EQ(b.u0, 6.0f / 512.0f);
  EXPECT_EQ(b.v0, 0.0f);
  EXPECT_EQ(b.u1, 0.0f);
  EXPECT_EQ(b.post_shift, 0.0f);

  // 65, 66 and 511: the element without a code, the negative code and the
  // unreadable code changed nothing else.
  EXPECT_EQ(nonzero_glyphs(f), 3);
  EXPECT_FLOAT_EQ(f.glyph_advance(511), 5.0f / 512.0f);

  // 512 and above live in the map; a code it lacks reads the zero default glyph.
  ASSERT_EQ(f.glyph_map.size(), 2u);
  EXPECT_FLOAT_EQ(f.glyph_advance(512), 6.0f / 512.0f);
  EXPECT_FLOAT_EQ(f.glyph_advance(600), 20.0f / 512.0f);
  EXPECT_EQ(f.glyph_advance(601), 0.0f);
  EXPECT_EQ(f.glyph_advance(-5), 0.0f);

  const std::string log = log_text();
  EXPECT_NE(log.find("WARNING: font data: negative glyph code -5 ignored"), std::string::npos) << log;
  EXPECT_NE(log.find("WARNING: font data: attribute \"code\" is not a number: x7"), std::string::npos) << log;
}

TEST_F(font_data_file, MissingAttributesKeepDefaultsAndBadSizesAreRefused) {
  font_details f;
  read_font_details(f, write("plain.xml", "<Font><FontDetails><G code=\"65\" u=\"10\"/></FontDetails></Font>").c_str());
  EXPECT_EQ(f.texture_width, 512);
  EXPECT_EQ(f.font_size, 75);
  EXPECT_FLOAT_EQ(f.font_scale, 1.0f);
  EXPECT_FLOAT_EQ(f.line_spacing, 1.0f);
  EXPECT_FLOAT_EQ(f.glyphs[65].u0, 6.0f / 512.0f);

  // A zero size would divide every glyph value by zero.
  font_details g;
  read_font_details(g, write("zero.xml", "<Font width=\"0\" height=\"-4\" font_size=\"0\"/>").c_str());
  EXPECT_EQ(g.texture_width, 512);
  EXPECT_EQ(g.texture_height, 512);
  EXPECT_EQ(g.font_size, 75);
  EXPECT_TRUE(std::isfinite(g.size_u));
  EXPECT_NE(log_text().find("WARNING: font data: \"width\" must be positive"), std::string::npos);
}

TEST_F(font_data_file, UnreadableFilesAreFatal) {
  scoped_fatal_throw guard;
  font_details f;
  const std::string missing = (folder_ / "missing.xml").string();
  const std::string broken = write("broken.xml", "<Font><FontDetails><G code=\"65\"</Font>");
  const std::string empty = write("empty.xml", "");
  // Nesting that would overflow the parser's stack.
  std::string nested;
  for (int i = 0; i < 40000; ++i) nested += "<a>";
  const std::string deep = write("deep.xml", "<Font>" + nested + "</Font>");
  for (const std::string& path : {missing, broken, empty, deep}) {
    try {
      read_font_details(f, path.c_str());
      ADD_FAILURE() << path << " was accepted";
    } catch (const fatal_error& e) {
      EXPECT_EQ(std::string(e.what()), "Unable To Load Font File! " + path);
    }
  }
}

// A font whose advances are easy to add: 'a' 1, 'b' 2, 'c' 4 (in 1/64 of the
// texture width), '<' and '>' 100, newline 8.
font_details measuring_font() {
  font_details f;
  auto set = [&f](int code, float advance) {
    f.glyphs[static_cast<std::size_t>(code)].pre_shift = advance * 0.25f;
    f.glyphs[static_cast<std::size_t>(code)].post_shift = advance * 0.75f;
  };
  set('a', 1.0f / 64);
  set('b', 2.0f / 64);
  set('c', 4.0f / 64);
  set('<', 100.0f);
  set('>', 100.0f);
  return f;
}

std::vector<std::int32_t> codes_of(const char* text) {
  std::vector<std::int32_t> out;
  for (const char* p = text; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
  return out;
}

TEST(MeasureTextWidth, MarkupTabsAndRanges) {
  const font_details f = measuring_font();
  const float a = 1.0f / 64, b = 2.0f / 64, c = 4.0f / 64;
  struct row {
    const char* text;
    int first;
    int last;
    float width;
  };
  const row rows[] = {
      {"abc", 0, 3, a + b + c},
      {"a<b>c", 0, 5, a + c},
      {"a<bc", 0, 4, a},              // an unclosed '<' hides the rest
      {"a<b>>c", 0, 6, a + 100.0f + c},  // a second '>' outside markup is a glyph
      {"\t", 0, 1, 0.4f},
      {"\t\t", 0, 2, 0.65f},
      {"abc", 1, 3, b + c},
      {"abc", 0, 99, a + b + c},      // stops at the length
      {"abc", 2, 2, 0.0f},
      {"abc", 3, 1, 0.0f},
      {"\n", 0, 1, 0.0f},             // no special case, and no glyph listed
  };
  for (const row& r : rows) {
    const std::vector<std::int32_t> codes = codes_of(r.text);
    EXPECT_FLOAT_EQ(measure_text_width(f, codes.data(), static_cast<int>(codes.size()), r.first, r.last), r.width)
        << r.text << " [" << r.first << ", " << r.last << ")";
  }

  // A tab from 0.3: trunc(1.2) x 0.25 + 0.4.
  font_details wide = measuring_font();
  wide.glyphs['w'].post_shift = 0.3f;
  const std::vector<std::int32_t> w_tab = codes_of("w\t");
  EXPECT_FLOAT_EQ(measure_text_width(wide, w_tab.data(), 2, 0, 2), 0.65f);

  // A code of 512 or more that the font lacks measures 0; one it has, its advance.
  wide.glyph_map[0x2026] = font_glyph{0, 0, 0, 0, 0.5f, 0, 0.25f};
  const std::int32_t high[] = {0x2026, 0x4E00, 'a'};
  EXPECT_FLOAT_EQ(measure_text_width(wide, high, 3, 0, 3), 0.75f + a);
}

}  // namespace
}  // namespace hm
