#include "platform/clock.h"

#include <gtest/gtest.h>

namespace hm::platform {
namespace {

TEST(clock, the_real_counter_moves_forward_with_sleep) {
  const std::int64_t frequency = counter_frequency();
  ASSERT_GT(frequency, 0);
  const std::int64_t before = counter_now();
  const std::uint32_t ms_before = milliseconds_now();
  sleep_milliseconds(20);
  const std::int64_t after = counter_now();
  // At least the slept time has passed on both counters (sleeping never returns early).
  EXPECT_GE(after - before, frequency * 20 / 1000);
  EXPECT_GE(static_cast<std::uint32_t>(milliseconds_now() - ms_before), 20u);
}

struct fake_clock : clock_source {
  std::int64_t counter = 1000;
  std::uint32_t ms = 0xFFFFFFF0u;  // about to wrap
  unsigned slept = 0;
  std::int64_t counter_now() override { return counter; }
  std::int64_t counter_frequency() override { return 100; }
  std::uint32_t milliseconds_now() override { return ms; }
  void sleep_milliseconds(unsigned m) override {
    slept += m;
    counter += m / 10;
    ms += m;
  }
};

TEST(clock, an_injected_source_replaces_every_call_until_removed) {
  fake_clock fake;
  set_clock_source(&fake);
  EXPECT_EQ(counter_now(), 1000);
  EXPECT_EQ(counter_frequency(), 100);
  const std::uint32_t start = milliseconds_now();
  sleep_milliseconds(100);
  EXPECT_EQ(fake.slept, 100u);
  EXPECT_EQ(counter_now(), 1010);
  EXPECT_EQ(static_cast<std::uint32_t>(milliseconds_now() - start), 100u);  // across the wrap
  set_clock_source(nullptr);
  EXPECT_NE(counter_frequency(), 100);
}

}  // namespace
}  // namespace hm::platform
