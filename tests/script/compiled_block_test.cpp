// The executor runs blocks from their compiled form and hands statements it
// does not run itself to the general statement code; with a debugger installed
// it runs every statement through that general code. These tests hold the two
// to the same results, and check that the compiled form follows edits, reloads,
// replaced handlers and events in the middle of a run.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/stream.h"
#include "script/executor.h"
#include "script/interpreter.h"
#include "script/script_errors.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::gvar;
using test::local;
using test::make_block;
using test::neg;
using test::op_spec;
using test::reg;
using test::this_or_next;

statement_block block_of(const std::vector<op_spec>& ops, const char* name = "test block") {
  statement_block block = make_block({}, name);
  for (const op_spec& spec : ops) block.operations.push_back(make_block({spec}).operations[0]);
  return block;
}

// A debugger that never stops: its presence alone makes the executor run every
// statement through the general statement code.
class quiet_debugger final : public script_debug_hook {
 public:
  bool stepping() const override { return false; }
  void stop(const statement_block&, int, const std::int64_t*, std::int32_t&, bool&) override {}
  void after_statement(const statement_block&, int, const std::int64_t*, bool) override {}
  std::int32_t break_key_for_script(int) override { return -1; }
};

class recording_debugger final : public script_debug_hook {
 public:
  std::vector<int> stops;
  bool stepping() const override { return true; }
  void stop(const statement_block&, int statement, const std::int64_t*, std::int32_t&, bool&) override {
    stops.push_back(statement);
  }
  void after_statement(const statement_block&, int, const std::int64_t*, bool) override {}
  std::int32_t break_key_for_script(int) override { return -1; }
};

// Replaces a handler for the scope of a test.
class scoped_handler {
 public:
  scoped_handler(std::uint32_t opcode_number, operation_handler handler)
      : opcode_(opcode_number), old_(find_operation_handler(opcode_number)) {
    register_operation(opcode_, handler);
  }
  ~scoped_handler() { register_operation(opcode_, old_); }
  scoped_handler(const scoped_handler&) = delete;
  scoped_handler& operator=(const scoped_handler&) = delete;

 private:
  std::uint32_t opcode_;
  operation_handler old_;
};

constexpr std::uint32_t test_opcode = 2384;

// --- the two ways of running agree -------------------------------------------------

// A small deterministic generator for the random blocks (not an engine draw).
class block_generator {
 public:
  explicit block_generator(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}

  std::uint32_t next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
  bool chance(int percent) { return below(100) < percent; }

  // Any operand an operation may read, including bad ones.
  std::int64_t source() {
    switch (below(15)) {
      case 0: return below(9) - 3;  // divisors 0 and -1 among them
      case 13: return std::numeric_limits<std::int64_t>::min();
      case 1: return -1000000007;
      case 2: case 3: case 4: return reg(below(8));
      case 5: return reg(8 + below(5));  // loop variables and the loop bound
      case 6: case 7: return local(below(4));
      case 8: return gvar(below(4));
      case 9: return make_operand(5, 9);                       // an object id
      case 10: return reg((std::int64_t{1} << 32) + 2);         // low 32 bits name register 2
      case 11: return chance(50) ? reg(128) : local(200);       // reported, reads 0
      case 12: return chance(50) ? gvar(70000) : gvar(5000);    // reported / beyond the stored ones: 0
      default: return below(2000) - 1000;
    }
  }
  // A destination: mostly good ones, sometimes a bad or a constant one.
  std::int64_t destination() {
    switch (below(10)) {
      case 0: case 1: case 2: case 3: return reg(below(8));
      case 4: case 5: return local(below(4));
      case 6: return gvar(below(4));
      case 7: return chance(50) ? reg(300) : local(128);
      case 8: return chance(50) ? 7 : gvar(65536);
      default: return reg(below(4));
    }
  }

  op_spec operation() {
    using namespace opcode;
    static const std::uint32_t opcodes[] = {
        assign,    val_add,   val_sub,   val_mul,   val_div,   val_mod,   val_min,   val_max,
        val_clamp, val_abs,   val_or,    val_and,   store_add, store_sub, store_mul, store_div,
        store_mod, store_or,  store_and, ge,        eq,        gt,        is_between,
        2130 /* not a direct step: to fixed point */};
    const std::uint32_t number = opcodes[below(static_cast<int>(std::size(opcodes)))];
    const bool stores = number >= 2000;
    int count = 2;
    if (number == val_abs) count = 1;
    if (number == val_clamp || number == is_between || (number >= store_or && number <= store_div))
      count = 3;
    const int shape = below(20);
    if (shape == 0) count = 0;
    if (shape == 1) count = 1;
    if (shape == 2) count = max_operation_params;
    op_spec op{number};
    for (int p = 0; p < count; ++p) op.params.push_back(p == 0 && stores ? destination() : source());
    if (chance(15)) op.word |= negate_bit;
    if (chance(20)) op.word |= this_or_next_bit;
    return op;
  }

  void body(std::vector<op_spec>& ops, int depth) {
    const int items = 1 + below(5);
    for (int n = 0; n < items; ++n) {
      const int what = below(100);
      if (what < 60 || depth >= 3) {
        ops.push_back(operation());
      } else if (what < 75) {
        ops.push_back({opcode::try_begin});
        body(ops, depth + 1);
        for (int branches = below(3); branches > 0; --branches) {
          ops.push_back({opcode::else_try});
          body(ops, depth + 1);
        }
        ops.push_back({opcode::try_end});
      } else if (what < 90) {
        // Loop variables and bounds are never written by the generated
        // operations, so every loop ends.
        const std::int64_t variable = chance(50) ? reg(8 + depth) : local(4 + depth);
        const std::int64_t first = below(3) - 1;
        const std::int64_t bound = chance(50) ? below(4) : (chance(50) ? reg(12) : local(10));
        const std::uint32_t word = chance(80) ? opcode::loop_for_range : opcode::loop_for_range_down;
        ops.push_back({word, {variable, first, bound}});
        body(ops, depth + 1);
        ops.push_back({opcode::try_end});
      } else if (what < 96) {
        ops.push_back(call());
      } else if (depth == 0) {
        // Statements that belong to no block.
        ops.push_back({chance(50) ? opcode::try_end : opcode::else_try});
      }
    }
  }

  // A script call: mostly of script 0 with two parameters, sometimes of the
  // recursive script 1, of a number the module does not have, or with no, one
  // or fifteen parameters, bad ones among them.
  op_spec call() {
    std::int64_t script = 0;
    switch (below(10)) {
      case 0: script = 1; break;
      case 1: script = 7; break;                         // beyond the scripts
      case 2: script = -1; break;
      case 3: script = std::int64_t{1} << 32; break;     // low 32 bits 0, the number is not
      case 4: script = chance(50) ? reg(below(8)) : local(below(4)); break;
      case 5: script = reg(128); break;                  // reported, reads 0
      default: break;
    }
    op_spec op{opcode::run_script, {script}};
    int parameters = 2;
    const int shape = below(10);
    if (shape == 0) parameters = 0;
    if (shape == 1) parameters = 1;
    if (shape == 2) parameters = max_operation_params - 1;
    for (int p = 0; p < parameters; ++p) op.params.push_back(source());
    return op;
  }

  // A parameter fetch of any form, with bad indices and destinations now and then.
  op_spec fetch() {
    const int form = below(3);
    const std::int64_t destination = chance(80) ? (chance(50) ? local(below(4)) : reg(below(8))) : this->destination();
    if (form == 0) return {opcode::fetch_script_param_0, {destination}};
    if (form == 1) return {opcode::fetch_script_param_1, {destination}};
    const std::int64_t index = chance(70) ? 1 + below(3) : source();
    return {opcode::fetch_script_param, {destination, index}};
  }

  std::vector<op_spec> block() {
    std::vector<op_spec> ops = {{opcode::assign, {reg(12), 3}}, {opcode::assign, {local(10), 2}}};
    body(ops, 0);
    return ops;
  }
  // The called script: parameter fetches and operations, ending in an OR
  // member now and then so a satisfied chain can reach back into the caller.
  std::vector<op_spec> script() {
    std::vector<op_spec> ops = {{opcode::fetch_script_param_0, {local(0)}}, {opcode::fetch_script_param_1, {local(1)}}};
    for (int n = below(4); n >= 0; --n) ops.push_back(chance(25) ? fetch() : operation());
    if (chance(30)) ops.push_back({this_or_next(opcode::eq), {local(0), local(0)}});
    return ops;
  }

 private:
  std::uint64_t state_;
};

struct run_outcome {
  bool result = false;
  std::vector<std::int64_t> registers;
  std::vector<std::int64_t> globals;
  std::vector<std::string> messages;
  std::vector<std::string> log;
  bool or_chain_satisfied = false;
};

// Script 1 calls itself with a counter in register 14 until the counter runs
// out or the call depth limit fails the call.
const std::vector<op_spec> recursive_script = {
    {opcode::fetch_script_param_0, {local(0)}},
    {opcode::val_sub, {reg(14), 1}},
    {opcode::gt, {reg(14), 0}},
    {opcode::val_add, {reg(13), local(0)}},
    {opcode::run_script, {1, reg(14)}},
};

run_outcome run_once(const std::vector<op_spec>& ops, const std::vector<op_spec>& script, bool general_only) {
  fake_script_host host;
  host.module.scripts.push_back(block_of(script, "scr_helper"));
  host.module.scripts.push_back(block_of(recursive_script, "scr_recursive"));
  for (int r = 0; r < 8; ++r) g_script_state.registers[static_cast<std::size_t>(r)] = r * 7 - 9;
  // Deeper than the call depth limit on some runs, not on others.
  g_script_state.registers[14] = 200 + 20 * static_cast<std::int64_t>(ops.size() % 6);
  for (int v = 0; v < 4; ++v) set_global_variable(v, v * 3 - 2);
  quiet_debugger debugger;
  script_debug_hook* previous = set_script_debug_hook(general_only ? &debugger : nullptr);
  statement_block block = block_of(ops);
  run_outcome out;
  out.result = run_statement_block(block, 0);
  // A second run of the same block uses the form made by the first.
  out.result = run_statement_block(block, 0) && out.result;
  set_script_debug_hook(previous);
  out.registers.assign(g_script_state.registers.begin(), g_script_state.registers.begin() + 16);
  out.globals = g_script_state.global_variables;
  out.messages = host.take_messages();
  out.log = host.engine.log;
  out.or_chain_satisfied = g_interpreter.or_chain_satisfied;
  return out;
}

TEST(compiled_block, random_blocks_run_as_the_general_statement_code_runs_them) {
  for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
    block_generator generator(seed);
    const std::vector<op_spec> ops = generator.block();
    const std::vector<op_spec> script = generator.script();
    const run_outcome compiled = run_once(ops, script, false);
    const run_outcome general = run_once(ops, script, true);
    SCOPED_TRACE("seed " + std::to_string(seed));
    ASSERT_EQ(compiled.result, general.result);
    ASSERT_EQ(compiled.registers, general.registers);
    ASSERT_EQ(compiled.globals, general.globals);
    ASSERT_EQ(compiled.messages, general.messages);
    ASSERT_EQ(compiled.log, general.log);
    ASSERT_EQ(compiled.or_chain_satisfied, general.or_chain_satisfied);
  }
}

TEST(compiled_block, division_remainder_and_32_bit_operations_at_their_edges_agree_with_the_table) {
  using namespace opcode;
  constexpr std::int64_t min64 = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t int32_min = std::numeric_limits<std::int32_t>::min();
  struct edge_case {
    const char* name;
    op_spec op;
    std::int64_t start;  // register 1 before the operation
    std::int64_t expected;
  };
  const std::vector<edge_case> cases = {
      {"division by zero stores the defined result", {val_div, {reg(1), 0}}, 7, 40000000},
      {"stored division by zero", {store_div, {reg(1), 9, reg(2)}}, 7, 40000000},
      {"the minimum divided by -1 wraps", {val_div, {reg(1), -1}}, min64, min64},
      {"quotients go toward zero", {store_div, {reg(1), -7, 2}}, 0, -3},
      {"remainder by zero leaves the variable", {val_mod, {reg(1), reg(2)}}, 7, 7},
      {"the minimum's remainder by -1 is 0", {val_mod, {reg(1), -1}}, min64, 0},
      {"remainders take the dividend's sign", {val_mod, {reg(1), 3}}, -7, -1},
      {"stored remainder by a negative divisor leaves the destination", {store_mod, {reg(1), 7, -3}}, 5, 5},
      {"stored remainder", {store_mod, {reg(1), -7, 3}}, 5, -1},
      {"minimum compares the low 32 bits", {val_min, {reg(1), 5}}, (std::int64_t{1} << 32) + 9, 5},
      {"maximum compares the low 32 bits", {val_max, {reg(1), 5}}, (std::int64_t{1} << 32) - 1, 5},
      {"clamp below", {val_clamp, {reg(1), 10, 20}}, 3, 10},
      {"clamp at the exclusive upper bound", {val_clamp, {reg(1), 10, 20}}, 20, 19},
      {"clamp with a bound of the 32-bit minimum wraps", {val_clamp, {reg(1), int32_min, int32_min}}, 5, 2147483647},
      {"absolute value of the minimum wraps", {val_abs, {reg(1)}}, min64, min64},
      {"absolute value", {val_abs, {reg(1)}}, -12, 12},
      {"or and and keep all 64 bits", {val_or, {reg(1), -(std::int64_t{1} << 40)}}, 3, -(std::int64_t{1} << 40) | 3},
      {"stored and", {store_and, {reg(1), 12, 10}}, 0, 8},
  };
  for (const edge_case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool general : {false, true}) {
      fake_script_host host;
      quiet_debugger debugger;
      script_debug_hook* previous = set_script_debug_hook(general ? &debugger : nullptr);
      g_script_state.registers[1] = c.start;
      g_script_state.registers[2] = 0;
      statement_block block = block_of({c.op});
      EXPECT_TRUE(run_statement_block(block, 0));
      set_script_debug_hook(previous);
      EXPECT_EQ(g_script_state.registers[1], c.expected) << (general ? "general" : "compiled");
      EXPECT_TRUE(host.take_messages().empty());
    }
  }
}

// --- operand counts, bad references and flags --------------------------------------

TEST(compiled_block, operations_with_no_or_all_sixteen_parameters) {
  using namespace opcode;
  struct count_case {
    const char* name;
    op_spec op;
    bool result;
    std::int64_t reg1;
    std::vector<std::string> messages;
  };
  std::vector<std::int64_t> sixteen_clean = {reg(1), 2};
  for (int p = 2; p < max_operation_params; ++p) sixteen_clean.push_back(local(p % 4));
  std::vector<std::int64_t> sixteen_bad = sixteen_clean;
  sixteen_bad.back() = reg(128);
  std::vector<std::int64_t> sixteen_equal = {reg(1), 5};
  for (int p = 2; p < max_operation_params; ++p) sixteen_equal.push_back(p);
  const std::vector<count_case> cases = {
      {"assign without parameters stores 0 into no destination", {assign, {}}, true, 5,
       {"Illegal lvalue in statement; Opcode = 2133; LINE NO: 0:", "At test block."}},
      {"comparison without parameters compares 0 with 0", {eq, {}}, true, 5, {}},
      {"missing second parameter reads 0", {gt, {reg(1)}}, true, 5, {}},
      {"negated, missing second parameter", {neg(gt), {reg(1)}}, false, 5, {}},
      {"sixteen parameters, the extra ones read silently", {val_add, sixteen_clean}, true, 7, {}},
      {"sixteen parameters, the last one a bad register", {val_add, sixteen_bad}, true, 7,
       {"Invalid register no in operation = 2105, param0 = 1 param1 = 2; LINE NO: 0:", "At test block."}},
      {"sixteen parameters to a comparison", {eq, sixteen_equal}, true, 5, {}},
      {"bad destination register", {store_add, {reg(128), reg(1), 1}}, true, 5,
       {"Invalid register no in operation = 2120, param0 = 128 param1 = 1; LINE NO: 0:",
        "illegal register no.; LINE NO: 0:", "At test block."}},
      {"bad local as a source reads 0", {assign, {reg(1), local(128)}}, true, 0,
       {"Invalid local variable no in operation = 2133, param0 = 1 param1 = 128; LINE NO: 0:", "At test block."}},
  };
  for (const count_case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_script_host host;
    g_script_state.registers[1] = 5;
    statement_block block = block_of({c.op});
    EXPECT_EQ(run_statement_block(block, 0), c.result);
    EXPECT_EQ(g_script_state.registers[1], c.reg1);
    EXPECT_EQ(host.take_messages(), c.messages);
  }
}

TEST(compiled_block, or_chains_mix_direct_and_table_operations) {
  using namespace opcode;
  struct chain_case {
    const char* name;
    std::vector<op_spec> ops;
    bool result;
    std::int64_t reg1;
    std::vector<std::string> messages;
  };
  const std::vector<chain_case> cases = {
      {"a member read through the table satisfies the chain; the rest is skipped unread",
       {{this_or_next(eq), {reg(2), 1}}, {this_or_next(eq), {gvar(0), 0}}, {eq, {reg(128), 9}}, {assign, {reg(1), 1}}},
       true, 1, {}},
      {"a direct member satisfies the chain; a table member after it is skipped",
       {{this_or_next(neg(gt)), {reg(2), 1}}, {this_or_next(2110), {reg(300), 1}}, {eq, {1, 2}}, {assign, {reg(1), 1}}},
       true, 1, {}},
      {"a block-control statement inside a satisfied chain still runs",
       {{this_or_next(eq), {1, 1}}, {try_begin}, {eq, {1, 2}}, {try_end}, {assign, {reg(1), 1}}},
       true, 1, {}},
      {"an action in a chain counts as true",
       {{this_or_next(assign), {reg(1), 4}}, {eq, {1, 2}}, {val_add, {reg(1), 1}}},
       true, 5, {}},
      {"a negated action fails and the last member decides",
       {{this_or_next(neg(assign)), {reg(1), 4}}, {eq, {1, 2}}, {val_add, {reg(1), 1}}},
       false, 4, {}},
  };
  for (const chain_case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_script_host host;
    statement_block block = block_of(c.ops);
    EXPECT_EQ(run_statement_block(block, 0), c.result);
    EXPECT_EQ(g_script_state.registers[1], c.reg1);
    EXPECT_EQ(host.take_messages(), c.messages);
  }
}

TEST(compiled_block, satisfied_chain_at_the_end_of_a_called_script_skips_the_callers_next_operation) {
  fake_script_host host;
  host.module.scripts.push_back(block_of({{this_or_next(opcode::eq), {1, 1}}}, "scr_chain"));
  statement_block block = block_of({{opcode::run_script, {0}},
                                    {opcode::assign, {reg(1), 1}},  // the chain's last member: skipped
                                    {opcode::assign, {reg(2), 1}}});
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], 0);
  EXPECT_EQ(g_script_state.registers[2], 1);
}

// --- the compiled form follows the block ---------------------------------------------

TEST(compiled_block, edits_reloads_and_copies_after_a_run_take_effect) {
  fake_script_host host;
  statement_block block = block_of({{opcode::assign, {reg(1), 1}}, {opcode::gt, {reg(1), 0}}, {opcode::assign, {reg(2), 1}}});
  ASSERT_TRUE(run_statement_block(block, 0));

  // Changed in place and marked unresolved: the new operands run.
  block.operations[0].params[1] = -4;
  block.jumps_resolved = false;
  EXPECT_FALSE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], -4);

  // A copy made after a run, then changed, runs its own operations; the
  // original keeps its own.
  statement_block copy = block;
  copy.operations[0].params[1] = 9;
  copy.jumps_resolved = false;
  g_script_state.registers[2] = 0;
  EXPECT_TRUE(run_statement_block(copy, 0));
  EXPECT_EQ(g_script_state.registers[1], 9);
  EXPECT_FALSE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], -4);

  // Operations added after a run get their jumps and run: a top-level failure
  // at the end fails the block, after the statements before it ran.
  copy.operations.push_back(make_block({{opcode::eq, {1, 2}}}).operations[0]);
  copy.operations.push_back(make_block({{opcode::assign, {reg(3), 1}}}).operations[0]);
  EXPECT_FALSE(run_statement_block(copy, 0));
  EXPECT_EQ(copy.operations[3].jump_index, 5);
  EXPECT_EQ(g_script_state.registers[3], 0);

  // Reloaded from text: the new operations run.
  text_reader reader;
  const std::string text = "1 2133 2 " + std::to_string(reg(4)) + " 44";
  reader.open_memory("again.txt", text.data(), text.size());
  load_statement_block(block, reader);
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[4], 44);
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(compiled_block, a_handler_replaced_between_runs_is_used) {
  fake_script_host host;
  statement_block block = block_of({{opcode::val_add, {reg(1), 2}}});
  ASSERT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], 2);
  {
    scoped_handler doubled(opcode::val_add, [](operation_call& c) { c.store(c.value[0] + 2 * c.value[1]); });
    EXPECT_TRUE(run_statement_block(block, 0));
    EXPECT_EQ(g_script_state.registers[1], 6);
  }
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], 8);
}

TEST(compiled_block, a_handler_replaced_in_the_middle_of_a_run_is_used_at_once) {
  fake_script_host host;
  const operation_handler built_in = find_operation_handler(opcode::assign);
  scoped_handler restore(opcode::assign, built_in);
  scoped_handler replace(test_opcode, [](operation_call&) {
    register_operation(opcode::assign, [](operation_call& c) { c.store(c.value[1] + 100); });
  });
  statement_block block =
      block_of({{opcode::assign, {reg(1), 1}}, {test_opcode}, {opcode::assign, {reg(2), 1}}, {opcode::eq, {1, 1}}});
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], 1);
  EXPECT_EQ(g_script_state.registers[2], 101);
}

TEST(compiled_block, a_debugger_installed_in_the_middle_of_a_run_stops_at_the_next_statements) {
  fake_script_host host;
  static recording_debugger* debugger = nullptr;
  recording_debugger recorder;
  debugger = &recorder;
  scoped_handler install(test_opcode, [](operation_call&) { set_script_debug_hook(debugger); });
  statement_block block = block_of({{opcode::assign, {reg(1), 1}},
                                    {test_opcode},
                                    {opcode::loop_for_range, {reg(0), 0, 2}},
                                    {opcode::val_add, {reg(1), 1}},
                                    {opcode::try_end}});
  EXPECT_TRUE(run_statement_block(block, 0));
  set_script_debug_hook(nullptr);
  EXPECT_EQ(recorder.stops, (std::vector<int>{2, 3, 4, 3, 4}));
  EXPECT_EQ(g_script_state.registers[1], 3);
}

TEST(compiled_block, a_debugger_installed_by_a_called_script_stops_at_the_callers_next_statements) {
  fake_script_host host;
  static recording_debugger* debugger = nullptr;
  recording_debugger recorder;
  debugger = &recorder;
  scoped_handler install(test_opcode, [](operation_call&) { set_script_debug_hook(debugger); });
  host.module.scripts.push_back(block_of({{opcode::fetch_script_param_0, {local(0)}}, {test_opcode}}, "scr_install"));
  statement_block block = block_of({{opcode::run_script, {0, 4}},
                                    {opcode::val_add, {reg(1), 1}},
                                    {opcode::val_add, {reg(1), 1}}});
  EXPECT_TRUE(run_statement_block(block, 0));
  set_script_debug_hook(nullptr);
  EXPECT_EQ(recorder.stops, (std::vector<int>{1, 2}));
  EXPECT_EQ(g_script_state.registers[1], 2);
}

TEST(compiled_block, a_recursive_script_compiled_again_deep_inside_itself_finishes_every_level) {
  fake_script_host host;
  // Halfway down, the script replaces a handler, so the next level compiles the
  // script again while the outer levels are still running it.
  scoped_handler bump(test_opcode, [](operation_call&) {
    register_operation(opcode::store_sub, find_operation_handler(opcode::store_sub));
  });
  host.module.scripts.push_back(block_of({{opcode::fetch_script_param_0, {local(0)}},
                                          {opcode::try_begin},
                                          {opcode::eq, {local(0), 5}},
                                          {test_opcode},
                                          {opcode::try_end},
                                          {opcode::try_begin},
                                          {opcode::gt, {local(0), 0}},
                                          {opcode::store_sub, {local(1), local(0), 1}},
                                          {opcode::run_script, {0, local(1)}},
                                          {opcode::try_end},
                                          {opcode::val_add, {reg(1), local(0)}}},
                                         "scr_sum"));
  statement_block top = block_of({{opcode::run_script, {0, 10}}});
  EXPECT_TRUE(run_statement_block(top, 0));
  EXPECT_EQ(g_script_state.registers[1], 55);
  EXPECT_TRUE(run_statement_block(top, 0));
  EXPECT_EQ(g_script_state.registers[1], 110);
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(compiled_block, loops_with_local_variables_and_bounds) {
  using namespace opcode;
  fake_script_host host;
  statement_block block = block_of({{assign, {local(5), 4}},
                                    {loop_for_range, {local(0), 1, local(5)}},
                                    {val_add, {local(1), local(0)}},
                                    {assign, {local(5), 3}},  // moves the end of the loop
                                    {try_end},
                                    {loop_for_range, {local(2), 7, 7}},  // runs zero times
                                    {assign, {reg(2), 1}},
                                    {try_end},
                                    {assign, {reg(1), local(1)}},
                                    {assign, {reg(3), local(2)}}});
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], 1 + 2);
  EXPECT_EQ(g_script_state.registers[2], 0);
  EXPECT_EQ(g_script_state.registers[3], 7);
}

}  // namespace
}  // namespace hm
