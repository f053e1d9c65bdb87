#include "mission/weapons/weapon_drop.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/resource/mesh.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/support/recording_services.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {
namespace {

TEST(WeaponDrop, HoldingBones) {
  const struct {
    int type, bone;
  } rows[] = {{item_type::one_handed, 19}, {item_type::polearm, 19}, {item_type::thrown, 19},
              {item_type::musket, 19},     {item_type::bow, 14},     {item_type::shield, 12},
              {item_type::arrows, -1},     {item_type::goods, -1}};
  for (const auto& r : rows) EXPECT_EQ(holding_bone_for_type(r.type), r.bone) << r.type;
}

TEST(WeaponDrop, EachWeaponFallsWithChanceOneInFour) {
  g_item_kinds.assign(2, item_kind{});
  g_item_kinds[0].flags = item_type::one_handed;
  g_item_kinds[1].flags = item_type::shield;
  recording_services s;
  mission m;
  m.set_services(&s);
  agent& a = m.allocate_agent();
  a.body_frame.origin = vec3(5.0f, 6.0f, 1.0f);
  for (int slot = 0; slot < 4; ++slot) a.equipment[static_cast<std::size_t>(slot)].kind = slot == 1 ? 1 : 0;
  a.equipment[1].set_modifier(3);
  a.wielded_slots = {0, 1};
  // Draws below 0.25 x 15817 = 3954.25 drop: 0, 3954 drop; 3955, 15816 stay.
  scripted_combat_random draws({0, 3954, 3955, 15816});
  drop_weapons_on_death(m, a, draws);
  EXPECT_EQ(a.equipment[0].kind, -1);
  EXPECT_EQ(a.equipment[1].kind, -1);
  // Neither hand holds what fell.
  EXPECT_EQ(a.wielded_slots[0], -1);
  EXPECT_EQ(a.wielded_slots[1], -1);
  EXPECT_EQ(a.equipment[2].kind, 0);
  EXPECT_EQ(a.equipment[3].kind, 0);
  ASSERT_EQ(m.prop_instance_count(), 2);
  const scene_prop_instance& shield = *m.get_scene_prop_instance(1);
  EXPECT_EQ(shield.kind, prop_kind_spawned_item);
  EXPECT_EQ(shield.id, 1);
  EXPECT_EQ(shield.owner_flag, 2);
  // The item word (the modifier in the top byte) goes with it.
  EXPECT_EQ(static_cast<std::uint32_t>(shield.variation) >> 24, 3u);
  // Without a body to read bones from, it stands 0.1 above the agent.
  EXPECT_FLOAT_EQ(shield.placed_frame.origin.z, 1.1f);
  EXPECT_FLOAT_EQ(shield.placed_frame.origin.x, 5.0f);
  g_item_kinds.clear();
}

// Items whose meshes hang straight on the skeleton's bones: the one that
// falls is no longer shown there; the one kept, of another kind, still is.
TEST(WeaponDrop, AFallenWeaponLeavesTheSkeletonItHungOn) {
  g_item_kinds.assign(2, item_kind{});
  g_item_kinds[0].flags = item_type::one_handed;
  g_item_kinds[0].id = ruv_string("drop_test_sword");
  g_item_kinds[1].flags = item_type::shield;
  g_item_kinds[1].id = ruv_string("drop_test_shield");
  recording_services s;
  mission m;
  m.set_services(&s);
  agent& a = m.allocate_agent();
  skeleton_entity body;
  body.animated_skeleton = std::make_unique<skeleton_instance>(clock_mission);
  body.animated_skeleton->bones.resize(20);
  body.animated_skeleton->bone_count = 20;
  a.agent_entity = &body;
  const struct {
    const char* name;
    int bone;
  } hung_items[] = {{"drop_test_sword", 19}, {"drop_test_shield", 12}};
  for (const auto& h : hung_items) {
    auto hung = std::make_unique<mesh>();
    hung->name = ruv_string(h.name);
    body.animated_skeleton->attach_mesh_to_bone(h.bone, std::move(hung), frame::identity());
  }
  a.equipment[0] = item{0, 0};
  a.equipment[1] = item{1, 0};
  a.wielded_slots = {0, 1};
  scripted_combat_random draws({0, 15816});
  drop_weapons_on_death(m, a, draws);
  EXPECT_EQ(body.animated_skeleton->bones[19].meshes[0]->visibility_mask, 0u);
  EXPECT_EQ(body.animated_skeleton->bones[12].meshes[0]->visibility_mask, 0xFFFFu);
  EXPECT_EQ(a.equipment[1].kind, 1);
  a.agent_entity = nullptr;
  g_item_kinds.clear();
}

}  // namespace
}  // namespace hm
