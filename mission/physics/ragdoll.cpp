#include "mission/physics/ragdoll.h"

#include <cmath>

#include "engine/collision/capsule.h"
#include "engine/collision/composite_body.h"
#include "engine/collision/face.h"
#include "engine/resource/skeleton.h"
#include "module/data/skeleton_bodies.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr float degrees_to_radians = 0.017453292f;
// Half the side of the box of scene ground a ragdoll is given.
constexpr float ground_reach = 5.0f;

void gravity(physics::world& w, physics::body_id body) {
  w.add_force(body, physics::vector3{0.0f, 0.0f, -9.8f * w.mass(body)});
}

const skeleton_body_bone* bone_body(const skeleton& s, int bone) {
  const skeleton_body_bone* b = find_skeleton_bone_body(s, bone);
  return b && !b->body_parts.empty() ? b : nullptr;
}

bool finite(const vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool finite(const frame& f) { return finite(f.rot.s) && finite(f.rot.f) && finite(f.rot.u) && finite(f.origin); }

void collect_part(const body_part& part, const vec3& box_min, const vec3& box_max, std::vector<vec3>& triangles,
                  std::vector<ground_capsule>& capsules) {
  switch (part.get_type_id()) {
    case face_type_id: {
      const auto& f = static_cast<const face&>(part);
      // A fan of triangles over the polygon's placed vertices.
      for (int i = 2; i < f.vertex_count && i < face::max_vertices; ++i) {
        triangles.push_back(f.vertices[0]);
        triangles.push_back(f.vertices[i - 1]);
        triangles.push_back(f.vertices[i]);
      }
      break;
    }
    case capsule_type_id: {
      const auto& c = static_cast<const capsule&>(part);
      capsules.push_back(ground_capsule{c.p1, c.p2, c.radius});
      break;
    }
    case composite_body_type_id:
      for (const auto& child : static_cast<const composite_body&>(part).parts)
        if (child) collect_part(*child, box_min, box_max, triangles, capsules);
      break;
    default:
      break;
  }
}

}  // namespace

void collect_scene_ground(const scene_world& scene, const vec3& box_min, const vec3& box_max,
                          std::vector<vec3>& triangles, std::vector<ground_capsule>& capsules) {
  std::vector<body_part*> parts;
  scene.collect_body_parts_in_box(box_min, box_max, 0, parts);
  for (const body_part* part : parts)
    if (part) collect_part(*part, box_min, box_max, triangles, capsules);
}

std::vector<ragdoll_bone_start> compute_ragdoll_start(const frame& e, const skeleton_instance& pose) {
  std::vector<ragdoll_bone_start> out;
  const skeleton* s = pose.skeleton;
  if (!s) return out;
  const int n = std::min({pose.bone_count, static_cast<int>(pose.bones.size()), static_cast<int>(s->bones.size())});
  out.resize(static_cast<std::size_t>(n));
  const auto parent_of = [&](int b) {
    const int p = pose.bones[static_cast<std::size_t>(b)].parent;
    // Parents come before their children; anything else is no parent.
    return p >= 0 && p < b ? p : -1;
  };
  for (int b = 0; b < n; ++b) out[static_cast<std::size_t>(b)].has_capsules = bone_body(*s, b) != nullptr;

  // Speeds from the animation: every ancestor's turning carries the bone
  // along (the parent always, further up only ancestors with capsules).
  std::vector<vec3> world_position(static_cast<std::size_t>(n));
  std::vector<vec3> world_turn(static_cast<std::size_t>(n));
  for (int b = 0; b < n; ++b) {
    const skeleton_bone& k = pose.bones[static_cast<std::size_t>(b)];
    world_position[static_cast<std::size_t>(b)] = e.transform_point_to_global(k.pose_frame.origin);
    world_turn[static_cast<std::size_t>(b)] =
        e.rotate_vector_to_global(k.pose_frame.rotate_vector_to_global(k.angular_velocity));
  }
  for (int b = 0; b < n; ++b) {
    ragdoll_bone_start& start = out[static_cast<std::size_t>(b)];
    int a = parent_of(b);
    bool first = true;
    while (a >= 0) {
      if (first || out[static_cast<std::size_t>(a)].has_capsules) {
        const vec3& w = world_turn[static_cast<std::size_t>(a)];
        start.linear_velocity +=
            cross_product(w, world_position[static_cast<std::size_t>(b)] - world_position[static_cast<std::size_t>(a)]);
        start.angular_velocity += w;
      }
      first = false;
      a = parent_of(a);
    }
  }

  // World frames from the pose, joint frames from the rest pose turned by
  // each bone's joint angles.
  for (int b = 0; b < n; ++b) {
    ragdoll_bone_start& start = out[static_cast<std::size_t>(b)];
    const skeleton_bone& k = pose.bones[static_cast<std::size_t>(b)];
    const frame& rest = s->bones[static_cast<std::size_t>(b)].local_frame;
    const int p = parent_of(b);
    if (p < 0) {
      start.world_frame = e.transform_frame_to_global(k.pose_frame);
      start.joint_frame = e.transform_frame_to_global(rest);
      continue;
    }
    start.world_frame = out[static_cast<std::size_t>(p)].world_frame.transform_frame_to_global(k.local_frame);
    frame m = rest;
    int a = p;
    while (a >= 0 && !out[static_cast<std::size_t>(a)].has_capsules) {
      m = s->bones[static_cast<std::size_t>(a)].local_frame.transform_frame_to_global(m);
      a = parent_of(a);
    }
    if (const skeleton_body_bone* body = bone_body(*s, b)) {
      m.rotate_x(body->rotation_weights.x * degrees_to_radians);
      m.rotate_y(body->rotation_weights.y * degrees_to_radians);
      m.rotate_z(body->rotation_weights.z * degrees_to_radians);
    }
    start.body_parent = a;
    start.joint_frame = a >= 0 ? out[static_cast<std::size_t>(a)].joint_frame.transform_frame_to_global(m)
                               : e.transform_frame_to_global(m);
  }
  return out;
}

physics::body_id add_ragdoll_bone(physics_world_record& record, physics::body_id parent, float mass,
                                  const frame& joint_frame, const std::vector<physics::capsule>& capsules,
                                  float cone_min, float cone_max, float twist) {
  if (!record.world) return physics::no_body;
  physics::bone_desc d;
  d.frame = to_physics(joint_frame);
  d.mass = mass;
  d.capsules = capsules;
  d.limits.cone_min = cone_min;
  d.limits.cone = cone_max;
  d.limits.twist = twist;
  d.limits.side_negative = 0.2f;
  d.limits.side_positive = 0.2f;
  d.angular_damping = 0.7f;
  d.sleep = physics::sleep_thresholds{0.25f, 0.7f, 5};
  const physics::body_id id = record.world->add_bone(parent, d);
  record.world->set_force_callback(id, gravity);
  record.bones.push_back(id);
  return id;
}

physics::body_id add_static_capsule_body(physics_world_record& record, const vec3& p1, const vec3& p2, float radius,
                                         float mass) {
  if (!record.world) return physics::no_body;
  frame f = frame::identity();
  vec3 axis = p2 - p1;
  const float height = axis.normalize();
  f.rot.f = axis;
  // Any side and up axes will do for a capsule: take them from the world's up.
  f.rot.s = cross_product(axis, vec3(0, 0, 1));
  if (f.rot.s.normalize() <= 1e-3f) f.rot.s = get_normalized(cross_product(axis, vec3(1, 0, 0)));
  f.rot.u = cross_product(f.rot.s, f.rot.f);
  f.origin = (p1 + p2) * 0.5f;
  const physics::body_id id = record.world->add_capsule_body(to_physics(f), radius, height, mass);
  if (mass > 0.0f) record.world->set_force_callback(id, gravity);
  record.capsule_bodies.push_back(id);
  return id;
}

void rebuild_local_ground(physics_world_list& list, ragdoll_state& state, ragdoll_surroundings& around,
                          const vec3& origin) {
  physics_world_record* record = list.record(state.physics_world);
  if (!record || !record->world) return;
  state.ground_built_at = origin;
  // The scene's static capsules go; a linked agent's capsule stays.
  for (physics::body_id id : record->capsule_bodies)
    if (id != record->linked_body) record->world->remove_capsule_body(id);
  record->capsule_bodies.clear();
  if (record->linked_body != physics::no_body) record->capsule_bodies.push_back(record->linked_body);
  std::vector<vec3> triangles;
  std::vector<ground_capsule> capsules;
  const vec3 reach(ground_reach, ground_reach, ground_reach);
  around.collect_ground(origin - reach, origin + reach, triangles, capsules);
  std::vector<physics::vector3> points;
  points.reserve(triangles.size());
  for (const vec3& p : triangles) points.push_back(to_physics(p));
  record->world->set_ground(points);
  for (const ground_capsule& c : capsules) add_static_capsule_body(*record, c.p1, c.p2, c.radius, 0.0f);
}

bool create_agent_ragdoll(physics_world_list& list, ragdoll_state& state, const ragdoll_source& source,
                          ragdoll_surroundings& around) {
  skeleton_instance* k = source.skeleton;
  if (!k || !k->skeleton) return false;
  const std::vector<ragdoll_bone_start> start = compute_ragdoll_start(source.entity_frame, *k);
  bool any = false;
  for (const ragdoll_bone_start& b : start) any = any || b.has_capsules;
  if (!any) return false;

  state.physics_world = list.create_physics_world();
  physics_world_record& record = *list.record(state.physics_world);
  state.bone_bodies.assign(start.size(), physics::no_body);
  const skeleton& s = *k->skeleton;
  for (std::size_t b = 0; b < start.size(); ++b) {
    if (!start[b].has_capsules) continue;
    const skeleton_body_bone& body = *bone_body(s, static_cast<int>(b));
    std::vector<physics::capsule> capsules;
    for (const skeleton_body_part& part : body.body_parts)
      capsules.push_back(physics::capsule{to_physics(part.pos), to_physics(part.pos2), part.radius * source.size_factor});
    const int p = start[b].body_parent;
    const physics::body_id parent = p >= 0 ? state.bone_bodies[static_cast<std::size_t>(p)] : physics::no_body;
    state.bone_bodies[b] = add_ragdoll_bone(record, parent, body.bone_mass, start[b].joint_frame, capsules,
                                            body.cone_min, body.cone_max, body.twist_limit);
  }

  vec3 base = source.velocity;
  state.inherited_mount_velocity = vec3();
  if (source.mounted) {
    state.inherited_mount_velocity = source.mount_velocity;
    base = vec3();
  }
  const vec3 root_velocity = source.entity_frame.rotate_vector_to_global(k->root_velocity);
  for (std::size_t b = 0; b < start.size(); ++b) {
    const physics::body_id id = state.bone_bodies[b];
    if (id == physics::no_body) continue;
    const skeleton_bone& bone = k->bones[b];
    const vec3 own_turn =
        source.entity_frame.rotate_vector_to_global(bone.pose_frame.rotate_vector_to_global(bone.angular_velocity));
    record.world->set_velocity(id, to_physics(base + root_velocity + start[b].linear_velocity));
    record.world->set_omega(id, to_physics(own_turn + start[b].angular_velocity));
  }
  for (std::size_t b = 0; b < start.size(); ++b)
    if (state.bone_bodies[b] != physics::no_body)
      record.world->set_matrix(state.bone_bodies[b], to_physics(start[b].world_frame));
  rebuild_local_ground(list, state, around, source.entity_frame.origin);

  if (source.has_linked) {
    const float sz = source.linked_size_factor;
    frame at = frame::identity();
    at.origin = vec3(0.0f, 0.5443f * sz, -0.0629f * sz);
    at = source.linked_bone0.transform_frame_to_global(at);
    const float radius = 0.2114f * sz;
    const float height = 1.2886f * sz;
    const vec3 half = at.rot.f * (0.5f * height);
    // The linked agent's capsule is the one body here that moves besides the
    // bones: it weighs what its volume of water would (a horse's trunk comes
    // to some 200 kg).
    const float mass = 3.14159265f * radius * radius * (height + 4.0f / 3.0f * radius) * 1000.0f;
    state.linked_body = add_static_capsule_body(record, at.origin - half, at.origin + half, radius, mass);
    record.linked_body = state.linked_body;
  }

  state.ragdoll = 1;
  k->rest_pose_only = 1;
  state.flags = {1, 1, 0};
  state.fall_sound_played = {0, 0};
  return true;
}

void stop_ragdoll(physics_world_list& list, ragdoll_state& state) {
  list.release_physics_world(state.physics_world);
  state.physics_world = -1;
  state.ragdoll = 0;
  state.linked_body = physics::no_body;
  state.corpse_frozen = 1;
}

bool update_ragdoll_pose(physics_world_list& list, ragdoll_state& state, frame& entity_frame,
                         skeleton_instance& pose, bool horse, ragdoll_surroundings& around) {
  physics_world_record* record = list.record(state.physics_world);
  if (!record || !record->world || state.bone_bodies.empty()) return false;
  const int n = std::min(static_cast<int>(state.bone_bodies.size()), static_cast<int>(pose.bones.size()));
  const physics::world& w = *record->world;

  // Every body's frame first: a root beyond a million metres or anything not
  // finite stops the ragdoll, and the agent keeps the pose it had.
  std::vector<frame> body_frames(static_cast<std::size_t>(n));
  bool sound = true;
  for (int b = 0; b < n; ++b) {
    if (state.bone_bodies[static_cast<std::size_t>(b)] == physics::no_body) continue;
    body_frames[static_cast<std::size_t>(b)] = from_physics(w.get_matrix(state.bone_bodies[static_cast<std::size_t>(b)]));
    if (!finite(body_frames[static_cast<std::size_t>(b)])) sound = false;
  }
  // The entity follows the root's body; a root without a body (a skeleton
  // whose root has no capsules) is carried by the first bone that has one,
  // at the place the pose gives it.
  int anchor = 0;
  while (anchor < n && state.bone_bodies[static_cast<std::size_t>(anchor)] == physics::no_body) ++anchor;
  const frame root = anchor >= n ? frame::identity()
                     : anchor == 0
                         ? body_frames[0]
                         : body_frames[static_cast<std::size_t>(anchor)].transform_frame_to_global(
                               pose.bones[static_cast<std::size_t>(anchor)].pose_frame.transform_frame_to_local(
                                   frame::identity()));
  if (anchor >= n || !sound || !finite(root) || !(root.origin.x > -1000000.0f && root.origin.x < 1000000.0f)) {
    stop_ragdoll(list, state);
    pose.pose_valid = 0;
    return false;
  }

  // Every other bone with a body takes it relative to its parent; bones
  // without one are carried by their parent.
  entity_frame = root;
  std::vector<frame> in_entity(static_cast<std::size_t>(n), frame::identity());
  for (int b = 0; b < n; ++b) {
    skeleton_bone& k = pose.bones[static_cast<std::size_t>(b)];
    const int p = k.parent >= 0 && k.parent < b ? k.parent : -1;
    const frame parent_frame = p >= 0 ? in_entity[static_cast<std::size_t>(p)] : frame::identity();
    if (b == 0 && anchor == 0) {
      k.local_frame = frame::identity();
    } else if (state.bone_bodies[static_cast<std::size_t>(b)] != physics::no_body) {
      const frame here = entity_frame.transform_frame_to_local(body_frames[static_cast<std::size_t>(b)]);
      k.local_frame = parent_frame.transform_frame_to_local(here);
    }
    in_entity[static_cast<std::size_t>(b)] = parent_frame.transform_frame_to_global(k.local_frame);
  }
  pose.compute_rest_pose();

  // The thud of the body on the ground, once.
  if (!state.fall_sound_played[0] && !state.fall_sound_played[1]) {
    struct sounding {
      int bone;
      float height;
    };
    const sounding human[] = {{8, 0.35f}, {10, 0.15f}, {15, 0.15f}};
    const sounding horse_bone[] = {{2, 0.4f}};
    const auto* first = horse ? horse_bone : human;
    const int count = horse ? 1 : 3;
    for (int i = 0; i < count; ++i) {
      const int b = first[i].bone;
      if (b >= n) continue;
      const frame at = entity_frame.transform_frame_to_global(in_entity[static_cast<std::size_t>(b)]);
      if (!(at.origin.z > state.fall_reference_height)) continue;
      if (!(at.origin.z - around.ground_height(at.origin) < first[i].height)) continue;
      around.play_body_fall(entity_frame.origin, 0.8f + 0.4f * around.random_unit());
      state.fall_sound_played[1] = 1;
      state.fall_bone_frame = at;
      break;
    }
  }

  if ((entity_frame.origin - state.ground_built_at).length_squared() > 9.0f)
    rebuild_local_ground(list, state, around, entity_frame.origin);
  return true;
}

}  // namespace hm
