#pragma once
// The controls screen (window 20): one key button per bindable control showing
// its first key; a click on one waits for the next key (Escape cancels) and
// binds it, taking it off any other control. Set default keys and Undo
// changes act on g_key_bindings; Done writes controls.dat when something
// changed and is held while a control has no key.
#include <cstdint>

#include "engine/settings/key_bindings.h"
#include "ui/windows/game_window.h"

namespace hm {

class widget;

class controls_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;

  widget* done_button = nullptr;
  widget* undo_button = nullptr;
  widget* default_keys_button = nullptr;
  widget* control_labels[key_bindings::control_count] = {};
  widget* key_buttons[key_bindings::control_count] = {};
  widget* press_key_text = nullptr;
  widget* map_control_labels[7] = {};
  widget* map_key_texts[7] = {};
  bool bindings_changed = false;
  std::int32_t awaited_control = -1;
  // Set when Done could not write the file: the screen leaves once the
  // notice that says so is closed.
  bool closing = false;

 private:
  void refresh();
};

// The key button's label size for a text: 0.65 t, shrunk to fit the room of a
// medium button t high when the estimated width exceeds it.
float key_label_size(const ruv_string& text, float t);

}  // namespace hm
