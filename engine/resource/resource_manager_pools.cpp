// Resources the manager builds at run time: level-of-detail groups found by the
// names of registered meshes, and the pools of render-target textures and
// shadow-map materials.
#include <memory>

#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "platform/gpu/device.h"

namespace hm {

lod_mesh_group* resource_manager::get_lod_mesh_group(const ruv_string& name) {
  for (lod_mesh_group* g : lod_mesh_groups) {
    if (g->name.equals(name)) return g;
  }
  if (!lod_mesh_group_deleter) {
    // Shared groups point at registered meshes: the group goes, the meshes stay.
    lod_mesh_group_deleter = [](lod_mesh_group* g) {
      for (auto& level : g->lods) level.clear();
      delete g;
    };
  }
  lod_mesh_group* g = create_lod_mesh_group(name, 1).release();
  g->name = name;
  lod_mesh_groups.push_back(g);
  return g;
}

std::unique_ptr<lod_mesh_group> resource_manager::create_lod_mesh_group(const ruv_string& name, int share) {
  auto group = std::make_unique<lod_mesh_group>();
  auto take = [&](int level, mesh* m) {
    if (share) {
      group->add_mesh(level, m);
      return;
    }
    std::unique_ptr<mesh> copy = m->create_copy();
    group->add_mesh(level, copy.get());
    group->owned_meshes.push_back(std::move(copy));
  };
  for (resource* r : meshes) {
    const int level = lod_level_of(r->name.c_str(), name.c_str());
    if (level >= 0) take(level, static_cast<mesh*>(r));
  }
  // A level missing between others draws what the level above it draws.
  for (int level = 1; level <= group->lod_count - 2; ++level) {
    auto& here = group->lods[static_cast<std::size_t>(level)];
    const auto below = group->lods[static_cast<std::size_t>(level - 1)];
    if (here.empty() && !below.empty()) {
      for (mesh* m : below) take(level, m);
    }
  }
  return group;
}

texture* resource_manager::create_render_target(std::int32_t width, std::int32_t height, platform::gpu::format format,
                                                std::int32_t kind, std::int32_t value) {
  for (texture* t : textures) {
    if (t->kind == kind && t->target_value == value && t->in_use == 0 && t->width == width && t->height == height) {
      t->in_use = 1;
      hooks_->reuse_render_target(*t);
      return t;
    }
  }
  auto made = std::make_unique<texture>();
  texture* t = made.get();
  t->name = "render_target";
  t->kind = kind;
  t->width = width;
  t->height = height;
  t->requested_format = t->format = static_cast<std::int32_t>(format);
  t->target_value = value;
  std::vector<std::unique_ptr<resource>> owned;
  owned.push_back(std::move(made));
  keep_owned_array(std::move(owned));
  textures.push_back(t);
  hooks_->load_texture(*t, false, module_folder);
  hooks_->create_render_target_surfaces(*t);
  t->in_use = 1;
  return t;
}

texture* resource_manager::get_render_target(std::int32_t width, std::int32_t height, platform::gpu::format format,
                                             std::int32_t value) {
  return create_render_target(width, height, format, texture::kind_depth_target, value);
}

material* resource_manager::get_render_target_material(std::int32_t width, std::int32_t height,
                                                       platform::gpu::format format, std::int32_t value) {
  for (material* m : materials) {
    const texture* t = m->textures[0];
    if (t && t->kind == texture::kind_render_target && t->target_value == value && t->width == width &&
        t->height == height && t->requested_format == static_cast<std::int32_t>(format) && m->in_use == 0) {
      m->in_use = 1;
      hooks_->reuse_render_target(*m->textures[0]);
      return m;
    }
  }
  auto made = std::make_unique<material>();
  material* m = made.get();
  m->shader_name = "shadowmap_shader";
  m->textures[0] = create_render_target(width, height, format, texture::kind_render_target, value);
  std::vector<std::unique_ptr<resource>> owned;
  owned.push_back(std::move(made));
  keep_owned_array(std::move(owned));
  register_resource(m);
  // Made after the device objects: it chooses its shader now, when it can.
  if (find(shader_resource_type_id, m->shader_name)) m->shader_ptr = get_shader_or_default(m->shader_name);
  m->in_use = 1;
  return m;
}

}  // namespace hm
