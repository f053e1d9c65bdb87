#include "mission/combat/combat_hooks.h"

#include "mission/agent/agent.h"

namespace hm {

namespace {

combat_hooks make_defaults() {
  combat_hooks h;
  h.set_channel_action = write_channel_action;
  h.play_sound = [](mission&, agent&, const std::string&, float) {};
  h.play_contact_sound = [](mission&, agent&, int) {};
  h.hit_reaction_action = [](const agent&, int) { return -1; };
  h.play_voice = [](mission&, agent&, int) {};
  h.stick_missile = [](mission&, agent&, const blow&) {};
  h.add_blood_stain = [](mission&, const vec3&, float) {};
  h.emit_blood = [](mission&, agent&, const blow&, int) {};
  h.update_label = [](mission&, agent&, const agent_label&) {};
  h.add_message = [](const std::string&, std::uint32_t) {};
  h.create_ragdoll = [](mission&, agent&) { return false; };
  h.ragdoll_moving = [](const agent&) { return false; };
  h.release_ragdoll = [](mission&, agent& a) { a.ragdoll = nullptr; };
  h.update_actions = [](mission&, agent&, float) {};
  h.use_weapon = [](mission&, agent&, float) {};
  h.update_skeleton = [](mission&, agent&) {};
  return h;
}

combat_hooks& storage() {
  static combat_hooks hooks = make_defaults();
  return hooks;
}

}  // namespace

combat_hooks& g_combat_hooks() { return storage(); }
void reset_combat_hooks() { storage() = make_defaults(); }

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
