// The scene editor driven through the mission screen's frame, as the program
// hands it over: Ctrl+E enters and leaves, H hides the overlays, Space
// toggles the add-object mode, Delete removes the selection, and leaving
// after a change asks the save question.
#include "editor/scene_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/app/input_state.h"
#include "engine/settings/key_bindings.h"
#include "engine/settings/ruv_config.h"
#include "mission/records/mission.h"
#include "mission/screen/mission_screen_window.h"

namespace hm {
namespace {

// The screen's host with the program's forwarding to the editor and a
// record of the windows it was asked to open.
class editor_host final : public mission_screen_host {
 public:
  explicit editor_host(scene_editor& e) : editor(e) {}
  void enter_edit_mode(mission& m, edit_mode_view& v) override { editor.enter(m, v); }
  void edit_mode_frame(mission& m, edit_mode_view& v) override { editor.frame(m, v); }
  void leave_edit_mode(mission& m, edit_mode_view& v) override { editor.leave(m, v); }
  void save_scene(mission& m) override { saves += editor.save(m) ? 0 : 1; }
  void show_overlay(const std::vector<overlay_line>&, float, float) override {}
  std::string text(const char* key) override { return key; }
  bool push_window(int id) override {
    pushed.push_back(id);
    return true;
  }
  bool set_window(int) override { return true; }

  scene_editor& editor;
  std::vector<int> pushed;
  int saves = 0;
};

struct plain_window final : top_level_window {};

class SceneEditor : public ::testing::Test {
 protected:
  void SetUp() override { g_ruv_config.enable_edit_mode = 1; }
  void TearDown() override { g_ruv_config.enable_edit_mode = 0; }

  void frame(std::initializer_list<int> keys) {
    std::copy(std::begin(input.keys), std::end(input.keys), std::begin(input.previous_keys));
    std::fill(std::begin(input.keys), std::end(input.keys), 0);
    for (int k : keys) input.keys[k] = 0x80;
    mission_screen_frame(m, st, hud, host, in, settings, 0.02f, self);
  }
  void ctrl_e() {
    frame({platform::key::left_control});
    frame({platform::key::left_control, platform::key::e});
  }

  scene_editor editor;
  editor_host host{editor};
  mission m;
  mission_screen_state st;
  mission_hud_widgets hud;
  input_state input;
  key_bindings bindings;
  screen_input in{&input, &bindings};
  player_input_settings settings;
  plain_window self;
};

TEST_F(SceneEditor, CtrlEEntersAndLeavingWithoutChangesAsksNothing) {
  ctrl_e();
  EXPECT_EQ(st.game.edit_mode, 1);
  EXPECT_EQ(editor.state.edit_mode_active, 1u);
  frame({platform::key::space});
  EXPECT_EQ(editor.state.add_object_mode, 1u);
  frame({});
  frame({platform::key::space});
  EXPECT_EQ(editor.state.add_object_mode, 0u);
  ctrl_e();
  EXPECT_EQ(st.game.edit_mode, 0);
  EXPECT_EQ(editor.state.edit_mode_active, 0u);
  EXPECT_TRUE(host.pushed.empty());
}

TEST_F(SceneEditor, HHidesTheOverlaysAndThenObjectKeysDoNothing) {
  ctrl_e();
  frame({platform::key::h});
  EXPECT_EQ(editor.state.hide_overlays, 1u);
  frame({platform::key::space});
  EXPECT_EQ(editor.state.add_object_mode, 0u);
  frame({platform::key::h});
  EXPECT_EQ(editor.state.hide_overlays, 0u);
}

TEST_F(SceneEditor, DeletingAndLeavingAsksTheSaveQuestion) {
  for (int i = 0; i < 3; ++i) m.add_scene_prop_instance(prop_kind_item, -1, 0, frame::identity());
  ctrl_e();
  editor.state.selection = {1};
  editor.state.selected_instance = 1;
  frame({platform::key::del});
  EXPECT_EQ(m.prop_instance_count(), 2);
  EXPECT_EQ(editor.state.scene_changed, 1u);
  ctrl_e();
  EXPECT_EQ(host.pushed, (std::vector<int>{window_id::message_box}));
  EXPECT_EQ(st.game.scene_save_answer, save_answer_pending);
  EXPECT_EQ(editor.state.scene_changed, 0u);
  // "No, discard": nothing is written, and the next entry starts unchanged.
  st.game.scene_save_answer = save_answer_no;
  frame({});
  EXPECT_EQ(host.saves, 0);
  EXPECT_EQ(st.game.scene_save_answer, -1);
  ctrl_e();
  EXPECT_EQ(editor.state.scene_changed, 0u);
}

}  // namespace
}  // namespace hm
