#pragma once
// The script engine's window and message-list neighbour over the window
// manager: message lines go to the UI manager's log, posted messages wait in
// its queue, the message box is window 0, and window ids from module code
// outside the table are refused with a script error.
#include "script/script_host.h"

namespace hm {

class window_ui_host : public script_ui_host {
 public:
  void add_message_line(std::string_view text, std::uint32_t colour) override;
  void post_pending_message(std::string_view text, std::uint32_t colour) override;
  int top_window() const override;
  void push_window(int window) override;
  vec3 mouse_position() const override;
  void set_message_list_flag(bool on) override;
  void set_message_text(std::string_view text, std::uint32_t colour) override;
  void set_notice(const ruv_string& title, const ruv_string& text) override;
  void set_question(const ruv_string& text, const ruv_string& first_answer, const ruv_string& second_answer,
                    std::int32_t* answer_target) override;
  void reset_window_entries() override;
  void set_window(int window) override;

  void set_mission_presentation(int presentation) override;
  void set_presentation_duration(float seconds) override;
  std::int32_t create_presentation_widget(presentation_widget_kind kind, const ruv_string& text, std::int64_t a,
                                          std::int64_t b) override;
  void set_presentation_property(presentation_property property, std::int64_t widget, const ruv_string& text,
                                 std::int64_t value, float x, float y, float seconds) override;
  void set_presentation_values(presentation_property property, std::int64_t widget, std::int64_t value,
                               std::int64_t value_2) override;
  void set_presentation_widget_frame(std::int64_t widget, const frame& f) override;
  std::int32_t create_presentation_tableau_widget(bool button, int mesh, int tableau, std::int64_t object) override;

  bool message_list_flag = false;
};

}  // namespace hm
