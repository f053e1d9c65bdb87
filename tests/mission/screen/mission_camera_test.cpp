// The mission camera: the third-person camera pulled in front of walls that
// face the player, the view-outfit offsets, the eased scripted transitions
// and the perspective's view angle.
#include "mission/screen/mission_camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/collision/face.h"
#include "mission/control/wielding.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/screen/screen_controls.h"
#include "mission/support/combat_fixtures.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

constexpr float pi = 3.14159265f;

class MissionCamera : public ::testing::Test {
 protected:
  void SetUp() override {
    g_first_person_view = 0;
    m.scene = std::make_unique<scene_world>(vec3(0.0f, 0.0f, 0.0f), vec3(12.0f, 12.0f, 0.0f), 3, 3, 0);
    agent& p = spawn_standing_agent(m, agent_kind_human, 0, vec3(6.0f, 6.0f, 0.0f));
    m.player_agent = p.index;
    st.cam.distance = 3.0f;
    st.cam.smoothed_distance = 3.0f;
  }

  // A wall across x 4..8 standing at y, facing +y (towards the player) or -y.
  void add_wall(float y, bool facing_player) {
    auto f = facing_player
                 ? std::make_unique<face>(std::initializer_list<vec3>{vec3(8, y, 0), vec3(4, y, 0), vec3(4, y, 4),
                                                                      vec3(8, y, 4)})
                 : std::make_unique<face>(std::initializer_list<vec3>{vec3(4, y, 0), vec3(8, y, 0), vec3(8, y, 4),
                                                                      vec3(4, y, 4)});
    f->flags = 8;
    m.scene->add_body(std::move(f));
  }

  // One camera update with a frame time of a second, so the smoothed
  // distance reaches the allowed one at once.
  void place() { update_mission_camera(m, st, in, 1.0f, 0.75f, nullptr); }

  mission m;
  mission_screen_state st;
  input_state input;
  key_bindings bindings;
  screen_input in{&input, &bindings};
};

TEST_F(MissionCamera, StandsBehindAndAboveThePlayerWithoutWalls) {
  place();
  // Yaw 0 looks along +y: the camera stands 3 back and 0.37 x 3 up.
  EXPECT_NEAR(st.cam.camera.origin.x, 6.0f, 1e-4f);
  EXPECT_NEAR(st.cam.camera.origin.y, 3.0f, 1e-4f);
  EXPECT_NEAR(st.cam.camera.origin.z, 1.65f + 1.11f, 1e-4f);
}

TEST_F(MissionCamera, AWallBehindThePlayerPullsTheCameraIn) {
  add_wall(5.0f, true);
  place();
  // r = 1: 1 - (0.03 x 2.5 + 0.6) = 0.325 back from the raised pivot.
  EXPECT_NEAR(st.cam.camera.origin.y, 6.0f - 0.325f, 1e-4f);
  EXPECT_NEAR(st.cam.camera.origin.z, 1.65f + 1.11f, 1e-4f);
}

TEST_F(MissionCamera, AWallCloseBehindPullsItToTheClosestDistance) {
  add_wall(5.5f, true);
  place();
  EXPECT_NEAR(st.cam.camera.origin.y, 6.0f - 0.25f, 1e-4f);
}

TEST_F(MissionCamera, WallsFacingAwayFromThePlayerAreIgnored) {
  add_wall(5.0f, false);
  place();
  EXPECT_NEAR(st.cam.camera.origin.y, 3.0f, 1e-4f);
}

TEST(CameraWalls, TheNearestFaceLookingAtThePlayerDecides) {
  const vec3 towards(0.0f, 1.0f, 0.0f);
  struct row {
    std::vector<camera_wall_hit> hits;
    float expected;
  };
  const row rows[] = {
      {{}, 3.0f},
      {{{2.0f, vec3(0, 1, 0)}}, 2.0f - 0.675f},
      // The nearer face wins, whichever comes first.
      {{{2.0f, vec3(0, 1, 0)}, {1.5f, vec3(0, 1, 0)}}, 1.5f - 0.675f},
      {{{1.5f, vec3(0, 1, 0)}, {2.0f, vec3(0, 1, 0)}}, 1.5f - 0.675f},
      // A face seen edge-on counts with c at least 0.1.
      {{{3.0f, vec3(0.0f, 0.05f, 0.99875f)}}, 3.0f - (0.075f / 0.1f + 0.6f)},
      // Facing away: ignored even when nearer.
      {{{0.5f, vec3(0, -1, 0)}, {2.0f, vec3(0, 1, 0)}}, 2.0f - 0.675f},
  };
  for (const row& r : rows) EXPECT_NEAR(allowed_camera_distance(3.0f, 0.03f, towards, r.hits), r.expected, 1e-5f);
}

TEST_F(MissionCamera, ViewOutfitLowersTheCameraAtThreeTimesTheRate) {
  input.keys[bindings.keys[control::view_outfit][0]] = 0x80;
  update_mission_camera(m, st, in, 0.1f, 0.75f, nullptr);
  EXPECT_NEAR(st.cam.height, 1.65f + (0.8f - 1.65f) * 0.3f, 1e-5f);
  EXPECT_NEAR(st.cam.low_offset, 0.5f * 0.3f, 1e-5f);
  input.keys[bindings.keys[control::view_outfit][0]] = 0;
  update_mission_camera(m, st, in, 0.1f, 0.75f, nullptr);
  EXPECT_NEAR(st.cam.low_offset, 0.15f - 0.15f * 0.1f, 1e-5f);
}

TEST(CameraTransitions, EasingStartsAndEndsSlowly) {
  for (float u : {0.0f, 0.3f, 0.5f, 0.9f}) EXPECT_FLOAT_EQ(eased_transition(u, 0), u);
  EXPECT_NEAR(eased_transition(0.0f, 5), 0.0f, 1e-5f);
  EXPECT_NEAR(eased_transition(0.5f, 5), 0.5f, 1e-5f);
  EXPECT_NEAR(eased_transition(1.0f, 5), 1.0f, 1e-5f);
  // atan(-0.25 x 5 pi) / (2 atan(2.5 pi)) + 0.5
  const float expected = std::atan(-0.25f * 5.0f * pi) / (2.0f * std::atan(2.5f * pi)) + 0.5f;
  EXPECT_NEAR(eased_transition(0.25f, 5), expected, 1e-6f);
  EXPECT_LT(eased_transition(0.25f, 5), 0.05f);
  EXPECT_GT(eased_transition(0.75f, 5), 0.95f);
}

TEST(CameraPerspective, ViewAngleWidensWithTheScreenUpToItsCap) {
  EXPECT_NEAR(perspective_view_angle(97.0f, 0.75f), 97.0f * 0.86f * 1.1547005f, 1e-3f);
  EXPECT_NEAR(perspective_view_angle(97.0f, 0.4f), 97.0f * 0.86f * 1.17f, 1e-3f);
  EXPECT_NEAR(perspective_view_angle(60.0f, 1.0f), 60.0f * 0.86f, 1e-4f);
  EXPECT_FLOAT_EQ(perspective_view_angle(120.0f, 0.4f), 102.0f);
}

TEST_F(MissionCamera, ScriptedTransitionBlendsTowardsTheTarget) {
  mission_scripted_camera& sc = m.scripted_camera;
  sc.mode = 1;
  sc.from_frame = frame::identity();
  sc.to_frame = frame::identity();
  sc.to_frame.origin = vec3(10.0f, 0.0f, 0.0f);
  sc.from_fov = 60.0f;
  sc.to_fov = 80.0f;
  sc.duration = 2.0f;
  sc.transition_timer.set_elapsed(0.5f);
  place();
  EXPECT_NEAR(st.cam.camera.origin.x, 2.5f, 1e-3f);
  sc.transition_timer.set_elapsed(2.5f);
  place();
  EXPECT_NEAR(st.cam.camera.origin.x, 10.0f, 1e-4f);
  EXPECT_FLOAT_EQ(sc.duration, 0.0f);
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

// The edit mode's free camera flies on the movement keys: it starts slow and
// gathers speed, and quick repeated presses of the forward key double it.
TEST(EditCamera, FliesAheadAndGathersSpeed) {
  mission_screen_state st;
  st.game.edit_mode = 1;
  input_state input;
  key_bindings bindings;
  const screen_input in{&input, &bindings};
  const float t = 0.1f;
  const auto step = [&](std::initializer_list<int> keys) {
    std::copy(std::begin(input.keys), std::end(input.keys), std::begin(input.previous_keys));
    std::fill(std::begin(input.keys), std::end(input.keys), 0);
    for (int k : keys) input.keys[k] = 0x80;
    place_edit_camera(st, in, t);
  };
  // Looking along +y (yaw 0, level): forward flight moves along +y only.
  step({platform::key::w});
  // The speed was 0 when the first frame moved; now 25 x t = 2.5.
  EXPECT_FLOAT_EQ(st.game.edit_camera.position.y, 0.0f);
  EXPECT_FLOAT_EQ(st.game.edit_camera.fly_speed, 2.5f);
  step({platform::key::w});
  // Decayed by (1 - 2t) first: 2.0, moved 2.0 x 0.1.
  EXPECT_NEAR(st.game.edit_camera.position.y, 0.2f, 1e-5f);
  EXPECT_NEAR(st.game.edit_camera.position.x, 0.0f, 1e-5f);
  EXPECT_NEAR(st.game.edit_camera.position.z, 0.0f, 1e-5f);
  // Released and pressed again at once: the multiplier doubles.
  step({});
  step({platform::key::w});
  EXPECT_FLOAT_EQ(st.game.edit_camera.speed_multiplier, 2.0f);
  // F rises by half the speed.
  const float z = st.game.edit_camera.position.z;
  const float speed = st.game.edit_camera.fly_speed * (1.0f - 2.0f * t);
  step({platform::key::f});
  EXPECT_NEAR(st.game.edit_camera.position.z - z, speed * t * 0.5f, 1e-5f);
  EXPECT_EQ(st.cam.camera.origin.z, st.game.edit_camera.position.z);
}

}  // namespace
}  // namespace hm
