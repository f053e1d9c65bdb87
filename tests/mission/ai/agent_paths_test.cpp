#include "mission/ai/agent_paths.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/core/timer.h"
#include "mission/ai/nav_grid_fixture.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"

namespace hm {
namespace {

// A row of sixteen unit squares along x, with a side room above cell 0.
class AgentPaths : public ::testing::Test {
 protected:
  AgentPaths()
      : graph({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0}, {11, 0},
               {12, 0}, {13, 0}, {14, 0}, {15, 0}, {0, 1}}) {}

  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
    m.nav_mesh = &graph.mesh;
    m.scene_max_x = 16.0f;
    m.scene_max_y = 4.0f;
  }
  void TearDown() override {
    m.nav_mesh = nullptr;
    reset_clocks();
  }

  // An agent standing at (x, y) on its cell.
  agent& human_at(float x, float y) {
    agent& a = m.allocate_agent();
    a.state = agent_state_alive;
    a.position() = vec3(x, y, 0.0f);
    a.ground_face_index = graph.face(static_cast<int>(x), static_cast<int>(y));
    return a;
  }

  grid_graph graph;
  recording_services services;
  mission m;
};

TEST_F(AgentPaths, RepathFindsTheWayToTheGoalFace) {
  agent& a = human_at(0.5f, 0.5f);
  a.goal_face = graph.face(3, 0);
  ASSERT_TRUE(agent_repath(m, a));
  EXPECT_EQ(a.path_length, 4);
  EXPECT_EQ(a.path_faces[3], graph.face(3, 0));
  EXPECT_FLOAT_EQ(a.path_points[0].x, 1.0f);
  EXPECT_FLOAT_EQ(a.path_points[3].x, 3.5f);
  EXPECT_EQ(a.path_index, 0);
  EXPECT_EQ(a.path_empty, 0);
  EXPECT_EQ(a.searched_goal_face, graph.face(3, 0));

  // No goal face, or no face under the agent: no search.
  a.goal_face = -1;
  EXPECT_FALSE(agent_repath(m, a));
  EXPECT_EQ(a.path_length, 0);
  a.goal_face = graph.face(3, 0);
  a.ground_face_index = -1;
  EXPECT_FALSE(agent_repath(m, a));
}

TEST_F(AgentPaths, AdvanceSkipsAPointOncePerCallAndDropsThePathAtItsEnd) {
  agent& a = human_at(0.5f, 0.5f);
  a.goal_face = graph.face(3, 0);
  a.goal_position = vec3(3.5f, 0.5f, 0.0f);
  a.goal_flags = agent_movement_to_goal;
  a.path_active = agent_repath(m, a) ? 1 : 0;
  ASSERT_EQ(a.path_active, 1);

  // Point 1 (the side into cell 2) is in a straight line from here.
  agent_advance_path(m, a);
  EXPECT_EQ(a.path_index, 1);
  agent_advance_path(m, a);
  EXPECT_EQ(a.path_index, 2);

  // Without a movement flag the path stays as it is.
  a.goal_flags = 0;
  agent_advance_path(m, a);
  EXPECT_EQ(a.path_index, 2);

  // On the last face the path is done, points left or not.
  a.goal_flags = agent_movement_to_goal;
  a.repath_needed = 1;
  a.position() = vec3(3.2f, 0.5f, 0.0f);
  a.ground_face_index = graph.face(3, 0);
  agent_advance_path(m, a);
  EXPECT_EQ(a.path_active, 0);
  EXPECT_EQ(a.repath_needed, 0);
  EXPECT_EQ(a.path_index, 2);
}

TEST_F(AgentPaths, GoalSetUpsDecideWhetherTheCurrentPathServes) {
  struct row {
    const char* what;
    int own_face;
    int path_active;
    int current_goal;
    int new_goal;
    int active_after;
    int repath_after;
  };
  const int f2 = graph.face(2, 0);
  const int f5 = graph.face(5, 0);
  const int f0 = graph.face(0, 0);
  const row rows[] = {
      {"goal on the agent's face", f0, 1, f5, f0, 0, 0},
      {"the path already leads there", f0, 1, f5, f5, 1, 0},
      {"a new face", f0, 1, f5, f2, 0, 1},
      {"no path yet", f0, 0, f5, f5, 0, 1},
  };
  for (const row& r : rows) {
    agent& a = human_at(0.5f, 0.5f);
    a.ground_face_index = r.own_face;
    a.path_active = r.path_active;
    a.goal_face = r.current_goal;
    a.repath_needed = 0;
    a.path_empty = 1;
    agent_set_move_goal(m, a, vec3(2.5f, 0.5f, 0.0f), r.new_goal);
    EXPECT_EQ(a.path_active, r.active_after) << r.what;
    EXPECT_EQ(a.repath_needed, r.repath_after) << r.what;
    EXPECT_EQ(a.goal_face, r.new_goal) << r.what;
    EXPECT_EQ(a.goal_flags, agent_movement_to_goal) << r.what;
    EXPECT_EQ(a.followed_agent, -1) << r.what;
    EXPECT_EQ(a.path_empty, 0) << r.what;
  }
}

TEST_F(AgentPaths, FollowingAnAgentOnTheSameFaceDropsThePathWithoutANewSearch) {
  agent& a = human_at(0.5f, 0.5f);
  agent& other = human_at(0.8f, 0.5f);
  other.velocity = vec3(1.0f, 0.0f, 0.0f);
  a.path_active = 1;
  a.goal_face = graph.face(4, 0);
  agent_follow_agent(m, a, other.index);
  EXPECT_EQ(a.path_active, 0);
  EXPECT_EQ(a.repath_needed, 0);
  EXPECT_EQ(a.followed_agent, other.index);
  EXPECT_EQ(a.goal_face, graph.face(0, 0));
  EXPECT_FLOAT_EQ(a.goal_position.x, 0.8f);
  EXPECT_FLOAT_EQ(a.goal_velocity.x, 1.0f);
  EXPECT_EQ(a.goal_flags, agent_movement_follow);

  // Once the other walks off to another face a search is wanted.
  other.ground_face_index = graph.face(1, 0);
  agent_follow_agent(m, a, other.index);
  EXPECT_EQ(a.repath_needed, 1);
  // An index with no agent changes nothing.
  agent_follow_agent(m, a, 999);
  EXPECT_EQ(a.followed_agent, other.index);
}

TEST_F(AgentPaths, MoveTargetNearTheEdgeShrinksItsScatterUntilInside) {
  agent& a = human_at(0.5f, 0.5f);
  // First try: x = 15.5 + (15816 u - 0.5) x 20 lies past 16; the second,
  // with scatter 9, draws 7908 and 7908.
  services.draws = {15816, 7908, 7908, 7908};
  agent_set_move_target(m, a, vec3(15.5f, 0.5f, 0.0f), 10.0f);
  const float u = 7908 * 6.322312e-5f;
  EXPECT_NEAR(a.goal_position.x, 15.5f + (u - 0.5f) * 18.0f, 1e-4f);
  EXPECT_NEAR(a.goal_position.y, 0.5f + (u - 0.5f) * 18.0f, 1e-4f);
  EXPECT_EQ(services.next_draw, 4u);
  EXPECT_EQ(a.goal_face, graph.face(15, 0));

  // A point on the scene's edge is never inside: 32 tries, then the last.
  services.draws.clear();
  services.next_draw = 0;
  agent_set_move_target(m, a, vec3(16.0f, 0.5f, 0.0f), 0.0f);
  EXPECT_FLOAT_EQ(a.goal_position.x, 16.0f);
}

TEST_F(AgentPaths, FarGoalIsPulledTowardsTheGroupFace) {
  agent& a = human_at(0.5f, 0.5f);
  const int group_face = graph.face(0, 0);
  // Draws all 0: no scatter and a pull of 0.7 each time. 13.5 -> 9.6 (cell
  // 9, beyond 7 steps) -> 6.87 (cell 6).
  agent_set_move_target_on_face(m, a, vec3(13.5f, 0.5f, 0.0f), 0.0f, group_face, 7);
  EXPECT_NEAR(a.goal_position.x, 0.5f + 13.0f * 0.7f * 0.7f, 1e-4f);
  EXPECT_EQ(a.goal_face, graph.face(6, 0));

  // The formation goal uses the group's face and takes its velocity.
  m.teams[0].groups[0].follow_face = group_face;
  m.teams[0].groups[0].velocity = vec3(0.0f, 2.0f, 0.0f);
  agent_set_formation_move_target(m, a, vec3(9.5f, 0.5f, 0.0f), 0.0f);
  EXPECT_NEAR(a.goal_position.x, 0.5f + 9.0f * 0.7f, 1e-4f);
  EXPECT_FLOAT_EQ(a.goal_velocity.y, 2.0f);
}

}  // namespace
}  // namespace hm
