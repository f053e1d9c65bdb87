// Operations on the scene of the running mission: its fog.
#include <cstdint>

#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_host.h"

namespace hm {
namespace {

// p0 the fog's distance, p1 its colour (0: the skybox's fog colour).
void set_fog_distance(operation_call& c) {
  script_mission_host& mission = *current_script_host().mission;
  if (!mission.has_mission()) return;
  mission.set_fog(static_cast<float>(c.value[0]), c.value[1] == 0, static_cast<std::uint32_t>(c.value[1]));
}

}  // namespace

void register_mission_scene_operations() { register_operation(1798, set_fog_distance); }

}  // namespace hm
