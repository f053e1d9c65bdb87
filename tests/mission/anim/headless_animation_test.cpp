// A mission stepped headless with its default agent steps: a walking human
// and a galloping horse with its rider play the actions of their movement,
// and their skeleton instances in the scene take the poses of those actions.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/control/locomotion.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

TEST(HeadlessAnimation, WalkersAndRidersTakeThePosesOfTheirActions) {
  reset_clocks();
  g_item_kinds.clear();
  random_seed(21);
  animated_agents f;
  // Standing plays a pose that holds every bone still; walking, galloping
  // and riding play the animation that turns each bone about its z axis.
  skeleton_anim still = f.anim;
  for (rotation_track& t : still.channels) t.keys.assign(3, quaternion{});
  for (int action : {4, 65, 406, 411}) f.actions.actions[static_cast<std::size_t>(action)].sequences[0].animation = &still;
  const int courser = add_item_kind(item_type::horse);
  g_item_kinds[static_cast<std::size_t>(courser)].missile_speed = 40;
  g_item_kinds[static_cast<std::size_t>(courser)].speed_rating = 40;

  mission m;
  m.scene = std::make_unique<scene_world>();
  agent& walker = f.add_agent(m, agent_kind_human);
  agent& idler = f.add_agent(m, agent_kind_human);
  agent& horse = f.add_agent(m, agent_kind_horse);
  agent& rider = f.add_agent(m, agent_kind_human);
  horse.horse_item = courser;
  horse.gait_state = 1;
  horse.rider = rider.index;
  rider.mount = horse.index;
  for (agent* a : {&walker, &idler, &rider}) a->troop = -1;
  // The walker and the rider are driven by their input blocks (an AI's
  // block is the AI's); the horse acts on its rider's block.
  walker.controller = agent_controller_player;
  rider.controller = agent_controller_player;
  walker.input.action_flags = input_bit::forward;
  rider.input.action_flags = input_bit::throttle;

  const skeleton_instance& walking = *walker.agent_entity->animated_skeleton;
  quaternion earlier;
  for (int i = 0; i < 300; ++i) {
    m.frame(1.0f / 60.0f, false);
    if (i == 200) earlier = walking.bones[1].local_rotation;
  }

  // The walker walks (1.68 m/s without full pace) and its pose moves on.
  EXPECT_EQ(walker.gait_state & 7u, 1u);
  EXPECT_NEAR(walker.forward_speed, 0.6f * 2.8f, 1e-4f);
  EXPECT_EQ(walker.channels[0].action, 10);
  EXPECT_EQ(walking.channels[0].animation, &f.anim);
  EXPECT_EQ(walking.channels[0].bone_mask, 0xFFFFFFFFu);
  EXPECT_EQ(walking.pose_valid, 1);
  const quaternion& now = walking.bones[1].local_rotation;
  EXPECT_LT(std::fabs(now.w), 0.9999f);
  EXPECT_GT(std::fabs(now.w - earlier.w) + std::fabs(now.z - earlier.z), 1e-3f);
  // Walking at 1.68 m/s against a natural 1.5 m/s plays the loop faster.
  EXPECT_NEAR(walking.channels[0].duration, 1.5f / 1.68f, 1e-3f);

  // The idler stands still.
  const skeleton_instance& standing = *idler.agent_entity->animated_skeleton;
  EXPECT_EQ(idler.channels[0].action, 4);
  EXPECT_NEAR(standing.bones[1].local_rotation.w, 1.0f, 1e-4f);

  // The horse gallops at its cap and the rider rides the gallop.
  EXPECT_EQ(horse.gait_state & 7u, 5u);
  EXPECT_EQ(horse.channels[0].action, 410);
  EXPECT_EQ(rider.channels[0].action, 71);
  const skeleton_instance& galloping = *horse.agent_entity->animated_skeleton;
  EXPECT_EQ(galloping.channels[0].animation, &f.anim);
  EXPECT_LT(std::fabs(galloping.bones[1].local_rotation.w), 0.9999f);
  EXPECT_EQ(rider.agent_entity->animated_skeleton->channels[0].animation, &f.anim);
  for (const skeleton_bone& b : galloping.bones) EXPECT_FALSE(std::isnan(b.pose_frame.origin.z));
  reset_clocks();
  g_item_kinds.clear();
}

}  // namespace
}  // namespace hm
