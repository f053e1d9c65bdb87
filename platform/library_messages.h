#pragma once
// What the libraries under the platform layer (the sound and video systems)
// would print on standard error. They are held here, from any thread, and the
// engine writes them to its log, so the terminal stays quiet and the reasons
// for a missing sound device are kept with the rest of the run's story.
#include <string>
#include <vector>

namespace hm::platform {

// Holds one line (without its line end). At most a few hundred lines are kept
// until taken; later ones are counted and reported as one line.
void post_library_message(std::string line);

// The lines held since the last call, oldest first.
std::vector<std::string> take_library_messages();

// Sends what the ALSA library reports to the held messages instead of standard
// error, from now on and from any thread. Later calls do nothing; a system
// without the library is left alone.
void capture_alsa_messages();

// While alive, what anything in the process writes to standard error goes to
// the held messages instead, line by line when it ends. For the short calls
// into libraries that print there and offer no other way (OpenAL Soft while it
// looks for a device).
class scoped_stderr_capture {
 public:
  scoped_stderr_capture();
  ~scoped_stderr_capture();
  scoped_stderr_capture(const scoped_stderr_capture&) = delete;
  scoped_stderr_capture& operator=(const scoped_stderr_capture&) = delete;

 private:
  int saved_ = -1;  // the real standard error
  int file_ = -1;   // where it went meanwhile
};

}  // namespace hm::platform
