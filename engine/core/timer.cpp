#include "engine/core/timer.h"

#include <cmath>

#include "platform/clock.h"

namespace hm {

std::uint32_t g_frame_counter = 0;

// --- application timer ----------------------------------------------------------

namespace {

struct app_timer_state {
  // Counter values; stop_time 0 means the timer is running.
  std::int64_t base_time = 0;
  std::int64_t last_elapsed_time = 0;
  std::int64_t stop_time = 0;
  bool stopped = false;
};

app_timer_state g_app_timer;

double counts_to_seconds(std::int64_t counts, std::int64_t frequency) {
  return static_cast<double>(counts) / static_cast<double>(frequency);
}

}  // namespace

double app_timer(int command) {
  if (command < app_timer_reset || command > app_timer_elapsed) return -1.0;
  app_timer_state& t = g_app_timer;
  const std::int64_t frequency = platform::counter_frequency();
  if (frequency <= 0) return 0.0;

  // A stopped timer stands still at its stop time. Start and absolute always
  // look at the real counter, and so does reset: it ends a stop, and counting
  // from the old stop time would leave the stopped interval in the new time.
  const bool real_now = t.stop_time == 0 || command == app_timer_start || command == app_timer_absolute ||
                        command == app_timer_reset;
  const std::int64_t now = real_now ? platform::counter_now() : t.stop_time;

  switch (command) {
    case app_timer_reset:
      t.stop_time = 0;
      t.stopped = false;
      t.base_time = now;
      t.last_elapsed_time = now;
      return 0.0;
    case app_timer_start:
      // Cut the stopped interval out of application time.
      if (t.stopped) t.base_time += now - t.stop_time;
      t.stop_time = 0;
      t.stopped = false;
      t.last_elapsed_time = now;
      return 0.0;
    case app_timer_stop:
      if (!t.stopped) {
        t.stop_time = now;
        t.last_elapsed_time = now;
        t.stopped = true;
      }
      return 0.0;
    case app_timer_advance:
      // Only a stopped timer can be stepped: on a running one the step would
      // freeze time at a stop time near the counter's origin.
      if (t.stopped) t.stop_time += frequency / 10;
      return 0.0;
    case app_timer_absolute:
      return counts_to_seconds(now, frequency);
    case app_timer_application:
      return counts_to_seconds(now - t.base_time, frequency);
    case app_timer_elapsed: {
      const double seconds = counts_to_seconds(now - t.last_elapsed_time, frequency);
      t.last_elapsed_time = now;
      return seconds;
    }
  }
  return -1.0;
}

// --- clock table ------------------------------------------------------------------

namespace {

struct clock_table {
  // Each clock's ticks, then each clock's last increment in ticks: the
  // increment of clock i lies clock_count entries after it.
  std::int64_t ticks[clock_count * 2] = {};
  float increment_seconds[clock_count] = {};
};

clock_table g_clocks;

bool valid_clock(int clock_id) { return clock_id >= 0 && clock_id < clock_count; }

// Truncation toward zero; values no 64-bit count can hold (or not a number)
// give 0 rather than an undefined conversion.
std::int64_t truncate_ticks(double ticks) {
  if (!(std::fabs(ticks) < 9.0e18)) return 0;
  return static_cast<std::int64_t>(ticks);
}

}  // namespace

void advance_clock(int clock_id, float seconds) {
  if (!valid_clock(clock_id)) return;
  const std::int64_t increment = truncate_ticks(static_cast<double>(seconds) * 100000.0);
  g_clocks.ticks[clock_count + clock_id] = increment;
  g_clocks.ticks[clock_id] += increment;
  g_clocks.increment_seconds[clock_id] = seconds;
}

std::int64_t clock_ticks(int clock_id) { return valid_clock(clock_id) ? g_clocks.ticks[clock_id] : 0; }

void set_clock_ticks(int clock_id, std::int64_t ticks) {
  if (valid_clock(clock_id)) g_clocks.ticks[clock_id] = ticks;
}

std::int64_t clock_increment_ticks(int clock_id) {
  return valid_clock(clock_id) ? g_clocks.ticks[clock_count + clock_id] : 0;
}

float clock_increment_seconds(int clock_id) {
  return valid_clock(clock_id) ? g_clocks.increment_seconds[clock_id] : 0.0f;
}

void reset_clocks() { g_clocks = clock_table{}; }

// --- timers ---------------------------------------------------------------------------

float timer::elapsed() const {
  return static_cast<float>(static_cast<double>(clock_ticks(clock_id) - start_ticks) * 1e-5);
}

void timer::set_elapsed(float seconds) {
  start_ticks = clock_ticks(clock_id) - truncate_ticks(static_cast<double>(seconds * 100000.0f));
}

}  // namespace hm
