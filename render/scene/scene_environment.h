#pragma once
// The fog settings of a scene's view, which the renderer reads when it draws a
// view that points at them. Sky and time-of-day set-up fill them; the render
// passes add the frame's shadow map.
#include <cstdint>

namespace hm {

class camera;
class texture;

struct scene_environment {
  std::uint8_t fog_enabled = 0;
  // The distance at which the main fog starts (sent to the device as the fog
  // start); the density set-up puts it at 0.
  std::int32_t fog_mode = 0;
  // The visibility range: where the main fog is complete.
  float fog_range = 10000.0f;
  std::uint32_t fog_colour = 0;
  float fog_density = 0.0f;
  // The second fog band, used while the eye is below fog_band_value (the water
  // level).
  float fog_band_start = 0.0f;
  float fog_band_end = 0.0f;
  std::uint32_t fog_band_colour = 0;
  float fog_band_value = 0.0f;
  float fog_band_factor = 0.0f;
  // The sun's shadow map, once the render passes have drawn it, and the
  // camera it was drawn from.
  std::uint8_t shadow_map_ready = 0;
  texture* shadow_map = nullptr;
  const camera* shadow_camera = nullptr;
};

}  // namespace hm
