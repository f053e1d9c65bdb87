#include "mission/frame/agent_placement.h"

#include "mission/combat/combat_actors.h"
#include "mission/frame/agent_movement.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "module/text/translation_table.h"
#include "module/troops/troop.h"

namespace hm {

bool place_on_ground(mission& m, agent& a, combat_random& random) {
  const vec3 start = a.position();
  vec3 p = start;
  ground_probe ground;
  bool found = false;
  for (int tries = 0; tries < 100 && !found; ++tries) {
    found = probe_ground(m, p, ground);
    if (found) break;
    p.x += (random.unit() - 0.5f) * 0.01f;
    p.y += (random.unit() - 0.5f) * 0.01f;
    if (tries == 30 || tries == 60) p = start;
  }
  if (!found) return false;
  a.position() = vec3(p.x, p.y, ground.height);
  a.ground_face = ground.ground_face;
  for (float& v : a.ai.personality) v = (random.unit() - 0.5f) * 2.0f;
  a.ai.movement_value = 5.0f;
  a.spawn_position = a.position();
  const troop* t = agent_troop_record(a);
  a.placed_flag = t != nullptr && (t->flags & 15u) == 1u ? 0 : 1;
  a.placed_value = 9;
  return true;
}

agent_label compute_agent_label(const mission& m, const agent& a) {
  agent_label label;
  const agent* player = m.get_live_agent(m.player_agent);
  if (player != nullptr) {
    if (player->team == a.team)
      label.colour = 0xFF44FF44u;
    else if (m.teams_are_allies(player->team, a.team))
      label.colour = 0xFF4444FFu;
  }
  if (a.is_alive())
    label.height = a.mount >= 0 ? 2.65f : 1.88f;
  if (a.kind != agent_kind_human || a.index == m.player_agent || !m.template_has_flag_bit1() || player == nullptr ||
      !m.teams_are_allies(player->team, a.team) || a.presence == agent_presence_lying)
    return label;
  if (const troop* t = agent_troop_record(a)) label.text = t->name.c_str();
  return label;
}

}  // namespace hm
