#pragma once
// Script errors and the id validators. A script error never stops the game: it
// is one line on the on-screen message list and in the log, and the statement
// goes on as far as it can.
#include <cstdint>
#include <string_view>

#include "script/interpreter_state.h"

namespace hm {

struct statement_block;

inline constexpr std::uint32_t script_error_colour = 0xFFFF5555u;

// "<message>; LINE NO: <current statement>:" to the message list (in
// script_error_colour) and the log; sets the error flag.
void report_script_error(std::string_view message);
// Printf-style form of the above; the message is cut at 511 characters.
void report_script_error_f(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The context line "At <block name>." through the same channel, without
// touching the error flag.
void report_block_context(const statement_block& block);

// Validators: each takes the id (the low 32 bits of the value), returns true
// when it is valid, and otherwise reports its message with the current opcode
// word and the id (some stay silent, see below) and returns false. None changes
// any state but the error flag.
bool validate_script_param_id(std::int64_t id, std::int32_t param_count);
bool validate_register_id(std::int64_t id);
bool validate_presentation_id(std::int64_t id);
// By the parameter's tag: 3 a module string, 22 a quick string, 0 a string
// register; any other tag is valid.
bool validate_string_id(std::int64_t id, int tag);
bool validate_mesh_id(std::int64_t id);
bool validate_menu_id(std::int64_t id);
bool validate_troop_id(std::int64_t id);
bool validate_quest_id(std::int64_t id);
bool validate_faction_id(std::int64_t id);
bool validate_item_kind_id(std::int64_t id);
bool validate_scene_id(std::int64_t id);
bool validate_mission_template_id(std::int64_t id);
bool validate_party_template_id(std::int64_t id);
bool validate_map_icon_id(std::int64_t id);
// Below the pool's end id (taken unsigned), in the pool's id map, and active.
bool validate_party_id(std::int64_t id);
bool validate_particle_system_id(std::int64_t id);
bool validate_scene_prop_id(std::int64_t id);
bool validate_scene_prop_instance_id(std::int64_t id);
// Silent while sound is disabled.
bool validate_sound_id(std::int64_t id);
bool validate_tableau_id(std::int64_t id);
// Silent while music or sound is disabled.
bool validate_track_id(std::int64_t id);
// Below the mission's agent slot count and the slot in use.
bool validate_agent_id(std::int64_t id);
bool validate_animation_id(std::int64_t id);

}  // namespace hm
