// The main and in-game menus: the menu colour from the module settings, the
// button places with and without custom battles, the restore button without
// a saved game, and the save entries while the game forbids saving.
#include <gtest/gtest.h>

#include "module/base/module_settings.h"
#include "ui/menus/front_menus.h"
#include "ui/menus/menu_window_host.h"
#include "ui/support/ui_test_support.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

class save_host final : public menu_window_host {
 public:
  bool saving_blocked() const override { return blocked; }
  std::int32_t save_slot_word() const override { return slots; }
  std::int32_t latest_save_slot() const override { return latest; }
  void prepare_launch(std::int32_t mode, std::int32_t) override { launched = mode; }
  bool blocked = false;
  std::int32_t slots = 0;
  std::int32_t latest = -1;
  std::int32_t launched = -5;
};

class FrontMenus : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_module_settings.set_defaults();
    g_window_manager.create_game_windows();
  }
  void TearDown() override {
    end_running_presentation();
    g_window_manager.destroy_game_windows();
    g_module_settings.set_defaults();
    test::ui_test::TearDown();
  }
  main_menu_window& main_menu() {
    g_window_manager.set_window(window_id::main_menu);
    return *dynamic_cast<main_menu_window*>(g_window_manager.window(window_id::main_menu));
  }
  save_host host;
  scoped_menu_window_host installed{host};
};

TEST_F(FrontMenus, ColourChannelsAreHeldBelowFullStrength) {
  g_module_settings.main_menu_font_color_red = 300;
  g_module_settings.main_menu_font_color_green = -5;
  g_module_settings.main_menu_font_color_blue = 254;
  EXPECT_EQ(main_menu_text_colour(), 0xFFFE00FEu);
  g_module_settings.main_menu_font_color_red = 255;
  g_module_settings.main_menu_font_color_green = 0;
  g_module_settings.main_menu_font_color_blue = 16;
  EXPECT_EQ(main_menu_text_colour(), 0xFFFE0010u);
}

TEST_F(FrontMenus, CustomBattlesMoveTheUpperButtonsCloserAndUp) {
  struct row {
    int quick;
    float tutorial, new_game, restore, options;
    bool custom;
  };
  const row rows[] = {
      {0, 0.4f, 0.32f, 0.24f, 0.16f, false},
      {1, 0.38f, 0.32f, 0.26f, 0.14f, true},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.quick);
    g_module_settings.enable_quick_battles = r.quick;
    main_menu_window& m = main_menu();
    EXPECT_NEAR(m.tutorial_button->local_position.y, r.tutorial, 1e-6f);
    EXPECT_NEAR(m.new_game_button->local_position.y, r.new_game, 1e-6f);
    EXPECT_NEAR(m.restore_button->local_position.y, r.restore, 1e-6f);
    EXPECT_NEAR(m.options_button->local_position.y, r.options, 1e-6f);
    EXPECT_NEAR(m.credits_button->local_position.y, 0.08f, 1e-6f);
    EXPECT_EQ(m.custom_battle_button != nullptr, r.custom);
    if (r.custom) {
      EXPECT_NEAR(m.custom_battle_button->local_position.y, 0.2f, 1e-6f);
    }
    // No saved game: the restore button is there, disabled.
    EXPECT_TRUE(m.restore_button->is_disabled());
  }
}

TEST_F(FrontMenus, NewGameStartsTheLaunchAndExitAsksToQuit) {
  host.latest = 2;
  main_menu_window& m = main_menu();
  EXPECT_FALSE(m.restore_button->is_disabled());
  // Both clicked: the first in order acts, the other waits.
  m.new_game_button->raise_event(ui_event::clicked);
  m.exit_button->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(host.launched, 0);
  EXPECT_EQ(g_window_manager.top_id(), window_id::launch);
  EXPECT_FALSE(host.quit_requested);

  main_menu_window& again = main_menu();
  again.exit_button->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);
  EXPECT_TRUE(host.quit_requested);
}

TEST_F(FrontMenus, SaveEntriesFollowTheSlotsAndTheNoSaveFlag) {
  auto& w = *dynamic_cast<in_game_menu_window*>(g_window_manager.window(window_id::in_game_menu));
  g_window_manager.set_window(window_id::in_game_menu);
  EXPECT_EQ(w.save_button, nullptr);
  EXPECT_FALSE(w.save_and_exit_button->is_disabled());

  host.slots = 1;
  host.blocked = true;
  g_window_manager.set_window(window_id::in_game_menu);
  ASSERT_NE(w.save_button, nullptr);
  EXPECT_TRUE(w.save_and_exit_button->is_disabled());
  EXPECT_TRUE(w.save_button->is_disabled());
  EXPECT_TRUE(w.save_as_button->is_disabled());
  EXPECT_FALSE(w.quit_button->is_disabled());
  EXPECT_NEAR(w.quit_button->local_position.y, 0.08f, 1e-6f);
}

}  // namespace
}  // namespace hm
