#include "platform/message_box.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace hm::platform {
namespace {
std::atomic<message_box_backend> g_backend{nullptr};
}

message_box_result show_message_box(std::string_view caption, std::string_view text,
                                    message_box_icon icon, message_box_buttons buttons) {
  if (message_box_backend backend = g_backend.load()) return backend(caption, text, icon, buttons);
  const std::string line = "[" + std::string(caption) + "] " + std::string(text) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  // Nobody can answer: take the first button.
  switch (buttons) {
    case message_box_buttons::ok:
    case message_box_buttons::ok_cancel:
      return message_box_result::ok;
    case message_box_buttons::yes_no:
      return message_box_result::yes;
  }
  return message_box_result::ok;
}

void set_message_box_backend(message_box_backend backend) { g_backend.store(backend); }

bool message_boxes_shown() { return g_backend.load() != nullptr; }

}  // namespace hm::platform
