#include "campaign/game/campaign_game.h"

#include "campaign/map/map_file.h"
#include "campaign/map/map_navigation.h"
#include "engine/core/log.h"
#include "module/base/module_paths.h"
#include "module/troops/troop_refresh.h"
#include "engine/core/stream.h"
#include "module/loading/game.h"
#include "module/loading/new_game.h"
#include "script/game_hooks.h"

namespace hm {

campaign_game::campaign_game(game& g)
    : world_game(g), world(g), state(world, map), campaign_host(state, g) {
  world.set_campaign(&state);
  map.bind(state);
  state.player_troop = g.player_troop;
}

campaign_game::~campaign_game() {
  remove_script_host();
  if (world_game.parties == this) world_game.parties = nullptr;
}

void campaign_game::read_module_parties(text_reader& reader, int troop_count) {
  state.parties.read(reader, troop_count);
}

void campaign_game::mark_player_party(std::int32_t party_id) {
  state.player_party = party_id;
  if (party* p = state.find_party(party_id)) p->flags2 |= party_flag2_player_party;
  state.player_troop = world_game.player_troop;
}

std::vector<party_summary> campaign_game::active_parties() const {
  std::vector<party_summary> out;
  const party_pool& pool = state.parties;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    const party& p = *pool.find_active(id);
    out.push_back({p.id, p.identifier, p.name, p.custom_name != 0});
  }
  return out;
}

void campaign_game::install_script_host() {
  if (installed_) return;
  script_host host = current_script_host();
  previous_host_ = host.campaign;
  host.campaign = &campaign_host;
  set_script_host(host);
  installed_ = true;
}

void campaign_game::remove_script_host() {
  if (!installed_) return;
  installed_ = false;
  script_host host = current_script_host();
  if (host.campaign != &campaign_host) return;
  host.campaign = previous_host_;
  set_script_host(host);
}

void campaign_game::load_map_data() {
  if (map.scene_built) return;
  map.map = world_map{};
  load_map_file(module_file_path("map.txt"), map.map);
}

void campaign_game::init_map() {
  if (map.scene_built) return;
  hm::init_map(map.map);
}

void campaign_game::build_map_scene() {
  scene.build(map.map);
  party_pool& pool = state.parties;
  int placed = 0;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    if (party* p = pool.find_active(id)) {
      map.create_map_entity(*p);
      ++placed;
    }
  }
  log_line("parties added.\n");
  // Ship events on the map, and the tracks on the faces under them.
  for (int slot = 0; slot < state.events.slot_count(); ++slot) {
    map_event* e = state.events.get(slot);
    if (e != nullptr && e->state != 0 && map.travel) check_ship_position(*map.travel, *e);
  }
  for (map_track& t : map.tracks) set_track_frame(map.map, t);
  refresh_all_troops(world_game.troops, world_game.player_troop);
  map.scene_built = true;
  log_line("World map: " + std::to_string(map.map.faces.size()) + " faces, " + std::to_string(placed) +
           " parties placed.\n");
  run_game_start();
}

void campaign_game::run_game_start() {
  install_script_host();
  hm::run_game_start(world_game);
}

}  // namespace hm
