// Troops joining and leaving the player's party, with what the player is told;
// experience for troops and the player's heroes; parties spawned near others;
// the game words module code leaves for the world map; the running mission's
// end tests; the item kinds' trade factors.
#include <algorithm>
#include <cstdint>

#include "engine/core/random.h"
#include "script/dialog/conversation.h"
#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr std::uint64_t troop_flag_hero = 0x10;
constexpr int mission_team_count = 8;

const script_host& host() { return current_script_host(); }
script_campaign_host& campaign() { return *host().campaign; }
game_script_words& words() { return campaign().game_words(); }
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }
std::int32_t clamp32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }
bool is_hero(int troop) { return (host().module->troop_flags(troop) & troop_flag_hero) != 0; }

void tell(std::string_view key, std::initializer_list<format_arg> args) {
  const ruv_string text = format_ui_text(key, args);
  host().ui->add_message_line(text.view(), white);
}

ruv_string troop_name(int troop) { return host().module->troop_name(troop); }

// The player's party when it is active; -1 (reported) otherwise.
int player_party() {
  const int party = campaign().player_party();
  return validate_party_id(party) ? party : -1;
}

// --- membership ---

// The conversation partner's party joins the player's; without a partner
// party nothing happens.
template <bool as_prisoners>
void partner_joins(operation_call&) {
  const int partner = g_conversation.partner_party;
  if (partner < 0 || !is_party_active(partner)) return;
  const int party = player_party();
  if (party < 0 || partner == party) return;
  tell(as_prisoners ? "ui_value_joined_party_as_prisoner" : "ui_value_joined_your_party",
       {campaign().party_display_name(partner).view()});
  campaign().join_party(partner, party, as_prisoners);
}

template <bool as_prisoner>
void troop_joins(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  const int party = player_party();
  if (party < 0) return;
  const int troop = low32(c.value[0]);
  campaign().add_troops_to_party(party, troop, 1, as_prisoner);
  tell(as_prisoner ? "ui_value_has_been_taken_prisoner" : "ui_value_has_joined_party", {troop_name(troop).view()});
}

// One troop leaves a party: a prisoner when the party holds one, else a member.
void troop_leaves(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || !validate_party_id(c.value[1])) return;
  const int troop = low32(c.value[0]);
  const int party = low32(c.value[1]);
  bool held_prisoner = false;
  const int stacks = campaign().party_stack_count(party);
  for (int i = 0; i < stacks; ++i) {
    const script_troop_stack s = campaign().party_stack(party, i);
    if (s.troop == troop && (s.flags & 1) != 0 && s.count > 0) held_prisoner = true;
  }
  campaign().remove_troops_from_party(party, troop, 1, held_prisoner, false);
  if (c.value[1] == 0) tell("ui_value_left_the_party", {troop_name(troop).view()});
}

void release_prisoners(operation_call&) {
  const int party = player_party();
  if (party < 0) return;
  for (int i = campaign().party_stack_count(party) - 1; i >= 0; --i) {
    const script_troop_stack s = campaign().party_stack(party, i);
    if ((s.flags & 1) == 0 || is_hero(s.troop)) continue;
    const int removed = campaign().remove_troops_from_party(party, s.troop, s.count, true, false);
    if (removed > 0) tell("ui_number_values_left_the_party", {removed, troop_name(s.troop).view()});
  }
}

template <bool prisoners>
void troops_leave(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  if (c.value[1] <= 0) return;
  const int party = player_party();
  if (party < 0) return;
  const int troop = low32(c.value[0]);
  const int removed = campaign().remove_troops_from_party(party, troop, clamp32(c.value[1]), prisoners, false);
  if (prisoners || removed <= 0) return;
  if (is_hero(troop)) {
    tell("ui_value_left_the_party", {troop_name(troop).view()});
  } else {
    tell("ui_number_value_left_the_party", {removed, troop_name(troop).view()});
  }
}

void heal_player_party(operation_call&) {
  const int party = player_party();
  if (party >= 0) campaign().heal_party(party);
  const int agent = host().mission->player_agent();
  if (agent >= 0) host().mission->heal_agent(agent);
}

// --- experience ---

void troop_experience(operation_call& c) {
  if (validate_troop_id(c.value[1])) campaign().add_troop_experience(low32(c.value[1]), clamp32(c.value[0]));
}

void player_experience_with_chance(operation_call& c) {
  const int r = random_next() % 15817;
  const double amount = (static_cast<float>(r) * 0.00006322312f + 0.5f) * static_cast<double>(c.value[0]);
  campaign().add_troop_experience(campaign().player_troop(), clamp32(truncate_to_int64(amount)));
}

// The player's troop gains it all; the heroes among the player's member
// stacks after the first share it out evenly.
void player_experience_shared(operation_call& c) {
  const std::int32_t amount = clamp32(c.value[0]);
  campaign().add_troop_experience(campaign().player_troop(), amount);
  const int party = campaign().player_party();
  if (!is_party_active(party)) return;
  std::vector<int> heroes;
  const int stacks = campaign().party_stack_count(party);
  for (int i = 0; i < stacks; ++i) {
    const script_troop_stack s = campaign().party_stack(party, i);
    if ((s.flags & 1) != 0) break;
    if (i > 0 && is_hero(s.troop)) heroes.push_back(s.troop);
  }
  if (heroes.empty()) return;
  const std::int32_t share = amount / static_cast<std::int32_t>(heroes.size());
  for (int troop : heroes) campaign().add_troop_experience(troop, share);
}

// --- parties on the map ---

void spawn_near(operation_call& c) {
  if (!validate_party_id(c.value[0]) || !validate_party_template_id(c.value[1])) return;
  const vec3 at = campaign().party_map_position(low32(c.value[0]));
  g_script_state.registers[0] = campaign().spawn_party_near(low32(c.value[1]), at.x, at.y, words().spawn_radius);
}

void set_spawn_radius(operation_call& c) { words().spawn_radius = static_cast<float>(c.value[0]); }

void clear_top_flag_byte(operation_call& c) {
  if (!validate_party_id(c.value[1])) return;
  const int party = low32(c.value[1]);
  campaign().set_party_flags(party, campaign().party_flags(party) & ~(std::uint64_t{0xFF} << 56), false);
}

void set_strength_bounds(operation_call& c) {
  const std::int64_t lo = std::clamp<std::int64_t>(c.value[0], 0, 101);
  const std::int64_t hi = std::clamp<std::int64_t>(c.value[1], 0, 101);
  if (lo <= hi) campaign().set_party_strength_bounds(static_cast<float>(lo), static_cast<float>(hi));
}

// --- game words ---

// The list holds 50 entries; more from one run of the hook are dropped.
void add_context_menu_entry(operation_call& c) {
  if (!validate_string_id(c.value[0], c.tag[0])) return;
  game_script_words& w = words();
  if (w.context_menu_count >= game_script_words::context_menu_size) {
    report_script_error_f("SCRIPT WARNING ON OPCODE %d: Context menu is full (%d entries)",
                          static_cast<std::int32_t>(current_opcode_word()), game_script_words::context_menu_size);
    return;
  }
  auto& entry = w.context_menu[static_cast<std::size_t>(w.context_menu_count++)];
  entry.text = format_text(get_string_by_reference(c.value[0], c.tag[0]));
  entry.value = low32(c.value[1]);
}

// The running average of the difficulty rating over real time.
void average_difficulty(operation_call& c) {
  game_script_words& w = words();
  update_difficulty_average(w, static_cast<float>(static_cast<double>(host().engine->clock_ticks(0)) * 0.00001));
  c.store(static_cast<std::int64_t>(w.difficulty_average));
}

void set_start_flag(operation_call&) { words().start_flag = 1; }

void select_party(operation_call& c) {
  words().selected_party = low32(c.value[0]);
  words().party_selected = 1;
}

void set_pending_value(operation_call& c) {
  words().pending_value = low32(c.value[0]);
  words().pending_kind = 5;
  words().value_pending = 1;
}

template <int kind>
void set_wait(operation_call& c) {
  game_script_words& w = words();
  w.wait_hours = static_cast<float>(c.value[0]);
  w.wait_value = low32(c.value[1]);
  w.wait_kind = kind;
  if (c.value[0] <= 0) return;
  const bool in_place = c.value[2] == 0;
  w.wait_flag = in_place ? 1 : 0;
  const int party = campaign().player_party();
  if (is_party_active(party)) campaign().set_party_ai_mode(party, in_place ? 8 : 0);
}

// --- the running mission ---

void battle_won_after(operation_call& c) {
  c.result = false;
  const script_mission_host& mission = *host().mission;
  const int agent = mission.player_agent();
  if (agent < 0) return;
  const int team = mission.agent_team(agent);
  for (int t = 0; t < mission_team_count; ++t) {
    if (mission.team_relation(team, t) == -1 && mission.team_member_count(t) > 0) return;
  }
  c.result = mission.seconds_since_reference() > static_cast<float>(c.value[0]);
}

void always_true(operation_call&) {}

void teams_left_at_most(operation_call& c) {
  int left = 0;
  for (int t = 0; t < mission_team_count; ++t) left += host().mission->team_member_count(t) > 0 ? 1 : 0;
  c.result = left <= c.value[0];
}

void player_agent_down(operation_call& c) {
  const int agent = host().mission->player_agent();
  c.result = agent >= 0 && host().mission->agent_state(agent) != 1;
}

// --- item kinds ---

void reset_item_factors(operation_call&) { campaign().set_item_kind_factor(-1, 1.0f); }

void set_item_factor(operation_call& c) {
  if (validate_item_kind_id(c.value[0])) campaign().set_item_kind_factor(low32(c.value[0]), static_cast<float>(c.value[1]) * 0.01f);
}

void set_item_type_factor(operation_call& c) {
  if (c.value[0] >= 0 && c.value[0] <= 0xFF) campaign().set_item_type_factor(low32(c.value[0]), static_cast<float>(c.value[1]) * 0.01f);
}

}  // namespace

void register_party_member_operations() {
  register_operation(980, add_context_menu_entry);
  register_operation(990, average_difficulty);
  register_operation(1003, battle_won_after);
  register_operation(1004, always_true);
  register_operation(1005, teams_left_at_most);
  register_operation(1006, player_agent_down);
  register_operation(1020, set_start_flag);
  register_operation(1021, select_party);
  register_operation(1025, set_pending_value);
  register_operation(1030, set_wait<0>);
  register_operation(1031, set_wait<1>);
  register_operation(1062, troop_experience);
  register_operation(1063, player_experience_with_chance);
  register_operation(1064, player_experience_shared);
  register_operation(1070, clear_top_flag_byte);
  register_operation(1080, set_strength_bounds);
  register_operation(1100, spawn_near);
  register_operation(1103, set_spawn_radius);
  register_operation(1170, reset_item_factors);
  register_operation(1171, set_item_factor);
  register_operation(1172, set_item_type_factor);

  register_operation(1201, partner_joins<false>);
  register_operation(1202, partner_joins<true>);
  register_operation(1203, troop_joins<false>);
  register_operation(1204, troop_joins<true>);
  register_operation(1210, troop_leaves);
  register_operation(1211, release_prisoners);
  register_operation(1215, troops_leave<false>);
  register_operation(1216, troops_leave<true>);
  register_operation(1225, heal_player_party);
}

}  // namespace hm
