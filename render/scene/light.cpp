#include "render/scene/light.h"

#include "engine/core/random.h"

namespace hm {

light::light() : flicker_phase(random_next() % 1017) {}

void light::compute_strength_from_color() {
  if (type == light_type_point) strength = (colour.r + colour.g + colour.b) * 10.0f;
}

}  // namespace hm
