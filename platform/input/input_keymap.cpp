#include "platform/input/input_keymap.h"

#include <SDL_keyboard.h>
#include <SDL_scancode.h>

#include <array>

#include "platform/input/input.h"

namespace hm::platform {
namespace {

// Scancode -> key code. The key codes are the PC set-1 scan codes of each key;
// keys that the keyboard sends with the 0xE0 prefix sit at 0x80 + the code.
constexpr keymap_entry k_keymap[] = {
    {SDL_SCANCODE_ESCAPE, key::escape},
    {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},
    {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, key::digit_0},
    {SDL_SCANCODE_MINUS, key::minus},
    {SDL_SCANCODE_EQUALS, key::equals},
    {SDL_SCANCODE_BACKSPACE, key::backspace},
    {SDL_SCANCODE_TAB, key::tab},
    {SDL_SCANCODE_Q, key::q},
    {SDL_SCANCODE_W, key::w},
    {SDL_SCANCODE_E, key::e},
    {SDL_SCANCODE_R, key::r},
    {SDL_SCANCODE_T, key::t},
    {SDL_SCANCODE_Y, key::y},
    {SDL_SCANCODE_U, key::u},
    {SDL_SCANCODE_I, key::i},
    {SDL_SCANCODE_O, key::o},
    {SDL_SCANCODE_P, key::p},
    {SDL_SCANCODE_LEFTBRACKET, key::left_bracket},
    {SDL_SCANCODE_RIGHTBRACKET, key::right_bracket},
    {SDL_SCANCODE_RETURN, key::enter},
    {SDL_SCANCODE_LCTRL, key::left_control},
    {SDL_SCANCODE_A, key::a},
    {SDL_SCANCODE_S, key::s},
    {SDL_SCANCODE_D, key::d},
    {SDL_SCANCODE_F, key::f},
    {SDL_SCANCODE_G, key::g},
    {SDL_SCANCODE_H, key::h},
    {SDL_SCANCODE_J, key::j},
    {SDL_SCANCODE_K, key::k},
    {SDL_SCANCODE_L, key::l},
    {SDL_SCANCODE_SEMICOLON, key::semicolon},
    {SDL_SCANCODE_APOSTROPHE, key::apostrophe},
    {SDL_SCANCODE_GRAVE, key::grave},
    {SDL_SCANCODE_LSHIFT, key::left_shift},
    {SDL_SCANCODE_BACKSLASH, key::backslash},
    // On ISO keyboards the key left of Enter reports NONUSHASH; it sits where
    // the backslash key of a US keyboard sits and sends the same scan code.
    {SDL_SCANCODE_Z, key::z},
    {SDL_SCANCODE_X, key::x},
    {SDL_SCANCODE_C, key::c},
    {SDL_SCANCODE_V, key::v},
    {SDL_SCANCODE_B, key::b},
    {SDL_SCANCODE_N, key::n},
    {SDL_SCANCODE_M, key::m},
    {SDL_SCANCODE_COMMA, key::comma},
    {SDL_SCANCODE_PERIOD, key::period},
    {SDL_SCANCODE_SLASH, key::slash},
    {SDL_SCANCODE_RSHIFT, key::right_shift},
    {SDL_SCANCODE_KP_MULTIPLY, key::keypad_multiply},
    {SDL_SCANCODE_LALT, key::left_alt},
    {SDL_SCANCODE_SPACE, key::space},
    {SDL_SCANCODE_CAPSLOCK, key::caps_lock},
    {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},
    {SDL_SCANCODE_F10, key::f10},
    {SDL_SCANCODE_NUMLOCKCLEAR, key::num_lock},
    {SDL_SCANCODE_SCROLLLOCK, key::scroll_lock},
    {SDL_SCANCODE_KP_7, key::keypad_7},
    {SDL_SCANCODE_KP_8, key::keypad_8},
    {SDL_SCANCODE_KP_9, key::keypad_9},
    {SDL_SCANCODE_KP_MINUS, key::keypad_minus},
    {SDL_SCANCODE_KP_4, key::keypad_4},
    {SDL_SCANCODE_KP_5, key::keypad_5},
    {SDL_SCANCODE_KP_6, key::keypad_6},
    {SDL_SCANCODE_KP_PLUS, key::keypad_plus},
    {SDL_SCANCODE_KP_1, key::keypad_1},
    {SDL_SCANCODE_KP_2, key::keypad_2},
    {SDL_SCANCODE_KP_3, key::keypad_3},
    {SDL_SCANCODE_KP_0, key::keypad_0},
    {SDL_SCANCODE_KP_PERIOD, key::keypad_period},
    {SDL_SCANCODE_NONUSBACKSLASH, key::non_us_backslash},
    {SDL_SCANCODE_F11, key::f11},
    {SDL_SCANCODE_F12, key::f12},
    {SDL_SCANCODE_F13, key::f13},
    {SDL_SCANCODE_F14, key::f14},
    {SDL_SCANCODE_F15, key::f15},
    // Japanese and Brazilian layout keys.
    {SDL_SCANCODE_INTERNATIONAL2, 0x70},  // kana
    {SDL_SCANCODE_INTERNATIONAL1, 0x73},  // ro (Brazilian /?)
    {SDL_SCANCODE_INTERNATIONAL4, 0x79},  // convert
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B},  // no-convert
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D},  // yen
    {SDL_SCANCODE_KP_COMMA, 0x7E},        // Brazilian keypad period
    {SDL_SCANCODE_KP_EQUALS, key::keypad_equals},
    {SDL_SCANCODE_AUDIOPREV, 0x90},
    {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, key::keypad_enter},
    {SDL_SCANCODE_RCTRL, key::right_control},
    {SDL_SCANCODE_MUTE, key::mute},
    {SDL_SCANCODE_CALCULATOR, 0xA1},
    {SDL_SCANCODE_AUDIOPLAY, 0xA2},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4},
    {SDL_SCANCODE_VOLUMEDOWN, key::volume_down},
    {SDL_SCANCODE_VOLUMEUP, key::volume_up},
    {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_DIVIDE, key::keypad_divide},
    {SDL_SCANCODE_PRINTSCREEN, key::print_screen},
    {SDL_SCANCODE_RALT, key::right_alt},
    {SDL_SCANCODE_PAUSE, key::pause},
    {SDL_SCANCODE_HOME, key::home},
    {SDL_SCANCODE_UP, key::up},
    {SDL_SCANCODE_PAGEUP, key::page_up},
    {SDL_SCANCODE_LEFT, key::left},
    {SDL_SCANCODE_RIGHT, key::right},
    {SDL_SCANCODE_END, key::end},
    {SDL_SCANCODE_DOWN, key::down},
    {SDL_SCANCODE_PAGEDOWN, key::page_down},
    {SDL_SCANCODE_INSERT, key::insert},
    {SDL_SCANCODE_DELETE, key::del},
    {SDL_SCANCODE_LGUI, key::left_gui},
    {SDL_SCANCODE_RGUI, key::right_gui},
    {SDL_SCANCODE_APPLICATION, key::application},
    {SDL_SCANCODE_POWER, 0xDE},
    {SDL_SCANCODE_SLEEP, 0xDF},
};

struct lookup_tables {
  std::array<short, SDL_NUM_SCANCODES> to_key{};
  std::array<short, key_code_count> to_scancode{};
  lookup_tables() {
    to_key.fill(-1);
    to_scancode.fill(-1);
    for (const keymap_entry& entry : k_keymap) {
      to_key[entry.sdl_scancode] = static_cast<short>(entry.key_code);
      to_scancode[entry.key_code] = static_cast<short>(entry.sdl_scancode);
    }
    // The ISO key beside Enter is the US backslash key moved; both send one code.
    to_key[SDL_SCANCODE_NONUSHASH] = key::backslash;
  }
};

const lookup_tables& tables() {
  static const lookup_tables t;
  return t;
}

}  // namespace

std::span<const keymap_entry> keymap_entries() { return k_keymap; }

int key_code_from_sdl_scancode(int scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return -1;
  return tables().to_key[scancode];
}

int sdl_scancode_from_key_code(int key_code) {
  if (key_code < 0 || key_code >= key_code_count) return -1;
  return tables().to_scancode[key_code];
}

std::string sdl_scancode_name(int scancode) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return {};
  return SDL_GetScancodeName(static_cast<SDL_Scancode>(scancode));
}

}  // namespace hm::platform
