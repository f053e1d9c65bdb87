// A lit scene drawn on OpenGL through the scene view and read back: a red cube
// lands where the camera puts it, and its face towards the sun is the bright
// one; a bar skinned to a turned and moved bone lands where the bone and the
// mesh's frame put it. Skipped where no OpenGL 3.3 context can be made.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "platform/gpu/gl_system.h"
#include "platform/window.h"
#include "render/scene/scene_environment.h"
#include "render/view/scene_view.h"
#include "render/support/gl_test_device.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

constexpr std::uint32_t width = 128;
constexpr std::uint32_t height = 112;
constexpr std::uint32_t background = 0xFF302010;

// A cube of side 2 about the origin, red, each face drawn in both windings.
void build_cube(mesh& m) {
  const vec3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  for (const vec3& n : normals) {
    // Two axes across the face.
    const vec3 a = std::abs(n.x) > 0.5f ? vec3(0, 1, 0) : vec3(1, 0, 0);
    const vec3 b = cross_product(n, a);
    const std::int32_t first = static_cast<std::int32_t>(m.vertices.size());
    for (const auto& [i, j] : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}}) {
      const std::int32_t p = m.add_point(n + a * i + b * j);
      m.add_vertex(p, 0.5f, 0.5f, 0xFFFF0000u, n);
    }
    m.add_face(first, first + 1, first + 2);
    m.add_face(first, first + 2, first + 3);
    m.add_face(first, first + 2, first + 1);
    m.add_face(first, first + 3, first + 2);
  }
}


class SceneViewGl : public ::testing::Test {
 protected:
  void SetUp() override {
    const test::offscreen_gl opened = test::open_offscreen_gl("scene view test", width, height, win_, system_, device_);
    ASSERT_NE(opened, test::offscreen_gl::no_window);
    if (opened == test::offscreen_gl::no_context) GTEST_SKIP() << "no OpenGL 3.3 context";
    std::string errors;
    ASSERT_EQ(device_->create_effect(test::engine_effect_text(), effect_, errors), gpu::result::ok) << errors;

    ASSERT_TRUE(flat_.create(*device_, *effect_));
    build_cube(cube_);
    cube_.set_material(&flat_.mat);
    cube_.set_shader_class(1);

    view_.options = &options_;
    view_.set_up_buffers(1);
    view_.set_device(device_.get());
    view_.set_effect(effect_.get());
    view_.restore_device_objects();

    scene_.viewport = {0, 0, width, height, 0.0f, 1.0f};
    scene_.flags = view_flag_clear_colour | view_flag_clear_depth;
    scene_.clear_colour = background;
    scene_.scene_colour = {0.15f, 0.15f, 0.15f, 1.0f};
    scene_.fog = &environment_;
    camera& c = scene_.camera;
    // Looking along +y from the origin, z up.
    c.frame.rot.s = vec3(1, 0, 0);
    c.frame.rot.f = vec3(0, 0, 1);
    c.frame.rot.u = vec3(0, -1, 0);
    c.view_left = -0.5f;
    c.view_right = 0.5f;
    c.view_bottom = -0.4375f;
    c.view_top = 0.4375f;
    c.near = 1.0f;
    c.far = 100.0f;
    sun_.type = mesh_light::directional;
    sun_.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    scene_.lights = {&sun_};
  }

  void TearDown() override {
    view_.set_device(nullptr);
    flat_.release();
    effect_.reset();
    device_.reset();
    system_.reset();
    win_.reset();
  }

  // Draws the cube at `at` with the sun going along `sun_direction`; the pixels.
  std::vector<std::uint32_t> draw(const vec3& at, const vec3& sun_direction) {
    sun_.direction = sun_direction;
    cube_.world_frame = frame::identity();
    cube_.world_frame.origin = at;
    scene_.add_mesh(cube_);
    view_.queue_object(scene_);
    EXPECT_TRUE(view_.render());
    EXPECT_EQ(view_.draw_calls, 1u);
    std::vector<std::uint32_t> pixels;
    EXPECT_EQ(device_->read_back_buffer(0, 0, width, height, pixels), gpu::result::ok);
    return pixels;
  }

  std::unique_ptr<platform::window> win_;
  std::unique_ptr<gpu::gpu_system> system_;
  std::unique_ptr<gpu::device> device_;
  std::unique_ptr<gpu::effect> effect_;
  test::white_effect_material flat_;
  mesh cube_;
  scene_view view_;
  game_options options_;
  render_view scene_;
  scene_environment environment_;
  mesh_light sun_;
};

int red(std::uint32_t argb) { return static_cast<int>((argb >> 16) & 0xFF); }
int green(std::uint32_t argb) { return static_cast<int>((argb >> 8) & 0xFF); }

TEST_F(SceneViewGl, RedCubeLandsWhereTheCameraSaysLitFromTheSunsSide) {
  const vec3 at(1.5f, 10.0f, 0.5f);
  float sx = 0.0f, sy = 0.0f;
  ASSERT_TRUE(scene_.camera.world_to_screen(at - vec3(0.0f, 1.0f, 0.0f), sx, sy));
  const auto px = static_cast<std::uint32_t>(sx * width);
  const auto py = static_cast<std::uint32_t>(sy * height);
  ASSERT_LT(px, width);
  ASSERT_LT(py, height);

  // The sun shines into the face the camera sees.
  const std::vector<std::uint32_t> lit = draw(at, vec3(0.0f, 1.0f, 0.0f));
  const std::uint32_t centre = lit[py * width + px];
  EXPECT_GT(red(centre), 200) << std::hex << centre;
  EXPECT_LT(green(centre), 40) << std::hex << centre;
  // Far from the cube: the cleared background.
  EXPECT_EQ(lit[5 * width + 5] & 0xFFFFFF, background & 0xFFFFFF);
  EXPECT_EQ(lit[(height - 5) * width + 5] & 0xFFFFFF, background & 0xFFFFFF);
  // The cube is right of the centre, where the camera puts it.
  EXPECT_GT(px, width / 2);
  EXPECT_EQ(lit[py * width + 10] & 0xFFFFFF, background & 0xFFFFFF);

  // The sun behind the cube: the same face only gets the ambient light.
  const std::vector<std::uint32_t> unlit = draw(at, vec3(0.0f, -1.0f, 0.0f));
  const std::uint32_t shaded = unlit[py * width + px];
  EXPECT_GT(red(shaded), 0);
  EXPECT_LT(red(shaded) + 60, red(centre)) << std::hex << shaded << " vs " << centre;
}

// The vertex shader skins with the bone palette as the skeleton builds it: a
// turn about the bone's rest origin, then the posed origin, in the mesh's own
// space, which the mesh's frame then places.
TEST_F(SceneViewGl, SkinnedBarFollowsItsBoneAndTheMeshFrame) {
  // A thin bar from the bone's rest origin (0, 0, 3) up to (0, 0, 5), every
  // point on bone 1.
  const vec3 rest_origin(0.0f, 0.0f, 3.0f);
  mesh bar;
  build_cube(bar);
  for (mesh_point& p : bar.points) {
    p.position = vec3(p.position.x * 0.15f, p.position.y * 0.15f, (p.position.z + 1.0f) + rest_origin.z);
    p.current_position = p.position;
  }
  bone_weight_list list;
  list.bone = 1;
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(bar.points.size()); ++i) list.weights.push_back({i, 1.0f});
  bar.bone_weights.push_back(list);
  bar.bone_count = 2;
  bar.ensure_vertex_skinning();
  // Bone 1 posed at (-1, 0, 3), turned a quarter about y so that the bar
  // points along +x: rows of the turn with the posed origin in the fourth
  // column, as the skeleton builds its palette.
  bar.bone_palette.assign(32 * 16, 0.0f);
  for (int b = 0; b < 32; ++b) {
    for (int k = 0; k < 4; ++k) bar.bone_palette[static_cast<std::size_t>(b * 16 + k * 5)] = 1.0f;
  }
  const float bone1[16] = {0, 0, 1, -1, 0, 1, 0, 0, -1, 0, 0, 3, 0, 0, 0, 1};
  std::copy(bone1, bone1 + 16, bar.bone_palette.begin() + 16);
  const vec3 origins[2] = {vec3(), rest_origin};
  bar.skeleton_bone_positions = origins;
  bar.skeleton_bone_position_count = 2;

  technique_record skin_techniques;
  skin_techniques.plain = effect_->get_technique_by_name("skin_shader");
  ASSERT_NE(skin_techniques.plain, nullptr);
  shader skin;
  skin.flags = shader::flag_effect | shader::flag_skinned;
  skin.technique_rec = &skin_techniques;
  material skin_material;
  skin_material.shader_ptr = &skin;
  skin_material.textures[0] = &flat_.white;
  bar.set_material(&skin_material);
  bar.set_shader_class(shader_class_of_flags(skin.flags));
  // The mesh stands 10 ahead of the camera and 3 down: the bone's posed origin
  // comes to (-1, 10, 0) and the bar reaches to (1, 10, 0).
  bar.world_frame = frame::identity();
  bar.world_frame.origin = vec3(0.0f, 10.0f, -3.0f);

  sun_.direction = vec3(0.0f, 1.0f, 0.0f);
  scene_.add_mesh(bar);
  view_.queue_object(scene_);
  ASSERT_TRUE(view_.render());
  std::vector<std::uint32_t> pixels;
  ASSERT_EQ(device_->read_back_buffer(0, 0, width, height, pixels), gpu::result::ok);
  auto pixel_at = [&](const vec3& world) {
    float sx = 0.0f, sy = 0.0f;
    EXPECT_TRUE(scene_.camera.world_to_screen(world, sx, sy));
    return pixels[static_cast<std::uint32_t>(sy * height) * width + static_cast<std::uint32_t>(sx * width)];
  };
  for (const float x : {-0.7f, 0.0f, 0.7f}) {
    EXPECT_GT(red(pixel_at(vec3(x, 9.85f, 0.0f))), 120) << "along the bar at x " << x;
  }
  // Nothing where the bar would stand unturned, or turned the other way, or
  // left at its rest place.
  EXPECT_EQ(pixel_at(vec3(-1.0f, 9.85f, 1.2f)) & 0xFFFFFF, background & 0xFFFFFF);
  EXPECT_EQ(pixel_at(vec3(-2.5f, 9.85f, 0.0f)) & 0xFFFFFF, background & 0xFFFFFF);
  EXPECT_EQ(pixel_at(vec3(0.0f, 9.85f, 1.2f)) & 0xFFFFFF, background & 0xFFFFFF);
}

}  // namespace
}  // namespace hm
