#pragma once
// The registration functions of the operation families built beside the core
// ones; register_basic_operations calls them.
#include <cstdint>

#include "script/interpreter.h"

namespace hm {

// Game-state tests and small setters of game, party, troop and quest state.
void register_condition_operations();
// Object slots on the eight record kinds.
void register_slot_operations();
// Position registers, sound and music requests.
void register_position_operations();
// Messages, notes, tableau materials, the message box.
void register_message_operations();
// Conversation exits and the troop, faction and party queries.
void register_conversation_operations();
// Party operations: stacks, fields, the AI's fields, placement, attachment,
// experience, upgrades and casualties.
void register_party_operations();
// Troops joining and leaving the player's party, experience, spawning, the
// game words for the world map, the mission's end tests, item-kind factors.
void register_party_member_operations();
// Troops, their inventories and equipment, merchants' goods.
void register_troop_operations();
// Troops in scenes and scene entry slots, factions, quests, the encounter's
// side and next menu, merchandise settings.
void register_world_operations();
// Random picks, party, template and quest queries, names in string registers,
// the date text, the mission's team statistics and script timers.
void register_query_operations();
// The mission scene's props, fog, values and countdown.
void register_mission_scene_operations();
// Agents of the mission: tests, positions, words, hit points, weapons,
// destinations, animation, voice and team.
void register_mission_agent_operations();
// Teams, their relations and leaders, battle orders, entry points and the
// scene rectangle.
void register_mission_team_operations();
// The strength of the side of a team: the live agents of the teams it is
// allied with, scaled by the mission's strength word; 0 without a player
// agent in a team.
std::int32_t get_side_strength(int team);

// The camera mission scripts steer, the game's script words and texts, and
// the current menu's background.
void register_mission_camera_operations();

// Starting presentations and making and changing the running one's widgets.
void register_presentation_operations();
// Building the tableau scene being drawn, and putting tableaus on the meshes
// of the object whose trigger runs.
void register_tableau_operations();

}  // namespace hm
