#include "engine/app/input_state.h"

#include <algorithm>
#include <array>

#include "platform/input/input_sdl.h"

namespace hm {

input_state g_input_state;

namespace {

constexpr std::int64_t k_repeat_delay_ticks = 80000;     // 0.8 s after the last change
constexpr std::int64_t k_repeat_interval_ticks = 15000;  // then every 0.15 s
constexpr float k_wheel_step_interval = 0.5f;

}  // namespace

int input_state::read_keyboard() {
  if (!keyboard) return 0;
  std::array<std::uint8_t, platform::key_code_count> state{};
  if (keyboard->read_state(state) == platform::input_status::ok) {
    for (int k = 0; k < platform::keyboard_key_count; ++k) keys[k] = state[k] & 0x80;
  } else {
    // One attempt a frame: a device that cannot be had yet is tried again next
    // frame instead of spinning here. The keys keep their previous values.
    keyboard->acquire();
  }
  return 0;
}

int input_state::read_mouse() {
  if (!mouse) return 0;
  platform::mouse_report report;
  if (mouse->read_state(report) == platform::input_status::ok) {
    for (int i = 0; i < platform::mouse_button_count; ++i)
      keys[platform::mouse_button_first + i] = report.buttons[i] & 0x80;
    keys[platform::wheel_up_key] = 0;
    keys[platform::wheel_down_key] = 0;
    mouse_dx = static_cast<float>(report.x);
    mouse_dy = static_cast<float>(report.y);
    mouse_dz = static_cast<float>(report.z);
    if (report.z != 0 && wheel_timer.elapsed() > k_wheel_step_interval) {
      keys[report.z >= 1 ? platform::wheel_up_key : platform::wheel_down_key] = 1;
      wheel_timer.reset();
    }
  } else {
    mouse->acquire();
    // The buttons keep their states; but movement and wheel steps are events of
    // one frame, and repeating the last ones would turn the view on its own.
    mouse_dx = mouse_dy = mouse_dz = 0.0f;
    keys[platform::wheel_up_key] = 0;
    keys[platform::wheel_down_key] = 0;
  }
  return 0;
}

void input_state::update(float seconds) {
  std::copy(std::begin(keys), std::end(keys), std::begin(previous_keys));
  read_keyboard();
  read_mouse();

  const float f = std::max(1.0f - seconds * 0.14f, 0.2f);
  smoothed_dx *= f;
  smoothed_dy *= f;
  if (mouse_dx != 0.0f || mouse_dy != 0.0f) {
    smoothed_dx = smoothed_dx * 0.5f + mouse_dx;
    smoothed_dy = smoothed_dy * 0.5f + mouse_dy;
  }

  if (!std::equal(std::begin(keys), std::end(keys), std::begin(previous_keys))) {
    repeat_timer.start_ticks = clock_ticks(repeat_timer.clock_id) + k_repeat_delay_ticks;
  }
  key_repeat = 0;
  if (clock_ticks(repeat_timer.clock_id) - repeat_timer.start_ticks > 0) {
    key_repeat = 1;
    repeat_timer.start_ticks = clock_ticks(repeat_timer.clock_id) + k_repeat_interval_ticks;
  }
}

bool input_state::is_key_clicked(int key_code) const {
  if (key_code < 0 || key_code >= platform::key_code_count) return false;
  return keys[key_code] != 0 && previous_keys[key_code] == 0;
}

bool input_state::is_key_down(int key_code) const {
  if (key_code < 0 || key_code >= platform::key_code_count) return false;
  return keys[key_code] != 0;
}

void connect_window_input(platform::window& window) {
  platform::window_input_devices& devices = platform::window_input();
  window.set_input_listener(&devices);
  g_input_state.keyboard = &devices.keyboard();
  g_input_state.mouse = &devices.mouse();
}

void update_input(float seconds) { g_input_state.update(seconds); }

}  // namespace hm
