#include "module/loading/module_start.h"

#include <cstdio>

#include "engine/core/log.h"
#include "engine/audio/sound_manager.h"
#include "engine/core/stream.h"
#include "engine/settings/ruv_config.h"
#include "module/records/conversation_loader.h"
#include "engine/resource/resource_manager.h"
#include "module/data/data_files.h"
#include "module/base/ini_table.h"
#include "module/records/item_kind.h"
#include "module/loading/module_info.h"
#include "module/base/module_text.h"
#include "module/base/module_paths.h"
#include "module/base/module_settings.h"
#include "module/media/music_player.h"
#include "module/records/scene_prop.h"
#include "module/media/skin.h"
#include "module/media/tableau_material.h"
#include "module/text/translation_table.h"
#include "platform/fs.h"
#include "platform/settings_store.h"

namespace hm {
namespace {

constexpr const char* default_module_name = "Sample";

std::string folder_of(std::string_view name) {
  std::string folder = "Modules\\";
  folder.append(name);
  folder.push_back('\\');
  return folder;
}

bool module_folder_exists(std::string_view name) {
  return is_module_name(name) && platform::file_exists(folder_of(name));
}

}  // namespace

bool is_module_name(std::string_view name) {
  // "Modules\" + name must stay one folder below "Modules\": an empty name
  // would make "Modules\" itself the module, ".." or a separator another folder.
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("/\\") == std::string_view::npos;
}

std::string choose_module_name(std::optional<std::string_view> from_command_line) {
  if (from_command_line) return std::string(*from_command_line);
  const std::optional<std::string> last = platform::read_setting("last_module");
  if (last && !last->empty() && module_folder_exists(*last)) return *last;
  return default_module_name;
}

std::vector<std::string> list_modules() {
  std::vector<std::string> names;
  for (const platform::folder_entry& e : platform::list_folder("Modules"))
    if (e.is_folder && is_module_name(e.name) && platform::file_exists(folder_of(e.name) + "module.ini"))
      names.push_back(e.name);
  return names;
}

std::string module_list_text() {
  std::string text;
  for (const std::string& name : list_modules()) text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "none" : text;
}

void load_core_resource_files() {
  for (const char* name : core_resource_files)
    g_resource_manager.load_resource_file(ruv_string(name), 0);
}

void start_module(std::string_view module_name) {
  if (!module_folder_exists(module_name)) {
    ruv_error("Unable to find module folder %s (modules: %s)", folder_of(module_name).c_str(),
              module_list_text().c_str());
  }
  set_module_name(module_name);
}

void read_module_ini() {
  load_game_variables();
  const std::string path = module_file_path("module.ini");
  std::FILE* file = platform::open_file(path, "r");
  if (!file) {
    log_line("Unable to open " + path + "\n");
    ruv_error("Unable to find module info file %s", platform::display_path(path).c_str());
  }
  read_ini_file(g_module_ini_table, file);
  std::fclose(file);
}

void load_module_info_and_data_files(std::string_view module_name) {
  start_module(module_name);
  read_module_ini();
  process_module_info();
  load_module_music();
  load_data_files();
}

void load_module_music() {
  g_music_tracks.module_folder = module_folder_path();
  if (g_ruv_config.disable_music != 0 || g_ruv_config.disable_sound != 0) return;
  log_line("Loading Music...\n");
  text_reader reader;
  const std::string path = module_file_path("music.txt");
  if (!reader.open(path)) {
    log_line("Unable to open " + path + "\n");
    ruv_error("Unable to find module music file");
  }
  load_music(g_music_tracks, reader);
}

}  // namespace hm
