#include "render/entity/entity.h"

#include <bit>

#include "engine/collision/body_part.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/core/ruv_string.h"
#include "engine/resource/body.h"
#include "engine/resource/material.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "render/entity/dynamic_entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/entity/strategic_entity.h"

namespace hm {

bool entity_is_of_kind(int t, int w) {
  if (t == w) return true;
  const unsigned differ = static_cast<unsigned>(t) ^ static_cast<unsigned>(w);
  return (static_cast<unsigned>(w) >> std::countr_zero(differ)) == 0;
}

entity::entity() { bounds.reset(); }

entity::~entity() = default;

void entity::refresh_world_bounds() {
  previous_frame = frame;
  if (body) {
    body->transform_to_frame(frame);
    world_box_min = body->get_bounding_min();
    world_box_max = body->get_bounding_max();
  } else {
    world_box_min = frame.origin;
    world_box_max = frame.origin;
  }
}

vec3 entity::compute_local_bounds() {
  bounds.reset();
  for (const auto& m : meshes) {
    if (!m || m->bbox.is_empty()) continue;
    hm::frame f = m->local_frame;
    f.rot.s *= scale.x;
    f.rot.f *= scale.y;
    f.rot.u *= scale.z;
    const vec3& lo = m->bbox.min;
    const vec3& hi = m->bbox.max;
    for (int c = 0; c < 8; ++c) {
      const vec3 corner((c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z);
      bounds.add_point(f.transform_point_to_global(corner));
    }
  }
  if (!bounds.is_empty()) {
    bounds.center = vec3((bounds.min.x + bounds.max.x) * 0.5f, (bounds.min.y + bounds.max.y) * 0.5f,
                         (bounds.min.z + bounds.max.z) * 0.5f);
    bounds.radius = (bounds.max - bounds.center).length();
  }
  bounding_radius = bounds.radius;
  // A zero scale component leaves that coordinate as it is rather than making
  // it infinite.
  bounding_centre = vec3(scale.x != 0.0f ? bounds.center.x / scale.x : bounds.center.x,
                         scale.y != 0.0f ? bounds.center.y / scale.y : bounds.center.y,
                         scale.z != 0.0f ? bounds.center.z / scale.z : bounds.center.z);
  return bounding_centre;
}

void entity::advance(float time) {
  (void)time;
  previous_frame = frame;
  moved_last_step = moved;
  moved = 0;
}

namespace {

// The reflection record from a water mesh's first point.
void note_reflection(const mesh& m, const hm::frame& parent, reflection_info& reflection) {
  if (!m.mat || !(m.mat->flags & material_flag_reflective) || m.get_points().empty()) return;
  reflection.found = 1;
  const vec3 local = m.local_frame.transform_point_to_global(m.get_points()[0].position);
  reflection.height = parent.transform_point_to_global(local).z;
}

}  // namespace

void entity::submit_meshes(mesh_render_view& view, reflection_info& reflection) {
  if (!visible) return;
  for (const auto& m : meshes) {
    if (!m) continue;
    if (!m->mat) m->set_material(g_resource_manager.get_material(ruv_string("default")));
    note_reflection(*m, frame, reflection);
    m->render(view, frame);
  }
  for (const auto& group : lod_mesh_groups) {
    if (!group) continue;
    group->select_lod(lod_factor);
    if (group->lod_count >= 1 && !group->lods[0].empty() && group->lods[0][0]) {
      note_reflection(*group->lods[0][0], frame, reflection);
    }
    group->render(view, frame);
  }
}

namespace {

std::unique_ptr<mesh> copy_of_named_mesh(const ruv_string& name) {
  return g_resource_manager.get_mesh(name)->create_copy();
}

}  // namespace

void entity::read(stream& s) {
  ruv_string body_name;
  s.read_string(body_name);
  if (body_name != "none") {
    body = g_resource_manager.get_body(body_name)->instantiate();
  }
  read_frame(s, frame);
  std::int32_t count = 0;
  s.read_int(count);
  // Every slot needs at least a name's length word: a count the stream cannot
  // hold is a broken record, not an allocation request.
  if (count < 0 || static_cast<std::size_t>(count) > s.unread().size()) {
    ruv_error("Unable to read entity: bad mesh count %d in %s", count, s.name.c_str());
  }
  meshes.clear();
  meshes.resize(static_cast<std::size_t>(count));
  for (auto& slot : meshes) {
    ruv_string name;
    s.read_string(name);
    if (name != "none") slot = copy_of_named_mesh(name);
  }
}

void entity::write(stream& s) const { (void)s; }

void entity::clear_meshes() {
  meshes.clear();
  lod_mesh_groups.clear();
}

void entity::set_frame_and_scale(const hm::frame& f, const vec3& s) {
  frame = f;
  scale = s;
  frame.rot.s *= s.x;
  frame.rot.f *= s.y;
  frame.rot.u *= s.z;
  compute_local_bounds();
}

skeleton_entity::skeleton_entity() = default;
skeleton_entity::~skeleton_entity() = default;

void skeleton_entity::advance(float time) {
  entity::advance(time);
  if (animated_skeleton) animated_skeleton->update(time, frame);
  for (auto& p : particle_instances) p->update(time, frame);
}

void skeleton_entity::add_particle_system(std::unique_ptr<particle_system_instance> instance) {
  if (instance) particle_instances.push_back(std::move(instance));
}

int skeleton_entity::find_particle_system(int id) const { return find_last_particle_system(particle_instances, id); }

void skeleton_entity::read(stream& s) {
  entity::read(s);
  ruv_string name;
  s.read_string(name);
  if (name == "none") return;
  animated_skeleton = std::make_unique<skeleton_instance>(clock_real_time);
  skeleton* resource = g_resource_manager.get_skeleton(name);
  if (!resource) return;
  animated_skeleton->set_skeleton(*resource);
  s.read_int(attachment_count);
  if (attachment_count < 0 || static_cast<std::size_t>(attachment_count) > s.unread().size()) {
    ruv_error("Unable to read entity: bad attachment count %d in %s", attachment_count, s.name.c_str());
  }
  for (std::int32_t i = 0; i < attachment_count; ++i) {
    std::int32_t bone = 0;
    ruv_string mesh_name;
    s.read_int(bone);
    s.read_string(mesh_name);
    if (mesh_name == "none") continue;
    if (bone < 0 || bone >= animated_skeleton->bone_count) {
      log_line(std::string("WARNING: skipping attachment of mesh ") + mesh_name.c_str() + " to bone " +
               std::to_string(bone) + ", which skeleton " + name.c_str() + " lacks\n");
      continue;
    }
    animated_skeleton->bones[static_cast<std::size_t>(bone)].meshes.push_back(copy_of_named_mesh(mesh_name));
  }
}

void skeleton_entity::submit_skinned_meshes(mesh_render_view& view) {
  if (!visible) return;
  for (const auto& m : meshes) {
    if (m) m->render(view, frame);
  }
  if (animated_skeleton) animated_skeleton->render(view, frame, lod_factor);
  for (auto& p : particle_instances) p->build_quads(view);
}

std::unique_ptr<entity> new_entity_of_type(int type_id) {
  switch (type_id) {
    case entity_type:
      return std::make_unique<entity>();
    case mesh_entity_type:
      return std::make_unique<mesh_entity>();
    case static_entity_type:
      return std::make_unique<static_entity>();
    case dynamic_entity_type:
      return std::make_unique<dynamic_entity>();
    case skeleton_entity_type:
      return std::make_unique<skeleton_entity>();
    case strategic_entity_type:
      return std::make_unique<strategic_entity>();
    default:
      return nullptr;
  }
}

}  // namespace hm
