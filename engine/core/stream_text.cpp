// The text form of the streams: blank-separated tokens.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/core/log.h"
#include "engine/core/stream.h"

namespace hm {
namespace {

// Characters that the 32-bit rule takes after an optional sign.
constexpr int kIntRuleCharacters = 15;

// The 32-bit rule: no digit check, at most 15 characters after the sign, stops at
// a byte of 128 and above. Wraps like the 32-bit arithmetic it stands for.
std::uint32_t parse_int_rule(std::string_view token) {
  const auto* text = reinterpret_cast<const unsigned char*>(token.data());
  const int length = static_cast<int>(token.size());
  int i = 0;
  bool negative = false;
  if (length > 0 && text[0] == '-') {
    negative = true;
    i = 1;
  }
  std::uint32_t value = 0;
  for (int taken = 0; taken < kIntRuleCharacters && i < length; ++taken, ++i) {
    const unsigned char c = text[i];
    if (c == 0 || c >= 128) break;
    value = value * 10u + static_cast<std::uint32_t>(static_cast<int>(c) - '0');
  }
  return negative ? 0u - value : value;
}

// The 64-bit rule: every character weighted by its power of ten from the last one
// backwards (the same sum as accumulating from the front), with no digit check.
std::uint64_t parse_64_rule(std::string_view token, bool with_sign) {
  const auto* text = reinterpret_cast<const unsigned char*>(token.data());
  const int length = static_cast<int>(token.size());
  int i = 0;
  bool negative = false;
  if (with_sign && length > 0 && text[0] == '-') {
    negative = true;
    i = 1;
  }
  std::uint64_t value = 0;
  for (; i < length; ++i) value = value * 10u + static_cast<std::uint64_t>(static_cast<int>(text[i]) - '0');
  return negative ? 0u - value : value;
}

// strtol stops at the byte after the token (see ruv_string::read_token_view), so
// it runs on the buffer in place.
int token_as_int(std::string_view token) { return static_cast<int>(std::strtol(token.data(), nullptr, 10)); }

// A token that can stand for a whole number: an optional sign, then digits
// only (the rules above then wrap it as the 32- or 64-bit arithmetic would).
bool is_whole_number(std::string_view token) {
  std::size_t i = (!token.empty() && token[0] == '-') ? 1 : 0;
  if (i == token.size()) return false;
  for (; i < token.size(); ++i) {
    if (token[i] < '0' || token[i] > '9') return false;
  }
  return true;
}

}  // namespace

std::string_view text_stream::next_number_token(const char* expected) {
  const std::string_view token = next_token();
  if (!is_whole_number(token)) fail_not_a_number(token, expected);
  return token;
}

void text_stream::fail_not_a_number(std::string_view token, const char* expected) const {
  // The line is counted only here: reading a good file pays nothing for it.
  int line = 1;
  const char* start = buffer.c_str();
  if (token.data() >= start && token.data() <= start + buffer.length()) {
    for (const char* c = start; c < token.data(); ++c) line += *c == '\n';
  }
  const std::string shown(token.substr(0, 40));
  ruv_error("%s, line %d: expected %s, found \"%s\"", name.c_str(), line, expected, shown.c_str());
}

void text_stream::put_text(std::string_view text) {
  append_raw(text);
  if (auto_flush) flush();
}

std::string_view text_stream::next_token() {
  std::string_view token;
  if (!buffer.read_token_view(token)) fail_end_of_file();
  return token;
}

// --- writes --------------------------------------------------------------------------------------------

stream& text_stream::write_stream(const stream& other) {
  const std::string_view bytes = other.contents();
  std::string text = std::to_string(bytes.size());
  text += "  ";
  text.append(bytes);
  put_text(text);
  return *this;
}

stream& text_stream::write_float(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f ", static_cast<double>(value));
  put_text(text);
  return *this;
}

stream& text_stream::write_bool(bool value) {
  put_text(value ? "1 " : "0 ");
  return *this;
}

stream& text_stream::write_u64(std::uint64_t value) {
  put_text(std::to_string(value) + " ");
  return *this;
}

stream& text_stream::write_i64(std::int64_t value) {
  // The magnitude as unsigned, so the most negative value writes correctly.
  const std::uint64_t magnitude = value < 0 ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  put_text((value < 0 ? "-" : "") + std::to_string(magnitude) + " ");
  return *this;
}

stream& text_stream::write_u32(std::uint32_t value) {
  // Stored files hold these as signed decimals: 2^31 and above appear negative.
  put_text(std::to_string(static_cast<std::int32_t>(value)) + " ");
  return *this;
}

stream& text_stream::write_int(std::int32_t value) {
  put_text(std::to_string(value) + " ");
  return *this;
}

stream& text_stream::write_char(char value) {
  put_text(std::to_string(static_cast<unsigned char>(value)) + " ");
  return *this;
}

stream& text_stream::write_cstr(const char* text) {
  std::string out = text ? text : "";
  out += ' ';
  put_text(out);
  return *this;
}

stream& text_stream::write_string(const ruv_string& text) {
  std::string out(text.view());
  out += ' ';
  put_text(out);
  return *this;
}

// --- reads ---------------------------------------------------------------------------------------------

stream& text_stream::read_stream(stream& target) {
  const std::int32_t length = static_cast<std::int32_t>(parse_int_rule(next_number_token("a length")));
  // The writer puts two blanks between the length and the data.
  char separator[2];
  take_bytes(separator, 2);
  if (separator[0] != ' ' || separator[1] != ' ') ruv_error("format broken");
  if (length < 0 || length > remaining()) {
    ruv_error("Invalid stream length %d while reading file: %s", length, name.c_str());
  }
  target.clear();
  std::string bytes(static_cast<std::size_t>(length), '\0');
  take_bytes(bytes.data(), length);
  target.append_raw(bytes);
  return *this;
}

stream& text_stream::read_float(float& value) {
  // In place, as token_as_int does; the whole token must be the number.
  const std::string_view token = next_token();
  char* end = nullptr;
  value = static_cast<float>(std::strtod(token.data(), &end));
  const bool whole = !token.empty() && !std::isspace(static_cast<unsigned char>(token[0])) &&
                     end == token.data() + token.size();
  if (!whole) fail_not_a_number(token, "a number");
  return *this;
}

stream& text_stream::read_bool(bool& value) {
  value = token_as_int(next_number_token("a number")) != 0;
  return *this;
}

stream& text_stream::read_u32(std::uint32_t& value) {
  value = parse_int_rule(next_number_token("a number"));
  return *this;
}

stream& text_stream::read_u64(std::uint64_t& value) {
  value = parse_64_rule(next_number_token("a number"), false);
  return *this;
}

stream& text_stream::read_i64(std::int64_t& value) {
  value = static_cast<std::int64_t>(parse_64_rule(next_number_token("a number"), true));
  return *this;
}

stream& text_stream::read_int(std::int32_t& value) {
  value = static_cast<std::int32_t>(parse_int_rule(next_number_token("a number")));
  return *this;
}

stream& text_stream::read_char(char& value) {
  value = static_cast<char>(token_as_int(next_number_token("a number")) & 0xFF);
  return *this;
}

stream& text_stream::read_string(ruv_string& text) {
  if (verify_next) {
    // A keyword check: the file must hold what the caller already has.
    verify_next = 0;
    if (next_token() != text.view()) ruv_error("format broken");
    return *this;
  }
  if (!buffer.skip_blanks()) fail_end_of_file();
  buffer.read_token(text);
  return *this;
}

}  // namespace hm
