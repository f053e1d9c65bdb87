#include "editor/navmesh/ai_mesh_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "ai_mesh_fixtures.h"
#include "editor/navmesh/ai_mesh_display.h"
#include "editor/navmesh/ai_mesh_editor.h"
#include "editor/navmesh/ai_mesh_operations.h"
#include "editor/navmesh/ai_mesh_section.h"
#include "editor/navmesh/ai_mesh_session.h"
#include "engine/app/input_state.h"
#include "engine/resource/mesh.h"
#include "mission/ai/nav_path.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/screen/screen_controls.h"

namespace hm {
namespace {

using test::quad_grid;

constexpr int right_button = platform::mouse_button_first + 1;

// One frame of keys: `held` down in this and the previous frame, `clicked`
// down now only.
struct keys_frame {
  input_state state;
  screen_input input;
  keys_frame(std::initializer_list<int> held, std::initializer_list<int> clicked) {
    for (int k : held) state.keys[k] = state.previous_keys[k] = 1;
    for (int k : clicked) state.keys[k] = 1;
    input.state = &state;
  }
};

TEST(AiMeshPick, VerticesByAngleWithANearFloor) {
  ai_mesh m;
  add_ai_mesh_vertex(m, vec3(0.15f, 0.0f, -1.0f));   // 1 unit down, 0.15 aside: q floored at 2
  add_ai_mesh_vertex(m, vec3(0.9f, 0.0f, -10.0f));   // 10 down, 0.9 aside: 0.09
  add_ai_mesh_vertex(m, vec3(-1.1f, 0.0f, -10.0f));  // 0.11: too far off
  ai_mesh_editor ed(&m);
  const vec3 origin(0, 0, 0);
  const vec3 down(0, 0, -1);
  // 0.15 / 2 = 0.075 beats 0.09, though its raw angle (0.15) is worse.
  EXPECT_EQ(ai_mesh_pick_vertex(ed, origin, down), 0);
  m.vertices[0].position = vec3(0.25f, 0.0f, -1.0f);  // 0.125: out
  EXPECT_EQ(ai_mesh_pick_vertex(ed, origin, down), 1);
  // Behind the origin counts from the origin itself.
  EXPECT_EQ(ai_mesh_pick_vertex(ed, origin, vec3(0, 0, 1)), -1);
}

TEST(AiMeshPick, EdgesByTheirNearestPointAndFacesByNearestHit) {
  ai_mesh m = quad_grid(2, 1);  // vertices 0-2 on y = 0, 3-5 on y = 1
  ai_mesh_editor ed(&m);
  // Straight down onto the middle of the side from (0, 0) to (1, 0).
  const std::int32_t e = ai_mesh_pick_edge(ed, vec3(0.5f, 0.05f, 10.0f), vec3(0, 0, -1));
  EXPECT_EQ(e, find_ai_mesh_edge(m, 0, 1));
  EXPECT_EQ(ai_mesh_pick_edge(ed, vec3(0.5f, 0.5f, 2.0f), vec3(0, 0, -1)), -1);  // 0.5 off at 2 units
  // Faces: the upper half of quad 1 (its second triangle), and a higher
  // copy of the layout in front wins.
  EXPECT_EQ(ai_mesh_pick_face(ed, vec3(1.2f, 0.9f, 10.0f), vec3(0, 0, -1)), 1);
  EXPECT_EQ(ai_mesh_pick_face(ed, vec3(5.0f, 0.5f, 10.0f), vec3(0, 0, -1)), -1);
  EXPECT_EQ(ai_mesh_pick_face(ed, vec3(0.5f, 0.5f, 10.0f), vec3(1, 0, 0)), -1);  // parallel
}

TEST(AiMeshView, DeletingTwoAdjacentSelectedVerticesDeletesBoth) {
  ai_mesh m = quad_grid(3, 1);
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_vertices;
  m.vertices[6].selected = m.vertices[7].selected = 1;  // the last two: (2, 1) and (3, 1)
  ed.delete_selection();
  EXPECT_EQ(ed.selected_vertex_count(), 0);
  EXPECT_EQ(ai_mesh_fault(m), "");
  EXPECT_EQ(m.faces.size(), 1u);  // only the square away from both is left
}

TEST(AiMeshView, CopyAndPasteFollowTheCamera) {
  ai_mesh m = quad_grid(1, 1);
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_vertices;
  m.faces[0].selected = 1;
  ai_mesh_copy_faces(ed, frame::identity());
  EXPECT_TRUE(ed.clipboard.faces.empty());  // not in face mode

  ed.element_mode = ai_element_faces;
  frame cam = frame::identity();
  cam.origin = vec3(0, -5, 3);
  ai_mesh_copy_faces(ed, cam);
  ASSERT_EQ(ed.clipboard.faces.size(), 1u);
  EXPECT_EQ(ed.clipboard.vertices.size(), 4u);
  EXPECT_EQ(ed.clipboard.edge_ends.size(), 8u);
  EXPECT_EQ(ed.clipboard.faces[0].vertices[3] >= 0, true);

  // The camera turned a quarter left (looking along -x) and moved: the
  // copy lands 5 ahead of it and 3 below, turned with it.
  frame turned = frame::identity();
  turned.origin = vec3(100, 0, 3);
  turned.rot.s = vec3(0, 1, 0);
  turned.rot.f = vec3(-1, 0, 0);
  ai_mesh_paste_faces(ed, turned);
  ASSERT_EQ(m.faces.size(), 2u);
  EXPECT_EQ(ai_mesh_fault(m), "");
  EXPECT_EQ(ed.selected_face_count(), 1);
  EXPECT_TRUE(m.faces[1].selected);
  EXPECT_FALSE(m.faces[0].selected);
  // Vertex (0, 0, 0) was (0, 5, -3) in the camera's frame.
  const vec3 p = m.vertices[4].position;
  EXPECT_NEAR(p.x, 95.0f, 1e-4f);
  EXPECT_NEAR(p.y, 0.0f, 1e-4f);
  EXPECT_NEAR(p.z, 0.0f, 1e-4f);
  EXPECT_NEAR(m.faces[1].normal.z, 1.0f, 1e-5f);
}

TEST(AiMeshView, RotateAndScaleAboutTheCentroid) {
  ai_mesh m = quad_grid(1, 1);
  ai_mesh_editor ed(&m);
  ed.element_mode = ai_element_vertices;
  m.vertices[0].selected = m.vertices[1].selected = 1;  // (0, 0) and (1, 0): centre (0.5, 0)
  ai_mesh_scale_selection(ed, vec3(3, 1, 1));
  EXPECT_FLOAT_EQ(m.vertices[0].position.x, -1.0f);
  EXPECT_FLOAT_EQ(m.vertices[1].position.x, 2.0f);
  rotation quarter = rotation::identity();
  quarter.s = vec3(0, 1, 0);
  quarter.f = vec3(-1, 0, 0);
  ai_mesh_rotate_selection(ed, quarter);
  EXPECT_NEAR(m.vertices[0].position.x, 0.5f, 1e-6f);
  EXPECT_NEAR(m.vertices[0].position.y, -1.5f, 1e-6f);
  ed.select_all(ai_element_vertices, 0);
  const vec3 before = m.vertices[2].position;
  ai_mesh_scale_selection(ed, vec3(2, 2, 2));
  EXPECT_FLOAT_EQ(m.vertices[2].position.x, before.x);
}

struct frame_fixture {
  ai_mesh m = quad_grid(2, 1);
  ai_mesh_editor ed{&m};
  ai_mesh_display display;
  std::uint32_t element_mode = ai_element_vertices;
  std::uint32_t scene_changed = 0;
  mesh vertex_markers;
  mesh edge_markers;
  mesh face_markers;

  frame_fixture() {
    display.vertex_markers = &vertex_markers;
    display.edge_markers = &edge_markers;
    display.face_markers = &face_markers;
  }
  bool run(keys_frame& k, const vec3& ray_origin = vec3(), const vec3& ray_direction = vec3(0, 0, -1),
           float dx = 0.0f, float dy = 0.0f) {
    ai_mesh_view_input in;
    in.input = &k.input;
    in.has_ray = true;
    in.ray_origin = ray_origin;
    in.ray_direction = ray_direction;
    in.mouse_dx = dx;
    in.mouse_dy = dy;
    return ai_mesh_edit_frame(ed, in, {&element_mode, &scene_changed}, display);
  }
};

TEST(AiMeshEditFrame, RightClickPicksAndEmptySpaceClearsWithoutCtrl) {
  frame_fixture f;
  keys_frame click({}, {right_button});
  f.run(click, vec3(0, 0, 10));  // straight above vertex 0
  EXPECT_TRUE(f.m.vertices[0].selected);
  EXPECT_EQ(f.ed.primary_vertex, 0);
  EXPECT_GT(f.vertex_markers.vertices.size(), 0u);

  keys_frame ctrl_click({platform::key::left_control}, {right_button});
  f.run(ctrl_click, vec3(50, 50, 10));  // empty space with Ctrl: nothing changes
  EXPECT_TRUE(f.m.vertices[0].selected);
  f.run(ctrl_click, vec3(2, 0, 10));  // Ctrl adds vertex 2
  EXPECT_EQ(f.ed.selected_vertex_count(), 2);
  f.run(click, vec3(50, 50, 10));  // empty space without Ctrl clears
  EXPECT_EQ(f.ed.selected_vertex_count(), 0);
  EXPECT_EQ(f.scene_changed, 0u);
}

TEST(AiMeshEditFrame, KeysChooseModeMoveDeleteAndPaste) {
  frame_fixture f;
  keys_frame three({}, {platform::key::digit_1 + 2});
  EXPECT_TRUE(f.run(three));
  EXPECT_EQ(f.element_mode, 2u);
  EXPECT_EQ(f.ed.element_mode, ai_element_faces);

  keys_frame pick({}, {right_button});
  f.run(pick, vec3(0.5f, 0.5f, 10));
  ASSERT_TRUE(f.m.faces[0].selected);

  // T raises the selection: 0.6 x 0.01 x 10 for the mouse 10 counts up.
  keys_frame lift({platform::key::t}, {});
  f.run(lift, vec3(), vec3(0, 0, -1), 0.0f, -10.0f);
  EXPECT_FLOAT_EQ(f.m.vertices[0].position.z, 0.06f);
  EXPECT_FLOAT_EQ(f.m.vertices[2].position.z, 0.0f);
  EXPECT_EQ(f.scene_changed, 1u);

  keys_frame copy({platform::key::left_control}, {platform::key::c});
  f.run(copy);
  keys_frame shifted_paste({platform::key::left_control, platform::key::left_shift}, {platform::key::v});
  f.run(shifted_paste);
  EXPECT_EQ(f.m.faces.size(), 2u);  // Shift held: no paste
  keys_frame paste({platform::key::left_control}, {platform::key::v});
  f.run(paste);
  EXPECT_EQ(f.m.faces.size(), 3u);
  EXPECT_EQ(ai_mesh_fault(f.m), "");

  keys_frame del({}, {platform::key::del});
  f.run(del);  // the pasted face was the selection
  EXPECT_EQ(f.m.faces.size(), 2u);
  EXPECT_EQ(ai_mesh_fault(f.m), "");
}

// The mission's agents walk the graph the editor changes: cutting the
// middle of a strip of three squares leaves no path from end to end, and
// agents standing on faces that moved find their faces again.
TEST(AiMeshChanged, PathsUseTheEditedGraph) {
  ai_mesh graph = quad_grid(3, 1);
  mission m;
  m.nav_mesh = &graph;
  agent& a = m.allocate_agent();
  a.position() = vec3(2.5f, 0.5f, 0.0f);
  a.ground_face_index = 2;
  a.goal_face = 2;
  a.goal_position = vec3(2.5f, 0.5f, 0.0f);
  a.path_length = 3;

  std::int32_t stamp = 0;
  nav_open_list open;
  nav_path path;
  ASSERT_TRUE(find_path(graph, stamp, open, 0, 2, foot_clearance, path));

  ai_mesh_editor ed(m.nav_mesh);
  ed.element_mode = ai_element_faces;
  graph.faces[1].selected = 1;
  ed.delete_selection();
  ai_mesh_changed(m);
  ASSERT_EQ(graph.faces.size(), 2u);
  // The third square moved into slot 1.
  EXPECT_EQ(a.ground_face_index, 1);
  EXPECT_EQ(a.goal_face, 1);
  EXPECT_EQ(a.path_length, 0);
  EXPECT_FALSE(find_path(graph, stamp, open, 0, 1, foot_clearance, path));

  m.nav_mesh = nullptr;
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

TEST(AiMeshSession, ButtonsReportTheirWarningsAndMarkTheSceneChanged) {
  ai_mesh graph = test::quad_grid(1, 1);
  mission m;
  m.nav_mesh = &graph;
  ai_mesh_session session;
  session.enter(m);
  std::uint32_t changed = 0;
  graph.vertices[0].selected = graph.vertices[1].selected = 1;
  EXPECT_EQ(session.run(m, ai_mesh_command::connect, vec3(), changed), ai_connect_failure_message);
  EXPECT_EQ(changed, 0u);
  session.editor().element_mode = ai_element_edges;
  EXPECT_EQ(session.run(m, ai_mesh_command::weld, vec3(), changed), ai_single_edge_failure_message);
  EXPECT_EQ(session.run(m, ai_mesh_command::create_new_face, vec3(10, 20, 5), changed), "");
  EXPECT_EQ(changed, 1u);
  EXPECT_EQ(graph.faces.size(), 2u);
  // Not an outdoor scene (no game loaded): the terrain button changes nothing.
  changed = 0;
  EXPECT_EQ(session.run(m, ai_mesh_command::create_from_terrain, vec3(), changed), "");
  EXPECT_EQ(graph.faces.size(), 2u);
  EXPECT_EQ(changed, 0u);
  m.nav_mesh = nullptr;
}

}  // namespace
}  // namespace hm
