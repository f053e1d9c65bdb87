// Queuing meshes into render views: the per-frame preparation a mesh needs
// before the renderer sorts and draws it.
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/mesh_render_view.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"

namespace hm {

std::unique_ptr<mesh> make_batch_mesh(material& m) {
  auto batch = std::make_unique<mesh>();
  batch->set_material(&m);
  batch->flags |= mesh_flag_low_switch_on | mesh_flag_high_switch_on;
  batch->set_low_sort_switch(1);
  batch->set_high_sort_switch(1);
  batch->batch_distance = 10000.0f;
  batch->batch_byte = 1;
  return batch;
}

int mesh::render(mesh_render_view& view, const frame& parent) {
  if (!(visibility_mask & view.visibility_mask())) return 0;

  bool skinned = false;
  if (mat) {
    const shader* sh = mat->shader_ptr;
    set_shader_class(sh ? shader_class_of_flags(sh->flags) : 0);
    skinned = sh && (sh->flags & shader::flag_skinned);
    if (skinned) ensure_vertex_skinning();
    const texture* first = mat->textures[0];
    if (mat->load_index >= 0 && (!first || !first->loaded) && mat->load_function) mat->load_function(*mat);
  } else {
    set_shader_class(0);
    set_material(g_resource_manager.get_material(ruv_string("default")));
  }

  apply_vertex_animation();

  const std::uint32_t material_flags = mat ? mat->flags : 0u;
  const int limit = g_mesh_batch_point_limit + (skinned ? 70 : 0);
  const bool batched = mat && ((material_flags & material_flag_always_batch) ||
                               ((material_flags & material_flag_batch_small) &&
                                static_cast<int>(get_points().size()) < limit));
  if (batched) {
    if (!get_points().empty()) view.batch_mesh(*mat).append_mesh_whole(*this, parent);
  } else if (!get_faces().empty()) {
    if (flags & mesh_flag_low_switch_off) set_low_sort_switch(0);
    if (flags & mesh_flag_low_switch_on) set_low_sort_switch(1);
    if (flags & mesh_flag_high_switch_off) set_high_sort_switch(0);
    if (flags & mesh_flag_high_switch_on) set_high_sort_switch(1);
    world_frame = parent.transform_frame_to_global(local_frame);
    if (!view.is_queued()) view.enqueue((view.view_flags() & 0x1000u) != 0);
    view.add_mesh(*this);
  }

  for (auto& ps : particle_systems) ps->build_quads(view);

  if (light) {
    light->world_position = parent.transform_point_to_global(local_frame.transform_point_to_global(light->local_position));
    view.add_light(*light);
  }
  return 0;
}

void render_meshes(const std::vector<mesh*>& meshes, mesh_render_view& view, const frame& parent) {
  for (mesh* m : meshes) {
    if (m) m->render(view, parent);
  }
}

}  // namespace hm
