// How much of the sun a frame's depth lets through: the nine weighted
// samples around the sun's pixel against the sun's own depth.
#include "render/shadow/sun_visibility.h"

#include <gtest/gtest.h>

#include "render/shadow/render_pass_state.h"

namespace hm {
namespace {

// A camera at the origin looking along +y, and a 20 x 20 depth copy filled
// with `far` (nothing drawn).
screen_depth open_sky(float far_value = 1.0f) {
  screen_depth d;
  d.width = 20;
  d.height = 20;
  d.depth.assign(400, far_value);
  d.eye.frame.rot.s = vec3(1.0f, 0.0f, 0.0f);
  d.eye.frame.rot.f = vec3(0.0f, 0.0f, 1.0f);
  d.eye.frame.rot.u = vec3(0.0f, -1.0f, 0.0f);
  d.eye.set_perspective(1.5f, 1.0f, 0.5f, 800.0f);
  d.eye.update_frustum_planes();
  return d;
}

TEST(SunVisibility, NothingInFrontShowsAllOfIt) {
  screen_depth d = open_sky();
  float f = 0.0f;
  ASSERT_TRUE(sun_visibility_from_depth(d, vec3(0.0f, 500.0f, 0.0f), f));
  EXPECT_NEAR(f, (1.0f + 4 * 0.9f + 4 * 0.7f) / 7.4f, 1e-5f);
}

TEST(SunVisibility, AWallBeforeTheSunHidesWhatItCovers) {
  screen_depth d = open_sky(device_depth_at(open_sky().eye, 50.0f));
  float f = 1.0f;
  ASSERT_TRUE(sun_visibility_from_depth(d, vec3(0.0f, 500.0f, 0.0f), f));
  EXPECT_FLOAT_EQ(f, 0.0f);
  // Uncover the centre pixel only: its weight of 1.0 shows.
  camera eye = d.eye;
  float sx = 0.0f, sy = 0.0f;
  ASSERT_TRUE(eye.world_to_screen(vec3(0.0f, 500.0f, 0.0f), sx, sy));
  const int px = static_cast<int>(sx * 20.0f), py = static_cast<int>(sy * 20.0f);
  d.depth[static_cast<std::size_t>(py * 20 + px)] = 1.0f;
  ASSERT_TRUE(sun_visibility_from_depth(d, vec3(0.0f, 500.0f, 0.0f), f));
  EXPECT_NEAR(f, 1.0f / 7.4f, 1e-5f);
}

TEST(SunVisibility, ASunOffTheScreenCountsAsSeenAndNoCopyCannotTell) {
  screen_depth d = open_sky(0.0f);
  float f = 0.0f;
  ASSERT_TRUE(sun_visibility_from_depth(d, vec3(0.0f, -500.0f, 0.0f), f));  // behind the eye
  EXPECT_FLOAT_EQ(f, 1.0f);
  ASSERT_TRUE(sun_visibility_from_depth(d, vec3(5000.0f, 10.0f, 0.0f), f));  // far to the side
  EXPECT_FLOAT_EQ(f, 1.0f);
  screen_depth empty;
  EXPECT_FALSE(sun_visibility_from_depth(empty, vec3(0.0f, 500.0f, 0.0f), f));
  // The game's passes keep no copy: the caller sweeps instead.
  render_pass_state state;
  EXPECT_FALSE(test_sun_visibility(state, vec3(0.0f, 500.0f, 0.0f), f));
}

// A copy may hold only a window of the view around the sun: it answers while
// the nine samples lie inside the window and cannot tell once one lies outside
// it on the screen.
TEST(SunVisibility, AWindowOfTheViewAnswersForThePixelsItHolds) {
  const vec3 sun(0.0f, 500.0f, 0.0f);
  screen_depth d = open_sky();
  std::int32_t px = 0, py = 0;
  ASSERT_TRUE(screen_pixel_of(d.eye, 20, 20, sun, px, py));
  d.window_x = px - 2;
  d.window_y = py - 2;
  d.window_width = d.window_height = 5;
  d.depth.assign(25, 1.0f);
  d.depth[12] = 0.0f;  // the centre pixel covered
  float f = 0.0f;
  ASSERT_TRUE(sun_visibility_from_depth(d, sun, f));
  EXPECT_NEAR(f, 6.4f / 7.4f, 1e-5f);
  d.window_x = px - 1;
  EXPECT_FALSE(sun_visibility_from_depth(d, sun, f));
  // A window too small for its stored values is no copy.
  d.window_x = px - 2;
  d.depth.resize(24);
  EXPECT_FALSE(sun_visibility_from_depth(d, sun, f));
}

}  // namespace
}  // namespace hm
