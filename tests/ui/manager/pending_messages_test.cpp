// Messages posted by game code wait in a ring of 32 until a screen flushes
// them into the message log.
#include <gtest/gtest.h>

#include <string>

#include "ui/support/ui_test_support.h"

namespace hm {
namespace {

class PendingMessages : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_ui_manager.messages.resources = &resources;
    g_ui_manager.messages.font = &font;
  }
  void TearDown() override {
    g_ui_manager.pending_messages = {};
    g_ui_manager.release_meshes();
    g_ui_manager.messages.resources = nullptr;
    g_ui_manager.messages.font = nullptr;
    test::ui_test::TearDown();
  }
  std::size_t log_lines() const { return g_ui_manager.messages.log_history.size(); }
};

TEST_F(PendingMessages, FlushingAnEmptyQueueAddsNothingAndPopSaysSo) {
  const std::size_t before = log_lines();
  g_ui_manager.flush_pending_messages();
  EXPECT_EQ(log_lines(), before);
  ruv_string t;
  std::uint32_t c = 0;
  EXPECT_FALSE(g_ui_manager.pending_messages.pop(t, c));
  EXPECT_EQ(std::string(t.view()), "No messages");
  EXPECT_EQ(c, 0xFFFFFFFFu);
}

TEST_F(PendingMessages, RingWrapsFromSlot31ToSlot0) {
  pending_message_queue q;
  q.head = 31;
  q.push(ruv_string("a"), 1);
  q.push(ruv_string("b"), 2);
  EXPECT_EQ(std::string(q.texts[31].view()), "a");
  EXPECT_EQ(std::string(q.texts[0].view()), "b");
  ruv_string t;
  std::uint32_t c = 0;
  ASSERT_TRUE(q.pop(t, c));
  EXPECT_EQ(q.head, 0);
  ASSERT_TRUE(q.pop(t, c));
  EXPECT_EQ(std::string(t.view()), "b");
  EXPECT_EQ(c, 2u);
  EXPECT_EQ(q.head, 1);
  EXPECT_EQ(q.count, 0);
}

TEST_F(PendingMessages, The33rdMessageIsLostAndTheWaitingOnesShowInOrder) {
  for (int i = 0; i < 33; ++i) g_ui_manager.pending_messages.push(ruv_string(std::to_string(i)), 0xFF000000u + static_cast<std::uint32_t>(i));
  EXPECT_EQ(g_ui_manager.pending_messages.count, 32);
  const std::size_t before = log_lines();
  g_ui_manager.flush_pending_messages();
  EXPECT_EQ(g_ui_manager.pending_messages.count, 0);
  ASSERT_EQ(log_lines(), before + 32);
  const auto& history = g_ui_manager.messages.log_history;
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(std::string(history[before + static_cast<std::size_t>(i)].view()), std::to_string(i));
}

TEST_F(PendingMessages, InputStepEndsWithTheTimersAndOnePendingRebuild) {
  int rebuilds = 0;
  g_ui_manager.pending_rebuild = [&] { ++rebuilds; };
  g_ui_manager.post_overlay_buffer(ruv_string("first"), 0xFF00FF00u);
  g_ui_manager.post_overlay_buffer(ruv_string("second"), 0xFF00FF00u);
  g_ui_manager.fade = 0.05f;
  g_ui_manager.rebuild = 1;
  const std::size_t before = log_lines();
  step(0.5f, 0.3f, {}, 0.3f);
  // Only the newer buffered message waited; the fade falls by 0.03.
  ASSERT_EQ(log_lines(), before + 1);
  EXPECT_EQ(std::string(g_ui_manager.messages.log_history.back().view()), "second");
  EXPECT_FLOAT_EQ(g_ui_manager.fade, 0.02f);
  EXPECT_EQ(rebuilds, 1);
  step(0.5f, 0.3f, {}, 0.3f);
  EXPECT_EQ(log_lines(), before + 1);
  EXPECT_FLOAT_EQ(g_ui_manager.fade, 0.0f);
  EXPECT_EQ(rebuilds, 1);
  g_ui_manager.pending_rebuild = nullptr;
}

}  // namespace
}  // namespace hm
