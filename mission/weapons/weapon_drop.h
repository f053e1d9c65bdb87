#pragma once
// A dying agent lets go of some of its weapons: each one, with a chance of
// one in four, falls where the bone that held or carried it stands, as a
// spawned item of the scene that others may pick up.
namespace hm {

class mission;
struct agent;

// The bone a hand holds an item kind's type with: 19 for blades, polearms,
// crossbows, thrown weapons and firearms, 14 for bows, 12 for shields, -1 for
// anything else.
int holding_bone_for_type(int item_type);

// Called when the agent dies; the dropped slots are emptied.
void drop_weapons_on_death(mission& m, agent& a);

}  // namespace hm
