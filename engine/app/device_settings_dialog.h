#pragma once
// The "Select Device" dialog's model: a chain of lists (adapter, device,
// windowed or full screen, adapter format, resolution, refresh rate, back-buffer
// format, depth-stencil format, multisample type and quality, vertex processing,
// present interval) over a copy of the device settings. Choosing an item writes
// its value into the current half of the copy and refills the lists below it,
// so the device combination always follows the chosen adapter and device.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "engine/app/device_enumeration.h"
#include "platform/dialog.h"

namespace hm::platform {
class window;
}

namespace hm {

class device_settings_dialog {
 public:
  enum list_id : int {
    list_device = 1000,
    list_adapter = 1002,
    list_adapter_format = 1003,
    list_resolution = 1004,
    list_multisample_type = 1005,
    list_refresh_rate = 1006,
    list_back_buffer_format = 1007,
    list_depth_stencil_format = 1008,
    list_vertex_processing = 1009,
    list_present_interval = 1010,
    list_multisample_quality = 1011,
  };

  struct item {
    std::string text;
    std::uint64_t value = 0;
  };
  struct list {
    int id = 0;
    std::vector<item> items;
    int selected = -1;
    bool enabled = true;
  };

  device_settings_dialog(const device_enumeration& enumeration, const device_settings& settings);

  // The user picks an item of a list; the steps it causes run before it returns.
  void choose(int list, int index);
  // The user clicks "Use desktop &window" (true) or "&Fullscreen mode:" (false).
  void choose_windowed(bool windowed);

  const list& get(int id) const;
  bool window_button_enabled() const { return window_enabled_; }
  bool fullscreen_button_enabled() const { return fullscreen_enabled_; }
  bool window_button_checked() const { return window_checked_; }
  // The settings as the dialog's choices left them (what OK hands back).
  const device_settings& result() const { return settings_; }
  // The user presses OK: true when the choices fit together and may be taken;
  // otherwise false, with message() saying why, and the dialog stays open.
  bool press_ok();
  // Why the last OK was not taken; emptied by the next choice.
  const std::string& message() const { return message_; }

  // The lists in the order the panel shows them, with their labels.
  static const std::vector<std::pair<int, const char*>>& layout();

 private:
  list& at(int id);
  device_settings_half& half() { return settings_.current(); }
  // Empties a list, adds the items and selects the one whose value matches
  // (else the first); the selection's step is queued.
  void fill(int id, std::vector<item> items, std::uint64_t current, bool once = false);
  void select(int id, int index);
  void run_pending();
  void run_step(int id);
  void device_step();
  void mode_step();

  const device_enumeration& enumeration_;
  device_settings settings_;
  std::vector<list> lists_;
  std::deque<int> pending_;
  const adapter_info* adapter_ = nullptr;
  const device_info* device_ = nullptr;
  bool window_enabled_ = false;
  bool fullscreen_enabled_ = false;
  bool window_checked_ = false;
  std::string message_;
};

// One frame of the panel over the dialog: its controls, and the result once the
// user pressed OK on choices that fit together, or Cancel.
std::optional<platform::dialog_result> lay_out_device_settings_panel(device_settings_dialog& dialog,
                                                                     platform::dialog_ui& ui);

// Shows the dialog over `settings` as a panel of its own. True (and the settings
// replaced) only when the user pressed OK; false at once when panels cannot
// open (no display, tests, headless runs).
bool run_device_settings_panel(const device_enumeration& enumeration, device_settings& settings,
                               platform::window* owner);

}  // namespace hm
