#pragma once
// Map events: battles in progress and ships on the world map, addressed by
// their slot in the game's map-event pool.
#include <cstdint>

#include "campaign/party/paged_pool.h"
#include "engine/core/ruv_string.h"
#include "engine/core/timer.h"

namespace hm {

struct party_map_entity;

inline constexpr std::int32_t map_event_battle = 1;
inline constexpr std::int32_t map_event_ship = 2;

struct map_event {
  std::int32_t state = 0;  // 0 free, 1 in use
  std::int32_t slot = -1;
  std::int32_t id = -1;
  std::int32_t type = 0;
  ruv_string name;
  float position[2] = {0.0f, 0.0f};
  // For a ship: the point on land from which parties board it.
  float land_position[2] = {0.0f, 0.0f};
  float direction[2] = {0.0f, 1.0f};
  float height = 0.0f;
  float radius = 0.3f;
  float visibility = -10000.0f;
  std::int32_t face = -1;
  std::int32_t land_face = -1;
  party_map_entity* map_entity = nullptr;
  std::int32_t side_parties[2] = {-1, -1};
  timer simulation_timer;
  float simulation_interval = 1.0f;
  std::int32_t placed_word = 0;
  std::int32_t starting_troop_total = 0;
  timer sound_timer;
  std::int32_t sound_channel = -1;
  // A value module code keeps on the event.
  float script_value = 0.0f;

  // Starts the two timers; the creator resets the record.
  map_event();
  // Type 0, "An Event", at the origin without an entity, facing a random
  // heading.
  void reset();
};

using map_event_pool = paged_pool<map_event>;

}  // namespace hm
