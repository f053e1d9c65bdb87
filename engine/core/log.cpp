#include "engine/core/log.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/core/stream.h"
#include "platform/fs.h"
#include "platform/library_messages.h"
#include "platform/message_box.h"

namespace hm {
namespace {

// Messages of the warning and the fatal error: longer ones are cut to 511
// characters and always terminated.
constexpr std::size_t kMessageBufferSize = 512;

// Per thread, so a test thread that expects a throw cannot turn another thread's
// fatal error into an exception nobody catches.
thread_local bool t_fatal_throws = false;

// Set once the process has started to end through the fatal routine: a second
// fatal error (from a destructor run by exit) ends the process at once.
std::atomic<bool> g_exiting{false};

void close_engine_log_at_exit() { engine_log().close(); }

void format_message(char (&message)[kMessageBufferSize], const char* format, std::va_list args) {
  const int written = std::vsnprintf(message, kMessageBufferSize, format ? format : "", args);
  if (written < 0) message[0] = 0;
  message[kMessageBufferSize - 1] = 0;
}

}  // namespace

text_file_writer& engine_log() {
  // Never destroyed: code that runs during exit (static destructors, a fatal
  // error) may still write to it. An exit handler closes the file instead, after
  // which writes stay in memory.
  static text_file_writer* log = [] {
    auto* writer = new text_file_writer;
    std::atexit(close_engine_log_at_exit);
    return writer;
  }();
  return *log;
}

bool open_engine_log(const std::string& path) {
  text_file_writer& log = engine_log();
  log.close();
  // A new log each run. Lines written before it opened (the settings are read
  // first) were kept in memory and follow the first line; what an earlier file
  // already took is not written again.
  const std::string_view all = log.contents();
  const std::string early(all.substr(std::min<std::size_t>(log.flushed, all.size())));
  log.clear();
  if (log.open(path, "w") != 0) {
    log.append_raw(early);
    return false;
  }
  // Every write goes to the file at once, so the log survives a crash.
  log.set_auto_flush(1);
  log.append_raw("Starting new log file.\n");
  log.append_raw(early);
  // What the libraries reported before the log opened (the video system).
  for (const std::string& line : platform::take_library_messages()) log.append_raw(line + "\n");
  log.flush();
  return true;
}

void log_line(const std::string& text) {
  text_file_writer& log = engine_log();
  log.append_raw(text);
  log.flush();
}

int ruv_warning(const char* format, ...) {
  char message[kMessageBufferSize];
  std::va_list args;
  va_start(args, format);
  format_message(message, format, args);
  va_end(args);
  const platform::message_box_result result = platform::show_message_box(
      "RUV WARNING", message, platform::message_box_icon::error, platform::message_box_buttons::ok);
  return static_cast<int>(result);
}

void ruv_error(const char* format, ...) {
  char message[kMessageBufferSize];
  std::va_list args;
  va_start(args, format);
  format_message(message, format, args);
  va_end(args);

  // The log must hold the message before anything else can go wrong.
  text_file_writer& log = engine_log();
  log.write_cstr("ERROR:");
  log.write_cstr(message);
  log.flush();

  if (t_fatal_throws) throw fatal_error(message);

  if (g_exiting.exchange(true)) {
    // A fatal error while the process is already ending: exit may not run twice.
    std::fflush(stdout);
    std::_Exit(-1);
  }
  // Without a window the box is a line on standard error already: the reader
  // of a terminal sees the error once.
  // A person reads the engine's paths with this system's separators; the log
  // above keeps them as the engine wrote them.
  const std::string shown = platform::display_path(message);
  const bool on_screen = platform::message_boxes_shown();
  platform::show_message_box("RUV ERROR", shown, platform::message_box_icon::error,
                             platform::message_box_buttons::ok);
  if (on_screen) std::printf("Error: %s\n", shown.c_str());
  std::fflush(stdout);
  // exit, not abort: the static objects' destructors run, and open streams are
  // flushed and closed.
  std::exit(-1);
}

scoped_fatal_throw::scoped_fatal_throw() : previous_(t_fatal_throws) { t_fatal_throws = true; }

scoped_fatal_throw::~scoped_fatal_throw() { t_fatal_throws = previous_; }

}  // namespace hm
