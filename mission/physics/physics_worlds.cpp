#include "mission/physics/physics_worlds.h"

#include <cmath>

namespace hm {

int physics_world_list::create_physics_world() {
  int index = 0;
  while (index < static_cast<int>(records.size()) && records[static_cast<std::size_t>(index)].world) ++index;
  if (index == static_cast<int>(records.size())) records.emplace_back();
  physics_world_record& r = records[static_cast<std::size_t>(index)];
  r = physics_world_record{};
  r.world = physics::create_world(backend);
  r.world->set_world_size(physics::vector3{-1000, -1000, -100}, physics::vector3{1000, 1000, 1000});
  physics::contact_material material;
  material.softness = 0.1f;
  material.elasticity = 0.5f;
  material.static_friction = 1.1f;
  material.kinetic_friction = 0.9f;
  r.world->set_default_material(material);
  r.material = 0;
  r.state = 0;
  ++worlds_created;
  return index;
}

physics_world_record* physics_world_list::record(int index) {
  if (index < 0 || index >= static_cast<int>(records.size())) return nullptr;
  return &records[static_cast<std::size_t>(index)];
}

void physics_world_list::release_physics_world(int index) {
  physics_world_record* r = record(index);
  if (!r || !r->world) return;
  *r = physics_world_record{};
  --worlds_created;
}

bool physics_world_list::is_ragdoll_awake(int index) const {
  if (index < 0 || index >= static_cast<int>(records.size())) return false;
  const physics_world_record& r = records[static_cast<std::size_t>(index)];
  if (!r.world) return false;
  for (physics::body_id bone : r.bones)
    if (r.world->is_sleeping(bone)) return false;
  return true;
}

float physics_sub_step(std::int32_t ragdolls, float frame_time) {
  float sub_step = 0.026f;
  if (ragdolls <= 1)
    sub_step = 0.018f;
  else if (ragdolls == 2)
    sub_step = 0.021f;
  else if (ragdolls == 3)
    sub_step = 0.024f;
  // Slow frames take longer sub-steps, which bounds the updates a frame costs.
  if (frame_time > 0.075f) sub_step *= 1.5f;
  return sub_step;
}

void step_physics(physics_world_list& list, float frame_time) {
  const float sub_step = physics_sub_step(list.worlds_created, frame_time);
  float remaining = frame_time;
  while (remaining > 0.0001f) {
    const float step = remaining < sub_step ? remaining : sub_step;
    remaining -= step;
    for (std::size_t i = 0; i < list.records.size(); ++i) {
      if (!list.records[i].world) continue;
      clamp_ragdoll_velocities(list, static_cast<int>(i));
      list.records[i].world->update(step);
    }
  }
}

namespace {

// v scaled down to length `most` when it is longer; the direction is kept.
bool limit_length(physics::vector3& v, float most) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (!(length > most)) return false;
  const float k = most / length;
  v = physics::vector3{v.x * k, v.y * k, v.z * k};
  return true;
}

}  // namespace

void clamp_ragdoll_velocities(physics_world_list& list, int index) {
  physics_world_record* r = list.record(index);
  if (!r || !r->world) return;
  for (physics::body_id bone : r->bones) {
    if (bone == physics::no_body) continue;
    physics::vector3 v = r->world->get_velocity(bone);
    if (limit_length(v, 30.0f)) r->world->set_velocity(bone, v);
    physics::vector3 w = r->world->get_omega(bone);
    if (limit_length(w, 9.0f)) r->world->set_omega(bone, w);
  }
}

void clear_physics_worlds(physics_world_list& list) {
  for (std::size_t i = 0; i < list.records.size(); ++i) list.release_physics_world(static_cast<int>(i));
  list.records.clear();
  list.worlds_created = 0;
}

}  // namespace hm
