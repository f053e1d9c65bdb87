#pragma once
// The statement-block executor: runs a block from its first statement to its
// end or to its first failing top-level statement. It runs the block-control
// statements (conditional blocks, loops, script calls, script parameters)
// itself and hands every other statement to the operation interpreter.
// A run goes over the block's compiled form (script/compiled_block.h), which
// runs the common statements directly and the rest through the same general
// statement code that runs every statement while a debugger is installed.
#include <cstdint>

#include "script/operation.h"

namespace hm {

// Context words the engine's callers hand to a block.
namespace script_context {
inline constexpr std::int32_t game_hook = 0x200000;
inline constexpr std::int32_t dialog_condition = 2;
inline constexpr std::int32_t dialog_consequence = 4;
inline constexpr std::int32_t mission_window = 8;
inline constexpr std::int32_t game_menu = 16;
inline constexpr std::int32_t presentation_callback = -65;
}  // namespace script_context

inline constexpr int max_block_frames = 128;
// A script call from a block at this depth or deeper fails.
inline constexpr int max_script_call_depth = 256;

// One open conditional block or loop of a run.
struct block_frame {
  std::int32_t statement;
  std::int32_t value;
};

// The frames of one run of a block.
struct block_frames {
  block_frame frames[max_block_frames];
  int count = 0;
};

// The script debugger's view of the executor. When installed, the executor
// stops before statement i when stepping is on or the break key's low 16 bits
// equal i.
class script_debug_hook {
 public:
  virtual ~script_debug_hook() = default;
  virtual bool stepping() const = 0;
  // Waits for the user's choice before statement i runs; may change the break
  // key and set step_into (the next run_script passes break key 0). locals are
  // the running block's local variables.
  virtual void stop(const statement_block& block, int statement, const std::int64_t* locals,
                    std::int32_t& break_key, bool& step_into) = 0;
  // After a statement ran while stepping.
  virtual void after_statement(const statement_block& block, int statement, const std::int64_t* locals,
                               bool result) = 0;
  // The callee's break key for a call of a script (-1 for none).
  virtual std::int32_t break_key_for_script(int script) = 0;
};
// Installs the debugger (null removes it). Returns the previous one.
script_debug_hook* set_script_debug_hook(script_debug_hook* hook);

// Runs a block. depth is 0 for a call from the engine; params and param_count
// are the running script's parameters; break_key is -1 for no breakpoint.
bool execute_statement_block(statement_block& block, std::int32_t context, int depth, std::int32_t& param_count,
                             const std::int64_t* params, std::int32_t break_key);
// Depth 0, no script parameters, no breakpoint.
bool run_statement_block(statement_block& block, std::int32_t context);

// Pushes a frame unless 128 are held. Returns false when the stack is full.
bool push_block_frame(block_frames& frames, std::int32_t statement, std::int32_t value);
// Whether the loop of the innermost frame goes on.
bool test_loop_condition(const statement_block& block, std::int64_t* locals, const block_frames& frames);
// The try_end step at statement i: pops a conditional block, or advances the
// innermost loop and goes back to its body while its condition holds.
void step_loop_at_try_end(const statement_block& block, std::int64_t* locals, block_frames& frames, int& i);
// Runs statement i through the interpreter and adds "At %s." when it reported
// an error.
bool run_operation_and_report(const statement_block& block, std::int64_t* locals, int i, std::int32_t& context);

}  // namespace hm
