#include "platform/input/input_fake.h"

namespace hm::platform {

input_status fake_keyboard::read_state(std::array<std::uint8_t, key_code_count>& out) {
  ++read_calls;
  if (lost) return input_status::lost;
  out = keys;
  return input_status::ok;
}

input_status fake_keyboard::acquire() {
  ++acquire_calls;
  if (!can_acquire) return input_status::lost;
  lost = false;
  return input_status::ok;
}

input_status fake_mouse::read_state(mouse_report& report) {
  ++read_calls;
  if (lost) return input_status::lost;
  report = pending;
  pending.x = pending.y = pending.z = 0;
  return input_status::ok;
}

input_status fake_mouse::acquire() {
  ++acquire_calls;
  if (!can_acquire) return input_status::lost;
  lost = false;
  return input_status::ok;
}

}  // namespace hm::platform
