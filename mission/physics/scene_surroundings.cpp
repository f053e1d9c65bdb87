#include "mission/physics/scene_surroundings.h"

#include <limits>

#include "engine/audio/sound_manager.h"
#include "engine/collision/face.h"
#include "engine/core/random.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

// The height of the face's plane at (x, y) when the polygon covers that point
// seen from above; false otherwise (and for upright faces).
bool face_height_at(const face& f, float x, float y, float& height) {
  const int n = f.vertex_count < face::max_vertices ? f.vertex_count : face::max_vertices;
  if (n < 3 || !(std::fabs(f.normal.z) > 1e-4f)) return false;
  bool inside = false;
  for (int i = 0, j = n - 1; i < n; j = i++) {
    const vec3& a = f.vertices[i];
    const vec3& b = f.vertices[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  if (!inside) return false;
  const vec3& p = f.vertices[0];
  height = p.z - (f.normal.x * (x - p.x) + f.normal.y * (y - p.y)) / f.normal.z;
  return true;
}

}  // namespace

void scene_ragdoll_surroundings::collect_ground(const vec3& box_min, const vec3& box_max,
                                                std::vector<vec3>& triangles, std::vector<ground_capsule>& capsules) {
  if (scene_) collect_scene_ground(*scene_, box_min, box_max, triangles, capsules);
}

float scene_ragdoll_surroundings::ground_height(const vec3& at) {
  float best = std::numeric_limits<float>::lowest();
  if (!scene_) return best;
  std::vector<body_part*> parts;
  scene_->collect_body_parts_along_segment(at + vec3(0, 0, 0.5f), at - vec3(0, 0, 1000.0f), 0, parts);
  for (const body_part* part : parts) {
    if (!part || part->get_type_id() != face_type_id) continue;
    float h = 0.0f;
    if (face_height_at(static_cast<const face&>(*part), at.x, at.y, h) && h <= at.z + 0.5f && h > best) best = h;
  }
  return best;
}

void scene_ragdoll_surroundings::play_body_fall(const vec3& at, float pitch) {
  const int sound = g_sound_manager.find_sound("snd_body_fall_big");
  if (sound >= 0) g_sound_manager.play_sound(sound, 0, at, pitch);
}

float scene_ragdoll_surroundings::random_unit() { return static_cast<float>(random_next()) / 32768.0f; }

}  // namespace hm
