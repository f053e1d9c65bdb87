// A finished mission's outcome applied to a party's stacks: killed troops
// leave their stack and its seed list, wounded ones join the wounded,
// regulars bring experience, heroes keep their hit points.
#include "mission/screen/mission_results.h"

#include <gtest/gtest.h>

#include "campaign/party/party.h"
#include "campaign/support/fake_campaign.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/support/combat_fixtures.h"
#include "module/records/mission_template.h"

namespace hm {
namespace {

class MissionResults : public ::testing::Test, public test::campaign_fixture {
 protected:
  void SetUp() override {
    g_mission_templates.clear();
    mission_template t;
    t.flags = template_flag_applies_results;
    g_mission_templates.push_back(t);
    mission_template quiet;
    g_mission_templates.push_back(quiet);
    m.template_index = 0;

    hero = world.add_hero(10, 60.0f);
    plain = world.add_regular(3, 0);
    regular = world.add_regular(9, plain);
    party& p = new_party();
    players = p.id;
    game.player_party = p.id;
    game.player_troop = hero;
    p.add_troop_stack(game, hero, 1, 0, 0, true);
    p.add_troop_stack(game, regular, 5, 0, 0, true);
    p.add_troop_stack(game, plain, 3, 0, 0, true);
    for (int i = 0; i < 32; ++i) game.member_seeds[1][i] = 11 + i;
    party& q = new_party();
    others = q.id;
    q.add_troop_stack(game, plain, 4, 0, 0, true);
    context.game = &game;
    context.new_seed = [] { return 999; };
  }
  void TearDown() override { g_mission_templates.clear(); }

  agent& add(int troop, int party_id, int stack, int state, int seed = -1) {
    agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
    a.troop = troop;
    a.party = party_id;
    a.stack = stack;
    a.state = state;
    a.face_seed = seed;
    return a;
  }
  party& party_of(int id) { return *game.find_party(id); }

  mission m;
  mission_results_context context;
  int hero = -1;
  int regular = -1;
  int plain = -1;
  int players = -1;
  int others = -1;
};

TEST_F(MissionResults, KilledWoundedAndExperienceReachTheStacks) {
  agent& player = add(hero, players, 0, agent_state_alive);
  player.hit_points = 40.0f;
  agent& killed = add(regular, players, 1, agent_state_dead, 12);
  killed.experience = 70;
  add(regular, players, 1, agent_state_unconscious, 14);
  add(regular, players, 1, agent_state_alive, 11);
  agent& plain_killed = add(plain, players, 2, agent_state_dead);
  plain_killed.experience = 50;
  add(plain, others, 0, agent_state_dead);
  spawn_standing_agent(m, agent_kind_horse, 0, vec3(0.0f, 0.0f, 0.0f)).state = agent_state_dead;

  apply_mission_results(m, context);

  const party& p = party_of(players);
  EXPECT_EQ(p.stacks[1].count, 4);
  EXPECT_EQ(p.stacks[1].wounded, 1);
  // 70 experience, the player's troop one level above: 70 x 7 / 8 = 61.
  const int threshold = upgrade_threshold(9);
  EXPECT_FLOAT_EQ(p.stacks[1].experience_pool + static_cast<float>(p.stacks[1].ready_to_upgrade * threshold), 61.0f);
  // Seed 12 leaves (a new one at the end); 14, wounded, goes to the last of
  // the four places in use.
  EXPECT_EQ(game.member_seeds[1][0], 11);
  EXPECT_EQ(game.member_seeds[1][1], 13);
  EXPECT_EQ(game.member_seeds[1][2], 15);
  EXPECT_EQ(game.member_seeds[1][3], 14);
  EXPECT_EQ(game.member_seeds[1][4], 16);
  EXPECT_EQ(game.member_seeds[1][31], 999);
  // A troop that cannot upgrade gathers nothing.
  EXPECT_EQ(p.stacks[2].count, 2);
  EXPECT_FLOAT_EQ(p.stacks[2].experience_pool, 0.0f);
  EXPECT_EQ(party_of(others).stacks[0].count, 3);
  // The player's troop keeps 40 and heals 10 % of the 20 it lost.
  EXPECT_FLOAT_EQ(world.troops[static_cast<std::size_t>(hero)].health, 42.0f);
}

TEST_F(MissionResults, FirstAidHealsThePlayerMore) {
  world.troops[static_cast<std::size_t>(hero)].skills[first_aid_skill] = 1;
  add(hero, players, 0, agent_state_alive).hit_points = 40.0f;
  apply_mission_results(m, context);
  // Level 1: (0.1 + 0.05) x 20.
  EXPECT_FLOAT_EQ(world.troops[static_cast<std::size_t>(hero)].health, 43.0f);
}

TEST_F(MissionResults, ATemplateWithoutTheFlagChangesNothingUnlessAskedTo) {
  m.template_index = 1;
  add(regular, players, 1, agent_state_dead, 12);
  add(hero, players, 0, agent_state_alive).hit_points = 10.0f;
  int refreshed = 0;
  context.refresh_all_troops = [&] { ++refreshed; };
  apply_mission_results(m, context);
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(party_of(players).stacks[1].count, 5);
  EXPECT_FLOAT_EQ(world.troops[static_cast<std::size_t>(hero)].health, 60.0f);
  context.apply_always = true;
  apply_mission_results(m, context);
  EXPECT_EQ(party_of(players).stacks[1].count, 4);
  m.template_index = 7;
  context.apply_always = false;
  apply_mission_results(m, context);
  EXPECT_EQ(party_of(players).stacks[1].count, 4);
}

TEST_F(MissionResults, HeroesBelowZeroAreRaisedToZeroInBattleModes) {
  const int companion = world.add_hero(5, -5.0f);
  party_of(players).add_troop_stack(game, companion, 1, 0, 0, true);
  context.mode = 2;
  apply_mission_results(m, context);
  EXPECT_FLOAT_EQ(world.troops[static_cast<std::size_t>(companion)].health, -5.0f);
  context.mode = 3;
  apply_mission_results(m, context);
  EXPECT_FLOAT_EQ(world.troops[static_cast<std::size_t>(companion)].health, 0.0f);
}

}  // namespace
}  // namespace hm
