#include "mission/setup/mission_weather.h"

#include <algorithm>
#include <cmath>

#include "mission/records/mission.h"

namespace hm {

namespace {

constexpr float min_fog_distance = 60.0f;
constexpr float max_fog_density = 0.15f;

}  // namespace

void compute_mission_weather(mission_weather& w, const weather_inputs& in, const std::function<float()>& unit_random) {
  const float a = in.base;
  w.time_of_day = std::fmod(in.campaign_hours, 24.0f);
  w.humidity = std::clamp((2.0f * in.noise_1 + 0.5f) * a + 0.05f * unit_random(), 0.0f, 1.0f);
  // Nearest whole amount, halves going down.
  w.cloud_amount = std::ceil((a + 1.5f) * in.cloud_value * 1.5f - 0.5f);

  float density = (a + 0.5f) * (in.cloud_value + 0.3f) * in.haze * in.haze * 0.008f + 0.0001f;
  if (in.haze > 0.9f) {
    density = density * 1.3f + 0.026f;
    if (in.haze > 0.94f) {
      density = density * 1.2f + 0.024f;
      if (in.haze > 0.98f) density += 0.01f;
    }
  }
  float distance = (1.2f - w.humidity) * (0.5f + 0.5f * unit_random()) * 2000.0f;
  // Morning mist.
  if (w.time_of_day > 3.0f && w.time_of_day < 10.0f) distance *= 0.3f + 0.7f * unit_random();

  w.precipitation = 0;
  w.precipitation_strength = 0.0f;
  if (in.cloud_value > 0.6f &&
      0.1f * w.humidity + 0.05f * unit_random() + 0.2f * in.cloud_value + in.noise_2 > 0.46f) {
    const bool snow = in.terrain_kind == snow_terrain_kind || in.terrain_kind == snow_forest_terrain_kind;
    w.precipitation = snow ? 2 : 1;
    const float s = 0.5f + 0.5f * unit_random();
    w.precipitation_strength = s;
    w.cloud_amount = 3.0f;
    distance /= 3.0f * s + 1.0f;
    density += 0.0015f * s;
    if (snow) {
      distance *= 0.5f;
      density = density * 1.5f + 0.00375f * s;
    }
  }
  w.fog_distance = std::max(distance, min_fog_distance);
  w.fog_density = std::min(density, max_fog_density);
}

sky_time_class time_class_of(float hours) {
  if (hours < 4.0f || hours >= 20.0f) return sky_night;
  if (hours < 7.0f || hours >= 17.0f) return sky_dawn_dusk;
  return sky_day;
}

int choose_sky(const std::vector<sky_kind>& skies, float hours, float cloud_amount,
               const std::function<float()>& unit_random) {
  const sky_time_class now = time_class_of(hours);
  int best = -1;
  float best_score = 0.0f;
  for (std::size_t i = 0; i < skies.size(); ++i) {
    float score = unit_random() * 0.01f;
    if (skies[i].time_class == now) score += 1.0f;
    score -= 0.1f * std::fabs(cloud_amount - skies[i].cloud_level);
    if (best < 0 || score > best_score) {
      best = static_cast<int>(i);
      best_score = score;
    }
  }
  return best;
}

}  // namespace hm
