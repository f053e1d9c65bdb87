#pragma once
// The game menu window (23): one of the module's game menus, a block of text
// at the top, up to sixteen option buttons below it, an optional background
// mesh, picture and presentation. Everything a menu does is module code: the
// menu's block runs at build, each option's condition decides whether it
// shows and the chosen option's consequence does the work; scripts answer by
// setting the game's pending screen change code, which the frame turns into a
// window switch or a request of the meta mission.
#include <array>
#include <cstdint>

#include "ui/windows/game_window.h"

namespace hm {

class scrollable_container;
struct game_menu;
struct game_script_words;

inline constexpr int game_menu_option_slots = 16;
// The context word every block of the menu window runs with.
inline constexpr std::int32_t game_menu_block_context = 8;

// Menu flags the window obeys.
namespace game_menu_flag {
inline constexpr std::uint64_t auto_take_first = 0x10;
inline constexpr std::uint64_t window_keys = 0x100;
inline constexpr std::uint64_t no_window_keys = 0x200;
inline constexpr std::uint64_t narrow_background = 0x1000;
}  // namespace game_menu_flag

class game_menu_window final : public forgetful_window {
 public:
  void build() override;
  void frame(float seconds) override;
  // The menu text and the shown options for the game's current menu: every
  // button hidden and enabled, then each item whose condition holds (while
  // fewer than sixteen show) gets the next button; the buttons are placed
  // one under the other and the option panel sized to them.
  virtual void fill_options();
  // The game's current menu record (null outside the table) and its number.
  const game_menu* shown_menu() const { return current_menu(false); }
  std::int32_t shown_menu_number() const;

  std::array<widget*, game_menu_option_slots> option_buttons{};
  std::int32_t option_count = 0;
  std::array<std::int32_t, game_menu_option_slots> option_items{};
  widget* text_widget = nullptr;
  scrollable_container* text_panel = nullptr;
  scrollable_container* option_panel = nullptr;
  widget* picture_widget = nullptr;
  // The display's width over its height (the background narrows above 1.35).
  float display_aspect = 4.0f / 3.0f;
  bool auto_take_failed = false;

 private:
  // The menu the game's current menu number names, null (with a script
  // error) outside the table.
  game_menu* current_menu(bool report) const;
  // Runs the option's consequence; false when it reported a script error.
  bool take_option(int shown_index);
  void act_on_screen_change(game_script_words& words, bool after_option);
  bool window_key(game_script_words& words, std::uint64_t flags);
  void scroll(float wheel);
};

// The list height for n shown options: max(0.04 n, 0.24).
float game_menu_list_height(int shown);

}  // namespace hm
