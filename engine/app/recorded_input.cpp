#include "engine/app/recorded_input.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace hm {

namespace {

// The largest movement one event may make: far beyond any real mouse, small
// enough that a frame's sum of events cannot overflow the report's counts.
constexpr std::int64_t max_move = 1'000'000;
constexpr std::int64_t max_notches = 1'000;
// A frame number a run could reach.
constexpr std::int64_t max_frame = std::numeric_limits<std::uint32_t>::max();

std::vector<std::string_view> split_words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A whole word as a number in [low, high]; decimal, or hexadecimal after "0x".
bool read_number(std::string_view word, std::int64_t low, std::int64_t high, std::int64_t& out) {
  int base = 10;
  bool negative = false;
  if (!word.empty() && word.front() == '-') {
    negative = true;
    word.remove_prefix(1);
  }
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    word.remove_prefix(2);
  }
  if (word.empty()) return false;
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v, base);
  if (ec != std::errc() || end != word.data() + word.size()) return false;
  if (negative) v = -v;
  if (v < low || v > high) return false;
  out = v;
  return true;
}

}  // namespace

bool parse_recorded_input(std::string_view text, std::vector<recorded_input_event>& out,
                          recorded_input_error& error) {
  out.clear();
  int line_number = 0;
  std::uint32_t last_frame = 0;
  auto fail = [&](std::string message) {
    error.line = line_number;
    error.message = std::move(message);
    out.clear();
    return false;
  };
  while (!text.empty()) {
    ++line_number;
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::vector<std::string_view> w = split_words(line);
    if (w.empty() || w[0].front() == '#') continue;
    if (w.size() < 2) return fail("a frame and an event are needed");
    std::int64_t frame = 0;
    if (!read_number(w[0], 1, max_frame, frame)) return fail("the frame must be a number from 1 on");
    if (static_cast<std::uint32_t>(frame) < last_frame) return fail("the events must come in frame order");
    last_frame = static_cast<std::uint32_t>(frame);
    recorded_input_event e;
    e.frame = last_frame;
    const std::string_view what = w[1];
    auto up_or_down = [&](std::string_view word) {
      if (word == "down") {
        e.down = true;
        return true;
      }
      return word == "up";
    };
    std::int64_t a = 0, b = 0;
    if (what == "key") {
      e.what = recorded_input_event::kind::key;
      if (w.size() != 4 || !read_number(w[2], 0, platform::keyboard_key_count - 1, a) || !up_or_down(w[3]))
        return fail("a key event is: <frame> key <code 0..223> down|up");
      e.code = static_cast<std::int32_t>(a);
    } else if (what == "button") {
      e.what = recorded_input_event::kind::button;
      if (w.size() != 4 || !read_number(w[2], 0, platform::mouse_button_count - 1, a) || !up_or_down(w[3]))
        return fail("a button event is: <frame> button <0..7> down|up");
      e.code = static_cast<std::int32_t>(a);
    } else if (what == "move") {
      e.what = recorded_input_event::kind::move;
      if (w.size() != 4 || !read_number(w[2], -max_move, max_move, a) || !read_number(w[3], -max_move, max_move, b))
        return fail("a move event is: <frame> move <dx> <dy>, each within a million counts");
      e.dx = static_cast<std::int32_t>(a);
      e.dy = static_cast<std::int32_t>(b);
    } else if (what == "wheel") {
      e.what = recorded_input_event::kind::wheel;
      if (w.size() != 3 || !read_number(w[2], -max_notches, max_notches, a))
        return fail("a wheel event is: <frame> wheel <notches>, within a thousand");
      e.dx = static_cast<std::int32_t>(a);
    } else {
      return fail("unknown event \"" + std::string(what.substr(0, 32)) + "\" (key, button, move or wheel)");
    }
    out.push_back(e);
  }
  return true;
}

recorded_input::recorded_input(std::vector<recorded_input_event> events) : events_(std::move(events)) {}

void recorded_input::advance_to(std::uint32_t frame) {
  for (; next_ < events_.size() && events_[next_].frame <= frame; ++next_) {
    const recorded_input_event& e = events_[next_];
    const std::uint8_t state = e.down ? 0x80 : 0;
    switch (e.what) {
      case recorded_input_event::kind::key:
        keyboard_.keys[static_cast<std::size_t>(e.code)] = state;
        break;
      case recorded_input_event::kind::button:
        mouse_.pending.buttons[static_cast<std::size_t>(e.code)] = state;
        break;
      case recorded_input_event::kind::move:
        // Movement is bounded per event; a frame's total is kept within the
        // report's range however many events it has.
        mouse_.pending.x = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{mouse_.pending.x} + e.dx, -max_move * 100, max_move * 100));
        mouse_.pending.y = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{mouse_.pending.y} + e.dy, -max_move * 100, max_move * 100));
        break;
      case recorded_input_event::kind::wheel:
        mouse_.pending.z = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            std::int64_t{mouse_.pending.z} + std::int64_t{e.dx} * platform::wheel_notch, -max_move * 100,
            max_move * 100));
        break;
    }
  }
}

platform::input_status recorded_input::replayed_keyboard::read_state(std::array<std::uint8_t, platform::key_code_count>& out) {
  out = keys;
  return platform::input_status::ok;
}

platform::input_status recorded_input::replayed_mouse::read_state(platform::mouse_report& report) {
  report = pending;
  // Movement is handed out once, like a relative device; buttons stay.
  pending.x = pending.y = pending.z = 0;
  return platform::input_status::ok;
}

}  // namespace hm
