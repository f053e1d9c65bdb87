#pragma once
// Bringing everything that depends on an agent's hands up to date after the
// wielded items change: whether hand 1 may hold anything, where each item
// hangs on the body, the draw or sheathe action of the upper body with its
// sound, and the agent's wield flags.
#include <cstdint>

namespace hm {

class mission;
struct agent;
struct item_kind;

// Set by the mission screen while the player looks through its agent's eyes;
// the player's own carried weapons then show in the reflection passes only.
extern std::int32_t g_first_person_view;

// The kind of the item in a weapon slot; null for an empty slot or one
// outside 0..3.
const item_kind* weapon_slot_kind(const agent& a, int slot);
// The bone an item of this type is held on: 19 weapons, 14 bows, 12 shields;
// -1 for other types.
int get_carry_bone(int item_type);

// The two-hands flag and its copy in the wielded-item flags.
void set_two_hands(agent& a, bool both);
// hand1_unavailable and the two-hands flag from hand 0's item, the item
// entities, the draw or sheathe transition, and both action stamps -2e7.
void update_wielded_items(mission& m, agent& a);
// Hides every weapon slot's entities, then shows the wielded items on their
// hand bones and the others at their carry places.
void attach_item_entities(mission& m, agent& a);
// The draw or sheathe action and sound of each hand whose wielded slot
// changed since the last call, and the wield flags.
void play_wield_transition(mission& m, agent& a);

}  // namespace hm
