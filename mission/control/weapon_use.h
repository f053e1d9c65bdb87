#pragma once
// Two helpers of an agent's weapon use: the defence actions for the weapon it
// holds and the direction it guards, and taking ammunition out of its slots
// when a missile weapon is loaded or shot.
#include "engine/core/math.h"

namespace hm {

class mission;
struct agent;

// The mission camera's frame, kept by the mission screen; the player's
// guard may follow where the faced agent stands in the view.
extern frame g_mission_camera_frame;

struct defend_actions {
  int defend = -1;
  int keep = -1;
  int parry = -1;
};

// The direction the agent guards: 0 thrust, 1 and 2 the side swings, 3
// overhead. The player follows the block-direction option (the mouse, or the
// faced agent's place in the view); everyone else guards against the attack
// of the enemy aiming at it.
int choose_guard_direction(mission& m, const agent& a);
// The guard direction from this frame's mouse movement (dy already turned
// for the reversing option).
int guard_direction_from_mouse(float dx, float dy);
// The attack direction of the enemy aiming at the agent while it readies or
// releases its attack; -1 when no enemy attacks it.
int attacking_enemy_direction(mission& m, const agent& a);
// The defence triple: the shield's with a usable shield in hand 1, the fist's
// with nothing in hand 0, otherwise by the direction and the first defence
// style of hand 0's item; all -1 when no style applies.
defend_actions defend_actions_for_direction(const agent& a, int direction);
// The same for the direction the agent guards now.
defend_actions choose_defend_actions(mission& m, const agent& a);
// Where a raised or held guard turns in this frame; all -1 to stay. With the
// block-direction option on, a guard still rising (below half its action)
// takes the chosen direction. A guard that is not the player's own to steer
// follows the enemy attacking it: risen or held, it turns to the triple of
// that attack's direction (a shield's triple covers every direction and
// never turns).
defend_actions turned_guard(mission& m, const agent& a);
// Takes up to n pieces from the slots that feed hand 0's missile weapon and
// returns how many it took; a thrower out of pieces empties its hand.
int consume_ammunition(mission& m, agent& a, int n);

}  // namespace hm
