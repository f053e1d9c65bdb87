// Conversation exits (what the conversation window opens next, or the end of
// the game) and the queries that read troop, faction, party and conversation
// values into lvalues.
#include <cmath>
#include <cstdint>

#include "script/dialog/conversation.h"
#include "script/ops/end_game.h"
#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr std::uint64_t troop_flag_hero = 0x10;
constexpr std::uint32_t stack_flag_prisoner = 0x1;
constexpr int skill_count = 42;

const script_host& host() { return current_script_host(); }
game_script_words& words() { return host().campaign->game_words(); }
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }
bool is_hero(int troop) { return (host().module->troop_flags(troop) & troop_flag_hero) != 0; }

// --- exits ---

template <int code>
void exit_with(operation_call&) {
  words().screen_change_code = code;
}

template <int code>
void exit_with_troop(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  words().exit_troop = low32(c.value[0]);
  words().screen_change_code = code;
}

void exit_to_encounter(operation_call& c) {
  words().exit_party = words().encountered_party;
  words().screen_change_code = c.value[0] != 0 ? 6 : 5;
}

void exit_to_party(operation_call& c) {
  if (!validate_party_id(c.value[0])) return;
  words().exit_party = low32(c.value[0]);
  words().screen_change_code = 8;
}

void exit_to_notes(operation_call& c) {
  const std::int64_t kind = c.value[0];
  bool valid = false;
  switch (kind) {
    case 1:
      valid = validate_troop_id(c.value[1]);
      break;
    case 2:
      valid = validate_faction_id(c.value[1]);
      break;
    case 3:
      valid = validate_party_id(c.value[1]);
      break;
    case 4:
      valid = validate_quest_id(c.value[1]);
      break;
    default:
      return;
  }
  if (!valid) return;
  words().screen_change_code = 16;
  words().notes_kind = low32(kind);
  words().notes_id = low32(c.value[1]);
}

void end_game(operation_call&) { request_end_game(); }

void exit_to_encounter_party(operation_call&) {
  words().exit_party = words().encountered_party;
  words().screen_change_code = 7;
}

void exit_to_menu(operation_call& c) {
  if (!validate_menu_id(c.value[0])) return;
  words().current_menu = low32(c.value[0]);
  words().screen_change_code = 18;
}

void stay_flag(operation_call&) { words().conversation_stay_flag = 1; }

// --- queries ---

void troop_gold(operation_call& c) {
  if (validate_troop_id(c.value[1])) c.store(host().module->troop_gold(low32(c.value[1])));
}

void store_ten(operation_call& c) { c.store(10); }

// Sums the counts of a party's stacks, in order, while keep(stack) says so;
// stops at the first stack for which go_on(stack) is false.
template <class Keep, class GoOn>
std::int64_t sum_stacks(int party, Keep keep, GoOn go_on) {
  const script_campaign_host& campaign = *host().campaign;
  std::int64_t total = 0;
  const int count = campaign.party_stack_count(party);
  for (int i = 0; i < count; ++i) {
    const script_troop_stack stack = campaign.party_stack(party, i);
    if (!go_on(stack)) break;
    if (keep(stack)) total += stack.count;
  }
  return total;
}

bool is_prisoner_stack(const script_troop_stack& s) { return (s.flags & stack_flag_prisoner) != 0; }

void party_size(operation_call& c) {
  if (!validate_party_id(c.value[1])) return;
  c.store(sum_stacks(low32(c.value[1]), [](const script_troop_stack&) { return true; },
                     [](const script_troop_stack&) { return true; }));
}

void party_leading_members(operation_call& c) {
  if (!validate_party_id(c.value[1])) return;
  c.store(sum_stacks(low32(c.value[1]), [](const script_troop_stack&) { return true; },
                     [](const script_troop_stack& s) { return !is_prisoner_stack(s); }));
}

// Their meaning is unclear (they read stacks of one party by the positions of
// another's); they answer 0 and read nothing.
void answer_zero(operation_call& c) { c.store(0); }

template <bool prisoners>
void troops_in_party(operation_call& c) {
  if (!validate_party_id(c.value[1]) || !validate_troop_id(c.value[2])) return;
  const std::int32_t troop = low32(c.value[2]);
  c.store(sum_stacks(low32(c.value[1]),
                     [troop](const script_troop_stack& s) { return s.troop == troop && is_prisoner_stack(s) == prisoners; },
                     [](const script_troop_stack&) { return true; }));
}

void troop_item_count(operation_call& c) {
  if (!validate_troop_id(c.value[1]) || !validate_item_kind_id(c.value[2])) return;
  c.store(host().module->count_troop_items(low32(c.value[1]), low32(c.value[2]), 1));
}

void player_item_count(operation_call& c) {
  if (!validate_item_kind_id(c.value[1])) return;
  c.store(host().module->count_troop_items(-1, low32(c.value[1]), 0));
}

void troop_skill_level(operation_call& c) {
  if (!validate_troop_id(c.value[2])) return;
  if (c.value[1] < 0 || c.value[1] >= skill_count) return;
  c.store(host().module->troop_effective_skill_level(low32(c.value[2]), low32(c.value[1])));
}

void troop_level(operation_call& c) {
  if (validate_troop_id(c.value[1])) c.store(host().module->troop_level(low32(c.value[1])));
}

void troop_attribute(operation_call& c) {
  if (!validate_troop_id(c.value[1]) || c.value[2] < 0 || c.value[2] > 3) return;
  c.store(host().module->troop_attribute(low32(c.value[1]), low32(c.value[2])));
}

void troop_faction(operation_call& c) {
  if (validate_troop_id(c.value[1])) c.store(host().module->troop_faction(low32(c.value[1])));
}

void troop_health(operation_call& c) {
  if (!validate_troop_id(c.value[1])) return;
  const int troop = low32(c.value[1]);
  const float hp = host().module->troop_hit_points(troop);
  if (c.value[2] != 0) {
    c.store(static_cast<std::int64_t>(hp));
    return;
  }
  const int max = host().module->troop_max_hit_points(troop);
  c.store(max > 0 ? truncate_to_int64(static_cast<double>(hp * 100.0f / static_cast<float>(max))) : 0);
}

void troop_proficiency(operation_call& c) {
  if (!validate_troop_id(c.value[1]) || c.value[2] < 0 || c.value[2] > 6) return;
  c.store(host().module->troop_proficiency(low32(c.value[1]), low32(c.value[2])));
}

void player_party_wounded(operation_call& c) {
  const script_module_host& module = *host().module;
  const int party = host().campaign->player_party();
  std::int64_t total = 0;
  if (is_party_active(party)) {
    const int count = host().campaign->party_stack_count(party);
    for (int i = 0; i < count; ++i) {
      const script_troop_stack s = host().campaign->party_stack(party, i);
      if (is_prisoner_stack(s)) continue;
      if (s.troop >= 0 && s.troop < module.troop_count() && is_hero(s.troop)) {
        const float missing = static_cast<float>(module.troop_max_hit_points(s.troop)) - module.troop_hit_points(s.troop);
        total += static_cast<std::int64_t>(std::ceil(missing * 0.15f));
      } else {
        total += s.wounded;
      }
    }
  }
  c.store(total);
}

void faction_relation(operation_call& c) {
  if (!validate_faction_id(c.value[1]) || !validate_faction_id(c.value[2])) return;
  const float relation = host().module->faction_relation(low32(c.value[1]), low32(c.value[2]));
  c.store(round_half_down(relation * 100.0f));
}

void partner_agent(operation_call& c) {
  const conversation& talk = g_conversation;
  if (talk.partner_agent >= 0 && !is_hero(talk.partner_troop)) {
    c.store(talk.partner_agent);
    return;
  }
  const script_mission_host& mission = *host().mission;
  std::int64_t found = -1;
  const int end = mission.agent_slot_count();
  for (int a = mission.first_live_agent(); a >= 0 && a < end; a = mission.next_live_agent(a)) {
    if (mission.agent_troop(a) == talk.partner_troop) found = a;
  }
  c.store(found);
}

void partner_troop(operation_call& c) { c.store(g_conversation.partner_troop); }
void partner_faction(operation_call& c) { c.store(host().module->troop_faction(g_conversation.partner_troop)); }
void encountered_party(operation_call& c) { c.store(words().encountered_party); }
void second_encounter_party(operation_call& c) { c.store(words().second_encounter_party); }

void party_faction(operation_call& c) {
  if (validate_party_id(c.value[1])) c.store(host().campaign->party_faction(low32(c.value[1])));
}

void mission_value(operation_call& c) { c.store(host().mission->mission_value()); }

}  // namespace

void register_conversation_operations() {
  register_operation(2040, exit_with<1>);
  register_operation(2041, exit_with_troop<2>);
  register_operation(2042, exit_with_troop<4>);
  register_operation(2043, exit_to_encounter);
  register_operation(2044, exit_with<9>);
  register_operation(2045, exit_with<10>);
  register_operation(2046, exit_with<11>);
  register_operation(2047, exit_with<12>);
  register_operation(2048, exit_with<13>);
  register_operation(2049, exit_with_troop<14>);
  register_operation(2050, exit_to_party);
  register_operation(2051, exit_with_troop<3>);
  register_operation(2052, exit_with<17>);
  register_operation(2053, exit_to_notes);
  register_operation(2055, end_game);
  register_operation(2056, exit_to_encounter_party);
  register_operation(2060, exit_to_menu);
  register_operation(2061, stay_flag);

  register_operation(2149, troop_gold);
  register_operation(2154, store_ten);
  register_operation(2155, store_ten);
  register_operation(2156, party_size);
  register_operation(2157, party_leading_members);
  register_operation(2158, answer_zero);
  register_operation(2159, answer_zero);
  register_operation(2160, troops_in_party<false>);
  register_operation(2161, troops_in_party<true>);
  register_operation(2165, troop_item_count);
  register_operation(2167, player_item_count);
  register_operation(2170, troop_skill_level);
  register_operation(2171, troop_level);
  register_operation(2172, troop_attribute);
  register_operation(2173, troop_faction);
  register_operation(2175, troop_health);
  register_operation(2176, troop_proficiency);
  register_operation(2180, player_party_wounded);
  register_operation(2190, faction_relation);
  register_operation(2199, partner_agent);
  register_operation(2200, partner_troop);
  register_operation(2201, partner_faction);
  register_operation(2202, encountered_party);
  register_operation(2203, second_encounter_party);
  register_operation(2204, party_faction);
  register_operation(2211, mission_value);
}

}  // namespace hm
