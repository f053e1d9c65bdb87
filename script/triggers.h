#pragma once
// Triggers and simple triggers: module code that runs by itself on a clock of
// the clock table, or when the engine raises an event code.
//
// A trigger checks its conditions every check interval, waits its delay after
// they hold, runs its consequences, and waits its re-arm time before it checks
// again. A simple trigger runs its block every interval. A negative interval
// makes either an event trigger that answers one event code instead.
#include <cstdint>
#include <vector>

#include "engine/core/timer.h"
#include "script/operation.h"

namespace hm {

enum trigger_state : std::int32_t {
  trigger_idle = 0,       // checking its conditions
  trigger_delaying = 1,   // conditions met, delay running
  trigger_rearming = 2,   // consequences ran, re-arm running
};

struct trigger {
  // Time between checks (seconds, or hours on the campaign clock); -0.1 or
  // below makes an event trigger.
  float check_interval = 0.0f;
  float delay_interval = 0.0f;
  float rearm_interval = 0.0f;
  std::int32_t state = trigger_idle;
  statement_block conditions;
  statement_block consequences;
  timer check_timer;
  timer delay_timer;
  timer rearm_timer;

  bool is_event_trigger() const { return check_interval <= -0.1f; }
};

// The triggers of the game or of a mission template, and the clock their
// timers run on.
struct trigger_list {
  std::vector<trigger> triggers;
  std::int32_t clock_id = 0;

  int count() const { return static_cast<int>(triggers.size()); }
};

struct simple_trigger {
  // Time between runs; below -1.0 an event code.
  float interval = 0.0f;
  statement_block block;
  // Its start is the last run.
  timer run_timer;

  bool is_event_trigger() const { return interval < -1.0f; }
};

struct simple_trigger_list {
  std::vector<simple_trigger> triggers;
  std::int32_t clock_id = 0;

  int count() const { return static_cast<int>(triggers.size()); }
};

// The event code of a negative interval: rounded with halves going down, so
// -2.5 gives -3.
std::int32_t trigger_event_code(float interval);

// One step of a trigger's state machine for an event argument (0 or more for
// the timed checks, an event code otherwise). Its blocks run with the event
// argument as their context word.
void check_trigger(trigger& t, std::int32_t event_code);
// check_trigger on every trigger of the list in order.
void check_triggers(trigger_list& list, std::int32_t event_code);
// Puts each trigger's first timed check at a random point of its first
// interval (one draw of the engine's random source per trigger, in order).
void randomise_trigger_phases(trigger_list& list);

void check_simple_trigger(simple_trigger& t, std::int32_t event_code);
// check_simple_trigger on each trigger in order; for a positive odd event code
// the run stops once the game's pending screen change is 18.
void run_simple_triggers(simple_trigger_list& list, std::int32_t event_code);

}  // namespace hm
