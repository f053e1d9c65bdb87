#include "module/text/string_table.h"

#include "engine/core/stream.h"
#include "module/base/module_text.h"

namespace hm {

string_table g_string_table;

namespace {

void read_module_string(module_string& record, text_reader& reader) {
  reader.read_string(record.id);
  read_spaced_string(reader, record.text);
}

}  // namespace

void load_module_strings(string_table& table, text_reader& reader) {
  load_record_table(reader, table.module_strings, "strings", read_module_string);
}

void load_quick_strings(string_table& table, text_reader& reader) {
  load_record_table(reader, table.quick_strings, "quick strings", read_module_string);
}

}  // namespace hm
