#include "mission/scene/scene_queries.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "engine/collision/capsule.h"
#include "engine/collision/face.h"
#include "mission/records/agent.h"
#include "render/scene/light.h"
#include "render/scene/scene_world.h"
#include "render/terrain/ai_mesh.h"
#include "render/terrain/height_field.h"

namespace hm {
namespace {

height_field ridge();

// Eight cells a side: border cell 0 below 0, cells 1..6 of 2 m each over
// 0..12, border cell 7 beyond.
std::unique_ptr<scene_world> small_scene() {
  return std::make_unique<scene_world>(vec3(0.0f, 0.0f, 0.0f), vec3(12.0f, 12.0f, 0.0f), 3, 3, 0);
}

face* add_face(scene_world& s, std::initializer_list<vec3> corners, std::uint32_t flags = 8) {
  auto f = std::make_unique<face>(corners);
  f->flags = flags;
  return static_cast<face*>(s.add_body(std::move(f)));
}

// A floor at height z over the square (x0, y0)..(x1, y1), facing up.
face* add_floor(scene_world& s, float x0, float y0, float x1, float y1, float z) {
  return add_face(s, {vec3(x0, y0, z), vec3(x1, y0, z), vec3(x1, y1, z), vec3(x0, y1, z)});
}

TEST(SegmentCells, CellsInOrderFromTheStart) {
  const auto s = small_scene();
  struct cells_case {
    vec3 from, to;
    std::vector<grid_cell> expected;
  };
  const cells_case cases[] = {
      {vec3(1, 1, 0), vec3(5, 1, 0), {{1, 1}, {2, 1}, {3, 1}}},
      {vec3(1, 1, 0), vec3(1, -3, 0), {{1, 1}, {1, 0}}},                // into the border cell and no further
      {vec3(-3, 1, 0), vec3(3, 1, 0), {{0, 1}, {1, 1}, {2, 1}}},        // from beyond the bounds
      {vec3(1, 1, 0), vec3(3, 3, 0), {{1, 1}, {1, 2}, {2, 2}}},         // a corner: y first on a tie
      {vec3(1, 1, 0), vec3(1, 1, 9), {{1, 1}}},                         // straight up
      {vec3(11, 1, 0), vec3(40, 1, 0), {{6, 1}, {7, 1}}},               // out past the far border
  };
  for (const cells_case& c : cases) {
    std::vector<grid_cell> cells;
    collect_segment_cells(*s, c.from, c.to, cells);
    EXPECT_EQ(cells, c.expected) << c.from.x << ',' << c.from.y << " -> " << c.to.x << ',' << c.to.y;
  }
}

TEST(SegmentCells, SegmentsWithoutFiniteEndsStayInTheirStartCell) {
  const auto s = small_scene();
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<grid_cell> cells;
  collect_segment_cells(*s, vec3(1, 1, 0), vec3(inf, 1, 0), cells);
  EXPECT_EQ(cells, (std::vector<grid_cell>{{1, 1}}));
  collect_segment_cells(*s, vec3(nan, 1, 0), vec3(5, 1, 0), cells);
  EXPECT_EQ(cells.size(), 1u);
  EXPECT_TRUE(walk_segment(ridge(), vec3(0.5f, 0.5f, 1), vec3(nan, 0.5f, 1)));
}

TEST(SegmentCells, ALongSegmentOverAFineGridIsNeverCut) {
  // 512 x 512 cells of 1 cm: a diagonal crosses about 1010 cells, each step
  // to a neighbour.
  scene_world s(vec3(0, 0, 0), vec3(5.1f, 5.1f, 0), 9, 9, 0);
  std::vector<grid_cell> cells;
  collect_segment_cells(s, vec3(0.005f, 0.005f, 0), vec3(5.095f, 5.005f, 0), cells);
  EXPECT_EQ(cells.size(), 1010u);
  EXPECT_EQ(cells.front(), (grid_cell{1, 1}));
  EXPECT_EQ(cells.back(), (grid_cell{510, 501}));
  for (std::size_t i = 1; i < cells.size(); ++i) {
    EXPECT_EQ(std::abs(cells[i].x - cells[i - 1].x) + std::abs(cells[i].y - cells[i - 1].y), 1) << i;
  }
}

TEST(FaceQuery, FacesAlongASegmentOnceAndInTheOrderTheyEntered) {
  auto s = small_scene();
  // A wall spanning cells 2 and 3 across the segment, one in cell 1 only,
  // and one whose flags the mask leaves out.
  face* wide = add_face(*s, {vec3(3, 0.5f, 0), vec3(5, 0.5f, 0), vec3(5, 1.5f, 2), vec3(3, 1.5f, 2)});
  face* small = add_face(*s, {vec3(0.5f, 0.5f, 0), vec3(1.5f, 0.5f, 0), vec3(1.5f, 1.5f, 2)});
  add_face(*s, {vec3(3, 0.5f, 0), vec3(5, 0.5f, 0), vec3(5, 1.5f, 2)}, 0x100);
  add_face(*s, {vec3(9, 9, 0), vec3(11, 9, 0), vec3(11, 11, 2)});  // elsewhere
  s->add_body(std::make_unique<capsule>(vec3(2, 1, 0), vec3(2, 1, 2), 0.3f));  // not a face
  std::vector<body_part*> faces;
  query_collision_faces(*s, vec3(1, 1, 1), vec3(5, 1, 1), segment_exclusion_mask, faces);
  EXPECT_EQ(faces, (std::vector<body_part*>{wide, small}));
}

TEST(FaceQuery, MergeKeepsOrderAndDropsRepeats) {
  // Ranked by the scene's numbers, which here run against the addresses.
  scene_cell cell;
  std::vector<face> store(5);
  std::vector<body_part*> ranked;
  for (std::uint32_t k = 0; k < 5; ++k) {
    face& f = store[4 - k];
    f.scene_order = k;
    ranked.push_back(&f);
  }
  cell.bodies = {ranked[1], ranked[2], ranked[4]};
  ranked[4]->flags = 0x4;
  std::vector<body_part*> list = {ranked[0], ranked[2], ranked[3]};
  merge_face_lists(cell, 0x4, list);
  EXPECT_EQ(list, (std::vector<body_part*>{ranked[0], ranked[1], ranked[2], ranked[3]}));
}

// Five by five samples of 1 m from the origin, flat at 0 but for a ridge of
// height 5 along x = 2.
height_field ridge() {
  height_field g;
  g.cell_size = 1.0f;
  g.resize(5, 5);
  for (int y = 0; y < 5; ++y) g.sample(2, y).height = 5.0f;
  return g;
}

TEST(GroundWalk, BlockedOnlyWhereTheGroundRisesAboveACrossing) {
  const height_field g = ridge();
  struct walk_case {
    vec3 from, to;
    bool free;
  };
  const walk_case cases[] = {
      {vec3(0.5f, 0.5f, 1), vec3(3.5f, 0.5f, 1), false},
      {vec3(0.5f, 0.5f, 6), vec3(3.5f, 0.5f, 6), true},
      {vec3(0.5f, 0.5f, 1), vec3(1.5f, 0.5f, 1), true},
      // Only the end point touches the ridge: not tested.
      {vec3(0.5f, 0.5f, 1), vec3(2.0f, 0.5f, 1), true},
      // A rising line crosses x = 2 halfway, at 5.25 over the ridge's 5, and
      // at 4.5 under it.
      {vec3(0.5f, 0.5f, 0), vec3(3.5f, 0.5f, 10.5f), true},
      {vec3(0.5f, 0.5f, 0), vec3(3.5f, 0.5f, 9.0f), false},
      // Entirely outside the grid: free as far as the grid goes.
      {vec3(10, 10, -50), vec3(20, 12, -50), true},
      // From outside into the grid, across the ridge.
      {vec3(-5, 0.5f, 1), vec3(3.5f, 0.5f, 1), false},
      // Along the ridge: under it, then over it.
      {vec3(2.0f, 0.5f, 1), vec3(2.0f, 3.5f, 1), false},
      {vec3(2.0f, 0.5f, 6), vec3(2.0f, 3.5f, 6), true},
  };
  for (const walk_case& c : cases) {
    EXPECT_EQ(walk_segment(g, c.from, c.to), c.free) << c.from.x << ',' << c.from.z << " -> " << c.to.x << ',' << c.to.z;
  }
}

TEST(SegmentSweep, OneWhenFreeZeroWithTheBlockingFace) {
  auto s = small_scene();
  face* wall = add_face(*s, {vec3(3, 0, 0), vec3(3, 2, 0), vec3(3, 2, 2), vec3(3, 0, 2)});
  const body_part* blocker = nullptr;
  EXPECT_EQ(sweep_capsule_against_scene(*s, nullptr, vec3(1, 1, 1), vec3(5, 1, 1), 100.0f, &blocker), 0);
  EXPECT_EQ(blocker, wall);
  // Cut short before the wall by the maximum length.
  EXPECT_EQ(sweep_capsule_against_scene(*s, nullptr, vec3(1, 1, 1), vec3(5, 1, 1), 1.5f, &blocker), 1);
  EXPECT_EQ(blocker, nullptr);
  // Over it.
  EXPECT_EQ(sweep_capsule_against_scene(*s, nullptr, vec3(1, 1, 3), vec3(5, 1, 3), 100.0f, &blocker), 1);
  // The ground grid blocks first, without a face.
  const height_field g = ridge();
  EXPECT_EQ(sweep_capsule_against_scene(*s, &g, vec3(0.5f, 0.5f, 1), vec3(2.5f, 0.5f, 1), 100.0f, &blocker), 0);
  EXPECT_EQ(blocker, nullptr);
  // A face flagged for the mask does not block.
  wall->flags = 0x10;
  EXPECT_EQ(sweep_capsule_against_scene(*s, nullptr, vec3(1, 1, 1), vec3(5, 1, 1), 100.0f, &blocker), 1);
}

TEST(SegmentSweep, ADenseFaceGridNeverCountsAsFree) {
  // 126 x 126 inner cells of 4 cm, a thin slab of faces lying under the line
  // in every cell it crosses, and one wall across the line near its end.
  scene_world s(vec3(0, 0, 0), vec3(5.04f, 5.04f, 0), 7, 7, 0);
  for (int i = 0; i < 125; ++i) {
    const float x = 0.04f * static_cast<float>(i);
    add_floor(s, x, 0.0f, x + 0.04f, 0.04f, 0.0f);
  }
  std::vector<body_part*> faces;
  query_collision_faces(s, vec3(0.01f, 0.02f, 0.5f), vec3(4.99f, 0.02f, 0.5f), segment_exclusion_mask, faces);
  EXPECT_GE(faces.size(), 125u);
  const body_part* blocker = nullptr;
  EXPECT_EQ(sweep_capsule_against_scene(s, nullptr, vec3(0.01f, 0.02f, 0.5f), vec3(4.99f, 0.02f, 0.5f), 100.0f,
                                        &blocker),
            1);
  const face* wall = add_face(s, {vec3(4.9f, -1, 0), vec3(4.9f, 1, 0), vec3(4.9f, 1, 2), vec3(4.9f, -1, 2)});
  EXPECT_EQ(sweep_capsule_against_scene(s, nullptr, vec3(0.01f, 0.02f, 0.5f), vec3(4.99f, 0.02f, 0.5f), 100.0f,
                                        &blocker),
            0);
  EXPECT_EQ(blocker, wall);
}

TEST(GroundFace, StackedFloorsAndRoofs) {
  auto s = small_scene();
  const face* lower = add_floor(*s, 0, 0, 2, 2, 0.0f);
  const face* upper = add_floor(*s, 0, 0, 2, 2, 3.0f);
  const face* tilted = add_face(*s, {vec3(6, 6, 0), vec3(8, 6, 2), vec3(8, 8, 2), vec3(6, 8, 0)});
  struct ground_case {
    vec3 point;
    float height;
    const face* expected;
  };
  const ground_case cases[] = {
      {vec3(1, 1, 2.5f), 3.0f, upper},      // less than a unit below the upper floor
      {vec3(1, 1, 1.5f), 0.0f, lower},
      {vec3(1, 1, 10), 3.0f, upper},
      {vec3(1, 1, -5), 0.0f, lower},         // under both: the lowest above
      {vec3(7, 7, 5), 1.0f, tilted},         // the plane's height at the point
      {vec3(10, 10, 0), no_ground_height, nullptr},
      {vec3(-40, 1, 0), no_ground_height, nullptr},
  };
  for (const ground_case& c : cases) {
    const face* found = nullptr;
    EXPECT_FLOAT_EQ(find_ground_face(*s, c.point, &found), c.height) << c.point.x << ',' << c.point.z;
    EXPECT_EQ(found, c.expected) << c.point.x << ',' << c.point.z;
  }
  EXPECT_FLOAT_EQ(get_ground_height(*s, vec3(1, 1, 2.5f)), 3.0f);
}

TEST(LightPoint, LightsSumByStrengthAndAngle) {
  auto s = small_scene();
  vec3 direction;
  vec3 colour(9, 9, 9);
  light_point(*s, nullptr, vec3(1, 1, 0), vec3(0, 0, 1), direction, colour, 0, 1.0f);
  EXPECT_EQ(colour.x, 0.0f);
  EXPECT_EQ(direction.y, 1.0f);

  light& lamp = s->create_light();
  lamp.type = light_type_point;
  lamp.position = vec3(1, 1, 10);
  lamp.colour = color{1.0f, 0.5f, 0.0f, 1.0f};
  lamp.strength = 100.0f;  // its range
  lamp.flags = 0;
  light_point(*s, nullptr, vec3(1, 1, 0), vec3(0, 0, 1), direction, colour, 0, 1.0f);
  // 1 / 10^2 x (0.9 x 1 + 0.1)
  EXPECT_FLOAT_EQ(colour.x, 0.01f);
  EXPECT_FLOAT_EQ(colour.y, 0.005f);
  EXPECT_FLOAT_EQ(direction.z, -1.0f);
  lamp.flags = light_flag_fill;
  light_point(*s, nullptr, vec3(1, 1, 0), vec3(0, 0, 1), direction, colour, 0, 1.0f);
  EXPECT_FLOAT_EQ(colour.x, 0.005f);
  lamp.strength = 10.0f;  // out of range
  light_point(*s, nullptr, vec3(1, 1, 0), vec3(0, 0, 1), direction, colour, 0, 1.0f);
  EXPECT_EQ(colour.x, 0.0f);
  lamp.strength = 100.0f;
  // A roof between the lamp and the point shadows it unless asked not to test.
  add_floor(*s, 0, 0, 2, 2, 5.0f);
  light_point(*s, nullptr, vec3(1, 1, 0), vec3(0, 0, 1), direction, colour, 0, 1.0f);
  EXPECT_EQ(colour.x, 0.0f);
  light_point(*s, nullptr, vec3(1, 1, 0), vec3(0, 0, 1), direction, colour, light_skip_sun, 1.0f);
  EXPECT_FLOAT_EQ(colour.x, 0.005f);

  light& sun = s->create_light();
  sun.type = light_type_directional;
  sun.direction = vec3(0, 0, -1);
  sun.colour = color{1.0f, 1.0f, 1.0f, 1.0f};
  light_point(*s, nullptr, vec3(1, 1, 0), vec3(0, 0, 1), direction, colour, light_skip_others, 0.5f);
  EXPECT_FLOAT_EQ(colour.x, 0.5f);
  // A light behind the surface gives nothing.
  light_point(*s, nullptr, vec3(1, 1, 0), vec3(0, 0, -1), direction, colour, light_skip_others, 0.5f);
  EXPECT_EQ(colour.x, 0.0f);
}

// Two unit quads side by side: face 0 over x 0..1, face 1 over x 1..2.
ai_mesh two_quads() {
  ai_mesh m;
  for (vec3 v : {vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 1, 0), vec3(0, 1, 0), vec3(2, 0, 0), vec3(2, 1, 0)}) {
    add_ai_mesh_vertex(m, v);
  }
  const int e0 = add_ai_mesh_edge(m, 0, 1), e1 = add_ai_mesh_edge(m, 1, 2), e2 = add_ai_mesh_edge(m, 2, 3),
            e3 = add_ai_mesh_edge(m, 3, 0), e4 = add_ai_mesh_edge(m, 1, 4), e5 = add_ai_mesh_edge(m, 4, 5),
            e6 = add_ai_mesh_edge(m, 5, 2);
  add_ai_mesh_face(m, 4, {0, 1, 2, 3}, {e0, e1, e2, e3});
  add_ai_mesh_face(m, 4, {1, 4, 5, 2}, {e4, e5, e6, e1});
  m.link_edges_to_faces();
  m.compute_face_normals();
  return m;
}

TEST(NavigationFace, AgentsKeepFollowAndFindTheirFace) {
  ai_mesh mesh = two_quads();
  std::int32_t stamp = 0;
  agent a;
  a.position() = vec3(0.5f, 0.5f, 0.0f);
  EXPECT_EQ(update_agent_ground_face(&mesh, stamp, a), 0);
  a.position() = vec3(1.5f, 0.5f, 0.0f);
  EXPECT_EQ(update_agent_ground_face(&mesh, stamp, a), 1);
  EXPECT_EQ(a.ground_face_index, 1);
  EXPECT_EQ(stamp, 3);  // found near the kept face
  // A step too small to search again keeps the face.
  a.position() = vec3(1.5f, 0.52f, 0.0f);
  a.ground_face_index = 0;
  EXPECT_EQ(update_agent_ground_face(&mesh, stamp, a), 0);
  // Off the mesh, and a point far above a face.
  a.position() = vec3(5.0f, 5.0f, 0.0f);
  EXPECT_EQ(update_agent_ground_face(&mesh, stamp, a), -1);
  EXPECT_EQ(find_face_near(mesh, stamp, vec3(1.5f, 0.5f, 3.0f), 0, 2), -1);
  EXPECT_EQ(find_face_near(mesh, stamp, vec3(1.5f, 0.5f, 1.0f), 0, 2), 1);
  EXPECT_EQ(find_face_near(mesh, stamp, vec3(1.5f, 0.5f, 1.0f), 7, 2), -1);
  EXPECT_EQ(update_agent_ground_face(nullptr, stamp, a), -1);
}

TEST(NavigationFace, SearchStampsStartOverPastTheLimit) {
  ai_mesh mesh = two_quads();
  mesh.faces[1].stamp = 1000000001;
  std::int32_t stamp = 1000000001;
  EXPECT_EQ(next_search_stamp(mesh, stamp), 3);
  EXPECT_EQ(mesh.faces[1].stamp, 0);
  EXPECT_EQ(next_search_stamp(mesh, stamp), 6);
}

}  // namespace
}  // namespace hm
