#include "ui/windows/window_ui_host.h"

#include "render/view/message_log.h"
#include "script/script_errors.h"
#include "ui/manager/ui_manager.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

bool check_window_id(int id) {
  if (window_manager::valid_id(id) && g_window_manager.window(id)) return true;
  report_script_error_f("Invalid window id: %d", id);
  return false;
}

message_box_window* message_box() {
  return dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
}

}  // namespace

void window_ui_host::add_message_line(std::string_view text, std::uint32_t colour) {
  hm::add_message_line(g_ui_manager.messages, ruv_string(text), colour);
}

void window_ui_host::post_pending_message(std::string_view text, std::uint32_t colour) {
  g_ui_manager.pending_messages.push(ruv_string(text), colour);
}

int window_ui_host::top_window() const { return g_window_manager.top_id(); }

void window_ui_host::push_window(int window) {
  if (check_window_id(window)) g_window_manager.push_window(window);
}

void window_ui_host::set_window(int window) {
  if (check_window_id(window)) g_window_manager.set_window(window);
}

vec3 window_ui_host::mouse_position() const {
  return vec3(g_ui_manager.mouse_position.x, g_ui_manager.mouse_position.y, 0.0f);
}

void window_ui_host::set_message_list_flag(bool on) { message_list_flag = on; }

void window_ui_host::set_message_text(std::string_view text, std::uint32_t colour) {
  g_ui_manager.set_message_text(ruv_string(text), colour);
}

void window_ui_host::set_notice(const ruv_string& title, const ruv_string& text) {
  message_box_window* box = message_box();
  if (!box) return;
  box->mode = 0;
  box->title = title;
  box->text = text;
  box->first_answer = ruv_string();
  box->second_answer = ruv_string();
  box->answer_target = nullptr;
  box->result_text = nullptr;
  box->has_text_field = false;
}

void window_ui_host::set_question(const ruv_string& text, const ruv_string& first_answer,
                                  const ruv_string& second_answer, std::int32_t* answer_target) {
  message_box_window* box = message_box();
  if (!box) return;
  box->mode = 1;
  box->title = ruv_string();
  box->text = text;
  box->first_answer = first_answer;
  box->second_answer = second_answer;
  box->answer_target = answer_target;
  box->result_text = nullptr;
  box->has_text_field = false;
}

void window_ui_host::reset_window_entries() {
  for (auto& w : g_window_manager.windows) {
    if (!w) continue;
    w->mode = 0;
    w->state_word = 99;
  }
}

void window_ui_host::set_mission_presentation(int presentation) {
  g_window_manager.mission_presentation = presentation;
}

void window_ui_host::set_presentation_duration(float seconds) {
  if (presentation* p = g_current_presentation) p->duration = seconds;
}

std::int32_t window_ui_host::create_presentation_widget(presentation_widget_kind kind, const ruv_string& text,
                                                        std::int64_t a, std::int64_t b) {
  presentation* p = g_current_presentation;
  return p ? p->create_widget(kind, text, a, b) : -1;
}

void window_ui_host::set_presentation_property(presentation_property property, std::int64_t widget,
                                               const ruv_string& text, std::int64_t value, float x, float y,
                                               float seconds) {
  if (presentation* p = g_current_presentation) p->set_property(property, widget, text, value, {x, y}, seconds);
}

void window_ui_host::set_presentation_values(presentation_property property, std::int64_t widget,
                                             std::int64_t value, std::int64_t value_2) {
  presentation* p = g_current_presentation;
  if (p && property == presentation_property::range) p->set_range(widget, value, value_2);
}

void window_ui_host::set_presentation_widget_frame(std::int64_t widget, const frame& f) {
  if (presentation* p = g_current_presentation) p->set_widget_frame(widget, f);
}

std::int32_t window_ui_host::create_presentation_tableau_widget(bool button, int mesh, int tableau,
                                                                std::int64_t object) {
  presentation* p = g_current_presentation;
  return p ? p->create_tableau_widget(button, mesh, tableau, object) : -1;
}

}  // namespace hm
