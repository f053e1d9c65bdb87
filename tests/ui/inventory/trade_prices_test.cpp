// Trade prices worked by hand from the rule: the buying factor
// (1 - r') x t + 1 and its inverse for selling, t = (1 - 0.06 s) x 1.25
// (x 1.9 when selling, 0.25 - 0.01 s for goods), rounding half down, never
// below 1; the plain value; the module's price-factor scripts.
#include <gtest/gtest.h>

#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "script/game_hooks.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"
#include "ui/inventory/trade_prices.h"

namespace hm {
namespace {

constexpr std::uint32_t consumable_amount = 0x2000000;

class TradePrices : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_modifier = g_item_modifiers[3];
    g_item_modifiers[3].price_factor = 1.5f;
    g_item_kinds.clear();
    add_kind(item_type::one_handed, 100);      // 0
    add_kind(item_type::goods, 100);           // 1
    add_kind(item_type::one_handed, 1);        // 2
    add_kind(item_type::one_handed, 0);        // 3
    add_kind(item_type::goods, 100, consumable_amount, 10);  // 4
    add_kind(item_type::body_armor, 100).price_factor = 2.0f;  // 5
    clear_hook_script_map();
  }
  void TearDown() override {
    g_item_modifiers[3] = saved_modifier;
    g_item_kinds.clear();
    clear_hook_script_map();
    g_game.reset();
  }
  static item_kind& add_kind(int type, int value, std::uint32_t flags = 0, int max_ammo = 0) {
    item_kind& k = g_item_kinds.emplace_back();
    k.flags = static_cast<std::uint32_t>(type) | flags;
    k.value = value;
    k.max_ammo = max_ammo;
    return k;
  }
  static item it(int kind, int modifier = 0, int used = 0) {
    item i{kind, static_cast<std::uint32_t>(used)};
    i.set_modifier(modifier);
    return i;
  }
  item_modifier saved_modifier;
};

TEST_F(TradePrices, EngineRuleTable) {
  struct row {
    const char* what;
    item i;
    int skill;
    float relation;
    bool selling;
    bool value_only;
    bool kind_factor;
    std::int32_t expected;
  };
  const row rows[] = {
      // 100 x 2.25
      {"buy, no skill", it(0), 0, 0.0f, false, false, true, 225},
      // t = 0.88 x 1.25 = 1.1: 100 x 2.1
      {"buy, skill 2", it(0), 2, 0.0f, false, false, true, 210},
      // 100 / 3.375 = 29.63
      {"sell, no skill", it(0), 0, 0.0f, true, false, true, 30},
      // t = 1.1 x 1.9 = 2.09: 100 / 3.09 = 32.36
      {"sell, skill 2", it(0), 2, 0.0f, true, false, true, 32},
      // goods: t = 0.25, no selling factor: 100 x 1.25, 100 / 1.25
      {"goods buy", it(1), 0, 0.0f, false, false, true, 125},
      {"goods sell", it(1), 0, 0.0f, true, false, true, 80},
      // goods, skill 5: t = 0.2: 100 x 1.2, 100 / 1.2 = 83.3
      {"goods buy, skill 5", it(1), 5, 0.0f, false, false, true, 120},
      {"goods sell, skill 5", it(1), 5, 0.0f, true, false, true, 83},
      // r = 0.5 counts 0.25: 0.75 x 1.25 + 1 = 1.9375: 193.75
      {"friendly", it(0), 0, 0.5f, false, false, true, 194},
      // r = -0.5 counts -1.5: 2.5 x 1.25 + 1 = 4.125: 412.5 rounds down
      {"hostile", it(0), 0, -0.5f, false, false, true, 412},
      // below -1 counts -3: 4 x 1.25 + 1 = 6
      {"very hostile", it(0), 0, -2.0f, false, false, true, 600},
      // above 1 counts 0.5: 0.5 x 1.25 + 1 = 1.625: 162.5 rounds down
      {"very friendly", it(0), 0, 2.0f, false, false, true, 162},
      // 1 / 3.375 rounds to 0, held at 1
      {"never below 1", it(2), 0, 0.0f, true, false, true, 1},
      {"no base price", it(3), 0, 0.0f, false, false, true, 0},
      {"no item", it(-1), 0, 0.0f, false, false, true, 0},
      // modifier factor 1.5: 150 x 2.25 = 337.5 rounds down
      {"modifier", it(0, 3), 0, 0.0f, false, false, true, 337},
      // 6 of 10 left: 60 x 1.25 (goods)
      {"amount left", it(4, 0, 4), 0, 0.0f, false, false, true, 75},
      // the kind's own factor 2.0 only with the kind factor
      {"kind factor", it(5), 0, 0.0f, false, false, true, 450},
      {"kind factor unused", it(5), 0, 0.0f, false, false, false, 225},
      // plain value: truncated, at least 1
      {"value", it(0, 3), 4, -2.0f, true, true, true, 150},
      {"value of what is left", it(4, 0, 4), 0, 0.0f, false, true, true, 60},
  };
  for (const row& r : rows)
    EXPECT_EQ(compute_item_trade_price(r.i, r.skill, r.relation, r.selling, r.value_only, r.kind_factor), r.expected)
        << r.what;
}

// The module's factor replaces skill, relation and the kind's factor; its
// script sees the price after amount and modifier.
TEST_F(TradePrices, ScriptFactorTakesOver) {
  test::fake_script_host host;
  // The buy script answers 80 percent and leaves the price it was shown in
  // register 0; the sell script is missing (engine rule).
  host.module.scripts.push_back(test::make_block(
      {{2075, {80}}, {23, {test::reg(0), 2}}}));
  set_hook_script(game_hook_code::game_get_item_buy_price_factor, 0);
  EXPECT_EQ(compute_item_trade_price(it(0, 3), 3, -2.0f, false, false, true), 120);  // 150 x 0.8
  EXPECT_EQ(g_script_state.registers[0], 150);
  EXPECT_EQ(compute_item_trade_price(it(0), 0, 0.0f, true, false, true), 30);
}

// The running game's price takes the player's party's trade skill and the
// merchant faction's relation.
TEST_F(TradePrices, RunningGameGathersSkillAndRelation) {
  test::fake_script_host host;
  host.campaign.add_party(0);
  host.campaign.player_party_id = 0;
  host.campaign.slots[0].skills[0] = 2;
  g_game = std::make_unique<game>();
  g_game->factions.resize(2);
  g_game->factions[1].relations[0] = -0.5f;
  g_game->troops.resize(2);
  g_game->troops[1].faction = 1;
  // t = 1.1; r' = -1.5: 2.5 x 1.1 + 1 = 3.75
  EXPECT_EQ(get_item_trade_price(it(0), 1, false, false, true), 375);
  // A merchant outside the table trades at relation 0.
  EXPECT_EQ(get_item_trade_price(it(0), 9, false, false, true), 210);
}

}  // namespace
}  // namespace hm
