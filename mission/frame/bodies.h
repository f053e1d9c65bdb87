#pragma once
// What becomes of a body: a corpse lies in its death animation, may become a
// ragdoll, freezes with some of its weapons, and fades once the corpse limit
// pushes it out; a horse that carried a dead rider runs loose and leaves at
// the scene's edge.
namespace hm {

struct agent;
class combat_random;
class mission;

struct body_limits {
  int corpse_limit = 20;
  int ragdoll_limit = 5;
  int live_ragdolls = 0;
};

// One step of the body state machine of one agent.
void agent_die(mission& m, agent& a, const body_limits& limits, combat_random& random);

// Each weapon of a body drops with probability 0.25 at its bone as an item
// in the scene that can be picked up; its slot empties.
void keep_weapons_on_corpse(mission& m, agent& a, combat_random& random);

// The freeze of a body: pose frozen, some weapons dropped, listed as a
// corpse (never the player's own body).
void freeze_body(mission& m, agent& a, int corpse_limit, combat_random& random);

}  // namespace hm
