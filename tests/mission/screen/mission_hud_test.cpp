// The status panel's and the aiming marks' rules: shield pictures by hit
// points, the ammunition count's colour, how the marks fade and which arrow
// an attack direction lights.
#include "mission/screen/mission_hud.h"

#include <gtest/gtest.h>

#include "mission/records/rider_aim.h"

namespace hm {
namespace {

TEST(MissionHud, ShieldPictureFollowsTheShareOfHitPointsLeft) {
  const struct {
    int hp, max;
    const char* picture;
  } rows[] = {{1, 100, "status_shield_20"},  {20, 100, "status_shield_20"}, {21, 100, "status_shield_40"},
              {61, 100, "status_shield_80"}, {100, 100, "status_shield_100"}, {0, 100, ""},
              {10, 0, ""}};
  for (const auto& r : rows)
    EXPECT_EQ(shield_picture_name(shield_level(r.hp, r.max)), r.picture) << r.hp << "/" << r.max;
}

TEST(MissionHud, AnEmptyQuiverCountShowsRed) {
  EXPECT_EQ(ammo_count_colour(0), 0xFFB02020u);
  EXPECT_EQ(ammo_count_colour(1), 0xFFFFFFFFu);
}

TEST(MissionHud, MarksRiseFasterThanTheyFadeAndNeverOvershoot) {
  // Rate 0.5 over 0.1 s: up 0.06, down 0.05.
  EXPECT_NEAR(approach_alpha(0.0f, 0.9f, 0.5f, 0.1f), 0.06f, 1e-6f);
  EXPECT_NEAR(approach_alpha(0.9f, 0.0f, 0.5f, 0.1f), 0.85f, 1e-6f);
  EXPECT_FLOAT_EQ(approach_alpha(0.88f, 0.9f, 0.5f, 0.1f), 0.9f);
  EXPECT_FLOAT_EQ(approach_alpha(0.02f, 0.0f, 2.5f, 0.1f), 0.0f);
}

TEST(MissionHud, AttackDirectionsLightTheirArrows) {
  EXPECT_EQ(arrow_of_attack_direction(3), 0);  // up
  EXPECT_EQ(arrow_of_attack_direction(1), 1);  // right
  EXPECT_EQ(arrow_of_attack_direction(0), 2);  // down
  EXPECT_EQ(arrow_of_attack_direction(2), 3);  // left
  EXPECT_EQ(arrow_of_attack_direction(4), -1);
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

// The rider's aiming windows: [low, high) per wield mode, every angle for a
// mode the table lacks.
TEST(MountedAimingWindow, EachSideHasItsOwnRange) {
  struct row {
    int side;
    float angle;
    bool inside;
  };
  const row rows[] = {{0, -0.5f, true}, {0, -0.51f, false}, {0, 3.1f, true},  {1, 2.0f, false},
                      {1, -2.0f, true}, {5, 0.99f, true},   {5, 1.0f, false}, {6, 10.0f, true},
                      {-1, 10.0f, true}};
  for (const row& r : rows) {
    SCOPED_TRACE(std::to_string(r.side) + " " + std::to_string(r.angle));
    EXPECT_EQ(in_rider_aim_window(r.side, r.angle), r.inside);
  }
}

}  // namespace
}  // namespace hm
