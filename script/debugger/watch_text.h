#pragma once
// The text the script debugger shows for a statement: the statement as the
// module's source writes it, with the current value of every parameter that
// is not a literal number written after it (" = 5"). The source is the text
// of the module's scripts file; statements are found by counting the "),"
// that close them after the script's quoted name.
#include <cstdint>
#include <string>
#include <string_view>

#include "script/operation.h"

namespace hm {

// The script's name of a block named "script: <name>": the text after the
// first blank (the whole name when there is none).
std::string_view debugger_script_name(std::string_view block_name);

// Where statement i of the script starts and ends in the source: the first
// character after its opening parenthesis and the position of the ")," that
// closes it. False when the script's quoted name is missing (or starts the
// text) or the source has fewer statements after it.
bool find_statement_text(std::string_view source, std::string_view script_name, int statement, std::size_t& start,
                         std::size_t& end);

// The annotated text of statement i of the block, read from the source with
// the block's locals; start and end get the statement's range in the source.
// Empty, with start and end left as they were, when the statement is not
// found.
std::string debugger_watch_text(std::string_view source, const statement_block& block, const std::int64_t* locals,
                                int statement, std::size_t& start, std::size_t& end);

// The statement text with every " = value" annotation removed.
std::string strip_watch_values(std::string text);

}  // namespace hm
