#include "mission/records/agent_pool.h"

#include <gtest/gtest.h>

#include <vector>

namespace hm {
namespace {

std::vector<int> live_indices(const agent_pool& pool) {
  std::vector<int> out;
  for (int i = pool.first_live(); i < pool.count(); i = pool.next_live(i)) out.push_back(i);
  return out;
}

TEST(AgentPool, SixteenRecordsToAChunkAddressedByIndex) {
  agent_pool pool;
  for (int i = 0; i < 17; ++i) {
    agent& a = pool.allocate();
    EXPECT_EQ(a.index, i);
    EXPECT_NE(a.in_use, 0);
  }
  EXPECT_EQ(pool.chunk_count(), 2);
  EXPECT_EQ(pool.count(), 32);
  // Agent 15 is the last slot of the first chunk, agent 16 the first of the
  // second: each lies in its own chunk's array.
  EXPECT_EQ(pool.get(15), pool.get(0) + 15);
  EXPECT_EQ(pool.get(31), pool.get(16) + 15);
  EXPECT_EQ(pool.get(16)->index, 16);
  EXPECT_EQ(pool.get(15)->index, 15);
  // Slots of the second chunk exist but are free.
  ASSERT_NE(pool.get(17), nullptr);
  EXPECT_EQ(pool.get(17)->in_use, 0);
  EXPECT_EQ(pool.get_live(17), nullptr);
  for (int bad : {-1, 32, 1 << 20}) {
    EXPECT_EQ(pool.get(bad), nullptr) << bad;
    EXPECT_EQ(pool.get_live(bad), nullptr) << bad;
  }
}

TEST(AgentPool, RecordsNeverMoveWhenChunksAreAdded) {
  agent_pool pool;
  agent* first = &pool.allocate();
  first->hit_points = 42.0f;
  for (int i = 0; i < 100; ++i) pool.allocate();
  EXPECT_EQ(pool.get(0), first);
  EXPECT_EQ(first->hit_points, 42.0f);
}

TEST(AgentPool, FreeAllReusesSlotsFromZeroWithFreshRecords) {
  agent_pool pool;
  for (int i = 0; i < 20; ++i) {
    agent& a = pool.allocate();
    a.mount = 3;
    a.state = agent_state_dead;
    a.ai.delayed_inputs.push_back({});
  }
  pool.free_all();
  EXPECT_TRUE(live_indices(pool).empty());
  EXPECT_EQ(pool.first_live(), pool.count());
  for (int i = 0; i < 20; ++i) {
    agent& a = pool.allocate();
    EXPECT_EQ(a.index, i);
    EXPECT_EQ(a.mount, -1);
    EXPECT_EQ(a.state, agent_state_none);
    EXPECT_TRUE(a.ai.delayed_inputs.empty());
  }
  // Reuse filled the existing chunks before growing.
  EXPECT_EQ(pool.chunk_count(), 2);
  EXPECT_EQ(pool.allocate().index, 20);
}

TEST(AgentPool, WalkVisitsSlotsInUseInOrderAcrossChunks) {
  agent_pool pool;
  for (int i = 0; i < 40; ++i) pool.allocate();
  for (int i : {0, 14, 15, 16, 17, 31, 32, 39}) pool.get(i)->in_use = 0;
  const std::vector<int> live = live_indices(pool);
  ASSERT_EQ(live.size(), 32u);
  EXPECT_EQ(live.front(), 1);
  EXPECT_EQ(live[12], 13);
  EXPECT_EQ(live[13], 18);
  EXPECT_EQ(live.back(), 38);
  EXPECT_EQ(pool.next_live(38), pool.count());
  EXPECT_EQ(pool.next_live(pool.count() + 5), pool.count());
}

TEST(AgentPool, EmptyPoolHasNoLiveAgent) {
  agent_pool pool;
  EXPECT_EQ(pool.count(), 0);
  EXPECT_EQ(pool.first_live(), 0);
  EXPECT_EQ(pool.get(0), nullptr);
}

TEST(AgentRecord, ConstructedRecordHasNoEntityAndTakesNoFrames) {
  agent_pool pool;
  agent& a = pool.allocate();
  EXPECT_EQ(a.agent_entity, nullptr);
  EXPECT_FALSE(a.takes_frames());
  EXPECT_EQ(a.mount, -1);
  EXPECT_EQ(a.rider, -1);
  EXPECT_EQ(a.last_attacker, -1);
  EXPECT_EQ(a.pending_blow.attacker, -1);
  EXPECT_EQ(a.pending_blow.item_kind, -1);
  EXPECT_EQ(a.weapon_frame.origin.x, weapon_frame_invalid_x);
  for (const item& it : a.equipment) EXPECT_EQ(it.kind, -1);
}

TEST(AgentRecord, TimersStartOnTheMissionClockExceptTheVoice) {
  reset_clocks();
  advance_clock(clock_mission, 3.0f);
  advance_clock(clock_real_time, 7.0f);
  agent_pool pool;
  const agent& a = pool.allocate();
  for (const timer* t : {&a.action_timer, &a.general_timer, &a.presence_timer, &a.aim_timer, &a.ragdoll_timer,
                         &a.action_timers[0], &a.action_timers[2], &a.ai.timers[0], &a.ai.timers[4]}) {
    EXPECT_EQ(t->clock_id, clock_mission);
    EXPECT_EQ(t->start_ticks, 300000);
  }
  EXPECT_EQ(a.voice_timer.clock_id, clock_real_time);
  EXPECT_EQ(a.voice_timer.start_ticks, 700000);
  reset_clocks();
}

TEST(AgentRecord, TeamsOutsideTheTableCountAsTeamSeven) {
  for (auto [word, expected] : {std::pair{0, 0}, {7, 7}, {8, 7}, {-1, 7}, {3, 3}}) {
    EXPECT_EQ(agent_team_index(word), expected) << word;
  }
}

}  // namespace
}  // namespace hm
