// The keys inside an agent's animations: footsteps, hoof beats, falls, the
// bow's draw and the crossbow's spanning, and the dust and splashes a step
// throws up.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/game_options.h"
#include "mission/agent/particle_bursts.h"
#include "mission/combat/combat_hooks.h"
#include "mission/control/action_keys.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"
#include "module/records/particle_system.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

using lines = std::vector<std::string>;

constexpr int walk = 10;
constexpr int horse_gallop = 410;
constexpr int fall = 285;
constexpr int draw_bow = 117;
constexpr int span_crossbow = 123;

// Key times in hundredths, one a byte.
constexpr std::uint32_t keys(std::uint32_t k0, std::uint32_t k1 = 0, std::uint32_t k2 = 0, std::uint32_t k3 = 0) {
  return k0 | k1 << 8 | k2 << 16 | k3 << 24;
}

class ActionKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    g_game_options = game_options{};
    mark(walk, action_flag_footstep_keys, keys(25, 75));
    mark(horse_gallop, action_flag_footstep_keys, keys(10, 35, 60, 85));
    mark(fall, action_flag_sound_keys, keys(60));
    mark(draw_bow, action_flag_sound_keys, keys(30, 70));
    mark(span_crossbow, action_flag_sound_keys, keys(20, 60));
    m.water_level = 0.0f;
  }
  void TearDown() override {
    g_particle_systems = particle_system_table{};
    g_game_options = game_options{};
  }
  void mark(int action, std::uint32_t flags, std::uint32_t key_word) {
    action_record& r = fixture.actions.actions[static_cast<std::size_t>(action)];
    r.flags = flags;
    r.sequences[0].flags2 = key_word;
  }
  // An agent at height z whose channel moved from `before` to `now` of the
  // action in this frame (the same action the frame before unless told).
  agent& stepping(int kind, float z, int channel, int action, float before, float now, int previous_action = -2) {
    agent& a = fixture.add_agent(m, kind);
    a.position() = vec3(3.0f, 4.0f, z);
    set_channel(a, channel, action, before, now, previous_action);
    return a;
  }
  static void set_channel(agent& a, int channel, int action, float before, float now, int previous_action = -2) {
    action_channel& ch = a.channels[static_cast<std::size_t>(channel)];
    ch.action = action;
    ch.variant = 0;
    ch.progress = now;
    ch.previous_action = previous_action == -2 ? action : previous_action;
    ch.previous_variant = 0;
    ch.previous_progress = before;
  }
  lines play(agent& a, std::vector<int> draws = {}) {
    sounds.played.clear();
    sounds.pitches.clear();
    sounds.depths.clear();
    scripted_combat_random random(std::move(draws));
    play_action_keys(m, a, random);
    return sounds.played;
  }
  // A scene and a particle table whose hoof dust is record 0 and whose three
  // splashes are records 1 to 3.
  void with_particles() {
    static bool registered = false;
    if (!registered) {
      auto me = std::make_unique<mesh>();
      me->name = "prt_test_quad";
      g_resource_manager.adopt_resource(std::move(me));
      registered = true;
    }
    m.scene = std::make_unique<scene_world>();
    g_particle_systems = particle_system_table{};
    for (int i = 0; i < 4; ++i) {
      particle_system_record r;
      r.mesh_name = "prt_test_quad";
      r.emission_rate = 100.0f;
      r.life = 1.0f;
      g_particle_systems.records.push_back(r);
    }
    g_particle_systems.codes[4] = 0;
    for (int i = 0; i < 3; ++i) g_particle_systems.codes[7 + i] = 1 + i;
  }
  // The emitters taken from the scene's pool: (record, count) each.
  std::vector<std::pair<int, int>> bursts() const {
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < m.scene->particle_pool_used; ++i) {
      const particle_system_instance& p = *m.scene->particle_pool[static_cast<std::size_t>(i)];
      out.emplace_back(p.psys_index, p.to_emit);
    }
    return out;
  }

  mission m;
  animated_agents fixture;
  recording_sounds sounds;
};

TEST_F(ActionKeys, KeyTimesAreBytesOfHundredths) {
  action_sequence s;
  s.flags2 = keys(25, 0, 100, 101);
  EXPECT_FLOAT_EQ(action_key_time(s, 0), 0.25f);
  EXPECT_FLOAT_EQ(action_key_time(s, 1), -1.0f);  // 0: no key
  EXPECT_FLOAT_EQ(action_key_time(s, 2), 1.0f);
  EXPECT_FLOAT_EQ(action_key_time(s, 3), -1.0f);  // past the end: no key
  EXPECT_FLOAT_EQ(action_key_time(s, 4), -1.0f);
  EXPECT_FLOAT_EQ(action_key_time(s, -1), -1.0f);
}

TEST_F(ActionKeys, FootstepsOnDryGroundAreContactSoundsOfTheKeysPassed) {
  struct row {
    float before;
    float now;
    int previous_action;
    lines expected;
  };
  const row rows[] = {
      {0.20f, 0.30f, walk, {"contact 0"}},
      {0.10f, 0.25f, walk, {"contact 0"}},  // a key at the new progress counts
      {0.25f, 0.50f, walk, {}},             // and not again in the next frame
      {0.30f, 0.80f, walk, {"contact 1"}},
      {0.20f, 0.80f, walk, {"contact 0", "contact 1"}},
      {0.80f, 0.20f, walk, {}},                          // came round: nothing between 0.8 and 0.2
      {0.70f, 0.30f, walk, {"contact 0", "contact 1"}},  // came round past both keys
      {0.90f, 0.30f, 12, {"contact 0"}},                 // a new action counts from its start
  };
  for (const row& r : rows) {
    agent& a = stepping(agent_kind_human, 1.0f, 0, walk, r.before, r.now, r.previous_action);
    EXPECT_EQ(play(a), r.expected) << r.before << " -> " << r.now;
  }
}

TEST_F(ActionKeys, HoofBeatsKeepTheirKeyNumbers) {
  agent& horse = stepping(agent_kind_horse, 1.0f, 0, horse_gallop, 0.0f, 1.0f);
  EXPECT_EQ(play(horse), (lines{"contact 0", "contact 1", "contact 2", "contact 3"}));
}

TEST_F(ActionKeys, InWaterAHumanWadesAndAHorseSplashesOnlyOnItsLastKey) {
  agent& man = stepping(agent_kind_human, -0.5f, 0, walk, 0.2f, 0.3f);
  EXPECT_EQ(play(man), lines{"movement"});
  ASSERT_EQ(sounds.depths.size(), 1u);
  EXPECT_FLOAT_EQ(sounds.depths[0], 0.5f);

  agent& horse = stepping(agent_kind_horse, -0.4f, 0, horse_gallop, 0.0f, 1.0f);
  EXPECT_EQ(play(horse), lines{"movement"});
  ASSERT_EQ(sounds.depths.size(), 1u);
  EXPECT_FLOAT_EQ(sounds.depths[0], 0.4f);

  // Standing exactly at the water's level counts as in the water.
  agent& edge = stepping(agent_kind_human, 0.0f, 0, walk, 0.2f, 0.3f);
  EXPECT_EQ(play(edge), lines{"movement"});
}

TEST_F(ActionKeys, WaterStepsSoundLowerTheDeeperTheyAre) {
  EXPECT_FLOAT_EQ(water_step_pitch(0.0f), 1.1f);
  EXPECT_FLOAT_EQ(water_step_pitch(1.0f), 0.8f);
  EXPECT_FLOAT_EQ(water_step_pitch(5.0f), 0.7f);
  EXPECT_FLOAT_EQ(water_step_pitch(-1.0f), 1.1f);
}

TEST_F(ActionKeys, FallsAndWeaponsSoundAtTheirKeysWithRandomPitch) {
  // unit 0.5 and 0.25 of the scripted draws.
  const std::vector<int> draws = {draw_for_unit(0.5f), draw_for_unit(0.25f)};

  agent& falling = stepping(agent_kind_human, 1.0f, 0, fall, 0.5f, 0.7f);
  EXPECT_EQ(play(falling, draws), lines{"snd_body_fall_small"});
  EXPECT_NEAR(sounds.pitches[0], 0.8f + 0.4f * 0.5f, 1e-4f);

  agent& archer = stepping(agent_kind_human, 1.0f, 1, draw_bow, 0.1f, 0.9f);
  EXPECT_EQ(play(archer, draws), (lines{"snd_pull_arrow", "snd_pull_bow"}));
  EXPECT_NEAR(sounds.pitches[0], 0.9f + 0.2f * 0.5f, 1e-4f);
  EXPECT_NEAR(sounds.pitches[1], 0.8f + 0.4f * 0.25f, 1e-4f);

  agent& crossbowman = stepping(agent_kind_human, 1.0f, 1, span_crossbow, 0.5f, 0.7f);
  EXPECT_EQ(play(crossbowman, draws), lines{"snd_reload_crossbow_continue"});
  EXPECT_NEAR(sounds.pitches[0], 0.8f + 0.4f * 0.5f, 1e-4f);
}

TEST_F(ActionKeys, SilentWithoutTheFlagsOrAsARagdoll) {
  // Sound keys on an action that is neither a fall nor a weapon's.
  mark(walk, action_flag_sound_keys, keys(25, 75));
  agent& a = stepping(agent_kind_human, 1.0f, 0, walk, 0.2f, 0.8f);
  EXPECT_EQ(play(a), lines{});
  // Key times but no flags.
  mark(walk, 0, keys(25, 75));
  EXPECT_EQ(play(a), lines{});
  // A body in the physics' hands makes no footsteps.
  mark(walk, action_flag_footstep_keys, keys(25, 75));
  int ragdoll_stub = 0;
  a.ragdoll = &ragdoll_stub;
  EXPECT_EQ(play(a), lines{});
  a.ragdoll = nullptr;
  // A bow's keys only sound on the upper body's channel.
  agent& b = stepping(agent_kind_human, 1.0f, 0, draw_bow, 0.1f, 0.9f);
  EXPECT_EQ(play(b), lines{});
}

TEST_F(ActionKeys, ParticleSystemsComeFromTheEngineCodes) {
  with_particles();
  agent& horse = fixture.add_agent(m, agent_kind_horse);
  agent& man = fixture.add_agent(m, agent_kind_human);
  choose_agent_particle_systems(horse);
  choose_agent_particle_systems(man);
  EXPECT_EQ(horse.dust_system, 0);
  EXPECT_EQ(man.dust_system, -1);
  for (const agent* a : {&horse, &man}) {
    EXPECT_EQ(a->splash_systems, (std::array<std::int32_t, 3>{1, 2, 3}));
  }
  g_particle_systems = particle_system_table{};
  choose_agent_particle_systems(horse);
  EXPECT_EQ(horse.dust_system, -1);
  EXPECT_EQ(horse.splash_systems[2], -1);
}

TEST_F(ActionKeys, StepsBurstDustOnLandAndSplashesInWater) {
  with_particles();
  struct row {
    int kind;
    float z;
    float forward;
    float side;
    int action;
    float before;
    float now;
    std::vector<std::pair<int, int>> expected;
  };
  const row rows[] = {
      // A horse at 4 on land: one dust burst of 4 x 1.5 + 2.
      {agent_kind_horse, 1.0f, 4.0f, 0.0f, horse_gallop, 0.05f, 0.2f, {{0, 8}}},
      // A horse at 2 (moving sideways) in water: the three splashes, 2 x 10 + 20 each.
      {agent_kind_horse, -0.4f, 0.0f, 2.0f, horse_gallop, 0.05f, 0.2f, {{1, 40}, {2, 40}, {3, 40}}},
      // A human at speed 5 (3, 4) in water: 5 x 3 + 5 each.
      {agent_kind_human, -0.4f, 3.0f, 4.0f, walk, 0.2f, 0.3f, {{1, 20}, {2, 20}, {3, 20}}},
      // A human on land raises no dust.
      {agent_kind_human, 1.0f, 3.0f, 0.0f, walk, 0.2f, 0.3f, {}},
      // Standing still: no particles.
      {agent_kind_horse, -0.4f, 0.0f, 0.0f, horse_gallop, 0.05f, 0.2f, {}},
      // No key passed: nothing.
      {agent_kind_horse, 1.0f, 4.0f, 0.0f, horse_gallop, 0.15f, 0.2f, {}},
  };
  for (const row& r : rows) {
    m.scene->particle_pool_used = 0;
    agent& a = stepping(r.kind, r.z, 0, r.action, r.before, r.now);
    choose_agent_particle_systems(a);
    a.forward_speed = r.forward;
    a.side_speed = r.side;
    play(a);
    EXPECT_EQ(bursts(), r.expected) << r.kind << ' ' << r.z << ' ' << r.forward;
  }
  // The splash rises from the water's surface at the agent.
  m.scene->particle_pool_used = 0;
  agent& wader = stepping(agent_kind_human, -0.4f, 0, walk, 0.2f, 0.3f);
  choose_agent_particle_systems(wader);
  wader.forward_speed = 1.0f;
  play(wader);
  ASSERT_GE(m.scene->particle_pool_used, 1);
  const vec3 at = m.scene->particle_pool[0]->local_frame.origin;
  EXPECT_FLOAT_EQ(at.x, 3.0f);
  EXPECT_FLOAT_EQ(at.y, 4.0f);
  EXPECT_FLOAT_EQ(at.z, 0.0f);
  // The particle option off: sounds still play, no particles.
  m.scene->particle_pool_used = 0;
  g_game_options.particle_systems = 0;
  EXPECT_EQ(play(wader), lines{"movement"});
  EXPECT_TRUE(bursts().empty());
}

TEST_F(ActionKeys, AHitSpraysBloodBackAgainstTheBlow) {
  with_particles();
  g_particle_systems.codes[2] = 1;
  g_particle_systems.codes[3] = 2;
  reset_combat_hooks();
  agent& a = fixture.add_agent(m, agent_kind_human);
  blow b;
  b.hit_position = vec3(1.0f, 2.0f, 1.5f);
  b.direction = vec3(1.0f, 0.0f, 0.0f);
  g_combat_hooks().emit_blood(m, a, b, 12);
  EXPECT_EQ(bursts(), (std::vector<std::pair<int, int>>{{1, 12}, {2, 12}}));
  for (int i = 0; i < 2; ++i) {
    const particle_system_instance& p = *m.scene->particle_pool[static_cast<std::size_t>(i)];
    // Rates of 100 a second scaled by (12 + 10) x 0.1.
    EXPECT_NEAR(p.emission_rate, 220.0f, 1e-3f);
    EXPECT_FLOAT_EQ(p.local_frame.origin.y, 2.0f);
    EXPECT_NEAR(p.local_frame.rot.f.x, -1.0f, 1e-6f);
    EXPECT_NEAR(p.local_frame.rot.u.z, 1.0f, 1e-6f);
  }
  // Without the module's blood systems nothing is sprayed.
  m.scene->particle_pool_used = 0;
  g_particle_systems.codes[2] = g_particle_systems.codes[3] = -1;
  g_combat_hooks().emit_blood(m, a, b, 12);
  EXPECT_TRUE(bursts().empty());
}

TEST(ParticleBursts, AFrameFacingAnyWay) {
  const frame up = frame_facing(vec3(), vec3(0.0f, 0.0f, 2.0f));
  EXPECT_NEAR(up.rot.f.z, 1.0f, 1e-6f);
  EXPECT_NEAR(dot_product(up.rot.s, up.rot.f), 0.0f, 1e-6f);
  EXPECT_NEAR(up.rot.u.length(), 1.0f, 1e-5f);
  const frame none = frame_facing(vec3(1.0f, 1.0f, 1.0f), vec3());
  EXPECT_NEAR(none.rot.f.y, 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(none.origin.x, 1.0f);
}

}  // namespace
}  // namespace hm
