#pragma once
// A light of a scene: the sun and fill lights of the time of day (directional)
// and the point lights that scripts add.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

constexpr std::int32_t light_type_point = 0;
constexpr std::int32_t light_type_directional = 2;
// flags bits: the second (fill) light, and a weak sun that casts no shadow.
constexpr std::int32_t light_flag_fill = 0x1;
constexpr std::int32_t light_flag_weak_sun = 0x2;

class light {
 public:
  // The defaults; the flicker phase is drawn from the engine's random source.
  light();

  // A point light's range from its colour: (r + g + b) x 10. Other types keep
  // their strength.
  void compute_strength_from_color();

  std::int32_t type = light_type_point;
  color colour;
  color colour_2;
  vec3 position;
  vec3 position_2;
  vec3 direction = vec3(0.0f, 1.0f, 0.0f);
  float strength = 0.0f;
  float extra[2] = {0.0f, 1.0f};
  std::int32_t flags = 0;
  std::int32_t flicker_phase = 0;
};

}  // namespace hm
