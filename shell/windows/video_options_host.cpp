#include "shell/windows/video_options_host.h"

#include <cstdio>

#include "engine/app/application_frame.h"
#include "engine/app/device_enumeration.h"
#include "engine/device/device_resources.h"
#include "engine/device/effect.h"
#include "engine/resource/resource_manager.h"

namespace hm {

std::vector<std::string> enum_display_modes(const device_enumeration& enumeration) {
  std::vector<std::string> modes;
  if (enumeration.adapters.empty() || !enumeration.adapters.front()) return modes;
  for (const gpu::display_mode& m : enumeration.adapters.front()->display_modes) {
    char text[64];
    std::snprintf(text, sizeof text, "%ux%u %s", m.width, m.height,
                  color_channel_bits(m.fmt) <= 5 ? "16 bits" : "32 bits");
    bool known = false;
    for (const std::string& t : modes) known = known || t == text;
    if (!known) modes.emplace_back(text);
  }
  return modes;
}

std::vector<std::string> application_video_host::display_modes() { return enum_display_modes(frame_.enumeration); }

void application_video_host::reset_graphics_device() {
  if (frame_.windowed || !frame_.device) return;
  frame_.pause(true);
  frame_.windowed = true;
  frame_.settings.is_windowed = true;
  hresult hr = frame_.choose_initial_settings();
  if (hr >= 0) hr = frame_.toggle_fullscreen();
  if (hr < 0) frame_.display_error_message(frame_code::reset_failed, 0);
  frame_.pause(false);
}

bool application_video_host::pixel_shaders_on() { return g_device_resources.hooks.caps.pixel_shaders_in_use; }

void application_video_host::apply_gamma(float gamma) {
  if (!g_device_resources.effect) return;
  gpu::effect& e = g_device_resources.effect->get();
  const float g[4] = {gamma, gamma, gamma, gamma};
  const float inv = gamma != 0.0f ? 1.0f / gamma : 1.0f;
  const float gi[4] = {inv, inv, inv, inv};
  e.set_vector(e.get_parameter_by_name("output_gamma"), g);
  e.set_vector(e.get_parameter_by_name("output_gamma_inv"), gi);
}

void application_video_host::reload_file_textures() {
  g_resource_manager.release_file_textures();
  g_resource_manager.reload_file_textures();
}

}  // namespace hm
