#include "platform/quit_signal.h"

#include <csignal>

namespace hm::platform {

namespace {

volatile std::sig_atomic_t g_quit_signal = 0;

extern "C" void on_quit_signal(int) { g_quit_signal = 1; }

}  // namespace

void install_quit_signal_handlers() {
  struct sigaction action {};
  action.sa_handler = on_quit_signal;
  sigemptyset(&action.sa_mask);
  // A blocking call the signal interrupts is started again: the flag is read
  // at the next frame.
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

bool quit_signal_received() { return g_quit_signal != 0; }

void clear_quit_signal() { g_quit_signal = 0; }

}  // namespace hm::platform
