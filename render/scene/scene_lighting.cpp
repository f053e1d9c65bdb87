#include "render/scene/scene_lighting.h"

#include <algorithm>
#include <cmath>

#include "engine/collision/face.h"
#include "engine/core/noise.h"
#include "engine/resource/mesh.h"
#include "render/entity/render_view.h"
#include "render/scene/light.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr float degrees_to_radians = 0.017453292f;

}  // namespace

void put_scene_lights_in_view(const scene_world& scene, render_view& view,
                              std::vector<std::unique_ptr<mesh_light>>& storage, bool with_point_lights) {
  view.lights.clear();
  std::size_t used = 0;
  auto next = [&]() -> mesh_light& {
    if (used == storage.size()) storage.push_back(std::make_unique<mesh_light>());
    mesh_light& out = *storage[used++];
    out = mesh_light{};
    view.lights.push_back(&out);
    return out;
  };
  for (const auto& l : scene.lights) {
    if (!l || l->type != light_type_directional) continue;
    mesh_light& out = next();
    out.type = mesh_light::directional;
    out.diffuse = l->colour;
    out.direction = l->direction;
    out.direction.normalize();
    out.world_position = l->position;
    out.flags = static_cast<std::uint32_t>(l->flags);
  }
  if (with_point_lights) {
    for (const auto& l : scene.lights) {
      if (!l || l->type != light_type_point) continue;
      mesh_light& out = next();
      out.type = mesh_light::point;
      out.diffuse = l->colour;
      out.local_position = out.world_position = l->position;
      out.radius = l->strength;
      out.flags = static_cast<std::uint32_t>(l->flags);
      out.flicker_phase = l->flicker_phase;
    }
  }
}

vec3 get_sun_direction(const skybox_lighting& sky, int hour) {
  const float a = sky.latitude * degrees_to_radians;
  const float b = static_cast<float>(hour - 12) * 15.0f * -degrees_to_radians;
  return vec3(std::cos(a) * std::sin(b), -std::cos(a) * std::cos(b), -std::sin(a));
}

int time_of_day_hour(std::int64_t clock_ticks_now, std::int64_t start_ticks) {
  const std::int64_t units = (clock_ticks_now - start_ticks) / 100000;
  const std::int64_t hour = units % 24;
  return static_cast<int>(hour < 0 ? hour + 24 : hour);
}

void set_up_time_of_day(scene_world& scene, const skybox_lighting& sky, std::uint32_t scene_flags, float fog_density,
                        int hour, bool pixel_shaders) {
  const float haze = std::clamp(fog_density * 60.0f, 0.0f, 1.0f);
  const color fog = argb_to_color(sky.fog_colour);
  const vec3 sun_direction = get_sun_direction(sky, hour);

  light& sun = scene.create_light();
  sun.type = light_type_directional;
  sun.direction = sun_direction;
  sun.position = sun_direction * -10000.0f;
  sun.strength = 20000.0f;
  sun.flags = 0;
  if (scene_flags & scene_flag_no_sky_light) {
    sun.colour = color{0.0f, 0.0f, 0.0f, 0.0f};
    const float a = pixel_shaders ? 0.03f : 0.15f;
    scene.ambient_colour = color{a, a, a, 1.0f};
    sun.colour_2 = sun.colour;
    return;
  }
  const float s = std::pow(1.0f - haze, 1.5f);
  vec3 c = sky.sun_colour * s;
  if ((sky.flags & skybox_flag_weak_sun) || c.length() < 0.1f) sun.flags |= light_flag_weak_sun;
  if (!pixel_shaders) c = vec3(std::sqrt(c.x), std::sqrt(c.y), std::sqrt(c.z));
  sun.colour = color{c.x, c.y, c.z, sun.colour.a};
  sun.colour_2 = sun.colour;

  color ambient{sky.ambient_colour.r + 0.2f * haze * fog.r, sky.ambient_colour.g + 0.2f * haze * fog.g,
                sky.ambient_colour.b + 0.2f * haze * fog.b, 1.0f};
  if (!pixel_shaders) {
    ambient.r = std::sqrt(ambient.r);
    ambient.g = std::sqrt(ambient.g);
    ambient.b = std::sqrt(ambient.b);
  }
  scene.ambient_colour = ambient;

  light& fill = scene.create_light();
  fill.type = light_type_directional;
  float x = sun_direction.x, y = sun_direction.y;
  const float length = std::sqrt(x * x + y * y);
  if (length > 0.0f) {
    x /= length;
    y /= length;
  } else {
    x = 0.0f;
    y = 1.0f;
  }
  const float turned_x = std::cos(3.5f) * x - std::sin(3.5f) * y;
  const float turned_y = std::sin(3.5f) * x + std::cos(3.5f) * y;
  vec3 d(turned_x, turned_y, -0.9f);
  d.normalize();
  fill.direction = d;
  fill.colour = color{sky.ambient_colour.r * 0.5f, sky.ambient_colour.g * 0.5f, sky.ambient_colour.b * 0.5f,
                      sky.ambient_colour.a};
  fill.colour_2 = fill.colour;
  fill.position = vec3(turned_x * -10000.0f, turned_y * -10000.0f, 9000.0f);
  fill.strength = 20000.0f;
  fill.flags = light_flag_fill;
}

color sample_weather_noise(float t) {
  const vec3 a = fractal_vector_noise(96.0f, 0.65f, 4, false, vec3(t, 0.0f, 0.0f));
  const vec3 b = fractal_vector_noise(72.0f, 0.63f, 4, false, vec3(713.0f, t, 973.0f));
  const vec3 c = fractal_vector_noise(24.0f, 0.63f, 4, false, vec3(-125.0f, 6337.0f, t));
  return color{a.x, b.x, c.x, c.y};
}

namespace {

// Whether (x, y) lies inside the convex polygon's outline seen from above
// (either winding).
bool polygon_contains_point(const face& f, float x, float y) {
  if (f.vertex_count < 3) return false;
  bool positive = false, negative = false;
  for (int i = 0; i < f.vertex_count; ++i) {
    const vec3& a = f.vertices[i];
    const vec3& b = f.vertices[(i + 1) % f.vertex_count];
    const float side = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    if (side > 0.0f) positive = true;
    if (side < 0.0f) negative = true;
  }
  return !(positive && negative);
}

}  // namespace

bool world_map_ground_height(const scene_world& scene, float x, float y, float& height) {
  const scene_cell& cell = scene.cell_at(scene.cell_of(x, 0), scene.cell_of(y, 1));
  const std::size_t limit = std::min<std::size_t>(cell.bodies.size(), 260);
  for (std::size_t i = 0; i < limit; ++i) {
    const body_part* part = cell.bodies[i];
    if (part->get_type_id() != face_type_id || part->tag < 0) continue;
    const auto& f = static_cast<const face&>(*part);
    if (!polygon_contains_point(f, x, y)) continue;
    const vec3& p = f.vertices[0];
    const vec3& n = f.normal;
    // A face standing on its edge has no height over a point.
    if (std::fabs(n.z) < 1e-6f) continue;
    height = p.z - ((y - p.y) * n.y + (x - p.x) * n.x) / n.z;
    return true;
  }
  return false;
}

color sample_world_map_weather(const world_map_weather_corners& corners, const scene_world* scene, float x, float y,
                               float game_seconds) {
  color blend{0.0f, 0.0f, 0.0f, 0.0f};
  float total = 0.0f;
  bool on_corner = false;
  for (int i = 0; i < 4 && !on_corner; ++i) {
    const float dx = x - corners.points[i].x, dy = y - corners.points[i].y;
    const float distance = std::sqrt(dx * dx + dy * dy);
    if (distance < 1e-4f) {
      blend = corners.values[i];
      on_corner = true;
      break;
    }
    const float w = 1.0f / distance;
    blend.r += w * corners.values[i].r;
    blend.g += w * corners.values[i].g;
    blend.b += w * corners.values[i].b;
    blend.a += w * corners.values[i].a;
    total += w;
  }
  if (!on_corner) {
    blend.r /= total;
    blend.g /= total;
    blend.b /= total;
    blend.a /= total;
  }
  const color noise = sample_weather_noise(game_seconds);
  blend.r += noise.r;
  blend.g += noise.g;
  blend.b += noise.b;
  blend.a += noise.a;
  float g = 1.0f;
  float found = 0.0f;
  if (scene && world_map_ground_height(*scene, x, y, found)) g = found;
  blend.r -= 10.0f * g;
  blend.b *= 1.0f + g;
  blend.a *= 1.0f + g;
  return blend;
}

void scene_summed_light(const scene_world& scene, const vec3& point, vec3& direction, vec3& colour) {
  vec3 sum;
  colour = vec3();
  for (const std::unique_ptr<light>& l : scene.lights) {
    if (!l) continue;
    vec3 d;
    vec3 c(l->colour.r, l->colour.g, l->colour.b);
    if (l->type == light_type_directional && !(l->flags & light_flag_fill)) {
      d = l->direction;
    } else {
      d = point - l->position;
      const float distance_squared = d.length_squared();
      d.normalize();
      c = distance_squared > 0.0f ? c * (1.0f / distance_squared) : vec3();
    }
    sum += d * (0.33f * (c.x + c.y + c.z));
    colour += c;
  }
  sum.normalize();
  direction = sum;
}

}  // namespace hm
