#include "mission/combat/combat_actors.h"

#include "mission/combat/defence.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/loading/game.h"
#include "module/troops/troop.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

item agent_wielded_item(const agent& a, int hand) {
  if (hand < 0 || hand > 1) return item{};
  const int slot = a.wielded_slots[static_cast<std::size_t>(hand)];
  if (slot < 0 || slot >= agent_equipment_slot_count) return item{};
  return a.equipment[static_cast<std::size_t>(slot)];
}

const item_kind* item_kind_of(const item& it) { return it.kind < 0 ? nullptr : it.get_kind(); }

const troop* agent_troop_record(const agent& a) {
  if (a.troop < 0 || !g_game) return nullptr;
  return g_game->find_troop(a.troop);
}

int agent_troop_skill(const mission&, const agent& a, int skill) {
  const troop* t = agent_troop_record(a);
  return t == nullptr ? -1 : t->get_skill_level(skill);
}

int agent_skill_or_zero(const mission& m, const agent& a, int skill) {
  const int level = agent_troop_skill(m, a, skill);
  return level < 0 ? 0 : level;
}

frame agent_bone_world_frame(const agent& a, int bone) {
  if (a.agent_entity != nullptr) {
    const skeleton_instance* s = a.agent_entity->animated_skeleton.get();
    if (s != nullptr && bone >= 0 && bone < s->bone_count && bone < static_cast<int>(s->bones.size()))
      return a.agent_entity->frame.transform_frame_to_global(s->bones[static_cast<std::size_t>(bone)].pose_frame);
  }
  frame f = a.body_frame;
  f.origin.z += a.is_horse() ? 1.3f : 1.2f;
  return f;
}

vec3 agent_world_velocity(const mission& m, const agent& a) {
  if (a.mount >= 0) {
    const agent* horse = m.get_agent(a.mount);
    if (horse != nullptr) return horse->forward() * horse->forward_speed;
  }
  return vec3(a.velocity.x, a.velocity.y, 0.0f);
}

}  // namespace hm
