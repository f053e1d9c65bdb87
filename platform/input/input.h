#pragma once
// Keyboard and mouse devices as the engine's input state reads them: a
// 256-entry key table indexed by the engine's key codes (the numbering that
// controls.dat stores), relative mouse counts, eight buttons and the wheel.
//
// Key codes 0..223 are keyboard scan codes in the classic PC set-1 numbering,
// keys sent with the 0xE0 prefix at 0x80 + their code. 224..231 are mouse
// buttons 0..7, 238 a wheel step up and 239 a wheel step down; those are
// filled by the input state, not by a keyboard device.
#include <array>
#include <cstdint>

namespace hm::platform {

inline constexpr int key_code_count = 256;
inline constexpr int keyboard_key_count = 224;
inline constexpr int mouse_button_first = 224;
inline constexpr int mouse_button_count = 8;
inline constexpr int wheel_up_key = 238;
inline constexpr int wheel_down_key = 239;
// The wheel count of one notch, as the engine's mouse state reports it.
inline constexpr int wheel_notch = 120;

// Key codes of the standard 104/105-key keyboard.
namespace key {
inline constexpr int escape = 0x01;
inline constexpr int digit_1 = 0x02;  // digits 1..9 are 0x02..0x0A, 0 is 0x0B
inline constexpr int digit_0 = 0x0B;
inline constexpr int minus = 0x0C;
inline constexpr int equals = 0x0D;
inline constexpr int backspace = 0x0E;
inline constexpr int tab = 0x0F;
inline constexpr int q = 0x10, w = 0x11, e = 0x12, r = 0x13, t = 0x14, y = 0x15, u = 0x16, i = 0x17,
                     o = 0x18, p = 0x19;
inline constexpr int left_bracket = 0x1A;
inline constexpr int right_bracket = 0x1B;
inline constexpr int enter = 0x1C;
inline constexpr int left_control = 0x1D;
inline constexpr int a = 0x1E, s = 0x1F, d = 0x20, f = 0x21, g = 0x22, h = 0x23, j = 0x24, k = 0x25,
                     l = 0x26;
inline constexpr int semicolon = 0x27;
inline constexpr int apostrophe = 0x28;
inline constexpr int grave = 0x29;
inline constexpr int left_shift = 0x2A;
inline constexpr int backslash = 0x2B;
inline constexpr int z = 0x2C, x = 0x2D, c = 0x2E, v = 0x2F, b = 0x30, n = 0x31, m = 0x32;
inline constexpr int comma = 0x33;
inline constexpr int period = 0x34;
inline constexpr int slash = 0x35;
inline constexpr int right_shift = 0x36;
inline constexpr int keypad_multiply = 0x37;
inline constexpr int left_alt = 0x38;
inline constexpr int space = 0x39;
inline constexpr int caps_lock = 0x3A;
inline constexpr int f1 = 0x3B;  // F1..F10 are 0x3B..0x44
inline constexpr int f10 = 0x44;
inline constexpr int num_lock = 0x45;
inline constexpr int scroll_lock = 0x46;
inline constexpr int keypad_7 = 0x47, keypad_8 = 0x48, keypad_9 = 0x49;
inline constexpr int keypad_minus = 0x4A;
inline constexpr int keypad_4 = 0x4B, keypad_5 = 0x4C, keypad_6 = 0x4D;
inline constexpr int keypad_plus = 0x4E;
inline constexpr int keypad_1 = 0x4F, keypad_2 = 0x50, keypad_3 = 0x51, keypad_0 = 0x52;
inline constexpr int keypad_period = 0x53;
inline constexpr int non_us_backslash = 0x56;  // the extra key of the 105-key layout
inline constexpr int f11 = 0x57;
inline constexpr int f12 = 0x58;
inline constexpr int f13 = 0x64, f14 = 0x65, f15 = 0x66;
inline constexpr int keypad_equals = 0x8D;
inline constexpr int keypad_enter = 0x9C;
inline constexpr int right_control = 0x9D;
inline constexpr int mute = 0xA0;
inline constexpr int volume_down = 0xAE;
inline constexpr int volume_up = 0xB0;
inline constexpr int keypad_divide = 0xB5;
inline constexpr int print_screen = 0xB7;
inline constexpr int right_alt = 0xB8;
inline constexpr int pause = 0xC5;
inline constexpr int home = 0xC7;
inline constexpr int up = 0xC8;
inline constexpr int page_up = 0xC9;
inline constexpr int left = 0xCB;
inline constexpr int right = 0xCD;
inline constexpr int end = 0xCF;
inline constexpr int down = 0xD0;
inline constexpr int page_down = 0xD1;
inline constexpr int insert = 0xD2;
inline constexpr int del = 0xD3;
inline constexpr int left_gui = 0xDB;
inline constexpr int right_gui = 0xDC;
inline constexpr int application = 0xDD;
}  // namespace key

// Result of a device read or acquire. `lost` means the device was taken away
// (the window lost the focus) and must be acquired again; `not_acquired` means
// an acquire attempt did not succeed yet.
enum class input_status { ok, lost, not_acquired };

// One frame's mouse report: movement since the previous read in relative
// counts (z is the wheel, wheel_notch per notch, positive away from the user)
// and the eight buttons (0x80 down).
struct mouse_report {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t z = 0;
  std::array<std::uint8_t, mouse_button_count> buttons{};
};

class keyboard_device {
 public:
  virtual ~keyboard_device() = default;
  // Fills all 256 bytes by key code (0x80 down); codes 224..255 stay 0.
  virtual input_status read_state(std::array<std::uint8_t, key_code_count>& keys) = 0;
  virtual input_status acquire() = 0;
};

class mouse_device {
 public:
  virtual ~mouse_device() = default;
  // Movement accumulated since the previous successful read, and the buttons.
  virtual input_status read_state(mouse_report& report) = 0;
  virtual input_status acquire() = 0;
};

}  // namespace hm::platform
