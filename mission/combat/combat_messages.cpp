#include "mission/combat/combat_messages.h"

#include <cctype>
#include <cstring>

#include "mission/combat/combat_hooks.h"
#include "module/text/translation_table.h"

namespace hm {

std::string fill_message_fields(std::string_view format, std::initializer_list<std::string> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    if (format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < format.size() && (std::strchr("-+ #0123456789.lh", format[j]) != nullptr)) ++j;
    if (j >= format.size() || !std::isalpha(static_cast<unsigned char>(format[j]))) {
      out += c;
      continue;
    }
    if (next != args.end()) out += *next++;
    i = j;
  }
  return out;
}

void report_combat_line(std::string_view key, std::uint32_t colour, std::initializer_list<std::string> args) {
  const ruv_string* text = g_translation_table.find_translation(key);
  const std::string_view format = text != nullptr ? std::string_view(text->c_str()) : key;
  g_combat_hooks().add_message(fill_message_fields(format, args), colour);
}

}  // namespace hm
