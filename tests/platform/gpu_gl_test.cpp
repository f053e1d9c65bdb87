// The OpenGL device on SDL's offscreen video driver: what is cleared reads back.
// Skipped where no OpenGL 3.3 context can be made.
#include <gtest/gtest.h>

#include <cstdlib>

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
