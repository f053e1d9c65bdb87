// The widget base: which meshes a widget draws and in what colour, the timed
// animation channels, value steps, bounds from meshes, fitting meshes to the
// widget and the text layout flags.
#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

using test::ui_recording_view;

class WidgetBase : public test::ui_test {
 protected:
  // Installs quads in slots 0..3 without fitting them.
  void give_looks(widget& w) {
    for (int k = 0; k < 4; ++k) w.set_mesh_slot(k, quad(0.0f, 0.0f, 0.1f, 0.1f));
  }
  // The slots whose meshes one render queued, in order, with their depths.
  std::vector<int> drawn_slots(widget& w, std::vector<float>* depths = nullptr) {
    ui_recording_view view;
    float depth = 0.0f;
    w.render(view, depth, {0.0f, 0.0f}, {1.0f, 0.75f});
    std::vector<int> slots;
    for (const test::queued_mesh& q : view.queued) {
      for (int k = 0; k < widget_mesh_slots; ++k)
        if (w.get_mesh(k) == q.m) slots.push_back(k);
      if (depths) depths->push_back(q.origin.z);
    }
    return slots;
  }
};

TEST_F(WidgetBase, NewWidgetDrawsBackgroundAndUpLookThenTextOnceSet) {
  widget w;
  w.set_position({0.2f, 0.3f});
  give_looks(w);
  std::vector<float> depths;
  EXPECT_EQ(drawn_slots(w, &depths), (std::vector<int>{0, 2}));
  // Each mesh lies one step in front of the one before it.
  EXPECT_EQ(depths, (std::vector<float>{1.0f, 2.0f}));

  w.set_size({0.3f, 0.05f});
  w.set_text(ruv_string("ab"));
  ASSERT_NE(w.get_mesh(slot_text), nullptr);
  EXPECT_FALSE(w.get_mesh(slot_text)->get_faces().empty());
  EXPECT_EQ(drawn_slots(w), (std::vector<int>{0, 2, 4}));

  w.hide();
  EXPECT_TRUE(drawn_slots(w).empty());
}

TEST_F(WidgetBase, HoverLookReplacesTheUpLookOfAClickableWidgetOnly) {
  text_button b;
  give_looks(b);
  EXPECT_EQ(drawn_slots(b), (std::vector<int>{0, 2}));
  b.hovered = 1;
  EXPECT_EQ(drawn_slots(b), (std::vector<int>{0, 3}));
  // Pressed: the down look shows and the hover look gives way to it.
  b.pressed = 1;
  EXPECT_EQ(drawn_slots(b), (std::vector<int>{0, 1}));

  widget plain;
  give_looks(plain);
  plain.hovered = 1;
  EXPECT_EQ(drawn_slots(plain), (std::vector<int>{0, 2}));
}

TEST_F(WidgetBase, TextColourFollowsDisabledAndHoveredStates) {
  struct row {
    bool clickable;
    bool disabled;
    bool hovered;
    std::uint32_t expected;
  };
  const row rows[] = {
      {false, false, false, 0xFF102030u}, {false, false, true, 0xFF102030u}, {true, false, true, 0xFFA0B0C0u},
      {true, false, false, 0xFF102030u},  {false, true, false, 0x77102030u}, {true, true, true, 0x77102030u},
  };
  for (const row& r : rows) {
    std::unique_ptr<widget> w = r.clickable ? std::make_unique<text_button>() : std::make_unique<widget>();
    w->set_size({0.3f, 0.05f});
    w->set_colour(0xFF102030u);
    w->set_highlight_colour(0xFFA0B0C0u);
    w->set_text(ruv_string("a"));
    if (r.disabled) w->disable();
    w->hovered = r.hovered ? 1 : 0;
    ui_recording_view view;
    float depth = 0.0f;
    w->render(view, depth, {0.0f, 0.0f}, {1.0f, 0.75f});
    const test::queued_mesh* text = view.find(w->get_mesh(slot_text));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->colour, r.expected) << r.clickable << r.disabled << r.hovered;
  }
}

TEST_F(WidgetBase, ZeroDurationAnimationIsAppliedInFullOnTheNextUpdate) {
  widget w;
  w.animate_colour(0.0f, 0x00112233u);
  w.animate_position(0.0f, {0.4f, 0.3f});
  w.update(0.016f);
  EXPECT_EQ(w.colour, 0xFF112233u);  // the alpha stays
  EXPECT_FLOAT_EQ(w.absolute_position.x, 0.4f);
  EXPECT_FLOAT_EQ(w.absolute_position.y, 0.3f);
  EXPECT_EQ(w.channel_active[channel_colour], 0);
  // Once applied, a finished channel changes nothing more.
  w.set_colour(0xFF000000u);
  w.update(0.016f);
  EXPECT_EQ(w.colour, 0xFF000000u);
}

TEST_F(WidgetBase, AlphaAndColourChannelsEachKeepWhatTheOtherReached) {
  widget w;  // colour 0xFF000000
  w.animate_colour(1.0f, 0x00FF0000u);
  w.animate_alpha(1.0f, 0x00000000u);
  advance_clock(clock_real_time, 0.25f);
  w.update(0.25f);
  // Red: 255 x 0.25 = 63.75 -> 64; alpha: 255 x 0.75 = 191.25 -> 191.
  EXPECT_EQ(w.colour, 0xBF400000u);
  advance_clock(clock_real_time, 0.75f);
  w.update(0.75f);
  EXPECT_EQ(w.colour, 0x00FF0000u);
}

TEST_F(WidgetBase, CentredPositionAnimationEndsWithTheCentreOnTheTarget) {
  widget w;
  w.text_flags = ui_text_flag::centre | ui_text_flag::centre_vertically;
  w.set_size({0.2f, 0.1f});
  w.animate_position(1.0f, {0.5f, 0.4f});
  advance_clock(clock_real_time, 0.25f);
  w.update(0.25f);
  // A quarter of the way from (0, 0) to the lower-left corner (0.4, 0.35).
  EXPECT_NEAR(w.absolute_position.x, 0.1f, 1e-5f);
  EXPECT_NEAR(w.absolute_position.y, 0.0875f, 1e-5f);
  advance_clock(clock_real_time, 1.0f);
  w.update(1.0f);
  EXPECT_NEAR(w.absolute_position.x + w.size.x * 0.5f, 0.5f, 1e-6f);
  EXPECT_NEAR(w.absolute_position.y + w.size.y * 0.5f, 0.4f, 1e-6f);
}

TEST_F(WidgetBase, ValueStepsClampAndAskForTheTopRootToClose) {
  struct row {
    std::uint32_t step;
    std::uint32_t mask;
    std::int32_t value;
    std::int32_t expected;
    bool closes;
  };
  const row rows[] = {
      {step_up, ui_event::clicked, 1, 1, true},    // at the maximum: stays, still closes
      {step_up, ui_event::clicked, 0, 1, true},
      {step_down, ui_event::clicked, 0, 0, true},  // at the minimum
      {step_down, ui_event::clicked, 1, 0, true},
      {0, ui_event::clicked, 1, 1, false},          // no step flag
      {step_up, ui_event::press, 0, 0, false},      // the mask does not match
  };
  for (const row& r : rows) {
    g_ui_manager.close_top_root = 0;
    widget w;
    w.set_step_flags(r.step);
    w.set_event_mask(r.mask);
    w.set_value(r.value);
    EXPECT_FALSE(w.handle_event(ui_event::clicked));
    EXPECT_EQ(w.get_value(), r.expected);
    EXPECT_EQ(g_ui_manager.close_top_root != 0, r.closes);
    EXPECT_EQ(w.events_this_frame, 0u);
    EXPECT_TRUE(w.take_event(ui_event::clicked));
    EXPECT_FALSE(w.has_event(ui_event::clicked));
  }
}

TEST_F(WidgetBase, BoundsComeFromTheLooksButNotFromTheText) {
  widget w;
  w.set_size({0.3f, 0.2f});
  w.update_bounds();  // no looks: nothing changes
  EXPECT_FLOAT_EQ(w.size.x, 0.3f);
  EXPECT_FLOAT_EQ(w.size.y, 0.2f);

  w.set_mesh_slot(slot_background, quad(-0.1f, -0.05f, 0.3f, 0.2f));
  w.set_mesh_slot(slot_up, quad(0.0f, 0.0f, 0.4f, 0.1f));
  w.set_mesh_slot(slot_text, quad(0.0f, 0.0f, 0.9f, 0.7f));
  w.update_bounds();
  EXPECT_FLOAT_EQ(w.size.x, 0.4f);
  EXPECT_FLOAT_EQ(w.size.y, 0.2f);
  EXPECT_FLOAT_EQ(w.extent_min.x, -0.1f);
  EXPECT_FLOAT_EQ(w.extent_min.y, -0.05f);
}

TEST_F(WidgetBase, SetMeshFitsTheMeshToTheWidgetsExtent) {
  widget w;
  w.set_size({0.4f, 0.2f});
  w.set_mesh(slot_background, quad(0.0f, 0.0f, 2.0f, 1.0f));
  w.set_mesh(slot_up, quad(-1.0f, -1.0f, 1.0f, 1.0f));
  auto corners = [](const mesh& m) {
    vec3 lo(1e9f, 1e9f, 0.0f), hi(-1e9f, -1e9f, 0.0f);
    for (const mesh_point& p : m.get_points()) {
      lo = vec3(std::min(lo.x, p.current_position.x), std::min(lo.y, p.current_position.y), 0.0f);
      hi = vec3(std::max(hi.x, p.current_position.x), std::max(hi.y, p.current_position.y), 0.0f);
    }
    return std::pair(lo, hi);
  };
  auto [lo0, hi0] = corners(*w.get_mesh(slot_background));
  EXPECT_FLOAT_EQ(hi0.x, 0.4f);
  EXPECT_FLOAT_EQ(hi0.y, 0.2f);
  // Scaled by the extent over the mesh's span (2 by 2), not moved.
  auto [lo2, hi2] = corners(*w.get_mesh(slot_up));
  EXPECT_FLOAT_EQ(lo2.x, -0.2f);
  EXPECT_FLOAT_EQ(hi2.x, 0.2f);
  EXPECT_FLOAT_EQ(lo2.y, -0.1f);
  EXPECT_FLOAT_EQ(hi2.y, 0.1f);
}

TEST_F(WidgetBase, TextFlagsPlaceAndSizeTheText) {
  widget automatic;  // flags 0x11: the position follows the height
  automatic.set_size({0.3f, 0.05f});
  automatic.set_text(ruv_string("ab"));
  EXPECT_FLOAT_EQ(automatic.text_position.x, 0.005f);
  EXPECT_FLOAT_EQ(automatic.text_position.y, 0.05f * 0.9f - 0.024f * 0.6f);
  automatic.set_text_position({0.01f, 0.02f});
  EXPECT_EQ(automatic.text_flags & ui_text_flag::auto_position, 0u);

  widget tall;
  tall.text_flags = ui_text_flag::size_from_height;
  tall.set_size({0.3f, 0.04f});
  tall.set_text(ruv_string("ab"));
  EXPECT_FLOAT_EQ(tall.text_size.x, 0.038f);
  EXPECT_FLOAT_EQ(tall.text_size.y, 0.038f);

  // Sized to its text: the widget takes the text's extent.
  widget fitted;
  fitted.text_flags = ui_text_flag::size_to_text;
  fitted.text_size = {0.1f, 0.1f};
  const ui_vec2 e = fitted.set_text(ruv_string("abc"));
  EXPECT_GT(e.x, 0.25f);
  EXPECT_FLOAT_EQ(fitted.size.x, e.x);
  EXPECT_FLOAT_EQ(fitted.size.y, e.y);
  EXPECT_FLOAT_EQ(fitted.text_position.y, e.y - 0.1f * 0.63f);

  // Keeping its width, only the height follows.
  widget kept;
  kept.text_flags = ui_text_flag::size_to_text | ui_text_flag::keep_width;
  kept.text_size = {0.1f, 0.1f};
  kept.set_size({0.5f, 0.02f});
  const ui_vec2 k = kept.set_text(ruv_string("abc"));
  EXPECT_FLOAT_EQ(kept.size.x, 0.5f);
  EXPECT_FLOAT_EQ(kept.size.y, k.y);
}

TEST_F(WidgetBase, MissingFontLeavesTheTextMeshEmpty) {
  g_ui_manager.default_font = nullptr;
  widget w;
  w.set_size({0.3f, 0.05f});
  const ui_vec2 e = w.set_text(ruv_string("abc"));
  EXPECT_EQ(e.x, 0.0f);
  ASSERT_NE(w.get_mesh(slot_text), nullptr);
  EXPECT_TRUE(w.get_mesh(slot_text)->get_faces().empty());
}

}  // namespace
}  // namespace hm
