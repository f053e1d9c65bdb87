#include "module/media/face_code_text.h"

namespace hm {

namespace {

constexpr char hex_digits[] = "0123456789abcdef";
constexpr std::size_t digits_per_word = 16;

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string face_code_digits_text(const face_code& code) {
  std::string out(face_code_digits, '0');
  for (std::size_t w = 0; w < code.size(); ++w) {
    std::uint64_t v = code[w];
    // From the least significant nibble, written right to left.
    for (std::size_t i = digits_per_word; i-- > 0;) {
      out[w * digits_per_word + i] = hex_digits[v & 15u];
      v >>= 4;
    }
  }
  return out;
}

std::string face_code_display_text(const face_code& code) { return "k=" + face_code_digits_text(code); }

std::string face_code_clipboard_text(const face_code& code) { return "0x" + face_code_digits_text(code); }

bool parse_face_code(std::string_view text, face_code& out) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  if (text.size() != face_code_text_length) return false;
  const std::string_view prefix = text.substr(0, 2);
  if (prefix != "0x" && prefix != "0X" && prefix != "k=") return false;
  face_code code{};
  for (std::size_t i = 0; i < face_code_digits; ++i) {
    const int d = digit_value(text[2 + i]);
    if (d < 0) return false;
    std::uint64_t& word = code[i / digits_per_word];
    word = (word << 4) | static_cast<std::uint64_t>(d);
  }
  out = code;
  return true;
}

}  // namespace hm
