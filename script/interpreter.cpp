#include "script/interpreter.h"

#include <bitset>
#include <cstdio>

#include "script/defined_opcodes.h"
#include "script/script_errors.h"
#include "script/script_host.h"

namespace hm {
namespace {

constexpr std::size_t table_size = opcode::last_operation + 1;

// Opcodes without a handler that have already said so in the log.
std::bitset<table_size> g_reported_unbuilt;
bool g_installed = false;

void report_unbuilt(std::uint32_t number) {
  if (g_reported_unbuilt.test(number)) return;
  g_reported_unbuilt.set(number);
  char line[128];
  std::snprintf(line, sizeof line, "SCRIPT WARNING: opcode %u has no handler yet; it counts as false.", number);
  current_script_host().engine->log_line(line);
}

}  // namespace

void register_operation(std::uint32_t opcode_number, operation_handler handler) {
  if (opcode_number < opcode::first_operation || opcode_number > opcode::last_operation) return;
  detail::g_operation_handlers[opcode_number] = handler;
  ++detail::g_handler_generation;
}

operation_handler find_operation_handler(std::uint32_t opcode_number) {
  if (opcode_number < opcode::first_operation || opcode_number > opcode::last_operation) return nullptr;
  return detail::g_operation_handlers[opcode_number];
}

void install_script_operations() {
  if (g_installed) return;
  g_installed = true;
  register_basic_operations();
}

bool execute_operation(const operation& op, std::int64_t* locals, std::int32_t& context,
                       std::int32_t& error_flag) {
  return detail::dispatch_operation(op, locals, context, error_flag);
}

namespace detail {

operation_handler g_operation_handlers[table_size] = {};
std::uint32_t g_handler_generation = 0;

bool run_unhandled_operation(std::uint32_t word) {
  const std::uint32_t number = word & opcode_bits_mask;
  // An operation of the language whose family is not built yet says so once in
  // the log; any other number is no operation at all.
  if (number <= opcode::last_operation && is_defined_opcode(number)) {
    report_unbuilt(number);
    return false;
  }
  report_script_error_f("Unrecognized opcode %d.", static_cast<std::int32_t>(word));
  return (word & negate_bit) == 0;
}

}  // namespace detail

}  // namespace hm
