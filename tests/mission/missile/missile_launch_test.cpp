#include "mission/missile/missile_launch.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/timer.h"
#include "mission/records/agent.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"

namespace hm {
namespace {

enum : int { bow = 0, crossbow, javelin, arrows, bolts, no_speed_bow, axe };

item_kind kind(int type, int missile_speed, int thrust, std::uint64_t properties = 0, int max_ammo = 0) {
  item_kind k;
  k.flags = static_cast<std::uint32_t>(type);
  k.missile_speed = missile_speed;
  k.thrust_damage = thrust;
  k.capabilities = properties;
  k.max_ammo = max_ammo;
  return k;
}

class MissileLaunch : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    g_item_kinds = {kind(item_type::bow, 50, 20),     kind(item_type::crossbow, 60, 30),
                    kind(item_type::thrown, 25, 40, 0x40000, 3), kind(item_type::arrows, 0, 5, 0, 30),
                    kind(item_type::bolts, 0, 8, 0, 20),  kind(item_type::bow, 0, 20),
                    kind(item_type::thrown, 20, 30, 0x30000, 2)};
  }
  void TearDown() override { g_item_kinds.clear(); }

  agent& shooter(int weapon) {
    agent& a = m.allocate_agent();
    a.state = agent_state_alive;
    a.equipment[0].kind = weapon;
    a.wielded_slots[0] = 0;
    return a;
  }

  mission m;
};

TEST_F(MissileLaunch, LaunchSpeedByWeaponAndWeather) {
  // A troop without skills: a bow's draw counts nothing, a thrown weapon's
  // throw nothing, a rider's riding nothing.
  struct row {
    int weapon;
    int precipitation;
    bool mounted;
    float speed;
  };
  const row rows[] = {
      {-1, 0, false, 12.0f},
      {bow, 0, false, 50.0f * 1.2f},
      {bow, 1, false, std::sqrt(0.9f) * 50.0f * 1.2f},
      {bow, 2, false, 50.0f * 1.2f},  // snow does not slow it
      {bow, 0, true, std::sqrt(0.8f) * 50.0f * 1.2f},
      {crossbow, 1, false, std::sqrt(0.75f) * 60.0f * 1.2f},
      {crossbow, 0, true, 60.0f * 1.2f},
      {javelin, 0, true, std::sqrt(0.8f) * 25.0f * 1.2f},
      {javelin, 1, false, 25.0f * 1.2f},
  };
  for (const row& r : rows) {
    agent& a = shooter(r.weapon);
    if (r.mounted) a.mount = 0;
    m.weather.precipitation = r.precipitation;
    EXPECT_NEAR(get_missile_speed(m, a), r.speed, 1e-4f) << r.weapon << " " << r.precipitation << " " << r.mounted;
  }
}

TEST_F(MissileLaunch, SpreadOfAnAiShot) {
  const vec3 ahead(0.0f, 40.0f, 0.0f);
  const vec3 still;
  // Standing shooters by day in clear air: 0.65 / k, k = class + 20.
  EXPECT_NEAR(compute_missile_spread(3, 0, ahead, still, 500.0f, false), 0.65f / 23.0f, 1e-6f);
  EXPECT_NEAR(compute_missile_spread(4, 2, ahead, still, 500.0f, false), 2.0f * 0.65f / 24.0f, 1e-6f);
  // A target running across at 6: sin term 6/sqrt(40^2+6^2), q = 1.
  const vec3 across(6.0f, 0.0f, 0.0f);
  const float sin_term = 6.0f / std::sqrt(1636.0f);
  EXPECT_NEAR(compute_missile_spread(3, 2, ahead, across, 500.0f, false),
              2.0f * 0.65f / 23.0f + 1.5f * (10.0f / 50.0f) * sin_term * 6.0f * 0.3f / 23.0f, 1e-6f);
  // Cut to 0.2 before the weather and the night add theirs.
  const vec3 fast(200.0f, 0.0f, 0.0f);
  EXPECT_NEAR(compute_missile_spread(3, 8, {0.0f, 1.0f, 0.0f}, fast, 500.0f, false), 0.2f, 1e-6f);
  EXPECT_NEAR(compute_missile_spread(3, 8, ahead, fast, 100.0f, true), 0.2f + 0.4f * 0.05f + 40.0f * 0.001f, 1e-5f);
  // No visibility figure at all adds nothing rather than dividing by zero.
  EXPECT_NEAR(compute_missile_spread(3, 0, ahead, still, 0.0f, false), 0.65f / 23.0f, 1e-6f);
}

TEST_F(MissileLaunch, AddMissileCarriesDamageSpeedAndItems) {
  agent& a = shooter(bow);
  a.forward_speed = 3.0f;
  m.view_camera_position = vec3(0.0f, 20.0f, 1.0f);
  item arrow;
  arrow.kind = arrows;
  const int slot = add_missile(m, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, a.equipment[0], arrow, a.index);
  const missile* mi = m.missiles.get(slot);
  ASSERT_NE(mi, nullptr);
  EXPECT_EQ(slot, 15);
  EXPECT_FLOAT_EQ(mi->damage, 25.0f);  // bow and arrow
  EXPECT_FLOAT_EQ(mi->launch_speed, 60.0f);
  EXPECT_FLOAT_EQ(mi->speed, 63.0f);
  EXPECT_EQ(mi->state, missile_flying);
  EXPECT_EQ(mi->pass_by_state, 1);  // the camera stands ahead
  EXPECT_EQ(mi->ammunition.kind, arrows);

  // No arrows: it still flies, with the bow's damage alone.
  const int bare = add_missile(m, {0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, a.equipment[0], item{}, a.index);
  ASSERT_NE(m.missiles.get(bare), nullptr);
  EXPECT_FLOAT_EQ(m.missiles.get(bare)->damage, 20.0f);
  EXPECT_EQ(m.missiles.get(bare)->pass_by_state, 0);

  // A thrown weapon's own damage; no ammunition damage is added.
  agent& thrower = shooter(javelin);
  const int thrown = add_missile(m, {}, {0.0f, 1.0f, 0.0f}, thrower.equipment[0], thrower.equipment[0], thrower.index);
  EXPECT_FLOAT_EQ(m.missiles.get(thrown)->damage, 40.0f);

  // A bow without a missile speed shoots nothing.
  agent& broken = shooter(no_speed_bow);
  EXPECT_EQ(add_missile(m, {}, {0.0f, 1.0f, 0.0f}, broken.equipment[0], arrow, broken.index), -1);
  EXPECT_EQ(m.missiles.live_count(), 3);
}

TEST_F(MissileLaunch, AmmunitionSlotPrefersOneWithShotsLeft) {
  agent& a = shooter(bow);
  a.equipment[1].kind = bolts;
  a.equipment[2].kind = arrows;
  a.equipment[2].consume_ammo(30);  // empty quiver
  a.equipment[3].kind = arrows;
  EXPECT_EQ(find_missile_ammunition_slot(a, a.equipment[0]), 3);
  a.equipment[3].consume_ammo(30);
  EXPECT_EQ(find_missile_ammunition_slot(a, a.equipment[0]), 2);
  EXPECT_EQ(find_missile_ammunition_slot(a, a.equipment[1]), -1);  // bolts shoot nothing
  a.equipment[1].kind = crossbow;
  EXPECT_EQ(find_missile_ammunition_slot(a, a.equipment[1]), -1);
  agent& t = shooter(javelin);
  EXPECT_EQ(find_missile_ammunition_slot(t, t.equipment[0]), 0);
}

TEST_F(MissileLaunch, TiltTurnsByTheGivenAngle) {
  const vec3 d = get_normalized(vec3(0.3f, 1.0f, 0.2f));
  for (const float roll : {0.0f, 1.0f, 4.0f}) {
    const vec3 t = tilt_direction(d, 0.1f, roll);
    EXPECT_NEAR(std::acos(std::min(1.0f, dot_product(t, d))), 0.1f, 1e-3f) << roll;
    EXPECT_NEAR(t.length(), 1.0f, 1e-5f);
  }
}

TEST_F(MissileLaunch, PlayerShotsGetNoSpreadOnlyTheWobble) {
  agent& player = shooter(axe);
  agent& foe = shooter(bow);
  foe.body_frame.origin = vec3(0.0f, 30.0f, 0.0f);
  m.player_agent = player.index;
  player.ai.target = foe.index;
  player.input.set_direction(vec3(0.0f, 1.0f, 0.0f));
  const missile* mi = m.missiles.get(release_missile(m, player));
  ASSERT_NE(mi, nullptr);
  EXPECT_NEAR(mi->direction.y, 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(mi->spin, 6.0f);  // an axe turns over in flight
  // The same shot by an AI archer strays.
  foe.ai.target = player.index;
  foe.input.set_direction(vec3(0.0f, -1.0f, 0.0f));
  const missile* shot = m.missiles.get(release_missile(m, foe));
  ASSERT_NE(shot, nullptr);
  EXPECT_GT(std::fabs(shot->direction.x) + std::fabs(shot->direction.z), 1e-3f);
  EXPECT_FLOAT_EQ(shot->spin, 0.0f);
}

}  // namespace
}  // namespace hm
