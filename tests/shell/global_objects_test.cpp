// The engine's objects: started in their fixed order with their start values,
// released in the reverse order with nothing left in any table.
#include "shell/global_objects.h"
#include "shell/state/state_dispatcher.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/settings/key_bindings.h"
#include "module/records/game_menu.h"
#include "module/records/item_kind.h"
#include "module/base/module_settings.h"
#include "module/records/script_table.h"
#include "module/text/string_table.h"
#include "module/text/translation_table.h"
#include "module/records/world_records.h"
#include "script/dialog/conversation.h"
#include "script/script_state.h"

namespace hm {
namespace {

// The user's data folder (where controls.dat lives) points at an empty
// temporary folder for the test.
class empty_user_folder {
 public:
  empty_user_folder() {
    char pattern[] = "/tmp/hoofmarch_globals_XXXXXX";
    path_ = mkdtemp(pattern);
    if (const char* old = std::getenv("XDG_DATA_HOME")) old_ = old;
    setenv("XDG_DATA_HOME", path_.c_str(), 1);
  }
  ~empty_user_folder() {
    if (old_.empty()) {
      unsetenv("XDG_DATA_HOME");
    } else {
      setenv("XDG_DATA_HOME", old_.c_str(), 1);
    }
    std::filesystem::remove_all(path_);
  }

 private:
  std::filesystem::path path_;
  std::string old_;
};

TEST(GlobalObjects, StartInOrderWithTheirStartValuesAndReleaseInReverse) {
  empty_user_folder home;
  // Left-overs of an earlier run that the start must not keep.
  g_script_state.trigger_param_1 = 5;
  g_script_state.fixed_point_multiplier = 1;
  g_script_state.music_requested_track = 3;
  g_script_state.global_variables.assign(16, 7);
  g_key_bindings.keys[0][0] = 99;
  g_translation_table.set_translation("ui_left_over", "x");
  g_meta_mission.request_mask = 0x8;
  g_window_switch_state.launch_mode = 2;
  {
    global_objects globals;
    const std::vector<std::string> names = global_objects::names();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "resource manager");
    // The order of the start-up table: translations before the module
    // settings, the script state before the key bindings, the skills last.
    const auto at = [&](const char* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
    EXPECT_LT(at("translation table"), at("module settings"));
    EXPECT_LT(at("module settings"), at("script state"));
    EXPECT_LT(at("script state"), at("key bindings"));
    EXPECT_LT(at("music player"), at("sound table"));
    EXPECT_EQ(names.back(), "skills");

    EXPECT_EQ(g_script_state.trigger_param_1, -100000);
    EXPECT_EQ(g_script_state.trigger_param_2, -100000);
    EXPECT_EQ(g_script_state.fixed_point_multiplier, 100);
    EXPECT_EQ(g_script_state.music_requested_track, -1);
    EXPECT_TRUE(g_script_state.global_variables.empty());
    // No controls.dat: the default keys, first key only.
    EXPECT_EQ(g_key_bindings.keys[0][0], 17);
    EXPECT_EQ(g_key_bindings.keys[36][0], 88);
    for (const auto& control : g_key_bindings.keys) EXPECT_EQ(control[1], -1);
    EXPECT_EQ(g_translation_table.key_count(), 0);
    // No request waits before a game launches.
    EXPECT_EQ(g_meta_mission.request_mask, 0u);
    EXPECT_EQ(g_window_switch_state.launch_mode, 0);
    EXPECT_EQ(g_window_switch_state.launch_party, -1);

    // A module's worth of tables filled while the program runs.
    g_item_kinds.resize(3);
    g_game_menus.resize(2);
    g_script_table.scripts.resize(4);
    g_string_table.module_strings.resize(5);
    g_conversation.lines.resize(2);
    g_skills[0].id = "skl_a";
    g_translation_table.set_translation("ui_ok", "OK");
    g_meta_mission.request_mask = 0x400;
  }
  EXPECT_EQ(g_meta_mission.request_mask, 0u);
  EXPECT_TRUE(g_item_kinds.empty());
  EXPECT_TRUE(g_game_menus.empty());
  EXPECT_EQ(g_script_table.count(), 0);
  EXPECT_EQ(g_string_table.module_string_count(), 0);
  EXPECT_EQ(g_conversation.line_count(), 0);
  EXPECT_TRUE(g_skills[0].id.empty());
  EXPECT_EQ(g_translation_table.key_count(), 0);

  // Released in exactly the reverse order of the start.
  const std::vector<std::string>& history = global_objects::history();
  const std::vector<std::string> names = global_objects::names();
  ASSERT_EQ(history.size(), names.size() * 2);
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(history[i], "start " + names[i]);
    EXPECT_EQ(history[names.size() + i], "release " + names[names.size() - 1 - i]);
  }
}

}  // namespace
}  // namespace hm
