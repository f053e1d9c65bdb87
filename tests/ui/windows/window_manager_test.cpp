// The window manager's stack: which hooks run, in which order, what happens to
// the UI manager's roots and the cursor; the message and choice boxes closing
// themselves; the window table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/input_state.h"
#include "render/view/message_log.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

std::vector<std::string> g_calls;

// A window that writes its hooks down and builds one root.
class recording_window : public game_window {
 public:
  recording_window(std::string tag, bool top_level, bool cursor = true)
      : tag_(std::move(tag)), top_level_(top_level), cursor_(cursor) {}
  void build() override {
    g_calls.push_back("build " + tag_);
    auto r = std::make_unique<window_container>();
    root = r.get();
    g_ui_manager.push_root_widget(std::move(r));
  }
  void leave() override {
    g_calls.push_back("leave " + tag_);
    if (top_level_)
      g_ui_manager.clear();
    else
      g_ui_manager.close_top_root = 1;
  }
  void frame(float) override { g_calls.push_back("frame " + tag_); }
  bool is_top_level() const override { return top_level_; }
  bool shows_cursor() const override { return cursor_; }

 private:
  std::string tag_;
  bool top_level_;
  bool cursor_;
};

class WindowManager : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_calls.clear();
    wm.show_cursor = [this](bool v) { cursor_calls.push_back(v); };
  }
  void TearDown() override {
    end_running_presentation();
    wm.destroy_game_windows();
    test::ui_test::TearDown();
  }
  void install(int id, const char* tag, bool top_level, bool cursor = true) {
    ASSERT_TRUE(wm.install(id, std::make_unique<recording_window>(tag, top_level, cursor)));
  }
  std::vector<int> stack() const { return {wm.stack.begin(), wm.stack.end()}; }

  window_manager wm;
  std::vector<bool> cursor_calls;
};

TEST_F(WindowManager, TopLevelWindowLeavesTheWholeStackTopFirstBeforeItBuilds) {
  install(7, "map", true);
  install(0, "box", false);
  install(1, "choice", false);
  install(12, "party", true);
  wm.set_window(7);
  wm.set_window(0);
  wm.set_window(1);
  EXPECT_EQ(stack(), (std::vector<int>{7, 0, 1}));
  EXPECT_EQ(g_ui_manager.roots.size(), 3u);
  g_calls.clear();

  wm.set_window(12);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"leave choice", "leave box", "leave map", "build party"}));
  EXPECT_EQ(stack(), (std::vector<int>{12}));
  ASSERT_EQ(g_ui_manager.roots.size(), 1u);
  EXPECT_EQ(g_ui_manager.top_root(), wm.window(12)->root);
}

TEST_F(WindowManager, StackedWindowOpensOverTheCurrentOneAndOnlyItsFrameRuns) {
  install(7, "map", true);
  install(0, "box", false);
  wm.set_window(7);
  widget* map_root = g_ui_manager.top_root();
  wm.set_window(0);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"build map", "build box"}));
  EXPECT_EQ(stack(), (std::vector<int>{7, 0}));
  EXPECT_EQ(g_ui_manager.roots.front().get(), map_root);
  g_calls.clear();
  wm.frame(0.1f);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"frame box"}));

  // Popping leaves the box; its root goes at the end of the next input step
  // and the map is not built again.
  g_calls.clear();
  wm.pop_window();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"leave box"}));
  step(0.5f, 0.3f);
  ASSERT_EQ(g_ui_manager.roots.size(), 1u);
  EXPECT_EQ(g_ui_manager.top_root(), map_root);
  wm.frame(0.1f);
  EXPECT_EQ(g_calls.back(), "frame map");
}

TEST_F(WindowManager, CursorFollowsTheTopWindowAndAnEmptyStackKeepsIt) {
  wm.create_game_windows();
  install(7, "map", true);
  install(0, "box", false);
  wm.set_window(window_id::mission_screen);
  EXPECT_EQ(g_ui_manager.cursor_visible, 0);
  wm.set_window(0);
  EXPECT_EQ(g_ui_manager.cursor_visible, 1);
  wm.pop_window();
  EXPECT_EQ(g_ui_manager.cursor_visible, 0);
  wm.set_window(7);
  EXPECT_EQ(g_ui_manager.cursor_visible, 1);
  EXPECT_EQ(cursor_calls, (std::vector<bool>{false, true, false, true}));

  wm.pop_window();
  EXPECT_TRUE(wm.stack.empty());
  EXPECT_EQ(g_ui_manager.cursor_visible, 1);
  EXPECT_EQ(cursor_calls.size(), 4u);
  // Popping an empty stack does nothing.
  wm.pop_window();
  EXPECT_TRUE(wm.stack.empty());
}

TEST_F(WindowManager, IdsOutsideTheTableAndOpenWindowsAreRefused) {
  install(7, "map", true);
  EXPECT_FALSE(wm.set_window(30));
  EXPECT_FALSE(wm.set_window(-1));
  EXPECT_FALSE(wm.push_window(5));  // no object yet
  EXPECT_TRUE(wm.stack.empty());
  EXPECT_FALSE(wm.install(30, std::make_unique<recording_window>("x", true)));
  wm.set_window(7);
  EXPECT_FALSE(wm.install(7, std::make_unique<recording_window>("x", true)));
  EXPECT_EQ(stack(), (std::vector<int>{7}));
}

TEST_F(WindowManager, ChangingWindowsEndsTheRunningPresentationFirst) {
  install(0, "box", false);
  presentation p;
  p.activate();
  p.widgets.push_back(nullptr);
  ASSERT_EQ(g_current_presentation, &p);
  wm.set_window(0);
  EXPECT_EQ(g_current_presentation, nullptr);
  EXPECT_TRUE(p.widgets.empty());
}

// Posted messages wait until a window that shows the message log is on top,
// whatever object a layer installed for its id; a box over it holds them.
TEST_F(WindowManager, MessagesWaitForAWindowThatShowsTheLog) {
  g_ui_manager.messages.resources = &resources;
  g_ui_manager.messages.font = &font;
  wm.create_game_windows();
  install(window_id::game_menu, "menu", true);
  install(window_id::mission_screen, "mission", true);
  g_ui_manager.pending_messages.push(ruv_string("Reinforcements arrive"), 0xFF00FF00u);
  wm.set_window(window_id::game_menu);
  wm.frame(0.01f);
  EXPECT_EQ(g_ui_manager.pending_messages.count, 1);
  wm.set_window(window_id::mission_screen);
  wm.push_window(window_id::message_box);
  wm.frame(0.01f);
  EXPECT_EQ(g_ui_manager.pending_messages.count, 1);
  wm.pop_window();
  wm.frame(0.01f);
  EXPECT_EQ(g_ui_manager.pending_messages.count, 0);
  ASSERT_FALSE(g_ui_manager.messages.log_history.empty());
  EXPECT_EQ(g_ui_manager.messages.log_history.back().view(), "Reinforcements arrive");
  EXPECT_EQ(g_calls.back(), "frame mission");
  clear_message_log(g_ui_manager.messages);
  g_ui_manager.messages.resources = nullptr;
  g_ui_manager.messages.font = nullptr;
}

TEST_F(WindowManager, TableHasTheClassesAndKindsOfEveryId) {
  wm.create_game_windows();
  const struct {
    int id;
    const char* name;
    bool top_level;
  } cases[] = {
      {0, "message_box_window", false}, {1, "choice_window", false},       {3, "launch_window", true},
      {7, "world_map_window", true},    {9, "party_name_window", false},   {11, "debrief_window", false},
      {14, "mission_screen_window", true}, {23, "game_menu_window", true}, {27, "presentation_window", true},
      {28, "loading_presentation_window", true}, {29, "face_gen_window", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    game_window* w = wm.window(c.id);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::string(w->name.view()), c.name);
    EXPECT_EQ(w->is_top_level(), c.top_level);
    EXPECT_EQ(w->mode, 0);
    EXPECT_EQ(w->state_word, 99);
    EXPECT_EQ(w->shows_cursor(), c.id != 14);
    EXPECT_EQ(w->hosted.number, -1);
  }
  for (int id = 0; id < game_window_count; ++id) EXPECT_NE(wm.window(id), nullptr) << id;
}

// The boxes close themselves through the global manager.
class Boxes : public WindowManager {
 protected:
  void SetUp() override {
    WindowManager::SetUp();
    g_window_manager.create_game_windows();
    ASSERT_TRUE(g_window_manager.install(7, std::make_unique<recording_window>("map", true)));
    g_window_manager.set_window(7);
    box = dynamic_cast<message_box_window*>(g_window_manager.window(0));
    ASSERT_NE(box, nullptr);
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_input_state = input_state{};
    WindowManager::TearDown();
  }
  void press_enter() {
    g_input_state.previous_keys[28] = 0;
    g_input_state.keys[28] = 1;
  }
  message_box_window* box = nullptr;
};

TEST_F(Boxes, MessageBoxAnswersByButtonAndEnterOnlyWithOneButton) {
  std::int32_t answer = -5;
  ruv_string result("old");
  box->mode = 1;
  box->answer_target = &answer;
  box->result_text = &result;
  box->has_text_field = true;
  g_window_manager.push_window(0);
  ASSERT_NE(box->buttons[1], nullptr);
  ASSERT_NE(box->text_field, nullptr);
  // The name field takes the typing at once: it holds the capture.
  EXPECT_EQ(g_ui_manager.capturing_widget, box->text_field);
  box->text_field->text = ruv_string("Ragnar");

  // Two buttons: Enter does not answer.
  press_enter();
  g_window_manager.frame(0.1f);
  EXPECT_EQ(g_window_manager.top_id(), 0);
  EXPECT_EQ(answer, -5);

  box->buttons[1]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.1f);
  EXPECT_EQ(answer, 1);
  EXPECT_TRUE(result.empty());
  EXPECT_EQ(g_window_manager.top_id(), 7);

  // The first button copies the field's text.
  g_window_manager.push_window(0);
  box->text_field->text = ruv_string("Ragnar");
  box->buttons[0]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.1f);
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(std::string(result.view()), "Ragnar");

  // A notice (one button) is answered by Enter.
  box->mode = 0;
  box->has_text_field = false;
  answer = -5;
  g_window_manager.push_window(0);
  EXPECT_EQ(box->buttons[1], nullptr);
  press_enter();
  g_window_manager.frame(0.1f);
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(g_window_manager.top_id(), 7);
}

TEST_F(Boxes, ChoiceBoxTakesTheHighestButtonClickedInTheFrame) {
  auto* choice = dynamic_cast<choice_window*>(g_window_manager.window(1));
  ASSERT_NE(choice, nullptr);
  choice->choices = {ruv_string("a"), ruv_string("b"), ruv_string("c")};
  g_window_manager.push_window(1);
  EXPECT_EQ(choice->choice_count, 3);
  g_window_manager.frame(0.1f);
  EXPECT_EQ(g_window_manager.top_id(), 1);
  choice->buttons[0]->raise_event(ui_event::clicked);
  choice->buttons[2]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.1f);
  EXPECT_EQ(choice->selected, 2);
  EXPECT_EQ(g_window_manager.top_id(), 7);
}

}  // namespace
}  // namespace hm
