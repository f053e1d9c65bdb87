#pragma once
// The engine's byte string. Every name, path and text in the engine is kept in
// one, and it doubles as a token reader: a read position walks the text, and the
// tokenizer splits it into blank-separated or double-quoted tokens (this is how
// the text streams and the module loaders split their lines).
//
// Texts are 8-bit bytes; case operations touch ASCII letters only. A string that
// never held a character owns no buffer and reads as "" through c_str(). When a
// buffer exists, the byte at length() is 0 and length() < capacity().
//
// Positions and lengths are ints. Operations clamp out-of-range positions to the
// text instead of reading outside it.
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace hm {

class ruv_string {
 public:
  // Size of the caller's buffer that read_token_chars fills.
  static constexpr int token_buffer_size = 8192;

  ruv_string() noexcept = default;
  // An empty text gives a string without a buffer.
  ruv_string(const char* text);
  ruv_string(std::string_view text);
  // A copy holds the characters only; its read position starts at 0.
  ruv_string(const ruv_string& other);
  ruv_string(ruv_string&& other) noexcept;
  // Copy assignment is assign(): it copies the read position too.
  ruv_string& operator=(const ruv_string& other);
  ruv_string& operator=(ruv_string&& other) noexcept;
  ruv_string& operator=(const char* text);
  ~ruv_string();

  // --- access ---------------------------------------------------------------
  const char* c_str() const { return buffer_ ? buffer_ : empty_text(); }
  // The buffer itself; null while the string has none.
  char* data() { return buffer_; }
  const char* data() const { return buffer_; }
  int length() const { return length_; }
  bool empty() const { return length_ == 0; }
  std::uint32_t capacity() const { return capacity_; }
  int read_position() const { return read_position_; }
  void set_read_position(int position) { read_position_ = position; }
  std::string_view view() const { return std::string_view(c_str(), static_cast<std::size_t>(length_)); }
  // The byte at index; 0 outside [0, length).
  char operator[](int index) const { return index >= 0 && index < length_ ? buffer_[index] : 0; }

  // --- assignment -------------------------------------------------------------
  // Takes other's characters and its read position.
  void assign(const ruv_string& other);
  // Takes the text; the read position goes back to 0. Null reads as "".
  void assign_cstr(const char* text);
  // Takes n raw bytes; the read position goes back to 0.
  void assign_chars(const char* bytes, int n);

  // --- growth -------------------------------------------------------------------
  // Both make room for n characters plus the terminator. A string without a
  // buffer gets exactly n + 1 bytes; a full one grows to the largest of twice its
  // capacity, its capacity + 128 and n + 1 (so one character at a time from
  // nothing gives 2, 130, 260, 520, ...).
  // reserve_keep keeps the text; nothing happens for n 0 or when there is room.
  void reserve_keep(int n);
  // reserve_discard makes room the same way but always leaves the string empty
  // (length 0, terminated when a buffer exists): the caller overwrites it.
  void reserve_discard(int n);
  // For a caller that wrote characters into data() after a reserve: the length
  // becomes n (clamped to what the buffer holds) and the terminator follows it.
  void set_length(int n);

  // --- editing (each leaves the terminator at length()) ---------------------------
  // Length 0; the buffer and its capacity stay.
  void clear();
  void append_char(char c);
  // n raw bytes (zeros included).
  void append_chars(const char* bytes, int n);
  void append(const ruv_string& other);
  // Removes count characters at position; count is cut at the end of the text.
  void erase(int position, int count);
  // Keeps [0, from) and [to, length).
  void erase_between(int from, int to);
  // Keeps [0, index), then other, then the old [index, length).
  void insert(int index, const ruv_string& other);
  // Leading and trailing ' ' only; tabs and line breaks stay.
  void trim_spaces();
  void underscores_to_spaces();
  void spaces_to_underscores();
  // ASCII letters only; bytes of 128 and above are left alone.
  void to_upper();
  void to_lower();
  void capitalize_first();

  // --- new strings ----------------------------------------------------------------
  // [start, min(end, length)); an empty range gives a string without a buffer.
  ruv_string substr(int start, int end) const;
  ruv_string concat(const ruv_string& other) const;
  // The text outside every <...> pair.
  ruv_string strip_tags() const;

  // --- search and comparison ---------------------------------------------------------
  // Index of c at or after start, or -1 (also when start >= length).
  int find_char(char c, int start = 0) const;
  // Searches backwards from end - 1 down to low; end -1 stands for the length.
  int rfind_char(char c, int low = 0, int end = -1) const;
  // First index i >= start at which other stands, or -1. An empty other is
  // found at start when start <= length.
  int find(const ruv_string& other, int start = 0) const;
  bool equals(const ruv_string& other) const;
  bool equals_cstr(const char* text) const;
  bool differs_from_cstr(const char* text) const { return !equals_cstr(text); }
  // [start, min(end, length)) compared with the whole of other; with an empty
  // string or an empty range the result is whether other is empty.
  bool range_equals(int start, int end, const ruv_string& other) const;

  bool operator==(const ruv_string& other) const { return equals(other); }
  bool operator==(const char* text) const { return equals_cstr(text); }

  // --- tokenizer ---------------------------------------------------------------------
  // A blank is any byte below 33; bytes of 128 and above belong to tokens.
  // Advances past blanks; true when a token character follows.
  bool skip_blanks();
  // Clears out and reads the next token into it. A token that begins with '"'
  // runs up to the next '"' (blanks included; the position moves past it, and an
  // unclosed quote runs to the end); any other token runs up to the next blank.
  // At the end of the text out stays empty.
  void read_token(ruv_string& out);
  // The same token without a copy: skips blanks, and false when the text has
  // no token left (nothing read); otherwise token holds its characters in
  // place, valid until the string changes. The byte after the token is never
  // part of a number (a blank, the closing '"' or the terminator), so C
  // conversions such as strtod may run on token.data() and stop where it ends.
  bool read_token_view(std::string_view& token);
  // The same rules into a caller's buffer of token_buffer_size bytes. At most
  // token_buffer_size - 1 characters are taken and the terminator goes right
  // after them; the rest of a longer token stays for the next read (a cut
  // quoted token continues as an unquoted one).
  void read_token_chars(char* out, int& out_length);
  // Read position 0.
  void rewind() { read_position_ = 0; }
  // Copies n raw bytes from the read position and advances past them. When
  // fewer than n bytes remain it copies nothing, leaves the position alone and
  // returns false, so a reader above can report the end of the data.
  bool read_bytes(void* destination, int n);

  // Replaces the text with up to n bytes read from file (fewer when the file
  // ends first) and rewinds. Returns the number of bytes read.
  int read_from_file(std::FILE* file, int n);

 private:
  static const char* empty_text();
  static std::uint32_t grown_capacity(std::uint32_t capacity, int n);
  void terminate() {
    if (buffer_) buffer_[length_] = 0;
  }
  bool contains_pointer(const char* p) const {
    return buffer_ && p >= buffer_ && p < buffer_ + capacity_;
  }
  template <typename Op>
  void map_bytes(Op op);
  // Finds the next token: its characters are [begin, end) and the read
  // position after it is next.
  void token_span(int& begin, int& end, int& next);
  // The same for a read position already at a token character.
  void span_at_read_position(int& begin, int& end, int& next) const;

  std::int32_t read_position_ = 0;
  char* buffer_ = nullptr;
  std::uint32_t capacity_ = 0;
  std::int32_t length_ = 0;
};

}  // namespace hm
