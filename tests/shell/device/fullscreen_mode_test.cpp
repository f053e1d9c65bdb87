// The full-screen settings chosen over lists of what a graphics system offers.
#include "shell/device/fullscreen_mode.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/settings/ruv_config.h"

using namespace hm;
using gpu::format;

namespace {

gpu::display_mode mode(std::uint32_t w, std::uint32_t h, std::uint32_t hz, format f = format::x8r8g8b8) {
  return {w, h, hz, f};
}

struct combo_spec {
  format adapter;
  format back_buffer;
  bool windowed = false;
};

// Adapters with their modes and devices, each device a type and its combinations.
struct fake_system {
  device_enumeration e;

  adapter_info& adapter(std::vector<gpu::display_mode> modes) {
    auto a = std::make_unique<adapter_info>();
    a->ordinal = static_cast<std::uint32_t>(e.adapters.size());
    a->display_modes = std::move(modes);
    e.adapters.push_back(std::move(a));
    return *e.adapters.back();
  }

  device_info& device(adapter_info& a, gpu::device_type type, const std::vector<combo_spec>& combos) {
    auto d = std::make_unique<device_info>();
    d->adapter_ordinal = a.ordinal;
    d->type = type;
    for (const combo_spec& c : combos) {
      auto combo = std::make_unique<device_combination>();
      combo->adapter_ordinal = a.ordinal;
      combo->type = type;
      combo->adapter_format = c.adapter;
      combo->back_buffer_format = c.back_buffer;
      combo->windowed = c.windowed;
      combo->depth_stencil_formats = {format::d16, format::d24s8};
      combo->multisample_types = {gpu::multisample_none, 2, 4};
      combo->multisample_qualities = {1, 2, 1};
      combo->vertex_processing_types = {gpu::vertex_processing::hardware};
      combo->present_intervals = {gpu::present_interval::one, gpu::present_interval::immediate};
      d->combinations.push_back(std::move(combo));
    }
    a.devices.push_back(std::move(d));
    return *a.devices.back();
  }
};

const gpu::display_mode desktop_1920 = mode(1920, 1080, 60);

}  // namespace

TEST(FullscreenMode, WantedModeComesFromTheSettingsOrTheDesktop) {
  ruv_config c;
  c.display_width = 0;
  c.display_height = 600;
  wanted_mode w = wanted_fullscreen_mode(c, desktop_1920);
  EXPECT_EQ(w.width, 1920u);
  EXPECT_EQ(w.height, 1080u);
  EXPECT_EQ(w.fmt, format::x8r8g8b8);
  c.display_width = 800;
  c.display_bits = 16;
  w = wanted_fullscreen_mode(c, desktop_1920);
  EXPECT_EQ(w.width, 800u);
  EXPECT_EQ(w.height, 600u);
  EXPECT_EQ(w.fmt, format::r5g6b5);
  for (int bits : {32, 24, 0}) {
    c.display_bits = bits;
    EXPECT_EQ(wanted_fullscreen_mode(c, desktop_1920).fmt, format::x8r8g8b8) << bits;
  }
}

TEST(FullscreenMode, DepthFormatsAreRankedAndTheEarlierWinsATie) {
  EXPECT_EQ(best_depth_format({format::d16, format::d24s8, format::d24x8, format::d24x4s4}), format::d24x8);
  EXPECT_EQ(best_depth_format({format::d15s1, format::d16_lockable}), format::d16_lockable);
  EXPECT_EQ(best_depth_format({format::d24s8, format::d32}), format::d32);
  EXPECT_EQ(best_depth_format({format::d16, format::d15s1}), format::d16);
  // Two unranked formats: the first stands.
  EXPECT_EQ(best_depth_format({format::a8, format::l8}), format::a8);
  EXPECT_EQ(best_depth_format({}), format::unknown);
}

TEST(FullscreenMode, DisplayModeOfTheWantedSizeOrTheNearestBelow) {
  const std::vector<gpu::display_mode> modes = {
      mode(800, 600, 60),   mode(1024, 768, 60),   mode(1280, 720, 60), mode(1280, 1024, 60),
      mode(1280, 1024, 75), mode(1280, 1024, 144), mode(1600, 900, 60, format::r5g6b5)};
  struct row {
    std::uint32_t w, h, desktop_hz;
    format fmt;
    std::optional<gpu::display_mode> expected;
  };
  const row rows[] = {
      {1024, 768, 60, format::x8r8g8b8, mode(1024, 768, 60)},
      // Several rates of the size: the desktop's, else the fastest.
      {1280, 1024, 75, format::x8r8g8b8, mode(1280, 1024, 75)},
      {1280, 1024, 0, format::x8r8g8b8, mode(1280, 1024, 144)},
      // A desktop smaller than asked: the largest mode inside the size.
      {2560, 1440, 60, format::x8r8g8b8, mode(1280, 1024, 144)},
      {1280, 800, 60, format::x8r8g8b8, mode(1280, 720, 60)},
      // Every mode larger than asked: the smallest.
      {320, 200, 60, format::x8r8g8b8, mode(800, 600, 60)},
      // The format decides which modes count.
      {1920, 1080, 60, format::r5g6b5, mode(1600, 900, 60, format::r5g6b5)},
      {1024, 768, 60, format::a2r10g10b10, std::nullopt},
  };
  for (const row& r : rows) {
    EXPECT_EQ(choose_display_mode(modes, r.w, r.h, r.fmt, r.desktop_hz), r.expected) << r.w << "x" << r.h;
  }
  EXPECT_EQ(choose_display_mode({}, 800, 600, format::x8r8g8b8, 60), std::nullopt);
}

TEST(FullscreenMode, HardwareDeviceWithTheWantedFormatsIsPreferred) {
  fake_system s;
  adapter_info& a = s.adapter({mode(800, 600, 60), mode(1024, 768, 60), mode(1024, 768, 60, format::r5g6b5)});
  s.device(a, gpu::device_type::ref, {{format::x8r8g8b8, format::x8r8g8b8}});
  device_info& hal = s.device(a, gpu::device_type::hal,
                              {{format::x8r8g8b8, format::x8r8g8b8, true},
                               {format::x8r8g8b8, format::a8r8g8b8},
                               {format::r5g6b5, format::r5g6b5},
                               {format::x8r8g8b8, format::x8r8g8b8}});
  fullscreen_wishes wishes;

  // 32 bits: the full-screen combination whose two formats both match.
  auto half = choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes);
  ASSERT_TRUE(half);
  EXPECT_EQ(half->device, &hal);
  EXPECT_EQ(half->combination, hal.combinations[3].get());
  EXPECT_EQ(half->display_mode, mode(1024, 768, 60));
  EXPECT_EQ(half->depth_stencil_format, format::d24s8);

  // 16 bits: the R5G6B5 combination, with a mode of that format.
  half = choose_fullscreen_settings(s.e, {1024, 768, format::r5g6b5}, wishes);
  ASSERT_TRUE(half);
  EXPECT_EQ(half->combination, hal.combinations[2].get());
  EXPECT_EQ(half->display_mode, mode(1024, 768, 60, format::r5g6b5));

  // No combination has the wanted format: the first full-screen hardware one,
  // with a mode of its own format.
  half = choose_fullscreen_settings(s.e, {1024, 768, format::a2r10g10b10}, wishes);
  ASSERT_TRUE(half);
  EXPECT_EQ(half->combination, hal.combinations[1].get());
  EXPECT_EQ(half->display_mode, mode(1024, 768, 60));

  // Only the reference device when it is required.
  wishes.require_ref = true;
  half = choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes);
  ASSERT_TRUE(half);
  EXPECT_EQ(half->device->type, gpu::device_type::ref);
}

TEST(FullscreenMode, NothingToChooseGivesNoSettings) {
  fullscreen_wishes wishes;
  {
    // Only windowed combinations.
    fake_system s;
    adapter_info& a = s.adapter({mode(1024, 768, 60)});
    s.device(a, gpu::device_type::hal, {{format::x8r8g8b8, format::x8r8g8b8, true}});
    EXPECT_FALSE(choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes));
  }
  {
    // The adapter lists no mode of the combination's format.
    fake_system s;
    adapter_info& a = s.adapter({mode(1024, 768, 60, format::r5g6b5)});
    s.device(a, gpu::device_type::hal, {{format::x8r8g8b8, format::x8r8g8b8}});
    EXPECT_FALSE(choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes));
  }
  {
    // A hardware device required and none there.
    fake_system s;
    adapter_info& a = s.adapter({mode(1024, 768, 60)});
    s.device(a, gpu::device_type::ref, {{format::x8r8g8b8, format::x8r8g8b8}});
    wishes.require_hal = true;
    EXPECT_FALSE(choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes));
  }
  fake_system empty;
  EXPECT_FALSE(choose_fullscreen_settings(empty.e, {1024, 768, format::x8r8g8b8}, fullscreen_wishes{}));
}

TEST(FullscreenMode, AntialiasingAndVsyncFollowTheSettings) {
  fake_system s;
  adapter_info& a = s.adapter({mode(1024, 768, 60)});
  s.device(a, gpu::device_type::hal, {{format::x8r8g8b8, format::x8r8g8b8}});
  struct row {
    int antialiasing, quality;
    gpu::multisample_type samples;
    std::uint32_t expected_quality;
  };
  // The fixture's combination offers none (1 level), 2 samples (2 levels) and 4 (1 level).
  const row rows[] = {{4, 0, 4, 0}, {2, 1, 2, 1}, {1, 0, gpu::multisample_none, 0}, {8, 0, gpu::multisample_none, 0},
                      // A quality the combination lacks would fail the device: its first type.
                      {4, 3, gpu::multisample_none, 0}, {2, -1, gpu::multisample_none, 0}};
  for (const row& r : rows) {
    fullscreen_wishes wishes;
    wishes.antialiasing = r.antialiasing;
    wishes.sample_quality = r.quality;
    const auto half = choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->multisample, r.samples) << r.antialiasing << " " << r.quality;
    EXPECT_EQ(half->multisample_quality, r.expected_quality) << r.antialiasing << " " << r.quality;
  }
  fullscreen_wishes wishes;
  EXPECT_EQ(choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes)->interval,
            gpu::present_interval::immediate);
  wishes.force_vsync = true;
  EXPECT_EQ(choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes)->interval,
            gpu::present_interval::one);
  wishes.uses_depth_buffer = false;
  EXPECT_EQ(choose_fullscreen_settings(s.e, {1024, 768, format::x8r8g8b8}, wishes)->depth_stencil_format,
            format::unknown);
}
