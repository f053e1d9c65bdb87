#include "mission/anim/anim_channel_ops.h"

#include <algorithm>
#include <cmath>

#include "engine/core/timer.h"

namespace hm {

namespace {

double elapsed_seconds(const anim_channel& c) {
  return static_cast<double>(clock_ticks(c.clock) - c.start_tick) * 1e-5;
}

}  // namespace

float anim_channel_time(const anim_channel& c) {
  if (!(c.duration > 0.0f)) return 1.0f;
  const double t = elapsed_seconds(c) / static_cast<double>(c.duration);
  if (c.play_mode == anim_play_loop) {
    const double wrapped = t - std::floor(t);
    return static_cast<float>(std::clamp(wrapped, 0.0, 1.0));
  }
  return static_cast<float>(std::clamp(t, 0.0, 1.0));
}

float anim_channel_curve_value(const anim_channel& c) { return c.shape_progress(anim_channel_time(c)); }

float anim_channel_inverse_curve(const anim_channel& c, float x) {
  x = std::clamp(x, 0.0f, 1.0f);
  switch (c.progress_curve) {
    case anim_curve_linear:
      return x;
    case anim_curve_sine:
      return std::asin(x) * 0.63661975f;
    case anim_curve_square:
      return std::sqrt(x);
    case anim_curve_square_root:
      return x * x;
    default:
      return 0.0f;
  }
}

void anim_channel_set_duration(anim_channel& c, float duration) {
  const float position = anim_channel_inverse_curve(c, anim_channel_curve_value(c));
  c.duration = duration;
  const double back = static_cast<double>(position) * std::max(duration, 0.0f) * 100000.0;
  c.start_tick = clock_ticks(c.clock) - static_cast<std::int64_t>(back);
}

bool anim_channel_has_completed(const anim_channel& c) {
  if (!(c.duration > 0.0f)) return true;
  const double t = elapsed_seconds(c);
  const double d = c.duration;
  if (c.play_mode == anim_play_loop) {
    // The channel's own start is no loop boundary.
    const double before = std::max(t - static_cast<double>(clock_increment_ticks(c.clock)) * 1e-5, 0.0);
    return std::floor(before / d) < std::floor(t / d);
  }
  return t >= d;
}

void skeleton_set_channel_progress(skeleton_instance& s, int i, float p) {
  if (i < 0 || i >= static_cast<int>(s.channels.size())) return;
  anim_channel& c = s.channels[static_cast<std::size_t>(i)];
  if (std::isnan(p)) p = 0.0f;
  p = std::clamp(p, 0.0f, 1.0f);
  const double back = static_cast<double>(anim_channel_inverse_curve(c, p)) * std::max(c.duration, 0.0f) * 100000.0;
  c.start_tick = clock_ticks(c.clock) - static_cast<std::int64_t>(back);
}

void skeleton_restart_channel(skeleton_instance& s, int i) {
  if (i < 0 || i >= static_cast<int>(s.channels.size())) return;
  anim_channel& c = s.channels[static_cast<std::size_t>(i)];
  c.weight = 1.0f;
  c.target_weight = 1.0f;
  c.start_tick = clock_ticks(c.clock);
  c.playing = 1;
}

}  // namespace hm
