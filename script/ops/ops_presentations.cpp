// Module presentations: starting one as a screen or over the mission, and
// making and changing the running presentation's widgets. The widgets live in
// the game windows; these handlers check the operands and hand the work to the
// UI neighbour, which does nothing while no presentation runs.
#include <cstdint>

#include "script/executor.h"
#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

// The pending screen change that opens a requested presentation.
constexpr std::int32_t presentation_screen_change = 15;

const script_host& host() { return current_script_host(); }

ruv_string text_of(const operation_call& c, int p) {
  return format_text(get_string_by_reference(c.value[p], c.tag[p]));
}

// Makes the widget and stores its id in p0 (left alone when nothing was made).
void make(operation_call& c, presentation_widget_kind kind, const ruv_string& text, std::int64_t a = 0,
          std::int64_t b = 0) {
  const std::int32_t id = host().ui->create_presentation_widget(kind, text, a, b);
  if (id >= 0) c.store(id);
}

void set(operation_call& c, presentation_property p, std::int64_t value, float seconds = 0.0f) {
  host().ui->set_presentation_property(p, c.value[0], ruv_string(), value, 0.0f, 0.0f, seconds);
}

// A property from a position register's origin x and y.
void set_from_register(operation_call& c, presentation_property p, int reg, float seconds = 0.0f) {
  if (!validate_register_id(c.value[reg])) return;
  const vec3& o = g_script_state.position_registers[static_cast<std::size_t>(c.value[reg])].origin;
  host().ui->set_presentation_property(p, c.value[0], ruv_string(), 0, o.x, o.y, seconds);
}

float milliseconds(std::int64_t v) { return static_cast<float>(v) * 0.001f; }

void start_presentation(operation_call& c) {
  if (!validate_presentation_id(c.value[0])) return;
  game_script_words& words = host().campaign->game_words();
  words.screen_change_code = presentation_screen_change;
  words.requested_presentation = static_cast<std::int32_t>(c.value[0]);
}

void start_presentation_over_mission(operation_call& c) {
  if (!validate_presentation_id(c.value[0])) return;
  if (c.context != script_context::mission_window) return;
  host().ui->set_mission_presentation(static_cast<std::int32_t>(c.value[0]));
}

void set_duration(operation_call& c) { host().ui->set_presentation_duration(static_cast<float>(c.value[0]) * 0.01f); }

void create_text(operation_call& c) {
  if (!validate_string_id(c.value[1], c.tag[1])) return;
  make(c, presentation_widget_kind::text, text_of(c, 1), c.param_count() > 2 ? c.value[2] : 0);
}
void create_mesh(operation_call& c) {
  if (!validate_mesh_id(c.value[1])) return;
  make(c, presentation_widget_kind::mesh, ruv_string(), c.value[1]);
}
void create_text_button(operation_call& c) {
  if (!validate_string_id(c.value[1], c.tag[1])) return;
  make(c, presentation_widget_kind::text_button, text_of(c, 1), c.param_count() > 2 ? c.value[2] : 0);
}
void create_two_mesh(operation_call& c, presentation_widget_kind kind) {
  if (!validate_mesh_id(c.value[1]) || !validate_mesh_id(c.value[2])) return;
  make(c, kind, ruv_string(), c.value[1], c.value[2]);
}
void create_image_button(operation_call& c) { create_two_mesh(c, presentation_widget_kind::image_button); }
void create_check_box(operation_call& c) { create_two_mesh(c, presentation_widget_kind::check_box); }
void create_slider(operation_call& c) { make(c, presentation_widget_kind::slider, ruv_string(), c.value[1], c.value[2]); }
void create_progress_bar(operation_call& c) {
  make(c, presentation_widget_kind::progress_bar, ruv_string(), c.value[1], c.value[2]);
}
void create_combobox(operation_call& c) { make(c, presentation_widget_kind::combobox, ruv_string()); }
void create_text_box(operation_call& c) { make(c, presentation_widget_kind::text_box, ruv_string()); }
void create_medium_button(operation_call& c) {
  if (!validate_string_id(c.value[1], c.tag[1])) return;
  make(c, presentation_widget_kind::medium_button, text_of(c, 1));
}

void set_text(operation_call& c) {
  if (!validate_string_id(c.value[1], c.tag[1])) return;
  host().ui->set_presentation_property(presentation_property::text, c.value[0], text_of(c, 1), 0, 0.0f, 0.0f, 0.0f);
}
void set_colour(operation_call& c) { set(c, presentation_property::colour, c.value[1]); }
void set_alpha(operation_call& c) { set(c, presentation_property::alpha, c.value[1]); }
void set_highlight_colour(operation_call& c) { set(c, presentation_property::highlight_colour, c.value[1]); }
void set_highlight_alpha(operation_call& c) { set(c, presentation_property::highlight_alpha, c.value[1]); }
void set_size(operation_call& c) { set_from_register(c, presentation_property::size, 1); }
void set_position(operation_call& c) { set_from_register(c, presentation_property::position, 1); }
void set_value(operation_call& c) { set(c, presentation_property::value, c.value[1]); }
void set_scroll(operation_call& c) { set_from_register(c, presentation_property::scroll, 1); }
void set_range(operation_call& c) {
  host().ui->set_presentation_values(presentation_property::range, c.value[0], c.value[1], c.value[2]);
}
void set_frame(operation_call& c) {
  if (!validate_register_id(c.value[1])) return;
  host().ui->set_presentation_widget_frame(c.value[0],
                                           g_script_state.position_registers[static_cast<std::size_t>(c.value[1])]);
}
void set_second_text(operation_call& c) {
  if (!validate_string_id(c.value[1], c.tag[1])) return;
  host().ui->set_presentation_property(presentation_property::second_text, c.value[0], text_of(c, 1), 0, 0.0f, 0.0f,
                                       0.0f);
}
// 938 and 939: a mesh of -1 means the tableau's own quad and is not checked.
template <bool button>
void create_tableau_widget(operation_call& c) {
  if (c.value[1] != -1 && !validate_mesh_id(c.value[1])) return;
  if (!validate_tableau_id(c.value[2])) return;
  const std::int32_t id = host().ui->create_presentation_tableau_widget(button, static_cast<int>(c.value[1]),
                                                                        static_cast<int>(c.value[2]), c.value[3]);
  if (id >= 0) c.store(id);
}
void animate_colour(operation_call& c) { set(c, presentation_property::colour, c.value[2], milliseconds(c.value[1])); }
void animate_alpha(operation_call& c) { set(c, presentation_property::alpha, c.value[2], milliseconds(c.value[1])); }
void animate_highlight_colour(operation_call& c) {
  set(c, presentation_property::highlight_colour, c.value[2], milliseconds(c.value[1]));
}
void animate_highlight_alpha(operation_call& c) {
  set(c, presentation_property::highlight_alpha, c.value[2], milliseconds(c.value[1]));
}
void animate_size(operation_call& c) { set_from_register(c, presentation_property::size, 2, milliseconds(c.value[1])); }
void animate_position(operation_call& c) {
  set_from_register(c, presentation_property::position, 2, milliseconds(c.value[1]));
}

}  // namespace

void register_presentation_operations() {
  register_operation(900, start_presentation);
  register_operation(901, start_presentation_over_mission);
  register_operation(902, set_duration);
  register_operation(910, create_text);
  register_operation(911, create_mesh);
  register_operation(912, create_text_button);
  register_operation(913, create_image_button);
  register_operation(914, create_slider);
  register_operation(915, create_progress_bar);
  register_operation(916, create_combobox);
  register_operation(917, create_text_box);
  register_operation(918, create_check_box);
  register_operation(920, set_text);
  register_operation(921, set_colour);
  register_operation(922, set_alpha);
  register_operation(923, set_highlight_colour);
  register_operation(924, set_highlight_alpha);
  register_operation(925, set_size);
  register_operation(926, set_position);
  register_operation(927, set_value);
  register_operation(928, set_range);
  register_operation(929, set_scroll);
  register_operation(930, set_frame);
  register_operation(931, set_second_text);
  register_operation(932, animate_colour);
  register_operation(933, animate_alpha);
  register_operation(934, animate_highlight_colour);
  register_operation(935, animate_highlight_alpha);
  register_operation(936, animate_size);
  register_operation(937, animate_position);
  register_operation(938, create_tableau_widget<true>);
  register_operation(939, create_tableau_widget<false>);
  register_operation(940, create_medium_button);
}

}  // namespace hm
