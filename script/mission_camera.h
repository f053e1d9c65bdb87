#pragma once
// The camera that mission scripts steer. The mission keeps one of these; the
// script operations write it and the mission screen reads it every frame.
//
// How the screen reads it:
//   - mode 1: the camera is the script's. Its frame is current_frame() and its
//     field of view current_fov(); a followed agent (followed_agent >= 0)
//     offsets it (followed_word 0: by the agent's position, else the frame is
//     taken relative to the agent's frame).
//   - mode 0: the screen's own camera. While a blend runs (duration > 0) the
//     screen blends its own camera towards to_frame / to_fov by blend_factor();
//     in every frame it writes its camera back into from_frame and from_fov
//     so that scripts read it and a later scripted move starts from it.
//   - value_2 is a second animated value scripts can drive (read with
//     current_value_2()).
// Clocks: both timers run on the real-time clock of the clock table.
#include <cstdint>

#include "engine/core/math.h"
#include "engine/core/timer.h"

namespace hm {

// The field of view scripts may give, in degrees: 37 to 149.
inline constexpr int script_camera_min_fov = 37;
inline constexpr int script_camera_fov_bound = 150;

struct script_camera {
  // 0 the mission's own camera, 1 scripted.
  std::int32_t mode = 0;
  // A move goes from frame and field of view A (from_*) to B (to_*).
  frame from_frame = frame::identity();
  frame to_frame = frame::identity();
  float from_fov = 0.0f;
  float to_fov = 0.0f;
  // Seconds; 0 or less: no move (the camera stands at A).
  float duration = 0.0f;
  timer transition_timer{clock_real_time};
  // 0 or less: linear; k > 0 eases in and out, the more the larger k.
  std::int32_t easing = 0;
  // The agent the camera follows (-1 none) and the word given with it.
  std::int32_t followed_agent = -1;
  std::int32_t followed_word = 0;
  // The second animated value: from value A to B over its own duration.
  float value_from = 0.0f;
  float value_to = 0.0f;
  float value_duration = 0.0f;
  timer value_timer{clock_real_time};

  // The share of the move done now: 0 at A, 1 (or more) at B; eased when
  // `eased` and easing > 0. 1 when no move runs.
  double blend_factor(bool eased = true) const;
  // Where the camera is now: A without a move, B once it has ended, else each
  // component blended (axes and origin) by the eased share.
  frame current_frame() const;
  // The field of view now, blended by the linear share.
  float current_fov() const;
  // The second value now, by its own duration and timer, linear.
  float current_value_2() const;
};

// The eased share: atan((t - 0.5) k pi) / (2 atan(k pi / 2)) + 0.5; t itself
// for k <= 0. 0.5 stays 0.5 for every k.
double ease_camera_share(double t, int k);

}  // namespace hm
