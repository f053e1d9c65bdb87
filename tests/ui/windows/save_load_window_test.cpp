// The save and load window over a folder of slot files: what each slot shows
// (a broken file marked, never fatal to the list), which buttons a selection
// enables, loading only a loadable slot, saving under a typed name (a failed
// save keeps the window open and never says "saved"), deleting after the
// question; and the in-game menu's save buttons.
#include "ui/windows/save_load_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "campaign/save/save_format.h"
#include "engine/app/input_state.h"
#include "engine/core/stream.h"
#include "module/base/module_paths.h"
#include "module/base/module_settings.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/front_menus.h"
#include "ui/menus/menu_window_host.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/widget.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

class recording_host final : public menu_window_host {
 public:
  std::int32_t save_slot_word() const override { return 1; }
  void prepare_launch(std::int32_t mode, std::int32_t argument) override {
    launched_mode = mode;
    launched_slot = argument;
  }
  int save_game(std::int32_t slot, const ruv_string* name) override {
    saves.push_back({slot, name ? std::string(name->view()) : std::string("(none)")});
    return save_result;
  }
  void end_game() override { ++ended; }
  ruv_string player_name() const override { return ruv_string("Aldric"); }
  void update_difficulty() override { ++difficulty_updates; }

  std::int32_t launched_mode = -1;
  std::int32_t launched_slot = -1;
  std::vector<std::pair<std::int32_t, std::string>> saves;
  int save_result = 0;
  int ended = 0;
  int difficulty_updates = 0;
};

void write_file(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

std::string header_bytes(std::int32_t tag, std::int32_t version, std::int32_t module_version, const char* name,
                         float hours) {
  save_header h;
  h.tag = tag;
  h.file_version = version;
  h.module_version = module_version;
  h.save_name = ruv_string(name);
  h.player_name = ruv_string("Aldric");
  h.player_level = 4;
  h.game_hours = hours;
  binary_writer w;
  write_save_header(h, w);
  return std::string(w.contents());
}

class SaveLoadWindow : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    // The message log's lines are laid out with the test's font and materials.
    g_ui_manager.messages.resources = &resources;
    g_ui_manager.messages.font = &font;
    root = fs::temp_directory_path() / ("hm_slots_" + std::to_string(::getpid()));
    fs::remove_all(root);
    setenv("XDG_DOCUMENTS_DIR", root.c_str(), 1);
    set_module_name("Sample");
    g_compatible_module_version = 5;
    g_window_manager.create_game_windows();
    // Slot 0 good, 1 another kind of file, 2 too old a version, 3 an older
    // module, 4 cut short, 5 good after 30 game hours.
    write_file(slot(0), header_bytes(save_file_tag, 1011, 5, "Spring", 1.0f));
    write_file(slot(1), header_bytes(0x12345678, 900, 5, "Odd", 1.0f));
    write_file(slot(2), header_bytes(save_file_tag, 900, 5, "Old", 1.0f));
    write_file(slot(3), header_bytes(save_file_tag, 1011, 4, "Older module", 1.0f));
    write_file(slot(4), std::string("SKVL\xF3\x03", 6));
    write_file(slot(5), header_bytes(save_file_tag, 1011, 5, "Day two", 30.0f));
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_ui_manager.messages.resources = nullptr;
    g_ui_manager.messages.font = nullptr;
    g_input_state = input_state{};
    g_compatible_module_version = 0;
    unsetenv("XDG_DOCUMENTS_DIR");
    fs::remove_all(root);
    test::ui_test::TearDown();
  }
  fs::path slot(int n) const { return slot_file_path("Sample", n); }
  save_load_window& open(int return_to) {
    auto* w = dynamic_cast<save_load_window*>(g_window_manager.window(window_id::save_load));
    w->return_window = return_to;
    g_window_manager.set_window(window_id::save_load);
    return *w;
  }
  static void click(widget* w) {
    ASSERT_NE(w, nullptr);
    w->raise_event(ui_event::clicked);
    g_window_manager.frame(0.02f);
  }
  // The message box's answer, as its buttons give it, and the box closed.
  static void answer(std::int32_t& target, std::int32_t value) {
    target = value;
    g_window_manager.pop_window();
    g_window_manager.frame(0.02f);
  }

  fs::path root;
  recording_host host;
  scoped_menu_window_host installed{host};
};

TEST_F(SaveLoadWindow, SlotsShowTheirHeadersAndEachProblem) {
  save_load_window& w = open(window_id::main_menu);
  EXPECT_FALSE(w.save_mode);
  // Loading lists only the slots whose files exist.
  for (int i = 0; i < save_slot_count; ++i) EXPECT_EQ(w.slot_buttons[static_cast<std::size_t>(i)] != nullptr, i <= 5) << i;
  EXPECT_EQ(w.slots[0].save_name.view(), "Spring");
  EXPECT_TRUE(w.slots[0].loadable());
  // A wrong tag says so even when the version is wrong too.
  EXPECT_STREQ(save_slot_problem_text(w.slots[1]), "Incrct. File Type!");
  EXPECT_STREQ(save_slot_problem_text(w.slots[2]), "Incomp. File Ver.!");
  EXPECT_STREQ(save_slot_problem_text(w.slots[3]), "Incomp. Mod. Ver.!");
  EXPECT_EQ(w.slots[4].unreadable, 1);
  EXPECT_FALSE(w.slots[4].loadable());
  EXPECT_EQ(save_date_text("Day %d, %d:%d%d", 30.0f).view(), "Day 2, 6:00");
  EXPECT_EQ(save_date_text("Day %d, %d:%d%d", 0.75f).view(), "Day 1, 0:45");
  // A translation with a wrong conversion prints it, never reads past the values.
  EXPECT_EQ(save_date_text("%s %d", 30.0f).view(), "%s 2");
  EXPECT_TRUE(w.main_button->is_disabled());
  EXPECT_TRUE(w.delete_button->is_disabled());
}

TEST_F(SaveLoadWindow, OnlyALoadableSlotStartsTheLoad) {
  save_load_window& w = open(window_id::main_menu);
  for (int bad : {1, 2, 3, 4}) {
    click(w.slot_buttons[static_cast<std::size_t>(bad)]);
    EXPECT_EQ(w.selected, bad);
    EXPECT_FALSE(w.main_button->is_disabled());
    click(w.main_button);
    EXPECT_EQ(host.launched_mode, -1) << bad;
    EXPECT_EQ(g_window_manager.top_id(), window_id::save_load);
  }
  click(w.slot_buttons[5]);
  click(w.main_button);
  EXPECT_EQ(host.launched_mode, 1);
  EXPECT_EQ(host.launched_slot, 5);
  EXPECT_EQ(g_window_manager.top_id(), window_id::launch);
  EXPECT_EQ(g_window_manager.window(window_id::launch)->mode, 1);
}

TEST_F(SaveLoadWindow, SavingAsksANameAndAFailedSaveKeepsTheWindow) {
  save_load_window& w = open(window_id::in_game_menu);
  EXPECT_TRUE(w.save_mode);
  for (widget* b : w.slot_buttons) EXPECT_NE(b, nullptr);
  // An empty slot: save enabled, nothing to delete.
  click(w.slot_buttons[7]);
  EXPECT_FALSE(w.main_button->is_disabled());
  EXPECT_TRUE(w.delete_button->is_disabled());
  click(w.main_button);
  ASSERT_EQ(g_window_manager.top_id(), window_id::message_box);
  EXPECT_EQ(w.entered_name.view(), "Aldric");
  // Cancelled: nothing saved, the window stays.
  answer(w.name_answer, 1);
  EXPECT_TRUE(host.saves.empty());
  EXPECT_EQ(g_window_manager.top_id(), window_id::save_load);

  // A used slot offers its own name; the save fails: the window stays and
  // "saved" is never shown.
  click(w.slot_buttons[0]);
  click(w.main_button);
  EXPECT_EQ(w.entered_name.view(), "Spring");
  host.save_result = 1;
  const std::size_t lines = g_ui_manager.messages.log_history.size();
  w.entered_name = ruv_string("Camp");
  answer(w.name_answer, 0);
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0], std::make_pair(0, std::string("Camp")));
  EXPECT_EQ(g_window_manager.top_id(), window_id::save_load);
  EXPECT_EQ(g_ui_manager.messages.log_history.size(), lines);

  host.save_result = 0;
  click(w.main_button);
  w.entered_name = ruv_string("Camp");
  answer(w.name_answer, 0);
  EXPECT_EQ(host.saves.size(), 2u);
  EXPECT_EQ(g_window_manager.top_id(), window_id::in_game_menu);
  ASSERT_FALSE(g_ui_manager.messages.log_history.empty());
  EXPECT_EQ(g_ui_manager.messages.log_history.back().view(), "STR NOT FOUND: ui_game_saved");
}

TEST_F(SaveLoadWindow, DeletingAsksFirstAndRereadsTheSlots) {
  save_load_window& w = open(window_id::main_menu);
  // The Delete key does nothing while no slot is selected.
  g_input_state.keys[key_delete] = 1;
  g_window_manager.frame(0.02f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::save_load);
  g_input_state = input_state{};
  click(w.slot_buttons[0]);
  EXPECT_FALSE(w.delete_button->is_disabled());
  g_input_state.keys[key_delete] = 1;
  g_window_manager.frame(0.02f);
  g_input_state = input_state{};
  ASSERT_EQ(g_window_manager.top_id(), window_id::message_box);
  answer(w.delete_answer, 1);
  EXPECT_TRUE(fs::exists(slot(0)));
  click(w.delete_button);
  answer(w.delete_answer, 0);
  EXPECT_FALSE(fs::exists(slot(0)));
  EXPECT_EQ(g_window_manager.top_id(), window_id::save_load);
  EXPECT_EQ(w.slot_buttons[0], nullptr);
  EXPECT_EQ(w.selected, -1);
}

TEST_F(SaveLoadWindow, InGameMenuKeepsTheGameWhenItsSaveFails) {
  auto* menu = dynamic_cast<in_game_menu_window*>(g_window_manager.window(window_id::in_game_menu));
  menu->return_window = window_id::world_map;
  g_window_manager.set_window(window_id::in_game_menu);
  host.save_result = 1;
  click(menu->save_and_exit_button);
  EXPECT_EQ(host.ended, 0);
  EXPECT_EQ(g_window_manager.top_id(), window_id::in_game_menu);
  click(menu->save_button);
  EXPECT_EQ(g_window_manager.top_id(), window_id::in_game_menu);
  EXPECT_EQ(host.saves.size(), 2u);

  host.save_result = 0;
  click(menu->save_button);
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
  g_window_manager.set_window(window_id::in_game_menu);
  click(menu->save_and_exit_button);
  EXPECT_EQ(host.saves, (std::vector<std::pair<std::int32_t, std::string>>(4, {-1, "(none)"})));
  EXPECT_EQ(host.ended, 1);
  EXPECT_EQ(host.difficulty_updates, 2);
  EXPECT_EQ(g_window_manager.top_id(), window_id::main_menu);

  g_window_manager.set_window(window_id::in_game_menu);
  click(menu->save_as_button);
  EXPECT_EQ(g_window_manager.top_id(), window_id::save_load);
  EXPECT_EQ(g_window_manager.window(window_id::save_load)->return_window, window_id::in_game_menu);
}

}  // namespace
}  // namespace hm
