#pragma once
// Reading trigger lists and simple-trigger lists out of module files (mission
// templates, map icons, presentations, scene props, item kinds and the game's
// own triggers.txt and simple_triggers.txt).
#include <cstdint>

#include "engine/core/ruv_string.h"

namespace hm {

class text_reader;
struct trigger_list;
struct simple_trigger_list;

// Count, then per trigger the check, delay and re-arm intervals and the
// condition and consequence blocks, named "<prefix> trigger no: <i>
// conditions" and "... consequences". The old triggers are dropped; each new
// one's three timers start now on the list's clock.
void load_triggers(trigger_list& list, text_reader& reader, const ruv_string& prefix);

// Count n, then per trigger the interval and the block, named "<prefix> trigger
// no: <i>". The list gets n + spare records; the spare ones stay empty for the
// caller to fill. Every record's clock is the list's clock and its last run is
// now. Returns n.
std::int32_t load_simple_triggers(simple_trigger_list& list, text_reader& reader, const ruv_string& prefix,
                                  std::int32_t spare = 0);

// Moves the list and all its timers to a clock, restarted at its current tick.
void set_trigger_clock(trigger_list& list, std::int32_t clock_id);
void set_simple_trigger_clock(simple_trigger_list& list, std::int32_t clock_id);

}  // namespace hm
