// The module scripts' arithmetic: comparisons, 64-bit integer arithmetic that
// wraps silently, 32-bit minimum, maximum and clamp, bitwise or and and, the
// fixed-point functions, random numbers from the engine's one random source,
// the register shuffle and the trigger parameters and result.
#include <cmath>
#include <cstdint>

#include "engine/core/random.h"
#include "script/interpreter.h"
#include "script/ops_registration.h"
#include "script/script_errors.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

// What the two division operations store for a zero divisor.
constexpr std::int64_t division_by_zero_result = 40000000;

// Degrees to radians as the 32-bit float the trigonometric operations use.
constexpr float degree_factor = 0.017453292f;

std::int64_t wrapping_add(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
std::int64_t wrapping_sub(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}
std::int64_t wrapping_mul(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}
// Quotient toward zero; b must not be 0. The one quotient that does not fit,
// the minimum divided by -1, wraps to the minimum as every other overflow here
// does (the processor would trap on it).
std::int64_t wrapping_div(std::int64_t a, std::int64_t b) {
  if (b == -1) return wrapping_sub(0, a);
  return a / b;
}
// Remainder with the dividend's sign; b must not be 0. x % -1 is 0 for every x,
// and the minimum % -1 would trap.
std::int64_t safe_rem(std::int64_t a, std::int64_t b) {
  if (b == -1) return 0;
  return a % b;
}
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }

// Quotient with the defined results for the two quotients a processor cannot
// give: a zero divisor stores division_by_zero_result, the minimum divided by -1
// stores the minimum. Neither is an error: modules rely on the results, and a
// player would only see red lines.
std::int64_t checked_div(std::int64_t a, std::int64_t b) {
  if (b == 0) return division_by_zero_result;
  return wrapping_div(a, b);
}

// Stores a fixed-point result: rounded as every real that becomes a script
// integer. A result that is not a number or infinite (a negative base with a
// fractional power, an overflow) is not stored, so no variable ever holds a
// value made from one; like every arithmetic operation it reports nothing.
void store_real(operation_call& c, long double real) {
  const float value = static_cast<float>(real);
  if (!std::isfinite(value)) return;
  c.store(round_half_down(value));
}

std::int32_t multiplier() { return g_script_state.fixed_point_multiplier; }

// --- comparisons ------------------------------------------------------------------
void ge(operation_call& c) { c.result = c.value[0] >= c.value[1]; }
void eq(operation_call& c) { c.result = c.value[0] == c.value[1]; }
void gt(operation_call& c) { c.result = c.value[0] > c.value[1]; }
void is_between(operation_call& c) { c.result = c.value[1] <= c.value[0] && c.value[0] < c.value[2]; }

// --- integer operations -------------------------------------------------------------
void val_add(operation_call& c) { c.store(wrapping_add(c.value[0], c.value[1])); }
void val_sub(operation_call& c) { c.store(wrapping_sub(c.value[0], c.value[1])); }
void val_mul(operation_call& c) { c.store(wrapping_mul(c.value[0], c.value[1])); }
void val_div(operation_call& c) { c.store(checked_div(c.value[0], c.value[1])); }
// A zero divisor leaves the variable as it was.
void val_mod(operation_call& c) {
  if (c.value[1] == 0) return;
  c.store(safe_rem(c.value[0], c.value[1]));
}
void val_min(operation_call& c) { c.store(low32(c.value[0]) < low32(c.value[1]) ? low32(c.value[0]) : low32(c.value[1])); }
void val_max(operation_call& c) { c.store(low32(c.value[0]) > low32(c.value[1]) ? low32(c.value[0]) : low32(c.value[1])); }
void val_clamp(operation_call& c) {
  const std::int32_t v = low32(c.value[0]);
  const std::int32_t lo = low32(c.value[1]);
  const std::int32_t hi = low32(c.value[2]);
  // The upper bound is exclusive; the lower bound is tested first.
  if (v < lo) {
    c.store(lo);
  } else if (v >= hi) {
    // p2 - 1 in 32 bits: a bound of the 32-bit minimum wraps to the maximum.
    c.store(low32(static_cast<std::int64_t>(hi) - 1));
  } else {
    c.store(v);
  }
}
void val_abs(operation_call& c) { c.store(c.value[0] < 0 ? wrapping_sub(0, c.value[0]) : c.value[0]); }
void val_or(operation_call& c) { c.store(c.value[0] | c.value[1]); }
void val_and(operation_call& c) { c.store(c.value[0] & c.value[1]); }
void store_or(operation_call& c) { c.store(c.value[1] | c.value[2]); }
void store_and(operation_call& c) { c.store(c.value[1] & c.value[2]); }
// A divisor of zero or below leaves the destination as it was.
void store_mod(operation_call& c) {
  if (c.value[2] <= 0) return;
  c.store(c.value[1] % c.value[2]);
}
void store_add(operation_call& c) { c.store(wrapping_add(c.value[1], c.value[2])); }
void store_sub(operation_call& c) { c.store(wrapping_sub(c.value[1], c.value[2])); }
void store_mul(operation_call& c) { c.store(wrapping_mul(c.value[1], c.value[2])); }
void store_div(operation_call& c) { c.store(checked_div(c.value[1], c.value[2])); }
void assign(operation_call& c) { c.store(c.value[1]); }

// --- fixed point ------------------------------------------------------------------------
void set_fixed_point_multiplier(operation_call& c) {
  // A value whose low 32 bits are zero or negative (2^32, 2^31) would make a
  // multiplier that 2131 divides by or that flips every sign: it is kept as it was.
  if (c.value[0] > 0 && low32(c.value[0]) > 0) g_script_state.fixed_point_multiplier = low32(c.value[0]);
}
// The square root of zero or below leaves the destination as it was.
void store_sqrt(operation_call& c) {
  if (c.value[1] <= 0) return;
  const long double m = multiplier();
  store_real(c, std::sqrt(static_cast<long double>(c.value[1]) / m) * m);
}
void store_pow(operation_call& c) {
  const float m = static_cast<float>(multiplier());
  const long double base = static_cast<long double>(c.value[1]) / m;
  const long double exponent = static_cast<long double>(c.value[2]) / m;
  store_real(c, std::pow(base, exponent) * static_cast<long double>(multiplier()));
}
long double radians_of(std::int64_t fixed_degrees) {
  return static_cast<long double>(fixed_degrees) * degree_factor / static_cast<long double>(multiplier());
}
void store_sin(operation_call& c) { store_real(c, std::sin(radians_of(c.value[1])) * multiplier()); }
void store_cos(operation_call& c) { store_real(c, std::cos(radians_of(c.value[1])) * multiplier()); }
void store_tan(operation_call& c) { store_real(c, std::tan(radians_of(c.value[1])) * multiplier()); }
void convert_to_fixed_point(operation_call& c) { c.store(wrapping_mul(c.value[0], multiplier())); }
void convert_from_fixed_point(operation_call& c) {
  // The multiplier is always positive (2124 refuses anything else).
  c.store(wrapping_div(c.value[0], multiplier()));
}

// --- random numbers and registers ---------------------------------------------------------
void shuffle_range(operation_call& c) {
  if (!validate_register_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  const int first = low32(c.value[0]);
  const int end = low32(c.value[1]);
  if (first >= end) return;
  auto& registers = g_script_state.registers;
  for (int i = first; i < end; ++i) {
    const int j = first + random_below(end - first);
    // The whole 64-bit values change places, so no register loses its high
    // half to a shuffle.
    const std::int64_t moved = registers[static_cast<std::size_t>(i)];
    registers[static_cast<std::size_t>(i)] = registers[static_cast<std::size_t>(j)];
    registers[static_cast<std::size_t>(j)] = moved;
  }
}
void store_random(operation_call& c) { c.store(random_below(low32(c.value[1]))); }
void store_random_in_range(operation_call& c) {
  c.store(wrapping_add(c.value[1], random_below(low32(wrapping_sub(c.value[2], c.value[1])))));
}

// --- trigger parameters and result -----------------------------------------------------------
void store_trigger_param_1(operation_call& c) { c.store(g_script_state.trigger_param_1); }
void store_trigger_param_2(operation_call& c) { c.store(g_script_state.trigger_param_2); }
void set_trigger_result(operation_call& c) { g_script_state.trigger_result = c.value[0]; }

}  // namespace

void register_arithmetic_operations() {
  register_operation(opcode::ge, ge);
  register_operation(opcode::eq, eq);
  register_operation(opcode::gt, gt);
  register_operation(opcode::is_between, is_between);

  register_operation(opcode::val_add, val_add);
  register_operation(opcode::val_sub, val_sub);
  register_operation(opcode::val_mul, val_mul);
  register_operation(2108, val_div);
  register_operation(2109, val_mod);
  register_operation(2110, val_min);
  register_operation(2111, val_max);
  register_operation(2112, val_clamp);
  register_operation(2113, val_abs);
  register_operation(2114, val_or);
  register_operation(2115, val_and);
  register_operation(2116, store_or);
  register_operation(2117, store_and);
  register_operation(2119, store_mod);
  register_operation(opcode::store_add, store_add);
  register_operation(opcode::store_sub, store_sub);
  register_operation(opcode::store_mul, store_mul);
  register_operation(2123, store_div);
  register_operation(opcode::assign, assign);

  register_operation(2124, set_fixed_point_multiplier);
  register_operation(2125, store_sqrt);
  register_operation(2126, store_pow);
  register_operation(2127, store_sin);
  register_operation(2128, store_cos);
  register_operation(2129, store_tan);
  register_operation(2130, convert_to_fixed_point);
  register_operation(2131, convert_from_fixed_point);

  register_operation(2134, shuffle_range);
  register_operation(2135, store_random);
  register_operation(2136, store_random_in_range);

  register_operation(2071, store_trigger_param_1);
  register_operation(2072, store_trigger_param_2);
  register_operation(2075, set_trigger_result);
}

operation_handler builtin_arithmetic_handler(std::uint32_t opcode_number) {
  switch (opcode_number) {
    case opcode::ge: return ge;
    case opcode::eq: return eq;
    case opcode::gt: return gt;
    case opcode::is_between: return is_between;
    case opcode::val_add: return val_add;
    case opcode::val_sub: return val_sub;
    case opcode::val_mul: return val_mul;
    case opcode::store_add: return store_add;
    case opcode::store_sub: return store_sub;
    case opcode::store_mul: return store_mul;
    case opcode::assign: return assign;
    default: return nullptr;
  }
}

}  // namespace hm
