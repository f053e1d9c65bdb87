#pragma once
// The weather of a mission, drawn from the land around the player's party,
// the campaign time and the game's cloud and haze values: humidity, clouds,
// fog, rain or snow, and the sky that fits the hour and the clouds.
#include <cstdint>
#include <functional>
#include <vector>

namespace hm {

struct mission_weather;

struct weather_inputs {
  // The land's base value A (0..1) and the two noise sums N1, N2.
  float base = 0.0f;
  float noise_1 = 0.0f;
  float noise_2 = 0.0f;
  float campaign_hours = 0.0f;
  // The game's cloud and haze values.
  float cloud_value = 0.0f;
  float haze = 0.0f;
  // The terrain kind under the player's party.
  std::int32_t terrain_kind = 0;
};

// Terrain kinds under snow.
inline constexpr std::int32_t snow_terrain_kind = 4;
inline constexpr std::int32_t snow_forest_terrain_kind = 12;

// Fills the weather values; `unit_random` gives draws in [0, 1).
void compute_mission_weather(mission_weather& w, const weather_inputs& in, const std::function<float()>& unit_random);

// A sky's time-of-day class and cloud level.
enum sky_time_class : std::int32_t { sky_night = 0, sky_dawn_dusk = 1, sky_day = 2 };
struct sky_kind {
  std::int32_t time_class = sky_day;
  float cloud_level = 0.0f;
};
// Night before 4 h and from 20 h; dawn or dusk 4..7 h and 17..20 h; day 7..17 h.
sky_time_class time_class_of(float hours);
// The best-fitting sky: +1 for its time class, minus 0.1 x the distance of
// its cloud level, plus a draw of up to 0.01; the earlier sky keeps a tie.
// -1 for an empty table.
int choose_sky(const std::vector<sky_kind>& skies, float hours, float cloud_amount,
               const std::function<float()>& unit_random);

}  // namespace hm
