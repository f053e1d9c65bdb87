#include "render/scene/scene_attachments.h"

#include <gtest/gtest.h>

#include "engine/collision/sphere.h"
#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/particle_system.h"
#include "engine/support/resource_test_helpers.h"
#include "render/scene/scene_world.h"
#include "render/entity/strategic_entity.h"
#include "render/support/scene_fixtures.h"

namespace hm {
namespace {

class fake_table : public particle_system_table_view {
 public:
  int count() const override { return static_cast<int>(records.size()); }
  const particle_system_settings& settings(int index) const override {
    return records[static_cast<std::size_t>(index)];
  }
  std::vector<particle_system_settings> records;
};

class scene_attachments_test : public ::testing::Test {
 protected:
  void SetUp() override {
    test::register_entity_resources();
    for (std::uint32_t flags : {0u, 2u}) {
      particle_system_settings s;
      s.flags = flags;
      s.mesh_name = "ent_box";
      s.emission_rate = 30.0f;
      s.life = 2.0f;
      s.red_keys[1] = 0.5f;
      s.emit_velocity = vec3(0, 0, 3);
      s.emit_spread = 0.2f;
      table_.records.push_back(s);
    }
  }
  fake_table table_;
};

TEST_F(scene_attachments_test, instances_from_the_table) {
  EXPECT_EQ(create_particle_system_instance(table_, -1, vec3(), 0), nullptr);
  EXPECT_EQ(create_particle_system_instance(table_, 2, vec3(), 0), nullptr);
  auto once = create_particle_system_instance(table_, 0, vec3(1, 2, 3), 2);
  ASSERT_NE(once, nullptr);
  EXPECT_EQ(once->psys_index, 0);
  EXPECT_EQ(once->clock, 2);
  EXPECT_EQ(once->to_emit, 0);  // waits for a restart
  EXPECT_EQ(once->flags & 1u, 0u);
  EXPECT_EQ(once->local_frame.origin.y, 2.0f);
  EXPECT_EQ(once->emit_velocity.z, 3.0f);
  EXPECT_EQ(once->psys_mesh, g_resource_manager.find_mesh(ruv_string("ent_box")));
  auto endless = create_particle_system_instance(table_, 1, vec3(), 0);
  EXPECT_EQ(endless->to_emit, particle_system_instance::endless_count);
  endless->update(0.1f, frame::identity());
  EXPECT_FALSE(endless->particles.empty());

  // An index outside the table leaves an instance as it was; the clock
  // survives every reset and re-initialisation.
  once->particles.resize(3);
  init_particle_system_instance(table_, *once, 5, vec3());
  EXPECT_EQ(once->particles.size(), 3u);
  init_particle_system_instance(table_, *once, 1, vec3());
  EXPECT_TRUE(once->particles.empty());
  EXPECT_EQ(once->clock, 2);
  once->reset();
  EXPECT_EQ(once->clock, 2);
  EXPECT_EQ(once->alpha_keys[3], 0.0f);
}

TEST_F(scene_attachments_test, horse_systems_by_terrain_kind) {
  horse_particle_setup setup;
  setup.trail[0] = 0;
  setup.trail[1] = 1;
  setup.water[0] = setup.water[1] = setup.water[2] = 1;
  setup.sun_colour = vec3(1, 1, 1);
  setup.ambient_colour = color{0.1f, 0.2f, 0.3f, 1};
  setup.water_level = -0.3f;
  {
    strategic_entity horse;
    horse_particle_systems made = add_horse_particle_systems(table_, setup, horse);
    ASSERT_NE(made.trail, nullptr);
    EXPECT_EQ(horse.particle_instances.size(), 4u);
    EXPECT_FLOAT_EQ(made.trail->red_keys[1], 0.5f * 0.5f);
    EXPECT_FLOAT_EQ(made.trail->blue_keys[3], 0.7f);
    EXPECT_FLOAT_EQ(made.trail->local_frame.origin.z, 0.4f);
    EXPECT_FLOAT_EQ(made.water[0]->fixed_height, -0.3f);
    EXPECT_FLOAT_EQ(made.water[2]->fixed_height, -0.24f);
    EXPECT_FLOAT_EQ(made.water[0]->local_frame.origin.y, 0.15f);
  }
  {
    strategic_entity horse;
    setup.terrain_kind = 2;
    horse_particle_systems made = add_horse_particle_systems(table_, setup, horse);
    EXPECT_EQ(made.trail, nullptr);
    EXPECT_EQ(horse.particle_instances.size(), 3u);
  }
  {
    strategic_entity horse;
    setup.particles_enabled = false;
    add_horse_particle_systems(table_, setup, horse);
    EXPECT_TRUE(horse.particle_instances.empty());
  }
}

TEST_F(scene_attachments_test, interior_mesh_and_its_missing_group) {
  scene_world scene;
  EXPECT_EQ(create_interior_mesh(scene, ruv_string("ent_box")), 1);
  ASSERT_EQ(scene.pending_entities.size(), 1u);
  entity& interior = *scene.pending_entities[0];
  EXPECT_EQ(interior.get_type_id(), strategic_entity_type);
  scene.update_entities(0.0f);
  EXPECT_EQ(interior.get_bounding_radius(), 100000.0f);
  EXPECT_EQ(test::fatal_message([&] { create_interior_mesh(scene, ruv_string("int_nowhere")); }),
            "Error unable to find interior mesh int_nowhere");
}

TEST_F(scene_attachments_test, flora_bodies_skip_kinds_without_variants) {
  scene_world scene(vec3(0, 0, 0), vec3(40, 40, 0), 2, 2, 0);
  const body* ball = static_cast<const body*>(g_resource_manager.find(body_resource_type_id, ruv_string("ent_ball")));
  ASSERT_NE(ball, nullptr);
  std::vector<std::vector<const body*>> kinds = {{nullptr, ball}, {}};
  std::vector<placed_flora> flora(4);
  flora[0] = {0, 3, frame::identity()};  // variant 3 of 2: the second
  flora[0].placement.origin = vec3(30, 30, 0);
  flora[1] = {0, 0, frame::identity()};  // no body
  flora[2] = {1, 5, frame::identity()};  // no variants at all
  flora[3] = {7, 0, frame::identity()};  // no such kind
  add_flora_bodies(scene, flora, kinds);
  EXPECT_EQ(flora[0].variant, 1);
  EXPECT_EQ(flora[2].variant, 5);
  ASSERT_EQ(scene.bodies.size(), 1u);
  EXPECT_EQ(scene.bodies[0]->flags & 0x200u, 0x200u);
  EXPECT_EQ(scene.bodies[0]->cell_min_x, 2);  // placed at x 30: the second inner cell
}

TEST_F(scene_attachments_test, duplicating_a_lod_group_copies_every_level) {
  lod_mesh_group g;
  g.name = "grp";
  auto a = test::make_box_mesh("a", vec3(), vec3(1, 1, 1), nullptr);
  auto b = test::make_box_mesh("b", vec3(), vec3(1, 1, 1), nullptr);
  g.add_mesh(0, a.get());
  g.add_mesh(2, b.get());
  std::unique_ptr<lod_mesh_group> copy = g.duplicate();
  EXPECT_EQ(copy->name, "grp");
  EXPECT_EQ(copy->lod_count, 3);
  ASSERT_EQ(copy->lods[2].size(), 1u);
  EXPECT_NE(copy->lods[2][0], b.get());
  EXPECT_EQ(copy->lods[2][0]->name, "b");
  EXPECT_TRUE(copy->lods[1].empty());
}

}  // namespace
}  // namespace hm
