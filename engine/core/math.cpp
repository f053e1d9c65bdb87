#include "engine/core/math.h"

namespace hm {

void frame::orthonormalize() {
  get_normalized(rot.f, rot.f);
  // With f parallel to u the cross product is zero and s falls back to (0,1,0).
  get_normalized(rot.s, cross_product(rot.f, rot.u));
  rot.u = cross_product(rot.s, rot.f);
}

void frame::rotate_x(float angle) {
  const float c = std::cos(angle);
  const float sn = std::sin(angle);
  const vec3 f = rot.f;
  const vec3 u = rot.u;
  rot.f = vec3(c * f.x + sn * u.x, c * f.y + sn * u.y, c * f.z + sn * u.z);
  rot.u = vec3(c * u.x - sn * f.x, c * u.y - sn * f.y, c * u.z - sn * f.z);
}

void frame::rotate_y(float angle) {
  const float c = std::cos(angle);
  const float sn = std::sin(angle);
  const vec3 s = rot.s;
  const vec3 u = rot.u;
  rot.s = vec3(c * s.x - sn * u.x, c * s.y - sn * u.y, c * s.z - sn * u.z);
  rot.u = vec3(c * u.x + sn * s.x, c * u.y + sn * s.y, c * u.z + sn * s.z);
}

void frame::rotate_z(float angle) {
  const float c = std::cos(angle);
  const float sn = std::sin(angle);
  const vec3 s = rot.s;
  const vec3 f = rot.f;
  rot.s = vec3(c * s.x + sn * f.x, c * s.y + sn * f.y, c * s.z + sn * f.z);
  rot.f = vec3(c * f.x - sn * s.x, c * f.y - sn * s.y, c * f.z - sn * s.z);
}

namespace {
// channel * 256 truncated toward zero, then capped at 255 as an unsigned value:
// 1.0 gives 255 and anything negative wraps high and gives 255 too. Values the
// integer cannot hold (huge or not a number) also give 255.
std::uint32_t pack_channel(float channel) {
  const float scaled = channel * 256.0f;
  if (!(scaled > -2147483648.0f && scaled < 2147483648.0f)) return 255;
  const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled));
  return bits < 255 ? bits : 255;
}
}  // namespace

std::uint32_t color_to_argb(const color& c) {
  return (pack_channel(c.a) << 24) | (pack_channel(c.r) << 16) | (pack_channel(c.g) << 8) | pack_channel(c.b);
}

void argb_to_color(color& out, std::uint32_t argb) {
  constexpr float inverse_255 = 0.003921569f;
  out.r = static_cast<float>((argb >> 16) & 0xFF) * inverse_255;
  out.g = static_cast<float>((argb >> 8) & 0xFF) * inverse_255;
  out.b = static_cast<float>(argb & 0xFF) * inverse_255;
  out.a = static_cast<float>((argb >> 24) & 0xFF) * inverse_255;
}

}  // namespace hm
