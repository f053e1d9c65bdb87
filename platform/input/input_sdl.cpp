#include "platform/input/input_sdl.h"

#include "platform/input/input_keymap.h"

namespace hm::platform {

window_input_devices::window_input_devices() : keyboard_(*this), mouse_(*this) {}

void window_input_devices::on_input_event(const window_event& event) {
  switch (event.kind) {
    case window_event_kind::key_down:
    case window_event_kind::key_up: {
      const int code = key_code_from_sdl_scancode(event.scancode);
      if (code < 0 || code >= keyboard_key_count) return;
      // A release always counts, so that no key stays held after the focus moves.
      if (event.kind == window_event_kind::key_up)
        keys_[code] = 0;
      else if (focused_)
        keys_[code] = 0x80;
      return;
    }
    case window_event_kind::mouse_button_down:
    case window_event_kind::mouse_button_up:
      if (event.button < 0 || event.button >= mouse_button_count) return;
      if (event.kind == window_event_kind::mouse_button_up)
        pending_.buttons[event.button] = 0;
      else if (focused_)
        pending_.buttons[event.button] = 0x80;
      return;
    case window_event_kind::mouse_move:
      if (!focused_) return;
      pending_.x += event.dx;
      pending_.y += event.dy;
      return;
    case window_event_kind::mouse_wheel:
      if (!focused_) return;
      pending_.z += event.dy * wheel_notch;
      return;
    case window_event_kind::activated:
      set_focus(true);
      return;
    case window_event_kind::deactivated:
      set_focus(false);
      return;
    default:
      return;
  }
}

void window_input_devices::set_focus(bool focused) {
  if (focused == focused_) return;
  focused_ = focused;
  if (!focused) {
    keys_.fill(0);
    pending_ = mouse_report{};
    keyboard_lost_ = true;
    mouse_lost_ = true;
  }
}

input_status window_input_devices::keyboard_part::read_state(
    std::array<std::uint8_t, key_code_count>& keys) {
  if (owner_.keyboard_lost_) return input_status::lost;
  keys = owner_.keys_;
  return input_status::ok;
}

input_status window_input_devices::keyboard_part::acquire() {
  if (!owner_.focused_) return input_status::not_acquired;
  owner_.keyboard_lost_ = false;
  return input_status::ok;
}

input_status window_input_devices::mouse_part::read_state(mouse_report& report) {
  if (owner_.mouse_lost_) return input_status::lost;
  report = owner_.pending_;
  owner_.pending_.x = owner_.pending_.y = owner_.pending_.z = 0;
  return input_status::ok;
}

input_status window_input_devices::mouse_part::acquire() {
  if (!owner_.focused_) return input_status::not_acquired;
  owner_.mouse_lost_ = false;
  return input_status::ok;
}

window_input_devices& window_input() {
  static window_input_devices devices;
  return devices;
}

}  // namespace hm::platform
