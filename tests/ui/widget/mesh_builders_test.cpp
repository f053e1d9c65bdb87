// Meshes made for widgets: module mesh records placed as copies of their
// resource meshes, every vertex's alpha, the tableau quad and the pick ray of
// a 3D view widget.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/resource/material.h"
#include "module/media/tableau_material.h"
#include "module/records/module_mesh.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/mesh_builders.h"

namespace hm {
namespace {

class MeshBuilders : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    std::unique_ptr<mesh> box = quad(0.0f, 0.0f, 1.0f, 1.0f);
    box->name = "box";
    source = static_cast<mesh*>(resources.adopt_resource(std::move(box)));
  }
  static module_mesh record(vec3 translation, vec3 rotation, vec3 scale, std::int32_t flags = 0) {
    module_mesh m;
    m.id = "mesh_box";
    m.mesh_name = "box";
    m.flags = flags;
    m.translation = translation;
    m.rotation = rotation;
    m.scale = scale;
    return m;
  }
  static vec3 point_of(const mesh& m, int i) { return m.get_points()[static_cast<std::size_t>(i)].position; }

  mesh* source = nullptr;
  module_mesh_table table;
};

TEST_F(MeshBuilders, AnUnplacedRecordSharesItsSourcesGeometry) {
  table.meshes = {record(vec3(), vec3(), vec3(1.0f, 1.0f, 1.0f))};
  std::unique_ptr<mesh> copy = instantiate_module_mesh(table, 0);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(&copy->geometry_owner(), source);
  EXPECT_EQ(copy->render_order, 128);
}

TEST_F(MeshBuilders, RecordsScaleTurnAndMoveTheCopyOnly) {
  table.meshes = {
      record(vec3(1.0f, 0.0f, 0.5f), vec3(), vec3(2.0f, 1.0f, 1.0f), 1),
      record(vec3(), vec3(0.0f, 0.0f, 90.0f), vec3(1.0f, 1.0f, 1.0f)),
  };
  std::unique_ptr<mesh> moved = instantiate_module_mesh(table, 0);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->render_order, 128 + 8192);
  // The quad's corner (1, 0, 0): scaled to (2, 0, 0), then moved by (1, 0, 0.5).
  const vec3 p = point_of(*moved, 1);
  EXPECT_FLOAT_EQ(p.x, 3.0f);
  EXPECT_FLOAT_EQ(p.y, 0.0f);
  EXPECT_FLOAT_EQ(p.z, 0.5f);
  EXPECT_FLOAT_EQ(point_of(*source, 1).x, 1.0f);

  // A quarter turn about z takes x onto y.
  std::unique_ptr<mesh> turned = instantiate_module_mesh(table, 1);
  const vec3 q = point_of(*turned, 1);
  EXPECT_NEAR(q.x, 0.0f, 1e-5f);
  EXPECT_NEAR(q.y, 1.0f, 1e-5f);
}

TEST_F(MeshBuilders, BadIndexOrMissingResourceGivesNoMesh) {
  table.meshes = {record(vec3(), vec3(), vec3(1.0f, 1.0f, 1.0f))};
  table.meshes[0].mesh_name = "no_such_mesh";
  EXPECT_EQ(instantiate_module_mesh(table, 0), nullptr);
  EXPECT_EQ(instantiate_module_mesh(table, 1), nullptr);
  EXPECT_EQ(instantiate_module_mesh(table, -1), nullptr);
}

TEST_F(MeshBuilders, VertexAlphaIsSetOnTheCopysOwnGeometry) {
  std::unique_ptr<mesh> m = source->create_copy();
  mesh& own = *m;
  source->vertices[0].color = 0xFF336699u;
  set_vertex_alpha(own, 0.5f);
  EXPECT_NE(&own.geometry_owner(), source);
  // Each channel x 256 over 255, at most 255: 0.5 -> 128; 0x33 stays 0x33.
  EXPECT_EQ(own.get_vertices()[0].color, 0x80336699u);
  EXPECT_EQ(source->vertices[0].color, 0xFF336699u);
  set_vertex_alpha(own, 1.0f);
  EXPECT_EQ(own.get_vertices()[0].color >> 24, 0xFFu);
}

TEST_F(MeshBuilders, TableauQuadTakesTheRecordsCornerAndSize) {
  tableau_material record;
  record.values[0] = 0.1f;
  record.values[1] = 0.2f;
  record.values[2] = 0.3f;
  record.values[3] = 0.4f;
  std::unique_ptr<mesh> m = make_tableau_quad_mesh(record, resources.get_material(ruv_string("matte")));
  ASSERT_EQ(m->get_points().size(), 4u);
  EXPECT_FLOAT_EQ(point_of(*m, 0).x, 0.1f);
  EXPECT_FLOAT_EQ(point_of(*m, 2).x, 0.4f);
  EXPECT_FLOAT_EQ(point_of(*m, 2).y, 0.6f);
  EXPECT_EQ(m->get_vertices()[2].uv[0], 1.0f);
  EXPECT_EQ(m->get_vertices()[2].color, 0xFFFFFFFFu);
  ASSERT_NE(m->mat, nullptr);
  EXPECT_EQ(m->mat->name, "matte");
}

TEST_F(MeshBuilders, PickRayThroughTheViewWidget) {
  mesh_view_widget w;
  w.set_position({0.2f, 0.1f});
  w.set_size({0.4f, 0.3f});
  camera& c = w.view_camera;
  c.perspective = 1;
  c.view_left = -1.0f;
  c.view_right = 1.0f;
  c.view_bottom = -0.75f;
  c.view_top = 0.75f;
  c.near = 1.0f;
  c.far = 100.0f;
  c.frame = frame::identity();
  c.frame.origin = vec3(5.0f, 0.0f, 0.0f);
  vec3 near_point, far_point;
  // The widget's lower-left corner is the view's lower-left corner.
  mouse_at(0.2f, 0.1f);
  w.get_mouse_ray(near_point, far_point);
  EXPECT_NEAR(near_point.x, 4.0f, 1e-5f);
  EXPECT_NEAR(near_point.y, -0.75f, 1e-5f);
  EXPECT_NEAR(near_point.z, -1.0f, 1e-5f);
  EXPECT_NEAR(far_point.x, 5.0f - 100.0f, 1e-3f);
  EXPECT_NEAR(far_point.y, -75.0f, 1e-3f);
  EXPECT_NEAR(far_point.z, -100.0f, 1e-3f);
  // The centre looks straight ahead; orthographic rays run parallel.
  mouse_at(0.4f, 0.25f);
  w.get_mouse_ray(near_point, far_point);
  EXPECT_NEAR(near_point.x, 5.0f, 1e-5f);
  EXPECT_NEAR(near_point.y, 0.0f, 1e-5f);
  c.perspective = 0;
  mouse_at(0.2f, 0.1f);
  w.get_mouse_ray(near_point, far_point);
  EXPECT_NEAR(far_point.x, near_point.x, 1e-5f);
  EXPECT_NEAR(far_point.z, -100.0f, 1e-3f);
}

}  // namespace
}  // namespace hm
