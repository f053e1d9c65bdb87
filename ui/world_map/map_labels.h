#pragma once
// What a party's floating label on the world map says and in which colour:
// its troop count (a fixed place its name), coloured by how its faction
// stands towards the player's.
#include <cstdint>
#include <string>

namespace hm {

// The label colour (A8R8G8B8) of a relation -1..1: reds for enemies, greens
// for friends, white between; without bright every channel is dimmed.
std::uint32_t relation_to_label_colour(float relation, bool bright);
// "members+prisoners", or only the members when there are no prisoners.
std::string troop_count_label(int members, int prisoners);
// The label's scale from the party's flags: 0.5 without label-scale bits,
// 0.75 with the first alone, 1.0 otherwise.
float party_label_scale(std::uint32_t flags);

}  // namespace hm
