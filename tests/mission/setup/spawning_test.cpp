#include "mission/setup/spawning.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/records/mission_template.h"

namespace hm {
namespace {

// Flat ground at a set height, every way clear, and a fixed list of draws.
class flat_ground_services : public mission_services {
 public:
  bool ground_height(mission&, const vec3&, float& out) override {
    out = ground;
    return has_ground;
  }
  bool segment_is_clear(mission&, const vec3&, const vec3&) override { return true; }
  int random_next() override {
    ++draws_taken;
    return next_draw < draws.size() ? draws[next_draw++] : 0;
  }

  float ground = 0.0f;
  bool has_ground = true;
  std::vector<int> draws;
  std::size_t next_draw = 0;
  int draws_taken = 0;
};

class Spawning : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    saved_templates = g_mission_templates;
    g_mission_templates.clear();
    g_mission_templates.emplace_back();
    m.template_index = 0;
    m.set_services(&services);
  }
  void TearDown() override {
    m.set_services(nullptr);
    g_mission_templates = saved_templates;
    reset_clocks();
  }

  spawn_record& add_record(std::uint32_t flags, int entry = 0) {
    spawn_record r;
    r.spawn_flags = static_cast<std::int32_t>(flags);
    r.entry_point = entry;
    g_mission_templates[0].spawn_records.push_back(r);
    return g_mission_templates[0].spawn_records.back();
  }

  std::vector<mission_template> saved_templates;
  flat_ground_services services;
  mission m;
};

TEST(SpawnFactor, ScalesBySideStrengthAndBattleSize) {
  struct row {
    int strength;
    float battle_size;
    float expected;
  };
  const row rows[] = {
      {0, 0.0f, 0.833333f},
      {-15, 0.0f, 0.2f * 0.833333f},
      {-40, 0.0f, 0.2f * 0.833333f},
      {15, 0.0f, 2.0f * 0.833333f},
      {30, 0.0f, 2.5f * 0.833333f},
      {60, 0.0f, 2.5f * 0.833333f},
      {0, 1.0f, 3.333333f},
  };
  for (const row& r : rows) {
    EXPECT_NEAR(battle_size_spawn_factor(r.strength, r.battle_size), r.expected, 1e-5f) << r.strength;
  }
}

TEST_F(Spawning, CountsFollowTheRecordFlags) {
  struct row {
    std::uint32_t flags;
    std::uint32_t count_word;
    int strength;
    int battle_mode;
    int side_value;
    int expected;
  };
  const row rows[] = {
      // A count of 0 switches the record off, even with "exactly one".
      {spawn_flag::exactly_one, 0, 0, 0, 0, 0},
      {spawn_flag::friendly_parties, 0x20000000, 0, 0, 0, 0},
      {spawn_flag::exactly_one, 7, 0, 0, 0, 1},
      {spawn_flag::player_or_stationed, 7, 0, 0, 0, 7},
      {spawn_flag::count_as_given, 7, 30, 0, 0, 7},
      // Scaled by 0.833333 at strength 0: 6 -> 5, 3 -> 2.5 (halves go down).
      {spawn_flag::friendly_parties, 6, 0, 0, 0, 5},
      {spawn_flag::friendly_parties, 3, 0, 0, 0, 2},
      // The enemy side takes the strength negated: -15 gives 0.1666, never
      // below one agent.
      {spawn_flag::enemy_parties, 3, 15, 0, 0, 1},
      {spawn_flag::enemy_parties, 6, -15, 0, 0, 10},
      {spawn_flag::friendly_parties, 6, 15, 0, 0, 10},
      // Attackers and defenders: which is the enemy follows the battle mode.
      {spawn_flag::attackers, 6, 15, 1, 0, 1},
      {spawn_flag::attackers, 6, 15, 0, 0, 10},
      {spawn_flag::defenders, 6, 15, 0, 0, 1},
      {spawn_flag::attackers, 6, 15, 2, 0, 1},
      {spawn_flag::attackers, 6, 15, 2, 1, 10},
      {spawn_flag::defenders, 6, 15, 2, 1, 1},
  };
  for (const row& r : rows) {
    g_mission_templates[0].spawn_records.clear();
    spawn_record& rec = add_record(r.flags);
    rec.pending = 2;
    m.strength = r.strength;
    m.battle_mode = r.battle_mode;
    m.side_value = r.side_value;
    m.blocked_spawn_records[0] = 1;
    const int n = count_spawn_group_agents(m, 0, r.count_word, 0.0f);
    EXPECT_EQ(n, r.expected) << "flags " << r.flags << " count " << r.count_word;
    EXPECT_EQ(g_mission_templates[0].spawn_records[0].pending, 2 + r.expected);
    // A record asked for agents may try again; one switched off stays as it was.
    EXPECT_EQ(m.blocked_spawn_records[0], r.expected == 0 ? 1 : 0);
  }
}

TEST_F(Spawning, RandomCountBitSpreadsTheCount) {
  struct row {
    std::uint32_t flags;
    std::uint32_t count;
    int draw;
    int expected;
  };
  // f = draw x 5.0578492e-5 + 0.6; n x f floored, plus one above a half.
  const row rows[] = {
      {spawn_flag::count_as_given, 4, 0, 2},      // 2.4
      {spawn_flag::count_as_given, 4, 7908, 4},   // 3.9999
      {spawn_flag::count_as_given, 4, 15816, 6},  // 5.5998
      {spawn_flag::exactly_one, 9, 15816, 1},     // 1.39995
      {spawn_flag::count_as_given, 10, 1977, 7},  // 6.99994 -> 7
  };
  for (const row& r : rows) {
    g_mission_templates[0].spawn_records.clear();
    add_record(r.flags);
    services.draws = {r.draw};
    services.next_draw = 0;
    EXPECT_EQ(count_spawn_group_agents(m, 0, r.count | spawn_count_random, 0.0f), r.expected) << r.draw;
  }
}

TEST_F(Spawning, RecordOutsideTheTemplateGivesNothing) {
  add_record(spawn_flag::count_as_given);
  EXPECT_EQ(count_spawn_group_agents(m, 1, 5, 0.0f), 0);
  EXPECT_EQ(count_spawn_group_agents(m, -1, 5, 0.0f), 0);
  m.template_index = 3;
  EXPECT_EQ(count_spawn_group_agents(m, 0, 5, 0.0f), 0);
}

TEST_F(Spawning, ReinforcementPassesInterleaveRecords) {
  add_record(0, 0).pending = 5;
  add_record(0, 1).pending = 1;
  add_record(0, 2).pending = 3;
  std::string order;
  check_reinforcements(m, [&](mission&, int record) {
    order += static_cast<char>('A' + record);
    return true;
  });
  EXPECT_EQ(order, "ABCACACAA");
  const auto& recs = g_mission_templates[0].spawn_records;
  EXPECT_EQ(recs[0].spawned, 5);
  EXPECT_EQ(recs[1].spawned, 1);
  EXPECT_EQ(recs[2].spawned, 3);
  for (const spawn_record& r : recs) EXPECT_EQ(r.pending, 0);
}

TEST_F(Spawning, BlockedAndTrooplessRecordsKeepTheirPendingCount) {
  add_record(0, 0).pending = 2;
  add_record(0, 1).pending = 2;
  add_record(0, 2).pending = 2;
  m.blocked_spawn_records[1] = 1;
  std::string order;
  check_reinforcements(m, [&](mission&, int record) {
    order += static_cast<char>('A' + record);
    return record != 2;  // no troop left for C
  });
  // The third pass tries C alone, spawns nothing and ends the check.
  EXPECT_EQ(order, "ACACC");
  const auto& recs = g_mission_templates[0].spawn_records;
  EXPECT_EQ(recs[0].pending, 0);
  EXPECT_EQ(recs[1].pending, 2);
  EXPECT_EQ(recs[2].pending, 2);
  EXPECT_EQ(recs[2].spawned, 0);
}

TEST_F(Spawning, ReinforcementPassesStopAtOneHundred) {
  add_record(0, 0).pending = 250;
  int spawned = 0;
  check_reinforcements(m, [&](mission&, int) { return ++spawned > 0; });
  EXPECT_EQ(spawned, 100);
  EXPECT_EQ(g_mission_templates[0].spawn_records[0].pending, 150);
}

TEST_F(Spawning, AgentsStandInRowsOfSixteen) {
  add_record(0, 5).pending = 33;
  entry_point& e = m.entry_points[5];
  e.own_frame.origin = vec3(100.0f, 200.0f, 0.0f);
  reset_entry_spawn_position(m, 5);
  std::vector<vec3> places;
  check_reinforcements(m, [&](mission& mm, int) {
    places.push_back(mm.entry_points[5].spawn_frame.origin);
    return true;
  });
  ASSERT_EQ(places.size(), 33u);
  // Row 0 along the first axis, one unit apart.
  EXPECT_NEAR(places[0].x, 100.0f, 1e-4f);
  EXPECT_NEAR(places[15].x, 115.0f, 1e-4f);
  EXPECT_NEAR(places[15].y, 200.0f, 1e-4f);
  // The 17th agent: half a step aside, 0.7 behind the row's start.
  EXPECT_NEAR(places[16].x, 99.5f, 1e-4f);
  EXPECT_NEAR(places[16].y, 199.3f, 1e-4f);
  EXPECT_NEAR(places[17].x, 100.5f, 1e-4f);
  EXPECT_NEAR(places[31].x, 114.5f, 1e-4f);
  // The 33rd: a third row behind the second's start.
  EXPECT_NEAR(places[32].x, 99.0f, 1e-4f);
  EXPECT_NEAR(places[32].y, 198.6f, 1e-4f);
  EXPECT_EQ(e.row, 2);
  EXPECT_EQ(e.column, 1);
  EXPECT_FLOAT_EQ(e.spawn_gap, 0.1f);
}

TEST_F(Spawning, PlacementGivesUpWhenTheGroundIsOutOfReach) {
  services.ground = 5.0f;  // a step of 5 is too high
  advance_entry_spawn_position(m, 0);
  EXPECT_FLOAT_EQ(m.entry_points[0].spawn_frame.origin.x, 0.0f);
  EXPECT_FLOAT_EQ(m.entry_points[0].spawn_frame.origin.y, 0.0f);
  // The first try and 100 random steps (two draws each).
  EXPECT_EQ(services.draws_taken, 2 * 101);
  // An entry outside the 64 is ignored.
  advance_entry_spawn_position(m, 64);
  reset_entry_spawn_position(m, -1);
}

}  // namespace
}  // namespace hm
