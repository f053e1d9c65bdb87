// Teams of the running mission and the battle orders of their classes, given
// and read exactly as the player's order keys do, and the entry points and
// scene rectangle of the mission. Team, class, entry point and order numbers
// out of range make an operation do nothing and succeed.
#include <cstdint>

#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {
namespace {

using order_field = script_mission_host::order_field;

script_mission_host& mission() { return *current_script_host().mission; }
frame& pos(std::int64_t index) { return g_script_state.position_registers[static_cast<std::size_t>(index)]; }
bool is_team(std::int64_t t) { return t >= 0 && t <= 7; }
bool is_class(std::int64_t c) { return c >= 0 && c <= 2; }
// A class word for the selection: 0..2 one class, anything else all three.
int class_word(std::int64_t c) { return is_class(c) ? static_cast<int>(c) : script_all_classes; }

void class_is_selected(operation_call& c) {
  if (!is_team(c.value[0]) || !is_class(c.value[1])) return;
  c.result = mission().class_selected(static_cast<int>(c.value[0]), static_cast<int>(c.value[1]));
}

void entry_point_position(operation_call& c) {
  if (!validate_register_id(c.value[0])) return;
  if (c.value[1] < 0 || c.value[1] > 63) return;
  frame f;
  if (mission().entry_point_frame(static_cast<int>(c.value[1]), f)) pos(c.value[0]) = f;
}

template <order_field f>
void read_order(operation_call& c) {
  if (!is_team(c.value[1])) return;
  c.store(mission().class_order(static_cast<int>(c.value[1]), class_word(c.value[2]), f));
}

void teams_are_enemies(operation_call& c) {
  if (!is_team(c.value[0]) || !is_team(c.value[1])) return;
  c.result = mission().team_relation(static_cast<int>(c.value[0]), static_cast<int>(c.value[1])) < 0;
}

void give_order(operation_call& c) {
  if (!is_team(c.value[0]) || c.value[2] < 0 || c.value[2] > 13) return;
  const int group = c.value[1] < 0 ? -1 : class_word(c.value[1]);
  mission().give_order(static_cast<int>(c.value[0]), group, static_cast<int>(c.value[2]));
}

void set_hold_position(operation_call& c) {
  if (!validate_register_id(c.value[2]) || !is_team(c.value[0])) return;
  mission().set_hold_position(static_cast<int>(c.value[0]), class_word(c.value[1]), pos(c.value[2]).origin);
}

void get_hold_position(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !is_team(c.value[1])) return;
  pos(c.value[0]).origin = mission().hold_position(static_cast<int>(c.value[1]), class_word(c.value[2]));
}

void get_leader(operation_call& c) {
  if (is_team(c.value[1])) c.store(mission().team_leader(static_cast<int>(c.value[1])));
}

void set_leader(operation_call& c) {
  if (!is_team(c.value[0]) || !validate_agent_id(c.value[1])) return;
  mission().set_team_leader(static_cast<int>(c.value[0]), static_cast<std::int32_t>(c.value[1]));
}

void select_classes(operation_call& c) {
  if (is_team(c.value[0])) mission().select_classes(static_cast<int>(c.value[0]), class_word(c.value[1]));
}

void set_relation(operation_call& c) {
  if (!is_team(c.value[0]) || !is_team(c.value[1]) || c.value[2] < -1 || c.value[2] > 1) return;
  mission().set_team_relation(static_cast<int>(c.value[0]), static_cast<int>(c.value[1]),
                              static_cast<int>(c.value[2]));
}

void set_battle_values(operation_call& c) {
  if (mission().has_mission()) mission().set_battle_values(c.value[0], c.value[1]);
}

void scene_boundaries(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  vec3 low;
  vec3 high;
  mission().scene_rectangle(low, high);
  pos(c.value[0]) = frame::identity();
  pos(c.value[1]) = frame::identity();
  pos(c.value[0]).origin = vec3(low.x, low.y, 0.0f);
  pos(c.value[1]).origin = vec3(high.x, high.y, 0.0f);
}

}  // namespace

void register_mission_team_operations() {
  register_operation(1775, class_is_selected);
  register_operation(1780, entry_point_position);
  register_operation(1784, read_order<order_field::firing>);
  register_operation(1785, read_order<order_field::movement>);
  register_operation(1786, read_order<order_field::riding>);
  register_operation(1787, read_order<order_field::weapons>);
  register_operation(1788, teams_are_enemies);
  register_operation(1790, give_order);
  register_operation(1791, set_hold_position);
  register_operation(1792, get_leader);
  register_operation(1793, set_leader);
  register_operation(1794, get_hold_position);
  register_operation(1795, select_classes);
  register_operation(1796, set_relation);
  register_operation(1797, set_battle_values);
  register_operation(1799, scene_boundaries);
}

}  // namespace hm
