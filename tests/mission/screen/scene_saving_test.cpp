// Saving an edited scene: the new file replaces the old one only when it was
// written whole; a failed save keeps the old file and leaves no temporary.
#include "mission/screen/scene_saving.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/core/stream.h"
#include "mission/records/mission.h"
#include "module/records/scene_prop.h"
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

// The mission's props written back into the file it was read from: a moved
// and changed prop updates its own record, a prop placed in the mission is
// appended, and the records the mission does not edit stay as they were.
TEST_F(SceneSaving, AnEditedSceneKeepsItsRecordsAndGainsTheNewProps) {
  g_scene_prop_kinds.assign(4, scene_prop());
  const char* ids[4] = {"a", "b", "c", "d"};
  for (int k = 0; k < 4; ++k) g_scene_prop_kinds[static_cast<std::size_t>(k)].id = ruv_string(ids[k]);
  objects.prop_instances[1].object_class = 1;  // an entry point
  objects.prop_instances[1].variation_id = 5;
  ASSERT_TRUE(save_scene_objects(path, objects, 0));

  mission m;
  frame moved = frame::identity();
  moved.origin = vec3(7.0f, 8.0f, 9.0f);
  const int well = m.add_scene_prop_instance(prop_kind_object, 2, 0, moved);
  m.scene_prop_instances[static_cast<std::size_t>(well)].scene_record = 0;
  const int entry = m.add_scene_prop_instance(prop_kind_entry, -1, 5, frame::identity());
  m.scene_prop_instances[static_cast<std::size_t>(entry)].scene_record = 1;
  const int added = m.add_scene_prop_instance(prop_kind_object, 1, 0, moved);
  ASSERT_TRUE(save_edited_scene(m, path, "scn_town"));
  EXPECT_EQ(m.scene_prop_instances[static_cast<std::size_t>(added)].scene_record, 2);

  const std::string bytes = contents(path);
  binary_reader in;
  in.open_memory("saved", bytes.data(), bytes.size());
  scene_objects back;
  std::vector<scene_prop_kind_ref> kinds;
  for (const char* id : ids) kinds.push_back({ruv_string(id), 0});
  read_scene_objects(in, back, 0, kinds);
  ASSERT_EQ(back.prop_instances.size(), 3u);
  EXPECT_EQ(back.prop_instances[0].kind_id, 2);
  EXPECT_FLOAT_EQ(back.prop_instances[0].placement.origin.x, 7.0f);
  EXPECT_EQ(back.prop_instances[1].object_class, 1);
  EXPECT_EQ(back.prop_instances[1].variation_id, 5);
  EXPECT_FLOAT_EQ(back.prop_instances[1].placement.origin.z, 3.0f);
  EXPECT_EQ(back.prop_instances[2].object_class, 0);
  EXPECT_EQ(back.prop_instances[2].kind_id, 1);
  EXPECT_FLOAT_EQ(back.prop_instances[2].placement.origin.y, 8.0f);

  // A scene whose file cannot be read is not written from scratch.
  const std::string missing = (dir / "scn_missing.sco").string();
  EXPECT_FALSE(save_edited_scene(m, missing, "scn_missing"));
  EXPECT_FALSE(fs::exists(missing));
  g_scene_prop_kinds.clear();
}

}  // namespace
}  // namespace hm
