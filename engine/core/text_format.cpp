#include "engine/core/text_format.h"

#include <cstdio>
#include <vector>

namespace hm {

namespace {

// Precision of a real number placeholder, capped so that a translation
// cannot ask for a huge expansion.
constexpr int max_real_precision = 9;

}  // namespace

std::string format_text(std::string_view pattern, std::initializer_list<format_value> values) {
  const std::vector<format_value> args(values);
  std::size_t next = 0;
  std::string out;
  out.reserve(pattern.size());
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c != '%' || i + 1 >= pattern.size()) {
      out += c;
      ++i;
      continue;
    }
    const char d = pattern[i + 1];
    if (d == '%') {
      out += '%';
      i += 2;
      continue;
    }
    // The placeholder's length and the kind of value it takes.
    std::size_t length = 0;
    format_value::kind_t wanted = format_value::text;
    int precision = 6;
    if (d == 's') {
      length = 2;
    } else if (d == 'd' || d == 'i') {
      length = 2;
      wanted = format_value::integer;
    } else if (d == 'f') {
      length = 2;
      wanted = format_value::real;
    } else if (d == '.' && i + 3 < pattern.size() && pattern[i + 2] >= '0' && pattern[i + 2] <= '9' &&
               pattern[i + 3] == 'f') {
      length = 4;
      wanted = format_value::real;
      precision = pattern[i + 2] - '0';
      if (precision > max_real_precision) precision = max_real_precision;
    }
    if (length == 0 || next >= args.size() || args[next].kind != wanted) {
      out += c;
      ++i;
      continue;
    }
    const format_value& v = args[next++];
    if (wanted == format_value::text) {
      out += v.text_value;
    } else if (wanted == format_value::integer) {
      out += std::to_string(v.integer_value);
    } else {
      char buffer[512];  // the widest double in fixed notation fits
      const int n = std::snprintf(buffer, sizeof buffer, "%.*f", precision, v.real_value);
      if (n > 0) out.append(buffer, static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n) : sizeof buffer - 1);
    }
    i += length;
  }
  return out;
}

}  // namespace hm
