// Character shadows of strategic entities on a flat ground of quads: the kinds
// and layers by visibility, the alpha with its edges, the receivers and their
// cap, the scenes without a casting sun, and the detailed shadow texture with
// its refresh delay.
#include <cmath>

#include <gtest/gtest.h>

#include "engine/collision/face.h"
#include "engine/core/timer.h"
#include "engine/device/device_resources.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "platform/gpu/null_device.h"
#include "render/shadow/character_shadow.h"
#include "render/scene/light.h"
#include "render/shadow/render_pass_state.h"
#include "render/scene/scene_world.h"
#include "render/entity/strategic_entity.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

// Registers the blob shadow's material once.
material* shadow_default() {
  static material* m = [] {
    auto made = std::make_unique<material>();
    made->name = "shadow_default";
    return static_cast<material*>(g_resource_manager.adopt_resource(std::move(made)));
  }();
  return m;
}

// A flat ground of n x n square faces of side `cell`, centred on the origin at
// height 0, every vertex with the same sun factor.
std::unique_ptr<ground_manifold> flat_ground(int n, float cell, float sun_factor) {
  auto g = std::make_unique<ground_manifold>();
  const float half = static_cast<float>(n) * cell * 0.5f;
  for (int y = 0; y <= n; ++y)
    for (int x = 0; x <= n; ++x) {
      manifold_vertex v;
      v.position = vec3(static_cast<float>(x) * cell - half, static_cast<float>(y) * cell - half, 0.0f);
      v.sun_factor = sun_factor;
      g->vertices.push_back(v);
    }
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      manifold_face f;
      f.vertex_count = 4;
      const int a = y * (n + 1) + x;
      f.vertices[0] = a;
      f.vertices[1] = a + 1;
      f.vertices[2] = a + n + 2;
      f.vertices[3] = a + n + 1;
      f.normal = vec3(0.0f, 0.0f, 1.0f);
      g->faces.push_back(f);
    }
  return g;
}

struct CharacterShadow : ::testing::Test {
  std::unique_ptr<scene_world> scene;
  strategic_entity* e = nullptr;
  light* sun = nullptr;
  render_view view;
  game_options saved_options = g_game_options;

  void SetUp() override {
    shadow_default();
    g_game_options.character_shadows = 1;
    scene = std::make_unique<scene_world>(vec3(-20, -20, 0), vec3(20, 20, 0), 4, 4, 0);
    scene->ambient_colour = {0.2f, 0.2f, 0.2f, 1.0f};
    sun = &scene->create_light();
    sun->type = light_type_directional;
    sun->colour = {1.0f, 1.0f, 1.0f, 1.0f};
    sun->direction = get_normalized(vec3(0.1f, 0.05f, -1.0f));
    ground(8, 1.0f, 0.6f);
    e = static_cast<strategic_entity*>(scene->create_entity(strategic_entity_type));
    e->shadow_radius = 1.0f;
    e->render_flags = 1;
    hm::frame f = hm::frame::identity();
    f.origin = vec3(0.0f, 0.0f, 1.0f);
    e->set_frame(f);
  }
  void TearDown() override {
    scene.reset();
    g_game_options = saved_options;
  }

  void ground(int n, float cell, float sun_factor) { scene->set_ground_manifold(flat_ground(n, cell, sun_factor)); }

  void submit() {
    view.render_list.clear();
    reflection_info r;
    e->submit_meshes(view, r);
  }
  bool queued(const mesh* m) const {
    for (const render_list_entry& entry : view.render_list)
      if (entry.m == m) return true;
    return false;
  }
  static std::uint32_t alpha(const mesh& m, std::size_t vertex) { return m.vertices[vertex].color >> 24; }
};

TEST_F(CharacterShadow, KindsAndLayersFollowVisibilityAndWeights) {
  struct kind_case {
    float visibility;
    float weights[2];
    bool detailed, simple;
    int layers;
  };
  for (const kind_case c : {kind_case{0.6f, {1, 0}, true, false, 2}, {0.8f, {1, 0}, true, false, 3},
                            {0.3f, {0, 1}, false, true, 1}, {0.4f, {0.5f, 0.5f}, true, true, 1},
                            {0.3f, {0.04f, 0.0f}, false, false, 1}}) {
    SCOPED_TRACE(c.visibility);
    e->shadow_meshes[0].reset();
    e->shadow_meshes[1].reset();
    e->visibility = c.visibility;
    e->layer_weights[0] = c.weights[0];
    e->layer_weights[1] = c.weights[1];
    e->render_target_used = 0;
    submit();
    EXPECT_EQ(e->shadow_meshes[0] != nullptr && queued(e->shadow_meshes[0].get()), c.detailed);
    EXPECT_EQ(e->shadow_meshes[1] != nullptr && queued(e->shadow_meshes[1].get()), c.simple);
    EXPECT_EQ(e->render_target_used, c.detailed ? 1 : 0);
    for (const auto& m : e->shadow_meshes) {
      if (!m) continue;
      // Every kept quad gives one point per corner, one vertex per corner and
      // layer, and two triangles per layer.
      ASSERT_GT(e->shadow_face_count, 0);
      EXPECT_EQ(m->vertices.size(), m->get_points().size() * static_cast<std::size_t>(c.layers));
      EXPECT_EQ(m->get_faces().size(), static_cast<std::size_t>(e->shadow_face_count * 2 * c.layers));
      EXPECT_EQ(m->color, 0xFF000915u);
      EXPECT_EQ(m->mat, shadow_default());
    }
  }
}

TEST_F(CharacterShadow, AlphaFromSunFactorLayersAndDistance) {
  struct alpha_case {
    float sun_factor, k;
    int layers;
    float distance;
    float expected;
  };
  for (const alpha_case c : {
           alpha_case{0.3f, 0.3f, 1, 0.0f, 0.5f * 0.8f},  // sun factor equal to k: a half, within 3 r: 0.8 of it
           {0.0f, 0.3f, 1, 0.0f, 0.0f},                    // no sun: transparent
           {0.0f, 0.0f, 1, 0.0f, 0.0f},                    // black ambient and no sun: 0, not a NaN
           {9.0f, 0.1f, 1, 3.0f, 0.75f * 0.8f},            // capped at 0.75
           {0.3f, 0.3f, 1, 3.3f, 0.5f * 0.4f},             // fading between 3 and 3.6 radii
           {0.3f, 0.3f, 1, 3.6f, 0.0f},                    // gone at 3.6 radii
           {0.3f, 0.3f, 2, 0.0f, (1.0f - std::sqrt(0.5f)) * 0.8f},
           {0.3f, 0.3f, 3, 0.0f, (3.0f - std::sqrt(9.0f - 12.0f * 0.49f)) * 0.125f * 0.8f},
       }) {
    const float a = character_shadow_alpha(c.sun_factor, c.k, c.layers, c.distance);
    EXPECT_NEAR(a, c.expected, 1e-5f) << c.sun_factor << " " << c.k << " " << c.layers << " " << c.distance;
  }
  // A black ambient with no sun over the whole ground: every vertex has alpha 0.
  scene->ambient_colour = {0.0f, 0.0f, 0.0f, 1.0f};
  ground(8, 1.0f, 0.0f);
  e->layer_weights[0] = 1.0f;
  e->layer_weights[1] = 0.0f;
  e->shadow_position = vec3(-1e8f, 0.0f, 0.0f);
  submit();
  ASSERT_NE(e->shadow_meshes[0], nullptr);
  ASSERT_FALSE(e->shadow_meshes[0]->vertices.empty());
  for (std::size_t i = 0; i < e->shadow_meshes[0]->vertices.size(); ++i) EXPECT_EQ(alpha(*e->shadow_meshes[0], i), 0u);
}

TEST_F(CharacterShadow, ReceiversAreGatheredAgainOnlyAfterAMoveAndAtMost64) {
  e->layer_weights[0] = 1.0f;
  e->layer_weights[1] = 0.0f;
  submit();
  const std::int32_t first = e->shadow_face_count;
  EXPECT_GT(first, 0);
  EXPECT_LT(first, 64);
  const vec3 gathered_at = e->shadow_position;
  // A finer ground under the entity: a small move keeps the old receivers...
  ground(40, 0.2f, 0.6f);
  hm::frame f = e->frame;
  f.origin.x += 0.15f;
  e->set_frame(f);
  submit();
  EXPECT_EQ(e->shadow_face_count, first);
  EXPECT_EQ(e->shadow_position.x, gathered_at.x);
  // ...a larger one gathers them again, and no more than 64 of the many.
  f.origin.x += 0.1f;
  e->set_frame(f);
  submit();
  EXPECT_EQ(e->shadow_face_count, 64);
  EXPECT_EQ(e->shadow_position.x, f.origin.x);
  for (int i = 0; i < e->shadow_face_count; ++i) EXPECT_GE(e->shadow_faces[i], 0);
}

// The light's frame is taken with the receivers: a small move keeps both, so
// the texture stays where it was laid on the ground; the next gathering takes
// a new frame at the entity's new place.
TEST_F(CharacterShadow, TheLightFrameIsTakenWithTheReceivers) {
  e->layer_weights[0] = 1.0f;
  e->layer_weights[1] = 0.0f;
  submit();
  const mesh& m = *e->shadow_meshes[0];
  ASSERT_FALSE(m.vertices.empty());
  const float u = m.vertices[0].uv[0];
  const vec3 origin = e->shadow_frame.origin;
  hm::frame f = e->frame;
  f.origin.x += 0.15f;
  e->set_frame(f);
  submit();
  EXPECT_EQ(m.vertices[0].uv[0], u);
  EXPECT_EQ(e->shadow_frame.origin.x, origin.x);
  // Beyond 0.2 r: the frame moves with the entity, 0.25 along x.
  f.origin.x += 0.1f;
  e->set_frame(f);
  submit();
  EXPECT_NEAR(e->shadow_frame.origin.x, origin.x + 0.25f, 1e-5f);
}

TEST_F(CharacterShadow, NoCastingSunNoShadow) {
  e->layer_weights[0] = 1.0f;
  sun->flags = light_flag_weak_sun;
  submit();
  EXPECT_TRUE(view.render_list.empty());
  sun->flags = light_flag_fill;  // the only directional light is a fill light
  submit();
  EXPECT_TRUE(view.render_list.empty());
  // The option off, or a view that takes no character shadows.
  sun->flags = 0;
  g_game_options.character_shadows = 0;
  submit();
  EXPECT_TRUE(view.render_list.empty());
  g_game_options.character_shadows = 1;
  view.view_mask = 0x10000;
  submit();
  EXPECT_TRUE(view.render_list.empty());
  view.view_mask = 1;
  submit();
  EXPECT_FALSE(view.render_list.empty());

  // A sun at the horizon still casts from above.
  sun->direction = vec3(1.0f, 0.0f, 0.0f);
  EXPECT_LE(character_shadow_light(*scene, e->frame.origin).z, -0.1f);
}

TEST_F(CharacterShadow, DetailedTextureIsDrawnAgainAboutTwentyTimesASecond) {
  auto control = std::make_shared<gpu::null_gpu_control>();
  gpu::null_system system(gpu::default_null_config(), control);
  std::unique_ptr<gpu::device> device;
  gpu::present_parameters p;
  p.back_buffer_width = p.back_buffer_height = 16;
  ASSERT_EQ(system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, device),
            gpu::result::ok);
  gpu_resource_device hooks(device.get());
  g_resource_manager.set_device_hooks(&hooks);

  e->visibility = 0.8f;
  e->layer_weights[0] = 1.0f;
  e->layer_weights[1] = 0.0f;
  e->render_flags = 2;
  submit();
  ASSERT_NE(e->render_target, nullptr);
  texture* t = e->render_target->textures[0];
  EXPECT_EQ(t->width, character_shadow_texture_size);
  EXPECT_EQ(t->requested_format, static_cast<std::int32_t>(gpu::format::a8));
  ASSERT_NE(e->own_view, nullptr);
  EXPECT_EQ(e->own_view->target, t);
  EXPECT_EQ(e->own_view->view_mask, character_shadow_view_mask);
  EXPECT_TRUE(e->own_view->queued);
  EXPECT_EQ(e->shadow_meshes[0]->mat, e->render_target);
  // The next texture is due 1 / (25 x 0.8) s plus up to 0.01 s later.
  const float wait = -e->shadow_texture_timer.elapsed();
  EXPECT_GE(wait, 0.05f - 1e-4f);
  EXPECT_LE(wait, 0.06f + 1e-4f);

  e->own_view->clear_meshes();
  advance_clock(clock_real_time, 0.04f);
  submit();
  EXPECT_FALSE(e->own_view->queued) << "not due yet";
  advance_clock(clock_real_time, 0.03f);
  submit();
  EXPECT_TRUE(e->own_view->queued);

  // Drawn without its detailed shadow, the entity hands the texture back.
  material* handed = e->render_target;
  e->layer_weights[0] = 0.0f;
  e->layer_weights[1] = 1.0f;
  e->advance(0.0f);
  submit();
  e->advance(0.0f);
  EXPECT_EQ(e->render_target, nullptr);
  EXPECT_EQ(handed->in_use, 0u);
  // The detailed mesh no longer shows the texture another entity may take.
  EXPECT_EQ(e->shadow_meshes[0]->mat, shadow_default());

  // Drawn in detail again before its next texture is due, it shows the blob
  // and waits for the timer; then it takes a texture and shows it.
  e->layer_weights[0] = 1.0f;
  e->layer_weights[1] = 0.0f;
  e->shadow_texture_timer.set_elapsed(-0.05f);
  e->own_view->clear_meshes();
  submit();
  EXPECT_EQ(e->render_target, nullptr);
  EXPECT_FALSE(e->own_view->queued);
  EXPECT_EQ(e->shadow_meshes[0]->mat, shadow_default());
  EXPECT_TRUE(queued(e->shadow_meshes[0].get()));
  advance_clock(clock_real_time, 0.06f);
  submit();
  ASSERT_NE(e->render_target, nullptr);
  EXPECT_TRUE(e->own_view->queued);
  EXPECT_EQ(e->shadow_meshes[0]->mat, e->render_target);
  e->render_target->in_use = 0;
  e->render_target = nullptr;
  e->own_view.reset();
  scene.reset();
  g_resource_manager.release_render_target_textures();
  g_resource_manager.set_device_hooks(nullptr);
}

TEST_F(CharacterShadow, RefreshDelayIsAlwaysFinite) {
  struct delay_case {
    float visibility;
    float delay;
  };
  for (const delay_case c : {delay_case{0.8f, 0.05f}, {1.0f, 0.04f}, {0.0f, 0.04f}, {-1.0f, 0.04f},
                             {std::nanf(""), 0.04f}, {1e-30f, 1.0f}, {0.04f, 1.0f}}) {
    EXPECT_NEAR(character_shadow_texture_delay(c.visibility), c.delay, 1e-6f) << c.visibility;
  }
}

}  // namespace
}  // namespace hm
