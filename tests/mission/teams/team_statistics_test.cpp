#include <gtest/gtest.h>

#include <vector>

#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"

namespace hm {
namespace {

class TeamStatistics : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
  }
  void TearDown() override { reset_clocks(); }

  agent& human(int team, vec3 position = vec3()) {
    agent& a = m.allocate_agent();
    a.kind = agent_kind_human;
    a.state = agent_state_alive;
    a.team = team;
    a.troop = 0;
    a.position() = position;
    return a;
  }
  agent& rider(int team, vec3 position = vec3()) {
    agent& a = human(team, position);
    a.mount = 1000;  // riding: the horse's record does not matter here
    return a;
  }
  agent& horse(int team, vec3 position = vec3()) {
    agent& a = human(team, position);
    a.kind = agent_kind_horse;
    return a;
  }

  recording_services services;
  mission m;
};

TEST_F(TeamStatistics, SlotsAndFormationOffsetsWithinAGroup) {
  agent& r0 = rider(0);
  agent& r1 = rider(0);
  agent& r2 = rider(0);
  agent& f0 = human(1);
  agent& f1 = human(1);
  agent& t2 = human(2);
  agent& t3 = human(3);
  t3.ai.depth_offset = 5.0f;
  m.update_team_statistics();

  EXPECT_EQ(m.teams[0].groups[team_group_riders].size, 3.0f);
  EXPECT_EQ(m.teams[0].groups[team_group_foot].size, 0.0f);
  struct expected_agent {
    const agent& a;
    int slot;
    float offset;
    float depth;
  };
  const expected_agent expected[] = {
      {r0, 0, -1.5f, -0.7f}, {r1, 0, -1.5f, -0.7f}, {r2, 1, -0.5f, -0.7f}, {f0, 0, -1.0f, 0.0f},
      {f1, 0, -1.0f, 0.0f},  {t2, 0, -0.5f, 1.2f},  {t3, 0, -0.5f, 5.0f},
  };
  for (const expected_agent& e : expected) {
    EXPECT_EQ(e.a.ai.slot_in_group, e.slot) << e.a.index;
    EXPECT_FLOAT_EQ(e.a.ai.formation_offset, e.offset) << e.a.index;
    EXPECT_FLOAT_EQ(e.a.ai.depth_offset, e.depth) << e.a.index;
  }
}

TEST_F(TeamStatistics, OnlyLiveHumansAreCountedAndCentred) {
  human(4, vec3(2.0f, 0.0f, 0.0f));
  human(4, vec3(4.0f, 2.0f, 0.0f));
  human(4, vec3(100.0f, 0.0f, 0.0f)).state = agent_state_dead;
  horse(4, vec3(100.0f, 0.0f, 0.0f));
  human(4, vec3(100.0f, 0.0f, 0.0f)).in_use = 0;
  human(9, vec3(0.0f, 10.0f, 0.0f));  // counts in team 7
  m.update_team_statistics();
  const team_group& g = m.teams[4].groups[team_group_foot];
  EXPECT_EQ(g.size, 2.0f);
  EXPECT_FLOAT_EQ(g.centre.x, 3.0f);
  EXPECT_FLOAT_EQ(g.centre.y, 1.0f);
  EXPECT_EQ(m.teams[7].groups[team_group_foot].size, 1.0f);
  EXPECT_FLOAT_EQ(m.teams[7].groups[team_group_foot].centre.y, 10.0f);
}

TEST_F(TeamStatistics, GroupsStandingTogetherReportMergedSizes) {
  team& t = m.teams[0];
  t.groups[team_group_foot].follow_point = vec3(0.0f, 0.0f, 0.0f);
  t.groups[team_group_middle].follow_point = vec3(5.0f, 0.0f, 0.0f);
  t.groups[team_group_riders].follow_point = vec3(0.6f, 0.6f, 0.0f);
  human(0);
  human(0);
  for (int i = 0; i < 3; ++i) rider(0);
  m.update_team_statistics();
  EXPECT_EQ(t.groups[team_group_foot].merged_size, 5.0f);
  EXPECT_EQ(t.groups[team_group_foot].merged_size_half, 2.5f);
  EXPECT_EQ(t.groups[team_group_riders].merged_size, 5.0f);
  EXPECT_EQ(t.groups[team_group_middle].merged_size, 0.0f);
}

TEST_F(TeamStatistics, ALeaderWhoDiesIsReplacedAtTheNextPassOnly) {
  agent& old_leader = human(0);
  horse(0);
  human(1);
  agent& next = human(0);
  m.teams[0].leader = old_leader.index;
  m.teams[1].leader = 2;
  m.frame(0.1f, false);  // the first pass
  old_leader.state = agent_state_dead;
  m.agents.get(2)->state = agent_state_unconscious;
  m.frame(0.5f, false);  // 0.6 s: not due
  EXPECT_EQ(m.teams[0].leader, old_leader.index);
  m.frame(0.7f, false);  // 1.3 s: due 1.1 s after the first pass
  EXPECT_EQ(m.teams[0].leader, next.index);
  // No live human left in team 1: the old index stays.
  EXPECT_EQ(m.teams[1].leader, 2);
}

TEST_F(TeamStatistics, StatisticsRunEveryOnePointOneSeconds) {
  m.update_team_statistics();
  EXPECT_EQ(m.statistics_due_tick, 110000);
  human(0);
  advance_clock(clock_mission, 1.0f);
  m.update_team_statistics();
  EXPECT_EQ(m.teams[0].groups[0].size, 0.0f);
  advance_clock(clock_mission, 0.1f);
  m.update_team_statistics();
  EXPECT_EQ(m.teams[0].groups[0].size, 1.0f);
  EXPECT_EQ(m.statistics_due_tick, 220000);
}

TEST_F(TeamStatistics, FacingTurnsTwentyPercentTowardsTheEnemyPerPass) {
  m.set_team_relation(0, 1, team_relation_enemy);
  m.teams[0].leader = human(0).index;
  human(1, vec3(10.0f, 0.0f, 0.0f));
  human(1, vec3(300.0f, 0.0f, 5.0f));
  // Neither a neutral team nor an enemy horse pulls the facing.
  human(2, vec3(-5.0f, 0.0f, 0.0f));
  horse(1, vec3(0.0f, -10.0f, 0.0f));
  // A team without leader keeps its facing.
  m.set_team_relation(3, 1, team_relation_enemy);

  m.update_team_statistics();
  const vec3& f = m.teams[0].groups[team_group_foot].facing;
  EXPECT_FLOAT_EQ(f.x, 1.0f);
  EXPECT_FLOAT_EQ(f.y, 0.0f);
  EXPECT_EQ(m.teams[3].groups[team_group_foot].facing.length_squared(), 0.0f);

  m.teams[0].groups[team_group_foot].facing = vec3(0.0f, 1.0f, 0.0f);
  advance_clock(clock_mission, 1.1f);
  m.update_team_statistics();
  // normalise(0.8 (0, 1) + 0.2 (1, 0)) = (0.2, 0.8) / 0.824621
  EXPECT_NEAR(f.x, 0.242536f, 1e-5f);
  EXPECT_NEAR(f.y, 0.970143f, 1e-5f);
  EXPECT_EQ(f.z, 0.0f);
}

TEST_F(TeamStatistics, AnEnemyOnTheFollowPointCountsAsStraightAhead) {
  m.set_team_relation(0, 1, team_relation_enemy);
  m.teams[0].leader = human(0, vec3(7.0f, 7.0f, 0.0f)).index;
  human(1, vec3(0.0f, 0.0f, 0.0f));  // on the group's follow point
  m.update_team_statistics();
  const vec3& f = m.teams[0].groups[team_group_foot].facing;
  EXPECT_FLOAT_EQ(f.x, 0.0f);
  EXPECT_FLOAT_EQ(f.y, 1.0f);
}

TEST_F(TeamStatistics, AttackersCountTheAgentsTargetingEach) {
  for (int i = 0; i < 4; ++i) human(i % 2);
  m.agents.get(0)->ai.target = 2;
  m.agents.get(1)->ai.target = 2;
  m.agents.get(2)->ai.target = 0;
  m.agents.get(3)->ai.target = 99;
  m.agents.get(3)->ai.attackers = 7;
  m.update_team_statistics();
  const std::vector<int> expected = {1, 0, 2, 0};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(m.agents.get(i)->ai.attackers, expected[static_cast<std::size_t>(i)]) << i;
}

TEST_F(TeamStatistics, FollowingGroupsTakeTheLeadersPlaceEveryFrame) {
  agent& leader = human(2, vec3(3.0f, 4.0f, 0.0f));
  leader.velocity = vec3(0.0f, -2.0f, 0.0f);
  leader.ground_face_index = 12;
  m.teams[2].leader = leader.index;
  m.teams[2].groups[team_group_riders].mode = group_order_follow_leader;
  m.update_team_statistics();
  leader.position() = vec3(8.0f, 9.0f, 1.0f);
  advance_clock(clock_mission, 0.1f);  // the pass is not due
  m.update_team_statistics();
  const team_group& g = m.teams[2].groups[team_group_riders];
  EXPECT_EQ(g.follow_point.x, 8.0f);
  EXPECT_EQ(g.follow_point.y, 9.0f);
  EXPECT_EQ(g.follow_face, 12);
  EXPECT_FLOAT_EQ(g.follow_direction.y, -1.0f);
  // A group under another order stays where it was.
  EXPECT_EQ(m.teams[2].groups[team_group_foot].follow_point.x, 0.0f);
}

TEST_F(TeamStatistics, CensusChangesWithHumansButNotHorses) {
  agent& a = human(0);
  human(0);
  agent& h = horse(0);
  human(12);  // outside the table: not counted
  m.frame(0.1f, false);
  EXPECT_EQ(m.census[0][agent_state_alive], 2);
  EXPECT_FLOAT_EQ(m.census_change_time, 0.1f);
  h.state = agent_state_dead;
  m.frame(0.1f, false);
  EXPECT_FLOAT_EQ(m.census_change_time, 0.1f);
  a.state = agent_state_unconscious;
  m.frame(0.1f, false);
  EXPECT_EQ(m.census[0][agent_state_alive], 1);
  EXPECT_EQ(m.census[0][agent_state_unconscious], 1);
  EXPECT_NEAR(m.census_change_time, 0.3f, 1e-6f);
  int total = 0;
  for (const auto& row : m.census) {
    for (int n : row) total += n;
  }
  EXPECT_EQ(total, 2);
}

}  // namespace
}  // namespace hm
