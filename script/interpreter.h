#pragma once
// The operation interpreter: evaluates an operation's parameters, dispatches it
// by opcode through the operation table, and applies negation and OR chains.
// Operation families register their handlers in the table.
#include <cstdint>

#include "script/interpreter_state.h"
#include "script/operation.h"
#include "script/script_state.h"

namespace hm {

// What a handler sees: the evaluated parameters with their tags, the running
// block's locals and the caller's context word. A condition sets `result`; an
// action leaves it true. Values go to parameter 0 through store().
struct operation_call {
  // The parameter arrays are left for execute_operation to fill.
  operation_call(const operation& o, std::int64_t* l, std::int32_t& c) : op(o), locals(l), context(c) {}

  const operation& op;
  std::int64_t* locals;
  std::int32_t& context;
  bool result = true;
  // Filled for every parameter slot: past the parameter count they read 0.
  alignas(16) std::int64_t value[max_operation_params];
  alignas(16) std::int8_t tag[max_operation_params];

  int param_count() const { return op.param_count; }
  void store(std::int64_t v) const { store_lvalue(op, locals, v); }
};

using operation_handler = void (*)(operation_call& call);

// Sets the handler of an opcode in 30..2385; other numbers are ignored.
void register_operation(std::uint32_t opcode_number, operation_handler handler);
// The handler of an opcode, null when it has none.
operation_handler find_operation_handler(std::uint32_t opcode_number);
// Registers every operation family built so far. Safe to call more than once;
// the executor calls it before its first run.
void install_script_operations();

// Families. Each registers its opcodes; install_script_operations calls them.
void register_basic_operations();

// Runs one operation (opcode 30 and above): the OR-chain skip, parameter
// evaluation, dispatch, negation (bit 31) and the OR chain (bit 30). An opcode
// in 30..2385 without a handler yet is logged once and counts as false; a number
// above 2385 reports "Unrecognized opcode %d." and counts as true. The error
// flag of the operation goes to error_flag.
bool execute_operation(const operation& op, std::int64_t* locals, std::int32_t& context,
                       std::int32_t& error_flag);

// --- the interpreter's hot path, shared by execute_operation and the executor ---
namespace detail {

extern operation_handler g_operation_handlers[opcode::last_operation + 1];
// Counts changes of the table, so compiled blocks that bypass it for the
// built-in operations notice a replaced handler.
extern std::uint32_t g_handler_generation;
// The slow outcomes: an opcode without a handler (false) or beyond the table.
bool run_unhandled_operation(std::uint32_t word);

// Clears the parameter slots with a fixed set of 16-byte stores. As a block
// fill (what a zeroing initialiser or memset of this size becomes) the clearing
// costs more than the rest of a simple operation.
[[gnu::always_inline]] inline void clear_parameter_slots(operation_call& call) {
  using block16 = std::int64_t __attribute__((vector_size(16), may_alias));
  auto* values = reinterpret_cast<block16*>(call.value);
  const block16 zero = {0, 0};
  values[0] = zero;
  values[1] = zero;
  values[2] = zero;
  values[3] = zero;
  values[4] = zero;
  values[5] = zero;
  values[6] = zero;
  values[7] = zero;
  *reinterpret_cast<block16*>(call.tag) = zero;
}

[[gnu::always_inline]] inline bool dispatch_operation(const operation& op, std::int64_t* locals, std::int32_t& context,
                               std::int32_t& error_flag) {
  const std::uint32_t word = op.opcode_word;
  g_interpreter.current_opcode_word = word;
  g_interpreter.error_flag = 0;

  // A member after a satisfied one is not evaluated; the chain's last member
  // (without the OR bit) ends the skipping.
  if (g_interpreter.or_chain_satisfied) {
    if ((word & this_or_next_bit) == 0) g_interpreter.or_chain_satisfied = false;
    error_flag = 0;
    return true;
  }

  bool result;
  const std::uint32_t number = word & opcode_bits_mask;
  const operation_handler handler = number <= opcode::last_operation ? g_operation_handlers[number] : nullptr;
  if (handler) {
    operation_call call(op, locals, context);
    clear_parameter_slots(call);
    const int n = op.param_count;
    for (int p = 0; p < n; ++p) {
      int tag = 0;
      call.value[p] = evaluate_operand(op, p, locals, tag);
      call.tag[p] = static_cast<std::int8_t>(tag);
    }
    handler(call);
    result = call.result != ((word & negate_bit) != 0);
  } else {
    // Parameters are still read, so their errors are reported as for any
    // operation.
    for (int p = 0; p < op.param_count; ++p) {
      int tag = 0;
      evaluate_operand(op, p, locals, tag);
    }
    result = run_unhandled_operation(word);
  }

  if (word & this_or_next_bit) {
    if (result) {
      g_interpreter.or_chain_satisfied = true;
    } else {
      result = true;
    }
  }
  error_flag = g_interpreter.error_flag;
  return result;
}

}  // namespace detail

}  // namespace hm
