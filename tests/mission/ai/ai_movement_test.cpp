#include "mission/ai/ai_movement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/core/timer.h"
#include "mission/agent/agent_perception.h"
#include "mission/ai/ai_behaviour.h"
#include "mission/ai/ai_neighbours.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"
#include "mission/support/combat_fixtures.h"
#include "module/records/item_kind.h"
#include "mission/support/recording_services.h"
#include "render/entity/entity.h"

namespace hm {
namespace {

TEST(Fear, GrowsByLevelAndOptionUnlessFearless) {
  struct row {
    const char* what;
    float enemy, friends, u;
    int level, combat_ai;
    bool no_fear;
    float from, to;
  };
  const row rows[] = {
      // (40 - 10) x 0.012 + 2 x 0.5 = 1.36 at least, pressure adding up to 20 u k.
      {"level 10, option 2, no pressure", 0.0f, 1.0f, 0.0f, 10, 2, false, 0.0f, 1.36f},
      {"level 10, option 2, full pressure", 1.0f, 0.0f, 0.5f, 10, 2, false, 0.0f, 1.36f + 3.0f},
      {"fearless gets only the pressure", 1.0f, 0.0f, 0.5f, 10, 2, true, 0.0f, 3.0f},
      {"held to 11", 1.0f, 0.0f, 0.9f, 0, 4, false, 9.0f, 11.0f},
      {"a stored value over 30 is cut first", 0.0f, 0.0f, 0.0f, 40, 0, false, 50.0f, 11.0f},
  };
  for (const row& r : rows) {
    EXPECT_NEAR(grow_fear(r.from, r.enemy, r.friends, r.u, r.level, r.combat_ai, r.no_fear), r.to, 1e-4f) << r.what;
  }
  // A level-10 soldier under option 2 backs off (fear 10) within 8 passes.
  float fear = 0.0f;
  int passes = 0;
  while (fear < 10.0f && passes < 100) {
    fear = grow_fear(fear, 0.0f, 0.0f, 0.0f, 10, 2, false);
    ++passes;
  }
  EXPECT_EQ(passes, 8);
  // Calming: 20 u clamp(1.3 friends - enemies, 0.01, 0.3).
  EXPECT_NEAR(calm_fear(10.0f, 0.0f, 1.0f, 0.5f), 7.0f, 1e-4f);
  EXPECT_NEAR(calm_fear(0.05f, 1.0f, 0.0f, 1.0f), 0.0f, 1e-6f);
}

TEST(RidePast, AHorseArcherRidesShortOfItsTargetAndToItsSide) {
  // Target 30 m north: the point lies 10 m from the archer along the line
  // and 13 m to its right, lifted 100 m above the archer.
  const vec3 p = ride_past_point(vec3(0.0f, 0.0f, 5.0f), vec3(0.0f, 30.0f, 0.0f));
  EXPECT_NEAR(p.x, 13.0f, 1e-4f);
  EXPECT_NEAR(p.y, 10.0f, 1e-4f);
  EXPECT_NEAR(p.z, 105.0f, 1e-4f);
}

class MovementPass : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
    m.scene_min_x = m.scene_min_y = -100.0f;
    m.scene_max_x = m.scene_max_y = 100.0f;
  }
  recording_services services;
  mission m;
};

TEST_F(MovementPass, MountedModesOnFootChooseAgainAtOnce) {
  for (int mode : {ai_mode_ride_and_shoot, ai_mode_charge, ai_mode_ride_through}) {
    agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3());
    a.ai.flags = 1;
    a.ai.mode = mode;
    a.ai.retarget_period = 5.0f;
    agent_ai_decide_movement(m, a);
    EXPECT_FLOAT_EQ(a.ai.retarget_period, 0.0f) << mode;
    EXPECT_FLOAT_EQ(a.ai.combat_period, 0.0f) << mode;  // the combat pass follows at once
  }
}

TEST_F(MovementPass, MountingPressesOnlyWithin099Metres) {
  struct row {
    float distance;
    bool presses;
  };
  for (const row r : {row{0.99f, true}, row{1.0f, false}, row{3.0f, false}}) {
    agent& horse = spawn_standing_agent(m, agent_kind_horse, 0, vec3(r.distance, 0.0f, 0.0f));
    agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3());
    a.ai.flags = 1;
    a.ai.mode = ai_mode_mount;
    a.ai.target = horse.index;
    agent_ai_decide_movement(m, a);
    EXPECT_EQ((a.ai.extra_flags & 0x20000u) != 0, r.presses) << r.distance;
    EXPECT_EQ(a.goal_flags != 0, !r.presses) << r.distance;  // else it walks to the horse
    EXPECT_FLOAT_EQ(a.ai.speed_factor, 0.15f);
  }
}

// An archer on foot whose shot at a seen enemy is blocked by a friend steps
// aside (about a point 0.7 m towards the enemy, within 1.8 m) rather than
// walking up to the enemy.
TEST_F(MovementPass, AnArcherOnFootWithAFriendInTheWaySideSteps) {
  struct open_field : recording_services {
    bool segment_is_clear(mission&, const vec3&, const vec3&) override { return true; }
  } field;
  m.set_services(&field);
  std::vector<std::unique_ptr<skeleton_entity>> bodies;
  const auto with_body = [&](agent& x) -> agent& {
    bodies.push_back(std::make_unique<skeleton_entity>());
    bodies.back()->frame = x.body_frame;
    x.agent_entity = bodies.back().get();
    return x;
  };
  m.set_team_relation(0, 1, team_relation_enemy);
  m.set_team_relation(0, 0, team_relation_ally);
  const int bow = add_item_kind(item_type::bow);
  g_item_kinds[static_cast<std::size_t>(bow)].missile_speed = 50;
  agent& a = with_body(spawn_standing_agent(m, agent_kind_human, 0, vec3()));
  a.equipment[0] = item{bow, 0};
  a.wielded_slots = {0, -1};
  agent& friend_in_way = with_body(spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 3.0f, 0.0f)));
  agent& enemy = with_body(spawn_standing_agent(m, agent_kind_human, 1, vec3(0.0f, 6.0f, 0.0f)));
  int blocking = -1;
  ASSERT_EQ(check_shot(m, a, enemy.index, blocking), shot_friends_in_way);
  EXPECT_EQ(blocking, friend_in_way.index);
  a.ai.flags = 1;
  a.ai.mode = ai_mode_shoot;
  a.ai.target = a.ai.combat_target = enemy.index;
  agent_ai_decide_movement(m, a);
  ASSERT_NE(a.goal_flags, 0u);
  // The scatter reaches 1.8 along each axis.
  EXPECT_LE(std::fabs(a.goal_position.x), 1.8f + 1e-4f);
  EXPECT_LE(std::fabs(a.goal_position.y - 0.7f), 1.8f + 1e-4f);
  EXPECT_GT((a.goal_position - enemy.position()).length(), 2.0f);
  g_item_kinds.clear();
  m.set_services(&services);
}

// The best target weighs closeness against the attackers already on a man:
// min(3 / (d + 2), 1) / (attackers + 7), and ties go to the lower index.
TEST_F(MovementPass, TheBestTargetWeighsClosenessAgainstAttackersAndTiesGoToTheLowerIndex) {
  m.set_team_relation(0, 1, -1);
  ai_target_buckets(m).forget();
  agent& self = spawn_standing_agent(m, agent_kind_human, 0, vec3());
  // 2 m with ten attackers: 0.75 / 17 = 0.044; 6 m with none: 0.375 / 7 = 0.054.
  agent& crowded = spawn_standing_agent(m, agent_kind_human, 1, vec3(2.0f, 0.0f, 0.0f));
  crowded.ai.attackers = 10;
  agent& free_one = spawn_standing_agent(m, agent_kind_human, 1, vec3(0.0f, -6.0f, 0.0f));
  EXPECT_EQ(find_best_target(m, self, enemy_humans_filter(), 300.0f), free_one.index);
  // Another free man at 6 m on the far side of the cells scores the same.
  spawn_standing_agent(m, agent_kind_human, 1, vec3(-6.0f, 0.0f, 0.0f));
  EXPECT_EQ(find_best_target(m, self, enemy_humans_filter(), 300.0f), free_one.index);
  // Within reach or none at all; an enemy beyond the scene's edge still counts.
  free_one.state = agent_state_dead;
  crowded.state = agent_state_dead;
  EXPECT_EQ(find_best_target(m, self, enemy_humans_filter(), 5.0f), -1);
  agent& far_off = spawn_standing_agent(m, agent_kind_human, 1, vec3(260.0f, 0.0f, 0.0f));
  m.get_agent(far_off.index - 1)->state = agent_state_dead;
  EXPECT_EQ(find_best_target(m, self, enemy_humans_filter(), 300.0f), far_off.index);
  EXPECT_EQ(find_best_target(m, self, enemy_humans_filter(), 250.0f), -1);
}

// A search through the scene's cells picks what a walk over every agent
// picks, for men on foot and riders, in a crowd spread over the field and
// beyond its edges, with men standing at equal distances.
TEST_F(MovementPass, TheBestTargetOfACrowdIsTheOneAWalkOverEveryAgentPicks) {
  m.set_team_relation(0, 1, -1);
  ai_target_buckets(m).forget();
  std::uint32_t state = 12345;
  const auto next = [&] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 16777216.0f;
  };
  for (int i = 0; i < 400; ++i) {
    const vec3 at(std::round(next() * 260.0f - 130.0f), std::round(next() * 260.0f - 130.0f), 0.0f);
    agent& o = spawn_standing_agent(m, next() < 0.1f ? agent_kind_horse : agent_kind_human, i % 2, at);
    o.ai.attackers = static_cast<int>(next() * 4.0f);
    o.body_frame.rot.f = get_normalized(vec3(next() - 0.5f, next() - 0.5f, 0.0f));
  }
  const auto walk = [&](const agent& a, int filter, float reach) {
    int best = -1;
    float best_score = 0.0f;
    for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
      float d = 0.0f;
      if (!matches_filter(m, a, i, filter, reach, d)) continue;
      const agent* o = m.get_live_agent(i);
      float s = std::min(3.0f / (d + 2.0f), 1.0f) / static_cast<float>(o->ai.attackers + 7);
      if (a.mount >= 0 && d < 40.0f && d > 1e-4f) {
        const float c = dot_product((o->position() - a.position()) * (1.0f / d), a.forward());
        if (c > 0.0f) s *= (40.0f - d) * c * c + 1.0f;
      }
      if (s > best_score) {
        best_score = s;
        best = i;
      }
    }
    return best;
  };
  int riders = 0;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    agent& a = *m.get_agent(i);
    if (a.is_horse()) continue;
    // Every fourth man rides the horse after him, when there is one.
    a.mount = -1;
    if (i % 4 == 0 && m.get_agent(i + 1) != nullptr && m.get_agent(i + 1)->is_horse()) {
      a.mount = i + 1;
      ++riders;
    }
    for (const int filter : {enemy_humans_filter(), enemy_humans_in_front_filter()}) {
      for (const float reach : {300.0f, 150.0f, 12.0f}) {
        ASSERT_EQ(find_best_target(m, a, filter, reach), walk(a, filter, reach))
            << "agent " << i << ", filter " << filter << ", reach " << reach;
      }
    }
  }
  EXPECT_GT(riders, 0);
}

}  // namespace
}  // namespace hm
