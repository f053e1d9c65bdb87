#include "mission/frame/bodies.h"

#include <algorithm>

#include "mission/agent/agent_perception.h"
#include "mission/combat/combat_actors.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/weapons/weapon_drop.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr float lying_seconds = 3.0f;
constexpr float fade_seconds = 3.0f;

void set_alpha(agent& a, float alpha) { a.fade_alpha = alpha; }

// The faded body leaves the scene with the scene's next entity update (not at
// once: the scene may be walking its entities), so that it is neither drawn
// nor stepped any more.
void remove_body_entity(mission& m, agent& a) {
  if (a.agent_entity != nullptr && m.scene && m.scene->find_entity(a.agent_entity->id) != nullptr) {
    m.scene->removed_entities.push_back(a.agent_entity->id);
  }
  a.agent_entity = nullptr;
}

}  // namespace

void keep_weapons_on_corpse(mission& m, agent& a, combat_random& random) { drop_weapons_on_death(m, a, random); }

void freeze_body(mission& m, agent& a, int corpse_limit, combat_random& random) {
  const bool player = a.index == m.player_agent;
  if (!a.is_alive()) {
    if (a.agent_entity != nullptr && a.agent_entity->animated_skeleton) a.agent_entity->animated_skeleton->set_frozen(true);
    if (!player) keep_weapons_on_corpse(m, a, random);
  }
  if (player) {
    a.body_frozen = 1;
    return;
  }
  // The physics code lists a body whose ragdoll it stopped; the corpse limit
  // is applied here, once.
  if (a.body_frozen != 0 && !m.corpses.empty() && m.corpses.back() == a.index) m.corpses.pop_back();
  a.body_frozen = 1;
  add_corpse(m, a.index, corpse_limit);
}

void agent_die(mission& m, agent& a, const body_limits& limits, combat_random& random) {
  const float elapsed = a.presence_timer.elapsed();
  if (a.rider_died_state == horse_rider_carrying_dead && a.is_horse() && a.rider >= 0 && elapsed > lying_seconds) {
    if (agent* r = m.get_agent(a.rider)) r->mount = -1;
    a.rider = -1;
    a.rider_died_state = horse_rider_loose;
  }

  if (a.presence == agent_presence_fading && (a.body_frozen != 0 || a.state == agent_state_alive)) {
    set_alpha(a, std::clamp(1.0f - elapsed / fade_seconds, 0.0f, 1.0f));
    if (elapsed > fade_seconds) {
      a.presence = agent_presence_removed;
      remove_body_entity(m, a);
      if (a.state == agent_state_alive) a.state = agent_state_left;
    }
    return;
  }
  if (a.presence != agent_presence_lying) return;

  // A horse leaving the scene. A dead horse is a body like any other, even
  // when it carried a dead rider: it freezes and joins the corpses.
  if (a.rider_died_state != horse_rider_none && a.state == agent_state_alive) {
    if (elapsed > lying_seconds) {
      a.presence = agent_presence_fading;
      a.presence_timer.reset();
    }
    return;
  }

  combat_hooks& hooks = g_combat_hooks();
  if (a.ragdoll == nullptr && a.body_frozen == 0 && elapsed > lying_seconds) {
    freeze_body(m, a, limits.corpse_limit, random);
    return;
  }
  if (limits.live_ragdolls < limits.ragdoll_limit && elapsed > 0.0f && a.ragdoll_timer.elapsed() > 0.0f &&
      a.ragdoll == nullptr && a.body_frozen == 0) {
    hooks.create_ragdoll(m, a);
  }
  if (a.ragdoll != nullptr) {
    const float r = a.ragdoll_timer.elapsed();
    if ((a.ragdoll_settle_early != 0 && r > 10.0f) || r > 30.0f || (r > 1.0f && !hooks.ragdoll_moving(a))) {
      hooks.release_ragdoll(m, a);
      a.ragdoll = nullptr;
      freeze_body(m, a, limits.corpse_limit, random);
    }
  }
}

}  // namespace hm
