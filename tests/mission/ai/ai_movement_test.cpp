#include "mission/ai/ai_movement.h"

#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "mission/ai/ai_behaviour.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/combat_fixtures.h"
#include "mission/support/recording_services.h"

namespace hm {
namespace {

TEST(Fear, GrowsByLevelAndOptionUnlessFearless) {
  struct row {
    const char* what;
    float enemy, friends, u;
    int level, combat_ai;
    bool no_fear;
    float from, to;
  };
  const row rows[] = {
      // (40 - 10) x 0.012 + 2 x 0.5 = 1.36 at least, pressure adding up to 20 u k.
      {"level 10, option 2, no pressure", 0.0f, 1.0f, 0.0f, 10, 2, false, 0.0f, 1.36f},
      {"level 10, option 2, full pressure", 1.0f, 0.0f, 0.5f, 10, 2, false, 0.0f, 1.36f + 3.0f},
      {"fearless gets only the pressure", 1.0f, 0.0f, 0.5f, 10, 2, true, 0.0f, 3.0f},
      {"held to 11", 1.0f, 0.0f, 0.9f, 0, 4, false, 9.0f, 11.0f},
      {"a stored value over 30 is cut first", 0.0f, 0.0f, 0.0f, 40, 0, false, 50.0f, 11.0f},
  };
  for (const row& r : rows) {
    EXPECT_NEAR(grow_fear(r.from, r.enemy, r.friends, r.u, r.level, r.combat_ai, r.no_fear), r.to, 1e-4f) << r.what;
  }
  // A level-10 soldier under option 2 backs off (fear 10) within 8 passes.
  float fear = 0.0f;
  int passes = 0;
  while (fear < 10.0f && passes < 100) {
    fear = grow_fear(fear, 0.0f, 0.0f, 0.0f, 10, 2, false);
    ++passes;
  }
  EXPECT_EQ(passes, 8);
  // Calming: 20 u clamp(1.3 friends - enemies, 0.01, 0.3).
  EXPECT_NEAR(calm_fear(10.0f, 0.0f, 1.0f, 0.5f), 7.0f, 1e-4f);
  EXPECT_NEAR(calm_fear(0.05f, 1.0f, 0.0f, 1.0f), 0.0f, 1e-6f);
}

TEST(RidePast, AHorseArcherRidesShortOfItsTargetAndToItsSide) {
  // Target 30 m north: the point lies 10 m from the archer along the line
  // and 13 m to its right, lifted 100 m above the archer.
  const vec3 p = ride_past_point(vec3(0.0f, 0.0f, 5.0f), vec3(0.0f, 30.0f, 0.0f));
  EXPECT_NEAR(p.x, 13.0f, 1e-4f);
  EXPECT_NEAR(p.y, 10.0f, 1e-4f);
  EXPECT_NEAR(p.z, 105.0f, 1e-4f);
}

class MovementPass : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
    m.scene_min_x = m.scene_min_y = -100.0f;
    m.scene_max_x = m.scene_max_y = 100.0f;
  }
  recording_services services;
  mission m;
};

TEST_F(MovementPass, MountedModesOnFootChooseAgainAtOnce) {
  for (int mode : {ai_mode_ride_and_shoot, ai_mode_charge, ai_mode_ride_through}) {
    agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3());
    a.ai.flags = 1;
    a.ai.mode = mode;
    a.ai.retarget_period = 5.0f;
    agent_ai_decide_movement(m, a);
    EXPECT_FLOAT_EQ(a.ai.retarget_period, 0.0f) << mode;
    EXPECT_FLOAT_EQ(a.ai.combat_period, 0.0f) << mode;  // the combat pass follows at once
  }
}

TEST_F(MovementPass, MountingPressesOnlyWithin099Metres) {
  struct row {
    float distance;
    bool presses;
  };
  for (const row r : {row{0.99f, true}, row{1.0f, false}, row{3.0f, false}}) {
    agent& horse = spawn_standing_agent(m, agent_kind_horse, 0, vec3(r.distance, 0.0f, 0.0f));
    agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3());
    a.ai.flags = 1;
    a.ai.mode = ai_mode_mount;
    a.ai.target = horse.index;
    agent_ai_decide_movement(m, a);
    EXPECT_EQ((a.ai.extra_flags & 0x20000u) != 0, r.presses) << r.distance;
    EXPECT_EQ(a.goal_flags != 0, !r.presses) << r.distance;  // else it walks to the horse
    EXPECT_FLOAT_EQ(a.ai.speed_factor, 0.15f);
  }
}

}  // namespace
}  // namespace hm
