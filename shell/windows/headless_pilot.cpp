#include "shell/windows/headless_pilot.h"

#include <string>

#include "engine/core/log.h"
#include "module/records/game_menu.h"
#include "script/operation.h"
#include "ui/menus/briefing_windows.h"
#include "ui/menus/game_menu_window.h"
#include "ui/widget/widget.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

// The operation that changes the screen to the mission.
constexpr std::uint32_t change_screen_to_mission = 2048;

bool starts_mission(const statement_block& block) {
  for (const operation& op : block.operations)
    if (op.opcode_bits() == change_screen_to_mission && (op.opcode_word & negate_bit) == 0) return true;
  return false;
}

}  // namespace

int mission_option(const game_window& menu_window) {
  const auto* w = dynamic_cast<const game_menu_window*>(&menu_window);
  if (!w) return -1;
  const game_menu* menu = w->shown_menu();
  if (!menu) return -1;
  for (int i = 0; i < w->option_count; ++i) {
    const std::int32_t item = w->option_items[static_cast<std::size_t>(i)];
    if (item >= 0 && item < menu->item_count() && starts_mission(menu->items[static_cast<std::size_t>(item)].consequence))
      return i;
  }
  return -1;
}

bool headless_pilot::frame() {
  if (finished) return true;
  game_window* top = g_window_manager.top();
  if (!top) return false;
  // A new screen is read for a while first, as a person would.
  if (top != seen_ || top->root == nullptr) {
    seen_ = top;
    seen_frames_ = 0;
  }
  if (++seen_frames_ < reading_frames) return false;
  switch (g_window_manager.top_id()) {
    case window_id::game_menu: {
      auto* menu = dynamic_cast<game_menu_window*>(top);
      if (!menu || !menu->root) return false;
      if (battle_taken) {
        const std::string text = menu->text_widget ? std::string(menu->text_widget->text.view()) : std::string();
        log_line("Game menu " + std::to_string(menu->shown_menu_number()) + ": " + text + "\n");
        finished = true;
        return true;
      }
      const int option = mission_option(*menu);
      if (option < 0) return false;
      log_line("Taking the game menu's option " + std::to_string(option) + ".\n");
      menu->option_buttons[static_cast<std::size_t>(option)]->raise_event(ui_event::clicked);
      battle_taken = true;
      return false;
    }
    case window_id::debrief:
      if (auto* debrief = dynamic_cast<debrief_window*>(top); debrief && debrief->done_button)
        debrief->done_button->raise_event(ui_event::clicked);
      return false;
    default:
      return false;
  }
}

}  // namespace hm
