// The texture font on the graphics device: its device objects through the
// game's device hooks and a reset on the null device, the draws a text makes,
// and real pixels on OpenGL offscreen (skipped where no context can be made).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/device/device_resources.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/text/texture_font.h"
#include "engine/text/texture_font_gpu.h"
#include "platform/gpu/gl_system.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

// Faces of fixed extents: every character is 8 x 12 pixels at the size asked
// for (16), painted as a solid box.
class block_face final : public platform::font_face {
 public:
  int pixel_height() const override { return 16; }
  int ascent() const override { return 12; }
  int descent() const override { return 0; }
  platform::text_extent measure(std::string_view text) const override {
    return {8 * static_cast<int>(text.size()), 12};
  }
  platform::glyph_metrics glyph(char32_t) const override { return {true, 8, 0, 12, 8, 12}; }
  void draw(std::string_view text, int x, int y, std::uint32_t argb, const platform::bitmap_view& t) const override {
    for (int yy = std::max(y, 0); yy < std::min(y + 12, t.height); ++yy)
      for (int xx = std::max(x, 0); xx < std::min(x + 8 * static_cast<int>(text.size()), t.width); ++xx)
        *reinterpret_cast<std::uint32_t*>(t.pixels + yy * t.pitch + xx * 4) = argb;
  }
  void draw_glyph(char32_t, int, int, std::uint32_t, const platform::bitmap_view&) const override {}
};

class block_library final : public platform::font_library {
 public:
  std::unique_ptr<platform::font_face> open_face(std::string_view, int px, std::uint32_t) const override {
    if (px < 1) return nullptr;
    return std::make_unique<block_face>();
  }
};

gpu::present_parameters params(std::uint32_t w, std::uint32_t h) {
  gpu::present_parameters p;
  p.back_buffer_width = w;
  p.back_buffer_height = h;
  p.back_buffer_format = gpu::format::x8r8g8b8;
  p.windowed = true;
  return p;
}

class null_font_device : public ::testing::Test {
 protected:
  void SetUp() override {
    control_ = system_.control();
    ASSERT_EQ(system_.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware,
                                    params(640, 480), device_),
              gpu::result::ok);
    font_.construct("Arial", 9, texture_font_bold);
  }

  int draws_for(const char* text, std::uint32_t flags = 0) {
    const int before = control_->draws;
    EXPECT_EQ(device_->begin_scene(), gpu::result::ok);
    EXPECT_EQ(font_.draw_text(2.0f, 0.0f, 0xFFFFFF00u, text, flags), frame_code::ok);
    EXPECT_EQ(device_->end_scene(), gpu::result::ok);
    return control_->draws - before;
  }

  gpu::null_system system_;
  std::shared_ptr<gpu::null_gpu_control> control_;
  std::unique_ptr<gpu::device> device_;
  block_library fonts_;
  texture_font font_;
};

TEST_F(null_font_device, DeviceObjectsFollowTheGameHooksThroughAReset) {
  // The shaders every restore looks up for the scene view.
  resource_manager manager;
  for (const char* name : {"render_to_depth_shader", "render_to_depth_skin_shader", "render_character_shadow",
                           "render_character_shadow_with_skin"}) {
    auto s = std::make_unique<shader>();
    s->name = name;
    manager.adopt_resource(std::move(s));
  }
  device_resources r;
  r.manager = &manager;
  r.effect_path = std::string(HOOFMARCH_DATA_DIR) + "/hoofmarch.fx";
  r.debug_font = &font_;
  r.fonts = &fonts_;
  const std::uint32_t base = control_->live_resources;

  // init: the glyph texture, A4R4G4B4, white with the glyphs' coverage as alpha.
  ASSERT_EQ(init_device_resources(r, *device_), 0);
  gpu::texture* glyphs = r.debug_font_device.glyph_texture();
  ASSERT_NE(glyphs, nullptr);
  EXPECT_EQ(glyphs->get_format(), gpu::format::a4r4g4b4);
  EXPECT_EQ(static_cast<int>(glyphs->width()), font_.texture_width);
  std::vector<std::uint32_t> texels;
  ASSERT_EQ(glyphs->read_level(0, texels), gpu::result::ok);
  const auto& a = font_.glyph_coords['A' - texture_font::first_char];
  const int ax = static_cast<int>((a[0] + a[2]) * 0.5f * static_cast<float>(font_.texture_width));
  const int ay = static_cast<int>((a[1] + a[3]) * 0.5f * static_cast<float>(font_.texture_height));
  EXPECT_EQ(texels[static_cast<std::size_t>(ay * font_.texture_width + ax)], 0xFFFFFFFFu);  // inside 'A'
  EXPECT_EQ(texels.back(), 0x00FFFFFFu);  // the unused corner: clear
  EXPECT_EQ(control_->live_resources, base + 1);

  // restore: the vertex buffer and layout (and the effect); a text draws.
  ASSERT_EQ(restore_device_resources(r), 0);
  EXPECT_NE(r.debug_font_device.vertex_buffer(), nullptr);
  EXPECT_EQ(control_->live_resources, base + 4);
  EXPECT_EQ(draws_for("Hi"), 1);

  // A lost device: invalidate takes the buffer, the texture stays through the
  // reset, restore brings the buffer back.
  ASSERT_EQ(invalidate_device_resources(r), 0);
  EXPECT_EQ(r.debug_font_device.vertex_buffer(), nullptr);
  EXPECT_EQ(control_->live_resources, base + 1);
  ASSERT_EQ(device_->reset(params(800, 600)), gpu::result::ok);
  ASSERT_EQ(restore_device_resources(r), 0);
  EXPECT_EQ(control_->live_resources, base + 4);
  EXPECT_EQ(r.debug_font_device.glyph_texture(), glyphs);
  EXPECT_EQ(draws_for("Hi"), 1);

  // The end: nothing of the font is left on the device, and it cannot draw.
  ASSERT_EQ(invalidate_device_resources(r), 0);
  ASSERT_EQ(delete_device_resources(r), 0);
  EXPECT_EQ(control_->live_resources, base);
  EXPECT_EQ(font_.device, nullptr);
  EXPECT_EQ(font_.draw_text(0.0f, 0.0f, 0xFFFFFFFFu, "Hi", 0), frame_code::failed);
}

TEST_F(null_font_device, AFontThatCannotBeMadeLeavesNothingAndDrawsNothing) {
  struct no_fonts final : platform::font_library {
    std::unique_ptr<platform::font_face> open_face(std::string_view, int, std::uint32_t) const override {
      return nullptr;
    }
  } none;
  gpu_texture_font_device half(device_.get());
  EXPECT_LT(font_.init_device_objects(&half, none), 0);
  EXPECT_EQ(font_.device, nullptr);
  EXPECT_EQ(font_.restore_device_objects(), frame_code::ok);
  EXPECT_EQ(font_.draw_text(0.0f, 0.0f, 0xFFFFFFFFu, "Hi", 0), frame_code::failed);
  EXPECT_EQ(half.glyph_texture(), nullptr);
}

TEST_F(null_font_device, TextDrawsInBatchesAndPutsTheStateBack) {
  gpu_texture_font_device half(device_.get());
  ASSERT_EQ(font_.init_device_objects(&half, fonts_), frame_code::ok);
  ASSERT_EQ(font_.restore_device_objects(), frame_code::ok);

  // The caller's state, which the text must leave as it found it.
  device_->set_render_state(gpu::render_state::z_enable, 1);
  device_->set_render_state(gpu::render_state::alpha_blend_enable, 0);
  device_->set_render_state(gpu::render_state::cull_mode, gpu::state_value(gpu::cull::counter_clockwise));
  device_->set_sampler_state(0, gpu::sampler_state::min_filter, gpu::state_value(gpu::texture_filter::anisotropic));
  device_->set_texture_stage_state(0, gpu::texture_stage_state::color_op, gpu::state_value(gpu::texture_op::add));
  control_->state_changes.clear();

  // Two triangles a glyph; spaces and line feeds draw nothing. A batch goes to
  // the device once it holds more than 294 vertices.
  struct row {
    std::string text;
    int draws;
    std::uint32_t primitives;
  };
  const row rows[] = {
      {"A", 1, 2},
      {"AB\nC D", 1, 8},
      {std::string(49, 'x'), 1, 98},   // 294 vertices: one batch
      {std::string(50, 'x'), 1, 100},  // 300: flushed at the end all the same
      {std::string(60, 'x'), 2, 120},  // 300 + 60
      {std::string(120, 'x'), 3, 240},
      {" \n \x01\x1f", 0, 0},  // spaces, a line feed and control characters
  };
  for (const row& r : rows) {
    const std::uint32_t primitives = control_->primitives_drawn;
    EXPECT_EQ(draws_for(r.text.c_str()), r.draws) << r.text;
    EXPECT_EQ(control_->primitives_drawn - primitives, r.primitives) << r.text;
  }

  // The drawing state was set: blended, and with flag 8 linear filtering.
  auto was_set = [&](gpu::null_gpu_control::state_kind kind, std::uint32_t state, std::uint32_t value) {
    return std::any_of(control_->state_changes.begin(), control_->state_changes.end(), [&](const auto& c) {
      return c.kind == kind && c.state == state && c.value == value;
    });
  };
  using kind = gpu::null_gpu_control::state_kind;
  const auto linear = gpu::state_value(gpu::texture_filter::linear);
  const auto min_filter = static_cast<std::uint32_t>(gpu::sampler_state::min_filter);
  EXPECT_TRUE(was_set(kind::render, static_cast<std::uint32_t>(gpu::render_state::alpha_blend_enable), 1));
  EXPECT_FALSE(was_set(kind::sampler, min_filter, linear));
  draws_for("A", draw_text_filtered);
  EXPECT_TRUE(was_set(kind::sampler, min_filter, linear));

  // ... and put back afterwards, with the glyph texture unbound.
  EXPECT_EQ(device_->get_render_state(gpu::render_state::z_enable), 1u);
  EXPECT_EQ(device_->get_render_state(gpu::render_state::alpha_blend_enable), 0u);
  EXPECT_EQ(device_->get_render_state(gpu::render_state::cull_mode), gpu::state_value(gpu::cull::counter_clockwise));
  EXPECT_EQ(device_->get_sampler_state(0, gpu::sampler_state::min_filter),
            gpu::state_value(gpu::texture_filter::anisotropic));
  EXPECT_EQ(device_->get_texture_stage_state(0, gpu::texture_stage_state::color_op),
            gpu::state_value(gpu::texture_op::add));
  EXPECT_EQ(static_cast<gpu::null_device&>(*device_).bound_texture(0), nullptr);

  font_.destroy();
  half.release_draw_objects();
}

// --- OpenGL -------------------------------------------------------------------------------------

class gl_font_device : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!platform::init_video()) GTEST_SKIP() << "no video system";
    window_ = platform::make_sdl_window();
    if (!window_->create({"texture font", width, height, false})) GTEST_SKIP() << "no offscreen window";
    system_ = gpu::make_gl_system();
    gpu::present_parameters p = params(width, height);
    p.device_window = window_.get();
    p.interval = gpu::present_interval::immediate;
    if (system_->create_device(0, gpu::device_type::hal, window_.get(), gpu::vertex_processing::hardware, p,
                               device_) != gpu::result::ok)
      GTEST_SKIP() << "no OpenGL 3.3 context";
  }
  void TearDown() override {
    font_.destroy();
    half_.reset();
    device_.reset();
    system_.reset();
    window_.reset();
  }

  // Draws the text in white on black and reads the back buffer.
  std::vector<std::uint32_t> draw(const char* text, float x, float y) {
    EXPECT_EQ(device_->begin_scene(), gpu::result::ok);
    EXPECT_EQ(device_->clear(gpu::clear_target | gpu::clear_zbuffer, 0xFF000000u, 1.0f, 0), gpu::result::ok);
    EXPECT_EQ(font_.draw_text(x, y, 0xFFFFFFFFu, text, 0), frame_code::ok);
    EXPECT_EQ(device_->end_scene(), gpu::result::ok);
    std::vector<std::uint32_t> pixels;
    EXPECT_EQ(device_->read_back_buffer(0, 0, width, height, pixels), gpu::result::ok);
    return pixels;
  }

  static constexpr int width = 160;
  static constexpr int height = 96;
  std::unique_ptr<platform::window> window_;
  std::unique_ptr<gpu::gpu_system> system_;
  std::unique_ptr<gpu::device> device_;
  std::unique_ptr<gpu_texture_font_device> half_;
  texture_font font_;
};

bool lit(std::uint32_t argb) { return ((argb >> 8) & 0xFF) > 0x80; }

TEST_F(gl_font_device, TextLightsPixelsInsideItsBoxOnlyAndStandsUpright) {
  half_ = std::make_unique<gpu_texture_font_device>(device_.get());
  font_.construct("Arial", 24, texture_font_bold);
  if (font_.init_device_objects(half_.get()) != frame_code::ok) GTEST_SKIP() << "no host font";
  ASSERT_EQ(font_.restore_device_objects(), frame_code::ok);

  const float x = 20.0f, y = 30.0f;
  const std::vector<std::uint32_t> pixels = draw("T", x, y);
  ASSERT_EQ(pixels.size(), static_cast<std::size_t>(width * height));

  // The box the glyph's quad covers, in pixels from the top left.
  const auto batches = font_.text_vertices(x, y, 0xFFFFFFFFu, "T", 0, width, height);
  ASSERT_EQ(batches.size(), 1u);
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
  for (const font_vertex& v : batches[0]) {
    x0 = std::min(x0, v.x), y0 = std::min(y0, v.y), x1 = std::max(x1, v.x), y1 = std::max(y1, v.y);
  }
  int inside = 0, outside = 0, top_half = 0, bottom_half = 0;
  const float mid = (y0 + y1) * 0.5f;
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < width; ++px) {
      if (!lit(pixels[static_cast<std::size_t>(py * width + px)])) continue;
      const bool in = px >= x0 - 1 && px <= x1 + 1 && py >= y0 - 1 && py <= y1 + 1;
      ++(in ? inside : outside);
      if (in) ++(py < mid ? top_half : bottom_half);
    }
  }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  // A 'T' has its bar at the top: upside down, the bottom half would hold more.
  EXPECT_GT(top_half, bottom_half);

  // The same text moved right lights pixels further right.
  const std::vector<std::uint32_t> moved = draw("T", x + 60.0f, y);
  int left_lit = 0, right_lit = 0;
  for (int py = 0; py < height; ++py)
    for (int px = 0; px < width; ++px)
      if (lit(moved[static_cast<std::size_t>(py * width + px)])) ++(px < x1 + 1 ? left_lit : right_lit);
  EXPECT_EQ(left_lit, 0);
  EXPECT_GT(right_lit, 20);
}

}  // namespace
}  // namespace hm
