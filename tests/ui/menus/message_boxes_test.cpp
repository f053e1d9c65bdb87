// The message box (window 0) and the choice box (window 1) opened over a
// window: their answers by the mouse and by the keys, their layouts.
#include <gtest/gtest.h>

#include <string>

#include "engine/app/input_state.h"
#include "module/text/translation_table.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

constexpr int key_enter = 28;

class under_box final : public top_level_window {
 public:
  void build() override {
    auto r = std::make_unique<window_container>();
    root = r.get();
    g_ui_manager.push_root_widget(std::move(r));
  }
};

class Boxes : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_translation_table.set_translation("ui_ok", "Fine");
    g_window_manager.create_game_windows();
    ASSERT_TRUE(g_window_manager.install(window_id::world_map, std::make_unique<under_box>()));
    g_window_manager.set_window(window_id::world_map);
    box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
    ASSERT_NE(box, nullptr);
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_input_state = input_state{};
    test::ui_test::TearDown();
  }
  static void key(int code, bool now, bool before) {
    g_input_state.keys[code] = now ? 1 : 0;
    g_input_state.previous_keys[code] = before ? 1 : 0;
  }
  // A press and a release of the left button over the widget's middle.
  static void click(const widget& w) {
    const float x = w.absolute_position.x + w.size.x * 0.5f;
    const float y = w.absolute_position.y + w.size.y * 0.5f;
    step(x, y);
    step(x, y, {button(0, true)});
    step(x, y, {button(0, false)});
  }
  void ask(std::int32_t* answer) {
    box->mode = 1;
    box->text = ruv_string("Pay the toll?");
    box->first_answer = ruv_string("Pay");
    box->second_answer = ruv_string("Refuse");
    box->answer_target = answer;
    g_window_manager.push_window(window_id::message_box);
  }
  message_box_window* box = nullptr;
};

TEST_F(Boxes, QuestionIsAnsweredByTheMouse) {
  std::int32_t answer = -1;
  ask(&answer);
  ASSERT_NE(box->buttons[1], nullptr);
  click(*box->buttons[1]);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);

  // Asked again in the same frame, before the UI manager has taken the
  // closed box's root away: the new box keeps its own.
  answer = -1;
  ask(&answer);
  ASSERT_EQ(g_ui_manager.top_root(), box->root);
  click(*box->buttons[0]);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(answer, 0);
}

TEST_F(Boxes, EnterAnswersANoticeButNotAQuestion) {
  std::int32_t answer = -1;
  ask(&answer);
  key(key_enter, true, false);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(answer, -1);
  EXPECT_EQ(g_window_manager.top_id(), window_id::message_box);
  // Held down from the frame before: no new press.
  key(key_enter, true, true);
  g_window_manager.pop_window();

  box->mode = 0;
  box->answer_target = &answer;
  g_window_manager.push_window(window_id::message_box);
  ASSERT_EQ(box->buttons[1], nullptr);
  EXPECT_EQ(std::string(box->buttons[0]->text.view()), "Fine");
  g_window_manager.frame(0.02f);
  EXPECT_EQ(answer, -1);
  key(key_enter, true, false);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
}

TEST_F(Boxes, LayoutsFollowTheMode) {
  struct row {
    std::int32_t mode;
    bool second;
    float first_x, first_y;
    float width;  // of the first button
  };
  const row rows[] = {
      {0, false, 0.15f, 0.05f, 0.045f * 3.7f},
      {1, true, 0.15f, 0.085f, 0.045f * 3.7f},
      {2, true, 0.03f, 0.085f, 0.045f * 9.7f},
      {7, false, 0.15f, 0.05f, 0.045f * 3.7f},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.mode);
    box->mode = r.mode;
    g_window_manager.push_window(window_id::message_box);
    ASSERT_NE(box->root, nullptr);
    EXPECT_FLOAT_EQ(box->root->local_position.x, 0.25f);
    EXPECT_FLOAT_EQ(box->root->size.y, 0.44f);
    EXPECT_EQ(box->buttons[1] != nullptr, r.second);
    EXPECT_NEAR(box->buttons[0]->local_position.x, r.first_x, 1e-6f);
    EXPECT_NEAR(box->buttons[0]->local_position.y, r.first_y, 1e-6f);
    EXPECT_NEAR(box->buttons[0]->size.x, r.width, 1e-5f);
    g_window_manager.pop_window();
  }
}

TEST_F(Boxes, ChoiceListEndsAtTheSameHeightWhateverTheCount) {
  auto* choice = dynamic_cast<choice_window*>(g_window_manager.window(window_id::choice));
  ASSERT_NE(choice, nullptr);
  choice->choices = {ruv_string("only")};
  g_window_manager.push_window(window_id::choice);
  ASSERT_EQ(choice->buttons.size(), 1u);
  EXPECT_NEAR(choice->buttons[0]->local_position.y, 0.05f, 1e-6f);
  g_window_manager.pop_window();

  // Seven answers: six are offered, the first at the top.
  choice->choices.assign(7, ruv_string("x"));
  g_window_manager.push_window(window_id::choice);
  ASSERT_EQ(choice->buttons.size(), 6u);
  EXPECT_NEAR(choice->buttons[0]->local_position.y, 0.3f, 1e-6f);
  EXPECT_NEAR(choice->buttons[5]->local_position.y, 0.05f, 1e-6f);
  click(*choice->buttons[4]);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(choice->selected, 4);
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
}

}  // namespace
}  // namespace hm
