#pragma once
// The application's answers to the video options screen: the adapter's
// display modes, the device reset for a new resolution, the drawing path in
// use, the output gamma and the texture reload.
#include <string>
#include <vector>

#include "ui/options/video_options_window.h"

namespace hm {

class application_frame;
class device_enumeration;

// The display modes of the first adapter as the screens list them:
// "<width>x<height> 16 bits" or "... 32 bits", each text once (modes that
// differ only by refresh rate are one entry).
std::vector<std::string> enum_display_modes(const device_enumeration& enumeration);

class application_video_host final : public video_options_host {
 public:
  explicit application_video_host(application_frame& frame) : frame_(frame) {}

  std::vector<std::string> display_modes() override;
  // Only in full screen: the frame is paused, marked windowed, its settings
  // chosen again (for the new display size) and full screen toggled back.
  void reset_graphics_device() override;
  bool pixel_shaders_on() override;
  // The cheaper shadow passes of our renderer are not told apart: never set.
  bool device_flag() override { return false; }
  void apply_gamma(float gamma) override;
  void reload_file_textures() override;

 private:
  application_frame& frame_;
};

}  // namespace hm
