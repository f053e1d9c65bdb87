#include "script/executor.h"

#include "script/interpreter.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {
namespace {

script_debug_hook* g_debug_hook = nullptr;

std::int32_t evaluate32(const operation& op, int index, const std::int64_t* locals) {
  int tag = 0;
  return static_cast<std::int32_t>(evaluate_operand(op, index, locals, tag));
}

std::int64_t evaluate64(const operation& op, int index, const std::int64_t* locals) {
  int tag = 0;
  return evaluate_operand(op, index, locals, tag);
}

// Counters step with 32-bit wrap-around, as they compare: as signed 32-bit.
std::int32_t wrap_add(std::int32_t value, std::int32_t step) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + static_cast<std::uint32_t>(step));
}

// A block-control word the executor does not know, or a nesting deeper than the
// frame stack: the block cannot go on sensibly, so it ends as failed. The game
// goes on.
void report_invalid_word(std::uint32_t word) {
  report_script_error_f("invalid opcode %d", static_cast<std::int32_t>(word));
}

void report_nesting_too_deep() {
  report_script_error_f("Blocks nested deeper than %d levels.", max_block_frames);
}

}  // namespace

script_debug_hook* set_script_debug_hook(script_debug_hook* hook) {
  script_debug_hook* old = g_debug_hook;
  g_debug_hook = hook;
  return old;
}

bool push_block_frame(block_frames& frames, std::int32_t statement, std::int32_t value) {
  if (frames.count >= max_block_frames) return false;
  frames.frames[frames.count++] = block_frame{statement, value};
  return true;
}

namespace {

[[gnu::always_inline]] inline bool loop_condition(const statement_block& block, std::int64_t* locals,
                                                  const block_frames& frames) {
  if (frames.count == 0) return false;
  const block_frame& frame = frames.frames[frames.count - 1];
  const operation& opener = block.operations[static_cast<std::size_t>(frame.statement)];
  const script_host& host = current_script_host();
  switch (opener.opcode_word) {
    case opcode::loop_for_range:
      return frame.value < evaluate32(opener, 2, locals);
    case opcode::loop_for_range_down:
      return frame.value >= evaluate32(opener, 1, locals);
    case opcode::loop_for_agents:
      return frame.value < host.mission->agent_slot_count();
    case opcode::loop_for_parties:
      return frame.value < host.campaign->party_end_id();
    case opcode::loop_for_attached_parties: {
      const std::int32_t party = evaluate32(opener, 1, locals);
      if (!validate_party_id(party)) return false;
      return frame.value < host.campaign->attached_party_count(party);
    }
    default:
      return false;
  }
}

[[gnu::always_inline]] inline void step_at_try_end(const statement_block& block, std::int64_t* locals,
                                                   block_frames& frames, int& i) {
  ++i;
  if (frames.count == 0) return;  // a stray try_end does nothing
  block_frame& frame = frames.frames[frames.count - 1];
  const operation& opener = block.operations[static_cast<std::size_t>(frame.statement)];
  const script_host& host = current_script_host();
  switch (opener.opcode_word) {
    case opcode::try_begin:
    case opcode::else_try:
      --frames.count;
      return;
    case opcode::loop_for_range:
    case opcode::loop_for_attached_parties:
      frame.value = wrap_add(frame.value, 1);
      break;
    case opcode::loop_for_range_down:
      frame.value = wrap_add(frame.value, -1);
      break;
    case opcode::loop_for_agents:
      frame.value = host.mission->next_live_agent(frame.value);
      break;
    case opcode::loop_for_parties:
      frame.value = host.campaign->next_active_party(frame.value);
      break;
    default:
      return;
  }
  if (loop_condition(block, locals, frames)) {
    std::int64_t variable = frame.value;
    if (opener.opcode_word == opcode::loop_for_attached_parties) {
      variable = host.campaign->attached_party(evaluate32(opener, 1, locals), frame.value);
    }
    store_lvalue(opener, locals, variable);
    i = frame.statement + 1;
  } else {
    --frames.count;
  }
}

[[gnu::always_inline]] inline bool run_and_report(const statement_block& block, std::int64_t* locals, int i,
                                                  std::int32_t& context) {
  std::int32_t error_flag = 0;
  const bool result =
      detail::dispatch_operation(block.operations[static_cast<std::size_t>(i)], locals, context, error_flag);
  if (error_flag) report_block_context(block);
  return result;
}

}  // namespace

bool test_loop_condition(const statement_block& block, std::int64_t* locals, const block_frames& frames) {
  return loop_condition(block, locals, frames);
}

void step_loop_at_try_end(const statement_block& block, std::int64_t* locals, block_frames& frames, int& i) {
  step_at_try_end(block, locals, frames, i);
}

bool run_operation_and_report(const statement_block& block, std::int64_t* locals, int i, std::int32_t& context) {
  return run_and_report(block, locals, i, context);
}

bool execute_statement_block(statement_block& block, std::int32_t context, int depth, std::int32_t& param_count,
                             const std::int64_t* params, std::int32_t break_key) {
  install_script_operations();
  interpreter_state& g = g_interpreter;
  g.error_flag = 0;
  // Whether any statement of this run (or of a script it called) reported an
  // error: the caller's run then adds its own "At %s." line, so an error deep
  // in a call chain names every block on the way out.
  bool any_error = false;
  if (resolve_block_jumps(block)) {
    report_block_context(block);
    any_error = true;
  }
  g.error_flag = 0;
  g.or_chain_satisfied = false;

  block_frames frames;
  // Cleared so that a local read before it is written reads 0, not the stack's
  // leftovers.
  std::int64_t locals[script_local_count] = {};
  bool branch = true;
  bool step_into = false;
  const int count = block.count();
  const operation* ops = block.operations.data();
  const script_host& host = current_script_host();

  auto finish = [&](bool result) {
    g.error_flag = any_error ? 1 : 0;
    return result;
  };

  int i = 0;
  while (i < count) {
    script_debug_hook* debugger = g_debug_hook;
    bool stepped = false;
    if (debugger && ((break_key & 0xFFFF) == i || debugger->stepping())) {
      debugger->stop(block, i, break_key, step_into);
      stepped = true;
    }
    const operation& op = ops[i];
    const std::uint32_t word = op.opcode_word;
    const std::uint32_t number = word & opcode_bits_mask;
    g.current_statement = i;
    g.current_opcode_word = number;
    // Each statement answers for its own errors: one "At %s." line per block.
    g.error_flag = 0;
    bool result = true;
    bool decides = false;      // a statement whose result can fail the block
    bool annotated = false;    // its "At %s." line is already written

    if (number >= opcode::first_operation) {
      result = run_and_report(block, locals, i, context);
      decides = true;
      annotated = true;
    } else if (number == opcode::run_script) {
      decides = true;
      const std::int64_t script = evaluate64(op, 0, locals);
      const bool callable = script >= 0 && script < host.module->script_count();
      if (callable && depth < max_script_call_depth) {
        std::int64_t callee_params[max_operation_params] = {};
        std::int32_t callee_count = op.param_count > 0 ? op.param_count - 1 : 0;
        for (int p = 1; p < op.param_count; ++p) callee_params[p - 1] = evaluate64(op, p, locals);
        const bool parameter_error = g.error_flag != 0;
        std::int32_t callee_key = -1;
        if (debugger) {
          callee_key = step_into ? 0 : debugger->break_key_for_script(static_cast<int>(script));
          step_into = false;
        }
        statement_block* callee = host.module->script_block(static_cast<int>(script));
        result = callee && execute_statement_block(*callee, context, depth + 1, callee_count, callee_params,
                                                   callee_key);
        if (parameter_error) g.error_flag = 1;
        g.current_statement = i;
      } else if (callable) {
        // Runaway recursion: the call fails instead of exhausting the stack.
        report_script_error_f("Script call depth exceeds %d.", max_script_call_depth);
        result = false;
      } else {
        result = false;
      }
    } else if (number >= opcode::fetch_script_param_0) {
      decides = true;
      if (number <= opcode::fetch_script_param) {
        const std::int64_t k = number == opcode::fetch_script_param_0   ? 0
                                : number == opcode::fetch_script_param_1 ? 1
                                                                         : evaluate64(op, 1, locals) - 1;
        if (validate_script_param_id(k, param_count)) {
          store_lvalue(op, locals, params[static_cast<std::uint32_t>(static_cast<std::int32_t>(k))]);
        }
      }
    } else {
      switch (word) {
        case opcode::try_end:
          branch = true;
          step_at_try_end(block, locals, frames, i);
          break;
        case opcode::try_begin:
          branch = true;
          if (!push_block_frame(frames, i, 0)) {
            report_nesting_too_deep();
            report_block_context(block);
            any_error = true;
            return finish(false);
          }
          ++i;
          break;
        case opcode::else_try:
          if (branch) {
            i = op.jump_index;  // the previous branch ran to its end
          } else {
            ++i;
            branch = true;
          }
          break;
        case opcode::loop_for_range:
        case opcode::loop_for_range_down:
        case opcode::loop_for_parties:
        case opcode::loop_for_agents:
        case opcode::loop_for_attached_parties: {
          branch = true;
          std::int32_t start = 0;
          if (word == opcode::loop_for_range) {
            start = evaluate32(op, 1, locals);
          } else if (word == opcode::loop_for_range_down) {
            start = wrap_add(evaluate32(op, 2, locals), -1);
          } else if (word == opcode::loop_for_agents) {
            start = host.mission->first_live_agent();
          } else if (word == opcode::loop_for_parties) {
            start = host.campaign->first_active_party();
          }
          if (!push_block_frame(frames, i, start)) {
            report_nesting_too_deep();
            report_block_context(block);
            any_error = true;
            return finish(false);
          }
          store_lvalue(op, locals, start);
          if (!loop_condition(block, locals, frames)) {
            // The loop ends before its body: close it here and go on after its
            // try_end, rather than letting the try_end step and test it again
            // (which would report a bad bound or party a second time).
            --frames.count;
            i = op.jump_index + 1;
          } else {
            ++i;
            if (word == opcode::loop_for_attached_parties) {
              store_lvalue(op, locals, host.campaign->attached_party(evaluate32(op, 1, locals), 0));
            }
          }
          break;
        }
        default:
          report_invalid_word(word);
          report_block_context(block);
          any_error = true;
          return finish(false);
      }
    }

    if (decides) {
      if (result) {
        ++i;
      } else {
        branch = false;
        i = op.jump_index;
      }
    }
    if (stepped && debugger) debugger->after_statement(block, g.current_statement, result);
    if (g.error_flag) {
      any_error = true;
      if (!annotated) report_block_context(block);
    }
    // Only a failure outside every conditional block and loop fails the block.
    if (decides && !result && frames.count == 0) return finish(false);
  }
  return finish(true);
}

bool run_statement_block(statement_block& block, std::int32_t context) {
  std::int32_t param_count = 0;
  return execute_statement_block(block, context, 0, param_count, nullptr, -1);
}

}  // namespace hm
