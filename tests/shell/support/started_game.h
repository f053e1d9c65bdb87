#pragma once
// The game application over the null window and graphics device, brought to
// the new game's first menu as a run without a person goes there. The
// engine's resources are loaded once a process, so a suite's tests share one
// game: a fixture derives from this and adds its own per-test checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "engine/core/timer.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"
#include "shell/game_application.h"
#include "shell/support/shell_test_support.h"

namespace hm::test {

class started_game : public testing::Test {
 protected:
  // Frames from the first to the one that loads the module's last step, the
  // main menu's one frame, and the new game's seven steps and its switch.
  static constexpr int frames_to_the_first_menu = 8 + 1 + 8;

  static void SetUpTestSuite() {
    home = new temp_home();
    platform::set_clock_source(&clock);
    app_timer(app_timer_reset);
    app = new game_application();
    app->skip_main_menu = true;
    app->set_window(std::make_unique<platform::null_window>());
    ASSERT_EQ(app->attach_graphics(std::make_unique<platform::gpu::null_system>()), 0);
    ASSERT_EQ(app->create_window(), 0);
    ASSERT_EQ(app->initialise(), 0);
    for (int i = 0; i < frames_to_the_first_menu; ++i) frame();
  }
  static void TearDownTestSuite() {
    delete app;
    app = nullptr;
    platform::set_clock_source(nullptr);
    delete home;
    home = nullptr;
  }
  // One frame of the game, the clock moved on by the given time.
  static void frame(std::int64_t microseconds = 20'000) {
    clock.now += microseconds;
    ASSERT_EQ(app->render_3d_environment(), 0);
  }

  static inline temp_home* home = nullptr;
  static inline manual_clock clock;
  static inline game_application* app = nullptr;
};

}  // namespace hm::test
