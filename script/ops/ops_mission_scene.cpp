// Operations on the scene of the running mission: its scene-prop instances,
// its fog, the mission values scripts set and its countdown.
#include <cstdint>

#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {
namespace {

script_mission_host& mission() { return *current_script_host().mission; }
frame& pos(std::int64_t index) { return g_script_state.position_registers[static_cast<std::size_t>(index)]; }
int id(std::int64_t v) { return static_cast<std::int32_t>(v); }

// --- scene-prop instances ---

void count_instances(operation_call& c) {
  if (!mission().has_mission() || !validate_scene_prop_id(c.value[1])) return;
  c.store(mission().count_prop_instances(id(c.value[1])));
}

// Fails (leaving p0 alone) when there are not n + 1 instances of the kind.
void find_instance(operation_call& c) {
  if (!mission().has_mission() || !validate_scene_prop_id(c.value[1])) return;
  const int instance = c.value[2] < 0 ? -1 : mission().nth_prop_instance(id(c.value[1]), id(c.value[2]));
  if (instance < 0) {
    c.result = false;
    return;
  }
  c.store(instance);
}

template <int which>
void instance_frame(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_scene_prop_instance_id(c.value[1])) return;
  pos(c.value[0]) = mission().prop_instance_frame(id(c.value[1]), which);
}

void set_instance_frame(operation_call& c) {
  if (!validate_scene_prop_instance_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  mission().set_prop_instance_frame(id(c.value[0]), pos(c.value[1]));
}

// p2 the duration in hundredths of a second.
void move_instance(operation_call& c) {
  if (!validate_scene_prop_instance_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  mission().start_prop_move(id(c.value[0]), pos(c.value[1]), static_cast<float>(c.value[2]) / 100.0f);
}

void check_scene_prop(operation_call& c) { validate_scene_prop_id(c.value[0]); }

// --- mission values ---

void set_value_5(operation_call& c) {
  if (mission().has_mission()) mission().set_mission_word(mission_word_value_5, static_cast<std::int32_t>(c.value[0]));
}

void start_countdown(operation_call& c) {
  if (mission().has_mission()) mission().start_countdown(static_cast<float>(c.value[0]));
}

void find_last_agent_of_troop(operation_call& c) {
  if (!mission().has_mission()) return;
  mission().set_mission_word(mission_word_value_6, mission().last_live_agent_of_troop(id(c.value[0])));
}

// p0 the fog's distance, p1 its colour (0: the skybox's fog colour).
void set_fog_distance(operation_call& c) {
  script_mission_host& mission = *current_script_host().mission;
  if (!mission.has_mission()) return;
  mission.set_fog(static_cast<float>(c.value[0]), c.value[1] == 0, static_cast<std::uint32_t>(c.value[1]));
}

}  // namespace

void register_mission_scene_operations() {
  register_operation(1798, set_fog_distance);
  register_operation(1810, count_instances);
  register_operation(1811, find_instance);
  register_operation(1850, instance_frame<0>);
  register_operation(1851, instance_frame<1>);
  register_operation(1852, instance_frame<2>);
  register_operation(1855, set_instance_frame);
  register_operation(1860, move_instance);
  register_operation(1906, set_value_5);
  register_operation(1907, start_countdown);
  register_operation(1920, find_last_agent_of_troop);
  register_operation(1974, check_scene_prop);
}

}  // namespace hm
