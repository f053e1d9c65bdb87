#include "script/executor.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "script/arithmetic.h"
#include "script/compiled_block.h"
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

// The block a run_script statement calls from a run at depth, or null when
// the call fails without a word: a number outside the module's scripts (the
// host answers null for those), or runaway recursion, which would otherwise
// exhaust the stack.
statement_block* callable_script(std::int64_t script, int depth) {
  if (script < 0 || script > INT32_MAX || depth >= max_script_call_depth) return nullptr;
  return current_script_host().module->script_block(static_cast<int>(script));
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

namespace {

// One run of a block: what its statements share.
struct run_state {
  // The frame array is left uninitialised: only the frames below the count are
  // ever read.
  run_state(statement_block& b, std::int32_t c, int d, std::int32_t& count, const std::int64_t* p, std::int32_t key,
            std::int64_t* l, bool error)
      : block(b), context(c), depth(d), param_count(count), params(p), break_key(key), locals(l), any_error(error) {}

  statement_block& block;
  std::int32_t context;
  int depth;
  std::int32_t& param_count;
  const std::int64_t* params;
  std::int32_t break_key;
  std::int64_t* locals;
  block_frames frames;
  bool branch = true;
  bool step_into = false;
  // Whether any statement of this run (or of a script it called) reported an
  // error: the caller's run then adds its own "At %s." line, so an error deep
  // in a call chain names every block on the way out.
  bool any_error = false;
};

enum class step_outcome { go_on, block_fails };

// Runs statement i of the block's operations as they stand, with the debugger
// stops, and moves i on. Every statement the compiled loop does not run itself
// comes here, and a run with the debugger installed runs every statement here.
step_outcome run_statement(run_state& r, int& i) {
  interpreter_state& g = g_interpreter;
  statement_block& block = r.block;
  const script_host& host = current_script_host();
  script_debug_hook* debugger = g_debug_hook;
  bool stepped = false;
  if (debugger && ((r.break_key & 0xFFFF) == i || debugger->stepping())) {
    debugger->stop(block, i, r.locals, r.break_key, r.step_into);
    stepped = true;
  }
  const operation& op = block.operations[static_cast<std::size_t>(i)];
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
    result = run_and_report(block, r.locals, i, r.context);
    decides = true;
    annotated = true;
  } else if (number == opcode::run_script) {
    decides = true;
    const std::int64_t script = evaluate64(op, 0, r.locals);
    statement_block* callee = callable_script(script, r.depth);
    if (callee) {
      // Only the first callee_count parameters are ever read.
      std::int64_t callee_params[max_operation_params];
      std::int32_t callee_count = op.param_count > 0 ? op.param_count - 1 : 0;
      for (int p = 1; p < op.param_count; ++p) callee_params[p - 1] = evaluate64(op, p, r.locals);
      const bool parameter_error = g.error_flag != 0;
      std::int32_t callee_key = -1;
      if (debugger) {
        callee_key = r.step_into ? 0 : debugger->break_key_for_script(static_cast<int>(script));
        r.step_into = false;
      }
      result = execute_statement_block(*callee, r.context, r.depth + 1, callee_count, callee_params, callee_key);
      if (parameter_error) g.error_flag = 1;
      g.current_statement = i;
    } else {
      result = false;
    }
  } else if (number >= opcode::fetch_script_param_0) {
    decides = true;
    if (number <= opcode::fetch_script_param) {
      const std::int64_t k = number == opcode::fetch_script_param_0   ? 0
                              : number == opcode::fetch_script_param_1 ? 1
                                                                       : evaluate64(op, 1, r.locals) - 1;
      if (validate_script_param_id(k, r.param_count)) {
        store_lvalue(op, r.locals, r.params[static_cast<std::uint32_t>(static_cast<std::int32_t>(k))]);
      }
    }
  } else {
    switch (word) {
      case opcode::try_end:
        r.branch = true;
        step_at_try_end(block, r.locals, r.frames, i);
        break;
      case opcode::try_begin:
        r.branch = true;
        if (!push_block_frame(r.frames, i, 0)) {
          report_nesting_too_deep();
          report_block_context(block);
          r.any_error = true;
          return step_outcome::block_fails;
        }
        ++i;
        break;
      case opcode::else_try:
        if (r.branch) {
          i = op.jump_index;  // the previous branch ran to its end
        } else {
          ++i;
          r.branch = true;
        }
        break;
      case opcode::loop_for_range:
      case opcode::loop_for_range_down:
      case opcode::loop_for_parties:
      case opcode::loop_for_agents:
      case opcode::loop_for_attached_parties: {
        r.branch = true;
        std::int32_t start = 0;
        if (word == opcode::loop_for_range) {
          start = evaluate32(op, 1, r.locals);
        } else if (word == opcode::loop_for_range_down) {
          start = wrap_add(evaluate32(op, 2, r.locals), -1);
        } else if (word == opcode::loop_for_agents) {
          start = host.mission->first_live_agent();
        } else if (word == opcode::loop_for_parties) {
          start = host.campaign->first_active_party();
        }
        if (!push_block_frame(r.frames, i, start)) {
          report_nesting_too_deep();
          report_block_context(block);
          r.any_error = true;
          return step_outcome::block_fails;
        }
        store_lvalue(op, r.locals, start);
        if (!loop_condition(block, r.locals, r.frames)) {
          // The loop ends before its body: close it here and go on after its
          // try_end, rather than letting the try_end step and test it again
          // (which would report a bad bound or party a second time).
          --r.frames.count;
          i = op.jump_index + 1;
        } else {
          ++i;
          if (word == opcode::loop_for_attached_parties) {
            store_lvalue(op, r.locals, host.campaign->attached_party(evaluate32(op, 1, r.locals), 0));
          }
        }
        break;
      }
      default:
        report_invalid_word(word);
        report_block_context(block);
        r.any_error = true;
        return step_outcome::block_fails;
    }
  }

  if (decides) {
    if (result) {
      ++i;
    } else {
      r.branch = false;
      i = op.jump_index;
    }
  }
  if (stepped && debugger) debugger->after_statement(block, g.current_statement, r.locals, result);
  if (g.error_flag) {
    r.any_error = true;
    if (!annotated) report_block_context(block);
  }
  // Only a failure outside every conditional block and loop fails the block.
  if (decides && !result && r.frames.count == 0) return step_outcome::block_fails;
  return step_outcome::go_on;
}

// Runs the rest of the block statement by statement from i.
bool run_statements(run_state& r, int i) {
  while (i < r.block.count()) {
    if (run_statement(r, i) == step_outcome::block_fails) return false;
  }
  return true;
}

enum class compiled_exit { finished, block_fails, hand_over };

// A direct call step at statement `at` (below the run loop).
bool run_call_step(run_state& r, const compiled_block& program, const compiled_step& step, std::int32_t at);

// Whether the compiled loop must hand the run to run_statements: a debugger was
// installed, or the table or the block changed under the run.
bool must_hand_over(const run_state& r, const compiled_block& program) {
  return g_debug_hook != nullptr || program.generation != detail::g_handler_generation ||
         !compiled_from(program, r.block);
}

// The run loop over the compiled steps. The steps it runs itself behave as
// run_statement would for them, minus what cannot happen there: they report no
// errors and call nothing, so they leave the interpreter's statement, opcode
// and error flag alone. Everything else goes through run_statement.
//
// Each step ends with its own indirect jump to the next step's code (a table
// of label addresses), which the processor predicts far better than one shared
// switch. Jumps land at most one step past the end, where the end steps are.
compiled_exit run_compiled(run_state& r, const compiled_block& program, int& i_inout) {
  const compiled_step* const steps = program.steps.data();
  std::int64_t* const locals = r.locals;
  block_frames& frames = r.frames;
  bool branch = r.branch;
  bool or_satisfied = g_interpreter.or_chain_satisfied;
  const compiled_step* s = steps + i_inout;
  bool result = true;

#define HM_DIRECT_ENTRIES(name) &&on_##name, &&on_##name##_local, &&on_##name##_global,
  static const void* const dispatch[step_kind::count] = {
      &&on_try_begin,   &&on_try_end,    &&on_else_try, &&on_loop_range, &&on_loop_range_local,
      &&on_call_script, &&on_fetch_param, &&on_general, &&on_end,        &&on_general,
      HM_DIRECT_OPERATIONS(HM_DIRECT_ENTRIES)};
#undef HM_DIRECT_ENTRIES
  static_assert(step_kind::call_script == 5 && step_kind::fetch_param == 6 && step_kind::control == 7 &&
                step_kind::end == 8 && step_kind::general == 9 && step_kind::first_direct == 10 &&
                step_kind::local_form == 1 && step_kind::global_form == 2);

  auto index_of = [steps](const compiled_step* step) { return static_cast<std::int32_t>(step - steps); };
  auto publish = [&] {
    r.branch = branch;
    g_interpreter.or_chain_satisfied = or_satisfied;
    i_inout = index_of(s);
  };

#define HM_NEXT() goto* dispatch[s->kind]
// An action: true unless negated; an OR member after it is decided here too.
#define HM_ACTION_DONE()     \
  do {                       \
    if (s->flags) {          \
      result = true;         \
      goto flagged;          \
    }                        \
    ++s;                     \
    HM_NEXT();               \
  } while (0)
#define HM_CONDITION(expression) \
  do {                           \
    result = (expression);       \
    if (s->flags) goto flagged;  \
    if (!result) goto failed;    \
    ++s;                         \
    HM_NEXT();                   \
  } while (0)
#define HM_AT_FIXED(ref) operand_at(ref)
#define HM_AT_LOCAL(ref) operand_at(ref, locals)
#define HM_LOOP_RANGE(AT)                                                   \
  {                                                                         \
    if (frames.count >= max_block_frames) goto on_general;                  \
    branch = true;                                                          \
    const auto start = static_cast<std::int32_t>(AT(s->ref[1]));            \
    frames.frames[frames.count++] = block_frame{index_of(s), start};        \
    AT(s->ref[0]) = start;                                                  \
    if (start < static_cast<std::int32_t>(AT(s->ref[2]))) {                 \
      ++s;                                                                  \
    } else {                                                                \
      /* The loop ends before its body: go on after its try_end. */         \
      --frames.count;                                                       \
      s = steps + s->jump + 1;                                              \
    }                                                                       \
    HM_NEXT();                                                              \
  }
#define HM_LOOP_STEP(AT)                                                    \
  {                                                                         \
    frame.value = wrap_add(frame.value, 1);                                 \
    if (frame.value < static_cast<std::int32_t>(AT(opener.ref[2]))) {       \
      AT(opener.ref[0]) = frame.value;                                      \
      s = &opener + 1;                                                      \
    } else {                                                                \
      --frames.count;                                                       \
      ++s;                                                                  \
    }                                                                       \
    HM_NEXT();                                                              \
  }
#define HM_VALUE_ANY(ref) operand_value(ref, locals)
// The operations of one operand form: DST reads and writes the destination,
// SRC reads the other operands. Each reads all its values before it stores.
#define HM_IN_PLACE(DST, name, expression)                                     \
  on_##name : {                                                             \
    std::int64_t& target = DST(s->ref[0]);                                  \
    target = (expression);                                                  \
    HM_ACTION_DONE();                                                       \
  }
#define HM_OPERATIONS(SUFFIX, DST, SRC)                                     \
  on_assign##SUFFIX : {                                                     \
    DST(s->ref[0]) = SRC(s->ref[1]);                                        \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  HM_IN_PLACE(DST, val_add##SUFFIX, wrap_add64(target, SRC(s->ref[1])))          \
  HM_IN_PLACE(DST, val_sub##SUFFIX, wrap_sub64(target, SRC(s->ref[1])))          \
  HM_IN_PLACE(DST, val_mul##SUFFIX, wrap_mul64(target, SRC(s->ref[1])))          \
  HM_IN_PLACE(DST, val_div##SUFFIX, checked_div64(target, SRC(s->ref[1])))       \
  on_val_mod##SUFFIX : {                                                    \
    std::int64_t& target = DST(s->ref[0]);                                  \
    const std::int64_t divisor = SRC(s->ref[1]);                            \
    /* A zero divisor leaves the variable as it was. */                     \
    if (divisor != 0) target = safe_rem64(target, divisor);                 \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  HM_IN_PLACE(DST, val_min##SUFFIX, min32(target, SRC(s->ref[1])))               \
  HM_IN_PLACE(DST, val_max##SUFFIX, max32(target, SRC(s->ref[1])))               \
  HM_IN_PLACE(DST, val_clamp##SUFFIX, clamp32(target, SRC(s->ref[1]), SRC(s->ref[2]))) \
  HM_IN_PLACE(DST, val_abs##SUFFIX, abs64(target))                               \
  HM_IN_PLACE(DST, val_or##SUFFIX, target | SRC(s->ref[1]))                      \
  HM_IN_PLACE(DST, val_and##SUFFIX, target & SRC(s->ref[1]))                     \
  on_store_add##SUFFIX : {                                                  \
    DST(s->ref[0]) = wrap_add64(SRC(s->ref[1]), SRC(s->ref[2]));            \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  on_store_sub##SUFFIX : {                                                  \
    DST(s->ref[0]) = wrap_sub64(SRC(s->ref[1]), SRC(s->ref[2]));            \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  on_store_mul##SUFFIX : {                                                  \
    DST(s->ref[0]) = wrap_mul64(SRC(s->ref[1]), SRC(s->ref[2]));            \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  on_store_div##SUFFIX : {                                                  \
    DST(s->ref[0]) = checked_div64(SRC(s->ref[1]), SRC(s->ref[2]));         \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  on_store_mod##SUFFIX : {                                                  \
    const std::int64_t dividend = SRC(s->ref[1]);                           \
    const std::int64_t divisor = SRC(s->ref[2]);                            \
    /* A divisor of zero or below leaves the destination as it was. */      \
    if (divisor > 0) DST(s->ref[0]) = dividend % divisor;                   \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  on_store_or##SUFFIX : {                                                   \
    DST(s->ref[0]) = SRC(s->ref[1]) | SRC(s->ref[2]);                       \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  on_store_and##SUFFIX : {                                                  \
    DST(s->ref[0]) = SRC(s->ref[1]) & SRC(s->ref[2]);                       \
    HM_ACTION_DONE();                                                       \
  }                                                                         \
  on_ge##SUFFIX : HM_CONDITION(SRC(s->ref[0]) >= SRC(s->ref[1]));           \
  on_eq##SUFFIX : HM_CONDITION(SRC(s->ref[0]) == SRC(s->ref[1]));           \
  on_gt##SUFFIX : HM_CONDITION(SRC(s->ref[0]) > SRC(s->ref[1]));            \
  on_is_between##SUFFIX : {                                                 \
    const std::int64_t value = SRC(s->ref[0]);                              \
    HM_CONDITION(SRC(s->ref[1]) <= value && value < SRC(s->ref[2]));        \
  }

  if (or_satisfied) goto or_skip;
  HM_NEXT();

on_try_begin:
  if (frames.count >= max_block_frames) [[unlikely]]
    goto on_general;
  branch = true;
  frames.frames[frames.count++] = block_frame{index_of(s), 0};
  ++s;
  HM_NEXT();

on_try_end: {
  if (frames.count == 0) {  // a stray try_end does nothing
    branch = true;
    ++s;
    HM_NEXT();
  }
  block_frame& frame = frames.frames[frames.count - 1];
  const compiled_step& opener = steps[frame.statement];
  if (opener.kind == step_kind::try_begin) {
    branch = true;
    --frames.count;
    ++s;
    HM_NEXT();
  }
  if (opener.kind == step_kind::loop_range) {
    branch = true;
    HM_LOOP_STEP(HM_AT_FIXED)
  }
  if (opener.kind == step_kind::loop_range_local) {
    branch = true;
    HM_LOOP_STEP(HM_AT_LOCAL)
  }
  goto on_general;
}

on_else_try:
  if (branch) {
    s = steps + s->jump;  // the previous branch ran to its end
  } else {
    ++s;
    branch = true;
  }
  HM_NEXT();

on_loop_range:
  HM_LOOP_RANGE(HM_AT_FIXED)
on_loop_range_local:
  HM_LOOP_RANGE(HM_AT_LOCAL)

// A call as run_statement makes it, with parameters that read silently: the
// interpreter's statement, opcode word and error flag end as they would there.
on_call_script:
  // The loop keeps the OR state to itself: the interpreter's copy may be stale,
  // and a call that runs nothing must leave it as it stands.
  g_interpreter.or_chain_satisfied = or_satisfied;
  result = run_call_step(r, program, *s, index_of(s));
  // A satisfied OR chain at the callee's end reaches into this block.
  or_satisfied = g_interpreter.or_chain_satisfied;
  if (result) {
    ++s;
  } else {
    branch = false;
    s = steps + s->jump;
    if (frames.count == 0) {
      publish();
      return compiled_exit::block_fails;
    }
  }
  if (must_hand_over(r, program)) [[unlikely]] {
    publish();
    return compiled_exit::hand_over;
  }
  if (or_satisfied) goto or_skip;
  HM_NEXT();

// A parameter the run has: stored as run_statement stores it. Any other index
// goes the general way, which reports it.
on_fetch_param: {
  const std::int32_t k = low32(wrap_add64(operand_value(s->ref[1], locals), s->constant[2]));
  if (k < 0 || k >= r.param_count) [[unlikely]]
    goto on_general;
  operand_at(s->ref[0], locals) = r.params[k];
  ++s;
  HM_NEXT();
}

  HM_OPERATIONS(, HM_AT_FIXED, HM_AT_FIXED)
  HM_OPERATIONS(_local, HM_AT_LOCAL, HM_AT_LOCAL)
  HM_OPERATIONS(_global, HM_AT_LOCAL, HM_VALUE_ANY)

// The outcome of an operation with its negate or OR bit.
flagged:
  result = result != ((s->flags & step_negate) != 0);
  if (s->flags & step_or_next) {
    // A false member does not fail the block; the next member decides.
    ++s;
    if (result) {
      or_satisfied = true;
      goto or_skip;
    }
    HM_NEXT();
  }
  if (result) {
    ++s;
    HM_NEXT();
  }
failed:
  branch = false;
  s = steps + s->jump;
  // Only a failure outside every conditional block and loop fails the block.
  if (frames.count == 0) {
    publish();
    return compiled_exit::block_fails;
  }
  HM_NEXT();

// A satisfied OR chain: its members up to the one without the OR bit are
// skipped; a block-control statement among them still runs.
or_skip:
  while (s->kind >= step_kind::first_operation) {
    const bool last = (s->flags & step_or_next) == 0;
    ++s;
    if (last) {
      or_satisfied = false;
      HM_NEXT();
    }
  }
  if (s->kind == step_kind::end) goto on_end;
  goto on_general;

on_general: {
  publish();
  int i = i_inout;
  const step_outcome outcome = run_statement(r, i);
  i_inout = i;
  if (outcome == step_outcome::block_fails) return compiled_exit::block_fails;
  if (must_hand_over(r, program)) return compiled_exit::hand_over;
  if (i < 0 || i >= program.count) return compiled_exit::finished;
  s = steps + i;
  branch = r.branch;
  or_satisfied = g_interpreter.or_chain_satisfied;
  if (or_satisfied) goto or_skip;
  HM_NEXT();
}

on_end:
  publish();
  return compiled_exit::finished;

#undef HM_NEXT
#undef HM_ACTION_DONE
#undef HM_CONDITION
#undef HM_AT_FIXED
#undef HM_AT_LOCAL
#undef HM_VALUE_ANY
#undef HM_LOOP_RANGE
#undef HM_LOOP_STEP
#undef HM_OPERATIONS
#undef HM_IN_PLACE
}

bool has_unresolved_jump(const statement_block& block) {
  for (const operation& op : block.operations) {
    if (op.jump_index < 0) return true;
  }
  return false;
}

// Runs in progress, and compiled forms replaced while one was: an outer run of
// the same block may still be using them.
int g_active_runs = 0;
std::vector<std::shared_ptr<const compiled_block>> g_retired_forms;

struct active_run {
  active_run() { ++g_active_runs; }
  ~active_run() {
    if (--g_active_runs == 0 && !g_retired_forms.empty()) g_retired_forms.clear();
  }
  active_run(const active_run&) = delete;
  active_run& operator=(const active_run&) = delete;
};

// Runs a block whose compiled form is current: the part of every run after
// the jumps are resolved and the form is made.
[[gnu::always_inline]] inline bool run_compiled_block(statement_block& block, std::int32_t context, int depth,
                                                      std::int32_t& param_count, const std::int64_t* params,
                                                      std::int32_t break_key, bool any_error) {
  // Held for the run: a nested run may compile the block again.
  const compiled_block& program = *block.compiled;

  // Cleared so that a local read before it is written reads 0, not the stack's
  // leftovers; only the ones the block names can be read.
  std::int64_t locals[script_local_count];
  for (int k = 0; k < program.locals_used; ++k) locals[k] = 0;
  run_state r(block, context, depth, param_count, params, break_key, locals, any_error);

  bool result = true;
  int i = 0;
  compiled_exit exit = compiled_exit::hand_over;
  if (g_debug_hook == nullptr) exit = run_compiled(r, program, i);
  if (exit == compiled_exit::hand_over) {
    // Operations changed under the run may name any local.
    if (!compiled_from(program, block)) {
      std::fill(locals + program.locals_used, locals + script_local_count, 0);
    }
    result = run_statements(r, i);
  } else {
    result = exit == compiled_exit::finished;
  }
  g_interpreter.error_flag = r.any_error ? 1 : 0;
  return result;
}

// A direct call step at statement `at`, as run_statement makes the call, with
// parameters that read silently: the interpreter's statement, opcode word and
// error flag end as they would there. Kept out of the run loop so the loop's
// registers stay its own.
[[gnu::noinline]] bool run_call_step(run_state& r, const compiled_block& program, const compiled_step& step,
                                     std::int32_t at) {
  interpreter_state& g = g_interpreter;
  g.error_flag = 0;
  g.current_statement = at;
  g.current_opcode_word = opcode::run_script;
  statement_block* const callee = callable_script(operand_value(step.ref[0], r.locals), r.depth);
  if (!callee) return false;
  // Only the first argument_count parameters are ever read.
  std::int64_t arguments[max_operation_params];
  std::int32_t argument_count = step.argument_count;
  const operand_ref* const refs = program.argument_refs.data() + step.first_argument;
  for (int p = 0; p < argument_count; ++p) arguments[p] = operand_value(refs[p], r.locals);
  bool result;
  if (callee->jumps_resolved && compiled_form_is_current(*callee) && !callee->operations.empty()) {
    // Ready to run, as a script called in a loop is from its second call on:
    // what execute_statement_block would do first changes nothing.
    active_run guard;
    g.or_chain_satisfied = false;
    result = run_compiled_block(*callee, r.context, r.depth + 1, argument_count, arguments, -1, false);
  } else {
    result = execute_statement_block(*callee, r.context, r.depth + 1, argument_count, arguments, -1);
  }
  g.current_statement = at;
  if (g.error_flag) {
    r.any_error = true;
    report_block_context(r.block);
  }
  return result;
}

}  // namespace

bool execute_statement_block(statement_block& block, std::int32_t context, int depth, std::int32_t& param_count,
                             const std::int64_t* params, std::int32_t break_key) {
  install_script_operations();
  active_run guard;
  interpreter_state& g = g_interpreter;
  g.error_flag = 0;
  bool any_error = false;
  // Operations added to a block after its jumps were resolved have none yet:
  // resolve again, which fills in only those.
  const bool current = compiled_form_is_current(block);
  if (block.jumps_resolved && !current && has_unresolved_jump(block)) block.jumps_resolved = false;
  const bool resolving = !block.jumps_resolved;
  if (resolving && resolve_block_jumps(block)) {
    report_block_context(block);
    any_error = true;
  }
  g.error_flag = 0;
  g.or_chain_satisfied = false;
  if (block.operations.empty()) {
    g.error_flag = any_error ? 1 : 0;
    return true;
  }

  if (resolving || !current) {
    if (block.compiled && g_active_runs > 1) g_retired_forms.push_back(std::move(block.compiled));
    block.compiled = compile_block(block);
  }
  return run_compiled_block(block, context, depth, param_count, params, break_key, any_error);
}

bool run_statement_block(statement_block& block, std::int32_t context) {
  std::int32_t param_count = 0;
  return execute_statement_block(block, context, 0, param_count, nullptr, -1);
}

}  // namespace hm
