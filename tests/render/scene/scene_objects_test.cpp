#include "render/scene/scene_objects.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "render/terrain/ai_mesh.h"
#include "render/terrain/ground_paint.h"
#include "render/support/message_log_materials.h"
#include "render/view/message_log.h"

namespace hm {
namespace {

const std::vector<scene_prop_kind_ref> prop_kinds = {{"spr_empty", 0}, {"spr_chair", 50}, {"spr_wall", 1000}};
const std::vector<ruv_string> ground_names = {"gray_stone", "turf", "snow"};

stored_scene_object prop(std::int32_t object_class, std::int32_t kind, const char* name, std::int32_t source = 0) {
  stored_scene_object p;
  p.object_class = object_class;
  p.kind_id = kind;
  p.initial_frame = frame::identity();
  p.initial_frame.origin = vec3(1.5f, -2.0f, 3.25f);
  p.initial_frame.rotate_z(0.5f);
  p.placement = p.initial_frame;
  p.name = name;
  p.variation_id = 7;
  p.variation_id_2 = -3;
  p.scale = vec3(1.0f, 2.0f, 0.5f);
  p.source = source;
  return p;
}

ground_paint sample_paint() {
  ground_paint paint;
  paint.layer_count = 3;
  paint.size_x = 5;
  paint.size_y = 4;
  const std::size_t square = static_cast<std::size_t>(ground_paint_stride) * ground_paint_stride;
  paint.layers[0].id = 1;
  paint.layers[0].name = "turf";
  paint.layers[0].values.assign(square, 0);
  paint.layers[0].values[0] = std::bit_cast<std::uint32_t>(1.0f);
  paint.layers[0].values[1 * ground_paint_stride + 2] = std::bit_cast<std::uint32_t>(0.5f);
  paint.layers[0].values[4 * ground_paint_stride + 3] = std::bit_cast<std::uint32_t>(0.2f);
  paint.layers[1].id = ground_paint_elevation_id;
  paint.layers[1].name = "ground_elevation";
  paint.layers[1].values.assign(square, 0);
  paint.layers[1].values[2 * ground_paint_stride + 1] = std::bit_cast<std::uint32_t>(-3.5f);
  paint.layers[2].id = ground_paint_colour_id;
  paint.layers[2].name = "ground_leveling";
  paint.layers[2].values.assign(square, 0xFFFFFFFFu);
  paint.layers[2].values[0] = 0x00000000u;  // black with no alpha: a float 0
  paint.layers[2].values[1] = 0x00000010u;  // a dark blue: a tiny float
  paint.layers[2].values[3 * ground_paint_stride + 3] = 0xff336699u;
  paint.layers[2].values[4 * ground_paint_stride + 0] = 0x80ffffffu;  // empty: low 24 bits set
  return paint;
}

std::string paint_blob(const ground_paint& paint) {
  binary_writer writer;
  write_ground_paint(writer, paint);
  return std::string(writer.contents());
}

scene_objects sample_scene() {
  scene_objects scene;
  scene.prop_instances = {prop(0, 1, "spr_chair"), prop(1, 4, "entry"), prop(0, 2, "spr_wall", 1),
                          prop(0, 2, "spr_wall")};
  ai_mesh mesh;
  for (int i = 0; i < 4; ++i) add_ai_mesh_vertex(mesh, vec3(static_cast<float>(i % 2), static_cast<float>(i / 2), 0));
  const std::int32_t e[4] = {add_ai_mesh_edge(mesh, 0, 1), add_ai_mesh_edge(mesh, 1, 3), add_ai_mesh_edge(mesh, 3, 2),
                             add_ai_mesh_edge(mesh, 2, 0)};
  add_ai_mesh_face(mesh, 4, {0, 1, 3, 2}, {e[0], e[1], e[2], e[3]});
  mesh.link_edges_to_faces();
  binary_writer blob;
  mesh.write(blob);
  scene.ai_mesh_data = std::string(blob.contents());
  scene.ground_paint_data = paint_blob(sample_paint());
  return scene;
}

std::string file_of(const scene_objects& scene, std::int32_t source = 0) {
  binary_writer writer;
  write_scene_objects(writer, scene, source);
  return std::string(writer.contents());
}

void read_file(const std::string& bytes, scene_objects& scene, std::int32_t source = 0) {
  binary_reader reader;
  reader.open_memory("Modules\\Sample\\SceneObj\\scn_test.sco", bytes.data(), bytes.size());
  read_scene_objects(reader, scene, source, prop_kinds, "Test Scene");
}

void read_paint(const std::string& bytes, ground_paint& paint) {
  binary_reader reader;
  reader.open_memory("scn_test.sco ground paint", bytes.data(), bytes.size());
  read_ground_paint(reader, paint, ground_names);
}

TEST(SceneObjects, WrittenAndReadBackEqual) {
  const scene_objects scene = sample_scene();
  const std::string bytes = file_of(scene);
  scene_objects back;
  read_file(bytes, back);
  EXPECT_TRUE(back.objects_loaded);
  ASSERT_EQ(back.prop_instances.size(), 3u);
  const stored_scene_object& chair = back.prop_instances[0];
  EXPECT_STREQ(chair.name.c_str(), "spr_chair");
  EXPECT_EQ(chair.kind_id, 1);
  EXPECT_EQ(chair.max_hit_points, 50.0f);
  EXPECT_EQ(chair.variation_id_2, -3);
  EXPECT_EQ(chair.scale.y, 2.0f);
  EXPECT_EQ(chair.placement.origin.z, 3.25f);
  EXPECT_EQ(chair.placement.rot.s.y, scene.prop_instances[0].initial_frame.rot.s.y);
  EXPECT_EQ(back.prop_instances[1].max_hit_points, 100.0f);
  EXPECT_STREQ(back.prop_instances[1].name.c_str(), "entry");
  EXPECT_EQ(back.ai_mesh_data, scene.ai_mesh_data);
  EXPECT_EQ(back.ground_paint_data, scene.ground_paint_data);
  EXPECT_EQ(file_of(back), bytes);

  // The other source's instances only.
  scene_objects others;
  read_file(file_of(scene, 1), others, 1);
  ASSERT_EQ(others.prop_instances.size(), 1u);
  EXPECT_EQ(others.prop_instances[0].source, 1);
  // Loading twice appends.
  read_file(bytes, back);
  EXPECT_EQ(back.prop_instances.size(), 6u);
}

TEST(SceneObjects, GroundPaintRoundTrip) {
  const ground_paint paint = sample_paint();
  ground_paint back;
  read_paint(paint_blob(paint), back);
  ASSERT_EQ(back.layer_count, 3);
  EXPECT_EQ(back.elevation_layer, 1);
  EXPECT_EQ(back.leveling_layer, 2);
  EXPECT_EQ(back.layers[0].value_at(0, 0), 1.0f);             // byte 255 reads back as 1.0 exactly
  EXPECT_EQ(back.layers[0].value_at(1, 2), 127 * 0.003921569f);  // 127.5 rounds down
  EXPECT_EQ(back.layers[0].value_at(4, 3), 51 * 0.003921569f);
  EXPECT_EQ(back.layers[0].value_at(3, 3), 0.0f);
  EXPECT_EQ(back.layers[1].value_at(2, 1), -3.5f);
  // Black and dark colours survive; an empty colour reads as all bits set.
  EXPECT_EQ(back.layers[2].word_at(0, 0), 0x00000000u);
  EXPECT_EQ(back.layers[2].word_at(0, 1), 0x00000010u);
  EXPECT_EQ(back.layers[2].word_at(3, 3), 0xff336699u);
  EXPECT_EQ(back.layers[2].word_at(4, 0), 0xFFFFFFFFu);
  EXPECT_EQ(back.layers[2].word_at(2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(paint_blob(back), paint_blob(paint));

  // Layer names find their ground kinds.
  ground_paint renamed = sample_paint();
  renamed.layers[0].id = 7;
  renamed.layers[0].name = "snow";
  read_paint(paint_blob(renamed), back);
  EXPECT_EQ(back.layers[0].id, 2);

  // Fourteen layers read as thirteen; a layer without values has none.
  ground_paint many;
  many.layer_count = 14;
  many.size_x = 3;
  many.size_y = 0;
  binary_writer writer;
  writer.write_int(14);
  writer.write_int(3);
  writer.write_int(0);
  for (int i = 0; i < 14; ++i) {
    writer.write_int(-1);
    writer.write_string(ruv_string("none"));
    writer.write_int(i % 2);
    if (i % 2) writer.write_int(0);
  }
  read_paint(std::string(writer.contents()), back);
  EXPECT_EQ(back.layer_count, 13);
  EXPECT_FALSE(back.layers[0].has_values());
  EXPECT_TRUE(back.layers[1].has_values());
}

// A file cut anywhere ends in a clear error naming it, except right after the
// navigation-graph blob, where a file may end.
TEST(SceneObjects, CutFilesNameTheFile) {
  const std::string bytes = file_of(sample_scene());
  scoped_fatal_throw throw_on_fatal;
  std::int32_t complete = 0;
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    scene_objects back;
    back.ground_paint_data = "stale";
    try {
      read_file(bytes.substr(0, cut), back);
      ++complete;
      EXPECT_TRUE(back.ground_paint_data.empty()) << cut;
      EXPECT_EQ(back.prop_instances.size(), 3u) << cut;
    } catch (const fatal_error& e) {
      EXPECT_NE(std::string(e.what()).find("scn_test.sco"), std::string::npos) << cut << ": " << e.what();
    }
  }
  EXPECT_EQ(complete, 1);

  const std::string paint = paint_blob(sample_paint());
  for (std::size_t cut = 0; cut < paint.size(); ++cut) {
    ground_paint back;
    EXPECT_THROW(read_paint(paint.substr(0, cut), back), fatal_error) << cut;
  }
}

TEST(SceneObjects, CorruptCountsAndSizes) {
  scoped_fatal_throw throw_on_fatal;
  const std::string bytes = file_of(sample_scene());
  struct corrupt_case {
    std::size_t offset;
    std::uint32_t value;
    const char* message;
  };
  const corrupt_case cases[] = {
      {8, 0x7fffffffu, "Invalid scene object count"},
      {8, 0xfffffff0u, "Invalid scene object count"},
      {12 + 12 + 48, 0x40000000u, "Invalid string length"},
      {12 + 12 + 48, 0xffffffffu, "Invalid string length"},
  };
  for (const corrupt_case& c : cases) {
    std::string spoilt = bytes;
    for (int k = 0; k < 4; ++k) spoilt[c.offset + static_cast<std::size_t>(k)] = static_cast<char>(c.value >> (8 * k));
    scene_objects back;
    try {
      read_file(spoilt, back);
      ADD_FAILURE() << c.offset;
    } catch (const fatal_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  auto paint_with = [](std::int32_t size_x, std::int32_t run) {
    binary_writer w;
    w.write_int(1);
    w.write_int(size_x);
    w.write_int(2);
    w.write_int(1);
    w.write_string(ruv_string("turf"));
    w.write_int(1);
    w.write_int(run);
    return std::string(w.contents());
  };
  ground_paint back;
  try {
    read_paint(paint_with(421, 0), back);
    ADD_FAILURE() << "a size of 421 was read";
  } catch (const fatal_error& e) {
    // Named like the other errors of a scene-object file.
    EXPECT_STREQ(e.what(), "Illegal terrain size in sco file while reading file: scn_test.sco ground paint");
  }
  EXPECT_THROW(read_paint(paint_with(-2, 0), back), fatal_error);
  EXPECT_THROW(read_paint(paint_with(2, -5), back), fatal_error);
  // A run longer than the vertices stops at the last vertex.
  std::string long_run = paint_with(2, 0);
  binary_writer tail;
  tail.write_int(100000);
  for (int i = 0; i < 4; ++i) tail.write_char(static_cast<char>(255));
  long_run += std::string(tail.contents());
  read_paint(long_run, back);
  EXPECT_EQ(back.layers[0].value_at(1, 1), 1.0f);
}

TEST(SceneObjects, LegacyFilesAndNames) {
  binary_writer w;
  w.write_int(3);  // a count, not the magic: version 0
  const char* names[] = {"chair", "spr_unknown", "nothing"};
  const std::int32_t kinds[] = {0, 2, 9};
  for (int i = 0; i < 3; ++i) {
    w.write_int(0);
    w.write_int(kinds[i]);
    w.write_int(0);
    write_frame(w, frame::identity());
    w.write_string(ruv_string(names[i]));
    w.write_int(i);
  }
  scene_objects back;
  back.ai_mesh_data = "kept";
  read_file(std::string(w.contents()), back);
  ASSERT_EQ(back.prop_instances.size(), 3u);
  EXPECT_STREQ(back.prop_instances[0].name.c_str(), "spr_chair");
  EXPECT_EQ(back.prop_instances[0].kind_id, 1);
  EXPECT_STREQ(back.prop_instances[1].name.c_str(), "spr_wall");  // unknown name, kind in range
  EXPECT_EQ(back.prop_instances[1].kind_id, 2);
  EXPECT_STREQ(back.prop_instances[2].name.c_str(), "spr_empty");  // unknown name, kind out of range
  EXPECT_EQ(back.prop_instances[2].kind_id, 0);
  EXPECT_EQ(back.prop_instances[2].scale.x, 1.0f);
  EXPECT_EQ(back.ai_mesh_data, "kept");

  // Something other than the magic after the blob: no ground paint.
  scene_objects scene = sample_scene();
  std::string bytes = file_of(scene);
  const std::size_t magic_at = bytes.size() - scene.ground_paint_data.size() - 8;
  bytes[magic_at] = 0;
  scene_objects other;
  read_file(bytes, other);
  EXPECT_TRUE(other.objects_loaded);
  EXPECT_TRUE(other.ground_paint_data.empty());
}

TEST(SceneObjects, EmptyGroundPaintEndsTheFile) {
  scene_objects scene = sample_scene();
  scene.ground_paint_data.clear();
  const std::string bytes = file_of(scene);
  EXPECT_EQ(bytes.size(), file_of(sample_scene()).size() - sample_scene().ground_paint_data.size() - 8);
  scene_objects back;
  back.ground_paint_data = "previous scene";
  read_file(bytes, back);
  EXPECT_TRUE(back.ground_paint_data.empty());
  EXPECT_EQ(get_scene_objects_path("scn_town"), "SceneObj\\scn_town.sco");
}

// A file that cannot be opened is reported on screen, in red, by the two
// lines "Unable to load scene objects!" and the scene's id; a file whose tail
// is not ground paint is named in the log by the scene's display name.
TEST(SceneObjects, LoadFailuresAreReported) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("hm_scene_objects_test_" + std::to_string(getpid()));
  fs::create_directories(folder);

  resource_manager resources;
  test::add_message_log_materials(resources);
  message_log log;
  log.resources = &resources;
  scene_objects scene;
  EXPECT_FALSE(load_scene_objects((folder / "scn_missing.sco").string(), "scn_missing", scene, prop_kinds, &log,
                                  "Missing Scene"));
  EXPECT_FALSE(scene.objects_loaded);
  ASSERT_EQ(log.log_history.size(), 2u);
  EXPECT_EQ(log.log_history[0], "Unable to load scene objects!");
  EXPECT_EQ(log.log_history[1], "scn_missing");
  // The ring runs backwards: the first line took slot 31, the second slot 30.
  EXPECT_EQ(log.log_line_color[31], 0xffff0000u);
  EXPECT_EQ(log.log_line_color[30], 0xffff0000u);

  std::string bytes = file_of(sample_scene());
  bytes[bytes.size() - sample_scene().ground_paint_data.size() - 8] = 0;
  const fs::path file = folder / "scn_odd.sco";
  std::ofstream(file, std::ios::binary) << bytes;
  ASSERT_TRUE(open_engine_log((folder / "ruv_log.txt").string()));
  EXPECT_TRUE(load_scene_objects(file.string(), "scn_odd", scene, prop_kinds, &log, "Odd Scene"));
  engine_log().close();
  std::ifstream in(folder / "ruv_log.txt", std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(text.find("WARNING unable to find ground_paint_saved_magic for sco file Odd Scene"), std::string::npos)
      << text;
  EXPECT_TRUE(scene.objects_loaded);
  EXPECT_EQ(log.log_history.size(), 2u);
  clear_message_log(log);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace hm
