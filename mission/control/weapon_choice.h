#pragma once
// What an agent holds: the AI's choice of a weapon class for its behaviour
// mode, wielding a weapon of a class, the player's (and scripts') cycling
// through the weapon slots, and the ammunition that feeds a ranged weapon.
namespace hm {

class mission;
struct agent;
struct item;

// AI weapon classes.
inline constexpr int weapon_class_melee = 1;
inline constexpr int weapon_class_ranged = 2;
inline constexpr int weapon_class_pole = 3;

struct ammunition_info {
  // The ammunition slot's item kind; -1 with no slot.
  int item_kind = -1;
  // Pieces left and the full amount over every feeding slot.
  int left = -1;
  int full = -1;
  // The first feeding slot with pieces left, else the first feeding slot.
  int slot = -1;
};

// The ammunition of the ranged weapon in `slot` (-1: hand 0's slot): bows
// take arrows, crossbows bolts, firearms bullets and a thrown weapon its own
// kind. All -1 when the slot is empty or holds no ranged weapon.
ammunition_info get_ammunition(const agent& a, int slot);
// Whether `ammo` feeds a weapon of this type and kind: arrows a bow, bolts a
// crossbow, bullets a firearm, and a thrown weapon only its own kind.
bool ammunition_feeds(int weapon_type, int weapon_kind, const item& ammo);
// Whether a weapon slot holds an item of the class that the agent's order
// group allows (blunt weapons only, no ranged weapons).
bool has_weapon_class(const mission& m, const agent& a, int weapon_class);
// Sets the AI mode, wields its weapon class and draws the next retarget
// period.
void set_ai_weapon_mode(mission& m, agent& a, int mode);
// Wields the lowest slot of the class (and a shield with hit points);
// without one, class 1 empties hand 0 and the others leave it.
void wield_weapon_class(mission& m, agent& a, int weapon_class);
// The next usable slot for the hand, or an empty hand after the last one.
void cycle_wielded_item(mission& m, agent& a, int hand);

}  // namespace hm
