#include "render/scene/scene_lighting.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/collision/face.h"
#include "engine/core/random.h"
#include "render/scene/light.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

TEST(scene_lighting_test, sun_direction_by_hour) {
  skybox_lighting sky;
  sky.latitude = 30.0f;
  const vec3 noon = get_sun_direction(sky, 12);
  EXPECT_NEAR(noon.x, 0.0f, 1e-6f);
  EXPECT_NEAR(noon.y, -std::cos(0.5235988f), 1e-5f);
  EXPECT_NEAR(noon.z, -0.5f, 1e-5f);
  const vec3 six = get_sun_direction(sky, 6);  // a quarter turn before noon
  EXPECT_NEAR(six.x, std::cos(0.5235988f), 1e-5f);
  EXPECT_NEAR(six.y, 0.0f, 1e-5f);
  EXPECT_NEAR(get_sun_direction(sky, 13).length(), 1.0f, 1e-5f);
}

TEST(scene_lighting_test, hour_of_the_game_clock) {
  EXPECT_EQ(time_of_day_hour(100000 * 30 + 99999, 0), 6);
  EXPECT_EQ(time_of_day_hour(100000 * 5, 100000 * 2), 3);
  EXPECT_EQ(time_of_day_hour(0, 100000), 23);
}

TEST(scene_lighting_test, fog_density_and_band) {
  scene_world scene;
  const struct {
    float density, range;
  } ranges[] = {{0.0f, 10000.0f}, {0.5f, 2.0f}, {0.00005f, 10000.0f}, {0.001f, 1000.0f}};
  for (const auto& k : ranges) {
    scene.set_fog_density(k.density, 0xff112233u);
    EXPECT_FLOAT_EQ(scene.environment.fog_range, k.range) << k.density;
    EXPECT_EQ(scene.environment.fog_enabled, 1);
    EXPECT_EQ(scene.environment.fog_mode, 0);
    EXPECT_EQ(scene.environment.fog_density, k.density);
  }
  const struct {
    float end, factor;
  } bands[] = {{10.0f, 0.3f}, {1.0f, 0.95f}, {5000.0f, 0.001f}, {0.0f, 0.95f}};
  for (const auto& k : bands) {
    scene.set_fog_band(-5.0f, k.end, 0xff334455u, -0.3f);
    EXPECT_FLOAT_EQ(scene.environment.fog_band_factor, k.factor) << k.end;
  }
  EXPECT_FLOAT_EQ(scene.environment.fog_band_value, -0.3f);
  EXPECT_EQ(scene.view.fog, &scene.environment);
}

TEST(scene_lighting_test, fog_range_density_is_held_between_limits) {
  scene_world scene;
  const struct {
    float end, density;
  } rows[] = {{2.0f, 0.95f},   {4000.0f, 0.001f}, {0.0f, 0.95f}, {-10.0f, 0.001f},
              {1000.0f, 0.003f}, {5.0f, 0.6f}};
  for (const auto& r : rows) {
    scene.set_fog_range(1.0f, r.end, 0xFF000000u);
    EXPECT_FLOAT_EQ(scene.environment.fog_density, r.density) << r.end;
    EXPECT_EQ(scene.environment.fog_range, r.end);
    EXPECT_EQ(scene.environment.fog_mode, 1);
    EXPECT_EQ(scene.environment.fog_colour, 0xFF000000u);
    EXPECT_EQ(scene.environment.fog_enabled, 1);
  }
}

TEST(scene_lighting_test, lights_flicker_phase_and_strength) {
  random_seed(3);
  for (int i = 0; i < 200; ++i) {
    light l;
    EXPECT_GE(l.flicker_phase, 0);
    EXPECT_LE(l.flicker_phase, 1016);
  }
  light point;
  point.colour = color{0.5f, 0.25f, 0.25f, 1.0f};
  point.compute_strength_from_color();
  EXPECT_FLOAT_EQ(point.strength, 10.0f);
  light sun;
  sun.type = light_type_directional;
  sun.strength = 7.0f;
  sun.colour = point.colour;
  sun.compute_strength_from_color();
  EXPECT_EQ(sun.strength, 7.0f);
}

TEST(scene_lighting_test, time_of_day_sun_ambient_and_fill) {
  skybox_lighting sky;
  sky.sun_colour = vec3(0.8f, 0.7f, 0.6f);
  sky.ambient_colour = color{0.2f, 0.2f, 0.3f, 1.0f};
  sky.fog_colour = 0xff808080u;
  {
    scene_world scene;
    set_up_time_of_day(scene, sky, 0, 0.0f, 12, true);
    ASSERT_EQ(scene.lights.size(), 2u);
    const light& sun = *scene.lights[0];
    EXPECT_EQ(sun.type, light_type_directional);
    EXPECT_FLOAT_EQ(sun.colour.r, 0.8f);
    EXPECT_EQ(sun.flags, 0);
    EXPECT_FLOAT_EQ(sun.position.y, -sun.direction.y * 10000.0f);
    EXPECT_FLOAT_EQ(scene.ambient_colour.b, 0.3f);
    const light& fill = *scene.lights[1];
    EXPECT_EQ(fill.flags, light_flag_fill);
    EXPECT_FLOAT_EQ(fill.colour.b, 0.15f);
    EXPECT_NEAR(fill.direction.length(), 1.0f, 1e-5f);
    EXPECT_LT(fill.direction.z, 0.0f);
    EXPECT_FLOAT_EQ(fill.position.z, 9000.0f);
  }
  {
    scene_world scene;
    set_up_time_of_day(scene, sky, 0, 1.0f / 60.0f, 12, true);
    const light& sun = *scene.lights[0];
    EXPECT_NEAR(sun.colour.r, 0.0f, 1e-6f);
    EXPECT_EQ(sun.flags & light_flag_weak_sun, light_flag_weak_sun);
    EXPECT_NEAR(scene.ambient_colour.r, 0.2f + 0.2f * (128.0f / 255.0f), 1e-5f);
  }
  {
    scene_world scene;
    set_up_time_of_day(scene, sky, 0, 0.0f, 12, false);  // square roots without pixel shaders
    EXPECT_FLOAT_EQ(scene.lights[0]->colour.g, std::sqrt(0.7f));
    EXPECT_FLOAT_EQ(scene.ambient_colour.r, std::sqrt(0.2f));
  }
  {
    scene_world scene;
    set_up_time_of_day(scene, sky, scene_flag_no_sky_light, 0.0f, 12, true);
    ASSERT_EQ(scene.lights.size(), 1u);
    EXPECT_EQ(scene.lights[0]->colour.r, 0.0f);
    EXPECT_FLOAT_EQ(scene.ambient_colour.r, 0.03f);
  }
}

TEST(scene_lighting_test, world_map_height_and_weather) {
  scene_world scene(vec3(0, 0, 0), vec3(40, 40, 0), 2, 2, 0);
  // A slope rising 0.5 per unit of x, and a wall standing on its edge first.
  scene.add_body(std::make_unique<face>(std::initializer_list<vec3>{vec3(0, 10, 0), vec3(0, 10, 5), vec3(40, 10, 5)}));
  scene.add_body(std::make_unique<face>(
      std::initializer_list<vec3>{vec3(0, 0, 0), vec3(40, 0, 20), vec3(40, 40, 20), vec3(0, 40, 0)}));
  float h = -1.0f;
  ASSERT_TRUE(world_map_ground_height(scene, 10.0f, 10.0f, h));
  EXPECT_NEAR(h, 5.0f, 1e-4f);
  EXPECT_FALSE(world_map_ground_height(scene, 50.0f, 10.0f, h));

  world_map_weather_corners corners;
  for (int i = 0; i < 4; ++i) {
    corners.points[i] = vec3((i & 1) ? 40.0f : 0.0f, (i & 2) ? 40.0f : 0.0f, 0);
    corners.values[i] = color{static_cast<float>(i), 1.0f, 1.0f, 1.0f};
  }
  const color noise = sample_weather_noise(100.0f);
  // On a corner the blend is that corner's value, not a division by zero.
  const color at_corner = sample_world_map_weather(corners, nullptr, 40.0f, 0.0f, 100.0f);
  EXPECT_NEAR(at_corner.r, 1.0f + noise.r - 10.0f, 1e-4f);
  EXPECT_NEAR(at_corner.b, (1.0f + noise.b) * 2.0f, 1e-4f);
  const color middle = sample_world_map_weather(corners, &scene, 20.0f, 20.0f, 100.0f);
  EXPECT_NEAR(middle.r, 1.5f + noise.r - 10.0f * 10.0f, 1e-3f);
  EXPECT_NEAR(middle.g, (1.0f + noise.g), 1e-4f);
  EXPECT_TRUE(std::isfinite(middle.a));
}

}  // namespace
}  // namespace hm
