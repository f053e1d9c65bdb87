#pragma once
// The message list and windows of the command-line tools: module code's
// messages go to standard output as "[message] text" lines; there are no
// windows.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "script/script_host.h"

namespace hm {

class terminal_ui final : public script_ui_host {
 public:
  void add_message_line(std::string_view text, std::uint32_t) override {
    std::printf("[message] %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void post_pending_message(std::string_view text, std::uint32_t colour) override { add_message_line(text, colour); }
  int top_window() const override { return -1; }
  void push_window(int) override {}
  vec3 mouse_position() const override { return {}; }
  void set_message_list_flag(bool) override {}
  void set_message_text(std::string_view text, std::uint32_t) override {
    std::printf("[message] %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void set_notice(const ruv_string& title, const ruv_string& text) override {
    std::printf("[notice] %s: %s\n", title.c_str(), text.c_str());
  }
  void set_question(const ruv_string& text, const ruv_string& first, const ruv_string& second,
                    std::int32_t*) override {
    std::printf("[question] %s (%s / %s)\n", text.c_str(), first.c_str(), second.c_str());
  }
  void reset_window_entries() override {}
  void set_window(int) override {}
};

}  // namespace hm
