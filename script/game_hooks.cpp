#include "script/game_hooks.h"

#include "script/executor.h"
#include "script/operation.h"
#include "script/script_host.h"

namespace hm {
namespace {

constexpr std::string_view hook_names[game_hook_count] = {
    "game_start",
    "game_event_party_encounter",
    "game_event_simulate_battle",
    "game_get_item_buy_price_factor",
    "game_get_item_sell_price_factor",
    "game_event_buy_item",
    "game_event_sell_item",
    "game_get_troop_wage",
    "game_get_total_wage",
    "game_get_join_cost",
    "game_get_prisoner_price",
    "game_check_prisoner_can_be_sold",
    "game_event_detect_party",
    "game_event_undetect_party",
    "game_get_statistics_line",
    "game_get_date_text",
    "game_get_money_text",
    "game_get_party_companion_limit",
    "game_get_party_prisoner_limit",
    "game_get_item_extra_text",
    "game_on_disembark",
    "game_context_menu_get_buttons",
    "game_event_context_menu_button_clicked",
    "game_get_skill_modifier_for_troop",
    "game_reset_player_party_name",
    "game_check_party_sees_party",
    "game_get_party_speed_multiplier",
    "game_event_battle_end",
};

bool valid_hook(game_hook_code hook) {
  const int code = static_cast<int>(hook);
  return code >= 0 && code < game_hook_count;
}

bool call_hook(game_hook_code hook, const std::int64_t* params, std::int32_t param_count) {
  if (!valid_hook(hook)) return false;
  const std::int32_t script = g_hook_script_map[static_cast<int>(hook)];
  if (script < 0) return false;
  statement_block* block = current_script_host().module->script_block(script);
  if (!block) return false;
  return execute_statement_block(*block, script_context::game_hook, 0, param_count, params, script_break_key(script));
}

}  // namespace

std::int32_t g_hook_script_map[game_hook_count] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                   -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

std::string_view game_hook_script_name(game_hook_code hook) {
  return valid_hook(hook) ? hook_names[static_cast<int>(hook)] : std::string_view();
}

int find_game_hook(std::string_view script_name) {
  for (int i = 0; i < game_hook_count; ++i) {
    if (hook_names[i] == script_name) return i;
  }
  return -1;
}

void set_hook_script(game_hook_code hook, std::int32_t script) {
  if (valid_hook(hook)) g_hook_script_map[static_cast<int>(hook)] = script < 0 ? -1 : script;
}

void clear_hook_script_map() {
  for (std::int32_t& s : g_hook_script_map) s = -1;
}

bool call_game_script(game_hook_code hook, std::int32_t p1, std::int32_t p2) {
  const std::int64_t params[max_operation_params] = {p1, p2};
  return call_hook(hook, params, 2);
}

bool call_game_script_3_params(game_hook_code hook, std::int32_t p1, std::int32_t p2, std::int32_t p3) {
  const std::int64_t params[max_operation_params] = {p1, p2, p3};
  return call_hook(hook, params, 3);
}

std::int32_t script_break_key(int script) {
  const script_host& host = current_script_host();
  ruv_string name;
  int line = 0;
  if (host.campaign->debug_break(name, line) && name.view() == host.module->script_name(script).view()) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(script) << 16) |
                                     static_cast<std::uint32_t>(line & 0xFFFF));
  }
  return -1;
}

}  // namespace hm
