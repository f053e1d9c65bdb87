#pragma once
// Over which side of the horse a rider can aim: one window of angles (from the
// horse's facing to the aim, radians, positive to the left) per wield mode.
// A bow (mode 0) reaches far to the left and a little to the right; crossbows
// and thrown weapons (4) nearly as far; mode 5 mirrors the bow's reach.
namespace hm {

inline constexpr int rider_aim_window_count = 6;
inline constexpr float rider_aim_windows[rider_aim_window_count][2] = {
    {-0.5f, 3.1415927f}, {-2.0f, 2.0f}, {-1.5f, 2.5f}, {-1.0f, 3.0f}, {-1.3f, 2.8f}, {-3.0f, 1.0f}};

// Whether the angle lies in [low, high) of the wield mode's window; a mode
// outside the table has no window to narrow the aim.
inline bool in_rider_aim_window(int wield_mode, float angle) {
  if (wield_mode < 0 || wield_mode >= rider_aim_window_count) return true;
  return angle >= rider_aim_windows[wield_mode][0] && angle < rider_aim_windows[wield_mode][1];
}

}  // namespace hm
