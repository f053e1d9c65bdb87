#include "module/loading/module_loading.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/resource/resource_manager.h"
#include "engine/audio/sound_manager.h"
#include "module/data/data_files.h"
#include "module/records/conversation_loader.h"
#include "script/dialog/conversation.h"
#include "module/records/game_menu.h"
#include "module/media/skin.h"
#include "module/records/item_kind.h"
#include "module/records/map_icon.h"
#include "module/records/mission_template.h"
#include "module/loading/module_info.h"
#include "module/records/module_mesh.h"
#include "module/base/module_paths.h"
#include "module/base/module_settings.h"
#include "module/media/music_player.h"
#include "module/loading/module_start.h"
#include "module/base/module_text.h"
#include "module/records/particle_system.h"
#include "module/records/party_template.h"
#include "module/records/presentation_table.h"
#include "module/records/scene_prop.h"
#include "module/records/script_table.h"
#include "module/text/string_table.h"
#include "module/media/tableau_material.h"
#include "module/text/translation_table.h"
#include "module/records/world_records.h"

namespace hm {
namespace {

// The loading message of a step: the key's translation, else the key.
ruv_string loading_text(const char* key) {
  ruv_string text;
  if (!find_world_translation(ruv_string(key), text)) text = ruv_string(key);
  return text;
}

void open_module_file(text_reader& reader, const char* name) { open_text_file(reader, module_file_path(name)); }

// A table rebuilt from a file with the common header and count.
template <class Record>
void load_counted_table(const char* file, const char* what, std::vector<Record>& table,
                        void (*read)(Record&, text_reader&)) {
  text_reader reader;
  open_module_file(reader, file);
  read_module_header(reader);
  load_record_table(reader, table, what, read);
}

}  // namespace

float module_load_progress(int step) {
  return std::min(static_cast<float>(step) / static_cast<float>(module_load_last_step), 1.0f);
}

namespace {

bool run_load_step(int& step, ruv_string& text) {
  switch (step) {
    case 0:
      text = loading_text("ui_loading_module_info_file");
      step = 1;
      return false;
    case 1:
      read_module_ini();
      // The module's translations over the engine's.
      load_translations(module_folder_path().view());
      text = loading_text("ui_processing_ini_file");
      step = 2;
      return false;
    case 2:
      process_module_info();
      text = loading_text("ui_loading_music");
      step = 3;
      return false;
    case 3:
      load_module_music();
      text = loading_text("ui_loading_data");
      step = 5;
      return false;
    case 4:
    case 5:
      load_data_files();
      text = loading_text("ui_loading_setting_data");
      step = 6;
      return false;
    case 6:
      load_module_data();
      text = loading_text("ui_loading_textures");
      step = 7;
      return false;
    case 7:
      log_line("Loading Textures...\n");
      g_resource_manager.init_device_objects(true, module_folder_path());
      log_line("Finished Loading Textures...\n");
      text = loading_text("ui_finished");
      step = 8;
      return false;
    default:
      return true;
  }
}

}  // namespace

bool load_module_step(int& step, ruv_string& text) {
  if (run_load_step(step, text)) return true;
  // What the loading window shows, also in the log: a stalled or failed load
  // shows there how far it came.
  char line[64];
  std::snprintf(line, sizeof line, "Loading progress %d%%: ", static_cast<int>(module_load_progress(step) * 100.0f + 0.5f));
  log_line(std::string(line) + text.c_str() + "\n");
  return false;
}

void load_whole_module(std::string_view module_name) {
  start_module(module_name);
  int step = 0;
  ruv_string text;
  while (!load_module_step(step, text)) {
  }
}

void load_module_data() {
  {
    text_reader reader;
    open_module_file(reader, "sounds.txt");
    read_module_header(reader);
    load_sounds(g_sound_manager, reader, g_module_settings.scan_module_sounds, module_folder_path().view());
  }
  {
    text_reader reader;
    open_module_file(reader, "particle_systems.txt");
    read_module_header(reader);
    load_particle_systems(g_particle_systems, reader);
  }
  {
    text_reader reader;
    open_module_file(reader, "skins.txt");
    read_module_header(reader);
    read_skins(g_skins, reader);
  }
  {
    text_reader reader;
    open_module_file(reader, "scene_props.txt");
    load_scene_props(g_scene_prop_kinds, reader);
  }
  load_counted_table("menus.txt", "game menus", g_game_menus, load_game_menus);
  {
    text_reader reader;
    open_module_file(reader, "tableau_materials.txt");
    load_tableau_materials(g_tableau_materials, reader);
  }
  {
    text_reader reader;
    open_module_file(reader, "presentations.txt");
    load_presentations(g_presentation_table, reader);
  }
  {
    text_reader reader;
    open_module_file(reader, "scripts.txt");
    load_scripts(g_script_table, reader);
  }
  {
    text_reader reader;
    open_module_file(reader, "map_icons.txt");
    read_map_icons_header(reader);
    load_record_table(reader, g_map_icons, "map icons", load_map_icons);
  }
  log_line("Loading Module...\n");
  {
    text_reader reader;
    open_module_file(reader, "strings.txt");
    read_module_header(reader);
    load_module_strings(g_string_table, reader);
  }
  {
    text_reader reader;
    open_module_file(reader, "quick_strings.txt");
    load_quick_strings(g_string_table, reader);
  }
  {
    text_reader reader;
    open_module_file(reader, "meshes.txt");
    load_module_meshes(g_module_meshes, reader);
  }
  log_line("Loading item kinds...\n");
  {
    text_reader reader;
    open_module_file(reader, "item_kinds1.txt");
    load_item_kinds(g_item_kinds, reader);
  }
  log_line("Loading dialogs...\n");
  load_conversation_file();
  log_line("Loading mission templates...\n");
  load_counted_table("mission_templates.txt", "mission templates", g_mission_templates, load_mission_templates);
  log_line("Loading party templates...\n");
  load_counted_table("party_templates.txt", "party templates", g_party_templates, load_party_templates);
}

void free_module_data() {
  g_sound_manager.clear();
  stop_music_track(g_music_tracks, 0);
  stop_music_track(g_music_tracks, 1);
  g_music_tracks.tracks.clear();
  g_music_tracks.tracks.shrink_to_fit();
  g_particle_systems = particle_system_table{};
  g_skins.skins.clear();
  g_skins.skins.shrink_to_fit();
  g_scene_prop_kinds = {};
  g_game_menus = {};
  release_tableau_materials(g_tableau_materials);
  g_tableau_materials = tableau_material_table{};
  g_presentation_table = presentation_table{};
  g_script_table = script_table{};
  g_map_icons = {};
  g_string_table = string_table{};
  g_module_meshes = module_mesh_table{};
  g_item_kinds = {};
  g_conversation.lines = {};
  g_mission_templates = {};
  g_party_templates = {};
}

void reload_module_data() {
  load_data_files();
  load_module_data();
}

}  // namespace hm
