#pragma once
// Loading a module behind the loading window, one step a frame: module.ini
// and the layout variables, the module.ini directives, music, the game's Data
// files, the module's text files (load_module_data) and last the device
// objects of every resource.
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

// The step after which load_module_step reports the loading done.
inline constexpr int module_load_last_step = 7;

// Performs step `step` (the caller keeps it, starting at 0) and advances it;
// `text` receives the loading message of the step (a UI text key, translated
// when the current language has it). True once every step is done (step 8 or
// more). The module must have been chosen with set_module_name first. Each
// step that is not the last writes "Loading progress <n>%: <text>" to the log.
bool load_module_step(int& step, ruv_string& text);

// Every loading step at once, for the tools: sets the running module (fatal
// when its folder is missing) and runs load_module_step to the end.
void load_whole_module(std::string_view module_name);

// The loading window's progress bar for a step value: step / 7, at most 1.
float module_load_progress(int step);

// Reads the module's text files into the global tables, in their fixed order:
// sounds, particle systems, skins, scene props, menus, tableau materials,
// presentations, scripts, map icons, strings, quick strings, meshes, item
// kinds, conversations, mission templates, party templates. Every table is
// rebuilt from scratch, so this also reloads a module's data in place. A file
// that cannot be opened is fatal "Unable to open %s".
void load_module_data();

// Empties every table load_module_data fills, and the music tracks (what
// plays is stopped, loaded samples are freed): every count is 0 afterwards.
// Run when the program ends, before the audio output closes.
void free_module_data();

// The reload of the developer's menu: the Data files, then load_module_data.
void reload_module_data();

}  // namespace hm
