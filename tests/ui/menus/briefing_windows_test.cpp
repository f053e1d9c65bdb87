// The mission window's troop board, the debrief closing on Enter's release,
// the factions report's rounding and the mission window's one frame.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/app/input_state.h"
#include "script/ops/encounter.h"
#include "ui/menus/briefing_windows.h"
#include "ui/menus/menu_window_host.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

constexpr int key_enter = 28;

class mission_host final : public menu_window_host {
 public:
  void set_up_mission(std::int32_t serial) override { serials.push_back(serial); }
  std::vector<std::int32_t> serials;
};

class Briefing : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_meta_mission = meta_mission_words{};
    g_window_manager.create_game_windows();
    g_window_manager.dispatch_meta_mission_requests = [this] { ++dispatches; };
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_window_manager.dispatch_meta_mission_requests = nullptr;
    g_input_state = input_state{};
    test::ui_test::TearDown();
  }
  mission_host host;
  scoped_menu_window_host installed{host};
  int dispatches = 0;
};

TEST_F(Briefing, TroopBoardLinesFallByTroopGroupAndSide) {
  auto* w = dynamic_cast<mission_window*>(g_window_manager.window(window_id::mission));
  ASSERT_NE(w, nullptr);
  // Side 0: a group of two and a group of one; side 1: a group of one.
  w->troops = {{{1, 2}, {3}}, {{4}}};
  g_meta_mission.mission_kind = 2;
  g_window_manager.set_window(window_id::mission);
  std::vector<float> ys;
  for (const auto& c : w->root->children)
    if (c.get() != w->description_label) ys.push_back(c->local_position.y);
  const std::vector<float> expected = {0.7f, 0.68f, 0.655f, 0.62f};
  ASSERT_EQ(ys.size(), expected.size());
  for (std::size_t i = 0; i < ys.size(); ++i) EXPECT_NEAR(ys[i], expected[i], 1e-5f) << i;

  // No sides: an empty board.
  w->troops.clear();
  g_window_manager.set_window(window_id::mission);
  EXPECT_EQ(w->root->children.size(), 1u);
}

TEST_F(Briefing, MissionWindowSetsTheMissionUpOnceAndHandsOnItsReturn) {
  auto* w = g_window_manager.window(window_id::mission);
  w->return_window = 100;
  g_window_manager.set_window(window_id::mission);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(host.serials, (std::vector<std::int32_t>{0}));
  EXPECT_EQ(g_window_manager.top_id(), window_id::mission_screen);
  EXPECT_EQ(g_window_manager.window(window_id::mission_screen)->return_window, 100);
  EXPECT_EQ(g_window_manager.window(window_id::debrief)->return_window, 100);
  g_window_manager.set_window(window_id::mission);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(host.serials, (std::vector<std::int32_t>{0, 1}));
}

TEST_F(Briefing, DebriefClosesWhenEnterComesUpNotWhenItGoesDown) {
  g_window_manager.set_window(window_id::mission_screen);
  g_window_manager.push_window(window_id::debrief);
  g_input_state.keys[key_enter] = 1;
  g_input_state.previous_keys[key_enter] = 0;
  g_window_manager.frame(0.02f);
  EXPECT_EQ(dispatches, 0);
  g_input_state.previous_keys[key_enter] = 1;
  g_window_manager.frame(0.02f);
  EXPECT_EQ(dispatches, 0);
  g_input_state.keys[key_enter] = 0;
  g_window_manager.frame(0.02f);
  EXPECT_EQ(dispatches, 1);
}

TEST(FactionsReport, RelationsRoundHalvesUp) {
  EXPECT_EQ(faction_report_value(0.125f), 13);
  EXPECT_EQ(faction_report_value(-0.125f), -12);
  EXPECT_EQ(faction_report_value(-1.0f), -100);
  EXPECT_EQ(faction_report_value(0.334f), 33);
}

}  // namespace
}  // namespace hm
