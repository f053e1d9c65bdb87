#pragma once
// What the graphics system offers: adapters, their display modes, the device
// types of each adapter, and per device the combinations of adapter format,
// back-buffer format and windowed-or-not that work, each with the depth-stencil
// formats, multisample types, vertex-processing types and present intervals it
// allows. The application frame chooses its settings from these lists.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gpu/device.h"

namespace hm {

namespace gpu = platform::gpu;

struct device_combination {
  std::uint32_t adapter_ordinal = 0;
  gpu::device_type type = gpu::device_type::hal;
  gpu::format adapter_format = gpu::format::unknown;
  gpu::format back_buffer_format = gpu::format::unknown;
  bool windowed = false;
  std::vector<gpu::format> depth_stencil_formats;
  std::vector<gpu::multisample_type> multisample_types;
  std::vector<std::uint32_t> multisample_qualities;  // parallel to multisample_types
  std::vector<std::pair<gpu::format, gpu::multisample_type>> depth_multisample_conflicts;
  std::vector<gpu::vertex_processing> vertex_processing_types;
  std::vector<gpu::present_interval> present_intervals;
};

struct device_info {
  std::uint32_t adapter_ordinal = 0;
  gpu::device_type type = gpu::device_type::hal;
  gpu::device_caps caps;
  std::vector<std::unique_ptr<device_combination>> combinations;
};

struct adapter_info {
  std::uint32_t ordinal = 0;
  gpu::adapter_identifier identifier;
  std::vector<gpu::display_mode> display_modes;  // by width, height, format, refresh rate
  std::vector<std::unique_ptr<device_info>> devices;
};

// Decides whether a device may run with a vertex-processing type.
using device_filter = std::function<bool(const gpu::device_caps& caps, gpu::vertex_processing processing,
                                         gpu::format adapter_format, gpu::format back_buffer_format)>;

class device_enumeration {
 public:
  // The application's limits and wishes.
  bool uses_depth_buffer = false;
  bool uses_mixed_vertex_processing = false;
  bool requires_windowed = false;
  bool requires_fullscreen = false;
  std::uint32_t min_fullscreen_width = 640;
  std::uint32_t min_fullscreen_height = 480;
  std::uint32_t min_color_channel_bits = 5;
  std::uint32_t min_alpha_bits = 0;
  std::uint32_t min_depth_bits = 15;
  std::uint32_t min_stencil_bits = 0;

  gpu::gpu_system* system = nullptr;
  device_filter filter;  // empty: every vertex-processing type is kept
  std::vector<std::unique_ptr<adapter_info>> adapters;

  // Lists everything the system offers (replacing earlier lists). ok, or
  // not_available when no system was given.
  gpu::result enumerate();
  void clear() { adapters.clear(); }

  adapter_info* find_adapter(std::uint32_t ordinal) const;

 private:
  void enumerate_devices(adapter_info& adapter, const std::vector<gpu::format>& adapter_formats);
  void enumerate_combinations(device_info& device, const std::vector<gpu::format>& adapter_formats);
  void build_depth_formats(device_combination& combo);
  void build_multisample_types(device_combination& combo);
  void build_conflicts(device_combination& combo);
  void build_vertex_processing(const device_info& device, device_combination& combo);
  void build_present_intervals(const device_info& device, device_combination& combo);
};

// Bits of a format: colour channel, alpha, depth, stencil.
std::uint32_t color_channel_bits(gpu::format f);
std::uint32_t alpha_bits(gpu::format f);
std::uint32_t depth_bits(gpu::format f);
std::uint32_t stencil_bits(gpu::format f);

// The rank of a depth-stencil format when settings are chosen: D32 10, D24X8 9,
// D24S8 8, D24X4S4 7, D16 6, D16_LOCKABLE 5, D15S1 4, any other 0.
int depth_format_rank(gpu::format f);
// The best ranked of the list, the earlier on a tie; unknown for an empty list.
gpu::format best_depth_format(const std::vector<gpu::format>& formats);

// Names for display.
std::string format_name(gpu::format f, bool with_prefix = true);
std::string multisample_type_name(gpu::multisample_type t);
std::string device_type_name(gpu::device_type t);
std::string vertex_processing_name(gpu::vertex_processing v);
std::string present_interval_name(gpu::present_interval i);

// One half (windowed or full screen) of the chosen settings. The pointers point
// into the enumeration.
struct device_settings_half {
  adapter_info* adapter = nullptr;
  device_info* device = nullptr;
  device_combination* combination = nullptr;
  gpu::display_mode display_mode;
  gpu::format depth_stencil_format = gpu::format::unknown;
  gpu::multisample_type multisample = gpu::multisample_none;
  std::uint32_t multisample_quality = 0;
  gpu::vertex_processing processing = gpu::vertex_processing::software;
  gpu::present_interval interval = gpu::present_interval::default_interval;
};

struct device_settings {
  bool is_windowed = true;
  device_settings_half windowed;
  device_settings_half fullscreen;
  std::uint32_t windowed_width = 0;  // the window's client size
  std::uint32_t windowed_height = 0;

  device_settings_half& current() { return is_windowed ? windowed : fullscreen; }
  const device_settings_half& current() const { return is_windowed ? windowed : fullscreen; }
};

// The combination of a device with these formats and windowed flag; null if none.
device_combination* find_combination(const device_info& device, bool windowed, gpu::format adapter_format,
                                     gpu::format back_buffer_format);

// True when the half's adapter, device and combination belong together and the
// combination allows the half's depth format, multisample type, vertex
// processing and present interval.
bool settings_half_consistent(const device_settings_half& half, bool uses_depth_buffer);

// Why the half is not consistent, in words for the person choosing; empty when
// it is.
std::string settings_half_problem(const device_settings_half& half, bool uses_depth_buffer);

}  // namespace hm
