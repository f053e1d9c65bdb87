#pragma once
// Helpers of the game application's tests: reading a file whole, a clock the
// test moves by hand, and running the built program.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <vector>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/gpu/gl_system.h"
#include "platform/window.h"

namespace hm::test {

inline std::string read_text(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A temporary folder that is the working folder (holding a copy of the
// repository's Data folder and sample module) and the user's data and
// configuration folders for the length of a test.
class temp_home {
 public:
  temp_home() {
    char pattern[] = "/tmp/hoofmarch_shell_XXXXXX";
    path_ = mkdtemp(pattern);
    old_cwd_ = std::filesystem::current_path();
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR"}) {
      const char* old = std::getenv(name);
      saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    }
    setenv("XDG_DATA_HOME", (path_ / "xdg").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (path_ / "config").c_str(), 1);
    // Saved games of the run stay in the home of the test.
    setenv("XDG_DOCUMENTS_DIR", (path_ / "documents").c_str(), 1);
    const std::filesystem::path source = HOOFMARCH_DATA_DIR;
    std::filesystem::create_directories(data() / "Modules");
    std::filesystem::copy(source / "Data", data() / "Data", std::filesystem::copy_options::recursive);
    std::filesystem::copy(source / "Modules" / "Sample", data() / "Modules" / "Sample", std::filesystem::copy_options::recursive);
    std::filesystem::current_path(data());
    platform::set_generated_data_folder(std::filesystem::path(HOOFMARCH_BINARY_DIR) / "data");
  }
  ~temp_home() {
    platform::set_generated_data_folder({});
    std::filesystem::current_path(old_cwd_);
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path data() const { return path_ / "data"; }
  std::filesystem::path options_file() const { return path_ / "xdg" / "Hoofmarch" / "options.dat"; }

 private:
  std::filesystem::path path_;
  std::filesystem::path old_cwd_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class manual_clock : public platform::clock_source {
 public:
  std::int64_t now = 1'000'000'000;
  std::int64_t step = 0;  // counts added after each read
  std::int64_t counter_now() override {
    const std::int64_t value = now;
    now += step;
    return value;
  }
  std::int64_t counter_frequency() override { return 1'000'000; }
  std::uint32_t milliseconds_now() override { return static_cast<std::uint32_t>(now / 1000); }
  void sleep_milliseconds(unsigned ms) override { now += ms * 1000; }
};

// Runs the built game with extra environment settings and arguments, without a
// display and with its output dropped; the exit code, or -1 when it did not exit.
inline int run_program(const std::string& env, const std::string& args) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " + env + " " + HOOFMARCH_BINARY_DIR +
                              "/app/hoofmarch " + args + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the built game as above, with its streams sent by `redirect` (in which
// "@" stands for a temporary file) and what reached the file in `out`.
inline int run_program_capturing(const std::string& env, const std::string& args, std::string redirect,
                                 std::string& out) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("hoofmarch_output_" + std::to_string(::getpid()) + ".txt");
  for (std::size_t at; (at = redirect.find('@')) != std::string::npos;) redirect.replace(at, 1, file.string());
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " + env + " " + HOOFMARCH_BINARY_DIR +
                              "/app/hoofmarch " + args + " " + redirect;
  const int status = std::system(command.c_str());
  out = read_text(file);
  std::error_code ec;
  std::filesystem::remove(file, ec);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Keeping what the program wrote on standard error in `err`.
inline int run_program_keeping_stderr(const std::string& env, const std::string& args, std::string& err) {
  return run_program_capturing(env, args, ">/dev/null 2>@", err);
}

// Keeping what it wrote on standard output and standard error together.
inline int run_program_keeping_output(const std::string& env, const std::string& args, std::string& out) {
  return run_program_capturing(env, args, ">@ 2>&1", out);
}

// Whether an OpenGL device can be made offscreen here (tests that need one skip
// when it cannot).
inline bool opengl_context_possible() {
  namespace gpu = platform::gpu;
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  if (!platform::init_video()) return false;
  auto win = platform::make_sdl_window();
  if (!win->create({"probe", 128, 128, false})) return false;
  auto system = gpu::make_gl_system();
  gpu::present_parameters p;
  p.back_buffer_width = p.back_buffer_height = 128;
  p.device_window = win.get();
  std::unique_ptr<gpu::device> dev;
  return system->create_device(0, gpu::device_type::hal, win.get(), gpu::vertex_processing::hardware, p, dev) ==
         gpu::result::ok;
}

}  // namespace hm::test
