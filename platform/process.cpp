#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cctype>

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

}  // namespace hm::platform
