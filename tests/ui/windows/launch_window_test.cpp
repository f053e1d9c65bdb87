// The launch window: its widgets' places and the hint it picks from the
// module's hint texts.
#include <gtest/gtest.h>

#include "module/base/module_settings.h"
#include "module/text/translation_table.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/windows/launch_window_build.h"

namespace hm {
namespace {

class LaunchWindow : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    saved_hints_ = g_module_settings.num_hints;
    g_translation_table.clear();
    g_translation_table.set_translation("ui_hint", "Hint");
    g_translation_table.set_translation("hint_1", "Rest in towns.");
    g_translation_table.set_translation("hint_2", "Buy food.");
  }
  void TearDown() override {
    g_module_settings.num_hints = saved_hints_;
    g_translation_table.clear();
    test::ui_test::TearDown();
  }
  // Builds with a generator that counts its draws and returns `draw`.
  void build(int hints, int draw) {
    g_module_settings.num_hints = hints;
    build_launch_window(w, [this, draw] {
      ++draws;
      return draw;
    });
  }
  std::string hint() const { return std::string(w.hint_label->text.view()); }

  launch_window_widgets w;
  int draws = 0;

 private:
  std::int32_t saved_hints_ = 0;
};

TEST_F(LaunchWindow, WidgetsCoverTheScreenWithTheLogoAndLabels) {
  std::unique_ptr<mesh> background = quad(0.0f, 0.0f, 2.0f, 1.0f);
  background->name = "load_window";
  resources.adopt_resource(std::move(background));
  g_ui_manager.push_root_widget(std::make_unique<widget>());  // the screen before
  build(0, 0);
  ASSERT_EQ(g_ui_manager.roots.size(), 1u);
  EXPECT_EQ(g_ui_manager.top_root(), w.root);
  EXPECT_EQ(g_ui_manager.redraw, 1);
  EXPECT_EQ(w.root->swallow_presses, 0);
  EXPECT_FLOAT_EQ(w.root->absolute_position.x, -0.001f);
  EXPECT_FLOAT_EQ(w.root->size.x, 1.002f);
  EXPECT_FLOAT_EQ(w.root->size.y, 0.752f);
  EXPECT_EQ(w.root->colour, 0xFF442323u);
  // The background is fitted to the whole box.
  ASSERT_NE(w.root->get_mesh(slot_background), nullptr);
  float right = 0.0f, top = 0.0f;
  for (const mesh_point& p : w.root->get_mesh(slot_background)->get_points()) {
    right = std::max(right, p.position.x);
    top = std::max(top, p.position.y);
  }
  EXPECT_FLOAT_EQ(right, 1.002f);
  EXPECT_FLOAT_EQ(top, 0.752f);
  // No logo mesh among the resources: the logo stays bare.
  EXPECT_EQ(w.logo->get_mesh(slot_background), nullptr);
  EXPECT_FLOAT_EQ(w.logo->local_position.x, 0.05f);
  EXPECT_FLOAT_EQ(w.logo->local_position.y, 0.6f);
  EXPECT_FLOAT_EQ(w.status_label->local_position.x, 0.14f);
  EXPECT_FLOAT_EQ(w.status_label->size.x, 0.3f);
  EXPECT_FLOAT_EQ(w.hint_label->local_position.x, 0.58625f);
  EXPECT_FLOAT_EQ(w.hint_label->local_position.y, 0.39125f);
  EXPECT_EQ(w.hint_label->text_flags, ui_text_flag::keep_width);
  EXPECT_EQ(w.root->children.size(), 3u);
}

TEST_F(LaunchWindow, HintChoice) {
  build(0, 0);
  EXPECT_TRUE(hint().empty());
  EXPECT_EQ(draws, 0);

  build(1, 7);
  EXPECT_EQ(hint(), "Hint #1: Rest in towns.");
  EXPECT_EQ(draws, 0);

  build(2, 7);  // 7 mod 2 = 1: the second hint
  EXPECT_EQ(hint(), "Hint #2: Buy food.");
  EXPECT_EQ(draws, 1);

  build(3, 5);  // the third hint has no text in this language
  EXPECT_EQ(hint(), "Hint #3: STR NOT FOUND: hint_3");
}

}  // namespace
}  // namespace hm
