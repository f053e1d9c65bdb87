// The binary form of the streams: little-endian values, no padding, no tags.
#include <bit>
#include <cstring>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"

namespace hm {

static_assert(std::endian::native == std::endian::little,
              "binary streams copy values as they lie in memory: little-endian hosts only");

namespace {

template <typename T>
void put_value(stream& s, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  s.append_raw(std::string_view(bytes, sizeof(T)));
}

}  // namespace

int binary_stream::read_length(const char* what) {
  std::int32_t length = 0;
  take_bytes(&length, 4);
  if (length < 0 || length > remaining()) {
    ruv_error("Invalid %s length %d while reading file: %s", what, length, name.c_str());
  }
  return length;
}

// --- writes --------------------------------------------------------------------------------------------

stream& binary_stream::write_stream(const stream& other) {
  const std::string_view bytes = other.unread();
  put_value<std::int32_t>(*this, static_cast<std::int32_t>(bytes.size()));
  append_raw(bytes);
  return *this;
}

stream& binary_stream::write_float(float value) {
  put_value(*this, value);
  return *this;
}

stream& binary_stream::write_bool(bool value) {
  put_value<std::uint8_t>(*this, value ? 1 : 0);
  return *this;
}

stream& binary_stream::write_u64(std::uint64_t value) {
  put_value(*this, value);
  return *this;
}

stream& binary_stream::write_i64(std::int64_t value) {
  put_value(*this, value);
  return *this;
}

stream& binary_stream::write_u32(std::uint32_t value) {
  put_value(*this, value);
  return *this;
}

stream& binary_stream::write_int(std::int32_t value) {
  put_value(*this, value);
  return *this;
}

stream& binary_stream::write_char(char value) {
  put_value(*this, value);
  return *this;
}

stream& binary_stream::write_cstr(const char* text) {
  const std::string_view chars = text ? std::string_view(text) : std::string_view();
  put_value<std::int32_t>(*this, static_cast<std::int32_t>(chars.size()));
  append_raw(chars);
  return *this;
}

stream& binary_stream::write_string(const ruv_string& text) {
  put_value<std::int32_t>(*this, text.length());
  append_raw(text.view());
  return *this;
}

// --- reads ---------------------------------------------------------------------------------------------

stream& binary_stream::read_stream(stream& target) {
  const int length = read_length("stream");
  std::string bytes(static_cast<std::size_t>(length), '\0');
  take_bytes(bytes.data(), length);
  target.clear();
  target.append_raw(bytes);
  return *this;
}

const char* binary_stream::try_take_raw(std::size_t n) {
  if (n > static_cast<std::size_t>(remaining())) return nullptr;
  const int position = buffer.read_position() < 0 ? 0 : buffer.read_position();
  buffer.set_read_position(position + static_cast<int>(n));
  return buffer.c_str() + position;
}

stream& binary_stream::read_float(float& value) {
  take_bytes(&value, sizeof value);
  return *this;
}

stream& binary_stream::read_bool(bool& value) {
  std::uint8_t byte = 0;
  take_bytes(&byte, 1);
  value = byte != 0;
  return *this;
}

stream& binary_stream::read_u32(std::uint32_t& value) {
  take_bytes(&value, sizeof value);
  return *this;
}

stream& binary_stream::read_u64(std::uint64_t& value) {
  take_bytes(&value, sizeof value);
  return *this;
}

stream& binary_stream::read_i64(std::int64_t& value) {
  take_bytes(&value, sizeof value);
  return *this;
}

stream& binary_stream::read_int(std::int32_t& value) {
  take_bytes(&value, sizeof value);
  return *this;
}

stream& binary_stream::read_char(char& value) {
  take_bytes(&value, 1);
  return *this;
}

stream& binary_stream::read_string(ruv_string& text) {
  const int length = read_length("string");
  text.clear();
  if (length > 0) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    take_bytes(bytes.data(), length);
    text.append_chars(bytes.data(), length);
  }
  return *this;
}

}  // namespace hm
