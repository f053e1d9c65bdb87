#include "mission/control/weapon_choice.h"

#include <algorithm>

#include "mission/agent/agent_queries.h"
#include "mission/control/wielding.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/records/item_kind.h"

namespace hm {

namespace {

constexpr std::uint32_t kind_flag_foot_crossbow = 1u << 20;
constexpr std::uint32_t kind_flag_two_hands = 1u << 21;
constexpr std::uint32_t kind_flag_in_hand = 1u << 22;
constexpr std::uint32_t kind_flag_not_mounted = 1u << 28;
constexpr std::uint32_t ai_flag_weapon_changed = 0x200;

bool blunt_enough(int damage_word) {
  return (damage_word & 0xFF) < 2 || ((damage_word >> 8) & 3) == 2;
}

bool passes_switches(const mission& m, const agent& a, const item_kind& k) {
  const team_group& g = m.team_of(a.team).groups[static_cast<std::size_t>(agent_mounted_state(a))];
  if (g.blunt_only != 0 && !(blunt_enough(k.thrust_damage) && blunt_enough(k.swing_damage))) return false;
  if (g.no_ranged != 0 && k.is_ranged_weapon()) return false;
  return true;
}

bool matches_class(const agent& a, int slot, const item_kind& k, int weapon_class) {
  switch (weapon_class) {
    case weapon_class_melee:
      return k.is_melee_weapon() && (k.flags & kind_flag_in_hand) != 0;
    case weapon_class_ranged:
      if (!k.is_ranged_weapon() || get_ammunition(a, slot).left <= 0) return false;
      return !(k.type() == item_type::crossbow && (k.flags & kind_flag_foot_crossbow) != 0 && a.mount >= 0);
    case weapon_class_pole:
      return k.type() == item_type::polearm;
    default:
      return false;
  }
}

}  // namespace

bool ammunition_feeds(int weapon_type, int weapon_kind, const item& ammo) {
  const item_kind* k = ammo.get_kind();
  if (k == nullptr) return false;
  switch (weapon_type) {
    case item_type::bow:
      return k->type() == item_type::arrows;
    case item_type::crossbow:
      return k->type() == item_type::bolts;
    case item_type::pistol:
    case item_type::musket:
      return k->type() == item_type::bullets;
    case item_type::thrown:
      return ammo.kind == weapon_kind;
    default:
      return false;
  }
}

ammunition_info get_ammunition(const agent& a, int slot) {
  if (slot == -1) slot = a.wielded_slots[0];
  const item_kind* weapon = weapon_slot_kind(a, slot);
  ammunition_info info;
  if (weapon == nullptr || !weapon->is_ranged_weapon()) return info;
  const int weapon_kind = a.equipment[static_cast<std::size_t>(slot)].kind;
  info.left = 0;
  info.full = 0;
  int first_with_pieces = -1;
  int first = -1;
  for (int s = 0; s < agent_weapon_slot_count; ++s) {
    const item& it = a.equipment[static_cast<std::size_t>(s)];
    if (!ammunition_feeds(weapon->type(), weapon_kind, it)) continue;
    const int left = it.get_remaining_ammo();
    info.left += left;
    info.full += std::min(it.get_max_ammo(), 255);
    if (first < 0) first = s;
    if (first_with_pieces < 0 && left > 0) first_with_pieces = s;
  }
  info.slot = first_with_pieces >= 0 ? first_with_pieces : first;
  if (info.slot >= 0) info.item_kind = a.equipment[static_cast<std::size_t>(info.slot)].kind;
  return info;
}

bool has_weapon_class(const mission& m, const agent& a, int weapon_class) {
  for (int slot = 0; slot < agent_weapon_slot_count; ++slot) {
    const item_kind* k = weapon_slot_kind(a, slot);
    if (k != nullptr && passes_switches(m, a, *k) && matches_class(a, slot, *k, weapon_class)) return true;
  }
  return false;
}

void set_ai_weapon_mode(mission& m, agent& a, int mode) {
  a.ai.mode = mode;
  int weapon_class = 0;
  float base = 5.0f;
  switch (mode) {
    case 4:
      weapon_class = (!has_weapon_class(m, a, weapon_class_melee) && has_weapon_class(m, a, weapon_class_pole))
                         ? weapon_class_pole
                         : weapon_class_melee;
      base = 8.0f;
      break;
    case 5:
    case 6:
      weapon_class = weapon_class_ranged;
      base = 10.0f;
      break;
    case 7:
      weapon_class = has_weapon_class(m, a, weapon_class_pole) ? weapon_class_pole : weapon_class_melee;
      base = 9.0f;
      break;
    case 8:
      base = 2.0f;
      break;
    case 11:
    case 13:
    case 14:
      base = 10.0f;
      break;
    default:
      break;
  }
  if (weapon_class != 0) wield_weapon_class(m, a, weapon_class);
  a.ai.retarget_period = (0.75f + mission_random_unit(m) * 0.5f) * base;
}

void wield_weapon_class(mission& m, agent& a, int weapon_class) {
  if (a.ai_weapon_class == weapon_class) return;
  int weapon = -1;
  int shield = -1;
  for (int slot = agent_weapon_slot_count - 1; slot >= 0; --slot) {
    const item_kind* k = weapon_slot_kind(a, slot);
    if (k == nullptr) continue;
    const bool rider_may = a.mount < 0 || (k->flags & kind_flag_not_mounted) == 0;
    if (rider_may && passes_switches(m, a, *k) && matches_class(a, slot, *k, weapon_class)) weapon = slot;
    if (k->type() == item_type::shield && a.equipment[static_cast<std::size_t>(slot)].hit_points() > 1) shield = slot;
  }
  if (weapon >= 0) {
    a.wielded_slots[0] = weapon;
  } else if (weapon_class == weapon_class_melee) {
    a.wielded_slots[0] = -1;
  }
  if (shield >= 0) a.wielded_slots[1] = shield;
  a.ai_weapon_class = weapon_class;
  a.ai_combat_word = 0;
  a.ai.action_flags |= ai_flag_weapon_changed;
  update_wielded_items(m, a);
}

void cycle_wielded_item(mission& m, agent& a, int hand) {
  if (hand < 0 || hand > 1) return;
  std::int32_t& held = a.wielded_slots[static_cast<std::size_t>(hand)];
  const int before = held;
  const int noted_kind = before >= 0 && before < agent_weapon_slot_count
                             ? a.equipment[static_cast<std::size_t>(before)].kind
                             : -1;
  const bool rides = a.mount >= 0;
  if (hand == 1 && a.wielded_slots[0] >= 0 && a.wielded_slots[1] >= 0 && a.two_hands != 0) {
    a.wielded_slots[0] = -1;
  } else {
    int accepted = -1;
    int index = before;
    for (int tries = 0; tries < 4 && accepted < 0; ++tries) {
      index = (index + 1) % 4;
      if (index < 0) index += 4;
      if (hand == 1 && index == a.wielded_slots[0]) continue;
      const item& it = a.equipment[static_cast<std::size_t>(index)];
      const item_kind* k = it.get_kind();
      if (k == nullptr) continue;
      if (rides && (k->flags & kind_flag_not_mounted) != 0) continue;
      if (hand == 0) {
        const bool fresh_throw =
            k->type() == item_type::thrown && get_ammunition(a, index).left > 0 && it.kind != noted_kind;
        if (fresh_throw || (k->flags & kind_flag_in_hand) != 0) accepted = index;
      } else if (k->type() == item_type::shield && it.hit_points() > 0) {
        accepted = index;
      }
    }
    held = (accepted < 0 || (hand == 1 && accepted <= before)) ? -1 : accepted;
  }
  const item_kind* k0 = weapon_slot_kind(a, a.wielded_slots[0]);
  set_two_hands(a, k0 != nullptr && (k0->flags & kind_flag_two_hands) != 0);
  update_wielded_items(m, a);
}

}  // namespace hm
