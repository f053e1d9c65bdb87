// The widget kinds: what makes a button click, how a handle maps the mouse
// onto a value, the text box's editing, the combo box's items and text size,
// the medium button's label fitting and the progress bar's fill.
#include <gtest/gtest.h>

#include "ui/support/ui_test_support.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

class WidgetKinds : public test::ui_test {};

TEST_F(WidgetKinds, AButtonClicksOnlyWhenPressedAndReleasedOnIt) {
  struct row {
    const char* name;
    std::uint32_t flags;
    std::int32_t value;
    std::vector<std::uint32_t> events;
    bool clicked;
    std::int32_t value_after;
    int sounds;
  };
  const row rows[] = {
      {"press release", 0, 0, {ui_event::press, ui_event::release}, true, 0, 1},
      {"press leave release", 0, 0, {ui_event::press, ui_event::leave, ui_event::release}, false, 0, 1},
      {"release alone", 0, 0, {ui_event::release}, false, 0, 0},
      {"toggle on", button_widget::flag_toggle, 0, {ui_event::press}, true, 1, 1},
      {"toggle off", button_widget::flag_toggle, 1, {ui_event::press}, true, 0, 1},
      {"stays on", button_widget::flag_toggle | button_widget::flag_toggle_stays_on, 1, {ui_event::press}, false, 1, 0},
      {"stays-on toggle on", button_widget::flag_toggle | button_widget::flag_toggle_stays_on, 0, {ui_event::press},
       true, 1, 1},
  };
  for (const row& r : rows) {
    g_ui_manager.clicks_played = 0;
    text_button b;
    b.button_flags = r.flags;
    b.value = r.value;
    for (std::uint32_t e : r.events) b.handle_event(e);
    EXPECT_EQ(b.has_event(ui_event::clicked), r.clicked) << r.name;
    EXPECT_EQ(b.value, r.value_after) << r.name;
    EXPECT_EQ(g_ui_manager.clicks_played, r.sounds) << r.name;
  }
}

TEST_F(WidgetKinds, HidingOrDisablingAButtonDropsItsHover) {
  text_button b;
  b.hovered = 1;
  b.hide();
  EXPECT_EQ(b.hovered, 0);
  b.show();
  b.hovered = 1;
  b.disable();
  EXPECT_EQ(b.hovered, 0);
}

// A horizontal slider from x 0, half a metre long, with a handle 0.0625 on
// each side of its centre: the handle's centre runs from 0.0625 to 0.4375.
class SliderTest : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    s.set_position({0.0f, 0.2f});
    s.set_size({0.5f, 0.04f});
    s.handle_size = 0.0625f;
    s.set_float_value(0.5f);
  }
  slider s;
};

TEST_F(SliderTest, HandleCentreFollowsTheValue) {
  EXPECT_FLOAT_EQ(s.handle_point(), 0.25f);
  s.set_float_value(0.0f);
  EXPECT_FLOAT_EQ(s.handle_point(), 0.0625f);
  s.set_float_value(1.0f);
  EXPECT_FLOAT_EQ(s.handle_point(), 0.4375f);
}

TEST_F(SliderTest, PressJustBeyondTheGrabZoneJumpsTheHandle) {
  // 0.01 beyond the handle's end: the bounds are strict, so no drag.
  mouse_at(0.25f + (0.0625f + 0.01f), 0.21f);
  EXPECT_TRUE(s.handle_event(ui_event::press));
  EXPECT_EQ(s.dragging, 0u);
  EXPECT_EQ(g_ui_manager.capturing_widget, nullptr);
  EXPECT_TRUE(s.has_event(ui_event::clicked));
  EXPECT_NEAR(s.get_float_value(), (0.3225f - 0.0625f) / 0.375f, 1e-5f);
  EXPECT_EQ(g_ui_manager.clicks_played, 1);
}

TEST_F(SliderTest, DragHoldsTheMouseAndClampsTheValue) {
  mouse_at(0.27f, 0.21f);  // on the handle, 0.02 right of its centre
  EXPECT_TRUE(s.handle_event(ui_event::press));
  EXPECT_EQ(s.dragging, 1u);
  EXPECT_EQ(g_ui_manager.capturing_widget, &s);
  EXPECT_FALSE(s.has_event(ui_event::clicked));
  EXPECT_FLOAT_EQ(s.get_float_value(), 0.5f);

  // The handle keeps the grab point under the mouse.
  mouse_at(0.2075f, 0.5f);
  s.handle_event(ui_event::hover);
  EXPECT_NEAR(s.handle_point(), 0.1875f, 1e-5f);
  EXPECT_TRUE(s.has_event(ui_event::clicked));
  // Far beyond either end the value stops at the nearer bound.
  mouse_at(0.9f, 0.5f);
  s.handle_event(ui_event::hover);
  EXPECT_FLOAT_EQ(s.get_float_value(), 1.0f);
  mouse_at(-0.3f, 0.5f);
  s.handle_event(ui_event::hover);
  EXPECT_FLOAT_EQ(s.get_float_value(), 0.0f);

  EXPECT_TRUE(s.handle_event(ui_event::release));
  EXPECT_EQ(s.dragging, 0u);
  EXPECT_EQ(g_ui_manager.capturing_widget, nullptr);
}

TEST_F(SliderTest, EmptyRangeOrTooShortATrackGivesTheMinimum) {
  s.float_min = s.float_max = 0.3f;
  s.float_value = 0.3f;
  EXPECT_FLOAT_EQ(s.handle_point(), 0.0625f);
  s.set_size({0.1f, 0.04f});  // shorter than the handle
  mouse_at(0.05f, 0.21f);
  s.handle_event(ui_event::press);
  EXPECT_FLOAT_EQ(s.get_float_value(), 0.3f);
}

TEST_F(WidgetKinds, ScrollBarGrabsByTheHandlesStartAndScalesItsHandle) {
  scrollbar bar;
  bar.axis = 1;
  bar.set_position({0.5f, 0.0f});
  bar.set_size({0.01f, 0.5f});
  bar.set_float_value(0.0f);
  // Handle 0.1 long from y 0: a press at 0.105 grabs it, one at 0.3 jumps.
  mouse_at(0.505f, 0.105f);
  bar.handle_event(ui_event::press);
  EXPECT_EQ(bar.dragging, 1u);
  bar.handle_event(ui_event::release);
  mouse_at(0.505f, 0.3f);
  bar.handle_event(ui_event::press);
  EXPECT_EQ(bar.dragging, 0u);
  EXPECT_FLOAT_EQ(bar.get_float_value(), 0.75f);  // 0.3 / (0.5 - 0.1)

  bar.set_mesh_slot(slot_up, quad(0.0f, 0.0f, 0.01f, 0.1f));
  bar.set_handle_ratio(0.5f);
  EXPECT_FLOAT_EQ(bar.handle_size, 0.25f);
  float top = 0.0f;
  for (const mesh_point& p : bar.get_mesh(slot_up)->get_points()) top = std::max(top, p.position.y);
  EXPECT_FLOAT_EQ(top, 0.25f);
}

class TextBoxTest : public test::ui_test {
 protected:
  void type(std::int32_t c) {
    g_ui_manager.typed_character = c;
    box.handle_event(ui_event::character);
  }
  text_box box;
};

TEST_F(TextBoxTest, FocusEditingAndEnter) {
  box.text = "old";
  box.clear_on_focus = 1;
  box.colour = 0xFF808080u;
  EXPECT_TRUE(box.handle_event(ui_event::press));
  EXPECT_EQ(box.focused, 1);
  EXPECT_EQ(g_ui_manager.capturing_widget, &box);
  EXPECT_TRUE(box.text.empty());
  EXPECT_EQ(box.colour, 0xFF000000u);

  for (int i = 0; i < 28; ++i) type('a');
  type('b');  // at the maximum: ignored
  EXPECT_EQ(box.text.length(), 28);
  EXPECT_EQ(box.text[27], 'a');
  type(8);
  EXPECT_EQ(box.text.length(), 27);
  type('c');
  EXPECT_EQ(box.text[27], 'c');

  EXPECT_FALSE(box.has_event(ui_event::clicked));
  type(13);
  EXPECT_EQ(box.focused, 0);
  EXPECT_EQ(g_ui_manager.capturing_widget, nullptr);
  EXPECT_TRUE(box.has_event(ui_event::clicked));
}

TEST_F(TextBoxTest, MultiByteCharactersAreAddedAndRemovedWhole) {
  box.handle_event(ui_event::press);
  type(0xE9);    // two bytes
  type(0x263A);  // three bytes
  EXPECT_EQ(std::string(box.text.view()), "\xC3\xA9\xE2\x98\xBA");
  type(8);
  EXPECT_EQ(std::string(box.text.view()), "\xC3\xA9");
  type(8);
  EXPECT_TRUE(box.text.empty());
  type(8);  // nothing left to remove
  EXPECT_TRUE(box.text.empty());
  EXPECT_EQ(box.focused, 1);
  // A second press ends the editing.
  EXPECT_TRUE(box.handle_event(ui_event::press));
  EXPECT_EQ(box.focused, 0);
}

TEST_F(WidgetKinds, ComboBoxShrinksItsTextToTheLongestItem) {
  combobox box;
  box.set_size({0.25f, 0.03f});
  box.set_text_size({0.02f, 0.02f});
  box.add_item(ruv_string(std::string(40, 'a')));
  // 40 x 0.0078 = 0.312 wide: 0.21 / 0.312 x 0.02.
  EXPECT_NEAR(box.text_size.x, 0.21f / 0.312f * 0.02f, 1e-6f);
  EXPECT_NEAR(box.text_size.y, 0.21f / 0.312f * 0.02f, 1e-6f);
  EXPECT_EQ(std::string(box.text.view()), std::string(40, 'a'));
  box.add_item(ruv_string("ab"));
  EXPECT_NEAR(box.text_size.x, 0.21f / 0.312f * 0.02f, 1e-6f);
  EXPECT_EQ(box.value_max, 2);

  box.set_value(5);  // past the last item
  EXPECT_EQ(box.get_value(), 1);
  EXPECT_EQ(std::string(box.text.view()), "ab");
  box.set_value(-3);
  EXPECT_EQ(box.get_value(), 0);

  box.clear_items();
  EXPECT_EQ(box.value_max, 0);
  box.set_value(1);  // no items: the text stays
  EXPECT_EQ(std::string(box.text.view()), std::string(40, 'a'));
}

TEST_F(WidgetKinds, MediumButtonFitsItsLabelToItsWidth) {
  struct row {
    int characters;
    float expected_size;
  };
  // h 0.05: the size starts at 0.0325; the room is 0.3 - 1.1805556 x 0.05.
  const float room = 0.3f - 1.1805556f * 0.05f;
  const row rows[] = {
      {10, 0.0325f},                                       // 0.12675 wide: fits
      {30, 0.0325f * room / (30.0f * 0.0325f * 0.39f)},  // too wide: shrunk
  };
  for (const row& r : rows) {
    medium_button b;
    b.set_size({0.3f, 0.05f});
    b.set_text(ruv_string(std::string(static_cast<std::size_t>(r.characters), 'a')));
    EXPECT_NEAR(b.text_size.x, r.expected_size, 1e-6f) << r.characters;
    EXPECT_NEAR(b.text_position.y, 0.025f - r.expected_size * 0.3f, 1e-6f);
    EXPECT_EQ(b.text_position.x, 0.0f);
  }
}

TEST_F(WidgetKinds, ProgressBarFillGrowsWithTheValue) {
  progress_bar bar;
  bar.set_size({0.5f, 0.04f});
  bar.rebuild_fill();  // no source: no fill
  EXPECT_EQ(bar.get_mesh(slot_down), nullptr);

  std::unique_ptr<mesh> source = quad(0.0f, 0.0f, 1.0f, 1.0f, 0x80FF0000u);
  bar.fill_source = source.get();
  bar.fill_alpha = 0xCC000000u;
  bar.set_float_value(0.5f);
  bar.rebuild_fill();
  const mesh* fill = bar.get_mesh(slot_down);
  ASSERT_NE(fill, nullptr);
  // k = 0.008 / 0.5 = 0.016; k + 0.5 x (1 - 2k) = 0.5.
  float right = 0.0f;
  for (const mesh_point& p : fill->get_points()) right = std::max(right, p.position.x);
  EXPECT_NEAR(right, 0.5f, 1e-6f);
  EXPECT_EQ(fill->color & 0xFF000000u, 0xCC000000u);
  EXPECT_NEAR(bar.handle_size, 0.020544f, 1e-7f);
  // The same value again keeps the fill.
  bar.rebuild_fill();
  EXPECT_EQ(bar.get_mesh(slot_down), fill);
  bar.fill_source = nullptr;
}

TEST_F(WidgetKinds, ChannelsRecolourAndResizeEachKindsOwnMeshes) {
  // An image button's colour goes into its two looks, not its text.
  image_button image;
  image.set_mesh_slot(slot_down, quad(0.0f, 0.0f, 0.1f, 0.1f));
  image.set_mesh_slot(slot_up, quad(0.0f, 0.0f, 0.1f, 0.1f));
  image.set_mesh_slot(slot_background, quad(0.0f, 0.0f, 0.1f, 0.1f));
  image.animate_colour(0.0f, 0x00336699u);
  image.update(0.016f);
  EXPECT_EQ(image.get_mesh(slot_down)->color, 0xFF336699u);
  EXPECT_EQ(image.get_mesh(slot_up)->color, 0xFF336699u);
  EXPECT_EQ(image.get_mesh(slot_background)->color, 0xFFFFFFFFu);
  // Doubling the text scale doubles the looks and the bounds follow.
  image.animate_text_scale(0.0f, {2.0f, 2.0f});
  image.update(0.016f);
  EXPECT_FLOAT_EQ(image.size.x, 0.2f);
  EXPECT_FLOAT_EQ(image.size.y, 0.2f);

  // A slider's alpha goes onto its track and handle, keeping their colours.
  slider s;
  s.set_mesh_slot(slot_background, quad(0.0f, 0.0f, 0.5f, 0.04f));
  s.set_mesh_slot(slot_up, quad(0.0f, 0.0f, 0.01f, 0.04f));
  s.get_mesh(slot_background)->color = 0xFF123456u;
  s.animate_alpha(0.0f, 0x40000000u);
  s.update(0.016f);
  EXPECT_EQ(s.get_mesh(slot_background)->color, 0x40123456u);
  EXPECT_EQ(s.get_mesh(slot_up)->color, 0x40FFFFFFu);

  // A progress bar's alpha is its fill's too.
  progress_bar bar;
  bar.animate_alpha(0.0f, 0x20000000u);
  bar.update(0.016f);
  EXPECT_EQ(bar.fill_alpha, 0x20000000u);

  // A label's text scale resizes its text mesh (slot 0); its bounds follow.
  text_widget label;
  label.text_flags = 0;
  label.set_size({0.5f, 0.05f});
  label.set_text(ruv_string("ab"));
  float before = 0.0f;
  for (const mesh_point& p : label.get_mesh(slot_background)->get_points()) before = std::max(before, p.position.x);
  ASSERT_GT(before, 0.0f);
  label.animate_text_scale(0.0f, {0.5f, 0.5f});
  label.update(0.016f);
  EXPECT_NEAR(label.size.x, before * 0.5f, 1e-5f);
}

TEST(Utf8Editing, RemovingTheLastCharacterOfAStrayContinuationOnlyText) {
  ruv_string t("\x80\x80");
  remove_last_utf8_char(t);
  EXPECT_TRUE(t.empty());
}

}  // namespace
}  // namespace hm
