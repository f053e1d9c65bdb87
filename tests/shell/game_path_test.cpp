// The road from a new game's first menu: mission requests the module cannot
// serve, fixed frame steps and recorded input, on a game started the way a
// run without a person starts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/app/input_state.h"
#include "engine/app/recorded_input.h"
#include "engine/core/timer.h"
#include "module/records/mission_template.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"
#include "script/ops/encounter.h"
#include "shell/game_application.h"
#include "shell/support/shell_test_support.h"
#include "ui/windows/window_manager.h"

using namespace hm;
namespace gpu = hm::platform::gpu;

namespace {

using test::manual_clock;
using test::read_text;
using test::temp_home;

// Frames from the first to the one that loads the module's last step, the
// main menu's one frame, and the new game's seven steps and its switch.
constexpr int kFramesToTheFirstMenu = 8 + 1 + 8;

// An application over the null window and device brought to the new game's
// first menu, as a run without a person goes there.
// The engine's resources are loaded once a process: the tests of the suite
// share one game.
class StartedGame : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    home = new temp_home();
    platform::set_clock_source(&clock);
    app_timer(app_timer_reset);
    app = new game_application();
    app->skip_main_menu = true;
    app->set_window(std::make_unique<platform::null_window>());
    ASSERT_EQ(app->attach_graphics(std::make_unique<gpu::null_system>()), 0);
    ASSERT_EQ(app->create_window(), 0);
    ASSERT_EQ(app->initialise(), 0);
    for (int i = 0; i < kFramesToTheFirstMenu; ++i) frame();
  }
  static void TearDownTestSuite() {
    delete app;
    app = nullptr;
    platform::set_clock_source(nullptr);
    delete home;
    home = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(app, nullptr);
    ASSERT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::game_menu});
  }
  static void frame(std::int64_t microseconds = 20'000) {
    clock.now += microseconds;
    ASSERT_EQ(app->render_3d_environment(), 0);
  }

  static inline temp_home* home = nullptr;
  static inline manual_clock clock;
  static inline game_application* app = nullptr;
};

TEST_F(StartedGame, MissionTypeNoTemplateMatchesIsAScriptErrorAndTheMenuStays) {
  std::int32_t unknown_type = 1;
  for (const mission_template& t : g_mission_templates) unknown_type = std::max(unknown_type, t.mission_type + 1);
  g_meta_mission.mission_type = unknown_type;
  g_meta_mission.request_mask |= 0x4;
  frame();
  g_window_manager.dispatch_meta_mission_requests();
  EXPECT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::game_menu});
  EXPECT_FALSE(app->state_hosts->mission_running());
  // The game menu's own request is still there for the menu to come back to.
  EXPECT_EQ(g_meta_mission.request_mask, 0x400u);
  const std::string log = read_text(home->data() / "ruv_log.txt");
  EXPECT_NE(log.find("Unable to find matching mission template for mission type " + std::to_string(unknown_type) +
                     "."),
            std::string::npos)
      << log;
}

TEST_F(StartedGame, FixedFrameTimeMovesTheClocksTheSameWhateverTheFramesTook) {
  app->fixed_frame_time = game_application::headless_frame_time;
  // Ticks are hundred-thousandths of a second.
  const std::int64_t step = static_cast<std::int64_t>(game_application::headless_frame_time * 100000.0f);
  for (std::int64_t took : {1'000, 20'000, 350'000}) {
    const std::int64_t before = clock_ticks(clock_real_time);
    frame(took);
    EXPECT_EQ(clock_ticks(clock_real_time) - before, step) << took;
    EXPECT_EQ(app->frame_time, game_application::headless_frame_time);
  }
  app->fixed_frame_time = 0.0f;
}

TEST_F(StartedGame, RecordedInputReachesTheInputStateOnItsFrames) {
  std::vector<recorded_input_event> events;
  recorded_input_error error;
  const std::uint32_t next = app->frame_counter + 1;
  const std::string text = std::to_string(next) + " key 0x39 down\n" + std::to_string(next) + " move 5 -3\n" +
                           std::to_string(next + 1) + " button 0 down\n" + std::to_string(next + 2) +
                           " key 57 up\n";
  ASSERT_TRUE(parse_recorded_input(text, events, error)) << error.message;
  app->use_recorded_input(std::make_unique<recorded_input>(std::move(events)));
  frame();
  EXPECT_TRUE(g_input_state.is_key_clicked(platform::key::space));
  EXPECT_EQ(g_input_state.mouse_dx, 5.0f);
  EXPECT_EQ(g_input_state.mouse_dy, -3.0f);
  frame();
  EXPECT_TRUE(g_input_state.is_key_down(platform::key::space));
  EXPECT_FALSE(g_input_state.is_key_clicked(platform::key::space));
  EXPECT_TRUE(g_input_state.is_key_clicked(platform::mouse_button_first));
  EXPECT_EQ(g_input_state.mouse_dx, 0.0f);
  frame();
  EXPECT_FALSE(g_input_state.is_key_down(platform::key::space));
  EXPECT_TRUE(app->recorded()->finished());
  app->use_recorded_input(nullptr);
}

}  // namespace
