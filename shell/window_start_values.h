#pragma once
// The start values of two game windows that the program builds with its other
// long-lived objects: the world-map window, whose view a save game carries,
// and the character window. The windows themselves take these records when
// the window manager makes them.
#include <cstdint>

#include "engine/core/math.h"
#include "render/entity/camera.h"

namespace hm {

class stream;

// The world-map window's own part.
struct world_map_window_values {
  // Its camera: the default camera with view extents of +-0.1 by +-0.07 and
  // a near and far distance of 0.2 and 300, frustum planes recomputed.
  camera view;
  vec3 camera_offset{0.0f, 0.0f, 10.0f};
  std::uint8_t flag = 0;
  // What a save game carries of the window, in its order.
  vec3 saved_a;
  vec3 saved_b;
  float saved_values[3] = {0.0f, 1.0f, 5.0f};

  world_map_window_values();
  // The save hook: A.x, A.y, A.z, B.x, B.y, B.z and the three values, each
  // with the stream's float write. Nothing else of the window is written.
  void save(stream& out) const;
  // The load hook: the same nine floats in the same order.
  void load(stream& in);
};

// The character window's own part: the default camera, -1 and 0.
struct character_window_values {
  camera view;
  std::int32_t selected = -1;
  std::int32_t value = 0;
};

}  // namespace hm
