#include "render/entity/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/texture_record.h"
#include "render/entity/render_view.h"

namespace hm {
namespace {

void expect_vec(const vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
  EXPECT_NEAR(v.z, z, 1e-5f);
}

TEST(camera_test, default_camera_planes) {
  camera c;
  EXPECT_EQ(c.plane_count, 6);
  const float h = 1.0f / std::sqrt(2.0f);
  expect_vec(c.planes[camera::plane_top].normal, 0, -h, -h);
  expect_vec(c.planes[camera::plane_bottom].normal, 0, h, -h);
  expect_vec(c.planes[camera::plane_right].normal, -h, 0, -h);
  expect_vec(c.planes[camera::plane_left].normal, h, 0, -h);
  expect_vec(c.planes[camera::plane_near].point, 0, 0, -1);
  expect_vec(c.planes[camera::plane_near].normal, 0, 0, -1);
  expect_vec(c.planes[camera::plane_far].point, 0, 0, -1000);
  expect_vec(c.planes[camera::plane_far].normal, 0, 0, 1);
}

TEST(camera_test, orthographic_planes_follow_the_axes) {
  camera c;
  c.perspective = 0;
  c.view_left = -2;
  c.view_right = 4;
  c.view_top = 3;
  c.view_bottom = -1;
  c.frame.origin = vec3(10, 0, 0);
  c.update_frustum_planes();
  expect_vec(c.planes[camera::plane_top].point, 10, 3, 0);
  expect_vec(c.planes[camera::plane_top].normal, 0, -1, 0);
  expect_vec(c.planes[camera::plane_bottom].point, 10, -1, 0);
  expect_vec(c.planes[camera::plane_right].point, 14, 0, 0);
  expect_vec(c.planes[camera::plane_left].point, 8, 0, 0);
  expect_vec(c.planes[camera::plane_left].normal, 1, 0, 0);
}

// Culling against each plane of a camera looking down -z from the origin with a
// 90 degree window (extents +-1 at distance 1), near 1, far 100.
TEST(camera_test, sphere_culling_table) {
  camera c;
  c.far = 100.0f;
  c.update_frustum_planes();
  struct {
    vec3 centre;
    float radius;
    bool visible;
  } cases[] = {
      {{0, 0, -10}, 0.5f, true},        // inside
      {{0, 0, 5}, 1.0f, false},         // behind the eye
      {{0, 0, -0.5f}, 0.4f, false},     // before the near plane
      {{0, 0, -0.5f}, 0.6f, true},      // straddles the near plane
      {{0, 0, -101}, 0.5f, false},      // past the far plane
      {{0, 0, -100.5f}, 1.0f, true},    // straddles the far plane
      {{0, 20, -10}, 1.0f, false},      // above the top
      {{0, 10.5f, -10}, 1.0f, true},    // straddles the top (0.35 out)
      {{0, -20, -10}, 1.0f, false},     // below the bottom
      {{0, -10.5f, -10}, 1.0f, true},   // straddles the bottom
      {{20, 0, -10}, 1.0f, false},      // right of the right
      {{10.5f, 0, -10}, 1.0f, true},    // straddles the right
      {{-20, 0, -10}, 1.0f, false},     // left of the left
      {{-10.5f, 0, -10}, 1.0f, true},   // straddles the left
      {{0, 0, 3}, 2.5f, false},         // behind the eye, wider than the side distances
  };
  for (const auto& k : cases) {
    EXPECT_EQ(c.sphere_visible(k.centre, k.radius), k.visible)
        << k.centre.x << " " << k.centre.y << " " << k.centre.z << " r " << k.radius;
  }
}

TEST(camera_test, sphere_exactly_at_minus_radius_counts_as_visible) {
  frustum_plane p{vec3(0, 0, 0), vec3(0, 0, 1)};
  EXPECT_TRUE(p.sphere_not_behind(vec3(0, 0, -2), 2.0f));
  EXPECT_FALSE(p.sphere_not_behind(vec3(0, 0, -2.0001f), 2.0f));
}

TEST(camera_test, box_culling) {
  camera c;
  c.far = 100.0f;
  c.update_frustum_planes();
  EXPECT_TRUE(c.box_visible(vec3(-1, -1, -11), vec3(1, 1, -9)));
  EXPECT_TRUE(c.box_visible(vec3(9, -1, -11), vec3(12, 1, -9)));  // straddles the right
  EXPECT_FALSE(c.box_visible(vec3(12, -1, -11), vec3(14, 1, -9)));
  EXPECT_FALSE(c.box_visible(vec3(-1, -1, 1), vec3(1, 1, 3)));
}

TEST(camera_test, set_perspective_takes_horizontal_field_of_view_and_height_ratio) {
  camera c;
  c.set_perspective(2.0f * std::atan(0.5f), 0.75f, 2.0f, 500.0f);
  EXPECT_NEAR(c.view_right, 1.0f, 1e-6f);
  EXPECT_NEAR(c.view_left, -1.0f, 1e-6f);
  EXPECT_NEAR(c.view_top, 0.75f, 1e-6f);
  EXPECT_NEAR(c.view_bottom, -0.75f, 1e-6f);
  EXPECT_EQ(c.near, 2.0f);
  EXPECT_EQ(c.far, 500.0f);
  expect_vec(c.planes[camera::plane_near].point, 0, 0, -2);
}

TEST(camera_test, world_to_screen_and_back) {
  camera c;
  c.frame.origin = vec3(5, 0, 0);
  c.frame.rotate_x(0.3f);
  c.view_left = -0.5f;  // off-centre window
  c.view_right = 1.5f;
  c.update_frustum_planes();
  float sx = 0, sy = 0;
  const vec3 p = c.frame.transform_point_to_global(vec3(0.5f, 0.25f, -4.0f));
  ASSERT_TRUE(c.world_to_screen(p, sx, sy));
  // At depth 4 the local point sits at (0.125, 0.0625) on the near window.
  EXPECT_NEAR(sx, (0.125f + 0.5f) / 2.0f, 1e-5f);
  EXPECT_NEAR(sy, (1.0f - 0.0625f) / 2.0f, 1e-5f);
  vec3 origin, direction;
  c.screen_to_ray(sx, sy, origin, direction);
  const vec3 to_point = get_normalized(p - origin);
  expect_vec(direction, to_point.x, to_point.y, to_point.z);
  EXPECT_FALSE(c.world_to_screen(c.frame.transform_point_to_global(vec3(0, 0, 1)), sx, sy));

  c.perspective = 0;
  c.update_frustum_planes();
  ASSERT_TRUE(c.world_to_screen(p, sx, sy));
  EXPECT_NEAR(sx, (0.5f + 0.5f) / 2.0f, 1e-5f);
  c.screen_to_ray(sx, sy, origin, direction);
  expect_vec(direction, -c.frame.rot.u.x, -c.frame.rot.u.y, -c.frame.rot.u.z);
  EXPECT_NEAR(dot_product(p - origin, c.frame.rot.s), 0.0f, 1e-5f);
}

TEST(render_view_test, construction_values) {
  render_view v;
  EXPECT_EQ(v.view_mask, 1u);
  EXPECT_EQ(v.keep_queued, 1u);
  EXPECT_EQ(v.viewport.max_depth, 1.0f);
  EXPECT_EQ(v.scene_colour.r, 1.0f);
  EXPECT_EQ(v.scene_colour.a, 1.0f);
  EXPECT_EQ(v.camera.plane_count, 6);
  EXPECT_EQ(v.queued, 0);
}

TEST(render_view_test, clear_meshes_keeps_meshes_and_destroy_frees_them) {
  render_view v;
  v.meshes.push_back(std::make_unique<mesh>());
  mesh* m = v.meshes.back().get();
  m->add_point(vec3(1, 2, 3));
  v.queued = 1;
  texture t;
  v.target = &t;
  v.clear_meshes();
  ASSERT_EQ(v.meshes.size(), 1u);
  EXPECT_EQ(v.meshes[0].get(), m);
  EXPECT_TRUE(m->points.empty());
  EXPECT_EQ(v.target, nullptr);
  EXPECT_EQ(v.queued, 0);

  texture owned;
  owned.in_use = 1;
  v.render_target = &owned;
  v.sub_view = std::make_unique<render_view>();
  v.destroy();
  EXPECT_TRUE(v.meshes.empty());
  EXPECT_EQ(v.sub_view, nullptr);
  EXPECT_EQ(owned.in_use, 0u);
}

class recording_renderer : public view_renderer {
 public:
  void queue_object(render_view& view) override {
    if (view.queued) return;
    view.queued = 1;
    queue.push_back(&view);
  }
  mesh& particle_mesh(material&) override { return shared; }
  std::vector<render_view*> queue;
  mesh shared;
};

TEST(render_view_test, meshes_queue_the_view_in_the_installed_renderer) {
  recording_renderer renderer;
  set_view_renderer(&renderer);
  render_view v;
  material mat;
  mesh m;
  m.set_material(&mat);
  m.add_point(vec3(0, 0, 0));
  m.add_point(vec3(1, 0, 0));
  m.add_point(vec3(0, 1, 0));
  for (int i = 0; i < 3; ++i) m.add_vertex(i, 0, 0, 0xFFFFFFFFu, vec3(0, 0, 1));
  m.add_face(0, 1, 2);
  m.visibility_mask = 1;
  m.render(v, frame::identity());
  m.render(v, frame::identity());
  EXPECT_EQ(renderer.queue.size(), 1u);
  EXPECT_EQ(v.render_list.size(), 2u);
  EXPECT_EQ(&v.particle_mesh(mat), &renderer.shared);
  set_view_renderer(nullptr);
  m.set_material(nullptr);
}

}  // namespace
}  // namespace hm
