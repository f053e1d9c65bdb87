// The quest log's lists by status, the list's height and a row's text.
#include <gtest/gtest.h>

#include "ui/notes/quests_window.h"

namespace hm {
namespace {

TEST(quest_log, lists_by_status) {
  // 0 never started, 1 started, 2 started and concluded, 3 concluded but
  // never started, 4 started with other bits.
  const std::vector<std::uint32_t> statuses = {0x0, 0x100, 0x300, 0x200, 0x1528};
  EXPECT_EQ(quests_of_mode(statuses, 0), (std::vector<std::int32_t>{1, 4}));
  EXPECT_EQ(quests_of_mode(statuses, 1), (std::vector<std::int32_t>{2}));
  EXPECT_TRUE(quests_of_mode(statuses, 2).empty());
  EXPECT_TRUE(quests_of_mode(statuses, -1).empty());
}

TEST(quest_log, list_height_and_row_text) {
  EXPECT_FLOAT_EQ(quest_list_height(0), 0.56f);
  EXPECT_FLOAT_EQ(quest_list_height(11), 0.56f);
  EXPECT_NEAR(quest_list_height(12), 0.57f, 1e-6f);
  EXPECT_EQ(quest_row_text("Rescue", 0x1, 0x100 | 40), "Rescue (40%)");
  EXPECT_EQ(quest_row_text("Rescue", 0x2, 0x100 | 40), "Rescue");
  // A name with a percent sign is not a format.
  EXPECT_EQ(quest_row_text("100% %s", 0x1, 0x100 | 5), "100% %s (5%)");
}

}  // namespace
}  // namespace hm
