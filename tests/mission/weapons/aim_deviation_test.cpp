#include "mission/weapons/aim_deviation.h"

#include <gtest/gtest.h>

#include "engine/core/noise.h"
#include "module/records/item_kind.h"

namespace hm {
namespace {

aim_inputs held(int type, float t, int proficiency, int accuracy) {
  aim_inputs in;
  in.weapon_type = type;
  in.held_seconds = t;
  in.attack_phase = 1;
  in.proficiency = proficiency;
  in.accuracy = accuracy;
  in.max_ammo = 1;
  return in;
}

TEST(AimDeviation, TargetsOfStandingShooters) {
  struct row {
    const char* what;
    aim_inputs in;
    float target;
  };
  aim_inputs idle_bow = held(item_type::bow, 1.5f, 100, 99);
  idle_bow.attack_phase = 0;
  aim_inputs unloaded = held(item_type::crossbow, 0.0f, 0, 99);
  unloaded.used_shots = 1;
  aim_inputs rider = held(item_type::bow, 1.5f, 100, 100);
  rider.mounted = true;
  rider.mount_forward_speed = -1.0f;
  aim_inputs shield = held(item_type::shield, 0.0f, 0, 99);
  const row rows[] = {
      // W = 50, P = 100: no base; T1 = 1.25, T2 = 2.0; only the accuracy term.
      {"bow steady, accuracy 100", held(item_type::bow, 1.5f, 100, 100), 0.0f},
      {"bow steady, accuracy 99", held(item_type::bow, 1.5f, 100, 99), 0.0008f},
      {"bow at its draw time", held(item_type::bow, 1.25f, 100, 100), 0.0f},
      {"bow at its hold time", held(item_type::bow, 2.0f, 100, 100), 0.0f},
      // Unskilled at t = 0: base 100 x 0.00006, the full draw addition of 1.
      {"bow just readied, unskilled", held(item_type::bow, 0.0f, 0, 99), 0.006f + 1.0f + 0.0008f},
      {"bow drawn halfway", held(item_type::bow, 0.625f, 100, 100), 0.5f - 0.1f},
      {"bow not drawn", idle_bow, 0.0f},
      {"rider at exactly 1.0", rider, 0.0f},
      {"crossbow settled", held(item_type::crossbow, 1.0f, 100, 100), 0.0f},
      {"crossbow just raised", held(item_type::crossbow, 0.0f, 100, 100), 0.7f},
      {"crossbow, unskilled, half a second", held(item_type::crossbow, 0.5f, 0, 100), 0.015f + 0.2f},
      {"crossbow unloaded", unloaded, 0.0f},
      {"musket just raised", held(item_type::musket, 0.0f, 100, 100), 0.7f},
      {"thrown, unskilled", held(item_type::thrown, 0.0f, 0, 99), 240.0f * 0.00012f + 0.0008f},
      {"thrown, skilled", held(item_type::thrown, 0.0f, 240, 100), 0.0f},
      {"a shield", shield, 0.0f},
  };
  for (const row& r : rows) EXPECT_NEAR(compute_aim_target(r.in), r.target, 1e-5f) << r.what;
}

TEST(AimDeviation, ABowHeldTooLongSwaysWithItsWeight) {
  // P = 100 and W = 50 + 40 x 2 = 130: T2 = 1.25 + 0.35 = 1.6; base (130 + 50 - 100) x 0.00006.
  aim_inputs in = held(item_type::bow, 1.6f, 100, 100);
  in.difficulty = 2;
  EXPECT_NEAR(compute_aim_target(in), 0.0048f, 1e-6f);
  in.held_seconds = 5.0f;
  const vec3 m = vector_noise(0.4f, vec3(5.0f, 8.0f, 7.5f));
  EXPECT_NEAR(compute_aim_target(in), 0.0048f + std::fabs((m.x + m.y + 1.0f) * 0.5f) * 130.0f * 0.0006f, 1e-6f);
}

TEST(AimDeviation, WalkingArcherSwaysWithTheNoise) {
  aim_inputs in = held(item_type::bow, 1.5f, 100, 100);
  in.forward_speed = 3.0f;
  in.side_speed = 4.0f;
  const vec3 n = vector_noise(0.7f, vec3(1.5f, 4.5f, 2.25f));
  const float sway = 1.4f + 1.9f * (n.x + n.y);
  // s = 5: (5 + 3) / (100 + 200) x N x 7, not clamped (N may be negative).
  EXPECT_NEAR(compute_aim_target(in), 8.0f / 300.0f * sway * 7.0f, 1e-5f);
}

TEST(AimDeviation, AngleMovesTowardsItsTarget) {
  EXPECT_NEAR(step_aim_deviation(1.0f, 0.0f, false, 0.1f), 0.9f, 1e-6f);
  EXPECT_NEAR(step_aim_deviation(1.0f, 0.0f, true, 0.1f), 0.5f, 1e-6f);
  // Widening goes twice as fast.
  EXPECT_NEAR(step_aim_deviation(0.0f, 1.0f, true, 0.05f), 0.5f, 1e-6f);
  EXPECT_NEAR(step_aim_deviation(0.0f, 1.0f, false, 0.1f), 0.2f, 1e-6f);
  // A long frame replaces the angle by the target at once.
  EXPECT_FLOAT_EQ(step_aim_deviation(0.3f, 0.7f, true, 1.0f), 0.7f);
}

}  // namespace
}  // namespace hm
