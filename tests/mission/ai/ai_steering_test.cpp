#include "mission/ai/ai_steering.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/collision/sphere.h"
#include "engine/core/timer.h"
#include "mission/ai/ai_movement.h"
#include "mission/ai/ai_neighbours.h"
#include "mission/ai/ai_think.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/combat_fixtures.h"
#include "mission/support/recording_services.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

constexpr float pi = 3.14159265f;

vec3 at_angle(float degrees, float length) {
  const float r = degrees * pi / 180.0f;
  // Angle from the y axis, counter-clockwise.
  return vec3(-std::sin(r) * length, std::cos(r) * length, 0.0f);
}

TEST(FootPresses, StartAndStopDistancesHaveHysteresis) {
  // Speed factor 1: stop 0.9, start 1.4.
  struct row {
    const char* what;
    float distance;
    std::uint32_t bits_before;
    std::uint32_t presses;
  };
  const row rows[] = {
      {"standing, 1.2 m: stays", 1.2f, 0x0u, 0x0u},
      {"standing, 1.5 m: starts forward", 1.5f, 0x0u, 0x1u},
      {"walking, 1.2 m: goes on", 1.2f, 0x3u, 0x1u},
      {"walking, 0.85 m: stops", 0.85f, 0x3u, 0x0u},
  };
  for (const row& r : rows) {
    std::uint32_t bits = r.bits_before;
    float turn = 0.0f;
    EXPECT_EQ(foot_presses(vec3(0.0f, r.distance, 0.0f), vec3(0.0f, 1.0f, 0.0f), 0.9f, 1.4f, bits, turn), r.presses)
        << r.what;
    EXPECT_EQ(bits == 0, r.presses == 0) << r.what;
  }
}

TEST(FootPresses, PressesFollowThePointSeenAlongTheAim) {
  struct row {
    const char* what;
    float degrees;  // of the point off the aim, counter-clockwise
    std::uint32_t presses;
  };
  // Side + is the right-hand side: x = d.x a.y - d.y a.x.
  const row rows[] = {
      {"ahead", 0.0f, 0x1u},       {"behind: walks backwards", 180.0f, 0x2u},
      {"right", -90.0f, 0x4u},     {"left", 90.0f, 0x8u},
      {"ahead right", -45.0f, 0x5u}, {"back left", 135.0f, 0xAu},
      {"30 degrees left", 30.0f, 0x9u},
  };
  for (const row& r : rows) {
    std::uint32_t bits = 0;
    float turn = 0.0f;
    EXPECT_EQ(foot_presses(at_angle(r.degrees, 5.0f), vec3(0.0f, 1.0f, 0.0f), 0.9f, 1.4f, bits, turn), r.presses)
        << r.what;
  }
  // Hysteresis: a held forward press lasts down to y 0.35, a new one needs 0.45.
  std::uint32_t held = 0x3u;
  float turn = 0.0f;
  const vec3 steep = at_angle(-67.0f, 5.0f);  // y = cos 67 = 0.39
  EXPECT_EQ(foot_presses(steep, vec3(0.0f, 1.0f, 0.0f), 0.9f, 1.4f, held, turn) & 0x1u, 0x1u);
  std::uint32_t fresh = 0x1u;
  EXPECT_EQ(foot_presses(steep, vec3(0.0f, 1.0f, 0.0f), 0.9f, 1.4f, fresh, turn) & 0x1u, 0x0u);
}

TEST(FootPresses, DiagonalPressIsLinedUpByASmallTurn) {
  // A point 30 degrees to the left gets the forward-left diagonal (45
  // degrees); turning the input direction by -asin(c) lines it up: the
  // pressed diagonal then points 15 degrees further right.
  std::uint32_t bits = 0;
  float turn = 0.0f;
  foot_presses(at_angle(30.0f, 5.0f), vec3(0.0f, 1.0f, 0.0f), 0.9f, 1.4f, bits, turn);
  EXPECT_NEAR(-std::asin(turn), -15.0f * pi / 180.0f, 1e-4f);
}

TEST(RiderPresses, SpeedTurnsAndBrakes) {
  rider_steer s;
  // 1 m ahead, start 1.2 x 0.8: standing still, no press.
  rider_presses(1.0f, 0.0f, 0.8f, 1.2f, 10.0f, 0.0f, 0.0f, false, 0.0f, false, s);
  EXPECT_EQ(s.move_bits, 0u);
  EXPECT_EQ(s.presses, 0u);
  // 1.5 m ahead: 0.7 x 1.5 = 1.05, still asked for at least 1.2: throttle.
  rider_presses(1.5f, 0.0f, 0.8f, 1.2f, 10.0f, 0.0f, 0.0f, false, 0.0f, false, s);
  EXPECT_FLOAT_EQ(s.wanted_speed, 1.2f);
  EXPECT_EQ(s.presses, 0x10u);
  // A turn to the left presses turn + and slows: 0.9 - 0.45 x 0.5 of 7.
  s = rider_steer{};
  rider_presses(10.0f, 0.5f, 0.8f, 1.2f, 10.0f, 0.0f, 0.0f, false, 7.0f, false, s);
  EXPECT_EQ(s.presses & 0xC0u, 0x80u);
  EXPECT_NEAR(s.wanted_speed, 7.0f * 0.675f, 1e-4f);
  EXPECT_EQ(s.presses & 0x20u, 0x20u);  // faster than wanted: brake
  // A lance charge never brakes.
  s = rider_steer{};
  rider_presses(10.0f, 0.5f, 0.8f, 1.2f, 10.0f, 0.0f, 0.0f, false, 7.0f, true, s);
  EXPECT_EQ(s.presses & 0x30u, 0x0u);
}

class Steering : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
    ai_agent_buckets(m).forget();
  }
  recording_services services;
  mission m;
};

TEST_F(Steering, NoValidPositionNoPressesNoChange) {
  agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
  a.position_valid = 0;
  a.goal_flags = agent_movement_to_goal | goal_ai_set;
  a.goal_position = vec3(0.0f, 10.0f, 0.0f);
  a.ai.avoid_angle = 0.5f;
  ai_combat_words words;
  agent_ai_decide_combat(m, a, words);
  EXPECT_EQ(a.ai.current_input.action_flags, 0u);
  EXPECT_FLOAT_EQ(a.ai.avoid_angle, 0.5f);
  EXPECT_FLOAT_EQ(a.ai.stuck_meter, 0.0f);
}

TEST_F(Steering, WalksTowardsItsGoalAndLooksThere) {
  agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
  a.goal_flags = agent_movement_to_goal | goal_ai_set;
  a.goal_position = vec3(10.0f, 0.0f, 0.0f);
  a.ai.speed_factor = 1.0f;
  ai_combat_words words;
  agent_ai_decide_combat(m, a, words);
  EXPECT_EQ(a.ai.current_input.action_flags & 0xFu, 0x1u);
  const vec3 d = a.ai.current_input.direction_vec3();
  EXPECT_NEAR(d.x, 1.0f, 1e-4f);
  EXPECT_NEAR(d.y, 0.0f, 1e-4f);
}

TEST_F(Steering, AStuckAgentIsUnstuckAtMostOnceAMinute) {
  agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
  a.goal_flags = agent_movement_to_goal | goal_ai_set;
  a.goal_position = vec3(0.0f, 10.0f, 0.0f);
  a.ai.speed_factor = 1.0f;
  a.ai.move_bits = 0x3u;
  a.ai.stuck_meter = -0.09f;
  ai_combat_words words;
  agent_ai_steer(m, a);  // -0.12: the first unstick
  EXPECT_FLOAT_EQ(a.ai.stuck_meter, 1.0f);
  EXPECT_EQ(a.repath_needed, 1);
  a.ai.stuck_meter = -0.5f;
  a.ai.avoid_angle = 0.0f;
  advance_clock(clock_mission, 30.0f);
  agent_ai_steer(m, a);  // no unstick before a minute: the point swings aside
  EXPECT_LT(a.ai.stuck_meter, -0.5f);
  EXPECT_GT(std::fabs(a.ai.avoid_angle), 0.3f);
  advance_clock(clock_mission, 31.0f);
  agent_ai_steer(m, a);
  EXPECT_FLOAT_EQ(a.ai.stuck_meter, 1.0f);
}

TEST_F(Steering, AnAgentInTheWayBendsTheSteeringPoint) {
  m.scene_min_x = -50.0f;
  m.scene_min_y = -50.0f;
  m.scene_max_x = 50.0f;
  m.scene_max_y = 50.0f;
  agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
  spawn_standing_agent(m, agent_kind_human, 0, vec3(0.1f, 2.0f, 0.0f));
  a.goal_flags = agent_movement_to_goal | goal_ai_set;
  a.goal_position = vec3(0.0f, 10.0f, 0.0f);
  a.ai.speed_factor = 1.0f;
  advance_clock(clock_mission, 0.01f);
  agent_ai_steer(m, a);
  // The blocker stands a little to the right: the agent bends left.
  EXPECT_GT(a.ai.avoid_angle, 0.3f);
}

TEST_F(Steering, ARiderThrottlesTowardsItsGoalAndTurnsTowardsIt) {
  agent& horse = spawn_standing_agent(m, agent_kind_horse, -1, vec3(0.0f, 0.0f, 0.0f));
  agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
  a.mount = horse.index;
  horse.rider = a.index;
  a.goal_flags = agent_movement_to_goal | goal_ai_set;
  a.goal_position = vec3(-10.0f, 10.0f, 0.0f);  // ahead and to the left
  a.ai.speed_factor = 3.0f;
  agent_ai_steer(m, a);
  EXPECT_EQ(a.ai.move_bits, 1u);
  EXPECT_EQ(a.ai.current_input.action_flags & 0xF0u, 0x10u | 0x80u);  // throttle, turn +
  EXPECT_EQ(a.ai.current_input.action_flags & 0xFu, 0u);              // no walking presses
}

TEST_F(Steering, APropInTheWayBendsTheSteeringPoint) {
  // A pillar of the scene a little to the left of the way: the agent bends
  // right (a negative angle).
  m.scene = std::make_unique<scene_world>();
  m.scene->set_bounds(vec3(-50.0f, -50.0f, 0.0f), vec3(50.0f, 50.0f, 0.0f), 4, 4);
  m.scene->add_body(std::make_unique<sphere>(vec3(-0.2f, 2.5f, 1.3f), 0.5f));
  agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
  a.goal_flags = agent_movement_to_goal | goal_ai_set;
  a.goal_position = vec3(0.0f, 10.0f, 0.0f);
  a.ai.speed_factor = 1.0f;
  agent_ai_steer(m, a);
  EXPECT_LT(a.ai.avoid_angle, -0.3f);
}

}  // namespace
}  // namespace hm
