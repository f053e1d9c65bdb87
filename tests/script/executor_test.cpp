#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "script/defined_opcodes.h"
#include "script/executor.h"
#include "script/interpreter.h"
#include "script/script_errors.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
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

struct flow_case {
  const char* name;
  std::vector<op_spec> ops;
  bool result;
  std::map<int, std::int64_t> registers;
};

TEST(executor, control_flow) {
  using namespace opcode;
  const std::vector<flow_case> cases = {
      {"top-level failure ends the block", {{eq, {1, 2}}, {assign, {reg(1), 1}}}, false, {{1, 0}}},
      {"failure inside a block skips to its end",
       {{try_begin}, {eq, {1, 2}}, {assign, {reg(1), 1}}, {try_end}, {assign, {reg(2), 1}}},
       true,
       {{1, 0}, {2, 1}}},
      {"first branch runs, the others are skipped",
       {{try_begin}, {eq, {1, 1}}, {assign, {reg(1), 1}}, {else_try}, {assign, {reg(1), 2}}, {try_end}},
       true,
       {{1, 1}}},
      {"else_try chain takes the first branch whose conditions hold",
       {{try_begin},
        {eq, {1, 2}},
        {assign, {reg(1), 1}},
        {else_try},
        {eq, {1, 1}},
        {assign, {reg(1), 2}},
        {else_try},
        {assign, {reg(1), 3}},
        {try_end},
        {assign, {reg(2), 1}}},
       true,
       {{1, 2}, {2, 1}}},
      {"last else_try runs when every branch before fails",
       {{try_begin},
        {eq, {1, 2}},
        {assign, {reg(1), 1}},
        {else_try},
        {eq, {1, 3}},
        {assign, {reg(1), 2}},
        {else_try},
        {assign, {reg(1), 3}},
        {try_end}},
       true,
       {{1, 3}}},
      {"nested block failure returns to the enclosing branch",
       {{try_begin},
        {try_begin},
        {eq, {1, 2}},
        {assign, {reg(1), 1}},
        {try_end},
        {assign, {reg(2), 1}},
        {else_try},
        {assign, {reg(3), 1}},
        {try_end}},
       true,
       {{1, 0}, {2, 1}, {3, 0}}},
      {"negated false condition holds", {{neg(eq), {1, 2}}, {assign, {reg(1), 1}}}, true, {{1, 1}}},
      {"negated true condition fails", {{neg(eq), {1, 1}}, {assign, {reg(1), 1}}}, false, {{1, 0}}},
      {"or chain: a true member satisfies it and skips the rest",
       {{this_or_next(eq), {1, 2}},
        {this_or_next(eq), {1, 1}},
        {assign, {reg(1), 5}},  // last member: skipped, not run
        {assign, {reg(2), 1}}},
       true,
       {{1, 0}, {2, 1}}},
      {"or chain: the last member decides when the others fail",
       {{this_or_next(eq), {1, 2}}, {this_or_next(eq), {1, 3}}, {eq, {1, 4}}, {assign, {reg(1), 1}}},
       false,
       {{1, 0}}},
      {"or chain: statements after the chain are evaluated again",
       {{this_or_next(eq), {1, 1}}, {eq, {1, 2}}, {eq, {1, 3}}},
       false,
       {}},
      {"or chain with a negated member",
       {{this_or_next(neg(eq)), {1, 1}}, {eq, {2, 2}}, {assign, {reg(1), 1}}},
       true,
       {{1, 1}}},
      {"loop_for_range counts up and leaves the last value",
       {{loop_for_range, {reg(0), 0, 5}}, {val_add, {reg(1), reg(0)}}, {try_end}},
       true,
       {{0, 4}, {1, 10}}},
      {"loop_for_range with p1 = p2 runs zero times and leaves p0 = p1",
       {{loop_for_range, {reg(0), 3, 3}}, {assign, {reg(1), 1}}, {try_end}, {assign, {reg(2), 1}}},
       true,
       {{0, 3}, {1, 0}, {2, 1}}},
      {"loop_for_range_down 0..3 gives 2, 1, 0",
       {{loop_for_range_down, {reg(0), 0, 3}}, {val_mul, {reg(1), 10}}, {val_add, {reg(1), reg(0)}}, {try_end}},
       true,
       {{0, 0}, {1, 210}}},
      {"loop_for_range_down with an empty range runs zero times",
       {{loop_for_range_down, {reg(0), 4, 4}}, {assign, {reg(1), 1}}, {try_end}},
       true,
       {{0, 3}, {1, 0}}},
      {"failing condition in a loop continues with the next iteration",
       {{loop_for_range, {reg(0), 0, 5}}, {ge, {reg(0), 3}}, {val_add, {reg(1), 1}}, {try_end}},
       true,
       {{1, 2}}},
      {"a bound changed in the body moves the end of the loop",
       {{assign, {reg(2), 5}},
        {loop_for_range, {reg(0), 0, reg(2)}},
        {val_add, {reg(1), 1}},
        {assign, {reg(2), 3}},
        {try_end}},
       true,
       {{1, 3}}},
      {"changing the loop variable does not change the iteration",
       {{loop_for_range, {reg(0), 0, 3}}, {val_add, {reg(1), 1}}, {assign, {reg(0), 100}}, {try_end}},
       true,
       {{1, 3}}},
      {"nested loops",
       {{loop_for_range, {reg(0), 0, 3}},
        {loop_for_range, {reg(3), 0, 4}},
        {val_add, {reg(1), 1}},
        {try_end},
        {try_end}},
       true,
       {{1, 12}}},
      {"conditional block inside a loop",
       {{loop_for_range, {reg(0), 0, 4}},
        {try_begin},
        {eq, {reg(0), 2}},
        {val_add, {reg(1), 100}},
        {else_try},
        {val_add, {reg(1), 1}},
        {try_end},
        {try_end}},
       true,
       {{1, 103}}},
      {"locals start at 0 and belong to the run", {{val_add, {local(3), 1}}, {assign, {reg(1), local(3)}}}, true,
       {{1, 1}}},
      {"stray try_end does nothing", {{try_end}, {assign, {reg(1), 1}}}, true, {{1, 1}}},
      {"statements 24 to 29 have no effect", {{24}, {neg(29)}, {assign, {reg(1), 1}}}, true, {{1, 1}}},
  };
  for (const flow_case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_script_host host;
    statement_block block = block_of(c.ops);
    EXPECT_EQ(run_statement_block(block, 0), c.result);
    for (const auto& [index, value] : c.registers) EXPECT_EQ(g_script_state.registers[index], value) << "reg " << index;
    EXPECT_TRUE(host.take_messages().empty());
  }
}

TEST(executor, script_calls_pass_parameters_and_recurse) {
  using namespace opcode;
  fake_script_host host;
  // Script 0 adds its two parameters; script 1 picks parameter p1 (from 1);
  // script 2 is the factorial of its parameter, recursively, in register 0.
  host.module.scripts.push_back(block_of(
      {{fetch_script_param_0, {reg(5)}}, {fetch_script_param_1, {reg(6)}}, {store_add, {reg(7), reg(5), reg(6)}}},
      "scr_add"));
  host.module.scripts.push_back(block_of({{fetch_script_param, {reg(8), 3}}}, "scr_third"));
  host.module.scripts.push_back(block_of({{fetch_script_param_0, {local(0)}},
                                          {try_begin},
                                          {gt, {local(0), 1}},
                                          {store_sub, {local(1), local(0), 1}},
                                          {run_script, {2, local(1)}},
                                          {val_mul, {reg(0), local(0)}},
                                          {else_try},
                                          {assign, {reg(0), 1}},
                                          {try_end}},
                                         "scr_factorial"));
  host.module.scripts.push_back(block_of({{eq, {1, 2}}}, "scr_fails"));

  statement_block caller = block_of({{run_script, {0, 3, 4}},
                                     {run_script, {1, 10, 20, 30}},
                                     {run_script, {2, 10}},
                                     {assign, {reg(9), 1}}});
  EXPECT_TRUE(run_statement_block(caller, 0));
  EXPECT_EQ(g_script_state.registers[7], 7);
  EXPECT_EQ(g_script_state.registers[8], 30);
  EXPECT_EQ(g_script_state.registers[0], 3628800);
  EXPECT_EQ(g_script_state.registers[9], 1);

  // A callee that fails makes the call fail; so does a script number outside
  // the table, silently.
  for (std::int64_t script : {3, 4, -1}) {
    statement_block failing = block_of({{run_script, {script}}, {assign, {reg(10), 1}}});
    EXPECT_FALSE(run_statement_block(failing, 0)) << script;
    EXPECT_EQ(g_script_state.registers[10], 0);
  }
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(executor, call_with_one_parameter_gives_the_callee_none) {
  fake_script_host host;
  host.module.scripts.push_back(block_of({{opcode::fetch_script_param_0, {reg(1)}}, {opcode::assign, {reg(2), 1}}},
                                         "scr_callee"));
  statement_block caller = block_of({{opcode::run_script, {0}}}, "scr_caller");
  g_script_state.registers[1] = 55;
  // The fetch fails its check, goes on, and the call still succeeds.
  EXPECT_TRUE(run_statement_block(caller, 0));
  EXPECT_EQ(g_script_state.registers[1], 55);
  EXPECT_EQ(g_script_state.registers[2], 1);
  EXPECT_EQ(host.take_messages(),
            (std::vector<std::string>{"SCRIPT ERROR ON OPCODE 21: Invalid Script Parameter ID: 0; LINE NO: 0:",
                                      "At scr_callee.", "At scr_caller."}));
}

TEST(executor, error_deep_in_a_call_chain_names_every_block_on_the_way_out) {
  fake_script_host host;
  host.module.scripts.push_back(block_of({{opcode::run_script, {1}}, {opcode::assign, {reg(1), 1}}}, "scr_outer"));
  host.module.scripts.push_back(
      block_of({{opcode::assign, {reg(1), 1}}, {opcode::assign, {reg(200), 1}}, {opcode::assign, {reg(2), 2}}},
               "scr_inner"));
  statement_block top = block_of({{opcode::assign, {reg(3), 3}}, {opcode::run_script, {0}}}, "menu block");
  EXPECT_TRUE(run_statement_block(top, 0));
  EXPECT_EQ(host.take_messages(),
            (std::vector<std::string>{"Invalid register no in operation = 2133, param0 = 200 param1 = 1; LINE NO: 1:",
                                      "illegal register no.; LINE NO: 1:", "At scr_inner.", "At scr_outer.",
                                      "At menu block."}));
  // The statements after the bad one still ran.
  EXPECT_EQ(g_script_state.registers[2], 2);
}

TEST(executor, runaway_recursion_fails_the_call_instead_of_the_stack) {
  fake_script_host host;
  host.module.scripts.push_back(block_of({{opcode::val_add, {reg(1), 1}}, {opcode::run_script, {0}}}, "scr_self"));
  statement_block top = block_of({{opcode::run_script, {0}}}, "top");
  EXPECT_FALSE(run_statement_block(top, 0));
  // Depth 0 is the top block; scripts run at depths 1 to 256.
  EXPECT_EQ(g_script_state.registers[1], max_script_call_depth);
  // The call that goes too deep fails silently: no player sees a line for it.
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(executor, block_control_word_that_is_no_statement_fails_the_block) {
  for (std::uint32_t word : {neg(opcode::try_begin), std::uint32_t{2}, std::uint32_t{0}, std::uint32_t{13},
                             this_or_next(opcode::loop_for_range)}) {
    fake_script_host host;
    statement_block block = block_of({{opcode::try_begin}, {word}, {opcode::assign, {reg(1), 1}}, {opcode::try_end}});
    EXPECT_FALSE(run_statement_block(block, 0));
    EXPECT_EQ(g_script_state.registers[1], 0);
    EXPECT_EQ(host.take_messages(),
              (std::vector<std::string>{"invalid opcode " + std::to_string(static_cast<std::int32_t>(word)) +
                                            "; LINE NO: 1:",
                                        "At test block."}));
  }
}

TEST(executor, nesting_deeper_than_the_frame_stack_fails_the_block) {
  for (int depth : {max_block_frames, max_block_frames + 1}) {
    fake_script_host host;
    std::vector<op_spec> ops;
    for (int i = 0; i < depth; ++i) ops.push_back({opcode::try_begin});
    ops.push_back({opcode::assign, {reg(1), 1}});
    for (int i = 0; i < depth; ++i) ops.push_back({opcode::try_end});
    ops.push_back({opcode::assign, {reg(2), 1}});
    statement_block block = block_of(ops);
    const bool fits = depth <= max_block_frames;
    EXPECT_EQ(run_statement_block(block, 0), fits);
    EXPECT_EQ(g_script_state.registers[1], fits ? 1 : 0);
    EXPECT_EQ(g_script_state.registers[2], fits ? 1 : 0);
    const std::vector<std::string> expected =
        fits ? std::vector<std::string>{}
             : std::vector<std::string>{"Blocks nested deeper than 128 levels.; LINE NO: 128:", "At test block."};
    EXPECT_EQ(host.take_messages(), expected);
  }
}

// A stand-in operation with an id check, and one that reads the context word.
class test_operations {
 public:
  static constexpr std::uint32_t troop_test = 2384;
  static constexpr std::uint32_t read_context = 2385;
  test_operations() {
    old_troop_ = find_operation_handler(troop_test);
    old_context_ = find_operation_handler(read_context);
    register_operation(troop_test, [](operation_call& c) {
      if (!validate_troop_id(c.value[0])) return;
      c.result = c.value[0] == 0;
    });
    register_operation(read_context, [](operation_call& c) { c.store(c.context); });
  }
  ~test_operations() {
    register_operation(troop_test, old_troop_);
    register_operation(read_context, old_context_);
  }

 private:
  operation_handler old_troop_;
  operation_handler old_context_;
};

TEST(executor, failed_id_check_counts_as_true_and_negation_inverts_it) {
  fake_script_host host;
  test_operations ops;
  host.module.troops = 3;
  struct check_case {
    const char* name;
    std::vector<op_spec> ops;
    bool result;
    int errors;
  };
  const std::vector<check_case> cases = {
      {"valid id, condition false", {{test_operations::troop_test, {1}}}, false, 0},
      {"invalid id counts as true", {{test_operations::troop_test, {7}}}, true, 1},
      {"negated invalid id is false", {{neg(test_operations::troop_test), {7}}}, false, 1},
      {"invalid id satisfies an or chain",
       {{this_or_next(test_operations::troop_test), {7}}, {opcode::eq, {1, 2}}},
       true,
       1},
  };
  for (const check_case& c : cases) {
    SCOPED_TRACE(c.name);
    statement_block block = block_of(c.ops);
    EXPECT_EQ(run_statement_block(block, 0), c.result);
    const std::vector<std::string> messages = host.take_messages();
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(2 * c.errors));
    if (c.errors) {
      const std::int32_t word = static_cast<std::int32_t>(c.ops[0].word);
      EXPECT_EQ(messages[0], "SCRIPT ERROR ON OPCODE " + std::to_string(word) + ": Invalid Troop ID: 7; LINE NO: 0:");
      EXPECT_EQ(messages[1], "At test block.");
    }
  }
}

TEST(executor, context_word_reaches_operations_and_called_scripts) {
  fake_script_host host;
  test_operations ops;
  host.module.scripts.push_back(block_of({{test_operations::read_context, {reg(2)}}}, "scr_context"));
  statement_block block = block_of({{test_operations::read_context, {reg(1)}}, {opcode::run_script, {0}}});
  EXPECT_TRUE(run_statement_block(block, script_context::game_menu));
  EXPECT_EQ(g_script_state.registers[1], script_context::game_menu);
  EXPECT_EQ(g_script_state.registers[2], script_context::game_menu);
}

TEST(executor, defined_operation_without_handler_counts_as_false_and_logs_once) {
  fake_script_host host;
  // Every operation of the language has its handler now: one is taken away
  // for the test and given back after it.
  std::uint32_t unbuilt = opcode::first_operation;
  while (unbuilt <= opcode::last_operation && !(is_defined_opcode(unbuilt) && unbuilt != opcode::assign)) ++unbuilt;
  ASSERT_LE(unbuilt, opcode::last_operation);
  struct handler_taken_away {
    std::uint32_t number;
    operation_handler kept = find_operation_handler(number);
    ~handler_taken_away() { register_operation(number, kept); }
  } taken{unbuilt};
  register_operation(unbuilt, nullptr);
  statement_block block = block_of({{unbuilt, {1}}, {opcode::assign, {reg(1), 1}}});
  EXPECT_FALSE(run_statement_block(block, 0));
  statement_block negated = block_of({{neg(unbuilt), {1}}, {opcode::assign, {reg(1), 1}}});
  EXPECT_FALSE(run_statement_block(negated, 0));
  EXPECT_EQ(g_script_state.registers[1], 0);
  const std::string line = "opcode " + std::to_string(unbuilt) + " has no handler yet";
  const int logged = static_cast<int>(std::count_if(host.engine.log.begin(), host.engine.log.end(), [&](const auto& l) {
    return l.find(line) != std::string::npos;
  }));
  EXPECT_EQ(logged, 1);
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(executor, undefined_number_inside_the_table_is_unrecognized_and_true) {
  fake_script_host host;
  ASSERT_FALSE(is_defined_opcode(1500));
  statement_block block = block_of({{1500}, {opcode::assign, {reg(1), 1}}});
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], 1);
  EXPECT_EQ(host.take_messages(),
            (std::vector<std::string>{"Unrecognized opcode 1500.; LINE NO: 0:", "At test block."}));
}

TEST(executor, opcode_beyond_the_table_is_unrecognized_and_true) {
  fake_script_host host;
  statement_block block = block_of({{3000}, {opcode::assign, {reg(1), 1}}});
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], 1);
  EXPECT_EQ(host.take_messages(),
            (std::vector<std::string>{"Unrecognized opcode 3000.; LINE NO: 0:", "At test block."}));
  // The lines go to the log too, in the error colour on screen.
  EXPECT_EQ(host.engine.log.back(), "At test block.");
}

TEST(executor, loops_over_parties_agents_and_attached_parties) {
  using namespace opcode;
  fake_script_host host;
  host.campaign.add_party(0);
  host.campaign.add_party(1, 0);  // removed
  host.campaign.add_party(2);
  host.campaign.add_party(5, 1, {2, 0});
  host.mission.agents = {true, false, true, true};
  // Each loop appends (value + 1) as a decimal digit to its register.
  auto digits = [](std::uint32_t loop, std::vector<std::int64_t> params, int out) {
    return std::vector<op_spec>{{loop, params},
                                {val_mul, {reg(out), 10}},
                                {val_add, {reg(out), reg(0)}},
                                {val_add, {reg(out), 1}},
                                {try_end}};
  };
  struct loop_case {
    const char* name;
    std::vector<op_spec> ops;
    std::int64_t digits;
  };
  const std::vector<loop_case> cases = {
      {"active parties", digits(loop_for_parties, {reg(0)}, 1), 136},
      {"live agents", digits(loop_for_agents, {reg(0)}, 1), 134},
      {"attached parties", digits(loop_for_attached_parties, {reg(0), 5}, 1), 31},
      {"party without attached parties", digits(loop_for_attached_parties, {reg(0), 2}, 1), 0},
  };
  for (const loop_case& c : cases) {
    SCOPED_TRACE(c.name);
    g_script_state.registers.fill(0);
    statement_block block = block_of(c.ops);
    EXPECT_TRUE(run_statement_block(block, 0));
    EXPECT_EQ(g_script_state.registers[1], c.digits);
    EXPECT_TRUE(host.take_messages().empty());
  }

  // A removed party has no attached parties to loop over: the check reports it.
  statement_block removed = block_of(digits(loop_for_attached_parties, {reg(0), 1}, 1));
  g_script_state.registers.fill(0);
  EXPECT_TRUE(run_statement_block(removed, 0));
  EXPECT_EQ(g_script_state.registers[1], 0);
  EXPECT_EQ(host.take_messages(), (std::vector<std::string>{
                                       "SCRIPT ERROR ON OPCODE 15: Invalid Party ID: 1; LINE NO: 0:", "At test block."}));

  // No mission agents: the body never runs.
  host.mission.agents.clear();
  statement_block agents = block_of(digits(loop_for_agents, {reg(0)}, 1));
  g_script_state.registers.fill(0);
  EXPECT_TRUE(run_statement_block(agents, 0));
  EXPECT_EQ(g_script_state.registers[1], 0);
}

TEST(executor, message_lines_use_the_error_colour) {
  fake_script_host host;
  statement_block block = block_of({{opcode::assign, {reg(128), 1}}});
  run_statement_block(block, 0);
  ASSERT_EQ(host.ui.messages.size(), 3u);
  for (const auto& line : host.ui.messages) EXPECT_EQ(line.colour, 0xFFFF5555u);
}

}  // namespace
}  // namespace hm
