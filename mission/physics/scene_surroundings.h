#pragma once
// A ragdoll's surroundings in a mission's scene: the scene's collision faces
// and capsules as its ground, the heights of those faces, the engine's sound
// player for the fall and its random source.
#include "mission/physics/ragdoll.h"

namespace hm {

class scene_world;

class scene_ragdoll_surroundings : public ragdoll_surroundings {
 public:
  // The scene may be null: no ground then, and no ground height.
  explicit scene_ragdoll_surroundings(const scene_world* scene) : scene_(scene) {}

  void collect_ground(const vec3& box_min, const vec3& box_max, std::vector<vec3>& triangles,
                      std::vector<ground_capsule>& capsules) override;
  // The highest collision face under the point that is not more than 0.5
  // above it; the lowest float when there is none.
  float ground_height(const vec3& at) override;
  void play_body_fall(const vec3& at, float pitch) override;
  float random_unit() override;

 private:
  const scene_world* scene_;
};

}  // namespace hm
