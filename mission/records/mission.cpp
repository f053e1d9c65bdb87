#include "mission/records/mission.h"

#include <algorithm>

#include "mission/records/mission_services.h"
#include "module/records/mission_template.h"
#include "render/scene/scene_world.h"
#include "render/shadow/render_pass_state.h"

namespace hm {

mission::mission() : default_services_(std::make_unique<mission_services>()), services_(default_services_.get()) {}

mission::~mission() = default;

void mission::set_services(mission_services* s) { services_ = s != nullptr ? s : default_services_.get(); }

int mission::team_relation(int team_a, int team_b) const {
  return team_of(team_a).relations[static_cast<std::size_t>(agent_team_index(team_b))];
}

void mission::set_team_relation(int team_a, int team_b, int relation) {
  const int r = std::clamp(relation, -1, 1);
  team_of(team_a).relations[static_cast<std::size_t>(agent_team_index(team_b))] = r;
  team_of(team_b).relations[static_cast<std::size_t>(agent_team_index(team_a))] = r;
}

scene_prop_instance* mission::get_scene_prop_instance(int index) {
  if (index < 0 || index >= prop_instance_count()) return nullptr;
  return &scene_prop_instances[static_cast<std::size_t>(index)];
}

bool mission::template_has_flag_bit1() const {
  if (template_index < 0 || template_index >= static_cast<int>(g_mission_templates.size())) return false;
  return (g_mission_templates[static_cast<std::size_t>(template_index)].flags & 2) != 0;
}

void mission::clear() {
  // The stuck missiles, the prop entities and the markers are entities of the
  // scene: they go with it, or a later mission would remove entities that no
  // longer exist.
  stuck_missiles.clear();
  prop_entities.clear();
  river_entity = nullptr;
  sun_entity = nullptr;
  view_effects = view_effects_state{};
  precipitation_entity = nullptr;
  cursor_entity = nullptr;
  editor_entity = nullptr;
  nav_mesh = nullptr;
  ground_grid = nullptr;
  if (scene) detach_scene_from_render_passes(*scene);
  scene.reset();
  scene_prop_instances.clear();
  agents.free_all();
  missiles.reset();
  corpses.clear();
  player_agent = -1;
  player_horse = -1;
  // The next mission runs until its own scripts end it.
  end_requested = 0;
  conversation_request = -1;
  player_spawn_position = vec3(10.0f, 10.0f, 10.0f);
  river_phase = 0.0f;
  weather = mission_weather{};
}

}  // namespace hm
