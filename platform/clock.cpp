#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace hm::platform {
namespace {
clock_source* g_source = nullptr;
using steady = std::chrono::steady_clock;
}

std::int64_t counter_now() {
  if (g_source) return g_source->counter_now();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(steady::now().time_since_epoch()).count();
}

std::int64_t counter_frequency() {
  if (g_source) return g_source->counter_frequency();
  return 1000000000;
}

std::uint32_t milliseconds_now() {
  if (g_source) return g_source->milliseconds_now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(steady::now().time_since_epoch()).count();
  return static_cast<std::uint32_t>(ms);
}

void sleep_milliseconds(unsigned ms) {
  if (g_source) return g_source->sleep_milliseconds(ms);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void set_clock_source(clock_source* source) { g_source = source; }

}  // namespace hm::platform
