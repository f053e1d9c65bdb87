#pragma once
// Helpers shared by the loaders of the module's text files: the three-token
// header, record counts, texts whose underscores stand for blanks, the names
// given to statement blocks for error reports, and the common table load.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "engine/core/stream.h"

namespace hm {

// Reads and drops the header's two words; returns its version.
std::int32_t read_module_header(text_reader& reader);

// Reads a record count. A negative count is a broken file: fatal "Bad count %d
// of <what> in <owner> of file <path>" (owner: the record the list belongs to,
// "a record" when null).
std::int32_t read_record_count(text_reader& reader, const char* what, const char* owner = nullptr);

// Reads a word and turns every '_' into a blank.
void read_spaced_string(text_reader& reader, ruv_string& text);

// printf-style formatting into a string of any length (block names are built
// from identifiers of any length).
ruv_string format_name(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Drops the list's old records and reads count new ones, each constructed
// empty in its place and then filled by read_record(record, reader). Room for
// the count is made at once, as far as the bytes left could hold it
// (record_room), so a broken file's huge count ends at the reader's
// end-of-file error rather than in one giant allocation.
template <class Record, class ReadRecord>
void read_records(text_reader& reader, std::vector<Record>& list, std::int32_t count, ReadRecord read_record) {
  list.clear();
  list.shrink_to_fit();
  list.reserve(record_room(reader, count, sizeof(Record)));
  for (std::int32_t i = 0; i < count; ++i) {
    list.emplace_back();
    read_record(list.back(), reader);
  }
}

// The common table load: the count, then read_records.
template <class Record, class ReadRecord>
void load_record_table(text_reader& reader, std::vector<Record>& table, const char* what, ReadRecord read_record) {
  read_records(reader, table, read_record_count(reader, what), read_record);
}

}  // namespace hm
