#include "script/compiled_block.h"

#include "script/arithmetic.h"
#include "script/interpreter.h"
#include "script/script_state.h"

namespace hm {
namespace {

operand_ref register_ref(std::uint32_t index) {
  return reinterpret_cast<operand_ref>(&g_script_state.registers[index]);
}
operand_ref local_ref(std::int64_t index) { return static_cast<operand_ref>(index) * sizeof(std::int64_t) + 1; }
operand_ref global_ref(std::int64_t index) { return static_cast<operand_ref>(index) * 8 + 2; }

// A parameter read as a value, as evaluate_operand reads it, when that can
// never report an error: a register, a local, a constant, or (where the step
// can read one) a global variable. Constants go to the given slot, which the
// reference then names. Bad indices are left to the general path.
bool decode_source(std::int64_t param, operand_ref& ref, std::int64_t& constant, bool global_allowed) {
  auto set_constant = [&](std::int64_t value) {
    constant = value;
    ref = reinterpret_cast<operand_ref>(&constant);
  };
  if (param < 0) {
    set_constant(param);
    return true;
  }
  const int tag = static_cast<int>(param >> operand_tag_shift);
  const std::int64_t payload = param & operand_payload_mask;
  switch (tag) {
    case operand_tag::reg:
      if (static_cast<std::uint32_t>(payload) >= script_register_count) return false;
      ref = register_ref(static_cast<std::uint32_t>(payload));
      return true;
    case operand_tag::local_variable:
      if (static_cast<std::uint64_t>(payload) >= script_local_count) return false;
      ref = local_ref(payload);
      return true;
    case operand_tag::global_variable:
      if (!global_allowed || payload >= global_variable_limit) return false;
      ref = global_ref(payload);
      return true;
    default:
      set_constant(payload);
      return true;
  }
}

bool decode_source(std::int64_t param, compiled_step& step, int slot, bool global_allowed) {
  return decode_source(param, step.ref[slot], step.constant[slot], global_allowed);
}

// Parameter 0 as store_lvalue writes it, when it is a valid register or local.
bool decode_destination(std::int64_t param, compiled_step& step) {
  if (param < 0) return false;
  const int tag = static_cast<int>(param >> operand_tag_shift);
  const std::int64_t payload = param & operand_payload_mask;
  if (tag == operand_tag::reg && static_cast<std::uint32_t>(payload) < script_register_count) {
    step.ref[0] = register_ref(static_cast<std::uint32_t>(payload));
    return true;
  }
  if (tag == operand_tag::local_variable && static_cast<std::uint64_t>(payload) < script_local_count) {
    step.ref[0] = local_ref(payload);
    return true;
  }
  return false;
}

// Whether reading the parameter can report nothing.
bool reads_silently(std::int64_t param) {
  if (param < 0) return true;
  const int tag = static_cast<int>(param >> operand_tag_shift);
  const std::int64_t payload = param & operand_payload_mask;
  switch (tag) {
    case operand_tag::reg:
      return static_cast<std::uint32_t>(payload) < script_register_count;
    case operand_tag::local_variable:
      return static_cast<std::uint64_t>(payload) < script_local_count;
    case operand_tag::global_variable:
      return payload < global_variable_limit;
    default:
      return true;
  }
}

struct operation_shape {
  std::uint8_t kind;
  int operands;      // parameters the operation reads
  bool destination;  // whether parameter 0 is stored into
};

bool shape_of(std::uint32_t number, operation_shape& shape) {
  using namespace direct_operation;
  auto set = [&shape](std::uint8_t operation, int operands, bool destination) {
    shape = {step_kind::direct(operation), operands, destination};
    return true;
  };
  switch (number) {
    case opcode::assign: return set(assign, 2, true);
    case opcode::val_add: return set(val_add, 2, true);
    case opcode::val_sub: return set(val_sub, 2, true);
    case opcode::val_mul: return set(val_mul, 2, true);
    case opcode::val_div: return set(val_div, 2, true);
    case opcode::val_mod: return set(val_mod, 2, true);
    case opcode::val_min: return set(val_min, 2, true);
    case opcode::val_max: return set(val_max, 2, true);
    case opcode::val_clamp: return set(val_clamp, 3, true);
    case opcode::val_abs: return set(val_abs, 1, true);
    case opcode::val_or: return set(val_or, 2, true);
    case opcode::val_and: return set(val_and, 2, true);
    case opcode::store_add: return set(store_add, 3, true);
    case opcode::store_sub: return set(store_sub, 3, true);
    case opcode::store_mul: return set(store_mul, 3, true);
    case opcode::store_div: return set(store_div, 3, true);
    case opcode::store_mod: return set(store_mod, 3, true);
    case opcode::store_or: return set(store_or, 3, true);
    case opcode::store_and: return set(store_and, 3, true);
    case opcode::ge: return set(ge, 2, false);
    case opcode::eq: return set(eq, 2, false);
    case opcode::gt: return set(gt, 2, false);
    case opcode::is_between: return set(is_between, 3, false);
    default: return false;
  }
}

// An operation becomes a direct step when the table still holds the built-in
// handler, every parameter reads without a possible error, the ones it uses are
// registers, locals, constants or (read only) global variables, and its
// destination is a register or a local.
void compile_operation(const operation& op, compiled_step& step) {
  step.kind = step_kind::general;
  // Every operation carries its flags: the executor skips members of a
  // satisfied OR chain before it looks at the kind.
  step.flags = static_cast<std::uint8_t>(((op.opcode_word & negate_bit) ? step_negate : 0) |
                                         ((op.opcode_word & this_or_next_bit) ? step_or_next : 0));
  const std::uint32_t number = op.opcode_bits();
  operation_shape shape;
  if (!shape_of(number, shape)) return;
  if (find_operation_handler(number) != builtin_arithmetic_handler(number)) return;
  if (op.param_count < shape.operands || op.param_count > max_operation_params) return;
  for (int p = shape.operands; p < op.param_count; ++p) {
    if (!reads_silently(op.params[p])) return;
  }
  if (shape.destination) {
    // In-place operations read parameter 0 through the same reference.
    if (!decode_destination(op.params[0], step)) return;
  } else if (!decode_source(op.params[0], step, 0, true)) {
    return;
  }
  for (int p = 1; p < shape.operands; ++p) {
    if (!decode_source(op.params[p], step, p, true)) return;
  }
  bool local = false;
  bool global = false;
  for (int p = 0; p < shape.operands; ++p) {
    local = local || is_local_ref(step.ref[p]);
    global = global || is_global_ref(step.ref[p]);
  }
  step.kind = static_cast<std::uint8_t>(shape.kind + (global  ? step_kind::global_form
                                                      : local ? step_kind::local_form
                                                              : 0));
}

// A script call runs directly when its script number and every parameter read
// without a possible error (the general path reads them all).
void compile_call(const operation& op, compiled_step& step, compiled_block& compiled, int& next_argument) {
  if (op.param_count < 1 || op.param_count > max_operation_params) return;
  if (!decode_source(op.params[0], step, 0, true)) return;
  const int first = next_argument;
  for (int p = 1; p < op.param_count; ++p) {
    const auto at = static_cast<std::size_t>(first + p - 1);
    if (!decode_source(op.params[p], compiled.argument_refs[at], compiled.argument_constants[at], true)) return;
  }
  next_argument += op.param_count - 1;
  step.first_argument = first;
  step.argument_count = static_cast<std::uint16_t>(op.param_count - 1);
  step.kind = step_kind::call_script;
}

// A parameter fetch runs directly into a register or a local. The index is
// ref[1]'s value plus constant[2]: 0 and 1 for the first two forms, parameter
// 1 minus one for the general one (read whatever the parameter count).
void compile_fetch(const operation& op, std::uint32_t number, compiled_step& step) {
  if (!decode_destination(op.params[0], step)) return;
  if (number == opcode::fetch_script_param) {
    if (!decode_source(op.params[1], step, 1, true)) return;
    step.constant[2] = -1;
  } else {
    decode_source(number == opcode::fetch_script_param_0 ? 0 : 1, step, 1, false);
    step.constant[2] = 0;
  }
  step.kind = step_kind::fetch_param;
}

void compile_control(const operation& op, compiled_step& step, compiled_block& compiled, int& next_argument) {
  step.kind = step_kind::control;
  // Script calls and parameters go by the opcode bits, the rest by the whole word.
  const std::uint32_t number = op.opcode_bits();
  if (number == opcode::run_script) {
    compile_call(op, step, compiled, next_argument);
    return;
  }
  if (number >= opcode::fetch_script_param_0) {
    if (number <= opcode::fetch_script_param) compile_fetch(op, number, step);
    return;
  }
  switch (op.opcode_word) {
    case opcode::try_begin:
      step.kind = step_kind::try_begin;
      break;
    case opcode::try_end:
      step.kind = step_kind::try_end;
      break;
    case opcode::else_try:
      step.kind = step_kind::else_try;
      break;
    case opcode::loop_for_range:
      // The loop reads its bounds from parameters 1 and 2 whatever the count.
      if (decode_destination(op.params[0], step) && decode_source(op.params[1], step, 1, false) &&
          decode_source(op.params[2], step, 2, false)) {
        const bool local = is_local_ref(step.ref[0]) || is_local_ref(step.ref[1]) || is_local_ref(step.ref[2]);
        step.kind = local ? step_kind::loop_range_local : step_kind::loop_range;
      }
      break;
    default:
      break;
  }
}

}  // namespace

std::shared_ptr<const compiled_block> compile_block(const statement_block& block) {
  auto compiled = std::make_shared<compiled_block>();
  compiled->source = block.operations.data();
  compiled->source_end = std::to_address(block.operations.end());
  compiled->count = block.count();
  compiled->generation = detail::g_handler_generation;
  for (const operation& op : block.operations) {
    for (std::int64_t param : op.params) {
      if (param >= 0 && (param >> operand_tag_shift) == operand_tag::local_variable) {
        const std::int64_t index = param & operand_payload_mask;
        if (index < script_local_count && index >= compiled->locals_used) {
          compiled->locals_used = static_cast<int>(index) + 1;
        }
      }
    }
  }
  const int count = block.count();
  compiled->steps.resize(static_cast<std::size_t>(count) + 2);
  // Room for every call's parameters, made before any reference into it.
  std::size_t arguments = 0;
  for (const operation& op : block.operations) {
    if (op.opcode_bits() == opcode::run_script && op.param_count > 1 && op.param_count <= max_operation_params) {
      arguments += static_cast<std::size_t>(op.param_count - 1);
    }
  }
  compiled->argument_refs.resize(arguments);
  compiled->argument_constants.resize(arguments);
  int next_argument = 0;
  for (int i = 0; i < count; ++i) {
    const operation& op = block.operations[static_cast<std::size_t>(i)];
    compiled_step& step = compiled->steps[static_cast<std::size_t>(i)];
    // Resolution puts every jump in 0..count; a jump outside (only a hand-made
    // one can be) ends the block instead of leaving the array.
    step.jump = op.jump_index < 0 || op.jump_index > count ? count : op.jump_index;
    if (op.opcode_bits() >= opcode::first_operation) {
      compile_operation(op, step);
    } else {
      compile_control(op, step, *compiled, next_argument);
    }
  }
  return compiled;
}

}  // namespace hm
