#pragma once
// A one-shot deadline on a clock of the clock table: armed for some seconds
// from now, it reports once that the time has come and then lies idle until it
// is armed again. Arming an armed timer keeps the deadline it has.
#include <cstdint>

#include "engine/core/timer.h"

namespace hm {

struct deadline_timer {
  timer clock;
  std::uint8_t armed = 0;

  deadline_timer() = default;
  explicit deadline_timer(int clock_id) : clock(clock_id) {}

  void arm(float seconds) {
    if (armed) return;
    clock.start_ticks = clock_ticks(clock.clock_id) + static_cast<std::int64_t>(static_cast<double>(seconds) * 100000.0);
    armed = 1;
  }
  // True once, when armed and the deadline has passed.
  bool poll() {
    if (!armed || clock.elapsed() < 0.0f) return false;
    armed = 0;
    return true;
  }
};

}  // namespace hm
