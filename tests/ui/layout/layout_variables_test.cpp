// Layout variables applied to widgets (pairs, colours, flags, missing and
// malformed values) and the standard button makers' sizes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "module/base/ini_table.h"
#include "ui/layout/layout_variables.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

class LayoutVariables : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    reset_layout_variable_log();
    folder_ = std::filesystem::temp_directory_path() / ("hm_layout_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    ASSERT_TRUE(open_engine_log((folder_ / "ruv_log.txt").string()));
  }
  std::string log_text() {
    engine_log().close();
    std::ifstream in(folder_ / "ruv_log.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void TearDown() override {
    engine_log().close();
    std::filesystem::remove_all(folder_);
    set_layout_variable_table(nullptr);
    reset_layout_variable_log();
    test::ui_test::TearDown();
  }
  // The table as game_variables.txt with these lines would give it.
  void use(const std::string& text) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::rewind(f);
    table = ini_table{};
    read_ini_file(table, f);
    std::fclose(f);
    set_layout_variable_table(&table);
  }
  ini_table table;
  std::filesystem::path folder_;
};

TEST_F(LayoutVariables, PairsTakeZeroForTheMissingHalfAndStayWithoutEither) {
  use("box_position_y = 0.4\n"
      "box_size_x = 0.25\n"
      "box_size_y = 0.1\n"
      "box_text_color = FF112233\n"
      "box_text_flags = 0x10\n");
  widget w;
  w.set_position({0.7f, 0.7f});
  w.set_text_size({0.03f, 0.03f});
  w.set_highlight_colour(0xFFABCDEFu);
  read_widget_layout(w, "box");
  EXPECT_FLOAT_EQ(w.local_position.x, 0.0f);
  EXPECT_FLOAT_EQ(w.local_position.y, 0.4f);
  EXPECT_FLOAT_EQ(w.size.x, 0.25f);
  EXPECT_FLOAT_EQ(w.size.y, 0.1f);
  EXPECT_FLOAT_EQ(w.text_size.x, 0.03f);  // neither name: unchanged
  EXPECT_EQ(w.colour, 0xFF112233u);
  EXPECT_EQ(w.highlight_colour, 0xFFABCDEFu);  // no name: unchanged
  EXPECT_EQ(w.text_flags, 0x10u);
}

TEST_F(LayoutVariables, MissingAndMalformedValuesReadAsZero) {
  use("good_x = 0.5cm\n"
      "bad_float = wide\n"
      "bad_hex = zz\n"
      "good_hex = ff00\n");
  const struct {
    const char* name;
    float as_float;
    std::uint32_t as_hex;
  } cases[] = {
      {"good_x", 0.5f, 0x0u},     // leading number, rest ignored; "%x" stops at the point
      {"bad_float", 0.0f, 0u},    // no number
      {"bad_hex", 0.0f, 0u},      // no hex digit
      {"good_hex", 0.0f, 0xFF00u},
      {"absent", 0.0f, 0u},
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      EXPECT_FLOAT_EQ(get_layout_variable_float(c.name), c.as_float);
      EXPECT_EQ(get_layout_variable_hex(c.name), c.as_hex);
    }
  }
  EXPECT_FLOAT_EQ(get_layout_variable_float_by_index(0), 0.5f);
  const std::string log = log_text();
  EXPECT_NE(log.find("Layout variable absent is missing from game_variables.txt; using 0.\n"), std::string::npos);
  EXPECT_NE(log.find("Layout variable bad_hex is not a hexadecimal number; using 0.\n"), std::string::npos);
  // Each name is logged once, however often it is read.
  EXPECT_EQ(log.find("absent is missing"), log.rfind("absent is missing"));
  EXPECT_EQ(get_layout_variable_hex_by_index(3), 0xFF00u);
  // Outside the table (the reader adds an empty pair after the last line feed).
  EXPECT_FLOAT_EQ(get_layout_variable_float_by_index(-1), 0.0f);
  EXPECT_EQ(get_layout_variable_hex_by_index(table.count()), 0u);
}

TEST_F(LayoutVariables, ButtonsFitTheirLabelInsideTheMargins) {
  container parent;
  // Medium: width 0.04 x 3.7 = 0.148; room = 0.148 - 0.04 x 0.085 / 0.072.
  const float h = 0.04f;
  const float w = h * 3.7f;
  const float room = w - h * 0.085f / 0.072f;
  {
    widget* b = make_medium_button(parent, ruv_string(), 0.1f, 0.2f, h);
    EXPECT_EQ(b->get_type(), widget_type::text_button);
    EXPECT_FLOAT_EQ(b->size.x, w);
    EXPECT_FLOAT_EQ(b->size.y, h);
    EXPECT_FLOAT_EQ(b->text_size.x, 0.65f * h);
    EXPECT_FLOAT_EQ(b->text_position.y, 0.5f * h - 0.3f * 0.65f * h);
    EXPECT_EQ(b->highlight_colour, 0xFF007700u);
  }
  {
    // Four characters: 4 x 0.026 x 0.39 = 0.04056, inside the room.
    widget* b = make_medium_button(parent, ruv_string("Save"), 0.1f, 0.2f, h);
    EXPECT_FLOAT_EQ(b->text_size.x, 0.026f);
  }
  {
    // Twenty code points (UTF-8, two bytes each): 20 x 0.026 x 0.39 = 0.2028,
    // wider than the room, so the size shrinks to fit it exactly.
    std::string label;
    for (int i = 0; i < 20; ++i) label += "\xc3\xa9";
    widget* b = make_medium_button(parent, ruv_string(label), 0.1f, 0.2f, h);
    const float t = 0.026f * room / (20 * 0.026f * 0.39f);
    EXPECT_NEAR(b->text_size.x, t, 1e-6f);
    EXPECT_NEAR(20 * b->text_size.x * 0.39f, room, 1e-6f);
  }
  EXPECT_EQ(parent.children.size(), 3u);
  widget* longer = make_long_button(parent, ruv_string(), 0.0f, 0.0f, 0.05f);
  EXPECT_FLOAT_EQ(longer->size.x, 0.05f * 9.7f);
  widget* shorter = make_short_button(parent, ruv_string(), 0.0f, 0.0f, 0.05f);
  EXPECT_FLOAT_EQ(shorter->size.x, 0.05f * 3.0f);
}

}  // namespace
}  // namespace hm
