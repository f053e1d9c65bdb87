// The mission frame: one fixed order of steps, so that every human acts
// before any horse, every agent's post-frame follows all frames, and the
// figures the AI reads next frame are refreshed after everyone moved.
#include <cmath>

#include "mission/records/mission.h"
#include "mission/records/mission_services.h"

namespace hm {

namespace {

constexpr float missile_retire_seconds = 1.0f;
constexpr float missile_lowest_height = -100.0f;

bool missile_is_done(const missile& m) {
  const bool resting = m.state == missile_stuck || m.state == missile_hit_agent || m.state == missile_spent;
  return (resting && m.state_timer.elapsed() > missile_retire_seconds) || m.position.z < missile_lowest_height;
}

}  // namespace

void mission::frame(float frame_time_seconds, bool check_reinforcements_now) {
  mission_services& s = services();

  s.refresh_shadow_passes(*this);

  if (!s.physics_thread_enabled() && frame_time_seconds > 0.0f) s.step_physics(*this, frame_time_seconds);

  // The clock's increment entry keeps this frame's ticks for whoever reads
  // the mission's frame length in ticks.
  advance_clock(clock_mission, frame_time_seconds);
  frame_time = frame_time_seconds;

  if ((frame_counter & 15u) == 1u) {
    for (entry_point& e : entry_points) e.reset_spawn_position();
  }

  if (check_reinforcements_now) s.check_reinforcements(*this);

  // Never on the first settling frame of set-up.
  if (frame_counter != 0) s.check_template_triggers(*this);

  for (int slot = first_live_missile(); slot < missiles.count(); next_live_missile(slot)) {
    missile& m = *missiles.get(slot);
    s.update_missile(*this, m, frame_time_seconds);
    if (!missile_is_done(m)) continue;
    if (m.entity != nullptr) stuck_missiles.push_back(m.entity);
    missiles.retire(slot);
  }

  // At most one a frame, so a volley coming to rest does not stall a frame.
  if (static_cast<int>(stuck_missiles.size()) > stuck_missile_limit) {
    const int count = static_cast<int>(stuck_missiles.size());
    const int pick = count == 1 ? 0 : s.random_next() % count;
    hm::entity* e = stuck_missiles[static_cast<std::size_t>(pick)];
    stuck_missiles[static_cast<std::size_t>(pick)] = stuck_missiles.back();
    stuck_missiles.pop_back();
    if (e != nullptr) s.remove_scene_entity(*this, *e);
  }

  for (scene_prop_instance& p : scene_prop_instances) p.update_animation(frame_time_seconds);

  // A record taken from the pool but never spawned has nothing to step.
  const auto spawned = [](const agent& a) { return a.state != agent_state_none; };
  for (int i = first_live_agent(); i < agents.count(); i = next_live_agent(i)) {
    agent& a = *get_agent(i);
    if (spawned(a) && a.kind != agent_kind_horse) s.agent_frame(*this, a, frame_time_seconds);
  }
  for (int i = first_live_agent(); i < agents.count(); i = next_live_agent(i)) {
    agent& a = *get_agent(i);
    if (spawned(a) && a.kind == agent_kind_horse) s.agent_frame(*this, a, frame_time_seconds);
  }
  for (int i = first_live_agent(); i < agents.count(); i = next_live_agent(i)) {
    agent& a = *get_agent(i);
    if (spawned(a)) s.agent_post_frame(*this, a, frame_time_seconds);
  }

  update_editor_marker_visibility();

  if (river_entity != nullptr) {
    river_phase += frame_time_seconds * 0.04f;
    if (river_phase >= 100.0f) river_phase = std::fmod(river_phase, 1.0f);
    const float flow = static_cast<float>(clock_ticks(clock_mission) % 1000000000) * 7.5e-6f;
    s.set_river_animation(*this, river_phase, flow);
  }

  update_team_statistics();

  s.update_scene_entities(*this, frame_time_seconds);

  update_team_census();

  ++frame_counter;

  if (s.physics_thread_enabled()) s.add_pending_physics_time(frame_time_seconds);
}

}  // namespace hm
