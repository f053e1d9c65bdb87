// What other code asks of a generated terrain: the cell and the height under a
// point, the steep-cell count, vertex tints, sun visibility and item light,
// and the small shadow helpers.
#include "render/terrain/terrain_queries.h"

#include <algorithm>

#include "engine/core/noise.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "render/scene/scene_world.h"
#include "render/shadow/render_pass_state.h"
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
  if (pixel_shaders) return 1.0f;
  const vec3 from = position - light_direction * 1000.0f;
  const vec3 to = position - light_direction * 0.05f;
  if (segment_clear) return segment_clear(from, to) ? 1.0f : 0.0f;
  if (scene) return scene->segment_is_clear(from, to) ? 1.0f : 0.0f;
  return 1.0f;
}

vec3 terrain_generator::item_light(const vec3& normal, float factor) const {
  float lit = -dot_product(light_direction, normal);
  if (lit < 0.0f) lit = 0.0f;
  return ambient_colour + sun_colour * (lit * factor);
}

void terrain_generator::light_placed_items(std::int32_t list, bool sweep) {
  if (list < 0 || list >= static_cast<std::int32_t>(placed_items.size())) return;
  for (std::int32_t i = 0; i < placed_items[static_cast<std::size_t>(list)].count(); ++i) light_placed_item(list, i, sweep);
}

void terrain_generator::light_placed_item(std::int32_t list, std::int32_t index, bool sweep) {
  if (pixel_shaders && plant_shadows == 2) return;
  placed_item& item = placed_items[static_cast<std::size_t>(list)].items[static_cast<std::size_t>(index)];
  if (item.lit || item.mesh_count <= 0) return;
  if (item.flora_kind < 0 || item.flora_kind >= static_cast<std::int32_t>(module_data.flora_kinds.size())) return;
  const terrain_flora_kind& kind = module_data.flora_kinds[static_cast<std::size_t>(item.flora_kind)];
  const bool grass = (kind.flags & flora_grass) != 0;
  const vec3 l = light_direction;
  for (std::int32_t k = 0; k < item.mesh_count && k < 4; ++k) {
    const std::int32_t target = item.mesh_refs[k * 3];
    const std::int32_t first = item.mesh_refs[k * 3 + 1];
    const std::int32_t count = item.mesh_refs[k * 3 + 2];
    if (target < 0 || target >= static_cast<std::int32_t>(flora_meshes.size())) continue;
    mesh& m = *flora_meshes[static_cast<std::size_t>(target)];
    // Only materials lit per vertex take the light into their colours.
    const shader* sh = m.mat ? m.mat->shader_ptr : nullptr;
    if (!m.mat || (sh && (sh->flags & shader_flag_lit_per_mesh))) continue;
    float base = 1.0f;
    if (grass && item.cell_x >= 0 && item.cell_x < cells_x && item.cell_y >= 0 && item.cell_y < cells_y &&
        heights.sample_count_x > item.cell_x && heights.sample_count_y > item.cell_y) {
      const height_sample& sample = heights.sample(item.cell_x, item.cell_y);
      if ((item.triangle == 0 ? sample.face_0 : sample.face_1) >= 0) {
        base = std::max(0.0f, -dot_product(l, item.placement.rot.u));
      }
    }
    if (!(pixel_shaders && plant_shadows != 0)) {
      // Low plants (their middle below 1.5) are tested against the scene.
      vec3 centre;
      const std::int32_t variant = kind.variant_count > 0 ? item.variant % kind.variant_count : 0;
      if (variant >= 0 && variant < static_cast<std::int32_t>(kind.variant_meshes.size()) &&
          kind.variant_meshes[static_cast<std::size_t>(variant)]) {
        const mesh& source = *kind.variant_meshes[static_cast<std::size_t>(variant)];
        vec3 lo(1e8f, 1e8f, 1e8f);
        vec3 hi(-1e8f, -1e8f, -1e8f);
        for (const mesh_point& p : source.get_points()) {
          lo = vec3(std::min(lo.x, p.position.x), std::min(lo.y, p.position.y), std::min(lo.z, p.position.z));
          hi = vec3(std::max(hi.x, p.position.x), std::max(hi.y, p.position.y), std::max(hi.z, p.position.z));
        }
        if (lo.x <= hi.x) centre = (lo + hi) * 0.5f;
      }
      if (centre.z < 0.3f) centre.z = 0.3f;
      if (centre.z < 1.5f) {
        const vec3 p = centre + item.placement.origin;
        const vec3 from = p - l * 1000.0f;
        const vec3 to = p - l * 0.05f;
        bool clear = false;
        if (sweep && capsule_clear)
          clear = capsule_clear(from, to);
        else
          clear = segment_clear ? segment_clear(from, to) : (!scene || scene->segment_is_clear(from, to));
        if (!clear) base *= 0.1f;
      }
    }
    // With quick plant shadows each vertex asks the shadow map whether the
    // sun reaches it.
    const bool per_vertex = pixel_shaders && plant_shadows == 1;
    const std::int32_t end = std::min(first + count, static_cast<std::int32_t>(m.vertices.size()));
    for (std::int32_t v = std::max(first, 0); v < end; ++v) {
      mesh_vertex& mv = m.vertices[static_cast<std::size_t>(v)];
      float lit = base;
      const std::size_t point = static_cast<std::size_t>(mv.point);
      if (per_vertex && point < m.points.size()) {
        float test = 1.0f;
        g_render_pass_state.shadow_test(m.points[point].position, test);
        lit = test * base;
      }
      const vec3 light = ambient_colour * 1.5f + sun_colour * lit;
      color c = argb_to_color(mv.color);
      c.r = std::min(1.0f, c.r * light.x);
      c.g = std::min(1.0f, c.g * light.y);
      c.b = std::min(1.0f, c.b * light.z);
      mv.color = color_to_argb(c);
      mv.current_color = mv.color;
    }
    m.mark_vertices_changed();
  }
  item.lit = true;
}

}  // namespace hm
