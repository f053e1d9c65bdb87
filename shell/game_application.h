#pragma once
// The one application object of the run: the application frame with the
// game's hooks. Frame move counts the frame and advances the real-time clock;
// render clears the frame; the clean-up saves the options.
#include <array>
#include <cstdint>

#include "engine/application_frame.h"

namespace hm {

class game_application : public application_frame {
 public:
  game_application();
  ~game_application() override;

  hresult one_time_init() override;
  hresult init_device_objects() override;
  hresult restore_device_objects() override;
  hresult invalidate_device_objects() override;
  hresult delete_device_objects() override;
  hresult frame_move() override;
  hresult render() override;
  hresult final_cleanup() override;
  std::int64_t window_procedure(const frame_message& message) override;

  // Rendered frames after which the window closes (0: no limit); runs without a
  // person use it.
  std::uint32_t frame_limit = 0;
  // Whether the one-time initialisation opens the real audio output (runs
  // without a person stay silent).
  bool sound_output = false;
  // When set, the frame's quit flag is raised at the end of the frame move.
  bool exit_requested = false;

  std::uint32_t frame_counter = 0;   // frames moved
  std::uint32_t render_counter = 0;  // frames rendered
  // 1 while the key (by engine key code) is down.
  std::array<std::uint8_t, 256> key_down_table{};
  // The last character typed (-1: none), taken by the next frame move.
  std::int32_t pending_char = -1;
  std::int32_t typed_char = -1;  // the character typed this frame (-1: none)
  float frame_time = 0.0f;       // this frame's time step

  // The colour the frame is cleared to.
  static constexpr std::uint32_t clear_color = 0xFF302010;
  // A frame step never exceeds this, however long the frame took.
  static constexpr float max_frame_time = 0.1f;
};

extern game_application* g_game_application;

}  // namespace hm
