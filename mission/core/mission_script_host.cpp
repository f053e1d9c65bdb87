#include "mission/core/mission_script_host.h"

#include "mission/core/mission.h"
#include "mission/core/mission_services.h"

namespace hm {

namespace {

// Context words of the event triggers whose object is a prop instance or an
// agent.
constexpr int context_prop_placed = -40;
constexpr int context_prop_struck = -42;
constexpr int context_prop_destroyed = -43;
constexpr int context_agent_a = -50;
constexpr int context_agent_b = -51;

}  // namespace

int mission_script_host::agent_slot_count() const { return mission_.agents.count(); }

bool mission_script_host::agent_slot_in_use(int agent) const { return mission_.get_live_agent(agent) != nullptr; }

int mission_script_host::first_live_agent() const { return mission_.first_live_agent(); }

int mission_script_host::next_live_agent(int agent) const { return mission_.next_live_agent(agent); }

int mission_script_host::scene_prop_instance_count() const { return mission_.prop_instance_count(); }

slot_vector* mission_script_host::agent_slots(int agent) {
  hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? &a->slots : nullptr;
}

int mission_script_host::agent_troop(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->troop : -1;
}

int mission_script_host::mission_value() const { return mission_.script_value; }

bool mission_script_host::event_object_position(int context, vec3& out) const {
  if (context == context_prop_placed || context == context_prop_struck || context == context_prop_destroyed) {
    const scene_prop_instance* p = mission_.get_scene_prop_instance(mission_.event_prop_instance);
    if (p == nullptr) return false;
    out = p->current_frame.origin;
    return true;
  }
  if (context == context_agent_a || context == context_agent_b) {
    const hm::agent* a = mission_.get_live_agent(mission_.event_agent);
    if (a == nullptr) return false;
    out = a->position();
    return true;
  }
  return false;
}

bool mission_script_host::ground_height_in_scene(float x, float y, float& out) const {
  if (!(x >= mission_.scene_min_x && x < mission_.scene_max_x && y >= mission_.scene_min_y &&
        y < mission_.scene_max_y)) {
    return false;
  }
  // Asked from high above, the ground is the topmost face under the point.
  return mission_.services().ground_height(mission_, vec3(x, y, 100000.0f), out);
}

int mission_script_host::player_agent() const { return mission_.player_agent; }

int mission_script_host::agent_state(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->state : 0;
}

int mission_script_host::agent_team(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->team : -1;
}

int mission_script_host::team_member_count(int team) const {
  if (team < 0 || team >= team_count) return 0;
  int n = 0;
  for_each_live_agent(mission_.agents, [&n, team](const hm::agent& a) {
    if (a.team == team && a.is_alive() && !a.is_horse()) ++n;
  });
  return n;
}

int mission_script_host::team_relation(int team_a, int team_b) const {
  if (team_a < 0 || team_a >= team_count || team_b < 0 || team_b >= team_count) return 0;
  return mission_.team_relation(team_a, team_b);
}

float mission_script_host::seconds_since_reference() const { return mission_.mission_timers[0].elapsed(); }

void mission_script_host::heal_agent(int agent) {
  if (hm::agent* a = mission_.get_live_agent(agent)) a->hit_points = a->max_hit_points;
}

bool mission_script_host::has_mission() const { return mission_.template_index >= 0; }

void mission_script_host::clear_spawn_flags() { mission_.blocked_spawn_records.fill(0); }

void mission_script_host::count_spawn_group_agents(int, int) {
  // Spawning keeps the pending counts of each entry; until it lands there is
  // nothing to count into.
}

}  // namespace hm
