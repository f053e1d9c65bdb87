#include "script/mission_camera.h"

#include <algorithm>
#include <cmath>

namespace hm {

namespace {

// Pi as the single-precision constant, widened.
constexpr double pi_f = static_cast<double>(3.14159265358979f);

// A clock set back (a game loaded) would put the start in the future: the
// move then stands at its start rather than running backwards past it.
double share(const timer& t, float duration) {
  const double seconds = static_cast<double>(clock_ticks(t.clock_id) - t.start_ticks) * 0.00001;
  return std::max(0.0, seconds / static_cast<double>(duration));
}

vec3 blend(const vec3& a, const vec3& b, double t) {
  const auto mix = [t](float x, float y) {
    return static_cast<float>((1.0 - t) * static_cast<double>(x) + t * static_cast<double>(y));
  };
  return vec3(mix(a.x, b.x), mix(a.y, b.y), mix(a.z, b.z));
}

float blend(float a, float b, double t) {
  return static_cast<float>((1.0 - t) * static_cast<double>(a) + t * static_cast<double>(b));
}

}  // namespace

double ease_camera_share(double t, int k) {
  if (k <= 0) return t;
  const double kk = static_cast<double>(k);
  return std::atan((t - 0.5) * kk * pi_f) / (2.0 * std::atan(kk * pi_f / 2.0)) + 0.5;
}

double script_camera::blend_factor(bool eased) const {
  if (duration <= 0.0f) return 1.0;
  const double t = share(transition_timer, duration);
  return eased ? ease_camera_share(t, easing) : t;
}

frame script_camera::current_frame() const {
  if (duration <= 0.0f) return from_frame;
  const double t = blend_factor(true);
  if (t >= 1.0) return to_frame;
  frame f;
  f.rot.s = blend(from_frame.rot.s, to_frame.rot.s, t);
  f.rot.f = blend(from_frame.rot.f, to_frame.rot.f, t);
  f.rot.u = blend(from_frame.rot.u, to_frame.rot.u, t);
  f.origin = blend(from_frame.origin, to_frame.origin, t);
  return f;
}

float script_camera::current_fov() const {
  if (duration <= 0.0f) return from_fov;
  const double t = blend_factor(false);
  return t >= 1.0 ? to_fov : blend(from_fov, to_fov, t);
}

float script_camera::current_value_2() const {
  if (value_duration <= 0.0f) return value_from;
  const double t = share(value_timer, value_duration);
  return t >= 1.0 ? value_to : blend(value_from, value_to, t);
}

}  // namespace hm
