#pragma once
// The one record of keyboard and mouse state, refreshed once per frame. Every
// consumer reads keys by key code (platform/input.h): the keyboard's codes,
// the mouse buttons at 224..231 and the wheel steps at 238 (up) and 239 (down),
// so that a control can be bound to any of them alike. It also derives a
// smoothed mouse movement and a key-repeat pulse.
#include <cstdint>

#include "engine/core/timer.h"
#include "platform/input/input.h"

namespace hm {

namespace platform {
class window;
}

struct input_state {
  // The devices read by update; either may be null and is then not read. Not owned.
  platform::keyboard_device* keyboard = nullptr;
  platform::mouse_device* mouse = nullptr;

  std::int32_t keys[256] = {};           // this frame, non-zero = down
  std::int32_t previous_keys[256] = {};  // the previous frame
  float mouse_dx = 0.0f;                 // this frame's movement, relative counts
  float mouse_dy = 0.0f;
  float mouse_dz = 0.0f;                 // the wheel
  float smoothed_dx = 0.0f;
  float smoothed_dy = 0.0f;
  timer repeat_timer{clock_real_time};
  timer wheel_timer{clock_real_time};
  std::int32_t key_repeat = 0;  // 1 in a frame in which held keys repeat

  // Once per frame move with the frame's time step in seconds (clock 0 has
  // already been advanced by it): keys, mouse, smoothing, key repeat.
  void update(float seconds);
  // Down now and up in the previous frame. False for a code outside 0..255.
  bool is_key_clicked(int key_code) const;
  bool is_key_down(int key_code) const;
  // The two device reads of update; both return 0. A lost device gets one
  // acquire attempt per frame and the frame keeps the previous key states.
  int read_keyboard();
  int read_mouse();
};

extern input_state g_input_state;

// Attaches a window's keyboard and mouse to g_input_state: the window's input
// events go to the window devices and the input state reads those.
void connect_window_input(platform::window& window);

// The frame move's input step: g_input_state.update(seconds).
void update_input(float seconds);

}  // namespace hm
