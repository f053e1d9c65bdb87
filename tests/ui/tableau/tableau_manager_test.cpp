// Tableaus drawn on a recording null device: a mesh that shows a tableau asks
// for its rendering when first drawn, the tableau's block fills a scene
// through the script operations (here a tableau inside the tableau), and each
// scene is cleared and drawn into its own render target; the scene stack is
// balanced afterwards, a tableau that shows itself renders once, and unused
// instances give their targets back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "engine/device/device_resources.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/texture_record.h"
#include "module/media/tableau_material.h"
#include "render/support/recording_device.h"
#include "render/view/scene_view.h"
#include "script/interpreter.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"
#include "ui/support/ui_test_support.h"
#include "ui/tableau/tableau_manager.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;
using test::make_block;

constexpr std::uint32_t banner_background = 0xFF102030u;

tableau_material record(const char* name, int width, int height, statement_block block) {
  tableau_material t;
  t.name = ruv_string(name);
  t.width = width;
  t.height = height;
  // The quad covers the middle of the default camera's window.
  t.values[0] = -0.25f;
  t.values[1] = -0.25f;
  t.values[2] = 0.5f;
  t.values[3] = 0.5f;
  t.script = std::move(block);
  return t;
}

class Tableaus : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    install_script_operations();
    install_tableau_scene_host();
    g_script_state.position_registers[0] = frame::identity();

    hooks.set_device(gpu.device.get());
    resources.set_device_hooks(&hooks);
    view.sleep = [](unsigned) {};
    view.set_up_buffers(1);
    view.set_device(gpu.device.get());
    view.pixel_shaders = false;
    view.restore_device_objects();
    g_tableau_manager.renderer = &view;
    g_tableau_manager.renders = 0;

    // 0: a shield showing banner 1 for object 77 in its middle; 1: the banner,
    // a plain background; 2: a tableau that shows itself.
    g_tableau_materials = tableau_material_table{};
    g_tableau_materials.materials.push_back(record("tab_shield", 256, 128, make_block({{1980, {1, 77, 0, 0}}})));
    g_tableau_materials.materials.push_back(
        record("tab_banner", 64, 64, make_block({{1985, {static_cast<std::int64_t>(banner_background)}}})));
    g_tableau_materials.materials.push_back(record("tab_mirror", 32, 32, make_block({{1980, {2, 1, 0, 0}}})));
  }

  void TearDown() override {
    shown.clear();
    g_tableau_manager.purge_unused_instances();
    g_tableau_manager.renderer = nullptr;
    view.set_device(nullptr);
    resources.release_render_target_textures();
    resources.set_device_hooks(nullptr);
    g_tableau_materials = tableau_material_table{};
    test::ui_test::TearDown();
  }

  // Draws a quad of (tableau, object) into a view of its own, as a window
  // drawing a widget would, and keeps the mesh.
  mesh& draw(int tableau, std::int64_t object) {
    shown.push_back(g_tableau_manager.make_quad_mesh(tableau, object));
    test::ui_recording_view ui_view;
    shown.back()->render(ui_view, frame::identity());
    return *shown.back();
  }

  gpu::surface* surface_of(int tableau, std::int64_t object) {
    tableau_instance* inst = g_tableau_manager.get_or_create_instance(tableau, object);
    return static_cast<gpu::surface*>(inst->target->surface);
  }

  test::recording_gpu gpu;
  gpu_resource_device hooks;
  scene_view view;
  std::vector<std::unique_ptr<mesh>> shown;
};

TEST_F(Tableaus, first_draw_renders_the_scene_and_the_tableau_inside_it) {
  mesh& shield = draw(0, 5);
  EXPECT_EQ(g_tableau_manager.renders, 2);
  EXPECT_TRUE(g_tableau_manager.scenes.empty());
  ASSERT_EQ(g_tableau_manager.instances.size(), 2u);

  tableau_instance* outer = g_tableau_manager.get_or_create_instance(0, 5);
  tableau_instance* inner = g_tableau_manager.get_or_create_instance(1, 77);
  EXPECT_TRUE(outer->rendered);
  EXPECT_TRUE(inner->rendered);
  EXPECT_EQ(shield.mat, outer->mat.get());
  EXPECT_EQ(outer->mat->textures[0], outer->target);
  EXPECT_EQ(outer->target->width, 256);
  EXPECT_EQ(outer->target->height, 128);
  EXPECT_EQ(inner->target->width, 64);
  ASSERT_NE(surface_of(0, 5), nullptr);
  ASSERT_NE(surface_of(1, 77), nullptr);
  EXPECT_NE(surface_of(0, 5), surface_of(1, 77));

  // The banner is cleared in its colour and drawn before the shield, whose
  // clear is transparent and which draws the banner's quad.
  const test::device_log& log = *gpu.log;
  auto clear_of = [&](gpu::surface* s) {
    auto it = std::find(log.clear_targets.begin(), log.clear_targets.end(), s);
    return it == log.clear_targets.end() ? -1 : static_cast<int>(it - log.clear_targets.begin());
  };
  const int banner_clear = clear_of(surface_of(1, 77));
  const int shield_clear = clear_of(surface_of(0, 5));
  ASSERT_GE(banner_clear, 0);
  ASSERT_GE(shield_clear, 0);
  EXPECT_LT(banner_clear, shield_clear);
  EXPECT_EQ(log.clear_colours[static_cast<std::size_t>(banner_clear)], banner_background);
  EXPECT_EQ(log.clear_colours[static_cast<std::size_t>(shield_clear)], 0u);
  EXPECT_EQ(std::count(log.draw_targets.begin(), log.draw_targets.end(), surface_of(0, 5)), 1);
  EXPECT_EQ(std::count(log.draw_targets.begin(), log.draw_targets.end(), surface_of(1, 77)), 0);
  // The depth buffer is at least 512 pixels each way.
  EXPECT_FALSE(log.depth_surfaces.empty());

  // Drawn again, nothing renders; after the device lost its targets, both do.
  test::ui_recording_view again;
  shield.render(again, frame::identity());
  EXPECT_EQ(g_tableau_manager.renders, 2);
  g_tableau_manager.invalidate_instances();
  shield.render(again, frame::identity());
  EXPECT_EQ(g_tableau_manager.renders, 4);
  EXPECT_TRUE(g_tableau_manager.scenes.empty());
}

TEST_F(Tableaus, the_blocks_lights_light_the_picture_and_none_leave_it_unlit) {
  draw(1, 3);
  EXPECT_TRUE(gpu.log->lights.empty());

  // Register 0 is the identity: it looks along +y from the origin.
  g_tableau_materials.materials.push_back(
      record("tab_lit", 32, 32, make_block({{1990, {0, 50, 100, 150}}, {1991, {0, 100, 0, 0}}})));
  draw(3, 0);
  const std::vector<gpu::light_desc>& lights = gpu.log->lights;
  ASSERT_EQ(lights.size(), 2u);
  // The sun first, then the point light 1000 units back along its direction
  // with a range of (r + g + b) x 10.
  EXPECT_EQ(lights[0].kind, gpu::light_kind::directional);
  EXPECT_FLOAT_EQ(lights[0].diffuse[0], 0.5f);
  EXPECT_FLOAT_EQ(lights[0].diffuse[1], 1.0f);
  EXPECT_FLOAT_EQ(lights[0].diffuse[2], 1.5f);
  EXPECT_FLOAT_EQ(lights[0].direction[1], 1.0f);
  EXPECT_EQ(lights[1].kind, gpu::light_kind::point);
  EXPECT_FLOAT_EQ(lights[1].diffuse[0], 1.0f);
  EXPECT_FLOAT_EQ(lights[1].position[1], -1000.0f);
  EXPECT_FLOAT_EQ(lights[1].range, 10.0f);
}

TEST_F(Tableaus, a_tableau_that_shows_itself_renders_once) {
  draw(2, 1);
  EXPECT_EQ(g_tableau_manager.renders, 1);
  EXPECT_TRUE(g_tableau_manager.scenes.empty());
  EXPECT_TRUE(g_tableau_manager.get_or_create_instance(2, 1)->rendered);
}

TEST_F(Tableaus, instances_no_mesh_shows_give_their_targets_back) {
  draw(1, 3);
  draw(1, 4);
  tableau_instance* kept = g_tableau_manager.get_or_create_instance(1, 4);
  texture* freed = g_tableau_manager.get_or_create_instance(1, 3)->target;
  ASSERT_EQ(kept->mat->use_count, 1);
  shown.erase(shown.begin());
  g_tableau_manager.purge_unused_instances();
  ASSERT_EQ(g_tableau_manager.instances.size(), 1u);
  EXPECT_EQ(g_tableau_manager.instances[0].get(), kept);
  EXPECT_EQ(freed->in_use, 0);
  EXPECT_EQ(g_tableau_materials.materials[1].render_targets.size(), 1u);
  // A new instance of the same size takes the freed target.
  EXPECT_EQ(g_tableau_manager.get_or_create_instance(1, 9)->target, freed);
}

// The module's table is reloaded while a window still shows a picture: the
// picture goes blank rather than drawing from a target another may take, and
// the next table's record at the same index gets an instance of its own.
TEST_F(Tableaus, a_released_table_leaves_shown_pictures_blank_and_unfound) {
  mesh& still_shown = draw(1, 3);
  draw(1, 4);
  shown.pop_back();  // its window closed
  tableau_instance* old = g_tableau_manager.get_or_create_instance(1, 3);
  texture* old_target = old->target;
  ASSERT_EQ(g_tableau_materials.materials[1].render_targets.size(), 2u);

  release_tableau_materials(g_tableau_materials);
  ASSERT_EQ(g_tableau_manager.instances.size(), 1u);
  EXPECT_EQ(old->target, nullptr);
  EXPECT_EQ(old_target->in_use, 0);
  EXPECT_EQ(still_shown.mat->textures[0], nullptr);
  EXPECT_TRUE(g_tableau_materials.materials[1].render_targets.empty());
  const int renders = g_tableau_manager.renders;
  test::ui_recording_view again;
  still_shown.render(again, frame::identity());
  EXPECT_EQ(g_tableau_manager.renders, renders);

  tableau_instance* fresh = g_tableau_manager.get_or_create_instance(1, 3);
  EXPECT_NE(fresh, old);
  EXPECT_NE(fresh->target, nullptr);
  // Once the window lets go, the blank one is purged.
  shown.clear();
  g_tableau_manager.purge_unused_instances();
  ASSERT_EQ(g_tableau_manager.instances.size(), 0u);
}

TEST_F(Tableaus, attaching_moves_the_mesh_between_instances_and_refuses_bad_tableaus) {
  mesh m;
  EXPECT_FALSE(g_tableau_manager.attach_to_mesh(3, 0, m));
  EXPECT_EQ(m.mat, nullptr);
  ASSERT_TRUE(g_tableau_manager.attach_to_mesh(1, 0, m));
  material* first = m.mat;
  EXPECT_EQ(first->use_count, 1);
  ASSERT_TRUE(g_tableau_manager.attach_to_mesh(1, 1, m));
  EXPECT_EQ(first->use_count, 0);
  EXPECT_EQ(m.mat->use_count, 1);
  EXPECT_EQ(g_tableau_manager.make_quad_mesh(-1, 0), nullptr);
  m.set_material(nullptr);
}

TEST_F(Tableaus, figures_wait_for_their_builder_and_trigger_objects_take_tableaus) {
  tableau_scene_host& host = *static_cast<tableau_scene_host*>(current_script_host().render);
  tableau_figure_request horse;
  horse.horse_item = 0;
  host.add_tableau_figure(horse);  // no scene open: nothing
  tableau_scene& s = g_tableau_manager.push_scene();
  host.add_tableau_figure(horse);
  EXPECT_TRUE(s.scene.pending_entities.empty());
  int built = 0;
  g_tableau_manager.figure_builder = [&](const tableau_figure_request&, entity&) { ++built; };
  host.add_tableau_figure(horse);
  EXPECT_EQ(built, 1);
  EXPECT_EQ(s.scene.pending_entities.size(), 1u);
  g_tableau_manager.figure_builder = nullptr;
  g_tableau_manager.pop_scene();

  mesh a, b;
  g_tableau_trigger_object.event_code = -40;
  g_tableau_trigger_object.meshes = {&a, &b};
  host.put_tableau_on_trigger_object(-50, 1, 6);
  EXPECT_EQ(a.mat, nullptr);
  host.put_tableau_on_trigger_object(-40, 1, 6);
  EXPECT_EQ(a.mat, g_tableau_manager.get_or_create_instance(1, 6)->mat.get());
  EXPECT_EQ(b.mat, a.mat);
  g_tableau_trigger_object = {};
  a.set_material(nullptr);
  b.set_material(nullptr);
}

}  // namespace
}  // namespace hm
