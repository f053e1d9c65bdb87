#include "engine/core/stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "engine/core/log.h"
#include "engine/core/math.h"
#include "platform/fs.h"

namespace hm {

stream::~stream() {
  // The writers close (and flush) in their own destructors; this only makes sure
  // no handle outlives the stream.
  if (file) std::fclose(file);
  file = nullptr;
}

stream& stream::clear() {
  buffer.clear();
  buffer.set_read_position(0);
  flushed = 0;
  return *this;
}

stream& stream::rewind() {
  buffer.rewind();
  return *this;
}

bool stream::at_end() const { return buffer.read_position() >= buffer.length(); }

const char* stream::try_take_raw(std::size_t) { return nullptr; }

stream& stream::set_auto_flush(std::uint8_t on) {
  auto_flush = on;
  return *this;
}

std::uint8_t stream::get_auto_flush() const { return auto_flush; }

bool stream::flush() { return false; }

int stream::close() {
  if (!open_for_writing) return 1;
  const bool flush_failed = flush();
  const int close_result = file ? std::fclose(file) : 0;
  file = nullptr;
  failed = 1;
  open_for_writing = 0;
  if (flush_failed) return 1;
  return close_result == 0 ? 0 : -1;
}

std::string_view stream::unread() const {
  const int position = buffer.read_position();
  if (position <= 0) return buffer.view();
  if (position >= buffer.length()) return {};
  return buffer.view().substr(static_cast<std::size_t>(position));
}

void stream::append_raw(std::string_view bytes) {
  if (bytes.empty()) return;
  buffer.append_chars(bytes.data(), static_cast<int>(bytes.size()));
}

int stream::remaining() const {
  const int position = buffer.read_position() < 0 ? 0 : buffer.read_position();
  return position >= buffer.length() ? 0 : buffer.length() - position;
}

void stream::fail_end_of_file() const { ruv_error("Unexpected End of File while reading file: %s", name.c_str()); }

void stream::take_bytes(void* destination, int n) {
  if (n < 0 || n > remaining() || !buffer.read_bytes(destination, n)) fail_end_of_file();
}

bool stream::load_file(std::string_view path, bool text_mode) {
  name.assign_chars(path.data(), static_cast<int>(path.size()));
  std::FILE* in = platform::open_file(path, "rb");
  if (!in) {
    failed = 1;
    return false;
  }
  buffer.clear();
  // The bytes go straight into the buffer: one allocation of the file's size for
  // a regular file, the line ends fixed in place.
  const std::optional<std::size_t> length =
      platform::read_open_file(in, text_mode, [this](std::size_t needed, std::size_t kept) -> char* {
        // The buffer's length is an int: a file of 2 GiB or more cannot be held.
        if (needed >= static_cast<std::size_t>(INT_MAX)) return nullptr;
        buffer.set_length(static_cast<int>(kept));
        buffer.reserve_keep(static_cast<int>(needed));
        return buffer.data();
      });
  std::fclose(in);
  if (!length) {
    buffer.clear();
    failed = 1;
    return false;
  }
  buffer.set_length(static_cast<int>(*length));
  buffer.set_read_position(0);
  failed = 0;
  return true;
}

void stream::load_memory(std::string_view stream_name, const void* data, std::size_t size, bool text_mode) {
  name.assign_chars(stream_name.data(), static_cast<int>(stream_name.size()));
  if (size >= static_cast<std::size_t>(INT_MAX)) ruv_error("Data too large for a stream: %s", name.c_str());
  buffer.assign_chars(static_cast<const char*>(data), static_cast<int>(size));
  // The same line-end rule as a text file read from disk: a CR before an LF goes.
  if (text_mode && size) {
    buffer.set_length(static_cast<int>(platform::drop_cr_before_lf(buffer.data(), size)));
  }
  failed = 0;
}

int stream::open_for_write(std::string_view path, const char* mode) {
  // A writer opened again first finishes the file it had.
  if (open_for_writing) close();
  name.assign_chars(path.data(), static_cast<int>(path.size()));
  open_for_writing = 0;
  file = platform::open_file(path, mode);
  if (!file) {
    failed = 1;
    return -1;
  }
  failed = 0;
  open_for_writing = 1;
  return 0;
}

bool stream::write_pending() {
  if (!file) return false;
  const std::uint32_t length = static_cast<std::uint32_t>(buffer.length());
  if (flushed >= length) return false;
  const std::size_t pending = length - flushed;
  const std::size_t written = std::fwrite(buffer.c_str() + flushed, 1, pending, file);
  const bool flush_failed = std::fflush(file) != 0;
  flushed = length;
  return written < pending || flush_failed;
}

// --- readers and writers -------------------------------------------------------------------------

bool text_reader::open(std::string_view path) { return load_file(path, true); }

void text_reader::open_memory(std::string_view stream_name, const void* data, std::size_t size) {
  load_memory(stream_name, data, size, true);
}

text_file_writer::~text_file_writer() { close(); }

int text_file_writer::open(std::string_view path, const char* mode) { return open_for_write(path, mode); }

bool text_file_writer::flush() { return write_pending(); }

bool binary_reader::open(std::string_view path) { return load_file(path, false); }

void binary_reader::open_memory(std::string_view stream_name, const void* data, std::size_t size) {
  load_memory(stream_name, data, size, false);
}

binary_writer::~binary_writer() { close(); }

int binary_writer::open(std::string_view path) { return open_for_write(path, "wb"); }

bool binary_writer::flush() { return write_pending(); }

// --- frames ------------------------------------------------------------------------------------------

namespace {
void write_vec3(stream& s, const vec3& v) { s.write_float(v.x).write_float(v.y).write_float(v.z); }
void read_vec3(stream& s, vec3& v) { s.read_float(v.x).read_float(v.y).read_float(v.z); }
}  // namespace

void write_rotation(stream& s, const rotation& value) {
  write_vec3(s, value.s);
  write_vec3(s, value.f);
  write_vec3(s, value.u);
}

void read_rotation(stream& s, rotation& value) {
  read_vec3(s, value.s);
  read_vec3(s, value.f);
  read_vec3(s, value.u);
}

void write_frame(stream& s, const frame& value) {
  write_rotation(s, value.rot);
  write_vec3(s, value.origin);
}

void read_frame(stream& s, frame& value) {
  read_rotation(s, value.rot);
  read_vec3(s, value.origin);
}

// --- files -------------------------------------------------------------------------------------------

std::size_t record_room(const stream& s, std::int64_t count, std::size_t record_size) {
  if (count <= 0) return 0;
  const std::size_t left = s.unread().size();
  const std::size_t bytes_per_record = std::max<std::size_t>(2, record_size / 16);
  return std::min(static_cast<std::size_t>(count), left / bytes_per_record);
}

long get_file_length(std::FILE* file) {
  if (!file) return 0;
  const long position = std::ftell(file);
  std::fseek(file, 0, SEEK_END);
  const long length = std::ftell(file);
  std::fseek(file, position, SEEK_SET);
  return length;
}

}  // namespace hm
