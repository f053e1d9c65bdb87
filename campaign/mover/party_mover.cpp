#include "campaign/mover/party_mover.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "campaign/ai/party_ai.h"
#include "script/game_hooks.h"

namespace hm {

namespace {

constexpr int terrain_no_landing = 15;

float wrap_angle(float a) {
  const float two_pi = 2.0f * std::numbers::pi_v<float>;
  a = std::fmod(a, two_pi);
  if (a < 0.0f) a += two_pi;
  return a;
}

float distance(const vec3& a, const vec3& b) { return (a - b).length(); }

}  // namespace

void set_track_frame(const world_map& map, map_track& t) {
  t.placement = frame::identity();
  t.placement.origin = t.position;
  const int face = map.find_face_at(t.position.x, t.position.y);
  if (face < 0) return;
  const map_face& f = map.faces[static_cast<std::size_t>(face)];
  t.placement.origin.z = map.height_at(face, t.position.x, t.position.y) + 0.01f;
  vec3 up = f.normal;
  vec3 forward(-std::sin(t.heading), std::cos(t.heading), 0.0f);
  vec3 side = cross_product(forward, up);
  side.normalize();
  forward = cross_product(up, side);
  forward.normalize();
  const float scale = std::min(0.5f + 0.01f * static_cast<float>(t.word & 0xFF), 2.5f);
  t.placement.rot.s = side * scale;
  t.placement.rot.f = forward * scale;
  t.placement.rot.u = up * scale;
}

void campaign_world_map::bind(campaign_state& game) { travel = std::make_unique<travel_context>(game, map); }

void campaign_world_map::create_map_entity(party& p) {
  if (!has_map() || !travel) {
    p.map_face = 0;
    p.terrain = terrain_steppe;
    return;
  }
  place_party_on_map(*travel, p);
}

void campaign_world_map::remove_map_entity(party& p) { p.map_entity = nullptr; }

int campaign_world_map::find_map_face(float x, float y) const {
  if (!has_map()) return 0;
  return map.find_face_at(x, y);
}

bool campaign_world_map::map_faces_are_linked(int face_a, int face_b) const {
  if (!has_map()) return face_a >= 0 && face_a == face_b;
  return map.faces_are_linked(face_a, face_b);
}

int campaign_world_map::map_face_terrain(int face) const {
  if (!has_map()) return terrain_steppe;
  return map.valid_face(face) ? map.faces[static_cast<std::size_t>(face)].terrain : 0;
}

int campaign_world_map::add_party_particle_system(party&, int) { return -1; }

void campaign_world_map::clear_party_particle_systems(party& p) { p.particle_systems.clear(); }

void campaign_world_map::add_track(const party& p, const vec3& position, float heading) {
  party_troop_totals totals;
  travel->game.count_party_troops_with_attached(p.id, totals);
  map_track t;
  t.position = position;
  t.heading = heading;
  const std::uint32_t troops = static_cast<std::uint32_t>(totals.members + totals.prisoners) & 0xFF;
  const std::uint32_t templ = p.template_index < 0 ? 255u : static_cast<std::uint32_t>(p.template_index) & 0xFF;
  t.word = troops | templ << 8 | (static_cast<std::uint32_t>(random_next()) & 15u) << 16;
  set_track_frame(map, t);
  tracks.push_back(t);
}

void campaign_world_map::move_parties(float dt) {
  if (!travel) return;
  party_pool& pool = travel->game.parties;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    if (party* p = pool.find_active(id)) move_party(*p, dt);
  }
}

void campaign_world_map::move_party(party& p, float dt) {
  if (!travel || !has_map()) return;
  travel_context& t = *travel;
  campaign_state& game = t.game;
  const bool player = t.is_player(p);
  p.moving = 0;
  const bool resting = game.rest_time > 0.0f && game.rest_flag != 0;
  if ((p.flags & party_flag_hidden) || (player && resting) || p.attached_to >= 0) return;
  if (p.map_face < 0) return;

  if (!(p.flags & party_flag_fixed_place)) {
    if (!player && p.ai_timer.elapsed() >= p.ai_interval) {
      p.blocked = 0;
      decide_party_behaviour(t, p);
      p.ai_timer.reset();
      p.ai_interval = 0.25f + 0.15f * random_unit_float();
      if (p.current_behaviour == behaviour::flee_urgent) p.ai_interval *= 0.1f;
      p.steering_interval = 0.0f;
    }
    if (p.steering_timer.elapsed() > p.steering_interval) {
      steer_party(t, p);
      p.path_timer.set_elapsed(0.1f);
      p.steering_timer.reset();
      p.steering_interval = (random_unit_float() + 1.0f) * 0.1f;
      if (p.repath_patience < 5.0f) p.repath_patience += 0.5f;
    }
    if (player || p.path_timer.elapsed() > 0.05f) {
      update_path(t, p);
      p.path_timer.reset();
    }
    if (p.movement_mode == movement_follow && !p.path_valid) {
      if (const party* f = game.find_party(p.target_party)) {
        p.waypoint[0] = f->position.x;
        p.waypoint[1] = f->position.y;
      }
    }
  }
  if (p.current_behaviour == behaviour::arrived) return;
  if (p.changed) refresh_changed_speed(game, p);

  // The straight move towards the waypoint.
  float dx = p.waypoint[0] - p.position.x;
  float dy = p.waypoint[1] - p.position.y;
  const float len = std::sqrt(dx * dx + dy * dy);
  if (len > 0.0f) {
    dx /= len;
    dy /= len;
  } else {
    dx = 0.0f;
    dy = 1.0f;
  }
  const float step = party_speed(t, p) * dt;
  float to_go = len;
  if (p.movement_mode == movement_follow && !p.path_valid) to_go = len - 1.2f * p.radius;
  const float move = std::min(step, to_go);
  if (to_go > 0.0f && move > 0.0f) {
    p.move_direction[0] = dx;
    p.move_direction[1] = dy;
    const float want = wrap_angle(std::atan2(-(dx - p.heading_bias[0]), dy - p.heading_bias[1]));
    float diff = want - wrap_angle(p.heading);
    const float pi = std::numbers::pi_v<float>;
    while (diff > pi) diff -= 2.0f * pi;
    while (diff <= -pi) diff += 2.0f * pi;
    p.heading += std::min(dt * 50.0f, 1.0f) * diff;
    const float cx = p.position.x + move * dx;
    const float cy = p.position.y + move * dy;
    const int face = t.map.find_face_at(cx, cy);
    bool take = face >= 0;
    if (take) {
      const int kind = t.map.faces[static_cast<std::size_t>(face)].terrain;
      const bool ship = (p.flags & party_flag_ship) != 0;
      bool test_link = true;
      if (ship) {
        if (is_water_terrain(kind)) {
          test_link = false;
        } else if (player && kind != terrain_no_landing && t.landing_timer.elapsed() > 0.05f) {
          t.landing_position[0] = cx;
          t.landing_position[1] = cy;
          call_game_script(game_hook_code::game_on_disembark, p.id, 0);
          ++disembarks;
          t.landing_timer.reset();
          clear_movement(p);
        }
      }
      if (test_link && !t.map.faces_are_linked(face, p.map_face)) {
        p.repath_patience = 0.0f;
        if (!p.blocked) p.replan = 1;
        take = false;
      }
    }
    if (take) {
      p.position.x = cx;
      p.position.y = cy;
      p.map_face = face;
      p.terrain = t.map.faces[static_cast<std::size_t>(face)].terrain;
      p.position.z = t.map.height_at(face, cx, cy);
      p.moving = 1;
    }
  }

  // Contact.
  if (p.current_behaviour == behaviour::attack && dt > 0.0f) {
    party* target = game.find_party(p.current_target);
    if (target != nullptr && !(target->flags & party_flag_hidden) &&
        target->current_behaviour != behaviour::arrived &&
        distance(p.position, target->position) < p.radius + target->radius) {
      // The player's party meeting a party that attacks it is the one met.
      std::int32_t a = p.id;
      std::int32_t b = target->id;
      if (player && !(target->flags & party_flag_fixed_place) && target->map_event < 0 &&
          target->current_behaviour == behaviour::attack && target->current_target == p.id)
        std::swap(a, b);
      if (game.engage_party(a, b, encounter)) ++engagements;
      clear_movement(p);
      clear_movement(*target);
    }
  } else if (p.current_behaviour == behaviour::board_ship) {
    map_event* e = game.events.get(p.current_target);
    if (e != nullptr && e->state != 0) {
      const float ex = e->land_position[0] - p.position.x;
      const float ey = e->land_position[1] - p.position.y;
      if (std::sqrt(ex * ex + ey * ey) < e->radius + p.radius) {
        p.position = vec3(e->position[0], e->position[1], e->height);
        p.map_face = e->face >= 0 ? e->face : t.map.find_face_at(e->position[0], e->position[1]);
        if (p.map_face >= 0) p.terrain = t.map.faces[static_cast<std::size_t>(p.map_face)].terrain;
        p.flags |= party_flag_ship;
        game.events.release(e->slot);
        p.current_behaviour = behaviour::hold;
        clear_movement(p);
        p.mark_changed();
      }
    }
  } else if (p.current_behaviour == behaviour::go_to_party) {
    const party* target = game.find_party(p.current_target);
    if (target != nullptr && distance(p.position, target->position) < p.radius + target->radius) {
      p.current_behaviour = behaviour::arrived;
      clear_movement(p);
    }
  }

  // Tracks.
  if (distance(p.position, p.last_track_position) > p.next_track_distance && !(p.flags & party_flag_ship) &&
      p.terrain != terrain_bridge) {
    const vec3 mid = (p.position + p.last_track_position) * 0.5f;
    const float tx = p.position.x - p.last_track_position.x;
    const float ty = p.position.y - p.last_track_position.y;
    add_track(p, mid, std::atan2(-tx, ty));
    p.last_track_position = p.position;
    p.next_track_distance = 0.5f + 0.7f * (random_unit_float() + random_unit_float());
  }
}

}  // namespace hm
