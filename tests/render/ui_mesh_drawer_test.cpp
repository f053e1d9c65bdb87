// Interface meshes on the device: the message log's lines counted on the null
// device as they show and fade, and the interface's orientation (y up, text
// meshes' v up the texture) read back from OpenGL offscreen where it exists.
#include "render/ui_mesh_drawer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "engine/core/timer.h"
#include "platform/gpu/gl_system.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"
#include "render/message_log.h"
#include "render/support/test_font.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

gpu::present_parameters params(std::uint32_t w, std::uint32_t h) {
  gpu::present_parameters p;
  p.back_buffer_width = w;
  p.back_buffer_height = h;
  p.back_buffer_format = gpu::format::x8r8g8b8;
  p.windowed = true;
  return p;
}

// A 2 x 2 texture: its top row opaque white, its bottom row clear.
std::unique_ptr<texture> two_row_texture(gpu::device& device) {
  std::unique_ptr<gpu::texture> made;
  EXPECT_EQ(device.create_texture(2, 2, 1, gpu::usage_none, gpu::format::a8r8g8b8, made), gpu::result::ok);
  const std::uint32_t texels[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0x00000000u, 0x00000000u};
  EXPECT_EQ(made->update_level(0, texels, sizeof texels), gpu::result::ok);
  auto record = std::make_unique<texture>();
  record->name = "font";
  record->frames.push_back(made.release());
  record->loaded = true;
  return record;
}

class log_on_null_device : public ::testing::Test {
 protected:
  void SetUp() override {
    control_ = system_.control();
    ASSERT_EQ(system_.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware,
                                    params(640, 480), device_),
              gpu::result::ok);
    font_texture_ = two_row_texture(*device_);
    for (const char* name : {"default", "ui_font", "ui_font_background"}) {
      auto m = std::make_unique<material>();
      m->name = name;
      if (std::string(name) != "default") m->textures[0] = font_texture_.get();
      resources_.adopt_resource(std::move(m));
    }
    log_ = std::make_unique<message_log>();
    log_->font = &font_;
    log_->resources = &resources_;
    drawer_.set_device(device_.get());
    reset_clocks();
  }
  void TearDown() override {
    log_.reset();
    drawer_.set_device(nullptr);
    reset_clocks();
  }

  // One frame: the log ages by the seconds and is drawn.
  int frame(float seconds) {
    advance_clock(clock_real_time, seconds);
    message_log_frame(*log_);
    EXPECT_EQ(device_->begin_scene(), gpu::result::ok);
    EXPECT_TRUE(drawer_.begin());
    const int meshes = draw_message_log(drawer_, *log_);
    drawer_.end();
    EXPECT_EQ(device_->end_scene(), gpu::result::ok);
    return meshes;
  }
  std::uint32_t faces(int slot) const {
    return static_cast<std::uint32_t>(log_->log_text_meshes[static_cast<std::size_t>(slot)].get_faces().size());
  }

  gpu::null_system system_;
  std::shared_ptr<gpu::null_gpu_control> control_;
  std::unique_ptr<gpu::device> device_;
  std::unique_ptr<texture> font_texture_;  // goes before the device
  resource_manager resources_;             // outlives the log's meshes
  font_details font_ = test::make_test_font();
  std::unique_ptr<message_log> log_;
  ui_mesh_drawer drawer_;
};

TEST_F(log_on_null_device, LinesDrawWithTheirShadowsUntilTheyFadeOut) {
  EXPECT_EQ(frame(0.1f), 0);  // an empty log draws nothing
  EXPECT_EQ(control_->draws, 0);

  add_message_line(*log_, "ab cd", 0xFFFF0000u);
  const int first = log_->log_slot;
  std::uint32_t primitives = control_->primitives_drawn;
  EXPECT_EQ(frame(0.1f), 2);  // the shadow, then the text
  EXPECT_EQ(control_->draws, 2);
  EXPECT_EQ(control_->primitives_drawn - primitives, 2 * faces(first));
  EXPECT_GT(faces(first), 0u);

  advance_clock(clock_real_time, 5.0f);
  message_log_frame(*log_);
  add_message_line(*log_, "dd", 0xFFFFFFFFu);
  EXPECT_EQ(frame(0.1f), 4);

  // Lines are gone once 10 s old: first the older (10.2 s), then the newer (10.3 s).
  EXPECT_EQ(frame(5.0f), 2);
  EXPECT_EQ(frame(5.2f), 0);
  const int draws = control_->draws;
  EXPECT_EQ(frame(0.1f), 0);
  EXPECT_EQ(control_->draws, draws);
}

TEST_F(log_on_null_device, MeshesWithoutTextureOrFacesOrOutsideBeginAreNotDrawn) {
  mesh m;
  const std::int32_t p[3] = {m.add_point({0, 0, 0}), m.add_point({1, 0, 0}), m.add_point({0, 1, 0})};
  m.add_face(m.add_vertex(p[0], 0, 0, 0xFFFFFFFFu, {0, 0, 1}), m.add_vertex(p[1], 1, 0, 0xFFFFFFFFu, {0, 0, 1}),
             m.add_vertex(p[2], 0, 1, 0xFFFFFFFFu, {0, 0, 1}));
  ASSERT_EQ(device_->begin_scene(), gpu::result::ok);
  EXPECT_FALSE(drawer_.draw(m, 0xFFFFFFFFu, {}));  // not begun
  ASSERT_TRUE(drawer_.begin());
  EXPECT_FALSE(drawer_.draw(m, 0xFFFFFFFFu, {}));  // no material
  m.set_material(resources_.get_material("default"));
  EXPECT_FALSE(drawer_.draw(m, 0xFFFFFFFFu, {}));  // a material without texture
  m.set_material(resources_.get_material("ui_font"));
  EXPECT_TRUE(drawer_.draw(m, 0xFFFFFFFFu, {}));
  mesh empty;
  empty.set_material(resources_.get_material("ui_font"));
  EXPECT_FALSE(drawer_.draw(empty, 0xFFFFFFFFu, {}));
  drawer_.end();
  ASSERT_EQ(device_->end_scene(), gpu::result::ok);
  EXPECT_EQ(control_->draws, 1);
  m.set_material(nullptr);
  empty.set_material(nullptr);
}

// --- OpenGL -------------------------------------------------------------------------------------

TEST(UiMeshDrawerOnOpenGL, InterfaceYAndTextureVPointUp) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  if (!platform::init_video()) GTEST_SKIP() << "no video system";
  constexpr int width = 160, height = 96;
  auto window = platform::make_sdl_window();
  if (!window->create({"interface", width, height, false})) GTEST_SKIP() << "no offscreen window";
  auto system = gpu::make_gl_system();
  gpu::present_parameters p = params(width, height);
  p.device_window = window.get();
  p.interval = gpu::present_interval::immediate;
  std::unique_ptr<gpu::device> device;
  if (system->create_device(0, gpu::device_type::hal, window.get(), gpu::vertex_processing::hardware, p, device) !=
      gpu::result::ok)
    GTEST_SKIP() << "no OpenGL 3.3 context";

  std::vector<std::uint32_t> pixels;
  {
    std::unique_ptr<texture> tex = two_row_texture(*device);
    material mat;
    mat.textures[0] = tex.get();
    // The lower half of the interface, v from 0 at its bottom to 1 at its top.
    mesh m;
    const float top = ui_mesh_drawer::ui_height * 0.5f;
    const std::int32_t a = m.add_point({0, 0, 0}), b = m.add_point({1, 0, 0}), c = m.add_point({1, top, 0}),
                       d = m.add_point({0, top, 0});
    const vec3 n(0, 0, 1);
    const std::int32_t va = m.add_vertex(a, 0, 0, 0xFFFFFFFFu, n), vb = m.add_vertex(b, 1, 0, 0xFFFFFFFFu, n),
                       vc = m.add_vertex(c, 1, 1, 0xFFFFFFFFu, n), vd = m.add_vertex(d, 0, 1, 0xFFFFFFFFu, n);
    m.add_face(va, vb, vc);
    m.add_face(va, vc, vd);
    m.set_material(&mat);

    ui_mesh_drawer drawer;
    drawer.set_device(device.get());
    ASSERT_EQ(device->begin_scene(), gpu::result::ok);
    ASSERT_EQ(device->clear(gpu::clear_target | gpu::clear_zbuffer, 0xFF000000u, 1.0f, 0), gpu::result::ok);
    ASSERT_TRUE(drawer.begin());
    EXPECT_TRUE(drawer.draw(m, 0xFFFFFFFFu, {}));
    drawer.end();
    ASSERT_EQ(device->end_scene(), gpu::result::ok);
    ASSERT_EQ(device->read_back_buffer(0, 0, width, height, pixels), gpu::result::ok);
    m.set_material(nullptr);
  }
  auto lit = [&](int x, int y) { return ((pixels[static_cast<std::size_t>(y * width + x)] >> 8) & 0xFF) > 0x80; };
  // Rows from the top of the screen: the upper half stays clear; in the lower
  // half the texture's top row shows at the top of the quad, its clear row at
  // the bottom of the screen.
  EXPECT_FALSE(lit(width / 2, height / 4));
  EXPECT_TRUE(lit(width / 2, height / 2 + height / 8));
  EXPECT_FALSE(lit(width / 2, height - 2));
}

}  // namespace
}  // namespace hm
