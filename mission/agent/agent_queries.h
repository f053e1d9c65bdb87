#pragma once
// Agent queries that the wielding, weapon-use and locomotion routines call
// and that belong with the agent's body, equipment, skill and perception
// queries. They are reached through one replaceable source: the default one
// gives neutral answers (and the weight rule, which is a line long) until
// those queries are written, and then forwards to them; tests install their
// own answers.
namespace hm {

class mission;
struct agent;

class agent_query_source {
 public:
  virtual ~agent_query_source();
  // The weight of the eight equipment slots' items; partly used ammunition
  // weighs its share and a shield of 0 hit points nothing. (Default: the
  // weight last stored.)
  virtual float get_equipment_weight(const agent& a);
  // Turns the agent's facing towards its input direction at a rate limited
  // per frame. (Default: the facing stays.)
  virtual void limit_turn(mission& m, agent& a, float dt);
  // A free horse within reach of the agent, -1 none. (Default: none.)
  virtual int find_horse_in_reach(mission& m, const agent& a);
  // The enemy whose attack this agent should guard against, -1. (Default:
  // none.)
  virtual int find_aiming_enemy(mission& m, const agent& a);
  // The non-ally this agent faces most directly, -1. (Default: none.)
  virtual int find_facing_non_ally(mission& m, const agent& a);
  // How fast the hand's weapon is used, around 1.0. (Default: 1.0.)
  virtual float get_weapon_speed_factor(const agent& a, int hand);
  // The share of its full pace that the carried weight leaves an agent: 1.0
  // for a horse; for a human max(0, 1 - weight x 0.11 / (strength + 9)).
  virtual float get_weight_speed_factor(const agent& a);
};

// The source in use; never null.
agent_query_source& agent_queries();
// Null restores the default.
void set_agent_query_source(agent_query_source* source);

}  // namespace hm
