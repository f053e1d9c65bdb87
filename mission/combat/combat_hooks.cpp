#include "mission/combat/combat_hooks.h"

#include <cstddef>

#include "mission/records/agent.h"

namespace hm {

// The hooks in force and their defaults live with the engine's other defaults
// (mission/defaults/), which know every part of the mission they call.

void write_channel_action(agent& a, int channel, int action, std::uint32_t flags, float speed) {
  if (channel < 0 || channel > 1) return;
  action_channel& c = a.channels[static_cast<std::size_t>(channel)];
  const std::uint32_t priority = flags & 0x1FFFFu;
  if (c.action >= 0 && c.priority() > priority && action >= 0) return;
  c.action = action;
  c.flags = flags;
  c.progress = 0.0f;
  c.requested_action = -1;
  c.speed = speed;
}

}  // namespace hm
