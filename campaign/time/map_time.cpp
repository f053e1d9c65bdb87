#include "campaign/time/map_time.h"

#include <algorithm>
#include <cmath>

#include "campaign/ai/party_ai.h"
#include "campaign/game/campaign_scalars.h"
#include "campaign/mover/party_mover.h"
#include "campaign/party/campaign_state.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "script/triggers.h"

namespace hm {

namespace {

// Parties that keep their upkeep paused: hidden ones and those the module
// keeps off the clock.
constexpr std::uint32_t party_flags_no_recovery = 0x100 | 0x80000;
// A party that is removed once it arrives where it was going.
constexpr std::uint32_t party_flag_remove_on_arrival = 0x20000;

enum calendar_index : std::size_t { cal_hour = 0, cal_day, cal_week, cal_month, cal_year };

// The counters take whole units of the hours, as the calendar's length of a
// day, week (7 days), month (30 days) and year (360 days) gives them.
void update_calendar(map_time_context& c) {
  const double hours = campaign_hours(c.world_game);
  auto& cal = c.scalars.calendar;
  const auto whole = [](double v) { return static_cast<std::int32_t>(v); };
  if (const std::int32_t n = whole(hours); n > cal[cal_hour]) {
    cal[cal_hour] = n;
    hourly_update(c);
  }
  if (const std::int32_t n = whole(hours / 24.0); n > cal[cal_day]) {
    cal[cal_day] = n;
    if (c.daily_training) c.daily_training();
  }
  cal[cal_week] = std::max(cal[cal_week], whole(hours / (24.0 * 7.0)));
  cal[cal_month] = std::max(cal[cal_month], whole(hours / (24.0 * 30.0)));
  cal[cal_year] = std::max(cal[cal_year], whole(hours / (24.0 * 360.0)));
}

// Every active party moves; of those that arrived and are to go when they
// arrive, the last one is removed (one a slice, the rest in later ones).
void move_parties(map_time_context& c, float hours) {
  party_pool& pool = c.state.parties;
  std::int32_t arrived = -1;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    party* p = pool.find_active(id);
    if (!p) continue;
    c.map.move_party(*p, hours);
    if (p->current_behaviour == behaviour::arrived && (p->flags & party_flag_remove_on_arrival) != 0)
      arrived = id;
  }
  if (arrived >= 0) c.state.remove_party(arrived);
}

// One slice of campaign time.
void advance_slice(map_time_context& c, float hours, std::int32_t event_code) {
  advance_clock(clock_campaign, hours);
  c.time.encounter_clear = 0;
  run_simple_triggers(c.world_game.simple_triggers, event_code);
  check_triggers(c.world_game.triggers, event_code);
  if (party* p = c.state.find_party(c.state.player_party)) p->changed = 1;
  update_calendar(c);
  move_parties(c, hours);
}

}  // namespace

double campaign_hours(const game& g) {
  return static_cast<double>(clock_ticks(clock_campaign) - g.start_time_stamp) * 0.00001;
}

float map_time_step(const map_time_context& c, float dt, bool ctrl_held) {
  const float multiplier = g_module_settings.time_multiplier;
  if (c.scalars.timed_rest != 0 || c.state.rest_time > 0.0f) {
    const float speed = c.scalars.rest_speed == 0 ? 10.0f : static_cast<float>(c.scalars.rest_speed);
    return speed * multiplier * dt;
  }
  switch (c.time.time_mode) {
    case time_mode_waiting:
      return multiplier * dt * (ctrl_held ? 10.0f : 1.0f);
    case time_mode_travelling: {
      const party* p = c.state.find_party(c.state.player_party);
      if (p && (p->position.x != p->target_point[0] || p->position.y != p->target_point[1]))
        return multiplier * dt;
      return 0.0f;
    }
    default:
      return 0.0f;
  }
}

void advance_map_time(map_time_context& c, float dt, bool ctrl_held) {
  if (c.time.time_frozen != 0) {
    c.time.time_step = 0.0f;
    return;
  }
  const bool resting = c.scalars.timed_rest != 0 || c.state.rest_time > 0.0f;
  const float step = map_time_step(c, dt, ctrl_held);
  const std::int32_t event_code = resting ? time_event_resting : time_event_normal;
  if (resting) c.state.rest_time -= step;
  c.time.time_step = step;

  // A step of 0 still runs the triggers and the parties once.
  float left = step;
  do {
    const float slice = std::min(left, max_time_slice_hours);
    advance_slice(c, slice, event_code);
    left -= slice;
  } while (left > 0.0f);
}

void hourly_update(map_time_context& c) {
  party_pool& pool = c.state.parties;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    party* p = pool.find_active(id);
    if (p && (id == c.state.player_party || (p->flags & party_flags_no_recovery) == 0)) c.state.recover(*p);
  }

  const int hour = static_cast<int>(static_cast<std::int64_t>(campaign_hours(c.world_game)) % 24);
  float& cloud = c.scalars.cloud_amount;
  float& haze = c.scalars.haze_amount;
  cloud += (random_unit_float() - 0.5f) * 0.1f;
  if (hour > 0 && hour < 8 && haze < 0.9f) {
    const float f = cloud > 0.4f ? 1.5f : 1.0f;
    haze += (random_unit_float() - 0.1f) * f * 0.05f;
  } else if (hour > 10 && hour < 18 && haze > 0.1f) {
    const float f = cloud < 0.6f ? 1.5f : 1.0f;
    haze -= (random_unit_float() - 0.1f) * f * 0.05f;
  }
  haze += (cloud - 0.55f) * random_unit_float() * 0.01f;
  haze += (random_unit_float() - 0.5f) * 0.1f;
  haze = std::clamp(haze, 0.0f, 1.0f);
  cloud = std::clamp(cloud, 0.0f, 1.0f);

  // Once a day, in the evening: by chance from 18:00, surely from 22:00.
  const std::int32_t day = c.scalars.calendar[cal_day];
  if (c.scalars.last_report_day < day &&
      ((hour >= 18 && random_unit_float() < 0.25f) || hour >= 22)) {
    if (c.daily_report) c.daily_report();
    c.scalars.last_report_day = day;
  }
}

}  // namespace hm
