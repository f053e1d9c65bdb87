#include <gtest/gtest.h>

#include "campaign/ai/party_ai.h"
#include "campaign/support/map_fixture.h"
#include "script/game_hooks.h"

namespace hm {
namespace {

using test::map_campaign_fixture;

constexpr const char* field =
    "..............................\n"
    "..............................\n"
    "..............................\n";

TEST(party_contact, a_party_catches_and_engages_the_one_it_attacks) {
  map_campaign_fixture f(field);
  clear_hook_script_map();
  f.world.relations[{0, 1}] = -1.0f;
  f.world.relations[{1, 0}] = -1.0f;
  party& hunter = f.add_party(2.0f, 1.5f, 20, 0);
  hunter.personality = 8 | 8 << 4;
  party& prey = f.add_party(5.0f, 1.5f, 5, 1);
  // The prey walks away east, heavily laden (load 255 x 50), so it is slow,
  // and sees nothing to react to.
  prey.flags |= party_flag_scripted_only;
  prey.flags2 |= 0xFF0000u;
  prey.scripted_behaviour = behaviour::go_to_point;
  prey.scripted_position[0] = 28.0f;
  prey.scripted_position[1] = 1.5f;
  int steps = 0;
  while (f.map.engagements == 0 && steps < 2000) {
    f.run(1);
    ++steps;
  }
  ASSERT_EQ(f.map.engagements, 1);
  EXPECT_GT(prey.position.x, 5.0f);  // it was caught on the move
  EXPECT_LT((hunter.position - prey.position).length(), hunter.radius + prey.radius);
  // The battle holds both sides.
  ASSERT_GE(hunter.map_event, 0);
  EXPECT_EQ(hunter.map_event, prey.map_event);
  EXPECT_EQ(hunter.movement_mode, movement_none);
  EXPECT_EQ(prey.movement_mode, movement_none);
}

TEST(party_contact, a_party_going_to_another_arrives_and_stops) {
  map_campaign_fixture f(field);
  clear_hook_script_map();
  party& p = f.add_party(2.0f, 1.5f, 10, 0);
  party& town = f.add_party(9.0f, 1.5f, 10, 0);
  town.flags |= party_flag_fixed_place;
  p.flags |= party_flag_scripted_only;
  p.scripted_behaviour = behaviour::go_to_party;
  p.scripted_target = town.id;
  f.run(300);
  EXPECT_EQ(p.current_behaviour, behaviour::arrived);
  EXPECT_LT((p.position - town.position).length(), p.radius + town.radius);
  EXPECT_EQ(p.movement_mode, movement_none);
}

TEST(party_escort, an_escort_keeps_near_the_party_it_accompanies) {
  map_campaign_fixture f(field);
  party& leader = f.add_party(2.0f, 1.5f, 10, 0);
  leader.flags |= party_flag_scripted_only;
  leader.scripted_behaviour = behaviour::go_to_point;
  leader.scripted_position[0] = 25.0f;
  leader.scripted_position[1] = 1.5f;
  party& escort = f.add_party(3.0f, 1.0f, 10, 0);
  escort.flags |= party_flag_scripted_only;
  escort.scripted_behaviour = behaviour::accompany;
  escort.scripted_target = leader.id;
  float farthest = 0.0f;
  for (int i = 0; i < 600; ++i) {
    f.run(1);
    if (i > 50) farthest = std::max(farthest, (leader.position - escort.position).length());
  }
  EXPECT_NEAR(leader.position.x, 25.0f, 0.01f);
  EXPECT_EQ(escort.movement_mode, movement_accompany);
  // Within its wander offset (at most sqrt 2) once the leader stands; on
  // the way, as fast as the leader, it trails but never falls away.
  EXPECT_LT((leader.position - escort.position).length(), 1.6f);
  EXPECT_LT(farthest, 6.0f);
}

TEST(party_tracks, a_walking_party_leaves_tracks_along_its_way) {
  map_campaign_fixture f(field);
  clear_hook_script_map();
  party& p = f.add_party(2.0f, 1.5f, 12, 0);
  p.template_index = -1;
  p.flags |= party_flag_scripted_only;
  p.scripted_behaviour = behaviour::go_to_point;
  p.scripted_position[0] = 22.0f;
  p.scripted_position[1] = 1.5f;
  f.run(400);
  ASSERT_NEAR(p.position.x, 22.0f, 0.01f);
  // A track every 0.5 .. 1.9 units of the 20 walked.
  EXPECT_GE(f.map.tracks.size(), 10u);
  EXPECT_LE(f.map.tracks.size(), 41u);
  for (const map_track& t : f.map.tracks) {
    EXPECT_EQ(t.word & 0xFF, 12u);
    EXPECT_EQ((t.word >> 8) & 0xFF, 255u);
    EXPECT_GT(t.position.x, 2.0f);
    EXPECT_LT(t.position.x, 22.0f);
    // Heading east: atan2(-dx, dy) = -pi / 2.
    EXPECT_NEAR(t.heading, -1.5707963f, 1e-3f);
    // Scaled by 0.5 + 0.01 x 12 and lifted off the face.
    EXPECT_NEAR(t.placement.rot.u.length(), 0.62f, 1e-4f);
    EXPECT_NEAR(t.placement.origin.z, 0.01f, 1e-5f);
  }
}

}  // namespace
}  // namespace hm
