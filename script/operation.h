#pragma once
// Operations and statement blocks: the compiled form of every piece of module
// code (scripts, triggers, menu and dialog conditions and consequences,
// mission-template triggers, presentation callbacks).
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/ruv_string.h"

namespace hm {

class text_reader;
struct compiled_block;

inline constexpr int max_operation_params = 16;

// The opcode word: bits 0-27 the opcode, bit 30 "this or next" (the operation
// is a member of an OR chain with the next one), bit 31 negates the result.
inline constexpr std::uint32_t opcode_bits_mask = 0x0FFFFFFFu;
inline constexpr std::uint32_t this_or_next_bit = 0x40000000u;
inline constexpr std::uint32_t negate_bit = 0x80000000u;

// Opcodes 1 to 29 are the block-control statements run by the executor itself;
// 30 to last_operation_opcode are operations run through the operation table.
namespace opcode {
inline constexpr std::uint32_t run_script = 1;
inline constexpr std::uint32_t try_end = 3;
inline constexpr std::uint32_t try_begin = 4;
inline constexpr std::uint32_t else_try = 5;
inline constexpr std::uint32_t loop_for_range = 6;
inline constexpr std::uint32_t loop_for_range_down = 7;
inline constexpr std::uint32_t loop_for_parties = 11;
inline constexpr std::uint32_t loop_for_agents = 12;
inline constexpr std::uint32_t loop_for_attached_parties = 15;
inline constexpr std::uint32_t fetch_script_param_0 = 21;
inline constexpr std::uint32_t fetch_script_param_1 = 22;
inline constexpr std::uint32_t fetch_script_param = 23;
inline constexpr std::uint32_t first_operation = 30;
// Comparisons (signed 64-bit) and plain integer arithmetic (wrapping 64-bit).
inline constexpr std::uint32_t ge = 30;          // p0 >= p1
inline constexpr std::uint32_t eq = 31;          // p0 == p1
inline constexpr std::uint32_t gt = 32;          // p0 > p1
inline constexpr std::uint32_t is_between = 33;  // p1 <= p0 < p2
inline constexpr std::uint32_t val_add = 2105;   // p0 += p1
inline constexpr std::uint32_t val_sub = 2106;   // p0 -= p1
inline constexpr std::uint32_t val_mul = 2107;   // p0 *= p1
inline constexpr std::uint32_t val_div = 2108;   // p0 /= p1
inline constexpr std::uint32_t val_mod = 2109;   // p0 %= p1
inline constexpr std::uint32_t val_min = 2110;   // p0 = min(p0, p1), 32-bit
inline constexpr std::uint32_t val_max = 2111;   // p0 = max(p0, p1), 32-bit
inline constexpr std::uint32_t val_clamp = 2112; // p0 into [p1, p2), 32-bit
inline constexpr std::uint32_t val_abs = 2113;   // p0 = |p0|
inline constexpr std::uint32_t val_or = 2114;    // p0 |= p1
inline constexpr std::uint32_t val_and = 2115;   // p0 &= p1
inline constexpr std::uint32_t store_or = 2116;  // p0 = p1 | p2
inline constexpr std::uint32_t store_and = 2117; // p0 = p1 & p2
inline constexpr std::uint32_t store_mod = 2119; // p0 = p1 % p2
inline constexpr std::uint32_t store_add = 2120; // p0 = p1 + p2
inline constexpr std::uint32_t store_sub = 2121; // p0 = p1 - p2
inline constexpr std::uint32_t store_mul = 2122; // p0 = p1 * p2
inline constexpr std::uint32_t store_div = 2123; // p0 = p1 / p2
inline constexpr std::uint32_t assign = 2133;    // p0 = p1
inline constexpr std::uint32_t last_operation = 2385;
}  // namespace opcode

// Openers of a conditional block or a loop, recognised as the whole word only:
// an opener carrying the negate or OR bit is not an opener.
inline bool is_block_opener(std::uint32_t word) {
  return word == opcode::try_begin || word == opcode::loop_for_range ||
         word == opcode::loop_for_range_down || word == opcode::loop_for_parties ||
         word == opcode::loop_for_agents || word == opcode::loop_for_attached_parties;
}

struct operation {
  std::uint32_t opcode_word = 0;
  std::int32_t param_count = 0;
  // Unused parameters stay 0, so a handler or a message that reads one past the
  // count sees 0 rather than stale data.
  std::int64_t params[max_operation_params] = {};
  // Where execution continues when this operation fails, or where a
  // block-control statement skips its body; -1 until the jump pass has run.
  std::int32_t jump_index = -1;

  std::uint32_t opcode_bits() const { return opcode_word & opcode_bits_mask; }
};

struct statement_block {
  // Empty (no allocation) when the block has no operations.
  std::vector<operation> operations;
  bool jumps_resolved = false;
  // Set by the owner after loading; only shown in "At %s." lines.
  ruv_string name;
  // The decoded form the executor runs, made on the first run after the jumps
  // are resolved. It is made again when the jumps are unresolved (loading does
  // that), when the operation array moves or changes its length, and when the
  // operation table changes. Code that changes operations of a block in place
  // after it has run clears jumps_resolved, as it must for the jumps anyway.
  std::shared_ptr<const compiled_block> compiled;

  int count() const { return static_cast<int>(operations.size()); }
};

// Reads one block: the operation count, then per operation the opcode word, the
// parameter count and that many signed 64-bit parameters, all as decimal tokens.
// The old operations are dropped and the jumps marked unresolved first.
// A negative operation count or a parameter count outside 0..16 is a broken file
// (fatal, naming the file); running out of tokens is the reader's fatal error.
void load_statement_block(statement_block& block, text_reader& reader);

// Computes every jump index once; a resolved block is left alone. Reports
// "Warning: Unmatched else_try." and, with edit mode on, "Warning: Unmatched
// try_end" as script errors. Returns true when it reported anything.
bool resolve_block_jumps(statement_block& block);

}  // namespace hm
