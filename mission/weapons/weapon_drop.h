#pragma once
// A dying agent lets go of some of its weapons: each one, with a chance of
// one in four, falls where the bone that held or carried it stands, as a
// spawned item of the scene that others may pick up.
namespace hm {

class combat_random;
class mission;
struct agent;

// The bone a hand holds an item kind's type with: 19 for blades, polearms,
// crossbows, thrown weapons and firearms, 14 for bows, 12 for shields, -1 for
// anything else.
int holding_bone_for_type(int item_type);

// Called when a dead body comes to rest; the dropped slots are emptied and
// no hand wields them any more. One draw of `random` per weapon carried.
void drop_weapons_on_death(mission& m, agent& a, combat_random& random);

}  // namespace hm
