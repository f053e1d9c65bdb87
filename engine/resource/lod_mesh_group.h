#pragma once
// A model's meshes at up to five levels of detail (0 full detail to 4), drawn
// as one: the group has its own frame and visibility mask, and draws the level
// chosen in current_lod.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/resource/mesh_bounding_box.h"
#include "engine/core/ruv_string.h"

namespace hm {

class mesh;
class mesh_render_view;

class lod_mesh_group {
 public:
  static constexpr int max_lods = 5;

  lod_mesh_group();
  ~lod_mesh_group();
  lod_mesh_group(const lod_mesh_group&) = delete;
  lod_mesh_group& operator=(const lod_mesh_group&) = delete;

  // Renders the current level's meshes with parent x group frame when the
  // masks share a bit and the current level is below lod_count.
  void render(mesh_render_view& view, const frame& parent);
  // mesh::transform on every mesh of every level.
  void transform(const frame& f);
  // Every mesh below lod_count gets its local frame replaced by f x local frame.
  void transform_all(const frame& f);
  // Appends, level by level, the other group's meshes: with bone -1 a copy of
  // each (placed by the frame through its local frame), otherwise a new mesh
  // with the same material into which the other mesh is appended, placed by
  // the frame and bound to the bone. lod_count grows to cover the other's.
  void append_group(const lod_mesh_group& other, const frame& f, std::int32_t bone);
  // A deep copy: the name, the level count and, level by level, copies of the
  // meshes, which the new group owns.
  std::unique_ptr<lod_mesh_group> duplicate() const;
  // Appends a mesh to a level (not owned), raising lod_count.
  void add_mesh(int lod, mesh* m);
  // Chooses current_lod by the factor: 0, stepping on while the factor is
  // below 0.1, 0.05, 0.025, 0.0125 and the group has that many levels.
  void select_lod(float factor);

  bounding_box bbox;
  std::array<std::vector<mesh*>, max_lods> lods;
  std::int32_t lod_count = 0;
  std::int32_t current_lod = 0;
  frame group_frame = frame::identity();
  std::uint32_t visibility_mask = 0xFFFFu;
  ruv_string name;
  // Meshes this group made (copies and appended meshes); freed with it.
  std::vector<std::unique_ptr<mesh>> owned_meshes;
};

// The level of detail a mesh name gives in the group named `group`: 0 for the
// name itself; for the name followed by "." and "lod" (any letter case) and
// one more character, that character's level when it is 1 to 4, else 0; -1
// (not in the group) for every other name.
int lod_level_of(const char* mesh_name, const char* group);

}  // namespace hm
