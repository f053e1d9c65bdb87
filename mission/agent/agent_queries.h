#pragma once
// Agent queries that the wielding, weapon-use and locomotion routines call
// and that belong with the agent's body, equipment, skill and perception
// queries. agent_queries_interim.cpp holds stand-ins that give neutral
// answers (or the plain rule where it is a line long) until those queries are
// written; the file goes when they are.
namespace hm {

class mission;
struct agent;

// The weight of the eight equipment slots' items; partly used ammunition
// weighs its share and a shield of 0 hit points nothing.
float get_equipment_weight(const agent& a);
// Turns the agent's facing towards its input direction at a rate limited per
// frame.
void limit_turn(mission& m, agent& a, float dt);
// A free horse within reach of the agent, -1 none.
int find_horse_in_reach(mission& m, const agent& a);
// The enemy attacking this agent whose attack it should guard against, -1.
int find_aiming_enemy(mission& m, const agent& a);
// The nearest agent that is not an ally in front of this agent, -1.
int find_facing_non_ally(mission& m, const agent& a);
// How fast the hand's weapon is used, around 1.0.
float get_weapon_speed_factor(const agent& a, int hand);
// The share of its full pace that the carried weight leaves an agent: 1.0 for
// a horse; for a human max(0, 1 - weight x 0.11 / (strength + 9)).
float get_weight_speed_factor(const agent& a);

}  // namespace hm
