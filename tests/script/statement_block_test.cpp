#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "script/executor.h"
#include "script/operation.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::jump_table;
using test::load_block_text;
using test::make_block;
using test::neg;
using test::op_spec;

TEST(statement_block, loads_operations_from_module_text) {
  fake_script_host host;
  // Two operations: assign reg 1 = -5 (a negative constant) and a try_end.
  const std::string text = "2 2133 2 72057594037927937 -5 3 0";
  statement_block block = load_block_text(text);
  ASSERT_EQ(block.count(), 2);
  EXPECT_EQ(block.operations[0].opcode_word, 2133u);
  EXPECT_EQ(block.operations[0].param_count, 2);
  EXPECT_EQ(block.operations[0].params[0], test::reg(1));
  EXPECT_EQ(block.operations[0].params[1], -5);
  EXPECT_EQ(block.operations[0].jump_index, -1);
  EXPECT_EQ(block.operations[1].opcode_word, 3u);
  EXPECT_EQ(block.operations[1].param_count, 0);
  EXPECT_FALSE(block.jumps_resolved);
}

TEST(statement_block, keeps_flag_bits_of_the_opcode_word) {
  fake_script_host host;
  // -2147483617 is 31 with bit 31 set; 1073741855 is 31 with bit 30 set.
  statement_block block = load_block_text("2 -2147483617 0 1073741855 0");
  EXPECT_EQ(block.operations[0].opcode_word, 31u | negate_bit);
  EXPECT_EQ(block.operations[1].opcode_word, 31u | this_or_next_bit);
}

TEST(statement_block, empty_block_has_no_array_and_runs_true) {
  fake_script_host host;
  statement_block block = load_block_text("0");
  EXPECT_EQ(block.count(), 0);
  EXPECT_EQ(block.operations.capacity(), 0u);
  EXPECT_TRUE(run_statement_block(block, 0));
}

TEST(statement_block, reloading_replaces_operations_and_unresolves_jumps) {
  fake_script_host host;
  statement_block block = load_block_text("1 31 2 1 1");
  resolve_block_jumps(block);
  ASSERT_TRUE(block.jumps_resolved);
  text_reader reader;
  const std::string text = "2 4 0 3 0";
  reader.open_memory("again.txt", text.data(), text.size());
  load_statement_block(block, reader);
  EXPECT_FALSE(block.jumps_resolved);
  ASSERT_EQ(block.count(), 2);
  EXPECT_EQ(block.operations[0].jump_index, -1);
}

TEST(statement_block, broken_blocks_are_fatal_load_errors) {
  fake_script_host host;
  scoped_fatal_throw throws;
  struct bad_case {
    const char* text;
    const char* message_part;
  };
  const bad_case cases[] = {
      {"2 31 2 1", "Unexpected End of File while reading file: test.txt"},
      {"-1", "Invalid operation count -1"},
      {"1 31 17 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17", "Invalid parameter count 17 (max: 16)"},
      {"1 31 -3", "Invalid parameter count -3"},
  };
  for (const bad_case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      load_block_text(c.text);
      ADD_FAILURE() << "no fatal error";
    } catch (const fatal_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message_part), std::string::npos) << e.what();
    }
  }
}

TEST(statement_block, sixteen_parameters_load) {
  fake_script_host host;
  statement_block block = load_block_text("1 31 16 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16");
  EXPECT_EQ(block.operations[0].param_count, 16);
  EXPECT_EQ(block.operations[0].params[15], 16);
}

// try_begin, op1, try_begin, op2, try_end, op3, else_try, op4, try_end
TEST(statement_block, nested_blocks_jump_to_their_own_branch_ends) {
  fake_script_host host;
  statement_block block = make_block({{opcode::try_begin},
                                      {opcode::eq},
                                      {opcode::try_begin},
                                      {opcode::eq},
                                      {opcode::try_end},
                                      {opcode::eq},
                                      {opcode::else_try},
                                      {opcode::eq},
                                      {opcode::try_end}});
  EXPECT_EQ(jump_table(block), (std::vector<int>{8, 6, 4, 4, 6, 6, 8, 8, 9}));
  EXPECT_TRUE(block.jumps_resolved);
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(statement_block, jump_targets_of_loops_chains_and_open_blocks) {
  fake_script_host host;
  struct jump_case {
    const char* name;
    std::vector<op_spec> ops;
    std::vector<int> jumps;
  };
  const std::vector<jump_case> cases = {
      // Operations outside every block end the block.
      {"top level", {{opcode::eq}, {opcode::eq}}, {2, 2}},
      // A loop opener jumps to its try_end, which is how a loop that fails at
      // the start skips its body.
      {"loop", {{opcode::loop_for_range}, {opcode::eq}, {opcode::try_end}, {opcode::eq}}, {2, 2, 4, 4}},
      // Two else_try branches: each branch jumps to the next one.
      {"else chain",
       {{opcode::try_begin},
        {opcode::eq},
        {opcode::else_try},
        {opcode::eq},
        {opcode::else_try},
        {opcode::eq},
        {opcode::try_end}},
       {6, 2, 6, 4, 6, 6, 7}},
      // A block never closed: failures inside it end the block.
      {"unclosed", {{opcode::try_begin}, {opcode::eq}}, {2, 2}},
      // A negated opener is no opener, so the try_end closes nothing.
      {"negated opener", {{neg(opcode::try_begin)}, {opcode::eq}, {opcode::try_end}}, {3, 3, 3}},
  };
  for (const jump_case& c : cases) {
    SCOPED_TRACE(c.name);
    statement_block block;
    for (const op_spec& spec : c.ops) block.operations.push_back(make_block({spec}).operations[0]);
    EXPECT_EQ(jump_table(block), c.jumps);
  }
}

TEST(statement_block, unmatched_else_try_warns_once_per_block) {
  fake_script_host host;
  statement_block block = make_block({{opcode::eq, {1, 1}}, {opcode::else_try}, {opcode::eq, {1, 1}}}, "scr_x");
  EXPECT_TRUE(resolve_block_jumps(block));
  EXPECT_EQ(host.take_messages(), (std::vector<std::string>{"Warning: Unmatched else_try.; LINE NO: 1:"}));
  // A run resolves nothing again: no second warning.
  run_statement_block(block, 0);
  run_statement_block(block, 0);
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(statement_block, unmatched_else_try_on_first_run_names_the_block) {
  fake_script_host host;
  statement_block block = make_block({{opcode::else_try}, {opcode::eq, {1, 1}}}, "scr_x");
  // The unmatched else_try at run time skips to its jump index, the end.
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(host.take_messages(),
            (std::vector<std::string>{"Warning: Unmatched else_try.; LINE NO: 0:", "At scr_x."}));
}

TEST(statement_block, unmatched_try_end_warns_only_in_edit_mode) {
  for (bool edit_mode : {false, true}) {
    fake_script_host host;
    host.engine.edit_mode = edit_mode;
    statement_block block = make_block({{opcode::eq, {1, 1}}, {opcode::try_end}});
    EXPECT_EQ(resolve_block_jumps(block), edit_mode);
    const std::vector<std::string> expected =
        edit_mode ? std::vector<std::string>{"Warning: Unmatched try_end; LINE NO: 1:"} : std::vector<std::string>{};
    EXPECT_EQ(host.take_messages(), expected);
  }
}

TEST(statement_block, nesting_deeper_than_the_jump_stacks_resolves) {
  fake_script_host host;
  statement_block block;
  constexpr int depth = 300;
  for (int i = 0; i < depth; ++i) block.operations.push_back(make_block({{opcode::try_begin}}).operations[0]);
  block.operations.push_back(make_block({{opcode::eq}}).operations[0]);
  for (int i = 0; i < depth; ++i) block.operations.push_back(make_block({{opcode::try_end}}).operations[0]);
  const std::vector<int> jumps = jump_table(block);
  // The innermost operation jumps to the innermost try_end; the outermost
  // opener to the last statement.
  EXPECT_EQ(jumps[depth], depth + 1);
  EXPECT_EQ(jumps[0], 2 * depth);
}

}  // namespace
}  // namespace hm
