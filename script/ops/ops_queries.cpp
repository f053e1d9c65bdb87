// Random picks of quests, parties, troops and item kinds; party, party
// template and quest queries; the hour of the day; names and link texts in
// string registers; the date text; the mission's team statistics and script
// timers.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "script/dialog/conversation.h"
#include "script/game_hooks.h"
#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr std::uint32_t quest_offerable = 0x2;   // flags bit 1
constexpr std::uint32_t quest_running = 0x100;   // state word bit 8
constexpr std::uint32_t item_merchandise = 0x10000;
constexpr std::uint32_t item_not_for_sale = 0x1000;
constexpr int quest_pick_draws = 1000;
constexpr int party_pick_draws = 100000;
// Item kinds drawn before a pick gives up (no kind of the types may be for
// sale at all).
constexpr int item_pick_draws = 100000;
constexpr int team_count = 8;
constexpr int script_timer_count = 3;

const script_host& host() { return current_script_host(); }
script_module_host& module() { return *host().module; }
script_campaign_host& campaign() { return *host().campaign; }
script_mission_host& mission() { return *host().mission; }
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }
ruv_string& string_register(std::int64_t id) { return g_script_state.string_registers[static_cast<std::size_t>(id)]; }

// --- prices and picks ---

std::int32_t pick_random_other_party(std::int32_t a, std::int32_t b) {
  const std::int32_t encountered = campaign().game_words().encountered_party;
  for (int draw = 0; draw < party_pick_draws; ++draw) {
    const std::int32_t party = a + random_below(b - a);
    if (party != encountered) return party;
  }
  return 0;
}

// The troop's upgrade line: the troop, its upgrade, that one's upgrade, and
// so on (flag 1 follows a troop's second upgrade where it has one). The line
// is cut at the troop count, so upgrades that lead in a circle end too.
std::int32_t pick_upgrade_troop(std::int32_t troop, int flag) {
  std::vector<std::int32_t> line{troop};
  const int troops = module().troop_count();
  for (std::int32_t t = troop; static_cast<int>(line.size()) <= troops;) {
    std::int64_t next = module().troop_word(t, script_troop_word::upgrade_troop_1);
    if (flag == 1) {
      const std::int64_t second = module().troop_word(t, script_troop_word::upgrade_troop_2);
      if (second > 0) next = second;
    }
    if (next <= 0 || next >= troops) break;
    t = static_cast<std::int32_t>(next);
    line.push_back(t);
  }
  const int n = module().troop_level(campaign().player_troop()) / 3 + 1;
  const int r = n > 1 ? random_below(n) + 1 : 1;
  return line[static_cast<std::size_t>(std::min<int>(r, static_cast<int>(line.size()) - 1))];
}

// A random item kind of one of the types that merchants sell; dearer kinds
// are accepted less often, the less so the lower the player's level.
std::int32_t pick_random_item_of_types(int a, int b, int c, int d) {
  const int kinds = module().item_kind_count();
  if (kinds <= 0) return -1;
  const int level = module().troop_level(campaign().player_troop());
  for (int draw = 0; draw < item_pick_draws; ++draw) {
    const int kind = random_below(kinds);
    const std::uint32_t flags = module().item_kind_flags(kind);
    const int type = static_cast<int>(flags & 0xFF);
    if (type != a && type != b && type != c && type != d) continue;
    if (!(flags & item_merchandise) || (flags & item_not_for_sale)) continue;
    const int price = std::max(0, module().item_kind_value(kind)) + 200;
    if (random_below(price) < level * 30 + 200) return kind;
  }
  return -1;
}

void item_price(operation_call& c) {
  if (!validate_item_kind_id(c.value[1])) return;
  c.store(module().item_kind_value(low32(c.value[1])));
}

void join_cost(operation_call& c) {
  if (!validate_troop_id(c.value[1])) return;
  c.store(get_troop_join_cost(low32(c.value[1])));
}

void partner_quest(operation_call& c) {
  const std::int32_t partner = g_conversation.partner_troop;
  std::int32_t found = -1;
  for (int q = module().quest_count() - 1; q >= 0 && found < 0; --q) {
    if ((module().quest_status(q) & quest_running) && (module().quest_flags(q) & quest_offerable) &&
        module().quest_giver(q) == partner)
      found = q;
  }
  c.store(found);
}

void random_quest(operation_call& c) {
  const std::int32_t first = low32(c.value[1]);
  const std::int32_t end = low32(c.value[2]);
  const int quests = module().quest_count();
  std::int32_t picked = -1;
  for (int draw = 0; draw < quest_pick_draws && picked < 0; ++draw) {
    const std::int32_t q = first + random_below(end - first);
    if (q >= 0 && q < quests && (module().quest_flags(q) & quest_offerable) &&
        !(module().quest_status(q) & quest_running))
      picked = q;
  }
  c.store(picked);
}

template <int flag>
void upgrade_pick(operation_call& c) {
  if (!validate_troop_id(c.value[1])) return;
  c.store(pick_upgrade_troop(low32(c.value[1]), flag));
}

void random_other_party(operation_call& c) { c.store(pick_random_other_party(low32(c.value[1]), low32(c.value[2]))); }

void two_random_other_parties(operation_call& c) {
  const std::int32_t a = low32(c.value[0]);
  const std::int32_t b = low32(c.value[1]);
  const std::int32_t first = pick_random_other_party(a, b);
  std::int32_t second = first;
  for (int draw = 0; draw < party_pick_draws && second == first; ++draw) second = pick_random_other_party(a, b);
  g_script_state.registers[0] = first;
  g_script_state.registers[1] = second;
}

template <int a, int b, int c_, int d>
void random_item(operation_call& c) {
  c.store(pick_random_item_of_types(a, b, c_, d));
}

// Quest words 1 to 3. Every quest id is checked: reading a quest that does
// not exist would read past the quest table.
template <int word>
void quest_word(operation_call& c) {
  if (!validate_quest_id(c.value[1])) return;
  c.store(module().quest_word(low32(c.value[1]), word));
}

// --- the game's words and time ---

void query_word_3(operation_call& c) { c.store(campaign().game_words().query_word_3); }
void query_word_4(operation_call& c) { c.store(campaign().game_words().query_word_4); }
void hour_of_day(operation_call& c) { c.store(campaign().current_hour()); }
void is_night(operation_call& c) {
  const int hour = campaign().current_hour();
  c.result = hour < 4 || hour >= 20;
}

// --- parties and templates ---

void party_distance(operation_call& c) {
  if (!validate_party_id(c.value[1]) || !validate_party_id(c.value[2])) return;
  const vec3 a = campaign().party_map_position(low32(c.value[1]));
  const vec3 b = campaign().party_map_position(low32(c.value[2]));
  c.store(round_half_down(std::hypot(a.x - b.x, a.y - b.y)));
}

template <int word>
void party_word(operation_call& c) {
  if (!validate_party_id(c.value[1])) return;
  c.store(campaign().party_word(low32(c.value[1]), word));
}

void party_target_point(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_party_id(c.value[1])) return;
  const vec3 point = campaign().party_target_point(low32(c.value[1]));
  frame f = frame::identity();
  f.origin.x = point.x;
  f.origin.y = point.y;
  g_script_state.position_registers[static_cast<std::size_t>(c.value[0])] = f;
}

template <int word>
void template_word(operation_call& c) {
  if (!validate_party_template_id(c.value[1])) {
    c.store(0);
    return;
  }
  c.store(module().party_template_word(low32(c.value[1]), word));
}

// The active parties made from a template, in pool order.
std::vector<std::int32_t> parties_of_template(std::int32_t party_template) {
  std::vector<std::int32_t> out;
  const int end = campaign().party_end_id();
  for (int p = campaign().first_active_party(); p < end; p = campaign().next_active_party(p)) {
    if (campaign().party_template_of(p) == party_template) out.push_back(p);
  }
  return out;
}

void count_template_parties(operation_call& c) {
  if (!validate_party_template_id(c.value[1])) return;
  c.store(static_cast<std::int64_t>(parties_of_template(low32(c.value[1])).size()));
}

void random_template_party(operation_call& c) {
  if (!validate_party_template_id(c.value[1])) return;
  const std::vector<std::int32_t> parties = parties_of_template(low32(c.value[1]));
  if (parties.empty()) {
    c.store(-1);
    c.result = false;
    return;
  }
  c.store(parties[static_cast<std::size_t>(random_below(static_cast<std::int32_t>(parties.size())))]);
}

// --- string registers ---

void clear_register(operation_call& c) {
  if (!validate_register_id(c.value[0])) return;
  string_register(c.value[0]).clear();
}

void format_string(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_string_id(c.value[1], c.tag[1])) return;
  string_register(c.value[0]) = format_text(get_string_by_reference(c.value[1], c.tag[1]));
}

void format_register(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  string_register(c.value[0]) = format_text(string_register(c.value[1]));
}

// Names by id into register p0 after both are checked; plural when the count
// (p2) asks for it: 0 the name, 1 the plural, 2 by count.
enum class number_form { singular, plural, by_count };

template <number_form form>
void troop_name(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_troop_id(c.value[1])) return;
  const bool plural = form == number_form::plural || (form == number_form::by_count && c.value[2] >= 2);
  const int troop = low32(c.value[1]);
  string_register(c.value[0]) = plural ? module().troop_plural_name(troop) : module().troop_name(troop);
}

template <number_form form>
void item_name(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_item_kind_id(c.value[1])) return;
  const bool plural = form == number_form::plural || (form == number_form::by_count && c.value[2] >= 2);
  const int kind = low32(c.value[1]);
  string_register(c.value[0]) = plural ? module().item_kind_plural_name(kind) : module().item_kind_name(kind);
}

void party_name(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_party_id(c.value[1])) return;
  string_register(c.value[0]) = campaign().party_display_name(low32(c.value[1]));
}

void agent_name(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_agent_id(c.value[1])) return;
  const int agent = low32(c.value[1]);
  const int troop = mission().agent_troop(agent);
  if (troop >= 0) {
    string_register(c.value[0]) = module().troop_name(troop);
    return;
  }
  const int horse = mission().agent_horse_item(agent);
  if (horse >= 0) string_register(c.value[0]) = module().item_kind_name(horse);
}

void faction_name(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_faction_id(c.value[1])) return;
  string_register(c.value[0]) = module().faction_name(low32(c.value[1]));
}

// The quest's name as shown: its translation, else its own name.
ruv_string quest_name(int quest) {
  const script_quest_texts texts = module().quest_texts(quest);
  return texts.translated_name.empty() ? texts.name : texts.translated_name;
}

void quest_name_text(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_quest_id(c.value[1])) return;
  string_register(c.value[0]) = format_text(quest_name(low32(c.value[1])));
}

void date_text(operation_call& c) {
  if (!validate_register_id(c.value[0])) return;
  const std::int32_t hours = low32(c.value[1]);
  g_script_state.result_string.clear();
  call_game_script(game_hook_code::game_get_date_text, hours / 6, hours);
  string_register(c.value[0]) = g_script_state.result_string;
}

// "<tag=id>name</>": a name the player can click.
void set_link_text(std::int64_t target, const char* format, std::int32_t id, const ruv_string& name) {
  const int n = std::snprintf(nullptr, 0, format, id, name.c_str());
  std::vector<char> text(static_cast<std::size_t>(n) + 1);
  std::snprintf(text.data(), text.size(), format, id, name.c_str());
  string_register(target) = ruv_string(std::string_view(text.data(), static_cast<std::size_t>(n)));
}

void troop_link(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_troop_id(c.value[1])) return;
  set_link_text(c.value[0], "<trp=%d>%s</>", low32(c.value[1]), module().troop_name(low32(c.value[1])));
}

void party_link(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_party_id(c.value[1])) return;
  set_link_text(c.value[0], "<p=%d>%s</>", low32(c.value[1]), campaign().party_display_name(low32(c.value[1])));
}

void faction_link(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_faction_id(c.value[1])) return;
  set_link_text(c.value[0], "<fac=%d>%s</>", low32(c.value[1]), module().faction_name(low32(c.value[1])));
}

void quest_link(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_quest_id(c.value[1])) return;
  set_link_text(c.value[0], "<qst=%d>%s</>", low32(c.value[1]), quest_name(low32(c.value[1])));
}

// --- the mission's statistics ---

void highest_team_with_members(operation_call& c) {
  std::int32_t team = -1;
  for (int t = team_count - 1; t >= 0 && team < 0; --t) {
    if (mission().team_member_count(t) >= 1) team = t;
  }
  c.store(team);
}

template <int timer>
void timer_seconds(operation_call& c) {
  static_assert(timer < script_timer_count);
  c.store(round_half_down(mission().script_timer_seconds(timer)));
}

template <int timer>
void restart_timer(operation_call&) {
  mission().restart_script_timer(timer);
}

template <int side>
void side_strength_of(operation_call& c) {
  c.store(get_side_strength(side));
}

void no_strength(operation_call& c) { c.store(0); }

// The player's side (which_side 0) or the other side (1) by the mission's
// player-side word, else by the meta mission's battle flag.
template <int which_side>
void player_side_strength(operation_call& c) {
  const int side_word = mission().player_side_word();
  int side;
  if (side_word == 1 || side_word == 0) {
    side = side_word;
  } else {
    side = mission().battle_flag_word() == 0 ? 1 : 0;
  }
  c.store(get_side_strength(which_side == 0 ? side : 1 - side));
}

void team_strength(operation_call& c) {
  const std::int64_t team = c.value[1];
  c.store(team >= 0 && team < team_count ? get_side_strength(static_cast<int>(team)) : 0);
}

}  // namespace

std::int32_t get_side_strength(int team) {
  script_mission_host& m = mission();
  std::int64_t sum = 0;
  for (int u = 0; u < team_count; ++u) {
    if (m.team_relation(team, u) > 0) sum += m.team_member_count(u);
  }
  if (sum == 0) return 0;
  const int player = m.player_agent();
  if (player < 0) return 0;
  const int player_team = m.agent_team(player);
  if (player_team < 0) return 0;
  const int relation = m.team_relation(player_team, team);
  const int word = m.strength_word();
  const int signed_word = relation > 0 ? word : relation < 0 ? -word : 0;
  const float factor = m.strength_factor(signed_word);
  // A factor that is not positive would give no strength or an endless one:
  // the count stands alone then.
  const float strength = factor > 0.0f ? static_cast<float>(sum) / factor : static_cast<float>(sum);
  return static_cast<std::int32_t>(std::max<std::int64_t>(1, round_half_down(strength)));
}

void register_query_operations() {
  register_operation(2230, item_price);
  register_operation(2231, join_cost);
  register_operation(2240, partner_quest);
  register_operation(2250, random_quest);
  register_operation(2251, upgrade_pick<0>);
  register_operation(2252, upgrade_pick<1>);
  register_operation(2254, random_other_party);
  register_operation(2255, two_random_other_parties);
  register_operation(2257, random_item<1, -1, -1, -1>);
  register_operation(2258, random_item<2, 3, 4, -1>);
  register_operation(2259, random_item<12, 13, 14, -1>);
  register_operation(2261, quest_word<3>);
  register_operation(2262, quest_word<2>);
  register_operation(2263, quest_word<1>);
  register_operation(2270, query_word_3);
  register_operation(2271, hour_of_day);
  register_operation(2272, query_word_4);
  register_operation(2273, is_night);
  register_operation(2281, party_distance);
  register_operation(2290, party_word<1>);
  register_operation(2291, party_word<2>);
  register_operation(2292, party_target_point);
  register_operation(2293, party_word<4>);
  register_operation(2294, party_word<5>);
  register_operation(2300, template_word<1>);
  register_operation(2301, template_word<2>);
  register_operation(2302, template_word<3>);
  register_operation(2310, count_template_parties);
  register_operation(2311, random_template_party);
  register_operation(2319, clear_register);
  register_operation(2320, format_string);
  register_operation(2321, format_register);
  register_operation(2322, troop_name<number_form::singular>);
  register_operation(2323, troop_name<number_form::plural>);
  register_operation(2324, troop_name<number_form::by_count>);
  register_operation(2325, item_name<number_form::singular>);
  register_operation(2326, item_name<number_form::plural>);
  register_operation(2327, item_name<number_form::by_count>);
  register_operation(2330, party_name);
  register_operation(2332, agent_name);
  register_operation(2335, faction_name);
  register_operation(2336, quest_name_text);
  register_operation(2340, date_text);
  register_operation(2341, troop_link);
  register_operation(2342, party_link);
  register_operation(2343, faction_link);
  register_operation(2344, quest_link);
  register_operation(2360, highest_team_with_members);
  register_operation(2370, timer_seconds<0>);
  register_operation(2371, timer_seconds<1>);
  register_operation(2372, timer_seconds<2>);
  register_operation(2375, restart_timer<0>);
  register_operation(2376, restart_timer<1>);
  register_operation(2377, restart_timer<2>);
  register_operation(2380, side_strength_of<1>);
  register_operation(2381, side_strength_of<0>);
  register_operation(2382, no_strength);
  register_operation(2383, player_side_strength<0>);
  register_operation(2384, player_side_strength<1>);
  register_operation(2385, team_strength);
}

}  // namespace hm
