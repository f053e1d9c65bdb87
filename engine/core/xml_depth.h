#pragma once
// A guard for XML files read by a recursive parser: their element nesting,
// measured in one pass before the parser sees them.
#include <string_view>

namespace hm {

// Deeper than any file the engine reads; a file nested deeper is refused before
// parsing, because the parser recurses once per level (a few thousand levels
// exhaust the stack) and slows down with the square of the depth.
constexpr int max_xml_depth = 64;

// The deepest element nesting of the text (an element that closes itself
// counts one level), skipping comments, declarations and quoted attribute
// values. It stops counting at limit + 1.
int xml_nesting_depth(std::string_view text, int limit = max_xml_depth);

// Whether the text is well-formed UTF-8 (no stray continuation bytes, no
// overlong forms, surrogates or code points past U+10FFFF, no sequence cut by
// the end). The XML parser steps over a multi-byte character by its lead byte
// alone, so a lead byte at the end of the text walks it past the terminator.
bool is_well_formed_utf8(std::string_view text);

// What the readers of XML files check before parsing: well-formed UTF-8 and a
// nesting no deeper than max_xml_depth.
bool xml_text_can_be_parsed(std::string_view text);

}  // namespace hm
