// Sun shadows on OpenGL, read back: a cube standing on a ground casts its
// shadow on the side away from the sun once the shadow passes have drawn the
// map; with environment shadows off both sides are lit alike. Skipped where no
// OpenGL 3.3 context can be made.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/device/device_resources.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "engine/settings/ruv_config.h"
#include "platform/gpu/gl_system.h"
#include "platform/window.h"
#include "render/entity/entity.h"
#include "render/scene/light.h"
#include "render/shadow/render_pass_state.h"
#include "render/shadow/sun_visibility.h"
#include "render/view/scene_view.h"
#include "render/scene/scene_world.h"
#include "render/support/gl_test_device.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

constexpr std::uint32_t width = 160;
constexpr std::uint32_t height = 120;


// A box from lo to hi, each face in both windings, facing out.
std::unique_ptr<mesh> box(const vec3& lo, const vec3& hi, std::uint32_t colour) {
  auto m = std::make_unique<mesh>();
  const vec3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  const vec3 centre = (lo + hi) * 0.5f;
  const vec3 half = (hi - lo) * 0.5f;
  for (const vec3& n : normals) {
    const vec3 a = std::abs(n.x) > 0.5f ? vec3(0, 1, 0) : vec3(1, 0, 0);
    const vec3 b = cross_product(n, a);
    const std::int32_t first = static_cast<std::int32_t>(m->vertices.size());
    for (const auto& [i, j] : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}}) {
      const vec3 unit = n + a * i + b * j;
      const std::int32_t p =
          m->add_point(centre + vec3(unit.x * half.x, unit.y * half.y, unit.z * half.z));
      m->add_vertex(p, 0.5f, 0.5f, colour, n);
    }
    m->add_face(first, first + 1, first + 2);
    m->add_face(first, first + 2, first + 3);
    m->add_face(first, first + 2, first + 1);
    m->add_face(first, first + 3, first + 2);
  }
  return m;
}

class ShadowGl : public ::testing::Test {
 protected:
  void SetUp() override {
    const test::offscreen_gl opened = test::open_offscreen_gl("shadow test", width, height, win_, system_, device_);
    ASSERT_NE(opened, test::offscreen_gl::no_window);
    if (opened == test::offscreen_gl::no_context) GTEST_SKIP() << "no OpenGL 3.3 context";
    std::string errors;
    ASSERT_EQ(device_->create_effect(test::engine_effect_text(), effect_, errors), gpu::result::ok) << errors;
    hooks_.set_device(device_.get());
    g_resource_manager.set_device_hooks(&hooks_);

    ASSERT_TRUE(flat_.create(*device_, *effect_));
    flat_.techniques.shadowed = effect_->get_technique_by_name("def_shader_SHDW");
    depth_techniques_.plain = effect_->get_technique_by_name("render_to_depth");
    depth_shader_.flags = shader::flag_effect;
    depth_shader_.technique_rec = &depth_techniques_;

    view_.options = &options_;
    view_.set_up_buffers(1);
    view_.set_device(device_.get());
    view_.set_effect(effect_.get());
    view_.render_to_depth_shader = &depth_shader_;
    view_.render_to_depth_skin_shader = &depth_shader_;
    view_.restore_device_objects();
    set_view_renderer(&view_);
    config_.shadowmap_quality = config_.active_shadowmap_quality = 0;
    passes_.renderer_override = &view_;
    passes_.options_override = &options_;
    passes_.config_override = &config_;

    // The sun goes towards +x and down: the cube's shadow falls on its +x side.
    const vec3 sun_direction = get_normalized(vec3(1.0f, 0.0f, -1.0f));
    light& sun = scene_.create_light();
    sun.type = light_type_directional;
    sun.colour = {1.0f, 1.0f, 1.0f, 1.0f};
    sun.direction = sun_direction;
    sun_.type = mesh_light::directional;
    sun_.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    sun_.direction = sun_direction;
    scene_.ambient_colour = {0.2f, 0.2f, 0.2f, 1.0f};

    add(box(vec3(-8, -8, -0.1f), vec3(8, 8, 0), 0xFF80C080u), 0xFFFFu);
    add(box(vec3(-1, -1, 0), vec3(1, 1, 2), 0xFFC04040u), 0x1FFFFu);
    passes_.begin_shadow_bounds(scene_);
    for (const vec3& c : {vec3(-8, -8, -0.1f), vec3(8, 8, 2), vec3(-8, 8, 2), vec3(8, -8, -0.1f)})
      passes_.extend_shadow_bounds(c);
    passes_.finish_shadow_bounds();

    main_.viewport = {0, 0, width, height, 0.0f, 1.0f};
    main_.flags = view_flag_clear_colour | view_flag_clear_depth;
    main_.clear_colour = 0xFF302010u;
    main_.fog = &scene_.environment;
    main_.lights = {&sun_};
    camera& c = main_.camera;
    // From the south, above, looking down at the origin.
    const vec3 eye(0.0f, -12.0f, 10.0f);
    vec3 forward = get_normalized(vec3() - eye);
    vec3 right = get_normalized(cross_product(forward, vec3(0, 0, 1)));
    c.frame.rot.s = right;
    c.frame.rot.f = cross_product(right, forward);
    c.frame.rot.u = -forward;
    c.frame.origin = eye;
    c.set_perspective(1.0f, static_cast<float>(height) / static_cast<float>(width), 0.5f, 100.0f);
  }

  void TearDown() override {
    passes_.release_targets();
    set_view_renderer(nullptr);
    view_.set_device(nullptr);
    g_resource_manager.release_render_target_textures();
    g_resource_manager.set_device_hooks(nullptr);
    flat_.release();
    effect_.reset();
    device_.reset();
    system_.reset();
    win_.reset();
  }

  void add(std::unique_ptr<mesh> m, std::uint32_t mask) {
    m->set_material(&flat_.mat);
    m->visibility_mask = mask;
    auto e = std::make_unique<mesh_entity>();
    e->add_mesh(std::move(m));
    e->compute_local_bounds();
    scene_.adopt_entity(std::move(e));
  }

  // One frame: the scene into the main view, the shadow passes, the render.
  std::vector<std::uint32_t> draw() {
    scene_.submit_to_view(main_, false);
    render_passes(passes_);
    EXPECT_TRUE(view_.render());
    std::vector<std::uint32_t> pixels;
    EXPECT_EQ(device_->read_back_buffer(0, 0, width, height, pixels), gpu::result::ok);
    return pixels;
  }

  // The brightness of the ground at a world point.
  int ground_at(const std::vector<std::uint32_t>& pixels, const vec3& p) const {
    float sx = 0.0f, sy = 0.0f;
    EXPECT_TRUE(main_.camera.world_to_screen(p, sx, sy));
    const auto x = static_cast<std::uint32_t>(sx * width), y = static_cast<std::uint32_t>(sy * height);
    EXPECT_LT(x, width);
    EXPECT_LT(y, height);
    const std::uint32_t c = pixels[y * width + x];
    return static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF));
  }

  std::unique_ptr<platform::window> win_;
  std::unique_ptr<gpu::gpu_system> system_;
  std::unique_ptr<gpu::device> device_;
  gpu_resource_device hooks_;
  std::unique_ptr<gpu::effect> effect_;
  test::white_effect_material flat_;
  technique_record depth_techniques_;
  shader depth_shader_;
  scene_view view_;
  game_options options_;
  ruv_config config_;
  scene_world scene_;
  render_pass_state passes_;
  render_view main_;
  mesh_light sun_;
};

TEST_F(ShadowGl, CubeCastsItsShadowOnTheGroundAwayFromTheSun) {
  // Two ground points the same distance from the cube, one on either side.
  const vec3 away(2.0f, 0.0f, 0.0f), towards(-2.0f, 0.0f, 0.0f);

  options_.environment_shadows = 1;
  const std::vector<std::uint32_t> shadowed = draw();
  ASSERT_EQ(scene_.environment.shadow_map_ready, 1);
  const int in_shadow = ground_at(shadowed, away);
  const int in_sun = ground_at(shadowed, towards);
  EXPECT_LT(in_shadow + 150, in_sun) << in_shadow << " vs " << in_sun;
  // Beyond the shadow's reach the ground is lit again.
  EXPECT_NEAR(ground_at(shadowed, vec3(6.0f, 0.0f, 0.0f)), in_sun, 12);

  // Without environment shadows both sides are lit alike.
  options_.environment_shadows = 0;
  const std::vector<std::uint32_t> plain = draw();
  EXPECT_NEAR(ground_at(plain, away), ground_at(plain, towards), 12);
}

// The sun test reads the drawn frame's depth: a sun behind the cube is hidden,
// one nearer than everything is seen whole; with no view asked for there is
// no copy and the test cannot tell.
TEST_F(ShadowGl, TheDrawnDepthTellsTheSunTestWhatCoversIt) {
  const vec3 eye = main_.camera.frame.origin;
  const vec3 behind_cube = eye + (vec3(0.0f, 0.0f, 1.0f) - eye) * 2.0f;
  const vec3 before_all = eye + (vec3(0.0f, 0.0f, 1.0f) - eye) * 0.05f;
  struct probe_case {
    vec3 point;
    float fraction;
  };
  for (const probe_case c : {probe_case{behind_cube, 0.0f}, {before_all, 1.0f}}) {
    passes_.request_view_depth(main_.camera, main_.viewport);
    passes_.set_depth_probe(c.point);
    draw();
    passes_.read_view_depth(*device_);
    float f = -1.0f;
    ASSERT_TRUE(test_sun_visibility(passes_, c.point, f));
    EXPECT_NEAR(f, c.fraction, 1e-5f);
  }
  draw();
  passes_.read_view_depth(*device_);
  float f = -1.0f;
  EXPECT_FALSE(test_sun_visibility(passes_, behind_cube, f));
}

}  // namespace
}  // namespace hm
