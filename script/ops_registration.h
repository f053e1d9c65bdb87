#pragma once
// The registration functions of the operation families built beside the core
// ones; register_basic_operations calls them.
#include <cstdint>

#include "script/interpreter.h"

namespace hm {

// Comparisons, integer and fixed-point arithmetic, random numbers, trigger
// parameters and result.
void register_arithmetic_operations();
// The arithmetic family's own handler of an opcode (null when it has none), so
// the executor can tell whether the table still holds it.
operation_handler builtin_arithmetic_handler(std::uint32_t opcode_number);
// Game-state tests and small setters of game, party, troop and quest state.
void register_condition_operations();

}  // namespace hm
