#include "ui/layout/layout_variables.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "engine/core/log.h"
#include "engine/resource/mesh.h"
#include "module/base/ini_table.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {

namespace {

const ini_table* g_table_override = nullptr;
std::set<std::string> g_logged_names;

const ini_table& table() { return g_table_override ? *g_table_override : g_game_variables_table; }

const ruv_string* find_value(std::string_view name) {
  const std::string key(name);
  const std::int32_t i = find_ini_key(table(), key.c_str());
  return i < 0 ? nullptr : &table().pairs[static_cast<std::size_t>(i)].value;
}

void log_once(std::string_view name, const char* what) {
  std::string key(name);
  if (!g_logged_names.insert(key).second) return;
  log_line("Layout variable " + key + " " + what + "; using 0.\n");
}

// "%x" of the text: leading blanks, an optional 0x, hex digits. False when no
// digit comes.
bool parse_hex(const ruv_string& text, std::uint32_t& out) {
  unsigned int v = 0;
  if (std::sscanf(text.c_str(), "%x", &v) != 1) return false;
  out = v;
  return true;
}

std::uint32_t hex_of(const ruv_string* v, std::string_view name) {
  std::uint32_t out = 0;
  if (v && !parse_hex(*v, out)) log_once(name, "is not a hexadecimal number");
  return out;
}

// Reads the pair N+x_suffix, N+y_suffix; false when neither exists.
bool read_pair(const std::string& n, const char* x_suffix, const char* y_suffix, ui_vec2& out) {
  const ruv_string* x = find_value(n + x_suffix);
  const ruv_string* y = find_value(n + y_suffix);
  if (!x && !y) return false;
  out.x = x ? static_cast<float>(std::atof(x->c_str())) : 0.0f;
  out.y = y ? static_cast<float>(std::atof(y->c_str())) : 0.0f;
  return true;
}

}  // namespace

void set_layout_variable_table(const ini_table* t) { g_table_override = t; }
void reset_layout_variable_log() { g_logged_names.clear(); }

bool has_layout_variable(std::string_view name) { return find_value(name) != nullptr; }

std::uint32_t get_layout_variable_hex(std::string_view name) {
  const ruv_string* v = find_value(name);
  if (!v) log_once(name, "is missing from game_variables.txt");
  return hex_of(v, name);
}

float get_layout_variable_float(std::string_view name) {
  const ruv_string* v = find_value(name);
  if (!v) {
    log_once(name, "is missing from game_variables.txt");
    return 0.0f;
  }
  return static_cast<float>(std::atof(v->c_str()));
}

float get_layout_variable_float_by_index(std::int32_t index) {
  if (index < 0 || index >= table().count()) return 0.0f;
  return static_cast<float>(std::atof(table().pairs[static_cast<std::size_t>(index)].value.c_str()));
}

std::uint32_t get_layout_variable_hex_by_index(std::int32_t index) {
  if (index < 0 || index >= table().count()) return 0;
  std::uint32_t out = 0;
  parse_hex(table().pairs[static_cast<std::size_t>(index)].value, out);
  return out;
}

void read_widget_layout(widget& w, std::string_view name) {
  const std::string n(name);
  if (const ruv_string* v = find_value(n + "_text_color")) w.set_colour(hex_of(v, n + "_text_color"));
  if (const ruv_string* v = find_value(n + "_highlight_text_color"))
    w.set_highlight_colour(hex_of(v, n + "_highlight_text_color"));
  ui_vec2 p;
  if (read_pair(n, "_position_x", "_position_y", p)) w.set_position(p);
  if (read_pair(n, "_size_x", "_size_y", p)) w.set_size(p);
  if (read_pair(n, "_text_size_x", "_text_size_y", p)) w.set_text_size(p);
  if (read_pair(n, "_text_position_x", "_text_position_y", p)) w.set_text_position(p);
  if (const ruv_string* v = find_value(n + "_text_flags")) w.set_text_flags(hex_of(v, n + "_text_flags"));
}

widget* make_button(container& parent, const ruv_string& label, float x, float y, float h, const button_look& look) {
  const float w = h * look.aspect;
  auto b = std::make_unique<text_button>();
  b->set_position({x, y});
  b->set_size({w, h});
  const float k = h / look.mesh_height;
  if (auto m = g_ui_manager.resource_mesh_copy(look.normal_mesh)) {
    m->scale_uniform(k);
    b->set_mesh_slot(slot_up, std::move(m));
  }
  if (auto m = g_ui_manager.resource_mesh_copy(look.pressed_mesh)) {
    m->scale_uniform(k);
    b->set_mesh_slot(slot_down, std::move(m));
  }
  b->set_highlight_colour(0xFF007700u);
  float t = 0.65f * h;
  const float room = w - h * look.mesh_margin / look.mesh_height;
  const float width = static_cast<float>(count_utf8(label.view())) * t * 0.39f;
  if (width > room) t *= room / width;
  b->set_text_size({t, t});
  b->set_text_position({0.0f, 0.5f * h - 0.3f * t});
  b->set_text(label);
  return parent.add_child(std::move(b));
}

widget* make_long_button(container& parent, const ruv_string& label, float x, float y, float h) {
  return make_button(parent, label, x, y, h, long_button_look);
}
widget* make_medium_button(container& parent, const ruv_string& label, float x, float y, float h) {
  return make_button(parent, label, x, y, h, medium_button_look);
}
widget* make_short_button(container& parent, const ruv_string& label, float x, float y, float h) {
  return make_button(parent, label, x, y, h, short_button_look);
}

}  // namespace hm
