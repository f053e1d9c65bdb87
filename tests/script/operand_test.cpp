#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "script/executor.h"
#include "script/interpreter.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::gvar;
using test::local;
using test::make_block;
using test::reg;

constexpr std::int64_t two_pow_32 = std::int64_t{1} << 32;

// Evaluates parameter 0 of an operation made of one parameter.
std::int64_t evaluate(std::int64_t param, std::int64_t* locals, int& tag) {
  operation op;
  op.opcode_word = 2133;
  op.param_count = 1;
  op.params[0] = param;
  return evaluate_operand(op, 0, locals, tag);
}

TEST(operand, reads_by_tag_and_range) {
  fake_script_host host;
  g_script_state.registers[127] = 71;
  g_script_state.registers[5] = -9;
  set_global_variable(65535, 33);
  std::int64_t locals[script_local_count] = {};
  locals[127] = 44;
  struct read_case {
    const char* name;
    std::int64_t param;
    std::int64_t value;
    int tag;
    const char* error;  // null: none
  };
  const read_case cases[] = {
      {"negative constant", -7, -7, 0, nullptr},
      {"plain constant", 123456, 123456, 0, nullptr},
      {"register 127", reg(127), 71, 1, nullptr},
      {"register 128", reg(128), 0, 1,
       "Invalid register no in operation = 2133, param0 = 128 param1 = 0; LINE NO: 0:"},
      // The register index is the low 32 bits of the payload.
      {"register by low 32 bits", reg(two_pow_32 + 5), -9, 1, nullptr},
      {"global 65535", gvar(65535), 33, 2, nullptr},
      {"global 65536", gvar(65536), 0, 2,
       "Invalid variable no in operation = 2133, param0 = 65536 param1 = 0; LINE NO: 0:"},
      {"global never written", gvar(40000), 0, 2, nullptr},
      {"local 127", local(127), 44, 17, nullptr},
      {"local 128", local(128), 0, 17,
       "Invalid local variable no in operation = 2133, param0 = 128 param1 = 0; LINE NO: 0:"},
      {"module string", make_operand(operand_tag::module_string, 12), 12, 3, nullptr},
      {"quick string", make_operand(operand_tag::quick_string, 7), 7, 22, nullptr},
      {"object id", make_operand(5, 301), 301, 5, nullptr},
  };
  for (const read_case& c : cases) {
    SCOPED_TRACE(c.name);
    int tag = -1;
    EXPECT_EQ(evaluate(c.param, locals, tag), c.value);
    EXPECT_EQ(tag, c.tag);
    const std::vector<std::string> expected = c.error ? std::vector<std::string>{c.error} : std::vector<std::string>{};
    EXPECT_EQ(host.take_messages(), expected);
  }
}

TEST(operand, stores_keep_64_bits_in_registers_and_locals_and_32_in_globals) {
  fake_script_host host;
  std::int64_t locals[script_local_count] = {};
  const std::int64_t big = two_pow_32 + 5;
  for (std::int64_t destination : {reg(3), gvar(9), local(4)}) {
    operation op;
    op.opcode_word = 2133;
    op.param_count = 1;
    op.params[0] = destination;
    store_lvalue(op, locals, big);
  }
  EXPECT_EQ(g_script_state.registers[3], big);
  EXPECT_EQ(get_global_variable(9), 5);
  EXPECT_EQ(locals[4], big);

  // The low 32 bits read back sign-extended.
  set_global_variable(10, static_cast<std::int32_t>(0xFFFFFFFEu));
  EXPECT_EQ(get_global_variable(10), -2);
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(operand, global_vector_grows_by_powers_of_two_to_the_limit) {
  fake_script_host host;
  struct growth_case {
    std::int64_t index;
    std::size_t size;
  };
  for (const growth_case& c : {growth_case{0, 16}, growth_case{15, 16}, growth_case{16, 32}, growth_case{100, 128},
                               growth_case{65535, 65536}}) {
    g_script_state.reset();
    set_global_variable(c.index, 1);
    EXPECT_EQ(g_script_state.global_variables.size(), c.size) << c.index;
    EXPECT_EQ(get_global_variable(c.index), 1);
  }
}

TEST(operand, bad_destinations_report_and_store_nothing) {
  fake_script_host host;
  g_script_state.registers.fill(0);
  struct store_case {
    std::int64_t destination;
    std::vector<std::string> errors;
  };
  // Every parameter is read before the operation runs, so a bad register,
  // variable or local destination is reported twice: read, then stored.
  const store_case cases[] = {
      {reg(128),
       {"Invalid register no in operation = 2133, param0 = 128 param1 = 77; LINE NO: 0:",
        "illegal register no.; LINE NO: 0:"}},
      {gvar(65536),
       {"Invalid variable no in operation = 2133, param0 = 65536 param1 = 77; LINE NO: 0:",
        "illegal variable no.; LINE NO: 0:"}},
      {local(128),
       {"Invalid local variable no in operation = 2133, param0 = 128 param1 = 77; LINE NO: 0:",
        "illegal local variable no.; LINE NO: 0:"}},
      {-1, {"Illegal lvalue in statement; Opcode = 2133; LINE NO: 0:"}},
      {42, {"Illegal lvalue in statement; Opcode = 2133; LINE NO: 0:"}},
      {make_operand(operand_tag::module_string, 1), {"Illegal lvalue in statement; Opcode = 2133; LINE NO: 0:"}},
  };
  for (const store_case& c : cases) {
    statement_block block = make_block({{opcode::assign, {c.destination, 77}}});
    // Counts as true: a bad store is reported and the operation goes on.
    EXPECT_TRUE(run_statement_block(block, 0));
    std::vector<std::string> expected = c.errors;
    expected.push_back("At test block.");
    EXPECT_EQ(host.take_messages(), expected);
  }
  EXPECT_TRUE(g_script_state.global_variables.empty());
  for (std::int64_t r : g_script_state.registers) EXPECT_EQ(r, 0);
}

TEST(operand, reset_clears_game_values_and_keeps_registers) {
  fake_script_host host;
  g_script_state.registers[1] = 5;
  g_script_state.string_registers[2] = "kept";
  g_script_state.trigger_param_1 = 3;
  g_script_state.trigger_result = 4;
  g_script_state.fixed_point_multiplier = 1000;
  g_script_state.music_requested_track = 7;
  set_global_variable(1, 9);
  g_script_state.reset();
  EXPECT_EQ(g_script_state.registers[1], 5);
  EXPECT_EQ(g_script_state.string_registers[2], "kept");
  EXPECT_EQ(g_script_state.trigger_param_1, -100000);
  EXPECT_EQ(g_script_state.trigger_param_2, -100000);
  EXPECT_EQ(g_script_state.trigger_result, 0);
  EXPECT_EQ(g_script_state.fixed_point_multiplier, 100);
  EXPECT_EQ(g_script_state.music_requested_track, -1);
  EXPECT_EQ(g_script_state.music_request_kind, 0);
  EXPECT_EQ(g_script_state.music_requested_one_shot, -1);
  EXPECT_EQ(get_global_variable(1), 0);
}

TEST(format_text, hands_nested_tokens_to_the_expander_and_turns_carets_into_line_breaks) {
  fake_script_host host;
  struct text_case {
    const char* text;
    const char* shown;
    std::vector<std::string> tokens;
  };
  const text_case cases[] = {
      {"{a{b}c}^x", "<a{b}c>\nx", {"a{b}c"}},
      {"Hello {reg0} and {s1}!", "Hello <reg0> and <s1>!", {"reg0", "s1"}},
      {"open {token", "open <token>", {"token"}},
      {"no tokens", "no tokens", {}},
      {"", "", {}},
  };
  for (const text_case& c : cases) {
    host.engine.expanded_tokens.clear();
    EXPECT_EQ(std::string(format_text(ruv_string(c.text)).view()), c.shown) << c.text;
    EXPECT_EQ(host.engine.expanded_tokens, c.tokens) << c.text;
  }
}

}  // namespace
}  // namespace hm
