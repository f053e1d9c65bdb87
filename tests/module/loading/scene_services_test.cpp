#include "module/loading/scene_services.h"

#include <gtest/gtest.h>

#include "module/data/data_files.h"
#include "module/records/particle_system.h"

namespace hm {
namespace {

TEST(scene_services_test, particle_records_and_horse_codes_reach_the_scene_layer) {
  particle_system_table table;
  particle_system_record r;
  r.flags = 2;
  r.mesh_name = "prt_dust";
  r.life = 3.0f;
  r.alpha[0] = {0.1f, 0.8f};
  r.alpha[1] = {0.9f, 0.0f};
  r.emit_velocity = vec3(0, 0, 2);
  table.records.push_back(r);
  table.codes[4] = 0;
  table.codes[9] = 0;
  module_particle_systems view(table);
  ASSERT_EQ(view.count(), 1);
  const particle_system_settings& s = view.settings(0);
  EXPECT_EQ(s.flags, 2u);
  EXPECT_EQ(s.mesh_name, "prt_dust");
  EXPECT_EQ(s.life, 3.0f);
  EXPECT_EQ(s.alpha_keys[0], 0.1f);
  EXPECT_EQ(s.alpha_keys[1], 0.8f);
  EXPECT_EQ(s.alpha_keys[2], 0.9f);
  EXPECT_EQ(s.emit_velocity.z, 2.0f);

  horse_particle_setup setup;
  set_horse_particle_slots(table, setup);
  EXPECT_EQ(setup.trail[0], 0);
  EXPECT_EQ(setup.trail[1], -1);
  EXPECT_EQ(setup.water[2], 0);
}

TEST(scene_services_test, skybox_as_time_of_day_lighting) {
  skybox sky;
  sky.flags = 0x10000000;
  sky.latitude = 45.0f;
  sky.sun_color = vec3(0.9f, 0.8f, 0.7f);
  sky.ambient_color[2] = 0.4f;
  sky.fog_color = 0xff102030u;
  const skybox_lighting l = to_skybox_lighting(sky);
  EXPECT_EQ(l.flags, skybox_flag_weak_sun);
  EXPECT_EQ(l.latitude, 45.0f);
  EXPECT_EQ(l.sun_colour.y, 0.8f);
  EXPECT_EQ(l.ambient_colour.b, 0.4f);
  EXPECT_EQ(l.fog_colour, 0xff102030u);
}

}  // namespace
}  // namespace hm
