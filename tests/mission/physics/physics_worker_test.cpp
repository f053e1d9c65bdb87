#include "mission/physics/physics_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

namespace hm {
namespace {

physics::null_world& first_world(physics_world_list& list) {
  return dynamic_cast<physics::null_world&>(*list.records[0].world);
}

// Waits (up to five seconds) until the worker has stepped everything it was
// handed.
bool wait_until_caught_up(physics_worker& worker) {
  for (int i = 0; i < 5000; ++i) {
    {
      platform::critical_section_guard hold(worker.physics_lock);
      if (worker.pending_physics_time == 0.0f) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST(physics_worker, starts_and_stops_a_thousand_times) {
  physics_world_list list;
  list.backend = physics::backend::null;
  list.create_physics_world();
  for (int i = 0; i < 1000; ++i) {
    physics_worker worker(list);
    ASSERT_TRUE(worker.start());
    EXPECT_FALSE(worker.start());  // one thread at a time
    // Every other round hands it a frame before the stop.
    if (i % 2 == 0) {
      {
        physics_frame_scope frame(worker);
        worker.frame_end(0.01f);
      }
    }
    worker.stop();
    EXPECT_FALSE(worker.physics_thread_enabled);
    // Half the rounds end with the worker's destructor instead.
    if (i % 4 == 0) {
      ASSERT_TRUE(worker.start());
    }
  }
}

TEST(physics_worker, steps_the_summed_time_of_the_frames_it_missed_and_never_inside_a_frame) {
  physics_world_list list;
  list.backend = physics::backend::null;
  list.create_physics_world();
  physics_worker worker(list);
  ASSERT_TRUE(worker.start());
  {
    // Two frames pass while the lock is held: the worker wakes at the first
    // signal but can only step once the frames are done.
    physics_frame_scope first(worker);
    worker.frame_end(0.02f);
    worker.physics_event.signal();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(first_world(list).steps.empty());
    worker.frame_end(0.03f);
  }
  ASSERT_TRUE(wait_until_caught_up(worker));
  worker.stop();
  const std::vector<float>& steps = first_world(list).steps;
  // One step covers 0.05 s: 0.018, 0.018, 0.014.
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_NEAR(std::accumulate(steps.begin(), steps.end(), 0.0f), 0.05f, 1e-6f);
  EXPECT_NEAR(steps[2], 0.014f, 1e-6f);
}

TEST(physics_worker, frames_read_falling_bodies_under_the_lock_while_the_worker_steps_them) {
  // Real worlds: a capsule falling in each of three, read by sixty frames.
  physics_world_list list;
  for (int i = 0; i < 3; ++i) {
    const int index = list.create_physics_world();
    physics_world_record& r = *list.record(index);
    physics::bone_desc bone;
    bone.frame.origin = physics::vector3{0, 0, 10};
    bone.capsules.push_back(physics::capsule{{0, 0, 0}, {0, 0.4f, 0}, 0.1f});
    r.bones.push_back(r.world->add_bone(physics::no_body, bone));
    r.world->set_force_callback(r.bones[0], [](physics::world& w, physics::body_id b) {
      w.add_force(b, physics::vector3{0, 0, -9.8f * w.mass(b)});
    });
  }
  physics_worker worker(list);
  ASSERT_TRUE(worker.start());
  for (int frame = 0; frame < 60; ++frame) {
    {
      physics_frame_scope scope(worker);
      EXPECT_LE(list.records[static_cast<std::size_t>(frame % 3)].world->get_matrix(0).origin.z, 10.0f);
      worker.frame_end(1.0f / 60.0f);
    }
    // The rest of the frame (drawing) runs outside the lock.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const bool caught_up = wait_until_caught_up(worker);
  worker.stop();
  ASSERT_TRUE(caught_up);
  // One second of falling from 10 m: about 4.9 m down, in every world.
  for (const physics_world_record& r : list.records) EXPECT_NEAR(r.world->get_matrix(0).origin.z, 5.1f, 0.3f);
}

TEST(physics_worker, without_the_thread_the_frame_steps_its_own_time_at_its_start) {
  physics_world_list list;
  list.backend = physics::backend::null;
  list.create_physics_world();
  physics_worker worker(list);
  {
    physics_frame_scope frame(worker);
    worker.frame_start(0.0f);  // nothing for a frame of no time
    worker.frame_start(0.02f);
    worker.frame_end(0.02f);  // nothing handed over
  }
  EXPECT_EQ(worker.pending_physics_time, 0.0f);
  const std::vector<float>& steps = first_world(list).steps;
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_NEAR(steps[0], 0.018f, 1e-6f);
  EXPECT_NEAR(steps[1], 0.002f, 1e-6f);

  // With the thread, the frame's start leaves the worlds alone.
  ASSERT_TRUE(worker.start());
  {
    physics_frame_scope frame(worker);
    worker.frame_start(0.02f);
    EXPECT_EQ(steps.size(), 2u);
  }
}

TEST(physics_worker, a_new_mission_clears_the_worlds_the_worker_steps) {
  physics_worlds.backend = physics::backend::null;
  physics_worlds.create_physics_world();
  physics_worlds.create_physics_world();
  clear_mission_physics();
  EXPECT_TRUE(physics_worlds.records.empty());
  EXPECT_EQ(physics_worlds.worlds_created, 0);
  physics_worlds.backend = physics::backend::bullet;
}

TEST(physics_worker, forced_single_threading_never_starts_it) {
  EXPECT_FALSE(start_physics_worker_if_allowed(true));
  EXPECT_FALSE(physics_worlds_worker.physics_thread_enabled);
  // Otherwise it starts exactly when more than one processor is there.
  EXPECT_EQ(start_physics_worker_if_allowed(false), platform::processor_count() > 1);
  physics_worlds_worker.stop();
}

}  // namespace
}  // namespace hm
