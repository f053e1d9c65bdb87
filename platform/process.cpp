#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <signal.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace hm::platform {

bool open_web_page(const std::string& address) {
  // Only an address, never something the opener could take as an option or
  // a local file.
  if (address.rfind("http://", 0) != 0 && address.rfind("https://", 0) != 0) return false;
  for (char c : address) {
    if (std::iscntrl(static_cast<unsigned char>(c)) || c == ' ') return false;
  }
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(address.c_str()), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  // xdg-open hands the page to the browser and ends; it is not left a zombie.
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {

// Waits for the child until the deadline; true once it ended (and is reaped).
bool reaped_by(pid_t pid, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

run_outcome run_and_wait(const std::string& program, const std::vector<std::string>& arguments, int timeout_ms) {
  std::vector<std::string> words;
  words.reserve(arguments.size() + 1);
  words.push_back(program);
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return run_outcome::not_started;
  const auto start = std::chrono::steady_clock::now();
  if (reaped_by(pid, start + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms))) return run_outcome::finished;
  ::kill(pid, SIGTERM);
  if (!reaped_by(pid, std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  return run_outcome::timed_out;
}

}  // namespace hm::platform
