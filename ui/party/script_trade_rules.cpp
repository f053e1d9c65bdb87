#include "ui/party/script_trade_rules.h"

#include "engine/core/random.h"
#include "module/loading/game.h"
#include "script/game_hooks.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {

namespace {

constexpr std::int32_t seed_span = 32768;

troop* find(int t) { return g_game ? g_game->find_troop(t) : nullptr; }

}  // namespace

std::int32_t script_trade_rules::join_cost(int t) { return find(t) ? get_troop_join_cost(t) : 0; }

std::int32_t script_trade_rules::wage(int t) { return find(t) ? get_troop_wage(t) : 0; }

std::int32_t script_trade_rules::prisoner_price(int t) {
  g_script_state.trigger_result = 0;
  if (call_game_script(game_hook_code::game_get_prisoner_price, t, player_party))
    return static_cast<std::int32_t>(g_script_state.trigger_result);
  return default_prisoner_price;
}

bool script_trade_rules::prisoner_can_be_sold(int t) {
  g_script_state.trigger_result = 1;
  if (!call_game_script(game_hook_code::game_check_prisoner_can_be_sold, t, 0)) return true;
  return g_script_state.trigger_result != 0;
}

std::int32_t script_trade_rules::gold(int t) {
  const troop* r = find(t);
  return r ? r->gold : 0;
}

void script_trade_rules::add_gold(int t, std::int32_t amount) {
  if (troop* r = find(t)) r->add_gold(amount);
}

std::uint64_t script_trade_rules::troop_flags(int t) {
  const troop* r = find(t);
  return r ? r->flags : 0;
}

int script_trade_rules::upgrade_troop(int t, int which) {
  const troop* r = find(t);
  if (!r) return 0;
  const int u = which == 0 ? r->upgrade_troop_1 : r->upgrade_troop_2;
  // An upgrade the troop table does not hold is no upgrade.
  return find(u) ? u : 0;
}

std::int32_t script_trade_rules::random_seed() { return static_cast<std::int32_t>(random_next() % seed_span); }

}  // namespace hm
