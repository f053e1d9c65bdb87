#pragma once
// Starting programs of the host: the user's web browser on a page, and a
// program the game waits for (the intro movies' player).
#include <string>
#include <vector>

namespace hm::platform {

// Opens the address in the user's browser ("xdg-open") without waiting for
// it. False when the address is not a plain http(s) address or no program
// could be started.
bool open_web_page(const std::string& address);

enum class run_outcome { not_started, finished, timed_out };

// Starts the program (looked up on PATH) with the arguments and waits for it
// at most timeout_ms milliseconds. A program still running then is ended
// (asked first, then forced) and reaped, so that none outlives the wait.
run_outcome run_and_wait(const std::string& program, const std::vector<std::string>& arguments, int timeout_ms);

}  // namespace hm::platform
