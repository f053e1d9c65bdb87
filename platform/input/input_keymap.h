#pragma once
// Our table from SDL scancodes to the engine's key codes (platform/input.h),
// covering the whole of a standard 104/105-key keyboard plus the keys that
// some layouts add. Plain ints keep SDL's headers out of the callers.
#include <span>
#include <string>

namespace hm::platform {

struct keymap_entry {
  int sdl_scancode;
  int key_code;
};

// Every mapped key, one entry per key; each scancode and each key code occurs once.
std::span<const keymap_entry> keymap_entries();

// The engine's key code of an SDL scancode, -1 when the key has none.
int key_code_from_sdl_scancode(int scancode);
// The SDL scancode of an engine key code, -1 when no key has that code.
int sdl_scancode_from_key_code(int key_code);
// SDL's own name of a scancode ("W", "Left Shift", "Keypad Enter"...), empty when unnamed.
std::string sdl_scancode_name(int scancode);

}  // namespace hm::platform
