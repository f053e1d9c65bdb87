#pragma once
// The sizes of the scene view's vertex pools, chosen when the device objects
// are made: render_buffer_size sets every pool's vertex count, and the
// module's layout variables (game_variables.txt) may size each pool on its own.
#include <cstdint>

namespace hm {

class scene_view;
struct ini_table;

// Vertices a pool holds when no layout variable sizes it: render_buffer_size
// (held to 1..64) x 262,144 / 68.
std::int32_t default_vertex_pool_size(std::int32_t render_buffer_size);

// Sizes the ten vertex pools: "buffer_size_<kind>_static" and
// "buffer_size_<kind>_dynamic" of the variables, read as numbers and
// truncated, for the kinds "regular_ffp" (or, on the fixed-function path,
// "dx7_regular_ffp"), "regular", "normal_map" and "skinning"; the
// normal-mapped skinned pool takes the larger of the last two. An absent key
// keeps the default.
void size_vertex_pools(scene_view& view, std::int32_t render_buffer_size, const ini_table& variables,
                       bool shader_path);

}  // namespace hm
