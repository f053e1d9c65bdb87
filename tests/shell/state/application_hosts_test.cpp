// The program's own dispatcher host over the sample module's campaign.
#include "shell/state/application_hosts.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "campaign/game/campaign_game.h"
#include "campaign/party/party.h"
#include "mission/support/sample_game.h"
#include "mission/records/mission.h"
#include "module/loading/game.h"
#include "script/ops/encounter.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

int troop_named(const char* id) { return test::troop_index(id); }

// A party of the campaign with one stack of (troop, count); returns its id.
int add_party(campaign_state& state, int troop, int count) {
  const std::int32_t id = state.parties.take_free_party();
  party& p = *state.parties.get_party_by_id(id);
  p.reset();
  p.stack_count = 1;
  if (p.stacks.empty()) p.stacks.resize(1);
  p.stacks[0] = troop_stack{};
  p.stacks[0].troop = troop;
  p.stacks[0].count = count;
  return p.id;
}

// The advantage a battle's result is biased from is the parties' strength as
// they stand, not the value stored by the last result: asked again after the
// stored value changed it gives the same, and it follows the parties.
TEST(ApplicationHosts, TheBattleAdvantageIsWorkedOutFromThePartiesEachTime) {
  test::sample_game& sample = test::the_sample();
  campaign_state& state = sample.campaign->state;
  application_hosts hosts([] {}, [&sample] { return sample.campaign.get(); }, g_window_manager);
  const int looter = troop_named("trp_looter");
  const int swordsman = troop_named("trp_swordsman");
  ASSERT_GE(looter, 0);
  ASSERT_GE(swordsman, 0);
  party* player = state.find_party(state.player_party);
  ASSERT_NE(player, nullptr);
  player->stack_count = 1;
  player->stacks[0].count = 1;

  const meta_mission_words saved = g_meta_mission;
  encounter_record& e = g_meta_mission.encounter;
  e.side = 0;
  e.first_party = -1;
  e.second_party = add_party(state, looter, 30);

  e.advantage = 6;
  const std::int32_t alone = hosts.battle_advantage();
  EXPECT_LT(alone, 0);  // one man against thirty
  e.advantage = -20;
  EXPECT_EQ(hosts.battle_advantage(), alone);

  state.add_troops_to_party(state.player_party, swordsman, 60, false);
  EXPECT_GT(hosts.battle_advantage(), 0);  // sixty-one against thirty
  g_meta_mission = saved;
}

// Preparing a mission starts it afresh: the teams' group orders at their
// defaults, the camera at the identity frame, the relations reset.
TEST(ApplicationHosts, PreparingAMissionResetsTeamOrdersAndTheCamera) {
  test::sample_game& sample = test::the_sample();
  application_hosts hosts([] {}, [&sample] { return sample.campaign.get(); }, g_window_manager);
  mission* const saved = current_mission;
  mission m;
  current_mission = &m;
  m.teams[2].groups[1].mode = 3;
  m.teams[2].groups[1].hold_position = 1;
  m.teams[2].leader = 4;
  m.scripted_camera.from_frame.origin = vec3(5.0f, 6.0f, 7.0f);
  m.set_team_relation(0, 1, 1);
  mission_preparation p;
  p.template_index = 0;
  hosts.prepare_mission(p);
  EXPECT_EQ(m.teams[2].leader, -1);
  EXPECT_EQ(m.teams[2].groups[1].mode, 0);
  EXPECT_EQ(m.teams[2].groups[1].hold_position, 0);
  EXPECT_EQ(m.scripted_camera.from_frame.origin.x, 0.0f);
  EXPECT_EQ(m.scripted_camera.from_frame.rot.f.y, 1.0f);
  EXPECT_EQ(m.teams[0].relations[1], -1);
  current_mission = saved;
}

}  // namespace
}  // namespace hm
