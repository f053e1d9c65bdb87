#pragma once
// What the mission screen's frame, camera, head-up display and prompt share
// between frames, and the game's words they read and write. The game's words
// live here until the game record carries them; the screen owns one copy.
#include <array>
#include <cstdint>

#include "engine/core/math.h"
#include "engine/core/timer.h"

namespace hm {

// Prompt kinds of the action key.
namespace prompt_kind {
inline constexpr std::int32_t none = -1;
inline constexpr std::int32_t talk = 1;
inline constexpr std::int32_t mount = 2;
inline constexpr std::int32_t dismount = 3;
inline constexpr std::int32_t door = 4;
inline constexpr std::int32_t chest = 5;
inline constexpr std::int32_t go = 6;
inline constexpr std::int32_t equip = 7;
inline constexpr std::int32_t leave = 8;
}  // namespace prompt_kind

// The order list's display state.
namespace order_display {
inline constexpr std::int32_t hidden = 0;
inline constexpr std::int32_t armed = 1;
inline constexpr std::int32_t shown = 2;
}  // namespace order_display

inline constexpr float min_camera_distance = 0.7f;
inline constexpr float max_camera_distance = 10.0f;
inline constexpr float min_field_of_view = 37.0f;
inline constexpr float max_field_of_view = 97.0f;
inline constexpr float max_first_person_field_of_view = 90.0f;
inline constexpr float max_camera_pitch = 0.9519978f;

struct mission_camera_state {
  frame camera = frame::identity();
  float yaw = 0.0f;
  float pitch = 0.0f;
  float roll = 0.0f;
  float yaw_speed = 0.0f;
  float pitch_speed = 0.0f;
  float distance = 1.1f;
  float smoothed_distance = 1.1f;
  float field_of_view = max_field_of_view;
  float low_offset = 0.0f;
  float height = 1.65f;
  vec3 smoothed_head{-1000000.0f, -1000000.0f, -1000000.0f};
  float near_plane = 0.03f;
  // The view angle (radians) and aspect the last perspective was set with.
  float view_angle = 0.0f;
  float aspect = 0.75f;
};

// The free camera of the scene edit mode.
struct edit_camera_words {
  vec3 position;
  // A glide runs towards the target until the timer passes its seconds.
  vec3 glide_target;
  timer glide_timer{clock_real_time};
  float glide_seconds = 0.0f;
  float fly_speed = 0.0f;
  // Doubles with quick presses of the forward key, at most 32.
  float speed_multiplier = 1.0f;
  std::int64_t last_forward_press = -1000000;
};

// The game's words the screen reads and writes.
struct mission_game_words {
  std::int32_t edit_mode = 0;
  edit_camera_words edit_camera;
  // The scene to move to (-1 none) and its entry.
  std::int32_t next_scene = -1;
  std::int32_t next_entry = 0;
  std::uint8_t quick_save_blocked = 0;
  std::int32_t hide_panel = 0;
  // 15 asks for requested_presentation.
  std::int32_t request = 0;
  std::int32_t requested_presentation = -1;
  // Handed to the template's triggers with event -8, -1 none.
  std::int32_t pending_trigger_parameter = -1;
  std::uint8_t talk_allowed = 0;
  std::uint8_t talk_blocked = 0;
  std::int32_t group_modifier = 0;
  // The answer of the scene-save question, -1 none waiting.
  std::int32_t scene_save_answer = -1;
  // The threshold of mesh point counts the material test compares with.
  std::int32_t point_threshold = 30;
};

struct mission_screen_state {
  mission_camera_state cam;
  // The first five frames after a build align the camera with the player.
  std::int32_t first_frames = 0;
  // Order list.
  std::int32_t order_state = order_display::hidden;
  std::int32_t order_code = -1;
  timer order_timer{clock_real_time};
  // Action prompt.
  timer prompt_timer{clock_real_time};
  std::int32_t prompt = prompt_kind::none;
  std::int32_t prompt_target = -1;
  std::int32_t prompt_in_range = 0;
  // The horse the last mount request named (the agent record has no field
  // for it yet).
  std::int32_t mount_target = -1;
  // 0 = leave; -1 after the build and while the question is open.
  std::int32_t leave_answer = -1;
  std::uint8_t paused = 0;
  std::uint8_t slow_motion = 0;
  std::uint8_t came_back_from_inventory = 0;
  std::uint8_t came_back_from_character = 0;
  std::int32_t stored_max_hit_points = 0;
  // The presentation to start, -1 none.
  std::int32_t pending_presentation = -1;
  mission_game_words game;
};

}  // namespace hm
