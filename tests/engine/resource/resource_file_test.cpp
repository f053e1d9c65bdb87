#include "engine/resource/resource_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "engine/core/log.h"
#include "engine/resource/body.h"
#include "engine/collision/sphere.h"
#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/ruv_config.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/skeleton.h"
#include "engine/resource/texture_record.h"
#include "engine/support/resource_test_helpers.h"

namespace hm {
namespace {

using test::fatal_message;
using test::scoped_work_folder;

// Sections in an order the writer does not use, one record of every kind this
// folder reads, negative u32 values in text form, and a quoted token.
const char* const fixture_trf = R"(skeleton 1
  skel_one 2
    -1 root 0   0 1 0  -1 0 0  0 0 1   0 0 1
     0 "neck_bone" 3   1 0 0  0 1 0  0 0 1   0 0.5 0
texture 3
  stone.dds 0
  grass.dds 2
  font -2147483648
shader 2
  def_shader_ffp 0 0 def_ffp 0 0
  water -1610612736 4096 water_tech 1 def_shader_ffp 2  -1 1 1 0  3 4 5 6
material 2
  default 0 def_shader_ffp stone none none none none 0 1 1 1
  water_mat 65536 water stone.dds grass font none none 32 0.5 0.25 0.125
skeleton_anim 1
  idle 1
    2  0 0 0 0 1  10 0 0 0 -1
    1  5 1 2 3
end
)";

class edit_mode_guard {
 public:
  explicit edit_mode_guard(int on) : previous_(g_ruv_config.enable_edit_mode) { g_ruv_config.enable_edit_mode = on; }
  ~edit_mode_guard() { g_ruv_config.enable_edit_mode = previous_; }

 private:
  int previous_;
};

// Sets a file's modification time to `seconds` from now.
void set_age(const scoped_work_folder& folder, const std::string& relative, int seconds) {
  auto p = folder.path() / relative;
  std::filesystem::last_write_time(p, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(seconds));
}

std::string names_of(const std::vector<resource*>& list) {
  std::string out;
  for (const resource* r : list) out += std::string(r->get_type_name()) + ":" + r->name.c_str() + " ";
  return out;
}

// Everything a manager holds from the fixture, checked field by field.
// Reading order of the fixture, and the writer's order (grouped by kind).
const char* const fixture_reading_order =
    "skeleton:skel_one texture:stone.dds texture:grass.dds texture:font shader:def_shader_ffp shader:water "
    "material:default material:water_mat skeleton_anim:idle ";
const char* const fixture_writing_order =
    "texture:stone.dds texture:grass.dds texture:font shader:def_shader_ffp shader:water "
    "material:default material:water_mat skeleton:skel_one skeleton_anim:idle ";

void expect_fixture(resource_manager& m, const char* order) {
  EXPECT_EQ(names_of(m.current_file_resources), order);
  EXPECT_EQ(m.get_texture("grass")->flags, 2u);
  EXPECT_EQ(m.get_texture("font")->flags, 0x80000000u);

  shader* water = m.get_shader("water");
  EXPECT_EQ(water->flags, 0xA0000000u);
  EXPECT_EQ(water->requirements, 0x1000u);
  EXPECT_EQ(water->technique, "water_tech");
  ASSERT_EQ(water->alternative_count, 1);
  EXPECT_EQ(water->alternatives[0], "def_shader_ffp");
  ASSERT_EQ(water->stage_count, 2);
  EXPECT_EQ(water->stages[0].word0, -1);
  EXPECT_EQ(water->stages[1].word3, 6u);

  material* def = m.get_material("default");
  EXPECT_EQ(def->textures[0], m.get_texture("stone.dds"));
  EXPECT_EQ(def->textures[1], nullptr);
  EXPECT_EQ(def->specular_color[2], 1.0f);
  material* wm = m.get_material("water_mat");
  EXPECT_EQ(wm->flags, 0x10000u);
  EXPECT_EQ(wm->shader_name, "water");
  EXPECT_EQ(wm->textures[1], m.get_texture("grass.dds"));
  EXPECT_EQ(wm->textures[2], m.get_texture("font"));
  EXPECT_EQ(wm->specular_power, 32.0f);
  EXPECT_EQ(wm->specular_color[0], 0.5f);
  EXPECT_EQ(wm->specular_color[2], 0.125f);

  skeleton* skel = m.get_skeleton("skel_one");
  ASSERT_EQ(skel->bone_count, 2);
  EXPECT_EQ(skel->bones[1].name, "neck_bone");
  EXPECT_EQ(skel->bones[1].flags, 3u);
  EXPECT_NEAR(skel->bone_positions[1].x, -0.5f, 1e-6f);  // forward of a root turned a quarter
  EXPECT_NEAR(skel->bone_positions[1].z, 1.0f, 1e-6f);

  skeleton_anim* idle = m.get_skeleton_anim("idle");
  ASSERT_EQ(idle->channels.size(), 1u);
  EXPECT_EQ(idle->channels[0].keys[1].w, 1.0f);
  EXPECT_EQ(idle->root_track.keys[0].z, 3.0f);
}

TEST(resource_file, text_twin_converts_to_binary_and_reloads_the_same) {
  scoped_work_folder folder;
  folder.write("CommonRes/fixture.trf", fixture_trf);
  {
    edit_mode_guard edit(1);
    resource_manager m;
    m.load_resource_file("fixture", 0);
    expect_fixture(m, fixture_reading_order);
  }
  ASSERT_TRUE(folder.exists("CommonRes/fixture.brf"));
  std::string brf = folder.read("CommonRes/fixture.brf");
  // The writer groups by kind: textures first, whatever the text's order.
  EXPECT_EQ(brf.substr(0, 11), std::string("\x07\0\0\0texture", 11));

  edit_mode_guard edit(0);
  resource_manager binary_loaded;
  binary_loaded.load_resource_file("fixture", 0);
  expect_fixture(binary_loaded, fixture_writing_order);

  // Written as text and read back, then written as binary, the bytes are the same.
  text_stream text;
  binary_loaded.write_resource_file(text);
  resource_manager text_loaded;
  text_reader reader;
  reader.open_memory("again.trf", text.contents().data(), text.contents().size());
  text_loaded.read_resource_file(reader);
  expect_fixture(text_loaded, fixture_writing_order);
  binary_writer again;
  text_loaded.write_resource_file(again);
  EXPECT_EQ(test::bytes_of(again), brf);
}

TEST(resource_file, edit_mode_decides_whether_the_text_twin_is_read) {
  scoped_work_folder folder;
  const std::string text_version = "texture 1 from_text.dds 0 end";
  const std::string binary_text = "texture 1 from_binary.dds 0 end";
  folder.write("CommonRes/pair.trf", text_version);
  // The binary file is made from a text of its own through the converter.
  folder.write("src.trf", binary_text);

  struct timing_case {
    const char* what;
    int edit_mode;
    int text_age, binary_age;  // seconds from now
    const char* expected;
  };
  const timing_case cases[] = {
      {"edit mode off ignores a newer text", 0, 0, -100, "from_binary.dds"},
      {"older text", 1, -200, -100, "from_binary.dds"},
      {"text as old as the binary", 1, -100, -100, "from_binary.dds"},
      {"newer text", 1, -50, -100, "from_text.dds"},
  };
  for (const timing_case& c : cases) {
    // Put the binary back as it was made, then set both times.
    resource_manager maker;
    ASSERT_EQ(convert_resource_file(maker, "src.trf", "CommonRes\\pair.brf"), 0);
    set_age(folder, "CommonRes/pair.trf", c.text_age);
    set_age(folder, "CommonRes/pair.brf", c.binary_age);
    edit_mode_guard edit(c.edit_mode);
    resource_manager m;
    m.load_resource_file("pair", 0);
    ASSERT_EQ(m.textures.size(), 1u) << c.what;
    EXPECT_EQ(m.textures[0]->name, c.expected) << c.what;
  }
}

TEST(resource_file, missing_binary_is_fatal_unless_edit_mode_converts) {
  scoped_work_folder folder;
  folder.write("CommonRes/only_text.trf", "texture 1 a.dds 0 end");
  {
    edit_mode_guard edit(0);
    resource_manager m;
    const std::size_t logged = engine_log().contents().size();
    EXPECT_EQ(fatal_message([&] { m.load_resource_file("only_text", 0); }),
              "Unable to open file: CommonRes\\only_text.brf\n");
    // The text source is there: the log says how to make the binary file.
    EXPECT_NE(std::string(engine_log().contents().substr(logged))
                  .find("CommonRes\\only_text.trf has not been converted: make the module's binary files with "
                        "make_module, or set enable_edit_mode = 1 to convert them at load\n"),
              std::string::npos);
  }
  edit_mode_guard edit(1);
  resource_manager m;
  m.load_resource_file("only_text", 0);
  EXPECT_EQ(m.textures.size(), 1u);
  EXPECT_TRUE(folder.exists("CommonRes/only_text.brf"));
  EXPECT_EQ(fatal_message([&] { m.load_resource_file("nothing", 0); }),
            "Unable to open file: CommonRes\\nothing.brf\n");
}

TEST(resource_file, module_files_come_from_the_module_resource_folder_in_any_letter_case) {
  scoped_work_folder folder;
  folder.write("src.trf", "texture 1 mod.dds 0 end");
  std::filesystem::create_directories(folder.path() / "modules/Sample/resource");
  platform::invalidate_path_cache();
  resource_manager maker;
  ASSERT_EQ(convert_resource_file(maker, "src.trf", "modules/Sample/resource/extra.brf"), 0);

  edit_mode_guard edit(0);
  resource_manager m;
  m.module_folder = "Modules\\Sample\\";
  m.load_resource_file("extra", 1);
  EXPECT_EQ(m.textures.at(0)->name, "mod.dds");
  EXPECT_EQ(fatal_message([&] { m.load_resource_file("extra", 0); }), "Unable to open file: CommonRes\\extra.brf\n");
}

void read_text(resource_manager& m, const std::string& text, const char* name = "t.trf") {
  text_reader r;
  r.open_memory(name, text.data(), text.size());
  m.read_resource_file(r);
}

TEST(resource_file, empty_files_and_sections_register_nothing) {
  for (const char* text : {"end", "texture 0 material 0 end", "skeleton 0 texture 0 texture 0 end"}) {
    resource_manager m;
    read_text(m, text);
    EXPECT_TRUE(m.current_file_resources.empty()) << text;
    binary_writer w;
    m.write_resource_file(w);
    EXPECT_EQ(test::bytes_of(w), std::string("\x03\0\0\0end", 7)) << text;
  }
}

TEST(resource_file, a_kind_may_come_in_several_sections) {
  resource_manager m;
  read_text(m, "texture 1 a.dds 0 shader 1 s 0 0 t 0 0 texture 1 b.dds 0 end");
  text_stream out;
  m.write_resource_file(out);
  EXPECT_EQ(std::string(out.contents()), "texture 2 a.dds 0 b.dds 0 shader 1 s 0 0 t 0 0 end ");
}

TEST(resource_file, broken_structure_is_fatal_with_a_clear_message) {
  struct broken_case {
    const char* text;
    const char* message;
  };
  const broken_case cases[] = {
      {"texture 1 a.dds 0 sprite 1 x end", "Unrecognized resource type sprite"},
      {"texture -1 end", "Bad count -1 of records in section texture of file t.trf"},
      {"material 2147483647 m 0 s none none none none none 0 0 0 0 end",
       "Bad count 2147483647 of records in section material of file t.trf"},
      {"texture 2 a.dds 0 end", "Unexpected End of File while reading file: t.trf"},
      {"texture 1 a.dds 0", "Unexpected End of File while reading file: t.trf"},
      {"material 1 m 0 s stone none none none none 0 0 0 0 end", "get_object failed for texture: stone"},
      {"texture 2 a.dds 0 a.dds 1 end", "attempt to reregister texture a.dds"},
      {"shader 1 s 0 0 t 4 a b c d 0 end", "Number of elternatives exceeds 3 for material s."},
      {"shader 1 s 0 0 t 0 5 end", "Number of stages exceeds 4 for material s."},
  };
  for (const broken_case& c : cases) {
    resource_manager m;
    EXPECT_EQ(fatal_message([&] { read_text(m, c.text); }), c.message) << c.text;
  }
}

TEST(resource_file, truncated_binary_file_never_reads_past_its_end) {
  resource_manager source;
  read_text(source, fixture_trf);
  binary_writer w;
  source.write_resource_file(w);
  const std::string full = test::bytes_of(w);

  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    resource_manager m;
    binary_reader r;
    r.open_memory("trunc.brf", full.data(), cut);
    std::string message = fatal_message([&] { m.read_resource_file(r); });
    EXPECT_NE(message.find("trunc.brf"), std::string::npos) << "cut at " << cut << ": " << message;
  }
  // Cut inside the end tag: its length no longer fits; without the tag at all:
  // the plain end-of-file message.
  resource_manager m;
  binary_reader r;
  r.open_memory("trunc.brf", full.data(), full.size() - 1);
  EXPECT_EQ(fatal_message([&] { m.read_resource_file(r); }), "Invalid string length 3 while reading file: trunc.brf");
  binary_reader no_end;
  no_end.open_memory("trunc.brf", full.data(), full.size() - 7);
  resource_manager m2;
  EXPECT_EQ(fatal_message([&] { m2.read_resource_file(no_end); }),
            "Unexpected End of File while reading file: trunc.brf");
}

TEST(resource_file, binary_counts_beyond_the_data_are_rejected) {
  for (std::int32_t count : {-1, 1 << 30, 0x7FFFFFFF}) {
    binary_writer w;
    w.write_cstr("skeleton").write_int(count).write_cstr("end");
    resource_manager m;
    binary_reader r;
    std::string bytes = test::bytes_of(w);
    r.open_memory("bad.brf", bytes.data(), bytes.size());
    EXPECT_EQ(fatal_message([&] { m.read_resource_file(r); }),
              "Bad count " + std::to_string(count) + " of records in section skeleton of file bad.brf");
  }
}

TEST(resource_file, materials_write_texture_names_without_extension_and_empty_slots_as_none) {
  resource_manager m;
  read_text(m,
            "texture 2 rock.dds 0 bark.tga 0 "
            "material 2 plain 0 s none none none none none 0 0 0 0 "
            "rocky 0 s rock none bark.tga none none 1 2 3 4 end");
  material* plain = m.get_material("plain");
  for (texture* t : plain->textures) EXPECT_EQ(t, nullptr);
  text_stream out;
  plain->write(out);
  EXPECT_EQ(std::string(out.contents()),
            "plain 0 s none none none none none 0.000000 0.000000 0.000000 0.000000 ");
  text_stream rocky_out;
  m.get_material("rocky")->write(rocky_out);
  EXPECT_EQ(std::string(rocky_out.contents()),
            "rocky 0 s rock none bark none none 1.000000 2.000000 3.000000 4.000000 ");
  // The names written find the same textures again.
  resource_manager again;
  read_text(again, "texture 2 rock.dds 0 bark.tga 0 material 1 " + std::string(rocky_out.contents()) + "end");
  EXPECT_EQ(again.get_material("rocky")->textures[0], again.get_texture("rock.dds"));
  EXPECT_EQ(again.get_material("rocky")->textures[2], again.get_texture("bark.tga"));
}

TEST(resource_file, body_sections_go_through_the_body_record) {
  // "body 1 <name> sphere <radius> <centre> <flags>", in both forms.
  resource_manager m;
  read_text(m, "body 1 bo_ball sphere 0.5 1 2 3 8 end");
  body* ball = m.get_body("bo_ball");
  ASSERT_NE(ball->part, nullptr);
  ASSERT_EQ(ball->part->get_type_id(), sphere_type_id);
  EXPECT_EQ(static_cast<sphere&>(*ball->part).local_centre.z, 3.0f);

  binary_writer w;
  m.write_resource_file(w);
  resource_manager again;
  binary_reader r;
  std::string bytes = test::bytes_of(w);
  r.open_memory("b.brf", bytes.data(), bytes.size());
  again.read_resource_file(r);
  EXPECT_EQ(static_cast<sphere&>(*again.get_body("bo_ball")->part).local_centre.y, 2.0f);
  resource_manager broken;
  EXPECT_EQ(fatal_message([&] { read_text(broken, "body 1 bo_x cube 1 end"); }), "unrecognized body part cube \n");
}

TEST(resource_file, names_are_unique_across_files) {
  scoped_work_folder folder;
  folder.write("CommonRes/one.trf", "texture 1 shared.dds 0 end");
  folder.write("CommonRes/two.trf", "texture 1 shared.dds 0 end");
  edit_mode_guard edit(1);
  resource_manager m;
  m.load_resource_file("one", 0);
  EXPECT_EQ(fatal_message([&] { m.load_resource_file("two", 0); }), "attempt to reregister texture shared.dds");
}

TEST(resource_file, the_section_table_keeps_writing_order_for_added_kinds) {
  std::string order;
  for (const resource_section_kind& k : resource_section_kinds()) order += std::string(k.tag) + " ";
  EXPECT_EQ(order.find("texture shader material "), 0u);
  EXPECT_LT(order.find("material"), order.find("skeleton"));
  EXPECT_NE(find_resource_section_kind("skeleton_anim"), nullptr);
  EXPECT_EQ(find_resource_section_kind("skeleton_anim"), find_resource_section_kind(skeleton_anim_resource_type_id));
  EXPECT_EQ(find_resource_section_kind("sprite"), nullptr);
}

}  // namespace
}  // namespace hm
