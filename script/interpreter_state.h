#pragma once
// The interpreter's globals: where it is (for "LINE NO: %d" and "OPCODE %d"),
// whether the running statement reported an error, and whether an OR chain is
// already satisfied. Main thread only; script calls on that thread share them.
#include <cstdint>

namespace hm {

struct interpreter_state {
  std::int32_t current_statement = 0;
  std::uint32_t current_opcode_word = 0;
  std::int32_t error_flag = 0;
  bool or_chain_satisfied = false;
  // Every script error reported so far (warnings not counted): a caller that
  // must know whether a block it ran went wrong compares it before and after.
  std::uint32_t errors_reported = 0;
};

extern interpreter_state g_interpreter;

inline std::uint32_t current_opcode_word() { return g_interpreter.current_opcode_word; }

}  // namespace hm
