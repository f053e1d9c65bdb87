#pragma once
// The character file: the player character written to a plain text file of
// "key = value" lines, and read back onto the player character of another
// game. The file lives in the folder "CharExport" of the player's data folder,
// named after the character.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

struct ini_table;
struct troop;

// The folder of the character files inside the player's data folder.
inline constexpr const char* character_export_folder = "CharExport";
// The version the writer puts in the file and the reader requires.
inline constexpr std::int32_t character_file_version = 1;
// Experience an imported character may bring at most.
inline constexpr std::int32_t max_imported_experience = 644045999;
inline constexpr std::int32_t max_imported_skill = 10;
inline constexpr std::int32_t max_imported_proficiency = 699;

// The name a character is shown by: the translation of its id when there is
// one, else its own name.
ruv_string character_display_name(const troop& t);

// A file name made from a typed name that cannot leave the export folder:
// path separators, the characters a file name may not hold and control
// characters become "_", every "." becomes "_" (so neither ".." nor a hidden
// file can come of it), the result is cut to 64 bytes on a character
// boundary, and an empty result is "character". Blanks and letters beyond
// ASCII stay.
std::string safe_character_file_name(std::string_view name);

// The full path of the character's file: the export folder of the player's
// data folder, the safe name and ".txt".
std::string character_export_path(const troop& t);

// The file's text for a troop, in the fixed order of its lines.
std::string write_character_text(const troop& t);

// Writes the troop's file (the folder is made when missing). The previous
// file is replaced only once the new one is wholly written; false when the
// folder or the file cannot be written.
bool export_character(const troop& t, const std::string& path);

// What reading a character file gave.
struct character_import_result {
  bool ok = false;
  // The UI text key of the reason when refused.
  const char* error_key = "";
  // The line's key (or other detail) the reason is about.
  std::string detail;
};

// Applies a read table to the troop. A table without the version line, with
// another version, or with a value that is not a number where a number
// belongs, is refused and the troop left exactly as it was. Keys that name
// nothing the file carries are skipped. Experience, skills and proficiencies
// are held to what a character may bring (experience 0 .. 644,045,999 with
// the level recomputed from it, skills 0 .. 10 and the skill's own maximum,
// proficiencies 0 .. 699).
character_import_result import_character(troop& t, const ini_table& table);

// Reads the file at the path and applies it (import_character); a file that
// cannot be opened is refused with "ui_unable_to_open_import_file".
character_import_result import_character_file(troop& t, const std::string& path);

// The level an experience gives: the highest level from 1 to 63 whose
// threshold lies below it, 1 when none does.
std::int32_t level_for_experience(std::int32_t experience);

}  // namespace hm
