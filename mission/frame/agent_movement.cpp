#include "mission/frame/agent_movement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/collision/body_collision.h"
#include "engine/collision/capsule.h"
#include "engine/collision/face.h"
#include "engine/core/timer.h"
#include "mission/combat/blows.h"
#include "mission/combat/combat_actors.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/scene/scene_queries.h"
#include "module/base/module_settings.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "module/records/world_records.h"

namespace hm {

namespace {

constexpr float gravity = 9.8f;
constexpr int ground_probe_tries = 31;
constexpr int landing_human = 3;
constexpr int landing_horse = 414;
constexpr int horse_bump = 412;
constexpr int charge_bone = 7;

float agent_radius(const agent& a) { return a.is_horse() ? 0.8f : 0.35f * a.height_factor; }
float agent_height(const agent& a) { return a.is_horse() ? 2.0f : 1.8f * a.height_factor; }

bool on_ground(const agent& a) { return (a.movement_flags & agent_movement_on_ground) != 0; }
bool being_pushed(const agent& a) { return a.action_timer.elapsed() < 0.0f; }

int horse_charge_of(const agent& horse) { return horse.horse_item >= 0 ? horse.own_horse_item().get_horse_charge() : 0; }

struct contact {
  vec3 normal;  // out of the other agent, towards this one
  vec3 point;
};

// The two upright capsules as cylinders: touching when they overlap in
// height and their axes are closer than the radii.
bool agents_touch(const agent& self, const vec3& at, const agent& other, contact& c) {
  const vec3& o = other.position();
  if (at.z + agent_height(self) < o.z || o.z + agent_height(other) < at.z) return false;
  vec3 d(at.x - o.x, at.y - o.y, 0.0f);
  const float reach = agent_radius(self) + agent_radius(other);
  const float distance = d.length();
  if (distance >= reach) return false;
  c.normal = distance > 1e-6f ? d * (1.0f / distance) : vec3(0.0f, 1.0f, 0.0f);
  c.point = o + c.normal * agent_radius(other) + vec3(0.0f, 0.0f, 1.0f);
  return true;
}

// Agents by grid cell, built once a frame (and again when agents were added
// or the clock moved), so that the contact search reads only the
// neighbourhood. An agent moves far less than a cell in one frame, so the
// 3 x 3 cells around the new position hold every agent it can touch.
constexpr float contact_cell_size = 4.0f;

struct contact_index {
  const mission* owner = nullptr;
  std::uint32_t frame = 0;
  int agent_count = -1;
  std::int64_t ticks = -1;
  std::vector<std::pair<std::int64_t, int>> cells;  // (cell key, agent index), sorted
};

std::int64_t cell_key(int cx, int cy) {
  return (static_cast<std::int64_t>(cx) << 32) ^ static_cast<std::int64_t>(static_cast<std::uint32_t>(cy));
}

int cell_coordinate(float v) { return static_cast<int>(std::floor(std::clamp(v, -1e7f, 1e7f) / contact_cell_size)); }

const contact_index& agents_by_cell(const mission& m, bool rebuild) {
  static contact_index index;
  const std::int64_t ticks = clock_ticks(clock_mission);
  if (!rebuild && index.owner == &m && index.frame == m.frame_counter && index.agent_count == m.agents.count() &&
      index.ticks == ticks)
    return index;
  index.owner = &m;
  index.frame = m.frame_counter;
  index.agent_count = m.agents.count();
  index.ticks = ticks;
  index.cells.clear();
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* a = m.get_agent(i);
    if (a == nullptr || !a->is_alive()) continue;
    index.cells.emplace_back(cell_key(cell_coordinate(a->position().x), cell_coordinate(a->position().y)), i);
  }
  std::sort(index.cells.begin(), index.cells.end());
  return index;
}

// The agents listed in the cells around a point. An index that does not
// hold the moving agent itself near there is out of date (agents were
// added or placed since it was built) and is built again.
void agents_near(const mission& m, const agent& self, const vec3& p, std::vector<int>& out) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const contact_index& index = agents_by_cell(m, attempt == 1);
    out.clear();
    bool found_self = false;
    const int cx = cell_coordinate(p.x);
    const int cy = cell_coordinate(p.y);
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) {
        const std::int64_t key = cell_key(cx + dx, cy + dy);
        auto it = std::lower_bound(index.cells.begin(), index.cells.end(), std::make_pair(key, -1));
        for (; it != index.cells.end() && it->first == key; ++it) {
          if (it->second == self.index) found_self = true;
          out.push_back(it->second);
        }
      }
    }
    if (found_self || !self.is_alive()) return;
  }
}

bool is_linked(const agent& a, const agent& other) {
  return other.index == a.index || other.index == a.mount || other.index == a.rider;
}

// The root motion of channel 0's action in the world, per second.
vec3 root_motion(const agent& a) {
  const action_channel& c = a.channels[0];
  if (a.actions == nullptr || c.action < 0 || c.action >= a.actions->count()) return vec3();
  const action_record& r = a.actions->actions[static_cast<std::size_t>(c.action)];
  if ((r.flags & 0x4000u) == 0 || c.variant < 0 || c.variant >= static_cast<int>(r.sequences.size())) return vec3();
  const action_sequence& seq = r.sequences[static_cast<std::size_t>(c.variant)];
  if (!(seq.duration > 0.0f)) return vec3();
  const frame& f = a.body_frame;
  const vec3& d = seq.root_motion;
  return (f.rot.s * d.x + f.rot.f * d.y + f.rot.u * d.z) * (1.0f / seq.duration);
}

constexpr int max_planes = 16;
constexpr int max_slide_rounds = 17;

// Sweeps the agent's capsule, moved by the displacement, against the scene's
// faces: faces against the movement become planes to slide along, the
// steepest wall is remembered, and an airborne agent whose feet meet a
// floor lands.
void collide_with_scene(mission& m, agent& a, vec3& displacement, vec3& correction, bool airborne) {
  static std::vector<body_part*> faces;
  const float r = agent_radius(a);
  const vec3 to = a.position() + displacement;
  const vec3 reach = displacement.length() > 0.0f ? get_normalized(displacement) * r : vec3();
  query_collision_faces(*m.scene, a.position(), to + reach, segment_exclusion_mask, faces);
  const capsule body(to + vec3(0.0f, 0.0f, r), to + vec3(0.0f, 0.0f, std::max(agent_height(a) - r, r)), r);
  const float feet = to.z;

  vec3 planes[max_planes];
  int plane_count = 0;
  float wall_d = 0.0f;
  for (body_part* part : faces) {
    if (part == nullptr || part->get_type_id() != face_type_id) continue;
    const face& f = static_cast<const face&>(*part);
    body_contact c;
    if (collide_bodies(body, f, 1, &c) == 0) continue;
    const float d = dot_product(displacement, c.normal);
    if (f.normal.z < 0.05f && d < 0.0f && d < wall_d) {
      wall_d = d;
      a.wall_face = &f;
    }
    const bool low = c.point.z < feet + 0.4f;
    if (airborne && low && displacement.z <= 0.0f && f.normal.z > 0.1f) {
      a.movement_flags |= agent_movement_on_ground;
      g_combat_hooks().set_channel_action(a, 0, a.is_horse() ? landing_horse : landing_human, 0x1000021u, 1.0f);
    }
    if (!low && f.normal.z > 0.95f && displacement.z <= 0.0f) continue;
    if (d <= 0.0f && plane_count < max_planes) planes[plane_count++] = c.normal;
  }

  for (int round = 0; round < max_slide_rounds; ++round) {
    bool penetrated = false;
    for (int i = 0; i < plane_count; ++i) {
      const float p = dot_product(displacement, -planes[i]);
      if (p > 1e-6f) {
        displacement += planes[i] * p;
        correction += planes[i] * p;
        penetrated = true;
      }
    }
    if (!penetrated) return;
  }
  displacement = vec3();
}

}  // namespace

bool probe_ground(mission& m, const vec3& point, ground_probe& out) {
  if (m.scene) {
    const face* f = nullptr;
    const float h = find_ground_face(*m.scene, point, &f);
    if (f == nullptr) return false;
    out.height = h;
    out.normal = f->normal;
    out.ground_face = f;
    return true;
  }
  float h = 0.0f;
  if (!m.services().ground_height(m, point, h)) return false;
  out.height = h;
  out.normal = vec3(0.0f, 0.0f, 1.0f);
  out.ground_face = nullptr;
  return true;
}

vec3 slide_displacement_on_contact(vec3& displacement, const vec3& n) {
  const vec3 old = displacement;
  const float p = std::max(0.0f, -dot_product(n, displacement));
  displacement += n * p;
  if (p > 0.0f) displacement *= (1.0f - 0.4f * p);
  return old - displacement;
}

float horse_push_through(int horse_charge, int rider_riding_skill) {
  return std::clamp(0.1f + 0.03f * static_cast<float>(horse_charge) + 0.03f * static_cast<float>(rider_riding_skill),
                    0.0f, 0.96f);
}

float horse_charge_damage(int horse_charge, float normal_dot_motion, float forward_speed, float multiplier) {
  const float d = (static_cast<float>(horse_charge) + 5.0f) * (normal_dot_motion + 0.1f) * multiplier * forward_speed *
                  0.015f;
  return d > 0.0f ? d : 0.0f;
}

void update_movement(mission& m, agent& a, float dt, combat_random& random) {
  combat_hooks& hooks = g_combat_hooks();
  const vec3 old_position = a.position();

  // 1. The frame's motion.
  vec3 motion;
  vec3 airborne_motion;
  const bool airborne = !on_ground(a);
  if (airborne || being_pushed(a)) {
    a.pending_velocity.z -= gravity * dt;
    const float k = airborne ? 1.0f - dt * 0.1f : 1.0f - dt * 0.4f;
    motion = (a.motion + a.pending_velocity) * k;
    airborne_motion = motion;
  } else {
    motion = a.body_frame.rot.f * a.forward_speed + a.body_frame.rot.s * a.side_speed;
  }
  a.motion = motion;
  // An action that carries the body (flag 0x4000) moves it by its
  // sequence's displacement over its duration, for this frame only.
  const vec3 root = root_motion(a);
  vec3 displacement = (motion + root) * dt;
  vec3 correction;
  bool may_bump = true;

  // 2-3. Other agents in the way.
  if (displacement.length_squared() > 0.0f) {
    static std::vector<int> near;
    agents_near(m, a, a.position() + displacement, near);
    for (const int i : near) {
      agent* other = m.get_agent(i);
      if (other == nullptr || is_linked(a, *other) || !other->is_alive() || other->mount >= 0) continue;
      contact c;
      if (!agents_touch(a, a.position() + displacement, *other, c)) continue;
      const vec3 before = displacement;
      vec3 removed = slide_displacement_on_contact(displacement, c.normal);
      const bool other_on_foot = other->kind == agent_kind_human;
      if (a.is_horse() && a.forward_speed > 4.0f && other_on_foot) {
        const agent* rider = a.rider >= 0 ? m.get_agent(a.rider) : nullptr;
        const float keep = horse_push_through(horse_charge_of(a), rider ? agent_skill_or_zero(m, *rider, skill_riding) : 0);
        removed *= (1.0f - keep);
        displacement = before - removed;
      }
      if (a.is_horse() && a.forward_speed > 3.0f && other->is_horse() &&
          dot_product(a.forward(), other->forward()) > 0.0f && other->forward_speed > 0.2f)
        may_bump = false;
      if (!a.is_horse() && other_on_foot) {
        const vec3 at = a.position() + displacement;
        vec3 away(at.x - other->position().x, at.y - other->position().y, 0.0f);
        const float l = away.length();
        if (l < 0.7f) displacement += get_normalized(away) * (0.6f * (0.7f - l));
      }
      correction -= removed;
      if (a.is_horse() && a.forward_speed > 3.5f && other_on_foot && on_ground(*other) && !being_pushed(*other)) {
        const agent* rider = a.rider >= 0 ? m.get_agent(a.rider) : nullptr;
        if (rider == nullptr || m.teams_are_enemies(rider->team, other->team)) {
          blow b;
          b.flags = blow_strong;
          b.attacker = a.index;
          b.hit_position = c.point;
          b.direction = -c.normal;
          b.impact_direction = -c.normal;
          b.bone = charge_bone;
          b.damage_type = 2;
          b.raw_damage = horse_charge_damage(horse_charge_of(a), dot_product(-c.normal, a.motion), a.forward_speed,
                                             g_module_settings.horse_charge_damage_multiplier);
          queue_blow(m, *other, b, random);
        }
      }
    }
  }

  // 4-5. The scene's faces along the way, and sliding along them.
  if (m.scene && displacement.length_squared() > 0.0f) collide_with_scene(m, a, displacement, correction, airborne);

  // 6. The new position, inside the scene rectangle.
  vec3 next = old_position;
  if ((motion + root).length_squared() > 0.0f) {
    next = old_position + displacement;
    if (m.scene_max_x > m.scene_min_x && m.scene_max_y > m.scene_min_y) {
      const vec3 unclamped = next;
      next.x = std::clamp(next.x, m.scene_min_x, m.scene_max_x);
      next.y = std::clamp(next.y, m.scene_min_y, m.scene_max_y);
      correction += next - unclamped;
    }
  }

  // 7. The ground under it. Without ground the agent keeps its face and
  // height.
  ground_probe ground;
  bool found = false;
  for (int tries = 0; tries < ground_probe_tries && !found; ++tries) {
    found = probe_ground(m, next, ground);
    if (!found && a.ground_face == nullptr && a.position_valid == 0) next = old_position + (next - old_position) * 0.95f;
    if (!found && (a.ground_face != nullptr || a.position_valid != 0)) break;
  }
  if (!found) {
    next = old_position;
    ground.height = old_position.z;
    ground.ground_face = a.ground_face;
  }

  if (airborne) {
    if (next.z < ground.height) {
      // 8. Landing.
      next.z = ground.height;
      a.movement_flags |= agent_movement_on_ground;
      const int landing = a.is_horse() ? landing_horse : landing_human;
      if (a.channels[0].action < 0 || a.channels[0].priority() <= 33)
        hooks.set_channel_action(a, 0, landing, 0x1000021u, 1.0f);
      const bool water = ground.height < m.water_level;
      hooks.play_sound(m, a,
                       a.is_horse() ? (water ? "snd_horse_jump_end_water" : "snd_horse_jump_end")
                                    : (water ? "snd_jump_end_water" : "snd_jump_end"),
                       0.1f);
      const float landing_speed = airborne_motion.length();
      if (landing_speed > (a.is_horse() ? 11.0f : 13.0f)) {
        blow b;
        b.attacker = -1;
        b.hit_position = vec3(next.x, next.y, ground.height + 0.01f);
        b.direction = ground.normal;
        b.impact_direction = ground.normal;
        b.bone = a.is_horse() ? 9 : 2;
        b.damage_type = 2;
        b.raw_damage = 2.0f * landing_speed * dot_product(-ground.normal, get_normalized(airborne_motion));
        if (a.is_horse()) b.raw_damage *= 2.0f;
        hooks.play_contact_sound(m, a, 5);
        queue_blow(m, a, b, random);
      }
    }
  } else if (found) {
    // 9. Walking.
    const float h = old_position.z - ground.height;
    if (h > a.forward_speed * dt + 0.4f || ground.normal.z < 0.1f) {
      vec3 along = next - old_position;
      along.z = 0.0f;
      along = along.length() < 1e-10f ? vec3(0.0f, 1.0f, 0.0f) : get_normalized(along);
      ground_probe ahead;
      const bool ahead_found = probe_ground(m, old_position + along * 0.4f, ahead);
      const float h2 = ahead_found ? old_position.z - ahead.height : 1e9f;
      const bool player = a.index == m.player_agent;
      if (player || (h2 <= 2.5f && ground.height >= m.water_level - 1.5f)) {
        a.movement_flags &= ~agent_movement_on_ground;
        next.z = old_position.z;
      } else {
        next = old_position;
        ground.ground_face = a.ground_face;
      }
    } else if (h >= -1.5f) {
      next.z = ground.height;
      if (std::fabs(h) > 0.06f) a.visual_offset.z += h;
    } else {
      next = old_position;
      ground.ground_face = a.ground_face;
    }
  }

  // 10. Velocity, and a fast horse brought up short.
  if (dt > 1e-5f) {
    const vec3 v = (next - old_position) * (1.0f / dt);
    a.velocity = a.velocity * (1.0f - 5.0f * dt) + v * (5.0f * dt);
    float s = v.length();
    if ((correction.x != 0.0f || correction.y != 0.0f) && s < a.forward_speed) {
      if (a.is_horse() && a.forward_speed > 3.0f && s < 0.5f && may_bump) {
        hooks.set_channel_action(a, 0, horse_bump, 0x1000049u, 1.0f);
        hooks.play_contact_sound(m, a, 4);
        s = 0.0f;
      }
      a.forward_speed -= (a.forward_speed - s) * dt * 10.0f;
    }
  }

  // 11. Only a sane height is taken.
  if (next.z > -9000.0f && next.z < 9000.0f) {
    a.position() = next;
    a.ground_face = ground.ground_face;
    a.position_valid = 1;
  }
  a.pending_velocity = vec3();
}

}  // namespace hm
