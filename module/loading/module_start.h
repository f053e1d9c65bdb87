#pragma once
// The part of loading a module that runs before its text files: the choice of
// module, the layout variables, module.ini with its directives (resource files,
// constants) and the game's Data files.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hm {

// The module a run plays, from the working (data) folder: the command line's
// choice when there is one (taken as given; a missing folder is reported when
// the module loads), else the settings store's "last_module" when that module's
// folder exists (a module that was removed since the last run is passed over),
// else "Sample".
std::string choose_module_name(std::optional<std::string_view> from_command_line);

// True when `name` can name a module folder: not empty, not "." or "..", and
// without path separators.
bool is_module_name(std::string_view name);

// The modules of the working (data) folder: the folders of "Modules\\" that
// hold a module.ini, by name.
std::vector<std::string> list_modules();

// The modules as one line for a message: "Sample, Fresh", or "none".
std::string module_list_text();

// The engine's own resource files (CommonRes), in the order later files rely
// on: materials name the shaders and textures of the files before them.
inline constexpr const char* core_resource_files[] = {"core_shaders", "core_textures", "core_materials",
                                                      "core_ui_meshes", "core_pictures"};
void load_core_resource_files();

// Sets the running module after checking that its folder exists (fatal
// "Unable to find module folder <folder>" followed by the modules there are,
// when it does not, or when the name cannot be one).
void start_module(std::string_view module_name);

// The layout variables (game_variables.txt, silently nothing when missing) and
// module.ini into the module.ini table (fatal "Unable to find module info
// file" when it cannot be opened).
void read_module_ini();

// All at once, as the loading steps do one a frame: sets the running module, reads its game_variables.txt and module.ini (fatal
// "Unable to find module info file" when module.ini cannot be opened), applies
// module.ini's directives (resource files load as their lines come) and reads
// the Data files. A module whose folder does not exist (or a name that cannot
// be one) is fatal "Unable to find module folder <folder>" before anything is
// read.
void load_module_info_and_data_files(std::string_view module_name);

// music.txt into the music player, unless music or sound is disabled
// ("Loading Music..." in the log; fatal "Unable to find module music file"
// when it cannot be opened). The loading step between module.ini and the
// Data files.
void load_module_music();


}  // namespace hm
