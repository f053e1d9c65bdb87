// The application frame over the null window and the null graphics device, with
// a clock that moves only when told.
#include "engine/app/application_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/settings/ruv_config.h"
#include "engine/core/timer.h"
#include "platform/clock.h"
#include "platform/gpu/null_device.h"
#include "platform/message_box.h"
#include "platform/window.h"

using namespace hm;
namespace gpu = hm::platform::gpu;
using platform::window_event;
using platform::window_event_kind;

namespace {

// One million counts a second. Each read moves it on by `step` counts.
class stepping_clock : public platform::clock_source {
 public:
  std::int64_t now = 500'000'000;
  std::int64_t step = 0;
  std::int64_t counter_now() override {
    const std::int64_t value = now;
    now += step;
    return value;
  }
  std::int64_t counter_frequency() override { return 1'000'000; }
  std::uint32_t milliseconds_now() override { return static_cast<std::uint32_t>(now / 1000); }
  void sleep_milliseconds(unsigned ms) override { now += static_cast<std::int64_t>(ms) * 1000; }
  void advance_ms(double ms) { now += static_cast<std::int64_t>(ms * 1000.0); }
};

std::vector<std::string> g_boxes;
platform::message_box_result record_box(std::string_view caption, std::string_view text, platform::message_box_icon,
                                        platform::message_box_buttons) {
  g_boxes.push_back(std::string(caption) + "|" + std::string(text));
  return platform::message_box_result::ok;
}

class recording_frame : public application_frame {
 public:
  std::vector<std::string> calls;
  hresult fail_init = 0, fail_restore = 0, fail_one_time = 0;
  int renders = 0;
  int quit_after_renders = 0;
  std::vector<float> frame_times;
  bool dialog_accepts = false;
  device_settings dialog_choice;

  recording_frame() { caption = "Hoofmarch"; }

  hresult one_time_init() override { return log("one_time_init", fail_one_time); }
  hresult init_device_objects() override { return log("init", fail_init); }
  hresult restore_device_objects() override { return log("restore", fail_restore); }
  hresult invalidate_device_objects() override { return log("invalidate", 0); }
  hresult delete_device_objects() override { return log("delete", 0); }
  hresult final_cleanup() override { return log("final_cleanup", 0); }
  hresult frame_move() override {
    frame_times.push_back(elapsed_time);
    return log("frame_move", 0);
  }
  hresult render() override {
    ++renders;
    if (quit_after_renders && renders >= quit_after_renders) quit_request = 1;
    return log("render", 0);
  }
  bool run_device_settings_dialog(device_settings& s) override {
    calls.push_back("dialog");
    if (dialog_accepts) s = dialog_choice;
    return dialog_accepts;
  }

 private:
  hresult log(const char* name, hresult r) {
    calls.push_back(name);
    return r;
  }
};

class FrameTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::set_clock_source(&clock);
    app_timer(app_timer_reset);
    platform::set_message_box_backend(&record_box);
    g_boxes.clear();
    saved_config = g_ruv_config;
  }
  void TearDown() override {
    frame.reset();
    g_ruv_config = saved_config;
    platform::set_message_box_backend(nullptr);
    platform::set_clock_source(nullptr);
  }

  // Builds the frame over a null window and a null system; create_window only.
  void build(gpu::null_system_config config = gpu::default_null_config()) {
    frame = std::make_unique<recording_frame>();
    auto w = std::make_unique<platform::null_window>();
    win = w.get();
    frame->set_window(std::move(w));
    auto system = std::make_unique<gpu::null_system>(std::move(config));
    control = system->control();
    ASSERT_EQ(frame->attach_graphics(std::move(system)), 0);
    ASSERT_EQ(frame->create_window(), 0);
  }
  void start(gpu::null_system_config config = gpu::default_null_config()) {
    build(std::move(config));
    ASSERT_EQ(frame->initialise(), 0);
    frame->calls.clear();
  }
  void send(frame_message_kind kind, std::uint32_t command = 0) {
    frame_message m;
    m.kind = kind;
    m.command = command;
    frame->window_procedure(m);
  }
  void send_size(size_state s) {
    frame_message m;
    m.kind = frame_message_kind::size;
    m.size = s;
    frame->window_procedure(m);
  }
  // An idle pass with a frame that took `ms` of real time.
  hresult idle_pass(double ms) {
    app_timer(app_timer_elapsed);
    clock.advance_ms(ms);
    return frame->render_3d_environment();
  }

  stepping_clock clock;
  std::unique_ptr<recording_frame> frame;
  platform::null_window* win = nullptr;
  std::shared_ptr<gpu::null_gpu_control> control;
  ruv_config saved_config;
};

using calls_t = std::vector<std::string>;

TEST_F(FrameTest, HooksRunInOrderThroughCreateLossResetAndClose) {
  build();
  ASSERT_EQ(frame->initialise(), 0);
  EXPECT_EQ(frame->calls, (calls_t{"one_time_init", "init", "restore"}));
  EXPECT_TRUE(frame->active);
  EXPECT_TRUE(frame->device_objects_inited && frame->device_objects_restored);
  EXPECT_TRUE(win->shown());
  EXPECT_EQ(frame->device_stats, "HAL (pure hw vp): Null graphics adapter");

  // The device is lost while the frame presents.
  frame->calls.clear();
  control->lose_device();
  ASSERT_EQ(idle_pass(20), 0);
  EXPECT_EQ(frame->calls, (calls_t{"frame_move", "render"}));
  EXPECT_TRUE(frame->device_lost);

  // Still lost: nothing runs.
  frame->calls.clear();
  ASSERT_EQ(idle_pass(20), 0);
  EXPECT_TRUE(frame->calls.empty());

  // It may be reset now.
  control->make_resettable();
  ASSERT_EQ(idle_pass(20), 0);
  EXPECT_EQ(frame->calls, (calls_t{"invalidate", "restore"}));
  EXPECT_EQ(control->resets, 1);

  frame->calls.clear();
  ASSERT_EQ(idle_pass(20), 0);
  EXPECT_FALSE(frame->device_lost);
  EXPECT_EQ(frame->calls, (calls_t{"frame_move", "render"}));

  frame->calls.clear();
  frame->send_close();
  EXPECT_EQ(frame->calls, (calls_t{"final_cleanup", "invalidate", "delete"}));
  EXPECT_TRUE(frame->quit_posted());
  EXPECT_FALSE(win->exists());
  EXPECT_EQ(frame->device, nullptr);
  EXPECT_FALSE(control->device_alive);
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(FrameTest, FailedHookIsUndoneAndReportedAsFatal) {
  struct row {
    hresult init, restore;
    calls_t expected;
  };
  const row rows[] = {
      {frame_code::media_not_found, 0, {"one_time_init", "init", "delete"}},
      {0, frame_code::media_not_found, {"one_time_init", "init", "restore", "invalidate", "delete"}},
  };
  for (const row& r : rows) {
    build();
    g_boxes.clear();
    frame->fail_init = r.init;
    frame->fail_restore = r.restore;
    EXPECT_EQ(frame->initialise(), frame_code::media_not_found);
    calls_t head(frame->calls.begin(), frame->calls.begin() + static_cast<std::ptrdiff_t>(r.expected.size()));
    EXPECT_EQ(head, r.expected);
    EXPECT_EQ(frame->calls.back(), "final_cleanup");  // the fatal error closed the window
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "Hoofmarch|Could not load required media.\n\nThis sample will now exit.");
    EXPECT_FALSE(control->device_alive);
    EXPECT_TRUE(frame->quit_posted());
  }
}

TEST_F(FrameTest, FailedHardwareDeviceFallsBackToReferenceDevice) {
  gpu::null_system_config config = gpu::default_null_config();
  gpu::null_device_type_config ref = config.adapters[0].devices[0];
  ref.type = gpu::device_type::ref;
  ref.caps.type = gpu::device_type::ref;
  ref.caps.pure_device = false;
  config.adapters[0].devices.push_back(ref);
  build(config);
  control->next_create = gpu::result::out_of_video_memory;
  ASSERT_EQ(frame->initialise(), 0);
  EXPECT_EQ(control->creates, 2);
  EXPECT_EQ(frame->settings.current().device->type, gpu::device_type::ref);
  EXPECT_EQ(frame->device_stats, "REF (simulated hw vp)");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("Not enough video memory.\n\nSwitching to the reference rasterizer"), std::string::npos);
  EXPECT_FALSE(frame->fatal_error_reported());
}

TEST_F(FrameTest, LimiterAccumulatesTimeUpToTheMinimumFrameTime) {
  start();
  frame->min_frame_time = min_frame_time_for(50);
  clock.step = 1000;  // every read of the counter takes 1 ms
  ASSERT_EQ(idle_pass(5), 0);
  ASSERT_EQ(frame->frame_times.size(), 1u);
  EXPECT_GE(frame->frame_times[0], 0.020f);
  EXPECT_LT(frame->frame_times[0], 0.0215f);
  EXPECT_EQ(control->presents, 1);
}

// The clock counts from 500 s: the first frame only starts the measure, so
// the first text is a true rate (11 frames in 1.1 s), not frames over 500 s.
TEST_F(FrameTest, FrameStatisticsCountFromTheFirstFrame) {
  start();
  frame->min_frame_time = 0.0f;
  for (int i = 0; i < 11; ++i) {
    ASSERT_EQ(idle_pass(100), 0);
    EXPECT_EQ(frame->frame_stats, "") << "frame " << i + 1;
  }
  ASSERT_EQ(idle_pass(100), 0);
  EXPECT_EQ(frame->frame_stats, "10.00 fps");
  // The next text comes once more than a second has passed: ten frames of
  // 50 ms and one of 500 ms take exactly 1.0 s, and a twelfth of 500 ms makes
  // 12 frames in 1.5 s.
  for (int i = 0; i < 10; ++i) ASSERT_EQ(idle_pass(50), 0);
  EXPECT_EQ(frame->frame_stats, "10.00 fps");
  ASSERT_EQ(idle_pass(500), 0);
  ASSERT_EQ(idle_pass(500), 0);
  EXPECT_EQ(frame->frame_stats, "8.00 fps");
}

TEST_F(FrameTest, ZeroElapsedTimeGivesNoFrame) {
  start();
  const int presents = control->presents;
  ASSERT_EQ(idle_pass(0), 0);
  EXPECT_TRUE(frame->calls.empty());
  EXPECT_EQ(control->presents, presents);
}

TEST_F(FrameTest, FrameRateCapOfZeroOrBelowMeansNoLimit) {
  EXPECT_FLOAT_EQ(min_frame_time_for(100), 0.01f);
  EXPECT_FLOAT_EQ(min_frame_time_for(50), 0.02f);
  EXPECT_EQ(min_frame_time_for(0), 0.0f);
  EXPECT_EQ(min_frame_time_for(-3), 0.0f);
  start();
  // What 1 / 0 would have given: the frame must still run at once.
  for (float limit : {std::numeric_limits<float>::infinity(), -1.0f, std::nanf("")}) {
    frame->frame_times.clear();
    frame->min_frame_time = limit;
    ASSERT_EQ(idle_pass(3), 0);
    ASSERT_EQ(frame->frame_times.size(), 1u);
    EXPECT_NEAR(frame->frame_times[0], 0.003f, 1e-5f);
  }
}

TEST_F(FrameTest, LimiterEndsWhenTheTimerStandsStill) {
  start();
  frame->min_frame_time = 0.01f;
  // The counter moved once, then never again: the wait is bounded.
  ASSERT_EQ(idle_pass(1), 0);
  EXPECT_EQ(frame->frame_times.size(), 1u);
}

TEST_F(FrameTest, FrameMovingOffStillRendersAndSingleStepMovesOnce) {
  start();
  frame->min_frame_time = 0.01f;
  send(frame_message_kind::command, command_go_stop);
  EXPECT_FALSE(frame->frame_moving);
  // The timer is stopped: elapsed time is 0 and the limiter must not wait for it.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(idle_pass(5), 0);
  EXPECT_EQ(frame->calls, (calls_t{"render", "render", "render"}));

  frame->calls.clear();
  send(frame_message_kind::command, command_single_step);
  clock.advance_ms(5);
  ASSERT_EQ(frame->render_3d_environment(), 0);
  ASSERT_EQ(idle_pass(5), 0);
  EXPECT_EQ(frame->calls, (calls_t{"frame_move", "render", "render"}));
  // A stopped timer advances by 0.1 s per single step, whatever real time passed.
  EXPECT_NEAR(frame->frame_times.back(), 0.1f, 1e-4f);

  // Single step while moving stops time too.
  send(frame_message_kind::command, command_go_stop);
  EXPECT_TRUE(frame->frame_moving);
  send(frame_message_kind::command, command_single_step);
  EXPECT_FALSE(frame->frame_moving);
  EXPECT_TRUE(frame->single_step);
}

TEST_F(FrameTest, ResetWhileFrameMovingIsOffOwesOneFrameMove) {
  start();
  send(frame_message_kind::command, command_go_stop);
  win->user_resize(640, 480);
  frame->pump_one_event(false);
  EXPECT_TRUE(frame->single_step);
  frame->calls.clear();
  ASSERT_EQ(idle_pass(5), 0);
  ASSERT_EQ(idle_pass(5), 0);
  EXPECT_EQ(frame->calls, (calls_t{"frame_move", "render", "render"}));
}

TEST_F(FrameTest, PauseCountFollowsMenusSizingMinimisingAndFocus) {
  start();
  struct step {
    frame_message_kind kind;
    size_state size;
    bool focus;
    int count;
  };
  using K = frame_message_kind;
  const std::vector<std::vector<step>> sequences = {
      {{K::enter_menu_loop, {}, false, 1}, {K::exit_menu_loop, {}, false, 0}},
      {{K::enter_size_move, {}, false, 1}, {K::exit_size_move, {}, false, 0}},
      {{K::size, size_state::minimized, false, 1}, {K::size, size_state::restored, false, 0}},
      {{K::size, size_state::minimized, false, 1}, {K::size, size_state::maximized, false, 0},
       {K::size, size_state::restored, false, 0}},
      {{K::activate, {}, false, 1}, {K::activate, {}, false, 1}, {K::activate, {}, true, 0}},
      {{K::activate, {}, true, 0}, {K::exit_menu_loop, {}, false, 0}},
      {{K::enter_menu_loop, {}, false, 1}, {K::size, size_state::minimized, false, 2},
       {K::activate, {}, false, 3}, {K::exit_menu_loop, {}, false, 2}, {K::size, size_state::restored, false, 1},
       {K::activate, {}, true, 0}},
  };
  for (std::size_t s = 0; s < sequences.size(); ++s) {
    for (std::size_t i = 0; i < sequences[s].size(); ++i) {
      const step& st = sequences[s][i];
      frame_message m;
      m.kind = st.kind;
      m.size = st.size;
      m.active = st.focus;
      frame->window_procedure(m);
      EXPECT_EQ(frame->pause_count(), st.count) << "sequence " << s << " step " << i;
      EXPECT_EQ(frame->active, st.count == 0) << "sequence " << s << " step " << i;
    }
  }
}

TEST_F(FrameTest, PausedTimeDoesNotCountInApplicationTime) {
  start();
  const double before = app_timer(app_timer_application);
  send(frame_message_kind::enter_menu_loop);
  clock.advance_ms(5000);
  send(frame_message_kind::exit_menu_loop);
  EXPECT_NEAR(app_timer(app_timer_application) - before, 0.0, 1e-6);
  clock.advance_ms(250);
  EXPECT_NEAR(app_timer(app_timer_application) - before, 0.25, 1e-6);
}

TEST_F(FrameTest, LoopRendersUntilQuitRequestAndNothingWhileInactive) {
  start();
  frame->quit_after_renders = 3;
  clock.step = 1000;
  EXPECT_EQ(frame->run_main_loop(), 0);
  EXPECT_EQ(frame->renders, 3);
  EXPECT_EQ(control->presents, 3);
  EXPECT_TRUE(frame->quit_posted());

  // A window that loses the focus renders nothing while it waits.
  start();
  window_event lost;
  lost.kind = window_event_kind::deactivated;
  win->push_event(lost);
  EXPECT_EQ(frame->run_main_loop(), 0);
  EXPECT_EQ(frame->renders, 0);
}

TEST_F(FrameTest, SecondFatalErrorShowsNoSecondBox) {
  start();
  EXPECT_EQ(frame->display_error_message(frame_code::reset_failed, error_fatal), frame_code::reset_failed);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Hoofmarch|Could not reset the Direct3D device.\n\nThis sample will now exit.");
  EXPECT_TRUE(frame->quit_posted());
  EXPECT_EQ(frame->display_error_message(frame_code::out_of_memory, error_fatal), frame_code::out_of_memory);
  EXPECT_EQ(frame->display_error_message(frame_code::out_of_memory, error_warning), frame_code::out_of_memory);
  EXPECT_EQ(g_boxes.size(), 1u);
}

TEST_F(FrameTest, ErrorKindsAndTexts) {
  start();
  frame->display_error_message(frame_code::null_reference_device, error_warning);
  frame->display_error_message(0x12345678, error_reference_fallback);
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_boxes[0].find("|Warning: Nothing will be rendered."), 9u);
  EXPECT_EQ(g_boxes[1].find("|Generic application error."), 9u);
  EXPECT_NE(g_boxes[1].find("Switching to the reference rasterizer,\na software device"), std::string::npos);
  EXPECT_FALSE(frame->fatal_error_reported());
  // The driver's internal error is fatal whatever the kind.
  frame->display_error_message(frame_code::driver_internal_error, error_warning);
  ASSERT_EQ(g_boxes.size(), 3u);
  EXPECT_EQ(g_boxes[2],
            "Hoofmarch|A serious problem occured inside the display driver.\n\nThis sample will now exit.");
  EXPECT_TRUE(frame->fatal_error_reported());
}

TEST_F(FrameTest, ResourcesLeftAtCleanUpAreFatal) {
  start();
  control->leaked_resources = 2;
  frame->send_close();
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("A D3D object has a non-zero reference\ncount"), std::string::npos);
  EXPECT_TRUE(frame->quit_posted());
}

TEST_F(FrameTest, SizeChangeResetsTheDeviceWithTheNewClientSize) {
  start();
  win->user_resize(800, 600);
  ASSERT_TRUE(frame->pump_one_event(false));
  EXPECT_EQ(frame->calls, (calls_t{"invalidate", "restore"}));
  EXPECT_EQ(control->last_params.back_buffer_width, 800u);
  EXPECT_EQ(control->last_params.back_buffer_height, 600u);
  EXPECT_EQ(frame->back_buffer_desc.width, 800u);
  EXPECT_EQ(frame->pause_count(), 0);
  // The same size again changes nothing.
  frame->calls.clear();
  win->user_resize(800, 600);
  frame->pump_one_event(false);
  EXPECT_TRUE(frame->calls.empty());
}

TEST_F(FrameTest, FailedResetAfterSizeChangeIsFatal) {
  const std::pair<gpu::result, const char*> rows[] = {
      {gpu::result::failed, "Could not reset the Direct3D device."},
      {gpu::result::out_of_video_memory, "Not enough video memory."},
  };
  for (const auto& [failure, text] : rows) {
    start();
    g_boxes.clear();
    control->next_reset = failure;
    win->user_resize(700, 500);
    frame->pump_one_event(false);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], std::string("Hoofmarch|") + text + "\n\nThis sample will now exit.");
    EXPECT_TRUE(frame->quit_posted());
  }
}

TEST_F(FrameTest, ToggleFullscreenAndBack) {
  start();
  const platform::rect windowed_bounds = win->bounds();
  send(frame_message_kind::command, command_toggle_fullscreen);
  EXPECT_FALSE(frame->windowed);
  EXPECT_EQ(frame->window_style, window_style_kind::popup);
  EXPECT_TRUE(win->is_fullscreen());
  EXPECT_FALSE(control->last_params.windowed);
  EXPECT_EQ(control->last_params.back_buffer_width, 1024u);
  EXPECT_EQ(control->last_params.back_buffer_height, 768u);
  EXPECT_TRUE(win->cursor_clipped());
  EXPECT_EQ(frame->pause_count(), 0);

  send(frame_message_kind::command, command_toggle_fullscreen);
  EXPECT_TRUE(frame->windowed);
  EXPECT_FALSE(win->is_fullscreen());
  EXPECT_TRUE(control->last_params.windowed);
  EXPECT_EQ(win->bounds(), windowed_bounds);
  EXPECT_FALSE(win->cursor_clipped());
  EXPECT_EQ(frame->pause_count(), 0);
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(FrameTest, ClientSizeComesFromSettingsOrTheUsableDesktop) {
  struct row {
    int width, height;
    platform::rect expected;
  };
  const row rows[] = {
      {0, 0, {8, 20, 1912, 1030}},  // the usable area 1920 x 1050, less frame and caption, centred
      {800, 600, {560, 225, 1360, 825}},
  };
  for (const row& r : rows) {
    g_ruv_config.display_width = r.width;
    g_ruv_config.display_height = r.height;
    build();
    EXPECT_EQ(win->client_bounds(), r.expected);
    EXPECT_EQ(frame->client_rect, r.expected);
    EXPECT_EQ(win->caption(), "Hoofmarch");
  }
}

TEST_F(FrameTest, StartsInFullScreenWhenAskedAndFound) {
  build();
  frame->start_fullscreen = true;
  ASSERT_EQ(frame->initialise(), 0);
  EXPECT_FALSE(frame->windowed);
  EXPECT_EQ(frame->settings.fullscreen.display_mode, (gpu::display_mode{1024, 768, 60, gpu::format::x8r8g8b8}));
  EXPECT_TRUE(win->is_fullscreen());
}

TEST_F(FrameTest, NoCompatibleDeviceIsFatal) {
  gpu::null_system_config config = gpu::default_null_config();
  config.adapters[0].devices[0].back_buffer_formats.clear();
  build(config);
  EXPECT_EQ(frame->initialise(), frame_code::no_compatible_devices);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Hoofmarch|Could not find any compatible Direct3D\ndevices.\n\nThis sample will now exit.");
}

TEST_F(FrameTest, AcceleratorsBecomeCommands) {
  namespace mod = platform::modifier;
  namespace sc = platform::scancode;
  struct row {
    int scancode;
    std::uint32_t modifiers;
    frame_message_kind kind;
    std::uint32_t command;
  };
  const row rows[] = {
      {sc::enter, mod::alt, frame_message_kind::command, command_toggle_fullscreen},
      {sc::x, mod::alt, frame_message_kind::command, command_exit},
      {sc::f2, mod::alt | mod::control | mod::shift, frame_message_kind::command, command_change_device},
      {sc::f2, 0, frame_message_kind::key_down, 0},
      {sc::enter, 0, frame_message_kind::key_down, 0},
      {sc::x, mod::alt | mod::control, frame_message_kind::key_down, 0},
  };
  for (const row& r : rows) {
    window_event e;
    e.kind = window_event_kind::key_down;
    e.scancode = r.scancode;
    e.modifiers = r.modifiers;
    frame_message m;
    ASSERT_TRUE(translate_window_event(e, m));
    EXPECT_EQ(m.kind, r.kind) << r.scancode;
    EXPECT_EQ(m.command, r.command) << r.scancode;
  }
}

TEST_F(FrameTest, ExitCommandFromTheKeyboardClosesTheWindow) {
  start();
  window_event e;
  e.kind = window_event_kind::key_down;
  e.scancode = platform::scancode::x;
  e.modifiers = platform::modifier::alt;
  win->push_event(e);
  EXPECT_EQ(frame->run_main_loop(), 0);
  EXPECT_EQ(frame->calls.front(), "final_cleanup");
  EXPECT_FALSE(win->exists());
}

TEST_F(FrameTest, DeviceChangeTakesOnlyMatchingSettings) {
  gpu::null_system_config config = gpu::default_null_config();
  config.adapters.push_back(config.adapters[0]);
  config.adapters[1].description = "Second adapter";
  start(config);
  ASSERT_EQ(frame->enumeration.adapters.size(), 2u);
  const int creates = control->creates;

  // A copy that names the second adapter but keeps the first one's combination.
  device_settings mismatched = frame->settings;
  mismatched.windowed.adapter = frame->enumeration.adapters[1].get();
  mismatched.windowed.device = frame->enumeration.adapters[1]->devices[0].get();
  frame->dialog_accepts = true;
  frame->dialog_choice = mismatched;
  send(frame_message_kind::command, command_change_device);
  EXPECT_EQ(control->creates, creates);
  EXPECT_EQ(frame->settings.windowed.adapter->ordinal, 0u);

  // The whole choice on the second adapter is taken, and the device made anew.
  device_settings matched = mismatched;
  const device_info& second = *frame->enumeration.adapters[1]->devices[0];
  matched.windowed.combination = find_combination(second, true, gpu::format::x8r8g8b8, gpu::format::a8r8g8b8);
  ASSERT_NE(matched.windowed.combination, nullptr);
  matched.windowed.depth_stencil_format = gpu::format::unknown;
  frame->dialog_choice = matched;
  frame->calls.clear();
  send(frame_message_kind::command, command_change_device);
  EXPECT_EQ(control->creates, creates + 1);
  EXPECT_EQ(frame->settings.windowed.adapter->ordinal, 1u);
  EXPECT_EQ(frame->calls, (calls_t{"dialog", "invalidate", "delete", "init", "restore"}));
  EXPECT_EQ(frame->device_stats, "HAL (pure hw vp): Second adapter");
  EXPECT_EQ(frame->pause_count(), 0);

  // Cancel changes nothing.
  frame->dialog_accepts = false;
  send(frame_message_kind::command, command_change_device);
  EXPECT_EQ(control->creates, creates + 1);
}

TEST_F(FrameTest, FullScreenMinimiseReleasesTheCursorClip) {
  build();
  frame->start_fullscreen = true;
  ASSERT_EQ(frame->initialise(), 0);
  EXPECT_TRUE(win->cursor_clipped());
  send_size(size_state::minimized);
  EXPECT_FALSE(win->cursor_clipped());
  EXPECT_FALSE(frame->active);
  EXPECT_EQ(frame->window_procedure(frame_message{frame_message_kind::set_cursor, 0, {}, false, {}}), 1);
}

}  // namespace
