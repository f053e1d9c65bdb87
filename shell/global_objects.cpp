#include "shell/global_objects.h"

#include <iterator>

#include "engine/audio/sound_manager.h"
#include "engine/settings/key_bindings.h"
#include "module/records/action_table.h"
#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "module/base/ini_table.h"
#include "module/loading/module_loading.h"
#include "module/base/module_settings.h"
#include "module/media/music_player.h"
#include "module/data/skeleton_bodies.h"
#include "module/text/translation_table.h"
#include "module/records/world_records.h"
#include "script/ops/encounter.h"
#include "script/script_state.h"
#include "shell/state/state_dispatcher.h"

namespace hm {
namespace {

// One object: what brings it to its start values and what releases it (null
// where the object's own constructor or destructor needs no help).
struct global_object_row {
  const char* name;
  void (*start)();
  void (*release)();
};

void clear_skeleton_bodies() {
  g_skeleton_bodies.clear();
  g_skeleton_bodies.shrink_to_fit();
  clear_skeleton_bone_bodies();
}

// The objects in start-up order. Objects whose owners are not part of the
// program yet (the window manager and the UI manager, the physics worlds)
// take their place here when they are. The one mission is the game
// application's: it lives from the application's construction to its
// clean-up.
constexpr global_object_row rows[] = {
    {"resource manager", nullptr, nullptr},
    {"translation table", [] { g_translation_table.clear(); }, [] { g_translation_table.clear(); }},
    {"log", nullptr, nullptr},
    {"scene view", nullptr, nullptr},
    {"skeleton-body table", clear_skeleton_bodies, clear_skeleton_bodies},
    {"module settings", [] { g_module_settings.set_defaults(); }, nullptr},
    {"module.ini table", [] { g_module_ini_table = ini_table{}; }, [] { g_module_ini_table = ini_table{}; }},
    {"layout-variable table", [] { g_game_variables_table = ini_table{}; },
     [] { g_game_variables_table = ini_table{}; }},
    {"script state", [] { g_script_state.reset(); }, [] { g_script_state.reset(); }},
    {"mission types", nullptr, [] { g_mission_types = {}; }},
    // Empty until a game's launch resets it (the request for the game menu
    // comes with that reset).
    {"meta mission", [] { g_meta_mission = meta_mission_words{}; }, [] { g_meta_mission = meta_mission_words{}; }},
    {"window switch state", [] { g_window_switch_state = window_switch_dispatcher{}; },
     [] { g_window_switch_state = window_switch_dispatcher{}; }},
    // controls.dat, or the default keys when it is missing or broken.
    {"key bindings", [] { load_controls(g_key_bindings); }, nullptr},
    {"music player", nullptr,
     [] {
       stop_music_track(g_music_tracks, 0);
       stop_music_track(g_music_tracks, 1);
       g_music_tracks.tracks = {};
     }},
    // Rows 29 to 41 of the module's tables: load_module_data fills them, one
    // release empties them all (the scripts, presentations, tableau
    // materials, module meshes, skins, particle systems, sounds, dialogs...).
    {"module tables", nullptr, free_module_data},
    {"item modifiers", nullptr, [] { g_item_modifiers = {}; }},
    {"action table", nullptr, [] { g_action_table = action_table{}; }},
    {"sound table", nullptr, [] { g_sound_manager.clear(); }},
    {"terrain generator", nullptr, nullptr},
    {"ground specifications", nullptr,
     [] {
       g_ground_specs = {};
       g_flora_kinds = {};
       g_skyboxes = {};
     }},
    {"skills", nullptr, [] { g_skills = {}; }},
};

std::vector<std::string>& history_log() {
  static std::vector<std::string> log;
  return log;
}

}  // namespace

global_objects::global_objects() {
  history_log().clear();
  for (const global_object_row& row : rows) {
    if (row.start) row.start();
    history_log().push_back(std::string("start ") + row.name);
  }
}

global_objects::~global_objects() {
  // A game still running holds statement blocks and timers of the tables.
  g_game.reset();
  for (auto it = std::rbegin(rows); it != std::rend(rows); ++it) {
    if (it->release) it->release();
    history_log().push_back(std::string("release ") + it->name);
  }
}

std::vector<std::string> global_objects::names() {
  std::vector<std::string> out;
  for (const global_object_row& row : rows) out.emplace_back(row.name);
  return out;
}

const std::vector<std::string>& global_objects::history() { return history_log(); }

}  // namespace hm
