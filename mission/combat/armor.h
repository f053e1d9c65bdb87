#pragma once
// The armour of a blow (soak and reduction by damage type, a shield carried
// on the back against missiles) and the wear of a shield that stops a hit.
#include <cstdint>

namespace hm {

struct agent;
struct blow;
struct module_settings;
class combat_random;
class mission;

// The body parts of a blow.
inline constexpr int body_part_head = 9;

struct armor_values {
  bool horse = false;
  int head = 0;
  int body = 0;
  int legs = 0;
  // What a shield on the back adds for this blow (its resistance + 10), 0
  // when it is not struck.
  int back_shield = 0;
};

// Fills `absorbed` and `damage` of the blow from its raw damage, type and
// body part. Three draws: soak, reduction, spread.
void apply_armor_to_blow(blow& b, const armor_values& armour, const module_settings& settings,
                         combat_random& random);

// The hit points a shield loses when it stops `damage`: the part above its
// resistance, lessened by the shield skill (0 at level 13 and above).
int shield_damage_points(int damage, int resistance, int shield_skill);

// A broken shield of the player's own equipment steps down in quality: any
// modifier becomes 5 (deformed), 5 becomes 1 (cracked), and 1 means the
// shield is lost (-1).
int shield_quality_after_break(int modifier);

struct shield_damage_outcome {
  int points_lost = 0;
  bool broken = false;
  // The quality step of the player's shield: 0 none, else the message key's
  // new modifier (-1 lost).
  bool quality_stepped = false;
  int new_modifier = 0;
};

// The agent's wielded shield (hand 1) takes a hit. On breaking, hand 1 is
// emptied, the hit reaction and the breaking sound play and the shield drops
// into the scene.
shield_damage_outcome damage_shield(mission& m, agent& a, int damage, combat_random& random);

// The agent's armour for a blow, including a shield on its back struck by the
// blow's missile.
armor_values agent_armor_for_blow(const mission& m, const agent& a, const blow& b);

}  // namespace hm
