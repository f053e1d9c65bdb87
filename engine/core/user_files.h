#pragma once
// Files in the user's settings folder (the folder "Hoofmarch" in the user's
// application-data folder, created when missing).
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace hm {

// Opens a file of the settings folder with a standard open mode ("r", "w", "rb",
// "wb", ...). Null on failure.
std::FILE* open_user_file(std::string_view file_name, const char* mode);

// The full path of a file of the settings folder.
std::string get_user_file_path(std::string_view file_name);

// True when the path names an existing file or folder.
bool file_exists(std::string_view path);

// Replaces a file of the settings folder without ever leaving it half written:
// `write` fills a temporary file beside it (opened with `mode`, "w" or "wb"), and
// only when every write, the flush and the close succeeded is it renamed over the
// old file. On failure the old file stays as it was and the temporary goes.
bool replace_user_file(std::string_view file_name, const char* mode,
                       const std::function<bool(std::FILE*)>& write);

// The same for any file, named by its engine path.
bool replace_file(std::string_view engine_path, const char* mode, const std::function<bool(std::FILE*)>& write);

// Replaces a text file with `contents` the same way, written through the
// engine's text-file writer: the temporary is renamed over the file only when
// the writer flushed and closed it without error.
bool replace_text_file(std::string_view engine_path, std::string_view contents);

}  // namespace hm
