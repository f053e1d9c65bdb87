#include "script/script_errors.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "script/operand.h"
#include "script/operation.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {

interpreter_state g_interpreter;

namespace {

void write_line(std::string_view line) {
  const script_host& host = current_script_host();
  host.ui->add_message_line(line, script_error_colour);
  host.engine->log_line(line);
}

std::int32_t low32(std::int64_t value) { return static_cast<std::int32_t>(value); }

// Reports "<format with opcode word and id>" and returns false.
bool fail(const char* format, std::int32_t id) {
  report_script_error_f(format, static_cast<std::int32_t>(current_opcode_word()), id);
  return false;
}

bool in_range(std::int32_t id, int count) { return id >= 0 && id < count; }

bool check(std::int64_t value, int count, const char* format) {
  const std::int32_t id = low32(value);
  return in_range(id, count) || fail(format, id);
}

const script_module_host& module() { return *current_script_host().module; }

}  // namespace

void report_script_error(std::string_view message) {
  std::string line(message);
  line += "; LINE NO: ";
  line += std::to_string(g_interpreter.current_statement);
  line += ':';
  write_line(line);
  g_interpreter.error_flag = 1;
  if (!message.starts_with("SCRIPT WARNING")) ++g_interpreter.errors_reported;
}

void report_script_error_f(const char* format, ...) {
  char message[512];
  std::va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  if (written < 0) message[0] = 0;
  report_script_error(message);
}

void report_block_context(const statement_block& block) {
  std::string line = "At ";
  line += block.name.view();
  line += '.';
  write_line(line);
}

bool validate_script_param_id(std::int64_t id, std::int32_t param_count) {
  return check(id, param_count, "SCRIPT ERROR ON OPCODE %d: Invalid Script Parameter ID: %d");
}
bool validate_register_id(std::int64_t id) {
  return check(id, script_register_count, "SCRIPT ERROR ON OPCODE %d: Invalid Register ID: %d");
}
bool validate_presentation_id(std::int64_t id) {
  return check(id, module().presentation_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Presentation ID: %d");
}
bool validate_string_id(std::int64_t id, int tag) {
  switch (tag) {
    case operand_tag::module_string:
      return check(id, module().module_string_count(), "SCRIPT ERROR ON OPCODE %d: Invalid String ID: %d");
    case operand_tag::quick_string:
      return check(id, module().quick_string_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Quick String ID: %d");
    case operand_tag::constant:
      return check(id, script_register_count, "SCRIPT ERROR ON OPCODE %d: Invalid String Register ID: %d");
    default:
      return true;
  }
}
bool validate_mesh_id(std::int64_t id) {
  return check(id, module().mesh_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Mesh ID: %d");
}
bool validate_menu_id(std::int64_t id) {
  return check(id, module().menu_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Menu ID: %d");
}
bool validate_troop_id(std::int64_t id) {
  return check(id, module().troop_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Troop ID: %d");
}
bool validate_quest_id(std::int64_t id) {
  return check(id, module().quest_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Quest ID: %d");
}
bool validate_faction_id(std::int64_t id) {
  return check(id, module().faction_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Faction ID: %d");
}
bool validate_item_kind_id(std::int64_t id) {
  return check(id, module().item_kind_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Item Kind ID: %d");
}
bool validate_scene_id(std::int64_t id) {
  return check(id, module().scene_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Scene ID: %d");
}
bool validate_mission_template_id(std::int64_t id) {
  return check(id, module().mission_template_count(),
               "SCRIPT ERROR ON OPCODE %d: Invalid Mission Template ID: %d");
}
bool validate_party_template_id(std::int64_t id) {
  return check(id, module().party_template_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Party Template ID: %d");
}
bool validate_map_icon_id(std::int64_t id) {
  return check(id, module().map_icon_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Map Icon ID: %d");
}

bool validate_party_id(std::int64_t value) {
  const std::int32_t id = low32(value);
  const script_campaign_host& campaign = *current_script_host().campaign;
  const int end_id = campaign.party_end_id();
  if (end_id > 0 && static_cast<std::uint32_t>(id) < static_cast<std::uint32_t>(end_id)) {
    const int slot = campaign.find_party_slot(id);
    if (slot >= 0 && campaign.party_slot_state(slot) == 1) return true;
  }
  return fail("SCRIPT ERROR ON OPCODE %d: Invalid Party ID: %d", id);
}

bool validate_particle_system_id(std::int64_t id) {
  return check(id, module().particle_system_count(),
               "SCRIPT WARNING ON OPCODE %d: Invalid particle_system ID: %d");
}
bool validate_scene_prop_id(std::int64_t id) {
  return check(id, module().scene_prop_kind_count(), "SCRIPT WARNING ON OPCODE %d: Invalid Scene_prop ID: %d");
}
bool validate_scene_prop_instance_id(std::int64_t id) {
  return check(id, current_script_host().mission->scene_prop_instance_count(),
               "SCRIPT WARNING ON OPCODE %d: Invalid Scene_prop Instance ID: %d");
}

bool validate_sound_id(std::int64_t value) {
  const std::int32_t id = low32(value);
  if (in_range(id, module().sound_count())) return true;
  if (current_script_host().engine->disable_sound()) return false;
  return fail("SCRIPT WARNING ON OPCODE %d: Invalid Sound ID: %d", id);
}

bool validate_tableau_id(std::int64_t id) {
  return check(id, current_script_host().render->tableau_count(),
               "SCRIPT WARNING ON OPCODE %d: Invalid Tableau ID: %d");
}

bool validate_track_id(std::int64_t value) {
  const std::int32_t id = low32(value);
  if (in_range(id, module().music_track_count())) return true;
  const script_engine_host& engine = *current_script_host().engine;
  if (engine.disable_music() || engine.disable_sound()) return false;
  return fail("SCRIPT WARNING ON OPCODE %d: Invalid Track ID: %d", id);
}

bool validate_agent_id(std::int64_t value) {
  const std::int32_t id = low32(value);
  const script_mission_host& mission = *current_script_host().mission;
  if (in_range(id, mission.agent_slot_count()) && mission.agent_slot_in_use(id)) return true;
  return fail("SCRIPT WARNING ON OPCODE %d: Invalid Agent ID: %d", id);
}

bool validate_animation_id(std::int64_t id) {
  return check(id, module().animation_count(), "SCRIPT ERROR ON OPCODE %d: Invalid Animation ID: %d");
}

}  // namespace hm
