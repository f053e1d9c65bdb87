// Saving an edited scene: the file changes by exactly the edit (a moved prop,
// a deleted prop, a new one) and keeps every other byte; a save that cannot
// be written keeps the old file and the edit.
#include "editor/scene_file/scene_edit_save.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "editor/selection/object_selection.h"
#include "engine/core/stream.h"
#include "mission/records/mission.h"
#include "module/records/scene_prop.h"
#include "render/scene/scene_objects.h"
#include "render/terrain/ground_paint.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

stored_scene_object record(std::int32_t object_class, std::int32_t kind, const char* name, float x,
                           std::int32_t variation = 0, std::int32_t variation_2 = 0) {
  stored_scene_object r;
  r.object_class = object_class;
  r.kind_id = kind;
  r.name = ruv_string(name);
  r.initial_frame.origin = vec3(x, 2.0f, 3.0f);
  r.initial_frame.rot.s = vec3(0.0f, 1.0f, 0.0f);
  r.initial_frame.rot.f = vec3(-1.0f, 0.0f, 0.0f);
  r.placement = r.initial_frame;
  r.scale = vec3(1.5f, 1.0f, 0.5f);
  r.variation_id = variation;
  r.variation_id_2 = variation_2;
  return r;
}

std::string bytes_of(const scene_objects& s) {
  binary_writer w;
  write_scene_objects(w, s, 0);
  return std::string(w.contents());
}

std::string contents(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SceneEditSave : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("scene_edit_save_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "scn_field.sco").string();
    g_scene_prop_kinds.assign(3, scene_prop());
    const char* ids[3] = {"spr_barrel", "spr_wall", "spr_tree"};
    for (int k = 0; k < 3; ++k) g_scene_prop_kinds[static_cast<std::size_t>(k)].id = ruv_string(ids[k]);
    original.prop_instances = {record(0, 0, "spr_barrel", 1.0f), record(1, 0, "", 2.0f, 4),
                               record(0, 1, "spr_wall", 3.0f), record(5, 0, "", 4.0f, 2, 7),
                               record(0, 2, "spr_tree", 5.0f, 1, 3)};
    original.ai_mesh_data = std::string("\x03\x00\x00\x00xyz", 7);
    original.ground_paint_data = std::string("\x00\x00\x00\x00\x05\x00\x00\x00\x05\x00\x00\x00", 12);
    { std::ofstream(path, std::ios::binary) << bytes_of(original); }
    // The mission as set-up makes it from the file.
    for (std::size_t r = 0; r < original.prop_instances.size(); ++r) {
      const stored_scene_object& s = original.prop_instances[r];
      const int i = m.add_scene_prop_instance(s.object_class, s.object_class == 1 ? -1 : s.kind_id, s.variation_id,
                                              s.initial_frame);
      scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(i)];
      p.variation = s.variation_id;
      p.variation_2 = s.variation_id_2;
      p.scale = s.scale;
      p.scene_record = static_cast<std::int32_t>(r);
    }
  }
  void TearDown() override {
    fs::remove_all(dir);
    g_scene_prop_kinds.clear();
  }

  fs::path dir;
  std::string path;
  scene_objects original;
  mission m;
};

TEST_F(SceneEditSave, TheFileHoldsExactlyTheEditAndTheRestByteForByte) {
  // Move the barrel, delete the wall, place a tree.
  m.scene_prop_instances[0].current_frame.origin.x += 10.0f;
  delete_scene_prop_instance(m, 2);
  frame at = frame::identity();
  at.origin = vec3(20.0f, 21.0f, 22.0f);
  const int tree = m.add_scene_prop_instance(0, 2, 0, at);
  m.scene_prop_instances[static_cast<std::size_t>(tree)].scale = vec3(2.0f, 2.0f, 2.0f);

  ASSERT_TRUE(save_scene_edit(m, path, "scn_field", nullptr, nullptr));

  scene_objects expected = original;
  expected.prop_instances[0].initial_frame.origin.x = 11.0f;
  expected.prop_instances.erase(expected.prop_instances.begin() + 2);
  stored_scene_object added;
  added.object_class = 0;
  added.kind_id = 2;
  added.name = ruv_string("spr_tree");
  added.initial_frame = at;
  added.scale = vec3(2.0f, 2.0f, 2.0f);
  expected.prop_instances.push_back(added);
  EXPECT_EQ(contents(path), bytes_of(expected));
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  // The instances now name their records in the new file.
  EXPECT_EQ(m.scene_prop_instances[0].scene_record, 0);
  EXPECT_EQ(m.scene_prop_instances[2].scene_record, 2);  // the passage
  EXPECT_EQ(m.scene_prop_instances[static_cast<std::size_t>(tree)].scene_record, 4);

  // A second save without further edits writes the same bytes again.
  const std::string once = contents(path);
  ASSERT_TRUE(save_scene_edit(m, path, "scn_field", nullptr, nullptr));
  EXPECT_EQ(contents(path), once);
}

TEST_F(SceneEditSave, NewSectionsReplaceOnlyTheirOwnPart) {
  ground_paint paint;
  paint.layer_count = 1;
  paint.size_x = 2;
  paint.size_y = 2;
  paint.layers[0].id = ground_paint_elevation_id;
  paint.layers[0].name = ruv_string("elevation");
  const std::string mesh = "new mesh";
  ASSERT_TRUE(save_scene_edit(m, path, "scn_field", &paint, &mesh));
  scene_objects expected = original;
  store_scene_edit_buffers(expected, &paint, &mesh);
  EXPECT_EQ(expected.ai_mesh_data, mesh);
  binary_writer w;
  write_ground_paint(w, paint);
  EXPECT_EQ(expected.ground_paint_data, std::string(w.contents()));
  EXPECT_EQ(contents(path), bytes_of(expected));
}

TEST_F(SceneEditSave, AFailedSaveKeepsTheOldFileAndTheInstancesRecords) {
  const std::string before = contents(path);
  delete_scene_prop_instance(m, 0);
  fs::create_directories(path + ".tmp");  // the temporary cannot be made
  EXPECT_FALSE(save_scene_edit(m, path, "scn_field", nullptr, nullptr));
  EXPECT_EQ(contents(path), before);
  // The records still point into the file on disk, so a later save is right.
  EXPECT_EQ(m.scene_prop_instances[0].scene_record, 1);
  fs::remove_all(path + ".tmp");
  ASSERT_TRUE(save_scene_edit(m, path, "scn_field", nullptr, nullptr));
  scene_objects expected = original;
  expected.prop_instances.erase(expected.prop_instances.begin());
  EXPECT_EQ(contents(path), bytes_of(expected));
}

TEST_F(SceneEditSave, AMissingFileStartsANewScene) {
  fs::remove(path);
  ASSERT_TRUE(save_scene_edit(m, path, "scn_field", nullptr, nullptr));
  const std::string bytes = contents(path);
  binary_reader in;
  in.open_memory("saved", bytes.data(), bytes.size());
  scene_objects back;
  read_scene_objects(in, back, 0, {});
  EXPECT_EQ(back.prop_instances.size(), 5u);
}

}  // namespace
}  // namespace hm
