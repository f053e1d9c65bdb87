#include "campaign/movement/party_travel.h"

#include <algorithm>
#include <cmath>

#include "campaign/map/map_navigation.h"
#include "engine/core/log.h"
#include "script/game_hooks.h"
#include "script/script_state.h"

namespace hm {

namespace {

constexpr int skill_riding = 24;
constexpr int skill_athletics = 25;
constexpr int skill_pathfinding = 14;
constexpr int horse_slot = 8;
constexpr int item_type_goods = 11;

float dist2(float ax, float ay, float bx, float by) { return (ax - bx) * (ax - bx) + (ay - by) * (ay - by); }

int capped_skill(const campaign_state& game, int troop, int skill) {
  return std::min(game.world.troop_skill_level(troop, skill), game.world.skill_maximum_level(skill));
}

void invalidate_path(party& p) {
  p.path_valid = 0;
  p.path_goal_face = -1;
}

}  // namespace

float troop_map_speed(const campaign_state& game, int troop) {
  const bool hero = game.is_hero(troop);
  const bool mounted = (game.world.troop_flags(troop) & troop_flag_mounted) != 0;
  if (!hero) {
    if (!mounted) return (static_cast<float>(capped_skill(game, troop, skill_athletics)) * 0.04f + 1.0f) * 6.9f;
    return (static_cast<float>(capped_skill(game, troop, skill_riding)) * 0.04f + 1.2f) * 6.9f;
  }
  const bool has_horse = game.world.troop_inventory_size(troop) > horse_slot &&
                         game.world.troop_inventory_item(troop, horse_slot).kind >= 0;
  if (!has_horse) return (static_cast<float>(capped_skill(game, troop, skill_athletics)) * 0.04f + 1.05f) * 6.9f;
  return (static_cast<float>(capped_skill(game, troop, skill_riding)) * 0.04f + 1.25f) * 6.9f;
}

float compute_base_speed(const campaign_state& game, const party& p) {
  std::int32_t ids[attached_party_limit];
  int count = 0;
  game.collect_attached_party_ids(p.id, ids, count);
  if (count == 0) {
    ids[0] = p.id;
    count = 1;
  }
  double sum = 0.0;
  std::int64_t all = 0;
  std::int64_t members = 0;
  std::int64_t prisoners = 0;
  std::int64_t horses = 0;
  float slowest = 100000.0f;
  float load = static_cast<float>((p.flags2 >> 16) & 0xFF) * 50.0f;
  for (int k = 0; k < count; ++k) {
    const party* q = k == 0 ? &p : game.find_party(ids[k]);
    if (q == nullptr) continue;
    for (int s = 0; s < q->stack_count; ++s) {
      const troop_stack& st = q->stacks[static_cast<std::size_t>(s)];
      if (st.count <= 0 || !game.is_valid_troop(st.troop)) continue;
      const float speed = troop_map_speed(game, st.troop);
      sum += static_cast<double>(st.count) * speed;
      slowest = std::min(slowest, speed);
      all += st.count;
      (st.is_prisoners() ? prisoners : members) += st.count;
      if (!game.is_hero(st.troop)) continue;
      for (int slot = 0; slot < game.world.troop_inventory_size(st.troop); ++slot) {
        const campaign_item item = game.world.troop_inventory_item(st.troop, slot);
        if (item.kind < 0 || item.kind >= game.world.item_kind_count()) continue;
        const int type = game.world.item_kind_type(item.kind);
        if (type == item_type_goods) load += game.world.item_kind_weight(item.kind);
        if (type == item_type_horse) ++horses;
      }
    }
  }
  if (sum <= 0.0 || all <= 0) return 0.0f;
  if (slowest > 10000.0f) slowest = 0.0f;
  const float n = static_cast<float>(all);
  const float skill = static_cast<float>(p.get_skill_level(game, skill_pathfinding));
  const double crowd = static_cast<double>(members + prisoners / 2 + horses / 2 + 16);
  const float base = 2.6f * (0.8f * static_cast<float>(sum) / n + 0.2f * slowest) * (1.0f + 0.03f * skill) *
                     (1.0f - 0.1f * p.hunger) * (1.0f + 0.05f * (p.morale - 0.5f)) /
                     (1.0f + 0.007f * load / (n + 4.0f * static_cast<float>(horses) + 3.0f)) /
                     static_cast<float>(std::log(crowd));
  return std::max(base, 0.0f);
}

void refresh_speed_multiplier(party& p) {
  g_script_state.trigger_result = 100;
  call_game_script(game_hook_code::game_get_party_speed_multiplier, p.id, 0);
  p.speed_multiplier = static_cast<float>(g_script_state.trigger_result) * 0.01f;
}

void refresh_changed_speed(const campaign_state& game, party& p) {
  p.base_speed = compute_base_speed(game, p);
  refresh_speed_multiplier(p);
  p.changed = 0;
  p.label_dirty = 1;
}

float party_speed(const travel_context& travel, const party& p) {
  if (p.flags & party_flag_ship) return 15.0f;
  float speed = p.speed_multiplier * p.base_speed;
  if (p.terrain >= 10 && p.terrain <= 13) speed *= 0.7f;
  if (travel.night) speed *= 0.6f;
  return speed;
}

void place_party_on_map(travel_context& travel, party& p) {
  const int face = travel.map.find_face_at(p.position.x, p.position.y);
  if (face < 0)
    ruv_error("Unable to position party %s at (%2.2f, %2.2f).", p.name.c_str(), static_cast<double>(p.position.x),
              static_cast<double>(p.position.y));
  p.position.z = travel.map.height_at(face, p.position.x, p.position.y);
  p.map_face = face;
  p.terrain = travel.map.faces[static_cast<std::size_t>(face)].terrain;
  p.waypoint[0] = p.position.x;
  p.waypoint[1] = p.position.y;
  p.last_known_target[0] = p.position.x;
  p.last_known_target[1] = p.position.y;
  p.path_goal_face = -1;
  p.repath_patience = 5.0f;
  p.last_track_position = p.position;
}

void check_ship_position(travel_context& travel, map_event& e) {
  const int face = travel.map.find_face_at(e.position[0], e.position[1]);
  e.face = face;
  if (face >= 0) e.height = travel.map.height_at(face, e.position[0], e.position[1]);
  e.simulation_timer.reset();
  if (e.type != 2) return;
  if (face < 0 || !is_water_terrain(travel.map.faces[static_cast<std::size_t>(face)].terrain))
    ruv_warning("Ship position not in water");
  const int land = travel.map.find_face_at(e.land_position[0], e.land_position[1]);
  e.land_face = land;
  if (land < 0 || !is_land_terrain(travel.map.faces[static_cast<std::size_t>(land)].terrain))
    ruv_warning("Ship land position not on land");
}

void set_move_target(travel_context&, party& p, float x, float y, int face) {
  p.movement_mode = movement_to_point;
  p.target_point[0] = x;
  p.target_point[1] = y;
  p.target_face = face;
  if (face != p.path_goal_face) {
    invalidate_path(p);
    p.replan = 1;
  }
}

void move_to_point(travel_context& travel, party& p, float x, float y) {
  set_move_target(travel, p, x, y, travel.map.find_face_at(x, y));
}

void follow_party(travel_context& travel, party& p, std::int32_t target) {
  p.movement_mode = movement_follow;
  p.target_party = target;
  const party* t = travel.game.find_party(target);
  if (t == nullptr) return;
  if (t->map_face != p.path_goal_face) {
    invalidate_path(p);
    if ((t->position - p.position).length() > 3.0f) p.replan = 1;
  }
}

void accompany_party(travel_context& travel, party& p, std::int32_t target) {
  p.movement_mode = movement_accompany;
  p.target_party = target;
  const party* t = travel.game.find_party(target);
  if (t == nullptr) return;
  if (dist2(t->position.x, t->position.y, p.last_known_target[0], p.last_known_target[1]) > 10.0f) {
    invalidate_path(p);
    if (dist2(t->position.x, t->position.y, p.position.x, p.position.y) < 10.0f) p.replan = 1;
    p.last_known_target[0] = t->position.x;
    p.last_known_target[1] = t->position.y;
  }
}

void clear_movement(party& p) {
  p.movement_mode = movement_none;
  p.path_valid = 0;
  p.replan = 0;
}

bool find_path(travel_context& travel, party& p, int goal_face, float goal_x, float goal_y) {
  map_path_result result;
  const float limit = travel.is_player(p) ? 1000000.0f : 10000.0f;
  const bool found = search_map_path(travel.map, p.map_face, goal_face, goal_x, goal_y, limit, result);
  p.path_faces = std::move(result.faces);
  p.path_points = std::move(result.points);
  p.path_goal[0] = goal_x;
  p.path_goal[1] = goal_y;
  p.path_index = 0;
  return found && !p.path_faces.empty();
}

void advance_path(travel_context& travel, party& p) {
  if (!p.path_valid) return;
  const int count = static_cast<int>(p.path_faces.size());
  if (count == 0 || p.map_face == p.path_faces.back()) {
    // The goal face is reached: the mode's own target takes over.
    p.path_valid = 0;
    p.replan = 0;
    return;
  }
  const bool player = travel.is_player(p);
  const int next = p.path_index + 1;
  float lx = p.path_goal[0];
  float ly = p.path_goal[1];
  int lface = p.path_faces.back();
  if (next < count) {
    lx = p.path_points[static_cast<std::size_t>(next) * 2];
    ly = p.path_points[static_cast<std::size_t>(next) * 2 + 1];
    lface = p.path_faces[static_cast<std::size_t>(next)];
  }
  if (dist2(lx, ly, p.position.x, p.position.y) < (player ? 22500.0f : 900.0f) &&
      walk_straight(travel.map, p.map_face, p.position.x, p.position.y, lface, lx, ly, 0xFFFFFFFFu, player ? 200 : 10))
    ++p.path_index;
  if (p.path_index < count) {
    p.waypoint[0] = p.path_points[static_cast<std::size_t>(p.path_index) * 2];
    p.waypoint[1] = p.path_points[static_cast<std::size_t>(p.path_index) * 2 + 1];
  } else {
    p.path_valid = 0;
    p.replan = 0;
  }
}

void update_path(travel_context& travel, party& p) {
  if (p.path_valid) {
    if (p.movement_mode == movement_follow) {
      const party* t = travel.game.find_party(p.target_party);
      if (t == nullptr) {
        p.movement_mode = movement_none;
        p.path_valid = 0;
      } else if (t->map_face != p.path_goal_face) {
        p.path_valid = 0;
        p.replan = 1;
      }
    }
    if (p.path_valid) {
      advance_path(travel, p);
      if (p.path_valid) return;
    }
  }
  const party* t = p.movement_mode == movement_follow || p.movement_mode == movement_accompany
                       ? travel.game.find_party(p.target_party)
                       : nullptr;
  switch (p.movement_mode) {
    case movement_none:
      p.waypoint[0] = p.position.x;
      p.waypoint[1] = p.position.y;
      break;
    case movement_to_point:
      p.waypoint[0] = p.target_point[0];
      p.waypoint[1] = p.target_point[1];
      break;
    case movement_follow:
      if (t != nullptr) {
        p.waypoint[0] = p.target_point[0] = t->position.x;
        p.waypoint[1] = p.target_point[1] = t->position.y;
      }
      break;
    case movement_accompany:
      if (t != nullptr && random_unit_float() < 0.35f) {
        const float ox = p.wander_offset[0];
        const float oy = p.wander_offset[1];
        if (dist2(t->position.x, t->position.y, p.position.x, p.position.y) > ox * ox + oy * oy) {
          p.waypoint[0] = p.target_point[0] = t->position.x + ox;
          p.waypoint[1] = p.target_point[1] = t->position.y + oy;
        }
      }
      break;
    default:
      break;
  }
  int goal = p.map_face;
  if (p.movement_mode == movement_to_point) {
    goal = p.target_face;
  } else if ((p.movement_mode == movement_follow || p.movement_mode == movement_accompany) && t != nullptr) {
    goal = p.target_face = t->map_face;
  }
  if (!p.replan || goal < 0 || goal == p.map_face) return;
  if (!find_path(travel, p, goal, p.target_point[0], p.target_point[1])) {
    p.blocked = 1;
    p.replan = 0;
    return;
  }
  p.blocked = 0;
  p.replan = 0;
  p.path_goal_face = goal;
  const bool player = travel.is_player(p);
  const int count = static_cast<int>(p.path_faces.size());
  for (int skip = 0; skip < (player ? 100 : 10) && p.path_index + 1 < count; ++skip) {
    const auto n = static_cast<std::size_t>(p.path_index + 1);
    if (!walk_straight(travel.map, p.map_face, p.position.x, p.position.y, p.path_faces[n], p.path_points[n * 2],
                       p.path_points[n * 2 + 1], 0xFFFFFFFFu, player ? 150 : 10))
      break;
    ++p.path_index;
  }
  p.path_valid = 1;
  advance_path(travel, p);
}

}  // namespace hm
