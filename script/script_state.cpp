#include "script/script_state.h"

#include <cstdio>

#include "script/script_errors.h"
#include "script/script_host.h"

namespace hm {

script_state g_script_state;

void script_state::reset() {
  unused_word = 0;
  trigger_param_1 = -100000;
  trigger_param_2 = -100000;
  trigger_result = 0;
  fixed_point_multiplier = 100;
  music_requested_track = -1;
  music_request_kind = 0;
  music_requested_one_shot = -1;
  global_variables.clear();
  global_variables.shrink_to_fit();
}

std::int64_t get_global_variable(std::int64_t index) {
  const auto& globals = g_script_state.global_variables;
  if (index < 0 || index >= static_cast<std::int64_t>(globals.size())) return 0;
  return static_cast<std::int32_t>(globals[static_cast<std::size_t>(index)]);
}

void set_global_variable(std::int64_t index, std::int32_t value) {
  if (index < 0 || index >= global_variable_limit) return;
  auto& globals = g_script_state.global_variables;
  if (index >= static_cast<std::int64_t>(globals.size())) {
    std::size_t size = 16;
    while (static_cast<std::int64_t>(size) <= index) size *= 2;
    globals.resize(size, 0);
  }
  globals[static_cast<std::size_t>(index)] = value;
}

namespace {

// Parameters as the messages print them: the low 32 bits of the stored value.
int low32(std::int64_t value) { return static_cast<std::int32_t>(value); }

void report_bad_operand(const char* what, const operation& op) {
  char message[160];
  std::snprintf(message, sizeof message, "Invalid %s no in operation = %d, param0 = %d param1 = %d", what,
                low32(op.opcode_word), low32(op.params[0]), low32(op.params[1]));
  report_script_error(message);
}

}  // namespace

std::int64_t evaluate_operand_slow(const operation& op, int, const std::int64_t*, int tag) {
  switch (tag) {
    case operand_tag::reg:
      report_bad_operand("register", op);
      break;
    case operand_tag::global_variable:
      report_bad_operand("variable", op);
      break;
    case operand_tag::local_variable:
      report_bad_operand("local variable", op);
      break;
    default:
      break;
  }
  return 0;
}

void store_lvalue_slow(const operation& op, std::int64_t*, std::int64_t value) {
  const std::int64_t param = op.params[0];
  const int tag = operand_tag_of(param);
  const std::int64_t payload = operand_payload_of(param);
  if (param >= 0 && tag == operand_tag::global_variable) {
    if (payload < global_variable_limit) {
      set_global_variable(payload, static_cast<std::int32_t>(value));
    } else {
      report_script_error("illegal variable no.");
    }
    return;
  }
  if (param >= 0 && tag == operand_tag::reg) {
    report_script_error("illegal register no.");
    return;
  }
  if (param >= 0 && tag == operand_tag::local_variable) {
    report_script_error("illegal local variable no.");
    return;
  }
  char message[96];
  std::snprintf(message, sizeof message, "Illegal lvalue in statement; Opcode = %d",
                static_cast<std::int32_t>(current_opcode_word()));
  report_script_error(message);
}

ruv_string format_text(const ruv_string& text) {
  ruv_string out;
  const int length = text.length();
  const char* chars = text.c_str();
  // Room for the text as it stands; tokens that expand longer grow it.
  out.reserve_keep(length);
  script_engine_host& engine = *current_script_host().engine;
  int i = 0;
  while (i < length) {
    // The plain run up to the next token or caret goes over in one piece.
    int run = i;
    while (run < length && chars[run] != '{' && chars[run] != '^') ++run;
    if (run > i) out.append_chars(chars + i, run - i);
    i = run;
    if (i == length) break;
    if (chars[i] == '^') {
      out.append_char('\n');
      ++i;
      continue;
    }
    int depth = 1;
    int end = i + 1;
    for (; end < length; ++end) {
      if (chars[end] == '{') {
        ++depth;
      } else if (chars[end] == '}' && --depth == 0) {
        break;
      }
    }
    // An unclosed token runs to the end of the text.
    engine.append_expanded_token(std::string_view(chars + i + 1, static_cast<std::size_t>(end - i - 1)), out);
    i = end + 1;
  }
  return out;
}

}  // namespace hm
