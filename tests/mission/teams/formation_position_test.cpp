#include "mission/teams/formation_position.h"

#include <gtest/gtest.h>

#include "mission/records/mission.h"
#include "mission/support/recording_services.h"

namespace hm {
namespace {

class ground_at_seven : public recording_services {
 public:
  bool ground_height(mission&, const vec3&, float& out) override {
    if (!has_ground) return false;
    out = 7.0f;
    return true;
  }
  bool has_ground = true;
};

TEST(FormationPosition, SpacingByKindAndMount) {
  struct spacing_case {
    int kind;
    bool mounted;
    float expected;
  };
  for (const spacing_case& c : {spacing_case{1, false, 0.7f}, {2, false, 1.0f}, {3, false, 1.65f},
                                {4, false, 2.5f}, {0, false, 1.0f}, {9, false, 1.0f}, {3, true, 2.64f}}) {
    EXPECT_FLOAT_EQ(formation_spacing(c.kind, c.mounted), c.expected) << c.kind << c.mounted;
  }
}

TEST(FormationPosition, PointFromTheGroupFacingRowPlaceAndScatter) {
  ground_at_seven services;
  mission m;
  m.set_services(&services);
  agent& a = m.allocate_agent();
  a.team = 9;  // reads team 7's groups
  a.troop = 0;
  a.mount = 5;
  a.ai.depth_offset = 1.0f;
  a.ai.formation_offset = -1.5f;
  a.ai.formation_scatter = {1.0f, -1.0f};
  team_group& g = m.teams[7].groups[team_group_riders];
  g.follow_point = vec3(10.0f, 20.0f, 5.0f);
  g.facing = vec3(0.0f, 1.0f, 0.0f);
  g.formation = 3;
  // s = 2.64: (10, 20) + (0, 1) x 2.64 + (1, 0) x -1.5 x 2.64 + 0.264 x (1, -1)
  const vec3 p = get_formation_position(m, a);
  EXPECT_NEAR(p.x, 10.0f - 3.96f + 0.264f, 1e-4f);
  EXPECT_NEAR(p.y, 20.0f + 2.64f - 0.264f, 1e-4f);
  EXPECT_EQ(p.z, 7.0f);  // the ground's, not the group's
  services.has_ground = false;
  EXPECT_EQ(get_formation_position(m, a).z, 5.0f);
}

TEST(FormationPosition, TightFormationStepsBackOnItsSideFlag) {
  recording_services services;
  mission m;
  m.set_services(&services);
  agent& a = m.allocate_agent();
  a.team = 2;
  team_group& g = m.teams[2].groups[team_group_foot];
  g.facing = vec3(1.0f, 0.0f, 0.0f);
  g.formation = 1;
  EXPECT_FLOAT_EQ(get_formation_position(m, a).x, 0.0f);
  a.ai.formation_side = 1;
  EXPECT_FLOAT_EQ(get_formation_position(m, a).x, -0.7f);
  a.ai.formation_offset = 2.0f;  // along e = (0, -1)
  EXPECT_FLOAT_EQ(get_formation_position(m, a).y, -1.4f);
}

}  // namespace
}  // namespace hm
