// The null graphics device: memory back buffer, lost and reset states on request.
#include "platform/gpu/null_device.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/window.h"

using namespace hm::platform;
using namespace hm::platform::gpu;

namespace {

present_parameters windowed_params(std::uint32_t w, std::uint32_t h) {
  present_parameters p;
  p.back_buffer_width = w;
  p.back_buffer_height = h;
  p.back_buffer_format = format::x8r8g8b8;
  p.windowed = true;
  return p;
}

std::unique_ptr<device> make(null_system& system, const present_parameters& p, window* w = nullptr) {
  std::unique_ptr<device> dev;
  EXPECT_EQ(system.create_device(0, device_type::hal, w, vertex_processing::hardware, p, dev), result::ok);
  return dev;
}

TEST(NullDevice, LostDeviceCannotPresentUntilReset) {
  null_system system;
  auto dev = make(system, windowed_params(64, 32));
  auto& control = *system.control();
  EXPECT_EQ(dev->test_cooperative_level(), result::ok);
  EXPECT_EQ(dev->present(), result::ok);

  control.lose_device();
  EXPECT_EQ(dev->present(), result::device_lost);
  EXPECT_EQ(dev->test_cooperative_level(), result::device_lost);
  EXPECT_EQ(dev->reset(windowed_params(64, 32)), result::device_lost);

  control.make_resettable();
  EXPECT_EQ(dev->test_cooperative_level(), result::device_not_reset);
  EXPECT_EQ(dev->reset(windowed_params(128, 96)), result::ok);
  EXPECT_EQ(dev->test_cooperative_level(), result::ok);
  EXPECT_EQ(dev->back_buffer_desc().width, 128u);
  EXPECT_EQ(dev->present(), result::ok);
  EXPECT_EQ(control.presents, 2);
}

TEST(NullDevice, FailuresAskedForAreOneShot) {
  null_system system;
  auto& control = *system.control();
  control.next_create = result::out_of_video_memory;
  std::unique_ptr<device> dev;
  EXPECT_EQ(system.create_device(0, device_type::hal, nullptr, vertex_processing::hardware, windowed_params(8, 8), dev),
            result::out_of_video_memory);
  EXPECT_EQ(dev, nullptr);
  dev = make(system, windowed_params(8, 8));

  control.next_reset = result::out_of_video_memory;
  EXPECT_EQ(dev->reset(windowed_params(8, 8)), result::out_of_video_memory);
  // A failed reset leaves the device waiting for another one.
  EXPECT_EQ(dev->test_cooperative_level(), result::device_not_reset);
  EXPECT_EQ(dev->reset(windowed_params(8, 8)), result::ok);
  EXPECT_EQ(dev->test_cooperative_level(), result::ok);

  // No such device type, adapter or size.
  EXPECT_EQ(system.create_device(0, device_type::ref, nullptr, vertex_processing::software, windowed_params(8, 8), dev),
            result::not_available);
  EXPECT_EQ(system.create_device(3, device_type::hal, nullptr, vertex_processing::software, windowed_params(8, 8), dev),
            result::not_available);
  EXPECT_EQ(system.create_device(0, device_type::hal, nullptr, vertex_processing::software, windowed_params(0, 8), dev),
            result::invalid_call);
}

TEST(NullDevice, ClearFillsTheViewportOnly) {
  null_system system;
  auto dev = make(system, windowed_params(4, 2));
  ASSERT_EQ(dev->clear(clear_target | clear_zbuffer, 0xFF102030, 1.0f, 0), result::ok);
  ASSERT_EQ(dev->set_viewport({2, 1, 2, 1, 0.0f, 1.0f}), result::ok);
  ASSERT_EQ(dev->clear(clear_target, 0xFFAABBCC, 1.0f, 0), result::ok);
  std::vector<std::uint32_t> pixels;
  ASSERT_EQ(dev->read_back_buffer(0, 0, 4, 2, pixels), result::ok);
  EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030,  //
                                                0xFF102030, 0xFF102030, 0xFFAABBCC, 0xFFAABBCC}));
  EXPECT_EQ(system.control()->clears, 2);
  EXPECT_EQ(system.control()->last_clear_color, 0xFFAABBCCu);
  // Outside the back buffer.
  EXPECT_EQ(dev->set_viewport({3, 0, 2, 1, 0.0f, 1.0f}), result::invalid_call);
  EXPECT_EQ(dev->read_back_buffer(0, 1, 4, 2, pixels), result::invalid_call);
  EXPECT_EQ(dev->get_viewport(), (viewport{2, 1, 2, 1, 0.0f, 1.0f}));
}

// The pixels exist only once read back: whatever order of whole and partial
// clears, resets and read-backs, a read-back shows what filling every clear at
// once would have shown.
TEST(NullDevice, ReadBackShowsEveryClearInOrder) {
  null_system system;
  constexpr std::uint32_t w = 5, h = 4;
  auto dev = make(system, windowed_params(w, h));
  std::vector<std::uint32_t> expected(w * h, 0);
  auto clear = [&](viewport area, std::uint32_t argb) {
    ASSERT_EQ(dev->set_viewport(area), result::ok);
    ASSERT_EQ(dev->clear(clear_target, argb, 1.0f, 0), result::ok);
    for (std::uint32_t y = area.y; y < area.y + area.height; ++y)
      for (std::uint32_t x = area.x; x < area.x + area.width; ++x) expected[y * w + x] = argb;
  };
  auto check = [&](const char* when) {
    std::vector<std::uint32_t> pixels;
    ASSERT_EQ(dev->read_back_buffer(0, 0, w, h, pixels), result::ok);
    EXPECT_EQ(pixels, expected) << when;
  };
  const viewport whole{0, 0, w, h, 0.0f, 1.0f};
  check("never cleared");
  clear({1, 1, 2, 2, 0.0f, 1.0f}, 0xFF000001);
  clear(whole, 0xFF000002);  // hides the partial clear before it
  clear({3, 0, 2, 4, 0.0f, 1.0f}, 0xFF000003);
  clear({0, 3, 5, 1, 0.0f, 1.0f}, 0xFF000004);
  check("whole and partial clears");
  clear({2, 2, 1, 1, 0.0f, 1.0f}, 0xFF000005);  // after a read-back the pixels are kept up to date
  check("a clear after a read-back");
  // A reset makes a new, unread back buffer.
  ASSERT_EQ(dev->reset(windowed_params(w, h)), result::ok);
  std::fill(expected.begin(), expected.end(), 0u);
  check("after a reset");
  ASSERT_EQ(dev->reset(windowed_params(w, h)), result::ok);
  std::fill(expected.begin(), expected.end(), 0u);
  for (std::uint32_t n = 0; n < 150; ++n) clear({n % w, n % h, 1, 1, 0.0f, 1.0f}, 0xFF100000 + n);
  check("many partial clears");
  // Areas whose end would wrap past 2^32 are outside the buffer.
  EXPECT_EQ(dev->set_viewport({0xFFFFFFFFu, 0, 2, 1, 0.0f, 1.0f}), result::invalid_call);
  std::vector<std::uint32_t> pixels;
  EXPECT_EQ(dev->read_back_buffer(1, 0xFFFFFFFFu, 1, 2, pixels), result::invalid_call);
}

TEST(NullDevice, FullScreenParametersSwitchTheWindow) {
  null_window win;
  win.create({"t", 300, 200, false});
  null_system system;
  present_parameters p = windowed_params(800, 600);
  p.windowed = false;
  p.device_window = &win;
  auto dev = make(system, p, &win);
  EXPECT_TRUE(win.is_fullscreen());
  EXPECT_EQ(win.client_bounds(), (rect{0, 0, 800, 600}));
  ASSERT_EQ(dev->reset(windowed_params(300, 200)), result::ok);
  p = windowed_params(300, 200);
  p.device_window = &win;
  ASSERT_EQ(dev->reset(p), result::ok);
  EXPECT_FALSE(win.is_fullscreen());
  EXPECT_EQ(win.client_bounds().width(), 300);
  // Releasing a full-screen device gives the desktop back.
  p.windowed = false;
  ASSERT_EQ(dev->reset(p), result::ok);
  EXPECT_TRUE(win.is_fullscreen());
  dev.reset();
  EXPECT_FALSE(win.is_fullscreen());
}

TEST(NullSystem, ReportsTheConfiguredAdapters) {
  null_system system;
  EXPECT_EQ(system.adapter_count(), 1u);
  display_mode mode;
  ASSERT_EQ(system.adapter_display_mode(0, mode), result::ok);
  EXPECT_EQ(mode, (display_mode{1024, 768, 60, format::x8r8g8b8}));
  EXPECT_EQ(system.adapter_mode_count(0, format::x8r8g8b8), 5u);
  EXPECT_EQ(system.adapter_mode_count(0, format::r5g6b5), 0u);
  ASSERT_EQ(system.enum_adapter_modes(0, format::x8r8g8b8, 4, mode), result::ok);
  EXPECT_EQ(mode.width, 1280u);
  EXPECT_EQ(system.enum_adapter_modes(0, format::x8r8g8b8, 5, mode), result::invalid_call);
  EXPECT_EQ(system.check_device_type(0, device_type::hal, format::x8r8g8b8, format::r5g6b5, true), result::not_available);
  EXPECT_EQ(system.check_depth_stencil_format(0, device_type::hal, format::x8r8g8b8, format::d32), result::not_available);
  std::uint32_t levels = 9;
  EXPECT_EQ(system.check_multisample_type(0, device_type::hal, format::x8r8g8b8, true, 4, &levels), result::not_available);
  EXPECT_EQ(levels, 0u);
}

}  // namespace

namespace {

TEST(NullDeviceResources, TargetsFailOnRequestAndBlockAReset) {
  null_system system;
  auto dev = make(system, windowed_params(16, 16));
  auto& control = *system.control();
  control.fail_target = [](std::uint32_t w, std::uint32_t, format f, bool depth) {
    return w > 1024 || (depth && f == format::d24s8);
  };
  std::unique_ptr<texture> t;
  EXPECT_EQ(dev->create_texture(2048, 2048, 1, usage_render_target, format::r32f, t), result::out_of_video_memory);
  EXPECT_EQ(t, nullptr);
  // Plain textures never fail on request; bad sizes and formats are refused.
  EXPECT_EQ(dev->create_texture(2048, 16, 0, usage_none, format::dxt1, t), result::ok);
  EXPECT_EQ(t->level_count(), 12u);
  EXPECT_EQ(dev->create_texture(0, 16, 1, usage_none, format::dxt1, t), result::invalid_call);
  EXPECT_EQ(dev->create_texture(16, 16, 1, usage_render_target, format::d16, t), result::not_available);
  std::unique_ptr<surface> depth;
  EXPECT_EQ(dev->create_depth_stencil_surface(512, 512, format::d24s8, multisample_none, 0, true, depth),
            result::out_of_video_memory);
  ASSERT_EQ(dev->create_depth_stencil_surface(512, 512, format::d16, multisample_none, 0, true, depth), result::ok);
  EXPECT_EQ(control.target_requests, 3);
  EXPECT_EQ(dev->outstanding_resources(), 1u);
  EXPECT_EQ(dev->reset(windowed_params(16, 16)), result::invalid_call);
  depth.reset();
  EXPECT_EQ(dev->reset(windowed_params(16, 16)), result::ok);
  EXPECT_EQ(dev->outstanding_resources(), 0u);
}

TEST(NullDeviceResources, BuffersLockInsideTheirRangeOnce) {
  null_system system;
  auto dev = make(system, windowed_params(16, 16));
  std::unique_ptr<vertex_buffer> vb;
  ASSERT_EQ(dev->create_vertex_buffer(64, true, vb), result::ok);
  void* data = nullptr;
  EXPECT_EQ(vb->lock(60, 8, lock_no_overwrite, data), result::invalid_call);
  EXPECT_EQ(data, nullptr);
  ASSERT_EQ(vb->lock(16, 0, lock_discard, data), result::ok);
  EXPECT_EQ(vb->lock(0, 4, lock_none, data), result::invalid_call);  // already locked
  EXPECT_EQ(vb->unlock(), result::ok);
  EXPECT_EQ(vb->unlock(), result::invalid_call);
  // A new buffer reads as zeros and keeps what a lock wrote.
  ASSERT_EQ(vb->lock(0, 0, lock_none, data), result::ok);
  auto* bytes = static_cast<std::uint8_t*>(data);
  EXPECT_EQ(std::count(bytes, bytes + 64, 0), 64);
  bytes[63] = 7;
  ASSERT_EQ(vb->unlock(), result::ok);
  ASSERT_EQ(vb->lock(60, 4, lock_none, data), result::ok);
  EXPECT_EQ(static_cast<std::uint8_t*>(data)[3], 7);
  ASSERT_EQ(vb->unlock(), result::ok);
  std::unique_ptr<index_buffer> ib;
  EXPECT_EQ(dev->create_index_buffer(0, false, ib), result::invalid_call);
  // Draws need a scene, a layout and a stream.
  std::unique_ptr<vertex_layout> layout;
  ASSERT_EQ(dev->create_vertex_layout({{0, 0, vertex_element_type::float3, vertex_usage::position, 0}}, layout),
            result::ok);
  EXPECT_EQ(dev->draw_primitive(primitive_type::triangle_list, 0, 1), result::invalid_call);
  dev->begin_scene();
  dev->set_vertex_layout(layout.get());
  EXPECT_EQ(dev->draw_primitive(primitive_type::triangle_list, 0, 1), result::invalid_call);
  dev->set_stream_source(0, vb.get(), 0, 12);
  EXPECT_EQ(dev->draw_primitive(primitive_type::triangle_list, 0, 1), result::ok);
  dev->end_scene();
  EXPECT_EQ(system.control()->draws, 1);
}

// The count of states taken: each kind of set counts, the states of an effect
// pass count, a rejected set does not.
TEST(NullDevice, CountsTheStatesItTakes) {
  null_system system;
  auto dev = make(system, windowed_params(16, 16));
  EXPECT_EQ(dev->state_sets(), 0u);
  dev->set_render_state(render_state::z_enable, 0);
  dev->set_sampler_state(1, sampler_state::min_filter, 1);
  dev->set_texture_stage_state(0, texture_stage_state::color_op, 1);
  EXPECT_EQ(dev->state_sets(), 3u);
  EXPECT_EQ(dev->set_sampler_state(max_texture_stages, sampler_state::min_filter, 1), result::invalid_call);
  EXPECT_EQ(dev->state_sets(), 3u);

  std::unique_ptr<effect> e;
  std::string errors;
  ASSERT_EQ(dev->create_effect("@vertex v\nvoid main() {}\n@fragment f\nvoid main() {}\n"
                               "@technique t\n@pass vertex=v fragment=f\n@state z_enable false\n"
                               "@state cull_mode none\n",
                               e, errors),
            result::ok)
      << errors;
  ASSERT_EQ(e->set_technique(e->get_technique_by_name("t")), result::ok);
  std::uint32_t passes = 0;
  ASSERT_EQ(e->begin(passes), result::ok);
  ASSERT_EQ(e->begin_pass(0), result::ok);
  EXPECT_EQ(dev->state_sets(), 5u);
  e->end_pass();
  e->end();
  EXPECT_EQ(system.control()->state_changes.size(), 5u);
}

}  // namespace
