#include "mission/records/scene_prop_instance.h"

#include "module/data/data_files.h"
#include "module/data/flora_kind.h"
#include "module/records/item_kind.h"
#include "module/records/scene_prop.h"
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

void init_scene_object_record(scene_prop_instance& p, int kind, int id, int value, const frame& placed) {
  p.kind = kind;
  p.id = id;
  p.variation = value;
  p.current_frame = placed;
  p.placed_frame = placed;
  p.name = ruv_string();
  const auto in_table = [id](std::size_t size) { return id >= 0 && static_cast<std::size_t>(id) < size; };
  switch (kind) {
    case prop_kind_object:
      if (in_table(g_scene_prop_kinds.size())) p.name = g_scene_prop_kinds[static_cast<std::size_t>(id)].id;
      break;
    case prop_kind_item:
    case prop_kind_spawned_item:
    case prop_kind_shield:
      if (in_table(g_item_kinds.size())) p.name = g_item_kinds[static_cast<std::size_t>(id)].id;
      break;
    case prop_kind_flora:
      if (in_table(g_flora_kinds.size())) p.name = g_flora_kinds[static_cast<std::size_t>(id)].name;
      break;
    default:
      break;
  }
}

void resize_scene_prop_instances(std::vector<scene_prop_instance>& instances, int n) {
  if (n < 0) n = 0;
  instances.resize(static_cast<std::size_t>(n));
}

}  // namespace hm
