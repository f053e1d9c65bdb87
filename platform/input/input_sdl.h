#pragma once
// The keyboard and mouse devices of a real window. They listen to the window's
// event pump (platform/window.h), keep the key table by engine key code and sum
// the mouse movement until the input state reads them once a frame.
#include <array>
#include <cstdint>

#include "platform/input/input.h"
#include "platform/window.h"

namespace hm::platform {

class window_input_devices final : public input_listener {
 public:
  window_input_devices();
  window_input_devices(const window_input_devices&) = delete;
  window_input_devices& operator=(const window_input_devices&) = delete;

  // Key, mouse-button, motion and wheel events; also the window's activated and
  // deactivated events when the frame passes them on.
  void on_input_event(const window_event& event) override;

  // Losing the focus releases every key and button and makes the next reads
  // report `lost`; acquiring succeeds again once the focus is back.
  void set_focus(bool focused);

  keyboard_device& keyboard() { return keyboard_; }
  mouse_device& mouse() { return mouse_; }

 private:
  class keyboard_part final : public keyboard_device {
   public:
    explicit keyboard_part(window_input_devices& owner) : owner_(owner) {}
    input_status read_state(std::array<std::uint8_t, key_code_count>& keys) override;
    input_status acquire() override;

   private:
    window_input_devices& owner_;
  };
  class mouse_part final : public mouse_device {
   public:
    explicit mouse_part(window_input_devices& owner) : owner_(owner) {}
    input_status read_state(mouse_report& report) override;
    input_status acquire() override;

   private:
    window_input_devices& owner_;
  };

  std::array<std::uint8_t, key_code_count> keys_{};
  mouse_report pending_{};
  bool focused_ = true;
  bool keyboard_lost_ = false;
  bool mouse_lost_ = false;
  keyboard_part keyboard_;
  mouse_part mouse_;
};

// The program's one pair of window input devices.
window_input_devices& window_input();

}  // namespace hm::platform
