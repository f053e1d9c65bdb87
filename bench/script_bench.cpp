// The interpreter's hot path: a module-style loop of register arithmetic and
// comparisons, against the same work in Lua 5.4, timed in the same run.
// Every loop benchmark does the same work per iteration (the same sums,
// product, comparison, conditional subtraction and stores, with the loop
// variable stored where the other values live) and counts the same items per
// run: the module statements that work takes. Items per second are therefore
// comparable across all of them, and their ratio is the ratio of run times.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

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
// the running block.
const char* lua_with_register_table = R"(
local R = {0, 0, 0, 0}
return function(n)
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

void run_lua(benchmark::State& state, const char* source) {
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
    lua_pushinteger(lua, iterations);
    lua_call(lua, 1, 1);
    result = lua_tointeger(lua, -1);
    lua_pop(lua, 1);
    benchmark::DoNotOptimize(result);
  }
  if (result != expected_reg1()) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations() * statements_per_run());
  lua_close(lua);
}

void BM_lua_register_table_loop(benchmark::State& state) { run_lua(state, lua_with_register_table); }
BENCHMARK(BM_lua_register_table_loop)->Unit(benchmark::kMicrosecond);

void BM_lua_locals_loop(benchmark::State& state) { run_lua(state, lua_with_locals); }
BENCHMARK(BM_lua_locals_loop)->Unit(benchmark::kMicrosecond);

}  // namespace
