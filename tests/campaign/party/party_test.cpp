#include "campaign/party/party.h"

#include <gtest/gtest.h>

#include "campaign/support/fake_campaign.h"
#include "module/base/module_settings.h"

namespace hm {
namespace {

using test::campaign_fixture;
using test::fake_troop;
using stacks = std::vector<std::array<int, 3>>;

class PartyTest : public ::testing::Test, public campaign_fixture {};

TEST_F(PartyTest, NewMemberStacksGoBeforePrisonersAndReturnTheirFinalIndex) {
  const int a = world.add_regular();
  const int b = world.add_regular();
  const int c = world.add_regular();
  party& p = new_party();
  EXPECT_EQ(p.add_troop_stack(game, a, 4, 0, 0, true), 0);
  // The same troop as prisoners gets its own stack after the members.
  EXPECT_EQ(p.add_troop_stack(game, a, 5, stack_flag_prisoners, 0, true), 1);
  EXPECT_EQ(p.add_troop_stack(game, b, 2, stack_flag_prisoners, 0, true), 2);
  // A new member troop is appended at 3 and moves in front of both prisoner
  // stacks: the result names where it stands now.
  const int index = p.add_troop_stack(game, c, 7, 0, 1, true);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(p.stacks[index].troop, c);
  EXPECT_EQ(stacks_of(p), (stacks{{a, 4, 0}, {c, 7, 0}, {a, 5, 1}, {b, 2, 1}}));
  // Adding to an existing stack adds count and wounded.
  EXPECT_EQ(p.add_troop_stack(game, c, 3, 0, 2, true), 1);
  EXPECT_EQ(p.stacks[1].count, 10);
  EXPECT_EQ(p.stacks[1].wounded, 3);
  EXPECT_EQ(p.count_members(), 14);
  EXPECT_EQ(p.count_member_stacks(), 2);
  EXPECT_EQ(p.count_prisoners(), 7);
  EXPECT_EQ(p.count_prisoner_stacks(), 2);
  // Nothing to add, a bad troop or a negative count change nothing.
  EXPECT_EQ(p.add_troop_stack(game, a, 0, 0, 0, true), 0);
  EXPECT_EQ(p.add_troop_stack(game, 99, 1, 0, 0, true), -1);
  EXPECT_EQ(p.add_troop_stack(game, a, -3, 0, 0, true), -1);
  EXPECT_EQ(p.count_members(), 14);
}

TEST_F(PartyTest, CountsStopAtTheLargestCountInsteadOfWrapping) {
  constexpr int most = 2147483647;
  const int a = world.add_regular();
  const int b = world.add_regular();
  party& p = new_party();
  EXPECT_EQ(p.add_troop_stack(game, a, most, 0, most, true), 0);
  EXPECT_EQ(p.add_troop_stack(game, a, most, 0, most, true), 0);
  EXPECT_EQ(p.stacks[0].count, most);
  EXPECT_EQ(p.stacks[0].wounded, most);
  EXPECT_EQ(p.add_troops(game, a, 5, 0), 0);
  EXPECT_EQ(p.stacks[0].count, most);
  // Sums over stacks, too.
  EXPECT_EQ(p.add_troop_stack(game, b, most, 0, 0, true), 1);
  EXPECT_EQ(p.add_troop_stack(game, a, most, stack_flag_prisoners, 0, true), 2);
  EXPECT_EQ(p.add_troop_stack(game, b, most, stack_flag_prisoners, 0, true), 3);
  EXPECT_EQ(p.count_members(), most);
  EXPECT_EQ(p.count_prisoners(), most);
  EXPECT_EQ(p.count_members_of_kind(game, 0), most);
  EXPECT_EQ(p.count_members_of_kind(game, kind_able_only), most);  // b's stack, unwounded
  party_troop_totals totals;
  game.count_party_troops_with_attached(p.id, totals);
  EXPECT_EQ(totals.members, most);
  EXPECT_EQ(totals.prisoners, most);
  EXPECT_FLOAT_EQ(p.get_visibility_factor(game), 1.0f);
}

TEST_F(PartyTest, StackLimitAndCompanionLimits) {
  party& p = new_party();
  for (int i = 0; i < party_max_stacks; ++i) {
    const int t = world.add_regular();
    ASSERT_EQ(p.add_troop_stack(game, t, 1, 0, 0, true), i);
  }
  EXPECT_EQ(p.stack_count, 512);
  EXPECT_GE(p.stacks.size(), 512u);
  const int extra = world.add_regular();
  p.changed = 0;
  EXPECT_EQ(p.add_troop_stack(game, extra, 1, 0, 0, true), -1);
  EXPECT_EQ(p.changed, 1);
  EXPECT_EQ(p.stack_count, 512);
  // A troop it has still joins its stack.
  EXPECT_EQ(p.add_troop_stack(game, 0, 2, 0, 0, true), 0);

  // Under flag 0x100000 the leader's leadership sets the room:
  // 2 x 5 + 5 + 1 = 16 companions, prisoner management 1 x 5 = 5 prisoners.
  fake_troop leader;
  leader.flags = troop_flag_hero;
  leader.skills[1] = 2;
  leader.skills[2] = 1;
  leader.companion_bonus = 1;
  const int hero = world.add(leader);
  party& q = new_party();
  q.flags = party_flag_limits;
  ASSERT_EQ(q.add_troop_stack(game, hero, 1, 0, 0, false), 0);
  EXPECT_EQ(q.get_companion_limit(game), 16);
  EXPECT_EQ(q.get_prisoner_limit(game), 5);
  EXPECT_EQ(q.add_troop_stack(game, extra, 15, 0, 0, false), 1);
  EXPECT_EQ(q.add_troop_stack(game, extra, 1, 0, 0, false), -1);
  EXPECT_EQ(q.add_troop_stack(game, extra, 1, 0, 0, true), 1);
  EXPECT_EQ(q.add_troop_stack(game, extra, 5, stack_flag_prisoners, 0, false), 2);
  EXPECT_EQ(q.add_troop_stack(game, extra, 1, stack_flag_prisoners, 0, false), -1);
}

TEST_F(PartyTest, KindMasks) {
  const int player = world.add_hero(5, 50.0f);
  const int wounded_hero = world.add_hero(5, 1.0f);
  const int regular = world.add_regular();
  game.player_troop = player;
  party& p = new_party();
  p.add_troop_stack(game, player, 1, 0, 0, true);
  p.add_troop_stack(game, wounded_hero, 1, 0, 0, true);
  p.add_troop_stack(game, regular, 10, 0, 3, true);
  p.add_troop_stack(game, regular, 4, stack_flag_prisoners, 0, true);
  struct kind_case {
    int mask;
    std::array<int, 4> per_stack;
  };
  const kind_case cases[] = {
      {0, {1, 1, 10, 4}},
      {kind_not_player, {0, 1, 10, 4}},
      {kind_not_leader, {0, 1, 10, 4}},
      {kind_not_hero, {0, 0, 10, 4}},
      {kind_not_wounded_hero, {1, 0, 10, 4}},
      {kind_not_regular, {1, 1, 0, 0}},
      {kind_not_prisoner, {1, 1, 10, 0}},
      {kind_able_only, {1, 1, 7, 4}},
      {0x134, {0, 0, 7, 0}},
      {kind_able_only | kind_not_prisoner | kind_not_hero, {0, 0, 7, 0}},
  };
  for (const kind_case& c : cases) {
    int total = 0;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(p.count_stack_members_of_kind(game, i, c.mask), c.per_stack[i]) << c.mask << " stack " << i;
      total += c.per_stack[i];
    }
    EXPECT_EQ(p.count_members_of_kind(game, c.mask), total) << c.mask;
  }
  // The member counted 3rd (from 0) under 0x134 stands in stack 2; past the
  // end there is none.
  EXPECT_EQ(p.find_stack_of_member(game, 3, 0x134), 2);
  EXPECT_EQ(p.find_stack_of_member(game, 1, 0), 1);
  EXPECT_EQ(p.find_stack_of_member(game, 16, 0), -1);
}

TEST_F(PartyTest, RemovingStacksKeepsTheVectorAndShiftsThePlayersSeeds) {
  const int a = world.add_regular();
  const int b = world.add_regular();
  const int c = world.add_regular();
  party& p = new_party();
  p.add_troop_stack(game, a, 3, 0, 0, true);
  p.add_troop_stack(game, b, 2, 0, 2, true);
  p.add_troop_stack(game, c, 1, 0, 0, true);
  member_seed_table seeds = {};
  for (int i = 0; i < 32; ++i) seeds[i][0] = 100 + i;
  EXPECT_FALSE(p.remove_troops_from_stack(1, 1, &seeds, true));
  EXPECT_EQ(p.stacks[1].count, 1);
  EXPECT_EQ(p.stacks[1].wounded, 1);
  EXPECT_TRUE(p.remove_troops_from_stack(0, 3, &seeds, false));
  EXPECT_EQ(stacks_of(p), (stacks{{b, 1, 0}, {c, 1, 0}}));
  EXPECT_EQ(p.stacks.size(), 32u);
  EXPECT_EQ(p.stacks[2].troop, -1);
  EXPECT_EQ(seeds[0][0], 101);
  EXPECT_EQ(seeds[1][0], 102);
  EXPECT_EQ(seeds[2][0], 102);  // beyond the new count: left as it was
  const troop_stack removed = p.remove_stack(1);
  EXPECT_EQ(removed.troop, c);
  EXPECT_EQ(p.stack_count, 1);
  EXPECT_EQ(p.stacks.size(), 32u);
}

TEST_F(PartyTest, RemoveEmptyStacksAndClamp) {
  const int a = world.add_regular();
  const int b = world.add_regular();
  party& p = new_party();
  p.add_troop_stack(game, a, 3, 0, 0, true);
  p.add_troop_stack(game, b, 2, 0, 0, true);
  p.stacks[0].count = 0;
  p.stacks[1].wounded = 5;
  p.stacks[1].ready_to_upgrade = 9;
  game.remove_empty_party_stacks(p.id);
  EXPECT_EQ(stacks_of(p), (stacks{{b, 2, 0}}));
  EXPECT_EQ(p.stacks[0].wounded, 2);
  EXPECT_EQ(p.stacks[0].ready_to_upgrade, 2);
}

TEST_F(PartyTest, PartySkillIsTheBestAbleHeroPlusTheLeadersBonus) {
  fake_troop leader;
  leader.flags = troop_flag_hero;
  leader.skills[11] = 3;
  fake_troop expert = leader;
  expert.skills[11] = 6;
  fake_troop wounded = leader;
  wounded.skills[11] = 9;
  wounded.health = 1.0f;
  const int l = world.add(leader);
  const int e = world.add(expert);
  const int w = world.add(wounded);
  party& p = new_party();
  p.add_troop_stack(game, l, 1, 0, 0, true);
  p.add_troop_stack(game, e, 1, 0, 0, true);
  p.add_troop_stack(game, w, 1, 0, 0, true);
  EXPECT_EQ(p.get_skill_level(game, 11), 7);
  world.troops[l].skills[11] = 10;
  EXPECT_EQ(p.get_skill_level(game, 11), 14);
  // A wounded leader adds nothing; a prisoner hero does not count.
  world.troops[l].health = 1.0f;
  EXPECT_EQ(p.get_skill_level(game, 11), 6);
  p.stacks[1].flags = stack_flag_prisoners;
  EXPECT_EQ(p.get_skill_level(game, 11), 0);
}

TEST_F(PartyTest, ExperienceMakesTroopsReadyToUpgrade) {
  EXPECT_EQ(upgrade_threshold(0), 38);
  EXPECT_EQ(upgrade_threshold(60), upgrade_threshold(63));
  EXPECT_EQ(upgrade_threshold(-4), 38);
  const int recruit = world.add_regular(0, 5);
  const int veteran = world.add_regular(63, 7);
  const int dead_end = world.add_regular(0, 0);
  const int hero = world.add_hero();
  party& p = new_party();
  p.add_troop_stack(game, recruit, 2, 0, 0, true);
  p.add_troop_stack(game, dead_end, 5, 0, 0, true);
  p.add_troop_stack(game, hero, 1, 0, 0, true);
  p.add_troop_stack(game, veteran, 1, 0, 0, true);
  party& q = new_party();
  q.add_troop_stack(game, recruit, 5, 0, 0, true);

  p.add_xp_to_stack(game, 0, 100);
  EXPECT_EQ(p.stacks[0].ready_to_upgrade, 2);
  EXPECT_EQ(p.stacks[0].experience_pool, 0.0f);
  q.add_xp_to_stack(game, 0, 100);
  EXPECT_EQ(q.stacks[0].ready_to_upgrade, 2);
  EXPECT_EQ(q.stacks[0].experience_pool, 24.0f);
  p.add_xp_to_stack(game, 1, 1000);
  EXPECT_EQ(p.stacks[1].ready_to_upgrade, 0);
  EXPECT_EQ(p.stacks[1].experience_pool, 0.0f);
  p.add_xp_to_stack(game, 2, 70);
  EXPECT_EQ(world.troops[hero].experience, 70);
  EXPECT_EQ(p.stacks[2].experience_pool, 0.0f);
  // Level 63 reads the table's last entry.
  p.add_xp_to_stack(game, 3, 1000);
  EXPECT_EQ(p.stacks[3].ready_to_upgrade, 0);
  EXPECT_EQ(p.stacks[3].experience_pool, 1000.0f);
}

TEST_F(PartyTest, StrengthAndVisibility) {
  const int foot = world.add_regular(8);
  fake_troop rider;
  rider.flags = troop_flag_mounted;
  const int horse = world.add(rider);
  const int hero = world.add_hero(3);
  const int hurt = world.add_hero(3, 1.0f);
  party& p = new_party();
  p.add_troop_stack(game, foot, 10, 0, 4, true);
  p.add_troop_stack(game, hero, 1, 0, 0, true);
  p.add_troop_stack(game, hurt, 1, 0, 0, true);
  p.add_troop_stack(game, foot, 50, stack_flag_prisoners, 0, true);
  // 6 x 20^2 / 100 + 15^2 / 100
  EXPECT_FLOAT_EQ(game.get_party_strength(p.id), 24.0f + 2.25f);
  EXPECT_EQ(game.get_party_strength(-1), 0.0f);
  EXPECT_EQ(game.get_party_strength(4711), 0.0f);

  party& q = new_party();
  q.add_troop_stack(game, foot, 10, 0, 0, true);
  EXPECT_FLOAT_EQ(q.get_visibility_factor(game), 0.6f);
  q.add_troop_stack(game, horse, 2, 0, 0, true);
  q.add_troop_stack(game, hero, 1, 0, 0, true);
  EXPECT_FLOAT_EQ(q.get_visibility_factor(game), 0.4f + 0.02f * 19);
  q.add_troop_stack(game, foot, 20, 0, 0, true);
  EXPECT_EQ(q.get_visibility_factor(game), 1.0f);
  party& r = new_party();
  r.map_event = 3;
  EXPECT_EQ(r.get_visibility_factor(game), 1.0f);
}

TEST_F(PartyTest, ResetClearsStateAndDrawsTheRandomValues) {
  party& p = new_party();
  p.flags = 0x400;
  p.attached_parties = {1, 2};
  p.stack_count = 3;
  p.reset();
  EXPECT_EQ(p.flags, 0u);
  EXPECT_TRUE(p.attached_parties.empty());
  EXPECT_EQ(p.stack_count, 0);
  EXPECT_EQ(p.stacks.size(), 32u);
  EXPECT_EQ(p.radius, 0.15f);
  EXPECT_EQ(p.visibility, -1000.0f);
  EXPECT_EQ(p.template_index, 0);
  EXPECT_EQ(p.attached_to, -1);
  EXPECT_GE(p.next_track_distance, 0.5f);
  EXPECT_LT(p.next_track_distance, 1.9f);
  EXPECT_GE(p.wander_offset[0], -1.0f);
  EXPECT_LT(p.wander_offset[0], 1.0f);
  // The spawn timer starts one hour in the past.
  EXPECT_FLOAT_EQ(p.spawn_timer.elapsed(), 1.0f);
}

}  // namespace
}  // namespace hm
