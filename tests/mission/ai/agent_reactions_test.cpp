#include "mission/ai/agent_reactions.h"

#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"

namespace hm {
namespace {

constexpr float pi_f = 3.14159265f;

TEST(SignedAngle2d, CounterClockwiseFromAToB) {
  struct row {
    vec3 a;
    vec3 b;
    float angle;
  };
  const row rows[] = {
      {vec3(0, 1, 0), vec3(-1, 0, 0), pi_f / 2},      // a quarter turn to the left
      {vec3(0, 1, 0), vec3(1, 0, 0), -pi_f / 2},
      {vec3(0, 2, 5), vec3(0, -3, 0), pi_f},          // half a turn gives +pi
      {vec3(0, 0, 1), vec3(-1, 0, 0), pi_f / 2},      // a without length counts as (0, 1)
      {vec3(1, 0, 0), vec3(0, 0, 3), 0.0f},           // b without length
  };
  for (const row& r : rows) EXPECT_NEAR(signed_angle_2d(r.a, r.b), r.angle, 1e-6f) << r.angle;
}

// A rider facing +y whose input looks at `angle` (counter-clockwise).
agent rider_looking(float angle, int wield_mode, float turn) {
  agent a;
  a.body_frame = frame::identity();
  a.input.set_direction(vec3(-std::sin(angle), std::cos(angle), 0.0f));
  a.wield_mode = wield_mode;
  a.rider_turn_angle = turn;
  return a;
}

TEST(RiderTurn, HeldWithinTheWieldModesRangeAndEasedWhenFar) {
  struct row {
    const char* what;
    float look;
    int wield_mode;
    float turn_before;
    float dt;
    float turn_after;
  };
  const row rows[] = {
      {"inside the range: jumps there", 1.0f, 0, 0.5f, 0.1f, 1.0f},
      {"left of the range: the low bound", -1.0f, 0, -0.4f, 0.1f, -0.5f},
      {"round the back: the high bound", -2.5f, 0, 3.0f, 0.1f, 3.1415927f},
      {"1 rad away: 9 dt of the way", 1.0f, 1, 0.0f, 0.05f, 0.45f},
      {"mode 5 turns little to the right", 2.0f, 5, 1.0f, 0.1f, 1.0f},
  };
  for (const row& r : rows) {
    agent a = rider_looking(r.look, r.wield_mode, r.turn_before);
    agent_update_rider_turn_angle(a, r.dt);
    EXPECT_NEAR(a.rider_turn_angle, r.turn_after, 1e-5f) << r.what;
  }
}

class HitReaction : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
    victim = &m.allocate_agent();
    victim->body_frame = frame::identity();  // faces +y, side axis +x
    attacker = &m.allocate_agent();
    victim->pending_blow.attacker = attacker->index;
  }

  int reaction(vec3 attacker_at, vec3 blow_direction, int bone, int severity) {
    attacker->position() = attacker_at;
    victim->pending_blow.direction = blow_direction;
    victim->pending_blow.bone = bone;
    return agent_choose_hit_reaction_action(m, *victim, severity);
  }

  recording_services services;
  mission m;
  agent* victim = nullptr;
  agent* attacker = nullptr;
};

TEST_F(HitReaction, BySideBodyPartAndSeverity) {
  const vec3 front(0, 2, 0);
  const vec3 behind(0, -2, 0);
  const vec3 along_side(1, 0, 0);
  const vec3 against_side(-1, 0, 0);
  const vec3 straight(0, -1, 0);
  struct row {
    const char* what;
    vec3 at;
    vec3 direction;
    int bone;
    int severity;
    int action;
  };
  const row rows[] = {
      {"front, head, light", front, straight, 9, 0, 238},
      {"front, arm, light", front, straight, 12, 0, 242},
      {"flank +side, hips, light", front, along_side, 0, 0, 238 + 1 + 8},
      {"flank -side, leg, heavier", front, against_side, 3, 1, 254 + 2 + 12},
      {"behind, head, heaviest", behind, straight, 9, 2, 273},
      {"behind, leg, heaviest", behind, straight, 4, 2, 280},
      {"behind, arm, heaviest", behind, straight, 15, 2, 280},
      {"front, arm, heaviest", front, along_side, 15, 2, 275},
      {"front, spine, heaviest", front, straight, 7, 2, 277},
      {"unknown severity counts as light", front, straight, 9, 7, 238},
  };
  for (const row& r : rows) EXPECT_EQ(reaction(r.at, r.direction, r.bone, r.severity), r.action) << r.what;

  // Without an attacker the blow comes from the origin: here, from behind.
  victim->pending_blow.attacker = -1;
  victim->position() = vec3(0, 5, 0);
  EXPECT_EQ(agent_choose_hit_reaction_action(m, *victim, 0), 238 + 3);
}

}  // namespace
}  // namespace hm
