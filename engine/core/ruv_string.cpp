#include "engine/core/ruv_string.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace hm {

namespace {
bool is_blank(char c) { return static_cast<unsigned char>(c) < 33; }
}  // namespace

const char* ruv_string::empty_text() {
  static const char zero[4] = {0, 0, 0, 0};
  return zero;
}

std::uint32_t ruv_string::grown_capacity(std::uint32_t capacity, int n) {
  const std::uint64_t needed = static_cast<std::uint64_t>(n) + 1;
  // The first buffer is exact; later ones grow geometrically with a floor of
  // 128 bytes so that appending one character at a time stays cheap.
  if (capacity == 0) return static_cast<std::uint32_t>(needed);
  std::uint64_t grown = std::max<std::uint64_t>(static_cast<std::uint64_t>(capacity) * 2,
                                                static_cast<std::uint64_t>(capacity) + 128);
  grown = std::max(grown, needed);
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(grown, 0xFFFFFFFFu));
}

// --- construction and assignment ---------------------------------------------

ruv_string::ruv_string(const char* text) : ruv_string(std::string_view(text ? text : "")) {}

ruv_string::ruv_string(std::string_view text) {
  if (text.empty()) return;
  const int n = static_cast<int>(text.size());
  reserve_keep(n);
  std::memcpy(buffer_, text.data(), text.size());
  length_ = n;
  terminate();
}

ruv_string::ruv_string(const ruv_string& other) : ruv_string(other.view()) {}

ruv_string::ruv_string(ruv_string&& other) noexcept
    : read_position_(std::exchange(other.read_position_, 0)),
      buffer_(std::exchange(other.buffer_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      length_(std::exchange(other.length_, 0)) {}

ruv_string& ruv_string::operator=(const ruv_string& other) {
  assign(other);
  return *this;
}

ruv_string& ruv_string::operator=(ruv_string&& other) noexcept {
  if (this != &other) {
    delete[] buffer_;
    read_position_ = std::exchange(other.read_position_, 0);
    buffer_ = std::exchange(other.buffer_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    length_ = std::exchange(other.length_, 0);
  }
  return *this;
}

ruv_string& ruv_string::operator=(const char* text) {
  assign_cstr(text);
  return *this;
}

ruv_string::~ruv_string() { delete[] buffer_; }

void ruv_string::assign(const ruv_string& other) {
  if (this == &other) return;
  const int n = other.length_;
  reserve_discard(n);
  if (n > 0) std::memcpy(buffer_, other.buffer_, static_cast<std::size_t>(n));
  length_ = n;
  terminate();
  read_position_ = other.read_position_;
}

void ruv_string::assign_cstr(const char* text) {
  if (!text) text = "";
  assign_chars(text, static_cast<int>(std::strlen(text)));
}

void ruv_string::assign_chars(const char* bytes, int n) {
  if (n < 0) n = 0;
  if (n > 0 && contains_pointer(bytes)) {
    // The source lies in our own buffer, which reserve_discard may free.
    ruv_string copy(std::string_view(bytes, static_cast<std::size_t>(n)));
    *this = std::move(copy);
    read_position_ = 0;
    return;
  }
  reserve_discard(n);
  if (n > 0) std::memcpy(buffer_, bytes, static_cast<std::size_t>(n));
  length_ = n;
  terminate();
  read_position_ = 0;
}

// --- growth --------------------------------------------------------------------

void ruv_string::reserve_keep(int n) {
  if (n <= 0 || capacity_ >= static_cast<std::uint64_t>(n) + 1) return;
  const std::uint32_t new_capacity = grown_capacity(capacity_, n);
  char* grown = new char[new_capacity];
  if (buffer_) {
    std::memcpy(grown, buffer_, static_cast<std::size_t>(length_) + 1);
  } else {
    grown[0] = 0;
  }
  delete[] buffer_;
  buffer_ = grown;
  capacity_ = new_capacity;
}

void ruv_string::set_length(int n) {
  if (!buffer_) return;
  if (n < 0) n = 0;
  if (static_cast<std::uint32_t>(n) >= capacity_) n = static_cast<int>(capacity_) - 1;
  length_ = n;
  terminate();
}

void ruv_string::reserve_discard(int n) {
  if (n > 0 && capacity_ < static_cast<std::uint64_t>(n) + 1) {
    const std::uint32_t new_capacity = grown_capacity(capacity_, n);
    delete[] buffer_;
    buffer_ = nullptr;
    buffer_ = new char[new_capacity];
    capacity_ = new_capacity;
  }
  length_ = 0;
  terminate();
}

// --- editing ---------------------------------------------------------------------

void ruv_string::clear() {
  length_ = 0;
  terminate();
}

void ruv_string::append_char(char c) {
  reserve_keep(length_ + 1);
  buffer_[length_++] = c;
  terminate();
}

void ruv_string::append_chars(const char* bytes, int n) {
  if (n <= 0) return;
  if (contains_pointer(bytes)) {
    // Appending part of ourselves: the source moves when the buffer grows.
    const std::ptrdiff_t offset = bytes - buffer_;
    reserve_keep(length_ + n);
    bytes = buffer_ + offset;
  } else {
    reserve_keep(length_ + n);
  }
  std::memmove(buffer_ + length_, bytes, static_cast<std::size_t>(n));
  length_ += n;
  terminate();
}

void ruv_string::append(const ruv_string& other) {
  if (!other.buffer_) return;
  append_chars(other.buffer_, other.length_);
}

void ruv_string::erase(int position, int count) {
  if (position < 0 || position >= length_ || count <= 0) return;
  count = std::min(count, length_ - position);
  std::memmove(buffer_ + position, buffer_ + position + count,
               static_cast<std::size_t>(length_ - position - count));
  length_ -= count;
  terminate();
}

void ruv_string::erase_between(int from, int to) {
  from = std::clamp(from, 0, length_);
  to = std::clamp(to, from, length_);
  erase(from, to - from);
}

void ruv_string::insert(int index, const ruv_string& other) {
  if (other.length_ == 0) return;
  if (&other == this) {
    const ruv_string copy(*this);
    insert(index, copy);
    return;
  }
  index = std::clamp(index, 0, length_);
  const int n = other.length_;
  reserve_keep(length_ + n);
  std::memmove(buffer_ + index + n, buffer_ + index, static_cast<std::size_t>(length_ - index));
  std::memcpy(buffer_ + index, other.buffer_, static_cast<std::size_t>(n));
  length_ += n;
  terminate();
}

void ruv_string::trim_spaces() {
  int begin = 0;
  while (begin < length_ && buffer_[begin] == ' ') ++begin;
  int end = length_;
  while (end > begin && buffer_[end - 1] == ' ') --end;
  if (begin == 0 && end == length_) return;
  std::memmove(buffer_, buffer_ + begin, static_cast<std::size_t>(end - begin));
  length_ = end - begin;
  terminate();
}

template <typename Op>
void ruv_string::map_bytes(Op op) {
  for (int i = 0; i < length_; ++i) buffer_[i] = op(buffer_[i]);
}

void ruv_string::underscores_to_spaces() {
  map_bytes([](char c) { return c == '_' ? ' ' : c; });
}

void ruv_string::spaces_to_underscores() {
  map_bytes([](char c) { return c == ' ' ? '_' : c; });
}

void ruv_string::to_upper() {
  map_bytes([](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; });
}

void ruv_string::to_lower() {
  map_bytes([](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
}

void ruv_string::capitalize_first() {
  if (length_ > 0 && buffer_[0] >= 'a' && buffer_[0] <= 'z') buffer_[0] = static_cast<char>(buffer_[0] - 32);
}

// --- new strings -------------------------------------------------------------------

ruv_string ruv_string::substr(int start, int end) const {
  start = std::max(start, 0);
  end = std::min(end, length_);
  if (start >= end) return ruv_string();
  return ruv_string(std::string_view(buffer_ + start, static_cast<std::size_t>(end - start)));
}

ruv_string ruv_string::concat(const ruv_string& other) const {
  ruv_string result;
  result.reserve_keep(length_ + other.length_);
  result.append(*this);
  result.append(other);
  return result;
}

ruv_string ruv_string::strip_tags() const {
  ruv_string result;
  bool inside = false;
  for (int i = 0; i < length_; ++i) {
    const char c = buffer_[i];
    if (inside) {
      if (c == '>') inside = false;
    } else if (c == '<') {
      inside = true;
    } else {
      result.append_char(c);
    }
  }
  return result;
}

// --- search and comparison ------------------------------------------------------------

int ruv_string::find_char(char c, int start) const {
  for (int i = std::max(start, 0); i < length_; ++i) {
    if (buffer_[i] == c) return i;
  }
  return -1;
}

int ruv_string::rfind_char(char c, int low, int end) const {
  if (end == -1 || end > length_) end = length_;
  low = std::max(low, 0);
  for (int i = end - 1; i >= low; --i) {
    if (buffer_[i] == c) return i;
  }
  return -1;
}

int ruv_string::find(const ruv_string& other, int start) const {
  start = std::max(start, 0);
  if (other.length_ == 0) return start <= length_ ? start : -1;
  const std::size_t n = static_cast<std::size_t>(other.length_);
  for (int i = start; i <= length_ - other.length_; ++i) {
    if (std::memcmp(buffer_ + i, other.buffer_, n) == 0) return i;
  }
  return -1;
}

bool ruv_string::equals(const ruv_string& other) const {
  if (length_ != other.length_) return false;
  return length_ == 0 || std::memcmp(buffer_, other.buffer_, static_cast<std::size_t>(length_)) == 0;
}

bool ruv_string::equals_cstr(const char* text) const {
  if (!text) text = "";
  const std::size_t n = std::strlen(text);
  if (n != static_cast<std::size_t>(length_)) return false;
  return n == 0 || std::memcmp(buffer_, text, n) == 0;
}

bool ruv_string::range_equals(int start, int end, const ruv_string& other) const {
  start = std::max(start, 0);
  end = std::min(end, length_);
  if (length_ == 0 || start >= end) return other.length_ == 0;
  if (end - start != other.length_) return false;
  return std::memcmp(buffer_ + start, other.buffer_, static_cast<std::size_t>(other.length_)) == 0;
}

// --- tokenizer ---------------------------------------------------------------------------

bool ruv_string::skip_blanks() {
  int position = std::max(read_position_, 0);
  while (position < length_ && is_blank(buffer_[position])) ++position;
  if (position <= length_) read_position_ = position;
  return position < length_;
}

void ruv_string::token_span(int& begin, int& end, int& next) {
  if (!skip_blanks()) {
    begin = end = next = std::max(read_position_, 0);
    return;
  }
  span_at_read_position(begin, end, next);
}

void ruv_string::span_at_read_position(int& begin, int& end, int& next) const {
  const int position = read_position_;
  if (buffer_[position] == '"') {
    begin = position + 1;
    const void* close = std::memchr(buffer_ + begin, '"', static_cast<std::size_t>(length_ - begin));
    end = close ? static_cast<int>(static_cast<const char*>(close) - buffer_) : length_;
    next = close ? end + 1 : length_;
    return;
  }
  // The terminator at length_ is a blank, so the scan needs no bound.
  const char* p = buffer_ + position;
  while (!is_blank(*p)) ++p;
  begin = position;
  end = next = static_cast<int>(p - buffer_);
}

void ruv_string::read_token(ruv_string& out) {
  if (&out == this) {
    ruv_string token;
    read_token(token);
    const int position = read_position_;
    assign(token);
    read_position_ = position;
    return;
  }
  out.clear();
  int begin = 0, end = 0, next = 0;
  token_span(begin, end, next);
  out.append_chars(buffer_ + begin, end - begin);
  read_position_ = next;
}

bool ruv_string::read_token_view(std::string_view& token) {
  if (!skip_blanks()) return false;
  int begin = 0, end = 0, next = 0;
  span_at_read_position(begin, end, next);
  read_position_ = next;
  token = std::string_view(buffer_ + begin, static_cast<std::size_t>(end - begin));
  return true;
}

void ruv_string::read_token_chars(char* out, int& out_length) {
  int begin = 0, end = 0, next = 0;
  token_span(begin, end, next);
  int n = end - begin;
  if (n > token_buffer_size - 1) {
    // Leave what does not fit, terminator included, for the next read.
    n = token_buffer_size - 1;
    next = begin + n;
  }
  if (n > 0) std::memcpy(out, buffer_ + begin, static_cast<std::size_t>(n));
  out[n] = 0;
  out_length = n;
  read_position_ = next;
}

bool ruv_string::read_bytes(void* destination, int n) {
  if (n < 0) return false;
  const int position = std::max(read_position_, 0);
  if (position > length_ || n > length_ - position) return false;
  if (n > 0) std::memcpy(destination, buffer_ + position, static_cast<std::size_t>(n));
  read_position_ = position + n;
  return true;
}

int ruv_string::read_from_file(std::FILE* file, int n) {
  if (!file || n < 0) n = 0;
  reserve_discard(n);
  const std::size_t got = n > 0 ? std::fread(buffer_, 1, static_cast<std::size_t>(n), file) : 0;
  length_ = static_cast<int>(got);
  terminate();
  read_position_ = 0;
  return length_;
}

}  // namespace hm
