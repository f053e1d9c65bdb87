// The engine's core resource files as the build makes them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/ruv_config.h"
#include "engine/resource/shader_record.h"
#include "engine/support/resource_test_helpers.h"

namespace hm {
namespace {

using test::fatal_message;
using test::scoped_work_folder;

const char* const core_files[] = {"core_shaders", "core_textures", "core_materials", "core_ui_meshes",
                                  "core_pictures"};

const std::filesystem::path built_data = std::filesystem::path(HOOFMARCH_BINARY_DIR) / "data";
const std::filesystem::path source_data = std::filesystem::path(HOOFMARCH_DATA_DIR);

// Makes a folder the working folder while alive, without touching its files.
class scoped_current_folder {
 public:
  explicit scoped_current_folder(const std::filesystem::path& p) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(p);
    platform::invalidate_path_cache();
  }
  ~scoped_current_folder() {
    std::filesystem::current_path(previous_);
    platform::invalidate_path_cache();
  }

 private:
  std::filesystem::path previous_;
};

void load_core(resource_manager& m) {
  for (const char* name : core_files) m.load_resource_file(name, 0);
}

TEST(resource_core_data, built_core_files_load_and_hold_what_the_engine_asks_for) {
  int edit_mode = g_ruv_config.enable_edit_mode;
  g_ruv_config.enable_edit_mode = 0;
  scoped_current_folder here(built_data);
  resource_manager m;
  EXPECT_EQ(fatal_message([&] { load_core(m); }), "");
  g_ruv_config.enable_edit_mode = edit_mode;

  EXPECT_EQ(m.get_material("default")->name, "default");
  EXPECT_EQ(m.get_material("no_such_material")->name, "default");
  for (const char* name : {"ui_font", "ui_font_background", "matte", "background", "shadow_default",
                           "vertex_color_blend_mat", "vertex_color_add_mat", "agent_name"}) {
    EXPECT_EQ(m.get_material(name)->name, name);
  }
  for (const char* name : {"def_shader", "def_shader_ffp", "shadowmap_shader", "shadow_shader",
                           "render_to_depth_shader", "render_to_depth_skin_shader", "render_character_shadow",
                           "render_character_shadow_with_skin"}) {
    EXPECT_EQ(fatal_message([&] { m.get_shader(name); }), "") << name;
  }

  // Every material finds a shader to draw with, with pixel shaders and without.
  null_resource_device device;
  m.set_device_hooks(&device);
  for (bool pixel : {false, true}) {
    device.caps = pixel ? shader_support_caps{true, 0x200, 0x200, true, true} : shader_support_caps{};
    EXPECT_EQ(fatal_message([&] { m.init_device_objects(false, ""); }), "") << pixel;
    for (const material* mat : m.materials) {
      ASSERT_NE(mat->shader_ptr, nullptr) << mat->name.c_str();
      EXPECT_EQ((mat->shader_ptr->flags & shader::flag_effect) != 0, pixel) << mat->name.c_str();
    }
  }
  m.set_device_hooks(nullptr);
}

TEST(resource_core_data, edit_mode_conversion_of_the_sources_gives_the_built_files) {
  scoped_work_folder folder;
  for (const char* name : core_files) {
    std::string file = std::string(name) + ".trf";
    std::filesystem::create_directories(folder.path() / "CommonRes");
    std::filesystem::copy_file(source_data / "CommonRes" / file, folder.path() / "CommonRes" / file);
  }
  platform::invalidate_path_cache();
  int edit_mode = g_ruv_config.enable_edit_mode;
  g_ruv_config.enable_edit_mode = 1;
  resource_manager m;
  EXPECT_EQ(fatal_message([&] { load_core(m); }), "");
  g_ruv_config.enable_edit_mode = edit_mode;

  for (const char* name : core_files) {
    std::string file = std::string(name) + ".brf";
    std::ifstream built(built_data / "CommonRes" / file, std::ios::binary);
    std::stringstream expected;
    expected << built.rdbuf();
    EXPECT_EQ(folder.read("CommonRes/" + file), expected.str()) << file;
  }
}

TEST(resource_core_data, brf_list_names_what_a_file_holds) {
  std::string command = std::string("\"") + HOOFMARCH_BINARY_DIR + "/tools/brf_list\" --names \"" +
                        (built_data / "CommonRes" / "core_textures.brf").string() + "\" \"" +
                        (built_data / "CommonRes" / "core_pictures.brf").string() + "\"";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_NE(output.find("texture white.dds\n"), std::string::npos) << output;
  EXPECT_NE(output.find("texture pic_blank.dds\nmaterial pic_blank\n"), std::string::npos) << output;

  // A file whose textures are not loaded before it fails with the engine's message.
  command = std::string("\"") + HOOFMARCH_BINARY_DIR + "/tools/brf_list\" \"" +
            (built_data / "CommonRes" / "core_pictures.brf").string() + "\" \"" +
            (built_data / "CommonRes" / "core_materials.brf").string() + "\" 2>&1";
  pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  output.clear();
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  EXPECT_NE(pclose(pipe), 0);
  EXPECT_NE(output.find("get_object failed for texture: white"), std::string::npos) << output;
}

}  // namespace
}  // namespace hm
