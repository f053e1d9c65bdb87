// The party screen's actions over the sample module's new game, priced by the
// program's own rules with the module's price scripts unmapped (so the
// engine's rules answer): hiring and selling against the player's gold,
// upgrades in place and into a new stack with the wounded kept, moves refused
// by a full party, the leader kept, and the reset that puts both parties back.
#include <gtest/gtest.h>

#include <vector>

#include "../../mission/support/sample_game.h"
#include "campaign/party/campaign_state.h"
#include "script/game_hooks.h"
#include "ui/party/party_window.h"
#include "ui/party/party_window_model.h"
#include "ui/party/script_trade_rules.h"

namespace hm {
namespace {

constexpr game_hook_code price_hooks[] = {
    game_hook_code::game_get_troop_wage,       game_hook_code::game_get_join_cost,
    game_hook_code::game_get_prisoner_price,   game_hook_code::game_check_prisoner_can_be_sold,
    game_hook_code::game_get_total_wage,       game_hook_code::game_get_party_companion_limit,
    game_hook_code::game_get_party_prisoner_limit};

class PartyWindowModel : public ::testing::Test {
 protected:
  void SetUp() override {
    test::the_sample();
    for (game_hook_code h : price_hooks) {
      saved_hooks.push_back(g_hook_script_map[static_cast<int>(h)]);
      set_hook_script(h, -1);
    }
    farmer = test::troop_index("trp_farmer");
    swordsman = test::troop_index("trp_swordsman");
    looter = test::troop_index("trp_looter");
    merchant = test::troop_index("trp_merchant");
    ASSERT_GE(farmer, 0);
    ASSERT_GE(looter, 0);
    ASSERT_EQ(g_game->troops[static_cast<std::size_t>(farmer)].upgrade_troop_1, swordsman);
    // The player's party: the player alone, then what each test adds.
    player_party().stacks.assign(party_stack_reserve, troop_stack{});
    player_party().stack_count = 0;
    player_party().flags &= ~party_flag_limits;
    player_party().add_troop_stack(game(), game().player_troop, 1, 0, 0, true);
    player_troop().gold = 0;
  }
  void TearDown() override {
    for (std::size_t i = 0; i < std::size(price_hooks); ++i) set_hook_script(price_hooks[i], saved_hooks[i]);
  }
  campaign_state& game() { return test::the_sample().campaign->state; }
  party& player_party() { return *game().find_party(game().player_party); }
  troop& player_troop() { return g_game->troops[static_cast<std::size_t>(game().player_troop)]; }
  // A new party outside the map holding count of the troop.
  party& band(int troop, int count, bool prisoners = false) {
    const std::int32_t id = game().parties.take_free_party();
    party& p = *game().parties.get_party_by_id(id);
    p.reset();
    p.add_troop_stack(game(), troop, count, prisoners ? stack_flag_prisoners : 0, 0, true);
    return p;
  }
  // The engine's wage and join cost of a troop: level^2 / 20 + 25, then five
  // wages and 2.
  static std::int32_t engine_join_cost(int troop) {
    const std::int64_t level = g_game->troops[static_cast<std::size_t>(troop)].level;
    return static_cast<std::int32_t>((level * level / 20 + 25) * 5 + 2);
  }

  std::vector<std::int32_t> saved_hooks;
  script_trade_rules rules;
  int farmer = -1, swordsman = -1, looter = -1, merchant = -1;
};

TEST_F(PartyWindowModel, HiringTakesTheJoinCostUntilTheGoldRunsOut) {
  party& source = band(looter, 5);
  game().mercenary_source_party = source.id;
  const std::int32_t cost = engine_join_cost(looter);
  player_troop().gold = 2 * cost + cost / 2;
  g_game->troops[static_cast<std::size_t>(merchant)].gold = 0;
  party_window_model m(game(), rules);
  m.partner_troop = merchant;
  ASSERT_TRUE(m.open(party_mode::hire, -1, source.id));
  m.select(1, 0, 0);
  const party_window_buttons b = m.refresh();
  EXPECT_STREQ(b.move_label, "ui_hire");
  EXPECT_TRUE(b.move_enabled);
  EXPECT_STREQ(b.cost_key, "ui_joining_cost_weekly_wage");
  EXPECT_EQ(b.cost_values[0], cost);
  // The whole stack asked for: two can be paid, the third cannot.
  EXPECT_EQ(m.move_selected(true), 2);
  EXPECT_EQ(player_troop().gold, cost / 2);
  EXPECT_EQ(g_game->troops[static_cast<std::size_t>(merchant)].gold, 2 * cost);
  EXPECT_EQ(source.stacks[0].count, 3);
  EXPECT_EQ(player_party().count_troop(looter, false), 2);
  m.select(1, 0, 0);
  const party_window_buttons poor = m.refresh();
  EXPECT_FALSE(poor.move_enabled);
  EXPECT_STREQ(poor.notification, "ui_notification_cant_hire");
  // The player's own troops are never sold back in the hiring mode.
  m.select(0, 0, 1);
  EXPECT_FALSE(m.refresh().move_shown);
}

TEST_F(PartyWindowModel, HiringWithoutASourcePartyIsRefused) {
  party_window_model m(game(), rules);
  EXPECT_FALSE(m.open(party_mode::hire, -1, -12345));
}

TEST_F(PartyWindowModel, SellingPaysForPrisonersAndNeverForMembers) {
  player_party().add_troop_stack(game(), farmer, 2, 0, 0, true);
  player_party().add_troop_stack(game(), looter, 3, stack_flag_prisoners, 0, true);
  party_window_model m(game(), rules);
  ASSERT_TRUE(m.open(party_mode::sell_prisoners, -1, -1));
  // A member cannot be sold.
  m.select(0, 0, 1);
  EXPECT_FALSE(m.refresh().move_enabled);
  EXPECT_EQ(m.move_selected(false), 0);
  m.select(0, 1, 0);
  const party_window_buttons b = m.refresh();
  EXPECT_STREQ(b.move_label, "ui_sell");
  EXPECT_STREQ(b.cost_key, "ui_price");
  EXPECT_EQ(b.cost_values[0], default_prisoner_price);
  EXPECT_EQ(m.move_selected(true), 3);
  EXPECT_EQ(player_troop().gold, 3 * default_prisoner_price);
  EXPECT_EQ(player_party().count_prisoners(), 0);
  EXPECT_EQ(game().find_party(m.partner_party())->count_prisoners(), 3);
  EXPECT_EQ(m.selected_stack(), -1);
}

TEST_F(PartyWindowModel, UpgradingOneOfOneReplacesTheStackInPlace) {
  player_party().add_troop_stack(game(), farmer, 1, 0, 0, true);
  player_party().add_troop_stack(game(), looter, 2, 0, 0, true);
  player_party().stacks[1].ready_to_upgrade = 1;
  player_party().stacks[1].experience_pool = 40.0f;
  party_window_model m(game(), rules);
  ASSERT_TRUE(m.open(party_mode::control, -1, -1));
  m.select(0, 0, 1);
  const party_window_buttons b = m.refresh();
  ASSERT_TRUE(b.upgrades[0].shown);
  EXPECT_EQ(b.upgrades[0].troop, swordsman);
  EXPECT_TRUE(b.upgrades[0].enabled);
  EXPECT_FALSE(b.upgrades[1].shown);
  ASSERT_TRUE(m.upgrade_selected(0));
  ASSERT_EQ(player_party().stack_count, 3);
  EXPECT_EQ(player_party().stacks[1].troop, swordsman);
  EXPECT_EQ(player_party().stacks[1].count, 1);
  EXPECT_EQ(player_party().stacks[1].ready_to_upgrade, 0);
  EXPECT_EQ(player_party().stacks[1].experience_pool, 0.0f);
  EXPECT_EQ(player_party().stacks[2].troop, looter);
}

TEST_F(PartyWindowModel, UpgradingOneOfManyAddsAStackAndKeepsTheWounded) {
  struct row {
    int wounded;
    int new_wounded;  // the upgraded troop's wounded count
  };
  for (const row r : {row{2, 0}, row{5, 1}}) {
    SCOPED_TRACE(r.wounded);
    SetUp();
    player_party().add_troop_stack(game(), farmer, 5, 0, r.wounded, true);
    player_party().stacks[1].ready_to_upgrade = 2;
    party_window_model m(game(), rules);
    ASSERT_TRUE(m.open(party_mode::control, -1, -1));
    m.select(0, 0, 1);
    ASSERT_TRUE(m.upgrade_selected(0));
    ASSERT_EQ(player_party().stack_count, 3);
    EXPECT_EQ(player_party().stacks[1].troop, farmer);
    EXPECT_EQ(player_party().stacks[1].count, 4);
    EXPECT_EQ(player_party().stacks[1].ready_to_upgrade, 1);
    EXPECT_EQ(player_party().stacks[2].troop, swordsman);
    EXPECT_EQ(player_party().stacks[2].count, 1);
    EXPECT_EQ(player_party().stacks[2].wounded, r.new_wounded);
  }
}

TEST_F(PartyWindowModel, NoUpgradeWithoutReadyTroops) {
  player_party().add_troop_stack(game(), farmer, 3, 0, 0, true);
  party_window_model m(game(), rules);
  ASSERT_TRUE(m.open(party_mode::control, -1, -1));
  m.select(0, 0, 1);
  EXPECT_FALSE(m.refresh().upgrades[0].enabled);
  EXPECT_FALSE(m.upgrade_selected(0));
  EXPECT_EQ(player_party().stacks[1].troop, farmer);
  EXPECT_EQ(player_party().stacks[1].count, 3);
}

TEST_F(PartyWindowModel, AFullPartyRefusesTheTroopAndNothingChanges) {
  // Without prisoner management the player's party has no room for captives.
  party& enemy = band(looter, 2, true);
  player_party().flags |= party_flag_limits;
  const int skill = player_troop().get_raw_skill_level(2);
  player_troop().set_skill_level(2, 0);
  party_window_model m(game(), rules);
  ASSERT_TRUE(m.open(party_mode::after_battle, enemy.id, -1));
  m.select(1, 1, 0);
  const party_window_buttons b = m.refresh();
  EXPECT_STREQ(b.move_label, "ui_capture");
  EXPECT_FALSE(b.move_enabled);
  EXPECT_STREQ(b.notification, "ui_party_capcity_reached");
  EXPECT_EQ(m.move_selected(true), 0);
  EXPECT_EQ(enemy.stacks[0].count, 2);
  EXPECT_EQ(player_party().count_prisoners(), 0);
  player_troop().set_skill_level(2, skill);
}

TEST_F(PartyWindowModel, TheLeaderStaysAndReorderingStopsBelowIt) {
  player_party().add_troop_stack(game(), farmer, 2, 0, 0, true);
  player_party().add_troop_stack(game(), looter, 2, 0, 0, true);
  party_window_model m(game(), rules);
  ASSERT_TRUE(m.open(party_mode::control, -1, -1));
  m.select(0, 0, 0);
  const party_window_buttons leader = m.refresh();
  EXPECT_FALSE(leader.move_enabled);
  EXPECT_FALSE(leader.talk_enabled);
  m.select(0, 0, 1);
  const party_window_buttons second = m.refresh();
  EXPECT_FALSE(second.move_up_enabled);
  EXPECT_TRUE(second.move_down_enabled);
  EXPECT_TRUE(second.talk_enabled);
  EXPECT_FALSE(m.swap_selected(-1));
  ASSERT_TRUE(m.swap_selected(1));
  EXPECT_EQ(player_party().stacks[1].troop, looter);
  EXPECT_EQ(player_party().stacks[2].troop, farmer);
  EXPECT_EQ(m.selected_entry(), 2);
}

TEST_F(PartyWindowModel, ResetPutsBothPartiesTheGoldMoraleAndSeedsBack) {
  player_party().add_troop_stack(game(), farmer, 3, 0, 1, true);
  player_party().add_troop_stack(game(), looter, 2, 0, 0, true);
  player_party().morale = 0.7f;
  player_party().hunger = 0.2f;
  game().member_seeds[1][0] = 111;
  game().member_seeds[2][0] = 222;
  player_troop().gold = 40;
  std::vector<troop_stack> before(player_party().stacks.begin(), player_party().stacks.begin() + 3);
  party_window_model m(game(), rules);
  ASSERT_TRUE(m.open(party_mode::control, -1, -1));
  const std::int32_t temporary = m.partner_party();
  const int temporary_looters = game().find_party(temporary)->count_troop(looter, false);
  m.select(0, 0, 1);
  ASSERT_TRUE(m.swap_selected(1));
  m.select(0, 0, 1);
  EXPECT_EQ(m.move_selected(true), 2);
  player_party().morale = 0.1f;
  player_party().hunger = 0.9f;
  player_troop().gold = 0;
  ASSERT_EQ(player_party().stack_count, 2);
  m.reset();
  ASSERT_EQ(player_party().stack_count, 3);
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(player_party().stacks[i].troop, before[i].troop) << i;
    EXPECT_EQ(player_party().stacks[i].count, before[i].count) << i;
    EXPECT_EQ(player_party().stacks[i].wounded, before[i].wounded) << i;
  }
  EXPECT_FLOAT_EQ(player_party().morale, 0.7f);
  EXPECT_FLOAT_EQ(player_party().hunger, 0.2f);
  EXPECT_EQ(player_troop().gold, 40);
  EXPECT_EQ(game().member_seeds[1][0], 111);
  EXPECT_EQ(game().member_seeds[2][0], 222);
  EXPECT_EQ(game().find_party(temporary)->count_troop(looter, false), temporary_looters);
  EXPECT_EQ(m.selected_stack(), -1);
}

TEST(PartyWindowTexts, MoraleBandsAndStarving) {
  struct row {
    float morale;
    const char* key;
  };
  for (const row r : {row{0.0f, "ui_terrible"}, row{0.29f, "ui_low"}, row{0.3f, "ui_below_average"},
                      row{0.4f, "ui_average"}, row{0.59f, "ui_average"}, row{0.6f, "ui_above_average"},
                      row{0.9f, "ui_excellent"}})
    EXPECT_STREQ(party_morale_key(r.morale), r.key) << r.morale;
  // Halves go down.
  EXPECT_EQ(party_starving_percent(0.125f), 12);
  EXPECT_EQ(party_starving_percent(0.126f), 13);
  EXPECT_EQ(party_starving_percent(0.1f), 10);
}

}  // namespace
}  // namespace hm
