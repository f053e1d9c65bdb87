// The view's effects after the camera: how agents' detail falls with
// distance, how the sun's flare follows the view and the sun's visibility,
// and where the battle's view lands on the screen.
#include "mission/screen/view_effects.h"

#include <gtest/gtest.h>

#include <cmath>

#include "mission/screen/battle_drawing.h"
#include "render/entity/camera.h"

namespace hm {
namespace {

TEST(ViewEffects, AgentDetailScalesWithScreenOptionAndZoom) {
  view_effects_inputs in;
  in.screen_width = 1280.0f;
  in.screen_height = 1020.0f;  // (1280 + 1020) / 2 = 1150
  in.detail_option = 0.5f;     // 0.75 + 0.25 = 1
  EXPECT_FLOAT_EQ(agent_detail_base(in, 1.0f), 1.0f);
  EXPECT_FLOAT_EQ(agent_detail_base(in, 2.0f), 2.0f);
  in.detail_option = 1.0f;
  EXPECT_FLOAT_EQ(agent_detail_base(in, 1.0f), 1.25f);
  in.full_detail_keys = true;
  EXPECT_FLOAT_EQ(agent_detail_base(in, 0.5f), 1000.0f);
}

TEST(ViewEffects, FarAgentsLoseDetailAndFadeFasterThanTheyShrink) {
  // Within a unit the level is the base itself; the weight also waits for
  // 3.5 units before it falls with the square of the distance.
  EXPECT_FLOAT_EQ(agent_level_of_detail(2.0f, 0.5f), 2.0f);
  EXPECT_FLOAT_EQ(agent_level_of_detail(2.0f, 10.0f), 0.2f);
  EXPECT_FLOAT_EQ(agent_visibility_weight(2.0f, 0.5f, false), 2.0f);
  EXPECT_FLOAT_EQ(agent_visibility_weight(2.0f, 3.5f, false), 2.0f / 3.5f);
  EXPECT_FLOAT_EQ(agent_visibility_weight(2.0f, 10.0f, false), 0.2f * 0.35f);
  // The player's own agent and horse never fade.
  EXPECT_FLOAT_EQ(agent_visibility_weight(2.0f, 100.0f, true), 1.0f);
}

TEST(ViewEffects, FlareNeedsTheViewTurnedTowardsTheSun) {
  const vec3 sun(0.0f, 1.0f, 0.0f);
  EXPECT_FLOAT_EQ(flare_alignment(sun, sun), 1.0f);
  // Ninety degrees away: nothing, whatever the intensity.
  EXPECT_FLOAT_EQ(flare_alignment(sun, vec3(1.0f, 0.0f, 0.0f)), 0.0f);
  EXPECT_FLOAT_EQ(flare_brightness(1e6f, 1.5f, 1.0f, flare_alignment(sun, vec3(1.0f, 0.0f, 0.0f))), 0.0f);
  // cos = 0.65: (0.65 - 0.3) / 0.7 = 0.5, squared.
  const vec3 view(std::sqrt(1.0f - 0.65f * 0.65f), 0.65f, 0.0f);
  EXPECT_NEAR(flare_alignment(sun, view), 0.25f, 1e-5f);
  // The fade: 1 - 150 / 300 = 0.5; none at or below 150.
  EXPECT_FLOAT_EQ(flare_brightness(300.0f, 2.0f, 0.5f, 1.0f), 0.5f);
  EXPECT_FLOAT_EQ(flare_brightness(150.0f, 2.0f, 1.0f, 1.0f), 0.0f);
}

TEST(ViewEffects, SunIntensityFollowsDaylightOrTheSweep) {
  const struct {
    float intensity;
    bool screen_tested;
    float fraction;
    float hours;
    bool blocked;
    float t;
    float expected;
  } rows[] = {
      // The screen test by day approaches 2 at 10 a second, kept at 1.
      {0.0f, true, 1.0f, 4.0f, false, 0.05f, 0.5f},
      {0.9f, true, 1.0f, 12.0f, false, 0.05f, 1.0f},
      // Before 4 h and from 20 h it fades.
      {1.0f, true, 1.0f, 3.9f, false, 0.05f, 0.5f},
      {1.0f, true, 1.0f, 20.0f, false, 0.05f, 0.5f},
      // A sun hidden on the screen fades by day too.
      {1.0f, true, 0.0f, 12.0f, false, 0.05f, 0.5f},
      // Without the screen test a blocked sweep lowers it 3.5 a second to 0,
      // a clear one raises it.
      {1.0f, false, 1.0f, 12.0f, true, 0.1f, 0.65f},
      {0.2f, false, 1.0f, 12.0f, true, 0.1f, 0.0f},
      {0.2f, false, 1.0f, 2.0f, false, 0.1f, 0.55f},
  };
  for (const auto& r : rows) {
    EXPECT_NEAR(next_flare_intensity(r.intensity, r.screen_tested, r.fraction, is_daylight(r.hours), r.blocked, r.t),
                r.expected, 1e-5f)
        << r.intensity << " " << r.screen_tested << " " << r.hours << " " << r.blocked;
  }
}

TEST(BattleDrawing, TheViewWidgetsPlaceBecomesItsPixels) {
  // The whole interface is the whole buffer; the lower right quarter sits
  // below and right of the middle (interface y grows upwards).
  const view_rectangle all = interface_area_pixels(0.0f, 0.0f, 1.0f, 0.75f, 640, 480);
  EXPECT_EQ(all.x, 0u);
  EXPECT_EQ(all.y, 0u);
  EXPECT_EQ(all.width, 640u);
  EXPECT_EQ(all.height, 480u);
  const view_rectangle corner = interface_area_pixels(0.5f, 0.0f, 0.5f, 0.375f, 640, 480);
  EXPECT_EQ(corner.x, 320u);
  EXPECT_EQ(corner.y, 240u);
  EXPECT_EQ(corner.width, 320u);
  EXPECT_EQ(corner.height, 240u);
  // A widget reaching past the edge is cut at it.
  const view_rectangle past = interface_area_pixels(0.9f, 0.0f, 0.2f, 0.1f, 100, 75);
  EXPECT_EQ(past.x + past.width, 100u);
}

TEST(BattleDrawing, TheViewWindowTakesTheAreasShapeKeepingItsWidth) {
  camera c;
  c.set_perspective(1.5f, 0.75f, 0.1f, 100.0f);
  const float half_width = c.view_right;
  fit_view_window(c, view_rectangle{0, 0, 200, 50, 0.0f, 1.0f});
  EXPECT_FLOAT_EQ(c.view_right, half_width);
  EXPECT_FLOAT_EQ(c.view_top, half_width * 0.25f);
  EXPECT_FLOAT_EQ(c.view_bottom, -half_width * 0.25f);
}

}  // namespace
}  // namespace hm
