#include <gtest/gtest.h>

#include "campaign/party/campaign_state.h"
#include "campaign/support/fake_campaign.h"
#include "engine/core/timer.h"
#include "module/base/module_settings.h"

namespace hm {
namespace {

using test::campaign_fixture;
using test::fake_troop;

class PartyRecoveryTest : public ::testing::Test, public campaign_fixture {
 protected:
  PartyRecoveryTest() {
    fake_troop player;
    player.flags = troop_flag_hero;
    player.health = 100.0f;  // above its maximum of 10 + 35
    game.player_troop = world.add(player);
    regular = world.add_regular();
    bread = static_cast<int>(world.item_kinds.size());
    world.item_kinds.push_back({11, 10, 50});
    horse = static_cast<int>(world.item_kinds.size());
    world.item_kinds.push_back({item_type_horse, 0, 0, 60});
    party& p = new_party();
    p.add_troop_stack(game, game.player_troop, 1, 0, 0, true);
    game.player_party = p.id;
    player_party = &p;
  }
  campaign_item& food() { return world.troops[game.player_troop].food; }
  int regular = 0;
  int bread = 0;
  int horse = 0;
  party* player_party = nullptr;
};

TEST_F(PartyRecoveryTest, NoHealingInBattleNorAttachedToABattle) {
  party& fighting = new_party();
  party& follower = new_party();
  party& free = new_party();
  for (party* p : {&fighting, &follower, &free}) p->add_troop_stack(game, regular, 200, 0, 200, true);
  const int hurt = world.add_hero(0, 10.0f);
  fighting.add_troop_stack(game, hurt, 1, 0, 0, true);
  fighting.map_event = 0;
  ASSERT_TRUE(game.attach_party_to_party(follower.id, fighting.id));
  for (int hour = 0; hour < 24; ++hour) {
    advance_clock(clock_campaign, 1.0f);
    for (party* p : {&fighting, &follower, &free}) game.recover(*p);
  }
  EXPECT_EQ(fighting.stacks[0].wounded, 200);
  EXPECT_EQ(follower.stacks[0].wounded, 200);
  EXPECT_EQ(world.troops[hurt].health, 10.0f);
  // About 4 % an hour heal in the free party.
  EXPECT_LT(free.stacks[0].wounded, 120);
  EXPECT_GT(free.stacks[0].wounded, 40);
}

TEST_F(PartyRecoveryTest, HeroesHealUpToTheirMaximum) {
  fake_troop knight;
  knight.flags = troop_flag_hero;
  knight.strength = 12;
  knight.skills[36] = 20;  // capped at the skill's maximum of 10
  knight.health = 60.0f;
  const int k = world.add(knight);
  party& p = new_party();
  p.add_troop_stack(game, k, 1, 0, 0, true);
  game.recover(p);
  EXPECT_GE(world.troops[k].health, 60.25f);
  EXPECT_LE(world.troops[k].health, 60.75f);
  for (int i = 0; i < 200; ++i) game.recover(p);
  EXPECT_EQ(world.troops[k].health, 12.0f + 35.0f + 20.0f);

  // The player heals (3 - healing option) times as fast.
  world.troops[game.player_troop].health = 5.0f;
  game.healing_option = 0;
  game.recover(*player_party);
  EXPECT_GE(world.troops[game.player_troop].health, 5.75f);
  EXPECT_LE(world.troops[game.player_troop].health, 7.25f);
}

TEST_F(PartyRecoveryTest, FiftyMembersEatOneServingThenThreeWhenHungry) {
  player_party->add_troop_stack(game, regular, 49, 0, 0, true);
  player_party->add_troop_stack(game, regular, 30, stack_flag_prisoners, 0, true);
  food() = {bread, 0};
  game.recover(*player_party);
  EXPECT_EQ(food().word & 0xFF, 1u);
  EXPECT_EQ(player_party->hunger, 0.0f);
  EXPECT_FLOAT_EQ(player_party->morale, 0.5f + 50 * 8e-6f);

  // Hungry: three servings a step, and hunger falls by 0.13.
  player_party->hunger = 0.5f;
  player_party->morale = 0.5f;
  game.recover(*player_party);
  EXPECT_EQ(food().word & 0xFF, 4u);
  EXPECT_FLOAT_EQ(player_party->hunger, 0.37f);
  EXPECT_FLOAT_EQ(player_party->morale, 0.5f - 0.002f + 50 * 8e-6f);

  // The last serving empties the slot.
  food().word = 9;
  game.recover(*player_party);
  EXPECT_EQ(food().kind, -1);
  // A large bag holds 13 % more, at least one serving more.
  food() = {bread, (std::uint32_t{item_modifier_large_bag} << 24) | 10};
  player_party->hunger = 0.0f;
  game.recover(*player_party);
  EXPECT_EQ(food().kind, -1);
}

TEST_F(PartyRecoveryTest, AWeekWithoutFoodPinsHungerAndMorale) {
  player_party->add_troop_stack(game, regular, 20, 0, 0, true);
  player_party->morale = 0.2f;
  int hungry_steps = 0;
  for (int hour = 0; hour < 7 * 24; ++hour) {
    advance_clock(clock_campaign, 1.0f);
    const float morale = player_party->morale;
    game.recover(*player_party);
    if (player_party->hunger > 0.1f && morale > 0.0f) {
      ++hungry_steps;
      EXPECT_NEAR(player_party->morale, std::max(morale - 0.002f, 0.0f), 1e-6f) << hour;
    }
  }
  EXPECT_GT(hungry_steps, 90);
  EXPECT_EQ(player_party->hunger, 1.0f);
  EXPECT_EQ(player_party->morale, 0.0f);
  EXPECT_EQ(clock_ticks(clock_campaign), 168 * ticks_per_unit);

  // Resting: no food eaten and hunger falls; the switch turns it all off.
  game.rest_time = 5.0f;
  game.rest_flag = 1;
  game.recover(*player_party);
  EXPECT_FLOAT_EQ(player_party->hunger, 0.97f);
  g_module_settings.disable_food_slot = 1;
  game.rest_flag = 0;
  game.recover(*player_party);
  EXPECT_FLOAT_EQ(player_party->hunger, 0.97f);
}

TEST_F(PartyRecoveryTest, LameHorsesRecover) {
  fake_troop& player = world.troops[game.player_troop];
  player.skills[11] = 10;
  // A lame horse down to 12 of its 60 hit points.
  const std::uint32_t lame = std::uint32_t{item_modifier_lame} << 24;
  player.inventory = {{horse, lame | 12}, {bread, lame}};
  // Party skill 14: 1.4 % a step, 2.1 % while not resting.
  for (int i = 0; i < 1000 && (player.inventory[0].word >> 24) != 0; ++i) game.recover(*player_party);
  // Whole again: no modifier, and all 60 hit points.
  EXPECT_EQ(player.inventory[0].word, 60u);
  EXPECT_EQ(player.inventory[0].kind, horse);
  EXPECT_EQ(player.inventory[1].word >> 24, std::uint32_t{item_modifier_lame});
}

}  // namespace
}  // namespace hm
