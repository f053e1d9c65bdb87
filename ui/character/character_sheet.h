#pragma once
// The rules of the character screen, apart from its widgets: which raise a
// troop may make now, what a raise costs and gives, the values kept for the
// reset, and the experience the next level asks for.
#include <array>
#include <cstdint>

#include "module/troops/troop.h"

namespace hm {

inline constexpr int weapon_master_skill = 27;
inline constexpr int hit_point_skill = 36;
// Attributes are raised while they stay below this.
inline constexpr int max_raised_attribute_value = 63;
inline constexpr int attribute_agility = 1;
inline constexpr int agility_weapon_points = 5;
// Steps of one point a proficiency raise is counted in, at most.
inline constexpr int max_proficiency_steps = 1000;
// Creation is done once fewer than this many weapon points are left.
inline constexpr int creation_weapon_points_left = 6;

// What the reset puts back: the editable values as they were at the build.
struct character_snapshot {
  std::array<std::int32_t, troop_attribute_count> attributes{};
  std::array<float, troop_proficiency_count> proficiencies{};
  float health = 0.0f;
  std::int32_t skill_points = 0;
  std::int32_t attribute_points = 0;
  std::int32_t weapon_points = 0;
  std::array<std::uint32_t, troop_skill_words> skill_words{};
};

character_snapshot take_character_snapshot(const troop& t);
void restore_character_snapshot(troop& t, const character_snapshot& s);

// The governing attribute of a skill (0 strength .. 3 charisma): the low
// bits of its flags, held to 0..3.
int governing_attribute(int skill);

// The highest proficiency a troop may raise to with this effective level of
// the weapon-master skill: 60 + 40 a level, levels held to 0..10.
int proficiency_limit(int weapon_master_level);

// The weapon points that raise proficiency i by one whole unit: the count of
// one-point gains until the value's whole part rises (at most 1000).
int proficiency_raise_cost(const troop& t, int i);

// Whether the increment buttons show.
// A skill: a skill point, the stored level below the skill's maximum, the
// level below a third of the governing attribute, and leadership and
// prisoner management only for the player's troop.
bool skill_can_be_raised(const troop& t, int skill, bool player_troop);
// A proficiency: weapon points, the value not above the limit of the
// weapon-master level, shown by the module, and a cost within the points.
bool proficiency_can_be_raised(const troop& t, int i, int weapon_master_level, bool shown);
// An attribute: an attribute point and a value that can still rise (a point
// is never spent on an attribute at its maximum).
bool attribute_can_be_raised(const troop& t, int attribute);

// The raises; each checks its rule first and changes nothing when the raise
// is not allowed. True when the troop changed.
bool raise_character_skill(troop& t, int skill, bool player_troop);
bool raise_character_proficiency(troop& t, int i, int weapon_master_level, bool shown);
// Agility also gives 5 weapon points, intelligence a skill point, strength a
// point of health.
bool raise_character_attribute(troop& t, int attribute);

// The experience the level after this one asks for, the level held to the
// table's range.
std::int32_t next_level_experience(int level);

// Whether a new character may be finished: every attribute and skill point
// spent, fewer than six weapon points left, and a name given.
bool character_creation_complete(const troop& t, bool name_given);

}  // namespace hm
