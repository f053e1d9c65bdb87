// What the game draws over the scene, all of it through the scene view's
// interface view: the message log (fed by the script engine and by the
// developer start-up line) and, while show_framerate is on, the frame rate and
// debug lines, counted on the null device over a clock the test moves; and the
// program run with those settings.
#include <gtest/gtest.h>

#include "ui/windows/window_manager.h"
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "engine/device/device_resources.h"
#include "engine/settings/ruv_config.h"
#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "platform/clock.h"
#include "shell/support/shell_test_support.h"
#include "platform/fs.h"
#include "platform/gpu/gl_system.h"
#include "platform/gpu/null_device.h"
#include "platform/png_file.h"
#include "platform/window.h"
#include "script/script_host.h"
#include "shell/game_application.h"
#include "ui/manager/ui_manager.h"

using namespace hm;
namespace fs = std::filesystem;
namespace gpu = hm::platform::gpu;

namespace {

using test::temp_home;
using test::manual_clock;
using test::read_text;

// One quad (two faces) a character, spaces included.
std::uint32_t glyph_quads(const std::string& text) { return static_cast<std::uint32_t>(text.size()); }

class overlay : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_config_ = g_ruv_config;
    g_ruv_config.show_framerate = 1;
    g_ruv_config.debug_mode = 1;
    platform::set_clock_source(&clock_);
    app_timer(app_timer_reset);
    reset_clocks();
    app_ = std::make_unique<game_application>();
    app_->set_window(std::make_unique<platform::null_window>());
    auto system = std::make_unique<gpu::null_system>();
    control_ = system->control();
    ASSERT_EQ(app_->attach_graphics(std::move(system)), 0);
    ASSERT_EQ(app_->create_window(), 0);
    ASSERT_EQ(app_->initialise(), 0);
    // No window runs, so no game starts, and the loading window's widgets
    // go: the draws counted here are the log's and the overlay's alone.
    g_window_manager.stack.clear();
    g_ui_manager.clear();
  }
  void TearDown() override {
    app_.reset();
    platform::set_clock_source(nullptr);
    g_ruv_config = saved_config_;
  }

  // One frame of 0.1 s; returns the draws it made.
  int frame() {
    clock_.now += 100'000;
    const int before = control_->draws;
    EXPECT_EQ(app_->render_3d_environment(), 0);
    return control_->draws - before;
  }
  std::uint32_t log_faces(int slot) const {
    return static_cast<std::uint32_t>(
        app_->messages.log_text_meshes[static_cast<std::size_t>(slot)].get_faces().size());
  }

  temp_home home_;
  manual_clock clock_;
  ruv_config saved_config_;
  std::shared_ptr<gpu::null_gpu_control> control_;
  std::unique_ptr<game_application> app_;
};

TEST_F(overlay, FrameRateDebugLinesAndMessageLogOnTheNullDevice) {
  // The developer line starts the log, laid out with the font data.
  ASSERT_FALSE(app_->messages.log_history.empty());
  EXPECT_EQ(std::string(app_->messages.log_history.back().view()), game_application::started_line);
  const int started = app_->messages.log_slot;
  EXPECT_GT(log_faces(started), 0u);
  EXPECT_GT(g_ui_font.glyph_advance('a'), 0.0f);

  // Within the first second there is no frame rate yet: only the line and its shadow.
  EXPECT_EQ(frame(), 2);
  EXPECT_EQ(app_->log_meshes_drawn, 2);
  EXPECT_EQ(app_->overlay_texts_drawn, 0);

  for (int i = 0; i < 12; ++i) frame();
  const std::string stats = app_->frame_stats;
  ASSERT_NE(stats.find(" fps"), std::string::npos) << stats;
  std::uint32_t primitives = control_->primitives_drawn;
  EXPECT_EQ(frame(), 3);
  EXPECT_EQ(app_->overlay_texts_drawn, 1);
  EXPECT_EQ(control_->primitives_drawn - primitives, 2 * glyph_quads(stats) + 2 * log_faces(started));
  // The frame rate sits in the top left corner of the interface's space, in
  // its colour, and every text has its line below the previous one.
  ASSERT_EQ(app_->overlay_texts.count(), 1);
  const mesh& rate = app_->overlay_texts.text_mesh(0);
  EXPECT_EQ(rate.color, game_application::frame_stats_colour);
  for (const mesh_point& p : rate.get_points()) {
    EXPECT_GE(p.position.x, 0.0f);
    EXPECT_LE(p.position.y, 0.75f);
    EXPECT_GT(p.position.y, 0.6f);
  }

  // Debug pieces, one draw each, collected anew every frame.
  app_->debug_text = "first;;second";
  EXPECT_EQ(frame(), 5);
  EXPECT_EQ(app_->overlay_texts_drawn, 3);
  ASSERT_EQ(app_->overlay_texts.count(), 3);
  EXPECT_EQ(app_->overlay_texts.text_mesh(1).color, game_application::debug_text_colour);
  auto y_range = [](const mesh& m) {
    float low = 1e9f;
    float high = -1e9f;
    for (const mesh_point& p : m.get_points()) {
      low = std::min(low, p.position.y);
      high = std::max(high, p.position.y);
    }
    return std::pair(low, high);
  };
  EXPECT_GT(y_range(app_->overlay_texts.text_mesh(0)).first, y_range(app_->overlay_texts.text_mesh(1)).second);
  EXPECT_GT(y_range(app_->overlay_texts.text_mesh(1)).first, y_range(app_->overlay_texts.text_mesh(2)).second);
  EXPECT_TRUE(app_->debug_text.empty());
  g_ruv_config.debug_mode = 0;
  app_->debug_text = "hidden";
  EXPECT_EQ(frame(), 3);

  // A script's message line reaches the log and the screen, tags left out.
  current_script_host().ui->add_message_line("Scripted <b>line</b>", 0xFFFF0000u);
  EXPECT_EQ(std::string(app_->messages.log_history.back().view()), "Scripted <b>line</b>");
  EXPECT_EQ(frame(), 5);
  EXPECT_EQ(app_->log_meshes_drawn, 4);

  // A lost device (found at the present) comes back through a reset at the
  // next frame, and the texts with it.
  control_->lose_device();
  control_->make_resettable();
  frame();
  EXPECT_EQ(frame(), 0);
  EXPECT_EQ(frame(), 5);
  EXPECT_EQ(control_->resets, 1);

  // The start-up line fades out 10 s after it came, the script's 10 s after its own.
  int draws = 0;
  for (int i = 0; i < 90 && draws != 3; ++i) draws = frame();
  EXPECT_EQ(draws, 3);
  EXPECT_EQ(app_->log_meshes_drawn, 2);
  for (int i = 0; i < 40 && draws != 1; ++i) draws = frame();
  EXPECT_EQ(draws, 1);  // the frame rate alone
  EXPECT_EQ(app_->log_meshes_drawn, 0);

  // With show_framerate off, nothing at all.
  g_ruv_config.show_framerate = 0;
  EXPECT_EQ(frame(), 0);
  EXPECT_EQ(app_->overlay_texts_drawn, 0);

  // Closing releases every object the overlay made on the device.
  app_->frame_limit = app_->render_counter + 1;
  clock_.step = 1000;
  EXPECT_EQ(app_->run_main_loop(), 0);
  EXPECT_EQ(control_->live_resources, 0u);
  EXPECT_EQ(g_device_resources.debug_font_device.glyph_texture(), nullptr);

  // The game gone, the script engine's lines go to the stand-in again, and the
  // device resources no longer hold its font. (One game a process: the core
  // resources load once.)
  script_ui_host* ours = current_script_host().ui;
  app_.reset();
  EXPECT_NE(current_script_host().ui, ours);
  current_script_host().ui->add_message_line("dropped", 0xFFFFFFFFu);
  EXPECT_EQ(g_device_resources.debug_font, nullptr);
}

// --- the program ---

using test::opengl_context_possible;
using test::run_program;

// Headless and, where a context can be made, on OpenGL offscreen: the texts
// are made, drawn and released without a warning or a fault.
TEST(OverlayProgram, RunsWithTheFrameRateAndDebugTextsOn) {
  struct row {
    const char* env;
    const char* args;
  };
  for (const row& r : {row{"", " --headless"}, row{" SDL_VIDEODRIVER=offscreen", " --windowed"}}) {
    if (std::string(r.args) == " --windowed" && !opengl_context_possible()) continue;
    temp_home home;
    fs::create_directories(home.path() / "xdg" / "Hoofmarch");
    std::ofstream(home.path() / "xdg" / "Hoofmarch" / "ruv_config.txt")
        << "show_framerate = 1\ndebug_mode = 1\nstart_windowed = 1\n";
    const std::string env = "XDG_DATA_HOME=" + (home.path() / "xdg").string() +
                            " XDG_CONFIG_HOME=" + (home.path() / "config").string() + r.env;
    ASSERT_EQ(run_program(env, "--data " + home.data().string() + r.args + " --frames 30"), 0) << r.args;
    const std::string log = read_text(home.data() / "ruv_log.txt");
    EXPECT_EQ(log.find("WARNING"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("Saving options...\n")) << log;
  }
}

// The frame rate as a person sees it: the picture of the last frame holds the
// yellow text in the top left line while show_framerate is on, and no yellow at all
// while it is off. The vertex pools are sized before the first frame, so the
// texts never make one grow.
TEST(OverlayProgram, FrameRateTextIsInThePictureOfTheFrame) {
  if (!opengl_context_possible()) GTEST_SKIP() << "no OpenGL context offscreen";
  for (const int show : {1, 0}) {
    temp_home home;
    fs::create_directories(home.path() / "xdg" / "Hoofmarch");
    std::ofstream(home.path() / "xdg" / "Hoofmarch" / "ruv_config.txt") << "show_framerate = " << show << "\n";
    const std::string env = "XDG_DATA_HOME=" + (home.path() / "xdg").string() +
                            " XDG_CONFIG_HOME=" + (home.path() / "config").string() + " SDL_VIDEODRIVER=offscreen";
    const fs::path shot = home.path() / "frame.png";
    // The frame rate is first known after a second: 150 frames at no more than
    // 100 a second (max_framerate's default) take longer than that.
    ASSERT_EQ(run_program(env, "--data " + home.data().string() + " --windowed --frames 150 --screenshot " +
                                   shot.string()),
              0)
        << show;
    const std::optional<platform::png_picture> p = platform::read_png(shot.string());
    ASSERT_TRUE(p) << show;
    ASSERT_EQ(p->channels, 3);
    // The frame statistics are yellow (0xFFFF00) on the dark clear colour.
    auto yellow_in = [&](int x0, int y0, int x1, int y1) {
      int n = 0;
      for (int y = y0; y < std::min(y1, p->height); ++y)
        for (int x = x0; x < std::min(x1, p->width); ++x) {
          const std::uint8_t* px = &p->pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(p->width) +
                                               static_cast<std::size_t>(x)) * 3];
          n += px[0] > 150 && px[1] > 150 && px[2] < 90 ? 1 : 0;
        }
      return n;
    };
    if (show) {
      // Drawn from (2, 0): inside its 14-pixel line, and nothing lower.
      EXPECT_GT(yellow_in(0, 0, 120, 14), 20);
      EXPECT_EQ(yellow_in(0, 14, p->width, p->height), 0);
    } else {
      EXPECT_EQ(yellow_in(0, 0, p->width, p->height), 0);
    }
    const std::string log = read_text(home.data() / "ruv_log.txt");
    EXPECT_EQ(log.find("Out of"), std::string::npos) << log;
    EXPECT_NE(log.find("Screenshot written to " + shot.string()), std::string::npos) << log;
  }
}

}  // namespace
