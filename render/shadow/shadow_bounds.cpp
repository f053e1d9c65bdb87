#include "render/shadow/shadow_bounds.h"

namespace hm {

vec3 shadow_projection::to_texture(const vec3& p) const {
  const vec3 local = view.transform_point_to_local(p);
  if (mode != 0) return local;
  return vec3((local.x - x0) / (x1 - x0), (local.y - y0) / (y1 - y0), (-local.z - z0) / (z1 - z0));
}

void shadow_texel(float x, float y, std::int32_t width, std::int32_t height, std::int32_t& tx, std::int32_t& ty) {
  auto clamp = [](float t, std::int32_t size) {
    if (size <= 0 || !(t > 0.0f)) return 0;
    const float scaled = t * static_cast<float>(size);
    if (scaled >= static_cast<float>(size - 1)) return size - 1;
    return static_cast<std::int32_t>(scaled);
  };
  tx = clamp(x, width);
  ty = clamp(1.0f - y, height);
}

}  // namespace hm
