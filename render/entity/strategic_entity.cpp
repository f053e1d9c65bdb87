#include "render/entity/strategic_entity.h"

#include "engine/collision/body_part.h"
#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_manager.h"
#include "render/shadow/character_shadow.h"
#include "render/entity/render_view.h"
#include "render/scene/scene_world.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

strategic_entity::strategic_entity() : shadow_timer(clock_real_time), shadow_texture_timer(clock_real_time) {}

strategic_entity::~strategic_entity() {
  animated_skeleton.reset();
  own_view.reset();
  if (render_target) render_target->in_use = 0;
  render_target = nullptr;
  particle_instances.clear();
}

void strategic_entity::set_visibility(float v) {
  visibility = v;
  if (v > 0.5f) {
    layer_weights[0] = 1.0f;
    layer_weights[1] = 0.0f;
  } else if (v > 0.15f) {
    const float w = (v - 0.15f) * 2.857143f;
    layer_weights[0] = w;
    layer_weights[1] = 1.0f - w;
  } else if (v > 0.03f) {
    layer_weights[0] = 0.0f;
    layer_weights[1] = 1.0f;
  } else if (v > 0.015f) {
    layer_weights[0] = 0.0f;
    layer_weights[1] = (v - 0.015f) * 66.66667f;
  } else {
    layer_weights[0] = 0.0f;
    layer_weights[1] = 0.0f;
  }
}

void strategic_entity::advance(float time) {
  radius = bounding_radius;
  if (body) {
    body->transform_to_frame(frame);
    world_box_max = body->get_bounding_max();
    world_box_min = body->get_bounding_min();
  } else {
    world_box_min = world_box_max = frame.origin;
  }
  for (auto& p : particle_instances) {
    p->update(time, frame);
    if (p->radius > radius) radius = p->radius;
  }
  if ((frame.origin - track_origin).length() >= track_step) {
    if (!track_enabled) track_mark = 0;
    track_origin = frame.origin;
  }
  if (animated_skeleton) animated_skeleton->update(time, frame);
  previous_frame = frame;
  moved_last_step = moved;
  moved = 0;
  for (auto& m : meshes) {
    if (m) m->update_particle_systems(time, frame);
  }
  if (has_moved() && owner) {
    hm::frame placed = frame;
    placed.orthonormalize();
    for (body_part* b : attached_bodies) {
      b->transform_to_frame(placed);
      owner->move_body(*b);
    }
  }
  if (render_target && submit_count != 0 && render_target_used == 0) {
    // The detailed shadow mesh lets go of the texture too: another entity
    // may take it from the pool and draw its own silhouette into it.
    if (shadow_meshes[0] && shadow_meshes[0]->mat == render_target)
      shadow_meshes[0]->set_material(g_resource_manager.get_material(ruv_string("shadow_default")));
    render_target->in_use = 0;
    render_target = nullptr;
  }
  submit_count = 0;
  render_target_used = 0;
}

void strategic_entity::submit_meshes(mesh_render_view& view, reflection_info& reflection) {
  if (!visible) return;
  if (animated_skeleton) animated_skeleton->render(view, frame, lod_factor);
  entity::submit_meshes(view, reflection);
  submit_character_shadows(*this, view);
  for (auto& p : particle_instances) p->build_quads(view);
  ++submit_count;
}

void strategic_entity::set_mesh_visibility_mask(std::uint32_t mask) {
  for (auto& m : meshes) {
    if (m) m->visibility_mask = mask;
  }
  if (!animated_skeleton) return;
  for (skeleton_bone& b : animated_skeleton->bones) {
    for (auto& m : b.meshes) {
      if (m) m->visibility_mask = mask;
    }
    for (auto& g : b.lod_groups) {
      if (!g) continue;
      for (auto& level : g->lods) {
        for (mesh* m : level) {
          if (m) m->visibility_mask = mask;
        }
      }
    }
  }
}

void strategic_entity::add_particle_system(std::unique_ptr<particle_system_instance> instance) {
  if (instance) particle_instances.push_back(std::move(instance));
}

void strategic_entity::clear_particle_systems() { particle_instances.clear(); }

int strategic_entity::find_particle_system(int id) const { return find_last_particle_system(particle_instances, id); }

body_part* strategic_entity::attach_body(std::unique_ptr<body_part> b) {
  if (!b) return nullptr;
  if (!owner) ruv_error("Unable to attach a body to entity %d: it is in no scene", id);
  b->set_owner_id(id);
  body_part* placed = owner->add_body(std::move(b));
  attached_bodies.push_back(placed);
  return placed;
}

}  // namespace hm
