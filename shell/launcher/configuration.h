#pragma once
// The launcher's configuration of the engine settings (ruv_config.txt): a
// copy of the settings of its own, filled from the file, edited and written
// back on OK; the running settings are not touched. Also the defaults the
// amount of display memory gives.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/settings/ruv_config.h"

namespace hm {

// Lowers the settings for a small display memory (megabytes; 0 when the
// platform cannot tell). 4, 8 and 16 always turn off texture detail,
// antialiasing, the shader path and shadows; with force, 32 and 64 give
// texture detail 20 and 60 without the shader path and with low shadows, 128
// gives 80 with high shadows, and anything else (256 and more, or unknown)
// 100 with high shadows.
void probe_display_memory(ruv_config& config, bool force, std::int32_t megabytes);

// The copy the dialog starts from: the defaults, then the file when it exists
// (texture detail 70 when it does not), then the unforced probe.
ruv_config load_configuration_copy(std::int32_t display_memory_megabytes);

// The launcher's own start: the defaults read over by the file; on the first
// run (first_time set) the forced probe, and the file written with first_time
// cleared so that the player's later choices are not probed away. False when
// the file had to be written and could not be.
bool prepare_launcher_settings(ruv_config& config, std::int32_t display_memory_megabytes);

// A typed frame rate is taken only from 10 to 999.
bool frame_rate_acceptable(std::int32_t typed);

// What the dialog edits on its copy.
struct configuration_dialog {
  ruv_config copy;
  std::int32_t display_memory_megabytes = 0;
  // The display modes as "<width>x<height> 16 bits" or "... 32 bits"; the
  // screen list shows the desktop first, then these.
  std::vector<std::string> modes;
  std::int32_t frame_rate_field = 100;
  // Set when OK could not write the file: the dialog stays open and says so.
  std::string failure;
};

// The screen list's index for the copy (0: the desktop).
int screen_choice(const configuration_dialog& d);
// Stores a choice of the screen list (0: the desktop, 32 bits).
void choose_screen(configuration_dialog& d, int index);

// The antialiasing list: "off" (0) and the sample counts.
inline constexpr std::int32_t antialiasing_choices[] = {0, 2, 4, 8};

}  // namespace hm
