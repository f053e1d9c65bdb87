#pragma once
// The campaign of one running game: its world tables as the campaign reads
// them, the world map's side, the party and map-event pools and the script
// engine's campaign neighbour over them. The game's owner makes one for each
// new game, binds it as the game object's party pool before parties.txt is
// read, and destroys it (before the game object) when the game ends.
#include <cstdint>
#include <vector>

#include "campaign/game/campaign_scalars.h"
#include "campaign/game/campaign_script_host.h"
#include "campaign/party/campaign_state.h"
#include "campaign/game/module_campaign_world.h"
#include "campaign/map/map_scene.h"
#include "campaign/mover/party_mover.h"
#include "module/loading/new_game.h"
#include "script/script_host.h"

namespace hm {

class game;

class campaign_game final : public game_party_pool {
 public:
  explicit campaign_game(game& g);
  ~campaign_game() override;
  campaign_game(const campaign_game&) = delete;
  campaign_game& operator=(const campaign_game&) = delete;

  // parties.txt into the party pool (the short party form).
  void read_module_parties(text_reader& reader, int troop_count) override;
  // The player's party and troop of the campaign.
  void mark_player_party(std::int32_t party_id) override;
  std::vector<party_summary> active_parties() const override;

  // Makes this campaign the script engine's campaign neighbour, until
  // remove_script_host or the destructor puts the previous one back.
  void install_script_host();
  void remove_script_host();
  // Runs the module's game_start script once per campaign (the first time it
  // is called), with this campaign installed.
  void run_game_start();

  // --- the world map, in the launch's order ---
  // Reads the module's map.txt (fatal when missing or broken); nothing once
  // the map scene stands.
  void load_map_data();
  // Prepares the map for movement (face grid, edge costs, regions).
  void init_map();
  // The map's scene (terrain built once, kept on a rebuild), every active
  // party placed on the map, the tracks set on it, the troops refreshed and,
  // the first time in a campaign, game_start run.
  void build_map_scene();

  game& world_game;
  module_campaign_world world;
  campaign_world_map map;
  map_scene scene;
  campaign_state state;
  campaign_script_host campaign_host;
  // What a saved game carries beside the pools and the game object.
  campaign_scalars scalars;

 private:
  bool installed_ = false;
  script_campaign_host* previous_host_ = nullptr;
};

}  // namespace hm
