#include "campaign/ai/party_ai.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "module/base/module_settings.h"
#include "script/game_hooks.h"
#include "script/script_state.h"

namespace hm {

namespace {

constexpr int skill_spotting = 13;

int courage_of(const party& p) { return static_cast<int>(p.personality & 0xF); }
int aggressiveness_of(const party& p) { return static_cast<int>((p.personality >> 4) & 0xF); }
bool bait_seeking(const party& p) { return (p.personality & 0x100) != 0; }

float speed_of(const party& p) { return p.speed_multiplier * p.base_speed; }

bool on_land(const party& p) { return is_land_terrain(p.terrain); }

// An active party that an attack may aim at.
bool valid_attack_target(const campaign_state& game, std::int32_t id) {
  const party* t = game.find_party(id);
  return t != nullptr && t->attached_to < 0 && (t->flags & party_flags_invisible_to_ai) == 0 &&
         t->current_behaviour != behaviour::arrived;
}

// The first point of up to seven tries that lies on a face linked to the
// party's own and of its kind (water for a ship, land otherwise).
bool good_steering_point(const travel_context& travel, const party& p, float x, float y) {
  const int face = travel.map.find_face_at(x, y);
  if (face < 0 || !travel.map.faces_are_linked(face, p.map_face)) return false;
  const int kind = travel.map.faces[static_cast<std::size_t>(face)].terrain;
  return (p.flags & party_flag_ship) ? is_water_terrain(kind) : is_land_terrain(kind);
}

void turn(float& x, float& y, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  const float nx = x * c - y * s;
  y = x * s + y * c;
  x = nx;
}

}  // namespace

float get_party_relation(const campaign_state& game, const party& a, const party& b) {
  if (a.id == b.id) return 1.0f;
  return game.world.faction_relation(a.faction, b.faction);
}

float get_seeing_range(const travel_context& travel, const party& p) {
  const float skill = static_cast<float>(p.get_skill_level(travel.game, skill_spotting));
  float range = (1.0f + 0.1f * skill) * g_module_settings.seeing_range_multiplier;
  if (travel.night) range *= 0.5f;
  return range;
}

int find_seen_parties(const travel_context& travel, const party& p, std::int32_t* ids, int max) {
  const campaign_state& game = travel.game;
  const float range = get_seeing_range(travel, p);
  const bool resting = game.rest_time > 0.0f && game.rest_flag != 0;
  int count = 0;
  const party_pool& pool = game.parties;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id() && count < max;
       id = pool.next_active_party(id)) {
    const party* q = pool.find_active(id);
    if (q == nullptr || q->attached_to >= 0 || (q->flags & party_flags_invisible_to_ai) != 0 || q->id == p.id)
      continue;
    if (on_land(*q) != on_land(p)) continue;
    if (q->id == game.player_party && resting) continue;
    if (q->flags & party_flag_fixed_place) continue;
    if (q->map_event >= 0) {
      const map_event* e = game.events.get(q->map_event);
      if (e != nullptr && e->state != 0) {
        const party* second = game.find_party(e->side_parties[1]);
        if (second != nullptr && (second->flags & party_flag_fixed_place)) continue;
      }
    }
    if (q->current_behaviour == behaviour::arrived) continue;
    const float d = (q->position - p.position).length();
    if (d >= range || q->get_visibility_factor(game) * range <= d) continue;
    g_script_state.trigger_result = 1;
    call_game_script(game_hook_code::game_check_party_sees_party, p.id, q->id);
    if (g_script_state.trigger_result != 0) ids[count++] = q->id;
  }
  return count;
}

ai_choice decide_party_behaviour(travel_context& travel, party& p) {
  ai_choice choice;
  campaign_state& game = travel.game;
  if (p.current_behaviour == behaviour::in_battle || p.current_behaviour == behaviour::arrived || p.map_event >= 0 ||
      (p.flags & party_flag_fixed_place))
    return choice;
  std::int32_t seen[max_seen_parties];
  const int count = find_seen_parties(travel, p, seen, max_seen_parties);
  const float strength = game.get_party_strength(p.id);
  float allies = strength + 0.1f;
  float enemies = 0.0f;
  refresh_speed_multiplier(p);
  struct seen_party {
    const party* q;
    float rel;
    float str;
    float opp;
    bool joinable;
    bool in_event;
  };
  seen_party info[max_seen_parties];
  for (int i = 0; i < count; ++i) {
    const party* q = game.find_party(seen[i]);
    seen_party& s = info[i];
    s = {q, get_party_relation(game, p, *q), game.get_party_strength(q->id), 0.0f, true, false};
    const map_event* e = q->map_event >= 0 ? game.events.get(q->map_event) : nullptr;
    if (e != nullptr && e->state != 0) {
      s.in_event = true;
      const std::int32_t other = e->side_parties[0] == q->id ? e->side_parties[1] : e->side_parties[0];
      if (const party* o = game.find_party(other)) {
        s.opp = game.get_party_strength(o->id);
        s.joinable = game.world.faction_relation(o->faction, p.faction) >= 0.0f;
      }
    } else {
      if (s.rel < -0.01f) enemies += s.str;
      if (s.rel > 0.01f) allies += s.str;
    }
  }
  const float odds = enemies > 0.0f ? allies / enemies : 1e30f;
  const int courage = courage_of(p);
  const float cf = courage == 0 ? 1.0f : static_cast<float>(courage) * 0.125f;
  const float v = speed_of(p);
  const float g = static_cast<float>(aggressiveness_of(p));
  float best_overall = -10.0f;
  for (int i = 0; i < count; ++i) {
    const seen_party& s = info[i];
    const party& q = *s.q;
    float best = 0.0f;
    std::int32_t code = -1;
    const float eff = std::max(s.str - 0.9f * s.opp, 1.0f);
    const float fr = std::clamp(cf * (strength / eff) * odds, 0.2f, 5.0f);
    float dx = q.position.x - p.position.x;
    float dy = q.position.y - p.position.y;
    const float dist = std::sqrt(dx * dx + dy * dy);
    if (dist > 0.0f) {
      dx /= dist;
      dy /= dist;
    } else {
      dx = 0.0f;
      dy = 1.0f;
    }
    const float closeness = dist > 0.0f ? std::clamp(3.0f / dist, 0.6f, 2.0f) : 2.0f;
    // A party that cannot move is as slow as can be.
    const float q_speed = speed_of(q);
    const float sr = q_speed > 0.0f ? std::clamp(v / q_speed, 0.5f, 1.1f) : 1.1f;
    float attack = -s.rel * g * sr * closeness * fr * 0.125f;
    if (s.rel < 0.0f) {
      if (bait_seeking(p))
        attack = std::max(attack, sr * q.bait_value * closeness * fr);
      else
        attack = std::max(attack, 0.0f);
    }
    if (3.0f * s.str < s.opp) attack = 2.0f * (s.str / s.opp) * attack;
    if (fr < 1.0f / cf || !s.joinable)
      attack = 0.0f;
    else if (q.id == game.player_party && p.attack_delay_timer.elapsed() < 0.0f)
      attack = 0.0f;
    if (q_speed > v + 0.05f && attack > 0.01f && !s.in_event) {
      const float hx = -std::sin(q.heading);
      const float hy = std::cos(q.heading);
      if (hx * dx + hy * dy > 0.8f) attack *= 0.1f;
    }
    if (attack > best) {
      best = attack;
      code = behaviour::attack;
    }
    if (s.rel < -0.01f && fr < 1.0f && aggressiveness_of(q) != 0 && !(q.flags & party_flag_fixed_place) &&
        !s.in_event && q.attached_to < 0) {
      const float flee = (1.0f - s.rel) * closeness / (fr * fr) - 1.0f;
      if (flee > best) {
        best = flee;
        code = behaviour::flee;
      }
    }
    if (code >= 0 && best > best_overall) {
      best_overall = best;
      choice.code = code;
      choice.target = q.id;
      choice.score = best;
    }
  }
  choice.threshold = 0.15f + 0.05f * random_unit_float();
  if (choice.code >= 0 && choice.score * p.ai_score_factor >= choice.threshold &&
      !(p.flags & party_flag_scripted_only)) {
    p.current_behaviour = choice.code;
    p.current_target = choice.target;
  } else if (p.scripted_behaviour == behaviour::attack && !valid_attack_target(game, p.scripted_target)) {
    if (choice.code >= 0) {
      p.current_behaviour = choice.code;
      p.current_target = choice.target;
    } else {
      p.current_behaviour = behaviour::patrol_point;
      p.current_position_target[0] = p.position.x;
      p.current_position_target[1] = p.position.y;
    }
  } else {
    p.current_behaviour = p.scripted_behaviour;
    p.current_target = p.scripted_target;
    p.current_position_target[0] = p.scripted_position[0];
    p.current_position_target[1] = p.scripted_position[1];
    if ((p.current_behaviour == behaviour::patrol_point || p.current_behaviour == behaviour::patrol_party) &&
        random_unit_float() < 0.25f)
      p.current_behaviour = behaviour::hold;
  }
  apply_behaviour(travel, p);
  return choice;
}

void apply_behaviour(travel_context& travel, party& p) {
  campaign_state& game = travel.game;
  switch (p.current_behaviour) {
    case behaviour::board_ship:
      if (const map_event* e = game.events.get(p.current_target); e != nullptr && e->state != 0) {
        const int face = e->land_face >= 0 ? e->land_face : travel.map.find_face_at(e->land_position[0], e->land_position[1]);
        set_move_target(travel, p, e->land_position[0], e->land_position[1], face);
      }
      break;
    case behaviour::go_to_point:
      move_to_point(travel, p, p.current_position_target[0], p.current_position_target[1]);
      break;
    case behaviour::go_to_party:
    case behaviour::attack:
      if (const party* t = game.find_party(p.current_target)) {
        if (t->flags & party_flag_fixed_place)
          set_move_target(travel, p, t->position.x, t->position.y, t->map_face);
        else
          follow_party(travel, p, t->id);
      }
      break;
    default:
      break;
  }
  p.steering_interval = 0.0f;
}

void steer_party(travel_context& travel, party& p) {
  campaign_state& game = travel.game;
  const float speed = party_speed(travel, p);
  switch (p.current_behaviour) {
    case behaviour::hold:
    case behaviour::in_battle:
    case behaviour::arrived:
      clear_movement(p);
      return;
    case behaviour::patrol_point:
    case behaviour::patrol_party: {
      p.wander_timer.reset();
      float cx = p.current_position_target[0];
      float cy = p.current_position_target[1];
      if (p.current_behaviour == behaviour::patrol_party) {
        if (const party* t = game.find_party(p.current_target)) {
          cx = t->position.x;
          cy = t->position.y;
        }
      }
      for (int attempt = 0; attempt < 7; ++attempt) {
        float dx = p.move_direction[0];
        float dy = p.move_direction[1];
        turn(dx, dy, (random_unit_float() - 0.5f) * 0.6f * std::numbers::pi_v<float>);
        const float length = static_cast<float>(random_next() % 15817) * 0.00012644623f + 1.0f;
        float x = p.position.x + dx * speed * length;
        float y = p.position.y + dy * speed * length;
        const float pull = random_unit_float() / std::max(p.home_pull, 1e-3f);
        x += (cx - p.position.x) * pull;
        y += (cy - p.position.y) * pull;
        if (good_steering_point(travel, p, x, y)) {
          set_move_target(travel, p, x, y, travel.map.find_face_at(x, y));
          return;
        }
      }
      clear_movement(p);
      return;
    }
    case behaviour::go_to_point: {
      const float dx = p.current_position_target[0] - p.position.x;
      const float dy = p.current_position_target[1] - p.position.y;
      if (dx * dx + dy * dy < 0.0001f) p.current_behaviour = behaviour::hold;
      return;
    }
    case behaviour::go_to_party:
    case behaviour::attack: {
      const party* t = game.find_party(p.current_target);
      if (t == nullptr) {
        p.current_behaviour = behaviour::hold;
        return;
      }
      if (!(t->flags & party_flag_fixed_place)) follow_party(travel, p, t->id);
      return;
    }
    case behaviour::accompany:
      if (game.find_party(p.current_target) != nullptr)
        accompany_party(travel, p, p.current_target);
      else
        p.current_behaviour = behaviour::hold;
      return;
    case behaviour::flee:
    case behaviour::flee_urgent: {
      const party* t = game.find_party(p.current_target);
      if (t == nullptr) {
        p.current_behaviour = behaviour::hold;
        return;
      }
      float tx = t->position.x - p.position.x;
      float ty = t->position.y - p.position.y;
      const float tl = std::sqrt(tx * tx + ty * ty);
      if (tl > 0.0f) {
        tx /= tl;
        ty /= tl;
      }
      float fx = 0.85f * p.move_direction[0] - tx;
      float fy = 0.85f * p.move_direction[1] - ty;
      if (fx * fx + fy * fy < 1e-13f) {
        fx = 1.0f;
        fy = 0.0f;
      }
      const float fl = std::sqrt(fx * fx + fy * fy);
      fx /= fl;
      fy /= fl;
      float spread = 0.6f;
      for (int attempt = 0; attempt < 7; ++attempt, spread += 0.4f) {
        float dx = fx;
        float dy = fy;
        turn(dx, dy, (random_unit_float() - 0.5f) * spread);
        const float reach = (2.0f * p.ai_interval + 0.5f) * speed * 2.0f;
        const float x = p.position.x + dx * reach;
        const float y = p.position.y + dy * reach;
        if (good_steering_point(travel, p, x, y)) {
          set_move_target(travel, p, x, y, travel.map.find_face_at(x, y));
          return;
        }
      }
      clear_movement(p);
      return;
    }
    default:
      return;
  }
}

}  // namespace hm
