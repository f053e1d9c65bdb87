// Saving an edited scene: the new file replaces the old one only when it was
// written whole; a failed save keeps the old file and leaves no temporary.
#include "mission/screen/scene_saving.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/core/stream.h"
#include "render/scene/scene_objects.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

class SceneSaving : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("scene_saving_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "scn_town.sco").string();
    stored_scene_object p;
    p.kind_id = 3;
    p.name = ruv_string("well");
    p.placement.origin = vec3(1.0f, 2.0f, 3.0f);
    p.initial_frame = p.placement;
    objects.prop_instances.push_back(p);
    objects.prop_instances.push_back(p);
  }
  void TearDown() override { fs::remove_all(dir); }

  static std::string contents(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir;
  std::string path;
  scene_objects objects;
};

TEST_F(SceneSaving, ASavedSceneReadsBackWithItsObjects) {
  { std::ofstream(path) << "old scene"; }
  ASSERT_TRUE(save_scene_objects(path, objects, 0));
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  const std::string bytes = contents(path);
  binary_reader in;
  in.open_memory("saved", bytes.data(), bytes.size());
  scene_objects back;
  read_scene_objects(in, back, 0, {{ruv_string("a"), 0}, {ruv_string("b"), 0}, {ruv_string("c"), 0},
                                   {ruv_string("d"), 0}});
  ASSERT_EQ(back.prop_instances.size(), 2u);
  EXPECT_EQ(back.prop_instances[1].kind_id, 3);
  EXPECT_FLOAT_EQ(back.prop_instances[1].placement.origin.z, 3.0f);
}

TEST_F(SceneSaving, AFailedSaveKeepsTheOldFile) {
  { std::ofstream(path) << "old scene"; }
  // The temporary cannot be made: a folder stands in its place.
  fs::create_directories(path + ".tmp");
  EXPECT_FALSE(save_scene_objects(path, objects, 0));
  EXPECT_EQ(contents(path), "old scene");
}

TEST_F(SceneSaving, AFullDiskKeepsTheOldFile) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  { std::ofstream(path) << "old scene"; }
  // Every write to the temporary fails once its buffer goes out.
  fs::create_symlink("/dev/full", path + ".tmp");
  EXPECT_FALSE(save_scene_objects(path, objects, 0));
  EXPECT_EQ(contents(path), "old scene");
  EXPECT_FALSE(fs::exists(fs::symlink_status(path + ".tmp")));
}

TEST_F(SceneSaving, AMissingFolderWritesNothing) {
  const std::string missing = (dir / "no_folder" / "scn.sco").string();
  EXPECT_FALSE(save_scene_objects(missing, objects, 0));
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
}  // namespace hm
