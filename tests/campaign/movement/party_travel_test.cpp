#include <gtest/gtest.h>

#include <cmath>

#include "campaign/ai/party_ai.h"
#include "campaign/movement/party_travel.h"
#include "campaign/support/map_fixture.h"
#include "engine/core/log.h"
#include "script/game_hooks.h"

namespace hm {
namespace {

using test::map_campaign_fixture;

constexpr const char* open_plain =
    "..........\n"
    "..........\n"
    "..........\n";

TEST(party_speed, twenty_foot_troops_by_day) {
  map_campaign_fixture f(open_plain);
  party& p = f.add_party(1.5f, 1.5f, 20);
  refresh_changed_speed(f.game, p);
  // 2.6 x 6.9 / ln(20 + 16)
  EXPECT_NEAR(p.base_speed, 5.006f, 0.001f);
  EXPECT_FLOAT_EQ(p.speed_multiplier, 1.0f);
  EXPECT_NEAR(party_speed(f.travel(), p), 5.006f, 0.001f);
  f.travel().night = true;
  EXPECT_NEAR(party_speed(f.travel(), p), 5.006f * 0.6f, 0.001f);
  f.travel().night = false;
  p.flags |= party_flag_ship;
  EXPECT_FLOAT_EQ(party_speed(f.travel(), p), 15.0f);
}

TEST(party_speed, forest_slows_and_an_empty_party_stands) {
  map_campaign_fixture f("..ff\n");
  party& p = f.add_party(2.5f, 0.5f, 20);
  refresh_changed_speed(f.game, p);
  EXPECT_EQ(p.terrain, 11);
  EXPECT_NEAR(party_speed(f.travel(), p), 5.006f * 0.7f, 0.001f);
  party& empty = f.add_party(0.5f, 0.5f, 0);
  refresh_changed_speed(f.game, empty);
  EXPECT_FLOAT_EQ(empty.base_speed, 0.0f);
  // Standing still on a zero speed is no division by zero anywhere.
  empty.current_behaviour = behaviour::go_to_point;
  empty.current_position_target[0] = 3.5f;
  empty.current_position_target[1] = 0.5f;
  f.run(20);
  EXPECT_FLOAT_EQ(empty.position.x, 0.5f);
}

TEST(party_placement, a_party_off_the_map_is_fatal) {
  map_campaign_fixture f(open_plain);
  scoped_fatal_throw fatal;
  try {
    f.add_party(50.0f, 1.0f, 5);
    FAIL() << "placed off the map";
  } catch (const fatal_error& e) {
    EXPECT_NE(std::string(e.what()).find("Unable to position party"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("(50.00, 1.00)"), std::string::npos) << e.what();
  }
}

TEST(party_movement, a_party_at_its_waypoint_neither_turns_nor_moves) {
  map_campaign_fixture f(open_plain);
  party& p = f.add_party(2.5f, 1.5f, 10);
  p.flags |= party_flag_scripted_only;
  p.heading = 1.0f;
  f.run(10);
  EXPECT_FLOAT_EQ(p.position.x, 2.5f);
  EXPECT_FLOAT_EQ(p.position.y, 1.5f);
  EXPECT_FLOAT_EQ(p.heading, 1.0f);
  EXPECT_EQ(p.moving, 0);
}

TEST(party_movement, a_follower_stops_short_of_the_party_it_follows) {
  map_campaign_fixture f(open_plain);
  party& leader = f.add_party(8.5f, 1.5f, 10);
  leader.flags |= party_flag_scripted_only;
  party& follower = f.add_party(1.5f, 1.5f, 10);
  follower.flags |= party_flag_scripted_only;
  follower.scripted_behaviour = behaviour::go_to_party;
  follower.scripted_target = leader.id;
  // The followed party is far away on its own face: a path is planned and
  // walked first, then the follower walks straight and stops 1.2 radii off.
  leader.radius = 0.0f;  // no arrival: only the stopping distance counts
  f.run(200);
  EXPECT_EQ(follower.movement_mode, movement_follow);
  EXPECT_NEAR(leader.position.x - follower.position.x, 1.2f * follower.radius, 0.01f);
  EXPECT_NEAR(follower.position.y, 1.5f, 0.01f);
}

TEST(party_movement, a_party_walks_around_a_lake_on_land) {
  map_campaign_fixture f(
      ".........\n"
      "..~~~~~..\n"
      "..~~~~~..\n"
      "..~~~~~..\n"
      ".........\n");
  party& p = f.add_party(1.5f, 2.5f, 10);
  p.scripted_behaviour = behaviour::go_to_point;
  p.scripted_position[0] = 7.5f;
  p.scripted_position[1] = 2.5f;
  p.flags |= party_flag_scripted_only;
  for (int i = 0; i < 400; ++i) {
    f.run(1);
    ASSERT_TRUE(is_land_terrain(p.terrain)) << "in the lake at " << p.position.x << ", " << p.position.y;
  }
  EXPECT_NEAR(p.position.x, 7.5f, 0.01f);
  EXPECT_NEAR(p.position.y, 2.5f, 0.01f);
  EXPECT_EQ(p.current_behaviour, behaviour::hold);
}

TEST(party_movement, a_party_cannot_reach_land_across_the_sea) {
  map_campaign_fixture f("..~~..\n..~~..\n");
  party& p = f.add_party(0.5f, 0.5f, 10);
  p.flags |= party_flag_scripted_only;
  p.scripted_behaviour = behaviour::go_to_point;
  p.scripted_position[0] = 5.5f;
  p.scripted_position[1] = 0.5f;
  f.run(100);
  EXPECT_LT(p.position.x, 2.0f);
  EXPECT_TRUE(is_land_terrain(p.terrain));
}

TEST(party_movement, parties_cross_a_river_by_its_bridge) {
  map_campaign_fixture f(
      "..r..\n"
      "..r..\n"
      "..=..\n"
      "..r..\n");
  party& p = f.add_party(0.5f, 3.5f, 10);
  p.flags |= party_flag_scripted_only;
  p.scripted_behaviour = behaviour::go_to_point;
  p.scripted_position[0] = 4.5f;
  p.scripted_position[1] = 3.5f;
  bool on_bridge = false;
  for (int i = 0; i < 300; ++i) {
    f.run(1);
    on_bridge = on_bridge || p.terrain == terrain_bridge;
    ASSERT_NE(p.terrain, terrain_river);
  }
  EXPECT_TRUE(on_bridge);
  EXPECT_NEAR(p.position.x, 4.5f, 0.01f);
  EXPECT_NEAR(p.position.y, 3.5f, 0.01f);
}

TEST(ship_landing, the_player_lands_once_and_other_ships_stop_at_the_coast) {
  map_campaign_fixture f("~~~..\n");
  clear_hook_script_map();
  party& player = f.add_party(0.5f, 0.5f, 10);
  f.game.player_party = player.id;
  player.flags |= party_flag_ship;
  player.current_behaviour = behaviour::go_to_point;
  player.current_position_target[0] = 4.5f;
  player.current_position_target[1] = 0.5f;
  apply_behaviour(f.travel(), player);
  party& ship = f.add_party(0.5f, 0.2f, 10);
  ship.flags |= party_flag_ship | party_flag_scripted_only;
  ship.scripted_behaviour = behaviour::go_to_point;
  ship.scripted_position[0] = 4.5f;
  ship.scripted_position[1] = 0.2f;
  for (int i = 0; i < 100; ++i) {
    advance_clock(clock_real_time, 0.1f);
    f.run(1);
  }
  EXPECT_EQ(f.map.disembarks, 1);
  EXPECT_EQ(player.movement_mode, movement_none);
  EXPECT_LT(player.position.x, 3.0f);
  EXPECT_GT(player.position.x, 2.5f);
  EXPECT_NEAR(f.travel().landing_position[0], player.position.x + 15.0f * 0.02f, 0.31f);
  EXPECT_TRUE(is_water_terrain(ship.terrain));
  EXPECT_LE(ship.position.x, 3.0f);
  EXPECT_GT(ship.position.x, 2.5f);
}

}  // namespace
}  // namespace hm
