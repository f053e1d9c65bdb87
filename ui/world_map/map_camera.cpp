#include "ui/world_map/map_camera.h"

#include <algorithm>
#include <cmath>

namespace hm {

namespace {
constexpr float quarter_turn = 1.5707963f;
}

float map_camera_pitch(float distance) { return std::clamp(distance * 0.014f + 0.23f, 0.1f, quarter_turn); }

float map_icon_scale(float distance) { return (distance * 0.07f + 1.0f) * 0.8f; }

bool map_camera::update(float dt, const inputs& in) {
  target.x += dt * 10.0f * pan[0];
  target.y += dt * 10.0f * pan[1];
  heading += dt * 10.0f * heading_velocity;
  float limit = max_distance;
  if (in.free_zoom) {
    heading = 0.0f;
    heading_velocity = 0.0f;
    limit = free_max_distance;
  }
  bool zoomed = false;
  if (zoom_velocity < -0.00001f || zoom_velocity > 0.00001f) {
    distance = std::clamp(distance + dt * 10.0f * zoom_velocity, min_distance, limit);
    zoomed = true;
  }
  // A long frame stops the motion rather than turning it round.
  const float damping = std::max(0.0f, 1.0f - 9.8f * dt);
  pan[0] *= damping;
  pan[1] *= damping;
  heading_velocity *= damping;
  zoom_velocity *= damping;
  target.x = std::clamp(target.x, in.min_x, std::max(in.min_x, in.max_x));
  target.y = std::clamp(target.y, in.min_y, std::max(in.min_y, in.max_y));
  pitch = map_camera_pitch(distance);

  if (in.follow) {
    if (!in.party_active) {
      follow_velocity = vec3();
    } else {
      vec3 d(in.party_position.x - target.x, in.party_position.y - target.y, in.party_position.z + 1.0f - target.z);
      const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
      if (length > distance * 0.05f) {
        d.x = std::clamp(d.x, -10.0f, 10.0f);
        d.y = std::clamp(d.y, -10.0f, 10.0f);
        follow_velocity = follow_velocity + d * (4.0f * dt);
      }
    }
  }
  target = target + follow_velocity * dt;
  follow_velocity = follow_velocity * (1.0f - 2.0f * dt);
  // Following must not carry the target off the map either.
  target.x = std::clamp(target.x, in.min_x, std::max(in.min_x, in.max_x));
  target.y = std::clamp(target.y, in.min_y, std::max(in.min_y, in.max_y));

  frame f = frame::identity();
  f.origin = target;
  f.rotate_x(quarter_turn);
  f.rotate_y(-heading);
  f.rotate_x(-pitch);
  f.origin = target + f.rot.u * distance;
  if (in.ground_height) {
    const vec3 probe = f.origin + f.rot.u * 0.5f;
    const float ground = std::max(in.ground_height(in.ground_context, f.origin.x, f.origin.y),
                                  in.ground_height(in.ground_context, probe.x, probe.y));
    if (f.origin.z < ground + 0.5f) f.origin.z = ground + 0.5f;
  }
  view.frame = f;
  view.update_frustum_planes();
  return zoomed;
}

}  // namespace hm
