// A game saved and loaded by the running program: saved from the in-game
// menu's path into the documents folder, left for the main menu, loaded back
// through the save and load window and the launch, and then it plays on as
// the game that was never saved does (the same state, frame after frame, for
// the same random draws). A broken slot file is refused and the main menu
// stays.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "campaign/game/campaign_game.h"
#include "campaign/save/save_game.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "module/loading/game.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"
#include "shell/game_application.h"
#include "shell/support/shell_test_support.h"
#include "shell/support/started_game.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/menu_window_host.h"
#include "ui/windows/save_load_window.h"
#include "ui/windows/window_manager.h"

using namespace hm;

namespace {

// Where two saves first differ (npos when they are the same).
std::size_t first_difference(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return i;
  }
  return a.size() == b.size() ? std::string::npos : n;
}

// The engine's resources are loaded once a process: the tests share one
// application, each starting from a running game.
class SavedGame : public test::started_game {
 protected:
  void SetUp() override {
    ASSERT_NE(app, nullptr);
    ASSERT_NE(app->campaign(), nullptr);
  }
  // The game as the bytes of its save.
  std::string state() { return save_game_bytes(*g_game, *app->campaign(), nullptr); }
  // Plays n frames from a fixed random sequence; the state after each.
  std::vector<std::string> play(int n) {
    random_seed(98);
    std::vector<std::string> states;
    for (int i = 0; i < n; ++i) {
      frame();
      states.push_back(state());
    }
    return states;
  }
  // The main menu's restore: the window in load mode, the slot chosen and
  // restored, then the launch's frames.
  void restore(int slot) {
    app->leave_game();
    g_window_manager.set_window(window_id::main_menu);
    auto* w = dynamic_cast<save_load_window*>(g_window_manager.window(window_id::save_load));
    ASSERT_NE(w, nullptr);
    w->return_window = window_id::main_menu;
    g_window_manager.set_window(window_id::save_load);
    ASSERT_NE(w->slot_buttons[static_cast<std::size_t>(slot)], nullptr);
    // The clicks reach the window's own frame as the UI manager hands them on.
    w->slot_buttons[static_cast<std::size_t>(slot)]->raise_event(ui_event::clicked);
    g_window_manager.frame(0.02f);
    w->main_button->raise_event(ui_event::clicked);
    g_window_manager.frame(0.02f);
    // The frame that ends the launch also runs the world's triggers, from
    // the same draws as the frame after the save.
    for (int i = 0; i < 10 && g_window_manager.top_id() == window_id::launch; ++i) {
      random_seed(99);
      frame();
    }
  }

};

TEST_F(SavedGame, ALoadedGamePlaysOnAsTheGameThatWasNeverSaved) {
  ASSERT_EQ(current_menu_host().save_game(2, nullptr), 0);
  const std::filesystem::path file = home->path() / "documents" / "Hoofmarch Savegames" / "Sample" / "sg02.sav";
  ASSERT_TRUE(std::filesystem::exists(file));
  const std::string saved = test::read_text(file);
  EXPECT_EQ(first_difference(state(), saved), std::string::npos);
  // The game's next frame, then thirty more.
  random_seed(99);
  frame();
  const std::string next = state();
  const std::vector<std::string> never_saved = play(30);
  // The game moved on meanwhile (its triggers ran on).
  ASSERT_NE(first_difference(never_saved.back(), saved), std::string::npos);

  restore(2);
  ASSERT_EQ(g_window_manager.top_id(), window_id::world_map);
  ASSERT_NE(app->campaign(), nullptr);
  EXPECT_EQ(app->campaign()->scalars.current_slot, 2);
  // The loaded game after the launch's last frame is the saved game after
  // its next frame.
  EXPECT_EQ(first_difference(state(), next), std::string::npos);
  // The loaded game goes on on the world map, the game never saved in its
  // menu: the map's campaign time stands still here so that both play the
  // same frames.
  app->campaign()->time.time_frozen = 1;
  const std::vector<std::string> loaded = play(30);
  app->campaign()->time.time_frozen = 0;
  ASSERT_EQ(loaded.size(), never_saved.size());
  for (std::size_t i = 0; i < loaded.size(); ++i)
    ASSERT_EQ(first_difference(loaded[i], never_saved[i]), std::string::npos) << "frame " << i;
}

TEST_F(SavedGame, TheWorldMapFrameRunsCampaignTimeWhileThePlayerRests) {
  // A loaded game lands on the world map.
  ASSERT_EQ(current_menu_host().save_game(3, nullptr), 0);
  restore(3);
  ASSERT_EQ(g_window_manager.top_id(), window_id::world_map);
  campaign_game& c = *app->campaign();
  c.state.rest_time = 1000.0f;
  const std::int64_t before = clock_ticks(clock_campaign);
  const std::int32_t hour_before = c.scalars.calendar[0];
  for (int i = 0; i < 50; ++i) frame();
  // Every frame rests: the hours the clock gained are the hours the rest lost.
  const double hours = static_cast<double>(clock_ticks(clock_campaign) - before) * 0.00001;
  EXPECT_GT(hours, 0.0);
  EXPECT_NEAR(1000.0 - c.state.rest_time, hours, 0.01);
  EXPECT_EQ(c.scalars.calendar[0], static_cast<std::int32_t>(campaign_hours(*g_game)));
  EXPECT_GE(c.scalars.calendar[0], hour_before);
  c.state.rest_time = 0.0f;
}

TEST_F(SavedGame, ABrokenSlotFileIsRefusedAndTheMainMenuStays) {
  ASSERT_EQ(current_menu_host().save_game(1, nullptr), 0);
  const std::filesystem::path file = home->path() / "documents" / "Hoofmarch Savegames" / "Sample" / "sg01.sav";
  const std::string saved = test::read_text(file);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << saved.substr(0, saved.size() - 40);
  restore(1);
  EXPECT_EQ(g_window_manager.top_id(), window_id::main_menu);
  EXPECT_EQ(g_game, nullptr);
  // The message log splits the long line; together its pieces name the file.
  std::string shown;
  for (const ruv_string& line : g_ui_manager.messages.log_history) shown += std::string(line.view()) + " ";
  const std::size_t at = shown.rfind("Load error: ");
  ASSERT_NE(at, std::string::npos) << shown;
  EXPECT_NE(shown.find("sg01.sav", at), std::string::npos) << shown;
}

}  // namespace
