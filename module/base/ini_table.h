#pragma once
// The small "key = value" reader shared by module.ini and game_variables.txt,
// and the two global tables it fills.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/core/ruv_string.h"

namespace hm {

struct ini_pair {
  ruv_string key;  // lower-cased
  ruv_string value;
};

struct ini_table {
  static constexpr int max_pairs = 4096;
  // Line pieces are at most this many characters (a longer line continues as
  // further pairs).
  static constexpr int max_line_length = 250;

  // In file order; never more than max_pairs.
  std::vector<ini_pair> pairs;

  std::int32_t count() const { return static_cast<std::int32_t>(pairs.size()); }
};

// module.ini, read in start-up step 1.
extern ini_table g_module_ini_table;
// game_variables.txt: the layout variables of the user interface.
extern ini_table g_game_variables_table;

// Fills the table from a file opened for reading (the caller opens and closes
// it). Lines end at a line feed, at the end of the file or after 250
// characters; a line beginning with '#' is skipped; every other line, empty ones
// and the empty piece after a final line feed included, takes a pair. The key is
// the first run of characters that are neither '=' nor below 33 (bytes 128 and
// above count as below 33), the value the second run; the rest is ignored. Past
// 4096 pairs each further line shows "Too many lines in Ini file. Ignoring...".
void read_ini_file(ini_table& table, std::FILE* file);

// Index of the first pair whose key equals key exactly, or -1.
std::int32_t find_ini_key(const ini_table& table, const char* key);
// The key's value as a float (leading number of the text, 0 when there is
// none), 0 when the key is missing.
float get_ini_float(const ini_table& table, const char* key);

// Reads the module folder's game_variables.txt into g_game_variables_table; a
// missing file leaves the table as it is.
void load_game_variables();

}  // namespace hm
