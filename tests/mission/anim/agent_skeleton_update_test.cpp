// The skeleton channels follow the action channels: sequence starts with the
// phase carried over, bone masks, the pitch blend, a rider's twist, a horse's
// tilt, duration and progress requests and root motion.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/anim/agent_actions.h"
#include "mission/anim/agent_skeleton_update.h"
#include "mission/anim/anim_channel_ops.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"
#include "render/entity/skeleton_instance.h"

namespace hm {
namespace {

class SkeletonUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    random_seed(3);
  }
  void TearDown() override { reset_clocks(); }

  void step(agent& a, float seconds = 0.1f) {
    advance_clock(clock_mission, seconds);
    agent_skeleton_update(m, a, seconds);
  }
  skeleton_instance& skel(agent& a) { return *agent_skeleton(a); }

  mission m;
  animated_agents fixture;
};

TEST_F(SkeletonUpdate, ARequestStartsASequenceOnceAndMinusOneClears) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  a.channels[0].requested_action = 10;
  step(a);
  EXPECT_EQ(a.channels[0].action, 10);
  EXPECT_EQ(a.channels[0].variant, 0);
  EXPECT_EQ(a.footstep_mark, 1.0f);
  const anim_channel& k = skel(a).channels[0];
  EXPECT_EQ(k.animation, &fixture.anim);
  EXPECT_EQ(k.play_mode, anim_play_loop);
  EXPECT_EQ(k.start_tick, clock_ticks(clock_mission));
  const std::int64_t started = k.start_tick;
  // Asking again for what plays does not restart it.
  a.channels[0].requested_action = 10;
  step(a);
  EXPECT_EQ(k.start_tick, started);
  a.channels[0].requested_action = -1;
  step(a);
  EXPECT_EQ(a.channels[0].action, -1);
  EXPECT_EQ(skel(a).channels[0].bone_mask, 0u);
  EXPECT_EQ(skel(a).channels[1].bone_mask, 0u);
}

TEST_F(SkeletonUpdate, ALoopSwitchesVariantOnlyWhenItCompletesAndOnlyToAnother) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  action_record& r = fixture.actions.actions[12];
  r.sequences.resize(2, r.sequences[0]);
  r.sequences[1].duration = 1.0f;
  a.channels[0].requested_action = 12;
  step(a, 0.1f);
  const std::int64_t started = skel(a).channels[0].start_tick;
  const int first = a.channels[0].variant;
  // Within the loop nothing changes however often it is asked for.
  for (int i = 0; i < 8; ++i) {
    a.channels[0].requested_action = 12;
    step(a, 0.1f);
    EXPECT_EQ(skel(a).channels[0].start_tick, started);
  }
  // The frames that cross loop boundaries may start the other variant; a
  // draw of the same variant lets the loop run on.
  bool switched = false;
  for (int i = 0; i < 60 && !switched; ++i) {
    a.channels[0].requested_action = 12;
    const std::int64_t before = skel(a).channels[0].start_tick;
    const bool completes_now = [&] {
      anim_channel probe = skel(a).channels[0];
      advance_clock(clock_mission, 0.25f);
      const bool done = anim_channel_has_completed(probe);
      advance_clock(clock_mission, -0.25f);
      return done;
    }();
    step(a, 0.25f);
    if (skel(a).channels[0].start_tick != before) {
      EXPECT_TRUE(completes_now);
      EXPECT_NE(a.channels[0].variant, first);
      switched = true;
    }
  }
  EXPECT_TRUE(switched);
}

TEST_F(SkeletonUpdate, BoneMasksByTheWholeBodyActionsGroup) {
  struct row {
    std::uint32_t lower_flags;
    bool lower;
    bool upper;
    std::uint32_t mask0;
    std::uint32_t mask1;
  };
  const row rows[] = {
      {0x100, true, true, 0x3u, ~0x3u},
      {0x200, true, true, 0x6u, ~0x6u},
      {0x400, true, true, 0xCu, ~0xCu},
      {0x0, true, true, 0x0u, 0xFFFFFFFFu},  // no group: the upper body gets it all
      {0x100, true, false, 0xFFFFFFFFu, 0x0u},
      {0x0, false, true, 0x0u, 0xFFFFFFFFu},
      {0x0, false, false, 0x0u, 0x0u},
  };
  for (const row& r : rows) {
    mission mm;
    agent& a = fixture.add_agent(mm, agent_kind_human);
    fixture.actions.actions[20].flags = r.lower_flags;
    fixture.actions.actions[21].flags = 0x100;  // channel 1's own flags do not count
    a.channels[0].requested_action = r.lower ? 20 : -1;
    a.channels[1].requested_action = r.upper ? 21 : -1;
    advance_clock(clock_mission, 0.1f);
    agent_skeleton_update(mm, a, 0.1f);
    EXPECT_EQ(skel(a).channels[0].bone_mask, r.mask0) << r.lower_flags << r.lower << r.upper;
    EXPECT_EQ(skel(a).channels[1].bone_mask, r.mask1) << r.lower_flags << r.lower << r.upper;
    EXPECT_EQ(a.channels[0].bone_mask, r.mask0);
  }
  fixture.actions.actions[20].flags = 0;
  fixture.actions.actions[21].flags = 0;
}

TEST_F(SkeletonUpdate, AMaskChangeEasesOnlyTheFirstThirtyTwoBones) {
  animated_agents big(34);
  agent& a = big.add_agent(m, agent_kind_human);
  for (skeleton_bone& b : skel(a).bones) b.blend_progress = 0.5f;
  a.channels[0].requested_action = 10;
  step(a);
  EXPECT_EQ(skel(a).bones[3].blend_progress, 0.0f);
  EXPECT_EQ(skel(a).bones[31].blend_progress, 0.0f);
  EXPECT_EQ(skel(a).bones[32].blend_progress, 0.5f);
  EXPECT_EQ(skel(a).bones[33].blend_progress, 0.5f);
}

TEST_F(SkeletonUpdate, PitchBlendFollowsTheAim) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  fixture.actions.actions[30].flags = action_flag_pitch_blend;
  fixture.actions.actions[30].pitch_frames = 40;
  struct row {
    float degrees;
    float pitch_weight;
    int offset;
  };
  const row rows[] = {{0.0f, 0.0f, -40}, {60.0f, 1.0f, 40}, {30.0f, 0.5235988f * 1.0504225f, 40},
                      {-30.0f, 0.5235988f * 1.0504225f, -40}, {-90.0f, 1.0f, -40}};
  for (const row& r : rows) {
    const float rad = r.degrees * 0.017453292f;
    a.input.set_direction(vec3(0.0f, std::cos(rad), std::sin(rad)));
    a.channels[0].requested_action = 30;
    step(a);
    const anim_channel& k = skel(a).channels[0];
    EXPECT_NEAR(k.source_weight[1], r.pitch_weight, 1e-4f) << r.degrees;
    EXPECT_NEAR(k.source_weight[0], 1.0f - r.pitch_weight, 1e-4f) << r.degrees;
    EXPECT_EQ(k.source_frame_offset, r.offset) << r.degrees;
  }
  fixture.actions.actions[31].flags = 0;
  a.channels[0].requested_action = 31;
  step(a);
  EXPECT_EQ(skel(a).channels[0].source_weight[0], 1.0f);
  EXPECT_EQ(skel(a).channels[0].source_weight[1], 0.0f);
}

TEST_F(SkeletonUpdate, BlendTimeFromTheSequenceFlagsAndSpeed) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  struct row {
    std::uint32_t low_byte;
    bool by_speed;
    float blend;
    float duration;
  };
  const row rows[] = {{0, false, 1.51f, 1.0f}, {1, false, 0.01f, 1.0f}, {6, false, 0.51f, 1.0f},
                      {0, true, 0.76f, 0.5f},  {6, true, 0.26f, 0.5f}};
  int action = 100;
  for (const row& r : rows) {
    fixture.actions.actions[static_cast<std::size_t>(action)].sequences[0].flags = 0x10000000u | r.low_byte;
    a.channels[0] = action_channel{};
    set_channel_action(a, 0, action, r.by_speed ? channel_flag_scale_by_speed : 0u, 2.0f);
    step(a);
    EXPECT_NEAR(skel(a).channels[0].fade_in_time, r.blend, 1e-5f) << r.low_byte << r.by_speed;
    EXPECT_NEAR(skel(a).channels[0].duration, r.duration, 1e-6f);
    ++action;
  }
}

TEST_F(SkeletonUpdate, PhaseCarriesAcrossASequenceChange) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  const std::uint32_t loop = 0x10000000u;
  struct row {
    std::uint32_t old_flags;
    float old_phase;
    std::uint32_t new_flags;
    float new_phase;
    float progress;
  };
  // The old sequence is 0.3 of the way through.
  const row rows[] = {
      {sequence_flag_continue_phase, 0.1f, sequence_flag_continue_phase, 0.2f, 0.4f},   // (0.3 - 0.1) + 0.2
      {sequence_flag_continue_phase, 0.1f, sequence_flag_mirrored_phase, 0.5f, 0.3f},   // 0.5 - 0.2
      {sequence_flag_start_at_phase, 0.1f, sequence_flag_continue_phase, 0.2f, 0.1f},   // -0.1 + 0.2
      {sequence_flag_mirrored_phase, 0.0f, sequence_flag_continue_phase, 0.5f, 0.2f},   // -0.3 + 0.5
      {0, 0.7f, sequence_flag_continue_phase, 0.25f, 0.25f},                            // nothing to carry
      {sequence_flag_continue_phase, 0.1f, sequence_flag_start_at_phase, 0.6f, 0.6f},   // starts at its value
      {sequence_flag_continue_phase, 0.1f, 0, 0.6f, 0.0f},                              // starts at 0
  };
  for (const row& r : rows) {
    action_sequence& from = fixture.actions.actions[40].sequences[0];
    action_sequence& to = fixture.actions.actions[41].sequences[0];
    from.flags = loop | r.old_flags;
    from.phase = r.old_phase;
    to.flags = loop | r.new_flags;
    to.phase = r.new_phase;
    a.channels[0] = action_channel{};
    a.channels[0].requested_action = 40;
    step(a);
    skeleton_set_channel_progress(skel(a), 0, 0.3f);
    a.channels[0].requested_action = 41;
    agent_skeleton_update(m, a, 0.0f);
    EXPECT_NEAR(anim_channel_curve_value(skel(a).channels[0]), r.progress, 1e-4f) << r.old_flags << ' ' << r.new_flags;
  }
}

TEST_F(SkeletonUpdate, DurationAndProgressRequests) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  set_channel_action(a, 0, 10, channel_flag_apply_duration, 1.0f);
  a.channels[0].duration_request = 3.0f;
  step(a);
  EXPECT_FLOAT_EQ(skel(a).channels[0].duration, 3.0f);
  // Flags without a keep bit are spent by the update.
  EXPECT_EQ(a.channels[0].flags, 0u);
  skel(a).channels[0].play_mode = anim_play_once;
  a.channels[0].progress_request = 1.5f;
  step(a);
  EXPECT_FLOAT_EQ(anim_channel_curve_value(skel(a).channels[0]), 1.0f);
  EXPECT_EQ(a.channels[0].progress_request, -1.0f);
  a.channels[0].progress_request = 0.0f;
  step(a);
  EXPECT_FLOAT_EQ(anim_channel_curve_value(skel(a).channels[0]), 0.0f);
  EXPECT_EQ(a.channels[0].progress_request, -1.0f);
}

TEST_F(SkeletonUpdate, KeepFlagsLastUntilTheChannelCompletes) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  fixture.actions.actions[2].sequences[0].flags = 0;  // one-shot of 1 s
  // The sequence starts with the first update and runs for 1 s from there.
  set_channel_action(a, 0, 2, 2u | channel_flag_keep, 1.0f);
  step(a, 0.5f);
  step(a, 0.9f);
  EXPECT_EQ(a.channels[0].flags, 2u | channel_flag_keep);
  step(a, 0.2f);
  EXPECT_EQ(a.channels[0].flags, 0u);
  set_channel_action(a, 0, 3, 2u | channel_flag_keep_until_done, 1.0f);
  step(a, 0.5f);
  step(a, 1.0f);
  EXPECT_EQ(a.channels[0].flags, 2u | channel_flag_keep_until_done);
}

TEST_F(SkeletonUpdate, HorseTiltAndRiderTwist) {
  agent& horse = fixture.add_agent(m, agent_kind_horse);
  agent& rider = fixture.add_agent(m, agent_kind_human);
  rider.mount = horse.index;
  horse.rider = rider.index;
  for (float lean : {0.2f, -0.2f}) {
    horse.lean = lean;
    horse.channels[0].requested_action = 407;
    step(horse);
    const anim_channel& k = skel(horse).channels[0];
    const float t = -0.5f * lean;
    EXPECT_EQ(k.override_mask & 0x442101u, 0x442101u);  // bones 0, 8, 13, 18, 22
    EXPECT_NEAR(k.bone_values[2][0].w, std::cos(t), 1e-6f);
    EXPECT_NEAR(k.bone_values[2][0].x, std::sin(t), 1e-6f);
    EXPECT_NEAR(k.bone_values[2][13].x, -std::sin(t), 1e-6f);
    if (lean < 0.0f) {
      EXPECT_NEAR(k.root_offset.y, (1.0f - std::cos(lean)) * 1.59f, 1e-6f);
      EXPECT_NEAR(k.root_offset.z, 0.79f * std::sin(lean), 1e-6f);
    } else {
      EXPECT_NEAR(k.root_offset.y, (1.0f - std::cos(lean)) * -0.99f, 1e-6f);
      EXPECT_NEAR(k.root_offset.z, 0.89f * std::sin(lean), 1e-6f);
    }
  }
  fixture.actions.actions[408].flags = action_flag_no_slope_tilt;
  horse.channels[0].requested_action = 408;
  step(horse);
  EXPECT_EQ(skel(horse).channels[0].override_mask, 0u);

  fixture.actions.actions[66].flags = action_flag_rider_twist;
  rider.aim_angle = 0.4f;
  rider.channels[0].requested_action = 66;
  step(rider);
  const anim_channel& k = skel(rider).channels[0];
  EXPECT_EQ(k.override_mask, (1u << 7) | (1u << 8));
  EXPECT_NEAR(k.bone_values[2][7].w, std::cos(0.1f), 1e-6f);
  EXPECT_NEAR(k.bone_values[2][8].y, std::sin(0.1f), 1e-6f);
  // Off the horse the twist goes.
  rider.mount = -1;
  step(rider);
  EXPECT_EQ(skel(rider).channels[0].override_mask, 0u);
}

TEST_F(SkeletonUpdate, BonesBeyondASmallSkeletonAreSkipped) {
  animated_agents small(3);
  agent& horse = small.add_agent(m, agent_kind_horse);
  horse.lean = 0.3f;
  horse.channels[0].bone_parameter = 9;
  horse.channels[0].requested_action = 407;
  step(horse);
  EXPECT_EQ(skel(horse).channels[0].override_mask, 1u);
  EXPECT_EQ(skel(horse).channels[0].anchor_bone, -1);
}

TEST_F(SkeletonUpdate, RootMotionOfAHuman) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  fixture.actions.actions[150].flags = action_flag_root_motion;
  fixture.actions.actions[150].sequences[0].root_motion = vec3(0.0f, 2.0f, 0.0f);
  a.channels[0].requested_action = 150;
  step(a);
  a.channels[0].progress = 0.25f;
  step(a);
  const anim_channel& k = skel(a).channels[0];
  EXPECT_FLOAT_EQ(k.root_offset.y, -0.5f);
  EXPECT_EQ(k.override_mask & 1u, 1u);
}

TEST_F(SkeletonUpdate, ARagdollIsLeftAlone) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  int body = 0;
  a.ragdoll = &body;
  a.channels[0].requested_action = 10;
  step(a);
  EXPECT_EQ(a.channels[0].action, -1);
  EXPECT_EQ(skel(a).channels[0].animation, nullptr);
}

TEST_F(SkeletonUpdate, ASequenceWithoutDurationEndsAtOnce) {
  agent& a = fixture.add_agent(m, agent_kind_human);
  fixture.actions.actions[160].sequences[0].duration = 0.0f;
  fixture.actions.actions[160].sequences[0].flags = 0;
  a.channels[0].requested_action = 160;
  step(a);
  const anim_channel& k = skel(a).channels[0];
  EXPECT_EQ(k.duration, 0.0f);
  EXPECT_TRUE(anim_channel_has_completed(k));
  EXPECT_EQ(anim_channel_curve_value(k), 1.0f);
  skel(a).update(0.1f, frame::identity());
  for (const skeleton_bone& b : skel(a).bones) EXPECT_FALSE(std::isnan(b.local_rotation.w));
}

}  // namespace
}  // namespace hm
