// Movement actions: a human's velocity, gaits and locomotion actions, a
// horse's throttle and gaits, jumps, mounting, dismounting, rider actions and
// shouts.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/anim/agent_actions.h"
#include "mission/control/locomotion.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"

namespace hm {
namespace {

constexpr std::uint32_t full = input_bit::full_pace;

class Locomotion : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    g_item_kinds.clear();
    random_seed(11);
    advance_clock(clock_mission, 10.0f);
    advance_clock(clock_campaign, 12.0f);  // noon
  }
  void TearDown() override {
    reset_clocks();
    g_item_kinds.clear();
  }
  agent& human() {
    agent& a = fixture.add_agent(m, agent_kind_human);
    a.troop = -1;
    return a;
  }
  // The human after one update with these input bits and this frame time.
  void run(agent& a, std::uint32_t bits, float dt) {
    a.input.action_flags = bits;
    advance_clock(clock_mission, dt);
    update_actions(m, a, dt);
  }

  mission m;
  animated_agents fixture;
  recording_sounds sounds;
};

TEST_F(Locomotion, HumanGaitBandsOverlap) {
  struct row {
    int from;
    float speed;
    int to;
  };
  const row rows[] = {{1, 0.29f, 1}, {0, 0.29f, 0}, {0, 0.31f, 1}, {1, 0.26f, 0}, {2, 2.3f, 2},
                      {1, 2.3f, 1},  {1, 2.33f, 2}, {0, 5.0f, 2},  {2, 0.1f, 0}};
  for (const row& r : rows) EXPECT_EQ(next_human_gait(r.from, r.speed), r.to) << r.from << ' ' << r.speed;
}

TEST_F(Locomotion, HorseGaitMovesOneStepAFrame) {
  struct row {
    int from;
    float speed;
    int to;
  };
  // Between 0.01 and 0.2 the gait flips between 1 and 2 every frame.
  const row rows[] = {{1, 0.1f, 2}, {2, 0.1f, 1}, {1, 10.0f, 2}, {5, 0.0f, 4}, {0, -5.0f, 0},
                      {5, 300.0f, 5}, {1, 0.0f, 1}, {1, -0.5f, 0}, {3, 2.05f, 3}};
  for (const row& r : rows) EXPECT_EQ(next_horse_gait(r.from, r.speed), r.to) << r.from << ' ' << r.speed;
}

TEST_F(Locomotion, WithoutInputTheVelocityFallsByTheAccelerationLimit) {
  agent& a = human();
  a.forward_speed = 3.0f;
  a.gait_state = 2;
  // No troop and no weight: L = 10 dt.
  run(a, 0, 0.05f);
  EXPECT_FLOAT_EQ(a.forward_speed, 2.5f);
  EXPECT_EQ(a.gait_state & 7u, 2u);
  run(a, 0, 0.05f);
  run(a, 0, 0.05f);
  EXPECT_FLOAT_EQ(a.forward_speed, 1.5f);
  EXPECT_EQ(a.gait_state & 7u, 1u);
  for (int i = 0; i < 10; ++i) run(a, 0, 0.05f);
  EXPECT_EQ(a.forward_speed, 0.0f);
  EXPECT_EQ(a.gait_state & 7u, 0u);
}

TEST_F(Locomotion, BackwardsIsSlowAndNeverARun) {
  agent& a = human();
  run(a, input_bit::backward, 0.2f);
  // 0.7 x 0.7 of full pace, 2.8 m/s, and 0.8 for going backwards.
  EXPECT_NEAR(a.forward_speed, -0.49f * 2.8f * 0.8f, 1e-5f);
  EXPECT_EQ(a.channels[0].requested_action, 13);
  agent& b = human();
  run(b, input_bit::backward | full, 0.2f);
  EXPECT_NEAR(b.forward_speed, -0.7f * 2.8f * 0.8f, 1e-5f);
  agent& fast = human();
  fast.forward_speed = -3.0f;
  fast.gait_state = 2;
  run(fast, input_bit::backward | full, 0.01f);
  EXPECT_EQ(fast.gait_state & 7u, 1u);
  EXPECT_EQ(fast.channels[0].requested_action, 13);
  EXPECT_NEAR(fast.anim_speed_ratio, 2.9f / 1.5f, 1e-4f);
}

TEST_F(Locomotion, ActionsByDirectionStanceAndGait) {
  const int sword = add_item_kind(item_type::one_handed);
  const int crossbow = add_item_kind(item_type::crossbow);
  const int greatsword = add_item_kind(item_type::two_handed, 1u << 21);
  struct row {
    std::uint32_t bits;
    int kind;  // in hand 0, -1 none
    int action;
  };
  const row rows[] = {
      {input_bit::forward | full, -1, 17},       {input_bit::forward | full, sword, 18},
      {input_bit::forward | full, crossbow, 19}, {input_bit::forward | full, greatsword, 20},
      {input_bit::side_plus | full, -1, 57},     {input_bit::side_plus | full, sword, 58},
      {input_bit::side_minus | full, crossbow, 64},
      {input_bit::forward | input_bit::side_plus | full, -1, 21},
      {input_bit::forward | input_bit::side_minus | full, greatsword, 28},
      {input_bit::forward, -1, 99},  // walking with empty hands: the agent's own walk
      {input_bit::forward, sword, 10},
      {input_bit::side_plus, greatsword, 35},
      {input_bit::forward | input_bit::side_plus, crossbow, 44},
      {input_bit::backward | input_bit::side_plus, sword, 54},
      {input_bit::backward | input_bit::side_minus, -1, 49},
  };
  for (const row& r : rows) {
    agent& a = human();
    a.walk_action = 99;
    if (r.kind >= 0) {
      a.equipment[0].kind = r.kind;
      a.wielded_slots[0] = 0;
    }
    // Settle on the target speed, then read the action of the frame.
    for (int i = 0; i < 5; ++i) run(a, r.bits, 0.2f);
    EXPECT_EQ(a.channels[0].requested_action, r.action) << r.bits << ' ' << r.kind;
    EXPECT_EQ(a.channels[0].flags, channel_flag_apply_duration);
  }
}

TEST_F(Locomotion, StandActionsByStance) {
  const int sword = add_item_kind(item_type::one_handed);
  const int pike = add_item_kind(item_type::polearm);
  const int shield = add_item_kind(item_type::shield);
  struct row {
    int hand0;
    int hand1;
    bool unarmed;
    int action;
  };
  const row rows[] = {{-1, -1, false, 3}, {-1, -1, true, 4}, {sword, -1, false, 5},
                      {pike, -1, false, 7}, {pike, shield, false, 5}};
  for (const row& r : rows) {
    agent& a = human();
    a.stand_action = 3;
    a.unarmed_stance = r.unarmed ? 1 : 0;
    a.equipment[0].kind = r.hand0;
    a.equipment[1].kind = r.hand1;
    a.wielded_slots = {r.hand0 >= 0 ? 0 : -1, r.hand1 >= 0 ? 1 : -1};
    run(a, 0, 0.1f);
    EXPECT_EQ(a.channels[0].requested_action, r.action) << r.hand0 << ' ' << r.hand1;
  }
}

TEST_F(Locomotion, AHighPriorityLowerBodyActionFreezesTheAgent) {
  agent& a = human();
  a.forward_speed = 2.0f;
  a.side_speed = 1.0f;
  a.channels[0].action = a.channels[0].requested_action = 79;
  a.channels[0].flags = 64u | channel_flag_keep;
  run(a, input_bit::forward | full | input_bit::jump, 0.1f);
  EXPECT_EQ(a.forward_speed, 0.0f);
  EXPECT_EQ(a.side_speed, 0.0f);
  EXPECT_EQ(a.channels[0].requested_action, 79);
  EXPECT_EQ(a.pending_velocity.z, 0.0f);
}

TEST_F(Locomotion, JumpingAndLanding) {
  agent& a = human();
  run(a, input_bit::jump, 0.1f);
  EXPECT_EQ(a.pending_velocity.z, 5.0f);
  EXPECT_EQ(a.movement_flags & agent_movement_on_ground, 0u);
  EXPECT_EQ(a.channels[0].requested_action, 2);
  EXPECT_EQ(a.channels[0].flags, 2u | channel_flag_keep);
  EXPECT_EQ(sounds.played, std::vector<std::string>{"snd_jump_begin ~0.1"});
  // Landed again but within the jump's two seconds: no second jump.
  a.movement_flags |= agent_movement_on_ground;
  a.channels[0] = action_channel{};
  run(a, input_bit::jump, 1.0f);
  EXPECT_EQ(a.pending_velocity.z, 5.0f);
  run(a, input_bit::jump, 1.1f);
  EXPECT_EQ(a.pending_velocity.z, 10.0f);

  m.water_level = 5.0f;
  agent& wet = human();
  sounds.played.clear();
  run(wet, input_bit::jump, 0.1f);
  EXPECT_EQ(sounds.played, std::vector<std::string>{"snd_jump_begin_water ~0.1"});
}

TEST_F(Locomotion, ShoutsAtMostThreeTimes) {
  agent& a = human();
  for (int i = 0; i < 4; ++i) {
    run(a, 1u << 24, 0.1f);
    a.channels[1] = action_channel{};
  }
  EXPECT_EQ(a.shout_count, 3);
  EXPECT_EQ(sounds.played, (std::vector<std::string>{"voice 6", "voice 6", "voice 6"}));
  // A top byte other than exactly 1 is no shout.
  agent& b = human();
  run(b, 3u << 24, 0.1f);
  EXPECT_EQ(b.shout_count, 0);
}

TEST_F(Locomotion, MountingWithinReachDismountingOnceInTwoSeconds) {
  agent& horse = fixture.add_agent(m, agent_kind_horse);
  agent& rider = human();
  rider.input.set_direction(vec3(0.0f, 1.0f, 0.0f));
  horse.position() = vec3(0.0f, 1.0f, 0.0f);  // exactly 1.0 away: out of reach
  run(rider, input_bit::mount, 0.1f);
  EXPECT_EQ(rider.mount, -1);
  horse.position() = vec3(0.0f, 0.6f, 0.0f);
  run(rider, input_bit::mount, 0.1f);
  EXPECT_EQ(rider.mount, horse.index);
  EXPECT_EQ(horse.rider, rider.index);
  EXPECT_EQ(rider.channels[0].requested_action, 79);
  EXPECT_EQ(rider.channels[0].flags, 64u | channel_flag_keep);

  rider.channels[0] = action_channel{};
  run(rider, input_bit::dismount, 0.1f);
  EXPECT_EQ(rider.mount, -1);
  EXPECT_EQ(horse.rider, -1);
  EXPECT_EQ(rider.channels[0].requested_action, 80);
  EXPECT_FLOAT_EQ(horse.ai.retarget_period, 10.0f);
  // Back in the saddle, a second dismount within 2 s is ignored.
  rider.channels[0] = action_channel{};
  run(rider, input_bit::mount, 0.1f);
  ASSERT_EQ(rider.mount, horse.index);
  rider.channels[0] = action_channel{};
  run(rider, input_bit::dismount, 1.0f);
  EXPECT_EQ(rider.mount, horse.index);
  run(rider, 0, 1.0f);  // the guard runs out
  run(rider, input_bit::dismount, 0.1f);
  EXPECT_EQ(rider.mount, -1);
}

// The player's screen names the horse it showed the prompt for; a horse
// that has taken a rider since is not taken from under it.
TEST_F(Locomotion, AChosenHorseIsTheOneMounted) {
  agent& near = fixture.add_agent(m, agent_kind_horse);
  agent& chosen = fixture.add_agent(m, agent_kind_horse);
  agent& rider = human();
  rider.input.set_direction(vec3(0.0f, 1.0f, 0.0f));
  near.position() = vec3(0.0f, 0.6f, 0.0f);
  chosen.position() = vec3(0.0f, 1.2f, 0.0f);
  chosen.rider = 99;
  rider.mount_target = chosen.index;
  run(rider, input_bit::mount, 0.1f);
  EXPECT_EQ(rider.mount, -1);
  EXPECT_EQ(rider.mount_target, -1);
  chosen.rider = -1;
  rider.mount_target = chosen.index;
  run(rider, input_bit::mount, 0.1f);
  EXPECT_EQ(rider.mount, chosen.index);
  EXPECT_EQ(chosen.rider, rider.index);
}

TEST_F(Locomotion, MountingPutsAwayWhatCannotBeUsedFromTheSaddle) {
  const int lance = add_item_kind(item_type::polearm, 1u << 28);
  const int pavise = add_item_kind(item_type::shield, 1u << 28);
  agent& horse = fixture.add_agent(m, agent_kind_horse);
  agent& rider = human();
  rider.equipment[0].kind = lance;
  rider.equipment[1].kind = pavise;
  rider.wielded_slots = {0, 1};
  rider.previous_wielded_slots = {0, 1};
  rider.ai.mode = 2;  // its chosen horse, wherever it stands
  rider.ai.target = horse.index;
  horse.position() = vec3(30.0f, 0.0f, 0.0f);
  run(rider, input_bit::mount, 0.1f);
  EXPECT_EQ(rider.mount, horse.index);
  EXPECT_EQ(rider.wielded_slots[0], -1);
  EXPECT_EQ(rider.wielded_slots[1], -1);
  EXPECT_EQ(rider.channels[1].requested_action, 109);
}

TEST_F(Locomotion, RidersFollowTheirHorse) {
  const int lance = add_item_kind(item_type::polearm);
  agent& horse = fixture.add_agent(m, agent_kind_horse);
  agent& rider = human();
  rider.mount = horse.index;
  horse.rider = rider.index;
  struct row {
    int horse_action;
    float horse_speed;
    int lower;
    int upper;
  };
  const row rows[] = {{406, 0.0f, 65, 81}, {407, 1.0f, 66, 67}, {408, 3.0f, 69, 67},
                      {409, 5.0f, 70, 67}, {410, 8.0f, 71, 72}, {415, 0.0f, 77, 67}};
  rider.equipment[0].kind = lance;
  rider.wield_flags = 1u << 3;
  for (const row& r : rows) {
    horse.channels[0].action = r.horse_action;
    horse.forward_speed = r.horse_speed;
    rider.channels = {};
    run(rider, 0, 0.05f);
    EXPECT_EQ(rider.channels[0].requested_action, r.lower) << r.horse_action;
    EXPECT_EQ(rider.channels[1].requested_action, r.upper) << r.horse_action;
  }
  // Halting a horse that runs under throttle.
  horse.channels[0].action = 409;
  horse.gait_state = gait_forward;
  horse.forward_speed = 5.0f;
  rider.channels = {};
  run(rider, input_bit::halt, 0.05f);
  EXPECT_EQ(rider.channels[0].requested_action, 74);
}

TEST_F(Locomotion, HorseThrottleBrakeAndBacking) {
  const int courser = add_item_kind(item_type::horse);
  g_item_kinds[static_cast<std::size_t>(courser)].missile_speed = 40;
  g_item_kinds[static_cast<std::size_t>(courser)].speed_rating = 40;
  agent& horse = fixture.add_agent(m, agent_kind_horse);
  horse.horse_item = courser;
  horse.gait_state = 1;  // standing
  // From rest, the throttle starts at (maneuver - 1) x 0.04 without a rider.
  run(horse, input_bit::throttle, 0.05f);
  EXPECT_NEAR(horse.forward_speed, 39.0f * 0.04f, 1e-5f);
  EXPECT_NE(horse.gait_state & gait_forward, 0u);
  EXPECT_EQ(horse.gait_state & 7u, 2u);
  EXPECT_EQ(horse.channels[0].requested_action, 407);
  for (int i = 0; i < 400; ++i) run(horse, input_bit::throttle, 0.05f);
  // Capped at (speed + 1) x 0.19 x (1 + 0.02 x 5).
  EXPECT_NEAR(horse.forward_speed, 41.0f * 0.19f * 1.1f, 1e-3f);
  EXPECT_EQ(horse.gait_state & 7u, 5u);
  EXPECT_EQ(horse.channels[0].requested_action, 410);
  EXPECT_NEAR(horse.anim_speed_ratio, horse.forward_speed / 5.0f, 1e-5f);
  // Braking below 0.9 stops it; the brake from rest backs it.
  while (horse.forward_speed > 0.0f) run(horse, input_bit::brake, 0.05f);
  EXPECT_EQ(horse.forward_speed, 0.0f);
  EXPECT_EQ(horse.gait_state & (gait_forward | gait_backing), 0u);
  run(horse, input_bit::brake, 0.05f);
  EXPECT_FLOAT_EQ(horse.forward_speed, -0.9f);
  EXPECT_NE(horse.gait_state & gait_backing, 0u);
  EXPECT_EQ(horse.channels[1].requested_action, 417);
  for (int i = 0; i < 100; ++i) run(horse, input_bit::brake, 0.05f);
  EXPECT_FLOAT_EQ(horse.forward_speed, -1.0f);
  EXPECT_EQ(horse.channels[0].requested_action, 411);
}

TEST_F(Locomotion, HorseRearsAndJumps) {
  agent& horse = fixture.add_agent(m, agent_kind_horse);
  run(horse, input_bit::rear, 0.05f);
  EXPECT_EQ(horse.channels[0].requested_action, 412);
  EXPECT_EQ(horse.channels[0].flags, 74u | channel_flag_keep);
  EXPECT_EQ(sounds.played, std::vector<std::string>{"contact 4"});
  agent& runner = fixture.add_agent(m, agent_kind_horse);
  const int courser = add_item_kind(item_type::horse);
  g_item_kinds[static_cast<std::size_t>(courser)].missile_speed = 40;
  runner.horse_item = courser;
  runner.forward_speed = 5.0f;
  runner.gait_state = gait_forward | 4u;
  sounds.played.clear();
  run(runner, input_bit::jump, 0.05f);
  EXPECT_EQ(runner.pending_velocity.z, 6.0f);
  EXPECT_EQ(runner.channels[0].requested_action, 413);
  EXPECT_EQ(sounds.played, std::vector<std::string>{"snd_horse_jump_begin ~0.1"});
}

TEST_F(Locomotion, AStandingHorseTurnsOnTheSpot) {
  const int courser = add_item_kind(item_type::horse);
  g_item_kinds[static_cast<std::size_t>(courser)].speed_rating = 40;
  for (std::uint32_t bit : {input_bit::turn_minus, input_bit::turn_plus}) {
    agent& horse = fixture.add_agent(m, agent_kind_horse);
    horse.horse_item = courser;
    horse.gait_state = 1;
    run(horse, bit, 0.1f);
    // (maneuver + 1) / max(speed, 4) x the input x 0.1 s.
    const float sign = bit == input_bit::turn_minus ? -1.0f : 1.0f;
    EXPECT_NEAR(horse.turn_rate, sign * 41.0f / 4.0f * 0.1f, 1e-4f);
    const int expected = bit == input_bit::turn_minus ? 415 : 416;
    EXPECT_EQ(horse.channels[0].requested_action, expected);
    EXPECT_EQ(horse.channels[1].requested_action, expected);
    EXPECT_NEAR(horse.body_frame.rot.f.x, -std::sin(horse.turn_rate * 0.1f), 1e-4f);
  }
}

}  // namespace
}  // namespace hm
