// The controls screen: a rebinding that swaps two keys reaches controls.dat,
// a key taken from another control leaves it without one (and holds Done),
// Escape cancels, the highest key of a frame wins, a mouse button binds,
// defaults then Undo writes nothing, a file that cannot be written is
// reported with the new keys kept; and the key names.
#include "ui/options/controls_window.h"

#include "options_fixture.h"
#include "ui/options/key_names.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

constexpr int kW = 17, kS = 31, kEscape = 1;

class ControlsWindow : public test::options_screens {
 protected:
  controls_window& open_screen() { return open<controls_window>(window_id::controls, window_id::options); }
  // A frame in which these keys went down.
  void press(controls_window& w, std::initializer_list<int> codes) {
    for (int c : codes) g_input_state.keys[c] = 1;
    w.frame(0.016f);
    for (int c : codes) {
      g_input_state.keys[c] = 0;
      g_input_state.previous_keys[c] = 0;
    }
  }
  void rebind(controls_window& w, int control, std::initializer_list<int> codes) {
    click(w.key_buttons[control]);
    w.frame(0.016f);
    ASSERT_EQ(w.awaited_control, control);
    press(w, codes);
  }
};

TEST_F(ControlsWindow, RebindingSwapsTwoKeysAndDoneWritesThem) {
  auto& w = open_screen();
  // S to move forward: backward loses it, and Done is held while it has none.
  rebind(w, 0, {kS});
  EXPECT_EQ(g_key_bindings.keys[0][0], kS);
  EXPECT_EQ(g_key_bindings.keys[1][0], key_bindings::no_key);
  EXPECT_TRUE(w.done_button->is_disabled());
  EXPECT_EQ(w.key_buttons[1]->colour, 0xFFFF2200u);
  EXPECT_FALSE(w.undo_button->is_disabled());
  // W to move backward: the two keys have changed places.
  rebind(w, 1, {kW});
  EXPECT_EQ(g_key_bindings.keys[0][0], kS);
  EXPECT_EQ(g_key_bindings.keys[1][0], kW);
  EXPECT_FALSE(w.done_button->is_disabled());
  EXPECT_EQ(std::string(w.key_buttons[0]->text.view()), "S");
  EXPECT_EQ(std::string(w.map_key_texts[1]->text.view()), "W");  // the map follows

  click(w.done_button);
  w.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::options);
  key_bindings read;
  ASSERT_TRUE(load_controls(read));
  EXPECT_EQ(read.keys[0][0], kS);
  EXPECT_EQ(read.keys[1][0], kW);
  EXPECT_EQ(read.keys[2][0], 30);
}

TEST_F(ControlsWindow, CaptureRules) {
  auto& w = open_screen();
  // Escape cancels and changes nothing; the pressed button pops back up.
  rebind(w, 4, {kEscape});
  EXPECT_EQ(w.awaited_control, -1);
  EXPECT_EQ(g_key_bindings.keys[4][0], 33);
  EXPECT_EQ(w.key_buttons[4]->get_value(), 0);
  EXPECT_TRUE(w.undo_button->is_disabled());
  // Two keys in one frame: the higher code is bound.
  rebind(w, 4, {0x10, 0x2D});
  EXPECT_EQ(g_key_bindings.keys[4][0], 0x2D);
  // A mouse button binds like a key.
  rebind(w, 5, {226});
  EXPECT_EQ(g_key_bindings.keys[5][0], 226);
  EXPECT_EQ(std::string(w.key_buttons[5]->text.view()), "Middle Mouse Btn");
  // A frame without a key keeps waiting.
  click(w.key_buttons[6]);
  w.frame(0.016f);
  w.frame(0.016f);
  EXPECT_EQ(w.awaited_control, 6);
  EXPECT_FALSE(w.press_key_text->is_hidden());
}

TEST_F(ControlsWindow, BindingKeepsTheSecondKeyAndTakesTheKeyOffSecondSlots) {
  g_key_bindings.keys[3][1] = 0x2D;  // X as the second key of move right
  g_key_bindings.keys[7][1] = 0x12;  // E as the second key of defend
  auto& w = open_screen();
  rebind(w, 7, {0x2D});
  EXPECT_EQ(g_key_bindings.keys[7][0], 0x2D);
  EXPECT_EQ(g_key_bindings.keys[7][1], 0x12);
  EXPECT_EQ(g_key_bindings.keys[3][1], key_bindings::no_key);
}

TEST_F(ControlsWindow, DefaultsThenUndoRestoresTheOpeningKeysAndWritesNothing) {
  g_key_bindings.keys[0][0] = 0x48;
  auto& w = open_screen();
  click(w.default_keys_button);
  w.frame(0.016f);
  EXPECT_EQ(g_key_bindings.keys[0][0], kW);
  click(w.undo_button);
  w.frame(0.016f);
  EXPECT_EQ(g_key_bindings.keys[0][0], 0x48);
  EXPECT_TRUE(w.undo_button->is_disabled());
  click(w.done_button);
  w.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::options);
  EXPECT_FALSE(std::filesystem::exists(settings_file("controls.dat")));
}

TEST_F(ControlsWindow, AControlsFileThatCannotBeWrittenIsReportedAndTheKeysHold) {
  auto& w = open_screen();
  rebind(w, 2, {0x28});  // the apostrophe, a key no control has
  block_settings_folder();
  click(w.done_button);
  w.frame(0.016f);
  ASSERT_EQ(g_window_manager.top_id(), window_id::message_box);
  auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
  EXPECT_NE(std::string(box->text.view()).find("controls.dat"), std::string::npos);
  EXPECT_EQ(g_key_bindings.keys[2][0], 0x28);
  g_window_manager.pop_window();
  w.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::options);
}

TEST(KeyNames, NamesByCode) {
  const struct {
    std::int32_t code;
    const char* name;
  } rows[] = {{0x01, "Esc"},       {0x0B, "0"},          {0x29, "~"},           {0x2B, "\\"},
              {0x46, "unknown"},   {0x54, "unknown"},    {0x58, "F12"},         {0xD3, "Delete"},
              {0xE0, "Left Mouse Btn"}, {0xE7, "Mouse Btn 8"}, {0xEF, "Scroll Down"}, {0xF0, "unknown"},
              {0, "unknown"},      {-1, "unknown"}};
  for (const auto& r : rows) EXPECT_STREQ(get_key_name(r.code), r.name) << r.code;
  EXPECT_STREQ(control_name_key(36), "ui_quick_save");
  EXPECT_EQ(control_name_key(37), nullptr);
  EXPECT_EQ(std::string(get_control_name(-1).view()), "unknown");
  EXPECT_EQ(std::string(get_map_control_name(7).view()), "unknown");
}

}  // namespace
}  // namespace hm
