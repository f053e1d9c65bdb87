#include "mission/records/missile.h"

#include <gtest/gtest.h>

namespace hm {
namespace {

TEST(MissilePool, RetiredSlotsAreReusedBeforeTheNextChunk) {
  missile_pool pool;
  for (int i = 0; i < 16; ++i) pool.allocate();
  EXPECT_EQ(pool.count(), 16);
  pool.retire(3);
  pool.retire(12);
  pool.retire(12);  // already free: listed once
  EXPECT_EQ(pool.free_slots().size(), 2u);
  EXPECT_EQ(pool.live_count(), 14);
  missile& m = pool.allocate();
  EXPECT_EQ(&m, pool.get(12));
  missile& second = pool.allocate();
  EXPECT_EQ(&second, pool.get(3));
  EXPECT_EQ(pool.count(), 16);
  // The 17th live missile opens a second chunk, whose highest slot comes
  // first.
  missile& third = pool.allocate();
  EXPECT_EQ(&third, pool.get(31));
  EXPECT_EQ(third.slot, 31);
  EXPECT_EQ(pool.count(), 32);
  EXPECT_EQ(pool.allocate().slot, 30);
}

TEST(MissilePool, WalkSkipsFreeSlots) {
  missile_pool pool;
  for (int i = 0; i < 20; ++i) pool.allocate();
  pool.retire(0);
  pool.retire(31);
  int slot = pool.first_live();
  EXPECT_EQ(slot, 1);
  int visited = 0;
  for (; slot < pool.count(); slot = pool.next_live(slot)) {
    EXPECT_NE(slot, 31);
    ++visited;
  }
  EXPECT_EQ(visited, 18);
  pool.reset();
  EXPECT_EQ(pool.first_live(), pool.count());
}

}  // namespace
}  // namespace hm
