#include "mission/ai/nav_path.h"

#include <gtest/gtest.h>

#include <vector>

#include "mission/ai/nav_grid_fixture.h"

namespace hm {
namespace {

// Two ways from (0,0) to (2,0): straight through the side (0,0)|(1,0),
// given clearance 0.6 below, or round the ring over rows 1 and 2. An island
// at (5,0) touches nothing.
grid_graph ring(bool cut_the_ring = false) {
  if (cut_the_ring) return grid_graph({{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {2, 2}, {5, 0}});
  return grid_graph({{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}, {5, 0}});
}

std::vector<int> faces_of(const grid_graph& g, std::initializer_list<std::pair<int, int>> cells) {
  std::vector<int> out;
  for (const auto& [x, y] : cells) out.push_back(g.face(x, y));
  return out;
}

TEST(SideStepCost, NarrowSidesCostMoreByClearance) {
  struct row {
    float clearance;
    float w;
    float cost;
  };
  const row rows[] = {
      {1.0f, foot_clearance, 1.0f},
      {0.7f, rider_clearance, 1.0f},
      {0.5f, foot_clearance, 4.0f},    // (0.65 - 0.5) x 20 + 1
      {0.5f, rider_clearance, 29.0f},  // 4 + (1 - 0.5) x 50
      {0.6f, rider_clearance, 22.0f},  // equal to w counts as narrow: 2 + 20
      {0.45f, foot_clearance, 32.5f},  // 5 + 27.5
  };
  for (const row& r : rows) {
    EXPECT_NEAR(side_step_cost(r.clearance, r.w), r.cost, 1e-4f) << r.clearance << " " << r.w;
  }
}

TEST(PathKey, CentreOnTheStartKeepsTheKeyFiniteAndTheHeapInOrder) {
  const vec3 start(1.0f, 1.0f, 0.0f);
  EXPECT_FLOAT_EQ(path_key(3.0f, start, vec3(5.0f, 1.0f, 0.0f), start, 1.0f), 3.0f);
  // 2 x (1 + 0.7 x 4 / 2)
  EXPECT_FLOAT_EQ(path_key(2.0f, start, vec3(7.0f, 1.0f, 0.0f), vec3(3.0f, 1.0f, 0.0f), 0.7f), 4.8f);

  nav_open_list open;
  const float keys[] = {5.0f, path_key(3.0f, start, start, start, 1.0f), 0.5f, 9.0f, 3.0f, 1.0f, 7.0f};
  for (int i = 0; i < 7; ++i) open.push({i, 0.0f, keys[i]});
  std::vector<float> popped;
  while (!open.empty()) popped.push_back(open.pop().key);
  EXPECT_EQ(popped, (std::vector<float>{0.5f, 1.0f, 3.0f, 3.0f, 5.0f, 7.0f, 9.0f}));
}

TEST(FindPath, HumanTakesTheNarrowGapAndRiderGoesRound) {
  grid_graph g = ring();
  g.set_clearance({0, 0}, {1, 0}, 0.6f);
  nav_path path;

  ASSERT_TRUE(find_path(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(2, 0), foot_clearance, path));
  ASSERT_EQ(path.length, 3);
  EXPECT_EQ(std::vector<int>(path.faces.begin(), path.faces.end()), faces_of(g, {{0, 0}, {1, 0}, {2, 0}}));
  const vec3 expected[] = {vec3(1.0f, 0.5f, 0.0f), vec3(2.0f, 0.5f, 0.0f), vec3(2.5f, 0.5f, 0.0f)};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(path.points[i].x, expected[i].x, 1e-5f) << i;
    EXPECT_NEAR(path.points[i].y, expected[i].y, 1e-5f) << i;
  }

  // The gap costs a rider 22: the six open sides round the ring are cheaper.
  ASSERT_TRUE(find_path(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(2, 0), rider_clearance, path));
  EXPECT_EQ(std::vector<int>(path.faces.begin(), path.faces.end()),
            faces_of(g, {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}}));
  EXPECT_EQ(path.points.size(), 7u);
}

TEST(FindPath, RiderSqueezesThroughTheGapWhenTheRingIsBlocked) {
  grid_graph g = ring(true);
  g.set_clearance({0, 0}, {1, 0}, 0.6f);
  nav_path path;
  ASSERT_TRUE(find_path(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(2, 0), rider_clearance, path));
  EXPECT_EQ(std::vector<int>(path.faces.begin(), path.faces.end()), faces_of(g, {{0, 0}, {1, 0}, {2, 0}}));

  // With the gap closed as well there is no way at all.
  for (ai_mesh_edge& e : g.mesh.edges) {
    const bool gap = (e.face_0 == g.face(0, 0) && e.face_1 == g.face(1, 0)) ||
                     (e.face_1 == g.face(0, 0) && e.face_0 == g.face(1, 0));
    if (gap) {
      e.face_0 = e.face_1 = ai_mesh_no_face;
    }
  }
  EXPECT_FALSE(find_path(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(2, 0), foot_clearance, path));
  EXPECT_EQ(path.length, 0);
  EXPECT_EQ(path.expanded, 3);  // (0,0), (0,1), (0,2)
}

TEST(FindPath, StartOnTheGoalGivesItsCentre) {
  grid_graph g = ring();
  nav_path path;
  ASSERT_TRUE(find_path(g.mesh, g.stamp, g.open, g.face(1, 2), g.face(1, 2), foot_clearance, path));
  ASSERT_EQ(path.length, 1);
  EXPECT_EQ(path.faces[0], g.face(1, 2));
  EXPECT_FLOAT_EQ(path.points[0].x, 1.5f);
  EXPECT_FLOAT_EQ(path.points[0].y, 2.5f);
}

TEST(FindPath, UnreachableGoalEndsAfterTheWholeReachablePart) {
  grid_graph g = ring();
  nav_path path;
  path.length = 5;
  EXPECT_FALSE(find_path(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(5, 0), foot_clearance, path));
  EXPECT_EQ(path.length, 0);
  EXPECT_EQ(path.expanded, 8);  // every face of the ring
  // A second search starts clean: the stamps of the first do not leak.
  EXPECT_TRUE(find_path(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(2, 2), foot_clearance, path));
  // Out-of-range faces give no path.
  EXPECT_FALSE(find_path(g.mesh, g.stamp, g.open, -1, g.face(2, 2), foot_clearance, path));
  EXPECT_FALSE(find_path(g.mesh, g.stamp, g.open, 0, 1000, foot_clearance, path));
  EXPECT_FALSE(faces_connected(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(5, 0), 1000));
}

TEST(FacesConnected, ExpandsOnlyFacesWithinTheStepLimit) {
  grid_graph g = ring();
  // (2,0) lies two steps away; the face one step away must be expanded.
  EXPECT_FALSE(faces_connected(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(2, 0), 0));
  EXPECT_TRUE(faces_connected(g.mesh, g.stamp, g.open, g.face(0, 0), g.face(2, 0), 1));

  grid_graph row({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}});
  EXPECT_TRUE(faces_connected(row.mesh, row.stamp, row.open, row.face(0, 0), row.face(8, 0), 7));
  EXPECT_FALSE(faces_connected(row.mesh, row.stamp, row.open, row.face(0, 0), row.face(9, 0), 7));
}

TEST(CanWalkStraight, CrossesSidesWellInsideTheirLength) {
  grid_graph g = ring();
  const int a = g.face(0, 0);
  const int b = g.face(2, 0);
  struct row {
    const char* what;
    int start;
    vec3 p;
    int goal;
    vec3 q;
    int limit;
    bool result;
  };
  const row rows[] = {
      {"along the row", a, vec3(0.5f, 0.5f, 0.0f), b, vec3(2.5f, 0.5f, 0.0f), 3, true},
      {"beyond the limit", a, vec3(0.5f, 0.5f, 0.0f), b, vec3(2.5f, 0.5f, 0.0f), 1, false},
      {"at 5% of the side", a, vec3(0.5f, 0.05f, 0.0f), b, vec3(2.5f, 0.05f, 0.0f), 3, false},
      {"into the border", a, vec3(0.5f, 0.5f, 0.0f), g.face(1, 0), vec3(0.5f, -1.0f, 0.0f), 3, false},
      {"up the column (y only)", a, vec3(0.5f, 0.5f, 0.0f), g.face(0, 2), vec3(0.5f, 2.5f, 0.0f), 3, true},
      {"already on the goal face", b, vec3(2.2f, 0.5f, 0.0f), b, vec3(2.5f, 0.5f, 0.0f), 0, true},
      {"no goal face", a, vec3(0.5f, 0.5f, 0.0f), -1, vec3(2.5f, 0.5f, 0.0f), 3, true},
      {"no start face", -1, vec3(0.5f, 0.5f, 0.0f), b, vec3(2.5f, 0.5f, 0.0f), 3, false},
  };
  for (const row& r : rows) {
    EXPECT_EQ(can_walk_straight(g.mesh, r.start, r.p, r.goal, r.q, r.limit), r.result) << r.what;
  }
}

}  // namespace
}  // namespace hm
