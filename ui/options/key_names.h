#pragma once
// The names the controls screen shows: each key code's display name (plain
// texts, not translated) and the translated names of the bindable and the map
// controls.
#include <cstdint>

#include "engine/core/ruv_string.h"

namespace hm {

// The display name of a key code: the keyboard's scan codes, the mouse
// buttons from 224 and the wheel at 238 and 239; "unknown" for a code
// without a name (0, negative, above 239 and the gaps).
const char* get_key_name(std::int32_t code);

// The UI-string key of a bindable control (0..36) and of a map control (0..6);
// null outside the tables.
const char* control_name_key(int control);
const char* map_control_name_key(int control);

// The translated name, or "unknown" outside the table.
ruv_string get_control_name(int control);
ruv_string get_map_control_name(int control);

// The key codes of the seven map controls: the first keys of the four
// movement controls (the map follows their bindings), then Numpad +,
// Numpad - and Space.
std::int32_t map_control_key(int control);

}  // namespace hm
