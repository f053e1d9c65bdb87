#pragma once
// The launcher panel shown before the game's window: the module to play, Play,
// Configure (the engine settings on a page of the same panel), the version
// check when an address for it is set, Exit, and the version line. Laid out by
// functions over the panel's controls, so that tests can press its buttons.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "shell/launcher/configuration.h"

namespace hm {

struct launcher_dialog {
  std::vector<std::string> modules;
  int selected = -1;
  std::string version_address;
  std::int32_t timeout_ms = 5000;
  // Lines the panel shows under its buttons (results of the last action).
  std::string message;
  // While set, the panel shows the configuration page.
  std::optional<configuration_dialog> configuring;
  std::int32_t display_memory_megabytes = 0;
  std::vector<std::string> display_modes;
  // Set by Play.
  std::string chosen_module;
};

// Fills the launcher from the data folder and the settings store.
launcher_dialog make_launcher_dialog(std::int32_t display_memory_megabytes, std::vector<std::string> display_modes);

// One frame of the launcher panel: ok with chosen_module set when Play was
// pressed (and last_module written), cancel for Exit; nothing while it stays.
std::optional<platform::dialog_result> lay_out_launcher(launcher_dialog& d, platform::dialog_ui& ui);

// One frame of the configuration page: ok when OK wrote the file, cancel for
// Cancel; nothing while it stays (also when the file could not be written).
std::optional<platform::dialog_result> lay_out_configuration(configuration_dialog& d, platform::dialog_ui& ui);

// Runs the launcher in its window; the module to play, or nothing when the
// player left it.
std::optional<std::string> run_launcher(std::int32_t display_memory_megabytes,
                                        std::vector<std::string> display_modes);

}  // namespace hm
