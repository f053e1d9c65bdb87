#include "campaign/party/map_event.h"

#include <cmath>

#include "engine/core/random.h"

namespace hm {

map_event::map_event() : name("An Event"), simulation_timer(clock_campaign), sound_timer(clock_real_time) {}

void map_event::reset() {
  type = 0;
  name = "An Event";
  position[0] = position[1] = 0.0f;
  map_entity = nullptr;
  const float heading = random_angle();
  direction[0] = -std::sin(heading);
  direction[1] = std::cos(heading);
  radius = 0.3f;
  visibility = -10000.0f;
  sound_channel = -1;
  script_value = 0.0f;
}

}  // namespace hm
