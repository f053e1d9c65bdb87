#include "shell/launcher/configuration.h"

#include <cstdio>
#include <cstdlib>

#include "engine/core/user_files.h"
#include "platform/fs.h"
#include "ui/options/video_options_window.h"

namespace hm {

void probe_display_memory(ruv_config& config, bool force, std::int32_t megabytes) {
  if (megabytes == 4 || megabytes == 8 || megabytes == 16) {
    config.texture_detail = 0;
    config.antialiasing = 0;
    config.use_vertex_shaders = 0;
    config.shadowmap_quality = 0;
    return;
  }
  if (!force) return;
  switch (megabytes) {
    case 32:
    case 64:
      config.texture_detail = megabytes == 32 ? 20 : 60;
      config.use_vertex_shaders = 0;
      config.shadowmap_quality = 0;
      break;
    case 128:
      config.texture_detail = 80;
      config.shadowmap_quality = 1;
      break;
    default:
      config.texture_detail = 100;
      config.shadowmap_quality = 1;
      break;
  }
}

ruv_config load_configuration_copy(std::int32_t display_memory_megabytes) {
  ruv_config copy;
  if (platform::file_exists(get_user_file_path("ruv_config.txt")))
    load_ruv_config(copy);
  else
    copy.texture_detail = 70;
  probe_display_memory(copy, false, display_memory_megabytes);
  return copy;
}

bool prepare_launcher_settings(ruv_config& config, std::int32_t display_memory_megabytes) {
  set_ruv_config_defaults(config);
  load_ruv_config(config);
  if (config.first_time == 0) return true;
  probe_display_memory(config, true, display_memory_megabytes);
  config.first_time = 0;
  return save_ruv_config(config);
}

bool frame_rate_acceptable(std::int32_t typed) { return typed >= 10 && typed <= 999; }

int screen_choice(const configuration_dialog& d) {
  if (d.copy.display_width == 0) return 0;
  for (std::size_t i = 0; i < d.modes.size(); ++i) {
    std::int32_t w = 0, h = 0;
    parse_resolution(d.modes[i], w, h);
    const bool bits16 = d.modes[i].find("16 bits") != std::string::npos;
    if (w == d.copy.display_width && h == d.copy.display_height && (bits16 ? 16 : 32) == d.copy.display_bits)
      return static_cast<int>(i) + 1;
  }
  return 0;
}

void choose_screen(configuration_dialog& d, int index) {
  if (index <= 0 || static_cast<std::size_t>(index) > d.modes.size()) {
    d.copy.display_width = 0;
    d.copy.display_height = 0;
    d.copy.display_bits = 32;
    return;
  }
  const std::string& item = d.modes[static_cast<std::size_t>(index) - 1];
  parse_resolution(item, d.copy.display_width, d.copy.display_height);
  d.copy.display_bits = item.find("16 bits") != std::string::npos ? 16 : 32;
}

}  // namespace hm
