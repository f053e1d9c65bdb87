#pragma once
// The game options screen (window 18): sound volumes, the mouse, the combat
// difficulty and the battle messages. Every control writes its option into
// g_game_options the moment it changes; options.dat is written when the game
// ends. It opens the video options (19) and controls (20) screens, which come
// back here.
#include <cstdint>

#include "ui/windows/game_window.h"

namespace hm {

class combobox;
class slider;
class widget;

class options_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;

  widget* logo = nullptr;
  widget* battle_size_text = nullptr;
  widget* controls_button = nullptr;
  widget* video_options_button = nullptr;
  widget* done_button = nullptr;
  combobox* damage_to_player_box = nullptr;
  combobox* damage_to_friends_box = nullptr;
  combobox* combat_ai_box = nullptr;
  combobox* combat_speed_box = nullptr;
  combobox* block_direction_box = nullptr;
  combobox* attack_direction_box = nullptr;
  widget* reticule_toggle = nullptr;
  widget* attack_direction_toggle = nullptr;
  widget* friendly_names_toggle = nullptr;
  widget* report_damage_toggle = nullptr;
  widget* shot_difficulty_toggle = nullptr;
  widget* casualties_toggle = nullptr;
  widget* experience_toggle = nullptr;
  slider* battle_size_slider = nullptr;
  slider* music_slider = nullptr;
  slider* sound_slider = nullptr;
  slider* mouse_slider = nullptr;
  widget* invert_mouse_toggle = nullptr;
  widget* difficulty_text = nullptr;

 private:
  void show_difficulty();
  void show_battle_size();
};

// The troop count a battle size shows: v = size x 75, rounded to the nearest
// whole number with a half rounding down, plus 25 (0 shows 25, 1 shows 100).
std::int32_t battle_size_troops(float battle_size);

// The option screens' shared steps.
// A medium button in toggle mode with the value, labelled by it.
widget* make_option_toggle(container& parent, float x, float y, float text_size, std::int32_t value);
// "ui_enabled" when the value is not 0, else "ui_disabled".
void label_toggle(widget& toggle);
// A label (text label with the translated key, left-aligned, the screens'
// text colour).
widget* make_option_label(container& parent, const char* key, float x, float y, float w, float h);
// The full-screen root with a copy of "options_window" as its look.
window_container* make_options_root(std::uint32_t colour);

}  // namespace hm
