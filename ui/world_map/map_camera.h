#pragma once
// The world map's camera: a target point that follows the followed party or
// is panned by the player, a heading, a distance the player zooms, and a
// pitch that follows the distance (looking flatter close up, straight down
// far away). One update a frame turns that state into the camera's frame.
#include "engine/core/math.h"
#include "render/entity/camera.h"

namespace hm {

struct map_camera {
  static constexpr float min_distance = 3.5f;
  static constexpr float max_distance = 105.0f;
  // The wider limit of the free zoom (cheat mode with left Ctrl and Shift).
  static constexpr float free_max_distance = 235.0f;

  hm::camera view;
  // The point looked at (z one above the ground it follows).
  vec3 target;
  vec3 follow_velocity;
  float heading = 0.0f;
  float heading_velocity = 0.0f;
  float pitch = 0.5f;
  float distance = 20.0f;
  float pan[2] = {0.0f, 0.0f};
  float zoom_velocity = 0.0f;

  // What one update needs of the world around it.
  struct inputs {
    // The map's rectangle the target stays in.
    float min_x = -1.0e9f, min_y = -1.0e9f, max_x = 1.0e9f, max_y = 1.0e9f;
    // Following: set while the camera follows, with the followed party's
    // position when that party is active.
    bool follow = false;
    bool party_active = false;
    vec3 party_position;
    // Cheat mode with left Ctrl and Shift held: no heading, the wider zoom.
    bool free_zoom = false;
    // The ground height under a point (the camera keeps half a unit above it);
    // null: no ground test.
    float (*ground_height)(void* context, float x, float y) = nullptr;
    void* ground_context = nullptr;
  };

  // Advances the state by dt seconds (0: only the limits and the outputs)
  // and rebuilds the camera's frame and planes. True when the zoom changed
  // the distance (the party icons then follow the new scale).
  bool update(float dt, const inputs& in);
};

// The pitch the camera takes at a distance: 0.014 a unit above 0.23,
// between 0.1 and a quarter turn.
float map_camera_pitch(float distance);
// The party icons' scale at a camera distance.
float map_icon_scale(float distance);

}  // namespace hm
