// The loading window loads the sample module one step a frame, its bar and
// text following the steps, then opens the main menu; the main menu built
// from the loaded module.
#include <gtest/gtest.h>

#include <memory>

#include <string>
#include <vector>

#include "engine/resource/mesh.h"
#include "module/base/module_settings.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/support/module_test_support.h"
#include "ui/menus/front_menus.h"
#include "ui/menus/load_window.h"
#include "ui/menus/menu_window_host.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

class counting_host final : public menu_window_host {
 public:
  void module_loaded() override { ++loaded; }
  int loaded = 0;
};

class LoadWindow : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_window_manager.create_game_windows();
  }
  void TearDown() override {
    end_running_presentation();
    g_window_manager.destroy_game_windows();
    test::ui_test::TearDown();
  }
  counting_host host;
  scoped_menu_window_host installed{host};
};

TEST_F(LoadWindow, ProgressFollowsTheModuleLoadThenTheMainMenuOpens) {
  test::scoped_working_folder in_data(HOOFMARCH_DATA_DIR);
  test::scoped_generated_folder generated(HOOFMARCH_BINARY_DIR "/data");
  test::log_capture log;
  load_core_resource_files();
  g_module_settings.set_defaults();
  start_module("Sample");
  install_module_script_host();

  g_window_manager.set_window(window_id::load);
  auto* w = dynamic_cast<load_window*>(g_window_manager.window(window_id::load));
  ASSERT_NE(w, nullptr);
  ASSERT_NE(w->progress, nullptr);
  // Nothing loaded yet: the bar shows its least, never an empty handle.
  EXPECT_FLOAT_EQ(w->progress->get_float_value(), 0.01f);

  std::vector<float> bar;
  std::vector<std::string> texts;
  for (int frame = 0; frame < 12 && g_window_manager.top_id() == window_id::load; ++frame) {
    g_window_manager.frame(0.02f);
    if (g_window_manager.top_id() != window_id::load) break;
    bar.push_back(w->progress->get_float_value());
    texts.emplace_back(w->status_text->text.view());
  }
  // A step a frame: 1/7 after the first, 2/7, 3/7, then 5/7 once the Data
  // files and actions are in, and a full bar before the switch.
  ASSERT_GE(bar.size(), 4u);
  EXPECT_FLOAT_EQ(bar[0], 1.0f / 7.0f);
  EXPECT_FLOAT_EQ(bar[1], 2.0f / 7.0f);
  EXPECT_FLOAT_EQ(bar[2], 3.0f / 7.0f);
  EXPECT_FLOAT_EQ(bar[3], 5.0f / 7.0f);
  EXPECT_FLOAT_EQ(bar.back(), 1.0f);
  for (std::size_t i = 1; i < bar.size(); ++i) EXPECT_GE(bar[i], bar[i - 1]);
  for (const std::string& t : texts) EXPECT_FALSE(t.empty());

  EXPECT_EQ(g_window_manager.top_id(), window_id::main_menu);
  EXPECT_EQ(host.loaded, 1);
  EXPECT_NE(log.text().find("Finished All..."), std::string::npos);

  // The main menu of the loaded module: no saved game, so no restore.
  auto* menu = dynamic_cast<main_menu_window*>(g_window_manager.window(window_id::main_menu));
  ASSERT_NE(menu, nullptr);
  ASSERT_NE(menu->restore_button, nullptr);
  EXPECT_TRUE(menu->restore_button->is_disabled());
  EXPECT_FALSE(menu->new_game_button->is_disabled());

  // The version label shows its text at 0.7 of its height (0.028): the mesh
  // it shows is the one laid out at that size.
  widget* version = menu->version_label;
  ASSERT_NE(version, nullptr);
  EXPECT_FLOAT_EQ(version->text_size.y, 0.028f);
  mesh* shown = version->get_mesh(slot_text);
  ASSERT_NE(shown, nullptr);
  ASSERT_FALSE(shown->get_faces().empty());
  shown->compute_bounding_box();
  const bounding_box before = shown->bbox;
  version->rebuild_text_mesh();
  mesh* again = version->get_mesh(slot_text);
  again->compute_bounding_box();
  EXPECT_NEAR(before.max.y - before.min.y, again->bbox.max.y - again->bbox.min.y, 1e-6f);
  EXPECT_NEAR(before.max.x - before.min.x, again->bbox.max.x - again->bbox.min.x, 1e-6f);
}

// A quad from (-1, -2) to (3, 2): a handle mesh in units of its own.
std::unique_ptr<mesh> big_quad() {
  auto m = std::make_unique<mesh>();
  const vec3 corners[4] = {{-1.0f, -2.0f, 0.0f}, {3.0f, -2.0f, 0.0f}, {3.0f, 2.0f, 0.0f}, {-1.0f, 2.0f, 0.0f}};
  for (int i = 0; i < 4; ++i) m->add_vertex(m->add_point(corners[i]), 0.0f, 0.0f, 0xFFFFFFFFu, vec3(0, 0, 1));
  m->add_face(0, 1, 2);
  m->add_face(0, 2, 3);
  return m;
}

// The fill grows inside its bar with the value, from the bar's left, whatever
// the size the handle mesh was made in.
TEST(LoadingBar, TheFillGrowsInsideTheBar) {
  container parent;
  const std::unique_ptr<mesh> handle = big_quad();
  loading_progress_bar* bar = make_loading_progress_bar(parent, 0.1f, 0.07f, 0.8f, 0.03f);
  ASSERT_NE(bar, nullptr);
  bar->fill_source = handle.get();
  for (const float value : {0.01f, 0.5f, 1.0f}) {
    SCOPED_TRACE(value);
    bar->set_float_value(value);
    bar->rebuild_fill();
    mesh* fill = bar->get_mesh(slot_down);
    ASSERT_NE(fill, nullptr);
    fill->compute_bounding_box();
    const float inset = bar->handle_rect[0];
    EXPECT_GT(inset, 0.0f);
    EXPECT_NEAR(fill->bbox.min.x, inset, 1e-5f);
    EXPECT_NEAR(fill->bbox.max.x, inset + (0.8f - 2.0f * inset) * value, 1e-5f);
    EXPECT_NEAR(fill->bbox.min.y, inset, 1e-5f);
    EXPECT_NEAR(fill->bbox.max.y, 0.03f - inset, 1e-5f);
  }
}

TEST(LoadingBar, ClampsToItsRangeAndPicturesFallInQuarters) {
  loading_progress_bar b;
  b.set_float_value(-3.0f);
  EXPECT_FLOAT_EQ(b.get_float_value(), 0.01f);
  b.set_float_value(0.005f);
  EXPECT_FLOAT_EQ(b.get_float_value(), 0.01f);
  b.set_float_value(0.5f);
  EXPECT_FLOAT_EQ(b.get_float_value(), 0.5f);
  b.set_float_value(7.0f);
  EXPECT_FLOAT_EQ(b.get_float_value(), 1.0f);
  // 3954 / 15817 is just below a quarter, 3955 just above.
  EXPECT_STREQ(loading_picture(0), "ini_pic_hoofmarch_warrior_2");
  EXPECT_STREQ(loading_picture(3954), "ini_pic_hoofmarch_warrior_2");
  EXPECT_STREQ(loading_picture(3955), "ini_pic_hoofmarch_warrior_3");
  EXPECT_STREQ(loading_picture(7909), "ini_pic_hoofmarch_warrior_4");
  EXPECT_STREQ(loading_picture(11863), "ini_pic_hoofmarch_warrior_1");
  EXPECT_STREQ(loading_picture(15817), "ini_pic_hoofmarch_warrior_2");
  EXPECT_STREQ(in_game_menu_picture(15816), "pic_hoofmarch_warrior_4");
}

}  // namespace
}  // namespace hm
