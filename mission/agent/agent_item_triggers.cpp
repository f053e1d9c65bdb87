#include "mission/agent/agent_item_triggers.h"

#include <cstddef>
#include <cstdint>

#include "mission/records/mission.h"
#include "module/records/item_kind.h"
#include "script/triggers.h"

namespace hm {

void run_agent_item_triggers(mission& m, int agent, int slot, int item_kind, int event_code) {
  if (item_kind < 0 || item_kind >= static_cast<int>(g_item_kinds.size())) return;
  const std::int32_t outer_agent = m.event_agent;
  const std::int32_t outer_slot = m.event_item_slot;
  m.event_agent = agent;
  m.event_item_slot = slot;
  run_simple_triggers(g_item_kinds[static_cast<std::size_t>(item_kind)].triggers, event_code);
  m.event_agent = outer_agent;
  m.event_item_slot = outer_slot;
}

}  // namespace hm
