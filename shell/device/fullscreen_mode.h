#pragma once
// The full-screen settings the game asks the graphics system for: the size and
// colour depth of ruv_config (or the desktop's), on the hardware device whose
// formats match them when there is one, with the deepest depth buffer the
// combination offers, the antialiasing asked for and vsync as configured.
// Pure functions over what the graphics system listed, so that every choice
// can be checked against a list of modes without a display.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/app/device_enumeration.h"

namespace hm {

struct ruv_config;

struct wanted_mode {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  gpu::format fmt = gpu::format::unknown;
};

// display_width x display_height in R5G6B5 when display_bits is 16 and
// X8R8G8B8 otherwise, while display_width is 1 or more; else the desktop's
// size and format.
wanted_mode wanted_fullscreen_mode(const ruv_config& config, const gpu::display_mode& desktop);

// Among the modes of the format: the wanted size (at the desktop's refresh
// rate when offered, else the fastest); when the size is not offered (a
// desktop smaller than asked), the largest mode that fits inside it; when
// every mode is larger, the smallest. Empty when no mode has the format.
std::optional<gpu::display_mode> choose_display_mode(const std::vector<gpu::display_mode>& modes,
                                                     std::uint32_t width, std::uint32_t height, gpu::format fmt,
                                                     std::uint32_t desktop_refresh_rate);

struct fullscreen_wishes {
  bool require_hal = false;
  bool require_ref = false;
  bool uses_depth_buffer = true;
  std::int32_t antialiasing = 1;    // 2 or 4: that many samples; else the combination's first
  std::int32_t sample_quality = 0;  // with 2 or 4 samples
  bool force_vsync = false;         // off: present immediately
  std::uint32_t desktop_refresh_rate = 0;
};

// The full-screen half of the device settings, its pointers into the
// enumeration. A hardware device whose adapter and back-buffer formats are
// both the wanted format ends the search; else the first hardware
// combination with the wanted adapter format, else the first hardware one,
// else the first at all. Empty when no full-screen combination has a display
// mode of its format.
std::optional<device_settings_half> choose_fullscreen_settings(device_enumeration& enumeration,
                                                               const wanted_mode& wanted,
                                                               const fullscreen_wishes& wishes);

}  // namespace hm
