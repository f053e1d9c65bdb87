#include "campaign/support/map_fixture.h"

#include <string>

#include "campaign/map/map_navigation.h"
#include "campaign/map/map_picture.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "module/base/module_settings.h"
#include "script/game_hooks.h"

namespace hm::test {

void build_picture_map(std::string_view rows, world_map& out) {
  std::string source =
      "terrain . 3\nterrain , 2\nterrain f 11\nterrain ~ 0\nterrain r 8\nterrain = 7\nterrain ^ 1\nmap\n";
  source += rows;
  if (!source.empty() && source.back() != '\n') source += '\n';
  source += "end\n";
  map_picture picture;
  map_file_error error;
  if (!parse_map_picture(source, picture, error)) throw std::runtime_error("picture: " + error.message);
  if (!parse_map_text(map_text_of_picture(picture), out, error)) throw std::runtime_error("map: " + error.message);
  out.link_records();
  init_map(out);
}

map_campaign_fixture::map_campaign_fixture(std::string_view rows) {
  random_seed(1234);
  reset_clocks();
  g_module_settings.set_defaults();
  clear_hook_script_map();
  build_picture_map(rows, map.map);
  map.bind(game);
  foot_troop = world.add_regular(0);
}

map_campaign_fixture::~map_campaign_fixture() { g_module_settings.set_defaults(); }

party& map_campaign_fixture::add_party(float x, float y, int troops, int faction) {
  const std::int32_t id = game.parties.take_free_party();
  party& p = *game.parties.get_party_by_id(id);
  p.reset();
  p.state = party_state_active;
  p.faction = faction;
  p.position = vec3(x, y, 0.0f);
  if (troops > 0) p.add_troop_stack(game, foot_troop, troops, 0, 0, true);
  map.create_map_entity(p);
  p.scripted_behaviour = 0;
  return p;
}

void map_campaign_fixture::run(int steps, float dt) {
  for (int i = 0; i < steps; ++i) {
    advance_clock(clock_campaign, dt);
    map.move_parties(dt);
  }
}

}  // namespace hm::test
