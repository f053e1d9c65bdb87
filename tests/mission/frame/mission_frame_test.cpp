#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"
#include "render/entity/entity.h"

namespace hm {
namespace {

using steps_t = std::vector<std::string>;

class MissionFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
  }
  void TearDown() override { reset_clocks(); }

  agent& add_agent(int kind) {
    agent& a = m.allocate_agent();
    a.kind = kind;
    a.state = agent_state_alive;
    a.presence = agent_presence_active;
    return a;
  }
  // Only the steps whose names start with `prefix`.
  steps_t steps_starting(const std::string& prefix) const {
    steps_t out;
    for (const std::string& s : services.steps) {
      if (s.rfind(prefix, 0) == 0) out.push_back(s);
    }
    return out;
  }

  recording_services services;
  mission m;
};

TEST_F(MissionFrame, StepsRunInTheirOrderWithHumansBeforeHorses) {
  entity river;
  m.river_entity = &river;
  add_agent(agent_kind_horse);  // 0
  add_agent(agent_kind_human);  // 1
  add_agent(agent_kind_horse);  // 2
  add_agent(agent_kind_human);  // 3
  m.missiles.allocate();
  m.frame_counter = 5;

  m.frame(0.25f, true);

  const steps_t expected = {"shadow",        "physics 0.25",  "reinforcements", "triggers",     "missile",
                            "human frame 1", "human frame 3", "horse frame 0",  "horse frame 2", "post frame 0",
                            "post frame 1",  "post frame 2",  "post frame 3",   "river",         "entities"};
  EXPECT_EQ(services.steps, expected);
  // The clock had already advanced when the reinforcements were checked.
  EXPECT_EQ(services.clock_at_reinforcements, 25000);
  EXPECT_EQ(m.frame_counter, 6u);
  EXPECT_FLOAT_EQ(m.frame_time, 0.25f);
}

TEST_F(MissionFrame, FreeSlotsNeverSpawnedRecordsAndUnrequestedStepsAreSkipped) {
  add_agent(agent_kind_human);
  add_agent(agent_kind_human).in_use = 0;
  m.allocate_agent();  // taken, never spawned
  m.frame(0.1f, false);
  EXPECT_EQ(steps_starting("reinforcements"), steps_t{});
  EXPECT_EQ(steps_starting("river"), steps_t{});
  EXPECT_EQ(steps_starting("human"), steps_t{"human frame 0"});
  EXPECT_EQ(steps_starting("post"), steps_t{"post frame 0"});
}

TEST_F(MissionFrame, NoTriggersOnTheFirstFrameAfterSetUp) {
  m.frame(0.1f, false);
  EXPECT_TRUE(steps_starting("triggers").empty());
  m.frame(0.1f, false);
  EXPECT_EQ(steps_starting("triggers").size(), 1u);
}

TEST_F(MissionFrame, MissionClockAdvancesByTheFrameTime) {
  m.frame(0.25f, false);
  EXPECT_EQ(clock_ticks(clock_mission), 25000);
  EXPECT_EQ(clock_increment_ticks(clock_mission), 25000);
  // A frame time of 0 leaves the clock and steps no physics; the rest runs.
  services.steps.clear();
  m.frame(0.0f, false);
  EXPECT_EQ(clock_ticks(clock_mission), 25000);
  EXPECT_EQ(clock_increment_ticks(clock_mission), 0);
  EXPECT_TRUE(steps_starting("physics").empty());
  EXPECT_EQ(steps_starting("shadow").size(), 1u);
  EXPECT_EQ(steps_starting("triggers").size(), 1u);
  EXPECT_EQ(steps_starting("entities").size(), 1u);
}

TEST_F(MissionFrame, TheWorkerGetsTheFrameTimeInsteadOfAnInlineStep) {
  services.worker_running = true;
  m.frame(0.25f, false);
  m.frame(0.5f, false);
  m.frame(0.0f, false);
  EXPECT_TRUE(steps_starting("physics").empty());
  EXPECT_FLOAT_EQ(services.pending_physics_time, 0.75f);
}

TEST_F(MissionFrame, EntryPointPlacementResetsOnFramesOneSeventeenAndSoOn) {
  hm::frame own = hm::frame::identity();
  own.origin = vec3(5.0f, 6.0f, 0.0f);
  entry_point& e = m.entry_points[7];
  e.own_frame = own;
  const auto disturb = [&e]() {
    e.spawn_frame.origin = vec3(50.0f, 0.0f, 0.0f);
    e.row = 3;
    e.column = 4;
  };
  for (std::uint32_t counter = 0; counter < 34; ++counter) {
    disturb();
    m.frame(0.1f, false);
    const bool reset = counter == 1 || counter == 17 || counter == 33;
    EXPECT_EQ(e.row, reset ? 0 : 3) << counter;
    EXPECT_EQ(e.column, reset ? 0 : 4) << counter;
    EXPECT_EQ(e.spawn_frame.origin.x, reset ? 5.0f : 50.0f) << counter;
    if (reset) {
      EXPECT_EQ(e.row_frame.origin.y, 6.0f);
    }
  }
}

TEST_F(MissionFrame, RestingMissileRetiresOnTheFirstFrameAfterOneSecond) {
  entity shaft;
  missile& mi = m.missiles.allocate();
  mi.state = missile_hit_agent;
  mi.state_timer = timer(clock_mission);
  mi.entity = &shaft;
  m.frame(0.5f, false);
  m.frame(0.5f, false);  // exactly 1.0 s: kept
  EXPECT_EQ(m.missiles.live_count(), 1);
  m.frame(0.1f, false);
  EXPECT_EQ(m.missiles.live_count(), 0);
  EXPECT_EQ(m.missiles.free_slots().back(), mi.slot);
  ASSERT_EQ(m.stuck_missiles.size(), 1u);
  EXPECT_EQ(m.stuck_missiles[0], &shaft);
}

TEST_F(MissionFrame, RetirementByStateTimerAndHeight) {
  struct retire_case {
    std::int32_t state;
    float height;
    bool retired;
  };
  const retire_case cases[] = {
      {missile_flying, 0.0f, false},     {missile_stuck, 0.0f, true},    {missile_hit_agent, 0.0f, true},
      {missile_spent, 0.0f, true},       {missile_flying, -100.5f, true}, {missile_flying, -100.0f, false},
      {missile_stuck, -100.5f, true},
  };
  for (const retire_case& c : cases) {
    mission fresh;
    fresh.set_services(&services);
    missile& mi = fresh.missiles.allocate();
    mi.state = c.state;
    mi.position.z = c.height;
    mi.state_timer = timer(clock_mission);
    fresh.frame(1.5f, false);
    EXPECT_EQ(fresh.missiles.live_count(), c.retired ? 0 : 1) << c.state << " " << c.height;
    // A missile without an entity leaves nothing in the scene.
    EXPECT_TRUE(fresh.stuck_missiles.empty());
  }
  // Below -100 it goes at once, whatever its timer.
  missile& falling = m.missiles.allocate();
  falling.position.z = -101.0f;
  m.frame(0.01f, false);
  EXPECT_EQ(m.missiles.live_count(), 0);
}

TEST_F(MissionFrame, StuckMissilesAreThinnedOneAFrameAboveTheLimit) {
  std::vector<std::unique_ptr<entity>> shafts;
  for (int i = 0; i < stuck_missile_limit; ++i) {
    shafts.push_back(std::make_unique<entity>());
    m.stuck_missiles.push_back(shafts.back().get());
  }
  m.frame(0.1f, false);
  EXPECT_TRUE(services.removed.empty());
  EXPECT_EQ(m.stuck_missiles.size(), 768u);

  shafts.push_back(std::make_unique<entity>());
  m.stuck_missiles.push_back(shafts.back().get());
  shafts.push_back(std::make_unique<entity>());
  m.stuck_missiles.push_back(shafts.back().get());
  // 770 entries: the draw 775 picks entry 775 mod 770 = 5, whose place the
  // last entry takes.
  services.draws = {775};
  m.frame(0.1f, false);
  ASSERT_EQ(services.removed.size(), 1u);
  EXPECT_EQ(services.removed[0], shafts[5].get());
  EXPECT_EQ(m.stuck_missiles.size(), 769u);
  EXPECT_EQ(m.stuck_missiles[5], shafts[769].get());
  // 769: one more goes the next frame, then none.
  m.frame(0.1f, false);
  EXPECT_EQ(m.stuck_missiles.size(), 768u);
  m.frame(0.1f, false);
  EXPECT_EQ(m.stuck_missiles.size(), 768u);
  EXPECT_EQ(services.removed.size(), 2u);
}

TEST_F(MissionFrame, RiverPhaseAdvancesAndWrapsAtOneHundred) {
  entity river;
  m.river_entity = &river;
  m.frame(0.5f, false);
  EXPECT_FLOAT_EQ(services.river_phase, 0.02f);
  EXPECT_FLOAT_EQ(services.river_flow, 50000 * 7.5e-6f);
  m.river_phase = 99.99f;
  m.frame(0.5f, false);
  // 100.01 wraps to its fraction.
  EXPECT_NEAR(services.river_phase, 0.01f, 1e-4f);
}

TEST_F(MissionFrame, ClearEmptiesTheSceneWithItsStuckMissiles) {
  entity shaft;
  m.stuck_missiles.push_back(&shaft);
  m.scene_prop_instances.resize(3);
  add_agent(agent_kind_human);
  m.player_agent = 0;
  m.player_horse = 1;
  m.missiles.allocate();
  m.player_spawn_position = vec3(1.0f, 2.0f, 3.0f);
  m.clear();
  EXPECT_TRUE(m.stuck_missiles.empty());
  EXPECT_TRUE(m.scene_prop_instances.empty());
  EXPECT_EQ(m.first_live_agent(), m.agents.count());
  EXPECT_EQ(m.missiles.live_count(), 0);
  EXPECT_EQ(m.player_agent, -1);
  EXPECT_EQ(m.player_horse, -1);
  EXPECT_EQ(m.player_spawn_position.x, 10.0f);
  EXPECT_EQ(m.player_spawn_position.z, 10.0f);
  EXPECT_EQ(m.scene, nullptr);
  // The next mission's frames find nothing of the old scene to remove.
  for (int i = 0; i < 3; ++i) m.frame(0.1f, false);
  EXPECT_TRUE(services.removed.empty());
}

TEST_F(MissionFrame, AgentLookupByIndex) {
  for (int i = 0; i < 17; ++i) add_agent(agent_kind_human);
  ASSERT_NE(m.get_agent(16), nullptr);
  EXPECT_EQ(m.get_agent(16)->index, 16);
  EXPECT_EQ(m.get_agent(15)->index, 15);
  EXPECT_EQ(m.get_live_agent(17), nullptr);
  EXPECT_EQ(m.get_agent(-1), nullptr);
  EXPECT_EQ(m.get_agent(32), nullptr);
}

TEST(MissionTeams, RelationsAreSymmetricAndOutsideTeamsCountAsSeven) {
  mission m;
  m.set_team_relation(0, 1, -1);
  m.set_team_relation(2, 9, 1);
  m.set_team_relation(3, 4, -5);
  EXPECT_TRUE(m.teams_are_enemies(0, 1));
  EXPECT_TRUE(m.teams_are_enemies(1, 0));
  EXPECT_TRUE(m.teams_are_allies(7, 2));
  EXPECT_TRUE(m.teams_are_allies(2, -3));
  EXPECT_EQ(m.team_relation(4, 3), -1);
  EXPECT_EQ(m.team_relation(0, 2), 0);
}

}  // namespace
}  // namespace hm
