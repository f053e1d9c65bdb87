#pragma once
// Files and folders for the engine. Engine code names files with its own paths
// ("Data\\font_data.xml", "Modules\\Sample\\module.ini"): backslashes, and a letter
// case that may not match the files on disk. This is the only place that turns
// them into host paths.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hm::platform {

// The host path for an engine path (relative to the working folder, or absolute).
// Backslashes become separators. When the exact path is missing, each component is
// matched without regard to letter case against what exists; components that match
// nothing are kept as given, so a new file can still be created there.
std::filesystem::path resolve_path(std::string_view engine_path);

// An engine path as a person reads it on this system: separators as '/'.
std::string display_path(std::string_view engine_path);

// A second folder behind the working folder, for the files the build generates
// (converted resource files, generated textures): a relative engine path that
// names nothing in the working folder is looked up there too. Empty: none.
void set_generated_data_folder(const std::filesystem::path& host_path);

// True when the engine path names an existing file or folder (after resolution).
bool file_exists(std::string_view engine_path);

// Opens a file through resolve_path with a C open mode ("rb", "wb", "r", "w", ...).
// Null on failure.
std::FILE* open_file(std::string_view engine_path, const char* mode);

// Reads a whole file. In text mode a CR before an LF is dropped, as text files
// written on other systems end their lines with CRLF. Empty optional on failure.
std::optional<std::string> read_whole_file(std::string_view engine_path, bool text_mode);

// Where read_open_file puts the bytes: memory for at least `needed` bytes that
// holds the first `kept` bytes given before (their old place may be freed).
// Null refuses (the file is too large for the caller).
using file_room = std::function<char*(std::size_t needed, std::size_t kept)>;

// Reads an open file from its position to its end into the caller's memory and
// returns the number of bytes there; empty on a read error or a refused room.
// A regular file is read with one room of its size and one read; a file of no
// known size (a pipe) or one that grows meanwhile is read on in rooms that
// double. Text mode drops each CR that stands before an LF, in place.
std::optional<std::size_t> read_open_file(std::FILE* file, bool text_mode, const file_room& room);

// Drops, in place, each CR that stands right before an LF (a lone CR stays);
// returns the new length.
std::size_t drop_cr_before_lf(char* data, std::size_t length);

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

// Folder listings and file times; removing and renaming go through here too, so
// the case-insensitive lookup never keeps names that are gone.

// One entry of a folder listing.
struct folder_entry {
  std::string name;   // the name as it is on disk
  bool is_folder = false;
};

// The entries of a folder (after resolution), sorted by name; empty when the folder
// is missing or cannot be read. "." and ".." are not listed.
std::vector<folder_entry> list_folder(std::string_view engine_path);

// The last modification time of a file or folder, in seconds since the Unix epoch;
// empty when it does not exist.
std::optional<std::int64_t> file_modification_time(std::string_view engine_path);

// Removes a file (not a folder). False when it did not exist or could not be removed.
bool remove_file(std::string_view engine_path);

// Renames a file, replacing the target when it exists. False on failure.
bool rename_file(std::string_view from_engine_path, std::string_view to_engine_path);

// A file written for keeps: made new (or emptied), written, flushed to the
// disk and closed, each step reporting its failure, so that a writer knows
// the bytes are on the disk before it puts the file in the place of another.
class synced_file {
 public:
  synced_file() = default;
  ~synced_file();
  synced_file(const synced_file&) = delete;
  synced_file& operator=(const synced_file&) = delete;
  bool open_new(const std::filesystem::path& host_path);
  // Every byte or false (interrupted writes are taken up again).
  bool write(const void* data, std::size_t size);
  bool sync();
  // Closes in any case; false when the close reported an error or no file was open.
  bool close();
  bool is_open() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Flushes a folder's entries (a rename into it) to the disk.
bool sync_folder(const std::filesystem::path& host_path);

// The user's configuration folder: $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path config_folder();

}  // namespace hm::platform
