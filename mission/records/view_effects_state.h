#pragma once
// What the mission keeps of the view from frame to frame: the camera it was
// last drawn from, the sun's lens flare and its brightness, the weather's
// particle system that travels with the camera.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class entity;

struct view_effects_state {
  frame camera_frame = frame::identity();
  // The flare drawn where the sun stands (an entity of the scene, made on
  // the first frame that has a sun and the flare's mesh); null for none.
  entity* flare_entity = nullptr;
  // How much of the sun shows, 0..1, followed smoothly.
  float flare_intensity = 0.0f;
  // 1 starts the weather particle system at the camera; its handle is -1
  // while none runs.
  std::int32_t weather_kind = 0;
  std::int32_t weather_particles = -1;
  // The ground spec whose value gives the flare's strength.
  std::int32_t ground_spec = 0;
  // The flare fades out as this falls towards 150 (1 - 150 / distance).
  float flare_fade_distance = 10000.0f;
};

}  // namespace hm
