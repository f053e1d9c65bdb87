#pragma once
// Two kinds of time.
//
// app_timer measures real seconds for the frame driver: application time, the
// time between frames, and pausing (stopped time does not count).
//
// The clock table holds the game's clocks as 64-bit tick counts, one tick being
// 1e-5 of the clock's unit (100,000 ticks a second on the real-time and mission
// clocks, an hour on the campaign clock). A timer is a clock id and a start
// tick, so a timer on a clock that does not advance does not advance either,
// and timers are saved exactly.
#include <cstdint>

namespace hm {

// --- application timer ----------------------------------------------------------

enum app_timer_command : int {
  app_timer_reset = 0,
  app_timer_start = 1,
  app_timer_stop = 2,
  app_timer_advance = 3,     // steps a stopped timer by 0.1 s
  app_timer_absolute = 4,    // the counter in seconds, stopped or not
  app_timer_application = 5, // seconds since reset, stopped time cut out
  app_timer_elapsed = 6,     // seconds since the last elapsed read (or start, stop)
};

// Runs one command over platform/clock.h's counter. Commands 0 to 3 return 0.0,
// 4 to 6 their time in seconds, anything else -1.0. While the timer is stopped
// every command but reset, start and absolute reads the stop time as the
// current time. Reset runs the timer from the real current time.
double app_timer(int command);

// --- clock table ------------------------------------------------------------------

constexpr int clock_real_time = 0;  // advanced once per frame move
constexpr int clock_campaign = 1;   // the game clock; saved with the game
constexpr int clock_mission = 2;    // advanced by the mission frame
constexpr int clock_count = 5;

constexpr std::int64_t ticks_per_unit = 100000;

// Adds seconds (the clock's unit) to a clock: the increment in ticks is
// seconds * 100000 truncated toward zero. The increment is also kept, in ticks
// and in seconds, as the clock's last increment. An id outside 0..4 is ignored.
void advance_clock(int clock_id, float seconds);

// A clock's tick count; 0 for an id outside 0..4.
std::int64_t clock_ticks(int clock_id);
// Sets a clock's tick count (loading a game); an id outside 0..4 is ignored.
void set_clock_ticks(int clock_id, std::int64_t ticks);
// The last increment of a clock, in ticks and in seconds; 0 outside 0..4.
std::int64_t clock_increment_ticks(int clock_id);
float clock_increment_seconds(int clock_id);
// Every clock and increment back to 0, as in a new process.
void reset_clocks();

// --- timers ---------------------------------------------------------------------------

struct timer {
  std::int32_t clock_id = 0;
  std::int64_t start_ticks = 0;

  timer() = default;
  // A timer on the given clock, started now.
  explicit timer(int clock) : clock_id(clock) { reset(); }

  // Starts counting from the clock's current tick.
  void reset() { start_ticks = clock_ticks(clock_id); }
  // (clock - start) * 1e-5: seconds (or hours on the campaign clock).
  float elapsed() const;
  // Moves the start so that elapsed() reads seconds (to the tick) until the
  // clock advances.
  void set_elapsed(float seconds);
};

// --- frame counter --------------------------------------------------------------------

extern std::uint32_t g_frame_counter;
// Once per frame move.
inline void increment_frame_counter() { ++g_frame_counter; }

}  // namespace hm
