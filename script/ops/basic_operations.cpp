// The families of operations built so far: the comparisons and arithmetic, the
// game-state conditions, slots, positions, sound and music, messages and
// notes, the conversation's exits and queries, the party operations and the
// presentations.
#include "script/arithmetic.h"
#include "script/interpreter.h"
#include "script/ops/ops_registration.h"

namespace hm {

void register_basic_operations() {
  register_arithmetic_operations();
  register_condition_operations();
  register_slot_operations();
  register_position_operations();
  register_message_operations();
  register_conversation_operations();
  register_party_operations();
  register_party_member_operations();
  register_troop_operations();
  register_world_operations();
  register_query_operations();
  register_mission_scene_operations();
  register_presentation_operations();
  register_tableau_operations();
  register_mission_agent_operations();
  register_mission_team_operations();
  register_mission_camera_operations();
}

}  // namespace hm
