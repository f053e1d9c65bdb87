#include "engine/core/xml_depth.h"

#include <cstdint>

namespace hm {

int xml_nesting_depth(std::string_view text, int limit) {
  int depth = 0, deepest = 0;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    if (text.substr(i, 4) == "<!--") {
      const std::size_t end = text.find("-->", i + 4);
      i = end == std::string_view::npos ? n : end + 3;
      continue;
    }
    if (i + 1 < n && (text[i + 1] == '?' || text[i + 1] == '!')) {
      const std::size_t end = text.find('>', i + 2);
      i = end == std::string_view::npos ? n : end + 1;
      continue;
    }
    const bool closing = i + 1 < n && text[i + 1] == '/';
    // Find the tag's end, stepping over quoted values that may hold '>'.
    std::size_t j = i + 1;
    char quote = 0;
    while (j < n && (quote || text[j] != '>')) {
      if (quote) {
        if (text[j] == quote) quote = 0;
      } else if (text[j] == '"' || text[j] == '\'') {
        quote = text[j];
      }
      ++j;
    }
    const bool self_closing = j < n && j > i + 1 && text[j - 1] == '/';
    if (closing) {
      if (depth > 0) --depth;
    } else {
      ++depth;
      if (depth > deepest) deepest = depth;
      if (deepest > limit) return deepest;
      if (self_closing) --depth;
    }
    i = j < n ? j + 1 : n;
  }
  return deepest;
}

bool is_well_formed_utf8(std::string_view text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    std::uint32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07u;
    } else {
      return false;  // a continuation byte, an overlong two-byte lead, or past U+10FFFF
    }
    if (n - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (c & 0x3Fu);
    }
    const std::uint32_t least = length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u;
    if (code < least || code > 0x10FFFFu || (code >= 0xD800u && code <= 0xDFFFu)) return false;
    i += length;
  }
  return true;
}

bool xml_text_can_be_parsed(std::string_view text) {
  return is_well_formed_utf8(text) && xml_nesting_depth(text) <= max_xml_depth;
}

}  // namespace hm
