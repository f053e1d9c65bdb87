#include "render/entity/entity.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/collision/body_part.h"
#include "engine/core/stream.h"
#include "engine/support/resource_test_helpers.h"
#include "render/entity/dynamic_entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/entity/strategic_entity.h"
#include "render/support/scene_fixtures.h"

namespace hm {
namespace {

TEST(entity_test, factory_gives_the_kind_of_each_id) {
  for (int id = -1; id <= 12; ++id) {
    std::unique_ptr<entity> e = new_entity_of_type(id);
    const bool known = id == 0 || id == 1 || id == 5 || id == 7 || id == 9 || id == 11;
    ASSERT_EQ(e != nullptr, known) << id;
    if (e) {
      EXPECT_EQ(e->get_type_id(), id);
    }
  }
  EXPECT_STREQ(new_entity_of_type(7)->get_type_name(), "dynamic_entity");
  EXPECT_STREQ(new_entity_of_type(11)->get_type_name(), "skeleton_entity");
  EXPECT_TRUE(new_entity_of_type(5)->is_static());
  EXPECT_TRUE(new_entity_of_type(9)->is_mobile());
  EXPECT_TRUE(new_entity_of_type(7)->is_mobile());
  EXPECT_FALSE(new_entity_of_type(1)->is_mobile());
}

TEST(entity_test, kind_test_follows_the_type_bits) {
  struct {
    int t, w;
    bool is;
  } cases[] = {{7, 3, true}, {11, 3, true}, {9, 3, false}, {3, 3, true}, {5, 3, false}, {1, 3, false},
               {0, 0, true}, {9, 0, true},  {11, 0, true}, {7, 7, true}, {11, 7, false}, {3, 7, false}};
  for (const auto& c : cases) EXPECT_EQ(entity_is_of_kind(c.t, c.w), c.is) << c.t << " of " << c.w;
}

TEST(entity_test, without_a_body_the_origin_is_both_box_corners) {
  entity e;
  e.frame.origin = vec3(3, 4, 5);
  e.refresh_world_bounds();
  EXPECT_EQ(e.world_box_min.x, 3.0f);
  EXPECT_EQ(e.world_box_max.z, 5.0f);
}

TEST(entity_test, scale_stretches_the_frame_and_the_centre_stays_unscaled) {
  entity e;
  e.add_mesh(test::make_box_mesh("b", vec3(0, -1, 0), vec3(2, 1, 2), nullptr));
  frame f = frame::identity();
  f.origin = vec3(10, 0, 0);
  e.set_frame_and_scale(f, vec3(2, 1, 1));
  EXPECT_FLOAT_EQ(e.frame.rot.s.length(), 2.0f);
  EXPECT_FLOAT_EQ(e.frame.rot.f.length(), 1.0f);
  // The scaled box is (0, -1, 0) to (4, 1, 2): centre (2, 0, 1), radius sqrt(4 + 1 + 1).
  EXPECT_FLOAT_EQ(e.bounding_radius, std::sqrt(6.0f));
  EXPECT_FLOAT_EQ(e.bounding_centre.x, 1.0f);
  EXPECT_FLOAT_EQ(e.bounding_centre.z, 1.0f);
  const vec3 world = e.world_bounding_centre();
  EXPECT_FLOAT_EQ(world.x, 12.0f);
}

TEST(entity_test, lod_choice_by_factor) {
  struct {
    int count;
    float factor;
    int lod;
  } cases[] = {{2, 0.01f, 1}, {5, 0.01f, 4}, {5, 0.1f, 0}, {5, 0.06f, 1}, {5, 0.03f, 2}, {5, 0.02f, 3}, {1, 0.001f, 0},
               {3, 0.001f, 2}};
  for (const auto& c : cases) {
    lod_mesh_group g;
    g.lod_count = c.count;
    g.select_lod(c.factor);
    EXPECT_EQ(g.current_lod, c.lod) << c.count << " " << c.factor;
  }
}

TEST(entity_test, has_moved_lasts_one_step_after_the_move) {
  entity e;
  e.move_to(frame::identity());
  EXPECT_TRUE(e.has_moved());
  e.advance(0.1f);
  EXPECT_TRUE(e.has_moved());
  e.advance(0.1f);
  EXPECT_FALSE(e.has_moved());
}

TEST(entity_test, render_flags_replace_the_low_two_bits) {
  entity e;
  e.render_flags = 0xF0u | 3u;
  e.set_render_flags(1);
  EXPECT_EQ(e.render_flags, 0xF1u);
}

class entity_read_test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::register_entity_resources(); }

  // The record as both stream forms hold it.
  template <class Writer>
  static void write_record(Writer& w, const char* body, int count, std::initializer_list<const char*> meshes) {
    w.write_cstr(body);
    frame f = frame::identity();
    f.origin = vec3(1, 2, 3);
    write_frame(w, f);
    w.write_int(count);
    for (const char* m : meshes) w.write_cstr(m);
  }
};

TEST_F(entity_read_test, reads_each_kind_from_both_stream_forms) {
  for (int type : {0, 1, 5, 7, 9, 11}) {
    for (bool binary : {true, false}) {
      std::string bytes;
      if (binary) {
        binary_writer w;
        write_record(w, "ent_ball", 3, {"ent_box", "none", "ent_box2"});
        if (type == 11) w.write_cstr("none");
        bytes = test::bytes_of(w);
      } else {
        bytes = "ent_ball 1 0 0 0 1 0 0 0 1 1 2 3 3 ent_box none ent_box2";
        if (type == 11) bytes += " none";
      }
      std::unique_ptr<entity> e = new_entity_of_type(type);
      if (binary) {
        binary_reader r;
        r.open_memory("entity", bytes.data(), bytes.size());
        e->read(r);
        EXPECT_TRUE(r.at_end());
      } else {
        text_reader r;
        r.open_memory("entity", bytes.data(), bytes.size());
        e->read(r);
      }
      SCOPED_TRACE(std::to_string(type) + (binary ? " binary" : " text"));
      ASSERT_NE(e->body, nullptr);
      EXPECT_EQ(e->body->get_type_id(), sphere_type_id);
      EXPECT_EQ(e->frame.origin.y, 2.0f);
      ASSERT_EQ(e->meshes.size(), 3u);
      ASSERT_NE(e->meshes[0], nullptr);
      EXPECT_EQ(e->meshes[1], nullptr);
      EXPECT_EQ(e->meshes[2]->name, "ent_box2");
      // A private copy sharing the resource's geometry.
      EXPECT_NE(e->meshes[0].get(), g_resource_manager.find_mesh(ruv_string("ent_box")));
      // Writing leaves the stream as it is, in every kind.
      binary_writer out;
      e->write(out);
      EXPECT_TRUE(test::bytes_of(out).empty());
    }
  }
}

TEST_F(entity_read_test, null_mesh_slots_are_skipped_when_submitting) {
  const std::string text = "none 1 0 0 0 1 0 0 0 1 0 0 0 2 none ent_box";
  text_reader r;
  r.open_memory("entity", text.data(), text.size());
  entity e;
  e.read(r);
  EXPECT_EQ(e.body, nullptr);
  test::recording_view view;
  reflection_info reflection;
  e.submit_meshes(view, reflection);
  ASSERT_EQ(view.meshes.size(), 1u);
  EXPECT_EQ(view.meshes[0], e.meshes[1].get());
  EXPECT_EQ(reflection.found, 0);
  e.visible = 0;
  e.submit_meshes(view, reflection);
  EXPECT_EQ(view.meshes.size(), 1u);
}

TEST_F(entity_read_test, reflective_material_reports_its_height) {
  entity e;
  material water;
  water.flags = material_flag_reflective;
  e.add_mesh(test::make_box_mesh("water", vec3(0, 0, 0.5f), vec3(1, 1, 0.5f), &water));
  e.frame.origin = vec3(0, 0, 2);
  test::recording_view view;
  reflection_info reflection;
  e.submit_meshes(view, reflection);
  EXPECT_EQ(reflection.found, 1);
  EXPECT_FLOAT_EQ(reflection.height, 2.5f);
  e.meshes.clear();
}

TEST_F(entity_read_test, skeleton_entity_reads_its_attachments_and_skips_bad_bones) {
  binary_writer w;
  write_record(w, "none", 0, {});
  w.write_cstr("ent_skel");
  w.write_int(4);
  w.write_int(1).write_cstr("ent_box");
  w.write_int(7).write_cstr("ent_box");   // no such bone
  w.write_int(-1).write_cstr("ent_box");  // nor this
  w.write_int(2).write_cstr("none");
  const std::string bytes = test::bytes_of(w);
  binary_reader r;
  r.open_memory("entity", bytes.data(), bytes.size());
  skeleton_entity e;
  e.read(r);
  ASSERT_NE(e.animated_skeleton, nullptr);
  EXPECT_EQ(e.attachment_count, 4);
  EXPECT_EQ(e.animated_skeleton->bone_count, 3);
  EXPECT_EQ(e.animated_skeleton->bones[1].meshes.size(), 1u);
  EXPECT_TRUE(e.animated_skeleton->bones[0].meshes.empty());
  EXPECT_TRUE(e.animated_skeleton->bones[2].meshes.empty());
  EXPECT_TRUE(r.at_end());
}

TEST_F(entity_read_test, broken_records_are_fatal_with_a_clear_message) {
  {
    binary_writer w;
    write_record(w, "none", 1000000, {});
    const std::string bytes = test::bytes_of(w);
    const std::string message = test::fatal_message([&] {
      binary_reader r;
      r.open_memory("entity", bytes.data(), bytes.size());
      entity e;
      e.read(r);
    });
    EXPECT_NE(message.find("bad mesh count 1000000"), std::string::npos) << message;
  }
  {
    binary_writer w;
    write_record(w, "no_such_body", 0, {});
    const std::string bytes = test::bytes_of(w);
    const std::string message = test::fatal_message([&] {
      binary_reader r;
      r.open_memory("entity", bytes.data(), bytes.size());
      entity e;
      e.read(r);
    });
    EXPECT_NE(message.find("no_such_body"), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace hm
