#pragma once
// The game hooks: at fixed points the engine asks the module a question by
// running a module script of a known name. The module loader maps each hook to
// the module's script of that name; an unmapped hook (-1) is not asked, and the
// caller uses its own answer. A hook hands back its answer in the script
// state: the trigger result for numbers and decisions, the result string for
// texts.
#include <cstdint>
#include <string_view>

namespace hm {

enum class game_hook_code : int {
  game_start = 0,
  game_event_party_encounter = 1,
  game_event_simulate_battle = 2,
  game_get_item_buy_price_factor = 3,
  game_get_item_sell_price_factor = 4,
  game_event_buy_item = 5,
  game_event_sell_item = 6,
  game_get_troop_wage = 7,
  game_get_total_wage = 8,
  game_get_join_cost = 9,
  game_get_prisoner_price = 10,
  game_check_prisoner_can_be_sold = 11,
  game_event_detect_party = 12,
  game_event_undetect_party = 13,
  game_get_statistics_line = 14,
  game_get_date_text = 15,
  game_get_money_text = 16,
  game_get_party_companion_limit = 17,
  game_get_party_prisoner_limit = 18,
  game_get_item_extra_text = 19,
  game_on_disembark = 20,
  game_context_menu_get_buttons = 21,
  game_event_context_menu_button_clicked = 22,
  game_get_skill_modifier_for_troop = 23,
  game_reset_player_party_name = 24,
  game_check_party_sees_party = 25,
  game_get_party_speed_multiplier = 26,
  game_event_battle_end = 27,
};

inline constexpr int game_hook_count = 28;

// The script number of each hook, -1 when the module does not define it.
extern std::int32_t g_hook_script_map[game_hook_count];

// The script name the module defines for a hook ("game_start", ...); empty for
// a code outside 0..27.
std::string_view game_hook_script_name(game_hook_code hook);
// The hook whose script has this name, -1 when none has.
int find_game_hook(std::string_view script_name);
// Maps a hook to a script number (-1 unmaps it); a code outside 0..27 is
// ignored.
void set_hook_script(game_hook_code hook, std::int32_t script);
// Every hook unmapped, before a module's scripts are mapped.
void clear_hook_script_map();

// Runs the hook's script with two (or three) parameters, sign-extended, in the
// game-hook context. False when the hook is unmapped (nothing runs, nothing is
// reported) or when the script's block fails; the trigger result and the
// result string then hold whatever the script left in them.
// The script debugger's break key for a run of script s: its number in the
// high half and the break line in the low half when the break point is armed
// on that script (by name); -1 otherwise.
std::int32_t script_break_key(int script);

bool call_game_script(game_hook_code hook, std::int32_t p1, std::int32_t p2);
bool call_game_script_3_params(game_hook_code hook, std::int32_t p1, std::int32_t p2, std::int32_t p3);

}  // namespace hm
