// The module scripts' arithmetic: comparisons, 64-bit integer arithmetic that
// wraps silently, 32-bit minimum, maximum and clamp, bitwise or and and, the
// fixed-point functions, random numbers from the engine's one random source,
// the register shuffle and the trigger parameters and result.
#include "script/arithmetic.h"

#include <cmath>
#include <cstdint>

#include "engine/core/random.h"
#include "script/interpreter.h"
#include "script/script_errors.h"

namespace hm {

std::int64_t round_half_down(float x) {
  if (std::isnan(x)) return 0;
  // 2^63 is exactly representable; anything at or beyond it saturates.
  if (x >= 9.2233720368547758e18f) return INT64_MAX;
  if (x <= -9.2233720368547758e18f) return INT64_MIN;
  const float base = std::floor(x);
  std::int64_t result = static_cast<std::int64_t>(base);
  if (x - base > 0.5f) ++result;
  return result;
}

std::int64_t truncate_to_int64(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 9.2233720368547758e18) return INT64_MAX;
  if (x <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<std::int64_t>(x);
}

int random_below(std::int32_t n) {
  if (n < 2) return 0;
  return random_next() % n;
}

namespace {

// Degrees to radians as the 32-bit float the trigonometric operations use.
constexpr float degree_factor = 0.017453292f;

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
void val_add(operation_call& c) { c.store(wrap_add64(c.value[0], c.value[1])); }
void val_sub(operation_call& c) { c.store(wrap_sub64(c.value[0], c.value[1])); }
void val_mul(operation_call& c) { c.store(wrap_mul64(c.value[0], c.value[1])); }
void val_div(operation_call& c) { c.store(checked_div64(c.value[0], c.value[1])); }
// A zero divisor leaves the variable as it was.
void val_mod(operation_call& c) {
  if (c.value[1] == 0) return;
  c.store(safe_rem64(c.value[0], c.value[1]));
}
void val_min(operation_call& c) { c.store(min32(c.value[0], c.value[1])); }
void val_max(operation_call& c) { c.store(max32(c.value[0], c.value[1])); }
void val_clamp(operation_call& c) { c.store(clamp32(c.value[0], c.value[1], c.value[2])); }
void val_abs(operation_call& c) { c.store(abs64(c.value[0])); }
void val_or(operation_call& c) { c.store(c.value[0] | c.value[1]); }
void val_and(operation_call& c) { c.store(c.value[0] & c.value[1]); }
void store_or(operation_call& c) { c.store(c.value[1] | c.value[2]); }
void store_and(operation_call& c) { c.store(c.value[1] & c.value[2]); }
// A divisor of zero or below leaves the destination as it was.
void store_mod(operation_call& c) {
  if (c.value[2] <= 0) return;
  c.store(c.value[1] % c.value[2]);
}
void store_add(operation_call& c) { c.store(wrap_add64(c.value[1], c.value[2])); }
void store_sub(operation_call& c) { c.store(wrap_sub64(c.value[1], c.value[2])); }
void store_mul(operation_call& c) { c.store(wrap_mul64(c.value[1], c.value[2])); }
void store_div(operation_call& c) { c.store(checked_div64(c.value[1], c.value[2])); }
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
void convert_to_fixed_point(operation_call& c) { c.store(wrap_mul64(c.value[0], multiplier())); }
void convert_from_fixed_point(operation_call& c) {
  // The multiplier is always positive (2124 refuses anything else).
  c.store(wrap_div64(c.value[0], multiplier()));
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
  c.store(wrap_add64(c.value[1], random_below(low32(wrap_sub64(c.value[2], c.value[1])))));
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
  register_operation(opcode::val_div, val_div);
  register_operation(opcode::val_mod, val_mod);
  register_operation(opcode::val_min, val_min);
  register_operation(opcode::val_max, val_max);
  register_operation(opcode::val_clamp, val_clamp);
  register_operation(opcode::val_abs, val_abs);
  register_operation(opcode::val_or, val_or);
  register_operation(opcode::val_and, val_and);
  register_operation(opcode::store_or, store_or);
  register_operation(opcode::store_and, store_and);
  register_operation(opcode::store_mod, store_mod);
  register_operation(opcode::store_add, store_add);
  register_operation(opcode::store_sub, store_sub);
  register_operation(opcode::store_mul, store_mul);
  register_operation(opcode::store_div, store_div);
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
    case opcode::val_div: return val_div;
    case opcode::val_mod: return val_mod;
    case opcode::val_min: return val_min;
    case opcode::val_max: return val_max;
    case opcode::val_clamp: return val_clamp;
    case opcode::val_abs: return val_abs;
    case opcode::val_or: return val_or;
    case opcode::val_and: return val_and;
    case opcode::store_or: return store_or;
    case opcode::store_and: return store_and;
    case opcode::store_mod: return store_mod;
    case opcode::store_div: return store_div;
    default: return nullptr;
  }
}

}  // namespace hm
