#include "mission/missile/missile_flight.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/core/timer.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "render/entity/entity.h"

namespace hm {
namespace {

// Flat ground at height 0 (or none), a scripted answer from the hit test, and
// sounds and removed entities recorded.
class flight_services : public mission_services {
 public:
  bool ground_height(mission&, const vec3&, float& out) override {
    if (!has_ground) return false;
    out = 0.0f;
    return true;
  }
  int missile_weapon_hit(mission&, missile&, const vec3&, const vec3& to, float, vec3& contact) override {
    if (hit_answer >= 3) contact = to;
    return hit_answer;
  }
  int play_slot_sound(int slot, const vec3&, float, float) override {
    played.push_back(slot);
    return 7;
  }
  void stop_sound(int channel) override { stopped.push_back(channel); }
  void remove_scene_entity(mission&, entity& e) override { removed.push_back(&e); }
  int random_next() override { return 0; }

  bool has_ground = true;
  int hit_answer = 0;
  std::vector<int> played;
  std::vector<int> stopped;
  std::vector<entity*> removed;
};

item_kind kind_of_type(int type, std::uint64_t properties = 0) {
  item_kind k;
  k.flags = static_cast<std::uint32_t>(type);
  k.capabilities = properties;
  return k;
}

class MissileFlight : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    m.set_services(&s);
    g_item_kinds.clear();
    g_item_kinds.push_back(kind_of_type(item_type::bow));                 // 0
    g_item_kinds.push_back(kind_of_type(item_type::crossbow));            // 1
    g_item_kinds.push_back(kind_of_type(item_type::thrown, 0x10000));     // 2 stones
    g_item_kinds.push_back(kind_of_type(item_type::thrown, 0x30000));     // 3 axes
    g_item_kinds.push_back(kind_of_type(item_type::thrown, 0x40000));     // 4 javelins
    g_item_kinds.push_back(kind_of_type(item_type::thrown, 0x20000));     // 5 knives
    g_item_kinds.push_back(kind_of_type(item_type::pistol));              // 6
    g_item_kinds.push_back(kind_of_type(item_type::thrown, 0x80000));     // 7
  }
  void TearDown() override {
    g_item_kinds.clear();
    reset_clocks();
  }

  missile& launch(const vec3& at, const vec3& direction, float speed, int launcher_kind = 0) {
    missile& mi = m.missiles.allocate();
    mi.start_position = mi.position = mi.previous_position = at;
    mi.direction = get_normalized(direction);
    mi.speed = speed;
    mi.launcher.kind = launcher_kind;
    mi.entity = e.get();
    e->visible = 0;
    return mi;
  }

  flight_services s;
  mission m;
  std::unique_ptr<entity> e = std::make_unique<entity>();
};

// Straight down from rest, the speed obeys dv/dt = g - k v^2: with the
// terminal speed w = sqrt(g / k), v(t) = w tanh(g t / w) and the distance
// fallen is (w^2 / g) ln cosh(g t / w).
TEST_F(MissileFlight, FallFollowsTheClosedFormWithDrag) {
  s.has_ground = false;
  missile& mi = launch({0.0f, 0.0f, 1000.0f}, {0.0f, 0.0f, -1.0f}, 0.0f);
  const double g = 9.8, k = 0.0027, w = std::sqrt(g / k);
  const float dt = 0.001f;
  for (int step = 1; step <= 2000; ++step) {
    update_missile_flight(m, mi, dt);
    if (step % 500 != 0) continue;
    const double t = step * 0.001;
    EXPECT_NEAR(mi.speed, w * std::tanh(g * t / w), 0.01) << t;
    EXPECT_NEAR(1000.0 - mi.position.z, w * w / g * std::log(std::cosh(g * t / w)), 0.03) << t;
  }
  // Over two seconds drag already costs more than the tolerance.
  EXPECT_LT(mi.speed, 9.8f * 2.0f - 0.3f);
}

// Straight up at 30: the apex comes at (w / g) atan(30 / w), then the missile
// turns and comes down, its direction following the velocity.
TEST_F(MissileFlight, ShotStraightUpTurnsAtItsApex) {
  s.has_ground = false;
  missile& mi = launch({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, 30.0f);
  const double g = 9.8, k = 0.0027, w = std::sqrt(g / k);
  const double apex = w / g * std::atan(30.0 / w);
  const float dt = 0.001f;
  int turned_at = -1;
  for (int step = 1; step <= 6000 && turned_at < 0; ++step) {
    update_missile_flight(m, mi, dt);
    if (mi.direction.z < 0.0f) turned_at = step;
  }
  ASSERT_GT(turned_at, 0);
  EXPECT_NEAR(turned_at * 0.001, apex, 0.01);
  EXPECT_FLOAT_EQ(mi.direction.z, -1.0f);
  EXPECT_EQ(mi.state, missile_flying);
  // The entity showed once the missile was 1.7 from its start.
  EXPECT_EQ(e->visible, 1);
}

TEST_F(MissileFlight, NoSpeedKeepsTheLastDirection) {
  missile& mi = launch({0.0f, 0.0f, 50.0f}, {1.0f, 0.0f, 0.0f}, 0.0f);
  update_missile_flight(m, mi, 0.0f);
  EXPECT_FLOAT_EQ(mi.direction.x, 1.0f);
  EXPECT_FLOAT_EQ(mi.speed, 0.0f);
}

TEST_F(MissileFlight, GroundStopsTheMissileWithItsTipInTheGround) {
  m.view_camera_position = vec3(0.0f, 0.0f, 2.0f);
  m.player_agent = 4;
  missile& mi = launch({0.0f, 0.0f, 0.5f}, {0.0f, 1.0f, -1.0f}, 10.0f);
  mi.shooter = 4;
  const vec3 along = mi.direction;
  update_missile_flight(m, mi, 0.1f);
  EXPECT_EQ(mi.state, missile_stuck);
  // The tip (0.8 ahead without an ammunition kind) went 0.02 into the
  // ground along the flight.
  EXPECT_NEAR((mi.position + along * 0.78f).z, 0.0f, 1e-4f);
  EXPECT_NEAR((mi.position + along * 0.8f).z, 0.02f * along.z, 1e-4f);
  EXPECT_NEAR(e->frame.origin.x, mi.position.x, 1e-5f);
  EXPECT_NEAR(e->frame.origin.z, mi.position.z, 1e-5f);
  EXPECT_EQ(mi.entity, e.get());
  EXPECT_TRUE(s.removed.empty());
  // A bow's missile that never whizzed at the listener: the player's own
  // shot still sounds its plain impact.
  EXPECT_EQ(s.played, (std::vector<int>{61}));
  // Further updates leave a missile at rest alone.
  const vec3 rest = mi.position;
  update_missile_flight(m, mi, 0.1f);
  EXPECT_FLOAT_EQ((mi.position - rest).length(), 0.0f);
}

TEST_F(MissileFlight, HitAnswersDecideTheMissilesFate) {
  struct row {
    int answer;
    int launcher;
    int state;
    bool entity_kept;
  };
  const row rows[] = {
      {1, 0, missile_hit_agent, false},  // an agent struck: the entity goes at once
      {2, 0, missile_hit_agent, false},  // blocked
      {3, 0, missile_stuck, true},       // a wall: it sticks
      {3, 2, missile_spent, false},      // a stone never sticks
      {4, 7, missile_spent, false},
      {3, 3, missile_stuck, true},       // an axe does
  };
  s.has_ground = false;
  for (const row& r : rows) {
    s.removed.clear();
    s.hit_answer = r.answer;
    missile& mi = launch({0.0f, 0.0f, 5.0f}, {0.0f, 1.0f, 0.0f}, 20.0f, r.launcher);
    update_missile_flight(m, mi, 0.05f);
    EXPECT_EQ(mi.state, r.state) << r.answer << " " << r.launcher;
    EXPECT_EQ(mi.entity != nullptr, r.entity_kept) << r.answer << " " << r.launcher;
    EXPECT_EQ(s.removed.size(), r.entity_kept ? 0u : 1u);
    m.missiles.retire(mi.slot);
    e = std::make_unique<entity>();
  }
}

TEST_F(MissileFlight, SoundSlotsByLauncher) {
  struct row {
    int kind;
    missile_sound_slots slots;
  };
  const row rows[] = {
      {1, {48, 55, 62}}, {0, {47, 54, 61}}, {2, {50, 57, 64}}, {3, {51, 58, 65}},
      {4, {49, 56, 63}}, {5, {52, 59, 66}}, {6, {53, 60, 67}}, {-1, {53, 60, 67}},
  };
  for (const row& r : rows) {
    item launcher;
    launcher.kind = r.kind;
    const missile_sound_slots got = missile_sounds_for(launcher);
    EXPECT_EQ(got.pass_by, r.slots.pass_by) << r.kind;
    EXPECT_EQ(got.impact_incoming, r.slots.impact_incoming) << r.kind;
    EXPECT_EQ(got.impact, r.slots.impact) << r.kind;
  }
}

// A bow's arrow flies past a listener standing beside its path, then lands.
TEST_F(MissileFlight, PassByWhizAndImpact) {
  m.view_camera_position = vec3(1.0f, 10.0f, 1.0f);
  for (const float wait : {1.0f, 0.1f}) {
    s.played.clear();
    s.stopped.clear();
    missile& mi = launch({0.0f, 0.0f, 1.5f}, {0.0f, 1.0f, 0.0f}, 40.0f);
    mi.pass_by_state = 1;
    // Past the listener after a quarter second.
    for (int i = 0; i < 5; ++i) update_missile_flight(m, mi, 0.05f);
    ASSERT_EQ(mi.pass_by_state, 3);
    ASSERT_EQ(s.played, (std::vector<int>{47}));
    advance_clock(clock_real_time, wait);
    s.hit_answer = 3;
    update_missile_flight(m, mi, 0.05f);
    s.hit_answer = 0;
    EXPECT_EQ(mi.state, missile_stuck);
    // A whiz younger than 0.6 s is cut for the impact; an older one plays on.
    EXPECT_EQ(s.stopped.size(), wait < 0.6f ? 1u : 0u) << wait;
    EXPECT_EQ(s.played, (std::vector<int>{47, 61})) << wait;
    m.missiles.retire(mi.slot);
    e = std::make_unique<entity>();
  }
}

TEST_F(MissileFlight, MissileBelowTheMapIsFreedWithoutImpact) {
  s.has_ground = false;
  m.view_camera_position = vec3(0.0f, 0.0f, -99.0f);
  missile& mi = launch({0.0f, 0.0f, -99.9f}, {0.0f, 0.0f, -1.0f}, 20.0f);
  mi.pass_by_state = 1;
  const int slot = mi.slot;
  m.frame(0.1f, false);
  EXPECT_EQ(m.missiles.get(slot)->in_use, 0);
  EXPECT_TRUE(s.played.empty());
  // Its entity stays in the scene among the stuck missiles.
  ASSERT_EQ(m.stuck_missiles.size(), 1u);
  m.stuck_missiles.clear();
}

}  // namespace
}  // namespace hm
