#include "render/view/message_log.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "engine/core/timer.h"
#include "render/support/test_font.h"
#include "render/support/message_log_materials.h"

namespace hm {
namespace {

class message_log_test : public ::testing::Test {
 protected:
  void SetUp() override {
    test::add_message_log_materials(resources_);
    log_ = std::make_unique<message_log>();
    log_->font = &font_;
    log_->resources = &resources_;
    reset_clocks();
  }
  void TearDown() override {
    log_.reset();
    reset_clocks();
  }

  std::vector<std::string> history() const {
    std::vector<std::string> out;
    for (const ruv_string& s : log_->log_history) out.emplace_back(s.view());
    return out;
  }
  std::size_t quads(int slot) const {
    return log_->log_text_meshes[static_cast<std::size_t>(slot)].get_points().size() / 4;
  }

  resource_manager resources_;  // outlives the log's meshes, which hold its materials
  font_details font_ = test::make_test_font();
  std::unique_ptr<message_log> log_;
};

TEST_F(message_log_test, AddsALineIntoTheSlotBeforeThePrevious) {
  add_message_line(*log_, "ab cd", 0xFFFF0000u);
  EXPECT_EQ(log_->log_slot, 31);
  EXPECT_EQ(quads(31), 5u);
  EXPECT_EQ(log_->log_line_color[31], 0xFFFF0000u);
  EXPECT_EQ(log_->log_line_age[31], 0.0f);
  // Glyph size 0.021 with the test font: glyphs 0.021 high, hanging from -0.03.
  EXPECT_NEAR(log_->log_line_height[31], 0.021f, 1e-6);
  EXPECT_NEAR(log_->log_total_height, 0.021f, 1e-6);

  const mesh& text = log_->log_text_meshes[31];
  const mesh& background = log_->log_background_meshes[31];
  ASSERT_NE(text.mat, nullptr);
  ASSERT_NE(background.mat, nullptr);
  EXPECT_EQ(text.mat->name, "ui_font");
  EXPECT_EQ(background.mat->name, "ui_font_background");
  ASSERT_EQ(background.get_points().size(), text.get_points().size());
  for (std::size_t i = 0; i < text.get_points().size(); ++i) {
    EXPECT_FLOAT_EQ(background.get_points()[i].position.x, text.get_points()[i].position.x);
    EXPECT_FLOAT_EQ(background.get_points()[i].position.y, text.get_points()[i].position.y);
  }
  // The first glyph starts 0.02 in (plus its pre-shift), white.
  EXPECT_NEAR(text.get_points()[0].position.x, 0.02f + 0.01f * 0.21f, 1e-6);
  EXPECT_EQ(text.get_vertices()[0].color, 0xFFFFFFFFu);

  add_message_line_default(*log_, "c");
  EXPECT_EQ(log_->log_slot, 30);
  EXPECT_EQ(log_->log_line_color[30], message_default_colour);
  EXPECT_NEAR(log_->log_total_height, 0.042f, 1e-6);
  EXPECT_EQ(history(), (std::vector<std::string>{"ab cd", "c"}));

  // Rebuilding a slot empties it first; an empty text leaves an empty slot.
  for (int i = 0; i < 31; ++i) add_message_line_default(*log_, "");
  EXPECT_EQ(log_->log_slot, 31);
  EXPECT_EQ(quads(31), 0u);
  EXPECT_EQ(log_->log_line_height[31], 0.0f);
}

TEST_F(message_log_test, LongLinesSplitAtTheLastSpaceBefore80) {
  const std::string first(40, 'a');
  const std::string second(40, 'b');
  add_message_line_default(*log_, ruv_string(std::string_view(first + " " + second)));
  EXPECT_EQ(history(), (std::vector<std::string>{first, second}));
  EXPECT_EQ(log_->log_slot, 30);
  EXPECT_EQ(quads(31), 40u);
  EXPECT_EQ(quads(30), 40u);

  // Only a space at position 0: one line, shrunk to fit.
  log_->log_history.clear();
  const std::string lone = " " + std::string(80, 'w');
  add_message_line_default(*log_, ruv_string(std::string_view(lone)));
  EXPECT_EQ(history(), (std::vector<std::string>{lone}));
  EXPECT_EQ(log_->log_slot, 29);
  EXPECT_EQ(quads(29), 81u);
  float right = 0.0f;
  for (const mesh_point& p : log_->log_text_meshes[29].get_points()) right = std::max(right, p.position.x);
  // Shrunk to the 0.8 wide rectangle (unshrunk it would reach 1.7); the
  // first line starts 0.02 in.
  EXPECT_GT(right, 0.75f);
  EXPECT_LE(right, 0.02f + 0.8f);

  // The last space below 80 is taken, and the rest is split again.
  log_->log_history.clear();
  std::string words;
  for (int i = 0; i < 40; ++i) words += "ab ";  // 120 characters, spaces at 2, 5, ... 119
  words.pop_back();
  add_message_line_default(*log_, ruv_string(std::string_view(words)));
  ASSERT_EQ(log_->log_history.size(), 2u);
  EXPECT_EQ(history()[0], words.substr(0, 77));
  EXPECT_EQ(history()[1], words.substr(78));

  // The length that decides is the one without tags; the position is in the text as given.
  log_->log_history.clear();
  const std::string tagged = "<color=red>" + std::string(60, 'a') + " " + std::string(15, 'b') + "</color>";
  add_message_line_default(*log_, ruv_string(std::string_view(tagged)));
  EXPECT_EQ(history(), (std::vector<std::string>{tagged}));
}

TEST_F(message_log_test, TagsNeverReachTheScreenButStayInTheHistory) {
  add_message_line_default(*log_, "<b>ab</b> <x>c");
  EXPECT_EQ(quads(31), 4u);  // "ab c"
  EXPECT_EQ(history(), (std::vector<std::string>{"<b>ab</b> <x>c"}));
}

TEST_F(message_log_test, RingHistoryAndHiddenLog) {
  for (int i = 0; i < 33; ++i) add_message_line_default(*log_, ruv_string(std::string_view("line " + std::to_string(i))));
  EXPECT_EQ(log_->log_slot, 31);  // the 33rd line took the slot of the first

  for (int i = 33; i < 105; ++i) add_message_line_default(*log_, ruv_string(std::string_view("line " + std::to_string(i))));
  ASSERT_EQ(log_->log_history.size(), 101u);
  EXPECT_EQ(history().front(), "line 4");
  EXPECT_EQ(history().back(), "line 104");

  log_->log_visible = 0;
  const std::int32_t slot = log_->log_slot;
  add_message_line_default(*log_, "hidden");
  EXPECT_EQ(log_->log_slot, slot);
  EXPECT_EQ(log_->log_history.size(), 100u);  // trimmed, nothing added
  EXPECT_NE(history().back(), "hidden");
  EXPECT_TRUE(message_log_lines(*log_, 10.0f).empty());

  // Without a font the line is still recorded, with an empty slot.
  log_->log_visible = 1;
  log_->font = nullptr;
  add_message_line_default(*log_, "no font");
  EXPECT_EQ(history().back(), "no font");
  EXPECT_EQ(quads(log_->log_slot), 0u);
}

TEST_F(message_log_test, LinesAgeFadeAndStackWithTheClock) {
  EXPECT_TRUE(message_log_lines(*log_, 10.0f).empty());  // nothing added yet

  add_message_line(*log_, "ab", 0xFF102030u);
  advance_clock(clock_real_time, 3.0f);
  message_log_frame(*log_);
  add_message_line(*log_, "ab\ncd", 0x80405060u);  // two rows: twice as high
  const float h_old = log_->log_line_height[31];
  const float h_new = log_->log_line_height[30];
  EXPECT_GT(h_new, h_old * 1.5f);

  std::vector<message_log_line> lines = message_log_lines(*log_, 10.0f);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].slot, 30);
  EXPECT_EQ(lines[0].offset_y, 0.0f);
  EXPECT_EQ(lines[0].colour, 0x80405060u);
  EXPECT_EQ(lines[1].slot, 31);
  EXPECT_FLOAT_EQ(lines[1].offset_y, h_old);  // sits on top of the newer line
  EXPECT_EQ(lines[1].colour, 0xFF102030u);

  // Only the newest fits a short column.
  EXPECT_EQ(message_log_lines(*log_, h_new + h_old * 0.5f).size(), 1u);

  // At 9 s the older line is half faded; at 10.5 s it is gone.
  struct step {
    float seconds;
    std::size_t lines;
    std::uint32_t old_alpha;
  };
  for (const step& s : {step{6.0f, 2, 0x80}, step{1.5f, 1, 0}}) {
    advance_clock(clock_real_time, s.seconds);
    message_log_frame(*log_);
    lines = message_log_lines(*log_, 10.0f);
    ASSERT_EQ(lines.size(), s.lines) << s.seconds;
    if (s.lines == 2) {
      EXPECT_EQ(lines[1].colour >> 24, s.old_alpha);
    }
  }
  EXPECT_FLOAT_EQ(log_->log_line_age[31], 10.5f);
  EXPECT_FLOAT_EQ(log_->log_line_age[30], 7.5f);

  advance_clock(clock_real_time, 3.0f);
  message_log_frame(*log_);
  EXPECT_TRUE(message_log_lines(*log_, 10.0f).empty());

  // Cleared, nothing shows and the materials are let go.
  add_message_line_default(*log_, "again");
  ASSERT_NE(log_->log_text_meshes[static_cast<std::size_t>(log_->log_slot)].mat, nullptr);
  clear_message_log(*log_);
  EXPECT_TRUE(message_log_lines(*log_, 10.0f).empty());
  for (const material* m : resources_.materials) EXPECT_EQ(m->use_count, 0) << m->name.c_str();

  EXPECT_FLOAT_EQ(message_line_fade(0.0f), 1.0f);
  EXPECT_FLOAT_EQ(message_line_fade(8.0f), 1.0f);
  EXPECT_FLOAT_EQ(message_line_fade(9.5f), 0.25f);
  EXPECT_FLOAT_EQ(message_line_fade(12.0f), 0.0f);
}

}  // namespace
}  // namespace hm
