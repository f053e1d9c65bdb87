#pragma once
// The registration functions of the operation families built beside the core
// ones; register_basic_operations calls them.
namespace hm {

// Comparisons, integer and fixed-point arithmetic, random numbers, trigger
// parameters and result.
void register_arithmetic_operations();
// Game-state tests and small setters of game, party, troop and quest state.
void register_condition_operations();

}  // namespace hm
