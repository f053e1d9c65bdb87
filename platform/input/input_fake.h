#pragma once
// Scriptable keyboard and mouse for tests and headless runs: a test presses
// keys, moves the mouse and can take the device away, and counts the reads and
// acquire attempts the input state makes.
#include <array>
#include <cstdint>

#include "platform/input/input.h"

namespace hm::platform {

class fake_keyboard final : public keyboard_device {
 public:
  void press(int key_code) { keys[key_code] = 0x80; }
  void release(int key_code) { keys[key_code] = 0; }

  input_status read_state(std::array<std::uint8_t, key_code_count>& out) override;
  input_status acquire() override;

  std::array<std::uint8_t, key_code_count> keys{};
  // While true, reads report `lost`; acquire() succeeds only when `can_acquire`.
  bool lost = false;
  bool can_acquire = true;
  int read_calls = 0;
  int acquire_calls = 0;
};

class fake_mouse final : public mouse_device {
 public:
  void move(int dx, int dy) { pending.x += dx; pending.y += dy; }
  void turn_wheel(int notches) { pending.z += notches * wheel_notch; }
  void press(int button) { pending.buttons[button] = 0x80; }
  void release(int button) { pending.buttons[button] = 0; }

  // Hands out the pending movement and clears it, like a relative device.
  input_status read_state(mouse_report& report) override;
  input_status acquire() override;

  mouse_report pending{};
  bool lost = false;
  bool can_acquire = true;
  int read_calls = 0;
  int acquire_calls = 0;
};

}  // namespace hm::platform
