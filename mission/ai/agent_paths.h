#pragma once
// How an AI agent is given a place to go or an agent to follow, and how it
// finds and walks its path over the mission's navigation graph. The goal
// set-ups decide whether the current path still serves the new goal; the
// steering step runs the search (agent_repath) when one is wanted and moves
// along the path (agent_advance_path).
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class mission;
class nav_open_list;
struct agent;

// The open list the mission's searches share (one thread runs them).
nav_open_list& mission_open_list();

// A new search from the agent's ground face to goal_face. True when the
// path has at least one point; no search without either face.
bool agent_repath(mission& m, agent& a);

// Moves path_index on by one point once the point after it can be walked to
// in a straight line; drops the path on its last face or past its last
// point.
void agent_advance_path(mission& m, agent& a);

// Goal = the other agent, followed (movement flag 0x2).
void agent_follow_agent(mission& m, agent& a, int other);
// Goal = the point on face F (movement flag 0x1).
void agent_set_move_goal(mission& m, agent& a, const vec3& point, int face);
// Goal = the point moved at random by up to `scatter` in x and y (less near
// the scene's edges, so that it stays inside), on the face found under it.
void agent_set_move_target(mission& m, agent& a, const vec3& point, float scatter);
// As agent_set_move_target, pulling the point towards face F's centre (up to
// 8 times) while its face cannot be reached from F within `step_limit`.
void agent_set_move_target_on_face(mission& m, agent& a, const vec3& point, float scatter, int face,
                                   int step_limit);
// A goal near the agent's order group: reachable from the group's face, and
// moving with the group.
void agent_set_formation_move_target(mission& m, agent& a, const vec3& point, float scatter);

}  // namespace hm
