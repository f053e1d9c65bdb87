// Action channel requests, variant choice, two-frame sampling and the
// progress curves of skeleton channels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/agent/agent_queries.h"
#include "mission/anim/agent_actions.h"
#include "mission/anim/anim_channel_ops.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"
#include "render/entity/skeleton_instance.h"

namespace hm {
namespace {

class ActionChannels : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    g_item_kinds.clear();
  }
  void TearDown() override {
    reset_clocks();
    g_item_kinds.clear();
  }
  skeleton_instance& skel(agent& a) { return *agent_skeleton(a); }

  mission m;
  animated_agents fixture;
};

TEST_F(ActionChannels, PriorityGate) {
  struct row {
    int current_action;
    std::uint32_t current_priority;
    std::uint32_t request_priority;
    bool taken;
  };
  const row rows[] = {
      {30, 7, 5, false},  // busy and outranked
      {-1, 0, 5, true},   // idle
      {30, 7, 7, true},   // equal priority replaces
      {30, 7, 8, true},
      {-1, 7, 5, false},  // a pending request still counts as busy
  };
  for (const row& r : rows) {
    action_channel ch;
    ch.action = r.current_action;
    ch.requested_action = 31;
    ch.flags = r.current_priority;
    if (r.current_action == -1 && r.current_priority == 0) ch.requested_action = -1;
    const int before = ch.requested_action;
    EXPECT_EQ(ch.request(40, r.request_priority | channel_flag_keep), r.taken)
        << r.current_priority << " vs " << r.request_priority;
    EXPECT_EQ(ch.requested_action, r.taken ? 40 : before);
    if (r.taken) {
      EXPECT_EQ(ch.flags, r.request_priority | channel_flag_keep);
    }
  }
  action_channel ch;
  ch.request(12, 9u | channel_flag_keep);
  ASSERT_TRUE(ch.request(-1, 20u | channel_flag_keep));
  EXPECT_EQ(ch.requested_action, -1);
  EXPECT_EQ(ch.flags, 0u);
}

TEST_F(ActionChannels, SpeedIsHeldBetweenATenthAndTen) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  const float cases[][2] = {{0.0f, 0.1f}, {0.05f, 0.1f}, {0.1f, 0.1f}, {3.0f, 3.0f},
                            {10.0f, 10.0f}, {25.0f, 10.0f}, {std::numeric_limits<float>::quiet_NaN(), 0.1f}};
  for (const auto& c : cases) {
    a.channels[0] = action_channel{};
    set_channel_action(a, 0, 10, 0, c[0]);
    EXPECT_EQ(a.channels[0].requested_action, 10);
    EXPECT_FLOAT_EQ(a.channels[0].speed, c[1]) << c[0];
  }
}

TEST_F(ActionChannels, ActionsOutsideTheTableChangeNothing) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  set_channel_action(a, 0, 10, 3, 1.0f);
  for (int bad : {-2, 420, 100000}) {
    set_channel_action(a, 0, bad, 50, 2.0f);
    EXPECT_EQ(a.channels[0].requested_action, 10);
    EXPECT_EQ(a.channels[0].flags, 3u);
  }
  a.weapon_hit_action = 5000;
  play_weapon_hit_action(a);
  EXPECT_EQ(a.channels[1].requested_action, -1);
  // -1 is a request to clear.
  set_channel_action(a, 0, -1, 5, 1.0f);
  EXPECT_EQ(a.channels[0].requested_action, -1);
  EXPECT_EQ(a.channels[0].flags, 0u);
}

TEST_F(ActionChannels, WholeBodyActionClearsOnlyALowerUpperBodyAction) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  fixture.actions.actions[73].flags = action_flag_clears_upper_body;
  for (std::uint32_t upper_priority : {10u, 20u}) {
    a.channels = {};
    a.channels[1].action = 88;
    a.channels[1].requested_action = 88;
    a.channels[1].flags = upper_priority;
    set_channel_action(a, 0, 73, 20u, 1.0f);
    EXPECT_EQ(a.channels[0].requested_action, 73);
    if (upper_priority == 10u) {
      EXPECT_EQ(a.channels[1].requested_action, -1);
      EXPECT_EQ(a.channels[1].flags, 0u);
    } else {
      EXPECT_EQ(a.channels[1].requested_action, 88);
    }
  }
  // An ordinary action leaves the upper body alone.
  a.channels[1].flags = 1;
  set_channel_action(a, 0, 74, 20u, 1.0f);
  EXPECT_EQ(a.channels[1].requested_action, 88);
}

TEST_F(ActionChannels, UpperBodyRequestsShowOrHideTheWieldedItem) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  a.equipment[2].kind = add_item_kind(item_type::one_handed);
  a.wielded_slots[0] = 2;
  entity& sword = give_item_entity(fixture, a, 2);
  set_channel_action(a, 1, 30, 5u | channel_flag_hide_item, 1.0f);
  EXPECT_EQ(show_word(sword), 0u);
  set_channel_action(a, 1, 31, 5u, 1.0f);
  EXPECT_EQ(show_word(sword), 0xFFFFu);
  set_channel_action(a, 1, 30, 5u | channel_flag_hide_item, 1.0f);
  a.weapon_hit_action = 60;
  play_weapon_hit_action(a);
  EXPECT_EQ(a.channels[1].requested_action, 60);
  EXPECT_EQ(a.channels[1].flags, 0x500000Fu);
  EXPECT_EQ(show_word(sword), 0xFFFFu);
}

TEST_F(ActionChannels, RestartFlagStartsTheSkeletonChannelAfresh) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  advance_clock(clock_mission, 3.0f);
  anim_channel& k = skel(a).channels[1];
  k.weight = k.target_weight = 0.0f;
  set_channel_action(a, 1, 20, 1u | channel_flag_restart, 1.0f);
  EXPECT_EQ(k.start_tick, clock_ticks(clock_mission));
  EXPECT_FLOAT_EQ(k.weight, 1.0f);
  EXPECT_EQ(k.playing, 1);
}

TEST_F(ActionChannels, TheVariantIsDrawnForTheActionAboutToStart) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  action_record& r = fixture.actions.actions[50];
  r.sequences.resize(3, r.sequences[0]);
  r.sequences[0].flags = 0;
  r.sequences[1].flags = 1u << 24;  // wanted only with variant flag bit 2
  r.sequences[2].flags = 1u << 25;  // wanted only with bit 3 while riding
  a.variant_flags = (1u << 3);
  a.mount = 7;
  // Action 40 plays (one sequence); 50 is asked for.
  a.channels[0].action = 40;
  a.channels[0].requested_action = 50;
  random_seed(1);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(choose_action_variant(m, a, 0, fixture.actions), 2);
  fixture.actions.actions[51].sequences.clear();
  a.channels[0].requested_action = 51;
  EXPECT_EQ(choose_action_variant(m, a, 0, fixture.actions), -1);
}

TEST_F(ActionChannels, TwoFrameSamplingInterpolatesRootAndBones) {
  animated_agents two(2);
  agent& a = two.add_agent(m, agent_kind_human);
  skeleton_instance& s = skel(a);
  sample_anim_into_channel(s, 0, &two.anim, 5, 20);
  const anim_channel& k = s.channels[0];
  EXPECT_EQ(k.animation, &two.anim);
  EXPECT_EQ(k.frame_range[0], 5);
  EXPECT_EQ(k.frame_range[1], 20);
  // Halfway between the first two keys; the second frame falls on a key.
  EXPECT_FLOAT_EQ(k.displacement_from.x, 0.5f);
  EXPECT_FLOAT_EQ(k.displacement_from.y, 0.0f);
  EXPECT_FLOAT_EQ(k.displacement_to.x, 1.0f);
  EXPECT_FLOAT_EQ(k.displacement_to.y, 2.0f);
  for (int b = 0; b < 2; ++b) {
    // Half of a quarter turn about z: cos and sin of 22.5 degrees.
    EXPECT_NEAR(k.bone_values[0][b].w, 0.9238795f, 1e-5f);
    EXPECT_NEAR(k.bone_values[0][b].z, 0.3826834f, 1e-5f);
    EXPECT_NEAR(k.bone_values[1][b].w, 0.0f, 1e-6f);
    EXPECT_NEAR(k.bone_values[1][b].z, 1.0f, 1e-6f);
  }
  // An animation made for fewer bones leaves the channel as it was.
  skeleton_anim short_anim;
  short_anim.channels.resize(1);
  sample_anim_into_channel(s, 0, &short_anim, 0, 10);
  EXPECT_EQ(k.animation, &two.anim);
  EXPECT_EQ(k.frame_range[0], 5);
}

TEST_F(ActionChannels, CurvesAndTheirInverses) {
  anim_channel c;
  c.clock = clock_mission;
  c.duration = 2.0f;
  c.play_mode = anim_play_once;
  c.start_tick = 0;
  advance_clock(clock_mission, 0.5f);  // a quarter of the way
  struct row {
    int curve;
    float value;
  };
  const row rows[] = {{anim_curve_linear, 0.25f},
                      {anim_curve_sine, 0.38268343f},
                      {anim_curve_square, 0.0625f},
                      {anim_curve_square_root, 0.5f},
                      {3, 0.0f}};
  for (const row& r : rows) {
    c.progress_curve = r.curve;
    EXPECT_NEAR(anim_channel_curve_value(c), r.value, 1e-5f) << r.curve;
    if (r.curve != 3) {
      EXPECT_NEAR(anim_channel_inverse_curve(c, r.value), 0.25f, 1e-5f) << r.curve;
    }
  }
  c.progress_curve = 3;
  EXPECT_EQ(anim_channel_inverse_curve(c, 0.7f), 0.0f);
}

TEST_F(ActionChannels, ProgressIsClampedAndKeptAcrossADurationChange) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  skeleton_instance& s = skel(a);
  anim_channel& k = s.channels[0];
  k.play_mode = anim_play_once;
  k.duration = 2.0f;
  advance_clock(clock_mission, 10.0f);
  skeleton_set_channel_progress(s, 0, 1.5f);
  EXPECT_FLOAT_EQ(anim_channel_curve_value(k), 1.0f);
  skeleton_set_channel_progress(s, 0, std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(anim_channel_curve_value(k), 0.0f);
  k.progress_curve = anim_curve_sine;
  skeleton_set_channel_progress(s, 0, 0.5f);
  EXPECT_NEAR(anim_channel_curve_value(k), 0.5f, 1e-4f);
  k.progress_curve = anim_curve_linear;
  skeleton_set_channel_progress(s, 0, 0.4f);
  anim_channel_set_duration(k, 4.0f);
  EXPECT_NEAR(anim_channel_curve_value(k), 0.4f, 1e-4f);
  advance_clock(clock_mission, 0.4f);
  EXPECT_NEAR(anim_channel_curve_value(k), 0.5f, 1e-4f);
  skeleton_set_channel_progress(s, 5, 0.5f);  // no such channel: ignored
}

TEST_F(ActionChannels, CompletionOfLoopsAndOneShots) {
  anim_channel c;
  c.clock = clock_mission;
  c.duration = 1.0f;
  c.start_tick = 0;
  c.play_mode = anim_play_loop;
  advance_clock(clock_mission, 0.95f);
  EXPECT_FALSE(anim_channel_has_completed(c));
  advance_clock(clock_mission, 0.1f);  // crosses 1.0 s in this step
  EXPECT_TRUE(anim_channel_has_completed(c));
  advance_clock(clock_mission, 0.1f);
  EXPECT_FALSE(anim_channel_has_completed(c));
  c.play_mode = anim_play_once;
  EXPECT_TRUE(anim_channel_has_completed(c));
  c.duration = 2.0f;
  EXPECT_FALSE(anim_channel_has_completed(c));
  // A channel without a duration is finished, and reads as the end.
  c.duration = 0.0f;
  EXPECT_TRUE(anim_channel_has_completed(c));
  EXPECT_EQ(anim_channel_curve_value(c), 1.0f);
  c.play_mode = anim_play_loop;
  EXPECT_TRUE(anim_channel_has_completed(c));
}

}  // namespace
}  // namespace hm
