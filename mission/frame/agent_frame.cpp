#include "mission/frame/agent_frame.h"

#include <algorithm>
#include <cmath>

#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/agent_ragdoll.h"
#include "mission/anim/agent_skeleton_update.h"
#include "mission/combat/blows.h"
#include "mission/combat/combat_hooks.h"
#include "mission/control/action_keys.h"
#include "mission/frame/agent_movement.h"
#include "mission/frame/agent_placement.h"
#include "mission/frame/bodies.h"
#include "mission/physics/physics_worlds.h"
#include "mission/physics/scene_surroundings.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "render/scene/scene_world.h"

namespace hm {

float fade_visual_offset(float value, float dt, bool vertical) {
  value = std::clamp(value, -0.3f, 0.3f);
  if (value > 0.001f) {
    value -= (value + 1.0f) * dt;
    return value < 0.0f ? 0.0f : value;
  }
  if (value >= -0.001f) return 0.0f;
  if (vertical)
    value *= (value - 0.7f) * dt * 5.0f + 1.0f;
  else
    value += (1.0f - value) * dt;
  return value > 0.0f ? 0.0f : value;
}

void agent_frame(mission& m, agent& a, float dt, combat_random& random) {
  if (a.presence == agent_presence_removed) return;
  combat_hooks& hooks = g_combat_hooks();
  if (a.label_refresh != 0) {
    const agent_label label = compute_agent_label(m, a);
    a.label_height = label.height;
    hooks.update_label(m, a, label);
    a.label_refresh = 0;
  }
  remember_channel_progress(a);
  read_channel_progress(a);
  play_action_keys(m, a, random);

  hooks.update_rider_turn_angle(m, a, dt);
  // A horse with a rider acts on its rider's input.
  if (a.rider < 0) {
    if (a.controller != agent_controller_player) hooks.ai_think(m, a);
    if (a.mount >= 0) {
      if (agent* horse = m.get_agent(a.mount)) horse->input = a.input;
    }
  }

  if (dt > 0.0f) {
    receive_blow(m, a, random);
    hooks.update_actions(m, a, dt);
    hooks.use_weapon(m, a, dt);
    if (a.mount < 0) update_movement(m, a, dt, random);
  }
  if (a.is_horse()) update_lean_angle(a, dt);
  a.visual_offset.x = fade_visual_offset(a.visual_offset.x, dt, false);
  a.visual_offset.y = fade_visual_offset(a.visual_offset.y, dt, false);
  a.visual_offset.z = fade_visual_offset(a.visual_offset.z, dt, true);
  hooks.visual_update(m, a);
  hooks.update_aim_deviation(m, a, dt);
}

void agent_post_frame(mission& m, agent& a, float dt, combat_random& random) {
  if (a.presence == agent_presence_removed) return;
  combat_hooks& hooks = g_combat_hooks();
  hooks.update_skeleton(m, a, dt);

  if (a.mount >= 0) {
    if (const agent* horse = m.get_agent(a.mount)) {
      a.body_frame = horse->body_frame;
      a.velocity = horse->velocity;
      a.motion = horse->motion;
      a.ground_face = horse->ground_face;
      a.forward_speed = horse->forward_speed;
      a.side_speed = horse->side_speed;
      a.movement_flags = horse->movement_flags;
      a.visual_offset = horse->visual_offset;
      a.position_valid = horse->position_valid;
    }
  }

  if (a.is_horse() && a.presence == agent_presence_active && a.rider_died_state != horse_rider_none && a.rider < 0) {
    const vec3& p = a.position();
    if (p.x < m.scene_min_x + 1.0f || p.y < m.scene_min_y + 1.0f || p.x > m.scene_max_x - 1.0f ||
        p.y > m.scene_max_y - 1.0f) {
      a.presence = agent_presence_lying;
      a.presence_timer.reset();
      a.label_refresh = 1;
    }
  }

  body_limits limits;
  limits.corpse_limit = g_game_options.corpse_limit;
  limits.ragdoll_limit = g_game_options.ragdoll_limit;
  limits.live_ragdolls = physics_worlds.worlds_created;
  agent_die(m, a, limits, random);

  scene_ragdoll_surroundings around(m.scene.get());
  update_agent_ragdoll(physics_worlds, a, m, around, clock_increment_seconds(clock_mission));

  if (a.voice_channel >= 0 && a.voice_timer.elapsed() > a.voice_duration) a.voice_channel = -1;
}

}  // namespace hm
