// The OpenGL device on SDL's offscreen video driver: what is cleared reads back.
// Skipped where no OpenGL 3.3 context can be made.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/fs.h"
#include "platform/gpu/gl_system.h"
#include "platform/window.h"

using namespace hm::platform;
using namespace hm::platform::gpu;

namespace {

class GlDevice : public testing::Test {
 protected:
  void SetUp() override {
    // Never a window on somebody's screen.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_TRUE(init_video());
    win = make_sdl_window();
    ASSERT_TRUE(win->create({"gl test", 128, 112, false}));
    system = make_gl_system();
    ASSERT_GE(system->adapter_count(), 1u);
    present_parameters p;
    p.windowed = true;
    p.back_buffer_width = 128;
    p.back_buffer_height = 112;
    p.back_buffer_format = format::x8r8g8b8;
    p.enable_auto_depth_stencil = true;
    p.auto_depth_stencil_format = format::d24s8;
    p.device_window = win.get();
    p.interval = present_interval::immediate;
    const result r = system->create_device(0, device_type::hal, win.get(), vertex_processing::hardware, p, dev);
    if (r != result::ok) GTEST_SKIP() << "no OpenGL 3.3 context: " << result_name(r);
  }
  void TearDown() override {
    dev.reset();
    system.reset();
    win.reset();
  }

  std::unique_ptr<window> win;
  std::unique_ptr<gpu_system> system;
  std::unique_ptr<device> dev;
};

TEST_F(GlDevice, ClearedColourReadsBackFromTheBackBuffer) {
  const surface_desc desc = dev->back_buffer_desc();
  ASSERT_EQ(desc.width, 128u);
  ASSERT_EQ(desc.height, 112u);
  ASSERT_EQ(dev->clear(clear_target | clear_zbuffer | clear_stencil, 0xFF302010, 1.0f, 0), result::ok);
  // The right half only, in another colour.
  ASSERT_EQ(dev->set_viewport({64, 0, 64, 112, 0.0f, 1.0f}), result::ok);
  ASSERT_EQ(dev->clear(clear_target, 0xFF3366CC, 1.0f, 0), result::ok);
  std::vector<std::uint32_t> pixels;
  ASSERT_EQ(dev->read_back_buffer(0, 0, 128, 112, pixels), result::ok);
  ASSERT_EQ(pixels.size(), 128u * 112u);
  EXPECT_EQ(pixels[0] & 0xFFFFFF, 0x302010u);
  EXPECT_EQ(pixels[128 * 111 + 63] & 0xFFFFFF, 0x302010u);
  EXPECT_EQ(pixels[64] & 0xFFFFFF, 0x3366CCu);
  EXPECT_EQ(pixels[128 * 111 + 127] & 0xFFFFFF, 0x3366CCu);
  EXPECT_EQ(dev->present(), result::ok);
  EXPECT_EQ(dev->test_cooperative_level(), result::ok);
}

TEST_F(GlDevice, ResetFollowsTheWindowSizeAndRejectsBadViewports) {
  EXPECT_EQ(dev->set_viewport({0, 0, 129, 112, 0.0f, 1.0f}), result::invalid_call);
  win->set_bounds(rect{0, 0, 200, 150});
  present_parameters p;
  p.windowed = true;
  p.back_buffer_width = 200;
  p.back_buffer_height = 150;
  p.device_window = win.get();
  ASSERT_EQ(dev->reset(p), result::ok);
  int w = 0, h = 0;
  win->client_size(w, h);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(dev->back_buffer_desc().width, static_cast<std::uint32_t>(w));
  EXPECT_EQ(dev->back_buffer_desc().height, static_cast<std::uint32_t>(h));
  EXPECT_EQ(dev->get_viewport().width, static_cast<std::uint32_t>(w));
  EXPECT_GT(dev->available_video_memory(), 0u);
}

TEST_F(GlDevice, AbilitiesAreTheContextsOnceOneExists) {
  // A 3.3 context's shading language is 3.30 or later: model 4 shaders at least.
  EXPECT_GE(dev->caps().pixel_shader_version, 0x0400u);
  EXPECT_EQ(dev->caps().vertex_shader_version, dev->caps().pixel_shader_version);
  // The system answers with the context's figures from now on.
  device_caps caps;
  ASSERT_EQ(system->get_device_caps(0, device_type::hal, caps), result::ok);
  EXPECT_EQ(caps.max_texture_width, dev->caps().max_texture_width);
  EXPECT_EQ(caps.max_texture_height, dev->caps().max_texture_height);
  EXPECT_EQ(caps.pixel_shader_version, dev->caps().pixel_shader_version);
  // A side the context allows is taken, one past it refused.
  const std::uint32_t side = dev->caps().max_texture_width;
  ASSERT_GE(side, 1024u);
  std::unique_ptr<texture> t;
  EXPECT_EQ(dev->create_texture(side, 4, 1, usage_none, format::a8r8g8b8, t), result::ok);
  EXPECT_EQ(dev->create_texture(side + 1, 4, 1, usage_none, format::a8r8g8b8, t), result::invalid_call);
}

TEST(GlSystem, ShaderVersionFollowsTheShadingLanguage) {
  const struct {
    const char* glsl;
    std::uint32_t version;
  } cases[] = {
      {"1.10", 0x0200},          {"1.20 vendor", 0x0300},        {"1.30", 0x0400},
      {"3.30", 0x0400},          {"3.3", 0x0400},                {"4.00", 0x0500},
      {"4.60 NVIDIA", 0x0500},   {"4.50 - Build 27.20", 0x0500}, {"OpenGL ES GLSL ES 3.00", 0x0400},
      {"", 0},                   {"garbage", 0},                 {"4", 0},
      {"1.00", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(shader_version_of_glsl(c.glsl), c.version) << c.glsl;
  EXPECT_EQ(shader_version_of_glsl(nullptr), 0u);
}

TEST(GlSystem, ListsTheDesktopModeAndAHardwareDevice) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  ASSERT_TRUE(init_video());
  auto system = make_gl_system();
  ASSERT_GE(system->adapter_count(), 1u);
  display_mode desktop;
  ASSERT_EQ(system->adapter_display_mode(0, desktop), result::ok);
  EXPECT_GE(system->adapter_mode_count(0, desktop.fmt), 1u);
  device_caps caps;
  EXPECT_EQ(system->get_device_caps(0, device_type::hal, caps), result::ok);
  // Before any context: figures every OpenGL 3.3 context reaches.
  EXPECT_GE(caps.max_texture_width, 1024u);
  EXPECT_GE(caps.pixel_shader_version, 0x0200u);
  EXPECT_EQ(system->get_device_caps(0, device_type::ref, caps), result::not_available);
  // A window without a host (the null window) cannot carry an OpenGL device.
  null_window nw;
  nw.create({"n", 10, 10, false});
  present_parameters p;
  p.back_buffer_width = p.back_buffer_height = 10;
  std::unique_ptr<device> dev;
  EXPECT_EQ(system->create_device(0, device_type::hal, &nw, vertex_processing::hardware, p, dev),
            result::not_available);
}

}  // namespace

// --- textures, programs and targets ---

#include "platform/gpu/image_file.h"

namespace {

// A DXT1 block of one colour (565), every pixel taking colour 0.
std::vector<std::uint8_t> solid_dxt1_block(std::uint16_t c) {
  return {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8), 0, 0, 0, 0, 0, 0};
}

// 4 x 4 DXT1 with three levels: red, green, blue.
image three_level_dxt1() {
  image img;
  img.fmt = format::dxt1;
  img.width = img.height = 4;
  img.levels = {solid_dxt1_block(0xF800), solid_dxt1_block(0x07E0), solid_dxt1_block(0x001F)};
  return img;
}

struct quad_vertex {
  float x, y, z;
  std::uint32_t colour;
  float u, v;
};

// A quad over the whole target, texture coordinates 0..1 from the top left; its
// triangles run clockwise on the screen, so the default culling keeps them.
const quad_vertex full_quad[4] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                                  {1, 1, 0.5f, 0xFFFFFFFF, 1, 0},
                                  {-1, -1, 0.5f, 0xFFFFFFFF, 0, 1},
                                  {1, -1, 0.5f, 0xFFFFFFFF, 1, 1}};

const std::vector<vertex_element> quad_layout = {
    {0, 0, vertex_element_type::float3, vertex_usage::position, 0},
    {0, 12, vertex_element_type::color, vertex_usage::color, 0},
    {0, 16, vertex_element_type::float2, vertex_usage::texcoord, 0}};

class GlTextures : public GlDevice, public testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    gl_use_s3tc(GetParam());
    GlDevice::SetUp();
  }
  void TearDown() override {
    GlDevice::TearDown();
    gl_use_s3tc(true);
  }
};

TEST_P(GlTextures, GeneratedDdsLoadsWithItsMipLevelsAndReadsBack) {
  const std::vector<std::uint8_t> file = write_dds(three_level_dxt1());
  image img;
  std::string error;
  ASSERT_TRUE(read_dds(file.data(), file.size(), img, error)) << error;
  ASSERT_EQ(img.levels.size(), 3u);
  std::unique_ptr<texture> t;
  ASSERT_EQ(create_texture_from_image(*dev, img, 0, t), result::ok);
  ASSERT_EQ(t->level_count(), 3u);
  const std::uint32_t expected[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
  for (std::uint32_t level = 0; level < 3; ++level) {
    std::vector<std::uint32_t> px;
    ASSERT_EQ(t->read_level(level, px), result::ok);
    ASSERT_EQ(px.size(), static_cast<std::size_t>(mip_dimension(4, level) * mip_dimension(4, level)));
    for (std::uint32_t p : px) EXPECT_EQ(p, expected[level]) << "level " << level;
  }
  // One level skipped: a 2 x 2 texture that starts with green.
  std::unique_ptr<texture> reduced;
  ASSERT_EQ(create_texture_from_image(*dev, img, 1, reduced), result::ok);
  EXPECT_EQ(reduced->width(), 2u);
  EXPECT_EQ(reduced->level_count(), 2u);
  std::vector<std::uint32_t> px;
  ASSERT_EQ(reduced->read_level(0, px), result::ok);
  EXPECT_EQ(px[0], 0xFF00FF00u);
  EXPECT_EQ(dev->outstanding_resources(), 2u);
  t.reset();
  reduced.reset();
  EXPECT_EQ(dev->outstanding_resources(), 0u);
}

INSTANTIATE_TEST_SUITE_P(CompressedAndDecodedOnTheProcessor, GlTextures, testing::Values(true, false));

TEST_F(GlDevice, EffectPassDrawsTheTextureAndFixedFunctionStagesModulate) {
  // A 2 x 1 texture: left half red, right half blue, drawn without filtering.
  std::unique_ptr<texture> t;
  ASSERT_EQ(dev->create_texture(2, 1, 1, usage_none, format::a8r8g8b8, t), result::ok);
  const std::uint32_t pixels[2] = {0xFFFF0000u, 0xFF0000FFu};
  ASSERT_EQ(t->update_level(0, pixels, sizeof pixels), result::ok);
  std::unique_ptr<vertex_layout> layout;
  ASSERT_EQ(dev->create_vertex_layout(quad_layout, layout), result::ok);

  const std::string fx =
      "@parameter float4 tint = 1 1 1 1\n@sampler diffuse_texture 0\n"
      "@vertex v\nout vec2 uv;\nvoid main() { uv = hm_texcoord0; gl_Position = hm_output(vec4(hm_position, 1.0)); }\n"
      "@fragment f\nin vec2 uv;\nvoid main() { hm_frag_color = texture(diffuse_texture, uv) * tint; }\n"
      "@technique show\n@pass vertex=v fragment=f\n@state z_enable false\n";
  std::unique_ptr<effect> e;
  std::string errors;
  ASSERT_EQ(dev->create_effect(fx, e, errors), result::ok) << errors;
  ASSERT_EQ(e->set_texture(e->get_parameter_by_name("diffuse_texture"), t.get()), result::ok);
  const float half_green[4] = {1.0f, 0.5f, 1.0f, 1.0f};
  ASSERT_EQ(e->set_vector(e->get_parameter_by_name("tint"), half_green), result::ok);

  ASSERT_EQ(dev->clear(clear_target | clear_zbuffer, 0xFF000000, 1.0f, 0), result::ok);
  ASSERT_EQ(dev->begin_scene(), result::ok);
  ASSERT_EQ(dev->set_vertex_layout(layout.get()), result::ok);
  ASSERT_EQ(e->set_technique(e->get_technique_by_name("show")), result::ok);
  std::uint32_t passes = 0;
  ASSERT_EQ(e->begin(passes), result::ok);
  const std::uint64_t states_before = dev->state_sets();
  ASSERT_EQ(e->begin_pass(0), result::ok);
  EXPECT_EQ(dev->state_sets(), states_before + 1);  // the pass's one state
  ASSERT_EQ(dev->draw_primitive_up(primitive_type::triangle_strip, 2, full_quad, sizeof(quad_vertex)), result::ok);
  e->end_pass();
  e->end();
  std::vector<std::uint32_t> px;
  ASSERT_EQ(dev->read_back_buffer(0, 0, 128, 112, px), result::ok);
  EXPECT_EQ(px[56 * 128 + 10] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(px[56 * 128 + 117] & 0xFFFFFF, 0x0000FFu);

  // The fixed-function path: texture times the vertex colour (a grey here).
  quad_vertex grey[4];
  std::copy(std::begin(full_quad), std::end(full_quad), grey);
  for (auto& v : grey) v.colour = 0xFF808080u;
  dev->set_render_state(render_state::z_enable, 0);
  dev->set_texture(0, t.get());
  ASSERT_EQ(dev->draw_primitive_up(primitive_type::triangle_strip, 2, grey, sizeof(quad_vertex)), result::ok);
  ASSERT_EQ(dev->read_back_buffer(0, 0, 128, 112, px), result::ok);
  EXPECT_NEAR(static_cast<int>((px[56 * 128 + 10] >> 16) & 0xFF), 0x80, 2);
  EXPECT_EQ(px[56 * 128 + 10] & 0xFFFF, 0u);
  // A generated coordinate from the camera-space normal (0, 0, 1 by default): u = 0 everywhere, red.
  dev->set_texture_stage_state(0, texture_stage_state::texcoord_index, texcoord_camera_space_normal);
  EXPECT_EQ(dev->state_sets(), states_before + 3);
  ASSERT_EQ(dev->draw_primitive_up(primitive_type::triangle_strip, 2, full_quad, sizeof(quad_vertex)), result::ok);
  ASSERT_EQ(dev->read_back_buffer(0, 0, 128, 112, px), result::ok);
  EXPECT_EQ(px[56 * 128 + 117] & 0xFFFFFF, 0xFF0000u);
  dev->end_scene();
  dev->set_texture(0, nullptr);
}

// Draws from user memory share one streaming buffer: draws larger than it,
// draws that no longer fit after the earlier ones and small draws after those
// each show their own vertices.
TEST_F(GlDevice, UserMemoryDrawsStreamThroughOneBuffer) {
  std::unique_ptr<texture> t;
  ASSERT_EQ(dev->create_texture(1, 1, 1, usage_none, format::a8r8g8b8, t), result::ok);
  const std::uint32_t white = 0xFFFFFFFFu;
  ASSERT_EQ(t->update_level(0, &white, sizeof white), result::ok);
  std::unique_ptr<vertex_layout> layout;
  ASSERT_EQ(dev->create_vertex_layout(quad_layout, layout), result::ok);
  ASSERT_EQ(dev->clear(clear_target | clear_zbuffer, 0xFF000000, 1.0f, 0), result::ok);
  ASSERT_EQ(dev->begin_scene(), result::ok);
  ASSERT_EQ(dev->set_vertex_layout(layout.get()), result::ok);
  dev->set_render_state(render_state::z_enable, 0);
  dev->set_texture(0, t.get());

  // Empty triangles (cheap to draw), then the quad's two triangles: 1.4 MB of
  // vertices for 10,000 copies.
  auto quads = [](std::uint32_t colour, std::size_t copies) {
    std::vector<quad_vertex> list((copies - 1) * 6, quad_vertex{0, 0, 0.5f, colour, 0, 0});
    for (int k : {0, 1, 2, 2, 1, 3}) {
      quad_vertex v = full_quad[k];
      v.colour = colour;
      list.push_back(v);
    }
    return list;
  };
  const std::pair<std::uint32_t, std::size_t> draws[] = {
      {0xFF400000u, 10000}, {0xFF800000u, 10000}, {0xFFC00000u, 1}, {0xFF200000u, 1}, {0xFFE00000u, 10000}};
  for (const auto& [colour, copies] : draws) {
    const std::vector<quad_vertex> list = quads(colour, copies);
    ASSERT_EQ(dev->draw_primitive_up(primitive_type::triangle_list, static_cast<std::uint32_t>(copies * 2), list.data(),
                                     sizeof(quad_vertex)),
              result::ok);
    std::vector<std::uint32_t> px;
    ASSERT_EQ(dev->read_back_buffer(0, 0, 128, 112, px), result::ok);
    EXPECT_NEAR(static_cast<int>((px[56 * 128 + 64] >> 16) & 0xFF), static_cast<int>(colour >> 16 & 0xFF), 2)
        << std::hex << colour;
  }
  dev->end_scene();
  dev->set_texture(0, nullptr);
}

TEST_F(GlDevice, RenderTargetKeepsTheTopRowFirst) {
  std::unique_ptr<texture> target;
  ASSERT_EQ(dev->create_texture(8, 8, 1, usage_render_target, format::a8r8g8b8, target), result::ok);
  std::unique_ptr<surface> depth;
  ASSERT_EQ(dev->create_depth_stencil_surface(8, 8, format::d24s8, multisample_none, 0, true, depth), result::ok);
  EXPECT_EQ(dev->create_texture(8, 8, 1, usage_render_target, format::dxt1, target), result::not_available);
  ASSERT_EQ(dev->create_texture(8, 8, 1, usage_render_target, format::a8r8g8b8, target), result::ok);
  auto level0 = target->get_surface_level(0);
  ASSERT_EQ(dev->set_render_target(level0.get()), result::ok);
  ASSERT_EQ(dev->set_depth_stencil_surface(depth.get()), result::ok);
  EXPECT_EQ(dev->get_viewport().width, 8u);
  ASSERT_EQ(dev->clear(clear_target | clear_zbuffer, 0xFF0000FF, 1.0f, 0), result::ok);
  // The top half in red through the viewport.
  ASSERT_EQ(dev->set_viewport({0, 0, 8, 4, 0.0f, 1.0f}), result::ok);
  ASSERT_EQ(dev->clear(clear_target, 0xFFFF0000, 1.0f, 0), result::ok);
  ASSERT_EQ(dev->set_render_target(nullptr), result::ok);
  ASSERT_EQ(dev->set_depth_stencil_surface(nullptr), result::ok);
  std::vector<std::uint32_t> px;
  ASSERT_EQ(target->read_level(0, px), result::ok);
  EXPECT_EQ(px[0], 0xFFFF0000u);
  EXPECT_EQ(px[63], 0xFF0000FFu);
  // Targets must go before a reset.
  present_parameters p;
  p.windowed = true;
  p.device_window = win.get();
  EXPECT_EQ(dev->reset(p), result::invalid_call);
  level0.reset();
  target.reset();
  depth.reset();
  EXPECT_EQ(dev->reset(p), result::ok);
  EXPECT_EQ(dev->outstanding_resources(), 0u);
}

TEST_F(GlDevice, EngineEffectFileCompiles) {
  const auto text = read_whole_file(std::string(HOOFMARCH_DATA_DIR) + "/hoofmarch.fx", true);
  ASSERT_TRUE(text.has_value());
  std::unique_ptr<effect> e;
  std::string errors;
  EXPECT_EQ(dev->create_effect(*text, e, errors), result::ok) << errors;
  std::unique_ptr<pixel_program> pp;
  EXPECT_EQ(dev->create_pixel_program("void main() { hm_frag_color = v_color * texture(hm_texture0, v_texcoord[0]); }",
                                      pp, errors),
            result::ok)
      << errors;
  EXPECT_EQ(dev->create_pixel_program("void main() { nonsense }", pp, errors), result::failed);
  EXPECT_FALSE(errors.empty());
}

}  // namespace
