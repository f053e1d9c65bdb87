#pragma once
// The player's key bindings and their file "controls.dat" in the settings folder:
// a little-endian int32 count that must be 37, then 37 pairs of int32 key codes.
#include <cstdint>
#include <string_view>

namespace hm {

class stream;

// Key codes are the keyboard's scan codes and 224, 225, 238, 239 for the mouse
// buttons and wheel; -1 is no key.
struct key_bindings {
  static constexpr int control_count = 37;
  static constexpr std::int32_t no_key = -1;

  // The constructor gives the default bindings; the program reads controls.dat
  // at start-up (load_controls), not here, so nothing touches the user's folder
  // before the program runs.
  key_bindings() {
    set_default_controls();
    backup_controls();
  }

  // Every code -1, then the default first key of each control; the backup
  // stays as it was (Undo after the defaults gives the keys back).
  void set_default_controls();

  // The bindings in the file's layout. A count other than 37, or a file too
  // short for its codes, gives the defaults (false). Codes outside 0..255 other
  // than -1 become -1, as they index 256-entry key tables.
  bool read_controls(stream& in);
  void write_controls(stream& out) const;

  // Copies keys into backup and back: the controls screen's cancel.
  void backup_controls();
  void restore_controls();

  // Binds a key as the control's first key (its second key stays); the key is
  // taken off every slot that held it first, so one key drives at most one
  // control. A control outside the table or a code outside 0..255 changes
  // nothing.
  void assign_key(int control, std::int32_t code);
  // Whether any control has no first key.
  bool any_first_key_missing() const;

  std::int32_t keys[control_count][2];
  std::int32_t backup[control_count][2];
};

extern key_bindings g_key_bindings;

// The file "controls.dat" of the settings folder. A missing or foreign file gives
// the defaults (false). Saving replaces the file only once the new one is
// complete; false when it could not be written.
bool load_controls(key_bindings& bindings = g_key_bindings);
bool save_controls(const key_bindings& bindings = g_key_bindings);

}  // namespace hm
