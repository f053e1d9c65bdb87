#pragma once
// The world map made ready for movement: edge travel costs, the connected
// regions of the faces and the bridges between them, the face grid; and the
// two searches movement runs over the faces, the path search and the straight
// walk.
#include <cstdint>
#include <vector>

#include "campaign/map/world_map.h"

namespace hm {

// The cost of crossing between two faces of these kinds: closed when either
// is a mountain; 2.0 when both are water or neither is; closed otherwise.
float map_edge_cost(int kind_a, int kind_b);

// Init_map: builds the face grid (32 x 32 cells), sets every edge's cost and
// labels the regions. Does nothing when the map is already prepared.
void init_map(world_map& map);

// Regions: faces joined by open edges share a region, numbered densely from 0
// in the order of their first face. Bridge faces take region 99,999,999 and
// pass no region on, so the land on either side of a bridge stays a region of
// its own; each bridge records the first two land regions its chain of bridge
// faces touches (the water under a bridge is not one of them).
void label_map_regions(world_map& map);

// A path from face to face: the faces after the start in order, each with
// the point where the path enters it (the last: the goal point).
struct map_path_result {
  std::vector<std::int32_t> faces;
  std::vector<float> points;  // x, y per face
};

inline constexpr int map_path_limit = 1024;
inline constexpr int map_path_chain_limit = 8192;

// The search from the start face to the goal face over open edges, with keys
// g x (1 + |goal - n| / |start - n|) below the key limit; false when the goal
// is not reached. At most 1024 faces of the way are kept.
bool search_map_path(world_map& map, int start_face, int goal_face, float goal_x, float goal_y, float key_limit,
                     map_path_result& out);

// True when the segment from the start point on the start face to the goal
// point reaches the goal face crossing at most step_limit edges, each open
// (cost below 100) into a face whose kind has a bit of terrain_mask (all bits:
// any kind).
bool walk_straight(const world_map& map, int start_face, float sx, float sy, int goal_face, float gx, float gy,
                   std::uint32_t terrain_mask, int step_limit);

}  // namespace hm
