#pragma once
// Geometric questions the mission asks its scene many times a frame: the grid
// cells and collision faces along a segment, whether a segment is free of the
// ground and the faces, the ground face and height under a point, how the
// scene's lights fall on a point, and on which navigation face an agent
// stands. Every list grows as needed, so a long segment over a fine grid is
// never cut short (and never counted free because a buffer ran out).
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class body_part;
class face;
class scene_world;
struct agent;
struct ai_mesh;
struct height_field;
struct scene_cell;

struct grid_cell {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const grid_cell&) const = default;
};

// False as soon as the point lies on the outer side of one edge of the
// convex face seen from above (corners counter-clockwise).
bool polygon_contains_point(const face& f, float x, float y);
// The height of the face's plane at (x, y) (its first corner's height for a
// vertical face).
float plane_height_at(const face& f, float x, float y);

// Collision flags of faces that the queries leave out.
inline constexpr std::uint32_t segment_exclusion_mask = 0x114;
inline constexpr std::uint32_t ground_exclusion_mask = 0x304;
// What a weapon passes through: a thrust or a missile, and a side or overhead
// swing, which also clears the bodies marked 8.
inline constexpr std::uint32_t weapon_exclusion_mask = 0x8116;
inline constexpr std::uint32_t swing_exclusion_mask = 0x811E;
// Height reported where no face lies under or over a point.
inline constexpr float no_ground_height = 100000.0f;

// The grid cells that the segment's x-y projection crosses, in order from
// `from`.
void collect_segment_cells(const scene_world& scene, const vec3& from, const vec3& to, std::vector<grid_cell>& out);
// Merges a cell's faces (those sharing no flag bit with the mask) into a
// list kept in the order the faces entered the scene (the cells' order),
// each face once.
void merge_face_lists(const scene_cell& cell, std::uint32_t exclusion_mask, std::vector<body_part*>& list);
// Every face of every cell the segment crosses, once, in the order the faces
// entered the scene.
void query_collision_faces(const scene_world& scene, const vec3& from, const vec3& to, std::uint32_t exclusion_mask,
                           std::vector<body_part*>& out);
// True when the segment passes above the ground grid wherever it crosses a
// cell edge (or misses the grid).
bool walk_segment(const height_field& ground, const vec3& from, const vec3& to);
// 1 when the segment (cut to max_length) is free, 0 when blocked; then
// blocker is the face that blocked it, or null for the ground grid.
// Faces sharing a bit with `exclusion_mask` are passed through.
int sweep_capsule_against_scene(const scene_world& scene, const height_field* ground, const vec3& from,
                                const vec3& to, float max_length, const body_part** blocker,
                                std::uint32_t exclusion_mask = segment_exclusion_mask);
// The highest ground face under the point or at most one unit above it; else
// the lowest face above it; height no_ground_height and a null face when
// there is none.
float find_ground_face(const scene_world& scene, const vec3& point, const face** out_face);
float get_ground_height(const scene_world& scene, const vec3& point);

// Flags of light_point.
inline constexpr std::uint32_t light_skip_sun = 0x2;
inline constexpr std::uint32_t light_skip_others = 0x4;
// The colour the scene's lights give a point with the normal, and their
// weighted main direction ((0, 1, 0) when nothing lights it). With flags 0
// each light is tested for shadow along a segment.
void light_point(const scene_world& scene, const height_field* ground, const vec3& point, const vec3& normal,
                 vec3& main_direction, vec3& colour, std::uint32_t flags, float sun_strength);

// Navigation faces. The running stamp grows by 3 a search and starts over
// (with every face's stamp) past 1,000,000,000.
std::int32_t next_search_stamp(ai_mesh& mesh, std::int32_t& running_stamp);
// Whether the face's outline holds the point seen from above.
bool nav_face_contains(const ai_mesh& mesh, int face, const vec3& point);
// The face within `depth` neighbours of `start` that holds the point and
// whose plane lies nearest it (below 2 m); -1 none.
int find_face_near(ai_mesh& mesh, std::int32_t& running_stamp, const vec3& point, int start, int depth);
// The navigation face the agent stands on, kept in the agent (-1 none).
int update_agent_ground_face(ai_mesh* mesh, std::int32_t& running_stamp, agent& a);

}  // namespace hm
