#include "module/records/trigger_loaders.h"

#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/base/module_text.h"
#include "script/triggers.h"

namespace hm {

void load_triggers(trigger_list& list, text_reader& reader, const ruv_string& prefix) {
  const std::int32_t count = read_record_count(reader, "triggers", prefix.c_str());
  std::int32_t i = 0;
  read_records(reader, list.triggers, count, [&](trigger& t, text_reader& r) {
    t.check_timer = timer(list.clock_id);
    t.delay_timer = timer(list.clock_id);
    t.rearm_timer = timer(list.clock_id);
    r.read_float(t.check_interval);
    r.read_float(t.delay_interval);
    r.read_float(t.rearm_interval);
    load_statement_block(t.conditions, r);
    t.conditions.name = format_name("%s trigger no: %d conditions", prefix.c_str(), i);
    load_statement_block(t.consequences, r);
    t.consequences.name = format_name("%s trigger no: %d consequences", prefix.c_str(), i);
    ++i;
  });
}

std::int32_t load_simple_triggers(simple_trigger_list& list, text_reader& reader, const ruv_string& prefix,
                                  std::int32_t spare) {
  const std::int32_t n = read_record_count(reader, "simple triggers", prefix.c_str());
  std::int32_t i = 0;
  read_records(reader, list.triggers, n, [&](simple_trigger& t, text_reader& r) {
    t.run_timer = timer(list.clock_id);
    r.read_float(t.interval);
    load_statement_block(t.block, r);
    t.block.name = format_name("%s trigger no: %d", prefix.c_str(), i);
    ++i;
  });
  // The spare records stay empty for the caller.
  for (std::int32_t k = 0; k < spare; ++k) {
    list.triggers.emplace_back();
    list.triggers.back().run_timer = timer(list.clock_id);
  }
  return n;
}

void set_trigger_clock(trigger_list& list, std::int32_t clock_id) {
  list.clock_id = clock_id;
  for (trigger& t : list.triggers) {
    t.check_timer = timer(clock_id);
    t.delay_timer = timer(clock_id);
    t.rearm_timer = timer(clock_id);
  }
}

void set_simple_trigger_clock(simple_trigger_list& list, std::int32_t clock_id) {
  list.clock_id = clock_id;
  for (simple_trigger& t : list.triggers) t.run_timer = timer(clock_id);
}

}  // namespace hm
