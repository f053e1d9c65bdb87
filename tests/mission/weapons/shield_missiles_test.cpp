#include "mission/weapons/shield_missiles.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "mission/records/agent.h"
#include "mission/records/missile.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {
namespace {

float half() { return 0.5f; }

TEST(ShieldMissiles, PlacementIsPulledOntoTheShield) {
  struct row {
    vec3 struck;
    float speed;
    vec3 placed;
  };
  const row rows[] = {
      // Far off the centre: 0.19 from (0, 0.23) towards the strike.
      {{3.0f, 0.23f, 0.4f}, 40.0f, {0.19f, 0.23f, 0.05f - 0.005f - 0.02f}},
      {{-3.0f, 0.23f, 0.0f}, 0.0f, {-0.19f, 0.23f, 0.045f}},
      {{0.0f, -5.0f, 0.0f}, 0.0f, {0.0f, 0.04f, 0.045f}},
      // Within reach it stays where it struck.
      {{0.1f, 0.33f, 0.0f}, 20.0f, {0.1f, 0.33f, 0.035f}},
      // Dead centre: no direction to pull along.
      {{0.0f, 0.23f, 0.0f}, 0.0f, {0.0f, 0.23f, 0.045f}},
  };
  for (const row& r : rows) {
    const vec3 p = place_missile_on_shield(r.struck, r.speed, half);
    EXPECT_NEAR(p.x, r.placed.x, 1e-5f) << r.struck.x << " " << r.struck.y;
    EXPECT_NEAR(p.y, r.placed.y, 1e-5f) << r.struck.x << " " << r.struck.y;
    EXPECT_NEAR(p.z, r.placed.z, 1e-5f) << r.struck.x << " " << r.struck.y;
  }
}

item_kind kind_of(int type, const char* id, std::uint64_t properties = 0) {
  item_kind k;
  k.flags = static_cast<std::uint32_t>(type);
  k.id = ruv_string(id);
  k.capabilities = properties;
  return k;
}

class ShieldSticking : public ::testing::Test {
 protected:
  enum : int { shield = 0, bow, arrows, stones };
  void SetUp() override {
    static const bool registered = [] {
      auto m = std::make_unique<mesh>();
      m->name = ruv_string("shield_test_arrow");
      for (int i = 0; i < 3; ++i) {
        mesh_point p;
        p.position = p.current_position = vec3(0.0f, static_cast<float>(i), 0.0f);
        m->points.push_back(p);
        mesh_vertex v;
        v.point = i;
        m->vertices.push_back(v);
      }
      g_resource_manager.adopt_resource(std::move(m));
      return true;
    }();
    (void)registered;
    g_item_kinds = {kind_of(item_type::shield, "shield_test"), kind_of(item_type::bow, "bow_test"),
                    kind_of(item_type::arrows, "shield_test_arrow"),
                    kind_of(item_type::thrown, "shield_test_arrow", 0x10000)};
    body.animated_skeleton = std::make_unique<skeleton_instance>(2);
    body.animated_skeleton->bones.resize(20);
    body.animated_skeleton->bone_count = 20;
    a.agent_entity = &body;
    a.equipment[1].kind = shield;
    a.wielded_slots[1] = 1;
    mi.launcher.kind = bow;
    mi.ammunition.kind = arrows;
    mi.direction = vec3(0.0f, 1.0f, 0.0f);
    mi.speed = 30.0f;
  }
  void TearDown() override { g_item_kinds.clear(); }

  skeleton_entity body;
  agent a;
  missile mi;
};

TEST_F(ShieldSticking, MissilesMergeIntoOneGroupOnTheSkeleton) {
  stick_missile_in_shield(a, mi, half);
  ASSERT_NE(a.shield_missiles, nullptr);
  lod_mesh_group* group = a.shield_missiles;
  EXPECT_EQ(body.animated_skeleton->bones[19].lod_groups.size(), 1u);
  ASSERT_EQ(group->lods[0].size(), 1u);
  EXPECT_EQ(group->lods[0][0]->get_vertices().size(), 3u);
  // Bow arrows at 0.87 of their size: the last point 2 x 0.87 from the first.
  const auto& points = group->lods[0][0]->get_points();
  EXPECT_NEAR((points[2].position - points[0].position).length(), 1.74f, 1e-4f);
  stick_missile_in_shield(a, mi, half);
  EXPECT_EQ(a.shield_missiles, group);
  EXPECT_EQ(group->lods[0][0]->get_vertices().size(), 6u);
  EXPECT_EQ(body.animated_skeleton->bones[19].lod_groups.size(), 1u);
}

TEST_F(ShieldSticking, WhatNeverSticks) {
  missile stone = mi;
  stone.launcher.kind = stones;  // a thrown stone sticks as itself, and stones never stick
  stick_missile_in_shield(a, stone, half);
  EXPECT_EQ(a.shield_missiles, nullptr);
  missile unlaunched = mi;
  unlaunched.launcher.kind = -1;
  stick_missile_in_shield(a, unlaunched, half);
  EXPECT_EQ(a.shield_missiles, nullptr);
  a.equipment[1].kind = -1;  // no shield in hand
  stick_missile_in_shield(a, mi, half);
  EXPECT_EQ(a.shield_missiles, nullptr);
}

TEST_F(ShieldSticking, AMissileThatWoundsStaysInTheBoneItStruck) {
  g_item_kinds[arrows].weapon_length = 80;
  // The body stands at (2, 0, 0), its bone 5 a metre up and turned a quarter
  // to the left.
  body.frame = frame{rotation::identity(), vec3(2.0f, 0.0f, 0.0f)};
  body.animated_skeleton->bones[5].pose_frame =
      frame{rotation{vec3(0.0f, 1.0f, 0.0f), vec3(-1.0f, 0.0f, 0.0f), vec3(0.0f, 0.0f, 1.0f)}, vec3(0.0f, 0.0f, 1.0f)};
  blow b;
  b.bone = 5;
  b.hit_position = vec3(2.0f, 0.1f, 1.0f);
  b.direction = vec3(0.0f, 1.0f, 0.0f);
  stick_missile_in_body(a, mi, b);
  const auto& hung = body.animated_skeleton->bones[5].meshes;
  ASSERT_EQ(hung.size(), 1u);
  // Pointing along the blow, 0.7 x 0.8 back from where it struck, wherever
  // the bone turns.
  const frame world =
      body.frame.transform_frame_to_global(body.animated_skeleton->bones[5].pose_frame)
          .transform_frame_to_global(hung[0]->local_frame);
  EXPECT_NEAR(world.origin.x, 2.0f, 1e-5f);
  EXPECT_NEAR(world.origin.y, 0.1f - 0.56f, 1e-5f);
  EXPECT_NEAR(world.origin.z, 1.0f, 1e-5f);
  EXPECT_NEAR(world.rot.f.y, 1.0f, 1e-5f);
  EXPECT_NEAR(world.rot.u.z, 1.0f, 1e-5f);
  // A bone the skeleton lacks, or none, holds nothing.
  b.bone = 20;
  stick_missile_in_body(a, mi, b);
  b.bone = -1;
  stick_missile_in_body(a, mi, b);
  std::size_t total = 0;
  for (const skeleton_bone& bone : body.animated_skeleton->bones) total += bone.meshes.size();
  EXPECT_EQ(total, 1u);
}

}  // namespace
}  // namespace hm
