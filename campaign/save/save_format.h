#pragma once
// The saved game's file: a short header that the slot list shows without
// reading further, then the whole changing state of the running campaign,
// section after section, written and read in one order through the binary
// streams (little-endian, no markers, no lengths, no checksum). The reader
// fills a game whose tables the module has already loaded: the file holds
// only what changes during a campaign.
#include <cstdint>
#include <string>

#include "engine/core/ruv_string.h"

namespace hm {

class campaign_game;
class game;
class stream;

// "SKVL" as the four bytes of the file, read as one little-endian word.
inline constexpr std::int32_t save_file_tag = 'S' | ('K' << 8) | ('V' << 16) | ('L' << 24);
inline constexpr std::int32_t save_file_version = 1011;
// The oldest and newest file versions the slot list accepts.
inline constexpr std::int32_t oldest_save_file_version = 1000;
// From this file version on the header holds the module version, and above
// the second one the save name.
inline constexpr std::int32_t save_version_with_module_version = 704;
inline constexpr std::int32_t save_version_without_save_name = 960;
// The second party word of an encounter that has none.
inline constexpr std::int32_t saved_no_second_party = -100000;

struct save_header {
  ruv_string save_name;
  ruv_string player_name;
  std::int32_t player_level = 0;
  float game_hours = 0.0f;
  std::int32_t file_version = save_file_version;
  std::int32_t tag = save_file_tag;
  std::int32_t module_version = 0;
};

// The header of the running game: the player troop's name (its translation
// when the language has one), the game's save name (the player name when it
// is empty), the level and the hours since the campaign began.
void fill_save_header(const game& g, const campaign_game& campaign, save_header& header);
// Tag, version, module version, save name, player name, level, hours; 0.
int write_save_header(const save_header& header, stream& writer);
// Reads under the version rules: no module version below 704, no save name
// up to 960 (the player name stands in). A short or broken header is fatal
// ("Load error: ..." or the stream's end-of-file error).
bool read_save_header(save_header& header, stream& reader);

// Every section of the running game in file order; 0. Parties removed but
// still kept (state 2) are purged from the pool first.
int save_game_state(game& g, campaign_game& campaign, stream& writer);
// Every section into a game just filled from the module's tables. A count
// beyond its table, an index outside its table or a file that ends early is
// fatal with "Load error: ..." (or the stream's end-of-file error).
void read_game_state(game& g, campaign_game& campaign, stream& reader);

// read_game_state for a running program: a bad file is no longer fatal. The
// tables outside the game object that the reader fills (script globals,
// party templates, item kinds, skills, the campaign clock) are put back as
// they were when it fails. Returns the empty text on success, else the error
// ("Load error: ..." naming the file and what was wrong). The game object and
// its campaign are then half-filled and must be dropped by the caller.
std::string try_read_game_state(game& g, campaign_game& campaign, stream& reader);
// The same for a header alone (the slot list, the launch's first step).
std::string try_read_save_header(save_header& header, stream& reader);

// The text the player sees for a failed load of a file: the error as it
// stands when it starts with "Load error: ", else behind that prefix; the
// file named when the error does not name it.
std::string load_error_text(const std::string& error, const std::string& file);

}  // namespace hm
