#include <gtest/gtest.h>

#include <vector>

#include "mission/physics/physics_worlds.h"

namespace hm {
namespace {

using physics::null_world;

physics::null_world& null_of(physics_world_list& list, int index) {
  return dynamic_cast<null_world&>(*list.records[static_cast<std::size_t>(index)].world);
}

// A list of `worlds` null worlds.
struct null_list : physics_world_list {
  explicit null_list(int worlds) {
    backend = physics::backend::null;
    for (int i = 0; i < worlds; ++i) create_physics_world();
  }
};

void expect_steps(const std::vector<float>& got, const std::vector<float>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-6f) << "step " << i;
}

TEST(step_physics, cuts_the_frame_into_sub_steps_by_the_ragdoll_count_and_the_frame_time) {
  struct row {
    int ragdolls;
    float frame_time;
    std::vector<float> steps;
  };
  const row rows[] = {
      {1, 0.05f, {0.018f, 0.018f, 0.014f}},
      {2, 0.05f, {0.021f, 0.021f, 0.008f}},
      {3, 0.05f, {0.024f, 0.024f, 0.002f}},
      {4, 0.1f, {0.039f, 0.039f, 0.022f}},
      {5, 0.06f, {0.026f, 0.026f, 0.008f}},
      // Exactly 0.075 s is not a slow frame.
      {1, 0.075f, {0.018f, 0.018f, 0.018f, 0.018f, 0.003f}},
      // Slow frames take half again: 0.027, 0.0315, 0.036.
      {1, 0.08f, {0.027f, 0.027f, 0.026f}},
      {2, 0.08f, {0.0315f, 0.0315f, 0.017f}},
      {3, 0.08f, {0.036f, 0.036f, 0.008f}},
      // A remainder of 0.0001 or less is dropped; so is a whole frame that short.
      {1, 0.03605f, {0.018f, 0.018f}},
      {1, 0.0001f, {}},
      {1, 0.0f, {}},
      {1, -0.5f, {}},
      {1, 0.00011f, {0.00011f}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.ragdolls << " ragdolls, frame " << r.frame_time);
    null_list list(r.ragdolls);
    step_physics(list, r.frame_time);
    for (int i = 0; i < r.ragdolls; ++i) expect_steps(null_of(list, i).steps, r.steps);
  }
}

TEST(step_physics, no_ragdoll_counts_as_one_and_free_records_are_passed_over) {
  null_list list(3);
  list.release_physics_world(1);
  EXPECT_EQ(list.worlds_created, 2);
  step_physics(list, 0.05f);  // two ragdolls: 0.021
  expect_steps(null_of(list, 0).steps, {0.021f, 0.021f, 0.008f});
  expect_steps(null_of(list, 2).steps, {0.021f, 0.021f, 0.008f});
  EXPECT_EQ(physics_sub_step(0, 0.05f), 0.018f);
}

TEST(step_physics, bone_speeds_are_limited_before_every_update_with_their_directions_kept) {
  null_list list(1);
  physics_world_record& r = list.records[0];
  struct seen {
    physics::vector3 velocity;
    physics::vector3 omega;
  };
  std::vector<seen> at_update;
  physics::bone_desc bone;
  for (int i = 0; i < 2; ++i) {
    r.bones.push_back(r.world->add_bone(i == 0 ? physics::no_body : r.bones[0], bone));
    r.world->set_force_callback(r.bones.back(), [&at_update](physics::world& w, physics::body_id b) {
      at_update.push_back(seen{w.get_velocity(b), w.get_omega(b)});
    });
  }
  // 45 m/s along (0.6, 0.8, 0) and a turn rate of 12 along -z; the other bone
  // is within both limits.
  r.world->set_velocity(r.bones[0], physics::vector3{27, 36, 0});
  r.world->set_omega(r.bones[0], physics::vector3{0, 0, -12});
  r.world->set_velocity(r.bones[1], physics::vector3{0, 0, -29});
  r.world->set_omega(r.bones[1], physics::vector3{8.9f, 0, 0});
  step_physics(list, 0.01f);
  ASSERT_EQ(at_update.size(), 2u);
  EXPECT_NEAR(at_update[0].velocity.x, 18.0f, 1e-4f);
  EXPECT_NEAR(at_update[0].velocity.y, 24.0f, 1e-4f);
  EXPECT_EQ(at_update[0].velocity.z, 0.0f);
  EXPECT_NEAR(at_update[0].omega.z, -9.0f, 1e-5f);
  EXPECT_EQ(at_update[1].velocity, (physics::vector3{0, 0, -29}));
  EXPECT_EQ(at_update[1].omega, (physics::vector3{8.9f, 0, 0}));
}

TEST(physics_world_list, a_new_world_takes_the_first_free_record_and_is_counted) {
  null_list list(3);
  list.release_physics_world(1);
  list.release_physics_world(1);  // twice: counted once
  list.release_physics_world(7);  // unknown: nothing
  EXPECT_EQ(list.worlds_created, 2);
  EXPECT_EQ(list.create_physics_world(), 1);
  EXPECT_EQ(list.records.size(), 3u);
  EXPECT_EQ(list.worlds_created, 3);
  EXPECT_EQ(list.create_physics_world(), 3);

  // The world's box and contacts.
  const null_world& w = null_of(list, 1);
  EXPECT_EQ(w.world_minimum, (physics::vector3{-1000, -1000, -100}));
  EXPECT_EQ(w.world_maximum, (physics::vector3{1000, 1000, 1000}));
  const physics::contact_material m = w.default_material();
  EXPECT_EQ(m.softness, 0.1f);
  EXPECT_EQ(m.elasticity, 0.5f);
  EXPECT_EQ(m.static_friction, 1.1f);
  EXPECT_EQ(m.kinetic_friction, 0.9f);

  clear_physics_worlds(list);
  EXPECT_TRUE(list.records.empty());
  EXPECT_EQ(list.worlds_created, 0);
}

TEST(physics_world_list, a_ragdoll_is_awake_until_one_of_its_bones_sleeps) {
  null_list list(1);
  physics_world_record& r = list.records[0];
  physics::bone_desc bone;
  for (int i = 0; i < 3; ++i) r.bones.push_back(r.world->add_bone(physics::no_body, bone));
  EXPECT_TRUE(list.is_ragdoll_awake(0));
  null_of(list, 0).bodies[2].sleeping = true;
  EXPECT_FALSE(list.is_ragdoll_awake(0));
  EXPECT_FALSE(list.is_ragdoll_awake(1));
  EXPECT_FALSE(list.is_ragdoll_awake(-1));
}

}  // namespace
}  // namespace hm
