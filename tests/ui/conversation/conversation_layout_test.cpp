// The conversation window's answer layout worked out by hand from its
// layout variables, the relation bar's pointer and the speaking camera's
// ease.
#include <gtest/gtest.h>

#include <string>

#include "ui/conversation/conversation_layout.h"

namespace hm {
namespace {

// S 0.04, X 0.3, TX 0.01, R 12, A 0.05, minimum 0.3: t = 0.026, the line
// limit L = 23.5 x 0.04 - 0.02 = 0.92, a code point 0.026 x 0.39 = 0.01014
// wide, so 90 code points (0.9126) fit on a line and 91 (0.92274) do not.
conversation_layout_values sample_values() {
  conversation_layout_values v;
  v.sentence_size_y = 0.04f;
  v.sentence_x = 0.3f;
  v.sentence_text_x = 0.01f;
  v.sentence_width_ratio = 12.0f;
  v.sentence_y_a = 0.05f;
  v.choices_min_y = 0.3f;
  return v;
}

TEST(ConversationLayout, AnswersWrapAtTheWindowsWidthOnlyWhenTheirLineAsks) {
  struct wrap_case {
    int code_points;
    std::uint32_t word;
    bool wraps;
    float height;
  };
  const wrap_case cases[] = {
      {90, dialog_line_wraps, false, 0.04f},          // fits
      {91, dialog_line_wraps, true, 0.066f},          // one line more: S + t
      {91, 0, false, 0.04f},                          // too long, but its line keeps it on one
      {180, dialog_line_wraps, true, 0.066f},         // 1.825 - 0.92 = 0.905 <= L: two lines
      {182, dialog_line_wraps, true, 0.092f},         // 1.845: three lines
      {300, dialog_line_wraps | 0x10000, true, 0.118f},  // 3.042: four lines
  };
  const conversation_layout_values v = sample_values();
  for (const wrap_case& c : cases) {
    SCOPED_TRACE(c.code_points);
    float y = 0.0f;
    const answer_layout a = lay_out_answer(v, std::string(static_cast<std::size_t>(c.code_points), 'a'), c.word, y);
    EXPECT_EQ(a.wraps, c.wraps);
    EXPECT_NEAR(a.height, c.height, 1e-5f);
    EXPECT_NEAR(a.size.x, 0.48f, 1e-6f);
    EXPECT_NEAR(a.size.y, c.height, 1e-5f);
    EXPECT_NEAR(a.mesh_scale_y, c.height / 0.04f, 1e-4f);
    EXPECT_NEAR(a.text_size.x, 0.026f, 1e-6f);
    if (c.wraps) {
      EXPECT_EQ(a.text_flags, 0x100u);
      EXPECT_NEAR(a.text_position.y, c.height - 0.026f, 1e-5f);
      EXPECT_NEAR(a.text_position.x, 0.02f, 1e-6f);
    } else {
      EXPECT_EQ(a.text_flags, 0x10u);
      EXPECT_NEAR(a.text_position.y, 0.02f - 0.0078f, 1e-6f);
    }
  }
}

TEST(ConversationLayout, CodePointsNotBytesMeasureTheText) {
  // 46 two-byte letters are 46 code points: they fit where 92 bytes of plain
  // letters would wrap.
  std::string accented;
  for (int i = 0; i < 46; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(utf8_code_points(accented), 46);
  float y = 0.0f;
  EXPECT_FALSE(lay_out_answer(sample_values(), accented, dialog_line_wraps, y).wraps);
}

TEST(ConversationLayout, AnswersStandOneStepBelowTheOtherAndTheListKeepsItsMinimum) {
  const conversation_layout_values v = sample_values();
  float y = 0.0f;
  const answer_layout first = lay_out_answer(v, "Yes.", 0, y);
  const answer_layout second = lay_out_answer(v, "No.", 0, y);
  EXPECT_NEAR(first.position.x, 0.3f, 1e-6f);
  EXPECT_NEAR(first.position.y, -0.05f, 1e-6f);
  EXPECT_NEAR(second.position.y, -0.1f, 1e-6f);
  EXPECT_NEAR(first.text_offset.x, 0.01f, 1e-6f);
  // Two answers are shorter than the minimum; twelve are not.
  EXPECT_NEAR(conversation_list_height(v, y), 0.3f, 1e-6f);
  for (int i = 2; i < 12; ++i) lay_out_answer(v, "More.", 0, y);
  EXPECT_NEAR(conversation_list_height(v, y), 0.6f, 1e-5f);
}

TEST(ConversationLayout, AModuleWithoutTheVariablesKeepsLongTextsOnOneLine) {
  // Every variable missing reads as 0: the line limit is negative, and a
  // text that asks to wrap must not loop taking lines off.
  float y = 0.0f;
  const answer_layout a = lay_out_answer({}, std::string(500, 'x'), dialog_line_wraps, y);
  EXPECT_FALSE(a.wraps);
  EXPECT_EQ(a.height, 0.0f);
}

TEST(ConversationLayout, TheRelationPointerStandsOnTheBarWithinItsRange) {
  struct relation_case {
    std::int32_t value;
    bool shown;
    float x;
  };
  const relation_case cases[] = {
      {-102, false, 0.0f}, {-101, true, 0.01895f}, {-100, true, 0.02f},
      {0, true, 0.125f},   {101, true, 0.23105f},  {102, false, 0.0f},
  };
  for (const relation_case& c : cases) {
    SCOPED_TRACE(c.value);
    float x = -1.0f;
    EXPECT_EQ(relation_pointer_x(c.value, x), c.shown);
    if (c.shown) {
      EXPECT_NEAR(x, c.x, 1e-6f);
    }
  }
}

TEST(ConversationCamera, TheLookFrameIsTheEnginesCameraLookingAlongForward) {
  const frame f = conversation_look_frame(vec3(1.0f, 2.0f, 3.0f), vec3(0.0f, 2.0f, 0.0f));
  EXPECT_NEAR(f.rot.s.x, 1.0f, 1e-6f);
  EXPECT_NEAR(f.rot.f.z, 1.0f, 1e-6f);
  EXPECT_NEAR(f.rot.u.y, -1.0f, 1e-6f);
  EXPECT_NEAR(f.origin.z, 3.0f, 1e-6f);
}

TEST(ConversationCamera, TheEaseStartsAtItsTargetSettlesAndStartsOverOnAJump) {
  conversation_camera_ease ease;
  const frame a = conversation_look_frame(vec3(0.0f, 0.0f, 1.6f), vec3(0.0f, 1.0f, 0.0f));
  frame shown = ease_conversation_camera(ease, a, 0.1f);
  EXPECT_NEAR(shown.origin.z, 1.6f, 1e-6f);
  EXPECT_NEAR(ease.t, 0.2f, 1e-6f);
  // Small moves while settled are not followed: f = 1 - t.
  for (int i = 0; i < 5; ++i) shown = ease_conversation_camera(ease, a, 0.1f);
  EXPECT_NEAR(ease.t, 1.0f, 1e-6f);
  frame nudged = a;
  nudged.origin.x = 0.2f;
  shown = ease_conversation_camera(ease, nudged, 0.1f);
  EXPECT_NEAR(shown.origin.x, 0.0f, 1e-6f);
  // A jump of more than 0.3: t falls by 4 dt (to 0.6), the step is 0.4.
  frame jumped = a;
  jumped.origin.x = 1.0f;
  shown = ease_conversation_camera(ease, jumped, 0.1f);
  EXPECT_NEAR(shown.origin.x, 0.4f, 1e-5f);
  EXPECT_NEAR(ease.t, 0.8f, 1e-5f);
}

}  // namespace
}  // namespace hm
