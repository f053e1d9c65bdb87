#pragma once
// A keyboard and a mouse that replay a recorded input file, frame by frame,
// for runs without a person. The input state reads them like the window's
// devices, so every screen sees the recorded keys the way it sees real ones.
//
// The file is text, one event a line; blank lines and lines starting with '#'
// are skipped. Frames count from 1, the program's first frame:
//   <frame> key <code> down|up      a key by engine key code (decimal or 0x..)
//   <frame> button <0..7> down|up   a mouse button
//   <frame> move <dx> <dy>          mouse movement in relative counts
//   <frame> wheel <notches>         wheel notches (positive away from the user)
// Events must come in frame order. A key stays down until its "up".
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/input/input.h"

namespace hm {

struct recorded_input_event {
  enum class kind : std::uint8_t { key, button, move, wheel };
  std::uint32_t frame = 0;
  kind what = kind::key;
  // The key code or button; the movement or notches.
  std::int32_t code = 0;
  std::int32_t dx = 0;
  std::int32_t dy = 0;
  bool down = false;
};

// The first fault of a recorded input file: its line and what is wrong.
struct recorded_input_error {
  int line = 0;
  std::string message;
};

// Parses a recorded input file's text; false (with the first fault) for a
// line that is not one of the forms above, a value out of its range or a
// frame before the one of the line above.
bool parse_recorded_input(std::string_view text, std::vector<recorded_input_event>& out,
                          recorded_input_error& error);

class recorded_input {
 public:
  explicit recorded_input(std::vector<recorded_input_event> events);

  // Applies the events of every frame up to and including `frame`; the
  // devices' next reads show them.
  void advance_to(std::uint32_t frame);
  // Whether events are left for later frames.
  bool finished() const { return next_ >= events_.size(); }

  platform::keyboard_device& keyboard() { return keyboard_; }
  platform::mouse_device& mouse() { return mouse_; }

 private:
  class replayed_keyboard final : public platform::keyboard_device {
   public:
    platform::input_status read_state(std::array<std::uint8_t, platform::key_code_count>& out) override;
    platform::input_status acquire() override { return platform::input_status::ok; }
    std::array<std::uint8_t, platform::key_code_count> keys{};
  };
  class replayed_mouse final : public platform::mouse_device {
   public:
    platform::input_status read_state(platform::mouse_report& report) override;
    platform::input_status acquire() override { return platform::input_status::ok; }
    platform::mouse_report pending{};
  };

  std::vector<recorded_input_event> events_;
  std::size_t next_ = 0;
  replayed_keyboard keyboard_;
  replayed_mouse mouse_;
};

}  // namespace hm
