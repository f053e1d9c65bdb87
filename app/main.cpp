// Program start: reads the settings, hands the window and the graphics system
// to the game application and runs its message loop.
//
//   hoofmarch [--data <dir>] [--generated <dir>] [--module <name>] [--headless] [--frames N] [--windowed]
//
// --data      the data folder the game runs from (default: the repository's data/)
// --generated the folder of the files the build makes from the data sources
//             (default: the build's data/), looked up behind the data folder
// --module    the module to play, a folder of the data folder's Modules/
//             (default: the last module played, else Sample)
// --headless  null window and null graphics device: no display needed
// --frames N  close the window after N rendered frames
// --windowed  start in a window whatever ruv_config.txt says
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "engine/settings/game_options.h"
#include "engine/app/input_state.h"
#include "engine/settings/ruv_config.h"
#include "engine/audio/sound_manager.h"
#include "module/loading/module_start.h"
#include "platform/dialog.h"
#include "platform/fs.h"
#include "platform/gpu/gl_system.h"
#include "platform/gpu/null_device.h"
#include "platform/input/input_sdl.h"
#include "platform/window.h"
#include "shell/game_application.h"
#include "shell/global_objects.h"

namespace {

struct options {
  std::string data_dir = HOOFMARCH_DEFAULT_DATA_DIR;
  std::string generated_dir = HOOFMARCH_DEFAULT_GENERATED_DIR;
  std::optional<std::string> module_name;
  bool headless = false;
  bool windowed = false;
  long frames = 0;
};

void usage() {
  std::fprintf(stderr,
               "usage: hoofmarch [--data <dir>] [--generated <dir>] [--module <name>] [--headless] [--frames N] "
               "[--windowed]\n");
}

bool parse(int argc, char** argv, options& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--headless") {
      out.headless = true;
    } else if (arg == "--windowed") {
      out.windowed = true;
    } else if (arg == "--data" && i + 1 < argc) {
      out.data_dir = argv[++i];
    } else if (arg == "--generated" && i + 1 < argc) {
      out.generated_dir = argv[++i];
    } else if (arg == "--module" && i + 1 < argc) {
      out.module_name = argv[++i];
      if (!hm::is_module_name(*out.module_name)) {
        std::fprintf(stderr, "hoofmarch: \"%s\" is not a module name\n", out.module_name->c_str());
        return false;
      }
    } else if (arg == "--frames" && i + 1 < argc) {
      char* end = nullptr;
      errno = 0;
      out.frames = std::strtol(argv[++i], &end, 10);
      if (errno != 0 || !end || *end != 0 || out.frames < 1 || out.frames > 100000000) {
        std::fprintf(stderr, "hoofmarch: --frames needs a number from 1 to 100000000\n");
        return false;
      }
    } else {
      std::fprintf(stderr, "hoofmarch: unknown argument \"%s\"\n", arg.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  options opts;
  if (!parse(argc, argv, opts)) {
    usage();
    return 2;
  }
  std::error_code ec;
  const std::filesystem::path generated = std::filesystem::absolute(opts.generated_dir, ec);
  std::filesystem::current_path(opts.data_dir, ec);
  if (ec) {
    std::fprintf(stderr, "hoofmarch: cannot enter the data folder \"%s\": %s\n", opts.data_dir.c_str(),
                 ec.message().c_str());
    return 2;
  }

  hm::platform::set_generated_data_folder(generated);

  // The engine's objects in their start-up order (the key bindings read from
  // controls.dat among them), released after the application.
  hm::global_objects globals;
  hm::game_application app;
  app.frame_limit = static_cast<std::uint32_t>(opts.frames);
  // From the data folder: a remembered module is only taken while its folder exists.
  app.module_name = hm::choose_module_name(opts.module_name);
  // A run without a person makes no sound.
  app.sound_output = !opts.headless;

  namespace platform = hm::platform;
  namespace gpu = hm::platform::gpu;
  if (!opts.headless) {
    platform::init_video();
    platform::install_window_message_boxes();
    platform::set_dialogs_enabled(platform::video_has_display());
  }

  const auto backend = opts.headless ? gpu::backend::null : gpu::backend::opengl;
  if (app.attach_graphics(gpu::make_system(backend)) < 0) return 1;

  hm::load_ruv_config(hm::g_ruv_config);
  hm::read_options(hm::g_game_options);

  app.start_fullscreen = hm::g_ruv_config.start_windowed == 0 && !opts.windowed && !opts.headless;
  app.min_frame_time = hm::min_frame_time_for(hm::g_ruv_config.max_framerate);

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
  if (app.initialise() < 0) return 1;
  const int result = app.run_main_loop();
  if (!opts.headless) platform::shutdown_video();
  return app.fatal_error_reported() ? 1 : result;
}
