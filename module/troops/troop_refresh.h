#pragma once
// Troop refresh after a new game, map set-up and missions: consumable items
// refilled, ranged weapons loaded; and the random spending of unspent points.
#include <vector>

#include "module/troops/troop.h"

namespace hm {

// distribute_points stops once more than this many skill draws found nothing
// to raise.
inline constexpr int distribute_max_failed_draws = 10000;

// Every troop's items restored (only the consumables of the player's troop)
// and its crossbows and firearms loaded; the player's firearms are loaded from
// the bullets the player carries (equipment first, then the inventory), and
// bullet stacks that are used up disappear. player_troop -1: no player.
void refresh_all_troops(std::vector<troop>& troops, int player_troop);

}  // namespace hm
