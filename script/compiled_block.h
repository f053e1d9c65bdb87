#pragma once
// The run form of a statement block: every operation decoded once into a
// compact record (what kind of step it is, where it jumps, and its operands as
// ready-made references), so the executor's loop does no tag arithmetic and no
// table lookup for the statements that dominate module code. Operations whose
// operands may report an error, or whose handler is not the built-in one, keep
// the general path through the operation table.
#include <cstdint>
#include <memory>
#include <vector>

#include "script/interpreter.h"
#include "script/operation.h"
#include "script/script_state.h"

namespace hm {

// The operations run directly, in the order of their step kinds.
#define HM_DIRECT_OPERATIONS(X)                                                                        \
  X(assign)     /* p0 = p1 */                                                                          \
  X(val_add)    /* p0 += p1 */                                                                         \
  X(val_sub)    /* p0 -= p1 */                                                                         \
  X(val_mul)    /* p0 *= p1 */                                                                         \
  X(val_div)    /* p0 /= p1 */                                                                         \
  X(val_mod)    /* p0 %= p1 */                                                                         \
  X(val_min)    /* p0 = min(p0, p1) */                                                                 \
  X(val_max)    /* p0 = max(p0, p1) */                                                                 \
  X(val_clamp)  /* p0 into [p1, p2) */                                                                 \
  X(val_abs)    /* p0 = |p0| */                                                                        \
  X(val_or)     /* p0 |= p1 */                                                                         \
  X(val_and)    /* p0 &= p1 */                                                                         \
  X(store_add)  /* p0 = p1 + p2 */                                                                     \
  X(store_sub)  /* p0 = p1 - p2 */                                                                     \
  X(store_mul)  /* p0 = p1 * p2 */                                                                     \
  X(store_div)  /* p0 = p1 / p2 */                                                                     \
  X(store_mod)  /* p0 = p1 % p2 */                                                                     \
  X(store_or)   /* p0 = p1 | p2 */                                                                     \
  X(store_and)  /* p0 = p1 & p2 */                                                                     \
  X(ge)         /* p0 >= p1 */                                                                         \
  X(eq)         /* p0 == p1 */                                                                         \
  X(gt)         /* p0 > p1 */                                                                          \
  X(is_between) /* p1 <= p0 < p2 */

namespace direct_operation {
#define HM_DIRECT_INDEX(name) name,
enum : std::uint8_t { HM_DIRECT_OPERATIONS(HM_DIRECT_INDEX) count };
#undef HM_DIRECT_INDEX
}  // namespace direct_operation

// Kinds of compiled steps. Everything from first_operation on is an operation
// (opcode 30 or above) and so takes part in OR chains. The operations run
// directly come in three forms, by what their operands are:
//   kind      registers and constants only, read straight through an address;
//   kind + 1  locals of the run among them;
//   kind + 2  global variables among the values read (never as destination).
namespace step_kind {
inline constexpr std::uint8_t try_begin = 0;
inline constexpr std::uint8_t try_end = 1;
inline constexpr std::uint8_t else_try = 2;
// loop_for_range whose variable and bounds are registers, locals or constants
// (the first two forms of the operations).
inline constexpr std::uint8_t loop_range = 3;
inline constexpr std::uint8_t loop_range_local = 4;
// A script call whose script and parameters read without a possible error.
inline constexpr std::uint8_t call_script = 5;
// A script parameter fetch into a register or a local, its index read without
// a possible error.
inline constexpr std::uint8_t fetch_param = 6;
// Any other statement below 30 (other loops, invalid words, calls and fetches
// with operands that may report): run by the general statement code.
inline constexpr std::uint8_t control = 7;
// The two steps after the last statement, where jumps to the block's end land.
inline constexpr std::uint8_t end = 8;
inline constexpr std::uint8_t first_operation = 9;
// An operation run through the operation table.
inline constexpr std::uint8_t general = 9;
inline constexpr std::uint8_t first_direct = 10;
inline constexpr std::uint8_t local_form = 1;
inline constexpr std::uint8_t global_form = 2;
inline constexpr std::uint8_t forms = 3;
inline constexpr std::uint8_t direct(std::uint8_t operation) {
  return static_cast<std::uint8_t>(first_direct + forms * operation);
}
inline constexpr std::uint8_t count = direct(direct_operation::count);
}  // namespace step_kind

// Result flags of a compiled operation: bit 31 and bit 30 of its opcode word.
inline constexpr std::uint8_t step_negate = 1;
inline constexpr std::uint8_t step_or_next = 2;

// An operand reference: the address of a register or of a constant held in the
// step itself (low bits 0), a local's byte offset plus 1, or a global
// variable's index times 8 plus 2.
using operand_ref = std::uintptr_t;

inline bool is_local_ref(operand_ref ref) { return (ref & 1) != 0; }
inline bool is_global_ref(operand_ref ref) { return (ref & 2) != 0; }

struct alignas(64) compiled_step {
  std::uint8_t kind = step_kind::end;
  std::uint8_t flags = 0;
  // A call's parameters: how many, and where the first one's reference lies
  // in the block's argument array.
  std::uint16_t argument_count = 0;
  std::int32_t jump = 0;
  operand_ref ref[3] = {};
  std::int64_t constant[3] = {};
  std::int32_t first_argument = 0;
};

struct compiled_block {
  // What the steps were made from: a block whose operation array moved or
  // changed its length is compiled again.
  const operation* source = nullptr;
  const operation* source_end = nullptr;
  int count = 0;
  // The operation table's generation at compile time.
  std::uint32_t generation = 0;
  // One past the highest local any parameter of the block names: the locals a
  // run can reach, and so the ones it clears.
  int locals_used = 0;
  // One step per operation and two end steps. Never resized after
  // compilation: constants are referenced by address. Jumps lie in 0..count.
  std::vector<compiled_step> steps;
  // The parameters of every direct script call, as references, and the
  // constants among them. Sized once before any step refers to them.
  std::vector<operand_ref> argument_refs;
  std::vector<std::int64_t> argument_constants;
};

// Compiles the block's current operations; its jumps must be resolved.
std::shared_ptr<const compiled_block> compile_block(const statement_block& block);

// Whether the compiled form was made from the block's operation array as it
// stands (the same place and length). Compares the ends rather than the
// lengths, which would take a division.
inline bool compiled_from(const compiled_block& compiled, const statement_block& block) {
  return compiled.source == block.operations.data() && compiled.source_end == std::to_address(block.operations.end());
}

// Whether the block's compiled form still matches its operations and the
// operation table.
inline bool compiled_form_is_current(const statement_block& block) {
  const compiled_block* compiled = block.compiled.get();
  return compiled && compiled_from(*compiled, block) && compiled->generation == detail::g_handler_generation;
}

// The value behind a register, constant or local reference, with the run's
// locals.
[[gnu::always_inline]] inline std::int64_t& operand_at(operand_ref ref, std::int64_t* locals) {
  const std::uintptr_t base = is_local_ref(ref) ? reinterpret_cast<std::uintptr_t>(locals) - 1 : 0;
  return *reinterpret_cast<std::int64_t*>(base + ref);
}
// The same for a reference known to be a register or a constant.
[[gnu::always_inline]] inline std::int64_t& operand_at(operand_ref ref) {
  return *reinterpret_cast<std::int64_t*>(ref);
}
// The value of any reference, global variables included (read as
// get_global_variable reads them).
[[gnu::always_inline]] inline std::int64_t operand_value(operand_ref ref, std::int64_t* locals) {
  if (is_global_ref(ref)) {
    const std::size_t index = ref >> 3;
    const std::vector<std::int64_t>& globals = g_script_state.global_variables;
    return index < globals.size() ? static_cast<std::int32_t>(globals[index]) : 0;
  }
  return operand_at(ref, locals);
}

}  // namespace hm
