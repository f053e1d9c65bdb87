#pragma once
// What lies under the mouse on the world map: the ground point a ray meets,
// the party whose icon it passes through, and the row of the party context
// menu the mouse is over.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class world_map;

// The first point where the segment from a to b meets the map's ground, with
// the face there; false when it meets none.
bool pick_map_ground(const world_map& map, const vec3& a, const vec3& b, vec3& point, int& face);

struct map_pick_candidate {
  std::int32_t id = -1;
  vec3 position;
  float radius = 0.9f;
  bool is_player = false;
  // Hidden parties and those without a troop count are not picked.
  bool excluded = false;
};

// The party the ray from a towards b passes through, nearest first: a
// party's distance counts 0.4 less, the player's own 0.35 more, so that a
// party standing by the player's is taken first. Only distances below
// `limit` (the ground's) count. -1 when none.
std::int32_t pick_map_party(const std::vector<map_pick_candidate>& candidates, const vec3& a, const vec3& b,
                            float limit);

// The context menu's item under the mouse, from the mouse's offset (rx, ry)
// from the menu's lower-left corner and the menu's size: rows are 0.015
// high, items laid out from the bottom up under a header line. -1 when the
// mouse is over the header, the margin or outside: only an item in 0..n-1
// may act.
int context_menu_item_at(int item_count, float rx, float ry, float width, float height);

}  // namespace hm
