#pragma once
// A battle of the loaded module run without drawing: a mission template and
// a scene of the module set up as the game sets them up (the scene's file,
// its terrain, navigation graph and props, agents with their bodies spawned
// from the sides' parties), then the mission's own frame with its services,
// reinforcements included, and every agent (the player's too) driven by the
// AI. Checks and module makers run a battle to its end with it.
#include <memory>
#include <vector>

#include "mission/ai/ai_battle.h"

namespace hm {

class game;
class mission;
struct campaign_state;
struct mission_start;

struct module_battle_setup {
  int template_index = -1;
  int scene_index = -1;
  // The troops of the player's side (a party fighting beside the player's
  // own) and of the enemy's party.
  std::vector<battle_troops> friends;
  std::vector<battle_troops> enemies;
  float frame_time = 1.0f / 60.0f;
};

class module_battle {
 public:
  module_battle(game& g, campaign_state& campaign);
  ~module_battle();
  module_battle(const module_battle&) = delete;
  module_battle& operator=(const module_battle&) = delete;

  // Makes the two parties and sets the mission up; false (a log line names
  // what is missing) for a template or scene outside the module's tables.
  bool start(const module_battle_setup& setup);
  // One mission frame, reinforcements checked.
  void frame();
  double seconds() const { return seconds_; }
  const battle_counts& counts() const { return counts_; }
  int winner() const { return battle_winner(counts_); }
  mission& the_mission() { return *mission_; }

 private:
  class services;
  void remove_parties();

  game& game_;
  campaign_state& campaign_;
  std::unique_ptr<mission> mission_;
  std::unique_ptr<services> services_;
  std::unique_ptr<mission_start> start_;
  std::vector<int> parties_;
  float frame_time_ = 1.0f / 60.0f;
  double seconds_ = 0.0;
  battle_counts counts_;
};

// The index of a mission template or scene of the loaded module by its id,
// or by its number; -1 when there is none.
int find_mission_template(const char* id_or_number);
int find_scene(const game& g, const char* id_or_number);

}  // namespace hm
