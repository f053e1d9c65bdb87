#pragma once
// The combat lines of the message log: a translated text whose printf-style
// fields are filled from given strings. The texts come from the module's
// language files, so their fields are never handed to printf: each field
// (a '%' with optional flags, width and precision and a conversion letter)
// takes the next argument, a missing one leaves it empty, and "%%" is '%'.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace hm {

std::string fill_message_fields(std::string_view format, std::initializer_list<std::string> args);

// The translated text of `key` (the key itself without a translation),
// filled and handed to the message log.
void report_combat_line(std::string_view key, std::uint32_t colour, std::initializer_list<std::string> args = {});

}  // namespace hm
