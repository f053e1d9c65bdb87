#pragma once
// What an item costs when it changes hands in the inventory window: the price
// the player pays when buying from the other troop, the one received when
// selling to it, or the plain value where nobody trades. The module may set
// the trade factor through its two price-factor scripts; otherwise the party's
// trade skill and the merchant faction's relation to the player decide.
#include <cstdint>

#include "module/records/item_kind.h"

namespace hm {

// The engine's own rule, with every outside value given: the trade skill of
// the player's party, the relation of the merchant's faction to the player's
// (faction 0), whether the player sells, whether only the plain value counts
// and whether the kind's own price factor applies. The price-factor scripts
// are asked first when the module defines them.
std::int32_t compute_item_trade_price(const item& it, int trade_skill, float relation, bool selling, bool value_only,
                                      bool use_kind_factor);

// The same for the running game: the skill is the player's party's best trade
// skill, the relation that of the merchant troop's faction (0 for a troop or
// faction outside the tables).
std::int32_t get_item_trade_price(const item& it, int merchant_troop, bool selling, bool value_only,
                                  bool use_kind_factor);

// The item's base price after its amount and modifier, before any trade
// factor: what the price-factor scripts are shown.
float item_base_trade_value(const item& it);

}  // namespace hm
