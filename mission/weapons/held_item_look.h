#pragma once
// How a weapon in use looks in the hand: a bow's string drawn as the shot is
// aimed with an arrow nocked on it, a crossbow spanned or slack, a thrown
// weapon gone from the hand once thrown. An item shows on an agent through
// its slot's entities (the item, its second mesh, its sheath) or, for an
// agent whose equipment meshes hang straight on its skeleton's bones,
// through the meshes copied from the item's own mesh.
#include <cstdint>
#include <vector>

namespace hm {

class entity;
class mesh;
struct agent;

// The vertex-animation time of a drawn launcher: 0 slack, 100 fully drawn.
inline constexpr float launcher_slack = 0.0f;
inline constexpr float launcher_drawn = 100.0f;

// The meshes that show the item of weapon slot `slot`: its item entity's,
// or without one the bone meshes copied from the item's mesh (none for an
// empty slot or one outside 0..3).
std::vector<mesh*> agent_slot_item_meshes(const agent& a, int slot);
// Every one of those meshes at vertex-animation time `time`.
void set_slot_item_anim_time(const agent& a, int slot, float time);
// Every one of those meshes with the show word `mask` (0xFFFF shows, 0
// hides).
void set_slot_item_show_word(const agent& a, int slot, std::uint32_t mask);

// A bow's draw at the aim's progress: slack up to 0.46, then drawn over the
// next 0.4, as a vertex-animation time.
float bow_draw_time(float progress);
// A crossbow's span while it is reloaded, from the reload's progress: on foot
// between 0.4 and 0.66, mounted between 0.16 and 0.5.
float crossbow_span_time(float progress, bool mounted);

// The arrow (or bolt) held on the wielded launcher: the second-mesh entity of
// the slot whose ammunition feeds it; null when there is none.
entity* held_ammunition_entity(const agent& a);

}  // namespace hm
