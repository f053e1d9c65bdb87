#pragma once
// Mission set-up over the loaded module and the running campaign: the scene
// record and its ".sco" file, the generated terrain and the navigation graph,
// the placed props' entities, and agents spawned from the sides' parties with
// their skeletons, bodies, heads, equipment and horses.
#include <memory>
#include <vector>

#include "mission/setup/agent_spawn.h"
#include "mission/setup/mission_setup.h"
#include "mission/setup/troop_choice.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

class entity;
class game;
struct troop;
struct campaign_state;

// The agent's ten equipment slots: the troop's own item where the agent's
// item-override flags leave the slot's bit clear; else the first item of the
// agent's list the troop may use there (taken off the list, modifier 0), or
// none.
void equip_from_troop(agent& a, const troop& t);

// Agents made from the module's troops, skins, items and skeletons.
class module_agent_hooks : public agent_spawn_hooks {
 public:
  module_agent_hooks(game& g, campaign_state& campaign) : game_(g), campaign_(campaign) {}
  // A skeleton entity with two animation channels: a human's skin skeleton
  // with its body parts and head skinned on it and its equipment on its bones,
  // a horse's "skel_horse" with the horse item's mesh.
  void create_entity(mission& m, agent& a) override;
  // The rider's horse slot.
  int choose_horse_item(mission& m, const agent& rider) override;
  float horse_hit_points(const item& horse) override;
  float hero_hit_points(int troop) override;
  // The player's party's hunger: fed soldiers come in whole.
  float player_party_health_factor() override;

 private:
  game& game_;
  campaign_state& campaign_;
};

// The steps of set-up that reach the module, the terrain generator and the
// campaign. The navigation graph lives here while its mission runs.
class module_setup_steps : public mission_setup_steps {
 public:
  module_setup_steps(game& g, campaign_state& campaign, agent_spawn_hooks& hooks)
      : game_(g), campaign_(campaign), hooks_(hooks) {}

  bool scene_info(const mission& m, mission_scene_info& out) override;
  // The ragdolls of the mission before go with it.
  void clear_physics_worlds(mission& m) override;
  void load_scene_objects(mission& m) override;
  void prepare_terrain_code(mission& m, const mission_scene_info& info) override;
  float prop_radius(const mission& m, int instance) override;
  void create_scene_world(mission& m, const mission_scene_info& info) override;
  void build_terrain(mission& m, const mission_scene_info& info) override;
  void build_nav_mesh(mission& m, const mission_scene_info& info) override;
  void create_prop_entities(mission& m, const mission_scene_info& info) override;
  void add_features(mission& m, const mission_scene_info& info) override;
  void create_weather_effects(mission& m, const mission_scene_info& info) override;
  void reset_spawn_counters(mission& m) override;
  bool spawn_at_entry_point(mission& m, int record) override;

 private:
  game& game_;
  campaign_state& campaign_;
  agent_spawn_hooks& hooks_;
  placed_troops placed_;
  ai_mesh nav_mesh_;
  // The navigation graph the scene's file carries (empty for none).
  std::string nav_mesh_data_;
};

// What a started mission needs while it runs: its set-up steps and agent
// hooks (reinforcements spawn through them).
struct mission_start {
  std::unique_ptr<module_agent_hooks> hooks;
  std::unique_ptr<module_setup_steps> steps;
};

// Sets the mission up for a template and a scene of the loaded module, with
// the mission's side lists as they stand. A template or scene outside its
// table is refused with a log line naming it, and the mission is left cleared;
// false then.
bool start_mission(mission& m, game& g, campaign_state& campaign, int template_index, int scene_index,
                   mission_start& start);

}  // namespace hm
