// The game menu window over the sample module's menus: options shown and
// hidden by their conditions, a consequence that starts the battle through
// the meta mission, the result menu after it, a failing consequence that
// keeps the menu open, the list layout and the screen change codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/stream.h"
#include "module/base/module_text.h"
#include "module/loading/game.h"
#include "module/media/tableau_material.h"
#include "module/records/game_menu.h"
#include "module/records/script_table.h"
#include "script/ops/encounter.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"
#include "ui/menus/game_menu_window.h"
#include "ui/menus/menu_window_host.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/tableau/tableau_manager.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

constexpr int start_menu = 0;
constexpr int town_menu = 1;
constexpr int result_menu = 2;

class GameMenu : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    text_reader r;
    ASSERT_TRUE(r.open(HOOFMARCH_DATA_DIR "/Modules/Sample/menus.txt"));
    read_module_header(r);
    load_record_table(r, g_game_menus, "menus", load_game_menus);
    host.module.menus = static_cast<int>(g_game_menus.size());
    // The menus' blocks call the sample's scripts.
    text_reader scripts;
    ASSERT_TRUE(scripts.open(HOOFMARCH_DATA_DIR "/Modules/Sample/scripts.txt"));
    script_table table;
    load_scripts(table, scripts);
    for (script& s : table.scripts) host.module.scripts.push_back(std::move(s.block));
    g_script_state.reset();
    g_meta_mission = meta_mission_words{};
    g_game = std::make_unique<game>();
    host.campaign.add_party(0);
    // The band the battle option meets.
    host.campaign.add_party(1);
    g_window_manager.create_game_windows();
    g_window_manager.dispatch_meta_mission_requests = [this] { dispatched.push_back(g_meta_mission.request_mask); };
  }
  void TearDown() override {
    end_running_presentation();
    g_window_manager.destroy_game_windows();
    g_window_manager.dispatch_meta_mission_requests = nullptr;
    g_game.reset();
    g_game_menus.clear();
    test::ui_test::TearDown();
  }
  game_script_words& words() { return host.campaign.words; }
  game_menu_window& open(int menu, std::int32_t return_id = window_id::character) {
    words().current_menu = menu;
    auto* w = dynamic_cast<game_menu_window*>(g_window_manager.window(window_id::game_menu));
    EXPECT_NE(w, nullptr);
    w->return_window = return_id;
    g_window_manager.set_window(window_id::game_menu);
    return *w;
  }
  std::vector<std::string> shown(const game_menu_window& w) const {
    std::vector<std::string> out;
    for (int i = 0; i < w.option_count; ++i) {
      const widget* b = w.option_buttons[static_cast<std::size_t>(i)];
      if (!b->is_hidden()) out.emplace_back(b->text.view());
    }
    return out;
  }
  void set_survivors(int n) {
    // One stack of the player's party (id 0) holds the men left.
    host.campaign.slots[0].stacks.clear();
    if (n > 0) host.campaign.slots[0].stacks.push_back({n, 1, 0, 0});
  }

  test::fake_script_host host;
  std::vector<std::uint32_t> dispatched;
};

TEST_F(GameMenu, OptionsAreShownAndHiddenByTheirConditions) {
  // The town's block sets register 0 to 1, which the walk's condition asks.
  game_menu_window& town = open(town_menu);
  EXPECT_EQ(shown(town), (std::vector<std::string>{"Take a walk around the streets.", "Leave the town.",
                                                  "Visit the merchant's stall", "Return to the road"}));
  EXPECT_EQ(town.option_items[0], 0);

  // The result menu counts the player's men into register 1: survivors show
  // the two options of a held field, none the one of a lost battle.
  set_survivors(7);
  game_menu_window& won = open(result_menu);
  EXPECT_EQ(shown(won), (std::vector<std::string>{"Your men hold the field. Ride on.", "Lead them into battle again.",
                                       "Look over your men and the captives."}));
  EXPECT_EQ(won.option_items[1], 2);
  EXPECT_EQ(g_script_state.registers[1], 7);
  set_survivors(0);
  game_menu_window& lost = open(result_menu);
  EXPECT_EQ(shown(lost), (std::vector<std::string>{"None of your men still stand. Limp away.",
                                       "Look over your men and the captives."}));
  EXPECT_EQ(lost.option_items[0], 1);
  // The text went through the token expander.
  EXPECT_NE(std::string(lost.text_widget->text.view()).find("<reg1>"), std::string::npos);
}

// A menu's block may choose a picture: the tableau drawn for a value, placed
// at a register's x and y. A menu that chooses none, or a tableau outside the
// table, leaves the picture hidden.
TEST_F(GameMenu, TheBlocksTableauPictureIsShownWhereItAsks) {
  tableau_material banner;
  banner.name = ruv_string("tab_menu_banner");
  banner.width = banner.height = 16;
  banner.values[2] = 0.2f;
  banner.values[3] = 0.1f;
  g_tableau_materials.materials.push_back(banner);
  host.render.tableaus = 1;
  g_script_state.position_registers[3].origin = vec3(0.6f, 0.4f, 0.0f);
  const int pictured = static_cast<int>(g_game_menus.size());
  for (const std::int64_t tableau : {0, 1}) {
    game_menu m;
    m.id = ruv_string("menu_pictured");
    m.operations = test::make_block({{2032, {tableau, 7, 3}}});
    g_game_menus.push_back(std::move(m));
  }
  host.module.menus = static_cast<int>(g_game_menus.size());

  game_menu_window& w = open(pictured);
  ASSERT_NE(w.picture_widget, nullptr);
  EXPECT_FALSE(w.picture_widget->is_hidden());
  EXPECT_FLOAT_EQ(w.picture_widget->local_position.x, 0.6f);
  EXPECT_FLOAT_EQ(w.picture_widget->local_position.y, 0.4f);
  const mesh* picture = w.picture_widget->get_mesh(0);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->mat, g_tableau_manager.get_or_create_instance(0, 7)->mat.get());

  for (const int menu : {pictured + 1, town_menu}) {
    SCOPED_TRACE(menu);
    game_menu_window& plain = open(menu);
    EXPECT_TRUE(plain.picture_widget->is_hidden());
    EXPECT_EQ(plain.picture_widget->get_mesh(0), nullptr);
  }
  g_window_manager.destroy_game_windows();
  g_tableau_manager.purge_unused_instances();
  g_tableau_materials = tableau_material_table{};
}

// The battle option notes both sides' members and wounded; the result menu
// tells what the battle changed. The player's party goes from 5 men to 3, one
// of them wounded; the band from 5 to 4, two of them wounded, in two stacks.
TEST_F(GameMenu, TheResultMenuCountsEachSidesMenLostAndWounded) {
  host.campaign.slots[0].stacks = {{5, 1, 0, 0}};
  host.campaign.slots[1].stacks = {{5, 4, 0, 0}};
  game_menu_window& start = open(start_menu);
  start.option_buttons[1]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);

  host.campaign.slots[0].stacks = {{3, 1, 0, 1}};
  host.campaign.slots[1].stacks = {{3, 4, 0, 1}, {1, 5, 0, 1}};
  game_menu_window& result = open(result_menu);
  const auto& reg = g_script_state.registers;
  EXPECT_EQ(reg[2], 2);  // lost of the player's party
  EXPECT_EQ(reg[3], 1);  // wounded in the battle
  EXPECT_EQ(reg[1], 2);  // still standing: 3 members, 1 wounded
  EXPECT_EQ(reg[4], 1);  // the band's lost
  EXPECT_EQ(reg[5], 2);  // and wounded, over both stacks
  // Men still standing: the field is held.
  EXPECT_EQ(shown(result), (std::vector<std::string>{"Your men hold the field. Ride on.", "Lead them into battle again.",
                                       "Look over your men and the captives."}));
}

TEST_F(GameMenu, TwoOptionsReserveTheListHeightAndButtonsStandCentred) {
  set_survivors(0);
  game_menu_window& w = open(result_menu);
  ASSERT_EQ(w.option_count, 2);
  EXPECT_FLOAT_EQ(game_menu_list_height(1), 0.24f);
  EXPECT_FLOAT_EQ(game_menu_list_height(7), 0.28f);
  const widget* b = w.option_buttons[0];
  EXPECT_NEAR(b->local_position.x, 0.325f - 0.32f, 1e-6f);
  EXPECT_NEAR(b->local_position.y, 0.24f - 0.04f, 1e-6f);
  EXPECT_NEAR(w.option_buttons[1]->local_position.y, 0.24f - 0.08f, 1e-6f);
  for (std::size_t i = 2; i < w.option_buttons.size(); ++i) EXPECT_TRUE(w.option_buttons[i]->is_hidden());
  // The list's scroll bar stands on the window at (0.7, 0.02), 0.36 high;
  // the list itself at (0.01, 0.02).
  const scrollbar* bar = w.option_panel->scroll_bars[1];
  ASSERT_NE(bar, nullptr);
  const ui_vec2 window{w.option_panel->absolute_position.x - 0.01f, w.option_panel->absolute_position.y - 0.02f};
  EXPECT_NEAR(bar->absolute_position.x - window.x, 0.7f, 1e-6f);
  EXPECT_NEAR(bar->absolute_position.y - window.y, 0.02f, 1e-6f);
  EXPECT_NEAR(bar->size.y, 0.36f, 1e-6f);
}

TEST_F(GameMenu, TheBattleOptionRequestsTheMissionAndLeavesTheResultMenuCurrent) {
  game_menu_window& w = open(start_menu);
  ASSERT_GE(shown(w).size(), 3u);
  ASSERT_EQ(shown(w)[1], "Lead your men into battle");
  w.option_buttons[1]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);
  // Scene, template value and entry of the next mission; the menu after it.
  EXPECT_EQ(words().next_scene, 3);
  EXPECT_EQ(words().next_mission_value, 2);
  EXPECT_EQ(words().next_entry_point, 0);
  EXPECT_EQ(words().current_menu, result_menu);
  EXPECT_EQ(words().screen_change_code, 0);
  ASSERT_EQ(dispatched.size(), 1u);
  EXPECT_EQ(dispatched[0] & 0x8u, 0x8u);
}

TEST_F(GameMenu, LaterOfTwoClickedButtonsWins) {
  set_survivors(3);
  game_menu_window& w = open(result_menu);
  w.option_buttons[0]->raise_event(ui_event::clicked);
  w.option_buttons[1]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);
  // The second shown option is the battle again: a mission request.
  ASSERT_EQ(dispatched.size(), 1u);
  EXPECT_EQ(dispatched[0] & 0x8u, 0x8u);
}

TEST_F(GameMenu, AFailingConsequenceKeepsTheMenuOpenWithAScriptError) {
  game_menu_window& w = open(start_menu);
  // A consequence that jumps to a menu outside the table stops there: the
  // mission request after it never comes.
  game_menu_item& battle = g_game_menus[start_menu].items[1];
  battle.consequence = test::make_block({{2060, {99}}, {2048}}, "broken consequence");
  host.take_messages();
  w.option_buttons[1]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_menu);
  EXPECT_TRUE(dispatched.empty());
  EXPECT_EQ(words().current_menu, start_menu);
  const std::vector<std::string> lines = host.take_messages();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.front().find("Invalid Menu ID: 99"), std::string::npos) << lines.front();
  // The menu still answers: its first option leaves for the return window.
  w.option_buttons[0]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::character);
}

TEST_F(GameMenu, AMenuNumberOutsideTheTableShowsNothingWithAScriptError) {
  host.take_messages();
  game_menu_window& w = open(17);
  EXPECT_EQ(w.option_count, 0);
  const std::vector<std::string> lines = host.take_messages();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.front().find("Invalid Menu ID: 17"), std::string::npos);
}

TEST_F(GameMenu, ScreenChangeCodesBecomeSwitchesOrRequests) {
  struct row {
    std::int32_t code;
    std::int32_t return_id;
    std::uint32_t request;  // 0: none dispatched
    int top;                // the window on top afterwards
    std::int32_t code_after;
  };
  const row rows[] = {
      {2, window_id::character, 0x80, window_id::game_menu, 0},
      {8, window_id::character, 0x100, window_id::game_menu, 0},
      {13, window_id::character, 0x8, window_id::game_menu, 0},
      {14, window_id::character, 0x800, window_id::game_menu, 0},
      {15, 100, 0x1000, window_id::game_menu, 0},
      {16, 100, 0x2000, window_id::game_menu, 0},
      {18, 100, 0x400, window_id::game_menu, 0},
      {16, window_id::character, 0, window_id::note, 0},
      // The menu leaves the trade code set; the trade window takes it.
      {4, window_id::character, 0, window_id::inventory, 0},
      {6, window_id::character, 0, window_id::party, 0},
      {17, window_id::character, 0, window_id::world_map, 0},
      {1, window_id::character, 0, window_id::character, 0},
      {9, window_id::character, 0, window_id::party, 0},
      {10, window_id::character, 0, window_id::party, 0},
      {11, window_id::character, 0, window_id::character, 0},
      {12, window_id::character, 0, window_id::character, 0},
      {19, window_id::character, 0, window_id::game_menu, 19},
  };
  // The trade's one-time tutorial box is not part of this.
  g_game->inventory_tutorial_shown = true;
  for (const row& r : rows) {
    SCOPED_TRACE(r.code);
    dispatched.clear();
    g_meta_mission.request_mask = 0;
    open(town_menu, r.return_id);
    words().screen_change_code = r.code;
    g_window_manager.frame(0.02f);
    if (r.request) {
      ASSERT_EQ(dispatched.size(), 1u);
      EXPECT_EQ(dispatched[0], r.request);
    } else {
      EXPECT_TRUE(dispatched.empty());
    }
    EXPECT_EQ(g_window_manager.top_id(), r.top);
    EXPECT_EQ(words().screen_change_code, r.code_after);
  }
}

TEST_F(GameMenu, LeavingThroughTheDispatcherMarksTheResult) {
  open(town_menu, 100);
  words().screen_change_code = 1;
  g_window_manager.frame(0.02f);
  ASSERT_EQ(dispatched.size(), 1u);
  EXPECT_EQ(*current_menu_host().menu_result_word() & 1, 1);
}

TEST_F(GameMenu, AnOptionTakenFromADispatchedMenuAsksForTheMenuAgain) {
  open(town_menu, 100);
  auto* w = dynamic_cast<game_menu_window*>(g_window_manager.window(window_id::game_menu));
  // Leave the town: its consequence is empty.
  w->option_buttons[1]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.02f);
  ASSERT_EQ(dispatched.size(), 1u);
  EXPECT_EQ(dispatched[0], 0x400u);
}

}  // namespace
}  // namespace hm
namespace hm {
namespace {

// A menu's short text fits its box: the content is as large as the text it
// holds, so no scroll bar is needed and none can scroll the text away, at
// either end of the bar.
TEST_F(GameMenu, TheMenuTextShowsInsideItsBox) {
  game_menu_window& w = open(result_menu);
  scrollable_container* panel = w.text_panel;
  ASSERT_NE(panel, nullptr);
  widget* text = panel->first_content_child();
  ASSERT_NE(text, nullptr);
  ASSERT_FALSE(text->text.view().empty());
  EXPECT_EQ(panel->scroll_bar_enabled[1], 0u);
  for (const float value : {0.0f, 1.0f}) {
    SCOPED_TRACE(value);
    panel->scroll_bars[1]->set_float_value(value);
    g_window_manager.frame(0.02f);
    const float bottom = panel->absolute_position.y;
    const float top = bottom + panel->size.y;
    EXPECT_GE(text->absolute_position.y, bottom - 1e-6f);
    EXPECT_LE(text->absolute_position.y + text->size.y, top + 1e-6f);
    // It stands at the top of the box.
    EXPECT_NEAR(text->absolute_position.y + text->size.y, top, 1e-5f);
  }
}

}  // namespace
}  // namespace hm
