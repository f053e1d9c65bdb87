#pragma once
// The player's controls as the mission screen reads them: a control is held
// (or clicked) when either of its two bound keys is; a key is clicked when it
// is down now and was up in the previous frame.
#include "engine/app/input_state.h"
#include "engine/settings/key_bindings.h"

namespace hm {

// Control indexes in the key bindings.
namespace control {
inline constexpr int move_forward = 0;
inline constexpr int move_backward = 1;
inline constexpr int move_left = 2;
inline constexpr int move_right = 3;
inline constexpr int action = 4;
inline constexpr int jump = 5;
inline constexpr int attack = 6;
inline constexpr int defend = 7;
inline constexpr int next_weapon = 8;
inline constexpr int next_shield = 9;
inline constexpr int sheathe_weapon = 10;
inline constexpr int leave = 11;
inline constexpr int zoom = 12;
inline constexpr int view_outfit = 13;
inline constexpr int first_person = 14;
inline constexpr int character_window = 15;
inline constexpr int inventory_window = 16;
inline constexpr int party_window = 17;
inline constexpr int quests_window = 18;
inline constexpr int game_log_window = 19;
inline constexpr int view_orders = 20;
inline constexpr int order_first = 21;  // 21 .. 30
inline constexpr int order_last = 30;
inline constexpr int group_everyone = 31;  // 31 .. 35
inline constexpr int group_others = 35;
inline constexpr int quick_save = 36;
}  // namespace control

// The key code of F1 .. F10.
inline constexpr int function_key(int n) { return platform::key::f1 + n - 1; }

// What the screen reads of the keyboard and mouse this frame.
struct screen_input {
  const input_state* state = &g_input_state;
  const key_bindings* bindings = &g_key_bindings;

  bool key_down(int code) const { return state->is_key_down(code); }
  bool key_clicked(int code) const { return state->is_key_clicked(code); }
  bool key_released(int code) const {
    return code >= 0 && code < 256 && state->keys[code] == 0 && state->previous_keys[code] != 0;
  }
  bool held(int c) const { return key_down(bindings->keys[c][0]) || key_down(bindings->keys[c][1]); }
  bool clicked(int c) const { return key_clicked(bindings->keys[c][0]) || key_clicked(bindings->keys[c][1]); }
  bool ctrl() const {
    return key_down(platform::key::left_control) || key_down(platform::key::right_control);
  }
  bool shift() const { return key_down(platform::key::left_shift) || key_down(platform::key::right_shift); }
  bool alt() const { return key_down(platform::key::left_alt) || key_down(platform::key::right_alt); }
};

}  // namespace hm
