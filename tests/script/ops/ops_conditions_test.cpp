#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "script/dialog/conversation.h"
#include "script/executor.h"
#include "script/operand.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::make_block;
using test::neg;
using test::reg;

// A small world: the player's party 0 (troops 0 and 3, limits 10 and 4), a
// party 1 of 3 members and 2 prisoners, an inactive party 2, and party 3
// travelling to party 1. Troop 0 is the player; troop 2 carries item 7 in
// slot 4 and item 9 in its inventory; quest 1 has status bits 9 and 12.
struct small_world {
  small_world() {
    host.module.troops = 4;
    host.module.quests = 2;
    host.module.troop_records[0] = {0, 1, -1, {-1, -1, 5, -1, -1, -1, -1, -1, -1, -1, -1, 9}};
    host.module.troop_records[1] = {0x4000000, 1, 0, {}};
    host.module.troop_records[2] = {0x1000000, 1, -1, {-1, -1, -1, -1, 7, -1, -1, -1, -1, -1, -1, 9}};
    host.module.quest_status_words[1] = (1u << 9) | (1u << 12);

    host.campaign.add_party(0);
    host.campaign.add_party(1);
    host.campaign.add_party(2, 0);
    host.campaign.add_party(3);
    auto& player = *host.campaign.find(0);
    player.members = 8;
    player.prisoners = 3;
    player.companion_limit = 10;
    player.prisoner_limit = 4;
    player.flags = 0x100000;
    player.stack_troops = {0, 3};
    player.ai_mode = 4;
    player.ai_target = 1;
    player.radius = 1.0f;
    auto& other = *host.campaign.find(1);
    other.members = 3;
    other.prisoners = 2;
    other.x = 2.0f;  // 2 from the player's party
    host.campaign.find(3)->ai_mode = 8;
    host.campaign.find(3)->ai_target = 1;
    host.campaign.find(3)->flags = 0x100;
    host.campaign.player_party_id = 0;
    host.campaign.player_troop_id = 0;
  }

  bool run(std::uint32_t opcode, std::vector<std::int64_t> params, std::int32_t context = 0) {
    statement_block block = make_block({{opcode, std::move(params)}});
    return run_statement_block(block, context);
  }

  fake_script_host host;
};

struct condition_case {
  const char* name;
  std::uint32_t opcode;
  std::vector<std::int64_t> params;
  bool expected;
  std::function<void(fake_script_host&)> setup = nullptr;
};

TEST(conditions, game_state_tests) {
  const std::vector<condition_case> cases = {
      {"36 near the target", 36, {1}, true},
      {"36 beyond 2.3 map radii", 36, {1}, false, [](fake_script_host& h) { h.campaign.find(1)->x = 2.31f; }},
      {"36 another target", 36, {3}, false},
      {"36 another AI mode", 36, {1}, false, [](fake_script_host& h) { h.campaign.find(0)->ai_mode = 8; }},
      {"39 in an encounter", 39, {}, true, [](fake_script_host& h) { h.campaign.encounter_flag = 1; }},
      {"39 no encounter", 39, {}, false},
      {"42 conversation on top", 42, {}, true, [](fake_script_host& h) { h.ui.windows = {7, 16}; }},
      {"42 conversation below", 42, {}, false, [](fake_script_host& h) { h.ui.windows = {16, 7}; }},
      {"44 started on the map", 44, {}, true, [](fake_script_host&) { g_conversation.on_map = true; }},
      {"101 companions below the limit", 101, {0}, true},
      {"101 at the limit", 101, {0}, false, [](fake_script_host& h) { h.campaign.find(0)->members = 10; }},
      {"101 another party is not tested", 101, {1}, true, [](fake_script_host& h) { h.campaign.find(0)->members = 10; }},
      {"102 prisoners below the limit", 102, {0}, true},
      {"103 partner fits as companions", 103, {}, false, [](fake_script_host&) { g_conversation.partner_party = 1; }},
      {"103 no partner", 103, {}, false},
      {"103 partner fits after a bigger limit", 103, {}, true,
       [](fake_script_host& h) {
         g_conversation.partner_party = 1;
         h.campaign.find(0)->companion_limit = 11;
         h.campaign.find(0)->prisoner_limit = 5;
       }},
      {"104 partner as prisoners does not fit", 104, {}, false, [](fake_script_host&) { g_conversation.partner_party = 1; }},
      {"105 room for 2", 105, {2}, true},
      {"105 no room for 3", 105, {3}, false},
      {"105 with 0 is true even over the limit", 105, {0}, true,
       [](fake_script_host& h) { h.campaign.find(0)->members = 50; }},
      {"105 a huge count cannot wrap into room", 105, {std::int64_t{1} << 40}, false},
      {"106 room for 1 prisoner", 106, {1}, true},
      {"106 no room for 2 prisoners", 106, {2}, false},
      {"107 no limits on the host party", 107, {0, 1, 0}, true},
      {"107 limits apply", 107, {1, 0, 0}, false},
      {"107 as prisoners beyond the prisoner limit", 107, {1, 0, 1}, false},
      {"107 as prisoners within the limits", 107, {1, 0, 1}, true,
       [](fake_script_host& h) { h.campaign.find(0)->prisoner_limit = 6; }},
      {"110 troop in a stack", 110, {3}, true},
      {"110 troop not in the party", 110, {2}, false},
      {"130 engaging that target", 130, {3, 1}, true},
      {"130 engaging another target", 130, {3, 0}, false},
      {"131 engaging", 131, {3}, true},
      {"131 not engaging", 131, {1}, false},
      {"132 attackable", 132, {1}, true},
      {"132 flag 0x100 set", 132, {3}, false},
      {"132 inactive party is false, silently", 132, {2}, false},
      {"150 player carries item 9", 150, {9}, true},
      {"150 player lacks item 7", 150, {7}, false},
      {"151 item 7 equipped", 151, {2, 7}, true},
      {"151 inventory is not equipment", 151, {2, 9}, false},
      {"152 placed troop", 152, {1}, true},
      {"152 unplaced troop", 152, {2}, false},
      {"153 flag 0x4000000", 153, {1}, true},
      {"153 flag clear", 153, {2}, false},
      {"154 flag 0x1000000", 154, {2}, true},
      {"200 bit 8 clear", 200, {1}, false},
      {"201 bit 9 set", 201, {1}, true},
      {"204 bit 12 set", 204, {1}, true},
  };
  for (const condition_case& c : cases) {
    small_world world;  // every case on the same small world
    if (c.setup) c.setup(world.host);
    EXPECT_EQ(world.run(c.opcode, c.params), c.expected) << c.name;
    EXPECT_TRUE(world.host.take_messages().empty()) << c.name;
  }
}

TEST(conditions, context_word_test) {
  small_world world;
  const std::vector<std::pair<std::int32_t, bool>> cases = {
      {1, true}, {3, true}, {0x200000, false}, {0x10001, false}, {0x20001, false}, {8, false}, {-65, false},
  };
  for (const auto& [context, expected] : cases) EXPECT_EQ(world.run(37, {}, context), expected) << context;
}

TEST(conditions, keys_and_controls) {
  small_world world;
  auto& engine = world.host.engine;
  engine.keys_down[30] = true;  // pressed this frame
  engine.keys_down[31] = true;  // held
  engine.previous_keys_down[31] = true;
  engine.controls[5] = {-1, 30};
  engine.controls[6] = {31, -1};
  engine.controls[7] = {40, 41};
  struct key_case {
    std::uint32_t word;
    std::int64_t code;
    bool expected;
  };
  const std::vector<key_case> cases = {
      {70, 30, true},  {70, 31, true},  {70, 32, false}, {71, 30, true},  {71, 31, false},
      {70, 256, true}, {70, -1, true},  {71, 256, true}, {neg(70), 256, false},
      {72, 5, true},   {73, 5, true},   {72, 6, true},   {73, 6, false},  {72, 7, false},
      {72, 37, true},  {73, -1, true},
  };
  for (const key_case& c : cases) {
    statement_block block = make_block({{c.word, {c.code}}});
    EXPECT_EQ(run_statement_block(block, 0), c.expected) << c.word << " " << c.code;
  }
  EXPECT_TRUE(world.host.take_messages().empty());
}

TEST(conditions, setters_and_stores) {
  small_world world;
  world.host.campaign.last_option = 4;
  world.host.ui.mouse = vec3(0.25f, 0.75f, 9.0f);
  statement_block block = make_block({
      {47, {2}},
      {50, {reg(1)}},
      {75, {6}},
      {91, {150}},
      {90, {reg(2)}},
      {93, {-5}},
      {92, {reg(3)}},
      {91, {37}},
      {90, {reg(4)}},
  });
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(world.host.campaign.player_troop_id, 2);
  EXPECT_EQ(g_script_state.registers[1], 4);
  const vec3 origin = g_script_state.position_registers[6].origin;
  EXPECT_EQ(origin.x, 0.25f);
  EXPECT_EQ(origin.y, 0.75f);
  EXPECT_EQ(origin.z, 0.0f);
  EXPECT_EQ(g_script_state.registers[2], 100);  // 150 is clamped to 1.0
  EXPECT_EQ(g_script_state.registers[3], 0);    // -5 is clamped to 0
  EXPECT_EQ(g_script_state.registers[4], 37);
  EXPECT_EQ(world.host.campaign.rates[0], 0.37f);
  EXPECT_TRUE(world.host.take_messages().empty());
}

TEST(conditions, result_string_from_each_kind_of_string) {
  small_world world;
  world.host.module.module_strings = 2;
  world.host.module.module_string_records = {{"str_a", "plain a"}, {"str_b", "plain {reg0}^b"}};
  world.host.module.translations["str_a"] = "translated a";
  world.host.module.quick_strings = 1;
  world.host.module.quick_string_records = {{"qstr_x", "quick x"}};
  g_script_state.string_registers[5] = "register five";
  struct string_case {
    std::int64_t operand;
    std::string expected;
  };
  const std::vector<string_case> cases = {
      {make_operand(operand_tag::module_string, 0), "translated a"},
      {make_operand(operand_tag::module_string, 1), "plain <reg0>\nb"},
      {make_operand(operand_tag::quick_string, 0), "quick x"},
      {5, "register five"},
  };
  for (const string_case& c : cases) {
    EXPECT_TRUE(world.run(60, {c.operand}));
    EXPECT_EQ(std::string(g_script_state.result_string.view()), c.expected);
  }
  // A bad reference is reported and the result string stays.
  EXPECT_TRUE(world.run(60, {make_operand(operand_tag::module_string, 2)}));
  EXPECT_EQ(std::string(g_script_state.result_string.view()), "register five");
  const auto messages = world.host.take_messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], "SCRIPT ERROR ON OPCODE 60: Invalid String ID: 2; LINE NO: 0:");
}

TEST(conditions, failed_id_checks) {
  struct failure_case {
    std::uint32_t opcode;
    std::vector<std::int64_t> params;
    bool expected;  // the tests that start false stay false
    std::string message;
  };
  const std::vector<failure_case> cases = {
      {151, {9, 7}, false, "SCRIPT ERROR ON OPCODE 151: Invalid Troop ID: 9; LINE NO: 0:"},
      {152, {-1}, false, "SCRIPT ERROR ON OPCODE 152: Invalid Troop ID: -1; LINE NO: 0:"},
      {107, {2, 1, 0}, false, "SCRIPT ERROR ON OPCODE 107: Invalid Party ID: 2; LINE NO: 0:"},
      {200, {5}, true, "SCRIPT ERROR ON OPCODE 200: Invalid Quest ID: 5; LINE NO: 0:"},
      {130, {7, 1}, true, "SCRIPT ERROR ON OPCODE 130: Invalid Party ID: 7; LINE NO: 0:"},
      {47, {4}, true, "SCRIPT ERROR ON OPCODE 47: Invalid Troop ID: 4; LINE NO: 0:"},
  };
  for (const failure_case& c : cases) {
    small_world world;
    EXPECT_EQ(world.run(c.opcode, c.params), c.expected) << c.opcode;
    const auto messages = world.host.take_messages();
    ASSERT_EQ(messages.size(), 2u) << c.opcode;
    EXPECT_EQ(messages[0], c.message);
    EXPECT_EQ(messages[1], "At test block.");
    EXPECT_EQ(world.host.campaign.player_troop_id, 0);
  }
}

TEST(conditions, numbers_without_an_operation_are_unrecognized) {
  small_world world;
  EXPECT_TRUE(world.run(34, {}));
  EXPECT_FALSE(world.run(neg(120), {}));
  const auto messages = world.host.take_messages();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0], "Unrecognized opcode 34.; LINE NO: 0:");
  EXPECT_EQ(messages[2], "Unrecognized opcode " + std::to_string(static_cast<std::int32_t>(neg(120))) +
                             ".; LINE NO: 0:");
}

}  // namespace
}  // namespace hm
