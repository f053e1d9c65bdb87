#pragma once
// The one script state of the run (registers, global variables, string and
// position registers, the trigger parameters and result, the fixed-point
// multiplier) and the reading and writing of operands.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "script/operand.h"
#include "script/operation.h"

namespace hm {

inline constexpr int script_register_count = 128;
inline constexpr int script_local_count = 128;
inline constexpr int global_variable_limit = 65536;

struct script_state {
  std::int32_t unused_word = 0;
  std::int64_t trigger_param_1 = -100000;
  std::int64_t trigger_param_2 = -100000;
  std::int64_t trigger_result = 0;
  std::int32_t fixed_point_multiplier = 100;
  ruv_string result_string;
  // Read by the music player.
  std::int32_t music_requested_track = -1;
  std::int32_t music_request_kind = 0;
  std::int32_t music_requested_one_shot = -1;
  // Scripts' settings of the music player's wanted situation mask and group
  // filter (0: any group); the player takes each one it has not yet taken.
  std::int32_t music_wanted_mask = 0;
  std::int32_t music_group_filter = 0;
  bool music_wanted_mask_set = false;
  bool music_group_filter_set = false;
  // Grows on write (16, 32, ... 65,536 entries); each entry holds a value that
  // is already sign-extended from 32 bits.
  std::vector<std::int64_t> global_variables;
  std::array<std::int64_t, script_register_count> registers{};
  std::array<frame, script_register_count> position_registers{};
  std::array<ruv_string, script_register_count> string_registers;

  // Called when a game starts or is loaded. Registers, position registers,
  // string registers and the result string keep their contents.
  void reset();
};

extern script_state g_script_state;

// Low 32 bits of a global variable, sign-extended; 0 beyond the stored ones.
std::int64_t get_global_variable(std::int64_t index);
// Stores the low 32 bits, sign-extended, growing the vector as needed. The
// index must lie in 0..65,535.
void set_global_variable(std::int64_t index, std::int32_t value);

// The local variables of one run of a block.
using script_locals = std::int64_t[script_local_count];

// Error path of evaluate_operand: reports the bad index and reads 0.
std::int64_t evaluate_operand_slow(const operation& op, int index, const std::int64_t* locals, int tag);

// The value of parameter `index`; the parameter's tag goes to out_tag.
inline std::int64_t evaluate_operand(const operation& op, int index, const std::int64_t* locals, int& out_tag) {
  const std::int64_t param = op.params[index];
  if (param < 0) {
    out_tag = 0;
    return param;
  }
  const int tag = static_cast<int>(param >> operand_tag_shift);
  out_tag = tag;
  const std::int64_t payload = param & operand_payload_mask;
  switch (tag) {
    case operand_tag::reg: {
      const auto n = static_cast<std::uint32_t>(payload);
      if (n < script_register_count) return g_script_state.registers[n];
      break;
    }
    case operand_tag::local_variable:
      if (static_cast<std::uint64_t>(payload) < script_local_count) return locals[payload];
      break;
    case operand_tag::global_variable:
      if (payload < global_variable_limit) return get_global_variable(payload);
      break;
    default:
      return payload;
  }
  return evaluate_operand_slow(op, index, locals, tag);
}

// Error path of store_lvalue.
void store_lvalue_slow(const operation& op, std::int64_t* locals, std::int64_t value);

// Stores value into the destination named by parameter 0: a register or a
// local takes all 64 bits, a global variable the low 32 bits sign-extended.
// Anything else is reported and nothing is stored.
inline void store_lvalue(const operation& op, std::int64_t* locals, std::int64_t value) {
  const std::int64_t param = op.params[0];
  if (param >= 0) {
    const int tag = static_cast<int>(param >> operand_tag_shift);
    const std::int64_t payload = param & operand_payload_mask;
    if (tag == operand_tag::reg && static_cast<std::uint32_t>(payload) < script_register_count) {
      g_script_state.registers[static_cast<std::uint32_t>(payload)] = value;
      return;
    }
    if (tag == operand_tag::local_variable && static_cast<std::uint64_t>(payload) < script_local_count) {
      locals[payload] = value;
      return;
    }
  }
  store_lvalue_slow(op, locals, value);
}

// Turns a module text into the shown text: every top-level "{...}" group is
// handed (without its braces) to the host's token expander, "^" becomes a line
// break, everything else is copied.
ruv_string format_text(const ruv_string& text);

}  // namespace hm
