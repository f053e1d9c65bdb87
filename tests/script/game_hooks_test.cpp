#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "script/executor.h"
#include "script/game_hooks.h"
#include "script/operation.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::make_block;
using test::neg;
using test::reg;

// The module's scripts: 0 adds its parameters into the trigger result, 1 sets
// the result and then fails, 2 succeeds only outside the game-hook context,
// 3 hands back its third parameter.
class game_hooks : public ::testing::Test {
 protected:
  game_hooks() {
    clear_hook_script_map();
    host.module.scripts.push_back(make_block({{opcode::fetch_script_param_0, {reg(1)}},
                                              {opcode::fetch_script_param_1, {reg(2)}},
                                              {opcode::store_add, {reg(3), reg(1), reg(2)}},
                                              {2075, {reg(3)}}},
                                             "script: game_get_troop_wage"));
    host.module.scripts.push_back(
        make_block({{2075, {42}}, {opcode::eq, {1, 2}}, {2075, {43}}}, "script: game_get_join_cost"));
    host.module.scripts.push_back(make_block({{37, {}}}, "script: game_check_party_sees_party"));
    host.module.scripts.push_back(
        make_block({{opcode::fetch_script_param, {reg(4), 3}}, {2075, {reg(4)}}}, "script: game_get_date_text"));
    host.module.script_names = {"game_get_troop_wage", "game_get_join_cost", "game_check_party_sees_party",
                                "game_get_date_text"};
    set_hook_script(game_hook_code::game_get_troop_wage, 0);
    set_hook_script(game_hook_code::game_get_join_cost, 1);
    set_hook_script(game_hook_code::game_check_party_sees_party, 2);
    set_hook_script(game_hook_code::game_get_date_text, 3);
  }
  ~game_hooks() override { clear_hook_script_map(); }

  fake_script_host host;
};

TEST_F(game_hooks, mapped_hook_runs_with_sign_extended_parameters) {
  EXPECT_TRUE(call_game_script(game_hook_code::game_get_troop_wage, -5, 7));
  EXPECT_EQ(g_script_state.registers[1], -5);
  EXPECT_EQ(g_script_state.trigger_result, 2);
  EXPECT_TRUE(call_game_script_3_params(game_hook_code::game_get_date_text, 1, 2, -300));
  EXPECT_EQ(g_script_state.trigger_result, -300);
  EXPECT_TRUE(host.take_messages().empty());
}

TEST_F(game_hooks, unmapped_hook_is_false_and_silent) {
  g_script_state.trigger_result = 9;
  EXPECT_FALSE(call_game_script(game_hook_code::game_get_money_text, 1, 2));
  set_hook_script(game_hook_code::game_get_troop_wage, -1);
  EXPECT_FALSE(call_game_script(game_hook_code::game_get_troop_wage, 1, 2));
  EXPECT_FALSE(call_game_script(static_cast<game_hook_code>(28), 1, 2));
  // A map entry beyond the module's scripts cannot run either.
  set_hook_script(game_hook_code::game_start, 99);
  EXPECT_FALSE(call_game_script(game_hook_code::game_start, 1, 2));
  EXPECT_EQ(g_script_state.trigger_result, 9);
  EXPECT_TRUE(host.take_messages().empty());
  EXPECT_TRUE(host.engine.log.empty());
}

TEST_F(game_hooks, failing_script_is_false_and_keeps_what_it_stored) {
  EXPECT_FALSE(call_game_script(game_hook_code::game_get_join_cost, 0, 0));
  EXPECT_EQ(g_script_state.trigger_result, 42);
}

TEST_F(game_hooks, scripts_run_in_the_game_hook_context) {
  // Operation 37 needs context bit 0, which 0x200000 does not have.
  EXPECT_FALSE(call_game_script(game_hook_code::game_check_party_sees_party, 0, 0));
  host.module.scripts[2] = make_block({{neg(37), {}}});
  EXPECT_TRUE(call_game_script(game_hook_code::game_check_party_sees_party, 0, 0));
}

class recording_debugger final : public script_debug_hook {
 public:
  std::vector<int> stops;
  bool stepping() const override { return false; }
  void stop(const statement_block&, int statement, const std::int64_t*, std::int32_t&, bool&) override {
    stops.push_back(statement);
  }
  void after_statement(const statement_block&, int, const std::int64_t*, bool) override {}
  std::int32_t break_key_for_script(int) override { return -1; }
};

TEST_F(game_hooks, armed_break_point_stops_in_its_script_only) {
  recording_debugger debugger;
  script_debug_hook* previous = set_script_debug_hook(&debugger);
  host.campaign.words.debug_break = 1;
  host.campaign.words.debug_break_script = "game_get_troop_wage";
  host.campaign.words.debug_break_line = 2;
  call_game_script(game_hook_code::game_get_troop_wage, 1, 2);
  call_game_script(game_hook_code::game_get_date_text, 1, 2);
  set_script_debug_hook(previous);
  EXPECT_EQ(debugger.stops, std::vector<int>{2});
}

TEST(game_hook_names, every_name_maps_back_to_its_code) {
  for (int code = 0; code < game_hook_count; ++code) {
    const std::string_view name = game_hook_script_name(static_cast<game_hook_code>(code));
    EXPECT_EQ(name.substr(0, 5), "game_");
    EXPECT_EQ(find_game_hook(name), code) << name;
  }
  EXPECT_EQ(game_hook_script_name(game_hook_code::game_get_money_text), "game_get_money_text");
  EXPECT_EQ(game_hook_script_name(game_hook_code::game_event_battle_end), "game_event_battle_end");
  EXPECT_EQ(find_game_hook("game_unknown"), -1);
  EXPECT_TRUE(game_hook_script_name(static_cast<game_hook_code>(-1)).empty());
}

}  // namespace
}  // namespace hm
