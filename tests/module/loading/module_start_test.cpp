// Starting a module: the sample module loads from the repository's data folder
// with the resource files the build converted (no stand-ins), so every name its
// Data files and actions use must exist in its resources, and its skeletons
// must agree with the skeleton bodies. Also the choice of module and the fatal
// errors of a module that cannot be started.
#include "module/loading/module_start.h"

#include "module/loading/module_loading.h"
#include "module/text/translation_table.h"

#include <gtest/gtest.h>

#include "engine/settings/ruv_config.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/resource/body.h"
#include "engine/collision/composite_body.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "module/records/action_table.h"
#include "module/data/data_files.h"
#include "module/loading/module_info.h"
#include "module/base/module_paths.h"
#include "module/base/module_settings.h"
#include "module/data/skeleton_bodies.h"
#include "module/records/item_kind.h"
#include "module/records/scene_prop.h"
#include "module/media/skin.h"
#include "module/media/tableau_material.h"
#include "module/text/translation_table.h"
#include "engine/audio/sound_manager.h"
#include "module/support/module_test_support.h"
#include "platform/fs.h"
#include "platform/settings_store.h"

namespace hm {
namespace {

using test::fatal_message;
using test::scoped_generated_folder;

// Points the user's configuration folder at a temporary folder while alive.
class scoped_config_home {
 public:
  explicit scoped_config_home(const std::filesystem::path& folder) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) previous_ = old;
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  }
  ~scoped_config_home() {
    if (previous_)
      setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }

 private:
  std::optional<std::string> previous_;
};

// What loading the core files and then the sample module left, once per
// process (a resource name cannot be registered twice).
struct sample_start {
  std::string log;
  std::string module_name;
  std::string resource_folder;
};

const sample_start& start_sample() {
  static const sample_start result = [] {
    test::scoped_working_folder in_data(HOOFMARCH_DATA_DIR);
    scoped_generated_folder generated(HOOFMARCH_BINARY_DIR "/data");
    test::log_capture capture;
    for (const char* name : {"core_shaders", "core_textures", "core_materials", "core_ui_meshes", "core_pictures"})
      g_resource_manager.load_resource_file(ruv_string(name), 0);
    g_module_settings.set_defaults();
    load_module_info_and_data_files("Sample");
    load_skeleton_bodies("Data\\skeleton_bodies.xml");
    load_translations(module_folder_path().view());
    load_module_data();
    return sample_start{capture.text(), module_name().c_str(), g_resource_manager.module_folder.c_str()};
  }();
  return result;
}

class SampleModuleStart : public ::testing::Test {
 protected:
  void SetUp() override { start_sample(); }
};

TEST_F(SampleModuleStart, LoadsTheModuleResourcesInTheOrderOfModuleIni) {
  const std::string& log = start_sample().log;
  const std::string expected =
      "Loading Module Resource sample_materials\n"
      "Loading Module Resource sample_meshes\n"
      "Loading Module Resource sample_bodies\n"
      "Loading Module Resource sample_skeletons\n"
      "Loading Module Resource sample_props\n"
      "Loading Module Resource sample_faces\n"
      "Loading Module Resource sample_characters\n"
      "Loading Module Resource sample_map_meshes\n"
      "Module_name = Sample\n";
  EXPECT_EQ(log.rfind(expected, 0), 0u) << log;
  EXPECT_EQ(log.find("WARNING"), std::string::npos) << log;
  EXPECT_EQ(log.find("Unrecognized"), std::string::npos) << log;
  EXPECT_EQ(start_sample().module_name, "Sample");
  EXPECT_EQ(start_sample().resource_folder, "Modules\\Sample\\");
  EXPECT_EQ(g_module_settings.module_name, "Sample");
}

// The module's text files after the Data files find their resources: the
// skin's head morphs by its two keys, props have their bounds, and the
// translations, sounds, tableau materials and item kinds are in place.
TEST_F(SampleModuleStart, RecordFilesFindTheirResources) {
  ASSERT_EQ(g_skins.count(), 1);
  const skin& man = g_skins.skins[0];
  EXPECT_EQ(man.calf_right->name, "calf_r");
  EXPECT_EQ(man.hand_right->name, "hand_r");
  ASSERT_EQ(man.face_keys.size(), 2u);
  ASSERT_EQ(man.face_keys[0].offsets.size(), 7u);
  EXPECT_NEAR(man.face_keys[0].offsets[4].y, -0.05f, 1e-6f);  // the nose
  EXPECT_NEAR(man.face_keys[1].offsets[0].z, -0.03f, 1e-6f);  // the chin
  EXPECT_EQ(man.voices[0], g_sound_manager.find_sound("snd_hide"));
  // The sample's constraint lifts the two sliders from 0.5 to 0.75.
  EXPECT_FLOAT_EQ(g_skins.sliders[0], 0.75f);
  EXPECT_FLOAT_EQ(g_skins.sliders[1], 0.75f);

  float weights[face_morph_slots] = {};
  weights[0] = 1.0f;  // factor 1.0
  const built_face face = build_face_mesh(*man.head_mesh, man.face_keys, weights, 1.0f, man.hair_meshes[0],
                                          &man.hair_point_maps[0]);
  const std::vector<mesh_point>& p = face.head->get_points();
  ASSERT_EQ(p.size(), 10u);  // seven half-head points and the mirrors of the three off the plane
  EXPECT_NEAR(p[4].position.y, -0.19f, 1e-6f);
  EXPECT_NEAR(p[0].position.z, 0.03f, 1e-6f);  // the chin key at weight 0: factor -1

  const int barrel = find_scene_prop_kind("spr_barrel");
  ASSERT_GE(barrel, 0);
  EXPECT_FLOAT_EQ(g_scene_prop_kinds[static_cast<std::size_t>(barrel)].box_max.z, 1.0f);
  EXPECT_EQ(g_tableau_materials.codes[0], 0);
  EXPECT_EQ(g_sound_manager.slot_sound_ids[0], 0);
  EXPECT_EQ(translate_record_name("itm_sword", "Sword"), "Arming Sword");
  EXPECT_EQ(g_item_kinds[static_cast<std::size_t>(find_item_kind("itm_saddle_horse"))].type(), item_type::horse);
}

// Every material a ground spec record names is the module's own, not the
// "default" a missing name falls back to.
TEST_F(SampleModuleStart, GroundSpecsFindTheirMaterials) {
  for (const ground_spec& spec : g_ground_specs) {
    ASSERT_NE(spec.ground_material, nullptr) << spec.name.c_str();
    EXPECT_EQ(spec.ground_material->name, spec.material_name) << spec.name.c_str();
    if (spec.detail_material_name.equals_cstr("none")) {
      EXPECT_EQ(spec.detail_material, nullptr) << spec.name.c_str();
    } else {
      ASSERT_NE(spec.detail_material, nullptr) << spec.name.c_str();
      EXPECT_EQ(spec.detail_material->name, spec.detail_material_name) << spec.name.c_str();
    }
  }
}

// Flora meshes are real shapes standing on the ground, and the pine's body is
// a composite of convex parts.
TEST_F(SampleModuleStart, FloraFindsMeshesWithVolumeAndBodies) {
  ASSERT_FALSE(g_flora_kinds.empty());
  for (const flora_kind& kind : g_flora_kinds) {
    for (const flora_variant& v : kind.variants) {
      ASSERT_NE(v.mesh, nullptr) << v.mesh_name.c_str();
      EXPECT_EQ(v.mesh->name, v.mesh_name);
      EXPECT_FALSE(v.mesh->get_faces().empty()) << v.mesh_name.c_str();
      ASSERT_NE(v.mesh->mat, nullptr) << v.mesh_name.c_str();
      EXPECT_EQ(v.mesh->mat->name, v.mesh->material_name) << v.mesh_name.c_str();
      EXPECT_FLOAT_EQ(v.box_min.z, 0.0f) << v.mesh_name.c_str();
      EXPECT_GT(v.box_max.z, 0.2f) << v.mesh_name.c_str();
      EXPECT_LT(v.box_min.x, v.box_max.x) << v.mesh_name.c_str();
      EXPECT_LT(v.box_min.y, v.box_max.y) << v.mesh_name.c_str();
      if (v.body_name.equals_cstr("0")) continue;
      ASSERT_NE(v.collision_body, nullptr) << v.body_name.c_str();
      EXPECT_EQ(v.collision_body->name, v.body_name);
      ASSERT_NE(v.collision_body->part, nullptr);
      EXPECT_EQ(v.collision_body->part->get_type_id(), composite_body_type_id);
      EXPECT_GE(static_cast<const composite_body&>(*v.collision_body->part).part_count(), 1);
    }
  }
}

// Each action plays an animation whose keys cover its frame range, with one
// channel per bone of the skeleton of its kind (horse actions name anim_horse).
TEST_F(SampleModuleStart, ActionsPlayAnimationsThatCoverTheirFrames) {
  ASSERT_GE(g_action_table.count(), 1);
  for (const action_record& action : g_action_table.actions) {
    for (const action_sequence& seq : action.sequences) {
      ASSERT_NE(seq.animation, nullptr) << seq.animation_name.c_str();
      const skeleton_anim& anim = *seq.animation;
      const bool horse = anim.name.equals_cstr("anim_horse");
      const skeleton* skel = g_resource_manager.get_skeleton(ruv_string(horse ? "skel_horse" : "skel_human"));
      EXPECT_EQ(static_cast<int>(anim.channels.size()), skel->bone_count) << anim.name.c_str();
      for (const rotation_track& channel : anim.channels) {
        ASSERT_GE(channel.key_count, 1) << anim.name.c_str();
        EXPECT_LE(channel.times.front(), seq.first_frame) << anim.name.c_str();
        EXPECT_GE(channel.times.back(), seq.last_frame) << anim.name.c_str();
      }
      ASSERT_GE(anim.root_track.key_count, 1) << anim.name.c_str();
      EXPECT_LE(anim.root_track.times.front(), seq.first_frame);
      EXPECT_GE(anim.root_track.times.back(), seq.last_frame);
    }
  }
}

// The skeleton bodies describe the skeletons' own bones, index by index, and
// the capsules of the legs hang down from the hips in the rest pose.
TEST_F(SampleModuleStart, SkeletonBodiesMatchTheSkeletons) {
  ASSERT_EQ(g_skeleton_bodies.size(), 2u);
  for (const skeleton_body& sb : g_skeleton_bodies) {
    const skeleton* skel = g_resource_manager.get_skeleton(sb.skeleton_name);
    ASSERT_LE(static_cast<int>(sb.bones.size()), skel->bone_count) << sb.skeleton_name.c_str();
    for (std::size_t i = 0; i < sb.bones.size(); ++i)
      EXPECT_EQ(skel->bones[i].name, sb.bones[i].name) << sb.skeleton_name.c_str() << " bone " << i;
    for (int i = 0; i < skel->bone_count; ++i) EXPECT_LT(skel->bones[i].parent, i);
  }

  const skeleton* human = g_resource_manager.get_skeleton(ruv_string("skel_human"));
  const skeleton_body& human_body = g_skeleton_bodies[0];
  ASSERT_TRUE(human_body.skeleton_name.equals_cstr("skel_human"));
  for (int leg : {1, 2}) {
    const skeleton_bone_def& bone = human->bones[static_cast<std::size_t>(leg)];
    const skeleton_body_part& capsule = human_body.bones[static_cast<std::size_t>(leg)].body_parts.at(0);
    const vec3 along = bone.world_frame.rotate_vector_to_global(capsule.pos2 - capsule.pos);
    EXPECT_LT(along.z, -0.4f) << bone.name.c_str();
    EXPECT_LT(bone.world_frame.origin.z, human->bones[0].world_frame.origin.z);
  }
  const skeleton_bone_def& head = human->bones[4];
  EXPECT_GT(head.world_frame.origin.z, human->bones[3].world_frame.origin.z);

  fix_skeletons();
  const skeleton_body_bone* neck = find_skeleton_bone_body(*g_resource_manager.get_skeleton(ruv_string("skel_horse")), 1);
  ASSERT_NE(neck, nullptr);
  EXPECT_FLOAT_EQ(neck->bone_mass, 40.0f);
}

// --- modules that cannot be started, and the choice of module ---

TEST(ModuleStart, MissingModuleFolderOrInfoFileIsFatal) {
  test::temp_folder game;
  game.write("Modules/NoInfo/game_variables.txt", "");
  // A real module that a name with separators would reach; the message lists
  // it, and not the folder without module.ini.
  game.write("Modules/Sample/module.ini", "");
  test::scoped_working_folder in_game(game.path());
  struct row {
    const char* name;
    std::string message;
  };
  const row rows[] = {
      {"Gone", "Unable to find module folder Modules\\Gone\\ (modules: Sample)"},
      {"", "Unable to find module folder Modules\\\\ (modules: Sample)"},
      {"..", "Unable to find module folder Modules\\..\\ (modules: Sample)"},
      {"NoInfo/../Sample", "Unable to find module folder Modules\\NoInfo/../Sample\\ (modules: Sample)"},
      {"NoInfo", "Unable to find module info file Modules/NoInfo/module.ini"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(fatal_message([&] { load_module_info_and_data_files(r.name); }), r.message) << r.name;
  }
}

TEST(ModuleStart, MissingInfoOrMusicFileIsNamedInTheLog) {
  test::temp_folder game;
  game.write("Modules/NoMusic/module.ini", "");
  game.write("Modules/NoInfo/game_variables.txt", "");
  test::scoped_working_folder in_game(game.path());
  const int disable_music = g_ruv_config.disable_music, disable_sound = g_ruv_config.disable_sound;
  g_ruv_config.disable_music = 0;
  g_ruv_config.disable_sound = 0;
  {
    test::log_capture log;
    EXPECT_EQ(fatal_message([] { load_module_info_and_data_files("NoInfo"); }), "Unable to find module info file Modules/NoInfo/module.ini");
    EXPECT_EQ(log.lines_starting_with("Unable to open Modules\\NoInfo\\module.ini").size(), 1u) << log.text();
  }
  {
    test::log_capture log;
    EXPECT_EQ(fatal_message([] { load_module_info_and_data_files("NoMusic"); }), "Unable to find module music file");
    EXPECT_EQ(log.lines_starting_with("Unable to open Modules\\NoMusic\\music.txt").size(), 1u) << log.text();
  }
  // With music off, music.txt is not looked for at all.
  g_ruv_config.disable_music = 1;
  start_module("NoMusic");
  EXPECT_EQ(fatal_message([] { load_module_music(); }), "");
  g_ruv_config.disable_music = disable_music;
  g_ruv_config.disable_sound = disable_sound;
}

TEST(ModuleStart, ChoosesCommandLineThenLastModuleThenSample) {
  test::temp_folder game;
  game.write("Modules/Mine/module.ini", "");
  test::scoped_working_folder in_game(game.path());
  scoped_config_home config(game.path() / "config");
  struct row {
    std::optional<std::string> last_module;
    std::optional<std::string_view> command_line;
    const char* expected;
  };
  const row rows[] = {
      {std::nullopt, std::nullopt, "Sample"},
      {"Mine", std::nullopt, "Mine"},
      {"Mine", "Other", "Other"},  // the command line wins, even for a folder that is missing
      {"Gone", std::nullopt, "Sample"},  // a module removed since the last run
      {"", std::nullopt, "Sample"},
      {"..", std::nullopt, "Sample"},
  };
  for (const row& r : rows) {
    std::filesystem::remove_all(game.path() / "config");
    if (r.last_module) {
      ASSERT_TRUE(platform::write_setting("last_module", *r.last_module));
    }
    EXPECT_EQ(choose_module_name(r.command_line), r.expected) << r.last_module.value_or("(none)");
  }
}

}  // namespace
}  // namespace hm
