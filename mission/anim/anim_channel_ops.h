#pragma once
// Reading and steering a skeleton animation channel by its progress curve:
// where along the curve the channel is, moving it to a progress, changing its
// duration without a jump, whether it finished (or looped) during the last
// frame, and restarting it. A channel whose duration is not positive counts
// as finished, so no caller divides by it.
#include "render/entity/skeleton_instance.h"

namespace hm {

// The channel's normalised time: looping channels wrap into [0, 1), one-shot
// channels stop at 1; 1 for a duration that is not positive.
float anim_channel_time(const anim_channel& c);
// The curve at the channel's time: linear t, sine sin(t pi/2), square t^2,
// square root sqrt(t); other curves 0.
float anim_channel_curve_value(const anim_channel& c);
// The time at which the curve reaches x (x in [0, 1]); other curves 0.
float anim_channel_inverse_curve(const anim_channel& c, float x);
// A new duration that keeps the channel where it is on its curve.
void anim_channel_set_duration(anim_channel& c, float duration);
// Looping channels: a loop boundary was crossed during the clock's last
// step; one-shot channels: their time has run out.
bool anim_channel_has_completed(const anim_channel& c);

// Moves channel i to progress p (clamped to [0, 1]; not a number gives 0).
// An index outside the instance's channels is ignored.
void skeleton_set_channel_progress(skeleton_instance& s, int i, float p);
// Full weight, started now on its clock, playing.
void skeleton_restart_channel(skeleton_instance& s, int i);

}  // namespace hm
