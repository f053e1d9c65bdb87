// The mission's operations on its scene-prop instances.
#include <string>

#include "engine/core/log.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/records/scene_prop.h"
#include "render/entity/entity.h"

namespace hm {

namespace {

constexpr int prop_triggers_struck = -42;
constexpr int prop_triggers_destroyed = -43;
constexpr float default_prop_hit_points = 100.0f;

const scene_prop* prop_kind_of(const scene_prop_instance& p) {
  if (p.kind != prop_kind_object || p.id < 0 || p.id >= static_cast<int>(g_scene_prop_kinds.size())) return nullptr;
  return &g_scene_prop_kinds[static_cast<std::size_t>(p.id)];
}

}  // namespace

void mission::refresh_prop_instance(int index) {
  if (const scene_prop_instance* p = get_scene_prop_instance(index)) p->place_entity();
}

int mission::add_scene_prop_instance(int kind, int id, int variation, const hm::frame& placed) {
  const int index = prop_instance_count();
  scene_prop_instances.emplace_back();
  scene_prop_instance& p = scene_prop_instances.back();
  init_scene_object_record(p, kind, id, variation, placed);
  if (kind == prop_kind_spawned_item || kind == prop_kind_shield) p.owner_flag = 2;
  if (kind == prop_kind_entry) {
    // The lowest entry number no other entry point holds. (Repeated scans
    // that each step past the numbers met in order need as many scans as
    // there are entry points in falling order, and a cap on them hands out
    // a number in use.)
    std::uint64_t used = 0;
    for (int i = 0; i < index; ++i) {
      const scene_prop_instance& other = scene_prop_instances[static_cast<std::size_t>(i)];
      if (other.kind == prop_kind_entry && other.variation >= 0 && other.variation < mission_entry_point_count) {
        used |= std::uint64_t{1} << other.variation;
      }
    }
    int n = 0;
    while (n < mission_entry_point_count && (used & (std::uint64_t{1} << n)) != 0) ++n;
    if (n < mission_entry_point_count) p.variation = n;
  }
  services().create_prop_entity(*this, index, -1);
  init_prop_hit_points(index);
  return index;
}

int mission::spawn_prop_at_position(const hm::frame& position) {
  return add_scene_prop_instance(prop_kind_spawned_item, -1, 0, position);
}

void mission::init_prop_hit_points(int index) {
  scene_prop_instance* p = get_scene_prop_instance(index);
  if (p == nullptr) return;
  const scene_prop* kind = prop_kind_of(*p);
  const float value = kind != nullptr ? static_cast<float>(kind->hit_points) : 0.0f;
  p->max_hit_points = value > 0.0f ? value : default_prop_hit_points;
  p->hit_points = p->max_hit_points;
}

bool mission::damage_prop_instance(int index, float damage) {
  scene_prop_instance* p = get_scene_prop_instance(index);
  if (p == nullptr) {
    log_line("WARNING: struck scene prop instance " + std::to_string(index) + " does not exist\n");
    return false;
  }
  const scene_prop* kind = prop_kind_of(*p);
  if (kind == nullptr) return true;
  const bool destructible = (kind->flags & prop_flag_destructible) != 0;
  float taken = 0.0f;
  if (destructible) {
    // Already destroyed: the destruction scripts must not run again.
    if (p->hit_points <= 0.0f) return true;
    taken = damage;
    p->hit_points -= damage;
  }
  services().run_prop_triggers(*this, index, prop_triggers_struck, static_cast<int>(taken));
  // The struck triggers may have restored it.
  p = get_scene_prop_instance(index);
  if (destructible && p != nullptr && p->hit_points <= 0.0f) {
    services().run_prop_triggers(*this, index, prop_triggers_destroyed, static_cast<int>(taken));
  }
  return true;
}

void mission::update_editor_marker_visibility() {
  const edit_mode_flags flags = services().edit_mode();
  if (!flags.edit_mode_enabled) return;
  const bool show = flags.editing && !flags.second_flag;
  const std::uint8_t visible = show ? 1 : 0;
  if (editor_entity != nullptr) editor_entity->visible = visible;
  for (const scene_prop_instance& p : scene_prop_instances) {
    if (p.entity == nullptr) continue;
    bool marker = p.kind == prop_kind_entry || p.kind == prop_kind_passage;
    if (const scene_prop* kind = prop_kind_of(p)) marker = marker || (kind->flags & prop_flag_editor_only) != 0;
    if (marker) p.entity->visible = visible;
  }
}

}  // namespace hm
