#include "mission/scripting/mission_script_host.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/collision/face.h"
#include "mission/records/mission.h"
#include "render/scene/scene_world.h"
#include "script/script_errors.h"

namespace hm {
namespace {

class MissionScriptHost : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 18; ++i) {
      agent& a = m.allocate_agent();
      a.state = agent_state_alive;
      a.team = i % 2;
      a.troop = 100 + i;
      a.position() = vec3(static_cast<float>(i), 0.0f, 0.0f);
    }
    m.get_agent(5)->in_use = 0;
    m.get_agent(3)->state = agent_state_dead;
    m.get_agent(7)->kind = agent_kind_horse;
    script_host h;
    h.mission = &host;
    saved = set_script_host(h);
  }
  void TearDown() override { set_script_host(saved); }

  mission m;
  mission_script_host host{m};
  script_host saved;
};

TEST_F(MissionScriptHost, AgentIdsFromScriptsAreCheckedAgainstThePool) {
  struct id_case {
    std::int64_t id;
    bool valid;
  };
  const id_case cases[] = {{0, true}, {16, true}, {17, true}, {5, false}, {18, false},
                           {31, false}, {32, false}, {-1, false}, {0x100000000ll + 1, true}};
  for (const id_case& c : cases) EXPECT_EQ(validate_agent_id(c.id), c.valid) << c.id;
  EXPECT_EQ(host.agent_troop(16), 116);
  EXPECT_EQ(host.agent_troop(5), -1);
  EXPECT_EQ(host.agent_team(40), -1);
  EXPECT_EQ(host.agent_slots(5), nullptr);
  ASSERT_NE(host.agent_slots(16), nullptr);
  host.agent_slots(16)->set(3, 9);
  EXPECT_EQ(m.get_agent(16)->slots.get(3), 9);
}

TEST_F(MissionScriptHost, PropInstanceIdsAndEventObjects) {
  m.scene_prop_instances.resize(2);
  m.scene_prop_instances[1].current_frame.origin = vec3(4.0f, 5.0f, 6.0f);
  EXPECT_TRUE(validate_scene_prop_instance_id(1));
  EXPECT_FALSE(validate_scene_prop_instance_id(2));
  vec3 where;
  EXPECT_FALSE(host.event_object_position(-42, where));
  m.event_prop_instance = 1;
  ASSERT_TRUE(host.event_object_position(-42, where));
  EXPECT_EQ(where.y, 5.0f);
  m.event_prop_instance = 9;
  EXPECT_FALSE(host.event_object_position(-43, where));
  m.event_agent = 16;
  ASSERT_TRUE(host.event_object_position(-50, where));
  EXPECT_EQ(where.x, 16.0f);
  EXPECT_FALSE(host.event_object_position(-8, where));
}

TEST_F(MissionScriptHost, TeamsCountTheirLiveHumans) {
  m.set_team_relation(0, 1, -1);
  // Team 1: agents 1, 3 (dead), 5 (free), 7 (horse), 9, 11, 13, 15, 17.
  EXPECT_EQ(host.team_member_count(1), 6);
  EXPECT_EQ(host.team_member_count(0), 9);
  EXPECT_EQ(host.team_member_count(8), 0);
  EXPECT_EQ(host.team_relation(1, 0), -1);
  EXPECT_EQ(host.team_relation(1, 12), 0);
}

TEST_F(MissionScriptHost, GroundHeightInsideTheSceneRectangle) {
  m.scene = std::make_unique<scene_world>(vec3(0, 0, 0), vec3(20, 20, 0), 3, 3, 0);
  m.scene->add_body(std::make_unique<face>(
      std::initializer_list<vec3>{vec3(0, 0, 2), vec3(10, 0, 2), vec3(10, 10, 2), vec3(0, 10, 2)}));
  m.scene_max_x = 20.0f;
  m.scene_max_y = 20.0f;
  float height = 0.0f;
  ASSERT_TRUE(host.ground_height_in_scene(5.0f, 5.0f, height));
  EXPECT_EQ(height, 2.0f);
  EXPECT_FALSE(host.ground_height_in_scene(15.0f, 15.0f, height));  // no ground there
  EXPECT_FALSE(host.ground_height_in_scene(20.0f, 5.0f, height));   // the far edge is outside
  EXPECT_FALSE(host.ground_height_in_scene(-1.0f, 5.0f, height));
}

TEST_F(MissionScriptHost, HealingRestoresTheMaximum) {
  agent& a = *m.get_agent(2);
  a.max_hit_points = 40.0f;
  a.hit_points = 3.0f;
  host.heal_agent(2);
  host.heal_agent(5);
  host.heal_agent(-3);
  EXPECT_EQ(a.hit_points, 40.0f);
}

}  // namespace
}  // namespace hm
