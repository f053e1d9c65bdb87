#include "script/triggers.h"

#include <cmath>

#include "engine/core/random.h"
#include "script/executor.h"
#include "script/script_host.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

// The screen-change code on which a run of simple triggers for a positive odd
// event stops.
constexpr int stop_simple_triggers_code = 18;

std::int64_t truncate_ticks(float ticks) {
  if (!(std::fabs(ticks) < 9.0e18f)) return 0;
  return static_cast<std::int64_t>(ticks);
}

}  // namespace

std::int32_t trigger_event_code(float interval) {
  const std::int64_t code = round_half_down(interval);
  if (code < INT32_MIN) return INT32_MIN;
  if (code > INT32_MAX) return INT32_MAX;
  return static_cast<std::int32_t>(code);
}

void check_trigger(trigger& t, std::int32_t event_code) {
  if (t.state == trigger_rearming) {
    if (t.rearm_timer.elapsed() < t.rearm_interval) return;
    t.state = trigger_idle;
    t.check_timer.reset();
  }
  if (t.state == trigger_idle) {
    if (t.is_event_trigger()) {
      if (trigger_event_code(t.check_interval) == event_code && run_statement_block(t.conditions, event_code)) {
        run_statement_block(t.consequences, event_code);
        t.rearm_timer.reset();
        t.state = trigger_rearming;
      }
      return;
    }
    if (event_code < 0) return;
    if (t.check_timer.elapsed() < t.check_interval) return;
    t.check_timer.reset();
    if (!run_statement_block(t.conditions, event_code)) return;
    t.delay_timer.reset();
    t.state = trigger_delaying;
  }
  if (t.state == trigger_delaying) {
    if (t.delay_timer.elapsed() < t.delay_interval) return;
    run_statement_block(t.consequences, event_code);
    t.rearm_timer.reset();
    t.state = trigger_rearming;
  }
}

void check_triggers(trigger_list& list, std::int32_t event_code) {
  // By index: a block may not add or remove triggers, but the count is read
  // afresh in case the list is rebuilt under it.
  for (int i = 0; i < list.count(); ++i) check_trigger(list.triggers[static_cast<std::size_t>(i)], event_code);
}

void randomise_trigger_phases(trigger_list& list) {
  for (trigger& t : list.triggers) {
    const int r = random_next() % 15817;
    const float ticks = static_cast<float>(r) * t.check_interval * 0.00006322312f * 100000.0f;
    t.check_timer.start_ticks = clock_ticks(t.check_timer.clock_id) - truncate_ticks(ticks);
  }
}

void check_simple_trigger(simple_trigger& t, std::int32_t event_code) {
  if (t.is_event_trigger()) {
    if (trigger_event_code(t.interval) == event_code) {
      std::int32_t param_count = 0;
      execute_statement_block(t.block, event_code, 0, param_count, nullptr, -1);
    }
    return;
  }
  if (event_code < 0 || t.run_timer.elapsed() < t.interval) return;
  t.run_timer.reset();
  run_statement_block(t.block, event_code);
}

void run_simple_triggers(simple_trigger_list& list, std::int32_t event_code) {
  const bool stoppable = event_code > 0 && (event_code & 1) != 0;
  for (int i = 0; i < list.count(); ++i) {
    check_simple_trigger(list.triggers[static_cast<std::size_t>(i)], event_code);
    const game_script_words& words = current_script_host().campaign->game_words();
    if (stoppable && words.screen_change_code == stop_simple_triggers_code) return;
  }
}

}  // namespace hm
