#include "mission/combat/combat_hooks.h"

#include "mission/agent/agent_ragdoll.h"
#include "mission/agent/agent_sounds.h"
#include "mission/agent/particle_bursts.h"
#include "mission/ai/agent_reactions.h"
#include "mission/ai/ai_think.h"
#include "mission/anim/agent_actions.h"
#include "mission/anim/agent_skeleton_update.h"
#include "mission/control/locomotion.h"
#include "mission/physics/physics_worlds.h"
#include "mission/physics/scene_surroundings.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/weapons/aim_deviation.h"
#include "mission/weapons/blood_stains.h"
#include "mission/weapons/shield_missiles.h"
#include "mission/weapons/use_weapon.h"
#include "module/records/particle_system.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

// The engine's codes of the blood particle systems.
constexpr int particle_code_blood = 2;
constexpr int particle_code_blood_2 = 3;

combat_hooks make_defaults() {
  combat_hooks h;
  h.set_channel_action = set_channel_action;
  h.play_sound = [](mission& m, agent& a, const std::string& sound, float variation) {
    const sound_random_scope kept;
    agent_sounds().play_slot(m, a, engine_sound_slot(sound.c_str()), variation);
  };
  h.play_contact_sound = [](mission& m, agent& a, int kind) {
    const sound_random_scope kept;
    agent_sounds().play_contact(m, a, kind);
  };
  h.hit_reaction_action = agent_choose_hit_reaction_action;
  h.play_voice = [](mission& m, agent& a, int voice) {
    const sound_random_scope kept;
    agent_sounds().play_voice(m, a, voice);
  };
  h.stick_missile = [](mission&, agent& a, const blow& b) {
    if (b.striking_missile != nullptr) stick_missile_in_body(a, *b.striking_missile, b);
  };
  h.add_blood_stain = [](mission& m, const vec3& at, float size) {
    add_blood_near_point(m, at, size, blood_stain_draw);
  };
  h.emit_blood = [](mission& m, agent&, const blow& b, int count) {
    // The engine's two blood systems spray back against the blow, the
    // heavier the hit the faster.
    const frame where = frame_facing(b.hit_position, b.direction * -1.0f);
    const float rate = (static_cast<float>(count) + 10.0f) * 0.1f;
    for (const int code : {particle_code_blood, particle_code_blood_2}) {
      burst_particles(m, g_particle_systems.codes[code], where, count, rate);
    }
  };
  h.update_label = [](mission&, agent&, const agent_label&) {};
  h.add_message = [](const std::string&, std::uint32_t) {};
  h.create_ragdoll = [](mission& m, agent& a) {
    scene_ragdoll_surroundings around(m.scene.get());
    const agent* mount = a.mount_at_death >= 0 ? m.get_agent(a.mount_at_death) : nullptr;
    const agent* linked = a.linked_agent >= 0 ? m.get_agent(a.linked_agent) : nullptr;
    const bool made = create_agent_ragdoll(physics_worlds, a, mount, linked, around);
    if (made) a.ragdoll_timer.reset();
    return made;
  };
  h.ragdoll_moving = [](const agent& a) { return physics_worlds.is_ragdoll_awake(a.ragdoll_slot); };
  h.release_ragdoll = [](mission& m, agent& a) { stop_agent_ragdoll(physics_worlds, a, m); };
  h.update_rider_turn_angle = [](mission&, agent& a, float dt) { agent_update_rider_turn_angle(a, dt); };
  h.ai_think = [](mission& m, agent& a) {
    agent_ai_think(m, a, m.frame_time);
    agent_get_ai_input(a, a.input);
  };
  h.visual_update = [](mission&, agent&) {};
  h.update_aim_deviation = [](mission& m, agent& a, float) { update_aim_deviation(m, a); };
  h.update_actions = update_actions;
  h.use_weapon = [](mission& m, agent& a, float dt) {
    mission_combat_random random(m.services());
    agent_use_weapon(m, a, dt, random);
  };
  h.update_skeleton = agent_skeleton_update;
  return h;
}

combat_hooks& storage() {
  static combat_hooks hooks = make_defaults();
  return hooks;
}

}  // namespace

combat_hooks& g_combat_hooks() { return storage(); }
void reset_combat_hooks() { storage() = make_defaults(); }

}  // namespace hm
