#include "render/shadow/sun_visibility.h"

#include <cmath>

#include "render/shadow/render_pass_state.h"

namespace hm {

namespace {

struct depth_sample {
  int dx;
  int dy;
  float weight;
};

constexpr depth_sample samples[9] = {{0, 0, 1.0f},   {-2, 0, 0.9f},  {2, 0, 0.9f},   {0, -2, 0.9f}, {0, 2, 0.9f},
                                     {-2, -2, 0.7f}, {2, -2, 0.7f},  {-2, 2, 0.7f},  {2, 2, 0.7f}};
constexpr float weight_total_inverse = 1.0f / 7.4f;

}  // namespace

float device_depth_at(const camera& eye, float d) {
  if (!eye.perspective) return (d - eye.near) / (eye.far - eye.near);
  if (d <= 0.0f || eye.far <= eye.near) return 0.0f;
  return eye.far / (eye.far - eye.near) * (1.0f - eye.near / d);
}

bool screen_pixel_of(const camera& eye, std::int32_t width, std::int32_t height, const vec3& point, std::int32_t& x,
                     std::int32_t& y) {
  float sx = 0.0f;
  float sy = 0.0f;
  if (!eye.world_to_screen(point, sx, sy) || !(sx > 0.0f && sx < 1.0f) || !(sy > 0.0f && sy < 1.0f)) return false;
  x = static_cast<std::int32_t>(sx * static_cast<float>(width));
  y = static_cast<std::int32_t>(sy * static_cast<float>(height));
  return true;
}

bool sun_visibility_from_depth(const screen_depth& copy, const vec3& point, float& fraction) {
  const std::int32_t window_width = copy.window_width > 0 ? copy.window_width : copy.width;
  const std::int32_t window_height = copy.window_height > 0 ? copy.window_height : copy.height;
  if (copy.width <= 0 || copy.height <= 0 || window_width <= 0 || window_height <= 0 ||
      copy.depth.size() < static_cast<std::size_t>(window_width) * static_cast<std::size_t>(window_height))
    return false;
  std::int32_t px = 0;
  std::int32_t py = 0;
  if (!screen_pixel_of(copy.eye, copy.width, copy.height, point, px, py)) {
    fraction = 1.0f;
    return true;
  }
  // The camera looks down its negative third axis.
  const float along = -dot_product(point - copy.eye.frame.origin, copy.eye.frame.rot.u);
  const float own = device_depth_at(copy.eye, along) - 0.001f;
  float sum = 0.0f;
  for (const depth_sample& s : samples) {
    const int x = px + s.dx;
    const int y = py + s.dy;
    // A sample off the picture sees past the frame's edge: nothing covers it.
    if (x < 0 || y < 0 || x >= copy.width || y >= copy.height) {
      sum += s.weight;
      continue;
    }
    const std::int32_t wx = x - copy.window_x;
    const std::int32_t wy = y - copy.window_y;
    // The copy cannot tell what covers a pixel it does not hold.
    if (wx < 0 || wy < 0 || wx >= window_width || wy >= window_height) return false;
    const float stored = copy.depth[static_cast<std::size_t>(wy) * static_cast<std::size_t>(window_width) +
                                    static_cast<std::size_t>(wx)];
    if (stored >= own) sum += s.weight;
  }
  fraction = sum * weight_total_inverse;
  return true;
}

bool test_sun_visibility(const render_pass_state& state, const vec3& point, float& fraction) {
  if (!state.pixel_shaders() || !state.view_depth) return false;
  return sun_visibility_from_depth(*state.view_depth, point, fraction);
}

}  // namespace hm
