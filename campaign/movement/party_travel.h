#pragma once
// How a party travels over the world map's faces: its speed from its troops,
// load, morale and the terrain; its movement targets (a point, a party to
// follow, a party to accompany); the path it plans over the faces and walks
// waypoint by waypoint.
#include <cstdint>

#include "campaign/map/world_map.h"
#include "campaign/party/campaign_state.h"
#include "engine/core/timer.h"

namespace hm {

// Movement modes.
inline constexpr std::int32_t movement_none = 0;
inline constexpr std::int32_t movement_to_point = 1;
inline constexpr std::int32_t movement_follow = 2;
inline constexpr std::int32_t movement_accompany = 3;

// The campaign and its map as travel sees them, with the game's state that
// the world map's frame keeps up to date.
struct travel_context {
  travel_context(campaign_state& g, world_map& m) : game(g), map(m) {}
  campaign_state& game;
  world_map& map;
  // Night: the hour of day below 4 or from 20 (the frame sets it).
  bool night = false;
  // The player's landing: the timer that spaces the landings out and the
  // point handed to module code's disembark script.
  timer landing_timer{clock_real_time};
  float landing_position[2] = {0.0f, 0.0f};

  bool is_player(const party& p) const { return p.id == game.player_party; }
};

// A troop's own speed on the map.
float troop_map_speed(const campaign_state& game, int troop);
// The party's speed from its troops and those of its attached parties; 0 for
// a party without troops.
float compute_base_speed(const campaign_state& game, const party& p);
// Module code's speed multiplier (percent, 100 when it says nothing).
void refresh_speed_multiplier(party& p);
// Recomputes base speed and multiplier of a changed party.
void refresh_changed_speed(const campaign_state& game, party& p);
// The speed now: 15 at sea; else multiplier x base, x 0.7 in forest, x 0.6 at
// night.
float party_speed(const travel_context& travel, const party& p);

// Puts the party at its position on the face under it; no face there is fatal
// ("Unable to position party <name> at (x, y).").
void place_party_on_map(travel_context& travel, party& p);
// The face and height of a ship event, with warnings for a ship off the water
// or a landing point off the land.
void check_ship_position(travel_context& travel, map_event& e);

void set_move_target(travel_context& travel, party& p, float x, float y, int face);
void move_to_point(travel_context& travel, party& p, float x, float y);
void follow_party(travel_context& travel, party& p, std::int32_t target);
void accompany_party(travel_context& travel, party& p, std::int32_t target);
void clear_movement(party& p);

// The path's upkeep (at most every 0.05 h; every step for the player's party).
void update_path(travel_context& travel, party& p);
void advance_path(travel_context& travel, party& p);
// Plans a path to the goal face; false (count 0) when there is none.
bool find_path(travel_context& travel, party& p, int goal_face, float goal_x, float goal_y);

}  // namespace hm
