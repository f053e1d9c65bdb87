#pragma once
// Modal panels drawn in immediate mode in a window of their own (the device
// settings, and later the launcher, configuration and developer dialogs). A
// panel is a function that lays out its controls each frame and returns a
// result when the user ends it.
//
// Panels open only when enabled: the program enables them when a person can
// see the screen. Tests and headless runs never enable them, and a panel then
// ends at once with cancel.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hm::platform {

void set_dialogs_enabled(bool enabled);
bool dialogs_enabled();

// What a panel draws with. Labels may carry a "&" before the mnemonic letter; it
// is not shown.
class dialog_ui {
 public:
  virtual ~dialog_ui() = default;
  virtual void group(const char* label) = 0;
  // A drop-down list; true when the user picked an item (selected then holds it).
  virtual bool combo(const char* label, const std::vector<std::string>& items, int& selected, bool enabled) = 0;
  // A radio button; true when the user clicked it.
  virtual bool radio(const char* label, bool checked, bool enabled) = 0;
  virtual bool button(const char* label) = 0;
  virtual void same_line() = 0;
  virtual void separator() = 0;
  // A line of text that tells the user something (wrapped to the panel).
  virtual void note(const std::string& text) = 0;
  // A plain line of text.
  virtual void text(const std::string& text) = 0;
  // A check box; true when the user changed it.
  virtual bool checkbox(const char* label, bool& checked) = 0;
  // A track bar over low..high; true when the user moved it.
  virtual bool slider_int(const char* label, int& value, int low, int high) = 0;
  // A number field; true when the user left it (the value then holds what was
  // typed; the caller checks it).
  virtual bool input_int(const char* label, int& value) = 0;
};

enum class dialog_result { ok, cancel };

using dialog_builder = std::function<std::optional<dialog_result>(dialog_ui&)>;

// Runs a panel until the builder returns a result or the panel's window is
// closed (cancel). Cancel at once when panels are disabled or cannot open.
dialog_result run_modal_dialog(const std::string& title, int width, int height, const dialog_builder& build);

// The label as shown: the mnemonic marker "&" removed ("&&" stays one "&").
std::string dialog_label_text(const char* label);

}  // namespace hm::platform
