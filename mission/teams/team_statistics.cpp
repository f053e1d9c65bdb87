// Figures the mission keeps per team for the AI, which reads them instead of
// scanning every agent itself: group sizes and centres, each agent's place in
// its group, the leader, the group's facing towards the enemy, and how many
// agents target each agent. They are refreshed every 1.1 s of mission time;
// only the follow points move every frame.
#include <algorithm>
#include <cmath>

#include "mission/records/mission.h"
#include "mission/records/mission_services.h"

namespace hm {

namespace {

constexpr float merge_distance = 1.0f;
constexpr float facing_keep = 0.8f;
constexpr float facing_turn = 0.2f;

vec3 movement_direction(const agent& a) {
  const vec3 flat(a.velocity.x, a.velocity.y, 0.0f);
  if (flat.length_squared() > 1e-6f) return get_normalized(flat);
  return a.forward();
}

float depth_offset_of_team(int team, float current) {
  switch (team) {
    case 0:
      return -0.7f;
    case 1:
      return 0.0f;
    case 2:
      return 1.2f;
    default:
      return current;
  }
}

}  // namespace

void mission::update_team_statistics() {
  // Groups that follow their leader take its place every frame.
  for (team& t : teams) {
    agent* leader = get_live_agent(t.leader);
    if (leader == nullptr) continue;
    for (team_group& g : t.groups) {
      if (g.mode != group_order_follow_leader) continue;
      g.follow_point = leader->position();
      g.follow_face = services().update_ground_face(*this, *leader);
      g.follow_direction = movement_direction(*leader);
    }
  }

  const std::int64_t now = clock_ticks(statistics_clock);
  if (now < statistics_due_tick) return;
  statistics_due_tick = now + team_statistics_period_ticks;

  for (team& t : teams) {
    for (team_group& g : t.groups) {
      g.size = 0.0f;
      g.centre_sum = vec3();
    }
  }

  for_each_live_agent(agents, [this](agent& a) {
    if (a.state != agent_state_alive || a.kind != agent_kind_human) return;
    team_group& g = team_of(a.team).groups[static_cast<std::size_t>(agent_mounted_state(a))];
    // Two agents share each place but the first: 0, 0, 1, 2, ...
    a.ai.slot_in_group = static_cast<std::int32_t>(g.size > 0.0f ? g.size - 0.99999988f : g.size);
    g.size += 1.0f;
    g.centre_sum += a.position();
  });

  for (team& t : teams) {
    for (std::size_t i = 0; i < t.groups.size(); ++i) {
      team_group& g = t.groups[i];
      float merged = g.size;
      for (std::size_t j = 0; j < t.groups.size(); ++j) {
        if (j == i) continue;
        if ((t.groups[j].follow_point - g.follow_point).length_squared() <= merge_distance * merge_distance) {
          merged += t.groups[j].size;
        }
      }
      g.merged_size = merged;
      g.merged_size_half = merged / 2.0f;
    }
  }

  for (int ti = 0; ti < team_count; ++ti) {
    team& t = teams[static_cast<std::size_t>(ti)];
    const agent* leader = get_live_agent(t.leader);
    if (leader == nullptr || leader->state == agent_state_alive) continue;
    for (int i = first_live_agent(); i < agents.count(); i = next_live_agent(i)) {
      const agent& a = *get_agent(i);
      if (a.state == agent_state_alive && a.kind != agent_kind_horse && agent_team_index(a.team) == ti) {
        t.leader = i;
        break;
      }
    }
  }

  for (team& t : teams) {
    for (team_group& g : t.groups) {
      // A group without agents keeps its last centre.
      if (g.size > 0.0f) g.centre = g.centre_sum * (1.0f / g.size);
    }
  }

  for_each_live_agent(agents, [this](agent& a) {
    if (a.state != agent_state_alive || a.kind == agent_kind_horse) return;
    const team_group& g = team_of(a.team).groups[static_cast<std::size_t>(agent_mounted_state(a))];
    a.ai.formation_offset = static_cast<float>(a.ai.slot_in_group) - g.size * 0.5f;
    a.ai.depth_offset = depth_offset_of_team(a.team, a.ai.depth_offset);
  });

  for (int ti = 0; ti < team_count; ++ti) {
    team& t = teams[static_cast<std::size_t>(ti)];
    if (get_live_agent(t.leader) == nullptr) continue;
    for (team_group& g : t.groups) {
      vec3 d;
      for_each_live_agent(agents, [&](const agent& a) {
        if (a.state != agent_state_alive || a.kind == agent_kind_horse || !teams_are_enemies(ti, a.team)) return;
        const vec3 offset = a.position() - g.follow_point;
        const float distance = offset.length();
        const vec3 unit = distance > 0.0f ? offset * (1.0f / distance) : vec3(0.0f, 1.0f, 0.0f);
        d += unit * (1.0f / std::clamp(distance, 2.0f, 400.0f));
      });
      if (std::sqrt(d.x * d.x + d.y * d.y) <= 1e-11f) continue;
      d.z = 0.0f;
      d = get_normalized(d);
      if (g.facing.length_squared() >= 0.5f) {
        g.facing = get_normalized(g.facing * facing_keep + d * facing_turn);
      } else {
        g.facing = d;
      }
    }
  }

  for_each_live_agent(agents, [](agent& a) { a.ai.attackers = 0; });
  for_each_live_agent(agents, [this](agent& a) {
    if (agent* target = get_live_agent(a.ai.target)) ++target->ai.attackers;
  });
}

void mission::update_team_census() {
  const auto previous = census;
  for (auto& row : census) row.fill(0);
  for_each_live_agent(agents, [this](const agent& a) {
    if (a.kind != agent_kind_human || a.team < 0 || a.team >= team_count) return;
    if (a.state < 0 || a.state >= census_state_count) return;
    ++census[static_cast<std::size_t>(a.team)][static_cast<std::size_t>(a.state)];
  });
  if (census != previous) census_change_time = static_cast<float>(clock_ticks(clock_mission)) * 1e-5f;
}

}  // namespace hm
