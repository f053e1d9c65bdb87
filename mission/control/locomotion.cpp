#include "mission/control/locomotion.h"

#include <algorithm>
#include <cmath>

#include "engine/collision/face.h"
#include "engine/core/random.h"
#include "mission/agent/agent_perception.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/agent_sounds.h"
#include "mission/agent/item_visibility.h"
#include "mission/anim/agent_actions.h"
#include "mission/anim/anim_channel_ops.h"
#include "mission/control/weapon_choice.h"
#include "mission/control/wielding.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/loading/game.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "module/troops/troop.h"
#include "render/entity/entity.h"

namespace hm {

namespace {

constexpr int skill_riding = 24;
constexpr int skill_athletics = 25;
constexpr std::uint32_t kind_flag_two_hands = 1u << 21;
constexpr std::uint32_t kind_flag_not_mounted = 1u << 28;
constexpr std::uint32_t wield_flag_polearm = 1u << 3;
constexpr int voice_shout = 6;

struct band {
  float low;
  float high;
};
constexpr band human_gaits[3] = {{-10000.0f, 0.3f}, {0.27f, 2.32f}, {2.27f, 10000.08f}};
constexpr band horse_gaits[6] = {{-3.0f, -0.01f}, {-0.01f, 0.01f}, {0.2f, 2.1f},
                                 {2.0f, 3.9f},     {3.8f, 6.3f},    {6.2f, 200.5f}};

const troop* troop_of(const agent& a) { return g_game != nullptr ? g_game->find_troop(a.troop) : nullptr; }
int skill_of(const agent& a, int skill) {
  const troop* t = troop_of(a);
  return t != nullptr ? t->get_skill_level(skill) : 0;
}
int agility_of(const agent& a) {
  const troop* t = troop_of(a);
  return t != nullptr ? t->attributes[1] : 0;
}

const item_kind* hand_kind(const agent& a, int hand) {
  return weapon_slot_kind(a, a.wielded_slots[static_cast<std::size_t>(hand)]);
}

// A channel counts as idle for the inline requests when nothing of priority
// plays on it or nothing at all.
bool channel_free(const action_channel& ch) { return ch.priority() == 0 || ch.is_idle(); }

void request_when_free(agent& a, int channel, int action, std::uint32_t flags) {
  action_channel& ch = a.channels[static_cast<std::size_t>(channel)];
  if (!channel_free(ch) || action >= agent_action_count(a)) return;
  if (!ch.request(action, flags)) return;
  ch.speed = 1.0f;
  if (entity* held = wielded_item_entity(a, 0)) held->moved = 1;
}

void clear_upper_below(agent& a, std::uint32_t limit) {
  action_channel& upper = a.channels[1];
  if (upper.priority() < limit || upper.is_idle()) {
    upper.requested_action = -1;
    upper.flags = 0;
  }
}

vec3 ground_normal(const agent& a) {
  return a.ground_face != nullptr ? a.ground_face->normal : vec3(0.0f, 0.0f, 1.0f);
}

// A direction laid onto the ground plane: two cross products with the
// normal, then unit length; zero stays zero.
vec3 along_ground(const vec3& d, const vec3& n) {
  vec3 p = cross_product(n, cross_product(d, n));
  const float length = p.length();
  if (!(length > 1e-10f)) return vec3();
  return p * (1.0f / length);
}

float move_towards(float value, float target, float limit) {
  if (value < target) return std::min(value + limit, target);
  return std::max(value - limit, target);
}

bool template_has_flag_bit1(const mission& m) {
  if (m.template_index < 0 || m.template_index >= static_cast<int>(g_mission_templates.size())) return false;
  return (g_mission_templates[static_cast<std::size_t>(m.template_index)].flags & 2) != 0;
}

// The duration a lower-body sequence should take for the time scale: the
// scale times the natural duration of the sequence the action plays (or
// will play first).
float scaled_duration(const agent& a, int action, float time_scale) {
  const action_record* record = agent_action(a, action);
  if (record == nullptr || record->sequences.empty()) return 0.0f;
  const action_channel& ch = a.channels[0];
  const int v = (ch.action == action && ch.variant >= 0 && ch.variant < static_cast<int>(record->sequences.size()))
                    ? ch.variant
                    : 0;
  return record->sequences[static_cast<std::size_t>(v)].duration * time_scale;
}

void set_speed_ratio(agent& a, float ratio) {
  a.anim_speed_ratio = ratio;
  const float r = std::fabs(ratio);
  a.lower_time_scale = r > 0.001f ? 1.0f / r : 1.0f;
}

void request_locomotion(agent& a, int action, std::uint32_t flags) {
  set_channel_action(a, 0, action, flags, 1.0f);
  if ((flags & channel_flag_apply_duration) != 0 && a.channels[0].requested_action == action) {
    a.channels[0].duration_request = scaled_duration(a, action, a.lower_time_scale);
  }
}

// --- humans ---------------------------------------------------------------------

int stance_of(const agent& a) {
  const item_kind* k0 = hand_kind(a, 0);
  if (k0 == nullptr) return 0;
  const item_kind* k1 = hand_kind(a, 1);
  if (k0->is_melee_weapon() && (k0->flags & kind_flag_two_hands) != 0) return 3;
  if ((k0->type() == item_type::polearm && k1 == nullptr) || k0->type() == item_type::crossbow) return 2;
  return 1;
}

int locomotion_action(const agent& a, int gait, int stance, float side, float forward) {
  static constexpr int run[8][4] = {{17, 18, 19, 20}, {29, 30, 31, 32}, {21, 22, 23, 24}, {25, 26, 27, 28},
                                    {57, 58, 60, 59}, {61, 62, 64, 63}, {53, 54, 56, 55}, {49, 50, 52, 51}};
  static constexpr int walk[8][4] = {{-1, 10, 11, 12}, {13, 14, 15, 16}, {41, 42, 44, 43}, {45, 46, 48, 47},
                                     {33, 34, 36, 35}, {37, 38, 40, 39}, {53, 54, 56, 55}, {49, 50, 52, 51}};
  const float fa = std::fabs(forward);
  const float b = std::fabs(side);
  const float h = b * 0.5f;
  int row = 0;
  if (b < fa * 0.5f) {
    row = forward > 0.0f ? 0 : 1;
  } else if (forward > h) {
    row = side > 0.0f ? 2 : 3;
  } else if (forward >= -h) {
    row = side > 0.0f ? 4 : 5;
  } else {
    row = side > 0.0f ? 6 : 7;
  }
  const int id = (gait == 2 ? run : walk)[row][stance];
  return id == -1 ? a.walk_action : id;
}

void update_human(mission& m, agent& a, float dt, float k, float s, float f) {
  const int stance = stance_of(a);
  if (a.channels[0].priority() == 0 && a.mount < 0) {
    int stand = 5;
    if (stance == 2) {
      const item_kind* k0 = hand_kind(a, 0);
      stand = k0 != nullptr && k0->type() == item_type::crossbow ? 8 : 7;
    } else if (stance == 3) {
      stand = 6;
    } else if (stance == 0) {
      const bool player_draws =
          a.index == m.player_agent && (template_has_flag_bit1(m) || (m.flags & mission_flag_player_draws_weapons) != 0);
      stand = (a.unarmed_stance != 0 || player_draws) ? 4 : a.stand_action;
    }
    set_channel_action(a, 0, stand, 0, 1.0f);
  }

  float q = 1.0f;
  const vec3 n = ground_normal(a);
  const vec3 world = a.body_frame.rot.s * s + a.body_frame.rot.f * f;
  const vec3 on_ground = along_ground(world, n);
  if (on_ground.z > 0.01f) q = 1.0f - 0.5f * on_ground.z;
  if (a.slope_term > 0.0001f) {
    q *= 1.0f - 0.2f * a.slope_term;
  } else if (a.slope_term < -0.0001f) {
    q *= std::max(0.0f, 0.7f + 0.5f * a.slope_term);
  }

  float mag = std::sqrt(s * s + f * f);
  float us = 0.0f;
  float uf = 0.0f;
  if (mag > 0.0f) {
    us = s / mag;
    uf = f / mag;
  }
  mag = std::clamp(mag, -0.8f * k, k);
  const float limit = get_weight_speed_factor(a) * q;
  mag = std::clamp(mag, -0.8f * limit, std::max(limit, -0.8f * limit));

  const float w = a.equipment_weight;
  const float athletics = static_cast<float>(skill_of(a, skill_athletics));
  const float agility = static_cast<float>(agility_of(a));
  const float pace = ((5.0f * athletics + agility) * 60.0f / (w + 60.0f) + 100.0f) * 0.01f;
  const float target_side = us * mag * 2.8f * pace * 0.95f;
  float target_forward = uf * mag * 2.8f * pace;
  if (target_forward < 0.0f) target_forward *= 0.8f;
  const float acceleration =
      (70.0f / (w + 70.0f)) * ((25.0f / (w + 25.0f)) * (agility * 0.06666667f + athletics * 0.2f) + 1.0f) * dt * 10.0f;
  a.side_speed = move_towards(a.side_speed, target_side, acceleration);
  a.forward_speed = move_towards(a.forward_speed, target_forward, acceleration);

  const float v = std::sqrt(a.side_speed * a.side_speed + a.forward_speed * a.forward_speed);
  int gait = next_human_gait(static_cast<int>(a.gait_state & 7u), v);
  float divisor = 1.5f;
  if (gait == 2) {
    if (a.forward_speed >= -0.1f) {
      divisor = (athletics + 30.0f) * 0.07f;
    } else {
      gait = 1;  // nobody runs backwards
    }
  }
  set_speed_ratio(a, v / divisor);
  if (gait != 0) {
    request_locomotion(a, locomotion_action(a, gait, stance, a.side_speed, a.forward_speed),
                       channel_flag_apply_duration);
  }
  a.gait_state = (a.gait_state & ~7u) | static_cast<std::uint32_t>(gait);
}

// --- horses ---------------------------------------------------------------------

void update_horse(mission& m, agent& a, float dt, float k) {
  const agent* rider = m.get_live_agent(a.rider);
  float riding_factor = 1.0f;
  float r24 = 5.0f;
  if (rider != nullptr) {
    r24 = static_cast<float>(skill_of(*rider, skill_riding));
    riding_factor = (r24 + 25.0f) * 0.037037037f;
  }
  const std::uint32_t bits = a.input.action_flags;
  float t = (bits & input_bit::turn_minus) != 0 ? -1.0f : ((bits & input_bit::turn_plus) != 0 ? 1.0f : 0.0f);
  if (rider != nullptr && is_starting_action_72(*rider)) t *= 0.7f;

  const item& saddle = a.equipment[agent_slot_horse];
  const item horse_item = saddle.kind >= 0 ? saddle : a.own_horse_item();
  const float maneuver = static_cast<float>(horse_item.get_horse_maneuver());
  const float w = std::max(a.forward_speed, 4.0f);
  a.turn_rate += ((maneuver + 1.0f) / w) * t * riding_factor * dt;
  a.lean_rate -= a.turn_rate * a.forward_speed * dt * 0.007f;
  a.body_frame.rotate_z(a.turn_rate * dt);

  float& speed = a.forward_speed;
  if ((bits & input_bit::throttle) != 0) {
    if ((a.gait_state & (gait_forward | gait_backing)) == 0) {
      a.gait_state |= gait_forward;
      speed = (maneuver - 1.0f) * riding_factor * 0.04f;
    } else if ((a.gait_state & gait_forward) != 0) {
      speed += maneuver * (r24 + 3.0f) * (18.0f - speed) * dt * 0.0006f;
    } else {
      speed += dt;
      if (speed > -0.9f) speed = 0.0f;
    }
  } else if ((bits & input_bit::brake) != 0) {
    if (agent_action_count(a) > 417) request_when_free(a, 1, 417, 0);
    if ((a.gait_state & (gait_forward | gait_backing)) == 0) {
      a.gait_state |= gait_backing;
      speed = -0.9f;
    } else if ((a.gait_state & gait_backing) != 0) {
      speed -= 0.5f * dt;
    } else {
      speed -= maneuver * dt * 0.08f;
      if (speed < 0.9f) speed = 0.0f;
    }
  } else {
    speed *= 1.0f - 0.01f * dt;
    if (std::fabs(speed) < 0.9f) speed = 0.0f;
  }
  if (speed == 0.0f) a.gait_state &= ~(gait_forward | gait_backing);

  float cap = (static_cast<float>(horse_item.get_horse_speed()) + 1.0f) * k * 0.19f * (1.0f + 0.02f * r24);
  const vec3 heading = along_ground(a.body_frame.rot.f * speed, ground_normal(a));
  if (heading.z > 0.01f) {
    cap *= 1.0f - 0.9f * heading.z;
  } else if (heading.z < -0.27f) {
    cap *= 1.0f - (-0.27f - heading.z) * 1.3f;
  }
  if (speed < -1.0f) speed = -1.0f;
  if (speed > cap) speed = cap;

  const int gait = next_horse_gait(static_cast<int>(a.gait_state & 7u), speed);
  a.gait_state = (a.gait_state & ~7u) | static_cast<std::uint32_t>(gait);
  static constexpr int gait_actions[6] = {411, 406, 407, 408, 409, 410};
  static constexpr float divisors[6] = {1.0f, 1.0f, 1.7f, 2.0f, 3.2f, 5.0f};
  set_speed_ratio(a, speed / divisors[gait]);
  request_locomotion(a, gait_actions[gait], gait >= 2 ? channel_flag_apply_duration : 0u);

  const bool player_rides = rider != nullptr && rider->index == m.player_agent;
  if (gait == 1) {
    const float waited = a.horse_sound_timer.elapsed();
    if (waited > 1.2f) {
      a.horse_sound_timer.reset();
      if (mission_random_unit(m) < 0.05f || waited > 30.2f) {
        agent_sounds().play_slot(m, a, engine_sound_slot("snd_horse_snort"), 0.0f);
      }
    }
  } else if (gait == 5 && player_rides && a.horse_sound_timer.elapsed() > 1.2f) {
    a.horse_sound_timer.reset();
  }
  if (gait == 1 && (a.turn_rate < -0.1f || a.turn_rate > 0.1f)) {
    const int turning = a.turn_rate < -0.1f ? 415 : 416;
    set_channel_action(a, 0, turning, 0, 1.0f);
    if (agent_action_count(a) > turning) request_when_free(a, 1, turning, 0);
  }
}

bool below_water(const mission& m, const agent& a) { return a.position().z < m.water_level; }

void jump(mission& m, agent& a) {
  if (a.action_timer.elapsed() < 0.0f) return;
  const bool water = below_water(m, a);
  if (a.kind == agent_kind_human && a.mount < 0) {
    a.movement_flags &= ~agent_movement_on_ground;
    a.pending_velocity.z += 5.0f;
    set_channel_action(a, 0, 2, 2u | channel_flag_keep, 1.0f);
    agent_sounds().play_slot(m, a, engine_sound_slot(water ? "snd_jump_begin_water" : "snd_jump_begin"), 0.1f);
    a.action_timer.set_elapsed(-2.0f);
  } else if (a.kind != agent_kind_human && a.forward_speed > 3.5f) {
    a.movement_flags &= ~agent_movement_on_ground;
    a.pending_velocity.z += 6.0f;
    set_channel_action(a, 0, 413, 2u | channel_flag_keep, 1.0f);
    agent_sounds().play_slot(m, a,
                             engine_sound_slot(water ? "snd_horse_jump_begin_water" : "snd_horse_jump_begin"), 0.1f);
    a.action_timer.set_elapsed(-4.0f);
  }
}

void take_given_facing(agent& a) {
  vec3 f(a.input.direction[0], a.input.direction[1], 0.0f);
  if (!(f.length() > 1e-6f)) return;
  f.normalize();
  a.body_frame.rot.f = f;
  a.body_frame.rot.u = vec3(0.0f, 0.0f, 1.0f);
  a.body_frame.rot.s = cross_product(f, a.body_frame.rot.u);
}

void follow_horse(mission& m, agent& a) {
  agent* horse = m.get_live_agent(a.mount);
  if (horse == nullptr) return;
  const int horse_action = horse->channels[0].action;
  int action = -1;
  std::uint32_t flags = 0;
  switch (horse_action) {
    case 407: action = 66; break;
    case 408: action = 69; break;
    case 409: action = 70; break;
    case 410: action = 71; break;
    case 412: action = 73; flags = 64u | channel_flag_keep; break;
    case 413: action = 75; break;
    case 414: action = 76; break;
    case 415: action = 77; break;
    case 416: action = 78; break;
    default: break;
  }
  if (action != -1) {
    set_channel_action(a, 0, action, flags, 1.0f);
  } else if (agent_action_count(a) > 65) {
    request_when_free(a, 0, 65, 0);
  }
  if ((a.wield_flags & wield_flag_polearm) != 0) {
    const int lance = horse->forward_speed <= 5.5f ? (horse_action == 406 ? 81 : 67) : 72;
    if (agent_action_count(a) > lance) request_when_free(a, 1, lance, 0);
  }
}

void dismount(mission& m, agent& a) {
  a.dismount_guard.arm(2.0f);
  set_channel_action(a, 0, 80, 64u | channel_flag_keep, 1.0f);
  clear_upper_below(a, 32);
  a.upper_turn = 0.0f;
  a.upper_turn_rate = 0.0f;
  if (agent* horse = m.get_agent(a.mount)) {
    horse->rider = -1;
    horse->ai.mode = 0;
    horse->ai.retarget_period = 10.0f;
    horse->ai.timers[0].reset();
  }
  a.mount = -1;
  a.label_refresh = 1;
}

void mount(mission& m, agent& a) {
  int index = a.ai.mode == 2 ? a.ai.target : find_horse_in_reach(m, a);
  if (a.mount_target >= 0) index = a.mount_target;
  a.mount_target = -1;
  agent* horse = m.get_live_agent(index);
  if (horse == nullptr || horse->kind == agent_kind_human || horse->rider != -1) return;
  horse->presence = agent_presence_active;
  horse->rider = a.index;
  a.mount = horse->index;
  set_channel_action(a, 0, 79, 64u | channel_flag_keep, 1.0f);
  clear_upper_below(a, 32);
  a.upper_turn = 0.0f;
  a.upper_turn_rate = 0.0f;
  a.label_refresh = 1;
  const item_kind* k0 = hand_kind(a, 0);
  if (k0 != nullptr && (k0->flags & kind_flag_not_mounted) != 0) {
    a.wielded_slots[0] = -1;
    update_wielded_items(m, a);
  }
  const item_kind* k1 = hand_kind(a, 1);
  if (k1 != nullptr && k1->type() == item_type::shield && (k1->flags & kind_flag_not_mounted) != 0) {
    a.wielded_slots[1] = -1;
    update_wielded_items(m, a);
    action_channel& upper = a.channels[1];
    if (upper.priority() < 71 || upper.is_idle()) {
      set_channel_action(a, 1, 109, 70u | channel_flag_keep | channel_flag_restart, 1.0f);
    }
  }
}

void shout(mission& m, agent& a) {
  action_channel& upper = a.channels[1];
  if (a.kind != agent_kind_human || upper.action == 295 || a.shout_count >= 3) return;
  if (upper.priority() < 65 || upper.is_idle()) set_channel_action(a, 1, 295, 64u | channel_flag_keep, 1.0f);
  ++a.shout_count;
  agent_sounds().play_voice(m, a, voice_shout);
}

}  // namespace

int next_human_gait(int g, float v) {
  g = std::clamp(g, 0, 2);
  while (g < 2 && v > human_gaits[g].high) ++g;
  while (g > 0 && v < human_gaits[g].low) --g;
  return g;
}

int next_horse_gait(int g, float v) {
  g = std::clamp(g, 0, 5);
  if (v > horse_gaits[g].high) {
    ++g;
  } else if (v < horse_gaits[g].low) {
    --g;
  }
  return std::clamp(g, 0, 5);
}

void update_actions(mission& m, agent& a, float dt) {
  a.upper_twist_rate *= 1.0f - 10.0f * dt;
  a.turn_rate *= 1.0f - 5.0f * dt;
  const float r = (1.0f - 4.0f * dt) * (a.lean_rate - dt * a.lean * 0.2f) * 0.9f;
  a.lean_rate = r;
  a.lean += r;

  request_when_free(a, 1, -1, 0);
  if (a.channels[0].priority() >= 64) {
    a.side_speed = 0.0f;
    a.forward_speed = 0.0f;
    return;
  }

  const std::uint32_t bits = a.input.action_flags;
  const bool on_ground = (a.movement_flags & agent_movement_on_ground) != 0;
  if (on_ground && a.action_timer.elapsed() >= 0.0f) {
    float k = 1.0f;
    const float depth = m.water_level - a.position().z;
    if (a.kind == agent_kind_human) {
      if (depth > 0.0f) {
        k = std::max(0.4f, 1.0f - depth * 0.5f);
      } else if (m.ground_condition == 1) {
        k = 0.9f;
      }
    } else if (depth > 0.0f) {
      k = std::max(0.3f, 1.0f - depth * 0.6f);
    } else if (m.ground_condition == 1) {
      k = 0.9f;
      if (is_night()) k *= 0.9f;
    }

    float f = (bits & input_bit::forward) != 0 ? 1.0f : ((bits & input_bit::backward) != 0 ? -1.0f : 0.0f);
    float s = (bits & input_bit::side_plus) != 0 ? 1.0f : ((bits & input_bit::side_minus) != 0 ? -1.0f : 0.0f);
    if (s != 0.0f || f != 0.0f) {
      const float length = std::sqrt(s * s + f * f);
      s /= length;
      f /= length;
      const bool full = (bits & input_bit::full_pace) != 0;
      float scale = 1.0f;
      if (f < -0.1f) {
        scale = full ? 0.7f : 0.49f;
      } else if (!full) {
        scale = 0.6f;
      }
      s *= scale;
      f *= scale;
    }

    if (a.kind == agent_kind_human) {
      update_human(m, a, dt, k, s, f);
    } else {
      update_horse(m, a, dt, k);
    }
    if ((bits & input_bit::jump) != 0) jump(m, a);
    if ((bits & input_bit::rear) != 0 && a.kind != agent_kind_human) {
      agent_sounds().play_contact(m, a, 4);
      set_channel_action(a, 0, 412, 74u | channel_flag_keep, 1.0f);
    }
  }

  if (a.kind == agent_kind_human && a.mount < 0 && a.index == m.player_agent) {
    if (a.input.facing_given != 0) {
      take_given_facing(a);
    } else if (a.upper_turn != 0.0f || a.upper_turn_rate != 0.0f || (bits & ~input_bit::full_pace) != 0) {
      limit_turn(a, true, dt);
    }
  } else if (a.kind == agent_kind_human && a.mount < 0) {
    limit_turn(a, false, dt);
  }

  if (a.kind == agent_kind_human && a.mount >= 0) follow_horse(m, a);

  if (a.kind == agent_kind_human && a.mount >= 0 && (bits & input_bit::halt) != 0) {
    const agent* horse = m.get_live_agent(a.mount);
    if (horse != nullptr && (horse->gait_state & gait_forward) != 0 && horse->forward_speed < 5.2f) {
      set_channel_action(a, 0, 74, 2u | channel_flag_keep, 1.0f);
    }
  }

  if (a.kind == agent_kind_human) {
    if ((bits & input_bit::dismount) != 0 && a.mount >= 0 && !a.dismount_guard.armed) {
      dismount(m, a);
    } else if ((bits & input_bit::mount) != 0 && a.mount < 0) {
      mount(m, a);
    } else if ((bits >> 24) == 1) {
      shout(m, a);
    }
  }
  a.dismount_guard.poll();
}

}  // namespace hm
