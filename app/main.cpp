// Program start: reads the settings, hands the window and the graphics system
// to the game application and runs its message loop. The arguments are those
// `usage` prints (hoofmarch --help).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "editor/scene_editor.h"
#include "engine/settings/game_options.h"
#include "engine/app/input_state.h"
#include "engine/app/recorded_input.h"
#include "engine/settings/ruv_config.h"
#include "engine/audio/sound_manager.h"
#include "mission/physics/physics_worker.h"
#include "module/loading/module_start.h"
#include "platform/dialog.h"
#include "platform/fs.h"
#include "platform/gpu/gl_system.h"
#include "platform/gpu/null_device.h"
#include "platform/input/input_sdl.h"
#include "platform/quit_signal.h"
#include "platform/window.h"
#include "shell/game_application.h"
#include "shell/global_objects.h"
#include "shell/launcher/launcher_dialog.h"
#include "shell/windows/video_options_host.h"
#include "module/text/translation_table.h"

namespace {

bool read_whole_file(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return false;
  out = text.str();
  return true;
}

struct options {
  std::string data_dir = HOOFMARCH_DEFAULT_DATA_DIR;
  std::string generated_dir = HOOFMARCH_DEFAULT_GENERATED_DIR;
  std::optional<std::string> module_name;
  std::optional<std::string> screenshot;
  std::optional<std::string> input;
  std::optional<std::uint32_t> seed;
  bool headless = false;
  bool windowed = false;
  bool pilot = false;
  bool no_launcher = false;
  bool help = false;
  long frames = 0;
  long battle_frame = 0;
};

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: hoofmarch [--data <dir>] [--generated <dir>] [--module <name>] [--headless] [--windowed]\n"
               "                 [--pilot] [--frames N] [--battle-frame N] [--screenshot <file.png>] [--seed N]\n"
               "                 [--input <file>] [--no-launcher] [--help]\n"
               "\n"
               "  --data <dir>        the data folder the game runs from (default: %s)\n"
               "  --generated <dir>   the files the build makes from the data sources, looked up\n"
               "                      behind the data folder (default: %s)\n"
               "  --module <name>     the module to play, a folder of <data>/Modules/ (default: the\n"
               "                      last_module of ~/.config/Hoofmarch/settings.txt while that\n"
               "                      module is there, else Sample)\n"
               "  --headless          no window, graphics or sound: no display needed; every frame\n"
               "                      moves the game by 1/60 s, and a new game starts at once\n"
               "  --windowed          start in a window whatever ruv_config.txt says\n"
               "  --pilot             play by itself as --headless does without --input: a new game,\n"
               "                      the first battle of its menu, the debrief, the result menu\n"
               "  --frames N          close the window after N drawn frames (1 to 100000000)\n"
               "  --battle-frame N    with --screenshot: the picture is of the N-th frame of the battle\n"
               "                      (1 to 100000000), and the window closes after it\n"
               "  --screenshot <file> write the last frame of --frames N (or the frame of --battle-frame N)\n"
               "                      as a PNG picture\n"
               "  --seed N            seed the random source (0 to 4294967295): two runs with the\n"
               "                      same seed and input play the same (default: from the clock)\n"
               "  --input <file>      with --headless: replay the keys and mouse of a recorded input\n"
               "                      file (lines \"<frame> key <code> down|up\", \"<frame> button <n>\n"
               "                      down|up\", \"<frame> move <dx> <dy>\", \"<frame> wheel <n>\")\n"
               "  --no-launcher       start the game at once: with a display the launcher (the module\n"
               "                      to play, its settings, the version check) opens first otherwise;\n"
               "                      runs with --headless, --pilot or --module never show it\n"
               "  --help              print this and stop\n"
               "\n"
               "Settings: ruv_config.txt, options.dat and controls.dat in $XDG_DATA_HOME/Hoofmarch/\n"
               "(default ~/.local/share/Hoofmarch/); the log: ruv_log.txt in the data folder.\n",
               HOOFMARCH_DEFAULT_DATA_DIR, HOOFMARCH_DEFAULT_GENERATED_DIR);
}

// False, with the reason on standard error, for an argument the game cannot use.
bool parse(int argc, char** argv, options& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    // The value after an option that takes one; null (and the reason printed)
    // when the command line ends or another option follows.
    auto value = [&](const char* what) -> const char* {
      if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) return argv[++i];
      std::fprintf(stderr, "hoofmarch: %s needs %s\n", arg.c_str(), what);
      return nullptr;
    };
    if (arg == "--help" || arg == "-h") {
      out.help = true;
    } else if (arg == "--headless") {
      out.headless = true;
    } else if (arg == "--windowed") {
      out.windowed = true;
    } else if (arg == "--pilot") {
      out.pilot = true;
    } else if (arg == "--no-launcher") {
      out.no_launcher = true;
    } else if (arg == "--data" || arg == "--generated") {
      const char* dir = value("a folder");
      if (!dir) return false;
      (arg == "--data" ? out.data_dir : out.generated_dir) = dir;
    } else if (arg == "--module") {
      const char* name = value("a module name (a folder of <data>/Modules/)");
      if (!name) return false;
      out.module_name = name;
      if (!hm::is_module_name(*out.module_name)) {
        std::fprintf(stderr, "hoofmarch: \"%s\" is not a module name: give the folder's name alone\n",
                     out.module_name->c_str());
        return false;
      }
    } else if (arg == "--screenshot") {
      const char* file = value("a file name (a .png picture)");
      if (!file) return false;
      out.screenshot = file;
    } else if (arg == "--input") {
      const char* file = value("a recorded input file");
      if (!file) return false;
      out.input = file;
    } else if (arg == "--seed") {
      const char* number = value("a number from 0 to 4294967295");
      if (!number) return false;
      char* end = nullptr;
      errno = 0;
      const unsigned long long v = std::strtoull(number, &end, 10);
      if (errno != 0 || !end || *end != 0 || *number == '-' || *number == 0 || v > 4294967295ull) {
        std::fprintf(stderr, "hoofmarch: --seed needs a number from 0 to 4294967295, not \"%s\"\n", number);
        return false;
      }
      out.seed = static_cast<std::uint32_t>(v);
    } else if (arg == "--frames" || arg == "--battle-frame") {
      const char* number = value("a number from 1 to 100000000");
      if (!number) return false;
      char* end = nullptr;
      errno = 0;
      long& count = arg == "--frames" ? out.frames : out.battle_frame;
      count = std::strtol(number, &end, 10);
      if (errno != 0 || !end || *end != 0 || count < 1 || count > 100000000) {
        std::fprintf(stderr, "hoofmarch: %s needs a number from 1 to 100000000, not \"%s\"\n", arg.c_str(), number);
        return false;
      }
    } else {
      std::fprintf(stderr, "hoofmarch: unknown argument \"%s\"\n", arg.c_str());
      return false;
    }
  }
  if (out.input && !out.headless) {
    std::fprintf(stderr, "hoofmarch: --input needs --headless (a run with a window takes its own keys)\n");
    return false;
  }
  if (out.screenshot && out.frames == 0 && out.battle_frame == 0) {
    std::fprintf(stderr,
                 "hoofmarch: --screenshot needs --frames N (the picture is of the last frame) or --battle-frame N\n");
    return false;
  }
  if (out.battle_frame != 0 && !out.screenshot) {
    std::fprintf(stderr, "hoofmarch: --battle-frame needs --screenshot <file> (it names the picture's frame)\n");
    return false;
  }
  if (out.pilot && out.input) {
    std::fprintf(stderr, "hoofmarch: --pilot and --input both play the game: give one\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  options opts;
  if (!parse(argc, argv, opts)) {
    std::fprintf(stderr, "(hoofmarch --help lists the arguments)\n");
    return 2;
  }
  if (opts.help) {
    usage(stdout);
    return 0;
  }
  // The recorded input is read before anything starts, so that a broken file
  // stops the run with its fault.
  std::unique_ptr<hm::recorded_input> recorded;
  if (opts.input) {
    std::string text;
    if (!read_whole_file(*opts.input, text)) {
      std::fprintf(stderr, "hoofmarch: cannot read the input file \"%s\"\n", opts.input->c_str());
      return 2;
    }
    std::vector<hm::recorded_input_event> events;
    hm::recorded_input_error error;
    if (!hm::parse_recorded_input(text, events, error)) {
      std::fprintf(stderr, "hoofmarch: %s, line %d: %s\n", opts.input->c_str(), error.line, error.message.c_str());
      return 2;
    }
    recorded = std::make_unique<hm::recorded_input>(std::move(events));
  }
  std::error_code ec;
  const std::filesystem::path generated = std::filesystem::absolute(opts.generated_dir, ec);
  // Named from where the game was started, before it enters the data folder.
  const std::string screenshot = opts.screenshot ? std::filesystem::absolute(*opts.screenshot, ec).string() : "";
  std::filesystem::current_path(opts.data_dir, ec);
  if (ec) {
    std::fprintf(stderr, "hoofmarch: cannot enter the data folder \"%s\": %s\n", opts.data_dir.c_str(),
                 ec.message().c_str());
    return 2;
  }

  hm::platform::set_generated_data_folder(generated);
  // Every data folder holds the interface font's layout; without it the folder
  // named is not one (a typo, or the project's root instead of its data/).
  if (!hm::platform::file_exists("Data\\font_data.xml")) {
    std::fprintf(stderr, "hoofmarch: no Data/font_data.xml in \"%s\": is this a Hoofmarch data folder?\n",
                 opts.data_dir.c_str());
    return 2;
  }

  // The engine's objects in their start-up order (the key bindings read from
  // controls.dat among them), released after the application.
  hm::global_objects globals;
  hm::game_application app;
  // The scene editor (Ctrl+E on the mission screen with enable_edit_mode);
  // it outlives the application's frames.
  hm::scene_editor editor;
  app.scene_editor = &editor;
  app.frame_limit = static_cast<std::uint32_t>(opts.frames);
  app.screenshot_path = screenshot;
  app.screenshot_battle_frame = static_cast<std::uint32_t>(opts.battle_frame);
  // From the data folder: a remembered module is only taken while its folder exists.
  app.module_name = hm::choose_module_name(opts.module_name);
  // A run without a person makes no sound, moves the game by fixed steps and
  // goes from the main menu into a new game.
  app.sound_output = !opts.headless;
  app.random_seed_value = opts.seed;
  if (opts.headless || opts.pilot) {
    app.fixed_frame_time = hm::game_application::headless_frame_time;
    app.skip_main_menu = true;
    // Without recorded keys the run plays the first battle of the new game's
    // menu by itself and ends at its result.
    app.piloted = !recorded;
  }

  namespace platform = hm::platform;
  namespace gpu = hm::platform::gpu;
  // A run without a window has no close button: SIGTERM and SIGINT end it
  // through the same clean-up. (With a window, the window's own event pump
  // turns them into a close.)
  if (opts.headless) platform::install_quit_signal_handlers();
  if (!opts.headless) {
    platform::init_video();
    platform::install_window_message_boxes();
    platform::set_dialogs_enabled(platform::video_has_display());
  }

  const auto backend = opts.headless ? gpu::backend::null : gpu::backend::opengl;
  if (app.attach_graphics(gpu::make_system(backend)) < 0) return 1;

  // A person at a display chooses the module and the settings in the
  // launcher first; leaving it ends the program.
  if (!opts.headless && !opts.pilot && !opts.no_launcher && !opts.module_name && platform::dialogs_enabled()) {
    hm::load_translations("");
    const std::optional<std::string> chosen = hm::run_launcher(0, hm::enum_display_modes(app.enumeration));
    if (!chosen) {
      platform::shutdown_video();
      return 0;
    }
    app.module_name = *chosen;
  }

  hm::load_ruv_config(hm::g_ruv_config);
  hm::read_options(hm::g_game_options);
  // Ragdolls step on a thread of their own when the process may use more than
  // one processor and the settings do not force a single thread. A run
  // without a window steps them in its frames, so that its seed alone decides
  // how it plays.
  hm::start_physics_worker_if_allowed(hm::g_ruv_config.force_single_threading != 0 || opts.headless);

  app.start_fullscreen = hm::g_ruv_config.start_windowed == 0 && !opts.windowed && !opts.headless;
  // Fixed steps need no frame-rate cap: the run goes as fast as it can.
  app.min_frame_time = opts.headless ? 0.0f : hm::min_frame_time_for(hm::g_ruv_config.max_framerate);

  if (opts.headless)
    app.set_window(std::make_unique<platform::null_window>());
  else
    app.set_window(platform::make_sdl_window());

  if (app.create_window() < 0) {
    std::fprintf(stderr, "hoofmarch: could not create the window\n");
    return 1;
  }
  if (app.window) {
    // The keyboard and mouse devices hear every input event the pump takes.
    hm::connect_window_input(*app.window);
    app.window->raise_and_focus();
  }
  if (recorded) app.use_recorded_input(std::move(recorded));
  if (app.initialise() < 0) return 1;
  const int result = app.run_main_loop();
  // The worker ends before anything it steps goes away.
  hm::physics_worlds_worker.stop();
  if (!opts.headless) platform::shutdown_video();
  if (app.fatal_error_reported()) return 1;
  if (opts.screenshot && !app.screenshot_written) {
    std::fprintf(stderr, "hoofmarch: could not write the screenshot %s\n", opts.screenshot->c_str());
    return 1;
  }
  return result;
}
