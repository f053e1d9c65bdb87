#include "mission/ai/ai_think.h"

#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"

namespace hm {
namespace {

TEST(ReactionDelay, ShrinksWithLevelAndGrowsWithTheOption) {
  struct row {
    int combat_ai;
    int level;  // -1: no troop
    float u;
    float delay;
  };
  const row rows[] = {
      {0, 30, 0.0f, 0.1f * 40.0f / 60.0f},    // 0.0667
      {0, 30, 1.0f, 0.2f * 40.0f / 60.0f},    // 0.1333
      {2, 0, 0.0f, 0.3f * 40.0f / 30.0f},     // 0.4
      {2, 0, 1.0f, 0.4f * 40.0f / 30.0f},     // 0.5333
      {1, 10, 0.5f, 0.25f},                   // level 10 keeps d
      {1, -1, 0.5f, 0.25f},                   // no troop keeps d
  };
  for (const row& r : rows) {
    EXPECT_NEAR(ai_reaction_delay(r.combat_ai, r.level, r.u), r.delay, 1e-5f) << r.combat_ai << " " << r.level;
  }
  EXPECT_NEAR(ai_combat_period(0, 10, 0.0f), 0.06f, 1e-6f);
  EXPECT_NEAR(ai_combat_period(2, 0, 1.0f), 0.05f + 0.02f + 0.04f + 0.03f, 1e-6f);
}

// Records the passes and presses what it is told.
class scripted_passes : public ai_passes {
 public:
  void select_target(mission&, agent&, int) override { ++choices; }
  void decide_movement(mission&, agent&) override { ++movements; }
  void decide_combat(mission&, agent& a, ai_combat_words& words) override {
    ++combats;
    seen_previous = words.previous_action_flags;
    a.ai.action_flags = delayed;
    words.extra_flags = immediate;
  }
  void check_alarm(mission&, agent&) override { ++alarm_checks; }

  int choices = 0;
  int movements = 0;
  int combats = 0;
  int alarm_checks = 0;
  std::uint32_t delayed = 0;
  std::uint32_t immediate = 0;
  std::uint32_t seen_previous = 0;
};

class AiThink : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    saved_combat_ai = g_game_options.combat_ai;
    g_game_options.combat_ai = 0;
    m.set_services(&services);
    a = &m.allocate_agent();
    a->state = agent_state_alive;
    a->ai = agent_ai{};
  }
  void TearDown() override {
    g_game_options.combat_ai = saved_combat_ai;
    reset_clocks();
  }
  void advance(float seconds) { advance_clock(clock_mission, seconds); }

  recording_services services;
  mission m;
  agent* a = nullptr;
  scripted_passes passes;
  int saved_combat_ai = 0;
};

TEST_F(AiThink, PassesRunOnTheirTimersAndPressesArriveAfterTheDelay) {
  // Nothing has elapsed: only the combat pass (greater or equal) runs.
  passes.delayed = input_attack_held;
  passes.immediate = 0x1;
  services.draws = {0, 0};  // combat period u, delay u: 0.1 s without a troop
  agent_ai_think(m, *a, 0.0f, passes);
  EXPECT_EQ(passes.choices, 0);
  EXPECT_EQ(passes.movements, 0);
  EXPECT_EQ(passes.combats, 1);
  EXPECT_EQ(passes.alarm_checks, 1);
  EXPECT_NEAR(a->ai.combat_period, 0.05f + 0.02f, 1e-6f);
  ASSERT_EQ(a->ai.delayed_inputs.size(), 1u);
  EXPECT_EQ(a->ai.delayed_inputs.front().due_tick, 10000);

  agent_input block;
  agent_get_ai_input(*a, block);
  EXPECT_EQ(block.action_flags, 0x1u);  // the immediate press only

  advance(0.1f);  // due == now: not yet
  agent_get_ai_input(*a, block);
  EXPECT_EQ(block.action_flags, 0x1u);
  advance(0.001f);
  agent_get_ai_input(*a, block);
  EXPECT_EQ(block.action_flags, 0x1u | input_attack_held | input_attack_pressed);
  agent_get_ai_input(*a, block);  // held, but pressed only once
  EXPECT_EQ(block.action_flags, 0x1u | input_attack_held);

  // A second later every timer is due; the combat pass sees its last presses.
  advance(1.0f);
  passes.delayed = 0;
  agent_ai_think(m, *a, 0.0f, passes);
  EXPECT_EQ(passes.choices, 1);
  EXPECT_EQ(passes.movements, 1);
  EXPECT_EQ(passes.combats, 2);
  EXPECT_EQ(passes.seen_previous, input_attack_held);
  EXPECT_NEAR(a->ai.retarget_period, 5.0f, 1e-6f);
  EXPECT_NEAR(a->ai.movement_period, 0.5f, 1e-6f);
}

TEST_F(AiThink, DeliveryCombinesDueEntriesAndHoldsTheLast) {
  advance(1.0f);
  a->ai.delayed_inputs.push_back({agent_input{0x4, 0, {0, 1, 0}, 0}, 50000});
  a->ai.delayed_inputs.push_back({agent_input{0x8, 0, {0, 1, 0}, 0}, 90000});
  a->ai.delayed_inputs.push_back({agent_input{0x200, 0, {0, 1, 0}, 0}, 100000});  // due now: stays
  a->ai.current_input.action_flags = 0x10;
  agent_input block;
  agent_get_ai_input(*a, block);
  EXPECT_EQ(block.action_flags, 0x10u | 0x4u | 0x8u);
  EXPECT_EQ(a->ai.remembered_input.action_flags, 0x10u | 0x4u | 0x8u);
  EXPECT_EQ(a->ai.delayed_inputs.size(), 1u);

  // The release (no flags) lets the held presses go when it falls due.
  a->ai.current_input.action_flags = 0;
  advance(0.1f);
  agent_get_ai_input(*a, block);
  EXPECT_EQ(block.action_flags, 0x200u);
}

TEST_F(AiThink, AnAgentOutOfPlayThinksNothingButStillReceivesDuePresses) {
  a->state = agent_state_none;
  a->ai.current_input.action_flags = 0x40;
  a->ai.delayed_inputs.push_back({agent_input{input_attack_held, 0, {0, 1, 0}, 0}, 0});
  advance(1.0f);
  agent_ai_think(m, *a, 0.0f, passes);
  EXPECT_EQ(passes.combats + passes.movements + passes.choices, 0);
  EXPECT_EQ(a->ai.current_input.action_flags, 0u);
  agent_input block;
  agent_get_ai_input(*a, block);
  EXPECT_EQ(block.action_flags, input_attack_held | input_attack_pressed);
}

}  // namespace
}  // namespace hm
