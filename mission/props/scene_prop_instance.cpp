#include "mission/props/scene_prop_instance.h"

#include "render/entity/entity.h"

namespace hm {

namespace {

vec3 lerp(const vec3& from, const vec3& to, float p) { return p * to + (1.0f - p) * from; }

}  // namespace

void scene_prop_instance::start_move(const frame& target, float seconds) {
  start_frame = current_frame;
  target_frame = target;
  move_duration = seconds;
  move_timer = timer(clock_mission);
  last_progress = 0.0f;
  move_state = 0;
}

void scene_prop_instance::update_animation(float /*frame_time*/) {
  if (move_state < 0) return;
  // A move without a positive duration would divide into infinity or NaN and
  // write that into the frame: it is over before it starts.
  const float p = move_duration > 0.0f ? move_timer.elapsed() / move_duration : 2.0f;
  if (p > 1.0f) {
    current_frame = target_frame;
    move_state = prop_move_idle;
    current_frame.orthonormalize();
    place_entity();
  } else if (p != last_progress) {
    frame f;
    f.rot.s = lerp(start_frame.rot.s, target_frame.rot.s, p);
    f.rot.f = lerp(start_frame.rot.f, target_frame.rot.f, p);
    f.rot.u = lerp(start_frame.rot.u, target_frame.rot.u, p);
    f.origin = lerp(start_frame.origin, target_frame.origin, p);
    f.orthonormalize();
    current_frame = f;
    place_entity();
  }
  last_progress = p;
}

void scene_prop_instance::place_entity() const {
  if (entity != nullptr) entity->move_to_with_scale(current_frame, scale);
}

void resize_scene_prop_instances(std::vector<scene_prop_instance>& instances, int n) {
  if (n < 0) n = 0;
  instances.resize(static_cast<std::size_t>(n));
}

}  // namespace hm
