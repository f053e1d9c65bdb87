#include "ui/inventory/trade_prices.h"

#include <algorithm>
#include <cmath>

#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "script/game_hooks.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {

namespace {

// The party skill that sets trade prices.
constexpr int trade_skill_index = 0;
// The consumable-amount flag of goods whose price follows what is left.
constexpr std::uint32_t consumable_amount_flag = 0x2000000;

// Floor, plus one only when the fraction is above one half.
std::int32_t round_price(double value) {
  const double whole = std::floor(value);
  return static_cast<std::int32_t>(whole) + (value - whole > 0.5 ? 1 : 0);
}

// The relation as the price rule counts it: below -1 as -3, above 1 as 0.5,
// negative ones three times, positive ones half.
float counted_relation(float r) {
  if (r < -1.0f) return -3.0f;
  if (r > 1.0f) return 0.5f;
  if (r < 0.0f) return 3.0f * r;
  return 0.5f * r;
}

}  // namespace

float item_base_trade_value(const item& it) {
  const item_kind* k = it.get_kind();
  if (!k) return 0.0f;
  float p = static_cast<float>(k->value);
  if ((k->flags & consumable_amount_flag) != 0) {
    const int maximum = it.get_max_ammo();
    if (maximum > 0) p = p * static_cast<float>(maximum - it.used_shots()) / static_cast<float>(maximum);
  }
  const int m = it.modifier();
  if (m > 0 && m < item_modifier_count) p *= g_item_modifiers[static_cast<std::size_t>(m)].price_factor;
  return p;
}

std::int32_t compute_item_trade_price(const item& it, int trade_skill, float relation, bool selling, bool value_only,
                                      bool use_kind_factor) {
  const item_kind* k = it.get_kind();
  if (!k || k->value <= 0) return 0;
  const float s = static_cast<float>(trade_skill);
  float t = (1.0f - 0.06f * s) * 1.25f;
  if (selling) t *= 1.9f;
  if (k->type() == item_type::goods) t = 0.25f - 0.01f * s;
  float p = item_base_trade_value(it);
  if (value_only) return std::max<std::int32_t>(1, static_cast<std::int32_t>(p));

  const game_hook_code hook =
      selling ? game_hook_code::game_get_item_sell_price_factor : game_hook_code::game_get_item_buy_price_factor;
  if (g_hook_script_map[static_cast<int>(hook)] >= 0) {
    g_script_state.trigger_result = 100;
    if (call_game_script(hook, it.kind, static_cast<std::int32_t>(p))) {
      const double scaled = static_cast<double>(g_script_state.trigger_result) * static_cast<double>(p) * 0.01;
      return std::max<std::int32_t>(1, static_cast<std::int32_t>(scaled));
    }
    // A script that failed gives no factor: the engine's rule stands.
  }
  if (use_kind_factor) p *= k->price_factor;
  float f = (1.0f - counted_relation(relation)) * t + 1.0f;
  if (selling) f = 1.0f / f;
  return std::max<std::int32_t>(1, round_price(static_cast<double>(p * f)));
}

std::int32_t get_item_trade_price(const item& it, int merchant_troop, bool selling, bool value_only,
                                  bool use_kind_factor) {
  int skill = 0;
  if (script_campaign_host* c = current_script_host().campaign) {
    const int party = c->player_party();
    if (party >= 0) skill = c->party_skill_level(party, trade_skill_index);
  }
  float relation = 0.0f;
  if (g_game) {
    if (const troop* t = g_game->find_troop(merchant_troop)) {
      if (t->faction >= 0 && t->faction < g_game->faction_count())
        relation = g_game->factions[static_cast<std::size_t>(t->faction)].relations[0];
    }
  }
  return compute_item_trade_price(it, skill, relation, selling, value_only, use_kind_factor);
}

}  // namespace hm
