// The sample module and the Data folder shipped in data/ load completely, and
// each of their files cut short stops with the end-of-file error.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/stream.h"
#include "module/records/action_table.h"
#include "module/records/conversation_loader.h"
#include "module/data/data_files.h"
#include "module/records/game_menu.h"
#include "module/base/ini_table.h"
#include "module/records/item_kind.h"
#include "module/records/map_icon.h"
#include "module/records/mission_template.h"
#include "module/loading/module_info.h"
#include "module/records/module_mesh.h"
#include "module/base/module_paths.h"
#include "module/base/module_settings.h"
#include "module/base/module_text.h"
#include "module/media/music_player.h"
#include "module/records/scene_prop.h"
#include "module/media/tableau_material.h"
#include "engine/audio/sound_manager.h"
#include "module/records/particle_system.h"
#include "module/records/party_template.h"
#include "module/records/presentation_table.h"
#include "module/records/script_table.h"
#include "module/data/skeleton_bodies.h"
#include "module/text/string_table.h"
#include "module/support/module_test_support.h"
#include "platform/fs.h"
#include "script/game_hooks.h"

namespace hm {
namespace {

using test::fatal_message;

// How each of the module's text files is read: the header as the loading
// sequence reads it, then the loader.
struct module_file {
  const char* name;
  std::function<void(text_reader&)> load;
};

template <class Record>
void read_table(text_reader& r, std::vector<Record>& table, void (*read)(Record&, text_reader&)) {
  load_record_table(r, table, "records", read);
}

const std::vector<module_file>& module_files() {
  static const std::vector<module_file> files = {
      {"sounds.txt",
       [](text_reader& r) {
         read_module_header(r);
         load_sounds(g_sound_manager, r, 1, module_folder_path().view());
       }},
      {"scene_props.txt", [](text_reader& r) { load_scene_props(g_scene_prop_kinds, r); }},
      {"tableau_materials.txt", [](text_reader& r) { load_tableau_materials(g_tableau_materials, r); }},
      {"music.txt", [](text_reader& r) { load_music(g_music_tracks, r); }},
      {"particle_systems.txt",
       [](text_reader& r) {
         read_module_header(r);
         load_particle_systems(g_particle_systems, r);
       }},
      {"menus.txt",
       [](text_reader& r) {
         read_module_header(r);
         read_table(r, g_game_menus, load_game_menus);
       }},
      {"presentations.txt", [](text_reader& r) { load_presentations(g_presentation_table, r); }},
      {"scripts.txt", [](text_reader& r) { load_scripts(g_script_table, r); }},
      {"map_icons.txt",
       [](text_reader& r) {
         read_map_icons_header(r);
         read_table(r, g_map_icons, load_map_icons);
       }},
      {"strings.txt",
       [](text_reader& r) {
         read_module_header(r);
         load_module_strings(g_string_table, r);
       }},
      {"quick_strings.txt", [](text_reader& r) { load_quick_strings(g_string_table, r); }},
      {"meshes.txt", [](text_reader& r) { load_module_meshes(g_module_meshes, r); }},
      {"item_kinds1.txt", [](text_reader& r) { load_item_kinds(g_item_kinds, r); }},
      {"mission_templates.txt",
       [](text_reader& r) {
         read_module_header(r);
         read_table(r, g_mission_templates, load_mission_templates);
       }},
      {"party_templates.txt",
       [](text_reader& r) {
         read_module_header(r);
         read_table(r, g_party_templates, load_party_templates);
       }},
      {"actions.txt", [](text_reader& r) { read_action_table(r, g_action_table); }},
      {"conversation.txt",
       [](text_reader& r) {
         read_module_header(r);
         load_dialogs(g_conversation, r);
       }},
  };
  return files;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class SampleModule : public ::testing::Test {
 protected:
  void SetUp() override {
    test::register_test_resources();
    clear_hook_script_map();
    g_module_settings.set_defaults();
  }
  void TearDown() override {
    clear_hook_script_map();
    g_module_settings.set_defaults();
    g_map_bounds = world_map_bounds{};
    g_display_wp = weapon_proficiency_display{};
  }
};

TEST_F(SampleModule, ModuleIniAndGameVariablesLoad) {
  test::scoped_working_folder in_data(HOOFMARCH_DATA_DIR);
  set_module_name("Sample");
  std::FILE* file = platform::open_file(module_file_path("module.ini"), "r");
  ASSERT_NE(file, nullptr);
  read_ini_file(g_module_ini_table, file);
  std::fclose(file);
  test::log_capture log;
  int resource_loads = 0;
  process_module_info(g_module_ini_table, [&](const ruv_string&, bool) { ++resource_loads; });
  EXPECT_TRUE(log.lines_starting_with("Unrecognized").empty()) << log.text();
  EXPECT_EQ(g_module_settings.module_name, "Sample");
  EXPECT_EQ(g_module_settings.starting_year, 1257);
  EXPECT_FLOAT_EQ(g_map_bounds.max_x, 180.0f);
  EXPECT_EQ(g_display_wp.firearms, 0);

  load_game_variables();
  EXPECT_GT(find_ini_key(g_game_variables_table, "character_window_x"), -1);
}

TEST_F(SampleModule, EveryFileLoadsAndEveryEngineCodeIsMapped) {
  test::scoped_working_folder in_data(HOOFMARCH_DATA_DIR);
  set_module_name("Sample");
  test::log_capture log;
  load_data_files();
  for (const module_file& f : module_files()) {
    text_reader reader;
    open_text_file(reader, module_file_path(f.name));
    f.load(reader);
    // Every record was read: nothing but blanks is left.
    EXPECT_EQ(reader.unread().find_first_not_of(" \t\r\n"), std::string_view::npos) << f.name;
  }
  load_skeleton_bodies("Data\\skeleton_bodies.xml");
  fix_skeletons();

  EXPECT_TRUE(log.lines_starting_with("WARNING: UNABLE TO MAP").empty()) << log.text();
  EXPECT_TRUE(log.lines_starting_with("WARNING: Unable to find material").empty()) << log.text();
  for (int k = 0; k < game_hook_count; ++k) EXPECT_GE(g_hook_script_map[k], 0) << k;
  EXPECT_EQ(g_particle_systems.codes[0], g_particle_systems.codes[10]);

  EXPECT_EQ(g_item_modifiers[0].id, "imod_plain");
  EXPECT_EQ(g_item_modifiers[42].id, "imod_large_bag");
  EXPECT_EQ(g_ground_specs[10].name, "path");
  EXPECT_EQ(g_mission_types[10].name, "free roam");
  EXPECT_EQ(g_skyboxes.size(), 2u);
  EXPECT_EQ(g_flora_kinds.size(), 3u);
  EXPECT_GE(g_action_table.count(), 1);
  EXPECT_EQ(g_skeleton_bodies.size(), 2u);
  EXPECT_GE(g_game_menus.size(), 1u);
  EXPECT_GE(g_map_icons.size(), 1u);
  EXPECT_GE(g_mission_templates.size(), 1u);
  EXPECT_GE(g_party_templates.size(), 1u);
  EXPECT_GE(g_string_table.module_string_count(), 1);
  EXPECT_GE(g_string_table.quick_string_count(), 1);
  EXPECT_GE(g_module_meshes.count(), 1);
  EXPECT_EQ(g_sound_manager.sound_count(), sound_slot_count);
  EXPECT_EQ(g_music_tracks.track_count(), 3);
  ASSERT_EQ(find_scene_prop_kind("spr_barrel"), 1);
  EXPECT_EQ(g_tableau_materials.codes[2], 2);
  EXPECT_EQ(g_scene_prop_kinds[1].triggers.count(), 1);
  EXPECT_EQ(find_flora_kind(g_flora_kinds[2].name), 2);
  ASSERT_GE(g_item_kinds.size(), 2u);
  EXPECT_EQ(g_item_kinds[find_item_kind("itm_sword")].get_mesh_name(2), "sword_a_rusty");
  EXPECT_GE(g_conversation.line_count(), 1);
}

// Each module file of the sample with its last token removed: the loader must
// stop with the end-of-file error naming the file.
TEST_F(SampleModule, EachFileCutShortEndsInTheEndOfFileError) {
  test::temp_folder game;
  const std::filesystem::path sample = std::filesystem::path(HOOFMARCH_DATA_DIR) / "Modules" / "Sample";
  for (const module_file& f : module_files()) {
    std::string text = read_file(sample / f.name);
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    ASSERT_NE(last, std::string::npos) << f.name;
    const std::size_t cut = text.find_last_of(" \t\r\n", last);
    game.write(std::string("Modules/Cut/") + f.name, text.substr(0, cut == std::string::npos ? 0 : cut));
  }
  test::scoped_working_folder in_game(game.path());
  set_module_name("Cut");
  for (const module_file& f : module_files()) {
    const std::string path = module_file_path(f.name);
    text_reader reader;
    open_text_file(reader, path);
    EXPECT_EQ(fatal_message([&] { f.load(reader); }), "Unexpected End of File while reading file: " + path) << f.name;
  }
}

}  // namespace
}  // namespace hm
