// Water reflections through a scene's full submission: the nested view made
// once per view with its target, the mirrored camera and clip plane, what the
// fast and the full reflection draw, and views without water or target.
#include <gtest/gtest.h>

#include "engine/device/device_resources.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/ruv_config.h"
#include "platform/gpu/null_device.h"
#include "render/entity/entity.h"
#include "render/shadow/reflection.h"
#include "render/shadow/render_pass_state.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

constexpr float water_height = -0.3f;

struct Reflection : ::testing::Test {
  std::unique_ptr<gpu::device> device;
  gpu_resource_device hooks;
  ruv_config saved_config = g_ruv_config;
  material water, plain;
  std::unique_ptr<scene_world> scene;
  entity* lake = nullptr;
  entity* tree = nullptr;
  entity* sky = nullptr;
  render_view view;

  void SetUp() override {
    gpu::null_system system;
    gpu::present_parameters p;
    p.back_buffer_width = p.back_buffer_height = 16;
    ASSERT_EQ(system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, device),
              gpu::result::ok);
    hooks.set_device(device.get());
    g_resource_manager.set_device_hooks(&hooks);
    water.flags = material_flag_reflective;
    scene = std::make_unique<scene_world>();
    lake = add(vec3(-10, -10, water_height), vec3(10, 10, water_height), water);
    tree = add(vec3(0, 5, 0), vec3(1, 6, 4), plain);
    sky = add(vec3(-1, -1, -1), vec3(1, 1, 1), plain);
    scene->sky_entity = sky;
    scene->update_entities(0.0f);
    // Looking along +y from above the water.
    camera& c = view.camera;
    c.frame.rot.s = vec3(1, 0, 0);
    c.frame.rot.f = vec3(0, 0, 1);
    c.frame.rot.u = vec3(0, -1, 0);
    c.frame.origin = vec3(0, -8, 2);
    c.set_perspective(1.2f, 0.75f, 0.5f, 100.0f);
    view.flags = view_flag_clear_colour | view_flag_clear_depth;
  }
  void TearDown() override {
    view.destroy();
    scene.reset();
    g_resource_manager.release_render_target_textures();
    g_resource_manager.set_device_hooks(nullptr);
    g_ruv_config = saved_config;
    set_render_debug_text(nullptr);
  }

  entity* add(const vec3& lo, const vec3& hi, material& m) {
    auto e = std::make_unique<mesh_entity>();
    auto mesh_ = std::make_unique<mesh>();
    for (const vec3& p : {lo, vec3(hi.x, lo.y, lo.z), hi}) {
      const std::int32_t point = mesh_->add_point(p);
      mesh_->add_vertex(point, 0, 0, 0xFFFFFFFFu, vec3(0, 0, 1));
    }
    mesh_->add_face(0, 1, 2);
    mesh_->set_material(&m);
    e->add_mesh(std::move(mesh_));
    e->compute_local_bounds();
    return scene->adopt_entity(std::move(e));
  }
  static bool holds_mesh(const render_view& v, const mesh& m) {
    for (const render_list_entry& entry : v.render_list)
      if (entry.m == &m) return true;
    return false;
  }
  static bool holds(const render_view& v, const entity* e) {
    for (const render_list_entry& entry : v.render_list)
      if (entry.m == e->meshes[0].get()) return true;
    return false;
  }
};

TEST_F(Reflection, WaterGetsAMirroredViewMadeOnceAndReused) {
  std::string debug;
  set_render_debug_text(&debug);
  g_ruv_config.enable_edit_mode = 1;
  g_ruv_config.fake_reflections = 0;
  scene->submit_to_view(view, true);
  ASSERT_NE(view.sub_view, nullptr);
  ASSERT_NE(view.render_target, nullptr);
  render_view& sub = *view.sub_view;
  EXPECT_EQ(view.render_target->width, 256);
  EXPECT_EQ(view.render_target->requested_format, static_cast<std::int32_t>(gpu::format::x8r8g8b8));
  EXPECT_EQ(sub.target, view.render_target);
  EXPECT_EQ(sub.viewport.width, 256u);
  EXPECT_EQ(sub.clip_plane_enabled, 1);
  EXPECT_FLOAT_EQ(sub.clip_plane[2], 1.0f);
  EXPECT_FLOAT_EQ(sub.clip_plane[3], -(water_height - 0.25f));
  // The eye 2.3 above the water sees from 2.3 below it, its axes turned over.
  EXPECT_FLOAT_EQ(sub.camera.frame.origin.z, 2.0f * water_height - 2.0f);
  EXPECT_FLOAT_EQ(sub.camera.frame.rot.f.z, -1.0f);
  EXPECT_EQ(sub.fog_invert, 1);
  EXPECT_EQ(sub.reverse_culling, 1);
  EXPECT_EQ(sub.fog, &scene->environment);
  EXPECT_TRUE(sub.queued);
  // The full reflection draws the scene's entities, with its own depth clear.
  EXPECT_TRUE(holds(sub, tree));
  EXPECT_TRUE(sub.flags & view_flag_clear_depth);
  EXPECT_EQ(debug, "RENDERING REFLECTIONS;");

  // The next frame reuses both.
  render_view* made = view.sub_view.get();
  texture* target = view.render_target;
  view.render_list.clear();
  sub.render_list.clear();
  scene->submit_to_view(view, true);
  EXPECT_EQ(view.sub_view.get(), made);
  EXPECT_EQ(view.render_target, target);
}

TEST_F(Reflection, FastReflectionsMirrorOnlyTheSky) {
  g_ruv_config.fake_reflections = 1;
  view.flags = view_flag_clear_colour;
  scene->submit_to_view(view, true);
  ASSERT_NE(view.sub_view, nullptr);
  EXPECT_TRUE(holds(*view.sub_view, sky));
  EXPECT_FALSE(holds(*view.sub_view, tree));
  EXPECT_FALSE(view.sub_view->flags & view_flag_clear_depth);
}

// An entity that draws into the scene's own per-frame mesh as it submits.
struct painter final : mesh_entity {
  void submit_meshes(mesh_render_view& view, reflection_info& reflection) override {
    mesh& m = *owner->view.meshes[0];
    for (const vec3& p : {vec3(0, 5, 0), vec3(1, 5, 0), vec3(0, 6, 0)})
      m.add_vertex(m.add_point(p), 0, 0, 0xFFFFFFFFu, vec3(0, 0, 1));
    const auto n = static_cast<std::int32_t>(m.vertices.size());
    m.add_face(n - 3, n - 2, n - 1);
    mesh_entity::submit_meshes(view, reflection);
  }
};

// The scene's per-frame meshes start each submission empty, take what the
// entities put in them, and go to the view marked as changed.
TEST_F(Reflection, TheScenesPerFrameMeshesAreEmptiedMarkedAndQueued) {
  auto own = std::make_unique<mesh>();
  own->set_material(&plain);
  mesh& frame_mesh = *own;
  scene->view.meshes.push_back(std::move(own));
  auto e = std::make_unique<painter>();
  e->bounding_centre = vec3(0, 5, 0);
  e->set_bounding_radius(1.0f);
  scene->adopt_entity(std::move(e));
  scene->update_entities(0.0f);
  for (int frame = 0; frame < 2; ++frame) {
    frame_mesh.clear_change_marks();
    view.render_list.clear();
    scene->submit_to_view(view, false);
    EXPECT_EQ(frame_mesh.get_faces().size(), 1u) << "emptied first, so one frame's face only";
    EXPECT_TRUE(frame_mesh.vertices_changed());
    EXPECT_TRUE(frame_mesh.faces_changed());
    EXPECT_TRUE(holds_mesh(view, frame_mesh));
  }
  frame_mesh.set_material(nullptr);
}

TEST_F(Reflection, NoReflectionWithoutWaterPermissionOrTarget) {
  scene->submit_to_view(view, false);
  EXPECT_EQ(view.sub_view, nullptr);
  EXPECT_TRUE(holds(view, lake));

  lake->meshes[0]->mat = &plain;
  scene->submit_to_view(view, true);
  EXPECT_EQ(view.sub_view, nullptr);

  // A target the device cannot make: the nested view stays empty.
  lake->meshes[0]->mat = &water;
  g_resource_manager.set_device_hooks(nullptr);
  render_view other;
  other.camera = view.camera;
  scene->submit_to_view(other, true);
  ASSERT_NE(other.sub_view, nullptr);
  EXPECT_FALSE(target_is_valid(other.render_target));
  EXPECT_TRUE(other.sub_view->render_list.empty());
  EXPECT_FALSE(other.sub_view->queued);
  other.destroy();
}

}  // namespace
}  // namespace hm
