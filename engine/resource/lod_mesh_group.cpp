#include "engine/resource/lod_mesh_group.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/resource/mesh.h"
#include "engine/resource/mesh_render_view.h"

namespace hm {

lod_mesh_group::lod_mesh_group() { bbox.reset(); }
lod_mesh_group::~lod_mesh_group() = default;

void lod_mesh_group::add_mesh(int lod, mesh* m) {
  if (lod < 0 || lod >= max_lods || !m) return;
  lods[static_cast<std::size_t>(lod)].push_back(m);
  lod_count = std::max(lod_count, lod + 1);
}

std::unique_ptr<lod_mesh_group> lod_mesh_group::duplicate() const {
  auto copy = std::make_unique<lod_mesh_group>();
  copy->name = name;
  copy->lod_count = lod_count;
  for (std::size_t l = 0; l < lods.size(); ++l) {
    for (const mesh* m : lods[l]) {
      if (!m) continue;
      copy->owned_meshes.push_back(m->create_copy());
      copy->lods[l].push_back(copy->owned_meshes.back().get());
    }
  }
  return copy;
}

void lod_mesh_group::select_lod(float factor) {
  static constexpr float thresholds[max_lods - 1] = {0.1f, 0.05f, 0.025f, 0.0125f};
  current_lod = 0;
  while (current_lod < max_lods - 1 && factor < thresholds[current_lod] && lod_count > current_lod + 1) ++current_lod;
}

void lod_mesh_group::render(mesh_render_view& view, const frame& parent) {
  if (!(visibility_mask & view.visibility_mask())) return;
  if (current_lod < 0 || current_lod >= lod_count || current_lod >= max_lods) return;
  render_meshes(lods[static_cast<std::size_t>(current_lod)], view, parent.transform_frame_to_global(group_frame));
}

void lod_mesh_group::transform(const frame& f) {
  for (std::vector<mesh*>& level : lods) {
    for (mesh* m : level) m->transform(f);
  }
}

void lod_mesh_group::transform_all(const frame& f) {
  for (int l = 0; l < lod_count && l < max_lods; ++l) {
    for (mesh* m : lods[static_cast<std::size_t>(l)]) m->local_frame = f.transform_frame_to_global(m->local_frame);
  }
}

void lod_mesh_group::append_group(const lod_mesh_group& other, const frame& f, std::int32_t bone) {
  for (int l = 0; l < max_lods; ++l) {
    for (const mesh* m : other.lods[static_cast<std::size_t>(l)]) {
      std::unique_ptr<mesh> added;
      if (bone == -1) {
        // An unbound copy is taken as it is; the frame places only meshes
        // merged onto a bone.
        added = m->create_copy();
      } else {
        added = std::make_unique<mesh>();
        added->set_material(m->mat);
        added->append_mesh(*m, f, bone);
        added->compute_bounding_box();
      }
      lods[static_cast<std::size_t>(l)].push_back(added.get());
      owned_meshes.push_back(std::move(added));
    }
  }
  lod_count = std::max(lod_count, other.lod_count);
}

int lod_level_of(const char* mesh_name, const char* group) {
  const std::size_t n = std::strlen(group);
  const std::size_t length = std::strlen(mesh_name);
  if (length < n || std::strncmp(mesh_name, group, n) != 0) return -1;
  if (length == n) return 0;
  if (mesh_name[n] != '.' || length <= n + 4) return -1;
  const char* suffix = mesh_name + n + 1;
  if (std::tolower(static_cast<unsigned char>(suffix[0])) != 'l' ||
      std::tolower(static_cast<unsigned char>(suffix[1])) != 'o' ||
      std::tolower(static_cast<unsigned char>(suffix[2])) != 'd')
    return -1;
  const char level = suffix[3];
  return level >= '1' && level <= '4' ? level - '0' : 0;
}

}  // namespace hm
