#include "mission/ai/ai_battle.h"

#include <gtest/gtest.h>

#include <vector>

#include "mission/records/agent.h"
#include "mission/records/mission.h"

namespace hm {
namespace {

battle_setup small_field(bool wall) {
  battle_setup s;
  // 120 x 120 m of gentle hills.
  s.terrain_code = "0x000000003000000000078780000034e0000012d0";
  s.seed = 11;
  s.half_wall = wall;
  return s;
}

std::vector<vec3> run_and_collect(bool wall, int frames) {
  headless_battle battle(small_field(wall));
  battle.add_team(0, {{-1, 12}});
  battle.add_team(1, {{-1, 12}});
  for (int i = 0; i < frames; ++i) battle.frame();
  std::vector<vec3> where;
  mission& m = battle.the_mission();
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    where.push_back(m.get_agent(i)->position());
  }
  return where;
}

TEST(HeadlessBattle, TheSidesCloseAndEveryAgentAimsAtAnEnemy) {
  headless_battle battle(small_field(false));
  battle.add_team(0, {{-1, 12}});
  battle.add_team(1, {{-1, 12}});
  battle.frame();
  const float start_gap = battle.counts().gap;
  EXPECT_NEAR(start_gap, 30.0f, 1.0f);
  for (int i = 0; i < 60 * 20; ++i) battle.frame();
  EXPECT_LT(battle.counts().gap, 8.0f);
  EXPECT_EQ(battle.counts().alive[0], 12);
  EXPECT_EQ(battle.counts().alive[1], 12);
  mission& m = battle.the_mission();
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& a = *m.get_agent(i);
    EXPECT_EQ(a.ai.mode, 4) << i;  // melee
    const agent* t = m.get_agent(a.ai.combat_target);
    ASSERT_NE(t, nullptr) << i;
    EXPECT_NE(t->team, a.team) << i;
    // It aims at its target (as of its last combat pass, a moment ago).
    vec3 to = t->position() - a.position();
    to.z = 0.0f;
    if (to.length() < 1.0f) continue;
    vec3 aim = a.ai.aim_direction;
    aim.z = 0.0f;
    EXPECT_GT(dot_product(aim * (1.0f / aim.length()), to * (1.0f / to.length())), 0.7f) << i;
  }
}

TEST(HeadlessBattle, TheSameSeedGivesTheSameBattle) {
  const std::vector<vec3> first = run_and_collect(false, 600);
  const std::vector<vec3> second = run_and_collect(false, 600);
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].x, second[i].x) << i;
    EXPECT_EQ(first[i].y, second[i].y) << i;
  }
}

TEST(HeadlessBattle, TargetsBehindAWallGiveNoPathAndTheSearchesStayBounded) {
  headless_battle battle(small_field(true));
  battle.add_team(0, {{-1, 40}});
  battle.add_team(1, {{-1, 40}});
  const int faces = static_cast<int>(battle.nav_graph().faces.size());
  int failed = 0;
  for (int i = 0; i < 60 * 10; ++i) {
    battle.frame();
    mission& m = battle.the_mission();
    for (int k = m.first_live_agent(); k < m.agents.count(); k = m.next_live_agent(k)) {
      const agent& a = *m.get_agent(k);
      EXPECT_LE(a.path_expanded, faces);
      if (a.path_empty != 0) ++failed;
    }
  }
  EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace hm
