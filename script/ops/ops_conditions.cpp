// Game-state tests and small setters: the player's party and troop, the
// conversation, keys and controls, the campaign rates, party limits and
// joining, party AI modes, troop items and flags, and quest status bits.
// A test that "starts false" stays false when its ids fail their checks; any
// other operation whose check fails counts as true.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "script/dialog/conversation.h"
#include "script/interpreter.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

// Party AI modes and window ids the tests compare with.
constexpr int ai_mode_travelling_to_party = 4;
constexpr int ai_mode_engaging = 8;
constexpr int conversation_window = 16;
constexpr std::uint64_t party_flag_limits_apply = 0x100000u;
constexpr std::uint64_t party_flags_not_attackable = 0x1080100u;
constexpr std::uint64_t troop_flag_0x4000000 = 0x4000000u;
constexpr std::uint64_t troop_flag_0x1000000 = 0x1000000u;
constexpr int key_code_count = 256;
constexpr int control_count = 37;
constexpr int equipment_slot_count = 10;

std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }
const script_host& host() { return current_script_host(); }
int player_party() { return host().campaign->player_party(); }

void player_party_near_target(operation_call& c) {
  c.result = false;
  const script_campaign_host& campaign = *host().campaign;
  const int party = player_party();
  if (!is_party_active(party)) return;
  if (campaign.party_ai_mode(party) != ai_mode_travelling_to_party) return;
  if (campaign.party_ai_target(party) != c.value[0] || !is_party_active(low32(c.value[0]))) return;
  const vec3 a = campaign.party_map_position(party);
  const vec3 b = campaign.party_map_position(low32(c.value[0]));
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  c.result = std::sqrt(dx * dx + dy * dy) <= 2.3f * campaign.party_map_radius(party);
}

void context_flag_test(operation_call& c) { c.result = (c.context & 1) != 0 && (c.context & 0x30000) == 0; }
void player_in_encounter(operation_call& c) { c.result = host().campaign->player_encounter_flag() != 0; }
void conversation_window_on_top(operation_call& c) { c.result = host().ui->top_window() == conversation_window; }
void conversation_on_map(operation_call& c) { c.result = g_conversation.on_map; }

void set_player_troop(operation_call& c) {
  if (validate_troop_id(c.value[0])) host().campaign->set_player_troop(low32(c.value[0]));
}
void store_last_dialog_option(operation_call& c) { c.store(host().campaign->last_dialog_option()); }

void set_result_string(operation_call& c) {
  if (!validate_string_id(c.value[0], c.tag[0])) return;
  g_script_state.result_string = format_text(get_string_by_reference(c.value[0], c.tag[0]));
}

// Keys and controls out of range do no test and count as true.
void key_down(operation_call& c) {
  if (c.value[0] >= 0 && c.value[0] < key_code_count) c.result = host().engine->is_key_down(low32(c.value[0]));
}
void key_clicked(operation_call& c) {
  if (c.value[0] >= 0 && c.value[0] < key_code_count) c.result = host().engine->is_key_clicked(low32(c.value[0]));
}
template <bool clicked>
void control_test(operation_call& c) {
  if (c.value[0] < 0 || c.value[0] >= control_count) return;
  const script_engine_host& engine = *host().engine;
  bool any = false;
  for (int which = 0; which < 2; ++which) {
    const int key = engine.control_key(low32(c.value[0]), which);
    if (key < 0) continue;
    any = any || (clicked ? engine.is_key_clicked(key) : engine.is_key_down(key));
  }
  c.result = any;
}

void store_mouse_position(operation_call& c) {
  if (!validate_register_id(c.value[0])) return;
  const vec3 mouse = host().ui->mouse_position();
  g_script_state.position_registers[static_cast<std::size_t>(c.value[0])].origin = vec3(mouse.x, mouse.y, 0.0f);
}

template <int which>
void store_campaign_rate(operation_call& c) {
  const float percent = host().campaign->campaign_rate(which) * 100.0f;
  c.store(std::isfinite(percent) ? static_cast<std::int64_t>(std::fmax(std::fmin(percent, 1e9f), -1e9f)) : 0);
}
template <int which>
void set_campaign_rate(operation_call& c) {
  const std::int64_t percent = c.value[0] < 0 ? 0 : c.value[0] > 100 ? 100 : c.value[0];
  host().campaign->set_campaign_rate(which, static_cast<float>(percent) * 0.01f);
}

template <bool prisoners>
void player_party_below_limit(operation_call& c) {
  if (!validate_party_id(c.value[0]) || c.value[0] != 0) return;
  const script_campaign_host& campaign = *host().campaign;
  const int party = player_party();
  c.result = prisoners ? campaign.party_prisoner_limit(party) > campaign.party_prisoner_count(party)
                       : campaign.party_companion_limit(party) > campaign.party_member_count(party);
}

template <bool prisoners>
void partner_can_join(operation_call& c) {
  const int partner = g_conversation.partner_party;
  c.result = partner >= 0 && can_party_join(partner, player_party(), prisoners);
}

template <bool prisoners>
void player_party_has_room(operation_call& c) {
  if (c.value[0] <= 0) return;
  const script_campaign_host& campaign = *host().campaign;
  const int party = player_party();
  // The sum is taken in 64 bits so a huge count cannot wrap into room.
  const std::int64_t count = prisoners ? campaign.party_prisoner_count(party) : campaign.party_member_count(party);
  const std::int64_t limit = prisoners ? campaign.party_prisoner_limit(party) : campaign.party_companion_limit(party);
  c.result = c.value[0] <= limit - count;
}

void party_can_join_party(operation_call& c) {
  c.result = false;
  if (!validate_party_id(c.value[0]) || !validate_party_id(c.value[1])) return;
  c.result = can_party_join(low32(c.value[0]), low32(c.value[1]), c.value[2] != 0);
}

void player_party_has_troop(operation_call& c) {
  c.result = false;
  const script_campaign_host& campaign = *host().campaign;
  const int party = player_party();
  const int stacks = campaign.party_stack_count(party);
  for (int s = 0; s < stacks; ++s) {
    if (campaign.party_stack_troop(party, s) == c.value[0]) {
      c.result = true;
      return;
    }
  }
}

void party_engaging_target(operation_call& c) {
  if (!validate_party_id(c.value[0])) return;
  const script_campaign_host& campaign = *host().campaign;
  c.result = campaign.party_ai_mode(low32(c.value[0])) == ai_mode_engaging &&
             campaign.party_ai_target(low32(c.value[0])) == c.value[1];
}
void party_engaging(operation_call& c) {
  if (!validate_party_id(c.value[0])) return;
  c.result = host().campaign->party_ai_mode(low32(c.value[0])) == ai_mode_engaging;
}
void party_attackable(operation_call& c) {
  if (!is_party_active(low32(c.value[0]))) {
    c.result = false;
    return;
  }
  c.result = (host().campaign->party_flags(low32(c.value[0])) & party_flags_not_attackable) == 0;
}

bool troop_holds_item(int troop, int first_slot, int end_slot, std::int64_t item) {
  const script_module_host& module = *host().module;
  for (int s = first_slot; s < end_slot; ++s) {
    if (module.troop_inventory_item(troop, s) == item) return true;
  }
  return false;
}
void player_has_item(operation_call& c) {
  const int troop = host().campaign->player_troop();
  c.result = troop >= 0 && troop_holds_item(troop, 0, host().module->troop_inventory_slot_count(troop), c.value[0]);
}
void troop_has_item_equipped(operation_call& c) {
  c.result = false;
  if (!validate_troop_id(c.value[0])) return;
  const int troop = low32(c.value[0]);
  const int slots = std::min(equipment_slot_count, host().module->troop_inventory_slot_count(troop));
  c.result = troop_holds_item(troop, 0, slots, c.value[1]);
}
void troop_is_placed(operation_call& c) {
  c.result = false;
  if (validate_troop_id(c.value[0])) c.result = host().module->troop_placement(low32(c.value[0])) >= 0;
}
template <std::uint64_t flag>
void troop_flag_test(operation_call& c) {
  c.result = false;
  if (validate_troop_id(c.value[0])) c.result = (host().module->troop_flags(low32(c.value[0])) & flag) != 0;
}

template <int bit>
void quest_status_test(operation_call& c) {
  if (validate_quest_id(c.value[0])) c.result = (host().module->quest_status(low32(c.value[0])) >> bit) & 1u;
}

// Numbers of this range that name no operation.
void unrecognized(operation_call&) {
  report_script_error_f("Unrecognized opcode %d.", static_cast<std::int32_t>(current_opcode_word()));
}

}  // namespace

void register_condition_operations() {
  for (std::uint32_t n = 30; n <= 204; ++n) {
    if (!find_operation_handler(n)) register_operation(n, unrecognized);
  }
  register_operation(36, player_party_near_target);
  register_operation(37, context_flag_test);
  register_operation(39, player_in_encounter);
  register_operation(42, conversation_window_on_top);
  register_operation(44, conversation_on_map);
  register_operation(47, set_player_troop);
  register_operation(50, store_last_dialog_option);
  register_operation(60, set_result_string);
  register_operation(70, key_down);
  register_operation(71, key_clicked);
  register_operation(72, control_test<false>);
  register_operation(73, control_test<true>);
  register_operation(75, store_mouse_position);
  register_operation(90, store_campaign_rate<0>);
  register_operation(91, set_campaign_rate<0>);
  register_operation(92, store_campaign_rate<1>);
  register_operation(93, set_campaign_rate<1>);
  register_operation(101, player_party_below_limit<false>);
  register_operation(102, player_party_below_limit<true>);
  register_operation(103, partner_can_join<false>);
  register_operation(104, partner_can_join<true>);
  register_operation(105, player_party_has_room<false>);
  register_operation(106, player_party_has_room<true>);
  register_operation(107, party_can_join_party);
  register_operation(110, player_party_has_troop);
  register_operation(130, party_engaging_target);
  register_operation(131, party_engaging);
  register_operation(132, party_attackable);
  register_operation(150, player_has_item);
  register_operation(151, troop_has_item_equipped);
  register_operation(152, troop_is_placed);
  register_operation(153, troop_flag_test<troop_flag_0x4000000>);
  register_operation(154, troop_flag_test<troop_flag_0x1000000>);
  register_operation(200, quest_status_test<8>);
  register_operation(201, quest_status_test<9>);
  register_operation(202, quest_status_test<10>);
  register_operation(203, quest_status_test<11>);
  register_operation(204, quest_status_test<12>);
}

}  // namespace hm
