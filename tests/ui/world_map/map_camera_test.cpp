// The world map camera: zoom limits, damping, the map's rectangle and the
// camera's frame at the near and far ends of the zoom.
#include <gtest/gtest.h>

#include <cmath>

#include "ui/world_map/map_camera.h"

using namespace hm;

namespace {

map_camera::inputs bounded(float half) {
  map_camera::inputs in;
  in.min_x = -half;
  in.min_y = -half;
  in.max_x = half;
  in.max_y = half;
  return in;
}

TEST(MapCamera, ZoomStopsAtBothEnds) {
  struct zoom_case {
    float distance;
    float velocity;
    bool free_zoom;
    float expected;
  };
  // dt 0.05: the distance moves by half the velocity.
  const zoom_case cases[] = {
      {100.0f, 20.0f, false, 105.0f},  // would pass 105
      {5.0f, -20.0f, false, 3.5f},     // would pass 3.5
      {100.0f, 20.0f, true, 110.0f},   // the free zoom reaches further
      {230.0f, 20.0f, true, 235.0f},   // and stops at 235
      {50.0f, 4.0f, false, 52.0f},
  };
  for (const zoom_case& k : cases) {
    map_camera cam;
    cam.distance = k.distance;
    cam.zoom_velocity = k.velocity;
    map_camera::inputs in = bounded(50.0f);
    in.free_zoom = k.free_zoom;
    EXPECT_TRUE(cam.update(0.05f, in));
    EXPECT_NEAR(cam.distance, k.expected, 1e-4f) << k.distance << " " << k.velocity;
  }
  // No zoom velocity: the distance stays and the icons need no refresh.
  map_camera still;
  still.distance = 40.0f;
  EXPECT_FALSE(still.update(0.05f, bounded(50.0f)));
  EXPECT_EQ(still.distance, 40.0f);
}

TEST(MapCamera, FreeZoomDropsTheHeading) {
  map_camera cam;
  cam.heading = 1.0f;
  cam.heading_velocity = 0.5f;
  map_camera::inputs in = bounded(50.0f);
  in.free_zoom = true;
  cam.update(0.01f, in);
  EXPECT_EQ(cam.heading, 0.0f);
  EXPECT_EQ(cam.heading_velocity, 0.0f);
}

TEST(MapCamera, ALongFrameStopsEveryVelocityInsteadOfReversingIt) {
  map_camera cam;
  cam.pan[0] = 2.0f;
  cam.pan[1] = -3.0f;
  cam.heading_velocity = 1.0f;
  cam.zoom_velocity = 1.0f;
  // 1 - 9.8 x 0.2 is below 0.
  cam.update(0.2f, bounded(50.0f));
  EXPECT_EQ(cam.pan[0], 0.0f);
  EXPECT_EQ(cam.pan[1], 0.0f);
  EXPECT_EQ(cam.heading_velocity, 0.0f);
  EXPECT_EQ(cam.zoom_velocity, 0.0f);
  // A short frame only slows them: 1 - 9.8 x 0.05 = 0.51.
  map_camera slow;
  slow.pan[0] = 2.0f;
  slow.update(0.05f, bounded(50.0f));
  EXPECT_NEAR(slow.pan[0], 1.02f, 1e-5f);
}

TEST(MapCamera, TheTargetStaysOnTheMapAlsoWhileFollowingAPartyAtItsEdge) {
  map_camera cam;
  cam.pan[0] = 100.0f;
  cam.pan[1] = -100.0f;
  cam.update(0.05f, bounded(20.0f));
  EXPECT_EQ(cam.target.x, 20.0f);
  EXPECT_EQ(cam.target.y, -20.0f);

  map_camera follow;
  follow.distance = 10.0f;
  map_camera::inputs in = bounded(20.0f);
  in.follow = true;
  in.party_active = true;
  in.party_position = vec3(19.9f, 19.9f, 0.0f);
  for (int i = 0; i < 400; ++i) {
    follow.update(0.02f, in);
    ASSERT_LE(follow.target.x, 20.0f);
    ASSERT_LE(follow.target.y, 20.0f);
  }
  // It got there.
  EXPECT_NEAR(follow.target.x, 19.9f, 0.5f);
  EXPECT_NEAR(follow.target.y, 19.9f, 0.5f);

  // A followed party that is gone stops the follow at once.
  in.party_active = false;
  follow.follow_velocity = vec3(3.0f, 3.0f, 0.0f);
  follow.update(0.02f, in);
  EXPECT_EQ(follow.follow_velocity.x, 0.0f);
}

TEST(MapCamera, PitchFollowsTheDistance) {
  EXPECT_NEAR(map_camera_pitch(3.5f), 0.279f, 1e-5f);
  EXPECT_NEAR(map_camera_pitch(50.0f), 0.93f, 1e-5f);
  EXPECT_NEAR(map_camera_pitch(95.8f), 1.5707963f, 1e-4f);
  EXPECT_NEAR(map_camera_pitch(105.0f), 1.5707963f, 1e-6f);
  EXPECT_NEAR(map_camera_pitch(235.0f), 1.5707963f, 1e-6f);
  EXPECT_NEAR(map_icon_scale(10.0f), 1.36f, 1e-5f);
}

TEST(MapCamera, TheFrameAtTheZoomsLimits) {
  const vec3 target(4.0f, -2.0f, 1.0f);
  // Closest: pitch 0.279, heading 0: behind the target (towards -y) and a
  // little above it, looking along +y and down.
  map_camera near_cam;
  near_cam.target = target;
  near_cam.distance = 3.5f;
  near_cam.update(0.0f, bounded(50.0f));
  const frame& n = near_cam.view.frame;
  EXPECT_NEAR(n.origin.x, 4.0f, 1e-4f);
  EXPECT_NEAR(n.origin.y, -2.0f - 3.36466f, 1e-3f);
  EXPECT_NEAR(n.origin.z, 1.0f + 0.96388f, 1e-3f);
  // The camera looks down its -u axis, towards the target.
  EXPECT_NEAR(-n.rot.u.y, 0.96133f, 1e-3f);
  EXPECT_NEAR(-n.rot.u.z, -0.27539f, 1e-3f);
  EXPECT_NEAR(n.rot.s.x, 1.0f, 1e-5f);

  // Furthest: straight above the target looking down, whatever the heading.
  map_camera far_cam;
  far_cam.target = target;
  far_cam.distance = 105.0f;
  far_cam.heading = 0.7f;
  far_cam.update(0.0f, bounded(50.0f));
  const frame& f = far_cam.view.frame;
  EXPECT_NEAR(f.origin.x, 4.0f, 1e-3f);
  EXPECT_NEAR(f.origin.y, -2.0f, 1e-3f);
  EXPECT_NEAR(f.origin.z, 106.0f, 1e-3f);
  EXPECT_NEAR(f.rot.u.z, 1.0f, 1e-5f);

  // A quarter-turn heading puts the closest camera towards -x.
  map_camera turned;
  turned.target = target;
  turned.distance = 3.5f;
  turned.heading = 1.5707963f;
  turned.update(0.0f, bounded(50.0f));
  EXPECT_NEAR(turned.view.frame.origin.x, 4.0f - 3.36466f, 1e-3f);
  EXPECT_NEAR(turned.view.frame.origin.y, -2.0f, 1e-3f);
}

TEST(MapCamera, TheCameraKeepsAboveTheGround) {
  map_camera cam;
  cam.target = vec3(0.0f, 0.0f, 1.0f);
  cam.distance = 3.5f;
  map_camera::inputs in = bounded(50.0f);
  // A hill of height 5 everywhere: the eye (about 1.96 high) rises to 5.5.
  in.ground_height = [](void*, float, float) { return 5.0f; };
  cam.update(0.0f, in);
  EXPECT_NEAR(cam.view.frame.origin.z, 5.5f, 1e-5f);
}

}  // namespace
