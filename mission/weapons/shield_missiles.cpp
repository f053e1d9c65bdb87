#include "mission/weapons/shield_missiles.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "mission/agent/agent_queries.h"
#include "mission/missile/missile_flight.h"
#include "mission/records/agent.h"
#include "mission/records/missile.h"
#include "mission/weapons/weapon_hit.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

namespace {

constexpr float shield_centre_y = 0.23f;
constexpr float shield_reach = 0.19f;
constexpr float bow_arrow_scale = 0.87f;

}  // namespace

vec3 place_missile_on_shield(vec3 o, float speed, float (*unit)()) {
  const vec3 v(o.x, o.y - shield_centre_y, 0.0f);
  const float length = v.length();
  const float l = std::clamp(length, 0.0f, shield_reach);
  if (length > 1e-10f) {
    o.x = l * v.x / length;
    o.y = l * v.y / length + shield_centre_y;
  } else {
    o.x = 0.0f;
    o.y = l + shield_centre_y;
  }
  o.z = 0.05f - (unit() * 0.01f + speed * 0.0005f);
  o.x = std::clamp(o.x, -0.45f, 0.2f);
  o.x += (unit() - 0.5f) * 0.02f;
  o.y += (unit() - 0.5f) * 0.02f;
  return o;
}

void stick_missile_in_shield(agent& a, const missile& mi, float (*unit)()) {
  if (get_wielded_item(a, 1).get_kind() == nullptr || mi.launcher.kind < 0) return;
  const item_kind* kind = missile_sticking_item(mi).get_kind();
  if (kind == nullptr || (static_cast<std::uint32_t>(kind->capabilities) & 0xff000u) == 0x10000u) return;
  if (a.agent_entity == nullptr) return;
  skeleton_instance* skeleton = a.agent_entity->animated_skeleton.get();
  if (skeleton == nullptr || skeleton->bone_count <= stuck_missile_bone ||
      static_cast<int>(skeleton->bones.size()) <= stuck_missile_bone) {
    return;
  }
  std::unique_ptr<mesh> stuck = make_stuck_missile_mesh(mi);
  if (stuck == nullptr) return;

  // A skeleton that dropped its attachments took the group with it.
  const auto& hung = skeleton->bones[stuck_missile_bone].lod_groups;
  if (std::none_of(hung.begin(), hung.end(), [&](const auto& g) { return g.get() == a.shield_missiles; })) {
    a.shield_missiles = nullptr;
  }
  if (a.shield_missiles == nullptr) {
    auto group = std::make_unique<lod_mesh_group>();
    auto merged = std::make_unique<mesh>();
    merged->set_material(stuck->mat);
    group->add_mesh(0, merged.get());
    group->owned_meshes.push_back(std::move(merged));
    a.shield_missiles = group.get();
    skeleton->attach_to_bone(stuck_missile_bone, std::move(group));
  }
  const item_kind* launcher = mi.launcher.get_kind();
  if (launcher != nullptr && launcher->type() == item_type::bow) stuck->scale_uniform(bow_arrow_scale);

  const frame shield =
      a.agent_entity->frame.transform_frame_to_global(skeleton->bones[shield_bone].pose_frame);
  frame flight;
  flight.rot.f = mi.direction;
  flight.rot.u = vec3(0.0f, 0.0f, 1.0f);
  flight.orthonormalize();
  flight.origin = mi.position;
  frame local = shield.transform_frame_to_local(flight);
  local.origin = place_missile_on_shield(local.origin, mi.speed, unit);

  if (a.shield_missiles->lods[0].empty() || a.shield_missiles->lods[0][0] == nullptr) return;
  stuck->make_geometry_own();
  stuck->make_faces_own();
  a.shield_missiles->lods[0][0]->append_mesh_whole(*stuck, local);
}

void stick_missile_in_body(agent& a, const missile& mi, const blow& b) {
  if (a.agent_entity == nullptr) return;
  skeleton_instance* skeleton = a.agent_entity->animated_skeleton.get();
  if (skeleton == nullptr || b.bone < 0 || b.bone >= skeleton->bone_count ||
      b.bone >= static_cast<int>(skeleton->bones.size()))
    return;
  const item_kind* kind = missile_sticking_item(mi).get_kind();
  if (kind == nullptr) return;
  std::unique_ptr<mesh> stuck = make_stuck_missile_mesh(mi);
  if (stuck == nullptr) return;
  frame at;
  at.rot.f = get_normalized(b.direction);
  at.rot.u = vec3(0.0f, 0.0f, 1.0f);
  at.orthonormalize();
  at.origin = b.hit_position - at.rot.f * (0.7f * static_cast<float>(kind->weapon_length) * 0.01f);
  skeleton_bone& bone = skeleton->bones[static_cast<std::size_t>(b.bone)];
  const frame bone_in_world = a.agent_entity->frame.transform_frame_to_global(bone.pose_frame);
  const frame local = frame_in_scaled_frame(bone_in_world, at).transform_frame_to_global(stuck->local_frame);
  skeleton->attach_mesh_to_bone(b.bone, std::move(stuck), local);
}

}  // namespace hm
