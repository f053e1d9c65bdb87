#pragma once
// The running module's name and folder, and the paths of its files. The folder
// is "Modules\" + name + "\"; module files are that folder followed by a file
// name, and the game's own data files ("Data\...") are relative to the game
// folder. Paths are composed as strings of any length; platform/fs turns them
// into host paths (separators and letter case).
#include <string>
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

class text_reader;

// Sets the module name, the folder path and the resource manager's module
// folder prefix (for "Resource\" and "Textures\" of the module).
void set_module_name(std::string_view name);
const ruv_string& module_name();
// "Modules\<name>\", with its closing backslash.
const ruv_string& module_folder_path();
// The module folder path followed by the file name.
std::string module_file_path(std::string_view file_name);

// Opens a text file for a loader; fatal "Unable to open %s" (with the path)
// when it cannot be read.
void open_text_file(text_reader& reader, const std::string& path);

}  // namespace hm
