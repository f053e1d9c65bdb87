// The interpreter against Lua 5.4, timed in the same run, on the shapes module
// code has: a loop of register arithmetic and comparisons, script calls with
// parameters, an else-try chain of arithmetic, and text formatting with
// register and string tokens. Each of our workloads and its Lua counterpart do
// the same work and count the same items per run, so their ratio of items per
// second is the ratio of run times; the run ends with a table of those ratios
// (ours over Lua's time: below 1 means ours is faster).
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include "module/loading/module_script_host.h"
#include "module/records/script_table.h"
#include "script/executor.h"
#include "script/interpreter.h"
#include "script/operand.h"
#include "script/script_state.h"

namespace {

using namespace hm;

constexpr std::int64_t iterations = 100000;

operation make_op(std::uint32_t word, std::initializer_list<std::int64_t> params) {
  operation op;
  op.opcode_word = word;
  for (std::int64_t p : params) op.params[op.param_count++] = p;
  return op;
}

// for v0 in 0..n-1:
//   v1 += v0; if v1 > 1000: v1 -= 1000
//   v2 = v0 * 3; v3 += v2
// with v0..v3 registers 0..3, or locals 0..3 whose results are copied to
// registers 1 and 3 at the end.
statement_block make_loop_block(bool in_locals) {
  auto v = [in_locals](int n) { return in_locals ? local_operand(n) : register_operand(n); };
  statement_block block;
  block.name = "bench_loop";
  block.operations = {
      make_op(opcode::assign, {v(1), 0}),
      make_op(opcode::assign, {v(3), 0}),
      make_op(opcode::loop_for_range, {v(0), 0, iterations}),
      make_op(opcode::val_add, {v(1), v(0)}),
      make_op(opcode::try_begin, {}),
      make_op(opcode::gt, {v(1), 1000}),
      make_op(opcode::val_sub, {v(1), 1000}),
      make_op(opcode::try_end, {}),
      make_op(opcode::store_mul, {v(2), v(0), 3}),
      make_op(opcode::val_add, {v(3), v(2)}),
      make_op(opcode::try_end, {}),
  };
  if (in_locals) {
    block.operations.push_back(make_op(opcode::assign, {register_operand(1), v(1)}));
    block.operations.push_back(make_op(opcode::assign, {register_operand(3), v(3)}));
  }
  return block;
}

// Statements one run executes: the loop's opener and set-up, then per
// iteration the body and the loop's try_end, plus the subtraction each time
// the branch is taken.
std::int64_t statements_per_run() {
  std::int64_t count = 3;
  std::int64_t r1 = 0;
  for (std::int64_t i = 0; i < iterations; ++i) {
    r1 += i;
    count += 7;  // val_add, try_begin, gt, try_end, store_mul, val_add, loop try_end
    if (r1 > 1000) {
      r1 -= 1000;
      ++count;
    }
  }
  return count;
}

std::int64_t expected_reg1() {
  std::int64_t r1 = 0;
  for (std::int64_t i = 0; i < iterations; ++i) {
    r1 += i;
    if (r1 > 1000) r1 -= 1000;
  }
  return r1;
}

void run_script_loop(benchmark::State& state, bool in_locals) {
  install_script_operations();
  statement_block block = make_loop_block(in_locals);
  g_script_state.registers[1] = -1;
  for (auto _ : state) {
    run_statement_block(block, 0);
    benchmark::DoNotOptimize(g_script_state.registers[3]);
  }
  if (g_script_state.registers[1] != expected_reg1()) state.SkipWithError("wrong result");
  // The locals variant's two closing copies are extra work, not loop work:
  // they are not counted.
  state.SetItemsProcessed(state.iterations() * statements_per_run());
}

void BM_script_register_loop(benchmark::State& state) { run_script_loop(state, false); }
BENCHMARK(BM_script_register_loop)->Unit(benchmark::kMicrosecond);

void BM_script_locals_loop(benchmark::State& state) { run_script_loop(state, true); }
BENCHMARK(BM_script_locals_loop)->Unit(benchmark::kMicrosecond);

// A short block run many times, as dialog and menu conditions are: the cost of
// starting a run dominates. The OR chain's first member fails, so the global
// variable read (which goes the general way) runs. Items are runs.
void BM_script_short_condition_block(benchmark::State& state) {
  install_script_operations();
  const std::int64_t r1 = register_operand(1), r2 = register_operand(2), r3 = register_operand(3);
  statement_block block;
  block.name = "bench_condition";
  block.operations = {
      make_op(opcode::ge, {r1, 0}),
      make_op(opcode::eq | this_or_next_bit, {r2, 5}),
      make_op(opcode::eq, {global_operand(7), 0}),
      make_op(opcode::assign, {r3, 1}),
  };
  g_script_state.registers[1] = 1;
  g_script_state.registers[2] = 4;
  for (auto _ : state) {
    const bool result = run_statement_block(block, 0);
    benchmark::DoNotOptimize(result);
  }
  if (g_script_state.registers[3] != 1) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_script_short_condition_block);

// The registers live in a table, as the script state's registers live outside
// the running block. The function takes the table into a local first, as Lua
// code that cares for speed does, so each access is not an upvalue read.
const char* lua_with_register_table = R"(
local R = {0, 0, 0, 0}
return function(n)
  local R = R
  R[2] = 0
  R[4] = 0
  for i = 0, n - 1 do
    R[1] = i
    R[2] = R[2] + R[1]
    if R[2] > 1000 then R[2] = R[2] - 1000 end
    R[3] = R[1] * 3
    R[4] = R[4] + R[3]
  end
  return R[2]
end
)";

// The same work in Lua locals: the fastest form Lua has, for reference.
const char* lua_with_locals = R"(
return function(n)
  local r1, r3 = 0, 0
  for i = 0, n - 1 do
    r1 = r1 + i
    if r1 > 1000 then r1 = r1 - 1000 end
    local r2 = i * 3
    r3 = r3 + r2
  end
  return r1
end
)";

// Runs the chunk's function with n and checks what it returns.
void run_lua(benchmark::State& state, const char* source, std::int64_t n, std::int64_t expected,
             std::int64_t items_per_run) {
  lua_State* lua = luaL_newstate();
  luaL_openlibs(lua);
  if (luaL_dostring(lua, source) != LUA_OK) {
    state.SkipWithError(lua_tostring(lua, -1));
    lua_close(lua);
    return;
  }
  const int function = luaL_ref(lua, LUA_REGISTRYINDEX);
  std::int64_t result = 0;
  for (auto _ : state) {
    lua_rawgeti(lua, LUA_REGISTRYINDEX, function);
    lua_pushinteger(lua, n);
    lua_call(lua, 1, 1);
    result = lua_tointeger(lua, -1);
    lua_pop(lua, 1);
    benchmark::DoNotOptimize(result);
  }
  if (result != expected) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations() * items_per_run);
  lua_close(lua);
}

void BM_lua_register_table_loop(benchmark::State& state) {
  run_lua(state, lua_with_register_table, iterations, expected_reg1(), statements_per_run());
}
BENCHMARK(BM_lua_register_table_loop)->Unit(benchmark::kMicrosecond);

void BM_lua_locals_loop(benchmark::State& state) {
  run_lua(state, lua_with_locals, iterations, expected_reg1(), statements_per_run());
}
BENCHMARK(BM_lua_locals_loop)->Unit(benchmark::kMicrosecond);

// --- script calls with parameters --------------------------------------------------

// A loop that calls a script with two parameters; the script multiplies them
// and hands the product back in register 0, as module scripts return values.
// Items are calls.
constexpr std::int64_t call_iterations = 20000;

std::int64_t expected_call_sum() {
  std::int64_t sum = 0;
  for (std::int64_t i = 0; i < call_iterations; ++i) sum += i * 7;
  return sum;
}

void BM_script_call_loop(benchmark::State& state) {
  install_script_operations();
  const std::int64_t a = local_operand(0), b = local_operand(1);
  g_script_table.scripts.clear();
  g_script_table.scripts.emplace_back();
  script& callee = g_script_table.scripts.back();
  callee.name = "scaled";
  callee.block.name = "script: scaled";
  callee.block.operations = {
      make_op(opcode::fetch_script_param_0, {a}),
      make_op(opcode::fetch_script_param_1, {b}),
      make_op(opcode::store_mul, {register_operand(0), a, b}),
  };
  install_module_script_host();
  const std::int64_t r0 = register_operand(0), r1 = register_operand(1), r4 = register_operand(4);
  statement_block block;
  block.name = "bench_calls";
  block.operations = {
      make_op(opcode::assign, {r1, 0}),
      make_op(opcode::loop_for_range, {r4, 0, call_iterations}),
      make_op(opcode::run_script, {0, r4, 7}),
      make_op(opcode::val_add, {r1, r0}),
      make_op(opcode::try_end, {}),
  };
  for (auto _ : state) {
    run_statement_block(block, 0);
    benchmark::DoNotOptimize(g_script_state.registers[1]);
  }
  if (g_script_state.registers[1] != expected_call_sum()) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations() * call_iterations);
}
BENCHMARK(BM_script_call_loop)->Unit(benchmark::kMicrosecond);

const char* lua_calls = R"(
local function scaled(a, b)
  return a * b
end
return function(n)
  local sum = 0
  for i = 0, n - 1 do
    sum = sum + scaled(i, 7)
  end
  return sum
end
)";

void BM_lua_call_loop(benchmark::State& state) {
  run_lua(state, lua_calls, call_iterations, expected_call_sum(), call_iterations);
}
BENCHMARK(BM_lua_call_loop)->Unit(benchmark::kMicrosecond);

// --- an else-try chain of arithmetic ---------------------------------------------

// Per iteration the remainder of the counter by 5 picks one of five branches,
// each with arithmetic module scripts use (division, minimum, absolute value,
// maximum, clamp); the sum is kept below a bound by a remainder. Items are
// passes through the chain.
constexpr std::int64_t chain_iterations = 20000;

std::int64_t expected_chain_sum() {
  std::int64_t sum = 0;
  for (std::int64_t i = 0; i < chain_iterations; ++i) {
    switch (i % 5) {
      case 0: sum += i; break;
      case 1: sum += i / 3; break;
      case 2: sum += std::min<std::int64_t>(i, 500); break;
      case 3: sum += std::max<std::int64_t>(std::abs(50000 - i), 1000); break;
      default: sum += std::min<std::int64_t>(std::max<std::int64_t>(i, 100), 59999); break;
    }
    sum %= 1000003;
  }
  return sum;
}

void BM_script_else_try_chain(benchmark::State& state) {
  install_script_operations();
  using namespace opcode;
  const std::int64_t r1 = register_operand(1), r2 = register_operand(2), r3 = register_operand(3),
                     r4 = register_operand(4);
  constexpr std::uint32_t val_mod = 2109, val_min = 2110, val_max = 2111, val_clamp = 2112,
                          val_abs = 2113, store_mod = 2119, store_div = 2123;
  statement_block block;
  block.name = "bench_chain";
  block.operations = {
      make_op(assign, {r1, 0}),
      make_op(loop_for_range, {r4, 0, chain_iterations}),
      make_op(store_mod, {r2, r4, 5}),
      make_op(try_begin, {}),
      make_op(eq, {r2, 0}),
      make_op(val_add, {r1, r4}),
      make_op(else_try, {}),
      make_op(eq, {r2, 1}),
      make_op(store_div, {r3, r4, 3}),
      make_op(val_add, {r1, r3}),
      make_op(else_try, {}),
      make_op(eq, {r2, 2}),
      make_op(assign, {r3, r4}),
      make_op(val_min, {r3, 500}),
      make_op(val_add, {r1, r3}),
      make_op(else_try, {}),
      make_op(eq, {r2, 3}),
      make_op(store_sub, {r3, 50000, r4}),
      make_op(val_abs, {r3}),
      make_op(val_max, {r3, 1000}),
      make_op(val_add, {r1, r3}),
      make_op(else_try, {}),
      make_op(assign, {r3, r4}),
      make_op(val_clamp, {r3, 100, 60000}),
      make_op(val_add, {r1, r3}),
      make_op(try_end, {}),
      make_op(val_mod, {r1, 1000003}),
      make_op(try_end, {}),
  };
  for (auto _ : state) {
    run_statement_block(block, 0);
    benchmark::DoNotOptimize(g_script_state.registers[1]);
  }
  if (g_script_state.registers[1] != expected_chain_sum()) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations() * chain_iterations);
}
BENCHMARK(BM_script_else_try_chain)->Unit(benchmark::kMicrosecond);

// The same chain as Lua writes it, with the library's functions taken into
// locals once.
const char* lua_chain = R"(
local min, max, abs = math.min, math.max, math.abs
return function(n)
  local sum = 0
  for i = 0, n - 1 do
    local m = i % 5
    if m == 0 then
      sum = sum + i
    elseif m == 1 then
      sum = sum + i // 3
    elseif m == 2 then
      sum = sum + min(i, 500)
    elseif m == 3 then
      sum = sum + max(abs(50000 - i), 1000)
    else
      sum = sum + min(max(i, 100), 59999)
    end
    sum = sum % 1000003
  end
  return sum
end
)";

void BM_lua_else_try_chain(benchmark::State& state) {
  run_lua(state, lua_chain, chain_iterations, expected_chain_sum(), chain_iterations);
}
BENCHMARK(BM_lua_else_try_chain)->Unit(benchmark::kMicrosecond);

// --- text formatting ------------------------------------------------------------------

// A module text with a register token and a string-register token, formatted
// once per iteration with the register changing. Items are texts.
constexpr std::int64_t format_iterations = 2000;
const char* const format_template = "The {s2} has {reg1} men^ready at the ford.";

std::int64_t expected_format_length() {
  std::int64_t total = 0;
  for (std::int64_t i = 0; i < format_iterations; ++i) {
    total += static_cast<std::int64_t>(std::string("The Swadian host has  men\nready at the ford.").size() +
                                       std::to_string(i).size());
  }
  return total;
}

void BM_script_format_text(benchmark::State& state) {
  install_script_operations();
  const ruv_string text(format_template);
  g_script_state.string_registers[2] = ruv_string("Swadian host");
  std::int64_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (std::int64_t i = 0; i < format_iterations; ++i) {
      g_script_state.registers[1] = i;
      const ruv_string out = format_text(text);
      total += out.length();
    }
    benchmark::DoNotOptimize(total);
  }
  if (total != expected_format_length()) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations() * format_iterations);
}
BENCHMARK(BM_script_format_text)->Unit(benchmark::kMicrosecond);

const char* lua_format = R"(
local format = string.format
local s2 = "Swadian host"
return function(n)
  local total = 0
  for i = 0, n - 1 do
    local text = format("The %s has %d men\nready at the ford.", s2, i)
    total = total + #text
  end
  return total
end
)";

void BM_lua_format_text(benchmark::State& state) {
  run_lua(state, lua_format, format_iterations, expected_format_length(), format_iterations);
}
BENCHMARK(BM_lua_format_text)->Unit(benchmark::kMicrosecond);

// --- the ratios -----------------------------------------------------------------------

// Keeps each benchmark's best time per item over its repetitions (the run
// least disturbed by the rest of the machine; the median when only aggregates
// are reported) and prints, after the usual report, ours over Lua's for each
// pair.
class ratio_reporter final : public hm::bench::best_figure_reporter {
 public:
  ratio_reporter() : best_figure_reporter(figure::seconds_per_item) {}

  void print_ratios() const {
    static const char* const pairs[][2] = {
        {"BM_script_register_loop", "BM_lua_register_table_loop"},
        {"BM_script_register_loop", "BM_lua_locals_loop"},
        {"BM_script_locals_loop", "BM_lua_locals_loop"},
        {"BM_script_call_loop", "BM_lua_call_loop"},
        {"BM_script_else_try_chain", "BM_lua_else_try_chain"},
        {"BM_script_format_text", "BM_lua_format_text"},
    };
    std::printf("\nTime per item, ours / Lua 5.4 (below 1: ours is faster)\n");
    for (const auto& pair : pairs) {
      const double* ours = best(pair[0]);
      const double* lua = best(pair[1]);
      if (!ours || !lua) continue;
      std::printf("  %-26s / %-28s %6.2f\n", pair[0], pair[1], *ours / *lua);
    }
  }

};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ratio_reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  return 0;
}
