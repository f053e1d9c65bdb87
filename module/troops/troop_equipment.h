#pragma once
// Filling a troop's equipment from its inventory. Non-heroes choose among the
// fitting items by a seed made from the item kind and the troop's index, so a
// troop always makes the same choice from the same inventory; heroes take the
// most valuable item that fits.
#include <cstdint>

#include "module/troops/troop.h"

namespace hm {

// The choice seed, shared with the engine's other seeded draws.
extern std::uint32_t g_choice_seed;

// The inventory slot (below the capacity) of the item to put into an equipment
// slot: the most valuable candidate among the items that fit the slot, carry
// every required flag and none of the forbidden ones and (unless type_a is -1)
// are of one of the three types; with `cheapest`, the cheapest fitting item
// when no candidate was drawn. -1 when nothing fits.
int choose_inventory_item(const troop& t, int troop_index, int slot, std::uint32_t required, std::uint32_t forbidden,
                          int type_a, int type_b, int type_c, bool cheapest);

// Moves the chosen item into the equipment slot; the slot's old item goes to
// the first free inventory slot. False when nothing was chosen.
bool equip_best(troop& t, int troop_index, int slot, std::uint32_t required, std::uint32_t forbidden, int type_a,
                int type_b, int type_c, bool cheapest);

// Unequips everything and fills the armour slots, the horse and the four
// weapon slots (a ranged weapon first, its ammunition, a shield when a
// one-handed weapon leaves a hand free, a sword, a polearm). A troop with the
// keep-equipment flag is left as it is. The switches add the hero-only item
// filters.
void auto_equip(troop& t, int troop_index, bool require, bool forbid);

}  // namespace hm
