#pragma once
// What the option screens' tests share: the window table over the UI test
// set-up, a settings folder of their own, the settings records at their
// defaults, and a way to change a widget as the player would.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/app/input_state.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/settings/game_options.h"
#include "engine/settings/key_bindings.h"
#include "engine/settings/ruv_config.h"
#include "module/text/translation_table.h"
#include "platform/fs.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/widget.h"
#include "ui/windows/window_manager.h"

namespace hm::test {

class options_screens : public ui_test {
 protected:
  void SetUp() override {
    ui_test::SetUp();
    folder_ = std::filesystem::temp_directory_path() /
              ("hm_options_test_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    const char* old = std::getenv("XDG_DATA_HOME");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    ::setenv("XDG_DATA_HOME", folder_.c_str(), 1);
    platform::invalidate_path_cache();
    g_game_options = game_options{};
    g_ruv_config = ruv_config{};
    g_key_bindings = key_bindings{};
    g_input_state = input_state{};
    g_translation_table.set_translation("ui_enabled", "Enabled");
    g_translation_table.set_translation("ui_disabled", "Disabled");
    g_translation_table.set_translation("ui_no_key_assigned", "No key");
    g_translation_table.set_translation("ui_unable_to_save_settings", "Unable to save %s.");
    g_window_manager.create_game_windows();
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_translation_table.clear();
    engine_log().close();
    if (had_old_)
      ::setenv("XDG_DATA_HOME", old_.c_str(), 1);
    else
      ::unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(folder_);
    platform::invalidate_path_cache();
    g_game_options = game_options{};
    g_ruv_config = ruv_config{};
    g_key_bindings = key_bindings{};
    g_input_state = input_state{};
    ui_test::TearDown();
  }

  template <class W>
  W& open(int id, int return_id) {
    auto* w = dynamic_cast<W*>(g_window_manager.window(id));
    EXPECT_NE(w, nullptr);
    w->return_window = return_id;
    g_window_manager.set_window(id);
    return *w;
  }

  // The widget's change as the player makes it: a new value, then the
  // clicked event the widget raises.
  static void choose(widget* w, std::int32_t value) {
    w->set_value(value);
    w->raise_event(ui_event::clicked);
  }
  static void slide(widget* w, float value) {
    w->set_float_value(value);
    w->raise_event(ui_event::clicked);
  }
  static void flip(widget* w) { choose(w, w->get_value() != 0 ? 0 : 1); }
  static void click(widget* w) { w->raise_event(ui_event::clicked); }

  // One frame of the top window.
  static void run_frame() {
    if (game_window* top = g_window_manager.top()) top->frame(0.016f);
  }

  std::filesystem::path settings_file(const char* name) const { return folder_ / "Hoofmarch" / name; }
  // Puts a folder where the settings folder should be a file: nothing can
  // be written there.
  void block_settings_folder() const {
    std::filesystem::remove_all(folder_ / "Hoofmarch");
    std::ofstream(folder_ / "Hoofmarch") << "not a folder";
    platform::invalidate_path_cache();
  }

  std::filesystem::path folder_;
  bool had_old_ = false;
  std::string old_;
};

}  // namespace hm::test
