#include "render/entity/skeleton_instance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/timer.h"
#include "engine/resource/particle_system.h"
#include "render/support/scene_fixtures.h"

namespace hm {
namespace {

constexpr float half_pi = 1.5707964f;

void expect_vec(const vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-4f);
  EXPECT_NEAR(v.y, y, 1e-4f);
  EXPECT_NEAR(v.z, z, 1e-4f);
}

// The angle about z of a bone's local rotation.
float z_angle(const quaternion& q) { return 2.0f * std::atan2(q.z, q.w); }

class skeleton_instance_test : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    skel_ = test::make_chain_skeleton("chain", 3);
    // Bone 0 holds one key; bone 1 turns from 0 to 90 degrees about z over
    // frames 0 to 10; bone 2 has no track.
    anim_.channels.push_back(test::make_track({{0, quaternion{}}}));
    anim_.channels.push_back(
        test::make_track({{0, quaternion{}}, {10, test::axis_angle(vec3(0, 0, 1), half_pi)}}));
  }
  void TearDown() override { reset_clocks(); }

  std::unique_ptr<skeleton_instance> make_instance(int channels = 1) {
    auto s = std::make_unique<skeleton_instance>(clock_real_time);
    s->set_skeleton(*skel_);
    s->add_channels(channels);
    for (anim_channel& c : s->channels) {
      c.animation = &anim_;
      c.frame_range[0] = 0;
      c.frame_range[1] = 10;
      c.duration = 1.0f;
      c.play_mode = anim_play_once;
      c.start_tick = clock_ticks(clock_real_time);
    }
    s->channels[0].weight = s->channels[0].target_weight = 1.0f;
    return s;
  }

  std::unique_ptr<skeleton> skel_;
  skeleton_anim anim_;
  material mat_;
};

TEST_F(skeleton_instance_test, binding_builds_rest_frames_and_children) {
  auto s = make_instance();
  ASSERT_EQ(s->bone_count, 3);
  expect_vec(s->bones[2].rest_frame.origin, 2, 0, 0);
  EXPECT_EQ(s->bones[0].child_count, 1);
  EXPECT_EQ(s->bones[1].children, std::vector<std::int32_t>{2});
  EXPECT_EQ(s->bones[2].parent, 1);
  EXPECT_FLOAT_EQ(s->bones[1].local_rotation.w, 1.0f);
  ASSERT_EQ(s->channels[0].bone_values[2].size(), 3u);
}

TEST_F(skeleton_instance_test, two_key_animation_at_fixed_times) {
  auto s = make_instance();
  struct {
    float seconds;
    float angle;
  } cases[] = {
      {0.5f, half_pi * 0.5f},
      {1.0f, half_pi},
      {0.25f, 2.0f * std::atan2(0.25f * std::sin(half_pi * 0.5f), 0.75f + 0.25f * std::cos(half_pi * 0.5f))},
      {2.0f, half_pi},  // play once holds the end
  };
  for (const auto& c : cases) {
    set_clock_ticks(clock_real_time, static_cast<std::int64_t>(c.seconds * 100000.0f));
    s->time_since_pose = 100.0f;  // weight 1 takes the target at once
    s->update(0.0f, frame::identity());
    SCOPED_TRACE(c.seconds);
    EXPECT_NEAR(z_angle(s->bones[1].local_rotation), c.angle, 1e-4f);
    const skeleton_bone& b1 = s->bones[1];
    expect_vec(b1.pose_frame.origin, 1, 0, 0);
    expect_vec(b1.pose_frame.rot.s, std::cos(c.angle), std::sin(c.angle), 0);
    expect_vec(b1.pose_frame.rot.f, -std::sin(c.angle), std::cos(c.angle), 0);
    // Bone 2 has no track: it holds its rotation and follows its parent.
    EXPECT_FLOAT_EQ(s->bones[2].local_rotation.w, 1.0f);
    expect_vec(s->bones[2].pose_frame.origin, 1 + std::cos(c.angle), std::sin(c.angle), 0);
    // Bone 0's single key is held.
    expect_vec(s->bones[0].pose_frame.rot.s, 1, 0, 0);
    EXPECT_EQ(s->pose_valid, 1);
    EXPECT_EQ(s->time_since_pose, 0.0f);
  }
}

TEST_F(skeleton_instance_test, two_sources_blend_by_their_weights) {
  auto s = make_instance();
  anim_channel& c = s->channels[0];
  c.frame_range[1] = 0;  // source 0 at frame 0, source 1 ten frames on
  c.source_weight[0] = 0.5f;
  c.source_weight[1] = 0.5f;
  c.source_frame_offset = 10;
  s->update(0.0f, frame::identity());
  EXPECT_NEAR(z_angle(s->bones[1].local_rotation), half_pi * 0.5f, 1e-4f);
}

TEST_F(skeleton_instance_test, the_last_channel_driving_a_bone_wins_whatever_the_weights) {
  auto s = make_instance(2);
  set_clock_ticks(clock_real_time, 100000);  // channel 0 would give 90 degrees
  s->channels[1].weight = s->channels[1].target_weight = 0.01f;
  s->channels[1].frame_range[1] = 0;  // channel 1 gives 0 degrees
  s->update(0.0f, frame::identity());
  EXPECT_NEAR(z_angle(s->bones[1].local_rotation), 0.0f, 1e-5f);
  // Masking bone 1 out of channel 1 hands it to channel 0.
  s->channels[1].bone_mask = ~std::uint64_t{2};
  s->time_since_pose = 100.0f;
  s->update(0.0f, frame::identity());
  EXPECT_NEAR(z_angle(s->bones[1].local_rotation), half_pi, 1e-4f);
}

TEST_F(skeleton_instance_test, partial_weight_blends_from_the_extrapolated_rotation) {
  auto s = make_instance();
  set_clock_ticks(clock_real_time, 50000);  // 45 degrees
  s->update(0.0f, frame::identity());       // snaps: delta 45 degrees
  s->channels[0].weight = s->channels[0].target_weight = 0.5f;
  s->update(0.01f, frame::identity());
  // blend = 0.5 x 0.01 x 30; the old rotation (45) carried on by half the last
  // change (22.5) gives 67.5 degrees, blended towards the target of 45.
  const float blend = 0.15f;
  const float a = 67.5f * 3.14159265f / 180.0f, t = 45.0f * 3.14159265f / 180.0f;
  const float expected =
      2.0f * std::atan2((1 - blend) * std::sin(a / 2) + blend * std::sin(t / 2),
                        (1 - blend) * std::cos(a / 2) + blend * std::cos(t / 2));
  EXPECT_NEAR(z_angle(s->bones[1].local_rotation), expected, 1e-4f);
  // A bone no channel drives keeps its rotation and its delta is the identity.
  s->channels[0].bone_mask = 1;
  s->update(0.01f, frame::identity());
  EXPECT_EQ(s->bones[2].rotation_delta.w, 1.0f);
  EXPECT_EQ(s->bones[1].rotation_delta.w, 1.0f);
}

TEST_F(skeleton_instance_test, channel_weights_fade_and_bones_catch_up) {
  auto s = make_instance();
  anim_channel& c = s->channels[0];
  c.weight = 0.0f;
  c.target_weight = 1.0f;
  c.fade_in_time = 0.5f;
  for (auto& b : s->bones) b.blend_progress = 0.0f;
  s->update(0.1f, frame::identity());
  EXPECT_FLOAT_EQ(c.weight, 0.2f);
  // Rate factor 1 / (0.5 + 0.5) = 1: progress gains 0.1 of what is left.
  EXPECT_FLOAT_EQ(s->bones[0].blend_progress, 0.1f);
  c.target_weight = 0.0f;
  c.fade_out_time = 0.05f;
  s->update(0.1f, frame::identity());
  EXPECT_FLOAT_EQ(c.weight, 0.0f);
}

TEST_F(skeleton_instance_test, channel_progress_by_play_mode_and_curve) {
  struct {
    std::int32_t mode;
    float duration;
    float seconds;
    float progress;
    std::int32_t playing;
  } cases[] = {
      {anim_play_loop, 2.0f, 3.0f, 0.5f, 1},          {anim_play_once, 2.0f, 3.0f, 1.0f, 1},
      {anim_play_once, 2.0f, 1.0f, 0.5f, 1},          {anim_play_once_and_stop, 2.0f, 3.0f, 1.0f, 0},
      {anim_play_once_and_stop, 2.0f, 1.0f, 0.5f, 1}, {99, 2.0f, 3.0f, 1.5f, 1},
      {anim_play_loop, 0.0f, 3.0f, 1.0f, 1},          {anim_play_once_and_stop, 0.0f, 0.0f, 1.0f, 0},
  };
  for (const auto& k : cases) {
    reset_clocks();
    anim_channel c;
    c.play_mode = k.mode;
    c.duration = k.duration;
    advance_clock(clock_real_time, k.seconds);
    EXPECT_NEAR(c.elapsed_time(), k.progress, 1e-5f) << k.mode << " " << k.duration;
    EXPECT_EQ(c.playing, k.playing);
  }
  anim_channel c;
  const struct {
    std::int32_t curve;
    float out;
  } curves[] = {{1, 0.25f}, {2, std::sin(0.25f * 1.5707964f)}, {4, 0.0625f}, {5, 0.5f}, {3, 0.0f}, {0, 0.0f}};
  for (const auto& k : curves) {
    c.progress_curve = k.curve;
    EXPECT_FLOAT_EQ(c.shape_progress(0.25f), k.out) << k.curve;
  }
}

TEST_F(skeleton_instance_test, root_displacement_by_mode) {
  anim_.root_track.times = {0, 10};
  anim_.root_track.keys = {vec3(0, 0, 0), vec3(0, 4, 0)};
  anim_.root_track.key_count = 2;
  const struct {
    std::int32_t mode;
    float y;
  } cases[] = {{anim_displacement_lerp, 1.5f}, {anim_displacement_track, 2.0f}, {anim_displacement_from, 1.0f},
               {0, 2.0f}};
  for (const auto& k : cases) {
    reset_clocks();
    auto s = make_instance();
    set_clock_ticks(clock_real_time, 50000);
    anim_channel& c = s->channels[0];
    c.displacement_mode = k.mode;
    c.displacement_from = vec3(0, 1, 0);
    c.displacement_to = vec3(0, 2, 0);
    s->track_velocities = 1;
    s->update(0.01f, frame::identity());
    EXPECT_NEAR(s->root_displacement.y, k.y, 1e-5f) << k.mode;
    expect_vec(s->bones[2].pose_frame.origin, 1 + std::cos(half_pi * 0.5f), k.y + std::sin(half_pi * 0.5f), 0);
    // Velocities over the time since the last pose (100 s plus the step).
    EXPECT_NEAR(s->root_velocity.y, k.y / 100.01f, 1e-5f);
    EXPECT_NEAR(s->bones[1].angular_velocity.z, half_pi * 0.5f / 100.01f, 1e-5f);
  }
}

TEST(anim_keys_test, interval_search_and_cache_moves) {
  const std::int32_t times[] = {0, 10, 20, 30};
  struct {
    std::int32_t cached;
    float frame;
    std::int32_t index;
    float fraction;
  } cases[] = {{-1000, -5.0f, 0, 0.0f}, {-1000, 35.0f, 2, 1.0f}, {-1000, 15.0f, 1, 0.5f}, {0, 15.0f, 1, 0.5f},
               {2, 15.0f, 1, 0.5f},     {-1000, 25.0f, 2, 0.5f}, {0, 28.0f, 2, 0.8f},   {1, 12.0f, 1, 0.2f}};
  for (const auto& k : cases) {
    std::int32_t cached = k.cached;
    float fraction = -1.0f;
    interpolate_anim_keys(times, 4, cached, k.frame, fraction);
    EXPECT_EQ(cached, k.index) << k.cached << " " << k.frame;
    EXPECT_NEAR(fraction, k.fraction, 1e-6f);
  }
}

TEST_F(skeleton_instance_test, key_caches_follow_the_channel_count) {
  auto s = make_instance(3);
  EXPECT_EQ(s->bones[1].key_cache_index.size(), 6u);
  s->channels[2].weight = 1.0f;
  set_clock_ticks(clock_real_time, 100000);
  s->update(0.0f, frame::identity());
  EXPECT_EQ(s->bones[1].key_cache_index[4], 0);
  EXPECT_NEAR(z_angle(s->bones[1].local_rotation), half_pi, 1e-4f);
}

TEST_F(skeleton_instance_test, animation_for_a_smaller_skeleton_and_empty_tracks_hold_rotations) {
  anim_.channels[0] = rotation_track{};  // no keys at all
  auto s = make_instance();
  set_clock_ticks(clock_real_time, 100000);
  s->update(0.0f, frame::identity());
  EXPECT_FLOAT_EQ(s->bones[0].local_rotation.w, 1.0f);
  EXPECT_FLOAT_EQ(s->bones[2].local_rotation.w, 1.0f);
}

// A two-bone mesh skinned on the processor: point 0 on bone 0, point 1 on bone 1.
std::unique_ptr<mesh> make_skinned_pair() {
  auto m = std::make_unique<mesh>();
  m->add_point(vec3(0.5f, 0, 0));
  m->add_point(vec3(2, 0, 0));
  m->add_vertex(0, 0, 0, 0xFFFFFFFFu, vec3(1, 0, 0));
  m->add_vertex(1, 0, 0, 0xFFFFFFFFu, vec3(1, 0, 0));
  m->add_bone_weight_list({0, {{0, 1.0f}}});
  m->add_bone_weight_list({1, {{1, 1.0f}}});
  m->bone_count = 2;
  return m;
}

TEST_F(skeleton_instance_test, skinning_on_the_processor_follows_the_pose) {
  auto s = make_instance();
  set_clock_ticks(clock_real_time, 100000);  // bone 1 at 90 degrees
  s->update(0.0f, frame::identity());
  material mat;
  auto source = make_skinned_pair();
  source->set_material(&mat);
  auto copy = source->create_copy();
  s->skin_mesh(*copy, false);
  expect_vec(copy->points[0].current_position, 0.5f, 0, 0);
  expect_vec(copy->points[1].current_position, 1, 1, 0);
  expect_vec(copy->vertices[1].current_normal, 0, 1, 0);
  EXPECT_NE(mat.flags & 0x800u, 0u);
  EXPECT_EQ(copy->buffers[0].second_word, 1);
  ASSERT_EQ(copy->bone_palette.size(), 512u);
  EXPECT_NEAR(copy->bone_palette[16 + 3], 1.0f, 1e-5f);  // bone 1's translation x
  // The source that the copy shared its geometry with is not deformed.
  expect_vec(source->points[1].current_position, 2, 0, 0);
  s->skin_mesh(*copy, true);
  EXPECT_EQ(copy->buffers[0].second_word, 0);
  copy.reset();
  source->set_material(nullptr);
}

TEST_F(skeleton_instance_test, mesh_for_a_larger_skeleton_reads_no_missing_bone) {
  auto s = make_instance();
  set_clock_ticks(clock_real_time, 100000);
  s->update(0.0f, frame::identity());
  auto m = make_skinned_pair();
  m->add_bone_weight_list({20, {{0, 0.0f}}});
  m->bone_weights[1].bone = 20;  // point 1 now hangs on a bone the skeleton lacks
  m->skinning.clear();
  m->bone_count = 21;
  s->skin_mesh(*m, false);
  expect_vec(m->points[1].current_position, 2, 0, 0);
  const float* palette20 = m->bone_palette.data() + 20 * 16;
  EXPECT_EQ(palette20[0], 1.0f);
  EXPECT_EQ(palette20[3], 0.0f);
}

TEST_F(skeleton_instance_test, freezing_bakes_once_and_stops_the_pose) {
  auto s = make_instance();
  set_clock_ticks(clock_real_time, 50000);
  s->update(0.0f, frame::identity());
  s->skinned_meshes.push_back(make_skinned_pair());
  s->skinned_meshes[0]->set_material(&mat_);
  lod_mesh_group group;
  auto lod0 = make_skinned_pair();
  auto lod1 = make_skinned_pair();
  lod0->set_material(&mat_);
  lod1->set_material(&mat_);
  group.add_mesh(0, lod0.get());
  group.add_mesh(1, lod1.get());
  s->skinned_lod_groups.push_back(&group);

  // The pose is valid: freezing does not compute it again at the new time.
  set_clock_ticks(clock_real_time, 100000);
  s->set_frozen(true);
  EXPECT_NEAR(z_angle(s->bones[1].local_rotation), half_pi * 0.5f, 1e-4f);
  mesh& skinned = *s->skinned_meshes[0];
  EXPECT_EQ(skinned.buffers[0].second_word, 0);
  EXPECT_EQ(lod0->buffers[0].second_word, 0);
  EXPECT_EQ(lod1->buffers[0].second_word, 0);  // every slot, not only the current one

  // Frozen: steps do nothing, drawing and freezing again skin nothing.
  s->update(0.1f, frame::identity());
  EXPECT_NEAR(z_angle(s->bones[1].local_rotation), half_pi * 0.5f, 1e-4f);
  skinned.buffers[0].second_word = 7;
  s->set_frozen(true);
  test::recording_view view;
  s->render(view, frame::identity(), 1.0f);
  EXPECT_EQ(skinned.buffers[0].second_word, 7);
  // Unfreezing skins nothing until the next drawing.
  s->set_frozen(false);
  EXPECT_EQ(skinned.buffers[0].second_word, 7);
  s->render(view, frame::identity(), 1.0f);
  EXPECT_EQ(skinned.buffers[0].second_word, 1);
  s->skinned_lod_groups.clear();
}

TEST_F(skeleton_instance_test, freezing_a_stale_pose_computes_it_first) {
  auto s = make_instance();
  set_clock_ticks(clock_real_time, 100000);
  s->set_frozen(true);
  EXPECT_EQ(s->pose_valid, 1);
  EXPECT_NEAR(z_angle(s->bones[1].local_rotation), half_pi, 1e-4f);
}

TEST_F(skeleton_instance_test, instance_without_bones_draws_nothing) {
  skeleton_instance s(clock_real_time);
  material mat;
  auto m = test::make_box_mesh("skinned", vec3(0, 0, 0), vec3(1, 1, 1), &mat);
  s.skinned_meshes.push_back(std::move(m));
  test::recording_view view;
  s.render(view, frame::identity(), 1.0f);
  EXPECT_TRUE(view.meshes.empty());
  s.skinned_meshes.clear();
}

TEST_F(skeleton_instance_test, bone_attachments_draw_in_the_bone_frame) {
  auto s = make_instance();
  set_clock_ticks(clock_real_time, 100000);
  s->update(0.0f, frame::identity());
  material mat;
  frame offset = frame::identity();
  offset.origin = vec3(0.5f, 0, 0);
  s->attach_mesh_to_bone(1, test::make_box_mesh("sword", vec3(0, 0, 0), vec3(1, 1, 1), &mat), offset);
  s->attach_mesh_to_bone(9, test::make_box_mesh("lost", vec3(0, 0, 0), vec3(1, 1, 1), &mat), offset);
  test::recording_view view;
  frame placed = frame::identity();
  placed.origin = vec3(0, 0, 10);
  s->render(view, placed, 1.0f);
  ASSERT_EQ(view.meshes.size(), 1u);
  // Bone 1 at (1, 0, 10) turned 90 degrees: the offset lies along world y.
  expect_vec(view.meshes[0]->world_frame.origin, 1, 0.5f, 10);
  s->clear_attachments();
  EXPECT_TRUE(s->bones[1].meshes.empty());
}

TEST_F(skeleton_instance_test, bones_hand_lights_and_particle_systems_to_their_first_mesh) {
  auto s = make_instance();
  material mat;
  s->attach_mesh_to_bone(1, test::make_box_mesh("sword", vec3(0, 0, 0), vec3(1, 1, 1), &mat), frame::identity());
  mesh& sword = *s->bones[1].meshes[0];

  auto first = std::make_unique<mesh_light>();
  first->radius = 3.0f;
  s->set_light_of_bone(1, std::move(first));
  ASSERT_NE(sword.light, nullptr);
  EXPECT_EQ(sword.light->radius, 3.0f);
  auto second = std::make_unique<mesh_light>();
  second->radius = 5.0f;
  s->set_light_of_bone(1, std::move(second));
  EXPECT_EQ(sword.light->radius, 5.0f);

  s->add_particle_system_to_bone(1, std::make_unique<particle_system_instance>());
  EXPECT_EQ(sword.particle_systems.size(), 1u);

  // A bone with nothing attached, and bones the skeleton does not have, take
  // nothing: what they were given is gone, and no mesh has it.
  for (int bone : {0, 2, 3, -1}) {
    s->set_light_of_bone(bone, std::make_unique<mesh_light>());
    s->add_particle_system_to_bone(bone, std::make_unique<particle_system_instance>());
  }
  EXPECT_EQ(sword.light->radius, 5.0f);
  EXPECT_EQ(sword.particle_systems.size(), 1u);
  for (const skeleton_bone& b : s->bones) EXPECT_TRUE(&b == &s->bones[1] || b.meshes.empty());
  s->clear_attachments();
}

}  // namespace
}  // namespace hm
