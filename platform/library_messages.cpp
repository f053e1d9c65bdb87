#include "platform/library_messages.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace hm::platform {
namespace {

constexpr std::size_t max_held = 256;

std::mutex g_mutex;
std::vector<std::string> g_held;
std::size_t g_dropped = 0;

// The ALSA library's error handler type, declared here so that the library is
// needed only where it is installed.
using alsa_error_handler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);
using alsa_set_handler = int (*)(alsa_error_handler handler);

void alsa_error(const char* file, int line_number, const char* function, int err, const char* fmt, ...) {
  char text[512];
  const int head =
      std::snprintf(text, sizeof text, "ALSA lib %s:%d:(%s) ", file ? file : "", line_number, function ? function : "");
  if (head < 0) return;
  std::size_t used = std::min<std::size_t>(static_cast<std::size_t>(head), sizeof text - 1);
  std::va_list args;
  va_start(args, fmt);
  const int body = std::vsnprintf(text + used, sizeof text - used, fmt ? fmt : "", args);
  va_end(args);
  if (body > 0) used = std::min<std::size_t>(used + static_cast<std::size_t>(body), sizeof text - 1);
  std::string line(text, used);
  if (err) line += std::string(": ") + std::strerror(err < 0 ? -err : err);
  post_library_message(std::move(line));
}

void capture_alsa() {
  // The sound library loads the ALSA library by this name too and gets the
  // same copy, with our handler in it; the handle is never closed, so the
  // handler stays in place.
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
  if (!alsa) return;
  auto set = reinterpret_cast<alsa_set_handler>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set) set(alsa_error);
}

}  // namespace

void post_library_message(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.empty()) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_held.size() >= max_held) {
    ++g_dropped;
    return;
  }
  g_held.push_back(std::move(line));
}

std::vector<std::string> take_library_messages() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<std::string> out;
  out.swap(g_held);
  if (g_dropped) {
    out.push_back("(" + std::to_string(g_dropped) + " more lines from the libraries were left out)");
    g_dropped = 0;
  }
  return out;
}

void capture_alsa_messages() {
  static std::once_flag once;
  std::call_once(once, capture_alsa);
}

scoped_stderr_capture::scoped_stderr_capture() {
  char path[] = "/tmp/hoofmarch_stderr_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return;
  unlink(path);
  std::fflush(stderr);
  saved_ = dup(STDERR_FILENO);
  if (saved_ < 0 || dup2(fd, STDERR_FILENO) < 0) {
    if (saved_ >= 0) close(saved_);
    close(fd);
    saved_ = -1;
    return;
  }
  file_ = fd;
}

scoped_stderr_capture::~scoped_stderr_capture() {
  if (file_ < 0) return;
  std::fflush(stderr);
  dup2(saved_, STDERR_FILENO);
  close(saved_);
  std::string text;
  char chunk[4096];
  off_t at = 0;
  for (ssize_t n; (n = pread(file_, chunk, sizeof chunk, at)) > 0; at += n) {
    text.append(chunk, static_cast<std::size_t>(n));
    if (text.size() > 1 << 20) break;  // a runaway library; the rest is dropped
  }
  close(file_);
  std::size_t start = 0;
  for (std::size_t end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    post_library_message(text.substr(start, end - start));
  }
}

}  // namespace hm::platform
