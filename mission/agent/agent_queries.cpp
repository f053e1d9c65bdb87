#include "mission/agent/agent_queries.h"

#include <algorithm>
#include <cmath>

#include "engine/collision/face.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/loading/game.h"
#include "module/records/action_table.h"
#include "module/text/translation_table.h"
#include "script/script_host.h"

namespace hm {

namespace {

constexpr float pi = 3.14159265f;
constexpr int riding_skill = 24;
constexpr int shield_skill = 26;
constexpr std::uint32_t item_flag_two_hands_penalty = 0x200000;

bool is_ammunition(int type) {
  return type == item_type::arrows || type == item_type::bolts || type == item_type::thrown ||
         type == item_type::bullets;
}

bool in_team_table(int team) { return team >= 0 && team < team_count; }

int relation_between(const mission& m, const agent& a, const agent& b) {
  if (!in_team_table(a.team) || !in_team_table(b.team)) return team_relation_neutral;
  return m.team_relation(a.team, b.team);
}

const troop* troop_of(const agent& a) { return g_game != nullptr ? g_game->find_troop(a.troop) : nullptr; }

}  // namespace

// --- random draws -------------------------------------------------------------------

float mission_random_unit(mission& m) {
  return static_cast<float>(m.services().random_next() % 15817) * random_fraction_scale;
}

int random_int_below(mission& m, int n) { return n < 2 ? 0 : m.services().random_next() % n; }

vec3 random_direction_in_cone(mission& m, const frame& direction_frame, float spread) {
  const float tilt = 2.0f * (mission_random_unit(m) - 0.5f) * spread;
  const float turn = static_cast<float>(m.services().random_next() % 15817) * 0.00039724255f;
  const rotation& r = direction_frame.rot;
  const vec3 across = r.u * std::cos(turn) + r.s * std::sin(turn);
  return r.f * std::cos(tilt) + across * std::sin(tilt);
}

// --- numbers, angles and the hour ---------------------------------------------------

int round_to_int(float value) {
  const float whole = std::floor(value);
  return static_cast<int>(whole) + (value - whole > 0.5f ? 1 : 0);
}

std::uint32_t hash_string(std::string_view s) { return static_cast<std::uint32_t>(translation_bucket(s)); }

float closer_angle(float a, float b, float c) {
  const auto circle_distance = [](float x, float y) {
    float d = std::fabs(x - y);
    d = std::fmod(d, 2.0f * pi);
    return d > pi ? 2.0f * pi - d : d;
  };
  return circle_distance(a, b) < circle_distance(a, c) ? b : c;
}

vec3 reflect_velocity_on_plane(vec3& velocity, const vec3& normal) {
  const vec3 before = velocity;
  const float k = std::max(0.0f, -dot_product(velocity, normal));
  velocity += normal * k;
  if (k > 0.0f) velocity *= 1.0f - 0.4f * k;
  return before - velocity;
}

bool box_contains_point(const vec3& box_min, const vec3& box_max, const vec3& p) {
  return box_min.x <= p.x && p.x <= box_max.x && box_min.y <= p.y && p.y <= box_max.y && box_min.z <= p.z &&
         p.z <= box_max.z;
}

float get_hour_of_day() {
  return static_cast<float>(std::fmod(static_cast<double>(clock_ticks(clock_campaign)) * 1e-5, 24.0));
}

bool is_daytime() {
  const float hour = get_hour_of_day();
  return hour >= 4.0f && hour < 20.0f;
}

bool is_night() { return !is_daytime(); }

void deadline_timer::arm(float seconds) {
  if (armed != 0) return;
  deadline.start_ticks = clock_ticks(deadline.clock_id) + static_cast<std::int64_t>(seconds * 100000.0f);
  armed = 1;
}

bool deadline_timer::poll() {
  if (armed == 0 || deadline.elapsed() < 0.0f) return false;
  armed = 0;
  return true;
}

// --- teams and reach ----------------------------------------------------------------

bool teams_are_enemies(const mission& m, const agent& a, const agent& b) {
  return relation_between(m, a, b) == team_relation_enemy;
}

bool teams_are_allies(const mission& m, const agent& a, const agent& b) {
  return relation_between(m, a, b) == team_relation_ally;
}

bool teams_not_enemies(const mission& m, const agent& a, const agent& b) {
  return relation_between(m, a, b) == team_relation_neutral;
}

int get_team_leader(const mission& m, const agent& a) { return m.team_of(a.team).leader; }

void apply_template_team_mode(mission& m, agent& a) {
  if (!m.template_has_flag_bit1()) return;
  for (int u = 0; u < team_count; ++u) {
    if (m.team_relation(a.team, u) != team_relation_enemy) continue;
    const team& enemy = m.teams[static_cast<std::size_t>(u)];
    if (enemy.spawn_counters[0] > 0 || enemy.spawn_counters[1] > 0) {
      a.ai.mode = 12;
      a.ai.formation_word = 0;
      return;
    }
  }
}

float get_use_distance(const agent& a) { return a.mount >= 0 ? 2.4f : 1.5f; }

// --- equipment ----------------------------------------------------------------------

item get_wielded_item(const agent& a, int hand) {
  if (hand < 0 || hand > 1 || (hand == 1 && a.hand1_unavailable != 0)) return item{};
  const int slot = a.wielded_slots[static_cast<std::size_t>(hand)];
  if (slot < 0 || slot >= agent_equipment_slot_count) return item{};
  return a.equipment[static_cast<std::size_t>(slot)];
}

float get_equipment_weight(const agent& a) {
  float total = 0.0f;
  for (int slot = 0; slot < agent_slot_horse; ++slot) {
    const item& it = a.equipment[static_cast<std::size_t>(slot)];
    const item_kind* kind = it.get_kind();
    if (kind == nullptr) continue;
    if (is_ammunition(kind->type())) {
      // A kind without shots weighs nothing rather than dividing by zero.
      const int full = it.get_max_ammo();
      if (full > 0) total += kind->weight * static_cast<float>(it.get_remaining_ammo()) / static_cast<float>(full);
    } else if (kind->type() == item_type::shield && it.hit_points() == 0) {
      continue;
    } else {
      total += kind->weight;
    }
  }
  return total;
}

int get_ammunition(const agent& a) {
  int total = 0;
  for (int slot = 0; slot < agent_weapon_slot_count; ++slot) {
    const item& it = a.equipment[static_cast<std::size_t>(slot)];
    const item_kind* kind = it.get_kind();
    if (kind != nullptr && is_ammunition(kind->type())) total += it.get_remaining_ammo();
  }
  return total;
}

void refill_ammo(agent& a) {
  for (int slot = 0; slot < agent_weapon_slot_count; ++slot) {
    item& it = a.equipment[static_cast<std::size_t>(slot)];
    const item_kind* kind = it.get_kind();
    if (it.kind > 0 && kind != nullptr && is_ammunition(kind->type())) it.word &= ~0xFFu;
  }
}

item find_shield_slot(const agent& a) {
  for (int slot = agent_weapon_slot_count - 1; slot >= 0; --slot) {
    if (slot == a.wielded_slots[1] && a.two_hands == 0) continue;
    const item& it = a.equipment[static_cast<std::size_t>(slot)];
    const item_kind* kind = it.get_kind();
    if (kind != nullptr && kind->type() == item_type::shield && it.hit_points() > 10) return it;
  }
  return item{};
}

void get_shield_hit_points(const agent& a, int slot, int& hit_points, int& maximum) {
  hit_points = -1;
  maximum = -1;
  if (slot == -1) slot = a.wielded_slots[1];
  if (slot < 0 || slot >= agent_weapon_slot_count) return;
  const item& it = a.equipment[static_cast<std::size_t>(slot)];
  const item_kind* kind = it.get_kind();
  if (kind == nullptr || kind->type() != item_type::shield) return;
  hit_points = it.hit_points();
  maximum = it.get_max_hit_points();
}

// --- body and movement --------------------------------------------------------------

agent_capsule get_collision_capsule(const agent& a) {
  agent_capsule c;
  if (a.is_horse()) {
    c = agent_capsule{vec3(0.0f, -0.3f, 1.05f), vec3(0.0f, 0.67f, 1.15f), 0.4f};
  } else {
    const float h = a.height_factor;
    const vec3& o = a.body_offset;
    const float top = a.mount >= 0 ? 1.5f * h : 0.95f * h;
    c = agent_capsule{vec3(-o.x, -o.y, top - o.z - 0.2f * h), vec3(-o.x, -o.y, top - o.z + 0.5f * h), 0.37f};
  }
  const auto lift = [&c](float low, float high, float radius) {
    c.a.z = low;
    c.b.z = high;
    c.radius = radius;
  };
  if (a.capsule_lifted != 0) lift(2.0f, 2.1f, 0.01f);
  if (!a.is_horse() && a.presence != agent_presence_active) lift(4.0f, 4.1f, 0.001f);
  if (a.is_horse() && a.state != agent_state_alive) lift(5.0f, 5.1f, 0.001f);
  return c;
}

// The body turns about the vertical only and stays upright. The wanted
// direction is an aim and carries a pitch (up at a rider's head, down at a
// short man); turned with it, the frame tilted a little on every turn and,
// rebuilt each time from its own tilted up axis, rolled over in a long fight
// until the body lay on its side or upside down, with its weapon and its hit
// capsules under the ground.
void limit_turn(agent& a, bool is_player, float dt) {
  const vec3 aim = a.input.direction_vec3();
  const vec3 wanted(aim.x, aim.y, 0.0f);
  vec3 facing(a.body_frame.rot.f.x, a.body_frame.rot.f.y, 0.0f);
  if (!(facing.length() > 1e-6f)) facing = wanted;
  if (!(facing.length() > 1e-6f)) return;
  facing.normalize();
  const float k = (is_player ? 6.0f : 3.0f) + 5.0f * std::max(0.0f, dot_product(facing, wanted));
  facing += wanted * (k * dt);
  if (!(facing.length() > 1e-6f)) return;
  facing.normalize();
  a.body_frame.rot.f = facing;
  a.body_frame.rot.u = vec3(0.0f, 0.0f, 1.0f);
  a.body_frame.rot.s = cross_product(facing, a.body_frame.rot.u);
}

float get_weight_speed_factor(const agent& a) {
  if (a.is_horse()) return 1.0f;
  const troop* t = troop_of(a);
  const float strength = t != nullptr ? static_cast<float>(std::max(t->strength(), 0)) : 0.0f;
  const float f = 1.0f - a.equipment_weight * 0.11f / (strength + 9.0f);
  return f < 0.0f ? 0.0f : f;
}

float get_weapon_speed_factor(const mission& m, const agent& a, int hand, int combat_speed) {
  const item it = get_wielded_item(a, hand);
  const item_kind* kind = it.get_kind();
  if (kind == nullptr) return 1.0f;
  // A weapon without a speed rating would stop every action it times.
  const int rating = it.get_speed_rating();
  if (rating <= 0) return 1.0f;
  float f = static_cast<float>(rating) * 0.01f;
  const int type = kind->type();
  const bool left_hand_busy = get_wielded_item(a, 1).get_kind() != nullptr;
  const troop* t = troop_of(a);
  if (type == item_type::one_handed || type == item_type::two_handed || type == item_type::polearm ||
      type == item_type::bow || type == item_type::crossbow || type == item_type::thrown ||
      type == item_type::pistol || type == item_type::musket) {
    const int weapon_class = item::get_weapon_class(it.kind, left_hand_busy ? 1 : 0);
    const float p = t != nullptr ? std::trunc(static_cast<float>(t->get_proficiency(weapon_class))) : 0.0f;
    const float k = type == item_type::bow ? 0.11f : 0.07f;
    f *= (1.0f - k) + p * 0.01f * k;
  }
  if ((type == item_type::two_handed || type == item_type::polearm) && (left_hand_busy || a.mount >= 0)) {
    f -= 0.15f;
    if ((kind->flags & item_flag_two_hands_penalty) != 0) f -= 0.05f;
  }
  const bool is_player = a.index == m.player_agent;
  const float c = static_cast<float>(combat_speed);
  const float speed_scale = 0.07f * c + 0.93f;
  if (type == item_type::shield) {
    const int skill = t != nullptr ? current_script_host().module->troop_effective_skill_level(a.troop, shield_skill) : 0;
    f *= 1.0f + 0.25f * static_cast<float>(skill);
    // The player's shield takes the same combat-speed scale as everyone's.
    if (!is_player || combat_speed > 1) f *= speed_scale;
  } else if (type == item_type::one_handed || type == item_type::two_handed || type == item_type::polearm) {
    if (!is_player || combat_speed > 1) f *= speed_scale;
  }
  return f;
}

void update_lean_angle(agent& horse, float dt) {
  if (!horse.is_horse() || horse.ground_face == nullptr) return;
  const vec3 normal = horse.ground_face->normal;
  const vec3 side = cross_product(horse.forward(), normal);
  vec3 along = cross_product(normal, side);
  along.normalize();
  const float target = std::asin(std::clamp(along.z, -1.0f, 1.0f));
  horse.lean += (target - horse.lean) * dt * 8.0f;
}

bool is_starting_action_72(const agent& a) { return a.channels[1].action == 72 && a.channels[1].progress > 0.1f; }

void clear_ai_order_words(agent& a) { a.ai.order_words.fill(0); }

// --- aiming and attacks -------------------------------------------------------------

float compute_aim_elevation(float v, float q, float h) {
  if (!(v > 0.0f)) return 0.0f;
  const float v2 = v * v;
  float e = 5.1f * q / std::pow(v, 1.95f) + (h > 0.0f ? h / v2 : 0.2f * h / v2);
  if (e > 1.0f) e = 1.0f;
  if (h <= 0.0f && e < 0.0f) e = 0.0f;
  return e;
}

vec3 vec2_rotate(const vec3& d, float angle, const vec3& w) {
  const float cs = std::cos(angle);
  const float sn = std::sin(angle);
  vec3 turned(d.x * cs - d.y * sn, d.x * sn + d.y * cs, 0.0f);
  vec2_normalize(turned);
  const float length = std::sqrt(w.x * w.x + w.y * w.y);
  return vec3(turned.x * length, turned.y * length, w.z);
}

float vec2_normalize(vec3& v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y);
  if (!(length > 0.0f)) {
    v.x = 0.0f;
    v.y = 1.0f;
    return 0.0f;
  }
  v.x /= length;
  v.y /= length;
  return length;
}

weapon_action_set get_weapon_action_set(const agent& a, int hand, int direction) {
  const auto triple = [](int first, int mode = 0) { return weapon_action_set{first, first + 1, first + 2, mode}; };
  const item it = get_wielded_item(a, hand);
  const item_kind* kind = it.get_kind();
  if (kind == nullptr) {
    switch (direction) {
      case 0:
        return triple(148);
      case 2:
        return triple(142);
      case 3:
        return triple(145);
      default:
        return triple(139);
    }
  }
  const std::uint64_t caps = kind->capabilities;
  const auto has = [caps](std::uint64_t bit) { return (caps & bit) != 0; };
  if (a.mount >= 0) {
    switch (direction) {
      case 0:
        if (has(0x1)) return triple(166, 2);
        if (has(0x4000000)) return triple(169, 2);
        break;
      case 1:
        if (has(0x800000)) return triple(181);
        break;
      case 2:
        if (has(0x1000000)) return triple(184);
        break;
      case 3:
        if (has(0x2)) return triple(178, 1);
        break;
      default:
        break;
    }
    return weapon_action_set{};
  }
  const bool shieldless = get_wielded_item(a, 1).get_kind() == nullptr || a.two_hands != 0;
  switch (direction) {
    case 0:
      if (has(0x10) && shieldless) return triple(160);
      if (has(0x100) && shieldless) return triple(190);
      if (has(0x1)) return triple(166);
      if (has(0x4000000)) return triple(169);
      break;
    case 1:
      if (has(0x40) && shieldless) return triple(154);
      if (has(0x400) && shieldless) return triple(196);
      if (has(0x4)) return triple(172);
      break;
    case 2:
      if (has(0x80) && shieldless) return triple(157);
      if (has(0x800) && shieldless) return triple(193);
      if (has(0x8)) return triple(175);
      break;
    case 3:
      if (has(0x20) && shieldless) return triple(163);
      if (has(0x200) && shieldless) return triple(187);
      if (has(0x2)) return triple(178);
      break;
    default:
      break;
  }
  return weapon_action_set{};
}

// --- action variants ----------------------------------------------------------------

std::vector<float> get_variant_weights(const agent& a, const action_table& actions, int action) {
  std::vector<float> weights;
  if (action < 0 || action >= actions.count()) return weights;
  const auto& sequences = actions.actions[static_cast<std::size_t>(action)].sequences;
  std::vector<int> scores;
  scores.reserve(sequences.size());
  int best = -1000;
  for (const action_sequence& v : sequences) {
    int score = 0;
    if ((v.flags & (1u << 24)) != 0) score += (a.variant_flags & 0x4u) != 0 ? 2 : -10;
    if ((v.flags & (1u << 25)) != 0) score += (a.variant_flags & 0x8u) != 0 && a.mount >= 0 ? 2 : -10;
    scores.push_back(score);
    best = std::max(best, score);
  }
  for (int score : scores) weights.push_back(score == best ? 1.0f : 0.0f);
  return weights;
}

int choose_action_variant(mission& m, const agent& a, int channel, const action_table& actions) {
  if (channel < 0 || channel > 1) return -1;
  // The action about to start, or the one playing when nothing new is asked for.
  const action_channel& ch = a.channels[static_cast<std::size_t>(channel)];
  const int action = ch.requested_action != -1 ? ch.requested_action : ch.action;
  const std::vector<float> weights = get_variant_weights(a, actions, action);
  float sum = 0.0f;
  for (float w : weights) sum += w;
  if (!(sum > 0.0f)) return -1;
  const float r = static_cast<float>(m.services().random_next() % 15817) * sum * random_fraction_scale;
  float cumulative = 0.0f;
  for (std::size_t i = 0; i < weights.size(); ++i) {
    cumulative += weights[i];
    // A variant of weight 0 is never chosen, even by a draw of 0.
    if (weights[i] > 0.0f && cumulative >= r) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace hm
