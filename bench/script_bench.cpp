// The interpreter's hot path: a module-style loop of register arithmetic and
// comparisons, against the same work in Lua 5.4, timed in the same run.
// Items are module statements executed, so items per second is statements per
// second for both (the Lua runs do the same work as those statements).
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

// for reg0 in 0..n-1:
//   reg1 += reg0; if reg1 > 1000: reg1 -= 1000
//   reg2 = reg0 * 3; reg3 += reg2
statement_block make_loop_block() {
  const std::int64_t r0 = register_operand(0), r1 = register_operand(1), r2 = register_operand(2),
                     r3 = register_operand(3);
  statement_block block;
  block.name = "bench_loop";
  block.operations = {
      make_op(opcode::assign, {r1, 0}),
      make_op(opcode::assign, {r3, 0}),
      make_op(opcode::loop_for_range, {r0, 0, iterations}),
      make_op(opcode::val_add, {r1, r0}),
      make_op(opcode::try_begin, {}),
      make_op(opcode::gt, {r1, 1000}),
      make_op(opcode::val_sub, {r1, 1000}),
      make_op(opcode::try_end, {}),
      make_op(opcode::store_mul, {r2, r0, 3}),
      make_op(opcode::val_add, {r3, r2}),
      make_op(opcode::try_end, {}),
  };
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

void BM_script_register_loop(benchmark::State& state) {
  install_script_operations();
  statement_block block = make_loop_block();
  for (auto _ : state) {
    run_statement_block(block, 0);
    benchmark::DoNotOptimize(g_script_state.registers[3]);
  }
  if (g_script_state.registers[1] != expected_reg1()) state.SkipWithError("wrong result");
  state.SetItemsProcessed(state.iterations() * statements_per_run());
}
BENCHMARK(BM_script_register_loop)->Unit(benchmark::kMicrosecond);

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
