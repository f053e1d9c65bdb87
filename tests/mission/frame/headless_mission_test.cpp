// A mission put together by hand, as set-up would leave it, stepped frame by
// frame without a window: the same random seed gives the same mission.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

// Agents shuffle about by the engine's random draws; missiles fall.
class shuffling_services : public mission_services {
 public:
  void agent_frame(mission&, agent& a, float dt) override {
    if (!a.is_alive()) return;
    const float dx = static_cast<float>(random_next() % 201 - 100) * 0.01f;
    const float dy = static_cast<float>(random_next() % 201 - 100) * 0.01f;
    a.velocity = vec3(dx, dy, 0.0f);
    a.position() += a.velocity * dt;
  }
  void update_missile(mission&, missile& m, float dt) override {
    m.previous_position = m.position;
    m.position.z -= 200.0f * dt;
  }
};

std::string run_mission(std::uint32_t seed, int frames) {
  reset_clocks();
  random_seed(seed);
  shuffling_services services;
  mission m;
  m.set_services(&services);
  m.scene = std::make_unique<scene_world>();
  m.set_team_relation(0, 1, team_relation_enemy);
  m.set_team_relation(0, 0, team_relation_ally);
  m.set_team_relation(1, 1, team_relation_ally);
  for (int i = 0; i < 6; ++i) {
    agent& a = m.allocate_agent();
    a.kind = agent_kind_human;
    a.state = agent_state_alive;
    a.presence = agent_presence_active;
    a.team = i % 2;
    a.troop = 0;
    a.position() = vec3(static_cast<float>(i), a.team == 0 ? 0.0f : 30.0f, 0.0f);
  }
  agent& horse = m.allocate_agent();
  horse.kind = agent_kind_horse;
  horse.state = agent_state_alive;
  horse.team = 1;
  m.teams[0].leader = 0;
  m.teams[1].leader = 1;
  m.teams[0].groups[team_group_foot].mode = group_order_follow_leader;
  missile& shot = m.missiles.allocate();
  shot.entity = m.scene->adopt_entity(std::make_unique<entity>());
  hm::frame gate = hm::frame::identity();
  gate.origin = vec3(0.0f, 0.0f, 5.0f);
  m.scene_prop_instances.resize(1);
  m.scene_prop_instances[0].start_move(gate, 0.5f);

  for (int i = 0; i < frames; ++i) {
    m.frame(1.0f / 60.0f, false);
    // Halfway through, a leader falls.
    if (i == frames / 2) m.get_agent(0)->state = agent_state_dead;
  }

  std::ostringstream out;
  out << "frames " << m.frame_counter << " clock " << clock_ticks(clock_mission) << " stuck "
      << m.stuck_missiles.size() << " missiles " << m.missiles.live_count() << " gate "
      << m.scene_prop_instances[0].current_frame.origin.z << " leaders " << m.teams[0].leader << ' '
      << m.teams[1].leader << " census " << m.census[0][1] << ' ' << m.census[0][5] << ' ' << m.census[1][1]
      << " changed " << m.census_change_time << '\n';
  for_each_live_agent(m.agents, [&out](const agent& a) {
    out << a.index << ": " << a.position().x << ' ' << a.position().y << " slot " << a.ai.slot_in_group
        << " offset " << a.ai.formation_offset << '\n';
  });
  for (const team& t : m.teams) {
    for (const team_group& g : t.groups) out << g.facing.x << ',' << g.facing.y << ' ';
  }
  reset_clocks();
  return out.str();
}

TEST(HeadlessMission, TheSameSeedGivesTheSameMission) {
  const std::string first = run_mission(7, 120);
  const std::string second = run_mission(7, 120);
  EXPECT_EQ(first, second);
  EXPECT_NE(first, run_mission(8, 120));
  // Two seconds of frames: the gate has arrived, the leader that fell was
  // replaced, the falling shot came to rest among the stuck missiles.
  EXPECT_NE(first.find("frames 120 "), std::string::npos) << first;
  EXPECT_NE(first.find(" stuck 1 missiles 0 gate 5 leaders 2 1 census 2 1 3"), std::string::npos) << first;
}

}  // namespace
}  // namespace hm
