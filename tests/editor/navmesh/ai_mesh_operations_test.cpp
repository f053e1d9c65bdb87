#include "editor/navmesh/ai_mesh_operations.h"

#include <gtest/gtest.h>

#include "ai_mesh_fixtures.h"
#include "editor/navmesh/ai_mesh_editor.h"
#include "editor/navmesh/ai_mesh_section.h"

namespace hm {
namespace {

using test::quad_and_triangle;
using test::quad_grid;

void expect_at(const vec3& p, float x, float y, float z, const char* what) {
  EXPECT_FLOAT_EQ(p.x, x) << what;
  EXPECT_FLOAT_EQ(p.y, y) << what;
  EXPECT_FLOAT_EQ(p.z, z) << what;
}

void select_edge(ai_mesh& m, std::int32_t a, std::int32_t b) {
  const std::int32_t e = find_ai_mesh_edge(m, a, b);
  ASSERT_GE(e, 0);
  m.edges[static_cast<std::size_t>(e)].selected = 1;
}

TEST(AiMeshOperations, CreateNewFaceMakesASixUnitSquare) {
  ai_mesh m;
  ai_mesh_editor ed(&m);
  ai_mesh_create_new_face(ed, vec3(10, 20, 5));
  ASSERT_EQ(m.vertices.size(), 4u);
  ASSERT_EQ(m.edges.size(), 4u);
  ASSERT_EQ(m.faces.size(), 1u);
  expect_at(m.vertices[0].position, 7, 17, 5, "0");
  expect_at(m.vertices[1].position, 13, 17, 5, "1");
  expect_at(m.vertices[2].position, 13, 23, 5, "2");
  expect_at(m.vertices[3].position, 7, 23, 5, "3");
  EXPECT_EQ(m.faces[0].vertex_count, 4);
  EXPECT_FLOAT_EQ(m.faces[0].normal.z, 1.0f);
  EXPECT_EQ(ai_mesh_fault(m), "");
}

TEST(AiMeshOperations, ConnectSplitsAQuadOnlyAlongItsDiagonal) {
  ai_mesh m = quad_grid(1, 1);
  ai_mesh_editor ed(&m);
  m.vertices[0].selected = m.vertices[1].selected = 1;  // a side, not a diagonal
  const std::string before = ai_mesh_section_bytes(m);
  EXPECT_FALSE(ai_mesh_connect(ed));
  EXPECT_EQ(ai_mesh_section_bytes(m), before);

  m.vertices[1].selected = 0;
  m.vertices[3].selected = 1;  // corners (0, 0) and (1, 1)
  ASSERT_TRUE(ai_mesh_connect(ed));
  EXPECT_EQ(m.faces.size(), 2u);
  EXPECT_EQ(m.edges.size(), 5u);
  EXPECT_EQ(m.faces[0].vertex_count, 3);
  EXPECT_EQ(m.faces[1].vertex_count, 3);
  EXPECT_GE(find_ai_mesh_edge(m, 0, 3), 0);
  EXPECT_EQ(ai_mesh_fault(m), "");
  for (const ai_mesh_face& f : m.faces) EXPECT_FLOAT_EQ(f.normal.z, 1.0f);

  // Three selected vertices never connect.
  m.vertices[2].selected = 1;
  EXPECT_FALSE(ai_mesh_connect(ed));
}

TEST(AiMeshOperations, SubdivideFansTrianglesFromTheMidpoint) {
  ai_mesh m = quad_and_triangle();
  ai_mesh_editor ed(&m);
  select_edge(m, 1, 2);
  ASSERT_TRUE(ai_mesh_subdivide(ed));
  ASSERT_EQ(m.vertices.size(), 6u);
  expect_at(m.vertices[5].position, 2, 1, 0, "midpoint");
  EXPECT_EQ(m.faces.size(), 5u);  // the quad gives 3, the triangle 2
  for (const ai_mesh_face& f : m.faces) {
    EXPECT_EQ(f.vertex_count, 3);
    EXPECT_EQ(f.vertices[0], 5);
    EXPECT_FLOAT_EQ(f.normal.z, 1.0f);
  }
  EXPECT_EQ(ai_mesh_fault(m), "");

  // Two selected edges: refused.
  select_edge(m, 0, 1);
  EXPECT_FALSE(ai_mesh_subdivide(ed));
  EXPECT_EQ(m.faces.size(), 5u);
}

TEST(AiMeshOperations, WeldMergesAtTheMidpoint) {
  // A quad whose first side runs from (0, 0, 0) to (2, 0, 4).
  ai_mesh m;
  for (const vec3& p : {vec3(0, 0, 0), vec3(2, 0, 4), vec3(2, 2, 4), vec3(0, 2, 0)}) add_ai_mesh_vertex(m, p);
  test::face_through(m, {0, 1, 2, 3});
  rebuild_ai_mesh_adjacency(m);
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_edges;
  select_edge(m, 0, 1);
  ASSERT_TRUE(ai_mesh_weld(ed));
  ASSERT_EQ(m.vertices.size(), 3u);
  ASSERT_EQ(m.faces.size(), 1u);
  EXPECT_EQ(m.faces[0].vertex_count, 3);
  EXPECT_EQ(m.edges.size(), 3u);
  expect_at(m.vertices[0].position, 1, 0, 2, "merged");
  EXPECT_EQ(ai_mesh_fault(m), "");
}

TEST(AiMeshOperations, WeldRefusesInnerVerticesAndWrongCounts) {
  ai_mesh m = quad_grid(2, 2);
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_vertices;
  m.vertices[4].selected = 1;  // the centre: on no border edge
  m.vertices[0].selected = 1;  // a corner, not its neighbour
  const std::string before = ai_mesh_section_bytes(m);
  EXPECT_FALSE(ai_mesh_weld(ed));
  m.vertices[8].selected = 1;
  EXPECT_FALSE(ai_mesh_weld(ed));
  EXPECT_EQ(ai_mesh_section_bytes(m), before);

  // Two border vertices of separate squares weld into one shared corner.
  ai_mesh two;
  for (const vec3& p : {vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 1, 0), vec3(0, 1, 0), vec3(3, 0, 0), vec3(4, 0, 0),
                        vec3(4, 1, 0), vec3(3, 1, 0)})
    add_ai_mesh_vertex(two, p);
  test::face_through(two, {0, 1, 2, 3});
  test::face_through(two, {4, 5, 6, 7});
  rebuild_ai_mesh_adjacency(two);
  ai_mesh_editor et(&two);
  two.vertices[1].selected = two.vertices[4].selected = 1;
  ASSERT_TRUE(ai_mesh_weld(et));
  EXPECT_EQ(two.vertices.size(), 7u);
  EXPECT_EQ(ai_mesh_fault(two), "");
}

TEST(AiMeshOperations, RemoveJoinsTwoTrianglesOnly) {
  ai_mesh m = quad_and_triangle();
  ai_mesh_editor ed(&m);
  select_edge(m, 1, 2);  // between the triangle and the quad
  const std::string before = ai_mesh_section_bytes(m);
  EXPECT_FALSE(ai_mesh_remove_edge(ed));
  EXPECT_EQ(ai_mesh_section_bytes(m), before);

  ai_mesh q = quad_grid(1, 1);
  ai_mesh_editor eq(&q);
  q.vertices[0].selected = q.vertices[3].selected = 1;
  ASSERT_TRUE(ai_mesh_connect(eq));
  ASSERT_TRUE(ai_mesh_remove_edge(eq, find_ai_mesh_edge(q, 0, 3)));
  ASSERT_EQ(q.faces.size(), 1u);
  EXPECT_EQ(q.faces[0].vertex_count, 4);
  EXPECT_EQ(q.edges.size(), 4u);
  EXPECT_FLOAT_EQ(q.faces[0].normal.z, 1.0f);
  EXPECT_EQ(ai_mesh_fault(q), "");
}

TEST(AiMeshOperations, ExtrudeGrowsBorderEdgesOutwards) {
  ai_mesh m = quad_grid(2, 1);  // vertices 0-2 along y = 0, 3-5 along y = 1
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_edges;
  select_edge(m, 0, 1);
  select_edge(m, 1, 2);
  select_edge(m, 1, 4);  // inner: two faces, not extruded
  ai_mesh_extrude(ed);
  EXPECT_EQ(ai_mesh_fault(m), "");
  ASSERT_EQ(m.faces.size(), 4u);
  ASSERT_EQ(m.vertices.size(), 9u);  // one new vertex per end, shared at 1
  expect_at(m.vertices[6].position, 0, -1, 0, "below 0");
  expect_at(m.vertices[7].position, 1, -1, 0, "below 1");
  expect_at(m.vertices[8].position, 2, -1, 0, "below 2");
  for (const ai_mesh_face& f : m.faces) EXPECT_FLOAT_EQ(f.normal.z, 1.0f);
  EXPECT_EQ(ed.selected_edge_count(), 0);
}

TEST(AiMeshOperations, FillBridgesSeparateFacesFacingTheSameWay) {
  ai_mesh m;
  for (const vec3& p : {vec3(0, 0, 0), vec3(1, 0, 0), vec3(1, 1, 0), vec3(0, 1, 0), vec3(3, 0, 0), vec3(4, 0, 0),
                        vec3(4, 1, 0), vec3(3, 1, 0)})
    add_ai_mesh_vertex(m, p);
  test::face_through(m, {0, 1, 2, 3});
  test::face_through(m, {4, 5, 6, 7});
  rebuild_ai_mesh_adjacency(m);
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_vertices;
  // Corners of one face only: refused.
  m.vertices[0].selected = m.vertices[1].selected = m.vertices[2].selected = 1;
  const std::string before = ai_mesh_section_bytes(m);
  EXPECT_FALSE(ai_mesh_fill(ed));
  EXPECT_EQ(ai_mesh_section_bytes(m), before);
  // 1, 2 and 4, 7: the gap between the squares, chosen in a crossing order.
  m.vertices[0].selected = 0;
  m.vertices[4].selected = m.vertices[7].selected = 1;
  ASSERT_TRUE(ai_mesh_fill(ed));
  ASSERT_EQ(m.faces.size(), 3u);
  EXPECT_EQ(m.faces[2].vertex_count, 4);
  EXPECT_FLOAT_EQ(m.faces[2].normal.z, 1.0f);
  EXPECT_FLOAT_EQ(m.faces[2].area, 2.0f);  // not a crossed bow tie
  EXPECT_EQ(ai_mesh_fault(m), "");
  // Five vertices: refused.
  m.vertices[5].selected = 1;
  EXPECT_FALSE(ai_mesh_fill(ed));
}

TEST(AiMeshOperations, BreakSelectedDetachesAndLifts) {
  ai_mesh m = quad_grid(2, 1);
  ai_mesh_editor ed(&m);
  m.faces[1].selected = 1;
  ai_mesh_break_selected(ed);
  EXPECT_EQ(ai_mesh_fault(m), "");
  EXPECT_EQ(m.faces.size(), 2u);
  EXPECT_EQ(m.vertices.size(), 8u);  // the shared side's two ends doubled
  EXPECT_EQ(m.edges.size(), 8u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(m.vertices[static_cast<std::size_t>(m.faces[1].vertices[k])].position.z, 1.0f);
    EXPECT_FLOAT_EQ(m.vertices[static_cast<std::size_t>(m.faces[0].vertices[k])].position.z, 0.0f);
  }

  // The whole graph: nothing doubled, only lifted.
  ai_mesh all = quad_grid(2, 1);
  ai_mesh_editor ea(&all);
  ea.select_all(ai_element_faces, 1);
  ai_mesh_break_selected(ea);
  EXPECT_EQ(all.vertices.size(), 6u);
  EXPECT_EQ(all.edges.size(), 7u);
  for (const ai_mesh_vertex& v : all.vertices) EXPECT_FLOAT_EQ(v.position.z, 1.0f);

  // Nothing selected: nothing happens.
  ai_mesh none = quad_grid(2, 1);
  const std::string before = ai_mesh_section_bytes(none);
  ai_mesh_editor en(&none);
  ai_mesh_break_selected(en);
  EXPECT_EQ(ai_mesh_section_bytes(none), before);
}

}  // namespace
}  // namespace hm
