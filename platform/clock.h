#pragma once
// Monotonic time for the engine's timers.
#include <cstdint>

namespace hm::platform {

// A monotonic counter and its frequency in counts per second.
std::int64_t counter_now();
std::int64_t counter_frequency();
// Milliseconds since an arbitrary start, wrapping like a 32-bit millisecond count.
std::uint32_t milliseconds_now();
void sleep_milliseconds(unsigned ms);

// Tests replace the clock with their own; null restores the real one.
struct clock_source {
  virtual ~clock_source() = default;
  virtual std::int64_t counter_now() = 0;
  virtual std::int64_t counter_frequency() = 0;
  virtual std::uint32_t milliseconds_now() = 0;
  virtual void sleep_milliseconds(unsigned ms) = 0;
};
void set_clock_source(clock_source* source);

}  // namespace hm::platform
