#include "shell/state/game_launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "tests/shell/state/recording_hosts.h"
#include "tests/shell/support/shell_test_support.h"

namespace hm {
namespace {

using calls_t = std::vector<std::string>;
namespace fs = std::filesystem;

class Launch : public testing::Test {
 protected:
  // Runs frames until the launch window switched; returns how many ran.
  int run_to_switch(int limit = 20) {
    for (int frame = 1; frame <= limit; ++frame) {
      const int top = host.top;
      load_window_frame(host, host, launch, meta, state);
      if (host.top != top) return frame;
    }
    return -1;
  }
  test::recording_hosts host;
  game_launch launch;
  meta_mission_words meta;
  window_switch_dispatcher state;
};

TEST_F(Launch, NewGameReachesTheGameMenuInEightFramesWithItsLogLines) {
  const fs::path log_path = fs::temp_directory_path() / ("hoofmarch_launch_" + std::to_string(::getpid()) + ".txt");
  ASSERT_TRUE(open_engine_log(log_path.string()));
  launch.start_value = 5;
  meta.request_mask = 0;

  // The message after each step.
  const char* messages[] = {"ui_creating_game",         "ui_loading_setting_data", "ui_loading_savegame_file",
                            "ui_loading_map_file",      "ui_initializing_map",     "ui_launching_game",
                            "ui_finished"};
  for (const char* expected : messages) {
    EXPECT_FALSE(launch_game_step(host, launch, meta));
    EXPECT_EQ(std::string(launch.message.view()), expected);
  }
  EXPECT_EQ(meta.request_mask, 0x400u);
  EXPECT_EQ(host.top, -1);
  load_window_frame(host, host, launch, meta, state);
  EXPECT_EQ(host.top, 23);
  EXPECT_EQ(host.calls, (calls_t{"create_game 5 0", "world_data", "parties", "map_data", "init_map", "map_scene",
                                 "game_start", "game_launch_mode 0", "reset_character", "reset_face_generator", "return 23 15",
                                 "set_window 23"}));
  engine_log().close();
  const std::string log = test::read_text(log_path);
  fs::remove(log_path);
  EXPECT_EQ(log,
            "Starting new log file.\nload_map_data complete.\nInit_map complete.\ninit_meta_mission complete.\n"
            "launch complete.\nSwitching to menu window...\n");

  // Further calls do nothing.
  host.calls.clear();
  EXPECT_TRUE(launch_game_step(host, launch, meta));
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(Launch, FramesFromFirstStepToTheSwitch) {
  EXPECT_EQ(run_to_switch(), 8);
}

TEST_F(Launch, LoadedGameReadsTheSaveAndNeverParties) {
  launch.launch_mode = 1;
  launch.save_path = "sg00.sav";
  host.header_in_save.player_name = "Aldric";
  host.header_in_save.save_name = "Before the siege";
  host.header_in_save.value = 77;
  EXPECT_EQ(run_to_switch(), 8);
  EXPECT_EQ(host.calls, (calls_t{"open_save sg00.sav", "create_game 0 0", "world_data", "names Aldric Before the siege",
                                 "read_save", "map_data", "init_map", "map_scene", "set_window 7"}));
  EXPECT_EQ(g_save_header_value, 77);
  EXPECT_FALSE(launch.reader_open);
}

TEST_F(Launch, UnopenableSaveIsFatal) {
  scoped_fatal_throw fatal;
  launch.launch_mode = 1;
  launch.save_path = "missing.sav";
  host.save_opens = false;
  EXPECT_THROW(launch_game_step(host, launch, meta), fatal_error);
}

TEST_F(Launch, StartsWithoutTheMapReadPartiesAndOpenTheMenuThroughTheDispatcher) {
  for (std::int32_t mode : {2, 3}) {
    SCOPED_TRACE(mode);
    host = {};
    launch = {};
    state = {};
    launch.launch_mode = mode;
    EXPECT_EQ(run_to_switch(), 8);
    EXPECT_EQ(host.calls, (calls_t{"create_game 0 1", "world_data", "parties", "player_name ui_player", "game_start",
                                   "game_launch_mode " + std::to_string(mode), "reset 23", "return 23 100",
                                   "set_window 23"}));
    EXPECT_EQ(state.launch_mode, mode);
    EXPECT_EQ(state.menu_opened, 1);
    EXPECT_EQ(state.launch_party, -1);
    EXPECT_EQ(meta.request_mask, 0u);
  }
}

}  // namespace
}  // namespace hm
