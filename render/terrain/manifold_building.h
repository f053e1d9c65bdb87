#pragma once
// Linking and querying a ground manifold built from a terrain.
#include <cstdint>

#include "render/scene/ground_manifold.h"

namespace hm {

// Manifold face flags of terrain faces.
inline constexpr std::uint32_t manifold_face_terrain = 0x10;
inline constexpr std::uint32_t manifold_face_soft_ground = 0x4000;
// Edges that may end at one vertex.
inline constexpr std::int32_t manifold_edges_per_vertex = 32;

struct message_log;

// Edges, neighbours, centres, midpoints, normals and areas of all faces.
// False when some vertex had more than 32 edges ending at it (the extra sides
// stay unlinked; a warning goes once to the on-screen message log, or to the
// engine log without one).
bool build_collision_manifold(ground_manifold& m, message_log* messages = nullptr);
// The box of the manifold's vertices.
void compute_manifold_bounds(const ground_manifold& m, vec3& bounds_min, vec3& bounds_max);
// The first face hit by the ray from `from` along `direction`, with the
// distance along it as a multiple of direction; -1 for none.
std::int32_t cast_ray_on_manifold(const ground_manifold& m, const vec3& from, const vec3& direction, float& t);

}  // namespace hm
