#include "engine/app/application_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/app/device_settings_dialog.h"
#include "engine/settings/ruv_config.h"
#include "engine/core/timer.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace hm {

application_frame* g_application = nullptr;

namespace {

constexpr const char* kReferenceNotice =
    "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\n"
    "Direct3D feature set, but runs very slowly.";
constexpr const char* kExitNotice = "\n\nThis sample will now exit.";

}  // namespace

hresult to_hresult(gpu::result r) {
  switch (r) {
    case gpu::result::ok: return frame_code::ok;
    case gpu::result::device_lost: return frame_code::device_lost;
    case gpu::result::device_not_reset: return frame_code::device_not_reset;
    case gpu::result::out_of_video_memory: return frame_code::out_of_video_memory;
    case gpu::result::out_of_memory: return frame_code::out_of_memory;
    case gpu::result::invalid_call: return frame_code::invalid_call;
    case gpu::result::not_available: return frame_code::not_available;
    case gpu::result::driver_internal_error: return frame_code::driver_internal_error;
    case gpu::result::failed: return frame_code::failed;
  }
  return frame_code::failed;
}

std::uint32_t creation_flags_for(gpu::vertex_processing processing) {
  switch (processing) {
    case gpu::vertex_processing::software: return create_software_vertex_processing;
    case gpu::vertex_processing::mixed: return create_mixed_vertex_processing;
    case gpu::vertex_processing::hardware: return create_hardware_vertex_processing;
    case gpu::vertex_processing::pure_hardware: return create_hardware_vertex_processing | create_pure_device;
  }
  return 0;
}

float min_frame_time_for(int max_framerate) {
  if (max_framerate <= 0) return 0.0f;
  return 1.0f / static_cast<float>(max_framerate);
}

bool translate_window_event(const platform::window_event& event, frame_message& out) {
  using platform::window_event_kind;
  namespace mod = platform::modifier;
  out = frame_message{};
  out.event = event;
  switch (event.kind) {
    case window_event_kind::close: out.kind = frame_message_kind::close; return true;
    case window_event_kind::activated:
    case window_event_kind::deactivated:
      out.kind = frame_message_kind::activate;
      out.active = event.kind == window_event_kind::activated;
      return true;
    case window_event_kind::minimized:
      out.kind = frame_message_kind::size;
      out.size = size_state::minimized;
      return true;
    case window_event_kind::maximized:
      out.kind = frame_message_kind::size;
      out.size = size_state::maximized;
      return true;
    case window_event_kind::restored:
      out.kind = frame_message_kind::size;
      out.size = size_state::restored;
      return true;
    case window_event_kind::resized: out.kind = frame_message_kind::resized; return true;
    case window_event_kind::exposed: out.kind = frame_message_kind::paint; return true;
    case window_event_kind::mouse_entered: out.kind = frame_message_kind::set_cursor; return true;
    case window_event_kind::key_down: {
      const std::uint32_t m = event.modifiers & (mod::shift | mod::control | mod::alt);
      const std::uint32_t all = mod::shift | mod::control | mod::alt;
      std::uint32_t command = 0;
      if (m == mod::alt && event.scancode == platform::scancode::enter) command = command_toggle_fullscreen;
      if (m == mod::alt && event.scancode == platform::scancode::x) command = command_exit;
      if (m == all && event.scancode == platform::scancode::f2) command = command_change_device;
      if (m == all && event.scancode == platform::scancode::f23) command = command_unhandled;
      if (command != 0 && !event.repeat) {
        out.kind = frame_message_kind::command;
        out.command = command;
        return true;
      }
      out.kind = frame_message_kind::key_down;
      return true;
    }
    case window_event_kind::key_up: out.kind = frame_message_kind::key_up; return true;
    case window_event_kind::text: out.kind = frame_message_kind::character; return true;
    case window_event_kind::mouse_move: out.kind = frame_message_kind::mouse_move; return true;
    case window_event_kind::mouse_button_down: out.kind = frame_message_kind::mouse_button_down; return true;
    case window_event_kind::mouse_button_up: out.kind = frame_message_kind::mouse_button_up; return true;
    case window_event_kind::mouse_wheel: out.kind = frame_message_kind::mouse_wheel; return true;
    case window_event_kind::none: return false;
  }
  return false;
}

// --- construction ---

application_frame::application_frame() {
  g_application = this;
  enumeration.filter = &application_frame::confirm_device_for_processing;
  windowed = true;
  frame_moving = true;
  clip_cursor_when_fullscreen = true;
  show_cursor_when_fullscreen = false;
  start_fullscreen = false;
  // Constructed paused: the timer stands until initialise ends the pause.
  pause(true);
}

application_frame::~application_frame() {
  // The device refers to the window: it goes first.
  device.reset();
  graphics.reset();
  enumeration.clear();
  if (g_application == this) g_application = nullptr;
}

void application_frame::set_window(std::unique_ptr<platform::window> w) {
  owned_window_ = std::move(w);
  window = nullptr;
}

hresult application_frame::attach_graphics(std::unique_ptr<gpu::gpu_system> system) {
  graphics = std::move(system);
  if (!graphics) return display_error_message(frame_code::no_graphics, error_fatal);
  enumeration.system = graphics.get();
  const gpu::result r = enumeration.enumerate();
  if (r != gpu::result::ok) {
    graphics.reset();
    return display_error_message(to_hresult(r), error_fatal);
  }
  return frame_code::ok;
}

bool application_frame::confirm_device_for_processing(const gpu::device_caps& caps,
                                                      gpu::vertex_processing processing,
                                                      gpu::format adapter_format, gpu::format back_buffer_format) {
  if (!g_application) return true;
  return g_application->confirm_device(caps, creation_flags_for(processing), adapter_format, back_buffer_format) >= 0;
}

hresult application_frame::confirm_device(const gpu::device_caps&, std::uint32_t, gpu::format, gpu::format) {
  return 0;
}

void application_frame::pause(bool paused) {
  if (paused) {
    ++pause_count_;
  } else if (pause_count_ > 0) {
    // An unpause without its pause must not leave the count below zero, where
    // the window would never be active again.
    --pause_count_;
  }
  active = pause_count_ == 0;
  if (paused && pause_count_ == 1 && frame_moving) app_timer(app_timer_stop);
  if (pause_count_ == 0 && frame_moving) app_timer(app_timer_start);
}

// --- window ---

hresult application_frame::create_window() {
  if (!owned_window_) owned_window_ = platform::make_sdl_window();
  window = owned_window_.get();
  if (!window->exists()) {
    int width = g_ruv_config.display_width;
    int height = g_ruv_config.display_height;
    if (width < 1) {
      // The maximised area less room for the frame and the caption.
      const platform::rect area = window->usable_desktop_area();
      width = area.width() - 16;
      height = area.height() - 40;
    }
    if (height < 1) height = width * 3 / 4;
    width = std::max(width, 100);
    height = std::max(height, 100);
    platform::window_create_params params;
    params.caption = caption;
    params.client_width = width;
    params.client_height = height;
    params.fullscreen = false;
    if (!window->create(params)) return frame_code::failed;
  }
  if (!focus_window) focus_window = window;
  window_style = start_fullscreen ? window_style_kind::popup : window_style_kind::overlapped;
  window_bounds = window->bounds();
  client_rect = window->client_bounds();
  return frame_code::ok;
}

void application_frame::adjust_window_for_change() {
  if (windowed) {
    window_style = window_style_kind::overlapped;
    if (window && window->is_fullscreen()) window->set_fullscreen(false, nullptr);
  } else {
    // The device switches the screen mode; the window loses its frame with it.
    window_style = window_style_kind::popup;
  }
}

// --- settings ---

bool application_frame::find_best_windowed_mode(bool require_hal, bool require_ref) {
  if (!graphics) return false;
  gpu::display_mode desktop;
  graphics->adapter_display_mode(0, desktop);
  adapter_info* best_adapter = nullptr;
  device_info* best_device = nullptr;
  device_combination* best = nullptr;
  for (const auto& adapter : enumeration.adapters) {
    for (const auto& dev : adapter->devices) {
      if (require_hal && dev->type != gpu::device_type::hal) continue;
      if (require_ref && dev->type != gpu::device_type::ref) continue;
      for (const auto& combo : dev->combinations) {
        if (!combo->windowed || combo->adapter_format != desktop.fmt) continue;
        const bool hal = combo->type == gpu::device_type::hal;
        const bool same_formats = combo->back_buffer_format == combo->adapter_format;
        if (!best || (best->type != gpu::device_type::hal && hal) || (hal && same_formats)) {
          best_adapter = adapter.get();
          best_device = dev.get();
          best = combo.get();
          if (hal && same_formats) goto found;
        }
      }
    }
  }
found:
  if (!best) return false;
  device_settings_half& half = settings.windowed;
  half.adapter = best_adapter;
  half.device = best_device;
  half.combination = best;
  half.display_mode = desktop;
  settings.windowed_width = static_cast<std::uint32_t>(std::max(client_rect.width(), 1));
  settings.windowed_height = static_cast<std::uint32_t>(std::max(client_rect.height(), 1));
  half.depth_stencil_format = enumeration.uses_depth_buffer ? best_depth_format(best->depth_stencil_formats) : gpu::format::unknown;
  half.multisample = best->multisample_types.front();
  half.multisample_quality = 0;
  half.processing = best->vertex_processing_types.front();
  half.interval = best->present_intervals.empty() ? gpu::present_interval::default_interval
                                                  : best->present_intervals.front();
  settings.is_windowed = true;
  return true;
}

bool application_frame::find_best_fullscreen_mode(bool require_hal, bool require_ref) {
  if (!graphics) return false;
  gpu::display_mode best_desktop;
  adapter_info* best_adapter = nullptr;
  device_info* best_device = nullptr;
  device_combination* best = nullptr;
  for (const auto& adapter : enumeration.adapters) {
    gpu::display_mode desktop;
    graphics->adapter_display_mode(adapter->ordinal, desktop);
    for (const auto& dev : adapter->devices) {
      if (require_hal && dev->type != gpu::device_type::hal) continue;
      if (require_ref && dev->type != gpu::device_type::ref) continue;
      for (const auto& combo : dev->combinations) {
        if (combo->windowed) continue;
        const bool hal = dev->type == gpu::device_type::hal;
        const bool matches_desktop = combo->adapter_format == desktop.fmt;
        const bool same_formats = combo->back_buffer_format == combo->adapter_format;
        if (!best || (best->type != gpu::device_type::hal && hal) ||
            (hal && best->adapter_format != best_desktop.fmt && matches_desktop) ||
            (hal && matches_desktop && same_formats)) {
          best_desktop = desktop;
          best_adapter = adapter.get();
          best_device = dev.get();
          best = combo.get();
          if (hal && matches_desktop && same_formats) goto found;
        }
      }
    }
  }
found:
  if (!best) return false;
  // The desktop's own mode if the adapter has it, else one of the desktop's
  // width, else the first of the format.
  const gpu::display_mode* chosen = nullptr;
  for (const auto& mode : best_adapter->display_modes) {
    if (mode.fmt != best->adapter_format) continue;
    if (mode.width == best_desktop.width && mode.height == best_desktop.height &&
        mode.refresh_rate == best_desktop.refresh_rate) {
      chosen = &mode;
      break;
    }
    if (mode.width == best_desktop.width || !chosen) chosen = &mode;
  }
  if (!chosen) return false;
  device_settings_half& half = settings.fullscreen;
  half.adapter = best_adapter;
  half.device = best_device;
  half.combination = best;
  half.display_mode = *chosen;
  half.depth_stencil_format = enumeration.uses_depth_buffer ? best_depth_format(best->depth_stencil_formats) : gpu::format::unknown;
  half.multisample = best->multisample_types.front();
  half.multisample_quality = 0;
  half.processing = best->vertex_processing_types.front();
  half.interval = gpu::present_interval::default_interval;
  return true;
}

hresult application_frame::choose_initial_settings() {
  const bool fullscreen_found = find_best_fullscreen_mode(false, false);
  const bool windowed_found = find_best_windowed_mode(false, false);
  if ((start_fullscreen && fullscreen_found) || (fullscreen_found && !windowed_found)) settings.is_windowed = false;
  if (!fullscreen_found && !windowed_found) return frame_code::no_compatible_devices;
  return frame_code::ok;
}

void application_frame::build_present_parameters() {
  const device_settings_half& half = settings.current();
  gpu::present_parameters& p = present_params;
  p = gpu::present_parameters{};
  p.windowed = settings.is_windowed;
  p.multisample = half.multisample;
  p.multisample_quality = half.multisample_quality;
  p.device_window = window;
  p.enable_auto_depth_stencil = enumeration.uses_depth_buffer;
  if (enumeration.uses_depth_buffer) {
    p.discard_depth_stencil = true;
    p.auto_depth_stencil_format = half.depth_stencil_format;
  }
  const gpu::format back_buffer_format =
      half.combination ? half.combination->back_buffer_format : gpu::format::unknown;
  if (settings.is_windowed) {
    p.back_buffer_width = settings.windowed_width;
    p.back_buffer_height = settings.windowed_height;
    p.back_buffer_format = back_buffer_format;
    p.refresh_rate = 0;
  } else {
    p.back_buffer_width = half.display_mode.width;
    p.back_buffer_height = half.display_mode.height;
    p.back_buffer_format = back_buffer_format;
    p.refresh_rate = half.display_mode.refresh_rate;
  }
  p.interval = half.interval;
  p.back_buffer_count = half.interval == gpu::present_interval::immediate ? 1 : 2;
}

// --- device ---

void application_frame::update_device_stats(gpu::device_type type, const std::string& description) {
  const bool hal = type == gpu::device_type::hal;
  std::string text = type == gpu::device_type::hal ? "HAL" : type == gpu::device_type::ref ? "REF" : "SW";
  const bool hardware = behavior_flags & create_hardware_vertex_processing;
  const bool pure = behavior_flags & create_pure_device;
  if (hardware && pure)
    text += hal ? " (pure hw vp)" : " (simulated pure hw vp)";
  else if (hardware)
    text += hal ? " (hw vp)" : " (simulated hw vp)";
  else if (behavior_flags & create_mixed_vertex_processing)
    text += hal ? " (mixed vp)" : " (simulated mixed vp)";
  else if (behavior_flags & create_software_vertex_processing)
    text += " (sw vp)";
  if (hal) {
    text += ": ";
    text += description;
  }
  if (text.size() > 89) text.resize(89);
  device_stats = text;
}

void application_frame::apply_cursor_settings() {
  const bool fullscreen = !windowed;
  if (device) device->show_cursor(show_cursor_when_fullscreen && fullscreen);
  if (window) {
    // The host pointer stands in for the device cursor: hidden in full screen
    // unless the application wants it.
    window->show_cursor(!fullscreen || show_cursor_when_fullscreen);
    if (clip_cursor_when_fullscreen) window->clip_cursor(fullscreen);
  }
}

hresult application_frame::initialise_3d_environment() {
  windowed = settings.is_windowed;
  adjust_window_for_change();
  build_present_parameters();
  const device_settings_half& half = settings.current();
  if (!graphics || !half.adapter || !half.device || !half.combination) return frame_code::no_compatible_devices;
  if (half.device->caps.null_reference) display_error_message(frame_code::null_reference_device, error_warning);

  std::unique_ptr<gpu::device> created;
  const gpu::result r = graphics->create_device(half.adapter->ordinal, half.device->type, focus_window,
                                                half.processing, present_params, created);
  hresult hr = to_hresult(r);
  if (r == gpu::result::ok) {
    device = std::move(created);
    if (windowed && window) {
      window->set_bounds(window_bounds);
      window->show();
    }
    device_caps = device->caps();
    behavior_flags = creation_flags_for(half.processing);
    update_device_stats(half.device->type, half.adapter->identifier.description);
    back_buffer_desc = device->back_buffer_desc();
    apply_cursor_settings();

    hr = init_device_objects();
    if (hr >= 0) {
      device_objects_inited = true;
      hr = restore_device_objects();
      if (hr >= 0) {
        device_objects_restored = true;
        return frame_code::ok;
      }
      invalidate_device_objects();
    } else {
      delete_device_objects();
    }
    cleanup_3d_environment();
  }
  // A hardware device that failed may still have a reference device beside it.
  if (hr != frame_code::media_not_found && hr != frame_code::file_not_found &&
      half.device->type == gpu::device_type::hal && find_best_windowed_mode(false, true)) {
    windowed = true;
    adjust_window_for_change();
    if (window) window->set_bounds(window_bounds);
    display_error_message(hr, error_reference_fallback);
    return initialise_3d_environment();
  }
  return hr;
}

void application_frame::cleanup_3d_environment() {
  if (!device) return;
  if (device_objects_restored) {
    device_objects_restored = false;
    invalidate_device_objects();
  }
  if (device_objects_inited) {
    device_objects_inited = false;
    delete_device_objects();
  }
  const std::uint32_t left = device->outstanding_resources();
  device.reset();
  if (left > 0 && !error_reported_) display_error_message(frame_code::resources_left, error_fatal);
}

hresult application_frame::reset_3d_environment() {
  if (!device) return frame_code::invalid_call;
  if (device_objects_restored) {
    device_objects_restored = false;
    invalidate_device_objects();
  }
  if (device->test_cooperative_level() == gpu::result::device_lost) {
    device_lost = true;
    return frame_code::ok;
  }
  const gpu::result r = device->reset(present_params);
  if (r != gpu::result::ok) return to_hresult(r);
  back_buffer_desc = device->back_buffer_desc();
  apply_cursor_settings();
  const hresult hr = restore_device_objects();
  if (hr < 0) {
    invalidate_device_objects();
    return hr;
  }
  device_objects_restored = true;
  if (!frame_moving) {
    // One frame move follows, so the scene matches the new device.
    single_step = true;
    app_timer(app_timer_start);
    app_timer(app_timer_stop);
  }
  return frame_code::ok;
}

hresult application_frame::render_3d_environment() {
  if (!device) return frame_code::ok;
  if (device_lost) {
    const gpu::result r = device->test_cooperative_level();
    if (r == gpu::result::device_lost) return frame_code::ok;  // try again at the next idle time
    if (r == gpu::result::device_not_reset) {
      if (windowed && settings.windowed.adapter) {
        gpu::display_mode desktop;
        if (graphics && graphics->adapter_display_mode(settings.windowed.adapter->ordinal, desktop) ==
                            gpu::result::ok) {
          settings.windowed.display_mode = desktop;
          present_params.back_buffer_format = desktop.fmt;
        }
      }
      return reset_3d_environment();
    }
    if (r != gpu::result::ok) return to_hresult(r);
    device_lost = false;
  }

  const float t = static_cast<float>(app_timer(app_timer_application));
  float dt = static_cast<float>(app_timer(app_timer_elapsed));
  if (dt == 0.0f && frame_moving) return frame_code::ok;

  // The limiter. While frame moving is off the timer stands still and its
  // elapsed time stays 0: waiting would never end, so the frame renders at once.
  // A cap of 0 or below (or nonsense) means no limit; the wait is bounded too.
  const float limit = std::isfinite(min_frame_time) ? std::min(min_frame_time, 1.0f) : 0.0f;
  if (frame_moving && limit > 0.0f) {
    const double started = app_timer(app_timer_absolute);
    for (int spins = 0; dt < limit && spins < max_limiter_spins; ++spins) {
      dt += static_cast<float>(app_timer(app_timer_elapsed));
      if ((spins & 1023) == 1023 && app_timer(app_timer_absolute) - started > limit + 0.5) break;
    }
  }

  if (frame_moving || single_step) {
    time = t;
    elapsed_time = dt;
    const hresult hr = frame_move();
    if (hr < 0) return hr;
    single_step = false;
  }
  if (!device) return frame_code::ok;  // a hook closed the window
  const hresult hr = render();
  if (hr < 0) return hr;
  update_frame_stats();
  if (!device) return frame_code::ok;
  if (device->present() == gpu::result::device_lost) device_lost = true;
  return frame_code::ok;
}

void application_frame::update_frame_stats() {
  const double now = app_timer(app_timer_absolute);
  // The absolute time counts from the machine's start: the first frame only
  // starts the measure, or the first second would read as nearly 0 fps.
  if (!stats_started_) {
    stats_started_ = true;
    stats_last_time_ = now;
    return;
  }
  ++stats_frames_;
  if (now - stats_last_time_ > 1.0) {
    fps = static_cast<float>(stats_frames_ / (now - stats_last_time_));
    stats_last_time_ = now;
    stats_frames_ = 0;
    char text[90];
    std::snprintf(text, sizeof text, "%.02f fps", fps);
    frame_stats = text;
  }
}

hresult application_frame::handle_possible_size_change() {
  if (ignore_size_change || !window) return frame_code::ok;
  const platform::rect old_client = client_rect;
  window_bounds = window->bounds();
  client_rect = window->client_bounds();
  if (client_rect.width() == old_client.width() && client_rect.height() == old_client.height())
    return frame_code::ok;
  if (client_rect.width() <= 0 || client_rect.height() <= 0) return frame_code::ok;
  hresult hr = frame_code::ok;
  pause(true);
  present_params.back_buffer_width = static_cast<std::uint32_t>(client_rect.width());
  present_params.back_buffer_height = static_cast<std::uint32_t>(client_rect.height());
  if (windowed) {
    settings.windowed_width = present_params.back_buffer_width;
    settings.windowed_height = present_params.back_buffer_height;
  }
  if (device) {
    hr = reset_3d_environment();
    if (hr < 0) {
      if (hr != frame_code::out_of_video_memory) hr = frame_code::reset_failed;
      display_error_message(hr, error_fatal);
    }
  }
  pause(false);
  return hr;
}

void application_frame::restore_windowed_after_failure() {
  if (windowed) return;
  windowed = true;
  settings.is_windowed = true;
  adjust_window_for_change();
  if (window) window->set_bounds(window_bounds);
}

hresult application_frame::toggle_fullscreen() {
  const device_combination* before = settings.current().combination;
  if (!before || !device) return frame_code::invalid_call;
  const std::uint32_t adapter_before = before->adapter_ordinal;
  const gpu::device_type type_before = before->type;
  if (windowed && window) window_bounds = window->bounds();

  pause(true);
  ignore_size_change = true;
  windowed = !windowed;
  settings.is_windowed = windowed;
  adjust_window_for_change();

  hresult hr = frame_code::ok;
  const device_combination* after = settings.current().combination;
  if (!after) {
    hr = frame_code::no_compatible_devices;
  } else if (after->adapter_ordinal == adapter_before && after->type == type_before) {
    build_present_parameters();
    hr = reset_3d_environment();
  } else {
    cleanup_3d_environment();
    hr = initialise_3d_environment();
  }
  ignore_size_change = false;
  if (hr >= 0) {
    if (windowed && window) {
      window->set_bounds(window_bounds);
      window->show();
    }
    if (window) client_rect = window->client_bounds();
    pause(false);
    return frame_code::ok;
  }
  restore_windowed_after_failure();
  pause(false);
  return display_error_message(hr == frame_code::out_of_video_memory ? hr : frame_code::reset_failed, error_fatal);
}

bool application_frame::run_device_settings_dialog(device_settings& copy) {
  return run_device_settings_panel(enumeration, copy, window);
}

hresult application_frame::user_select_new_device() {
  if (!windowed) {
    const hresult hr = toggle_fullscreen();
    if (hr < 0) {
      if (!error_reported_) display_error_message(frame_code::reset_failed, error_fatal);
      return frame_code::failed;
    }
  }
  device_settings copy = settings;
  if (!run_device_settings_dialog(copy)) return frame_code::ok;
  // The dialog's OK already refuses, with its reason, a combination that does
  // not belong to the chosen adapter and device; a mismatch must still never
  // reach the device creation.
  if (!settings_half_consistent(copy.current(), enumeration.uses_depth_buffer)) return frame_code::ok;
  settings = copy;
  windowed = settings.is_windowed;
  cleanup_3d_environment();
  hresult hr = initialise_3d_environment();
  if (hr < 0) {
    if (hr != frame_code::out_of_video_memory) hr = frame_code::reset_failed;
    restore_windowed_after_failure();
    return display_error_message(hr, error_fatal);
  }
  if (!frame_moving) {
    single_step = true;
    app_timer(app_timer_start);
    app_timer(app_timer_stop);
  }
  return frame_code::ok;
}

// --- start-up and the loop ---

hresult application_frame::initialise() {
  if (choose_initial_settings() < 0) {
    graphics.reset();
    return display_error_message(frame_code::no_compatible_devices, error_fatal);
  }
  app_timer(app_timer_start);
  hresult hr = one_time_init();
  if (hr < 0) {
    graphics.reset();
    return display_error_message(hr, error_fatal);
  }
  hr = initialise_3d_environment();
  if (hr < 0) {
    graphics.reset();
    return display_error_message(hr, error_fatal);
  }
  pause(false);
  if (window) window->show();
  return frame_code::ok;
}

void application_frame::post_quit(int exit_code) {
  quit_posted_ = true;
  exit_code_ = exit_code;
}

void application_frame::send_close() {
  frame_message m;
  m.kind = frame_message_kind::close;
  window_procedure(m);
}

bool application_frame::pump_one_event(bool wait) {
  if (!window) return false;
  platform::window_event event;
  const bool got = wait ? window->wait_event(event) : window->poll_event(event);
  if (!got) {
    if (wait) send_close();  // nothing can ever arrive
    return wait;
  }
  frame_message message;
  if (translate_window_event(event, message)) window_procedure(message);
  return true;
}

int application_frame::run_main_loop() {
  while (!quit_posted_) {
    const bool took = pump_one_event(!active);
    if (quit_posted_) break;
    if (!took) {
      if (device_lost) platform::sleep_milliseconds(100);
      if (!active) continue;
      if (render_3d_environment() < 0) send_close();
    }
    // A quit request is honoured after an idle frame too: a window that gets no
    // events would otherwise never close.
    if (quit_request != 0 && !quit_posted_) send_close();
  }
  return exit_code_;
}

// --- the window procedure ---

std::int64_t application_frame::window_procedure(const frame_message& message) {
  switch (message.kind) {
    case frame_message_kind::mouse_move:
      if (active && device) device->set_cursor_position(message.event.x, message.event.y);
      break;
    case frame_message_kind::size:
      if (windowed) window_style = window_style_kind::overlapped;
      switch (message.size) {
        case size_state::minimized:
          if (clip_cursor_when_fullscreen && !windowed && window) window->clip_cursor(false);
          if (!minimized) pause(true);
          minimized = true;
          maximized = false;
          break;
        case size_state::maximized:
          if (minimized) pause(false);
          minimized = false;
          maximized = true;
          handle_possible_size_change();
          break;
        case size_state::restored:
          if (maximized) {
            maximized = false;
            handle_possible_size_change();
          } else if (minimized) {
            pause(false);
            minimized = false;
            handle_possible_size_change();
          }
          break;
      }
      break;
    case frame_message_kind::resized:
      handle_possible_size_change();
      break;
    case frame_message_kind::paint:
      if (device && !active && windowed && device_objects_inited && device_objects_restored) {
        render();
        device->present();
      }
      break;
    case frame_message_kind::close:
      if (closing_) return 0;
      closing_ = true;
      final_cleanup();
      cleanup_3d_environment();
      graphics.reset();
      enumeration.system = nullptr;
      if (window) window->destroy();
      post_quit(0);
      window = nullptr;
      return 0;
    case frame_message_kind::set_cursor:
      if (active && !windowed) {
        if (window) window->show_cursor(show_cursor_when_fullscreen);
        if (show_cursor_when_fullscreen && device) device->show_cursor(true);
      }
      return 1;
    case frame_message_kind::activate:
      // Losing the focus pauses the game; getting it back ends that pause.
      if (!message.active && !focus_paused_) {
        focus_paused_ = true;
        pause(true);
      } else if (message.active && focus_paused_) {
        focus_paused_ = false;
        pause(false);
      }
      break;
    case frame_message_kind::enter_menu_loop:
    case frame_message_kind::enter_size_move:
      pause(true);
      break;
    case frame_message_kind::exit_menu_loop:
      pause(false);
      break;
    case frame_message_kind::exit_size_move:
      pause(false);
      handle_possible_size_change();
      break;
    case frame_message_kind::command:
      switch (message.command) {
        case command_change_device:
          pause(true);
          user_select_new_device();
          pause(false);
          return 0;
        case command_toggle_fullscreen: {
          pause(true);
          if (toggle_fullscreen() < 0) display_error_message(frame_code::reset_failed, error_fatal);
          pause(false);
          return 0;
        }
        case command_go_stop:
          frame_moving = !frame_moving;
          app_timer(frame_moving ? app_timer_start : app_timer_stop);
          break;
        case command_single_step:
          if (!frame_moving)
            app_timer(app_timer_advance);
          else
            app_timer(app_timer_stop);
          frame_moving = false;
          single_step = true;
          break;
        case command_exit:
          send_close();
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return 0;
}

// --- errors ---

std::string application_frame::error_text(hresult code) {
  switch (static_cast<std::uint32_t>(code)) {
    case 0x82000001:
      return "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is "
             "correctly installed on your\nsystem.  Also make sure that this program\nwas compiled with header "
             "files that match\nthe installed DirectX DLLs.";
    case 0x82000003: return "Could not find any compatible Direct3D\ndevices.";
    case 0x82000004:
      return "This sample cannot run in a desktop\nwindow with the current display settings.\nPlease change your "
             "desktop settings to a\n16- or 32-bit display mode and re-run this\nsample.";
    case 0x82000005: return "No hardware-accelerated Direct3D devices\nwere found.";
    case 0x82000006:
      return "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator.";
    case 0x82000007:
      return "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app is running "
             "to see a\nlist of available devices and modes.";
    case 0x82000008:
      return "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display "
             "settings.\nPress F2 while the app is running to see a\nlist of available devices and modes.";
    case 0x82000009:
      return "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator "
             "with the current desktop display\nsettings.\nPress F2 while the app is running to see a\nlist of "
             "available devices and modes.";
    case 0x8200000a:
      return "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up).";
    case 0x8200000b:
    case 0x80070002: return "Could not load required media.";
    case 0x8200000c: return "Could not reset the Direct3D device.";
    case 0x8200000d:
      return "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but your\ncomputer "
             "only has a reduced-functionality reference device\ninstalled.  Install the DirectX SDK to get the "
             "full\nreference device.\n";
    case 0x8007000e: return "Not enough memory.";
    case 0x8876017c: return "Not enough video memory.";
    case 0x88760827: return "A serious problem occured inside the display driver.";
    default: return "Generic application error. Enable\ndebug output for detailed information.";
  }
}

hresult application_frame::display_error_message(hresult code, int kind) {
  if (error_reported_) return code;
  std::string text = error_text(code);
  if (kind == error_reference_fallback) text += kReferenceNotice;
  const bool fatal = kind == error_fatal || code == frame_code::driver_internal_error;
  if (fatal) {
    text += kExitNotice;
    error_reported_ = true;
    platform::show_message_box(caption, text, platform::message_box_icon::error);
    if (window && window->exists()) send_close();
  } else if (kind == error_warning || kind == error_reference_fallback) {
    platform::show_message_box(caption, text, platform::message_box_icon::warning);
  }
  return code;
}

}  // namespace hm
