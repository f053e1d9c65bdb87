#include <gtest/gtest.h>

#include <cstdint>

#include "engine/core/timer.h"
#include "platform/clock.h"

namespace {

using namespace hm;

// A counter of one million counts a second that moves only when told.
class fake_clock : public platform::clock_source {
 public:
  std::int64_t now = 0;
  static constexpr std::int64_t frequency = 1000000;

  void set_seconds(double seconds) { now = origin + static_cast<std::int64_t>(seconds * frequency); }

  std::int64_t counter_now() override { return now; }
  std::int64_t counter_frequency() override { return frequency; }
  std::uint32_t milliseconds_now() override { return static_cast<std::uint32_t>(now / 1000); }
  void sleep_milliseconds(unsigned ms) override { now += static_cast<std::int64_t>(ms) * 1000; }

  // A real counter is far from zero; so is this one.
  static constexpr std::int64_t origin = 123456789000;
};

class AppTimer : public testing::Test {
 protected:
  void SetUp() override {
    platform::set_clock_source(&clock);
    clock.set_seconds(0);
    app_timer(app_timer_reset);
  }
  void TearDown() override { platform::set_clock_source(nullptr); }

  double at(double seconds, int command) {
    clock.set_seconds(seconds);
    return app_timer(command);
  }

  fake_clock clock;
};

TEST_F(AppTimer, StoppedIntervalIsCutOutOfApplicationTime) {
  EXPECT_DOUBLE_EQ(at(4, app_timer_application), 4.0);
  at(10, app_timer_stop);
  EXPECT_DOUBLE_EQ(at(12, app_timer_application), 10.0);
  at(15, app_timer_start);
  EXPECT_DOUBLE_EQ(at(16, app_timer_application), 11.0);
  EXPECT_DOUBLE_EQ(app_timer(app_timer_absolute),
                   static_cast<double>(clock.now) / static_cast<double>(fake_clock::frequency));
}

TEST_F(AppTimer, StoppedTimerMovesOnlyByAdvances) {
  at(2, app_timer_elapsed);
  at(3, app_timer_stop);
  EXPECT_DOUBLE_EQ(at(5, app_timer_elapsed), 0.0);
  EXPECT_DOUBLE_EQ(at(6, app_timer_application), 3.0);
  at(7, app_timer_stop);  // stopping again changes nothing
  EXPECT_DOUBLE_EQ(app_timer(app_timer_application), 3.0);

  for (int step = 1; step <= 3; ++step) {
    EXPECT_DOUBLE_EQ(app_timer(app_timer_advance), 0.0);
    EXPECT_DOUBLE_EQ(app_timer(app_timer_elapsed), 0.1) << "step " << step;
    EXPECT_DOUBLE_EQ(app_timer(app_timer_elapsed), 0.0);
  }
  EXPECT_NEAR(app_timer(app_timer_application), 3.3, 1e-12);

  // Absolute time always reads the real counter.
  const double absolute = at(8, app_timer_absolute);
  EXPECT_DOUBLE_EQ(absolute, static_cast<double>(clock.now) / static_cast<double>(fake_clock::frequency));

  // On starting, the advanced steps stay in application time.
  at(20, app_timer_start);
  EXPECT_NEAR(at(21, app_timer_application), 4.3, 1e-12);
  EXPECT_DOUBLE_EQ(app_timer(app_timer_elapsed), 1.0);
}

TEST_F(AppTimer, AdvanceOnARunningTimerChangesNothing) {
  at(1, app_timer_advance);
  EXPECT_DOUBLE_EQ(at(2, app_timer_application), 2.0);
  EXPECT_DOUBLE_EQ(at(3, app_timer_elapsed), 3.0);
  EXPECT_DOUBLE_EQ(at(4, app_timer_elapsed), 1.0);
}

TEST_F(AppTimer, CommandResults) {
  clock.set_seconds(9);
  for (int command : {0, 1, 2, 3}) EXPECT_EQ(app_timer(command), 0.0) << command;
  for (int command : {-1, 7, 100}) EXPECT_EQ(app_timer(command), -1.0) << command;
}

TEST_F(AppTimer, ResetClearsAStop) {
  at(5, app_timer_stop);
  at(8, app_timer_reset);
  EXPECT_DOUBLE_EQ(at(9, app_timer_application), 1.0);
  EXPECT_DOUBLE_EQ(app_timer(app_timer_elapsed), 1.0);
}

class Clocks : public testing::Test {
 protected:
  void SetUp() override { reset_clocks(); }
  void TearDown() override { reset_clocks(); }
};

TEST_F(Clocks, AdvanceTruncatesTowardZeroAndKeepsTheIncrement) {
  struct advance_case {
    float seconds;
    std::int64_t ticks;
  };
  const advance_case cases[] = {
      {0.016f, 1600}, {0.000015f, 1}, {-0.000015f, -1}, {0.000009f, 0}, {1.0f, 100000}, {-2.5f, -250000},
  };
  for (const auto& c : cases) {
    set_clock_ticks(clock_mission, 1000);
    advance_clock(clock_mission, c.seconds);
    EXPECT_EQ(clock_ticks(clock_mission), 1000 + c.ticks) << c.seconds;
    EXPECT_EQ(clock_increment_ticks(clock_mission), c.ticks) << c.seconds;
    EXPECT_EQ(clock_increment_seconds(clock_mission), c.seconds);
  }
  EXPECT_EQ(clock_ticks(clock_real_time), 0);  // other clocks untouched
  EXPECT_EQ(clock_increment_ticks(clock_real_time), 0);
}

TEST_F(Clocks, InvalidIdsReadZeroAndChangeNothing) {
  for (int id : {-1, clock_count, 7}) {
    advance_clock(id, 1.0f);
    set_clock_ticks(id, 99);
    EXPECT_EQ(clock_ticks(id), 0);
    EXPECT_EQ(clock_increment_ticks(id), 0);
  }
  for (int id = 0; id < clock_count; ++id) EXPECT_EQ(clock_ticks(id), 0);
}

TEST_F(Clocks, TimersFollowTheirOwnClock) {
  advance_clock(clock_real_time, 3.0f);
  timer real(clock_real_time);
  timer mission(clock_mission);
  EXPECT_EQ(real.start_ticks, 300000);

  advance_clock(clock_real_time, 0.25f);
  EXPECT_FLOAT_EQ(real.elapsed(), 0.25f);
  EXPECT_EQ(mission.elapsed(), 0.0f);  // a clock that does not advance

  mission.set_elapsed(2.5f);
  EXPECT_EQ(mission.elapsed(), 2.5f);
  EXPECT_EQ(mission.elapsed(), 2.5f);
  advance_clock(clock_mission, 0.5f);
  EXPECT_EQ(mission.elapsed(), 3.0f);
  mission.reset();
  EXPECT_EQ(mission.elapsed(), 0.0f);

  // The campaign clock is saved and loaded as its tick count; a timer
  // restored with it reads the same.
  set_clock_ticks(clock_campaign, 600000);
  timer campaign(clock_campaign);
  advance_clock(clock_campaign, 1.5f);
  const std::int64_t saved = clock_ticks(clock_campaign);
  reset_clocks();
  set_clock_ticks(clock_campaign, saved);
  EXPECT_EQ(clock_ticks(clock_campaign), 750000);
  EXPECT_FLOAT_EQ(campaign.elapsed(), 1.5f);
}

TEST(FrameCounter, CountsFrameMoves) {
  const std::uint32_t before = g_frame_counter;
  increment_frame_counter();
  increment_frame_counter();
  EXPECT_EQ(g_frame_counter, before + 2);
}

}  // namespace
