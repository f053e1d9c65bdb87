#pragma once
// The main menu (window 4), the first screen after the module has loaded,
// and the in-game menu (window 5) opened from a running game: plain screens
// of labelled text buttons over the module's start or escape presentation.
#include <cstdint>

#include "ui/windows/game_window.h"

namespace hm {

class container;

// The menus' text colour from the module settings, each channel held to
// 0..254: 0xFF000000 | red << 16 | green << 8 | blue.
std::uint32_t main_menu_text_colour();

// A text button: colour 0xFFEFEFEF, text size 0.9 x height, highlight
// 0xFF55FF50, added to parent.
widget* make_text_button(container& parent, const ruv_string& label, float x, float y, float width, float height);
// A plain widget with text size 0.7 x height.
widget* make_text_label(container& parent, const ruv_string& text, float x, float y, float width, float height);
// A text button with the "button5" looks fitted into it.
widget* make_button5(container& parent, const ruv_string& label, float x, float y, float width, float height);

class main_menu_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;

  widget* tutorial_button = nullptr;
  widget* new_game_button = nullptr;
  widget* restore_button = nullptr;
  widget* custom_battle_button = nullptr;  // null when custom battles are off
  widget* options_button = nullptr;
  widget* credits_button = nullptr;
  widget* exit_button = nullptr;
  widget* version_label = nullptr;
  widget* logo_widget = nullptr;
  widget* picture_widget = nullptr;
  std::int32_t latest_save_slot = -1;
  // What the launch is handed for a new game.
  std::int32_t selection_value = 0;
};

class in_game_menu_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;

  widget* return_button = nullptr;
  widget* save_and_exit_button = nullptr;
  widget* options_button = nullptr;
  // Null when the game offers no slots of its own.
  widget* save_button = nullptr;
  widget* save_as_button = nullptr;
  widget* quit_button = nullptr;
  widget* logo_widget = nullptr;
  // The draw that picks the picture (default: the runtime's generator).
  int (*random)() = nullptr;
};

// The picture of the in-game menu for a draw r of rand(): one of four by
// (r mod 15817) / 15817 in quarters.
const char* in_game_menu_picture(int draw);

}  // namespace hm
