#pragma once
// A campaign on a real world map drawn as a character picture (one unit
// square per character: '.' plain, ',' steppe, 'f' forest, '~' sea, 'r'
// river, '=' bridge, '^' mountain), with the fake world's troops.
#include <string_view>

#include "campaign/map/world_map.h"
#include "campaign/mover/party_mover.h"
#include "campaign/support/fake_campaign.h"

namespace hm::test {

// The map of the picture, linked and prepared (Init_map), origin (0, 0):
// the character in row r (from the top) and column c covers x c..c+1 and y
// (rows - r - 1)..(rows - r).
void build_picture_map(std::string_view rows, world_map& out);

struct map_campaign_fixture {
  explicit map_campaign_fixture(std::string_view rows);
  ~map_campaign_fixture();
  fake_world world;
  campaign_world_map map;
  campaign_state game{world, map};
  travel_context& travel() { return *map.travel; }
  int foot_troop = -1;

  // An active party of n foot troops placed at (x, y), scripted to hold.
  party& add_party(float x, float y, int troops = 10, int faction = 0);
  // Advances the campaign clock by dt hours and moves every party, n times.
  void run(int steps, float dt = 0.02f);
};

}  // namespace hm::test
