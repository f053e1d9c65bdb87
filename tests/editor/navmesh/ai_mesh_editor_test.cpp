#include "editor/navmesh/ai_mesh_editor.h"

#include <gtest/gtest.h>

#include <random>

#include "ai_mesh_fixtures.h"
#include "editor/navmesh/ai_mesh_operations.h"
#include "editor/navmesh/ai_mesh_section.h"
#include "editor/navmesh/ai_mesh_view.h"
#include "render/terrain/height_field.h"

namespace hm {
namespace {

using test::quad_and_triangle;
using test::quad_grid;

TEST(AiMeshFault, NamesTheBrokenRule) {
  EXPECT_EQ(ai_mesh_fault(quad_and_triangle()), "");
  struct breaker {
    const char* name;
    void (*apply)(ai_mesh&);
    const char* expected;
  };
  const breaker cases[] = {
      {"orphan edge", [](ai_mesh& m) { add_ai_mesh_edge(m, 0, 4); }, "edge 6 is used by no face"},
      {"orphan vertex", [](ai_mesh& m) { add_ai_mesh_vertex(m, vec3(9, 9, 0)); }, "vertex 5 is used by no edge"},
      {"stale links", [](ai_mesh& m) { m.edges[0].face_count = 2; }, "edge 0 has stale face links"},
      {"side not joining", [](ai_mesh& m) { std::swap(m.faces[0].edges[0], m.faces[0].edges[1]); },
       "face 0 side 0 does not join its corners"},
      {"two corners", [](ai_mesh& m) { m.faces[1].vertex_count = 2; }, "face 1 has 2 corners"},
  };
  for (const breaker& c : cases) {
    ai_mesh m = quad_and_triangle();
    c.apply(m);
    EXPECT_EQ(ai_mesh_fault(m), c.expected) << c.name;
  }
}

TEST(AiMeshDeletion, CascadesKeepTheGraphSound) {
  // The triangle's face, one of its own sides, and its far vertex each take
  // the triangle with them, and the shared side stays with the quad.
  for (int which = 0; which < 3; ++which) {
    ai_mesh m = quad_and_triangle();
    ai_mesh_editor ed(&m);
    if (which == 0) ed.delete_face(1);
    if (which == 1) ed.delete_edge(find_ai_mesh_edge(m, 1, 4));
    if (which == 2) ed.delete_vertex(4);
    EXPECT_EQ(m.faces.size(), 1u) << which;
    EXPECT_EQ(m.edges.size(), 4u) << which;
    EXPECT_EQ(m.vertices.size(), 4u) << which;
    EXPECT_EQ(ai_mesh_fault(m), "") << which;
    EXPECT_EQ(m.faces[0].vertex_count, 4) << which;
  }
  // The shared vertex holds both faces up: everything goes.
  ai_mesh m = quad_and_triangle();
  ai_mesh_editor ed(&m);
  ed.delete_vertex(1);
  EXPECT_TRUE(m.vertices.empty());
  EXPECT_TRUE(m.edges.empty());
  EXPECT_TRUE(m.faces.empty());
}

TEST(AiMeshDeletion, LastSlotMovesNothingAndOtherSlotsRenumber) {
  ai_mesh m = quad_and_triangle();
  ai_mesh_editor ed(&m);
  ed.delete_face(1);  // the triangle is the last face, 4 the last vertex
  const std::int32_t quad[4] = {0, 1, 2, 3};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(m.faces[0].vertices[k], quad[k]);
  EXPECT_FLOAT_EQ(m.vertices[3].position.y, 2.0f);

  // Deleting the quad moves the triangle into slot 0; its corners 1, 4, 2
  // survive as the last vertex (4) moves into the freed slots.
  ai_mesh n = quad_and_triangle();
  ai_mesh_editor en(&n);
  en.delete_face(0);
  ASSERT_EQ(n.faces.size(), 1u);
  ASSERT_EQ(n.vertices.size(), 3u);
  EXPECT_EQ(ai_mesh_fault(n), "");
  for (int k = 0; k < 3; ++k) {
    const vec3 p = n.vertices[static_cast<std::size_t>(n.faces[0].vertices[k])].position;
    const vec3 expected[3] = {vec3(2, 0, 0), vec3(4, 1, 0), vec3(2, 2, 0)};
    EXPECT_FLOAT_EQ(p.x, expected[k].x) << k;
    EXPECT_FLOAT_EQ(p.y, expected[k].y) << k;
  }
}

TEST(AiMeshSelection, SelectAllSetsThePrimaryVertex) {
  ai_mesh m = quad_and_triangle();
  ai_mesh_editor ed(&m);
  ed.select_all(ai_element_vertices, 1);
  EXPECT_EQ(ed.primary_vertex, 4);
  EXPECT_EQ(ed.selected_vertex_count(), 5);
  ed.select_all(ai_element_vertices, 0);
  EXPECT_EQ(ed.primary_vertex, -1);
  EXPECT_EQ(ed.selected_vertex_count(), 0);
}

TEST(AiMeshSelection, ConvertsBetweenKinds) {
  ai_mesh m = quad_and_triangle();
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_faces;
  m.faces[0].selected = m.faces[1].selected = 1;
  ed.convert_selection_to_vertices();
  EXPECT_EQ(ed.selected_vertex_count(), 5);  // 1 and 2 are shared, selected once
  EXPECT_EQ(ed.primary_vertex, 2);           // the triangle's last corner

  // From vertices: the edges with a selected end, the faces with a
  // selected corner.
  ai_mesh_editor ev(&m);
  ev.element_mode = ai_element_vertices;
  ev.select_all(ai_element_vertices, 0);
  ev.select_all(ai_element_faces, 0);
  m.vertices[4].selected = 1;
  ev.convert_selection_to_edges();
  EXPECT_EQ(ev.selected_edge_count(), 2);
  EXPECT_TRUE(m.edges[static_cast<std::size_t>(find_ai_mesh_edge(m, 1, 4))].selected);
  ev.convert_selection_to_faces();
  EXPECT_EQ(ev.selected_face_count(), 1);
  EXPECT_TRUE(m.faces[1].selected);
}

TEST(AiMeshSelection, GrowFollowsEdgesNotDiagonals) {
  ai_mesh m = quad_grid(2, 2);  // 3 x 3 vertices
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_vertices;
  m.vertices[4].selected = 1;  // the centre
  ed.grow_selection();
  for (int v = 0; v < 9; ++v) EXPECT_EQ(m.vertices[static_cast<std::size_t>(v)].selected != 0, v % 2 == 1 || v == 4) << v;

  ai_mesh f = quad_grid(3, 1);
  ai_mesh_editor ef(&f);
  ef.element_mode = ai_element_faces;
  f.faces[0].selected = 1;
  ef.grow_selection();
  EXPECT_EQ(ef.selected_face_count(), 2);
  EXPECT_FALSE(f.faces[2].selected);
}

TEST(AiMeshSection, SavedAndReloadedGraphIsTheSame) {
  ai_mesh m = quad_grid(2, 2);
  ai_mesh_editor ed(&m);
  m.edges[static_cast<std::size_t>(find_ai_mesh_edge(m, 1, 4))].selected = 1;
  ASSERT_TRUE(ai_mesh_subdivide(ed));
  m.vertices[0].position = vec3(-0.5f, 0.25f, 1.75f);
  const std::string bytes = ai_mesh_section_bytes(m);
  ai_mesh back;
  ASSERT_TRUE(read_ai_mesh_section(bytes, back));
  EXPECT_EQ(ai_mesh_fault(back), "");
  ASSERT_EQ(back.vertices.size(), m.vertices.size());
  ASSERT_EQ(back.edges.size(), m.edges.size());
  ASSERT_EQ(back.faces.size(), m.faces.size());
  for (std::size_t i = 0; i < m.vertices.size(); ++i) {
    EXPECT_EQ(back.vertices[i].position.x, m.vertices[i].position.x);
    EXPECT_EQ(back.vertices[i].position.y, m.vertices[i].position.y);
    EXPECT_EQ(back.vertices[i].position.z, m.vertices[i].position.z);
  }
  for (std::size_t i = 0; i < m.edges.size(); ++i) {
    EXPECT_EQ(back.edges[i].vertex_a, m.edges[i].vertex_a);
    EXPECT_EQ(back.edges[i].vertex_b, m.edges[i].vertex_b);
    EXPECT_EQ(back.edges[i].face_0, m.edges[i].face_0);
    EXPECT_EQ(back.edges[i].face_1, m.edges[i].face_1);
    EXPECT_EQ(back.edges[i].face_count, m.edges[i].face_count);
  }
  for (std::size_t i = 0; i < m.faces.size(); ++i) {
    ASSERT_EQ(back.faces[i].vertex_count, m.faces[i].vertex_count);
    for (int k = 0; k < m.faces[i].vertex_count; ++k) {
      EXPECT_EQ(back.faces[i].vertices[k], m.faces[i].vertices[k]);
      EXPECT_EQ(back.faces[i].edges[k], m.faces[i].edges[k]);
    }
  }
  EXPECT_EQ(ai_mesh_section_bytes(back), bytes);
  // Cut-short bytes give an empty graph, not a partial one.
  ai_mesh cut;
  EXPECT_FALSE(read_ai_mesh_section(bytes.substr(0, bytes.size() - 3), cut));
  EXPECT_TRUE(cut.faces.empty());
}

// The grid a scene gets over its terrain (and the sample battle's file
// holds) keeps the editor's rules, so every operation works on it.
TEST(AiMeshFault, TheTerrainGridIsSound) {
  height_field field;
  field.resize(30, 28);
  ai_mesh m;
  build_grid_ai_mesh(m, field, 2);
  ASSERT_EQ(m.faces.size(), 2u * 1u);  // (30 - 24) / 2 = 3 by (28 - 24) / 2 = 2 vertices
  rebuild_ai_mesh_adjacency(m);
  EXPECT_EQ(ai_mesh_fault(m), "");
}

// Random selections and operations on a small graph: whatever succeeds or
// is refused, the graph stays sound.
TEST(AiMeshProperty, RandomOperationsKeepEveryRule) {
  int succeeded[13] = {};
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    ai_mesh m = quad_grid(3, 2);
    ai_mesh_editor ed(&m);
    for (int step = 0; step < 40; ++step) {
      const auto pick = [&](std::size_t n) { return static_cast<std::int32_t>(rng() % std::max<std::size_t>(n, 1)); };
      ed.element_mode = pick(3);
      ed.select_all(ai_element_vertices, 0);
      ed.select_all(ai_element_edges, 0);
      ed.select_all(ai_element_faces, 0);
      const int picks = 1 + pick(4);
      for (int i = 0; i < picks; ++i) {
        if (!m.vertices.empty()) m.vertices[static_cast<std::size_t>(pick(m.vertices.size()))].selected = 1;
        if (!m.edges.empty()) m.edges[static_cast<std::size_t>(pick(m.edges.size()))].selected = 1;
        if (!m.faces.empty()) m.faces[static_cast<std::size_t>(pick(m.faces.size()))].selected = 1;
      }
      const int op = pick(13);
      switch (op) {
        case 0: ai_mesh_create_new_face(ed, vec3(pick(8), pick(8), 0)); break;
        case 1: ai_mesh_extrude(ed); break;
        case 2: succeeded[op] += ai_mesh_fill(ed); break;
        case 3: succeeded[op] += ai_mesh_connect(ed); break;
        case 4: succeeded[op] += ai_mesh_subdivide(ed); break;
        case 5: succeeded[op] += ai_mesh_weld(ed); break;
        case 6: succeeded[op] += ai_mesh_remove_edge(ed, rng() % 2 ? -1 : pick(m.edges.size())); break;
        case 7: ai_mesh_break_selected(ed); break;
        case 8: ed.delete_selection(); break;
        case 9: ed.grow_selection(); break;
        case 10: ed.move_selection(ed.element_mode, vec3(0.5f, -0.25f, 0.1f)); break;
        case 11: ai_mesh_copy_faces(ed, frame::identity()); ai_mesh_paste_faces(ed, frame::identity()); break;
        default: ed.convert_selection_to_faces(); break;
      }
      rebuild_ai_mesh_adjacency(m);
      ASSERT_EQ(ai_mesh_fault(m), "") << "seed " << seed << " step " << step << " operation " << op;
      ASSERT_GE(ed.primary_vertex, -1);
      ASSERT_LT(ed.primary_vertex, static_cast<std::int32_t>(m.vertices.size()));
    }
  }
  // The sequences reach the operations that can be refused, not only their
  // refusals.
  for (int op : {3, 4, 5, 6}) EXPECT_GT(succeeded[op], 0) << "operation " << op;
}

}  // namespace
}  // namespace hm
