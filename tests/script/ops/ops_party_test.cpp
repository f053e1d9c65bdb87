// The party operations' checks before the campaign is asked anything: bad
// party, troop and template ids are reported and change nothing, the silent
// range tests, the warnings where the campaign refuses, and the game words and
// mission tests the operations keep or read themselves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/random.h"
#include "script/dialog/conversation.h"
#include "script/executor.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::make_block;
using test::reg;

struct party_world {
  party_world() {
    host.module.troops = 6;
    host.module.factions = 3;
    host.module.party_templates = 2;
    host.module.map_icons = 4;
    host.module.item_kinds = 5;
    host.module.particle_systems = 2;
    host.module.troop_records[4].flags = 0x10;  // a hero
    host.campaign.add_party(0);
    host.campaign.add_party(1);
    host.campaign.add_party(2, 2);  // removed
    host.campaign.add_party(3);
    // (count, troop, flags, wounded)
    host.campaign.find(0)->stacks = {{1, 0, 0, 0}, {2, 3, 1, 0}, {5, 2, 0, 1}};
    host.campaign.find(3)->stacks = {{5, 4, 0, 0}};
    host.campaign.player_party_id = 0;
    host.campaign.player_troop_id = 0;
  }
  bool run(std::uint32_t opcode, std::vector<std::int64_t> params) {
    statement_block block = make_block({{opcode, std::move(params)}});
    return run_statement_block(block, 0);
  }
  std::int64_t query(std::uint32_t opcode, std::vector<std::int64_t> params) {
    g_script_state.registers[1] = -777;
    params.insert(params.begin(), reg(1));
    run(opcode, std::move(params));
    return g_script_state.registers[1];
  }
  fake_script_host host;
};

// The reports, without the block-context lines after them.
std::vector<std::string> warnings(const party_world& w) {
  std::vector<std::string> out;
  for (const std::string& line : w.host.ui.texts()) {
    if (line.rfind("SCRIPT", 0) == 0) out.push_back(line);
  }
  return out;
}

struct bad_id_case {
  std::uint32_t opcode;
  std::vector<std::int64_t> params;
  const char* message;  // the start of the report
};

TEST(PartyOperations, BadIdsAreReportedAndTheCampaignIsNotAsked) {
  // Party 2 is removed, 4 was never made, -1 is no id; troop 6
  // and template 2 lie past their tables.
  const char* party = "SCRIPT ERROR ON OPCODE %d: Invalid Party ID";
  const char* troop = "SCRIPT ERROR ON OPCODE %d: Invalid Troop ID";
  const std::vector<bad_id_case> cases = {
      {1601, {reg(1), 2}, party},         {1602, {reg(1), 4}, party},        {1603, {-1, 1, 1}, party},
      {1605, {2, 0}, party},              {1608, {reg(1), 2}, party},        {1609, {reg(1), 4}, party},
      {1610, {2, 1, 3}, party},           {1610, {1, 6, 3}, troop},          {1611, {4, 1, 3}, party},
      {1612, {2, 1, 3}, party},           {1612, {1, 6, 3}, troop},          {1613, {2, 1, 3}, party},
      {1614, {1, -1, 3}, troop},          {1615, {2, 1, 3}, party},          {1616, {1, 6, 1}, troop},
      {1617, {4}, party},                 {1618, {2, 1, 1}, party},          {1619, {1, 9, 1}, troop},
      {1620, {2, 1}, party},              {1623, {1, 2, 3}, party},          {1623, {2, 1, 3}, party},
      {1625, {0, 4}, party},              {1626, {2, 0}, party},             {1630, {reg(1), 2, 1}, party},
      {1631, {reg(1), 1, 6}, troop},      {1632, {reg(1), 4, 1}, party},     {1633, {reg(1), 2}, party},
      {1634, {reg(1), 4}, party},         {1639, {2, 50}, party},            {1640, {2, 1}, party},
      {1641, {1, 2}, party},              {1642, {4, 0}, party},             {1643, {2, 1}, party},
      {1644, {2, 1}, party},              {1645, {4, 1}, party},             {1650, {reg(1), 2}, party},
      {1651, {reg(1), 4}, party},         {1652, {reg(1), 2, 0}, party},     {1655, {reg(1), 2, 0}, party},
      {1658, {reg(1), 4, 0}, party},      {1660, {1, 2}, party},             {1660, {2, 1}, party},
      {1661, {2}, party},                 {1662, {1, 4}, party},             {1663, {2, 0}, party},
      {1665, {reg(1), 2}, party},         {1666, {4}, party},                {1667, {2, 1}, party},
      {1669, {2, 0}, party},              {1670, {2, 0, 5}, party},          {1671, {reg(1), 2}, party},
      {1672, {4, 1}, party},              {1673, {2, 10, 0}, party},         {1674, {2, 10}, party},
      {1675, {2, 0, 0}, party},           {1675, {1, 2, 0}, "SCRIPT ERROR ON OPCODE %d: Invalid Party Template ID"},
      {1676, {2, 1}, party},              {1676, {1, 4}, "SCRIPT ERROR ON OPCODE %d: Invalid Map Icon ID"},
      {1677, {4, 1}, party},              {1678, {2, 0}, party},             {1679, {2}, party},
      {1680, {reg(1), 2}, party},         {1681, {reg(1), 4}, party},        {1685, {reg(1), 2, 1}, party},
      {1694, {reg(1), 2}, party},         {1695, {reg(1), 4}, party},        {1696, {reg(1), 2, 0}, party},
      {1697, {2, 3, -1}, party},          {1698, {2, 1}, party},             {1698, {1, 4}, party},
      {1100, {2, 0}, party},              {1100, {1, 2}, "SCRIPT ERROR ON OPCODE %d: Invalid Party Template ID"},
      {1070, {0, 4}, party},              {1062, {10, 6}, troop},            {1203, {6}, troop},
      {1204, {-1}, troop},                {1210, {1, 2}, party},             {1210, {6, 0}, troop},
      {1215, {6, 1}, troop},              {1216, {9, 1}, troop},
      {1171, {5, 100}, "SCRIPT ERROR ON OPCODE %d: Invalid Item Kind ID"},
      {1230, {2}, party},                 {1231, {4}, party},                {1232, {-1}, party},
      {1233, {6}, troop},                 {1300, {2}, party},
  };
  for (const bad_id_case& c : cases) {
    party_world w;
    w.run(c.opcode, c.params);
    char expected[96];
    std::snprintf(expected, sizeof expected, c.message, static_cast<int>(c.opcode));
    const std::vector<std::string> lines = w.host.ui.texts();
    ASSERT_FALSE(lines.empty()) << c.opcode;
    EXPECT_EQ(lines.front().rfind(expected, 0), 0u) << c.opcode << ": " << lines.front();
    EXPECT_TRUE(w.host.campaign.calls.empty()) << c.opcode << ": " << w.host.campaign.calls.front();
  }
}

TEST(PartyOperations, SilentRangeTestsAskNothing) {
  const std::vector<std::pair<std::uint32_t, std::vector<std::int64_t>>> cases = {
      {1610, {1, 1, 0}},      // no troops to add
      {1613, {1, 1, -3}},     //
      {1612, {0, 1, 3}},      // party 0 never gets a stack put in front
      {1627, {0, 1, -1}},     // a negative radius
      {1670, {0, 3, 10}},     // past the stacks
      {1670, {0, 1, 0}},      // no experience
      {1673, {1, 10, 3}},     // no such path
      {1673, {1, 0, 1}},      //
      {1674, {1, -5}},        //
      {1215, {1, 0}},         // nobody leaves
      {1216, {1, -2}},        //
  };
  for (const auto& [opcode, params] : cases) {
    party_world w;
    w.run(opcode, params);
    EXPECT_TRUE(w.host.ui.texts().empty()) << opcode;
    EXPECT_TRUE(w.host.campaign.calls.empty()) << opcode << ": " << w.host.campaign.calls.front();
  }
}

TEST(PartyOperations, StackQueriesStayWithinTheStacks) {
  party_world w;
  w.host.campaign.seed = 4242;
  // Stacks of party 0: troop 1 (members), troop 3 (prisoners), troop 2
  // (members after them: the fake keeps what it is given).
  EXPECT_EQ(w.query(1652, {0, 1}), 3);
  EXPECT_EQ(w.query(1653, {0, 2}), 5);
  EXPECT_EQ(w.query(1654, {0, 2}), 1);
  EXPECT_EQ(w.query(1652, {0, 3}), -777);
  EXPECT_EQ(w.query(1652, {0, -1}), -777);
  EXPECT_EQ(w.query(1650, {0}), 1);
  EXPECT_EQ(w.query(1651, {0}), 2);
  EXPECT_EQ(w.query(1656, {0, 0}), 3);
  EXPECT_EQ(w.query(1657, {0, 1}), 5);
  EXPECT_EQ(w.query(1656, {0, 2}), -777);
  // Seeds: the player's party has them for stacks 0 .. 31; another party only
  // for the stacks it holds (party 3 has one).
  EXPECT_EQ(w.query(1655, {0, 31}), 4242);
  EXPECT_EQ(w.query(1655, {0, 32}), -777);
  EXPECT_EQ(w.query(1655, {3, 0}), 4242);
  w.host.campaign.calls.clear();
  EXPECT_EQ(w.query(1655, {3, 1}), 0);
  EXPECT_TRUE(w.host.campaign.calls.empty());
  EXPECT_TRUE(w.host.ui.texts().empty());
}

TEST(PartyOperations, OperandsReachTheCampaign) {
  party_world w;
  w.host.campaign.troops_changed = 4;
  w.host.campaign.spawned_party = 9;
  w.host.campaign.find(1)->x = 2.0f;
  w.host.campaign.find(1)->y = -3.0f;
  w.host.campaign.find(1)->flags = 0xFF00000000000102ull;
  w.run(1610, {1, 2, 4});
  EXPECT_EQ(g_script_state.registers[0], 4);
  w.run(1616, {1, 3, 7});
  EXPECT_EQ(g_script_state.registers[0], 4);
  w.run(1603, {1, 0x100, 0});
  w.run(1676, {1, 3});
  w.run(1070, {0, 1});
  w.run(1639, {1, 250});
  w.run(1672, {1, -20});
  w.run(1100, {1, 1});
  EXPECT_EQ(g_script_state.registers[0], 9);
  w.run(1103, {7});
  w.run(1100, {1, 0});
  w.run(1080, {-5, 300});
  w.run(1080, {60, 20});  // refused: lo above hi
  w.run(1697, {1, 5, 0});  // the player's party records nothing
  w.run(1697, {1, 5, 3});
  w.run(1697, {1, 5, 2});  // a bad recorder: reported, and still the casualties
  w.run(1172, {7, 150});
  w.run(1170, {});
  const std::vector<std::string> expected = {
      "add_troops_to_party 1 2 4 0",
      "remove_troops_from_party 1 3 7 1 0",
      "set_party_flags 1 18374686479671623682 1",
      "set_party_flags 1 18374686479671623683 1",
      "set_party_flags 1 3 0",
      "set_party_share 1 0 1",
      "set_party_share 1 1 0",
      "spawn_party_near 1 2 -3 3",
      "spawn_party_near 0 2 -3 7",
      "set_party_strength_bounds 0 101",
      "inflict_casualties 1 5 -1",
      "inflict_casualties 1 5 3",
      "inflict_casualties 1 5 -1",
      "set_item_type_factor 7 1.5",
      "set_item_kind_factor -1 1",
  };
  EXPECT_EQ(w.host.campaign.calls, expected);
}

TEST(PartyOperations, HiddenPartiesAndATroopsOwnParty) {
  party_world w;
  w.host.campaign.find(0)->x = 4.0f;
  w.host.campaign.find(0)->y = -1.5f;
  w.host.campaign.find(1)->flags = 0x102;
  w.host.campaign.add_party(9);
  w.host.campaign.find(9)->flags = 0x3;
  w.host.campaign.spawned_party = 9;
  w.run(1230, {1});
  w.run(1231, {1});
  w.run(1233, {4});
  w.run(1300, {3});
  const std::vector<std::string> expected = {
      "set_party_flags 1 258 0",      "set_party_flags 1 2 0",          "create_party_for_troop 4 4 -1.5",
      "set_party_faction 9 0",        "set_party_flags 9 1048579 0",    "set_party_ai_behaviour 9 6",
      "copy_second_share 0 9",        "engage_party 0 3",
  };
  EXPECT_EQ(w.host.campaign.calls, expected);

  // No party made: nothing more is asked. No player's party: nothing at all.
  w.host.campaign.calls.clear();
  w.host.campaign.spawned_party = -1;
  w.run(1233, {4});
  EXPECT_EQ(w.host.campaign.calls, std::vector<std::string>{"create_party_for_troop 4 4 -1.5"});
  w.host.campaign.calls.clear();
  w.host.campaign.player_party_id = 2;
  w.run(1233, {4});
  EXPECT_TRUE(w.host.campaign.calls.empty());
  EXPECT_TRUE(w.host.ui.texts().empty());
}

TEST(PartyOperations, RefusalsAreWarnings) {
  party_world w;
  w.host.campaign.stack_inserted = false;
  w.host.campaign.attached = false;
  w.host.campaign.placed = false;
  w.run(1612, {1, 2, 3});
  w.run(1660, {1, 3});
  w.run(1626, {1, 5});
  const std::vector<std::string> lines = warnings(w);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("SCRIPT WARNING ON OPCODE 1612: Party is full", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("SCRIPT WARNING ON OPCODE 1660: Party cannot be attached", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("SCRIPT WARNING ON OPCODE 1626: No map under", 0), 0u) << lines[2];
}

TEST(PartyOperations, ContextMenuHoldsFiftyEntries) {
  party_world w;
  for (int i = 0; i < 52; ++i) w.run(980, {1, i});
  EXPECT_EQ(w.host.campaign.words.context_menu_count, 50);
  EXPECT_EQ(w.host.campaign.words.context_menu[49].value, 49);
  const std::vector<std::string> lines = warnings(w);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("SCRIPT WARNING ON OPCODE 980: Context menu is full", 0), 0u) << lines[0];
}

TEST(PartyOperations, GameWordsAndTheMissionEndTests) {
  party_world w;
  w.run(1021, {3});
  w.run(1025, {11});
  w.run(1030, {6, 2, 0});
  EXPECT_EQ(w.host.campaign.words.selected_party, 3);
  EXPECT_EQ(w.host.campaign.words.party_selected, 1);
  EXPECT_EQ(w.host.campaign.words.pending_kind, 5);
  EXPECT_EQ(w.host.campaign.words.wait_flag, 1);
  EXPECT_EQ(w.host.campaign.calls.back(), "set_party_ai_mode 0 8");
  w.run(1031, {6, 2, 1});
  EXPECT_EQ(w.host.campaign.words.wait_kind, 1);
  EXPECT_EQ(w.host.campaign.words.wait_flag, 0);
  EXPECT_EQ(w.host.campaign.calls.back(), "set_party_ai_mode 0 0");
  w.run(1691, {-40});
  EXPECT_EQ(w.query(1690, {}), -32);
  w.run(1691, {9});
  EXPECT_EQ(w.host.campaign.words.script_step, 5);

  fake_script_host& h = w.host;
  EXPECT_FALSE(w.run(1003, {0}));  // no player agent
  EXPECT_FALSE(w.run(1006, {}));
  h.mission.player = 2;
  h.mission.teams[2] = 0;
  h.mission.states[2] = 1;
  h.mission.relations[{0, 1}] = -1;
  h.mission.team_members[0] = 3;
  h.mission.team_members[1] = 1;
  h.mission.seconds = 12.0f;
  EXPECT_FALSE(w.run(1003, {5}));  // a hostile team still stands
  EXPECT_FALSE(w.run(1005, {1}));
  EXPECT_TRUE(w.run(1005, {2}));
  h.mission.team_members[1] = 0;
  EXPECT_TRUE(w.run(1003, {5}));
  EXPECT_FALSE(w.run(1003, {12}));
  EXPECT_TRUE(w.run(1005, {1}));
  EXPECT_FALSE(w.run(1006, {}));
  h.mission.states[2] = 4;
  EXPECT_TRUE(w.run(1006, {}));
  EXPECT_TRUE(w.run(1004, {}));
}

TEST(PartyOperations, MembershipTellsThePlayer) {
  party_world w;
  w.host.module.troop_stat_records[1].name = "Farmer";
  w.host.module.troop_stat_records[4].name = "Ansel";
  w.host.module.troop_stat_records[3].name = "Bandit";
  w.host.campaign.troops_changed = 2;
  w.host.module.translations = {{"ui_value_joined_party_as_prisoner", "%s joined as prisoners."},
                                {"ui_number_value_left_the_party", "%d %s left."},
                                {"ui_value_left_the_party", "%s left."},
                                {"ui_number_values_left_the_party", "%d %s left."}};
  // Without a conversation partner's party nothing happens.
  g_conversation.partner_party = -1;
  w.run(1201, {});
  EXPECT_TRUE(w.host.campaign.calls.empty());
  g_conversation.partner_party = 3;
  w.run(1202, {});
  w.run(1215, {1, 3});
  w.run(1215, {4, 1});
  w.run(1210, {1, 0});  // party 0 holds troop 3 as a prisoner, not troop 1
  w.run(1210, {3, 0});
  w.run(1211, {});
  g_conversation.partner_party = -1;
  const std::vector<std::string> calls = {
      "join_party 3 0 1",
      "remove_troops_from_party 0 1 3 0 0",
      "remove_troops_from_party 0 4 1 0 0",
      "remove_troops_from_party 0 1 1 0 0",
      "remove_troops_from_party 0 3 1 1 0",
      "remove_troops_from_party 0 3 2 1 0",
  };
  EXPECT_EQ(w.host.campaign.calls, calls);
  const std::vector<std::string> lines = {"Party 3 joined as prisoners.", "2 Farmer left.", "Ansel left.",
                                          "Farmer left.", "Bandit left.", "2 Bandit left."};
  EXPECT_EQ(w.host.ui.texts(), lines);
}

TEST(PartyOperations, PlayerExperienceIsSharedWithTheHeroesBehindTheLeader) {
  party_world w;
  w.host.module.troop_records[5].flags = 0x10;
  w.host.campaign.find(0)->stacks = {{1, 0, 0, 0}, {1, 4, 0, 0}, {3, 1, 0, 0}, {1, 5, 0, 0}, {1, 4, 1, 0}};
  w.run(1064, {100});
  const std::vector<std::string> expected = {"add_troop_experience 0 100", "add_troop_experience 4 50",
                                             "add_troop_experience 5 50"};
  EXPECT_EQ(w.host.campaign.calls, expected);
}

TEST(PartyOperations, PlayerExperienceWithChanceStaysWithinTheCount) {
  party_world w;
  // 0.5 to 1.5 times the largest operand: a draw in the upper half lies
  // outside the 64-bit range, and the gain stops at the largest count.
  random_seed(2932);
  ASSERT_GT(random_next() % 15817, 15817 / 2 + 1);
  random_seed(2932);
  g_script_state.registers[3] = INT64_MAX;
  w.run(1063, {reg(3)});
  const std::vector<std::string> expected = {"add_troop_experience 0 2147483647"};
  EXPECT_EQ(w.host.campaign.calls, expected);
}

}  // namespace
}  // namespace hm
