#pragma once
// What the scene edit mode shows over the scene: the navigation graph's
// faces, sides and corners, and the water plane, each made once a mission.
#include <cstdint>

namespace hm {

class entity;
class mission;

// Owner words that mark the edit mode's own entities.
inline constexpr std::int32_t nav_marker_owner = -20;
inline constexpr std::int32_t water_marker_owner = -21;

// The scene's entity with that owner word, or null.
entity* find_marker_entity(const mission& m, std::int32_t owner);
// Makes the markers the scene does not have yet.
void create_edit_mode_entities(mission& m);

}  // namespace hm
