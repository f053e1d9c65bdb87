#include "mission/ai/ai_steering.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/collision/body_collision.h"
#include "engine/collision/body_part.h"
#include "engine/collision/capsule.h"
#include "mission/agent/agent_queries.h"
#include "mission/ai/agent_paths.h"
#include "mission/ai/agent_reactions.h"
#include "mission/ai/ai_behaviour.h"
#include "mission/ai/ai_fight.h"
#include "mission/ai/ai_movement.h"
#include "mission/ai/ai_neighbours.h"
#include "mission/ai/ai_think.h"
#include "mission/ai/ai_troop.h"
#include "mission/combat/combat_actors.h"
#include "mission/missile/missile_launch.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr float probe_radius = 0.25f;
constexpr float probe_height = 1.3f;
// An agent's body, as the probe sees it.
constexpr float body_radius = 0.4f;
constexpr float horse_body_radius = 0.8f;
constexpr float unstick_pause_seconds = 60.0f;
constexpr std::uint32_t foot_press_bits = 0xFu;
constexpr float no_speed_limit = 1000.0f;

bool rides(const agent& a) { return a.mount >= 0; }
bool steers_like_horse(const agent& a) { return a.is_horse() || rides(a); }

// The closest point of the segment p-q to c.
vec3 closest_on_segment(const vec3& p, const vec3& q, const vec3& c) {
  const vec3 pq = q - p;
  const float l2 = pq.length_squared();
  float t = l2 > 1e-8f ? dot_product(c - p, pq) / l2 : 0.0f;
  t = std::clamp(t, 0.0f, 1.0f);
  return p + pq * t;
}

// The bend that takes a probe along d round an obstacle whose contact
// pushes it along n (out of the obstacle): 0.7 rad to the side it is pushed.
float side_away(const vec3& d, const vec3& n) {
  const float c = d.x * -n.y - d.y * -n.x;
  return c > 0.0f ? -0.7f : 0.7f;
}

// Bends the avoid angle away from the first body the probe ahead touches: a
// body of the scene, else another agent standing in the way (a rider also
// turns alongside a horse).
void probe_ahead(mission& m, agent& a, const vec3& p, const vec3& d, float length) {
  agent_ai& ai = a.ai;
  const bool saddle = steers_like_horse(a);
  const float r = saddle ? 0.5f : 0.3f;
  const float base = saddle ? 2.0f : 1.0f;
  const float l = std::min(std::max(base, length), 5.0f);
  const vec3 lift(0.0f, 0.0f, probe_height);
  const vec3 from = p + d * r + lift;
  const vec3 to = p + d * l + lift;
  const float margin = probe_radius + horse_body_radius + 1.0f;
  const vec3 lo(std::min(from.x, to.x) - margin, std::min(from.y, to.y) - margin, 0.0f);
  const vec3 hi(std::max(from.x, to.x) + margin, std::max(from.y, to.y) + margin, 0.0f);
  bool touched = false;
  float turn = 0.0f;
  // The scene's bodies first, in the grid's order: the first one the probe
  // touches decides, and the ground's faces bend nothing.
  if (m.scene != nullptr) {
    const capsule probe(from, to, probe_radius);
    thread_local std::vector<body_part*> bodies;
    // The scene adds to the list: what an earlier probe found (perhaps in a
    // scene since destroyed) must not be read again.
    bodies.clear();
    m.scene->collect_body_parts_in_box(probe.get_bounding_min(), probe.get_bounding_max(), 0, bodies);
    for (const body_part* b : bodies) {
      body_contact contact;
      if (collide_bodies(probe, *b, 1, &contact) <= 0) continue;
      if (b->get_type_id() != face_type_id) {
        touched = true;
        turn = side_away(d, contact.normal);
      }
      break;
    }
  }
  ai_agent_buckets(m).for_each_in_box(lo, hi, [&](int i) {
    if (i == a.index || i == a.mount || i == a.rider) return;
    const agent* o = m.get_live_agent(i);
    if (o == nullptr || !o->is_alive() || (o->is_horse() && o->rider >= 0 && o->rider == a.index)) return;
    if (o->rider >= 0 && o->rider == a.index) return;
    const float reach = probe_radius + (o->is_horse() ? horse_body_radius : body_radius);
    vec3 centre = o->position() + lift;
    vec3 near = closest_on_segment(from, to, centre);
    vec3 n = near - centre;
    n.z = 0.0f;
    if (n.length_squared() > reach * reach) return;
    if (!touched) {
      touched = true;
      const float len = n.length();
      turn = side_away(d, len > 1e-5f ? n * (1.0f / len) : vec3(-d.y, d.x, 0.0f));
    }
    if (rides(a) && o->is_horse() && o->index != a.mount) {
      const vec3 f = a.forward();
      const vec3 of = o->forward();
      const float ca = 0.01f;
      const vec3 turned(f.x * std::cos(ca) - f.y * std::sin(ca), f.x * std::sin(ca) + f.y * std::cos(ca), f.z);
      ai.avoid_angle += std::fabs(dot_product(f, of)) <= std::fabs(dot_product(turned, of)) ? 0.1f : -0.1f;
    }
  });
  if (touched) ai.avoid_angle += (mission_random_unit(m) + 1.0f) * 0.5f * (turn - ai.avoid_angle);
}

void update_stuck_meter(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  const float v = a.velocity.length();
  if (v < 0.3f && rides(a)) {
    if (ai.wanted_speed > 0.9f) {
      if (ai.stuck_meter < -0.95f) ai.mode = ai_mode_dismount;
      ai.stuck_meter -= 0.03f;
    } else {
      ai.stuck_meter += 0.2f;
    }
  } else if (v < 0.3f) {
    if (!a.is_horse() && (ai.move_bits & 0x1u) != 0) {
      ai.stuck_meter -= 0.03f;
    } else {
      ai.stuck_meter += 0.2f;
    }
  } else {
    ai.stuck_meter += 0.2f;
  }
  ai.stuck_meter = std::clamp(ai.stuck_meter, -1.0f, 1.0f);
  if (ai.stuck_meter >= -0.1f) return;
  if (ai.unstick_timer.elapsed() >= 0.0f) {
    ai.stuck_meter = 1.0f;
    a.path_active = 0;
    a.repath_needed = 1;
    ai.unstick_timer.set_elapsed(-unstick_pause_seconds);
  } else {
    const float push = (mission_random_unit(m) + 0.5f) * (0.3f - ai.stuck_meter);
    ai.avoid_angle += ai.avoid_angle < 0.0f ? -push : push;
    if (mission_random_unit(m) < 0.01f) ai.avoid_angle = -ai.avoid_angle;
  }
}

void aim(mission& m, agent& a, const vec3& p, const vec3& s) {
  agent_ai& ai = a.ai;
  const int level = ai_troop_level(a);
  const vec3 eye = p + vec3(0.0f, 0.0f, rides(a) ? 2.4f : 1.5f);
  const float vm = get_missile_speed(m, a);
  const agent* t = (ai.permission & fight_permitted) != 0 ? m.get_live_agent(ai.combat_target) : nullptr;
  const bool ranged = (ai.permission & fight_ranged) != 0;
  vec3 dir;
  if (t != nullptr) {
    vec3 target = t->position() + vec3(0.0f, 0.0f, (!t->is_horse() && t->mount >= 0 ? 2.4f : 1.5f) - 0.2f);
    if ((t->mount >= 0 || t->defend_state != 0) && ranged) target.z -= 0.8f * static_cast<float>(ai.movement_seed & 2);
    if (ranged && vm > 0.1f) {
      const float dist = (target - p).length();
      const float e = 1.0f + (mission_random_unit(m) - 0.5f) * static_cast<float>(std::max(40 - level, 0)) * 0.01f;
      const float f = std::min(0.02f * static_cast<float>(level) + 0.6f, 1.0f);
      target += agent_world_velocity(m, *t) * (dist / vm * f * e);
    }
    dir = target - eye;
  } else {
    dir = s - p;
    if (dir.length() < 0.001f) dir = a.forward();
  }
  const float height = dir.z;
  const float q = dir.normalize();
  if (ranged) {
    const float err = std::max(0.2f - 0.005f * static_cast<float>(level), 0.0f);
    const float g = 1.0f + (mission_random_unit(m) - 0.5f) * err;
    dir.z += compute_aim_elevation(vm, q, height) * g;
    dir.normalize();
  }
  ai.aim_direction = dir;
}

}  // namespace

std::uint32_t foot_presses(const vec3& d, const vec3& aim, float stop, float start, std::uint32_t& move_bits,
                           float& turn) {
  turn = 0.0f;
  vec3 a(aim.x, aim.y, 0.0f);
  const float al = std::sqrt(a.x * a.x + a.y * a.y);
  a = al > 0.0f ? a * (1.0f / al) : vec3(0.0f, 1.0f, 0.0f);
  float x = d.x * a.y - d.y * a.x;
  float y = d.x * a.x + d.y * a.y;
  const float r = std::sqrt(x * x + y * y);
  if (r > 0.0f) {
    x /= r;
    y /= r;
  } else {
    x = 0.0f;
    y = 1.0f;
  }
  const bool moving = (move_bits & 0x1u) != 0;
  if (!((moving && r > stop) || (!moving && r > start))) {
    move_bits = 0;
    return 0;
  }
  std::uint32_t bits = 0x1u;
  std::uint32_t presses = 0;
  float f = 0.0f;
  float side = 0.0f;
  if (y > ((move_bits & 0x2u) != 0 ? 0.35f : 0.45f)) {
    bits |= 0x2u;
    presses |= 0x1u;
    f = 1.0f;
  } else if (y < ((move_bits & 0x4u) != 0 ? -0.35f : -0.45f)) {
    bits |= 0x4u;
    presses |= 0x2u;
    f = -1.0f;
  }
  if (x > ((move_bits & 0x8u) != 0 ? 0.35f : 0.45f)) {
    bits |= 0x8u;
    presses |= 0x4u;
    side = 1.0f;
  } else if (x < ((move_bits & 0x10u) != 0 ? -0.35f : -0.45f)) {
    bits |= 0x10u;
    presses |= 0x8u;
    side = -1.0f;
  }
  move_bits = bits;
  vec3 pressed(side, f, 0.0f);
  vec2_normalize(pressed);
  turn = x * pressed.y - pressed.x * y;
  return presses;
}

void rider_presses(float distance, float angle, float stop, float start, float speed_limit, float horse_turn_rate,
                   float goal_speed, bool goal_ahead, float current_speed, bool lance_charge, rider_steer& s) {
  s.presses = 0;
  const bool moving = s.move_bits == 1;
  if ((moving && distance > stop) || (!moving && distance > start)) {
    s.move_bits = 1;
    const float k = 0.7f * distance;
    s.wanted_speed = k < 1.0f ? 1.0f : std::min(k, speed_limit);
    if (goal_speed > s.wanted_speed && goal_ahead) s.wanted_speed = goal_speed + 0.5f * s.wanted_speed;
    if (angle - horse_turn_rate > 0.1f && angle > 0.1f) {
      s.presses |= 0x80u;
    } else if (angle - horse_turn_rate < -0.1f && angle < -0.1f) {
      s.presses |= 0x40u;
    }
    if ((s.turning != 0 && std::fabs(angle) > 0.1f) || (s.turning == 0 && std::fabs(angle) > 0.2f)) {
      s.turning = 1;
      s.wanted_speed *= 0.9f - 0.45f * std::fabs(angle);
    } else {
      s.turning = 0;
    }
    if (s.wanted_speed < 1.2f) {
      s.wanted_speed = 1.2f;
    } else if (s.wanted_speed > speed_limit) {
      s.wanted_speed = speed_limit;
    }
  } else {
    s.wanted_speed = 0.0f;
    s.move_bits = 0;
  }
  if (s.wanted_speed - 0.2f > current_speed) {
    s.presses |= 0x10u;
  } else if (s.wanted_speed + 0.2f < current_speed && !lance_charge) {
    s.presses |= 0x20u;
  }
}

bool agent_ai_steer(mission& m, agent& a) {
  if (a.position_valid == 0) return false;
  agent_ai& ai = a.ai;
  const vec3 p = a.position();
  mission_services& services = m.services();

  // A followed agent that moved off its face gets a fresh path.
  if (a.path_active != 0 && (a.goal_flags & agent_movement_follow) != 0) {
    if (agent* f = m.get_live_agent(a.followed_agent)) {
      const int face = services.update_ground_face(m, *f);
      if ((f->position() - a.goal_position).length() > 4.0f && face != a.goal_face) {
        a.goal_position = f->position();
        a.goal_face = face;
        a.repath_needed = 1;
        a.path_active = 0;
      }
    }
    if (a.path_active != 0) agent_advance_path(m, a);
  }

  // The steering point.
  vec3 s = p;
  const auto path_point = [&]() {
    const int i = std::clamp(a.path_index, 0, std::max(a.path_length - 1, 0));
    return static_cast<std::size_t>(i) < a.path_points.size() ? a.path_points[static_cast<std::size_t>(i)] : a.goal_position;
  };
  if (a.path_active != 0) {
    s = path_point();
  } else if ((a.goal_flags & agent_movement_follow) != 0) {
    if (agent* f = m.get_live_agent(a.followed_agent)) {
      s = f->position() + vec3(0.8f, 0.8f, 0.8f);
      if ((a.goal_flags & goal_pass_beside) != 0) {
        const float w = is_starting_action_72(a) ? 0.25f : 0.4f;
        const int upper = a.channels[1].action;
        const float k = upper == 184 || upper == 185 ? 1.0f : -1.0f;
        s.x += k * w * a.forward().y;
        s.y += -k * w * a.forward().x;
      }
      a.goal_position = f->position();
      a.goal_face = services.update_ground_face(m, *f);
    }
  } else if ((a.goal_flags & agent_movement_to_goal) != 0) {
    s = a.goal_position;
  }
  if (a.repath_needed != 0 && services.update_ground_face(m, a) != a.goal_face) {
    a.path_active = agent_repath(m, a) ? 1 : 0;
    a.repath_needed = 0;
    if (a.path_active != 0) {
      agent_advance_path(m, a);
      if (a.path_active != 0) s = path_point();
    }
  }

  ai.avoid_angle *= (steers_like_horse(a) ? 0.85f : 0.88f) + mission_random_unit(m) / 10.0f;

  vec3 d = s - p;
  const float length = d.normalize();
  if ((a.movement_flags & agent_movement_on_ground) != 0 && length > 0.1f && a.wall_face == nullptr) {
    probe_ahead(m, a, p, d, length);
  }
  update_stuck_meter(m, a);
  if (ai.avoid_angle < -0.03f || ai.avoid_angle > 0.03f) {
    const float c = std::cos(ai.avoid_angle), sn = std::sin(ai.avoid_angle);
    s = p + vec3(c * d.x - sn * d.y, sn * d.x + c * d.y, d.z) * length;
  }

  aim(m, a, p, s);

  ai.press_turn = 0.0f;
  const vec3 offset = s - p;
  // A script's limit; 0 means none.
  const float limit = a.speed_limit > 0.0f ? a.speed_limit : no_speed_limit;
  if (!steers_like_horse(a)) {
    const float stop = a.path_active != 0 ? 0.0f : 0.9f * ai.speed_factor;
    const float start = a.path_active != 0 ? 0.0f : 1.4f * ai.speed_factor;
    ai.current_input.action_flags |= foot_presses(offset, ai.aim_direction, stop, start, ai.move_bits, ai.press_turn);
    if ((a.goal_flags & goal_ai_set) != 0 && limit > 2.6f) ai.current_input.action_flags |= 0x200000u;
  } else {
    const agent* horse = a.is_horse() ? &a : m.get_live_agent(a.mount);
    const vec3 g = a.path_active != 0 ? a.goal_position : s;
    const float stop = a.path_active != 0 ? 0.5f : 0.8f * ai.speed_factor;
    const float start = a.path_active != 0 ? 0.8f : 1.2f * ai.speed_factor;
    rider_steer st{ai.wanted_speed, ai.move_bits, ai.turning, 0};
    const float goal_speed = a.goal_velocity.length();
    rider_presses((g - p).length(), signed_angle_2d(a.forward(), offset), stop, start, limit,
                  horse != nullptr ? horse->turn_rate : 0.0f, goal_speed,
                  dot_product(g - p, a.goal_velocity) > 0.1f, horse != nullptr ? horse->forward_speed : 0.0f,
                  (a.goal_flags & goal_lance_charge) != 0, st);
    ai.wanted_speed = st.wanted_speed;
    ai.move_bits = st.move_bits;
    ai.turning = st.turning;
    ai.current_input.action_flags |= st.presses;
  }
  return true;
}

void agent_ai_finish_direction(agent& a, const ai_combat_words& words) {
  agent_ai& ai = a.ai;
  vec3 dir = ai.aim_direction;
  const float c = ai.press_turn;
  if (std::fabs(c) > 0.001f && (ai.current_input.action_flags & foot_press_bits) != 0 &&
      ((ai.action_flags | words.previous_action_flags) & input_attack_held) == 0 && ai.combat_state != 4) {
    const float t = -std::asin(std::clamp(c, -1.0f, 1.0f));
    const float x = std::cos(t) * dir.x - std::sin(t) * dir.y;
    const float y = std::sin(t) * dir.x + std::cos(t) * dir.y;
    dir.x = x;
    dir.y = y;
  }
  if (dir.normalize() <= 0.0f) dir = vec3(0.0f, 1.0f, 0.0f);
  ai.current_input.set_direction(dir);
}

void agent_ai_decide_combat(mission& m, agent& a, ai_combat_words& words) {
  if (!agent_ai_steer(m, a)) return;
  agent_ai_fight(m, a, words);
  agent_ai_finish_direction(a, words);
}

}  // namespace hm
