// The scene view against the null device: the queue, sorting, scene pairing,
// target restores, shared index ranges, pool growth inside a render, the
// render-state cache and the effect parameters and techniques it sends.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "render/view/render_state_cache.h"
#include "render/scene/scene_environment.h"
#include "render/view/scene_view.h"
#include "render/support/recording_device.h"
#include "render/support/gl_test_device.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;


struct SceneView : ::testing::Test {
  test::recording_gpu gpu;
  std::unique_ptr<gpu::effect> effect;
  scene_view view;
  game_options options;
  shader plain_shader, plant_shader;
  technique_record plain_techniques, plant_techniques;
  material mat_a, mat_b, plant;
  std::vector<std::unique_ptr<mesh>> meshes;

  void SetUp() override {
    std::string errors;
    ASSERT_EQ(gpu.device->create_effect(test::engine_effect_text(), effect, errors), gpu::result::ok) << errors;
    plain_techniques.plain = effect->get_technique_by_name("def_shader");
    plain_techniques.shadowed = effect->get_technique_by_name("def_shader_SHDW");
    plant_techniques.plain = effect->get_technique_by_name("def_shader");
    plant_techniques.preshaded = effect->get_technique_by_name("font_shader");
    plain_shader.flags = shader::flag_effect;
    plain_shader.technique_rec = &plain_techniques;
    plant_shader.flags = shader::flag_effect | shader_flag_plant;
    plant_shader.technique_rec = &plant_techniques;
    plant_shader.id = 2;
    for (material* m : {&mat_a, &mat_b, &plant}) m->shader_ptr = &plain_shader;
    plant.shader_ptr = &plant_shader;
    mat_a.id = 1;
    mat_b.id = 2;
    plant.id = 3;
    view.options = &options;
    view.sleep = [](unsigned) {};
    view.set_up_buffers(1);
    view.set_device(gpu.device.get());
    view.set_effect(effect.get());
    view.restore_device_objects();
  }
  void TearDown() override { view.set_device(nullptr); }

  mesh& make_mesh(material& m, int faces = 1) {
    auto out = std::make_unique<mesh>();
    for (int i = 0; i < faces * 3; ++i) {
      out->add_point(vec3(static_cast<float>(i), 0.0f, -5.0f));
      out->add_vertex(i, 0.0f, 0.0f, 0xFFFFFFFFu, vec3(0.0f, 0.0f, 1.0f));
    }
    for (int i = 0; i < faces; ++i) out->add_face(i * 3, i * 3 + 1, i * 3 + 2);
    out->set_material(&m);
    meshes.push_back(std::move(out));
    return *meshes.back();
  }
};

TEST_F(SceneView, QueueOrderPutsTheLastFlagBehind) {
  render_view a, b, c;
  c.flags = view_flag_queue_last;
  view.queue_object(a);
  view.queue_object(c);
  view.queue_object(b);
  view.queue_object(a);  // already queued
  ASSERT_EQ(view.queue.size(), 3u);
  EXPECT_EQ(view.queue[0], &b);
  EXPECT_EQ(view.queue[1], &a);
  EXPECT_EQ(view.queue[2], &c);
  view.render();
  EXPECT_TRUE(view.queue.empty());
  EXPECT_FALSE(a.queued || b.queued || c.queued);
}

TEST_F(SceneView, SortIsStableAndTheNoSortFlagKeepsSubmissionOrder) {
  for (std::uint32_t flags : {0u, view_flag_no_sort}) {
    render_view v;
    v.flags = flags;
    mesh& b1 = make_mesh(mat_b);
    mesh& a = make_mesh(mat_a);
    mesh& b2 = make_mesh(mat_b);
    for (mesh* m : {&b1, &a, &b2}) v.add_mesh(*m);
    // Record the order through the start indices of the draws.
    gpu.log->draw_starts.clear();
    view.render(&v);
    ASSERT_EQ(gpu.log->draw_starts.size(), 3u);
    const std::uint32_t start_a = static_cast<std::uint32_t>(a.buffers[1].start);
    const std::uint32_t start_b1 = static_cast<std::uint32_t>(b1.buffers[1].start);
    const std::uint32_t start_b2 = static_cast<std::uint32_t>(b2.buffers[1].start);
    if (flags) {
      EXPECT_EQ(gpu.log->draw_starts, (std::vector<std::uint32_t>{start_b1, start_a, start_b2}));
    } else {
      EXPECT_EQ(gpu.log->draw_starts, (std::vector<std::uint32_t>{start_a, start_b1, start_b2}));
    }
  }
}

TEST_F(SceneView, ViewsOnOneTargetShareOneScene) {
  render_view a, b;
  texture target;
  std::unique_ptr<gpu::texture> device_texture;
  ASSERT_EQ(gpu.device->create_texture(16, 16, 1, gpu::usage_render_target, gpu::format::a8r8g8b8, device_texture),
            gpu::result::ok);
  auto surface = device_texture->get_surface_level(0);
  target.surface = surface.get();
  view.queue_object(a);
  view.queue_object(b);
  view.render();
  EXPECT_EQ(gpu.log->begin_scenes, 1);
  EXPECT_EQ(gpu.log->end_scenes, 1);
  ASSERT_FALSE(gpu.log->render_targets.empty());
  EXPECT_EQ(gpu.log->render_targets.front(), nullptr) << "the first view binds the back buffer";

  gpu.log->render_targets.clear();
  a.target = &target;
  view.queue_object(a);
  view.queue_object(b);
  view.render();
  EXPECT_EQ(gpu.log->begin_scenes, 3);
  EXPECT_EQ(gpu.log->end_scenes, 3);
  // The remembered back buffer is bound again at the end.
  EXPECT_EQ(gpu.log->render_targets.back(), nullptr);
  target.surface = nullptr;
}

// Views on the back buffer with depth targets D, none, D: the second view
// differs from the current depth and opens a scene of its own, but leaves D
// current, so the third draws in the second's scene. The views keep their
// targets after the render.
TEST_F(SceneView, AViewWithoutADepthTargetKeepsTheCurrentOne) {
  std::unique_ptr<gpu::surface> depth_surface;
  ASSERT_EQ(gpu.device->create_depth_stencil_surface(16, 16, gpu::format::d24s8, gpu::multisample_none, 0, true,
                                                     depth_surface),
            gpu::result::ok);
  texture depth;
  depth.kind = texture::kind_depth_target;
  depth.depth_surface = depth_surface.get();
  depth.surface_word = 1;
  render_view a, b, c;
  a.depth_target = &depth;
  c.depth_target = &depth;
  c.flags = b.flags = view_flag_queue_last;
  view.queue_object(a);
  view.queue_object(b);
  view.queue_object(c);
  ASSERT_EQ(view.queue.size(), 3u);
  ASSERT_EQ(view.queue[0], &a);
  ASSERT_EQ(view.queue[2], &c);
  const int begins = gpu.log->begin_scenes;
  view.render();
  EXPECT_EQ(gpu.log->begin_scenes - begins, 2);
  EXPECT_EQ(a.depth_target, &depth);
  EXPECT_EQ(c.depth_target, &depth);
  EXPECT_FALSE(a.queued);
  depth.depth_surface = nullptr;
}

TEST_F(SceneView, EmptyRenderStillUnbindsTheStreamAndTheStages) {
  gpu.log->calls.clear();
  const int textures = gpu.log->set_textures;
  view.render();
  EXPECT_NE(std::find(gpu.log->calls.begin(), gpu.log->calls.end(), "unbind_stream"), gpu.log->calls.end());
  EXPECT_GE(gpu.log->set_textures - textures, 3);
}

TEST_F(SceneView, CopyAndSourceShareOneIndexRange) {
  render_view v;
  mesh& source = make_mesh(mat_a, 2);
  std::unique_ptr<mesh> copy = source.create_copy();
  v.add_mesh(source);
  v.add_mesh(*copy);
  view.render(&v);
  EXPECT_EQ(gpu.log->draws, 2);
  EXPECT_EQ(gpu.log->draw_starts[0], gpu.log->draw_starts[1]);
  EXPECT_EQ(view.buffer(10).used, 6) << "the source's indices are written once";
}

TEST_F(SceneView, GrowthInsideARenderRestartsWithoutWritingAMeshTwice) {
  render_view v;
  std::vector<mesh*> list;
  for (int i = 0; i < 5; ++i) list.push_back(&make_mesh(mat_a, 20));
  for (mesh* m : list) v.add_mesh(*m);
  view.render(&v);
  EXPECT_EQ(gpu.log->draws, 5);
  const render_buffer& vertices = view.buffer(0);
  EXPECT_EQ(vertices.used, 300);
  EXPECT_GE(vertices.capacity, 300);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list[static_cast<std::size_t>(i)]->buffers[0].start, i * 60);
}

TEST_F(SceneView, SameMaterialTwiceSendsNoMaterialStateTheSecondTime) {
  render_view v;
  v.add_mesh(make_mesh(mat_a));
  v.add_mesh(make_mesh(mat_a));
  v.add_mesh(make_mesh(mat_b));
  view.render(&v);
  EXPECT_EQ(gpu.log->draws, 3);
  EXPECT_EQ(gpu.log->technique_sets, 1) << "one technique for the three meshes";
  EXPECT_EQ(gpu.log->parameter_sets["vMaterialColor"], 1) << "the same colour is sent once";
}

TEST_F(SceneView, PlantShadersUsePreshadedTechniqueUnlessPlantShadowsAreFull) {
  for (int option : {0, 1, 2}) {
    options.plant_shadows = option;
    render_view v;
    v.add_mesh(make_mesh(plant));
    const int sets = gpu.log->technique_sets;
    view.render(&v);
    ASSERT_EQ(gpu.log->technique_sets, sets + 1);
    EXPECT_EQ(effect->technique_name(effect->current_technique()), option == 2 ? "def_shader" : "font_shader")
        << option;
  }
}

TEST_F(SceneView, PointLightsAreCappedAtTenForTheViewAndFourPerMesh) {
  render_view v;
  scene_environment env;
  v.fog = &env;
  v.lights_enabled = 1;
  std::vector<mesh_light> lights(12);
  for (std::size_t i = 0; i < lights.size(); ++i) {
    lights[i].world_position = vec3(static_cast<float>(i + 1), 0.0f, -5.0f);
    lights[i].diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    lights[i].radius = 100.0f;
    v.add_light(lights[i]);
  }
  v.add_mesh(make_mesh(mat_a));
  view.render(&v);
  EXPECT_EQ(gpu.log->parameter_values["vLightPosDir"].size(), 40u);
  EXPECT_FLOAT_EQ(gpu.log->parameter_values["iLightPointCount"].at(0), 4.0f);
  // Strongest first: the nearest lights to the mesh's origin (0, 0, 0).
  EXPECT_EQ(gpu.log->parameter_values["iLightIndices"], (std::vector<float>{0, 1, 2, 3}));
}

TEST_F(SceneView, DeviceResetBetweenSubmissionAndRenderEndsCleanlyAndRewritesStaticData) {
  render_view v;
  mesh& m = make_mesh(mat_a, 2);
  v.add_mesh(m);
  view.queue_object(v);
  view.render();
  ASSERT_EQ(gpu.log->draws, 1);
  const int generation = m.buffers[0].buffer_generation;

  // Lost in the middle of the next frame's submission: the device objects go
  // and come back before the render.
  v.add_mesh(m);
  view.queue_object(v);
  view.invalidate_device_objects();
  view.restore_device_objects();
  view.render();
  EXPECT_EQ(gpu.log->draws, 2);
  EXPECT_NE(m.buffers[0].buffer_generation, generation) << "written again into the new buffer";
  EXPECT_EQ(gpu.log->begin_scenes, gpu.log->end_scenes);
  EXPECT_TRUE(view.queue.empty());
  EXPECT_TRUE(v.render_list.empty());
}

TEST_F(SceneView, ReflectiveMeshesWithoutAReflectionAreNoneOfThemDrawn) {
  shader reflective;
  reflective.flags = shader::flag_effect | shader_flag_reflection;
  reflective.technique_rec = &plain_techniques;
  material water;
  water.shader_ptr = &reflective;
  water.id = 9;
  render_view v;
  for (int i = 0; i < 3; ++i) v.add_mesh(make_mesh(water));
  v.add_mesh(make_mesh(mat_a));
  view.render(&v);
  EXPECT_EQ(gpu.log->draws, 1) << "only the plain mesh";
}

TEST_F(SceneView, FixedFunctionLightsFollowRangeAndBatchDistance) {
  view.pixel_shaders = false;
  render_view v;
  v.lights_enabled = 1;
  mesh_light sun, lamp;
  sun.type = mesh_light::directional;
  lamp.radius = 10.0f;
  lamp.world_position = vec3(12.0f, 0.0f, 0.0f);  // 12 from the mesh's origin
  v.add_light(sun);
  v.add_light(lamp);
  for (float batch_distance : {0.0f, 2.0f, 2.5f}) {
    mesh& m = make_mesh(mat_a);
    m.batch_distance = batch_distance;
    v.add_mesh(m);
    v.lights = {&sun, &lamp};
    v.lights_enabled = 1;
    view.render(&v);
    EXPECT_TRUE(gpu.device->light_enabled(0)) << "directional lights are always on";
    EXPECT_EQ(gpu.device->light_enabled(1), batch_distance > 2.0f) << batch_distance;
  }
}

TEST_F(SceneView, FixedFunctionStagesAfterTheLastAreTurnedOff) {
  view.pixel_shaders = false;
  shader one_stage, three_stages;
  one_stage.stage_count = 1;
  three_stages.stage_count = 3;
  for (shader* s : {&one_stage, &three_stages})
    for (auto& st : s->stages) {
      st.word0 = -1;
      st.word1 = stage_op_factor_times_texture;
      st.word2 = stage_op_factor_times_texture;
    }
  material a, b;
  a.shader_ptr = &three_stages;
  b.shader_ptr = &one_stage;
  a.id = 5;
  b.id = 6;
  render_view v;
  v.flags = view_flag_no_sort;
  v.add_mesh(make_mesh(a));
  v.add_mesh(make_mesh(b));
  view.render(&v);
  using ts = gpu::texture_stage_state;
  EXPECT_EQ(gpu.device->get_texture_stage_state(2, ts::color_op), gpu::state_value(gpu::texture_op::modulate))
      << "three stages leave every stage on";
  EXPECT_EQ(gpu.device->get_texture_stage_state(1, ts::color_op), gpu::state_value(gpu::texture_op::disable))
      << "one stage turns stage 1 off";
  EXPECT_EQ(gpu.device->get_texture_stage_state(0, ts::color_op), gpu::state_value(gpu::texture_op::modulate));
}

// Per mesh: a mesh wound the other way culls the other way, a forced blend
// blends whatever the material says, and the texture offsets reach the effect.
TEST_F(SceneView, MeshWindingBlendAndTextureOffsetTakeEffectPerMesh) {
  render_view v;
  v.flags = view_flag_no_sort;
  mesh& plain_before = make_mesh(mat_a);
  mesh& turned = make_mesh(mat_a);
  mesh& plain_after = make_mesh(mat_a);
  turned.flip_winding = 1;
  turned.force_blend = 1;
  turned.texture_offset[0] = 0.25f;
  turned.texture_offset[1] = -0.5f;
  for (mesh* m : {&plain_before, &turned, &plain_after}) v.add_mesh(*m);
  view.render(&v);
  const std::uint32_t cw = gpu::state_value(gpu::cull::clockwise);
  const std::uint32_t ccw = gpu::state_value(gpu::cull::counter_clockwise);
  EXPECT_EQ(gpu.log->draw_cull_modes, (std::vector<std::uint32_t>{cw, ccw, cw}));
  EXPECT_EQ(gpu.log->draw_blend_enables, (std::vector<std::uint32_t>{0, 1, 0}));
  ASSERT_EQ(gpu.log->draw_texture_offsets.size(), 3u);
  EXPECT_EQ(gpu.log->draw_texture_offsets[0], (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(gpu.log->draw_texture_offsets[1], (std::vector<float>{0.25f, -0.5f}));
  EXPECT_EQ(gpu.log->draw_texture_offsets[2], (std::vector<float>{0.0f, 0.0f}));

  // A camera whose winding flips turns the whole view, and the mesh back.
  gpu.log->draw_cull_modes.clear();
  v.camera.flip_winding = 1;
  for (mesh* m : {&plain_before, &turned}) v.add_mesh(*m);
  view.render(&v);
  EXPECT_EQ(gpu.log->draw_cull_modes, (std::vector<std::uint32_t>{ccw, cw}));
}

// A stage with flag 0x100 transforms two texture coordinates by the mesh's
// texture matrix; a stage without it transforms none.
TEST_F(SceneView, StagesWithTheTransformFlagTakeTheMeshsTextureMatrix) {
  view.pixel_shaders = false;
  shader two_stages;
  two_stages.stage_count = 2;
  for (auto& st : two_stages.stages) {
    st.word0 = -1;
    st.word1 = stage_op_factor_times_texture;
    st.word2 = stage_op_factor_times_texture;
  }
  two_stages.stages[1].word3 = stage_flag_texture_transform;
  material scrolled;
  scrolled.shader_ptr = &two_stages;
  scrolled.id = 7;
  mesh& m = make_mesh(scrolled);
  const float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0.5f, 0.25f, 1, 0, 0, 0, 0, 1};
  std::copy(std::begin(matrix), std::end(matrix), std::begin(m.texture_matrix));
  render_view v;
  v.add_mesh(m);
  view.render(&v);
  using ts = gpu::texture_stage_state;
  EXPECT_EQ(gpu.device->get_texture_stage_state(1, ts::texture_transform_flags), 2u);
  EXPECT_EQ(gpu.device->get_texture_stage_state(0, ts::texture_transform_flags), 0u);
  EXPECT_EQ(gpu.log->transforms[static_cast<int>(gpu::transform_kind::texture1)],
            std::vector<float>(std::begin(matrix), std::end(matrix)));
}

// Where a mesh is drawn, by its billboard mode and its sky flag, for an eye at
// (10, 10, 5) whose axes are s (1, 0, 0), f (0, 0, 1), u (0, -1, 0).
TEST(MeshWorldMatrix, BillboardModesAndTheSky) {
  frame eye = frame::identity();
  eye.rot.s = vec3(1, 0, 0);
  eye.rot.f = vec3(0, 0, 1);
  eye.rot.u = vec3(0, -1, 0);
  eye.origin = vec3(10, 10, 5);
  material sky;
  sky.flags = material_flag_sky;
  struct world_case {
    std::uint32_t mode;
    bool sky;
    vec3 s, f, u, origin;
  };
  // The mesh stands at (0, 10, 0) with its axes scaled by 2. In mode 1 the
  // eye lies along -x once its height is taken off: forward (-1, 0, 0), side
  // forward x up = (0, 1, 0).
  const world_case cases[] = {
      {0, false, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {0, 10, 0}},
      {1, false, {0, 2, 0}, {-2, 0, 0}, {0, 0, 2}, {0, 10, 0}},
      {2, false, {2, 0, 0}, {0, 0, 2}, {0, -2, 0}, {0, 10, 0}},
      {0, true, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {10, 10, 3.75f}},
  };
  for (const world_case& c : cases) {
    mesh m;
    m.world_frame.rot.s = vec3(2, 0, 0);
    m.world_frame.rot.f = vec3(0, 2, 0);
    m.world_frame.rot.u = vec3(0, 0, 2);
    m.world_frame.origin = vec3(0, 10, 0);
    m.billboard_mode = c.mode;
    if (c.sky) m.mat = &sky;
    const matrix4 w = mesh_world_matrix(m, eye);
    const vec3 rows[4] = {c.s, c.f, c.u, c.origin};
    for (int r = 0; r < 4; ++r) {
      EXPECT_NEAR(w.at(r, 0), rows[r].x, 1e-5f) << c.mode << " row " << r;
      EXPECT_NEAR(w.at(r, 1), rows[r].y, 1e-5f) << c.mode << " row " << r;
      EXPECT_NEAR(w.at(r, 2), rows[r].z, 1e-5f) << c.mode << " row " << r;
      EXPECT_EQ(w.at(r, 3), r == 3 ? 1.0f : 0.0f);
    }
    m.mat = nullptr;
  }
}

// Index capacities from render_buffer_size s: v = s x 262144 / 68 (integer
// division), 24 v static and 8 x (v / 2) dynamic indices. Sizes above 256 are
// cut to 256 (v = 986895) with a warning in the log.
TEST(SceneViewBuffers, IndexCapacitiesFollowTheBufferSizeUpToItsLimit) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("hm_scene_view_test_" + std::to_string(getpid()));
  fs::create_directories(folder);
  ASSERT_TRUE(open_engine_log((folder / "ruv_log.txt").string()));
  struct size_case {
    std::int32_t size;
    std::int32_t static_indices;
    std::int32_t dynamic_indices;
  };
  const size_case cases[] = {
      {15, 1387800, 231296},        // v = 57825
      {256, 23685480, 3947576},     // v = 986895
      {10000, 23685480, 3947576},   // cut to 256
      {100000, 23685480, 3947576},  // cut to 256
  };
  for (const size_case& c : cases) {
    scene_view view;
    view.set_up_buffers(c.size);
    EXPECT_EQ(view.pairs[5].buffers[0].capacity, c.static_indices) << c.size;
    EXPECT_EQ(view.pairs[5].buffers[1].capacity, c.dynamic_indices) << c.size;
  }
  engine_log().close();
  std::ifstream in(folder / "ruv_log.txt", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(text.find("WARNING: render_buffer_size 10000 is above 256; using 256"), std::string::npos) << text;
  EXPECT_EQ(text.find("render_buffer_size 15 "), std::string::npos) << text;
  fs::remove_all(folder);
}

TEST(RenderStateCache, TexturePhasePicksTheFrame) {
  EXPECT_EQ(texture_frame_for_phase(4, 0.6f), 2);
  EXPECT_EQ(texture_frame_for_phase(4, 1.3f), 1);
  EXPECT_EQ(texture_frame_for_phase(4, 0.0f), 0);
  EXPECT_EQ(texture_frame_for_phase(0, 0.5f), 0);
}

TEST(RenderStateCache, StatesAreSentOnlyOnChangeAndAnisotropyIsCapped) {
  test::recording_gpu gpu;
  render_state_cache cache;
  cache.set_device(gpu.device.get());
  EXPECT_LE(cache.max_anisotropy, 5u);
  game_options options;
  cache.reset_frame_states(false, options);
  auto& log = gpu.system.control()->state_changes;
  log.clear();
  cache.set_alpha_test(2);
  cache.set_alpha_test(2);
  cache.set_color_op(1, stage_op_factor);
  cache.set_color_op(1, stage_op_factor);
  EXPECT_EQ(log.size(), 2u + 3u) << "alpha test enable and reference, then one operation with two arguments";
  EXPECT_EQ(gpu.inner->get_render_state(gpu::render_state::alpha_ref), 0x88u);
  cache.reset_frame_states(false, options);
  log.clear();
  cache.set_alpha_test(2);
  EXPECT_EQ(log.size(), 2u) << "the reset forgets every cached value";
}

}  // namespace
}  // namespace hm
