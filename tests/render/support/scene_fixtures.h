#pragma once
// Small scene fixtures shared by the entity, skeleton and scene tests: skeletons
// and animations built in code, and resources registered once in the global
// resource manager under names no other test uses.
#include <cmath>
#include <memory>
#include <vector>

#include "engine/collision/sphere.h"
#include "engine/resource/body.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "engine/support/mesh_test_support.h"

namespace hm::test {

// A quaternion turning by `angle` radians about the unit axis.
inline quaternion axis_angle(const vec3& axis, float angle) {
  const float s = std::sin(angle * 0.5f);
  return quaternion{std::cos(angle * 0.5f), axis.x * s, axis.y * s, axis.z * s};
}

// A chain of bones: bone i's parent is i - 1, each placed `step` along the
// parent's x axis (the root at the origin).
inline std::unique_ptr<skeleton> make_chain_skeleton(const char* name, int bones, float step = 1.0f) {
  auto s = std::make_unique<skeleton>();
  s->name = name;
  s->bone_count = bones;
  s->bones.resize(static_cast<std::size_t>(bones));
  for (int i = 0; i < bones; ++i) {
    skeleton_bone_def& d = s->bones[static_cast<std::size_t>(i)];
    d.parent = i - 1;
    d.local_frame = frame::identity();
    if (i > 0) d.local_frame.origin = vec3(step, 0, 0);
  }
  s->derive();
  return s;
}

inline rotation_track make_track(std::vector<std::pair<int, quaternion>> keys) {
  rotation_track t;
  for (auto& [time, q] : keys) {
    t.times.push_back(time);
    t.keys.push_back(q);
  }
  t.key_count = static_cast<std::int32_t>(keys.size());
  return t;
}

// A mesh with a material, the given box and one triangle, so it queues.
inline std::unique_ptr<mesh> make_box_mesh(const char* name, const vec3& lo, const vec3& hi, material* mat) {
  auto m = std::make_unique<mesh>();
  m->name = name;
  m->add_point(lo);
  m->add_point(hi);
  m->add_point(vec3(lo.x, hi.y, lo.z));
  for (int i = 0; i < 3; ++i) m->add_vertex(i, 0, 0, 0xFFFFFFFFu, vec3(0, 0, 1));
  m->add_face(0, 1, 2);
  m->compute_bounding_box();
  if (mat) m->set_material(mat);
  return m;
}

// Registers, once per process, the resources the entity tests read by name:
// material "ent_mat", meshes "ent_box" (box (-1,-1,0) to (1,1,2)) and
// "ent_box2", body "ent_ball" (a sphere of radius 0.5) and skeleton "ent_skel"
// (three bones).
inline void register_entity_resources() {
  static bool done = false;
  if (done) return;
  done = true;
  resource_manager& rm = g_resource_manager;
  auto mat = std::make_unique<material>();
  mat->name = "ent_mat";
  material* m = static_cast<material*>(rm.adopt_resource(std::move(mat)));
  rm.adopt_resource(make_box_mesh("ent_box", vec3(-1, -1, 0), vec3(1, 1, 2), m));
  rm.adopt_resource(make_box_mesh("ent_box2", vec3(0, 0, 0), vec3(1, 1, 1), m));
  auto b = std::make_unique<body>();
  b->name = "ent_ball";
  b->part = std::make_unique<sphere>(vec3(0, 0, 0.5f), 0.5f);
  rm.adopt_resource(std::move(b));
  rm.adopt_resource(make_chain_skeleton("ent_skel", 3));
}

}  // namespace hm::test
