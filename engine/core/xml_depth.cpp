#include "engine/core/xml_depth.h"

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

}  // namespace hm
