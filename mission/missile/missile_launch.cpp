#include "mission/missile/missile_launch.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/core/random.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/records/agent.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"
#include "script/script_host.h"

namespace hm {

namespace {

constexpr float missile_entity_radius = 0.5f;
constexpr int stuck_missile_mesh_role = 2;
constexpr float rand_unit = 6.322312e-5f;         // 1 / 15817
constexpr float rand_full_turn = 0.00039724255f;  // 2 pi / 15817

int skill_of(const agent& a, int skill) {
  return a.troop >= 0 ? current_script_host().module->troop_effective_skill_level(a.troop, skill) : 0;
}

// The angle from the mount's facing to the rider's, about the vertical.
float turn_relative_to_mount(const agent& rider, const agent& mount) {
  const vec3& r = rider.forward();
  const vec3& h = mount.forward();
  return std::atan2(h.x * r.y - h.y * r.x, h.x * r.x + h.y * r.y);
}

float shooter_forward_speed(const mission& m, const agent& a) {
  if (a.mount >= 0) {
    if (const agent* mount = m.get_agent(a.mount)) {
      return mount->forward_speed * std::cos(turn_relative_to_mount(a, *mount));
    }
  }
  return a.forward_speed;
}

float draw() { return static_cast<float>(random_next() % 15817); }

bool ammunition_fits(int launcher_type, int ammunition_type) {
  switch (launcher_type) {
    case item_type::bow: return ammunition_type == item_type::arrows;
    case item_type::crossbow: return ammunition_type == item_type::bolts;
    case item_type::pistol:
    case item_type::musket: return ammunition_type == item_type::bullets;
    default: return false;
  }
}

// Where a shot leaves the agent's hands: between bones 9 and 19 of its pose,
// a little ahead along bone 9.
vec3 release_position(const agent& a) {
  const entity* body = a.agent_entity;
  const skeleton_instance* skeleton = body != nullptr ? a.agent_entity->animated_skeleton.get() : nullptr;
  if (skeleton == nullptr || skeleton->bone_count <= 19 || skeleton->bones.size() <= 19) {
    // No pose to read: the shot leaves at shoulder height.
    return a.position() + vec3(0.0f, 0.0f, a.mount >= 0 ? 2.3f : 1.4f);
  }
  const frame& b9 = skeleton->bones[9].pose_frame;
  const frame& b19 = skeleton->bones[19].pose_frame;
  const vec3 p = body->frame.transform_point_to_global(b9.origin * 0.65f + b19.origin * 0.35f);
  return p + b9.rot.f * 0.15f;
}

}  // namespace

float get_missile_speed(const mission& m, const agent& a) {
  const item it = get_wielded_item(a, 0);
  const item_kind* kind = it.get_kind();
  if (kind == nullptr) return 10.0f * 1.2f;
  const float s = static_cast<float>(kind->missile_speed);
  float f = 1.0f;
  const bool rain = m.weather.precipitation == 1;
  switch (kind->type()) {
    case item_type::bow: {
      const int d = std::min(it.get_difficulty() + 4, skill_of(a, skill_power_draw));
      f = 1.0f + 0.12f * static_cast<float>(d);
      if (a.mount >= 0) f = static_cast<float>((0.019 * skill_of(a, skill_horse_archery) + 0.8) * f);
      if (rain) return std::sqrt(0.9f * f) * s * 1.2f;
      break;
    }
    case item_type::thrown:
      f = 1.0f + 0.1f * static_cast<float>(skill_of(a, skill_power_throw));
      if (a.mount >= 0) {
        return std::sqrt(static_cast<float>((0.019 * skill_of(a, skill_horse_archery) + 0.8) * f)) * s * 1.2f;
      }
      break;
    case item_type::crossbow:
      if (rain) f = 0.75f;
      break;
    default:
      break;
  }
  return std::sqrt(f) * s * 1.2f;
}

int add_missile(mission& m, const vec3& position, const vec3& direction, const item& launcher,
                const item& ammunition, int shooter) {
  const agent* a = m.get_agent(shooter);
  const float launch_speed = a != nullptr ? get_missile_speed(m, *a) : 10.0f * 1.2f;
  if (!(launch_speed > 0.0f)) return -1;
  const float forward = a != nullptr ? shooter_forward_speed(m, *a) : 0.0f;

  missile& mi = m.missiles.allocate();
  const item_kind* launcher_kind = launcher.get_kind();
  const bool thrown = launcher_kind != nullptr && launcher_kind->type() == item_type::thrown;
  if (m.scene) {
    entity* e = m.scene->create_entity(strategic_entity_type);
    ruv_string mesh_name;
    if (thrown) {
      mesh_name = launcher_kind->get_mesh_name(launcher.modifier());
    } else {
      if (const item_kind* ammo = ammunition.get_kind()) {
        mesh_name = ammo->get_mesh_for_role(stuck_missile_mesh_role, ammunition.modifier());
      }
      if (mesh_name.empty()) mesh_name = "flying_missile";
    }
    if (const mesh* source = g_resource_manager.find_mesh(mesh_name)) {
      std::unique_ptr<mesh> copy = source->create_copy();
      copy->local_frame = frame::identity();
      e->add_mesh(std::move(copy));
    }
    frame f;
    f.rot.f = direction;
    f.rot.u = vec3(0.0f, 0.0f, 1.0f);
    f.orthonormalize();
    f.origin = position;
    e->set_frame(f);
    e->set_bounding_radius(missile_entity_radius);
    e->bounding_centre = vec3(0.0f, missile_entity_radius, 0.0f);
    // Shown once it is clear of the shooter.
    e->visible = 0;
    mi.entity = e;
  }
  mi.start_position = mi.position = mi.previous_position = position;
  mi.direction = direction;
  float damage = static_cast<float>(launcher.get_damage(1));
  if (launcher_kind != nullptr &&
      (launcher_kind->type() == item_type::bow || launcher_kind->type() == item_type::crossbow)) {
    damage += static_cast<float>(ammunition.get_damage(1));
  }
  mi.damage = damage;
  mi.launch_speed = launch_speed;
  mi.speed = launch_speed + forward;
  mi.shooter = shooter;
  mi.launcher = launcher;
  mi.ammunition = ammunition;
  mi.state = missile_flying;
  mi.state_timer.reset();
  mi.frame_byte = 1;
  mi.pass_by_state = dot_product(m.view_camera_position - position, direction) > 0.1f ? 1 : 0;
  return mi.slot;
}

float compute_missile_spread(int weapon_class, int combat_ai, const vec3& to_target, const vec3& relative_velocity,
                             float visibility_distance, bool night) {
  const float k = static_cast<float>(weapon_class + 20);
  const float q = 0.5f * static_cast<float>(combat_ai);
  const float distance = to_target.length();
  const float sin_term =
      cross_product(get_normalized(to_target), get_normalized(to_target + relative_velocity)).length();
  float spread = (q + 1.0f) * 0.65f / k +
                 (q + 0.5f) * (10.0f / (distance + 10.0f)) * sin_term * relative_velocity.length() * 0.3f / k;
  spread = std::min(spread, 0.2f);
  if (visibility_distance < 200.0f && visibility_distance > 0.0f) {
    spread += distance / visibility_distance * 0.05f;
  }
  if (night) spread += distance * 0.001f;
  return spread;
}

int find_missile_ammunition_slot(const agent& a, const item& launcher) {
  const item_kind* kind = launcher.get_kind();
  if (kind == nullptr) return -1;
  int first_fit = -1;
  for (int slot = 0; slot < 4; ++slot) {
    const item& it = a.equipment[static_cast<std::size_t>(slot)];
    const item_kind* k = it.get_kind();
    if (k == nullptr) continue;
    const bool fits = kind->type() == item_type::thrown ? it.kind == launcher.kind
                                                        : ammunition_fits(kind->type(), k->type());
    if (!fits) continue;
    if (it.get_remaining_ammo() > 0) return slot;
    if (first_fit < 0) first_fit = slot;
  }
  return first_fit;
}

vec3 tilt_direction(const vec3& direction, float tilt, float roll) {
  frame f;
  f.rot.f = direction;
  f.rot.u = vec3(0.0f, 0.0f, 1.0f);
  f.orthonormalize();
  const vec3 side = f.rot.s * std::cos(roll) + f.rot.u * std::sin(roll);
  return get_normalized(f.rot.f * std::cos(tilt) + side * std::sin(tilt));
}

int release_missile(mission& m, agent& a) {
  const item launcher = get_wielded_item(a, 0);
  const vec3 position = release_position(a);

  vec3 direction = get_normalized(a.input.direction_vec3());
  if (a.mount >= 0) {
    if (const agent* mount = m.get_agent(a.mount)) {
      const float turn = turn_relative_to_mount(a, *mount);
      const float horizontal = std::sqrt(direction.x * direction.x + direction.y * direction.y);
      vec3 h(direction.x * std::cos(turn) - direction.y * std::sin(turn),
             direction.x * std::sin(turn) + direction.y * std::cos(turn), 0.0f);
      h.normalize();
      direction = vec3(h.x * horizontal, h.y * horizontal, direction.z);
    }
  }

  const agent* target = m.get_live_agent(a.ai.target);
  if (a.index != m.player_agent && a.ai.target >= 0 && target != nullptr) {
    const int weapon_class = item::get_weapon_class(launcher.kind, 0);
    const float spread = compute_missile_spread(weapon_class, g_game_options.combat_ai,
                                                target->position() - a.position(), target->velocity - a.velocity,
                                                m.visibility_distance, is_night());
    direction.x += (0.5f - draw() * rand_unit) * spread;
    direction.y += (0.5f - draw() * rand_unit) * spread;
    direction.z += (0.5f - draw() * rand_unit) * spread;
    direction.normalize();
  }

  const int ammo_slot = find_missile_ammunition_slot(a, launcher);
  const item ammunition = ammo_slot >= 0 ? a.equipment[static_cast<std::size_t>(ammo_slot)] : item{};

  const float t = (draw() * rand_unit - 0.5f) * a.aim_deviation;
  const float roll = draw() * rand_full_turn;
  direction = tilt_direction(direction, 2.0f * t, roll);

  const int slot = add_missile(m, position, direction, launcher, ammunition, a.index);
  if (missile* mi = m.missiles.get(slot)) {
    const item_kind* kind = launcher.get_kind();
    const std::uint32_t spin_kind = kind != nullptr ? static_cast<std::uint32_t>(kind->capabilities) & 0xff000u : 0u;
    mi->spin = spin_kind == 0x30000u ? 6.0f : spin_kind == 0x20000u ? 12.0f : 0.0f;
  }
  return slot;
}

}  // namespace hm
