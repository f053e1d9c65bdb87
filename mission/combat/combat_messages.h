#pragma once
// The combat lines of the message log: a translated text filled with its
// values by the shared placeholder filler (text_format.h), so a language
// file's placeholders never read a value that is not there.
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "engine/core/text_format.h"

namespace hm {

// The translated text of `key` filled with the values and handed to the
// message log.
void report_combat_line(std::string_view key, std::uint32_t colour, std::initializer_list<format_value> args = {});

}  // namespace hm
