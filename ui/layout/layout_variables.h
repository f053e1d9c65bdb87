#pragma once
// Layout variables: the module's game_variables.txt names text values, and a
// widget name followed by a fixed suffix ("_position_x", "_text_color" ...)
// gives one property of that widget. The button makers size the standard
// button meshes to a height and fit the label inside them.
#include <cstdint>
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

class container;
class widget;
struct ini_table;

// The value of a name read as hexadecimal; 0 when missing or not a number
// (either is logged once per name).
std::uint32_t get_layout_variable_hex(std::string_view name);
// The value of a name as a float (leading number, the rest ignored); 0 when
// missing (logged once per name).
float get_layout_variable_float(std::string_view name);
// By the table's index; 0 outside the table.
float get_layout_variable_float_by_index(std::int32_t index);
std::uint32_t get_layout_variable_hex_by_index(std::int32_t index);
// Whether the table has the name.
bool has_layout_variable(std::string_view name);

// Applies every layout variable of the name to the widget. A pair (x and y)
// is set when either name exists, the missing one as 0; colours and flags
// only when their name exists.
void read_widget_layout(widget& w, std::string_view name);

// The table the reads use (the module's by default); tests point it at their own.
void set_layout_variable_table(const ini_table* table);
// Forgets which missing names were logged already.
void reset_layout_variable_log();

struct button_look {
  const char* normal_mesh;
  const char* pressed_mesh;
  float aspect;
  float mesh_height;
  float mesh_margin;
};

inline constexpr button_look long_button_look{"longer_button", "longer_button_down", 9.7f, 0.072f, 0.085f};
inline constexpr button_look medium_button_look{"medium_button", "medium_button_down", 3.7f, 0.072f, 0.085f};
inline constexpr button_look short_button_look{"short_button", "short_button_down", 3.0f, 0.072f, 0.085f};

// A text button (width h x aspect, height h) at (x, y) with the look's meshes
// scaled to the height, the label fitted inside the margins; added to parent.
widget* make_button(container& parent, const ruv_string& label, float x, float y, float h, const button_look& look);
widget* make_long_button(container& parent, const ruv_string& label, float x, float y, float h);
widget* make_medium_button(container& parent, const ruv_string& label, float x, float y, float h);
widget* make_short_button(container& parent, const ruv_string& label, float x, float y, float h);

}  // namespace hm
