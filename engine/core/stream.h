#pragma once
// The serialisation interface of every file the engine reads or writes in its own
// formats: resource files (binary and text twins), the module's text files,
// settings files, scene-object files and save games.
//
// A stream holds the whole file in a memory buffer. A reader loads the file in
// one piece when it is opened and then takes values from the buffer; a writer
// appends values to the buffer and hands them to the file when it is flushed.
// Record code is written once against `stream` with paired write/read calls; the
// kind of stream decides the encoding, so the same code serves both forms.
//
// Binary form: little-endian values, no alignment, no padding, no type tags; the
// order of the calls is the format. A string is a 4-byte length followed by
// exactly that many characters, with no terminator.
//
// Text form: blank-separated tokens (a blank is any byte below 33); a token that
// starts with a double quote runs to the next double quote. Writes add no quotes.
//
// Reading past the end of the data, a length that does not fit the data, and a
// keyword mismatch under verify_next all end in the fatal routine (ruv_error),
// with the stream's name in the message.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

struct rotation;
struct frame;

class stream {
 public:
  stream() = default;
  virtual ~stream();
  stream(const stream&) = delete;
  stream& operator=(const stream&) = delete;

  // --- the shared operations (the kinds decide the encoding) -------------------------
  // Buffer length 0, read position 0 (a writer also forgets what it flushed).
  virtual stream& clear();
  // Read position 0.
  virtual stream& rewind();
  // A nested stream; see the kinds for the two forms.
  virtual stream& write_stream(const stream& other) = 0;
  virtual stream& write_float(float value) = 0;
  virtual stream& write_bool(bool value) = 0;
  virtual stream& write_u64(std::uint64_t value) = 0;
  virtual stream& write_i64(std::int64_t value) = 0;
  virtual stream& write_u32(std::uint32_t value) = 0;
  virtual stream& write_int(std::int32_t value) = 0;
  virtual stream& write_char(char value) = 0;
  // Text without its terminator; null writes as "".
  virtual stream& write_cstr(const char* text) = 0;
  virtual stream& write_string(const ruv_string& text) = 0;
  // Replaces the target's content with the nested stream's bytes.
  virtual stream& read_stream(stream& target) = 0;
  virtual stream& read_float(float& value) = 0;
  virtual stream& read_bool(bool& value) = 0;
  virtual stream& read_u32(std::uint32_t& value) = 0;
  virtual stream& read_u64(std::uint64_t& value) = 0;
  virtual stream& read_i64(std::int64_t& value) = 0;
  virtual stream& read_int(std::int32_t& value) = 0;
  virtual stream& read_char(char& value) = 0;
  // Replaces the target's text (or, with verify_next set in the text form, checks it).
  virtual stream& read_string(ruv_string& text) = 0;
  // True when the read position is at or past the buffer length.
  virtual bool at_end() const;
  // Arrays in one piece: in the binary form, when n bytes are left, the next n
  // bytes as they lie in the file, and the read position moves past them. Null
  // otherwise (the text form, writers, fewer bytes left) and nothing moves: the
  // caller then reads value by value and meets the usual errors where they lie.
  virtual const char* try_take_raw(std::size_t n);
  virtual stream& set_auto_flush(std::uint8_t on);
  virtual std::uint8_t get_auto_flush() const;
  // Hands unflushed bytes to the open file (writers only; no effect elsewhere).
  // Returns true on failure: the file took fewer bytes than were pending, or
  // could not be flushed. False when nothing was pending or no file is open.
  virtual bool flush();

  // --- files -----------------------------------------------------------------------------------
  // Writers: flushes and closes the file. The file is always closed. Returns 0 on
  // success, non-zero when the flush or the close failed, and 1 when no file was
  // open for writing (so closing twice gives 1 the second time).
  int close();

  // The unread part of the buffer (read position to the end).
  std::string_view unread() const;
  // The whole buffer.
  std::string_view contents() const { return buffer.view(); }
  // Appends raw bytes to the buffer as they stand: no length, no blank, no flush.
  void append_raw(std::string_view bytes);

  // --- state (public: loaders set verify_next and read the name) -------------------------
  // The path given to the last open (or the name given to an in-memory open).
  ruv_string name;
  // Text form only: the next read_string checks the target's present content
  // against the token instead of replacing it ("format broken" on a difference).
  std::int32_t verify_next = 0;
  // When set, every text write calls flush right after it.
  std::uint8_t auto_flush = 0;
  // Writers: count of buffer bytes already handed to the file.
  std::uint32_t flushed = 0;
  // The data; its read position is the stream's read position. A zero byte
  // always follows the data.
  ruv_string buffer;
  std::FILE* file = nullptr;
  // 1 at construction and after close, 0 while a file is open without error
  // (readers: after a successful open).
  std::uint8_t failed = 1;
  // 1 between a successful writer open and close.
  std::uint8_t open_for_writing = 0;

 protected:
  // Bytes left between the read position and the end of the buffer.
  int remaining() const;
  // Ends the program with "Unexpected End of File while reading file: %s".
  [[noreturn]] void fail_end_of_file() const;
  // Copies n raw bytes from the read position and advances; fatal when fewer remain.
  void take_bytes(void* destination, int n);
  // Loads the buffer from a file or from memory for a reader.
  bool load_file(std::string_view path, bool text_mode);
  void load_memory(std::string_view stream_name, const void* data, std::size_t size, bool text_mode);
  // Opens a file for writing with the given standard open mode; 0 or -1.
  int open_for_write(std::string_view path, const char* mode);
  // The writers' flush: writes the bytes after `flushed`.
  bool write_pending();
};

// --- text form -------------------------------------------------------------------------------------
// Numbers are written as decimal tokens followed by one blank ("%f " for floats,
// so the text form keeps six decimals). Reads take one token each:
// - read_int / read_u32: a leading "-" negates; at most 15 characters after it are
//   taken; each adds (character - '0') to ten times the value so far, without a
//   check that it is a digit ("12x" reads as 12 * 10 + ('x' - '0')); the scan
//   stops at a byte of 128 and above.
// - read_i64 / read_u64: the same without a length limit, over 64 bits; only
//   read_i64 takes a sign.
// - read_float: the standard text-to-double conversion. read_bool, read_char: the
//   token as an integer (atoi); read_char keeps its low byte.
// Tokens are read whole, however long; nothing is cut.
class text_stream : public stream {
 public:
  ~text_stream() override = default;

  // The nested stream in text form is "<length>", two blanks, then exactly that
  // many raw bytes: the length and the separator as the writer has always put
  // them, and a reader that skips exactly that separator, so a nested stream
  // reads back byte for byte (including leading blanks or quotes in its data).
  stream& write_stream(const stream& other) override;
  stream& write_float(float value) override;
  stream& write_bool(bool value) override;
  stream& write_u64(std::uint64_t value) override;
  stream& write_i64(std::int64_t value) override;
  stream& write_u32(std::uint32_t value) override;
  stream& write_int(std::int32_t value) override;
  stream& write_char(char value) override;
  stream& write_cstr(const char* text) override;
  stream& write_string(const ruv_string& text) override;
  stream& read_stream(stream& target) override;
  stream& read_float(float& value) override;
  stream& read_bool(bool& value) override;
  stream& read_u32(std::uint32_t& value) override;
  stream& read_u64(std::uint64_t& value) override;
  stream& read_i64(std::int64_t& value) override;
  stream& read_int(std::int32_t& value) override;
  stream& read_char(char& value) override;
  stream& read_string(ruv_string& text) override;

 protected:
  // Appends text and flushes when auto_flush is set.
  void put_text(std::string_view text);
  // The next token, in place in the buffer (no copy: every number read takes
  // one); fatal at the end of the data.
  std::string_view next_token();
  // The next token, which must be a whole number: anything else is a fatal
  // error naming the file, the line, what was expected and what stood there.
  std::string_view next_number_token(const char* expected);
  [[noreturn]] void fail_not_a_number(std::string_view token, const char* expected) const;
};

// Reads a text file or text held in memory. Value writes have no effect;
// write_stream, write_char and write_cstr still append to the buffer.
class text_reader : public text_stream {
 public:
  ~text_reader() override = default;
  // Loads the whole file (a CR before an LF is dropped, as "r" does on the
  // systems the data comes from). False, with `failed` set, when it cannot be read.
  bool open(std::string_view path);
  // Takes text held in memory; `stream_name` names it in error messages.
  void open_memory(std::string_view stream_name, const void* data, std::size_t size);

  stream& write_float(float) override { return *this; }
  stream& write_bool(bool) override { return *this; }
  stream& write_u64(std::uint64_t) override { return *this; }
  stream& write_i64(std::int64_t) override { return *this; }
  stream& write_u32(std::uint32_t) override { return *this; }
  stream& write_int(std::int32_t) override { return *this; }
  stream& write_string(const ruv_string&) override { return *this; }
};

// The buffered text-file writer (the engine log is one). Value reads have no
// effect; read_stream and read_char still read.
class text_file_writer : public text_stream {
 public:
  ~text_file_writer() override;
  // Opens the file with a standard open mode ("w" for a new file, "a" to append).
  // 0 on success, -1 (with `failed` set) on failure.
  int open(std::string_view path, const char* mode = "w");
  bool flush() override;

  stream& read_float(float&) override { return *this; }
  stream& read_bool(bool&) override { return *this; }
  stream& read_u32(std::uint32_t&) override { return *this; }
  stream& read_u64(std::uint64_t&) override { return *this; }
  stream& read_i64(std::int64_t&) override { return *this; }
  stream& read_int(std::int32_t&) override { return *this; }
  stream& read_string(ruv_string&) override { return *this; }
};

// --- binary form ---------------------------------------------------------------------------------
class binary_stream : public stream {
 public:
  ~binary_stream() override = default;

  // The nested stream in binary form is the 4-byte length of the other stream's
  // unread part, then those bytes.
  stream& write_stream(const stream& other) override;
  stream& write_float(float value) override;
  stream& write_bool(bool value) override;
  stream& write_u64(std::uint64_t value) override;
  stream& write_i64(std::int64_t value) override;
  stream& write_u32(std::uint32_t value) override;
  stream& write_int(std::int32_t value) override;
  stream& write_char(char value) override;
  stream& write_cstr(const char* text) override;
  stream& write_string(const ruv_string& text) override;
  stream& read_stream(stream& target) override;
  stream& read_float(float& value) override;
  stream& read_bool(bool& value) override;
  stream& read_u32(std::uint32_t& value) override;
  stream& read_u64(std::uint64_t& value) override;
  stream& read_i64(std::int64_t& value) override;
  stream& read_int(std::int32_t& value) override;
  stream& read_char(char& value) override;
  stream& read_string(ruv_string& text) override;
  const char* try_take_raw(std::size_t n) override;

 protected:
  // A 4-byte length that must fit the bytes left; fatal otherwise. `what` names
  // the kind of value in the message.
  int read_length(const char* what);
};

// Reads a binary file or bytes held in memory. Value writes have no effect.
class binary_reader : public binary_stream {
 public:
  ~binary_reader() override = default;
  // Loads the whole file. False, with `failed` set, when it cannot be read.
  bool open(std::string_view path);
  // Takes bytes held in memory; `stream_name` names them in error messages.
  void open_memory(std::string_view stream_name, const void* data, std::size_t size);

  stream& write_float(float) override { return *this; }
  stream& write_bool(bool) override { return *this; }
  stream& write_u64(std::uint64_t) override { return *this; }
  stream& write_i64(std::int64_t) override { return *this; }
  stream& write_u32(std::uint32_t) override { return *this; }
  stream& write_int(std::int32_t) override { return *this; }
  stream& write_string(const ruv_string&) override { return *this; }
};

// Writes a binary file. Value reads have no effect.
class binary_writer : public binary_stream {
 public:
  ~binary_writer() override;
  // Opens the file "wb". 0 on success, -1 (with `failed` set) on failure.
  int open(std::string_view path);
  bool flush() override;

  const char* try_take_raw(std::size_t) override { return nullptr; }
  stream& read_float(float&) override { return *this; }
  stream& read_bool(bool&) override { return *this; }
  stream& read_u32(std::uint32_t&) override { return *this; }
  stream& read_u64(std::uint64_t&) override { return *this; }
  stream& read_i64(std::int64_t&) override { return *this; }
  stream& read_int(std::int32_t&) override { return *this; }
  stream& read_string(ruv_string&) override { return *this; }
};

// --- frames ------------------------------------------------------------------------------------------
// A frame as 12 floats: the three axes s, f, u (each x, y, z), then the origin.
void write_frame(stream& s, const frame& value);
void read_frame(stream& s, frame& value);
// The rotation alone: the first nine floats of the frame form.
void write_rotation(stream& s, const rotation& value);
void read_rotation(stream& s, rotation& value);

// How many records of `record_size` bytes to make room for when a stream says
// `count` follow: the count, but no more than the bytes left could hold (each
// record takes at least two of them, a token and its blank) and never a room of
// more than sixteen times the bytes left (records of the module's text files
// take up to about ten times their text in memory). An honest count is met in one
// allocation; a lying one reaches the reader's end-of-file error instead of a
// giant allocation.
std::size_t record_room(const stream& s, std::int64_t count, std::size_t record_size);

// A value of the binary form from its bytes (little-endian, as the binary
// streams' hosts are).
template <typename T>
T binary_value(const char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// Length in bytes of an open file; the file position is left where it was.
long get_file_length(std::FILE* file);

}  // namespace hm
