#include "mission/ai/ai_fight.h"

#include <algorithm>
#include <cmath>

#include "engine/settings/game_options.h"
#include "mission/agent/agent_perception.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/agent_sounds.h"
#include "mission/ai/ai_movement.h"
#include "mission/ai/ai_think.h"
#include "mission/ai/ai_troop.h"
#include "mission/combat/combat_actors.h"
#include "mission/combat/defence.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/records/item_kind.h"

namespace hm {

namespace {

constexpr std::uint32_t cancel_attack = input_attack_held | input_defend_held;
constexpr std::uint32_t foot_movement_bits = 0xFu;
constexpr std::uint32_t kind_flag_no_parry = 1u << 14;
constexpr int voice_shout = 4;

struct fight_context {
  mission& m;
  agent& a;
  agent_ai& ai;
  const agent& t;
  ai_combat_words& words;
  int level = 0;
  int combat_ai = 0;
  float d2 = 0.0f;
  vec3 dir;  // horizontal unit direction to the target
  bool on_foot = true;

  float r() { return mission_random_unit(m); }
  timer& attack_timer() { return ai.timers[ai_attack_timer]; }
  timer& guard_timer() { return ai.timers[ai_guard_timer]; }
  void press(std::uint32_t bits) { ai.action_flags |= bits; }
  void stand_still() { ai.current_input.action_flags &= ~foot_movement_bits; }
};

int item_type_in_hand(const agent& a, int hand) {
  const item_kind* k = get_wielded_item(a, hand).get_kind();
  return k != nullptr ? k->type() : -1;
}

bool has_shield(const agent& a) { return item_type_in_hand(a, 1) == item_type::shield; }
bool bare_handed(const agent& a) { return get_wielded_item(a, 0).get_kind() == nullptr; }
bool holds_melee(const agent& a) {
  const item_kind* k = get_wielded_item(a, 0).get_kind();
  return k != nullptr && k->is_melee_weapon();
}

bool in_high_action(const agent& a) {
  return a.channels[0].priority() >= 100 || a.channels[1].priority() >= 100;
}

float speed(const mission& m, const agent& a) { return agent_world_velocity(m, a).length(); }

// Whether the target faces the agent.
bool faces(const agent& who, const agent& other) {
  const vec3 to = other.position() - who.position();
  return dot_product(who.forward(), to) > 0.0f;
}

void shout(fight_context& c) {
  if (c.on_foot && (c.m.ai_flags & 0x1u) == 0) agent_sounds().play_voice(c.m, c.a, voice_shout);
}

// A target on foot or slow coming this close ends the shooting.
bool too_close(fight_context& c, float distance, float slow) {
  return c.on_foot && c.d2 < distance && (c.t.mount < 0 || speed(c.m, c.t) < slow);
}

void ranged_machine(fight_context& c) {
  agent_ai& ai = c.ai;
  const item weapon = get_wielded_item(c.a, 0);
  const int type = weapon.get_kind() != nullptr ? weapon.get_kind()->type() : -1;
  const bool needs_load = type == item_type::crossbow || type == item_type::pistol || type == item_type::musket;
  const bool bow_like = type == item_type::bow || type == item_type::crossbow;
  const float range = get_shooting_range(c.m, c.a);
  const float ed = std::max(c.d2 + 0.7f * (c.t.position().z - c.a.position().z), 1.0f);
  int blocking = -1;
  switch (ai.combat_state) {
    case 0: {
      if (needs_load && weapon.get_remaining_ammo() == 0) {
        c.attack_timer().reset();
        ai.combat_state = 4;
      } else if (ed >= range) {
        ai.combat_state = 7;
      } else if (ranged_aim_roll(c.r(), c.level)) {
        ai.aim_result = check_shot(c.m, c.a, c.t.index, blocking);
        switch (ai.aim_result) {
          case shot_clear:
            ai.combat_state = 1;
            c.attack_timer().set_elapsed(-aim_wait(c.r(), c.d2, c.level, type == item_type::thrown));
            break;
          case shot_not_seen: {
            const int found = find_new_combat_target(c.m, c.a);
            if (found >= 0) {
              ai.combat_target = found;
            } else {
              ai.combat_state = 7;
            }
            break;
          }
          case shot_wrong_side: ai.combat_state = 8; break;
          default:
            ai.ranged_state = 2;
            ai.retarget_period = 0.0f;
            break;
        }
      }
      break;
    }
    case 1:
      c.press(input_attack_held);
      if (too_close(c, 2.5f, 1.5f)) {
        ai.retarget_period = 0.0f;
        ai.combat_state = 3;
      }
      if (c.on_foot && bow_like && c.attack_timer().elapsed() > -0.7f) c.stand_still();
      if (c.attack_timer().elapsed() > 0.0f) {
        if (check_shot(c.m, c.a, c.t.index, blocking) == shot_clear) {
          c.attack_timer().set_elapsed(-0.3f);
          ai.combat_state = 3;
        } else {
          c.press(cancel_attack);
          ai.combat_state = 0;
        }
      }
      break;
    case 3:
      if (too_close(c, 4.0f, 1.0f)) {
        ai.retarget_period = 0.0f;
        ai.combat_state = 0;
      }
      if (c.on_foot && bow_like) c.stand_still();
      if (c.attack_timer().elapsed() >= 0.0f) ai.combat_state = 0;
      break;
    case 4:
      if (too_close(c, 2.5f, 1.5f)) {
        ai.retarget_period = 0.0f;
        ai.combat_state = 0;
      }
      c.press(input_attack_held);
      if (c.on_foot) c.stand_still();
      if (weapon.get_remaining_ammo() > 0) {
        ai.combat_state = 0;
      } else if (c.a.channels[1].action != c.a.reload_action && c.attack_timer().elapsed() > 1.0f) {
        ai.combat_state = 0;
      }
      break;
    case 7:
      if (ed >= range) break;
      if (c.r() < 0.03f) {
        const int found = find_new_combat_target(c.m, c.a);
        if (found >= 0) {
          ai.combat_target = found;
          ai.combat_state = 0;
        }
      } else if (can_see_agent(c.m, c.a, c.t.index, nullptr)) {
        ai.combat_state = 0;
      }
      break;
    case 8: {
      const agent* horse = c.m.get_live_agent(c.a.mount);
      if (c.on_foot || horse == nullptr || horse->velocity.length() > 0.5f) {
        ai.combat_state = 0;
        break;
      }
      const vec3 s = c.a.body_frame.rot.s;
      c.ai.current_input.action_flags |= dot_product(c.dir, s) > 0.0f ? 0x40u : 0x80u;
      if (c.dir.y * s.x - c.dir.x * s.y > 0.3f) ai.combat_state = 0;
      break;
    }
    default: break;
  }
}

void melee_machine(fight_context& c) {
  agent_ai& ai = c.ai;
  agent& a = c.a;
  const agent& t = c.t;
  const item weapon = get_wielded_item(a, 0);
  const item_kind* wk = weapon.get_kind();
  float prof = 50.0f;
  float rating = 100.0f;
  float t_wait = 0.9f + (c.r() - 0.5f) * static_cast<float>(c.combat_ai + 1) * 0.15f;
  if (wk != nullptr) {
    prof = ai_troop_proficiency(a, weapon.kind);
    rating = static_cast<float>(std::max(weapon.get_speed_rating(), 1));
    t_wait = t_wait * 100.0f / rating;
  }
  if (ai.combat_state == 3 && a.attack_state == 1) t_wait *= 0.5f;

  const vec3 own_v = agent_world_velocity(c.m, a);
  const vec3 tv = agent_world_velocity(c.m, t);
  const float k = 1.0f + 0.2f * c.r();
  const float d1 = ((t.position() + tv * k) - (a.position() + own_v * k)).length();
  float d = (t.position() + tv * t_wait - a.position()).length() - own_v.length() * t_wait;
  if (a.mount >= 0) {
    const float apart = ((t.position() + tv * t_wait) - (a.position() + own_v * t_wait)).length();
    if (apart >= d + 0.5f * own_v.length() * t_wait) d = (t.position() - a.position()).length() + 0.2f;
  }
  const item_kind* tk = get_wielded_item(t, 0).get_kind();
  const float ra = own_reach(wk != nullptr ? static_cast<float>(wk->weapon_length) : -1.0f, a.mount >= 0, t.mount >= 0);
  const float re = target_reach(tk != nullptr ? static_cast<float>(tk->weapon_length) : -1.0f);
  const vec3 to_target = t.position() - a.position();
  const float to_len = to_target.length();
  const vec3 unit = to_len > 1e-4f ? to_target * (1.0f / to_len) : a.forward();
  const float facing = dot_product(a.forward(), unit);
  const bool in_reach = d < ra;
  const bool threatened = faces(t, a) && d < re;
  const agent* horse = c.m.get_live_agent(a.mount);
  const bool lance_run = wk != nullptr && wk->type() == item_type::polearm && facing > 0.4f && horse != nullptr &&
                         (horse->gait_state & 7u) >= 4 && d1 < 19.0f;
  // A lance couched on the run (the upper body's action 72 past its start)
  // strikes by the ride alone: the agent neither swings nor guards.
  const bool couched = is_starting_action_72(a) && facing > 0.4f;
  const bool shield = has_shield(a);
  const bool target_shield = has_shield(t);
  const bool target_armed = !bare_handed(t);
  const bool target_melee = holds_melee(t);
  const int level = c.level;
  const float lv = static_cast<float>(level);

  switch (ai.combat_state) {
    case 0:
    case 1: {
      if (shield && target_armed && !lance_run && !couched) {
        c.press(input_defend_held);
      } else if (d1 < 2.8f && level >= 20 && (shield || bare_handed(a)) && !lance_run && !couched) {
        c.press(input_defend_held);
      }
      if (in_high_action(a)) {
        if (a.mount < 0) {
          ai.current_input.action_flags = (ai.current_input.action_flags & ~0x1u) | 0x2u;
        }
        if (shield) {
          c.guard_timer().set_elapsed(-(1.3f + 2.0f * c.r()));
          ai.combat_state = 7;
        }
        break;
      }
      if (in_reach && !couched && (c.r() < prof * 0.004f + 0.5f || a.mount >= 0)) {
        c.attack_timer().set_elapsed(0.0f);
        ai.combat_state = 3;
        break;
      }
      const bool guard_over = c.guard_timer().elapsed() > 0.0f;
      if (shield && target_armed && target_melee && !couched && guard_over) {
        if (((t.attack_state == 1 && c.r() < 0.3f - 0.01f * lv) || (t.attack_state == 2 && c.r() < 0.05f * lv + 0.5f)) &&
            threatened) {
          c.guard_timer().set_elapsed(-(1.3f + 2.0f * c.r()));
          ai.combat_state = 7;
          break;
        }
      }
      if (bare_handed(a) && !target_armed && guard_over && faces(t, a) && d1 < re) {
        if ((t.attack_state == 1 && c.r() < 0.01f * lv + 0.5f) || (t.attack_state == 2 && c.r() < 0.05f * lv + 0.5f)) {
          c.guard_timer().set_elapsed(-(1.3f + 2.0f * c.r()));
          ai.combat_state = 7;
          break;
        }
      }
      if (!shield && !couched && wk != nullptr && wk->is_melee_weapon() && (wk->flags & kind_flag_no_parry) == 0 &&
          guard_over && target_melee && t.attack_state != 0 && threatened && c.r() < prof * 0.01f + 0.1f) {
        c.guard_timer().set_elapsed(-(0.6f + 0.5f * c.r()));
        ai.combat_state = 2;
        break;
      }
      if (c.d2 < 15.0f && c.r() < 0.005f && c.on_foot && (c.m.ai_flags & 0x1u) == 0 && c.r() >= 0.2f) shout(c);
      break;
    }
    case 2:
      c.press(input_defend_held);
      if (c.guard_timer().elapsed() > 0.0f) {
        ai.combat_state = 0;
      } else if (t.attack_state == 0 && c.r() < 0.9f) {
        if (c.r() < 0.4f) {
          c.attack_timer().set_elapsed(-0.2f);
          ai.combat_state = 3;
        } else {
          ai.combat_state = 0;
        }
      }
      break;
    case 3:
      if (c.r() < 0.02f) shout(c);
      c.press(input_attack_held);
      if (a.attack_state <= 4 && c.attack_timer().elapsed() >= 0.0f && a.attack_state == 1) {
        if (in_reach) {
          c.attack_timer().set_elapsed(-release_wait(static_cast<int>(rating), level, c.combat_ai));
          ai.combat_state = 4;
        } else if (c.attack_timer().elapsed() > 8.0f || d > 4.0f * ra) {
          c.press(cancel_attack);
          ai.combat_state = 0;
        }
      }
      if (in_high_action(a)) ai.combat_state = 0;
      break;
    case 4:
      if (c.attack_timer().elapsed() > 0.0f) {
        ai.combat_state = 0;
      } else if (a.channels[1].action >= 0 && a.channels[1].action == a.bounce_action) {
        ai.combat_state = 0;
      } else if (target_shield && t.defend_state != 0 && faces(t, a)) {
        if (c.r() < 0.03f) ai.combat_state = 0;
      } else if (target_melee && !target_shield && faces(t, a)) {
        if (agent_is_attack_blocked(c.m, a, t, 0, false, vec3())) {
          if (c.r() < static_cast<float>(4 - c.combat_ai) * prof * 0.0005f) ai.combat_state = 0;
        } else if (prof > 100.0f && c.r() < 0.03f) {
          ai.combat_state = 0;
        }
      }
      if (in_high_action(a)) ai.combat_state = 0;
      break;
    case 7:
      c.press(input_defend_held);
      if ((bare_handed(t) || target_melee) && t.attack_state == 0) {
        c.guard_timer().reset();
        if (c.r() < 0.4f) {
          c.attack_timer().set_elapsed(-0.2f);
          ai.combat_state = 3;
        } else {
          ai.combat_state = 0;
        }
      }
      if (c.guard_timer().elapsed() > 0.0f) ai.combat_state = 0;
      break;
    default: ai.combat_state = 0; break;
  }
}

}  // namespace

bool ranged_aim_roll(float r, int level) { return r < static_cast<float>(level + 1) * 0.2f; }

float aim_wait(float r, float horizontal_distance, int level, bool thrown) {
  const float w = (r + 2.5f) * std::clamp((horizontal_distance + 70.0f) * 0.01f, 0.7f, 1.2f) * 35.0f /
                  (static_cast<float>(level) + 35.0f);
  return thrown ? w * 0.5f : w;
}

float release_wait(int speed_rating, int level, int combat_ai) {
  const float rating = static_cast<float>(std::max(speed_rating, 1));
  return (100.0f / rating) * (4.9f / (static_cast<float>(level) + 40.0f) + static_cast<float>(combat_ai) * 0.25f + 0.6f);
}

float own_reach(float weapon_length, bool riding, bool target_rides) {
  float r = weapon_length < 0.0f ? 2.5f : weapon_length * 0.01f + 1.1f;
  if (riding) r -= 0.3f;
  if (target_rides) r += 0.7f;
  return r;
}

float target_reach(float weapon_length) { return (weapon_length < 0.0f ? 2.5f : weapon_length * 0.01f + 1.9f) * 1.3f; }

void agent_ai_fight(mission& m, agent& a, ai_combat_words& words) {
  agent_ai& ai = a.ai;
  const agent* t = m.get_live_agent(ai.combat_target);
  const bool fights = a.kind == agent_kind_human && m.no_fighting == 0 && t != nullptr &&
                      (ai.permission & fight_permitted) != 0 && teams_are_enemies(m, a, *t) && t->is_alive();
  if (fights) {
    fight_context c{m, a, ai, *t, words, 0, 0, 0.0f, vec3(), true};
    c.level = ai_troop_level(a);
    c.combat_ai = g_game_options.combat_ai;
    vec3 flat = t->position() - a.position();
    flat.z = 0.0f;
    c.d2 = flat.length();
    c.dir = c.d2 > 1e-5f ? flat * (1.0f / c.d2) : a.forward();
    c.on_foot = a.mount < 0;
    if (holds_ranged_weapon(a)) {
      ranged_machine(c);
    } else {
      melee_machine(c);
    }
    return;
  }
  if ((words.previous_action_flags & input_attack_held) != 0 && (words.previous_action_flags & input_defend_held) == 0) {
    ai.action_flags |= cancel_attack;
  }
  ai.combat_state = 0;
}

}  // namespace hm
