#pragma once
// Record helpers shared by the body-part readers and writers.
#include <cstdint>

#include "engine/core/math.h"
#include "engine/core/stream.h"

namespace hm::body_io {

inline void write_vec3(stream& s, const vec3& v) { s.write_float(v.x).write_float(v.y).write_float(v.z); }

inline vec3 read_vec3(stream& s) {
  vec3 v;
  s.read_float(v.x).read_float(v.y).read_float(v.z);
  return v;
}

// Flags travel as signed 32-bit integers (write_int / read_int).
inline void write_flags(stream& s, std::uint32_t flags) { s.write_int(static_cast<std::int32_t>(flags)); }
inline std::uint32_t read_flags(stream& s) {
  std::int32_t value = 0;
  s.read_int(value);
  return static_cast<std::uint32_t>(value);
}

// Ends the program with "bad body part record in <stream>: <what> <value>".
[[noreturn]] void fail_record(const stream& s, const char* what, std::int64_t value);

// Reads a count and checks it against [0, max_count]. When every item takes at
// least `min_bytes_per_item` bytes of the data (in either form), a count that
// cannot fit the data left is refused too, so a broken count never turns into a
// huge allocation.
std::int32_t read_count(stream& s, const char* what, std::int32_t max_count, int min_bytes_per_item);

}  // namespace hm::body_io
