#include "mission/missile/missile_flight.h"

#include <cmath>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "render/entity/entity.h"
#include "script/triggers.h"

namespace hm {

namespace {

constexpr float gravity = 9.8f;
constexpr float air_drag = 0.0027f;
constexpr float show_distance = 1.7f;
constexpr float probe_radius = 0.01f;
constexpr float ground_sink = 0.02f;
constexpr float pass_by_range = 20.0f;
constexpr float impact_range = 40.0f;
constexpr float pass_by_cut_seconds = 0.6f;
constexpr float quarter_turn = 1.5707964f;
constexpr std::int32_t missile_hit_event = -52;

enum : std::int32_t { pass_by_none = 0, pass_by_waiting = 1, pass_by_passed = 3 };

std::uint32_t launcher_properties(const item& launcher) {
  const item_kind* k = launcher.get_kind();
  return k != nullptr ? static_cast<std::uint32_t>(k->capabilities) & 0xff000u : 0u;
}

float real_seconds() { return static_cast<float>(clock_ticks(clock_real_time)) / static_cast<float>(ticks_per_unit); }

void remove_entity(mission& m, missile& mi) {
  if (mi.entity == nullptr) return;
  entity* e = mi.entity;
  mi.entity = nullptr;
  m.services().remove_scene_entity(m, *e);
}

void orient_entity(missile& mi) {
  if (mi.entity == nullptr) return;
  frame f;
  f.rot.f = mi.direction;
  f.rot.u = vec3(0.0f, 0.0f, 1.0f);
  f.orthonormalize();
  if (mi.state == missile_flying) {
    f.rotate_y(quarter_turn);
    if (mi.spin > 0.0f) {
      const float t = static_cast<float>(clock_ticks(clock_mission)) / static_cast<float>(ticks_per_unit);
      f.rotate_x(1.5f - t * mi.spin);
    }
  }
  f.origin = mi.position;
  mi.entity->set_frame(f);
}

}  // namespace

missile_sound_slots missile_sounds_for(const item& launcher) {
  const item_kind* k = launcher.get_kind();
  const int type = k != nullptr ? k->type() : -1;
  if (type == item_type::crossbow) return {48, 55, 62};
  if (type == item_type::bow) return {47, 54, 61};
  switch (launcher_properties(launcher)) {
    case 0x10000: return {50, 57, 64};
    case 0x30000: return {51, 58, 65};
    case 0x40000: return {49, 56, 63};
    case 0x20000: return {52, 59, 66};
    default: return {53, 60, 67};
  }
}

bool missile_vanishes_on_impact(const item& launcher) {
  const std::uint32_t p = launcher_properties(launcher);
  return p == 0x10000 || p == 0x80000 || p == 0x70000;
}

float missile_tip_length(const missile& mi) {
  const item_kind* k = mi.ammunition.get_kind();
  return k != nullptr ? static_cast<float>(k->weapon_length) * 0.01f : 0.8f;
}

bool test_missile_collision(mission& m, missile& mi, const vec3& from, const vec3& to) {
  float ground = 0.0f;
  if (!m.services().ground_height(m, to, ground)) return false;
  if (to.z > ground) return false;
  // Back along the flight until the tip meets the ground plane, then a
  // little further in, so the missile shows standing in the ground.
  const vec3 step = to - from;
  const vec3 tip_at = step.z < 0.0f ? to - step * ((to.z - ground) / step.z) : to;
  mi.position = tip_at - mi.direction * (missile_tip_length(mi) - ground_sink);
  if (mi.entity != nullptr) mi.entity->frame.origin = mi.position;
  return true;
}

const item& missile_sticking_item(const missile& mi) {
  const item_kind* launcher = mi.launcher.get_kind();
  return launcher != nullptr && launcher->type() == item_type::thrown ? mi.launcher : mi.ammunition;
}

std::unique_ptr<mesh> make_stuck_missile_mesh(const missile& mi, float roll) {
  const item& source = missile_sticking_item(mi);
  const item_kind* k = source.get_kind();
  if (k == nullptr) return nullptr;
  const mesh* stuck = g_resource_manager.find_mesh(k->get_mesh_name(source.modifier()));
  if (stuck == nullptr) return nullptr;
  std::unique_ptr<mesh> copy = stuck->create_copy();
  copy->local_frame = frame::identity();
  if (roll != 0.0f) copy->local_frame.rotate_y(roll);
  return copy;
}

void set_missile_stuck_mesh(missile& mi) {
  if (mi.entity == nullptr) return;
  entity& e = *mi.entity;
  std::unique_ptr<mesh> stuck = make_stuck_missile_mesh(mi);
  if (!e.meshes.empty()) e.meshes.erase(e.meshes.begin());
  if (stuck == nullptr) {
    e.meshes.clear();
  } else {
    e.meshes.insert(e.meshes.begin(), std::move(stuck));
  }
  e.bounding_centre = vec3(0.0f, -e.get_bounding_radius(), 0.0f);
  e.visible = 1;
}

void update_missile_flight(mission& m, missile& mi, float dt) {
  mi.previous_position = mi.position;
  if (mi.state != missile_flying) return;
  mission_services& s = m.services();

  const vec3 v = mi.direction * mi.speed + vec3(0.0f, 0.0f, -gravity * dt);
  mi.position += v * dt;

  if (mi.entity != nullptr && mi.entity->visible == 0 &&
      (mi.position - mi.start_position).length() > show_distance) {
    mi.entity->visible = 1;
  }

  const vec3 tip = mi.direction * missile_tip_length(mi);
  const vec3 probe_from = mi.previous_position + tip;
  const vec3 probe_to = mi.position + tip;

  bool stopped = test_missile_collision(m, mi, probe_from, probe_to);
  if (!stopped) {
    vec3 contact = mi.position;
    const int answer = s.missile_weapon_hit(m, mi, probe_from, probe_to, probe_radius, contact);
    if (answer == 0) {
      if (mi.pass_by_state == pass_by_waiting) {
        const vec3 p = mi.position + tip * 0.23f;
        const vec3 listener = m.view_camera_position;
        if (dot_product(listener - p, mi.direction) < 0.0f && p.z > listener.z - 1.0f) {
          mi.pass_by_state = pass_by_passed;
          const float distance = (listener - p).length();
          if (distance < pass_by_range) {
            const float r = static_cast<float>(s.random_next() % 15817) * 6.322312e-5f;
            const float pitch = 0.92f + 0.08f * r + 0.01f * (distance / pass_by_range);
            mi.pass_by_sound = s.play_slot_sound(missile_sounds_for(mi.launcher).pass_by, p, 1.0f, pitch);
            mi.pass_by_start = real_seconds();
          }
        }
      }
    } else if (answer == 1 || answer == 2) {
      remove_entity(m, mi);
      mi.state = missile_hit_agent;
      mi.state_timer.reset();
    } else {
      mi.position = contact;
      if (mi.entity != nullptr) mi.entity->frame.origin = contact;
      stopped = true;
    }
  }

  const item& trigger_item = missile_sticking_item(mi);
  if (trigger_item.get_kind() != nullptr) {
    run_simple_triggers(g_item_kinds[static_cast<std::size_t>(trigger_item.kind)].triggers, missile_hit_event);
  }

  if (stopped) {
    mi.state_timer.reset();
    if (missile_vanishes_on_impact(mi.launcher)) {
      mi.state = missile_spent;
      remove_entity(m, mi);
    } else {
      mi.state = missile_stuck;
      set_missile_stuck_mesh(mi);
    }
    const bool is_player_shot = mi.shooter >= 0 && mi.shooter == m.player_agent;
    const bool audible = mi.pass_by_state == pass_by_waiting || mi.pass_by_state == pass_by_passed ||
                         (mi.pass_by_state == pass_by_none && is_player_shot);
    if ((m.view_camera_position - mi.position).length() < impact_range && audible) {
      if (mi.pass_by_sound >= 0 && real_seconds() - mi.pass_by_start < pass_by_cut_seconds) {
        s.stop_sound(mi.pass_by_sound);
        mi.pass_by_sound = -1;
      }
      const missile_sound_slots slots = missile_sounds_for(mi.launcher);
      s.play_slot_sound(mi.pass_by_state == pass_by_waiting ? slots.impact_incoming : slots.impact, mi.position, 1.0f,
                        1.0f);
    }
  }

  // A missile drawn by nothing (a headless mission) still flies its curve;
  // only the entity's frame needs an entity.
  if (mi.state == missile_flying || mi.entity != nullptr) {
    float speed = v.length();
    speed -= speed * speed * dt * air_drag;
    mi.speed = speed;
    if (speed > 0.0001f) mi.direction = get_normalized(v);
  }
  orient_entity(mi);
  mi.frame_byte = 0;
}

}  // namespace hm
