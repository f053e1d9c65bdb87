#pragma once
// The video options screen (window 19), opened from the game options screen:
// resolution, renderer, gamma, shadows, texture and grass detail, corpses and
// ragdolls, blood, lighting, particles, filtering and water, with an
// estimated performance figure recomputed after each change. A new resolution
// resets the device at once; Done reloads the textures when their detail
// changed, writes ruv_config.txt and shows a notice when an option takes full
// effect only later.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/windows/game_window.h"

namespace hm {

class combobox;
class slider;
class widget;
struct game_options;
struct ruv_config;

// What the screen needs of the graphics device, filled in by the application.
class video_options_host {
 public:
  virtual ~video_options_host() = default;
  // The display modes the adapter offers, each "<width>x<height> 16 bits" or
  // "... 32 bits".
  virtual std::vector<std::string> display_modes() = 0;
  // Rebuilds the device for the display size now in the engine settings.
  virtual void reset_graphics_device() = 0;
  // Whether the effect (pixel-shader) drawing path is in use.
  virtual bool pixel_shaders_on() = 0;
  // The render-state cache's device flag, which makes shadows and plant
  // shadows cheaper in the estimate.
  virtual bool device_flag() = 0;
  // Hands a new output gamma to the shaders.
  virtual void apply_gamma(float gamma) = 0;
  // Releases every texture loaded from a file and loads it again (a changed
  // texture detail takes effect).
  virtual void reload_file_textures() = 0;
};

// The host in force; null when none is installed (the screen then offers no
// display modes and assumes the fixed-function path).
video_options_host* current_video_options_host();
video_options_host* set_video_options_host(video_options_host* host);

// The estimated performance figure: 30000 / cost, truncated.
std::int32_t estimate_performance(const game_options& options, const ruv_config& config, bool pixel_shaders,
                                  bool device_flag);

// The gamma text: gamma x 100 truncated, with "." after its first digit
// ("2.20"); empty for the default 2.20, shown as "ui_default".
std::string gamma_text(float gamma);

// Width and height from a resolution item: the number before the first "x"
// and the number after it up to the first blank (0 where no digits lead).
void parse_resolution(const std::string& item, std::int32_t& width, std::int32_t& height);

class video_options_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;

  widget* done_button = nullptr;
  slider* gamma_slider = nullptr;
  slider* character_detail_slider = nullptr;
  slider* character_shadow_detail_slider = nullptr;
  slider* texture_detail_slider = nullptr;
  slider* grass_density_slider = nullptr;
  combobox* corpses_box = nullptr;
  combobox* ragdolls_box = nullptr;
  combobox* blood_box = nullptr;
  combobox* plant_shadows_box = nullptr;
  combobox* resolution_box = nullptr;
  combobox* shadow_quality_box = nullptr;
  widget* change_button = nullptr;
  widget* dynamic_lighting_toggle = nullptr;
  widget* character_shadows_toggle = nullptr;
  widget* environment_shadows_toggle = nullptr;
  widget* particle_systems_toggle = nullptr;
  widget* anisotropic_toggle = nullptr;
  widget* water_reflection_toggle = nullptr;
  widget* texture_detail_text = nullptr;
  widget* renderer_text = nullptr;
  widget* gamma_label = nullptr;
  widget* gamma_value_text = nullptr;
  widget* grass_density_text = nullptr;
  widget* performance_text = nullptr;

  std::int32_t initial_texture_detail = 0;
  bool settings_notice_pending = false;
  bool closing = false;

 private:
  void show_estimate();
  void show_gamma();
};

}  // namespace hm
