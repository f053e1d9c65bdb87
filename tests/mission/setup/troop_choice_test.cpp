#include "mission/setup/troop_choice.h"

#include <gtest/gtest.h>

#include <vector>

#include "campaign/party/party.h"
#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/setup/spawning.h"
#include "module/records/mission_template.h"
#include "spawn_fixtures.h"

namespace hm {
namespace {

// Every random draw is 0, so a regular stack's draw always passes.
class zero_draw_services : public mission_services {
 public:
  int random_next() override { return 0; }
};

class TroopChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_templates = g_mission_templates;
    g_mission_templates.assign(1, mission_template{});
    m.template_index = 0;
    m.set_services(&services);
    hero = c.world.add_hero(0, 50.0f);  // troop 0, the player's
    c.game.player_troop = hero;
    foot = c.world.add_regular();
    test::fake_troop rider;
    rider.flags = troop_flag_mounted_only;
    mounted = c.world.add(rider);
    wounded_hero = c.world.add_hero(0, 1.0f);
  }
  void TearDown() override {
    m.set_services(nullptr);
    g_mission_templates = saved_templates;
  }

  int add_record(std::uint32_t flags, int entry = 0) {
    spawn_record r;
    r.spawn_flags = static_cast<std::int32_t>(flags);
    r.entry_point = entry;
    g_mission_templates[0].spawn_records.push_back(r);
    return g_mission_templates[0].spawn_record_count() - 1;
  }
  int make_party(const std::vector<std::array<int, 2>>& stacks) { return test::add_party(c, stacks); }
  void set_enemies(std::vector<int> ids) {
    m.side_value = 1;
    m.side_lists[1].count = static_cast<int>(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) m.side_lists[1].parties[i] = ids[i];
  }

  std::vector<mission_template> saved_templates;
  test::campaign_fixture c;
  zero_draw_services services;
  mission m;
  placed_troops placed;
  int hero = -1, foot = -1, mounted = -1, wounded_hero = -1;
};

TEST_F(TroopChoice, PlayerTroopComesFirstFromThePlayersParty) {
  c.game.player_party = make_party({{hero, 1}, {foot, 3}});
  c.game.member_seeds[1][0] = 4242;
  c.game.member_seeds[1][1] = 4343;
  const int r = add_record(0);
  const spawn_choice first = choose_spawn_troop(m, c.game, placed, r);
  EXPECT_EQ(first.troop, hero);
  EXPECT_EQ(first.stack, 0);
  EXPECT_EQ(first.team, 0);
  EXPECT_EQ(first.face_seed, -1);
  const spawn_choice second = choose_spawn_troop(m, c.game, placed, r);
  EXPECT_EQ(second.troop, foot);
  EXPECT_EQ(second.stack, 1);
  // The player's soldiers keep their faces from battle to battle.
  EXPECT_EQ(second.face_seed, 4242);
  EXPECT_EQ(choose_spawn_troop(m, c.game, placed, r).face_seed, 4343);
  choose_spawn_troop(m, c.game, placed, r);
  // Three soldiers spawned: nothing is left.
  const spawn_choice none = choose_spawn_troop(m, c.game, placed, r);
  EXPECT_EQ(none.troop, -1);
  EXPECT_EQ(m.blocked_spawn_records[static_cast<std::size_t>(r)], 1);
}

TEST_F(TroopChoice, EmptySideListGivesNoPartyAndBlocksTheRecord) {
  set_enemies({});
  const int r = add_record(spawn_flag::enemy_parties);
  const spawn_choice ch = choose_spawn_troop(m, c.game, placed, r);
  EXPECT_EQ(ch.party, -1);
  EXPECT_EQ(ch.troop, -1);
  EXPECT_EQ(m.blocked_spawn_records[static_cast<std::size_t>(r)], 1);
}

TEST_F(TroopChoice, WoundedHeroIsNeverSpawned) {
  const int enemy = make_party({{wounded_hero, 1}, {foot, 2}});
  set_enemies({enemy});
  const int r = add_record(spawn_flag::enemy_parties);
  const spawn_choice ch = choose_spawn_troop(m, c.game, placed, r);
  EXPECT_EQ(ch.troop, foot);
  EXPECT_EQ(ch.team, 1);
  EXPECT_EQ(ch.party, enemy);

  const int lone = make_party({{wounded_hero, 1}});
  set_enemies({lone});
  EXPECT_EQ(choose_spawn_troop(m, c.game, placed, r).troop, -1);
  EXPECT_EQ(m.blocked_spawn_records[static_cast<std::size_t>(r)], 1);
}

TEST_F(TroopChoice, FiltersAndPreferencesPickTheStack) {
  const int other_hero = c.world.add_hero(0, 50.0f);
  struct row {
    std::uint32_t flags;
    std::vector<std::array<int, 2>> stacks;
    int expected;
    int team;
  };
  const std::vector<row> rows = {
      {0, {{foot, 2}, {mounted, 2}}, 0, 1},
      {spawn_filter::reverse_stacks, {{foot, 2}, {mounted, 2}}, 1, 1},
      {spawn_filter::prefer_mounted, {{foot, 2}, {mounted, 2}}, 1, 1},
      // No mounted troop on the side: the preference accepts anything.
      {spawn_filter::prefer_mounted, {{foot, 2}, {foot, 1}}, 0, 1},
      {spawn_filter::heroes_only, {{foot, 2}, {other_hero, 1}}, 1, 1},
      {spawn_filter::no_hero_in_first_stack, {{other_hero, 1}, {foot, 2}}, 1, 1},
      {spawn_filter::heroes_only_first_stack | spawn_filter::heroes_only, {{foot, 2}, {other_hero, 1}}, -1, 1},
      // Team bits: ((flags >> 12) & 7) - 1.
      {0x3000, {{foot, 2}}, 0, 2},
  };
  for (const row& rw : rows) {
    g_mission_templates[0].spawn_records.clear();
    placed.clear();
    set_enemies({make_party(rw.stacks)});
    const int r = add_record(spawn_flag::enemy_parties | rw.flags);
    const spawn_choice ch = choose_spawn_troop(m, c.game, placed, r);
    EXPECT_EQ(ch.stack, rw.expected) << std::hex << rw.flags;
    if (rw.expected >= 0) {
      EXPECT_EQ(ch.team, rw.team) << std::hex << rw.flags;
    }
  }
}

TEST_F(TroopChoice, PlayerRecordAtThePlayersEntry) {
  m.player_entry_point = 3;
  const int at_player = add_record(spawn_flag::player_or_stationed, 3);
  const int elsewhere = add_record(spawn_flag::player_or_stationed, 4);
  EXPECT_EQ(choose_spawn_troop(m, c.game, placed, at_player).troop, hero);
  EXPECT_EQ(choose_spawn_troop(m, c.game, placed, elsewhere).troop, -1);
}

}  // namespace
}  // namespace hm
