#pragma once
// The engine log ("ruv_log.txt"), warnings and the fatal error.
#include <functional>
#include <stdexcept>
#include <string>

namespace hm {

class text_file_writer;

// The one engine log. Writes do nothing until it is opened.
text_file_writer& engine_log();
// Opens the log ("w"): a new file each run, begun with "Starting new log file.\n"
// and then the lines written while no log file was open (none is lost to a
// start-up that writes before the log opens).
bool open_engine_log(const std::string& path = "ruv_log.txt");
// Appends text to the log as it stands (no blank added) and flushes it.
void log_line(const std::string& text);

// Shows a "RUV WARNING" box with the formatted message (cut to 511 characters).
int ruv_warning(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The fatal error: writes "ERROR:" and the message to the log, shows a "RUV ERROR"
// box, prints "Error: <message>" and ends the process with exit code -1.
[[noreturn]] void ruv_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Thrown by the fatal routine while a scoped_fatal_throw is alive, so tests (and
// tools that must survive a bad file) can observe a fatal error without exiting.
struct fatal_error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// While alive, ruv_error logs the message as usual and then throws fatal_error
// instead of showing the box and ending the process.
class scoped_fatal_throw {
 public:
  scoped_fatal_throw();
  ~scoped_fatal_throw();
  scoped_fatal_throw(const scoped_fatal_throw&) = delete;
  scoped_fatal_throw& operator=(const scoped_fatal_throw&) = delete;

 private:
  bool previous_;
};

}  // namespace hm
