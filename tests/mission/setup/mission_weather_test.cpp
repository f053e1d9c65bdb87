#include "mission/setup/mission_weather.h"

#include <gtest/gtest.h>

#include "mission/records/mission.h"

namespace hm {
namespace {

TEST(MissionWeather, ClearMorningWithMist) {
  weather_inputs in;
  in.base = 0.5f;
  in.noise_1 = 0.25f;
  in.campaign_hours = 30.0f;  // 6 in the morning
  in.cloud_value = 0.4f;
  in.haze = 0.5f;
  mission_weather w;
  compute_mission_weather(w, in, [] { return 0.5f; });
  EXPECT_FLOAT_EQ(w.time_of_day, 6.0f);
  EXPECT_NEAR(w.humidity, 0.525f, 1e-6f);  // (2 x 0.25 + 0.5) x 0.5 + 0.05 x 0.5
  EXPECT_FLOAT_EQ(w.cloud_amount, 1.0f);   // 1.2 rounded
  EXPECT_NEAR(w.fog_density, 0.0015f, 1e-7f);
  // (1.2 - 0.525) x 0.75 x 2000, then x 0.65 for the morning.
  EXPECT_NEAR(w.fog_distance, 658.125f, 1e-2f);
  EXPECT_EQ(w.precipitation, 0);
}

TEST(MissionWeather, SnowOverSnowyLandInHeavyHaze) {
  weather_inputs in;
  in.noise_2 = 0.5f;
  in.campaign_hours = 12.0f;
  in.cloud_value = 0.8f;
  in.haze = 0.95f;
  in.terrain_kind = snow_forest_terrain_kind;
  mission_weather w;
  compute_mission_weather(w, in, [] { return 0.0f; });
  EXPECT_EQ(w.precipitation, 2);
  EXPECT_FLOAT_EQ(w.precipitation_strength, 0.5f);
  EXPECT_FLOAT_EQ(w.cloud_amount, 3.0f);
  // 1200 / (3 x 0.5 + 1), halved for snow.
  EXPECT_NEAR(w.fog_distance, 240.0f, 1e-3f);
  // 0.004071 -> x1.3 + 0.026 -> x1.2 + 0.024 -> + 0.00075 -> x1.5 + 0.001875
  EXPECT_NEAR(w.fog_density, 0.0953261f, 1e-6f);
}

TEST(MissionWeather, RainElsewhereAndFogDistanceFloor) {
  weather_inputs in;
  in.base = 1.0f;
  in.noise_1 = 1.0f;
  in.noise_2 = 0.5f;
  in.campaign_hours = 5.0f;
  in.cloud_value = 1.0f;
  mission_weather w;
  compute_mission_weather(w, in, [] { return 0.0f; });
  EXPECT_EQ(w.precipitation, 1);
  EXPECT_FLOAT_EQ(w.humidity, 1.0f);
  // 200 x 0.3 / 2.5 = 24, raised to 60.
  EXPECT_FLOAT_EQ(w.fog_distance, 60.0f);

  in.terrain_kind = snow_terrain_kind;
  compute_mission_weather(w, in, [] { return 0.0f; });
  EXPECT_EQ(w.precipitation, 2);
}

TEST(MissionWeather, SkyFitsTheHourAndTheClouds) {
  const auto zero = [] { return 0.0f; };
  EXPECT_EQ(time_class_of(3.99f), sky_night);
  EXPECT_EQ(time_class_of(4.0f), sky_dawn_dusk);
  EXPECT_EQ(time_class_of(7.0f), sky_day);
  EXPECT_EQ(time_class_of(17.0f), sky_dawn_dusk);
  EXPECT_EQ(time_class_of(20.0f), sky_night);
  const std::vector<sky_kind> skies = {{sky_day, 0.0f}, {sky_night, 2.0f}, {sky_day, 2.0f}, {sky_day, 2.0f}};
  EXPECT_EQ(choose_sky(skies, 12.0f, 2.0f, zero), 2);  // the tie keeps the earlier
  EXPECT_EQ(choose_sky(skies, 12.0f, 0.0f, zero), 0);
  EXPECT_EQ(choose_sky(skies, 22.0f, 0.0f, zero), 1);
  EXPECT_EQ(choose_sky({}, 12.0f, 0.0f, zero), -1);
}

}  // namespace
}  // namespace hm
