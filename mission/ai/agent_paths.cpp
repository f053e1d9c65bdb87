#include "mission/ai/agent_paths.h"

#include "mission/agent/agent_queries.h"
#include "mission/ai/nav_path.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/scene/scene_queries.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

namespace {

constexpr int move_target_tries = 32;
constexpr int pull_towards_face_tries = 8;
constexpr int formation_step_limit = 7;
constexpr int advance_face_limit = 10;
// 30 m, squared.
constexpr float advance_distance_squared = 900.0f;

bool face_in_range(const ai_mesh* mesh, int face) {
  return mesh != nullptr && face >= 0 && face < static_cast<int>(mesh->faces.size());
}

// Whether the current path still serves a goal on face `goal`, seen from the
// agent's own face.
void decide_repath(agent& a, int own_face, int goal) {
  if (own_face == goal) {
    a.path_active = 0;
  } else if (a.path_active != 0 && goal == a.goal_face) {
    a.repath_needed = 0;
  } else {
    a.repath_needed = 1;
    a.path_active = 0;
  }
}

}  // namespace

nav_open_list& mission_open_list() {
  static nav_open_list open;
  return open;
}

bool agent_repath(mission& m, agent& a) {
  a.path_length = 0;
  const float w = a.kind == agent_kind_human && a.mount < 0 ? foot_clearance : rider_clearance;
  const int f = m.services().update_ground_face(m, a);
  if (f < 0 || a.goal_face < 0 || m.nav_mesh == nullptr) return false;
  nav_path path;
  path.faces.swap(a.path_faces);
  path.points.swap(a.path_points);
  find_path(*m.nav_mesh, m.nav_search_stamp, mission_open_list(), f, a.goal_face, w, path);
  a.path_faces.swap(path.faces);
  a.path_points.swap(path.points);
  a.path_length = path.length;
  a.path_expanded = path.expanded;
  a.path_index = 0;
  a.path_empty = a.path_length <= 0 ? 1 : 0;
  a.searched_goal_face = a.goal_face;
  return a.path_length > 0;
}

void agent_advance_path(mission& m, agent& a) {
  if (a.path_active == 0 || (a.goal_flags & (agent_movement_to_goal | agent_movement_follow)) == 0) return;
  const int f = m.services().update_ground_face(m, a);
  if (a.path_length > 0 && f == a.path_faces[static_cast<std::size_t>(a.path_length - 1)]) {
    a.path_active = 0;
    a.repath_needed = 0;
    return;
  }
  const ai_mesh* mesh = m.nav_mesh;
  if (face_in_range(mesh, f) && nav_face_contains(*mesh, f, a.position())) {
    const int next = a.path_index + 1;
    vec3 q = a.goal_position;
    int q_face = a.goal_face;
    if (next >= 0 && next < a.path_length) {
      q = a.path_points[static_cast<std::size_t>(next)];
      q_face = a.path_faces[static_cast<std::size_t>(next)];
    }
    if ((q - a.position()).length_squared() < advance_distance_squared &&
        can_walk_straight(*mesh, f, a.position(), q_face, q, advance_face_limit)) {
      ++a.path_index;
    }
  }
  if (a.path_index >= a.path_length) {
    a.path_active = 0;
    a.repath_needed = 0;
  }
}

void agent_follow_agent(mission& m, agent& a, int other) {
  agent* o = m.agents.get(other);
  if (o == nullptr) return;
  const int other_face = m.services().update_ground_face(m, *o);
  decide_repath(a, m.services().update_ground_face(m, a), other_face);
  a.followed_agent = other;
  a.goal_position = o->position();
  a.goal_velocity = o->velocity;
  a.goal_face = other_face;
  a.path_empty = 0;
  a.goal_flags = agent_movement_follow;
}

void agent_set_move_goal(mission& m, agent& a, const vec3& point, int face) {
  decide_repath(a, m.services().update_ground_face(m, a), face);
  a.goal_position = point;
  a.goal_velocity = vec3();
  a.goal_velocity.w = point.w;
  a.followed_agent = -1;
  a.goal_face = face;
  a.goal_flags = agent_movement_to_goal;
  a.path_empty = 0;
}

void agent_set_move_target(mission& m, agent& a, const vec3& point, float scatter) {
  vec3 candidate = point;
  for (int i = 0; i < move_target_tries; ++i) {
    candidate.x = point.x + (mission_random_unit(m) - 0.5f) * scatter * 2.0f;
    candidate.y = point.y + (mission_random_unit(m) - 0.5f) * scatter * 2.0f;
    if (m.scene_min_x < candidate.x && candidate.x < m.scene_max_x && m.scene_min_y < candidate.y &&
        candidate.y < m.scene_max_y) {
      break;
    }
    scatter *= 0.9f;
  }
  int face = -1;
  if (ai_mesh* mesh = m.nav_mesh; mesh != nullptr) {
    const int kept = a.goal_face;
    if (kept >= 0 && nav_face_contains(*mesh, kept, candidate)) {
      face = kept;
    } else {
      if (kept >= 0) face = find_face_near(*mesh, m.nav_search_stamp, candidate, kept, 2);
      if (face < 0) face = mesh->find_face(candidate);
    }
  }
  agent_set_move_goal(m, a, candidate, face);
}

void agent_set_move_target_on_face(mission& m, agent& a, const vec3& point, float scatter, int face,
                                   int step_limit) {
  vec3 p = point;
  for (int i = 0; i < pull_towards_face_tries; ++i) {
    agent_set_move_target(m, a, p, scatter);
    if (face < 0 || a.goal_face < 0 || !face_in_range(m.nav_mesh, face) ||
        faces_connected(*m.nav_mesh, m.nav_search_stamp, mission_open_list(), face, a.goal_face, step_limit)) {
      return;
    }
    const vec3 c = m.nav_mesh->faces[static_cast<std::size_t>(face)].centre;
    const float pull = 0.7f + mission_random_unit(m) / 10.0f;
    p = vec3(c.x + (p.x - c.x) * pull, c.y + (p.y - c.y) * pull, c.z + (p.z - c.z) * pull);
  }
}

void agent_set_formation_move_target(mission& m, agent& a, const vec3& point, float scatter) {
  const team_group& g =
      m.teams[static_cast<std::size_t>(agent_team_index(a.team))].groups[static_cast<std::size_t>(a.get_mounted_state())];
  agent_set_move_target_on_face(m, a, point, scatter, g.follow_face, formation_step_limit);
  a.goal_velocity = g.velocity;
}

}  // namespace hm
