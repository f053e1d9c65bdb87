#pragma once
// The integer arithmetic of module scripts, shared by the operation handlers
// and the executor's direct steps so the two can never give different results.
// 64-bit operations wrap silently; minimum, maximum and clamp work on the low
// 32 bits. No quotient or remainder here can trap: the two the processor
// cannot give (a zero divisor, the minimum by -1) have defined results.
#include <cstdint>

#include "script/interpreter.h"

namespace hm {

// What the two division operations store for a zero divisor.
inline constexpr std::int64_t division_by_zero_result = 40000000;

inline std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }

inline std::int64_t wrap_add64(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
inline std::int64_t wrap_sub64(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}
inline std::int64_t wrap_mul64(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}
// Quotient toward zero; b must not be 0. The one quotient that does not fit,
// the minimum divided by -1, wraps to the minimum as every other overflow here
// does.
inline std::int64_t wrap_div64(std::int64_t a, std::int64_t b) {
  if (b == -1) return wrap_sub64(0, a);
  return a / b;
}
// Quotient with a zero divisor giving division_by_zero_result. Neither that nor
// the wrapped quotient is an error: modules rely on the results, and a player
// would only see red lines.
inline std::int64_t checked_div64(std::int64_t a, std::int64_t b) {
  if (b == 0) return division_by_zero_result;
  return wrap_div64(a, b);
}
// Remainder with the dividend's sign; b must not be 0. x % -1 is 0 for every x
// (the minimum % -1 would trap).
inline std::int64_t safe_rem64(std::int64_t a, std::int64_t b) {
  if (b == -1) return 0;
  return a % b;
}
inline std::int64_t abs64(std::int64_t v) { return v < 0 ? wrap_sub64(0, v) : v; }
inline std::int32_t min32(std::int64_t a, std::int64_t b) { return low32(a) < low32(b) ? low32(a) : low32(b); }
inline std::int32_t max32(std::int64_t a, std::int64_t b) { return low32(a) > low32(b) ? low32(a) : low32(b); }
// The value kept in [lo, hi): the lower bound is tested first, and a value at
// or above the upper bound becomes hi - 1 in 32 bits (a bound of the 32-bit
// minimum wraps to the maximum).
inline std::int32_t clamp32(std::int64_t value, std::int64_t lo, std::int64_t hi) {
  const std::int32_t v = low32(value);
  if (v < low32(lo)) return low32(lo);
  if (v >= low32(hi)) return low32(static_cast<std::int64_t>(low32(hi)) - 1);
  return v;
}

// A real turned into a script integer: floor(x), plus 1 only when the fraction
// is above 0.5, so exactly .5 rounds down (2.5 gives 2, -2.5 gives -3). Values
// beyond the 64-bit range saturate; not a number gives 0.
std::int64_t round_half_down(float x);
// A real cut toward zero into a script integer; values beyond the 64-bit
// range saturate and not a number gives 0.
std::int64_t truncate_to_int64(double x);

// A random integer below n from the engine's one random source: 0 to 32767
// modulo n, 0 when n is below 2 (a draw is made only for n >= 2).
int random_below(std::int32_t n);

// The arithmetic family of operations: comparisons, integer and fixed-point
// arithmetic, random numbers, trigger parameters and result. It is the
// interpreter's own, as the executor's direct steps are.
void register_arithmetic_operations();
// The arithmetic family's own handler of an opcode (null when it has none), so
// the executor can tell whether the table still holds it.
operation_handler builtin_arithmetic_handler(std::uint32_t opcode_number);

}  // namespace hm
