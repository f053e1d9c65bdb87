#include <gtest/gtest.h>

#include "campaign/ai/party_ai.h"
#include "campaign/support/map_fixture.h"
#include "script/game_hooks.h"

namespace hm {
namespace {

using test::map_campaign_fixture;

constexpr const char* field =
    "....................\n"
    "....................\n"
    "....................\n";

// Two parties of level-0 foot troops (strength 1.44 each) on open land, P at
// x = 2 and Q at x = 2 + distance, factions 0 and 1 at the given relation.
struct ai_case {
  const char* name;
  int p_troops;
  int q_troops;
  float relation;
  int courage;
  int aggressiveness;
  int q_aggressiveness;
  float distance;
  bool bait_seeking;
  float q_bait;
  std::uint32_t p_flags;
  // What the decision weighed and what the party does.
  int expected_code;
  float expected_score;
  int expected_behaviour;
};

// Worked out by hand. With S, str the strengths (1.44 per troop), A = S +
// 0.1, E = str, FR = cf x S / str x A / E held to [0.2, 5], closeness =
// 3 / d held to [0.6, 2]:
const ai_case cases[] = {
    // Equal hostile parties 2 apart, equally fast: FR = 14.5 / 14.4 =
    // 1.00694; attack = 1 x 8 x 1 x 1.5 x FR x 0.125 = 1.51042.
    {"equal_hostile_attacks", 10, 10, -1.0f, 8, 8, 8, 2.0f, false, 0.0f, 0, behaviour::attack, 1.51042f,
     behaviour::attack},
    // Courage 0 counts as courage 8.
    {"courage_0_as_8", 10, 10, -1.0f, 0, 8, 8, 2.0f, false, 0.0f, 0, behaviour::attack, 1.51042f, behaviour::attack},
    // Courage 4 (cf 0.5): FR = 0.50347 < 1 / cf = 2, no attack; flee =
    // 2 x 1.5 / FR^2 - 1 = 10.8352.
    {"timid_flees_an_equal", 10, 10, -1.0f, 4, 8, 8, 2.0f, false, 0.0f, 0, behaviour::flee, 10.8352f,
     behaviour::flee},
    // P half as strong: FR = 0.5 x 7.3 / 14.4 = 0.253472; flee = 3 / FR^2 -
    // 1 = 45.6937.
    {"weak_flees", 5, 10, -1.0f, 8, 8, 8, 2.0f, false, 0.0f, 0, behaviour::flee, 45.6937f, behaviour::flee},
    // ... but not from a party without aggressiveness: nothing is chosen and
    // the scripted hold stands.
    {"no_flight_from_the_harmless", 5, 10, -1.0f, 8, 8, 0, 2.0f, false, 0.0f, 0, -1, 0.0f, behaviour::hold},
    // Friends are neither attacked nor fled.
    {"friends_ignored", 10, 10, 1.0f, 8, 8, 8, 2.0f, false, 0.0f, 0, -1, 0.0f, behaviour::hold},
    // 3.5 apart (closeness 0.857143) with aggressiveness 1: attack = 0.857143
    // x 1.00694 x 0.125 = 0.107887, under the threshold 0.15 .. 0.2.
    {"below_threshold", 10, 10, -1.0f, 8, 1, 8, 3.5f, false, 0.0f, 0, behaviour::attack, 0.107887f,
     behaviour::hold},
    // Aggressiveness 4: 0.431548, above it.
    {"above_threshold", 10, 10, -1.0f, 8, 4, 8, 3.5f, false, 0.0f, 0, behaviour::attack, 0.431548f,
     behaviour::attack},
    // Bait-seeking without aggressiveness: sr x bait x closeness x FR = 1 x
    // 1 x 1.5 x 1.00694.
    {"bait_seeking", 10, 10, -1.0f, 8, 0, 8, 2.0f, true, 1.0f, 0, behaviour::attack, 1.51042f, behaviour::attack},
    // Flag 0x10000: the scripted behaviour whatever is seen.
    {"scripted_only", 10, 10, -1.0f, 8, 8, 8, 2.0f, false, 0.0f, party_flag_scripted_only, behaviour::attack,
     1.51042f, behaviour::hold},
    // Out of the seeing range (6.5 x visibility 0.6 = 3.9): nothing seen.
    {"out_of_sight", 10, 10, -1.0f, 8, 8, 8, 4.5f, false, 0.0f, 0, -1, 0.0f, behaviour::hold},
};

TEST(party_ai_decision, the_choice_at_its_thresholds) {
  for (const ai_case& c : cases) {
    map_campaign_fixture f(field);
    clear_hook_script_map();
    f.world.relations[{0, 1}] = c.relation;
    f.world.relations[{1, 0}] = c.relation;
    party& p = f.add_party(2.0f, 1.5f, c.p_troops, 0);
    party& q = f.add_party(2.0f + c.distance, 1.5f, c.q_troops, 1);
    p.personality = static_cast<std::uint32_t>(c.courage | c.aggressiveness << 4 | (c.bait_seeking ? 0x100 : 0));
    q.personality = static_cast<std::uint32_t>(8 | c.q_aggressiveness << 4);
    q.bait_value = c.q_bait;
    p.flags |= c.p_flags;
    // Equally fast, as the cases assume.
    for (party* x : {&p, &q}) {
      refresh_changed_speed(f.game, *x);
      x->base_speed = 5.0f;
    }
    const ai_choice choice = decide_party_behaviour(f.travel(), p);
    EXPECT_EQ(choice.code, c.expected_code) << c.name;
    EXPECT_NEAR(choice.score, c.expected_score, 1e-3f * std::max(1.0f, c.expected_score)) << c.name;
    EXPECT_EQ(p.current_behaviour, c.expected_behaviour) << c.name;
    if (c.expected_behaviour == behaviour::attack || c.expected_behaviour == behaviour::flee) {
      EXPECT_EQ(p.current_target, q.id) << c.name;
    }
    EXPECT_GE(choice.threshold, 0.15f) << c.name;
    EXPECT_LE(choice.threshold, 0.2f) << c.name;
  }
}

TEST(party_ai_decision, an_attack_target_out_of_reach_leaves_a_patrol_around_the_party) {
  map_campaign_fixture f(field);
  clear_hook_script_map();
  party& p = f.add_party(4.0f, 1.5f, 10, 0);
  party& gone = f.add_party(15.0f, 1.5f, 10, 1);
  p.scripted_behaviour = behaviour::attack;
  p.scripted_target = gone.id;
  // Removal clears the scripted attack itself; a target that hides (or
  // stops, or joins another party) stays named and can no longer be attacked.
  gone.flags |= party_flag_hidden;
  decide_party_behaviour(f.travel(), p);
  EXPECT_EQ(p.current_behaviour, behaviour::patrol_point);
  EXPECT_FLOAT_EQ(p.current_position_target[0], 4.0f);
  EXPECT_FLOAT_EQ(p.current_position_target[1], 1.5f);
}

TEST(party_ai_decision, a_patrol_pauses_in_about_a_quarter_of_its_periods) {
  map_campaign_fixture f(field);
  clear_hook_script_map();
  party& p = f.add_party(4.0f, 1.5f, 10, 0);
  p.scripted_behaviour = behaviour::patrol_point;
  p.scripted_position[0] = 4.0f;
  p.scripted_position[1] = 1.5f;
  int paused = 0;
  constexpr int periods = 2000;
  for (int i = 0; i < periods; ++i) {
    decide_party_behaviour(f.travel(), p);
    paused += p.current_behaviour == behaviour::hold;
  }
  EXPECT_GT(paused, periods * 20 / 100);
  EXPECT_LT(paused, periods * 30 / 100);
}

TEST(party_ai_steering, patrol_points_stay_on_linked_land) {
  map_campaign_fixture f(
      "...~~...\n"
      "...~~...\n"
      "...~~...\n");
  clear_hook_script_map();
  party& p = f.add_party(1.5f, 1.5f, 10, 0);
  p.scripted_behaviour = behaviour::patrol_point;
  p.scripted_position[0] = 1.5f;
  p.scripted_position[1] = 1.5f;
  for (int i = 0; i < 500; ++i) {
    f.run(1, 0.05f);
    ASSERT_LT(p.position.x, 3.0f);
    if (p.movement_mode == movement_to_point) {
      ASSERT_TRUE(f.map.map.faces_are_linked(p.target_face, p.map_face));
    }
  }
}

TEST(party_ai_steering, a_fleeing_party_moves_away_from_its_threat) {
  map_campaign_fixture f(field);
  clear_hook_script_map();
  party& p = f.add_party(10.0f, 1.5f, 10, 0);
  party& threat = f.add_party(8.0f, 1.5f, 10, 1);
  threat.flags |= party_flag_scripted_only;
  p.flags |= party_flag_scripted_only;
  p.current_behaviour = behaviour::flee;
  p.current_target = threat.id;
  p.move_direction[0] = -1.0f;  // walking towards it until now
  p.move_direction[1] = 0.0f;
  refresh_changed_speed(f.game, p);
  steer_party(f.travel(), p);
  ASSERT_EQ(p.movement_mode, movement_to_point);
  EXPECT_GT(p.target_point[0], 10.0f);
}

}  // namespace
}  // namespace hm
