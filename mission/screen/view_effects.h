#pragma once
// The view brought up to date with the camera once a frame: the agents'
// levels of detail, the sound listener, the sky that travels with the eye,
// the weather's particle system, and the sun with its lens flare, whose
// brightness follows how much of the sun shows.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class mission;

// What the frame gives besides the camera: the back buffer's size, the
// character detail option (0..1), the application's frame time, whether the
// full-detail keys (Ctrl and =) are held and whether pixel shaders draw.
struct view_effects_inputs {
  float screen_width = 1024.0f;
  float screen_height = 768.0f;
  float detail_option = 0.5f;
  float application_frame_time = 0.0f;
  bool full_detail_keys = false;
  bool pixel_shaders = true;
};

// The detail scale of the frame: (width + height) x 0.5 / 1150 x (0.75 +
// 0.5 x detail) x zoom, or 1000 while the full-detail keys are held.
float agent_detail_base(const view_effects_inputs& in, float zoom);
// An entity's level of detail at distance d: base / max(d, 1).
float agent_level_of_detail(float base, float d);
// The weight an agent's entity is faded by: 1 for the player and the horse
// the player rides, else base / max(d, 1) x 3.5 / max(d, 3.5).
float agent_visibility_weight(float base, float d, bool players_own);

// How well the view lines up with the sun: ((s . v) - 0.3) / 0.7 in 0..1,
// squared (s where the sunlight goes reversed, v the view direction).
float flare_alignment(const vec3& towards_sun, const vec3& view_direction);
// The sun's intensity after a frame of t seconds. With a screen test the
// intensity approaches 2 x the visible fraction by day (0 by night) at 10 a
// second; without one a clear segment to the sun raises it by 3.5 a second
// and a blocked one lowers it as much. Kept in 0..1.
float next_flare_intensity(float intensity, bool screen_tested, float visible_fraction, bool daylight,
                           bool sun_blocked, float t);
// The flare's brightness: fade x strength x intensity x alignment, the fade
// being 1 - 150 / distance kept in 0..1.
float flare_brightness(float fade_distance, float strength, float intensity, float alignment);
// Daylight: from 4 h up to (not including) 20 h.
bool is_daylight(float hours);

// Levels of detail and visibility weights of every agent's entity.
void update_agent_detail(mission& m, const vec3& origin, float zoom, const view_effects_inputs& in);
// The rest of the view after the camera is placed (zoom: 97 / field of
// view), in the order the frame needs them.
void update_lens_flare(mission& m, const frame& camera_frame, float zoom, const view_effects_inputs& in);

}  // namespace hm
