#pragma once
// Campaign time on the world map: how many game hours pass in a frame, the
// campaign clock, the module's triggers on it, and the hourly, daily and
// weekly work that hangs on the calendar counters.
#include <cstdint>
#include <functional>

namespace hm {

class game;
struct campaign_state;
struct campaign_scalars;
class campaign_world_map;

// The world map frame's words about time.
inline constexpr std::int32_t time_mode_stopped = 0;
inline constexpr std::int32_t time_mode_travelling = 1;
inline constexpr std::int32_t time_mode_waiting = 2;

struct map_time_state {
  // While set no campaign time passes and nothing on campaign time runs.
  std::uint8_t time_frozen = 0;
  std::int32_t time_mode = time_mode_stopped;
  // The game hours that passed in the last frame (0: the map shows paused).
  float time_step = 0.0f;
  // Cleared every frame before the triggers run.
  std::int32_t encounter_clear = 0;
};

// Trigger event codes of a frame: travelling or waiting, and resting.
inline constexpr std::int32_t time_event_normal = 1;
inline constexpr std::int32_t time_event_resting = 0x10001;

// The longest slice of campaign time handled at once. A frame that passes
// more (a long rest) is cut into slices of at most this many hours, so that
// every hourly, daily and weekly trigger and every new hour's work runs in
// its turn instead of once for the whole step.
inline constexpr float max_time_slice_hours = 1.0f;

// What one frame of campaign time works on. The two hooks are the parts of
// the day that other work supplies (the evening report and the daily
// training); each runs when set.
struct map_time_context {
  game& world_game;
  campaign_state& state;
  campaign_scalars& scalars;
  campaign_world_map& map;
  map_time_state& time;
  std::function<void()> daily_report;
  std::function<void()> daily_training;
};

// The game hours of a frame of dt real seconds, by the rest state and the
// time mode; ctrl_held speeds up waiting ten times.
float map_time_step(const map_time_context& c, float dt, bool ctrl_held);

// One frame of the world map's campaign time: the step of map_time_step,
// then per slice the clock, the triggers with the frame's event code, the
// calendar counters with the hourly update and the daily training, and the
// parties' movement; the rest time drops by the step.
void advance_map_time(map_time_context& c, float dt, bool ctrl_held);

// The work of one new game hour: recovery of the parties, the weather and
// the evening's daily report.
void hourly_update(map_time_context& c);

// The game hours since the campaign began.
double campaign_hours(const game& g);

}  // namespace hm
