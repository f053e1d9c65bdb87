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

// Only while the scene's props are being placed (the trigger of event -19).
void replace_kind(operation_call& c) {
  if (c.context != -19 || !mission().has_mission()) return;
  if (!validate_scene_prop_id(c.value[0]) || !validate_scene_prop_id(c.value[1])) return;
  mission().replace_prop_kind(id(c.value[0]), id(c.value[1]));
}

// --- the next mission and the game's frame ---

game_script_words& game() { return current_script_host().campaign->game_words(); }

void set_next_scene(operation_call& c) { game().next_scene = id(c.value[0]); }
void set_next_value(operation_call& c) { game().next_mission_value = id(c.value[0]); }
void set_next_entry(operation_call& c) {
  if (c.value[0] >= 0 && c.value[0] <= 63) game().next_entry_point = id(c.value[0]);
}
void set_next_flag_1(operation_call&) { game().next_mission_flag_1 = 1; }
void set_next_flag_2(operation_call&) { game().next_mission_flag_2 = 1; }

void store_frame(operation_call& c) {
  if (validate_register_id(c.value[0])) game().stored_frame = pos(c.value[0]);
}

// --- lights (values in hundredths) ---

void set_light_colour(operation_call& c) {
  game().light_colour = vec3(static_cast<float>(c.value[0]), static_cast<float>(c.value[1]),
                             static_cast<float>(c.value[2])) * 0.01f;
}

void set_light_position(operation_call& c) {
  game().light_position = vec3(static_cast<float>(c.value[0]), static_cast<float>(c.value[1]),
                               static_cast<float>(c.value[2])) * 0.01f;
}

// Outside an agent's item trigger the light goes to the mission's scene at
// the reference frame; an item's own light needs the item's bone, which the
// agent's entity keeps.
void add_light(operation_call& c) {
  if (c.value[0] < 0 || c.value[1] < 0 || c.context == -50) return;
  if (!mission().has_mission()) return;
  const game_script_words& g = game();
  vec3 where;
  g.reference_frame.transform_point_to_global(where, g.light_position);
  mission().add_scene_light(where, g.light_colour, static_cast<float>(c.value[0]) * 0.01f,
                            static_cast<float>(c.value[1]) * 0.01f);
}

// --- particle systems (positions in hundredths) ---

// At the light position on the object whose trigger runs.
void add_particle_system(operation_call& c) {
  if (!validate_particle_system_id(c.value[0])) return;
  mission().add_trigger_particle_system(c.context, id(c.value[0]), game().light_position);
}

void restart_particle_system(operation_call& c) {
  if (!validate_particle_system_id(c.value[0])) return;
  mission().restart_trigger_particle_system(c.context, id(c.value[0]), id(c.value[1]));
}

// p2 the strength, 0 for the kind's own (100).
void add_mission_particle_system(operation_call& c) {
  if (!mission().has_mission()) return;
  if (!validate_particle_system_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  mission().add_mission_particle_system(id(c.value[0]), pos(c.value[1]), c.value[2] == 0 ? 100 : id(c.value[2]));
}

// --- reinforcements and spawning at the reference frame ---

// An item lying at the reference frame; register 0 its scene-prop instance.
// A modifier outside the table's 0..42 gives the plain item.
void spawn_item(operation_call& c) {
  g_script_state.registers[0] = -1;
  if (!mission().has_mission() || !validate_item_kind_id(c.value[0])) return;
  const int modifier = c.value[1] >= 0 && c.value[1] < 43 ? id(c.value[1]) : -1;
  g_script_state.registers[0] = mission().spawn_item_at(id(c.value[0]), modifier, game().reference_frame);
}


void add_reinforcements(operation_call& c) {
  if (mission().has_mission()) mission().add_reinforcements(id(c.value[0]), id(c.value[1]));
}

void spawn_agent(operation_call& c) {
  g_script_state.registers[0] = -1;
  if (!mission().has_mission() || !validate_troop_id(c.value[0])) return;
  g_script_state.registers[0] = mission().spawn_agent_at(id(c.value[0]), game().reference_frame);
}

void spawn_horse(operation_call& c) {
  g_script_state.registers[0] = -1;
  if (!mission().has_mission() || !validate_item_kind_id(c.value[0])) return;
  const int modifier = c.value[1] >= 0 && c.value[1] < 43 ? id(c.value[1]) : -1;
  g_script_state.registers[0] = mission().spawn_horse_at(id(c.value[0]), modifier, game().reference_frame);
}

// --- spawn records of mission templates (records checked silently) ---

script_module_host& module() { return *current_script_host().module; }

bool valid_spawn_record(operation_call& c) {
  if (!validate_mission_template_id(c.value[0])) return false;
  return c.value[1] >= 0 && c.value[1] < module().spawn_record_count(id(c.value[0]));
}

void set_spawn_flags(operation_call& c) {
  if (valid_spawn_record(c)) module().set_spawn_record_flags(id(c.value[0]), id(c.value[1]), static_cast<std::uint32_t>(c.value[2]));
}
void clear_overrides(operation_call& c) {
  if (valid_spawn_record(c)) module().clear_spawn_record_overrides(id(c.value[0]), id(c.value[1]));
}
void add_override(operation_call& c) {
  if (valid_spawn_record(c)) module().add_spawn_record_override(id(c.value[0]), id(c.value[1]), id(c.value[2]));
}

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
  register_operation(1890, replace_kind);
  register_operation(1910, set_next_scene);
  register_operation(1911, set_next_value);
  register_operation(1912, set_next_entry);
  register_operation(1935, set_next_flag_1);
  register_operation(1936, set_next_flag_2);
  register_operation(1940, set_spawn_flags);
  register_operation(1941, clear_overrides);
  register_operation(1942, add_override);
  register_operation(1930, add_reinforcements);
  register_operation(1950, set_light_colour);
  register_operation(1955, set_light_position);
  register_operation(1960, add_light);
  register_operation(1965, add_particle_system);
  register_operation(1968, restart_particle_system);
  register_operation(1969, add_mission_particle_system);
  register_operation(1970, store_frame);
  register_operation(1971, spawn_item);
  register_operation(1972, spawn_agent);
  register_operation(1973, spawn_horse);
  register_operation(1974, check_scene_prop);
}

}  // namespace hm
