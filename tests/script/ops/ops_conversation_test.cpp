// Conversation exits, the end of the game, and the troop, faction and party
// queries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/dialog/conversation.h"
#include "script/ops/end_game.h"
#include "script/executor.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::gvar;
using test::make_block;
using test::reg;

struct query_world {
  query_world() {
    host.module.troops = 4;
    host.module.factions = 3;
    host.module.quests = 2;
    host.module.menus = 5;
    host.module.item_kinds = 10;
    host.module.troop_records[1].flags = 0x10;
    auto& t = host.module.troop_stat_records[2];
    t.gold = 250;
    t.faction = 1;
    t.attributes[3] = 9;
    t.hit_points = 30.0f;
    t.max_hit_points = 60;
    t.proficiencies[6] = 77;
    t.skills[5] = 4;
    auto& hero = host.module.troop_stat_records[1];
    hero.hit_points = 10.0f;
    hero.max_hit_points = 21;
    host.module.troop_records[2].inventory = {7, 7, 3};
    host.module.relations[{1, 2}] = 0.125f;
    host.module.relations[{2, 1}] = -0.125f;
    host.campaign.add_party(0);
    host.campaign.add_party(1);
    host.campaign.add_party(2, 0);
    host.campaign.find(0)->stacks = {{1, 1, 0, 0}, {5, 2, 0, 2}, {3, 2, 1, 1}, {4, 3, 0, 3}};
    host.campaign.find(1)->faction = 2;
    host.campaign.player_party_id = 0;
    host.campaign.words.encountered_party = 1;
  }
  bool run(std::uint32_t opcode, std::vector<std::int64_t> params) {
    return test::run_one_operation(opcode, std::move(params));
  }
  std::int64_t query(std::uint32_t opcode, std::vector<std::int64_t> params) {
    return test::query_one_operation(opcode, std::move(params));
  }
  fake_script_host host;
};

TEST(conversation_exits, codes_and_what_they_carry) {
  struct exit_case {
    std::uint32_t opcode;
    std::vector<std::int64_t> params;
    int code;
  };
  const std::vector<exit_case> cases = {
      {2040, {}, 1},  {2041, {2}, 2},  {2042, {2}, 4},  {2043, {1}, 6},  {2043, {0}, 5},  {2044, {}, 9},
      {2045, {}, 10}, {2046, {}, 11}, {2047, {}, 12}, {2048, {}, 13}, {2049, {2}, 14}, {2050, {1}, 8},
      {2051, {3}, 3}, {2052, {}, 17}, {2053, {4, 1}, 16}, {2056, {}, 7}, {2060, {4}, 18},
      // Refused: a bad troop, party, menu, a notes kind outside 1..4.
      {2041, {4}, 0}, {2050, {2}, 0}, {2060, {5}, 0}, {2053, {0, 1}, 0}, {2053, {5, 1}, 0}, {2053, {2, 3}, 0},
  };
  for (const exit_case& c : cases) {
    query_world w;
    w.run(c.opcode, c.params);
    EXPECT_EQ(w.host.campaign.words.screen_change_code, c.code) << c.opcode;
  }
  query_world w;
  w.run(2049, {3});
  EXPECT_EQ(w.host.campaign.words.exit_troop, 3);
  w.run(2056, {});
  EXPECT_EQ(w.host.campaign.words.exit_party, 1);
  w.run(2053, {3, 1});
  EXPECT_EQ(w.host.campaign.words.notes_kind, 3);
  EXPECT_EQ(w.host.campaign.words.notes_id, 1);
  w.run(2060, {2});
  EXPECT_EQ(w.host.campaign.words.current_menu, 2);
  w.run(2061, {});
  EXPECT_EQ(w.host.campaign.words.conversation_stay_flag, 1);
}

TEST(conversation_exits, end_game_waits_until_no_block_runs) {
  query_world w;
  // The statements after the request still see the game.
  statement_block block = make_block({{2055}, {2133, {gvar(0), 5}}, {2149, {reg(1), 2}}});
  EXPECT_TRUE(run_statement_block(block, 0));
  EXPECT_EQ(g_script_state.registers[1], 250);
  EXPECT_EQ(w.host.campaign.games_destroyed, 0);
  EXPECT_TRUE(end_game_requested());
  EXPECT_TRUE(carry_out_end_game_request());
  EXPECT_EQ(w.host.ui.window_resets, 1);
  EXPECT_EQ(w.host.campaign.games_destroyed, 1);
  EXPECT_EQ(w.host.ui.set_windows, std::vector<int>{4});
  EXPECT_FALSE(carry_out_end_game_request());
}

TEST(conversation_queries, troops_factions_and_parties) {
  query_world w;
  struct query_case {
    const char* name;
    std::uint32_t opcode;
    std::vector<std::int64_t> params;
    std::int64_t expected;
  };
  const std::vector<query_case> cases = {
      {"gold", 2149, {2}, 250},
      {"ten", 2154, {}, 10},
      {"party size", 2156, {0}, 13},
      {"leading members", 2157, {0}, 6},
      {"unclear stack count", 2158, {0}, 0},
      {"troop 2 members", 2160, {0, 2}, 5},
      {"troop 2 prisoners", 2161, {0, 2}, 3},
      {"inactive party", 2156, {2}, -777},
      {"items", 2165, {2, 7}, 2},
      {"skill", 2170, {5, 2}, 4},
      {"skill out of range", 2170, {42, 2}, -777},
      {"level", 2171, {2}, 1},
      {"attribute", 2172, {2, 3}, 9},
      {"attribute 4", 2172, {2, 4}, -777},
      {"faction", 2173, {2}, 1},
      {"health percent", 2175, {2, 0}, 50},
      {"hit points", 2175, {2, 1}, 30},
      {"proficiency", 2176, {2, 6}, 77},
      {"proficiency 7", 2176, {2, 7}, -777},
      // Hero: ceil(11 x 0.15) = 2; others: wounded 2 and 3; prisoners left out.
      {"wounded", 2180, {}, 7},
      {"relation", 2190, {1, 2}, 12},
      {"relation negative", 2190, {2, 1}, -13},
      {"bad faction", 2190, {1, 3}, -777},
      {"encountered", 2202, {}, 1},
      {"second", 2203, {}, -1},
      {"party faction", 2204, {1}, 2},
      {"bad troop", 2149, {4}, -777},
  };
  for (const query_case& c : cases) EXPECT_EQ(w.query(c.opcode, c.params), c.expected) << c.name;
}

TEST(conversation_queries, partner_and_its_agent) {
  query_world w;
  w.host.mission.agents = {true, true, false, true};
  w.host.mission.agent_troops = {2, 1, 2, 2};
  g_conversation.partner_troop = 2;
  g_conversation.partner_agent = 1;
  EXPECT_EQ(w.query(2199, {}), 1);
  EXPECT_EQ(w.query(2200, {}), 2);
  EXPECT_EQ(w.query(2201, {}), 1);
  // A hero partner, or none in the conversation: the last live agent of the
  // partner's troop.
  g_conversation.partner_agent = -1;
  EXPECT_EQ(w.query(2199, {}), 3);
  g_conversation.partner_troop = 1;
  g_conversation.partner_agent = 0;
  EXPECT_EQ(w.query(2199, {}), 1);
  g_conversation.partner_troop = 3;
  g_conversation.partner_agent = -1;
  EXPECT_EQ(w.query(2199, {}), -1);
  w.host.mission.value = 42;
  EXPECT_EQ(w.query(2211, {}), 42);
}

}  // namespace
}  // namespace hm
