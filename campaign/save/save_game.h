#pragma once
// Saving the running game into one of the module's nine slot files, so that
// the slot always holds a whole save: the bytes go into a temporary file in
// the same folder, every write, the flush to the disk and the close are
// checked, the previous save is kept as the folder's one backup, and only
// then does the new file take the slot's name in one step. The engine log
// follows every step; the player is told the outcome.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

class campaign_game;
class game;

inline constexpr int save_slot_count = 9;
// The player's messages of a save.
inline constexpr std::uint32_t save_message_colour = 0xFFFFFFFFu;
inline constexpr std::uint32_t save_error_colour = 0xFFFF3333u;
inline constexpr const char* save_error_message = "Error: Unable to save game!!!!!";

// The documents folder's "Hoofmarch Savegames".
std::filesystem::path savegame_folder();
// savegame_folder()/<module>.
std::filesystem::path module_save_folder(std::string_view module);
// "sg%d%d.sav" of the slot (tens and units) in the module's folder.
std::filesystem::path slot_file_path(std::string_view module, int slot);
std::filesystem::path temporary_save_path(std::string_view module);
std::filesystem::path backup_save_path(std::string_view module);

// The file steps of a save. The real one works on the disk; a test may fail
// any step.
class save_file_ops {
 public:
  virtual ~save_file_ops() = default;
  virtual bool make_folders(const std::filesystem::path& folder);
  virtual bool open(const std::filesystem::path& path);
  // Bytes are written in pieces of at most save_write_piece.
  virtual bool write(const char* data, std::size_t size);
  virtual bool sync();
  virtual bool close();
  virtual bool remove(const std::filesystem::path& path);
  // The backup: a second name for the slot's present file.
  virtual bool link(const std::filesystem::path& from, const std::filesystem::path& to);
  virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to);
  virtual bool sync_folder(const std::filesystem::path& folder);

 private:
  struct open_file;
  std::shared_ptr<open_file> file_;
};
inline constexpr std::size_t save_write_piece = 64 * 1024;

// Where a save goes and how its outcome is shown.
struct save_target {
  std::string module;
  // Shows a line in the on-screen message log (may be empty).
  std::function<void(std::string_view text, std::uint32_t colour)> show;
  // The translation of a key (may be empty: the key stands).
  std::function<ruv_string(const char* key)> translate;
};

// Saves the game into the slot (0 to 8; -1: the game's current slot, which
// a slot of 0 or more replaces first) under the name (null: the game's save
// name, else the player name). 0 on success; non-zero with the slot's
// previous file untouched on any failure, which the player is told and the
// log records ("Savegame failed...").
int save_game(game& g, campaign_game& campaign, int slot, const ruv_string* name, const save_target& target,
              save_file_ops& ops);
int save_game(game& g, campaign_game& campaign, int slot, const ruv_string* name, const save_target& target);

// The bytes of a save of the game as it stands (header and state).
std::string save_game_bytes(game& g, campaign_game& campaign, const ruv_string* name);

}  // namespace hm
