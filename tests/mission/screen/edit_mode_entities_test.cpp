// The edit mode's markers: the navigation graph's faces, sides and corners
// and the water plane, each made once.
#include "mission/screen/edit_mode_entities.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/resource/mesh.h"
#include "mission/records/mission.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"
#include "render/terrain/ai_mesh.h"

namespace hm {
namespace {

TEST(EditModeEntities, MarkersAreMadeOnceWithTheGraphAndTheWater) {
  mission m;
  m.scene = std::make_unique<scene_world>();
  m.water_level = -0.5f;
  ai_mesh graph;
  for (const vec3& p : {vec3(0, 0, 0), vec3(2, 0, 0), vec3(2, 2, 0), vec3(0, 2, 0)}) graph.vertices.push_back({p});
  ai_mesh_face quad;
  quad.vertex_count = 4;
  for (int i = 0; i < 4; ++i) quad.vertices[i] = i;
  graph.faces.push_back(quad);
  ai_mesh_edge side;
  side.vertex_a = 0;
  side.vertex_b = 1;
  graph.edges.push_back(side);
  // A face naming a corner the graph lacks is left out.
  ai_mesh_face broken = quad;
  broken.vertices[3] = 9;
  graph.faces.push_back(broken);
  m.nav_mesh = &graph;

  create_edit_mode_entities(m);
  create_edit_mode_entities(m);
  ASSERT_EQ(m.scene->pending_entities.size(), 2u);
  const entity* nav = find_marker_entity(m, nav_marker_owner);
  ASSERT_NE(nav, nullptr);
  ASSERT_EQ(nav->meshes.size(), 3u);
  // One face: a quad seen from both sides (four triangles); one side; four
  // corners.
  EXPECT_EQ(nav->meshes[0]->get_faces().size(), 4u);
  EXPECT_EQ(nav->meshes[1]->get_faces().size(), 4u);
  EXPECT_EQ(nav->meshes[2]->get_faces().size(), 16u);
  const entity* water = find_marker_entity(m, water_marker_owner);
  ASSERT_NE(water, nullptr);
  ASSERT_EQ(water->meshes.size(), 1u);
  for (const mesh_point& p : water->meshes[0]->get_points()) EXPECT_FLOAT_EQ(p.position.z, -0.5f);
  for (const mesh_vertex& v : water->meshes[0]->get_vertices()) EXPECT_EQ(v.color, 0x663333FFu);
  m.nav_mesh = nullptr;
}

}  // namespace
}  // namespace hm
