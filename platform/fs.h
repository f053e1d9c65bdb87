#pragma once
// Files and folders for the engine. Engine code names files with its own paths
// ("Data\\font_data.xml", "Modules\\Sample\\module.ini"): backslashes, and a letter
// case that may not match the files on disk. This is the only place that turns
// them into host paths.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hm::platform {

// The host path for an engine path (relative to the working folder, or absolute).
// Backslashes become separators. When the exact path is missing, each component is
// matched without regard to letter case against what exists; components that match
// nothing are kept as given, so a new file can still be created there.
std::filesystem::path resolve_path(std::string_view engine_path);

// True when the engine path names an existing file or folder (after resolution).
bool file_exists(std::string_view engine_path);

// Opens a file through resolve_path with a C open mode ("rb", "wb", "r", "w", ...).
// Null on failure.
std::FILE* open_file(std::string_view engine_path, const char* mode);

// Reads a whole file. In text mode a CR before an LF is dropped, as text files
// written on other systems end their lines with CRLF. Empty optional on failure.
std::optional<std::string> read_whole_file(std::string_view engine_path, bool text_mode);

// Creates a folder and its parents; an existing folder is no error.
bool create_folders(const std::filesystem::path& host_path);

// The user's application-data folder: $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path app_data_folder();
// The user's documents folder: the XDG documents folder, else ~/Documents.
std::filesystem::path documents_folder();
// app_data_folder()/Hoofmarch, created when missing: the engine's settings folder.
std::filesystem::path settings_folder();

// Forgets what the case-insensitive lookup learnt about folders (after files were
// created or removed behind its back).
void invalidate_path_cache();

}  // namespace hm::platform
