// Agents of the running mission as module scripts read and steer them: the
// player's agent, liveness and kind tests, positions, mount and rider, hit
// points, scripted blows, weapons and ammunition, destinations, speed,
// animation, voice and team. Every agent id goes through the agent validator
// (a warning, and the operation stops); the mission answers for an agent that
// is no longer in use exactly as for an id it never had.
#include <cmath>
#include <cstdint>

#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {
namespace {

using field = script_mission_host::agent_field;

script_mission_host& mission() { return *current_script_host().mission; }
frame& pos(std::int64_t index) { return g_script_state.position_registers[static_cast<std::size_t>(index)]; }
int id(std::int64_t v) { return static_cast<std::int32_t>(v); }

// --- the player's agent and agent tests ---

void get_player_agent(operation_call& c) {
  if (mission().has_mission()) c.store(mission().player_agent());
}

// p0 lvalue, p1 which: the first or the second word of a pair the game keeps.
template <int pair>
void game_query_word(operation_call& c) {
  const auto& words = current_script_host().campaign->game_words().mission_query_words;
  c.store(words[static_cast<std::size_t>(pair * 2 + (c.value[1] == 0 ? 0 : 1))]);
}

// p0 agent: state tests and the kind test.
template <int state>
void agent_state_is(operation_call& c) {
  c.result = validate_agent_id(c.value[0]) && mission().agent_state(id(c.value[0])) == state;
}

void agent_is_human(operation_call& c) {
  c.result = validate_agent_id(c.value[0]) && mission().agent_word(id(c.value[0]), field::kind) == 0;
}

// Allies and enemies are the relations of the player's team towards the
// agent's. Without a player agent the tests have nothing to compare with and
// succeed; false when the test is settled (a bad id or no player).
bool relation_to_player(operation_call& c, int& relation) {
  if (!validate_agent_id(c.value[0])) {
    c.result = false;
    return false;
  }
  const int player = mission().player_agent();
  if (player < 0) return false;
  relation = mission().team_relation(mission().agent_word(player, field::team),
                                     mission().agent_word(id(c.value[0]), field::team));
  return true;
}

void agent_is_ally(operation_call& c) {
  int relation = 0;
  if (relation_to_player(c, relation)) c.result = relation > 0;
}

// Whether the player counts the agent as an enemy: in a mission of mode 0
// (and mode 2 with sub-mode 1) only allies count, so the test reads the ally
// relation there; elsewhere it reads the enemy relation.
void agent_is_enemy(operation_call& c) {
  int relation = 0;
  if (!relation_to_player(c, relation)) return;
  const int mode = mission().mission_word(mission_word_mode);
  if (mode == 0 || (mode == 2 && mission().mission_word(mission_word_sub_mode) == 1)) {
    c.result = relation > 0;
  } else {
    c.result = relation < 0;
  }
}

// --- positions ---

void agent_position(operation_call& c, bool entity_frame) {
  if (!validate_register_id(c.value[0]) || !validate_agent_id(c.value[1])) return;
  pos(c.value[0]) = mission().agent_position_frame(id(c.value[1]), entity_frame);
}
void get_agent_position(operation_call& c) { agent_position(c, false); }
void get_agent_frame(operation_call& c) { agent_position(c, true); }

void set_agent_position(operation_call& c) {
  if (!validate_agent_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  mission().move_agent(id(c.value[0]), pos(c.value[1]).origin);
}

// --- words ---

// p0 lvalue, p1 agent: p0 = the agent's word.
template <field f>
void read_word(operation_call& c) {
  if (validate_agent_id(c.value[1])) c.store(mission().agent_word(id(c.value[1]), f));
}

// p0 agent, p1: the agent's word = p1 (low 32 bits).
template <field f>
void write_word(operation_call& c) {
  if (validate_agent_id(c.value[0])) mission().set_agent_word(id(c.value[0]), f, static_cast<std::int32_t>(c.value[1]));
}

void read_paired_word(operation_call& c) {
  if (!validate_agent_id(c.value[1])) return;
  c.store(mission().agent_word(id(c.value[1]), c.value[2] == 0 ? field::paired_word_0 : field::paired_word_1));
}

// --- hit points ---

void get_hit_points(operation_call& c) {
  if (!validate_agent_id(c.value[1])) return;
  const int agent = id(c.value[1]);
  const float hp = mission().agent_hit_points(agent);
  if (c.value[2] == 1) {
    c.store(static_cast<std::int64_t>(hp));
    return;
  }
  const float maximum = mission().agent_max_hit_points(agent);
  // An agent without a maximum has no share of it left.
  c.store(maximum > 0.0f ? static_cast<std::int64_t>(hp * 100.0f / maximum) : 0);
}

void set_hit_points(operation_call& c) {
  if (!validate_agent_id(c.value[0])) return;
  const int agent = id(c.value[0]);
  const float maximum = mission().agent_max_hit_points(agent);
  const std::int64_t top = static_cast<std::int64_t>(maximum + 1.0f) - 1;
  std::int64_t hp = c.value[2] == 1 ? c.value[1]
                                    : static_cast<std::int64_t>(static_cast<float>(c.value[1]) * maximum * 0.01f);
  if (hp > top) hp = top;
  if (hp < 0) hp = 0;
  mission().set_agent_hit_points(agent, static_cast<float>(hp));
}

void deliver_blow(operation_call& c) {
  if (!validate_agent_id(c.value[0]) || !validate_agent_id(c.value[1])) return;
  mission().deliver_scripted_blow(id(c.value[0]), id(c.value[1]));
}

// --- weapons ---

void get_wielded_item(operation_call& c) {
  if (!validate_agent_id(c.value[1])) return;
  if (c.value[2] < 0 || c.value[2] > 1) return;
  c.store(mission().wielded_item_kind(id(c.value[1]), static_cast<int>(c.value[2])));
}

void get_ammo(operation_call& c) {
  if (validate_agent_id(c.value[1])) c.store(mission().remaining_ammo(id(c.value[1])));
}

void refill_ammo(operation_call& c) {
  if (validate_agent_id(c.value[0])) mission().refill_agent_ammo(id(c.value[0]), static_cast<int>(c.value[1]));
}

void agent_has_item(operation_call& c) {
  c.result = validate_agent_id(c.value[0]) && mission().agent_has_item(id(c.value[0]), c.value[1]);
}

// --- steering ---

void set_destination(operation_call& c) {
  if (!validate_agent_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  frame& target = pos(c.value[1]);
  float height = 0.0f;
  // The ground height is kept in the register as well.
  if (c.value[2] != 0 && mission().in_ground_area(target.origin.x, target.origin.y) &&
      mission().ground_height_in_scene(target.origin.x, target.origin.y, height)) {
    target.origin.z = height;
  }
  mission().set_scripted_destination(id(c.value[0]), target);
}

void get_destination(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_agent_id(c.value[1])) return;
  pos(c.value[0]) = mission().scripted_destination(id(c.value[1]));
}

void clear_destination(operation_call& c) {
  if (validate_agent_id(c.value[0])) mission().clear_scripted_destination(id(c.value[0]));
}

// p1 in kilometres per hour.
void set_speed_limit(operation_call& c) {
  if (validate_agent_id(c.value[0])) {
    mission().set_speed_limit(id(c.value[0]), static_cast<float>(c.value[1]) * 0.2777778f);
  }
}

void set_animation(operation_call& c) {
  if (validate_agent_id(c.value[0])) mission().set_agent_action(id(c.value[0]), static_cast<int>(c.value[1]));
}

// p1 a fixed-point fraction: its remainder over the multiplier.
void set_animation_progress(operation_call& c) {
  if (!validate_agent_id(c.value[0])) return;
  const std::int64_t m = g_script_state.fixed_point_multiplier;
  if (m == 0) return;
  mission().set_animation_progress(id(c.value[0]),
                                   static_cast<float>(c.value[1] % m) / static_cast<float>(m));
}

void play_voice(operation_call& c) {
  if (!validate_agent_id(c.value[0]) || !validate_sound_id(c.value[1])) return;
  mission().play_agent_voice(id(c.value[0]), static_cast<int>(c.value[1]));
}

void set_team(operation_call& c) {
  if (validate_agent_id(c.value[0])) mission().set_agent_team(id(c.value[0]), c.value[1]);
}

}  // namespace

void register_mission_agent_operations() {
  register_operation(1700, get_player_agent);
  register_operation(1701, game_query_word<0>);
  register_operation(1702, agent_state_is<1>);
  register_operation(1703, agent_state_is<4>);
  register_operation(1704, agent_is_human);
  register_operation(1705, game_query_word<1>);
  register_operation(1706, agent_is_ally);
  register_operation(1708, agent_is_enemy);
  register_operation(1709, get_agent_position);
  register_operation(1710, get_agent_frame);
  register_operation(1711, set_agent_position);
  register_operation(1714, read_word<field::mount>);
  register_operation(1715, read_word<field::rider>);
  register_operation(1716, read_word<field::origin_word>);
  register_operation(1717, read_word<field::read_word>);
  register_operation(1718, read_word<field::troop>);
  register_operation(1719, read_word<field::troop_word>);
  register_operation(1720, get_hit_points);
  register_operation(1721, set_hit_points);
  register_operation(1722, deliver_blow);
  register_operation(1723, read_paired_word);
  register_operation(1726, get_wielded_item);
  register_operation(1727, get_ammo);
  register_operation(1728, refill_ammo);
  register_operation(1729, agent_has_item);

  register_operation(1730, set_destination);
  register_operation(1731, get_destination);
  register_operation(1735, clear_destination);
  register_operation(1736, set_speed_limit);
  register_operation(1737, write_word<field::script_word_1>);
  register_operation(1738, read_word<field::ai_mode>);
  register_operation(1739, read_word<field::script_value>);
  register_operation(1740, set_animation);
  register_operation(1741, write_word<field::script_word_2>);
  register_operation(1742, write_word<field::script_word_3>);
  register_operation(1743, set_animation_progress);
  register_operation(1750, play_voice);
  register_operation(1770, read_word<field::team>);
  register_operation(1771, set_team);
  register_operation(1772, read_word<field::order_class>);
}

}  // namespace hm
