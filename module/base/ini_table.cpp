#include "module/base/ini_table.h"

#include <cstdlib>
#include <string>

#include "engine/core/log.h"
#include "module/base/module_paths.h"
#include "platform/fs.h"

namespace hm {

ini_table g_module_ini_table;
ini_table g_game_variables_table;

namespace {

// Bytes are signed here as they were where the files were written: everything
// from 128 up separates, like the control characters and the blank.
bool is_separator(char c) { return static_cast<signed char>(c) < 33 || c == '='; }

// The start and end of the next run of non-separators at or after pos.
bool next_run(const std::string& line, std::size_t& pos, std::size_t& begin, std::size_t& end) {
  while (pos < line.size() && is_separator(line[pos])) ++pos;
  if (pos >= line.size()) return false;
  begin = pos;
  while (pos < line.size() && !is_separator(line[pos])) ++pos;
  end = pos;
  return true;
}

void split_line(const std::string& line, ini_pair& pair) {
  std::size_t pos = 0, begin = 0, end = 0;
  if (next_run(line, pos, begin, end)) {
    pair.key = ruv_string(std::string_view(line).substr(begin, end - begin));
    pair.key.to_lower();
    if (next_run(line, pos, begin, end)) pair.value = ruv_string(std::string_view(line).substr(begin, end - begin));
  }
}

}  // namespace

void read_ini_file(ini_table& table, std::FILE* file) {
  table.pairs.clear();
  std::string line;
  // The end-of-file flag is tested before each line, as the reading loop always
  // has: a file that ends with a line feed gives one more, empty, line. A read
  // error (a folder in the file's place, a failing disk) ends the reading too,
  // or the loop would never see the end.
  while (!std::feof(file) && !std::ferror(file)) {
    line.clear();
    while (static_cast<int>(line.size()) < ini_table::max_line_length) {
      const int c = std::fgetc(file);
      if (c == EOF) break;
      line.push_back(static_cast<char>(c));
      if (c == '\n') break;
    }
    if (line.empty() && std::ferror(file)) break;
    if (!line.empty() && line[0] == '#') continue;
    if (table.count() < ini_table::max_pairs) {
      ini_pair pair;
      split_line(line, pair);
      table.pairs.push_back(std::move(pair));
    } else {
      ruv_warning("Too many lines in Ini file. Ignoring...");
    }
  }
}

std::int32_t find_ini_key(const ini_table& table, const char* key) {
  for (std::int32_t i = 0; i < table.count(); ++i) {
    if (table.pairs[static_cast<std::size_t>(i)].key.equals_cstr(key)) return i;
  }
  return -1;
}

float get_ini_float(const ini_table& table, const char* key) {
  const std::int32_t index = find_ini_key(table, key);
  if (index < 0) return 0.0f;
  return static_cast<float>(std::atof(table.pairs[static_cast<std::size_t>(index)].value.c_str()));
}

void load_game_variables() {
  std::FILE* file = platform::open_file(module_file_path("game_variables.txt"), "r");
  if (!file) return;
  read_ini_file(g_game_variables_table, file);
  std::fclose(file);
}

}  // namespace hm
