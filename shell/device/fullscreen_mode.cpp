#include "shell/device/fullscreen_mode.h"

#include "engine/settings/ruv_config.h"

namespace hm {

wanted_mode wanted_fullscreen_mode(const ruv_config& config, const gpu::display_mode& desktop) {
  if (config.display_width < 1 || config.display_height < 1) return {desktop.width, desktop.height, desktop.fmt};
  return {static_cast<std::uint32_t>(config.display_width), static_cast<std::uint32_t>(config.display_height),
          config.display_bits == 16 ? gpu::format::r5g6b5 : gpu::format::x8r8g8b8};
}

std::optional<gpu::display_mode> choose_display_mode(const std::vector<gpu::display_mode>& modes,
                                                     std::uint32_t width, std::uint32_t height, gpu::format fmt,
                                                     std::uint32_t desktop_refresh_rate) {
  const gpu::display_mode* exact = nullptr;
  const gpu::display_mode* fitting = nullptr;
  const gpu::display_mode* smallest = nullptr;
  auto area = [](const gpu::display_mode& m) { return std::uint64_t{m.width} * m.height; };
  for (const gpu::display_mode& m : modes) {
    if (m.fmt != fmt) continue;
    if (m.width == width && m.height == height) {
      if (!exact || (exact->refresh_rate != desktop_refresh_rate &&
                     (m.refresh_rate == desktop_refresh_rate || m.refresh_rate > exact->refresh_rate)))
        exact = &m;
    } else if (m.width <= width && m.height <= height) {
      if (!fitting || area(m) > area(*fitting) ||
          (area(m) == area(*fitting) && m.refresh_rate > fitting->refresh_rate))
        fitting = &m;
    }
    if (!smallest || area(m) < area(*smallest)) smallest = &m;
  }
  if (exact) return *exact;
  if (fitting) return *fitting;
  if (smallest) return *smallest;
  return std::nullopt;
}

namespace {

bool has_mode_of(const adapter_info& adapter, gpu::format fmt) {
  for (const gpu::display_mode& m : adapter.display_modes)
    if (m.fmt == fmt) return true;
  return false;
}

}  // namespace

std::optional<device_settings_half> choose_fullscreen_settings(device_enumeration& enumeration,
                                                               const wanted_mode& wanted,
                                                               const fullscreen_wishes& wishes) {
  adapter_info* best_adapter = nullptr;
  device_info* best_device = nullptr;
  device_combination* best = nullptr;
  int best_score = -1;
  for (const auto& adapter : enumeration.adapters) {
    for (const auto& dev : adapter->devices) {
      if (wishes.require_hal && dev->type != gpu::device_type::hal) continue;
      if (wishes.require_ref && dev->type != gpu::device_type::ref) continue;
      for (const auto& combo : dev->combinations) {
        if (combo->windowed || !has_mode_of(*adapter, combo->adapter_format)) continue;
        const bool hal = dev->type == gpu::device_type::hal;
        const bool adapter_matches = combo->adapter_format == wanted.fmt;
        const int score = !hal ? 0 : !adapter_matches ? 1 : combo->back_buffer_format == wanted.fmt ? 3 : 2;
        if (score > best_score) {
          best_adapter = adapter.get();
          best_device = dev.get();
          best = combo.get();
          best_score = score;
        }
        if (score == 3) goto found;
      }
    }
  }
found:
  if (!best) return std::nullopt;
  const std::optional<gpu::display_mode> mode = choose_display_mode(
      best_adapter->display_modes, wanted.width, wanted.height, best->adapter_format, wishes.desktop_refresh_rate);
  if (!mode) return std::nullopt;
  device_settings_half half;
  half.adapter = best_adapter;
  half.device = best_device;
  half.combination = best;
  half.display_mode = *mode;
  half.depth_stencil_format =
      wishes.uses_depth_buffer ? best_depth_format(best->depth_stencil_formats) : gpu::format::unknown;
  // Samples the combination cannot give would fail the device's creation:
  // the first type it offers stands in for them.
  half.multisample = best->multisample_types.empty() ? gpu::multisample_none : best->multisample_types.front();
  half.multisample_quality = 0;
  if (wishes.antialiasing == 2 || wishes.antialiasing == 4) {
    for (std::size_t i = 0; i < best->multisample_types.size(); ++i) {
      if (best->multisample_types[i] != wishes.antialiasing) continue;
      const std::uint32_t levels = i < best->multisample_qualities.size() ? best->multisample_qualities[i] : 0;
      if (wishes.sample_quality >= 0 && static_cast<std::uint32_t>(wishes.sample_quality) < levels) {
        half.multisample = wishes.antialiasing;
        half.multisample_quality = static_cast<std::uint32_t>(wishes.sample_quality);
      }
    }
  }
  half.processing = best->vertex_processing_types.empty() ? gpu::vertex_processing::software
                                                            : best->vertex_processing_types.front();
  if (!wishes.force_vsync)
    half.interval = gpu::present_interval::immediate;
  else
    half.interval = best->present_intervals.empty() ? gpu::present_interval::default_interval
                                                    : best->present_intervals.front();
  return half;
}

}  // namespace hm
