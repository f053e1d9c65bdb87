#include "campaign/party/record_stream.h"

#include "engine/core/log.h"
#include "engine/core/stream.h"

namespace hm {

std::int32_t checked_count(const stream& s, std::int64_t count, std::size_t item_bytes, const char* what) {
  const std::size_t left = s.unread().size();
  if (count < 0 || (item_bytes > 0 && static_cast<std::uint64_t>(count) > left / item_bytes)) {
    ruv_error("Load error: Invalid number of %s: %lld in %s", what, static_cast<long long>(count), s.name.c_str());
  }
  return static_cast<std::int32_t>(count);
}

void write_slot_vector(stream& s, const slot_vector& slots) {
  s.write_u32(static_cast<std::uint32_t>(slots.values.size()));
  for (std::int64_t v : slots.values) s.write_i64(v);
}

void read_slot_vector(stream& s, slot_vector& slots) {
  std::uint32_t raw = 0;
  s.read_u32(raw);
  // The count is a signed word in the file's own reading.
  const std::int32_t n = checked_count(s, static_cast<std::int32_t>(raw), 8, "slots");
  slots.values.assign(static_cast<std::size_t>(n), 0);
  for (std::int64_t& v : slots.values) s.read_i64(v);
}

void write_note_block(stream& s, const script_record_data& data) {
  for (const record_note& note : data.notes) {
    s.write_string(note.text);
    s.write_int(note.date);
    s.write_int(data.tableau_material);
  }
}

void read_note_block(stream& s, script_record_data& data) {
  for (record_note& note : data.notes) {
    s.read_string(note.text);
    s.read_int(note.date);
    s.read_int(data.tableau_material);
  }
}

void write_int_list(stream& s, const std::vector<std::int32_t>& values) {
  s.write_u32(static_cast<std::uint32_t>(values.size()));
  for (std::int32_t v : values) s.write_int(v);
}

void read_int_list(stream& s, std::vector<std::int32_t>& values, const char* what) {
  std::uint32_t raw = 0;
  s.read_u32(raw);
  const std::int32_t n = checked_count(s, static_cast<std::int32_t>(raw), 4, what);
  values.assign(static_cast<std::size_t>(n), 0);
  for (std::int32_t& v : values) s.read_int(v);
}

}  // namespace hm
