#pragma once
// A timer that fires once when its deadline has passed; arming an armed
// timer keeps the deadline it has.
#include <cstdint>

#include "engine/core/timer.h"

namespace hm {

struct deadline_timer {
  timer deadline{clock_mission};
  std::uint8_t armed = 0;

  // Sets the deadline `seconds` from now, unless already armed.
  void arm(float seconds);
  // True once the deadline has passed (then disarmed); false otherwise.
  bool poll();
};

}  // namespace hm
