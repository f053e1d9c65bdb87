#include "mission/props/prop_entity.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/data/data_files.h"
#include "module/data/flora_kind.h"
#include "module/records/item_kind.h"
#include "module/records/scene_prop.h"
#include "render/entity/dynamic_entity.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

flora_kind flora(const char* name, int variants) {
  flora_kind k;
  k.name = ruv_string(name);
  for (int i = 0; i < variants; ++i) {
    flora_variant v;
    v.mesh_name = ruv_string(("prop_test_bush_" + std::to_string(i)).c_str());
    v.body_name = ruv_string(i == 1 ? "0" : "bo_bush");
    k.variants.push_back(v);
  }
  return k;
}

class editing_services : public mission_services {
 public:
  edit_mode_flags edit_mode() const override {
    edit_mode_flags f;
    f.edit_mode_enabled = f.editing = editing;
    return f;
  }
  bool editing = false;
};

class PropEntities : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = [] {
      for (const char* name : {"prop_test_bush_1", "prop_test_barrel", "prop_test_barrel.lod1"}) {
        auto m = std::make_unique<mesh>();
        m->name = ruv_string(name);
        g_resource_manager.adopt_resource(std::move(m));
      }
      return true;
    }();
    (void)registered;
    g_flora_kinds = {flora("bush", 3), flora("bare", 0)};
    scene_prop barrel;
    barrel.id = ruv_string("barrel");
    barrel.mesh_name = ruv_string("prop_test_barrel");
    g_scene_prop_kinds = {barrel};
    item_kind shield;
    shield.id = ruv_string("round_shield");
    shield.flags = item_type::shield;
    g_item_kinds = {shield};
    m.set_services(&s);
    m.scene = std::make_unique<scene_world>();
  }
  void TearDown() override {
    m.scene.reset();
    g_flora_kinds.clear();
    g_scene_prop_kinds.clear();
    g_item_kinds.clear();
  }

  editing_services s;
  mission m;
};

TEST_F(PropEntities, FloraVariationChoosesTheMeshAndIsKept) {
  const struct {
    const char* kind;
    int variation;
    int variant;
  } rows[] = {{"bush", 7, 1}, {"bush", 2, 2}, {"bush", -1, -1}, {"bush", -7, -1},
              {"bare", 0, -1}, {"bare", 5, -1}, {"nothing", 1, 1}};
  // An unknown name reads as the first kind.
  for (const auto& r : rows) EXPECT_EQ(flora_variant_index(ruv_string(r.kind), r.variation), r.variant) << r.kind;

  const int seven = m.add_scene_prop_instance(prop_kind_flora, 0, 7, frame::identity());
  const scene_prop_instance& p = *m.get_scene_prop_instance(seven);
  EXPECT_EQ(p.variation, 7);
  ASSERT_NE(p.entity, nullptr);
  ASSERT_EQ(p.entity->meshes.size(), 1u);  // variant 1's mesh, no body ("0")
  EXPECT_EQ(p.entity->meshes[0]->name, ruv_string("prop_test_bush_1"));
  EXPECT_EQ(p.entity->body, nullptr);

  const int negative = m.add_scene_prop_instance(prop_kind_flora, 0, -4, frame::identity());
  EXPECT_EQ(m.get_scene_prop_instance(negative)->variation, -4);
  EXPECT_TRUE(m.get_scene_prop_instance(negative)->entity->meshes.empty());
  const int bare = m.add_scene_prop_instance(prop_kind_flora, 1, 3, frame::identity());
  EXPECT_TRUE(m.get_scene_prop_instance(bare)->entity->meshes.empty());
}

TEST_F(PropEntities, MeshesAndBodiesByKind) {
  scene_prop_instance entry;
  entry.kind = prop_kind_entry;
  EXPECT_TRUE(prop_entity_names_for(entry, false).mesh.empty());
  EXPECT_EQ(prop_entity_names_for(entry, true).mesh, ruv_string("entry_arrow"));
  scene_prop_instance passage;
  passage.kind = prop_kind_passage;
  EXPECT_TRUE(prop_entity_names_for(passage, false).mesh.empty());
  EXPECT_EQ(prop_entity_names_for(passage, false).body, ruv_string("bo_mesh_passage"));
  EXPECT_EQ(prop_entity_names_for(passage, true).mesh, ruv_string("_mesh_passage"));
  scene_prop_instance shield;
  shield.kind = prop_kind_shield;
  shield.name = ruv_string("round_shield");
  EXPECT_EQ(prop_entity_names_for(shield, false).mesh, ruv_string("round_shield"));
  EXPECT_EQ(prop_entity_names_for(shield, false).body, ruv_string("boshield"));
}

TEST_F(PropEntities, AnUnknownPropGetsAnEmptyEntity) {
  const int i = m.add_scene_prop_instance(prop_kind_object, -1, 0, frame::identity());
  const scene_prop_instance& p = *m.get_scene_prop_instance(i);
  ASSERT_NE(p.entity, nullptr);
  EXPECT_TRUE(p.entity->meshes.empty());
  EXPECT_EQ(p.entity->body, nullptr);
  EXPECT_EQ(p.entity->owner_word, 12);
  EXPECT_EQ(p.entity->owner_word_2, i);
  ASSERT_EQ(m.prop_entities.size(), 1u);
}

TEST_F(PropEntities, APropWithLevelsOfDetailAndAMirror) {
  frame placed = frame::identity();
  placed.origin = vec3(3.0f, 4.0f, 0.0f);
  const int i = m.add_scene_prop_instance(prop_kind_object, 0, 0, placed);
  scene_prop_instance& p = *m.get_scene_prop_instance(i);
  ASSERT_EQ(p.entity->meshes.size(), 2u);
  EXPECT_EQ(p.entity->meshes[0]->flip_winding, 0u);
  EXPECT_EQ(p.entity->meshes[0]->visibility_mask, 0x1ffffu);
  EXPECT_FLOAT_EQ(p.entity->frame.origin.x, 3.0f);
  // Built again with a mirrored scale.
  p.scale = vec3(-1.0f, 1.0f, 1.0f);
  create_scene_prop_entity(m, i, -1);
  EXPECT_EQ(p.entity->meshes[0]->flip_winding, 1u);
}

TEST_F(PropEntities, ABrokenShieldTumbles) {
  const int i = m.add_scene_prop_instance(prop_kind_shield, 0, 0, frame::identity());
  const scene_prop_instance& p = *m.get_scene_prop_instance(i);
  EXPECT_EQ(p.owner_flag, 2);
  EXPECT_EQ(p.entity, nullptr);
  ASSERT_NE(p.second_entity, nullptr);
  const auto* e = static_cast<const dynamic_entity*>(p.second_entity);
  // Always upwards by at least 1.
  EXPECT_GE(e->velocity.z, 1.0f);
  EXPECT_TRUE(m.prop_entities.empty());
}

}  // namespace
}  // namespace hm
