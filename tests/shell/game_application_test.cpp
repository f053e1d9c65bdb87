// The game application's hooks over the null window and device, and the
// program itself run without a person.
#include "platform/fs.h"
#include "shell/game_application.h"
#include "ui/widget/container.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/app/input_state.h"
#include "engine/app/recorded_input.h"
#include "engine/core/log.h"
#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "engine/settings/ruv_config.h"
#include "mission/records/mission.h"
#include "mission/scripting/mission_script_host.h"
#include "module/loading/module_loading.h"
#include "module/records/mission_template.h"
#include "platform/clock.h"
#include "platform/gpu/gl_system.h"
#include "platform/gpu/null_device.h"
#include "platform/message_box.h"
#include "platform/png_file.h"
#include "platform/window.h"
#include "script/script_host.h"
#include "shell/support/shell_test_support.h"
#include "ui/menus/load_window.h"
#include "ui/windows/window_manager.h"

using namespace hm;
namespace fs = std::filesystem;
namespace gpu = hm::platform::gpu;

namespace {

using test::temp_home;

// The log of a run begins with the sample module's resource files (loaded in
// the loading window's second frame) and, once every loading step ran, ends
// with the new game.
// The data folder of the tests has no languages: the loading texts are keys.
constexpr const char* kStartLog =
    "Starting new log file.\n"
    "Loading progress 14%: ui_loading_module_info_file\n"
    "Loading progress 29%: ui_processing_ini_file\n"
    "Loading Module Resource sample_materials\n"
    "Loading Module Resource sample_meshes\n"
    "Loading Module Resource sample_bodies\n"
    "Loading Module Resource sample_skeletons\n"
    "Loading Module Resource sample_props\n"
    "Loading Module Resource sample_faces\n"
    "Loading Module Resource sample_characters\n"
    "Loading Module Resource sample_map_meshes\n";
constexpr const char* kLoadedLogEnd =
    "Loading party templates...\nLoading progress 100%: ui_loading_textures\nLoading Textures...\n"
    "Finished Loading Textures...\nLoading progress 100%: ui_finished\nFinished All...\n"
    "New game started.\nload_map_data complete.\nInit_map complete.\ninit_meta_mission complete.\n"
    "map mesh built.\nget_ideal_sun_color.\nget_ideal_fog_color.\nparties added.\n"
    "World map: 1200 faces, 8 parties placed.\nlaunch complete.\nSwitching to menu window...\n";
// Frames from the first to the one that starts the new game.
constexpr int kLoadingFrames = 8;
// Frames of the new game's start-up: seven steps, then the switch to the
// game menu.
constexpr int kLaunchFrames = 8;

using test::manual_clock;
using test::read_text;

TEST(GameApplication, RunsItsHooksOverTheNullBackends) {
  temp_home home;
  manual_clock clock;
  platform::set_clock_source(&clock);
  app_timer(app_timer_reset);
  {
    game_application app;
    EXPECT_EQ(app.caption, "Hoofmarch");
    EXPECT_TRUE(app.enumeration.uses_depth_buffer);
    EXPECT_TRUE(app.show_cursor_when_fullscreen);
    auto w = std::make_unique<platform::null_window>();
    platform::null_window* win = w.get();
    app.set_window(std::move(w));
    auto system = std::make_unique<gpu::null_system>();
    auto control = system->control();
    ASSERT_EQ(app.attach_graphics(std::move(system)), 0);
    ASSERT_EQ(app.create_window(), 0);
    ASSERT_EQ(app.initialise(), 0);
    EXPECT_EQ(win->caption(), "Hoofmarch");
    // The module loads in the frames to come.
    const std::string start_log = read_text(home.data() / "ruv_log.txt");
    EXPECT_EQ(start_log, "Starting new log file.\n");
    EXPECT_FALSE(app.module_loaded);
    // One loading window: the table's, which loads the module itself.
    auto* loader = dynamic_cast<load_window*>(g_window_manager.window(window_id::load));
    ASSERT_NE(loader, nullptr);
    EXPECT_EQ(loader->step, 0);
    EXPECT_NE(control->last_params.auto_depth_stencil_format, gpu::format::unknown);

    // A frame that took 0.35 s moves the real-time clock by 0.1 s exactly.
    const std::int64_t ticks = clock_ticks(clock_real_time);
    app_timer(app_timer_elapsed);
    clock.now += 350'000;
    ASSERT_EQ(app.render_3d_environment(), 0);
    EXPECT_EQ(clock_ticks(clock_real_time) - ticks, 10000);
    EXPECT_EQ(app.frame_counter, 1u);
    EXPECT_EQ(app.render_counter, 1u);
    // The frame is cleared to the clear colour; the interface's view clears
    // the depth alone after it.
    std::vector<std::uint32_t> corner;
    ASSERT_EQ(app.device->read_back_buffer(0, 0, 1, 1, corner), gpu::result::ok);
    ASSERT_EQ(corner.size(), 1u);
    EXPECT_EQ(corner[0], game_application::clear_color);
    EXPECT_EQ(control->last_clear_flags & gpu::clear_target, 0u);
    EXPECT_EQ(control->last_clear_z, 1.0f);
    EXPECT_EQ(control->presents, 1);

    // Keys and characters from the window reach the game's tables.
    platform::window_event key;
    key.kind = platform::window_event_kind::key_down;
    key.scancode = 4;  // the A key
    win->push_event(key);
    platform::window_event text;
    text.kind = platform::window_event_kind::text;
    text.character = 'a';
    win->push_event(text);
    app.pump_one_event(false);
    app.pump_one_event(false);
    EXPECT_EQ(app.key_down_table[0x1E], 1);
    EXPECT_EQ(app.pending_char, 'a');
    clock.now += 20'000;
    ASSERT_EQ(app.render_3d_environment(), 0);
    EXPECT_EQ(app.typed_char, 'a');  // the frame takes the character once
    EXPECT_EQ(app.pending_char, -1);
    EXPECT_EQ(g_ui_manager.typed_character, 'a');
    // Backspace and Enter come as keys alone; they are typed as 8 and 13.
    for (const auto& [scancode, character] : {std::pair{42, 8}, std::pair{40, 13}}) {
      platform::window_event k;
      k.kind = platform::window_event_kind::key_down;
      k.scancode = scancode;
      win->push_event(k);
      app.pump_one_event(false);
      EXPECT_EQ(app.pending_char, character);
    }

    // The pointer over the window is the UI manager's mouse.
    int width = 0, height = 0;
    win->client_size(width, height);
    win->set_pointer(width / 4, height / 2);
    clock.now += 20'000;
    ASSERT_EQ(app.render_3d_environment(), 0);
    EXPECT_NEAR(g_ui_manager.mouse_position.x, 0.25f, 0.01f);
    EXPECT_NEAR(g_ui_manager.mouse_position.y, 0.375f, 0.01f);

    // More frames: the module loads behind the loading window, the main menu
    // comes up, and the new game reaches its first menu.
    EXPECT_EQ(g_window_manager.top_id(), window_id::load);
    app.skip_main_menu = true;
    auto frame = [&] {
      clock.now += 20'000;
      ASSERT_EQ(app.render_3d_environment(), 0);
    };
    while (!app.module_loaded) frame();
    EXPECT_EQ(module_load_progress(loader->step), 1.0f);
    EXPECT_EQ(g_window_manager.top_id(), window_id::main_menu);
    EXPECT_EQ(app.render_counter, static_cast<std::uint32_t>(kLoadingFrames));
    // The main menu's new game opens the launch window in new-game mode,
    // whose frame runs the first step. The launch window shows the launch's
    // progress and one of the module's hints (this data folder has no
    // languages, and the engine's own texts are not in it: "ui_hint" is not
    // found).
    frame();
    EXPECT_EQ(g_window_manager.top_id(), window_id::launch);
    EXPECT_EQ(g_window_manager.window(window_id::launch)->mode, 0);
    ASSERT_NE(app.launch().root, nullptr);
    EXPECT_EQ(g_ui_manager.top_root(), static_cast<widget*>(app.launch().root));
    EXPECT_NE(app.launch().root->get_mesh(slot_background), nullptr);
    EXPECT_EQ(std::string(app.launch().status_label->text.view()), "STR NOT FOUND: ui_creating_game");
    const std::string hint(app.launch().hint_label->text.view());
    EXPECT_TRUE(hint.starts_with("STR NOT FOUND: ui_hint #")) << hint;
    EXPECT_EQ(hint.find("STR NOT FOUND: hint_"), std::string::npos) << hint;
    for (int i = 1; i < kLaunchFrames; ++i) frame();
    EXPECT_FALSE(app.launching);
    ASSERT_TRUE(app.game_started);
    ASSERT_NE(current_mission, nullptr);
    // The game menu, which returns to the character window for the new
    // character; the game menu's request waits in the meta mission.
    EXPECT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::game_menu});
    EXPECT_EQ(g_window_manager.window(window_id::game_menu)->return_window, window_id::character);
    EXPECT_EQ(g_window_manager.window(window_id::character)->state_word, 0);
    EXPECT_EQ(g_meta_mission.request_mask, 0x400u);
    ASSERT_FALSE(g_mission_templates.empty());

    // A menu option asks for a mission: its template and values wait in the
    // game's jump values.
    dispatcher_game_words& words = app.state_hosts->words;
    words.jump_template = 0;
    words.jump_scene = 0;
    words.jump_entry = 2;
    words.no_autosave = 0;
    g_meta_mission.request_mask |= 0x8;
    g_window_manager.dispatch_meta_mission_requests();
    EXPECT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::mission_screen});
    EXPECT_EQ(g_window_manager.window(window_id::mission_screen)->return_window, 100);
    EXPECT_EQ(g_meta_mission.request_mask, 0x400u);
    EXPECT_EQ(current_mission->template_index, 0);
    EXPECT_EQ(current_mission->scene_index, 0);
    EXPECT_EQ(current_mission->player_entry_point, 2);
    EXPECT_EQ(current_mission->mission_sequence, 0);
    EXPECT_EQ(g_meta_mission.mission_sequence, 1);
    EXPECT_EQ(words.jump_template, 0);
    EXPECT_EQ(words.jump_scene, -1);
    // The mission is set up, and module code sees it while it runs.
    EXPECT_TRUE(app.state_hosts->mission_running());
    EXPECT_EQ(current_script_host().mission, &app.state_hosts->mission_scope()->host());
    // The mission's teams: allies of themselves, team 7 neutral.
    EXPECT_EQ(current_mission->team_relation(2, 2), 1);
    EXPECT_EQ(current_mission->team_relation(2, 3), -1);
    EXPECT_EQ(current_mission->teams[7].relations[7], 0);

    // The mission ends in the same frame: the debrief waits for the next
    // frame, and opens over the mission screen.
    g_meta_mission.request_mask |= 0x10;
    g_window_manager.dispatch_meta_mission_requests();
    EXPECT_TRUE(app.dispatch_waiting());
    EXPECT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::mission_screen});
    frame();
    EXPECT_FALSE(app.dispatch_waiting());
    EXPECT_EQ(g_window_manager.stack, (std::deque<std::int32_t>{window_id::mission_screen, window_id::debrief}));
    EXPECT_EQ(g_window_manager.window(window_id::debrief)->return_window, 100);
    EXPECT_TRUE(app.state_hosts->mission_running());

    // The debrief is done; the battle's result finishes the encounter and
    // the game goes back to the map, where module code no longer sees the
    // mission.
    frame();
    words.menu_result = 0x1;
    g_window_manager.dispatch_meta_mission_requests();
    EXPECT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::world_map});
    EXPECT_EQ(g_meta_mission.apply_pending, 0);
    EXPECT_EQ(g_meta_mission.request_mask, 0x400u);
    EXPECT_FALSE(app.state_hosts->mission_running());

    // A window id outside the table is refused.
    EXPECT_FALSE(app.state_hosts->set_window(30));
    EXPECT_FALSE(app.state_hosts->push_window(-1));
    EXPECT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::world_map});

    // One more frame, and the window closes by itself.
    app.frame_limit = app.render_counter + 1;
    clock.step = 1000;
    EXPECT_EQ(app.run_main_loop(), 0);
    // The game and the mission are gone with the clean-up.
    EXPECT_FALSE(app.game_started);
    EXPECT_EQ(current_mission, nullptr);
    EXPECT_EQ(app.typed_char, -1);
    EXPECT_FALSE(win->exists());
  }
  platform::set_clock_source(nullptr);
  const std::string log = read_text(home.data() / "ruv_log.txt");
  EXPECT_EQ(log.rfind(kStartLog, 0), 0u) << log;
  EXPECT_EQ(log.find("WARNING"), std::string::npos) << log;
  // The new game's first menu, then the battle's set-up, the refused windows
  // and the clean-up, in that order.
  const std::size_t menu = log.find(kLoadedLogEnd);
  ASSERT_NE(menu, std::string::npos) << log;
  const std::size_t setup = log.find("begin_setup", menu);
  EXPECT_NE(setup, std::string::npos) << log;
  EXPECT_NE(log.find("end_setup", setup), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with("Refused to open window 30.\nRefused to open window -1.\nSaving options...\n")) << log;
  EXPECT_EQ(fs::file_size(home.options_file()), static_cast<std::uintmax_t>(options_file_size));
}

// --- the program ---

using test::opengl_context_possible;
using test::run_program;
using test::run_program_keeping_stderr;

class Program : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(HOOFMARCH_BINARY_DIR "/app/hoofmarch")) GTEST_FAIL() << "the game is not built";
  }
  std::string env() const {
    return "XDG_DATA_HOME=" + (home.path() / "xdg").string() + " XDG_CONFIG_HOME=" + (home.path() / "config").string();
  }
  std::string data_arg() const { return "--data " + home.data().string(); }
  temp_home home;
};

TEST_F(Program, HeadlessRunLoadsTheModuleAndLeavesLogAndOptions) {
  // The first run finds no options.dat, read before the log opens: the line
  // that says so is in the log all the same.
  ASSERT_EQ(run_program(env(), data_arg() + " --headless --frames 10"), 0);
  std::string log = read_text(home.data() / "ruv_log.txt");
  const std::string no_options = "Starting new log file.\nUnable to find options.dat. Loading defaults\n";
  EXPECT_EQ(log.rfind(no_options, 0), 0u) << log;
  // The second run reads the options the first saved.
  // Enough frames for the module to load, the main menu to show for one, and
  // the new game to reach its menu.
  ASSERT_EQ(run_program(env(), data_arg() + " --headless --frames 17"), 0);
  log = read_text(home.data() / "ruv_log.txt");
  EXPECT_EQ(log.rfind(kStartLog, 0), 0u) << log;
  EXPECT_EQ(log.find("WARNING"), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with(std::string(kLoadedLogEnd) + "Saving options...\n")) << log;
  EXPECT_EQ(fs::file_size(home.options_file()), static_cast<std::uintmax_t>(options_file_size));
}

TEST_F(Program, OffscreenOpenGLRunOfThreeFrames) {
  if (!opengl_context_possible()) GTEST_SKIP() << "no OpenGL context offscreen";
  ASSERT_EQ(run_program(env() + " SDL_VIDEODRIVER=offscreen", data_arg() + " --windowed --frames 3"), 0);
  // A machine without a sound card adds a line about the audio device.
  const std::string log = read_text(home.data() / "ruv_log.txt");
  EXPECT_EQ(log.rfind("Starting new log file.\n", 0), 0u) << log;
  EXPECT_NE(log.find("Loading Module Resource sample_skeletons\n"), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with("Saving options...\n")) << log;
  EXPECT_TRUE(fs::exists(home.options_file()));
}

// Without a sound card the sound libraries explain at length why no device
// opens. The terminal stays quiet; their lines are in the log, before the
// game's own line that it goes on without sound.
TEST_F(Program, SoundLibrariesReportToTheLogNotTheTerminal) {
  if (!opengl_context_possible()) GTEST_SKIP() << "no OpenGL context offscreen";
  struct sound_case {
    const char* what;
    std::string env;
    bool sound;
  };
  const sound_case cases[] = {
      // An ALSA configuration that cannot be read fails on every machine.
      {"ALSA fails", "-u ALSOFT_LOGFILE ALSOFT_DRIVERS=alsa ALSA_CONFIG_PATH=/nonexistent", false},
      {"default drivers", "-u ALSOFT_LOGFILE -u ALSOFT_DRIVERS -u SDL_AUDIODRIVER", true},
      {"null driver", "-u ALSOFT_LOGFILE ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy", true},
  };
  for (const sound_case& c : cases) {
    std::string err;
    ASSERT_EQ(run_program_keeping_stderr(c.env + " " + env() + " SDL_VIDEODRIVER=offscreen",
                                         data_arg() + " --windowed --frames 2", err),
              0)
        << c.what;
    EXPECT_EQ(err, "") << c.what;
    const std::string log = read_text(home.data() / "ruv_log.txt");
    const std::size_t no_sound = log.find("Unable to open an audio device");
    if (c.sound) continue;  // the default drivers may find a card
    ASSERT_NE(no_sound, std::string::npos) << c.what << "\n" << log;
    const std::size_t library = std::min(log.find("ALSA lib "), log.find("AL lib: "));
    EXPECT_LT(library, no_sound) << c.what << "\n" << log;
  }
}

// Each refused command line says why, and where the arguments are listed.
TEST_F(Program, BadCommandLinesAreRefusedWithTheReason) {
  const fs::path bad_input = home.path() / "bad_input.txt";
  std::ofstream(bad_input) << "# keys\n5 key 17 down\n2 key 17 up\n";
  struct row {
    std::string args;
    const char* says;
    bool points_to_help = true;
  };
  const row rows[] = {
      {data_arg() + " --frames 0", "--frames needs a number from 1 to 100000000, not \"0\""},
      {data_arg() + " --frames x3", "--frames needs a number from 1 to 100000000, not \"x3\""},
      {data_arg() + " --frames", "--frames needs a number from 1 to 100000000\n"},
      {data_arg() + " --frames --headless", "--frames needs a number"},
      {data_arg() + " --fly", "unknown argument \"--fly\""},
      {data_arg() + " --module ../Sample", "\"../Sample\" is not a module name"},
      {data_arg() + " --module", "--module needs a module name"},
      {"--data", "--data needs a folder"},
      {data_arg() + " --screenshot", "--screenshot needs a file name"},
      {data_arg() + " --headless --screenshot x.png", "--screenshot needs --frames N"},
      {data_arg() + " --headless --battle-frame 0 --screenshot x.png",
       "--battle-frame needs a number from 1 to 100000000, not \"0\""},
      {data_arg() + " --headless --battle-frame 5", "--battle-frame needs --screenshot <file>"},
      {data_arg() + " --headless --pilot --input " + bad_input.string(), "--pilot and --input both play the game"},
      {"--data " + (home.path() / "missing").string() + " --headless --frames 1", "cannot enter the data folder",
       false},
      {data_arg() + " --seed -1", "--seed needs a number from 0 to 4294967295, not \"-1\""},
      {data_arg() + " --seed 4294967296", "--seed needs a number from 0 to 4294967295, not \"4294967296\""},
      {data_arg() + " --seed 12x", "--seed needs a number from 0 to 4294967295, not \"12x\""},
      {data_arg() + " --seed", "--seed needs a number from 0 to 4294967295\n"},
      {data_arg() + " --input keys.txt", "--input needs --headless"},
      {data_arg() + " --headless --input", "--input needs a recorded input file"},
      {data_arg() + " --headless --input " + (home.path() / "none.txt").string(), "cannot read the input file",
       false},
      {data_arg() + " --headless --input " + bad_input.string(), "bad_input.txt, line 3: the events must come in frame order",
       false},
  };
  for (const row& r : rows) {
    std::string err;
    EXPECT_EQ(test::run_program_keeping_stderr(env(), r.args, err), 2) << r.args;
    EXPECT_NE(err.find(r.says), std::string::npos) << r.args << "\n" << err;
    EXPECT_EQ(err.find("hoofmarch --help lists the arguments") != std::string::npos, r.points_to_help)
        << r.args << "\n" << err;
  }
  EXPECT_FALSE(fs::exists(home.data() / "ruv_log.txt"));
}

TEST_F(Program, HeadlessRunsWithTheSameSeedAndInputWriteTheSameLog) {
  // Keys held and let go, the mouse moved and clicked, over the start-up and
  // into the game.
  const fs::path input = home.path() / "keys.txt";
  std::ofstream(input) << "# forward, a swing, a look around\n2 key 17 down\n20 button 0 down\n21 button 0 up\n"
                          "25 move 40 -12\n30 wheel 1\n40 key 17 up\n";
  const std::string args = data_arg() + " --headless --frames 60 --seed 4242 --input " + input.string();
  // A first run writes options.dat, which the two runs compared then read.
  ASSERT_EQ(run_program(env(), args), 0);
  ASSERT_EQ(run_program(env(), args), 0);
  const std::string first = read_text(home.data() / "ruv_log.txt");
  // The second run has a frame-rate cap, which a run without a window does
  // not wait for and which changes nothing of what it plays.
  const fs::path config = home.path() / "xdg" / "Hoofmarch" / "ruv_config.txt";
  fs::create_directories(config.parent_path());
  std::ofstream(config) << "max_framerate = 7\n";
  ASSERT_EQ(run_program(env(), args), 0);
  const std::string second = read_text(home.data() / "ruv_log.txt");
  EXPECT_NE(first.find("Switching to menu window...\n"), std::string::npos) << first;
  EXPECT_EQ(first, second);
}

TEST_F(Program, CtrlTOpensTheTerrainGeneratorOnlyInTheDevelopersMode) {
  // Ctrl+T over the new game's first menu, then Tab back to it.
  const fs::path input = home.path() / "keys.txt";
  std::ofstream(input) << "20 key 29 down\n21 key 20 down\n22 key 20 up\n22 key 29 up\n26 key 15 down\n27 key 15 up\n";
  const std::string args = data_arg() + " --headless --frames 30 --seed 5 --input " + input.string();
  const std::string opened = "Terrain generator opened over window 23.\n";
  ASSERT_EQ(run_program(env(), args), 0);
  EXPECT_EQ(read_text(home.data() / "ruv_log.txt").find(opened), std::string::npos);
  const fs::path config = home.path() / "xdg" / "Hoofmarch" / "ruv_config.txt";
  fs::create_directories(config.parent_path());
  std::ofstream(config) << "enable_edit_mode = 1\n";
  ASSERT_EQ(run_program(env(), args), 0);
  const std::string log = read_text(home.data() / "ruv_log.txt");
  EXPECT_NE(log.find(opened), std::string::npos) << log;
}

TEST_F(Program, HeadlessRunWithoutInputPlaysTheFirstBattleToItsResultTheSameEachTime) {
  // No recorded keys: the run takes the first menu's battle option, the
  // battle is fought to its end, the debrief is done and the result menu
  // ends the run.
  const std::string args = data_arg() + " --headless --seed 3";
  ASSERT_EQ(run_program(env(), args), 0);
  std::string err;
  ASSERT_EQ(run_program_keeping_stderr(env(), args, err), 0);
  EXPECT_EQ(err, "");
  const std::string first = read_text(home.data() / "ruv_log.txt");
  ASSERT_EQ(run_program(env(), args), 0);
  const std::string second = read_text(home.data() / "ruv_log.txt");
  EXPECT_EQ(first, second);
  const std::size_t menu = first.find("Switching to menu window...\n");
  const std::size_t option = first.find("Taking the game menu's option ", menu);
  const std::size_t setup = first.find("begin_setup\n", option);
  const std::size_t over = first.find("Mission over: team 0: ", setup);
  const std::size_t result = first.find("Game menu 2: The battle is over.", over);
  EXPECT_NE(menu, std::string::npos) << first;
  EXPECT_NE(option, std::string::npos) << first;
  EXPECT_NE(setup, std::string::npos) << first;
  EXPECT_NE(over, std::string::npos) << first;
  EXPECT_NE(result, std::string::npos) << first;
  EXPECT_EQ(first.find("SCRIPT ERROR"), std::string::npos) << first;
  EXPECT_EQ(first.find("WARNING"), std::string::npos) << first;
  EXPECT_TRUE(first.ends_with("Saving options...\n")) << first;

  // The result menu reads the parties after the battle's results were
  // applied: each side's men lost and wounded are the mission's killed and
  // knocked out, and the player's party of five (the player and four men of
  // the new game) keeps the rest standing.
  ASSERT_NE(over, std::string::npos);
  ASSERT_NE(result, std::string::npos);
  int standing[2] = {}, wounded[2] = {}, killed[2] = {}, fled[2] = {};
  ASSERT_EQ(std::sscanf(first.c_str() + over,
                        "Mission over: team 0: %d standing, %d wounded, %d killed, %d fled; team 1: %d standing, "
                        "%d wounded, %d killed, %d fled",
                        &standing[0], &wounded[0], &killed[0], &fled[0], &standing[1], &wounded[1], &killed[1],
                        &fled[1]),
            8)
      << first.substr(over);
  EXPECT_EQ(standing[0] + wounded[0] + killed[0] + fled[0], 5) << first.substr(over);
  EXPECT_EQ(standing[1] + wounded[1] + killed[1] + fled[1], 5) << first.substr(over);
  // The battle is fought until one side has nobody standing on the field,
  // not to a time limit. Men who fled stay in their parties.
  EXPECT_TRUE(standing[0] == 0 || standing[1] == 0) << first.substr(over);
  const std::string expected_menu = "Game menu 2: The battle is over. Your men: " + std::to_string(killed[0]) +
                                    " lost, " + std::to_string(wounded[0]) + " wounded, " +
                                    std::to_string(5 - killed[0] - wounded[0]) + " still standing. The enemy: " +
                                    std::to_string(killed[1]) + " lost, " + std::to_string(wounded[1]) + " wounded.\n";
  EXPECT_EQ(first.substr(result, expected_menu.size()), expected_menu);
}

TEST_F(Program, HelpListsEveryArgument) {
  for (const char* flag : {"--help", "-h"}) {
    std::string out;
    EXPECT_EQ(test::run_program_keeping_output(env(), flag, out), 0);
    for (const char* argument : {"--data <dir>", "--generated <dir>", "--module <name>", "--headless", "--windowed",
                                 "--frames N", "--screenshot <file>", "--seed N", "--input <file>", "--help",
                                 "--pilot", "--battle-frame N",
                                 "ruv_config.txt"})
      EXPECT_NE(out.find(argument), std::string::npos) << flag << " lacks " << argument << "\n" << out;
  }
  EXPECT_FALSE(fs::exists(home.data() / "ruv_log.txt"));
}

// Settings that cannot be saved and a log that cannot be written are told in
// the log (where there is one) and as a warning, and the run still ends well.
TEST_F(Program, UnwritableSettingsFolderAndLogAreReported) {
  // A file where the settings folder should be.
  fs::create_directories(home.path() / "xdg");
  std::ofstream(home.path() / "xdg" / "Hoofmarch") << "not a folder";
  std::string err;
  ASSERT_EQ(test::run_program_keeping_stderr(env(), data_arg() + " --headless --frames 2", err), 0) << err;
  const std::string options_path = (home.path() / "xdg" / "Hoofmarch" / "options.dat").string();
  EXPECT_NE(err.find("[RUV WARNING] Unable to save options to " + options_path), std::string::npos) << err;
  const std::string log = read_text(home.data() / "ruv_log.txt");
  EXPECT_TRUE(log.ends_with("Saving options...\nUnable to save options to " + options_path + "\n")) << log;

  // A folder where the log file should be.
  fs::remove(home.path() / "xdg" / "Hoofmarch");
  fs::remove(home.data() / "ruv_log.txt");
  fs::create_directories(home.data() / "ruv_log.txt");
  ASSERT_EQ(test::run_program_keeping_stderr(env(), data_arg() + " --headless --frames 2", err), 0) << err;
  EXPECT_NE(err.find("[RUV WARNING] Unable to write the log file " + (home.data() / "ruv_log.txt").string()),
            std::string::npos)
      << err;
  EXPECT_TRUE(fs::exists(home.options_file()));
}

// The picture of the last frame: written where asked, or the run fails and
// says so.
TEST_F(Program, ScreenshotOfTheLastFrame) {
  const fs::path shot = home.path() / "shot.png";
  std::string err;
  ASSERT_EQ(test::run_program_keeping_stderr(env(), data_arg() + " --headless --frames 2 --screenshot " + shot.string(),
                                             err),
            0)
      << err;
  const std::optional<platform::png_picture> p = platform::read_png(shot.string());
  ASSERT_TRUE(p);
  EXPECT_GT(p->width, 0);
  EXPECT_NE(read_text(home.data() / "ruv_log.txt").find("Screenshot written to " + shot.string() + "\n"),
            std::string::npos);

  const fs::path nowhere = home.path() / "no_such_folder" / "shot.png";
  EXPECT_EQ(test::run_program_keeping_stderr(env(), data_arg() + " --headless --frames 2 --screenshot " +
                                                         nowhere.string(),
                                             err),
            1);
  EXPECT_NE(err.find("could not write the screenshot " + nowhere.string()), std::string::npos) << err;
}

// The picture of a battle frame: the run plays into the battle by itself and
// ends with the picture, before the battle's end.
TEST_F(Program, ScreenshotOfABattleFrame) {
  const fs::path shot = home.path() / "battle.png";
  std::string err;
  ASSERT_EQ(test::run_program_keeping_stderr(
                env(), data_arg() + " --headless --seed 7 --battle-frame 10 --screenshot " + shot.string(), err),
            0)
      << err;
  EXPECT_EQ(err, "");
  EXPECT_TRUE(platform::read_png(shot.string()));
  const std::string log = read_text(home.data() / "ruv_log.txt");
  const std::size_t setup = log.find("end_setup\n");
  ASSERT_NE(setup, std::string::npos) << log;
  EXPECT_NE(log.find("Screenshot written to " + shot.string() + "\n", setup), std::string::npos) << log;
  EXPECT_EQ(log.find("Mission over"), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with("Saving options...\n")) << log;
}

// SIGTERM (or Ctrl+C) in the middle of a battle without a window ends the run
// through its clean-up, as closing the window does: exit status 0, nothing on
// standard error, the options saved.
TEST_F(Program, ATermSignalInTheMiddleOfABattleEndsTheRunCleanly) {
  const std::string log_file = (home.data() / "ruv_log.txt").string();
  // The game runs in the background until its log says the battle is set up.
  const std::string redirect = ">/dev/null 2>@ & pid=$!; i=0; until grep -q '^end_setup' " + log_file +
                               " 2>/dev/null || [ $i -ge 1200 ]; do sleep 0.01; i=$((i+1)); done; "
                               "kill -TERM $pid; wait $pid";
  std::string err;
  EXPECT_EQ(test::run_program_capturing(env(), data_arg() + " --headless --seed 7", redirect, err), 0);
  EXPECT_EQ(err, "");
  const std::string log = read_text(home.data() / "ruv_log.txt");
  EXPECT_NE(log.find("end_setup\n"), std::string::npos) << log;
  // Stopped before the battle's end.
  EXPECT_EQ(log.find("Mission over"), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with("Saving options...\n")) << log;
  EXPECT_TRUE(fs::exists(home.options_file()));
}

// A start from an empty data folder says the folder is not a data folder.
TEST_F(Program, EmptyDataFolderNamesTheFileItLacks) {
  std::string out;
  const fs::path empty = home.path() / "empty";
  fs::create_directories(empty);
  EXPECT_NE(test::run_program_keeping_output(env(), "--data " + empty.string() + " --headless --frames 1", out), 0);
  EXPECT_NE(out.find("no Data/font_data.xml in \"" + empty.string() + "\": is this a Hoofmarch data folder?"),
            std::string::npos)
      << out;
}

// The module comes from the command line, else from the last one played while
// its folder exists; a missing module ends the start-up with a fatal error
// (module.ini is read in the second frame).
TEST_F(Program, ModuleChoice) {
  fs::create_directories(home.data() / "Modules" / "Empty");
  // The message lists the modules there are (a folder without module.ini is none).
  std::string out;
  EXPECT_NE(test::run_program_keeping_output(env(), data_arg() + " --headless --frames 1 --module Gone", out), 0);
  EXPECT_NE(read_text(home.data() / "ruv_log.txt")
                .find("ERROR: Unable to find module folder Modules\\Gone\\ (modules: Sample)"),
            std::string::npos);
  // On the terminal the paths read with this system's separators, once.
  EXPECT_NE(out.find("Unable to find module folder Modules/Gone/ (modules: Sample)"), std::string::npos) << out;
  EXPECT_NE(run_program(env(), data_arg() + " --headless --frames 2 --module Empty"), 0);
  EXPECT_NE(read_text(home.data() / "ruv_log.txt").find("ERROR: Unable to find module info file"), std::string::npos);

  fs::create_directories(home.path() / "config" / "Hoofmarch");
  std::ofstream(home.path() / "config" / "Hoofmarch" / "settings.txt") << "last_module = Empty\n";
  EXPECT_NE(run_program(env(), data_arg() + " --headless --frames 2"), 0);
  EXPECT_NE(read_text(home.data() / "ruv_log.txt").find("ERROR: Unable to find module info file"), std::string::npos);
  EXPECT_EQ(run_program(env(), data_arg() + " --headless --frames 1 --module Sample"), 0);
  std::ofstream(home.path() / "config" / "Hoofmarch" / "settings.txt") << "last_module = Gone\n";
  EXPECT_EQ(run_program(env(), data_arg() + " --headless --frames 1"), 0);
}

}  // namespace
