#include "mission/agent/agent_perception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/collision/capsule.h"
#include "engine/collision/face.h"
#include "engine/core/timer.h"
#include "mission/agent/agent_queries.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

// Services whose scene blocks every sight line while `walls` is set.
class walled_services : public recording_services {
 public:
  bool segment_is_clear(mission&, const vec3&, const vec3&) override { return !walls; }
  bool walls = false;
};

class AgentPerception : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&services);
    m.set_team_relation(0, 1, team_relation_enemy);
    m.set_team_relation(0, 0, team_relation_ally);
    m.set_team_relation(0, 2, team_relation_ally);
  }
  void TearDown() override { reset_clocks(); }

  // An agent standing at (x, y) looking along +y, with an entity.
  agent& at(int team, float x, float y, int kind = agent_kind_human) {
    agent& a = m.allocate_agent();
    a.kind = kind;
    a.state = agent_state_alive;
    a.presence = agent_presence_active;
    a.team = team;
    a.position() = vec3(x, y, 0.0f);
    a.input.set_direction(vec3(0.0f, 1.0f, 0.0f));
    entities.push_back(std::make_unique<skeleton_entity>());
    entities.back()->frame = a.body_frame;
    a.agent_entity = entities.back().get();
    return a;
  }

  walled_services services;
  mission m;
  std::vector<std::unique_ptr<skeleton_entity>> entities;
};

TEST_F(AgentPerception, NearbyEnemiesAreTheSixteenNearestNearestFirst) {
  agent& self = at(0, 0, 0);
  // Twenty enemies, the farthest first.
  for (int i = 20; i >= 1; --i) at(1, 0, static_cast<float>(i));
  at(1, 0, 0.5f, agent_kind_horse);  // horses never count
  at(2, 0, 0.5f);                    // nor allies
  at(3, 0, 0.5f);                    // nor neutrals
  at(1, 0, 0.25f).state = agent_state_dead;
  update_nearby_enemies(m, self);
  ASSERT_EQ(self.ai.nearby_enemy_count, 16);
  for (int k = 0; k < 16; ++k) {
    EXPECT_FLOAT_EQ(self.ai.nearby_enemies[static_cast<std::size_t>(k)].distance, static_cast<float>(k + 1)) << k;
  }
  EXPECT_FLOAT_EQ(self.ai.nearby_enemies[0].direction.y, 1.0f);
  EXPECT_EQ(self.ai.nearby_enemies[0].agent, 20);
}

TEST_F(AgentPerception, EqualDistancesPutTheLaterEnemyFirst) {
  agent& self = at(0, 0, 0);
  const agent& first = at(1, 3, 0);
  const agent& second = at(1, 0, 3);
  update_nearby_enemies(m, self);
  ASSERT_EQ(self.ai.nearby_enemy_count, 2);
  EXPECT_EQ(self.ai.nearby_enemies[0].agent, second.index);
  EXPECT_EQ(self.ai.nearby_enemies[1].agent, first.index);
}

TEST_F(AgentPerception, UncrowdedTargetsAndWeightedPicks) {
  agent& self = at(0, 0, 0);
  agent& near = at(1, 0, 0.5f);
  agent& farther = at(1, 0, 0.75f);
  update_nearby_enemies(m, self);
  // Both score 4 / (attackers + 7): fewer attackers win, the earlier entry
  // on a tie.
  EXPECT_EQ(choose_uncrowded_enemy(m, self), near.index);
  near.ai.attackers = 1;
  EXPECT_EQ(choose_uncrowded_enemy(m, self), farther.index);
  near.ai.attackers = 0;
  farther.state = agent_state_unconscious;
  near.state = agent_state_dead;
  EXPECT_EQ(choose_uncrowded_enemy(m, self), -1);
  self.ai.nearby_enemy_count = 0;
  EXPECT_EQ(choose_uncrowded_enemy(m, self), -1);
  EXPECT_EQ(choose_enemy_target(m, self), -1);
}

TEST_F(AgentPerception, EnemyTargetWeighsWeaponsRidersAndAttackers) {
  std::vector<item_kind> saved;
  saved.swap(g_item_kinds);
  g_item_kinds.resize(1);
  g_item_kinds[0].flags = item_type::bow;
  agent& self = at(0, 0, 0);
  agent& rider = at(1, 0, 2);    // 1.5 x 1.5 (bow) x 0.85 (mounted) / 4 = 0.478
  agent& footman = at(1, 0, 2);  // 1.5 / 4 = 0.375
  agent& archer = at(1, 0, 3);   // 1.0 x 1.5 / 4 = 0.375
  for (agent* a : {&rider, &archer}) {
    a->equipment[0] = item{0, 0};
    a->wielded_slots[0] = 0;
  }
  rider.mount = 40;
  update_nearby_enemies(m, self);  // footman, rider, archer
  services.draws.assign(3, 0);
  EXPECT_EQ(choose_enemy_target(m, self), rider.index);
  // Two attackers on the rider: 1.9125 / 6 = 0.319; the footman and the
  // archer tie and the earlier entry stays.
  rider.ai.attackers = 2;
  services.draws.assign(3, 0);
  services.next_draw = 0;
  EXPECT_EQ(choose_enemy_target(m, self), footman.index);
  // The largest draw raises the archer's score by almost a fifth.
  services.draws = {0, 0, 15816};
  services.next_draw = 0;
  EXPECT_EQ(choose_enemy_target(m, self), archer.index);
  saved.swap(g_item_kinds);
}

TEST_F(AgentPerception, FilterTests) {
  agent& self = at(0, 0, 0);
  agent& horse = at(0, 0, 1, agent_kind_horse);
  self.mount = horse.index;
  const agent& enemy = at(1, 0, 5);
  const agent& ally = at(2, 0, -5);
  const agent& neutral = at(3, 5, 0);
  const agent& dead = at(1, 1, 1);
  m.get_agent(dead.index)->state = agent_state_dead;
  const agent& far = at(1, 0, 50);
  struct filter_case {
    int other, flags;
    float max_distance;
    bool passes;
  };
  const filter_case cases[] = {
      {enemy.index, 0, -1.0f, true},        {ally.index, 0, -1.0f, true},
      {neutral.index, 0, -1.0f, true},      {horse.index, 0, -1.0f, false},  // its own horse
      {self.index, 0, -1.0f, false},        {dead.index, 0, -1.0f, false},
      {enemy.index, filter_no_enemies, -1.0f, false},
      {ally.index, filter_no_allies, -1.0f, false},
      {neutral.index, filter_no_neutrals, -1.0f, false},
      {enemy.index, filter_horses_only, -1.0f, false},
      {enemy.index, filter_no_horses, -1.0f, true},
      {ally.index, filter_higher_index, -1.0f, true},
      {far.index, 0, 10.0f, false},         {enemy.index, 0, 5.0f, true},
      {ally.index, filter_in_front, -1.0f, false},  // behind
      {enemy.index, filter_in_front, -1.0f, true},
      {neutral.index, filter_in_front, -1.0f, true},  // beside: dot 0
      {99, 0, -1.0f, false},                {-1, 0, -1.0f, false},
  };
  for (const filter_case& c : cases) {
    float distance = -1.0f;
    EXPECT_EQ(matches_filter(m, self, c.other, c.flags, c.max_distance, distance), c.passes)
        << c.other << " flags " << c.flags;
  }
  float distance = 0.0f;
  ASSERT_TRUE(matches_filter(m, self, enemy.index, 0, -1.0f, distance));
  EXPECT_FLOAT_EQ(distance, 5.0f);
}

TEST_F(AgentPerception, SightLimits) {
  agent& self = at(0, 0, 0);
  const agent& behind_near = at(1, 0, -1.5f);
  const agent& behind_far = at(1, 0, -3.0f);
  const agent& ahead = at(1, 0, 100.0f);
  const agent& too_far = at(1, 0, 300.0f);
  agent& no_entity = at(1, 0, 5.0f);
  no_entity.agent_entity = nullptr;
  EXPECT_TRUE(can_see_agent(m, self, behind_near.index, nullptr));  // the back test starts at 2 m
  EXPECT_FALSE(can_see_agent(m, self, behind_far.index, nullptr));
  EXPECT_TRUE(can_see_agent(m, self, ahead.index, nullptr));
  EXPECT_FALSE(can_see_agent(m, self, too_far.index, nullptr));
  EXPECT_FALSE(can_see_agent(m, self, no_entity.index, nullptr));
  EXPECT_FALSE(can_see_agent(m, self, 77, nullptr));
  services.walls = true;
  EXPECT_FALSE(can_see_agent(m, self, ahead.index, nullptr));
  services.walls = false;
  // A body to ignore that stands in the line of sight hides the target.
  const capsule post(vec3(-1.0f, 50.0f, 0.0f), vec3(1.0f, 50.0f, 3.0f), 0.5f);
  EXPECT_FALSE(can_see_agent(m, self, ahead.index, &post));
  const capsule aside(vec3(10.0f, 50.0f, 0.0f), vec3(10.0f, 50.0f, 3.0f), 0.5f);
  EXPECT_TRUE(can_see_agent(m, self, ahead.index, &aside));
}

TEST(AgentSight, AWallOfTheSceneHidesAnAgentAndSpoilsTheShot) {
  reset_clocks();
  mission m;  // the mission's own scene queries
  m.scene = std::make_unique<scene_world>(vec3(0, 0, 0), vec3(40, 40, 0), 4, 4, 0);
  m.set_team_relation(0, 1, team_relation_enemy);
  std::vector<std::unique_ptr<skeleton_entity>> entities;
  const auto place = [&](int team, float y) -> agent& {
    agent& a = m.allocate_agent();
    a.state = agent_state_alive;
    a.presence = agent_presence_active;
    a.team = team;
    a.position() = vec3(10.0f, y, 0.0f);
    entities.push_back(std::make_unique<skeleton_entity>());
    entities.back()->frame = a.body_frame;
    a.agent_entity = entities.back().get();
    return a;
  };
  agent& archer = place(0, 5.0f);
  const agent& target = place(1, 25.0f);
  int blocking = 0;
  EXPECT_TRUE(can_see_agent(m, archer, target.index, nullptr));
  EXPECT_EQ(check_shot(m, archer, target.index, blocking), shot_clear);
  m.scene->add_body(std::make_unique<face>(
      std::initializer_list<vec3>{vec3(5, 15, 0), vec3(15, 15, 0), vec3(15, 15, 4), vec3(5, 15, 4)}));
  EXPECT_FALSE(can_see_agent(m, archer, target.index, nullptr));
  EXPECT_EQ(check_shot(m, archer, target.index, blocking), shot_not_seen);
}

TEST_F(AgentPerception, AlarmSpreadsFromNearAlliesAndSightOfEnemies) {
  agent& self = at(0, 0, 0);
  agent& friend_near = at(2, 9.9f, 0);
  friend_near.ai.flags = 1;
  friend_near.ai.retarget_period = 4.0f;
  self.ai.retarget_period = 4.0f;
  check_alarm(m, self);
  EXPECT_EQ(self.ai.flags & 1u, 1u);
  EXPECT_EQ(self.ai.retarget_period, 0.0f);

  agent& other = at(0, 50, 0);
  friend_near.position() = vec3(60.0f, 0.0f, 0.0f);  // 10 m is not near
  other.ai.retarget_period = 4.0f;
  check_alarm(m, other);
  EXPECT_EQ(other.ai.flags & 1u, 0u);
  // A fallen ally in sight raises it.
  at(0, 50, 20).state = agent_state_dead;
  check_alarm(m, other);
  EXPECT_EQ(other.ai.flags & 1u, 1u);
}

TEST_F(AgentPerception, HostileSights) {
  agent& self = at(0, 0, 0);
  at(3, 0, 10);                                   // neutral: no
  at(1, 0, 10, agent_kind_horse);                 // horse: no
  at(0, 0, 10);                                   // live ally: no
  EXPECT_FALSE(sees_hostile_nearby(m, self));
  at(1, 0, 299.0f).state = agent_state_dead;      // an enemy, alive or not
  EXPECT_TRUE(sees_hostile_nearby(m, self));
  services.walls = true;
  EXPECT_FALSE(sees_hostile_nearby(m, self));
}

TEST_F(AgentPerception, ShotsPastFriends) {
  agent& self = at(0, 0, 0);
  const agent& target = at(1, 0, 20);
  agent& friend_in_line = at(0, 0, 10);
  int blocking = 99;
  EXPECT_EQ(check_shot(m, self, target.index, blocking), shot_friends_in_way);
  EXPECT_EQ(blocking, friend_in_line.index);
  // Off to the side the friend does not count.
  friend_in_line.position() = vec3(5.0f, 10.0f, 0.0f);
  EXPECT_EQ(check_shot(m, self, target.index, blocking), shot_clear);
  EXPECT_EQ(blocking, -1);
  services.walls = true;
  EXPECT_EQ(check_shot(m, self, target.index, blocking), shot_not_seen);
  services.walls = false;
  // A rider holding mode 0 shoots to its left, hardly to its right.
  self.mount = 50;
  self.wield_mode = 0;
  const agent& right = at(1, 20, 0);
  const agent& left = at(1, -20, 0);
  EXPECT_EQ(check_shot(m, self, right.index, blocking), shot_wrong_side);
  EXPECT_EQ(check_shot(m, self, left.index, blocking), shot_clear);
  self.wield_mode = 9;
  EXPECT_EQ(check_shot(m, self, left.index, blocking), shot_wrong_side);
}

TEST_F(AgentPerception, NewCombatTargetNeedsAClearShot) {
  agent& self = at(0, 0, 0);
  const agent& blocked = at(1, 0, 4);
  at(0, 0, 2);  // a friend in front of it
  const agent& clear = at(1, 10, 10);
  update_nearby_enemies(m, self);
  services.draws.assign(4, 0);
  EXPECT_EQ(find_new_combat_target(m, self), clear.index);
  EXPECT_NE(find_new_combat_target(m, self), blocked.index);
}

TEST_F(AgentPerception, HorsesWithinReach) {
  agent& self = at(0, 0, 0);
  agent& h1 = at(0, 0, 0.5f, agent_kind_horse);
  agent& h2 = at(0, 0.2f, 0.6f, agent_kind_horse);
  EXPECT_EQ(find_horse_in_reach(m, self), h2.index);  // the higher index
  h2.rider = 7;
  EXPECT_EQ(find_horse_in_reach(m, self), h1.index);
  h1.position() = vec3(0.0f, 1.0f, 0.0f);  // exactly 1 m: out of reach
  EXPECT_EQ(find_horse_in_reach(m, self), -1);
  h1.position() = vec3(0.0f, -0.5f, 0.0f);  // behind
  EXPECT_EQ(find_horse_in_reach(m, self), -1);
  h1.position() = vec3(0.0f, 0.5f, 0.0f);
  h1.presence = agent_presence_lying;
  EXPECT_EQ(find_horse_in_reach(m, self), -1);
}

TEST_F(AgentPerception, FacedAndAimingAgents) {
  agent& self = at(0, 0, 0);
  agent& ally = at(2, 0, 1);
  agent& neutral = at(3, 0, 2);
  EXPECT_EQ(find_facing_non_ally(m, self), neutral.index);  // the ally is nearer but never counts
  neutral.position() = vec3(0.0f, -30.0f, 0.0f);              // behind and far: score 0
  EXPECT_EQ(find_facing_non_ally(m, self), -1);
  (void)ally;

  agent& archer = at(1, 0, 10);
  EXPECT_EQ(find_aiming_enemy(m, self), -1);  // not aiming
  archer.ai.aiming = 1;
  EXPECT_EQ(find_aiming_enemy(m, self), -1);  // it looks away (along +y)
  archer.input.set_direction(vec3(0.0f, -1.0f, 0.0f));
  EXPECT_EQ(find_aiming_enemy(m, self), archer.index);
}

TEST_F(AgentPerception, CorpsesBeyondTheLimitFade) {
  for (int i = 0; i < 4; ++i) at(0, 0, 0).presence = agent_presence_lying;
  add_corpse(m, 0, 0);
  EXPECT_TRUE(m.corpses.empty());
  EXPECT_EQ(m.get_agent(0)->presence, agent_presence_fading);
  advance_clock(clock_mission, 2.0f);
  add_corpse(m, 1, 2);
  add_corpse(m, 2, 2);
  add_corpse(m, 3, 2);
  EXPECT_EQ(m.corpses, (std::vector<std::int32_t>{2, 3}));
  EXPECT_EQ(m.get_agent(1)->presence, agent_presence_fading);
  EXPECT_EQ(m.get_agent(1)->presence_timer.start_ticks, 200000);
  EXPECT_EQ(m.get_agent(2)->presence, agent_presence_lying);
}

TEST_F(AgentPerception, WorldMovementFollowsTheEntityAndTheMount) {
  agent& self = at(0, 0, 0);
  self.side_speed = 1.0f;
  self.forward_speed = 2.0f;
  hm::frame turned = hm::frame::identity();
  turned.rotate_z(1.5707964f);
  self.agent_entity->frame = turned;
  const vec3 w = get_world_movement(m, self);
  EXPECT_NEAR(w.x, -2.0f, 1e-5f);
  EXPECT_NEAR(w.y, 1.0f, 1e-5f);
  agent& horse = at(0, 0, 0, agent_kind_horse);
  horse.forward_speed = 5.0f;
  self.mount = horse.index;
  EXPECT_NEAR(get_world_movement(m, self).x, -5.0f, 1e-5f);
  self.agent_entity = nullptr;
  EXPECT_EQ(get_world_movement(m, self).y, 5.0f);
}

}  // namespace
}  // namespace hm
