// What other code asks of a generated terrain: the cell and the height under a
// point, the steep-cell count, vertex tints, sun visibility and item light,
// and the small shadow helpers.
#include "render/terrain/terrain_queries.h"

#include "engine/core/noise.h"
#include "render/terrain/terrain_generator.h"

namespace hm {

std::uint32_t pack_vector_to_color(const vec3& v, float w) {
  auto channel = [](float c) -> std::uint32_t {
    const float scaled = c * 128.0f + 128.0f;
    if (!(scaled > -2147483648.0f && scaled < 2147483648.0f)) return 255;
    const std::uint32_t n = static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled));
    return n > 255 ? 255 : n;
  };
  return (channel(w) << 24) | (channel(v.x) << 16) | (channel(v.y) << 8) | channel(v.z);
}

vec3 terrain_generator::sample_height(const vec3& p) const {
  std::int32_t i = 0;
  std::int32_t j = 0;
  cell_of_point(p, i, j);
  // Along one axis between two positions, held at either end.
  auto between = [](const vec3& a, const vec3& b, float t_value, float a_value, float b_value) {
    if (t_value < a_value) return a;
    if (t_value < b_value) return a + (b - a) * ((t_value - a_value) / (b_value - a_value));
    return b;
  };
  const vec3& p00 = vertex(i, j).position;
  const vec3& p01 = vertex(i, j + 1).position;
  const vec3& p10 = vertex(i + 1, j).position;
  const vec3& p11 = vertex(i + 1, j + 1).position;
  const vec3 near_edge = between(p00, p01, p.y, p00.y, p01.y);
  const vec3 far_edge = between(p10, p11, p.y, p10.y, p11.y);
  return between(near_edge, far_edge, p.x, near_edge.x, far_edge.x);
}

std::int32_t terrain_generator::count_steep_cells() const {
  if (cells_y - 20 < 21) return 0;
  std::int32_t count = 0;
  for (std::int32_t x = 20; x < cells_x - 20; ++x) {
    for (std::int32_t y = 20; y < cells_y - 20; ++y) {
      const terrain_cell& c = cell(x, y);
      if (c.normal_0.z < 0.6f || c.normal_1.z < 0.45f) ++count;
    }
  }
  return count;
}

color terrain_generator::vertex_color_variation(const vec3& p) const {
  const std::uint32_t region = code.region_type();
  if (region == region_snow || region == region_snow_forest) return color{1.0f, 1.0f, 1.0f, 1.0f};
  const vec3 n = fractal_vector_noise(15.0f, 0.6f, 3, false, p + noise_offset);
  float r = 1.2f * n.x + 0.97f;
  if (r > 1.0f) r = 1.0f;
  float g = n.y + 0.975f;
  if (g > 1.0f) g = 1.0f;
  if (g < r - 0.022f) g = r - 0.022f;
  if (r < g - 0.2f) r = g - 0.2f;
  float b = n.z + 0.97f;
  if (b > 1.0f) b = 1.0f;
  if (b > r) b = r;
  if (b > g) b = g;
  if (pixel_shaders) {
    r *= r;
    g *= g;
    b *= b;
  }
  return color{r, g, b, 1.0f};
}

float terrain_generator::vertex_sun_visibility(const vec3& position) const {
  if (pixel_shaders || !segment_clear) return 1.0f;
  const vec3 from = position - light_direction * 1000.0f;
  const vec3 to = position - light_direction * 0.05f;
  return segment_clear(from, to) ? 1.0f : 0.0f;
}

vec3 terrain_generator::item_light(const vec3& normal, float factor) const {
  float lit = -dot_product(light_direction, normal);
  if (lit < 0.0f) lit = 0.0f;
  return ambient_colour + sun_colour * (lit * factor);
}

}  // namespace hm
