#pragma once
// The pieces that several records of a saved game share: the slot vector, the
// note block, and counts read back within the bytes that remain.
#include <cstddef>
#include <cstdint>

#include "script/record_data.h"

namespace hm {

class stream;

// A count just read from the stream, accepted when it is not negative and
// that many items of at least `item_bytes` each fit the bytes that remain;
// otherwise fatal: "Load error: Invalid number of <what>: <count> in <file>".
std::int32_t checked_count(const stream& s, std::int64_t count, std::size_t item_bytes, const char* what);

// uint32 count, then the 64-bit values.
void write_slot_vector(stream& s, const slot_vector& slots);
void read_slot_vector(stream& s, slot_vector& slots);
// Per note in turn: its text, its word (the day), then the shared word (the
// tableau material), written eight times; each copy read is stored.
void write_note_block(stream& s, const script_record_data& data);
void read_note_block(stream& s, script_record_data& data);
// uint32 count, then the 32-bit values.
void write_int_list(stream& s, const std::vector<std::int32_t>& values);
void read_int_list(stream& s, std::vector<std::int32_t>& values, const char* what);

}  // namespace hm
