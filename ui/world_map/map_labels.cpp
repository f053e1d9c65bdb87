#include "ui/world_map/map_labels.h"

#include "campaign/party/party.h"
#include "engine/core/math.h"

namespace hm {

std::uint32_t relation_to_label_colour(float relation, bool bright) {
  color c{1.0f, 1.0f, 1.0f, 1.0f};
  const float r = relation;
  if (r < -0.0001f) {
    c.r = 0.95f;
    c.g = c.b = 0.65f * (1.0f + r);
  } else if (r > 0.0001f) {
    c.r = 0.5f * r + 0.75f * (1.0f - r);
    c.g = r + 0.95f * (1.0f - r);
    c.b = 0.2f * r + 0.65f * (1.0f - r);
  }
  if (!bright) {
    c.r = c.r * 0.65f + 0.2f;
    c.g = c.g * 0.65f + 0.2f;
    c.b = c.b * 0.65f * 0.7f + 0.2f;
  }
  return color_to_argb(c);
}

std::string troop_count_label(int members, int prisoners) {
  if (prisoners > 0) return std::to_string(members) + "+" + std::to_string(prisoners);
  return std::to_string(members);
}

float party_label_scale(std::uint32_t flags) {
  const std::uint32_t bits = flags & party_flag_label_scale;
  if (bits == 0) return 0.5f;
  if (bits == 0x1000u) return 0.75f;
  return 1.0f;
}

}  // namespace hm
