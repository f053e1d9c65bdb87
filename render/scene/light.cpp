#include "render/scene/light.h"

#include "engine/core/random.h"

namespace hm {

namespace {
// A light's flicker phase only staggers how lights flicker; it comes from a
// sequence of its own so that making the lights of a scene does not move the
// game's random sequence, which decides a battle's course.
std::uint32_t next_flicker_phase() {
  static std::uint32_t state = 0x2545f491u;
  state = state * 1664525u + 1013904223u;
  return (state >> 16) % 1017u;
}
}  // namespace

light::light() : flicker_phase(static_cast<std::int32_t>(next_flicker_phase())) {}

void light::compute_strength_from_color() {
  if (type == light_type_point) strength = (colour.r + colour.g + colour.b) * 10.0f;
}

}  // namespace hm
