#include <gtest/gtest.h>

#include "campaign/party/campaign_state.h"
#include "campaign/support/fake_campaign.h"
#include "module/records/party_template.h"

namespace hm {
namespace {

using test::campaign_fixture;
using test::fake_troop;
using stacks = std::vector<std::array<int, 3>>;

class PartyWindowTest : public ::testing::Test, public campaign_fixture {
 protected:
  PartyWindowTest() {
    for (int i = 0; i < 4; ++i) {
      party_template t;
      t.id = ruv_string(("pt_" + std::to_string(i)).c_str());
      t.name = ruv_string("Released");
      g_party_templates.push_back(t);
    }
    regular = world.add_regular();
    other_regular = world.add_regular();
    player = &new_party();
    other = &new_party();
    game.player_party = player->id;
    game.other_party = other->id;
  }
  int regular = 0;
  int other_regular = 0;
  party* player = nullptr;
  party* other = nullptr;
};

TEST_F(PartyWindowTest, MovingTheLastTroopRemovesTheStackAndShiftsTheSeeds) {
  player->add_troop_stack(game, regular, 1, 0, 0, true);
  player->add_troop_stack(game, other_regular, 2, 0, 0, true);
  for (int i = 0; i < 3; ++i) game.member_seeds[i][0] = 500 + i;
  const troop_move_result r = game.move_party_troop(player->id, 0, other->id);
  EXPECT_TRUE(r.moved);
  EXPECT_TRUE(r.source_removed);
  EXPECT_FALSE(r.counted_troop);
  EXPECT_EQ(stacks_of(*player), (stacks{{other_regular, 2, 0}}));
  EXPECT_EQ(game.member_seeds[0][0], 501);
  EXPECT_EQ(stacks_of(*other), (stacks{{regular, 1, 0}}));
  EXPECT_EQ(other->stacks[0].mission_counter, 1);

  // Into the player's party: the new member slot gets a seed of its own.
  game.member_seeds[1][0] = -7;
  const troop_move_result back = game.move_party_troop(other->id, 0, player->id);
  EXPECT_TRUE(back.moved);
  EXPECT_EQ(stacks_of(*player), (stacks{{other_regular, 2, 0}, {regular, 1, 0}}));
  EXPECT_NE(game.member_seeds[1][0], -7);
  EXPECT_EQ(other->stack_count, 0);
}

TEST_F(PartyWindowTest, StackSeedsAreStoredForThePlayerAndHashedForOthers) {
  game.member_seeds[3][31] = 4321;
  EXPECT_EQ(game.get_party_stack_seed(player->id, 3, 31), 4321);
  // Past the table the player's party has no stored seed either.
  for (const auto& [stack, slot] : {std::pair{32, 0}, std::pair{0, 32}, std::pair{-1, 0}, std::pair{0, -1}}) {
    EXPECT_EQ(game.get_party_stack_seed(player->id, stack, slot),
              get_party_stack_seed_hash(player->id, stack, slot));
  }
  // Another party: the same arguments give the same value, neighbours differ,
  // and the stored table is not read.
  game.member_seeds[0][0] = 77;
  const std::int32_t first = game.get_party_stack_seed(other->id, 0, 0);
  EXPECT_EQ(first, game.get_party_stack_seed(other->id, 0, 0));
  EXPECT_EQ(first, get_party_stack_seed_hash(other->id, 0, 0));
  int distinct = 0;
  for (int slot = 1; slot < 16; ++slot) distinct += game.get_party_stack_seed(other->id, 0, slot) != first ? 1 : 0;
  EXPECT_GE(distinct, 14);
  for (int party = -3; party < 40; ++party) {
    for (int stack = 0; stack < 40; stack += 7) {
      const std::int32_t v = get_party_stack_seed_hash(party, stack, party + stack);
      EXPECT_GE(v, 0);
      EXPECT_LE(v, 32767);
    }
  }
}

TEST_F(PartyWindowTest, WoundedAndCountedTroopsKeepTheirTotals) {
  player->add_troop_stack(game, regular, 5, 0, 3, true);
  player->stacks[0].mission_counter = 1;
  other->add_troop_stack(game, other_regular, 2, stack_flag_prisoners, 0, true);
  for (int i = 0; i < 2; ++i) {
    const troop_move_result r = game.move_party_troop(player->id, 0, other->id);
    EXPECT_TRUE(r.moved);
    EXPECT_EQ(r.counted_troop, i == 0);
  }
  EXPECT_EQ(player->stacks[0].wounded + other->stacks[0].wounded, 3);
  EXPECT_EQ(player->stacks[0].count, 3);
  EXPECT_EQ(player->stacks[0].mission_counter, 0);
  // The moved members stand in front of the other party's prisoners.
  EXPECT_EQ(stacks_of(*other), (stacks{{regular, 2, 0}, {other_regular, 2, 1}}));
  EXPECT_EQ(other->stacks[0].wounded, 2);
  EXPECT_EQ(other->stacks[0].mission_counter, 1);
}

TEST_F(PartyWindowTest, AFullDestinationRefusesTheTroopAndChangesNothing) {
  player->add_troop_stack(game, regular, 3, 0, 1, true);
  // Leaderless with limits: room for the base companion limit of 5 only.
  other->flags = party_flag_limits;
  other->add_troop_stack(game, other_regular, 5, 0, 0, true);
  const troop_move_result r = game.move_party_troop(player->id, 0, other->id);
  EXPECT_FALSE(r.moved);
  EXPECT_EQ(stacks_of(*player), (stacks{{regular, 3, 0}}));
  EXPECT_EQ(player->stacks[0].wounded, 1);
  EXPECT_EQ(stacks_of(*other), (stacks{{other_regular, 5, 0}}));
  // Bad stacks and parties are refused too.
  EXPECT_FALSE(game.move_party_troop(player->id, 1, other->id).moved);
  EXPECT_FALSE(game.move_party_troop(player->id, 0, player->id).moved);
  EXPECT_FALSE(game.move_party_troop(player->id, 0, 4711).moved);
}

TEST_F(PartyWindowTest, ScatteringReleasesRegularsTogetherAndEachHeroAlone) {
  fake_troop captive;
  captive.flags = troop_flag_hero;
  captive.name = "Sir Edric";
  const int hero_prisoner = world.add(captive);
  captive.name = "Dame Ysolde";
  const int hero_member = world.add(captive);
  player->position = vec3(3.0f, 4.0f, 0.0f);
  other->add_troop_stack(game, regular, 10, 0, 2, true);
  other->add_troop_stack(game, hero_member, 1, 0, 0, true);
  other->add_troop_stack(game, hero_prisoner, 1, stack_flag_prisoners, 0, true);
  const std::int32_t before = game.parties.next_id();
  game.scatter_party_members();
  ASSERT_EQ(game.parties.next_id(), before + 3);
  const party& regulars = *game.find_party(before);
  EXPECT_EQ(regulars.template_index, 1);
  EXPECT_EQ(regulars.position.x, 3.0f);
  EXPECT_EQ(stacks_of(regulars), (stacks{{regular, 10, 0}}));
  EXPECT_EQ(regulars.stacks[0].wounded, 0);
  const party& freed_member = *game.find_party(before + 1);
  EXPECT_EQ(freed_member.template_index, 1);
  EXPECT_EQ(freed_member.name.view(), "Dame Ysolde");
  EXPECT_EQ(stacks_of(freed_member), (stacks{{hero_member, 1, 0}}));
  const party& freed_prisoner = *game.find_party(before + 2);
  EXPECT_EQ(freed_prisoner.template_index, 2);
  EXPECT_EQ(freed_prisoner.name.view(), "Sir Edric");
  EXPECT_EQ(stacks_of(freed_prisoner), (stacks{{hero_prisoner, 1, 0}}));
  EXPECT_EQ(other->stack_count, 0);
  EXPECT_EQ(other->stacks.size(), 32u);

  // One hero prisoner and nothing else makes one party.
  other->add_troop_stack(game, hero_prisoner, 1, stack_flag_prisoners, 0, true);
  game.scatter_party_members();
  EXPECT_EQ(game.parties.next_id(), before + 4);
}

}  // namespace
}  // namespace hm
