#include "mission/ai/ai_fight.h"

#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "mission/ai/ai_behaviour.h"
#include "mission/ai/ai_movement.h"
#include "mission/ai/ai_neighbours.h"
#include "mission/ai/ai_think.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/combat_fixtures.h"
#include "mission/support/recording_services.h"

namespace hm {
namespace {

TEST(RangedTimings, AimTestChanceAndWaitByLevel) {
  // (level + 1) x 0.2: a level-3 archer tests with chance 0.8, from level 4
  // on every pass.
  EXPECT_TRUE(ranged_aim_roll(0.79f, 3));
  EXPECT_FALSE(ranged_aim_roll(0.8f, 3));
  EXPECT_TRUE(ranged_aim_roll(0.9999f, 4));
  // A shot at 10 m by a level-10 archer: (r + 2.5) x 0.8 x 35 / 45.
  EXPECT_NEAR(aim_wait(0.0f, 10.0f, 10, false), 1.5556f, 1e-3f);
  EXPECT_NEAR(aim_wait(0.9999f, 10.0f, 10, false), 2.1777f, 1e-3f);
  EXPECT_NEAR(aim_wait(0.0f, 10.0f, 10, true), 0.7778f, 1e-3f);
  // The distance factor is held to 0.7 .. 1.2.
  EXPECT_NEAR(aim_wait(0.0f, 0.0f, 0, false), 2.5f * 0.7f, 1e-4f);
  EXPECT_NEAR(aim_wait(0.0f, 200.0f, 0, false), 2.5f * 1.2f, 1e-4f);
}

TEST(MeleeTimings, ReachAndReleaseWait) {
  EXPECT_FLOAT_EQ(own_reach(-1.0f, false, false), 2.5f);          // bare hands
  EXPECT_FLOAT_EQ(own_reach(100.0f, false, false), 2.1f);
  EXPECT_FLOAT_EQ(own_reach(100.0f, true, false), 1.8f);          // riding
  EXPECT_FLOAT_EQ(own_reach(100.0f, false, true), 2.8f);          // target rides
  EXPECT_FLOAT_EQ(target_reach(100.0f), 2.9f * 1.3f);
  EXPECT_FLOAT_EQ(target_reach(-1.0f), 2.5f * 1.3f);
  // Speed 100, level 10, combat_ai 0: 4.9 / 50 + 0.6.
  EXPECT_NEAR(release_wait(100, 10, 0), 0.698f, 1e-4f);
  EXPECT_NEAR(release_wait(50, 10, 2), 2.0f * (0.098f + 0.5f + 0.6f), 1e-4f);
}

// Two agents of enemy teams run their whole AI, frame by frame; the
// input delivered each frame is recorded.
class Duel : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
    m.set_team_relation(0, 1, -1);
    m.scene_min_x = m.scene_min_y = -100.0f;
    m.scene_max_x = m.scene_max_y = 100.0f;
    ai_agent_buckets(m).forget();
  }
  void place(float gap) {
    a = &spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
    b = &spawn_standing_agent(m, agent_kind_human, 1, vec3(0.0f, gap, 0.0f));
    b->body_frame.rotate_z(3.14159265f);
    a->ai.flags = b->ai.flags = 1;  // alarmed
  }
  // Runs the frames; counts the frames whose delivered input held each bit.
  void run(int frames) {
    for (int f = 0; f < frames; ++f) {
      advance_clock(clock_mission, 0.05f);
      for (agent* x : {a, b}) {
        agent_ai_think(m, *x, 0.05f);
        agent_get_ai_input(*x, x->input);
        const std::uint32_t bits = x->input.action_flags;
        record& r = x == a ? ra : rb;
        if ((bits & input_attack_held) != 0) ++r.attack;
        if ((bits & input_attack_pressed) != 0) ++r.newly_pressed;
        if ((bits & 0x1u) != 0) ++r.forward;
      }
    }
  }
  struct record {
    int attack = 0;
    int newly_pressed = 0;
    int forward = 0;
  };

  recording_services services;
  mission m;
  agent* a = nullptr;
  agent* b = nullptr;
  record ra, rb;
};

TEST_F(Duel, AgentsAtArmsLengthTakeEachOtherAndPressAttack) {
  place(1.5f);
  run(60);
  for (agent* x : {a, b}) {
    EXPECT_EQ(x->ai.mode, ai_mode_melee);
    EXPECT_EQ(x->ai.combat_target, x == a ? b->index : a->index);
    EXPECT_NE(x->ai.permission & fight_permitted, 0u);
  }
  // The attack stays held while no action machine readies the blow; the
  // newly-pressed bit shows once, when the press first arrives.
  EXPECT_GT(ra.attack, 10);
  EXPECT_GT(rb.attack, 10);
  EXPECT_EQ(ra.newly_pressed, 1);
  EXPECT_EQ(rb.newly_pressed, 1);
}

TEST_F(Duel, AgentsFarApartWalkTowardsEachOtherFacingTheEnemy) {
  place(12.0f);
  run(30);
  EXPECT_GT(ra.forward, 10);
  EXPECT_GT(rb.forward, 10);
  EXPECT_EQ(ra.attack, 0);
  EXPECT_GT(a->input.direction[1], 0.9f);
  EXPECT_LT(b->input.direction[1], -0.9f);
}

TEST_F(Duel, NoTargetNoWeaponMeansNoPressAndAHeldAttackIsCancelled) {
  place(1.5f);
  b->state = agent_state_dead;
  ai_combat_words words;
  words.previous_action_flags = input_attack_held;
  a->ai.combat_target = b->index;
  a->ai.permission = fight_permitted;
  a->ai.combat_state = 3;
  agent_ai_fight(m, *a, words);
  EXPECT_EQ(a->ai.action_flags, input_attack_held | input_defend_held);
  EXPECT_EQ(a->ai.combat_state, 0);
}

}  // namespace
}  // namespace hm
