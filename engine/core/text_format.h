#pragma once
// Filling translated texts with values. A translation comes from the module's
// language files, so it may hold placeholders of the wrong kind, too many or
// too few, or none at all; it is never handed to printf. format_text replaces
// only the placeholders it knows (%s for a text, %d or %i for a whole number,
// %f or %.<digits>f for a real number, %% for a percent sign) with the next
// value when that value is of the kind the placeholder asks for. A placeholder
// without a matching value, and anything else after a percent sign, stays in
// the result as written; values left over are dropped.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace hm {

struct format_value {
  enum kind_t { text, integer, real };

  format_value(std::string_view t) : kind(text), text_value(t) {}
  format_value(const char* t) : kind(text), text_value(t) {}
  format_value(const std::string& t) : kind(text), text_value(t) {}
  format_value(int v) : kind(integer), integer_value(v) {}
  format_value(std::int64_t v) : kind(integer), integer_value(v) {}
  format_value(double v) : kind(real), real_value(v) {}

  kind_t kind;
  std::string_view text_value;
  std::int64_t integer_value = 0;
  double real_value = 0.0;
};

std::string format_text(std::string_view pattern, std::initializer_list<format_value> values);

}  // namespace hm
