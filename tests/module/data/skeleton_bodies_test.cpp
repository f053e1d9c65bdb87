#include "module/data/skeleton_bodies.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "module/support/module_test_support.h"

namespace hm {
namespace {

using test::fatal_message;

std::string document(const std::string& skeletons) {
  return "<?xml version=\"1.0\"?><Skeletons>" + skeletons + "</Skeletons>";
}

TEST(SkeletonBodies, MissingAttributesKeepTheDefaults) {
  load_skeleton_bodies_from_text(
      document("<s name=\"skel_a\"><Bones><b name=\"root\"><Bodies><c/></Bodies></b></Bones></s>").c_str());
  ASSERT_EQ(g_skeleton_bodies.size(), 1u);
  EXPECT_EQ(g_skeleton_bodies[0].skeleton_name, "skel_a");
  ASSERT_EQ(g_skeleton_bodies[0].bones.size(), 1u);
  const skeleton_body_bone& bone = g_skeleton_bodies[0].bones[0];
  EXPECT_EQ(bone.name, "root");
  EXPECT_FLOAT_EQ(bone.bone_mass, 2.0f);
  EXPECT_FLOAT_EQ(bone.cone_min, -0.01f);
  EXPECT_FLOAT_EQ(bone.cone_max, 1.0f);
  EXPECT_FLOAT_EQ(bone.twist_limit, 1.0f);
  EXPECT_FLOAT_EQ(bone.rotation_weights.length(), 0.0f);
  EXPECT_FLOAT_EQ(bone.socket_dir.x, 0.0f);
  EXPECT_FLOAT_EQ(bone.socket_dir.y, 1.0f);
  EXPECT_FLOAT_EQ(bone.socket_dir.z, 0.0f);
  ASSERT_EQ(bone.body_parts.size(), 1u);
  EXPECT_FLOAT_EQ(bone.body_parts[0].radius, 0.05f);
  EXPECT_FLOAT_EQ(bone.body_parts[0].pos2.length(), 0.0f);
}

TEST(SkeletonBodies, AttributesAreReadAndTheSocketDirectionNormalised) {
  load_skeleton_bodies_from_text(
      document(
          "<skeleton name=\"skel_a\"><Bones>"
          "<bone name=\"a\" bone_mass=\"12.5\" bone_cone_min=\"-0.6\" bone_cone_max=\"0.9\" bone_twist_limit=\"0.3\""
          " rotate_side=\"1\" rotate_forward=\"0.5\" rotate_up=\"0.25\" socket_dir_x=\"0\" socket_dir_y=\"0\""
          " socket_dir_z=\"2\"><Bodies>"
          "<capsule radius=\"0.14\" pos_x=\"1\" pos_y=\"2\" pos_z=\"3\" pos2_x=\"4\" pos2_y=\"5\" pos2_z=\"6\"/>"
          "<other pos_z=\"0.5\"/></Bodies></bone>"
          "<bone name=\"tiny\" socket_dir_x=\"0.001\" socket_dir_y=\"0.002\"/>"
          "<bone name=\"text\" bone_mass=\"heavy\" socket_dir_x=\"3\" socket_dir_y=\"4\"/>"
          "</Bones></skeleton>")
          .c_str());
  const auto& bones = g_skeleton_bodies.at(0).bones;
  ASSERT_EQ(bones.size(), 3u);
  EXPECT_FLOAT_EQ(bones[0].bone_mass, 12.5f);
  EXPECT_FLOAT_EQ(bones[0].cone_min, -0.6f);
  EXPECT_FLOAT_EQ(bones[0].cone_max, 0.9f);
  EXPECT_FLOAT_EQ(bones[0].twist_limit, 0.3f);
  EXPECT_FLOAT_EQ(bones[0].rotation_weights.x, 1.0f);
  EXPECT_FLOAT_EQ(bones[0].rotation_weights.y, 0.5f);
  EXPECT_FLOAT_EQ(bones[0].rotation_weights.z, 0.25f);
  EXPECT_FLOAT_EQ(bones[0].socket_dir.z, 1.0f);  // (0, 0, 2) becomes (0, 0, 1)
  EXPECT_FLOAT_EQ(bones[0].socket_dir.y, 0.0f);
  ASSERT_EQ(bones[0].body_parts.size(), 2u);
  const skeleton_body_part& c = bones[0].body_parts[0];
  EXPECT_FLOAT_EQ(c.radius, 0.14f);
  EXPECT_EQ(std::vector<float>({c.pos.x, c.pos.y, c.pos.z, c.pos2.x, c.pos2.y, c.pos2.z}),
            std::vector<float>({1, 2, 3, 4, 5, 6}));
  EXPECT_FLOAT_EQ(bones[0].body_parts[1].pos.z, 0.5f);
  EXPECT_FLOAT_EQ(bones[1].socket_dir.y, 1.0f);  // shorter than 0.01
  EXPECT_FLOAT_EQ(bones[2].bone_mass, 2.0f);     // not numeric: default kept
  EXPECT_FLOAT_EQ(bones[2].socket_dir.x, 0.6f);
  EXPECT_FLOAT_EQ(bones[2].socket_dir.y, 0.8f);
}

TEST(SkeletonBodies, LoadingAgainReplacesTheTable) {
  const std::string xml = document("<s name=\"a\"/><s name=\"b\"/>");
  load_skeleton_bodies_from_text(xml.c_str());
  load_skeleton_bodies_from_text(xml.c_str());
  ASSERT_EQ(g_skeleton_bodies.size(), 2u);
  EXPECT_EQ(g_skeleton_bodies[1].skeleton_name, "b");
  EXPECT_TRUE(g_skeleton_bodies[1].bones.empty());
}

TEST(SkeletonBodies, BrokenOrMissingFilesAreFatal) {
  const char* message = "Unable To Load Skeleton Body File!";
  EXPECT_EQ(fatal_message([] { load_skeleton_bodies_from_text("<Skeletons><s name=\"a\"></Skeletons>"); }), message);
  EXPECT_EQ(fatal_message([] { load_skeleton_bodies_from_text("<Other/>"); }), message);
  EXPECT_EQ(fatal_message([] { load_skeleton_bodies_from_text(""); }), message);
  // Nesting that would overflow the parser's stack.
  std::string deep = "<Skeletons>";
  for (int i = 0; i < 40000; ++i) deep += "<s>";
  EXPECT_EQ(fatal_message([&] { load_skeleton_bodies_from_text(deep.c_str()); }), message);
  EXPECT_EQ(fatal_message([] { load_skeleton_bodies("Data\\no_such_skeleton_bodies.xml"); }),
            "Unable To Load Skeleton Body File! Data\\no_such_skeleton_bodies.xml");
  EXPECT_EQ(fatal_message([] { load_skeleton_bodies_from_text("<Other/>", "Data\\skeleton_bodies.xml"); }),
            "Unable To Load Skeleton Body File! Data\\skeleton_bodies.xml");
}

TEST(FixSkeletons, CopiesBonesUpToTheSmallerCount) {
  test::register_test_resources();
  clear_skeleton_bone_bodies();
  load_skeleton_bodies_from_text(
      document(
          "<s name=\"skel_small\"><Bones>"
          "<b name=\"hips\" bone_mass=\"9\"/><b name=\"chest\" bone_mass=\"8\"/><b name=\"extra\" bone_mass=\"7\"/>"
          "</Bones></s>"
          "<s name=\"skel_horse\"><Bones><b name=\"withers\" bone_mass=\"200\"/></Bones></s>")
          .c_str());
  fix_skeletons();
  skeleton* small = g_resource_manager.get_skeleton(ruv_string("skel_small"));
  skeleton* horse = g_resource_manager.get_skeleton(ruv_string("skel_horse"));
  EXPECT_EQ(small->bones[0].name, "hips");
  EXPECT_EQ(small->bones[1].name, "chest");
  ASSERT_NE(find_skeleton_bone_body(*small, 1), nullptr);
  EXPECT_FLOAT_EQ(find_skeleton_bone_body(*small, 1)->bone_mass, 8.0f);
  EXPECT_EQ(find_skeleton_bone_body(*small, 2), nullptr);  // the skeleton has two bones
  // Surplus skeleton bones keep their own names and get no description.
  EXPECT_EQ(horse->bones[0].name, "withers");
  EXPECT_EQ(horse->bones[1].name, "bone_1");
  EXPECT_EQ(find_skeleton_bone_body(*horse, 1), nullptr);

  load_skeleton_bodies_from_text(document("<s name=\"skel_unknown\"/>").c_str());
  EXPECT_EQ(fatal_message([] { fix_skeletons(); }), "get_object failed for: skel_unknown");
  clear_skeleton_bone_bodies();
}

}  // namespace
}  // namespace hm
