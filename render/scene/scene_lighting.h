#pragma once
// Sky, sun, fog and lights of a scene: the sun's direction by the hour, the
// time-of-day lights and ambient colour from the scene's skybox, fog from a
// density, and the world map's drifting weather.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class render_view;
class scene_world;
struct mesh_light;

// What the time of day reads of a skybox record of the module.
struct skybox_lighting {
  // 0x10000000 marks a weak sun.
  std::uint32_t flags = 0;
  float latitude = 0.0f;  // degrees
  vec3 sun_colour;
  color ambient_colour;
  std::uint32_t fog_colour = 0;  // A8R8G8B8
};

constexpr std::uint32_t skybox_flag_weak_sun = 0x10000000;
// A scene record flag: the scene has no sky light (an interior).
constexpr std::uint32_t scene_flag_no_sky_light = 0x1;

// The direction of the sun at a whole hour (0..23): 15 degrees a turn about the
// vertical per hour, in the y-z plane at noon.
vec3 get_sun_direction(const skybox_lighting& sky, int hour);

// The whole hour of the day from the game clock: the clock's ticks since the
// game's start, in the clock's own unit (the campaign clock counts hours),
// truncated, modulo 24. Times before the start count back from 24.
int time_of_day_hour(std::int64_t clock_ticks_now, std::int64_t start_ticks);

// The ambient colour and the sun and fill lights of a mission's scene.
void set_up_time_of_day(scene_world& scene, const skybox_lighting& sky, std::uint32_t scene_flags, float fog_density,
                        int hour, bool pixel_shaders);

// The scene's light at a point: the unit direction of the lights' directions
// weighted by their strength there (directional suns as they are, other lights
// from their position, their colour falling off with the squared distance)
// and the sum of their colours.
void scene_summed_light(const scene_world& scene, const vec3& point, vec3& direction, vec3& colour);

// The scene's lights as a view's renderer reads them, in `storage` (reused
// from call to call) and listed in the view in place of its old lights: the
// directional ones first in the scene's order (the first is the view's sun),
// then, when asked for, the point lights with their range.
void put_scene_lights_in_view(const scene_world& scene, render_view& view,
                              std::vector<std::unique_ptr<mesh_light>>& storage, bool with_point_lights);

// Three fractal noise values of the game time in seconds (four outputs).
color sample_weather_noise(float game_seconds);

// The height of the world map's ground faces under (x, y): true with the height
// of the first face body of the point's cell whose polygon holds the point;
// faces standing on their edge give no height.
bool world_map_ground_height(const scene_world& scene, float x, float y, float& height);

// The world map's weather: four corner points with a value each.
struct world_map_weather_corners {
  vec3 points[4];
  color values[4];
};

// The inverse-distance blend of the corner values at (x, y), plus the weather
// noise; the ground height g (1.0 without a scene or a face under the point)
// lowers the first value by 10 g and scales the third and fourth by 1 + g. On
// a corner the blend is that corner's value.
color sample_world_map_weather(const world_map_weather_corners& corners, const scene_world* scene, float x, float y,
                               float game_seconds);

}  // namespace hm
