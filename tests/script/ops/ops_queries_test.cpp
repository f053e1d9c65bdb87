// Random picks, party, template and quest queries, names and link texts in
// string registers, the date text, and the mission's team statistics.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/random.h"
#include "script/dialog/conversation.h"
#include "script/executor.h"
#include "script/game_hooks.h"
#include "script/operand.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;
using test::make_block;
using test::reg;

std::int64_t module_string(int i) { return make_operand(operand_tag::module_string, i); }
std::string text_of_register(int r) { return std::string(g_script_state.string_registers[r].view()); }

// Script errors reported (each also brings its "At" line).
std::size_t errors(const fake_script_host& host) {
  std::size_t n = 0;
  for (const auto& line : host.ui.messages) n += line.text.find("LINE NO") != std::string::npos;
  return n;
}

constexpr std::uint32_t offerable = 0x2;
constexpr std::uint32_t running = 0x100;

struct query_world {
  query_world() {
    host.module.troops = 10;
    host.module.factions = 3;
    host.module.quests = 5;
    host.module.item_kinds = 4;
    host.module.party_templates = 3;
    host.module.module_strings = 2;
    host.module.module_string_records = {{"str_0", "zero"}, {"str_1", "{reg3} men"}};
    host.module.troop_stat_records[2].name = "Ivo";
    host.module.troop_stat_records[2].plural = "Ivos";
    host.module.quest_text_records[0] = {"qst_a", "Deliver Wine", "", "", "", ""};
    host.module.quest_text_records[1] = {"qst_b", "Hunt", "", "Chase", "", ""};
    for (int id : {0, 1, 2, 3, 4, 5, 6}) host.campaign.add_party(id);
    host.campaign.find(1)->template_id = 2;
    host.campaign.find(4)->template_id = 2;
    host.campaign.find(6)->template_id = 2;
    host.campaign.find(6)->state = 2;  // removed: not counted
    host.campaign.player_troop_id = 0;
    g_script_state.string_registers[9] = ruv_string("untouched");
    clear_hook_script_map();
  }
  ~query_world() { clear_hook_script_map(); }
  bool run(std::uint32_t opcode, std::vector<std::int64_t> params) {
    return test::run_one_operation(opcode, std::move(params));
  }
  std::int64_t query(std::uint32_t opcode, std::vector<std::int64_t> params) {
    return test::query_one_operation(opcode, std::move(params));
  }
  fake_script_host host;
};

TEST(query_operations, names_by_count_and_link_texts) {
  query_world w;
  struct row {
    std::uint32_t opcode;
    std::vector<std::int64_t> params;
    std::string text;
  };
  const row rows[] = {
      {2322, {9, 2}, "Ivo"},
      {2323, {9, 2}, "Ivos"},
      {2324, {9, 2, 1}, "Ivo"},
      {2324, {9, 2, 2}, "Ivos"},
      {2325, {9, 3}, "item 3"},
      {2326, {9, 3}, "items 3"},
      {2327, {9, 3, 1}, "item 3"},
      {2327, {9, 3, 2}, "items 3"},
      {2330, {9, 4}, "Party 4"},
      {2335, {9, 1}, "faction 1"},
      // The translated name, else the quest's own.
      {2336, {9, 0}, "Deliver Wine"},
      {2336, {9, 1}, "Chase"},
      {2341, {9, 2}, "<trp=2>Ivo</>"},
      {2342, {9, 4}, "<p=4>Party 4</>"},
      {2343, {9, 1}, "<fac=1>faction 1</>"},
      {2344, {9, 1}, "<qst=1>Chase</>"},
  };
  for (const row& r : rows) {
    g_script_state.string_registers[9] = ruv_string("untouched");
    w.run(r.opcode, r.params);
    EXPECT_EQ(text_of_register(9), r.text) << r.opcode;
  }
  EXPECT_TRUE(w.host.ui.messages.empty());
}

TEST(query_operations, names_check_their_ids_first) {
  query_world w;
  const std::vector<std::vector<std::int64_t>> bad = {
      {2322, 9, 10}, {2325, 9, 4}, {2330, 9, 6}, {2335, 9, 3}, {2336, 9, 5}, {2341, 9, -1}, {2322, 128, 2}};
  for (const auto& b : bad) {
    w.host.ui.messages.clear();
    w.run(static_cast<std::uint32_t>(b[0]), {b[1], b[2]});
    EXPECT_EQ(text_of_register(9), "untouched") << b[0];
    EXPECT_EQ(errors(w.host), 1u) << b[0];
  }
}

TEST(query_operations, string_registers) {
  query_world w;
  g_script_state.registers[3] = 12;
  // The text is formatted: the test's token expander shows {reg3} as <reg3>.
  w.run(2320, {9, module_string(1)});
  EXPECT_EQ(text_of_register(9), "<reg3> men");
  g_script_state.string_registers[7] = ruv_string("{reg3} left");
  w.run(2321, {8, 7});
  EXPECT_EQ(text_of_register(8), "<reg3> left");
  w.run(2319, {9});
  EXPECT_EQ(text_of_register(9), "");
  // A module string that does not exist: reported, nothing written.
  w.run(2320, {8, module_string(5)});
  EXPECT_EQ(text_of_register(8), "<reg3> left");
  EXPECT_EQ(errors(w.host), 1u);
}

TEST(query_operations, agent_name_by_troop_else_horse) {
  query_world w;
  w.host.mission.agents = {true, true, true};
  w.host.mission.agent_troops = {2, -1, -1};
  w.host.mission.horses[1] = 3;
  w.run(2332, {9, 0});
  EXPECT_EQ(text_of_register(9), "Ivo");
  w.run(2332, {9, 1});
  EXPECT_EQ(text_of_register(9), "item 3");
  g_script_state.string_registers[9] = ruv_string("untouched");
  w.run(2332, {9, 2});
  EXPECT_EQ(text_of_register(9), "untouched");
  w.run(2332, {9, 3});
  EXPECT_EQ(text_of_register(9), "untouched");
  EXPECT_EQ(errors(w.host), 1u);
}

TEST(query_operations, date_text_from_the_date_script) {
  query_world w;
  // The date script keeps its parameters in registers 10 and 11 and answers
  // with module string 0.
  w.host.module.scripts.push_back(make_block({{21, {reg(10)}}, {22, {reg(11)}}, {60, {module_string(0)}}}));
  w.host.module.script_names = {"game_get_date_text"};
  set_hook_script(game_hook_code::game_get_date_text, 0);
  g_script_state.result_string = ruv_string("stale");
  w.run(2340, {9, 13});
  EXPECT_EQ(g_script_state.registers[10], 2);
  EXPECT_EQ(g_script_state.registers[11], 13);
  EXPECT_EQ(text_of_register(9), "zero");
  // Without the script the text is empty, never the last one left over.
  clear_hook_script_map();
  g_script_state.result_string = ruv_string("stale");
  w.run(2340, {9, 13});
  EXPECT_EQ(text_of_register(9), "");
}

TEST(query_operations, prices_and_join_costs) {
  query_world w;
  w.host.module.item_values[1] = 240;
  w.host.module.troop_records[3].level = 10;
  w.host.module.troop_records[4].flags = 0x10;  // a hero
  EXPECT_EQ(w.query(2230, {1}), 240);
  // Without a join-cost or wage script: wage x 5 + 2, the wage 10 x 10 / 20 +
  // 25 for a regular and 0 for a hero.
  EXPECT_EQ(w.query(2231, {3}), 152);
  EXPECT_EQ(w.query(2231, {4}), 2);
  EXPECT_EQ(w.query(2230, {4}), -777);
  EXPECT_EQ(w.query(2231, {10}), -777);
  EXPECT_EQ(errors(w.host), 2u);
}

TEST(query_operations, quests) {
  query_world w;
  for (int q = 0; q < 5; ++q) w.host.module.quest_flag_words[q] = offerable;
  w.host.module.quest_status_words = {{1, running}, {3, running}, {4, running}};
  w.host.module.quest_givers = {{1, 7}, {3, 7}, {4, 8}};
  w.host.module.quest_flag_words[4] = 0;

  // The partner's running quest with the highest number.
  g_conversation.partner_troop = 7;
  EXPECT_EQ(w.query(2240, {}), 3);
  g_conversation.partner_troop = 8;  // its quest cannot be offered
  EXPECT_EQ(w.query(2240, {}), -1);
  g_conversation.partner_troop = -1;

  // Random quests: p1 = p2 tests quest p1 alone.
  EXPECT_EQ(w.query(2250, {2, 2}), 2);
  EXPECT_EQ(w.query(2250, {1, 1}), -1);
  EXPECT_EQ(w.query(2250, {0, 0}), 0);
  // In [1, 4) only quest 2 is offerable and not running.
  for (int i = 0; i < 20; ++i) EXPECT_EQ(w.query(2250, {1, 4}), 2);
  // Past the table nothing fits.
  EXPECT_EQ(w.query(2250, {7, 9}), -1);

  // Quest words; every quest id is checked, also for words 3 and 2.
  w.host.module.quest_words = {{{1, 1}, 3600}, {{1, 2}, 11}, {{1, 3}, 12}};
  EXPECT_EQ(w.query(2263, {1}), 3600);
  EXPECT_EQ(w.query(2262, {1}), 11);
  EXPECT_EQ(w.query(2261, {1}), 12);
  w.host.ui.messages.clear();
  EXPECT_EQ(w.query(2261, {5}), -777);
  EXPECT_EQ(w.query(2262, {-1}), -777);
  EXPECT_EQ(errors(w.host), 2u);
}

TEST(query_operations, upgrade_line_picks) {
  query_world w;
  // 1 -> 2 -> 3; 5 -> 6 with 7 as its second upgrade; 8 -> 9 -> 8 in a circle.
  w.host.module.upgrades = {{1, {2, 0}}, {2, {3, 0}}, {3, {0, 0}}, {5, {6, 7}}, {6, {0, 0}}, {7, {0, 0}},
                            {8, {9, 0}}, {9, {8, 0}}, {4, {0, 0}}};
  // A level-0 player: n = 1, so r = 1: the troop after the first.
  w.host.module.troop_records[0].level = 0;
  EXPECT_EQ(w.query(2251, {1}), 2);
  EXPECT_EQ(w.query(2251, {3}), 3);  // a line of one: the last troop
  EXPECT_EQ(w.query(2251, {4}), 4);
  EXPECT_EQ(w.query(2251, {5}), 6);
  EXPECT_EQ(w.query(2252, {5}), 7);
  EXPECT_EQ(w.query(2251, {8}), 9);
  // A level-9 player: n = 4, r from 1 to 4, cut to the line's last troop.
  w.host.module.troop_records[0].level = 9;
  bool seen[10] = {};
  for (int i = 0; i < 200; ++i) {
    const std::int64_t t = w.query(2251, {1});
    ASSERT_TRUE(t == 2 || t == 3) << t;
    seen[t] = true;
  }
  EXPECT_TRUE(seen[2] && seen[3]);
  EXPECT_EQ(w.query(2251, {10}), -777);
}

TEST(query_operations, random_other_parties) {
  query_world w;
  w.host.campaign.words.encountered_party = 5;
  for (int i = 0; i < 20; ++i) EXPECT_EQ(w.query(2254, {5, 7}), 6);
  // Only the encountered party in range: the pick gives up with 0.
  EXPECT_EQ(w.query(2254, {5, 6}), 0);
  // Two different picks when the range allows them.
  w.host.campaign.words.encountered_party = -1;
  w.run(2255, {3, 5});
  EXPECT_TRUE(g_script_state.registers[0] == 3 || g_script_state.registers[0] == 4);
  EXPECT_EQ(g_script_state.registers[1], 7 - g_script_state.registers[0]);
  // One party: the second pick keeps the last one it drew.
  w.run(2255, {4, 5});
  EXPECT_EQ(g_script_state.registers[0], 4);
  EXPECT_EQ(g_script_state.registers[1], 4);
}

TEST(query_operations, random_items_of_types) {
  query_world w;
  constexpr std::uint32_t merchandise = 0x10000;
  w.host.module.item_flag_words = {{0, 1 | merchandise}, {1, 2 | merchandise | 0x1000}, {2, 13 | merchandise},
                                   {3, 3}};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(w.query(2257, {}), 0);
    EXPECT_EQ(w.query(2259, {}), 2);
  }
  // A one-handed weapon not for sale and a two-handed one no merchant sells:
  // nothing of those types can be picked, and the pick gives up.
  EXPECT_EQ(w.query(2258, {}), -1);
}

TEST(query_operations, hour_and_night) {
  query_world w;
  const std::pair<int, bool> rows[] = {{0, true}, {3, true}, {4, false}, {19, false}, {20, true}, {23, true}};
  for (const auto& [hour, night] : rows) {
    w.host.campaign.hour = hour;
    EXPECT_EQ(w.query(2271, {}), hour);
    EXPECT_EQ(w.run(2273, {}), night) << hour;
  }
}

TEST(query_operations, parties_and_templates) {
  query_world w;
  w.host.campaign.find(0)->x = 1.0f;
  w.host.campaign.find(0)->y = 1.0f;
  w.host.campaign.find(1)->x = 4.0f;
  w.host.campaign.find(1)->y = 5.0f;
  w.host.campaign.find(2)->x = 2.5f;
  w.host.campaign.find(2)->y = 3.0f;
  EXPECT_EQ(w.query(2281, {0, 1}), 5);
  // 2.5 rounds down.
  EXPECT_EQ(w.query(2281, {0, 2}), 2);

  auto& p = *w.host.campaign.find(3);
  p.words[1] = 4;
  p.words[2] = 5;
  p.words[4] = 7;
  p.words[5] = 8;
  p.target_x = 12.5f;
  p.target_y = -3.0f;
  EXPECT_EQ(w.query(2290, {3}), 4);
  EXPECT_EQ(w.query(2291, {3}), 5);
  EXPECT_EQ(w.query(2293, {3}), 7);
  EXPECT_EQ(w.query(2294, {3}), 8);
  g_script_state.position_registers[4].origin.z = 9.0f;
  w.run(2292, {4, 3});
  EXPECT_EQ(g_script_state.position_registers[4].origin.x, 12.5f);
  EXPECT_EQ(g_script_state.position_registers[4].origin.y, -3.0f);
  EXPECT_EQ(g_script_state.position_registers[4].origin.z, 0.0f);

  w.host.module.template_words = {{{1, 1}, 6}, {{1, 2}, 2}, {{1, 3}, 1}};
  EXPECT_EQ(w.query(2300, {1}), 6);
  EXPECT_EQ(w.query(2301, {1}), 2);
  EXPECT_EQ(w.query(2302, {1}), 1);
  // An invalid template stores 0 after the report.
  EXPECT_EQ(w.query(2300, {3}), 0);

  // Parties 1 and 4 are active parties of template 2 (6 was removed).
  EXPECT_EQ(w.query(2310, {2}), 2);
  for (int i = 0; i < 20; ++i) {
    EXPECT_TRUE(w.run(2311, {reg(0), 2}));
    EXPECT_TRUE(g_script_state.registers[0] == 1 || g_script_state.registers[0] == 4);
  }
  EXPECT_EQ(w.query(2310, {0}), 0);
  g_script_state.registers[0] = 0;
  EXPECT_FALSE(w.run(2311, {reg(0), 0}));
  EXPECT_EQ(g_script_state.registers[0], -1);
}

// Teams 0 (the player's, 10 agents) and 2 (5 agents) are allies, team 1 (7
// agents) is their enemy; teams 3 to 7 are empty.
struct battle_world : query_world {
  battle_world() {
    auto& m = host.mission;
    m.agents = {true};
    m.player = 0;
    m.teams[0] = 0;
    m.team_members = {{0, 10}, {1, 7}, {2, 5}};
    for (int a = 0; a < 8; ++a) {
      for (int b = 0; b < 8; ++b) m.relations[{a, b}] = -1;
    }
    for (auto [a, b] : {std::pair{0, 0}, {0, 2}, {2, 0}, {2, 2}, {1, 1}}) m.relations[{a, b}] = 1;
  }
};

TEST(query_operations, side_strengths) {
  battle_world w;
  EXPECT_EQ(w.query(2381, {}), 15);
  EXPECT_EQ(w.query(2380, {}), 7);
  EXPECT_EQ(w.query(2382, {}), 0);
  EXPECT_EQ(w.query(2385, {2}), 15);
  EXPECT_EQ(w.query(2385, {8}), 0);
  EXPECT_EQ(w.query(2385, {-1}), 0);
  // The player's side and the other side, by the side word or else the battle flag.
  struct row {
    int side_word, battle_flag;
    std::int64_t player_side, other_side;
  };
  const row rows[] = {{1, 0, 7, 15}, {0, 0, 15, 7}, {-1, 0, 7, 15}, {-1, 5, 15, 7}, {2, 5, 15, 7}};
  for (const row& r : rows) {
    w.host.mission.side_word = r.side_word;
    w.host.mission.battle_flag = r.battle_flag;
    EXPECT_EQ(w.query(2383, {}), r.player_side);
    EXPECT_EQ(w.query(2384, {}), r.other_side);
  }
  // The strength word, signed by the player's team's relation to the side,
  // picks the factor: 15 / 2 = 7.5 rounds down, 7 / 4 = 1.75 rounds up, and
  // a strength never drops below 1.
  w.host.mission.strength = 3;
  w.host.mission.strength_factors = {{3, 2.0f}, {-3, 4.0f}};
  EXPECT_EQ(w.query(2381, {}), 7);
  EXPECT_EQ(w.query(2380, {}), 2);
  w.host.mission.strength_factors = {{3, 100.0f}};
  EXPECT_EQ(w.query(2381, {}), 1);
  // No player agent, or no one on the side: 0.
  w.host.mission.strength_factors.clear();
  w.host.mission.team_members[1] = 0;
  EXPECT_EQ(w.query(2380, {}), 0);
  w.host.mission.player = -1;
  EXPECT_EQ(w.query(2381, {}), 0);
}

TEST(query_operations, teams_and_script_timers) {
  battle_world w;
  EXPECT_EQ(w.query(2360, {}), 2);
  w.host.mission.team_members = {{0, 1}, {7, 0}};
  EXPECT_EQ(w.query(2360, {}), 0);
  w.host.mission.team_members.clear();
  EXPECT_EQ(w.query(2360, {}), -1);

  w.host.mission.timers[0] = 2.5f;
  w.host.mission.timers[1] = 2.6f;
  w.host.mission.timers[2] = 40.0f;
  EXPECT_EQ(w.query(2370, {}), 2);
  EXPECT_EQ(w.query(2371, {}), 3);
  EXPECT_EQ(w.query(2372, {}), 40);
  w.run(2375, {});
  w.run(2377, {});
  w.run(2377, {});
  EXPECT_EQ(w.host.mission.timer_restarts[0], 1);
  EXPECT_EQ(w.host.mission.timer_restarts[1], 0);
  EXPECT_EQ(w.host.mission.timer_restarts[2], 2);
}

TEST(mission_scene_operations, fog_distance_and_colour) {
  query_world w;
  // Without a mission nothing is set.
  w.run(1798, {300, 0});
  EXPECT_TRUE(w.host.mission.fogs.empty());
  w.host.mission.mission_set_up = true;
  w.run(1798, {300, 0});
  w.run(1798, {120, 0xFF000000});
  ASSERT_EQ(w.host.mission.fogs.size(), 2u);
  // 0 takes the skybox's fog colour; any other colour is used as given (black).
  EXPECT_EQ(w.host.mission.fogs[0].distance, 300.0f);
  EXPECT_TRUE(w.host.mission.fogs[0].skybox_colour);
  EXPECT_EQ(w.host.mission.fogs[1].distance, 120.0f);
  EXPECT_FALSE(w.host.mission.fogs[1].skybox_colour);
  EXPECT_EQ(w.host.mission.fogs[1].colour, 0xFF000000u);
}

}  // namespace
}  // namespace hm
