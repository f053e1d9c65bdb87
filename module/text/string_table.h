#pragma once
// Module strings (strings.txt, operand tag 3) and quick strings
// (quick_strings.txt, operand tag 22): identifiers with texts whose underscores
// stand for blanks.
#include <vector>

#include "engine/core/ruv_string.h"

namespace hm {

class text_reader;

struct module_string {
  ruv_string id;
  ruv_string text;
};

struct string_table {
  std::vector<module_string> module_strings;
  std::vector<module_string> quick_strings;

  int module_string_count() const { return static_cast<int>(module_strings.size()); }
  int quick_string_count() const { return static_cast<int>(quick_strings.size()); }
};

extern string_table g_string_table;

// strings.txt after its header (read by the caller): count, records.
void load_module_strings(string_table& table, text_reader& reader);
// quick_strings.txt, which has no header: count, records.
void load_quick_strings(string_table& table, text_reader& reader);

}  // namespace hm
