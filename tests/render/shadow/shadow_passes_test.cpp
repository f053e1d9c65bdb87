// The frame's shadow passes against the null device: the passes' order and
// clears with each shadow option, the targets taken from and returned to the
// pools, the shadow map's size, the plant-shadow read-back and its depth test,
// a device reset, and a target the device cannot make.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "engine/device/device_resources.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "engine/settings/ruv_config.h"
#include "platform/fs.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/light.h"
#include "render/shadow/render_pass_state.h"
#include "render/view/scene_view.h"
#include "render/scene/scene_world.h"
#include "render/support/recording_device.h"
#include "render/support/gl_test_device.h"
#include "render/support/scene_fixtures.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;
namespace fs = std::filesystem;


gpu::surface* surface_of(const texture* t) { return t ? static_cast<gpu::surface*>(t->surface) : nullptr; }

struct ShadowPasses : ::testing::Test {
  test::recording_gpu gpu;
  gpu_resource_device hooks;
  std::unique_ptr<gpu::effect> effect;
  scene_view view;
  game_options options;
  ruv_config config;
  shader plain_shader, depth_shader;
  technique_record plain_techniques, depth_techniques;
  material mat;
  std::unique_ptr<scene_world> scene;
  render_pass_state state;
  fs::path user_folder;
  game_options saved_options = g_game_options;

  void SetUp() override {
    // A target the device refuses may switch an option off in options.dat.
    user_folder = fs::temp_directory_path() / ("hm_shadow_passes_" + std::to_string(::getpid()));
    fs::create_directories(user_folder);
    ::setenv("XDG_DATA_HOME", user_folder.c_str(), 1);
    platform::invalidate_path_cache();

    hooks.set_device(gpu.device.get());
    g_resource_manager.set_device_hooks(&hooks);
    std::string errors;
    ASSERT_EQ(gpu.device->create_effect(test::engine_effect_text(), effect, errors), gpu::result::ok) << errors;
    plain_techniques.plain = effect->get_technique_by_name("def_shader");
    plain_techniques.shadowed = effect->get_technique_by_name("def_shader_SHDW");
    plain_shader.flags = shader::flag_effect;
    plain_shader.technique_rec = &plain_techniques;
    depth_techniques.plain = effect->get_technique_by_name("render_to_depth");
    depth_shader.flags = shader::flag_effect;
    depth_shader.technique_rec = &depth_techniques;
    mat.shader_ptr = &plain_shader;

    view.options = &options;
    view.sleep = [](unsigned) {};
    view.set_up_buffers(1);
    view.set_device(gpu.device.get());
    view.set_effect(effect.get());
    view.render_to_depth_shader = &depth_shader;
    view.render_to_depth_skin_shader = &depth_shader;
    view.restore_device_objects();
    set_view_renderer(&view);

    config.shadowmap_quality = config.active_shadowmap_quality = 0;
    state.renderer_override = &view;
    state.options_override = &options;
    state.config_override = &config;

    scene = std::make_unique<scene_world>();
    light& sun = scene->create_light();
    sun.type = light_type_directional;
    sun.colour = {1.0f, 1.0f, 1.0f, 1.0f};
    sun.direction = get_normalized(vec3(0.3f, 0.2f, -1.0f));
    // Five casters in a row: ids 1 to 5, one in each slice but slice 0 twice.
    for (int i = 0; i < 5; ++i) add_caster(vec3(static_cast<float>(i) * 3.0f, 0.0f, 0.0f));
    state.begin_shadow_bounds(*scene);
    for (const vec3& corner : {vec3(-5, -5, 0), vec3(20, 5, 0), vec3(-5, 5, 3), vec3(20, -5, 3)})
      state.extend_shadow_bounds(corner);
    state.finish_shadow_bounds();
  }

  void TearDown() override {
    state.release_targets();
    scene.reset();
    set_view_renderer(nullptr);
    view.set_device(nullptr);
    g_resource_manager.release_render_target_textures();
    g_resource_manager.set_device_hooks(nullptr);
    ::unsetenv("XDG_DATA_HOME");
    platform::invalidate_path_cache();
    fs::remove_all(user_folder);
    g_game_options = saved_options;
  }

  static std::unique_ptr<mesh> triangle(material& mat) {
    auto m = std::make_unique<mesh>();
    for (const vec3& p : {vec3(-1, -1, 0), vec3(1, -1, 0), vec3(0, 1, 2)}) {
      const std::int32_t point = m->add_point(p);
      m->add_vertex(point, 0, 0, 0xFFFFFFFFu, vec3(0, 0, 1));
    }
    m->add_face(0, 1, 2);
    m->set_material(&mat);
    return m;
  }

  // A posed figure as a battle's agent is: nothing in the entity itself, one
  // mesh hung on its skeleton with an ordinary view's show word (or none).
  skeleton_entity& add_figure(const vec3& at, std::uint32_t show_word) {
    auto e = std::make_unique<skeleton_entity>();
    e->animated_skeleton = std::make_unique<skeleton_instance>(clock_real_time);
    e->animated_skeleton->set_skeleton(*figure_skeleton);
    auto m = triangle(mat);
    m->visibility_mask = show_word;
    e->animated_skeleton->bones[0].meshes.push_back(std::move(m));
    hm::frame f = hm::frame::identity();
    f.origin = at;
    e->set_frame(f);
    return static_cast<skeleton_entity&>(*scene->adopt_entity(std::move(e)));
  }
  std::unique_ptr<skeleton> figure_skeleton = test::make_chain_skeleton("figure", 2);

  void add_caster(const vec3& at) {
    auto e = std::make_unique<mesh_entity>();
    auto m = triangle(mat);
    m->visibility_mask = 0x1FFFF;  // cast into the shadow map too
    e->add_mesh(std::move(m));
    e->compute_local_bounds();
    hm::frame f = hm::frame::identity();
    f.origin = at;
    e->set_frame(f);
    scene->adopt_entity(std::move(e));
  }
};

TEST_F(ShadowPasses, EachOptionRunsThePassesInOrderWithTargetsFromThePools) {
  struct option_case {
    bool pixel_shaders;
    int environment_shadows;
  };
  for (const option_case c : {option_case{true, 1}, {true, 0}, {false, 1}, {false, 0}}) {
    SCOPED_TRACE(testing::Message() << "pixel shaders " << c.pixel_shaders << ", shadows " << c.environment_shadows);
    view.pixel_shaders = c.pixel_shaders;
    options.environment_shadows = c.environment_shadows;
    scene->environment = scene_environment{};
    // A view queued before the passes, drawing into the back buffer.
    render_view main;
    main.flags = view_flag_clear_colour;
    main.clear_colour = 0xFF102030u;
    auto main_mesh = std::make_unique<mesh>();
    for (int i = 0; i < 3; ++i) {
      main_mesh->add_point(vec3(static_cast<float>(i), 0.0f, -5.0f));
      main_mesh->add_vertex(i, 0.0f, 0.0f, 0xFFFFFFFFu, vec3(0, 0, 1));
    }
    main_mesh->add_face(0, 1, 2);
    main_mesh->set_material(&mat);
    main_mesh->render(main, hm::frame::identity());
    *gpu.log = test::device_log{};

    render_passes(state);

    const test::device_log& log = *gpu.log;
    if (c.environment_shadows) {
      ASSERT_NE(state.shadow_target, nullptr);
      texture* colour = state.shadow_target->textures[0];
      EXPECT_EQ(state.shadow_target->in_use, 1u);
      EXPECT_EQ(colour->requested_format,
                static_cast<std::int32_t>(c.pixel_shaders ? gpu::format::r32f : gpu::format::a8));
      EXPECT_EQ(colour->width, 1024);
      EXPECT_EQ(colour->flags, shadow_texture_flags);
      EXPECT_EQ(state.shadow_target->flags, shadow_material_flags);
      // The map is cleared once, by its first slice, to the far depth (the
      // alpha texture to nothing); every caster is drawn into it once.
      std::vector<std::uint32_t> map_clears;
      for (std::size_t i = 0; i < log.clear_targets.size(); ++i)
        if (log.clear_targets[i] == surface_of(colour)) map_clears.push_back(log.clear_colours[i]);
      EXPECT_EQ(map_clears, std::vector<std::uint32_t>{c.pixel_shaders ? 0xFFFFFFFFu : 0u});
      const auto into_map = std::count(log.draw_targets.begin(), log.draw_targets.end(), surface_of(colour));
      EXPECT_EQ(into_map, 5);
    } else {
      EXPECT_EQ(state.shadow_target, nullptr);
      EXPECT_TRUE(std::none_of(log.draw_targets.begin(), log.draw_targets.end(),
                               [](gpu::surface* s) { return s != nullptr; }));
    }
    if (c.pixel_shaders) {
      // The queued view waits for the frame's render; the map is handed on.
      EXPECT_EQ(std::count(log.draw_targets.begin(), log.draw_targets.end(), nullptr), 0);
      EXPECT_EQ(scene->environment.shadow_map_ready, c.environment_shadows);
      if (c.environment_shadows) {
        EXPECT_EQ(scene->environment.shadow_map, state.shadow_target->textures[0]);
        EXPECT_EQ(state.shadow_depth->in_use, 1u);
        EXPECT_EQ(state.shadow_depth->kind, texture::kind_depth_target);
      }
    } else {
      // Without pixel shaders the queue is drawn first, the depth target goes
      // back every frame and nothing is published.
      ASSERT_FALSE(log.draw_targets.empty());
      EXPECT_EQ(log.draw_targets.front(), nullptr);
      EXPECT_EQ(state.shadow_depth, nullptr);
      EXPECT_EQ(scene->environment.shadow_map_ready, 0);
    }
    // The pass view is not left for the frame's render.
    EXPECT_TRUE(std::find(view.queue.begin(), view.queue.end(), &state.view) == view.queue.end());
    view.render();

    // Handed back, the same targets come out of the pools again.
    material* before = state.shadow_target;
    state.release_targets();
    EXPECT_EQ(scene->environment.shadow_map, nullptr);
    if (before) {
      EXPECT_EQ(before->in_use, 0u);
      render_passes(state);
      EXPECT_EQ(state.shadow_target, before);
      state.release_targets();
    }
  }
}

TEST_F(ShadowPasses, MapSizeFollowsTheQualityWithinTheDevicesLimit) {
  struct size_case {
    int quality;
    std::uint32_t max_width, max_height;
    int width, height;
  };
  for (const size_case c : {size_case{0, 4096, 4096, 1024, 1024}, {1, 4096, 4096, 2048, 2048},
                            {2, 4096, 4096, 4096, 4096}, {2, 2048, 2048, 2048, 2048}, {1, 4096, 1024, 4096, 1024},
                            {7, 4096, 4096, 1024, 1024}, {2, 0, 0, 4096, 4096}}) {
    int w = 0, h = 0;
    shadow_map_size(c.quality, c.max_width, c.max_height, w, h);
    EXPECT_EQ(w, c.width) << c.quality << " " << c.max_width;
    EXPECT_EQ(h, c.height) << c.quality << " " << c.max_height;
  }
  // A new quality asked for takes effect at the next bounds, with new targets.
  view.pixel_shaders = true;
  render_passes(state);
  material* small = state.shadow_target;
  ASSERT_NE(small, nullptr);
  config.shadowmap_quality = 1;
  state.begin_shadow_bounds(*scene);
  state.extend_shadow_bounds(vec3(-5, -5, 0));
  state.extend_shadow_bounds(vec3(5, 5, 3));
  state.finish_shadow_bounds();
  EXPECT_EQ(config.active_shadowmap_quality, 1);
  EXPECT_EQ(small->in_use, 0u);
  render_passes(state);
  ASSERT_NE(state.shadow_target, nullptr);
  EXPECT_EQ(state.shadow_target->textures[0]->width, 2048);
}

TEST_F(ShadowPasses, QuickPlantShadowsNeedPixelShadersAndAMap) {
  struct plant_case {
    bool pixel_shaders;
    int environment_shadows;
    int plant_shadows_after;
  };
  for (const plant_case c : {plant_case{false, 1, 0}, {true, 0, 0}, {true, 1, 1}}) {
    view.pixel_shaders = c.pixel_shaders;
    options.environment_shadows = c.environment_shadows;
    options.plant_shadows = 1;
    render_passes(state);
    EXPECT_EQ(options.plant_shadows, c.plant_shadows_after) << c.pixel_shaders << c.environment_shadows;
    EXPECT_EQ(state.readback_surface != nullptr, c.plant_shadows_after == 1);
    state.release_targets();
  }
  // The full option is left as it is.
  options.plant_shadows = 2;
  view.pixel_shaders = false;
  render_passes(state);
  EXPECT_EQ(options.plant_shadows, 2);
}

TEST_F(ShadowPasses, ShadowTestReadsTheCopyWithItsEdgesClamped) {
  view.pixel_shaders = true;
  options.plant_shadows = 1;
  float out = 0.5f;
  // Nothing drawn yet: the test cannot tell.
  EXPECT_FALSE(state.shadow_test(vec3(), out));
  EXPECT_EQ(out, 1.0f);

  render_passes(state);
  ASSERT_NE(state.shadow_target, nullptr);
  // The map's depth: 0.5 everywhere but the last column, which is 0.1.
  const int size = state.shadow_width;
  std::vector<float> depths(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0.5f);
  for (int y = 0; y < size; ++y) depths[static_cast<std::size_t>(y * size + size - 1)] = 0.1f;
  auto* device_texture = static_cast<gpu::texture*>(state.shadow_target->textures[0]->frames[0]);
  ASSERT_EQ(device_texture->update_level(0, depths.data(), depths.size() * 4), gpu::result::ok);
  state.read_back_shadow_map();
  ASSERT_NE(state.readback_surface, nullptr);

  const shadow_projection& p = state.projection;
  // A world point at a place in the map (x, y from 0 to 1) and a depth.
  auto at = [&](float x, float y, float depth) {
    return p.view.transform_point_to_global(
        vec3(p.x0 + x * (p.x1 - p.x0), p.y0 + y * (p.y1 - p.y0), -(p.z0 + depth * (p.z1 - p.z0))));
  };
  struct test_case {
    float x, y, depth;
    bool told;
    float lit;
  };
  for (const test_case c : {test_case{0.5f, 0.5f, 0.3f, true, 1.0f}, {0.5f, 0.5f, 0.7f, true, 0.0f},
                            {1.0f, 0.5f, 0.3f, true, 0.0f},  // the right edge reads the last column
                            {1.0f, 1.0f, 0.05f, true, 1.0f}, {1.2f, 0.5f, 0.9f, true, 1.0f},
                            {0.5f, -0.1f, 0.9f, true, 1.0f}}) {
    out = -1.0f;
    EXPECT_EQ(state.shadow_test(at(c.x, c.y, c.depth), out), c.told) << c.x << " " << c.y << " " << c.depth;
    EXPECT_EQ(out, c.lit) << c.x << " " << c.y << " " << c.depth;
  }
  // Without pixel shaders there is no map to test against.
  view.pixel_shaders = false;
  out = -1.0f;
  EXPECT_FALSE(state.shadow_test(at(0.5f, 0.5f, 0.7f), out));
  EXPECT_EQ(out, 1.0f);
}

TEST_F(ShadowPasses, DeviceResetWithShadowsOnKeepsTheTargets) {
  view.pixel_shaders = true;
  render_passes(state);
  view.render();
  material* target = state.shadow_target;
  texture* depth = state.shadow_depth;
  ASSERT_TRUE(target_is_valid(target->textures[0]));
  ASSERT_TRUE(target_is_valid(depth));

  // The device objects go, the device is reset and they come back.
  view.invalidate_device_objects();
  g_resource_manager.release_render_target_textures();
  EXPECT_FALSE(target_is_valid(target->textures[0]));
  // Meanwhile a frame draws nothing into the lost targets.
  *gpu.log = test::device_log{};
  render_passes(state);
  EXPECT_EQ(gpu.log->draws, 0);
  gpu::present_parameters params;
  params.back_buffer_width = params.back_buffer_height = 64;
  params.back_buffer_format = gpu::format::x8r8g8b8;
  ASSERT_EQ(gpu.device->reset(params), gpu::result::ok);
  view.restore_device_objects();
  g_resource_manager.restore_device_textures(nullptr);

  *gpu.log = test::device_log{};
  render_passes(state);
  EXPECT_EQ(state.shadow_target, target);
  EXPECT_EQ(state.shadow_depth, depth);
  EXPECT_EQ(std::count(gpu.log->draw_targets.begin(), gpu.log->draw_targets.end(), surface_of(target->textures[0])),
            5);
  EXPECT_EQ(gpu.log->depth_surfaces.front(), static_cast<gpu::surface*>(depth->depth_surface));
  EXPECT_EQ(scene->environment.shadow_map, target->textures[0]);
}

TEST_F(ShadowPasses, ATargetTheDeviceCannotMakeLeavesThePassUndrawn) {
  view.pixel_shaders = true;
  options.plant_shadows = 1;
  gpu.system.control()->fail_target = [](std::uint32_t, std::uint32_t, gpu::format f, bool) {
    return f == gpu::format::r32f;
  };
  render_passes(state);
  EXPECT_EQ(gpu.log->draws, 0);
  ASSERT_NE(state.shadow_target, nullptr);
  EXPECT_FALSE(target_is_valid(state.shadow_target->textures[0]));
  // Plant shadows have no map to read.
  EXPECT_EQ(options.plant_shadows, 0);
  // No scene's box to draw over: nothing at all.
  gpu.system.control()->fail_target = nullptr;
  state.release_targets();
  state.scene = nullptr;
  render_passes(state);
  EXPECT_EQ(state.shadow_target, nullptr);
}

// A frame in which nothing casts a shadow leaves the bounds empty: no pass is
// drawn, yet the map is published and the plant-shadow option settled.
TEST_F(ShadowPasses, EmptyBoundsDrawNothingButStillPublishAndSettleThePlantOption) {
  view.pixel_shaders = true;
  options.environment_shadows = 1;
  render_passes(state);
  ASSERT_NE(state.shadow_target, nullptr);
  state.begin_shadow_bounds(*scene);
  state.finish_shadow_bounds();
  scene->environment.shadow_map_ready = 0;
  const int draws = gpu.log->draws;
  render_passes(state);
  EXPECT_EQ(gpu.log->draws, draws);
  EXPECT_EQ(scene->environment.shadow_map_ready, 1);
  EXPECT_EQ(scene->environment.shadow_map, state.shadow_target->textures[0]);

  view.pixel_shaders = false;
  options.plant_shadows = 1;
  render_passes(state);
  EXPECT_EQ(options.plant_shadows, 0);
}

// Agents' meshes hang on their skeletons, not in their entities: they cast
// into either kind of shadow target while shown, and not while hidden.
TEST_F(ShadowPasses, ShownSkinnedFiguresCastIntoTheMapAndTheTexture) {
  add_figure(vec3(6.0f, 2.0f, 0.0f), 0xFFFFu);
  skeleton_entity& unseen = add_figure(vec3(9.0f, -2.0f, 0.0f), 0xFFFFu);
  unseen.visible = 0;
  add_figure(vec3(12.0f, 0.0f, 0.0f), 0u);  // an item put away
  options.environment_shadows = 1;
  for (const bool pixel_shaders : {true, false}) {
    SCOPED_TRACE(testing::Message() << "pixel shaders " << pixel_shaders);
    view.pixel_shaders = pixel_shaders;
    *gpu.log = test::device_log{};
    render_passes(state);
    ASSERT_NE(state.shadow_target, nullptr);
    gpu::surface* colour = surface_of(state.shadow_target->textures[0]);
    // The five props and the one shown figure.
    EXPECT_EQ(std::count(gpu.log->draw_targets.begin(), gpu.log->draw_targets.end(), colour), 6);
    EXPECT_EQ(state.view.view_mask, shadow_map_view_mask);
    view.render();
    state.release_targets();
  }
}

TEST_F(ShadowPasses, AGoneSceneIsForgotten) {
  EXPECT_EQ(g_render_pass_state.scene, nullptr);
  auto other = std::make_unique<scene_world>();
  g_render_pass_state.begin_shadow_bounds(*other);
  EXPECT_EQ(g_render_pass_state.scene, other.get());
  other.reset();
  EXPECT_EQ(g_render_pass_state.scene, nullptr);
  render_passes(g_render_pass_state);
}

}  // namespace
}  // namespace hm
