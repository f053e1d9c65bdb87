#include "mission/combat/attack_direction.h"

#include <cmath>

#include "mission/records/combat_random.h"

namespace hm {

namespace {

struct fixed_attack {
  std::uint32_t attack_class;
  int ready;
  int release;
};

constexpr fixed_attack fixed_attacks[] = {
    {0x1000, 117, 118},  {0x4000, 121, 122},  {0x10000, 131, 132}, {0x20000, 127, 128},
    {0x30000, 129, 130}, {0x40000, 125, 126}, {0x70000, 133, 134}, {0x80000, 136, 137},
};

// The result is d1 unless hand 0 has no attack that way.
int first_usable(int d1, int d2, const weapon_action_set_fn& action_set) {
  return action_set(0, d1)[0] == -1 ? d2 : d1;
}

// A rider does not swing across the horse's neck.
int turn_for_rider(int d, float side_angle, float limit) {
  if (side_angle < -limit && d == 2) return 1;
  if (side_angle > limit && d == 1) return 2;
  return d;
}

}  // namespace

attack_choice choose_attack_actions(const attack_choice_inputs& in, const weapon_action_set_fn& action_set,
                                    combat_random& random) {
  attack_choice out;
  int d1 = 0;
  int d2 = 0;
  if (!in.riding) {
    d1 = random.next() & 3;
    d2 = random.next() & 3;
    if (d1 == d2) d2 = 3 - d1;
  } else {
    d1 = (in.side_angle < 0.0f || std::isnan(in.side_angle)) ? 1 : 2;
    d2 = 0;
  }
  if (in.player.given) d1 = in.player.direction;

  if (in.attack_class == 0) {
    out.direction = d1;
    out.actions = action_set(in.hand, d1);
    if (out.actions[0] == -1) {
      out.direction = d2;
      out.actions = action_set(in.hand, d2);
    }
    return out;
  }
  out.direction = 0;
  for (const fixed_attack& f : fixed_attacks) {
    if (f.attack_class == in.attack_class) {
      out.actions = {f.ready, f.release, -1};
      break;
    }
  }
  return out;
}

int choose_player_attack_direction_mouse(const mouse_direction_inputs& in, const weapon_action_set_fn& action_set) {
  float dx = in.dx;
  float dy = in.dy;
  if (in.mode == 2) {
    dx = -dx;
    dy = -dy;
  }
  int d1 = 0;
  if (dx <= dy)
    d1 = dx >= -dy ? 3 : 1;
  else
    d1 = dx <= -dy ? 0 : 2;
  int d2 = d1 == 0 ? 3 : 0;
  if (in.riding) {
    const int turned = turn_for_rider(d1, in.side_angle, 0.2f);
    if (turned != d1 && in.horse_speed > 1.0f) d2 = 0;
    d1 = turned;
  }
  return first_usable(d1, d2, action_set);
}

int choose_player_attack_direction_aimed(const aimed_direction_inputs& in, const weapon_action_set_fn& action_set) {
  if (!in.target_has_entity) return 0;
  const float ly = in.local_target.y;
  const float x = in.local_target.x / ly;
  const float y = in.local_target.z / ly;
  const float t = 0.4f * y;
  int d1 = 0;
  int d2 = 0;
  if (x < t - 0.02f && x < -0.02f - t) {
    d1 = 1;
  } else if (x > t + 0.02f && x > 0.02f - t) {
    d1 = 2;
  } else if (y < -0.1f) {
    d1 = 3;
  } else {
    d1 = 0;
    d2 = x > 0.0f ? 2 : 1;
  }
  if (in.riding) {
    if (in.horse_speed > 1.0f) {
      d1 = in.side_angle < 0.0f ? 1 : 2;
      d2 = 0;
    } else {
      d1 = turn_for_rider(d1, in.side_angle, 0.0f);
    }
  }
  return first_usable(d1, d2, action_set);
}

}  // namespace hm

#include "mission/combat/combat_actors.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/records/item_kind.h"

namespace hm {

float agent_side_angle(const agent& a) {
  const vec3 f = a.forward();
  const vec3 look = a.input.direction_vec3();
  return std::atan2(f.x * look.y - f.y * look.x, f.x * look.x + f.y * look.y);
}

attack_choice agent_choose_attack_actions(mission& m, agent& a, int hand, const weapon_action_set_fn& action_set,
                                          combat_random& random, const player_attack_steering* steering) {
  attack_choice_inputs in;
  in.hand = hand;
  in.riding = a.mount >= 0;
  in.side_angle = agent_side_angle(a);
  const item_kind* k = item_kind_of(agent_wielded_item(a, hand));
  in.attack_class = k != nullptr ? static_cast<std::uint32_t>(k->capabilities & 0xFF000u) : 0u;
  const agent* horse = in.riding ? m.get_agent(a.mount) : nullptr;
  const float horse_speed = horse != nullptr ? horse->forward_speed : 0.0f;
  if (steering != nullptr && a.index == m.player_agent && (steering->control != 0 || steering->has_aimed_target)) {
    in.player.given = true;
    if (steering->control == 1 || steering->control == 2) {
      mouse_direction_inputs mouse;
      mouse.mode = steering->control;
      mouse.dx = steering->dx;
      mouse.dy = steering->dy;
      mouse.riding = in.riding;
      mouse.side_angle = in.side_angle;
      mouse.horse_speed = horse_speed;
      in.player.direction = choose_player_attack_direction_mouse(mouse, action_set);
    } else {
      aimed_direction_inputs aimed = steering->aimed;
      aimed.riding = in.riding;
      aimed.side_angle = in.side_angle;
      aimed.horse_speed = horse_speed;
      in.player.direction = choose_player_attack_direction_aimed(aimed, action_set);
    }
  }
  const attack_choice c = choose_attack_actions(in, action_set, random);
  a.attack_direction = c.direction;
  a.attack_hand = hand;
  a.ready_action = c.actions[0];
  a.release_action = c.actions[1];
  a.bounce_action = c.actions[2];
  return c;
}

}  // namespace hm
