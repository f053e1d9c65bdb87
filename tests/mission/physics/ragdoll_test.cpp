#include "mission/physics/ragdoll.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "engine/collision/capsule.h"
#include "engine/collision/face.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "mission/agent/agent_ragdoll.h"
#include "mission/physics/scene_surroundings.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/data/skeleton_bodies.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

// Four bones stacked upwards: hips (0) with a capsule, a short link (1)
// without one, chest (2) and head (3) with capsules. Bone 2's joint is turned
// a quarter about its up axis.
const skeleton& test_skeleton() {
  static const skeleton* made = [] {
    auto s = std::make_unique<skeleton>();
    s->name = ruv_string("skel_ragdoll_test");
    s->bone_count = 4;
    s->bones.resize(4);
    const float up[4] = {1.0f, 0.1f, 0.2f, 0.4f};
    for (int i = 0; i < 4; ++i) {
      s->bones[static_cast<std::size_t>(i)].parent = i - 1;
      s->bones[static_cast<std::size_t>(i)].local_frame.origin = vec3(0, 0, up[i]);
    }
    s->derive();
    const skeleton* kept = s.get();
    g_resource_manager.adopt_resource(std::move(s));
    const char* capsule = "<Bodies><c radius=\"0.1\" pos_z=\"0.05\" pos2_z=\"0.15\"/></Bodies>";
    const std::string xml = std::string("<Skeletons><s name=\"skel_ragdoll_test\"><Bones>") +
                            "<b name=\"hips\" bone_mass=\"10\">" + capsule + "</b>" + "<b name=\"link\"/>" +
                            "<b name=\"chest\" bone_mass=\"8\" rotate_up=\"90\" bone_cone_max=\"0.5\">" + capsule +
                            "</b>" + "<b name=\"head\" bone_mass=\"3\">" + capsule + "</b>" + "</Bones></s></Skeletons>";
    load_skeleton_bodies_from_text(xml.c_str());
    fix_skeletons();
    return kept;
  }();
  return *made;
}

struct fake_surroundings : ragdoll_surroundings {
  void collect_ground(const vec3& box_min, const vec3& box_max, std::vector<vec3>& triangles,
                      std::vector<ground_capsule>& capsules) override {
    boxes.push_back({box_min, box_max});
    const float z = ground;
    const vec3 a(-50, -50, z), b(50, -50, z), c(50, 50, z), d(-50, 50, z);
    triangles.insert(triangles.end(), {a, b, c, a, c, d});
    capsules.push_back(ground_capsule{vec3(20, 0, 0), vec3(20, 5, 0), 0.3f});
  }
  float ground_height(const vec3&) override { return ground; }
  void play_body_fall(const vec3& at, float pitch) override { sounds.push_back({at, pitch}); }
  float random_unit() override { return 0.5f; }

  float ground = 0.0f;
  std::vector<std::pair<vec3, vec3>> boxes;
  std::vector<std::pair<vec3, float>> sounds;
};

struct posed {
  skeleton_instance pose{2};
  frame entity = frame::identity();

  posed() {
    pose.set_skeleton(test_skeleton());
    pose.compute_rest_pose();
    entity.origin = vec3(5, 5, 0);
  }
  // A ragdoll of this pose, standing still.
  ragdoll_source source() {
    ragdoll_source s;
    s.entity_frame = entity;
    s.skeleton = &pose;
    return s;
  }
};

void expect_vec(const vec3& got, const vec3& want, float tolerance = 1e-5f) {
  EXPECT_NEAR(got.x, want.x, tolerance);
  EXPECT_NEAR(got.y, want.y, tolerance);
  EXPECT_NEAR(got.z, want.z, tolerance);
}

TEST(ragdoll_start, a_bone_without_capsules_joins_its_ancestor_and_the_joint_frames_carry_the_joint_angles) {
  posed p;
  const std::vector<ragdoll_bone_start> start = compute_ragdoll_start(p.entity, p.pose);
  ASSERT_EQ(start.size(), 4u);
  EXPECT_FALSE(start[1].has_capsules);
  EXPECT_EQ(start[2].body_parent, 0);  // past the link
  EXPECT_EQ(start[3].body_parent, 2);
  // Hips: the entity's frame on its rest frame.
  expect_vec(start[0].joint_frame.origin, vec3(5, 5, 1.0f));
  // Chest: the link's rest frame included, then a quarter turn about up.
  expect_vec(start[2].joint_frame.origin, vec3(5, 5, 1.3f));
  expect_vec(start[2].joint_frame.rot.s, vec3(0, 1, 0));
  expect_vec(start[2].joint_frame.rot.f, vec3(-1, 0, 0));
  // Head: on the chest's joint frame.
  expect_vec(start[3].joint_frame.origin, vec3(5, 5, 1.7f));
  expect_vec(start[3].joint_frame.rot.s, vec3(0, 1, 0));
  // World frames follow the pose (the rest pose here).
  expect_vec(start[3].world_frame.origin, vec3(5, 5, 1.7f));
  expect_vec(start[3].world_frame.rot.s, vec3(1, 0, 0));
}

TEST(ragdoll_start, bones_are_carried_by_the_turning_of_their_parent_and_of_ancestors_with_capsules) {
  posed p;
  p.pose.bones[0].angular_velocity = vec3(1, 0, 0);
  p.pose.bones[1].angular_velocity = vec3(0, 2, 0);
  const std::vector<ragdoll_bone_start> start = compute_ragdoll_start(p.entity, p.pose);
  // Link: hips turning at (1, 0, 0), 0.1 below it.
  expect_vec(start[1].linear_velocity, vec3(0, -0.1f, 0));
  // Chest: its parent the link (0.2 below) and the hips (0.3 below).
  expect_vec(start[2].linear_velocity, vec3(0.4f, -0.3f, 0));
  expect_vec(start[2].angular_velocity, vec3(1, 2, 0));
  // Head: its parent the chest does not turn; the link above it has no
  // capsules and is passed over; the hips are 0.7 below.
  expect_vec(start[3].linear_velocity, vec3(0, -0.7f, 0));
  expect_vec(start[3].angular_velocity, vec3(1, 0, 0));
}

// A list whose worlds are null worlds.
struct null_list : physics_world_list {
  null_list() { backend = physics::backend::null; }
};

physics::null_world& null_of(physics_world_list& list, int index) {
  return dynamic_cast<physics::null_world&>(*list.records[static_cast<std::size_t>(index)].world);
}

TEST(create_agent_ragdoll, bones_start_in_the_pose_with_the_agent_speed_or_beside_the_mount_speed) {
  for (const bool mounted : {false, true}) {
    SCOPED_TRACE(mounted ? "mounted" : "on foot");
    posed p;
    p.pose.bones[0].angular_velocity = vec3(1, 0, 0);
    p.pose.bones[1].angular_velocity = vec3(0, 2, 0);
    null_list list;
    fake_surroundings around;
    ragdoll_state state;
    ragdoll_source source = p.source();
    source.size_factor = 2.0f;
    source.velocity = vec3(3, 0, 0);
    source.mounted = mounted;
    source.mount_velocity = vec3(0, 7, 0);
    ASSERT_TRUE(create_agent_ragdoll(list, state, source, around));

    EXPECT_EQ(state.physics_world, 0);
    EXPECT_EQ(state.ragdoll, 1);
    EXPECT_EQ(p.pose.rest_pose_only, 1);
    EXPECT_EQ(list.worlds_created, 1);
    ASSERT_EQ(state.bone_bodies.size(), 4u);
    EXPECT_EQ(state.bone_bodies[1], physics::no_body);
    const physics::null_world& w = null_of(list, 0);
    const auto& chest = w.bodies[static_cast<std::size_t>(state.bone_bodies[2])];
    EXPECT_EQ(chest.parent, state.bone_bodies[0]);
    EXPECT_FLOAT_EQ(chest.mass, 8.0f);
    expect_vec(from_physics(chest.velocity), mounted ? vec3(0.4f, -0.3f, 0) : vec3(3.4f, -0.3f, 0));
    expect_vec(from_physics(chest.omega), vec3(1, 2, 0));
    expect_vec(state.inherited_mount_velocity, mounted ? vec3(0, 7, 0) : vec3());
    // After the bones were made at their joint frames, they were placed in
    // the pose.
    expect_vec(from_physics(chest.frame.side), vec3(1, 0, 0));
    // Gravity pulls on every bone.
    const_cast<physics::null_world&>(w).update(0.01f);
    EXPECT_FLOAT_EQ(w.bodies[static_cast<std::size_t>(state.bone_bodies[3])].force.z, -9.8f * 3.0f);
    // The ground within 5 m of the entity, with the scene's capsule as a
    // static body.
    ASSERT_EQ(around.boxes.size(), 1u);
    expect_vec(around.boxes[0].first, vec3(0, 0, -5));
    expect_vec(around.boxes[0].second, vec3(10, 10, 5));
    EXPECT_EQ(w.ground.size(), 6u);
    ASSERT_EQ(list.records[0].capsule_bodies.size(), 1u);
    EXPECT_EQ(w.bodies[static_cast<std::size_t>(list.records[0].capsule_bodies[0])].mass, 0.0f);
  }
}

struct live_ragdoll {
  posed p;
  null_list list;
  fake_surroundings around;
  ragdoll_state state;

  live_ragdoll() { EXPECT_TRUE(create_agent_ragdoll(list, state, p.source(), around)); }
  physics::null_world& world() { return null_of(list, 0); }
  // Moves every body by d.
  void shift(const vec3& d) {
    for (auto& b : world().bodies) b.frame.origin = to_physics(from_physics(b.frame.origin) + d);
  }
};

TEST(create_agent_ragdoll, a_linked_agent_is_met_as_a_heavy_capsule_that_outlives_ground_rebuilds) {
  posed p;
  null_list list;
  fake_surroundings around;
  ragdoll_state state;
  ragdoll_source source = p.source();
  source.has_linked = true;
  source.linked_bone0.origin = vec3(20, 0, 1);
  source.linked_size_factor = 2.0f;
  ASSERT_TRUE(create_agent_ragdoll(list, state, source, around));
  ASSERT_NE(state.linked_body, physics::no_body);
  const physics::null_world& w = null_of(list, 0);
  const auto& linked = w.bodies[static_cast<std::size_t>(state.linked_body)];
  // (0, 0.5443 s, -0.0629 s) in the linked agent's bone 0 frame, lying along
  // its forward axis.
  expect_vec(from_physics(linked.frame.origin), vec3(20, 1.0886f, 0.8742f));
  expect_vec(from_physics(linked.frame.forward), vec3(0, 1, 0));
  EXPECT_GT(linked.mass, 100.0f);
  ASSERT_TRUE(linked.callback);  // it falls like the bones

  // A rebuild replaces the scene's capsule and keeps the linked one.
  rebuild_local_ground(list, state, around, vec3(30, 0, 0));
  int scene_capsules = 0;
  for (std::size_t i = 0; i < w.bodies.size(); ++i)
    if (!w.bodies[i].bone && !w.bodies[i].removed && static_cast<physics::body_id>(i) != state.linked_body)
      ++scene_capsules;
  EXPECT_EQ(scene_capsules, 1);
  EXPECT_FALSE(w.bodies[static_cast<std::size_t>(state.linked_body)].removed);
}

TEST(update_ragdoll_pose, bone_frames_come_back_to_the_entity_and_the_skeleton) {
  live_ragdoll r;
  // The chest leans: its body turned a quarter about x.
  physics::null_world::body_state& chest = r.world().bodies[static_cast<std::size_t>(r.state.bone_bodies[2])];
  chest.frame.forward = physics::vector3{0, 0, 1};
  chest.frame.up = physics::vector3{0, -1, 0};
  frame entity = r.p.entity;
  ASSERT_TRUE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, false, r.around));
  expect_vec(entity.origin, vec3(5, 5, 1.0f));  // the hips' body
  for (int b : {0, 2, 3}) {
    const frame body = from_physics(r.world().get_matrix(r.state.bone_bodies[static_cast<std::size_t>(b)]));
    const frame copied = entity.transform_frame_to_global(r.p.pose.bones[static_cast<std::size_t>(b)].pose_frame);
    expect_vec(copied.origin, body.origin);
    expect_vec(copied.rot.f, body.rot.f);
    expect_vec(copied.rot.u, body.rot.u);
  }
  EXPECT_EQ(r.p.pose.pose_valid, 1);
}

TEST(update_ragdoll_pose, a_root_without_capsules_is_carried_by_the_first_bone_that_has_a_body) {
  static const skeleton* rootless = [] {
    auto s = std::make_unique<skeleton>();
    s->name = ruv_string("skel_ragdoll_rootless");
    s->bone_count = 2;
    s->bones.resize(2);
    s->bones[1].parent = 0;
    s->bones[1].local_frame.origin = vec3(0, 0, 1);
    s->derive();
    const skeleton* kept = s.get();
    g_resource_manager.adopt_resource(std::move(s));
    test_skeleton();  // its bodies first: loading the file replaces the table
    g_skeleton_bodies.push_back(skeleton_body{});
    g_skeleton_bodies.back().skeleton_name = ruv_string("skel_ragdoll_rootless");
    g_skeleton_bodies.back().bones.resize(2);
    g_skeleton_bodies.back().bones[1].body_parts.push_back(skeleton_body_part{vec3(0, 0, 0.1f), vec3(0, 0, 0.5f), 0.1f});
    fix_skeletons();
    return kept;
  }();
  skeleton_instance pose(2);
  pose.set_skeleton(*rootless);
  pose.compute_rest_pose();
  null_list list;
  fake_surroundings around;
  ragdoll_state state;
  ragdoll_source source;
  source.entity_frame.origin = vec3(5, 5, 0);
  source.skeleton = &pose;
  ASSERT_TRUE(create_agent_ragdoll(list, state, source, around));
  ASSERT_EQ(state.bone_bodies[0], physics::no_body);
  // The body moves 1 m along x and turns a quarter about z.
  physics::null_world::body_state& b = null_of(list, 0).bodies[static_cast<std::size_t>(state.bone_bodies[1])];
  b.frame.origin = physics::vector3{6, 5, 1};
  b.frame.side = physics::vector3{0, 1, 0};
  b.frame.forward = physics::vector3{-1, 0, 0};
  frame entity = source.entity_frame;
  ASSERT_TRUE(update_ragdoll_pose(list, state, entity, pose, false, around));
  expect_vec(entity.origin, vec3(6, 5, 0));
  expect_vec(entity.rot.s, vec3(0, 1, 0));
  const frame copied = entity.transform_frame_to_global(pose.bones[1].pose_frame);
  expect_vec(copied.origin, vec3(6, 5, 1));
  expect_vec(copied.rot.f, vec3(-1, 0, 0));
}

TEST(update_ragdoll_pose, a_ragdoll_that_flies_off_or_goes_bad_is_stopped_and_keeps_its_last_pose) {
  struct row {
    const char* what;
    int bone;
    float x;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const row rows[] = {{"root beyond a million", 0, 1000001.0f}, {"root below minus a million", 0, -1000000.0f},
                      {"root not a number", 0, nan},              {"head not a number", 3, nan},
                      {"head infinite", 3, std::numeric_limits<float>::infinity()}};
  for (const row& c : rows) {
    SCOPED_TRACE(c.what);
    live_ragdoll r;
    frame entity = r.p.entity;
    ASSERT_TRUE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, false, r.around));
    const frame kept_entity = entity;
    const frame kept_chest = r.p.pose.bones[2].local_frame;
    r.world().bodies[static_cast<std::size_t>(r.state.bone_bodies[static_cast<std::size_t>(c.bone)])].frame.origin.x =
        c.x;
    EXPECT_FALSE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, false, r.around));
    EXPECT_EQ(r.state.physics_world, -1);
    EXPECT_EQ(r.state.ragdoll, 0);
    EXPECT_EQ(r.state.corpse_frozen, 1);
    EXPECT_EQ(r.list.worlds_created, 0);
    EXPECT_EQ(r.list.records[0].world, nullptr);
    EXPECT_EQ(r.p.pose.pose_valid, 0);
    EXPECT_EQ(0, std::memcmp(&entity, &kept_entity, sizeof(frame)));
    EXPECT_EQ(0, std::memcmp(&r.p.pose.bones[2].local_frame, &kept_chest, sizeof(frame)));
    // Nothing more happens to it.
    EXPECT_FALSE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, false, r.around));
  }
}

TEST(update_ragdoll_pose, the_ground_is_rebuilt_where_the_body_lies_once_it_moved_more_than_three_metres) {
  live_ragdoll r;
  frame entity = r.p.entity;
  ASSERT_EQ(r.around.boxes.size(), 1u);
  r.shift(vec3(3.0f, 0, 0));  // the hips now at (8, 5, 1): 3 m from (5, 5, 0)... and 1 up
  ASSERT_TRUE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, false, r.around));
  EXPECT_EQ(r.around.boxes.size(), 2u);  // 9 + 1 > 9
  expect_vec(r.state.ground_built_at, vec3(8, 5, 1));
  expect_vec(r.around.boxes[1].first, vec3(3, 0, -4));
  r.shift(vec3(0, 3.0f, 0));  // exactly 3 m: not more
  ASSERT_TRUE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, false, r.around));
  EXPECT_EQ(r.around.boxes.size(), 2u);
  // The old static capsule went, the new one came.
  int live_capsules = 0;
  for (const auto& b : r.world().bodies) live_capsules += !b.bone && !b.removed;
  EXPECT_EQ(live_capsules, 1);
}

TEST(update_ragdoll_pose, the_fall_is_heard_once_when_a_sounding_bone_comes_near_the_ground) {
  // The horse's sounding bone is 2 (here the chest), within 0.4 of the ground.
  live_ragdoll r;
  frame entity = r.p.entity;
  r.around.ground = 1.0f;  // the chest at 1.3: 0.3 above
  ASSERT_TRUE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, false, r.around));
  EXPECT_TRUE(r.around.sounds.empty());  // a human sounds by bones 8, 10, 15
  ASSERT_TRUE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, true, r.around));
  ASSERT_EQ(r.around.sounds.size(), 1u);
  expect_vec(r.around.sounds[0].first, entity.origin);
  EXPECT_FLOAT_EQ(r.around.sounds[0].second, 0.8f + 0.4f * 0.5f);
  EXPECT_EQ(r.state.fall_sound_played[1], 1);
  expect_vec(r.state.fall_bone_frame.origin, vec3(5, 5, 1.3f));
  ASSERT_TRUE(update_ragdoll_pose(r.list, r.state, entity, r.p.pose, true, r.around));
  EXPECT_EQ(r.around.sounds.size(), 1u);

  // Too high above the ground, or below the fall's reference height: silent.
  live_ragdoll high;
  high.around.ground = 0.85f;  // 0.45 above
  ASSERT_TRUE(update_ragdoll_pose(high.list, high.state, entity, high.p.pose, true, high.around));
  live_ragdoll low;
  low.around.ground = 1.0f;
  low.state.fall_reference_height = 1.5f;
  ASSERT_TRUE(update_ragdoll_pose(low.list, low.state, entity, low.p.pose, true, low.around));
  EXPECT_TRUE(high.around.sounds.empty());
  EXPECT_TRUE(low.around.sounds.empty());
}

// A ragdoll thrown forward over flat ground, stepped by the mission's
// physics step at 60 frames a second until it sleeps.
std::vector<frame> fall_to_rest(int& frames) {
  posed p;
  p.pose.bones[0].angular_velocity = vec3(0.5f, 0, 0);
  physics_world_list list;
  fake_surroundings around;
  ragdoll_state state;
  ragdoll_source source = p.source();
  source.velocity = vec3(0, 2, 0);
  EXPECT_TRUE(create_agent_ragdoll(list, state, source, around));
  frame entity = p.entity;
  frames = 0;
  while (list.is_ragdoll_awake(state.physics_world) && frames < 1200) {
    step_physics(list, 1.0f / 60.0f);
    EXPECT_TRUE(update_ragdoll_pose(list, state, entity, p.pose, false, around));
    ++frames;
  }
  std::vector<frame> out{entity};
  for (const skeleton_bone& b : p.pose.bones) out.push_back(b.pose_frame);
  return out;
}

TEST(create_agent_ragdoll, a_falling_ragdoll_comes_to_rest_on_the_ground_the_same_way_every_run) {
  int frames = 0;
  const std::vector<frame> first = fall_to_rest(frames);
  ASSERT_LT(frames, 1200) << "still awake after 20 s";
  EXPECT_GT(frames, 20);
  // Lying on the ground: the hips' capsule (radius 0.1) rests on it.
  EXPECT_GT(first[0].origin.z, 0.0f);
  EXPECT_LT(first[0].origin.z, 0.35f);
  EXPECT_GT(first[0].origin.y, 5.0f);  // it went forward
  int again = 0;
  const std::vector<frame> second = fall_to_rest(again);
  EXPECT_EQ(frames, again);
  ASSERT_EQ(first.size(), second.size());
  EXPECT_EQ(0, std::memcmp(first.data(), second.data(), first.size() * sizeof(frame)));
}

// An agent with a skeleton entity of the test skeleton in its rest pose.
struct agent_with_body {
  skeleton_entity body;
  agent a;

  agent_with_body(const vec3& at, const vec3& velocity) {
    body.animated_skeleton = std::make_unique<skeleton_instance>(2);
    body.animated_skeleton->set_skeleton(test_skeleton());
    body.animated_skeleton->compute_rest_pose();
    body.frame.origin = at;
    a.agent_entity = &body;
    a.velocity = velocity;
  }
};

TEST(agent_ragdoll, a_dying_agent_falls_through_its_entity_and_a_runaway_is_frozen_where_it_was) {
  agent_with_body dying(vec3(5, 5, 0), vec3(3, 0, 0));
  agent& a = dying.a;
  a.index = 4;
  a.state = agent_state_dead;
  entity label;
  a.label_entity = &label;
  const skeleton_entity& body = dying.body;
  mission m;
  agent horse;
  horse.kind = agent_kind_horse;
  horse.velocity = vec3(0, 6, 0);
  null_list list;
  fake_surroundings around;

  agent without_body;
  EXPECT_FALSE(create_agent_ragdoll(list, without_body, nullptr, nullptr, around));
  ASSERT_TRUE(create_agent_ragdoll(list, a, &horse, nullptr, around));
  EXPECT_EQ(a.ragdoll_slot, 0);
  EXPECT_EQ(a.ragdoll, list.records[0].world.get());
  expect_vec(a.ragdoll_body.inherited_mount_velocity, vec3(0, 6, 0));
  EXPECT_EQ(body.animated_skeleton->rest_pose_only, 1);

  for (auto& b : null_of(list, 0).bodies) b.frame.origin.z -= 0.5f;
  ASSERT_TRUE(update_agent_ragdoll(list, a, m, around, 0.02f));
  expect_vec(body.frame.origin, vec3(5, 5, 0.5f));

  null_of(list, 0).bodies[0].frame.origin.x = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(update_agent_ragdoll(list, a, m, around, 0.02f));
  expect_vec(body.frame.origin, vec3(5, 5, 0.5f));
  EXPECT_EQ(a.ragdoll_slot, -1);
  EXPECT_EQ(a.ragdoll, nullptr);
  EXPECT_EQ(a.body_frozen, 1);
  EXPECT_EQ(m.corpses, (std::vector<std::int32_t>{4}));
  EXPECT_EQ(label.visible, 0);
  // Frozen, it stays where it was.
  EXPECT_TRUE(update_agent_ragdoll(list, a, m, around, 0.02f));
  expect_vec(body.frame.origin, vec3(5, 5, 0.5f));
}

std::unique_ptr<face> quad(float x0, float y0, float x1, float y1, float z) {
  return std::make_unique<face>(
      std::initializer_list<vec3>{vec3(x0, y0, z), vec3(x1, y0, z), vec3(x1, y1, z), vec3(x0, y1, z)});
}

TEST(agent_pose, a_living_agent_stands_on_its_facing_and_a_fallen_one_leans_into_the_slope) {
  const vec3 facing(0, 1, 0);
  const vec3 slope(0.6f, 0, 0.8f);
  float blend = 0.0f;
  // Alive: upright, whatever the ground; the offset moves the origin.
  frame f = living_agent_frame(facing, vec3(1, 2, 3), vec3(0, 0, 0.5f), 0.0f, true, slope, 0.5f, blend);
  expect_vec(f.rot.s, vec3(1, 0, 0));
  expect_vec(f.rot.f, vec3(0, 1, 0));
  expect_vec(f.rot.u, vec3(0, 0, 1));
  expect_vec(f.origin, vec3(1, 2, 3.5f));
  EXPECT_EQ(blend, 0.0f);
  // Not alive: half way after a step of 0.5, up = (0.3, 0, 0.9) normalised.
  f = living_agent_frame(facing, vec3(), vec3(), 0.0f, false, slope, 0.5f, blend);
  EXPECT_FLOAT_EQ(blend, 0.5f);
  expect_vec(f.rot.u, vec3(0.3162278f, 0, 0.9486833f));
  expect_vec(f.rot.s, vec3(0.9486833f, 0, -0.3162278f));
  expect_vec(f.rot.f, vec3(0, 1, 0));
  // The blend stops at 1: up is the ground's normal.
  f = living_agent_frame(facing, vec3(), vec3(), 0.0f, false, slope, 0.7f, blend);
  EXPECT_FLOAT_EQ(blend, 1.0f);
  expect_vec(f.rot.u, slope);
  // Lean rolls about the forward axis.
  blend = 0.0f;
  f = living_agent_frame(facing, vec3(), vec3(), 0.3f, true, slope, 0.5f, blend);
  expect_vec(f.rot.s, vec3(std::cos(0.3f), 0, -std::sin(0.3f)));
  expect_vec(f.rot.u, vec3(std::sin(0.3f), 0, std::cos(0.3f)));
  expect_vec(f.rot.f, facing);
}

TEST(scene_ragdoll_surroundings, the_scene_faces_and_capsules_near_the_body_are_its_ground) {
  scene_world scene(vec3(0, 0, 0), vec3(60, 60, 0), 3, 3, 0);
  scene.add_body(quad(0, 0, 20, 20, 0.0f));
  scene.add_body(quad(4, 4, 6, 6, 1.5f));   // a table top
  scene.add_body(quad(40, 40, 50, 50, 0));  // far away
  scene.add_body(std::make_unique<capsule>(vec3(8, 2, 0.3f), vec3(8, 6, 0.3f), 0.3f));
  scene_ragdoll_surroundings around(&scene);
  std::vector<vec3> triangles;
  std::vector<ground_capsule> capsules;
  around.collect_ground(vec3(0, 0, -5), vec3(10, 10, 5), triangles, capsules);
  EXPECT_EQ(triangles.size(), 12u);  // two quads, two triangles each
  ASSERT_EQ(capsules.size(), 1u);
  EXPECT_FLOAT_EQ(capsules[0].radius, 0.3f);
  // Heights: the table under a point above it, the floor under a point below
  // the table top, nothing outside every face.
  EXPECT_FLOAT_EQ(around.ground_height(vec3(5, 5, 2)), 1.5f);
  EXPECT_FLOAT_EQ(around.ground_height(vec3(5, 5, 0.5f)), 0.0f);
  EXPECT_FLOAT_EQ(around.ground_height(vec3(10, 10, 3)), 0.0f);
  EXPECT_EQ(around.ground_height(vec3(30, 10, 3)), std::numeric_limits<float>::lowest());
  scene_ragdoll_surroundings nowhere(nullptr);
  EXPECT_EQ(nowhere.ground_height(vec3(5, 5, 2)), std::numeric_limits<float>::lowest());
}

TEST(agent_ragdoll, a_dying_agent_comes_to_rest_on_the_scene_ground_and_its_world_is_freed) {
  scene_world scene(vec3(0, 0, 0), vec3(60, 60, 0), 3, 3, 0);
  scene.add_body(quad(0, 0, 40, 40, 0.0f));
  scene_ragdoll_surroundings around(&scene);
  agent_with_body dying(vec3(10, 10, 0), vec3(1.5f, 0, 0));
  agent& a = dying.a;
  a.index = 2;
  a.state = agent_state_dead;
  const skeleton_entity& body = dying.body;
  mission m;
  m.player_agent = 2;  // the player's body is not counted among the corpses
  physics_world_list list;
  ASSERT_TRUE(create_agent_ragdoll(list, a, nullptr, nullptr, around));
  int frames = 0;
  while (list.is_ragdoll_awake(a.ragdoll_slot) && frames < 1200) {
    step_physics(list, 0.02f);
    ASSERT_TRUE(update_agent_ragdoll(list, a, m, around, 0.02f));
    ++frames;
  }
  ASSERT_LT(frames, 1200);
  EXPECT_LT(body.frame.origin.z, 0.35f);
  EXPECT_GT(body.frame.origin.z, 0.0f);
  EXPECT_GT(body.frame.origin.x, 10.0f);
  stop_agent_ragdoll(list, a, m);
  EXPECT_EQ(list.worlds_created, 0);
  EXPECT_EQ(a.body_frozen, 1);
  EXPECT_TRUE(m.corpses.empty());
}

}  // namespace
}  // namespace hm
