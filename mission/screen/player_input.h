#pragma once
// The player's keyboard and mouse turned into the player agent's input block
// (the same block the AI fills for its agents), the camera's turn and zoom,
// and the weapon keys.
#include <cstdint>

#include "mission/screen/mission_screen_state.h"
#include "mission/screen/screen_controls.h"

namespace hm {

class mission;
struct agent;

// Action bits of the input block as the agent frame reads them.
namespace input_bit {
inline constexpr std::uint32_t forward = 0x1;
inline constexpr std::uint32_t backward = 0x2;
inline constexpr std::uint32_t right = 0x4;
inline constexpr std::uint32_t left = 0x8;
inline constexpr std::uint32_t ride_forward = 0x10;
inline constexpr std::uint32_t ride_backward = 0x20;
inline constexpr std::uint32_t ride_right = 0x40;
inline constexpr std::uint32_t ride_left = 0x80;
inline constexpr std::uint32_t attack_held = 0x100;
inline constexpr std::uint32_t defend_held = 0x200;
inline constexpr std::uint32_t attack_pressed = 0x400;
inline constexpr std::uint32_t dismount = 0x10000;
inline constexpr std::uint32_t mount = 0x20000;
inline constexpr std::uint32_t rear = 0x40000;
inline constexpr std::uint32_t ride_start = 0x80000;
inline constexpr std::uint32_t jump = 0x100000;
inline constexpr std::uint32_t walk_fast = 0x200000;
}  // namespace input_bit

// The options and states the input step reads besides the keys.
struct player_input_settings {
  float mouse_sensitivity = 0.5f;
  bool invert_mouse_y = false;
  std::int32_t control_attack_direction = 2;
  std::int32_t control_block_direction = 0;
  bool cheat_mode = false;
  // The application's own frame time (the mission step may be paused).
  float application_frame_time = 0.0f;
  // A presentation runs that takes the mission's input.
  bool presentation_blocks = false;
  // The cursor (0..1 across, 0..0.75 down) for edge scrolling.
  float cursor_x = 0.5f;
  float cursor_y = 0.375f;
};

// The mouse speed factor: 0.04 x 2^(4 x sensitivity), cut to a tenth while
// the player chooses an attack or block direction with the mouse.
float mouse_speed_factor(const mission& m, const agent* player, const player_input_settings& s, bool edit_mode);

// The input step of one frame (frame_time: the mission step).
void update_player_input(mission& m, mission_screen_state& st, const screen_input& in,
                         const player_input_settings& s, float frame_time);

}  // namespace hm
