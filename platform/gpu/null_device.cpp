#include "platform/gpu/null_device.h"

#include <algorithm>

#include "platform/window.h"

namespace hm::platform::gpu {

const char* result_name(result r) {
  switch (r) {
    case result::ok: return "ok";
    case result::device_lost: return "device lost";
    case result::device_not_reset: return "device not reset";
    case result::out_of_video_memory: return "out of video memory";
    case result::out_of_memory: return "out of memory";
    case result::invalid_call: return "invalid call";
    case result::not_available: return "not available";
    case result::driver_internal_error: return "driver internal error";
    case result::failed: return "failed";
  }
  return "unknown";
}

null_system_config default_null_config() {
  null_adapter_config adapter;
  adapter.description = "Null graphics adapter";
  adapter.desktop = {1024, 768, 60, format::x8r8g8b8};
  const std::uint32_t sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}};
  for (const auto& s : sizes) adapter.modes.push_back({s[0], s[1], 60, format::x8r8g8b8});
  null_device_type_config hal;
  hal.type = device_type::hal;
  hal.caps.type = device_type::hal;
  hal.caps.hardware_transform_and_lighting = true;
  hal.caps.pure_device = true;
  hal.caps.presentation_intervals = interval_bit(present_interval::immediate) |
                                    interval_bit(present_interval::one) |
                                    interval_bit(present_interval::default_interval);
  hal.caps.max_texture_width = hal.caps.max_texture_height = 4096;
  hal.caps.vertex_shader_version = hal.caps.pixel_shader_version = 0x0200;
  hal.back_buffer_formats = {format::a8r8g8b8, format::x8r8g8b8};
  hal.depth_formats = {format::d24s8, format::d24x8, format::d16};
  adapter.devices.push_back(hal);
  null_system_config config;
  config.adapters.push_back(adapter);
  return config;
}

// --- device ---

null_device::null_device(std::shared_ptr<null_gpu_control> control, device_caps caps,
                         const present_parameters& params)
    : control_(std::move(control)), caps_(caps) {
  apply(params);
  reset_states();
  control_->device_alive = true;
}

null_device::~null_device() {
  ++control_->destroys;
  control_->device_alive = false;
  if (params_.device_window && !params_.windowed) params_.device_window->set_fullscreen(false, nullptr);
}

void null_device::apply(const present_parameters& params) {
  params_ = params;
  control_->last_params = params;
  if (params.device_window) {
    if (!params.windowed) {
      screen_mode mode{static_cast<int>(params.back_buffer_width), static_cast<int>(params.back_buffer_height),
                       static_cast<int>(params.refresh_rate), 32};
      params.device_window->set_fullscreen(true, &mode);
    } else if (params.device_window->is_fullscreen()) {
      params.device_window->set_fullscreen(false, nullptr);
    }
  }
  // A new back buffer reads 0 everywhere; its pixels are made when read.
  back_buffer_.clear();
  back_buffer_.shrink_to_fit();
  base_colour_ = 0;
  pending_clears_.clear();
  viewport_ = {0, 0, params.back_buffer_width, params.back_buffer_height, 0.0f, 1.0f};
}

result null_device::test_cooperative_level() {
  if (!control_->lost) return result::ok;
  return control_->resettable ? result::device_not_reset : result::device_lost;
}

result null_device::reset(const present_parameters& params) {
  ++control_->resets;
  if (control_->lost && !control_->resettable) return result::device_lost;
  // As with a real device, render targets and depth surfaces must be released
  // before a reset.
  if (control_->live_targets != 0) return result::invalid_call;
  const result r = control_->next_reset;
  control_->next_reset = result::ok;
  if (r != result::ok) {
    // A failed reset leaves the device needing another one.
    control_->lost = true;
    control_->resettable = true;
    return r;
  }
  control_->lost = false;
  control_->resettable = false;
  apply(params);
  reset_states();
  return result::ok;
}

result null_device::present() {
  if (control_->lost) return result::device_lost;
  ++control_->presents;
  return result::ok;
}

surface_desc null_device::back_buffer_desc() const {
  surface_desc d;
  d.fmt = params_.back_buffer_format;
  d.width = params_.back_buffer_width;
  d.height = params_.back_buffer_height;
  d.multisample = params_.multisample;
  d.multisample_quality = params_.multisample_quality;
  return d;
}

result null_device::begin_scene() {
  if (in_scene_) return result::invalid_call;
  in_scene_ = true;
  return result::ok;
}

result null_device::end_scene() {
  if (!in_scene_) return result::invalid_call;
  in_scene_ = false;
  return result::ok;
}

namespace {

// Whether [at, at + size) lies within [0, limit), without the sum wrapping.
bool span_fits(std::uint32_t at, std::uint32_t size, std::uint32_t limit) { return at <= limit && size <= limit - at; }

}  // namespace

result null_device::set_viewport(const viewport& vp) {
  if (!span_fits(vp.x, vp.width, params_.back_buffer_width) || !span_fits(vp.y, vp.height, params_.back_buffer_height))
    return result::invalid_call;
  viewport_ = vp;
  return result::ok;
}

void null_device::fill(const viewport& area, std::uint32_t argb) {
  for (std::uint32_t y = area.y; y < area.y + area.height; ++y)
    std::fill_n(back_buffer_.begin() + static_cast<std::ptrdiff_t>(y) * params_.back_buffer_width + area.x,
                area.width, argb);
}

void null_device::make_back_buffer() {
  if (!back_buffer_.empty()) return;
  back_buffer_.assign(static_cast<std::size_t>(params_.back_buffer_width) * params_.back_buffer_height, base_colour_);
  for (const pending_clear& c : pending_clears_) fill(c.area, c.argb);
  pending_clears_.clear();
  pending_clears_.shrink_to_fit();
}

result null_device::clear(std::uint32_t flags, std::uint32_t argb, float z, std::uint32_t) {
  ++control_->clears;
  control_->last_clear_flags = flags;
  control_->last_clear_color = argb;
  control_->last_clear_z = z;
  if (flags & clear_target) {
    if (!back_buffer_.empty()) {
      fill(viewport_, argb);
    } else if (viewport_.x == 0 && viewport_.y == 0 && viewport_.width == params_.back_buffer_width &&
               viewport_.height == params_.back_buffer_height) {
      // A whole clear hides everything before it.
      base_colour_ = argb;
      pending_clears_.clear();
    } else {
      // Partial clears are kept for a read-back; past a few the pixels are
      // cheaper than the list.
      pending_clears_.push_back({viewport_, argb});
      if (pending_clears_.size() > 64) make_back_buffer();
    }
  }
  return result::ok;
}

result null_device::read_back_buffer(std::uint32_t x, std::uint32_t y, std::uint32_t width,
                                     std::uint32_t height, std::vector<std::uint32_t>& argb) {
  if (!span_fits(x, width, params_.back_buffer_width) || !span_fits(y, height, params_.back_buffer_height))
    return result::invalid_call;
  make_back_buffer();
  argb.resize(static_cast<std::size_t>(width) * height);
  for (std::uint32_t row = 0; row < height; ++row)
    std::copy_n(back_buffer_.begin() + static_cast<std::ptrdiff_t>(y + row) * params_.back_buffer_width + x,
                width, argb.begin() + static_cast<std::ptrdiff_t>(row) * width);
  return result::ok;
}

// --- system ---

null_system::null_system(null_system_config config, std::shared_ptr<null_gpu_control> control)
    : config_(std::move(config)), control_(std::move(control)) {}

const null_device_type_config* null_system::find(std::uint32_t adapter, device_type type) const {
  if (adapter >= config_.adapters.size()) return nullptr;
  for (const auto& d : config_.adapters[adapter].devices)
    if (d.type == type) return &d;
  return nullptr;
}

std::uint32_t null_system::adapter_count() const { return static_cast<std::uint32_t>(config_.adapters.size()); }

result null_system::get_adapter_identifier(std::uint32_t adapter, adapter_identifier& out) const {
  if (adapter >= config_.adapters.size()) return result::invalid_call;
  out.description = config_.adapters[adapter].description;
  out.driver = "null";
  return result::ok;
}

std::uint32_t null_system::adapter_mode_count(std::uint32_t adapter, format fmt) const {
  if (adapter >= config_.adapters.size()) return 0;
  const auto& modes = config_.adapters[adapter].modes;
  return static_cast<std::uint32_t>(
      std::count_if(modes.begin(), modes.end(), [&](const display_mode& m) { return m.fmt == fmt; }));
}

result null_system::enum_adapter_modes(std::uint32_t adapter, format fmt, std::uint32_t index,
                                       display_mode& out) const {
  if (adapter >= config_.adapters.size()) return result::invalid_call;
  std::uint32_t n = 0;
  for (const auto& m : config_.adapters[adapter].modes) {
    if (m.fmt != fmt) continue;
    if (n++ == index) {
      out = m;
      return result::ok;
    }
  }
  return result::invalid_call;
}

result null_system::adapter_display_mode(std::uint32_t adapter, display_mode& out) const {
  if (adapter >= config_.adapters.size()) return result::invalid_call;
  out = config_.adapters[adapter].desktop;
  return result::ok;
}

result null_system::get_device_caps(std::uint32_t adapter, device_type type, device_caps& out) const {
  const auto* d = find(adapter, type);
  if (!d) return result::not_available;
  out = d->caps;
  out.type = type;
  out.adapter_ordinal = adapter;
  return result::ok;
}

result null_system::check_device_type(std::uint32_t adapter, device_type type, format adapter_format,
                                      format back_buffer_format, bool windowed) const {
  const auto* d = find(adapter, type);
  if (!d || (windowed ? !d->windowed : !d->fullscreen)) return result::not_available;
  if (adapter_format == format::unknown) return result::not_available;
  if (std::find(d->back_buffer_formats.begin(), d->back_buffer_formats.end(), back_buffer_format) ==
      d->back_buffer_formats.end())
    return result::not_available;
  return result::ok;
}

result null_system::check_depth_stencil_format(std::uint32_t adapter, device_type type, format,
                                               format depth_format) const {
  const auto* d = find(adapter, type);
  if (!d) return result::not_available;
  return std::find(d->depth_formats.begin(), d->depth_formats.end(), depth_format) != d->depth_formats.end()
             ? result::ok
             : result::not_available;
}

result null_system::check_depth_stencil_match(std::uint32_t adapter, device_type type, format adapter_format,
                                              format, format depth_format) const {
  return check_depth_stencil_format(adapter, type, adapter_format, depth_format);
}

result null_system::check_multisample_type(std::uint32_t adapter, device_type type, format, bool,
                                           multisample_type ms, std::uint32_t* quality_levels) const {
  const auto* d = find(adapter, type);
  if (!d) return result::not_available;
  const bool ok = ms == multisample_none ||
                  std::find(d->multisample_types.begin(), d->multisample_types.end(), ms) !=
                      d->multisample_types.end();
  if (quality_levels) *quality_levels = ok ? d->multisample_qualities : 0;
  return ok ? result::ok : result::not_available;
}

result null_system::create_device(std::uint32_t adapter, device_type type, window* focus_window,
                                  vertex_processing, const present_parameters& params,
                                  std::unique_ptr<device>& out) {
  out.reset();
  ++control_->creates;
  const result r = control_->next_create;
  control_->next_create = result::ok;
  if (r != result::ok) return r;
  device_caps caps;
  if (get_device_caps(adapter, type, caps) != result::ok) return result::not_available;
  present_parameters p = params;
  if (!p.device_window) p.device_window = focus_window;
  if ((p.back_buffer_width == 0 || p.back_buffer_height == 0) && p.device_window) {
    // A zero size takes the window's client area.
    int w = 0, h = 0;
    p.device_window->client_size(w, h);
    if (p.back_buffer_width == 0) p.back_buffer_width = static_cast<std::uint32_t>(std::max(w, 1));
    if (p.back_buffer_height == 0) p.back_buffer_height = static_cast<std::uint32_t>(std::max(h, 1));
  }
  if (p.back_buffer_width == 0 || p.back_buffer_height == 0) return result::invalid_call;
  control_->lost = false;
  control_->resettable = false;
  out = std::make_unique<null_device>(control_, caps, p);
  return result::ok;
}

}  // namespace hm::platform::gpu
