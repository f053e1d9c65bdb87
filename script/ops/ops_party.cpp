// Operations on the parties of the world map: their members and prisoners,
// names, flags, faction, icons and position, the AI's fields, experience and
// upgrades, casualties and attachment. The campaign does the work; these
// check the operands and hand the results back.
#include <algorithm>
#include <cstdint>

#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr int party_skill_count = 42;
constexpr std::uint64_t map_icon_mask = 0xFF;

script_campaign_host& campaign() { return *current_script_host().campaign; }
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }
float as_float(std::int64_t v) { return static_cast<float>(v); }
frame& pos(std::int64_t index) { return g_script_state.position_registers[static_cast<std::size_t>(index)]; }
void set_register_0(std::int64_t v) { g_script_state.registers[0] = v; }

bool valid_party(std::int64_t id) { return validate_party_id(id); }
bool valid_party_troop(const operation_call& c) { return valid_party(c.value[0]) && validate_troop_id(c.value[1]); }

// Member stacks: the stacks before the first prisoner stack.
int member_stack_count(int party) {
  const int count = campaign().party_stack_count(party);
  int i = 0;
  while (i < count && (campaign().party_stack(party, i).flags & 1) == 0) ++i;
  return i;
}

// Troops of a troop in a party's stacks of one prisoner state.
std::int64_t count_troop(int party, int troop, bool prisoners) {
  std::int64_t total = 0;
  const int count = campaign().party_stack_count(party);
  for (int i = 0; i < count; ++i) {
    const script_troop_stack s = campaign().party_stack(party, i);
    if (s.troop == troop && ((s.flags & 1) != 0) == prisoners) total += s.count;
  }
  return total;
}

void warn(const char* what, std::int32_t id) {
  report_script_error_f("SCRIPT WARNING ON OPCODE %d: %s: %d", static_cast<std::int32_t>(current_opcode_word()), what, id);
}

// --- counts ---

void member_count(operation_call& c) {
  if (valid_party(c.value[1])) c.store(campaign().party_member_count(low32(c.value[1])));
}

void prisoner_count(operation_call& c) {
  if (valid_party(c.value[1])) c.store(campaign().party_prisoner_count(low32(c.value[1])));
}

void troop_count(operation_call& c) {
  if (!valid_party(c.value[1]) || !validate_troop_id(c.value[2])) return;
  const int party = low32(c.value[1]);
  const int troop = low32(c.value[2]);
  const std::uint32_t opcode = current_opcode_word() & opcode_bits_mask;
  if (opcode == 1630) {
    c.store(count_troop(party, troop, false) + count_troop(party, troop, true));
  } else {
    c.store(count_troop(party, troop, opcode == 1632));
  }
}

void free_companion_room(operation_call& c) {
  if (!valid_party(c.value[1])) return;
  const int party = low32(c.value[1]);
  c.store(static_cast<std::int64_t>(campaign().party_companion_limit(party)) - campaign().party_member_count(party));
}

void free_prisoner_room(operation_call& c) {
  if (!valid_party(c.value[1])) return;
  const int party = low32(c.value[1]);
  c.store(static_cast<std::int64_t>(campaign().party_prisoner_limit(party)) - campaign().party_prisoner_count(party));
}

// --- fields ---

void set_flags(operation_call& c) {
  if (!valid_party(c.value[0])) return;
  const int party = low32(c.value[0]);
  const auto mask = static_cast<std::uint64_t>(c.value[1]);
  const std::uint64_t flags = campaign().party_flags(party);
  campaign().set_party_flags(party, c.value[2] != 0 ? flags | mask : flags & ~mask, true);
}

void set_text(operation_call& c) {
  if (!valid_party(c.value[0]) || !validate_string_id(c.value[1], c.tag[1])) return;
  campaign().set_party_text(low32(c.value[0]), format_text(get_string_by_reference(c.value[1], c.tag[1])));
}

void set_name(operation_call& c) {
  if (!valid_party(c.value[0]) || !validate_string_id(c.value[1], c.tag[1])) return;
  campaign().set_party_name(low32(c.value[0]), format_text(get_string_by_reference(c.value[1], c.tag[1])));
}

void terrain(operation_call& c) {
  if (valid_party(c.value[1])) c.store(campaign().party_terrain(low32(c.value[1])));
}

void party_template(operation_call& c) {
  if (valid_party(c.value[1])) c.store(campaign().party_template_of(low32(c.value[1])));
}

void set_faction(operation_call& c) {
  if (valid_party(c.value[0]) && validate_faction_id(c.value[1])) {
    campaign().set_party_faction(low32(c.value[0]), low32(c.value[1]));
  }
}

void set_map_icon(operation_call& c) {
  if (!valid_party(c.value[0]) || !validate_map_icon_id(c.value[1])) return;
  const int party = low32(c.value[0]);
  const std::uint64_t flags = campaign().party_flags(party);
  campaign().set_party_flags(party, (flags & ~map_icon_mask) | (static_cast<std::uint64_t>(c.value[1]) & map_icon_mask),
                             true);
}

void set_second_icon(operation_call& c) {
  if (valid_party(c.value[0]) && validate_map_icon_id(c.value[1])) {
    campaign().set_party_second_icon(low32(c.value[0]), low32(c.value[1]));
  }
}

void map_icon(operation_call& c) {
  if (valid_party(c.value[1])) c.store(static_cast<std::int64_t>(campaign().party_flags(low32(c.value[1])) & map_icon_mask));
}

void add_particle_system(operation_call& c) {
  if (!valid_party(c.value[0]) || !validate_particle_system_id(c.value[1])) return;
  campaign().add_party_particle_system(low32(c.value[0]), low32(c.value[1]));
}

void clear_particle_systems(operation_call& c) {
  if (valid_party(c.value[0])) campaign().clear_party_particle_systems(low32(c.value[0]));
}

// The first share in percent, held to 0 .. 100 (the operand after the party:
// the party id itself is no percentage).
void set_first_share_clamped(operation_call& c) {
  if (!valid_party(c.value[0])) return;
  campaign().set_party_share(low32(c.value[0]), 0, as_float(std::clamp<std::int64_t>(c.value[1], 0, 100)) * 0.01f);
}

void set_first_share(operation_call& c) {
  if (valid_party(c.value[0])) campaign().set_party_share(low32(c.value[0]), 0, as_float(c.value[1]) * 0.01f);
}

void second_share(operation_call& c) {
  if (valid_party(c.value[1])) c.store(round_half_down(campaign().party_share(low32(c.value[1]), 1) * 100.0f));
}

void set_second_share(operation_call& c) {
  if (!valid_party(c.value[0])) return;
  campaign().set_party_share(low32(c.value[0]), 1, as_float(std::clamp<std::int64_t>(c.value[1], 0, 100)) * 0.01f);
}

// --- the AI ---

void set_ai_behaviour(operation_call& c) {
  if (valid_party(c.value[0])) campaign().set_party_ai_behaviour(low32(c.value[0]), low32(c.value[1]));
}

void set_ai_target_party(operation_call& c) {
  if (valid_party(c.value[0]) && valid_party(c.value[1])) {
    campaign().set_party_ai_target_party(low32(c.value[0]), low32(c.value[1]));
  }
}

void set_ai_target_position(operation_call& c) {
  if (!valid_party(c.value[0]) || !validate_register_id(c.value[1])) return;
  const vec3& at = pos(c.value[1]).origin;
  campaign().set_party_ai_target_position(low32(c.value[0]), at.x, at.y);
}

void set_ai_value(operation_call& c) {
  if (valid_party(c.value[0])) campaign().set_party_ai_value(low32(c.value[0]), as_float(c.value[1]));
}

void set_attack_delay(operation_call& c) {
  if (valid_party(c.value[0])) campaign().set_party_attack_delay(low32(c.value[0]), as_float(std::max<std::int64_t>(c.value[1], 0)));
}

void ai_target_in_mode_8(operation_call& c) {
  if (!valid_party(c.value[1])) return;
  const int party = low32(c.value[1]);
  c.store(campaign().party_ai_mode(party) == 8 ? campaign().party_ai_target(party) : -1);
}

// --- placement ---

void place_near(operation_call& c) {
  if (!valid_party(c.value[0]) || !valid_party(c.value[1])) return;
  const vec3 at = campaign().party_map_position(low32(c.value[1]));
  campaign().place_party_near(low32(c.value[0]), at.x, at.y, as_float(c.value[2]));
}

void position_to_register(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !valid_party(c.value[1])) return;
  frame& f = pos(c.value[0]);
  f = frame::identity();
  f.origin = campaign().party_map_position(low32(c.value[1]));
}

void set_position(operation_call& c) {
  if (!valid_party(c.value[0]) || !validate_register_id(c.value[1])) return;
  const vec3& at = pos(c.value[1]).origin;
  // Off the map the party stays where it was.
  if (!campaign().set_party_position(low32(c.value[0]), at.x, at.y)) warn("No map under the position of party", low32(c.value[0]));
}

void reachable_point(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_register_id(c.value[1]) || c.value[2] < 0) return;
  const vec3 centre = pos(c.value[1]).origin;
  const vec3 at = campaign().random_reachable_map_point(centre.x, centre.y, as_float(c.value[2]));
  pos(c.value[0]).origin.x = at.x;
  pos(c.value[0]).origin.y = at.y;
}

template <bool water>
void terrain_point(operation_call& c) {
  c.result = false;
  if (!validate_register_id(c.value[0]) || !validate_register_id(c.value[1]) || c.value[2] < 0) return;
  const vec3 centre = pos(c.value[1]).origin;
  vec3 at;
  c.result = campaign().random_map_point_of_terrain(centre.x, centre.y, as_float(c.value[2]), water, at);
  pos(c.value[0]).origin.x = at.x;
  pos(c.value[0]).origin.y = at.y;
}

// --- troops ---

template <bool prisoners>
void add_troops_counted(operation_call& c) {
  if (!valid_party_troop(c) || c.value[2] <= 0) return;
  set_register_0(campaign().add_troops_to_party(low32(c.value[0]), low32(c.value[1]), low32(c.value[2]), prisoners));
}

void insert_leader_stack(operation_call& c) {
  if (c.value[0] == 0 || !valid_party_troop(c)) return;
  const int party = low32(c.value[0]);
  const auto count = static_cast<std::int32_t>(std::clamp<std::int64_t>(c.value[2], 1, 0x7FFFFFFF));
  if (!campaign().insert_first_stack(party, low32(c.value[1]), count)) warn("Party is full; no stack added to party", party);
}

template <bool prisoners>
void add_troops_to_stacks(operation_call& c) {
  if (!valid_party_troop(c) || c.value[2] <= 0) return;
  campaign().add_troops_to_stacks(low32(c.value[0]), low32(c.value[1]), low32(c.value[2]), prisoners);
}

template <bool prisoners, bool wounded_first>
void remove_troops(operation_call& c) {
  set_register_0(0);
  if (!valid_party_troop(c) || c.value[2] <= 0) return;
  const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(c.value[2], 0x7FFFFFFF));
  set_register_0(campaign().remove_troops_from_party(low32(c.value[0]), low32(c.value[1]), n, prisoners, wounded_first));
}

void clear_stacks(operation_call& c) {
  if (valid_party(c.value[0])) campaign().clear_party_stacks(low32(c.value[0]));
}

void add_wounded(operation_call& c) {
  if (valid_party_troop(c)) campaign().add_wounded_to_troop(low32(c.value[0]), low32(c.value[1]), low32(c.value[2]));
}

// --- stacks ---

void member_stacks(operation_call& c) {
  if (valid_party(c.value[1])) c.store(member_stack_count(low32(c.value[1])));
}

void prisoner_stacks(operation_call& c) {
  if (!valid_party(c.value[1])) return;
  const int party = low32(c.value[1]);
  c.store(campaign().party_stack_count(party) - member_stack_count(party));
}

enum class stack_value { troop, count, wounded, seed };

// Stack p2 of party p1 (from the first prisoner stack when prisoners), within
// the party's stacks; nothing is stored beyond them.
template <stack_value what, bool prisoners>
void stack_query(operation_call& c) {
  if (!valid_party(c.value[1])) return;
  const int party = low32(c.value[1]);
  const std::int64_t index = (prisoners ? member_stack_count(party) : 0) + c.value[2];
  if (index < 0 || index >= campaign().party_stack_count(party)) return;
  const script_troop_stack s = campaign().party_stack(party, static_cast<int>(index));
  switch (what) {
    case stack_value::troop: c.store(s.troop); break;
    case stack_value::count: c.store(s.count); break;
    case stack_value::wounded: c.store(s.wounded); break;
    case stack_value::seed: c.store(campaign().stack_seed(party, static_cast<int>(index))); break;
  }
}

// A member's seed: stacks 0 .. 31; a party other than the player's has seeds
// only for the stacks it holds (0 beyond them).
void stack_seed(operation_call& c) {
  if (!valid_party(c.value[1]) || c.value[2] < 0 || c.value[2] > 31) return;
  const int party = low32(c.value[1]);
  const int stack = low32(c.value[2]);
  if (party != campaign().player_party() && stack >= campaign().party_stack_count(party)) {
    c.store(0);
    return;
  }
  c.store(campaign().stack_seed(party, stack));
}

// --- attachment ---

void attach(operation_call& c) {
  if (!valid_party(c.value[0]) || !valid_party(c.value[1])) return;
  if (!campaign().attach_party(low32(c.value[0]), low32(c.value[1]))) warn("Party cannot be attached to party", low32(c.value[1]));
}

void detach(operation_call& c) {
  if (valid_party(c.value[0])) campaign().detach_party(low32(c.value[0]));
}

void copy_members(operation_call& c) {
  if (valid_party(c.value[0]) && valid_party(c.value[1])) campaign().copy_party_members(low32(c.value[0]), low32(c.value[1]));
}

void attach_by_kind(operation_call& c) {
  if (valid_party(c.value[0])) campaign().attach_party_by_kind(low32(c.value[0]), low32(c.value[1]));
}

void leave_battle(operation_call& c) {
  if (valid_party(c.value[0])) campaign().leave_battle(low32(c.value[0]));
}

void set_battle_value(operation_call& c) {
  if (valid_party(c.value[0])) campaign().set_battle_value(low32(c.value[0]), as_float(c.value[1]));
}

void battle_opponent(operation_call& c) {
  c.store(-1);
  if (valid_party(c.value[1])) c.store(campaign().battle_opponent(low32(c.value[1])));
}

void attached_to(operation_call& c) {
  if (!valid_party(c.value[1])) {
    c.store(-1);
    return;
  }
  const int party = low32(c.value[1]);
  const int host = campaign().party_attached_to(party);
  if (host >= 0 && is_party_active(host)) {
    c.store(host);
    return;
  }
  // A link to a party that is gone is dropped.
  if (host >= 0) campaign().detach_party(party);
  c.store(-1);
}

void attached_count(operation_call& c) {
  c.store(valid_party(c.value[1]) ? campaign().attached_party_count(low32(c.value[1])) : 0);
}

void attached_party(operation_call& c) {
  if (!valid_party(c.value[1])) {
    c.store(-1);
    return;
  }
  const int party = low32(c.value[1]);
  const std::int64_t i = c.value[2];
  c.store(i >= 0 && i < campaign().attached_party_count(party) ? campaign().attached_party(party, static_cast<int>(i)) : -1);
}

// --- experience, casualties ---

void add_xp_to_stack(operation_call& c) {
  if (!valid_party(c.value[0])) return;
  const int party = low32(c.value[0]);
  if (c.value[1] < 0 || c.value[1] >= campaign().party_stack_count(party) || c.value[2] <= 0) return;
  campaign().add_xp_to_stack(party, low32(c.value[1]), low32(std::min<std::int64_t>(c.value[2], 0x7FFFFFFF)));
}

void give_xp_and_upgrade(operation_call& c) {
  if (!valid_party(c.value[0]) || c.value[1] <= 0 || c.value[2] < 0 || c.value[2] > 2) return;
  campaign().give_party_xp_and_upgrade(low32(c.value[0]), as_float(c.value[1]), low32(c.value[2]));
}

void share_xp(operation_call& c) {
  if (!valid_party(c.value[0]) || c.value[1] <= 0) return;
  const int party = low32(c.value[0]);
  const float xp = as_float(c.value[1]);
  campaign().share_party_xp(party, xp);
  const std::int64_t shown = round_half_down(xp);
  if (shown != 0 && party == campaign().player_party()) {
    const ruv_string text = format_ui_text("ui_shared_number_experience_within_party", {shown});
    current_script_host().ui->add_message_line(text.view(), white);
  }
}

void add_template_members(operation_call& c) {
  if (valid_party(c.value[0]) && validate_party_template_id(c.value[1])) {
    campaign().add_template_members(low32(c.value[0]), low32(c.value[1]), c.value[2] != 0);
  }
}

void inflict_casualties(operation_call& c) {
  if (!valid_party(c.value[0])) return;
  int recorder = -1;
  // The player's party records nothing; a bad recorder is reported, and the
  // casualties still happen.
  if (c.value[2] != campaign().player_party() && valid_party(c.value[2])) recorder = low32(c.value[2]);
  campaign().inflict_casualties(low32(c.value[0]), low32(std::clamp<std::int64_t>(c.value[1], 0, 0x7FFFFFFF)), recorder);
}

void distribute_members(operation_call& c) {
  if (valid_party(c.value[0]) && valid_party(c.value[1])) {
    campaign().distribute_party_members(low32(c.value[0]), low32(c.value[1]));
  }
}

void skill_level(operation_call& c) {
  c.store(0);
  if (!valid_party(c.value[1]) || c.value[2] < 0 || c.value[2] >= party_skill_count) return;
  c.store(campaign().party_skill_level(low32(c.value[1]), low32(c.value[2])));
}

// --- the meta mission's script step ---

void script_step(operation_call& c) { c.store(campaign().game_words().script_step); }
void set_script_step(operation_call& c) {
  campaign().game_words().script_step = static_cast<std::int32_t>(std::clamp<std::int64_t>(c.value[0], -32, 5));
}

}  // namespace

void register_party_operations() {
  register_operation(1601, member_count);
  register_operation(1602, prisoner_count);
  register_operation(1603, set_flags);
  register_operation(1605, set_text);
  register_operation(1608, terrain);
  register_operation(1609, party_template);
  register_operation(1610, add_troops_counted<false>);
  register_operation(1611, add_troops_counted<true>);
  register_operation(1612, insert_leader_stack);
  register_operation(1613, add_troops_to_stacks<false>);
  register_operation(1614, add_troops_to_stacks<true>);
  register_operation(1615, remove_troops<false, false>);
  register_operation(1616, remove_troops<true, false>);
  register_operation(1617, clear_stacks);
  register_operation(1618, add_wounded);
  register_operation(1619, remove_troops<false, true>);
  register_operation(1620, set_faction);
  register_operation(1623, place_near);
  register_operation(1625, position_to_register);
  register_operation(1626, set_position);
  register_operation(1627, reachable_point);
  register_operation(1628, terrain_point<false>);
  register_operation(1629, terrain_point<true>);
  register_operation(1630, troop_count);
  register_operation(1631, troop_count);
  register_operation(1632, troop_count);
  register_operation(1633, free_companion_room);
  register_operation(1634, free_prisoner_room);
  register_operation(1639, set_first_share_clamped);
  register_operation(1640, set_ai_behaviour);
  register_operation(1641, set_ai_target_party);
  register_operation(1642, set_ai_target_position);
  register_operation(1643, set_ai_value);
  register_operation(1644, set_attack_delay);
  register_operation(1645, set_first_share);
  register_operation(1650, member_stacks);
  register_operation(1651, prisoner_stacks);
  register_operation(1652, stack_query<stack_value::troop, false>);
  register_operation(1653, stack_query<stack_value::count, false>);
  register_operation(1654, stack_query<stack_value::wounded, false>);
  register_operation(1655, stack_seed);
  register_operation(1656, stack_query<stack_value::troop, true>);
  register_operation(1657, stack_query<stack_value::count, true>);
  register_operation(1658, stack_query<stack_value::seed, true>);
  register_operation(1660, attach);
  register_operation(1661, detach);
  register_operation(1662, copy_members);
  register_operation(1663, attach_by_kind);
  register_operation(1665, ai_target_in_mode_8);
  register_operation(1666, leave_battle);
  register_operation(1667, set_battle_value);
  register_operation(1669, set_name);
  register_operation(1670, add_xp_to_stack);
  register_operation(1671, second_share);
  register_operation(1672, set_second_share);
  register_operation(1673, give_xp_and_upgrade);
  register_operation(1674, share_xp);
  register_operation(1675, add_template_members);
  register_operation(1676, set_map_icon);
  register_operation(1677, set_second_icon);
  register_operation(1678, add_particle_system);
  register_operation(1679, clear_particle_systems);
  register_operation(1680, battle_opponent);
  register_operation(1681, map_icon);
  register_operation(1685, skill_level);
  register_operation(1690, script_step);
  register_operation(1691, set_script_step);
  register_operation(1694, attached_to);
  register_operation(1695, attached_count);
  register_operation(1696, attached_party);
  register_operation(1697, inflict_casualties);
  register_operation(1698, distribute_members);
}

}  // namespace hm
