// What a troop may put into which equipment slot, and auto_equip, which fills
// a troop's equipment from its inventory.
#include "module/troops/troop_equipment.h"

#include "engine/core/random.h"
#include "module/records/world_records.h"

namespace hm {

std::uint32_t g_choice_seed = 0;

namespace {

bool fits_weapon_slot(int type) {
  return (type >= item_type::one_handed && type <= item_type::thrown) ||
         (type >= item_type::pistol && type <= item_type::bullets);
}

struct item_filter {
  int slot = 0;
  std::uint32_t required = 0;
  std::uint32_t forbidden = 0;
  int types[3] = {-1, -1, -1};
};

bool passes(const troop& t, const item& it, const item_filter& f) {
  const item_kind* kind = it.get_kind();
  if (!kind || !t.can_equip_item(it, f.slot)) return false;
  if ((kind->flags & f.required) != f.required || (kind->flags & f.forbidden) != 0) return false;
  if (f.types[0] == -1) return true;
  const int type = kind->type();
  return type == f.types[0] || type == f.types[1] || type == f.types[2];
}

}  // namespace

item_requirement get_item_requirement(const item_kind& kind) {
  item_requirement r;
  switch (kind.type()) {
    case item_type::one_handed:
    case item_type::two_handed:
    case item_type::polearm:
    case item_type::crossbow:
    case item_type::head_armor:
    case item_type::body_armor:
    case item_type::foot_armor:
    case item_type::hand_armor:
      r.attribute = 0;
      break;
    case item_type::horse:
      r.skill = skill_riding;
      break;
    case item_type::shield:
      r.skill = skill_shield;
      break;
    case item_type::bow:
      r.skill = skill_power_draw;
      break;
    case item_type::thrown:
      r.skill = skill_power_throw;
      break;
    default:
      break;
  }
  return r;
}

int troop::get_requirement_value_for_item(const item_kind& kind) const {
  const item_requirement r = get_item_requirement(kind);
  if (r.attribute >= 0) return attributes[static_cast<std::size_t>(r.attribute)];
  if (r.skill >= 0) return get_skill_level(r.skill);
  return 0;
}

bool troop::can_equip_item(const item& it, int slot) const {
  const item_kind* kind = it.get_kind();
  if (!kind) return false;
  if (is_hero() && it.get_difficulty() > get_requirement_value_for_item(*kind)) return false;
  const int type = kind->type();
  if (slot >= 0 && slot <= equipment_slot::weapon_3) return fits_weapon_slot(type);
  switch (slot) {
    case equipment_slot::head:
      return type == item_type::head_armor;
    case equipment_slot::body:
      return type == item_type::body_armor;
    case equipment_slot::foot:
      return type == item_type::foot_armor;
    case equipment_slot::hand:
      return type == item_type::hand_armor;
    case equipment_slot::horse:
      return type == item_type::horse;
    case equipment_slot::goods:
      return (type == item_type::goods && (kind->flags & item_flag::fits_goods_slot) != 0) ||
             type == item_type::horse;
    default:
      return false;
  }
}

int troop::find_free_inventory_slot() const {
  const int capacity = get_inventory_capacity();
  for (int i = 0; i < capacity; ++i) {
    if (inventory[static_cast<std::size_t>(i)].kind == -1) return i;
  }
  return -1;
}

bool troop::store_in_free_slot(const item& it) {
  const int slot = find_free_inventory_slot();
  if (slot < 0) return false;
  inventory[static_cast<std::size_t>(slot)] = it;
  return true;
}

void troop::clear_equipment_slot_if(int slot) {
  if (slot < 0 || slot >= troop_equipment_slots) return;
  item& it = equipment[static_cast<std::size_t>(slot)];
  if (it.kind == -1) return;
  if (store_in_free_slot(it)) it = item{};
}

void troop::unequip_all() {
  for (int slot = 0; slot < troop_equipment_slots; ++slot) clear_equipment_slot_if(slot);
}

int choose_inventory_item(const troop& t, int troop_index, int slot, std::uint32_t required, std::uint32_t forbidden,
                          int type_a, int type_b, int type_c, bool cheapest) {
  const item_filter filter{slot, required, forbidden, {type_a, type_b, type_c}};
  const int capacity = t.get_inventory_capacity();
  int n = 0;
  for (int i = 0; i < capacity; ++i) {
    if (passes(t, t.inventory[static_cast<std::size_t>(i)], filter)) ++n;
  }
  if (n > 0 && !cheapest) n += 3;
  const float threshold = n > 0 ? 1.7f / static_cast<float>(n) : 0.0f;
  int best = -1;
  std::int32_t best_value = -1;
  int cheapest_slot = -1;
  std::int32_t cheapest_value = 1000000000;
  for (int i = 0; i < capacity; ++i) {
    const item& it = t.inventory[static_cast<std::size_t>(i)];
    if (!passes(t, it, filter)) continue;
    const std::int32_t value = it.get_kind()->value;
    g_choice_seed = static_cast<std::uint32_t>(it.kind) * 3u + static_cast<std::uint32_t>(troop_index) * 157u + 7u;
    bool candidate = true;
    if (!t.is_hero()) {
      g_choice_seed = (g_choice_seed * 7187u - 218727766u) * 4357u;
      const float r = static_cast<float>(g_choice_seed % 15817u) * random_fraction_scale;
      candidate = r < threshold;
    }
    if (candidate && value > best_value) {
      best_value = value;
      best = i;
    }
    if (cheapest && value < cheapest_value) {
      cheapest_value = value;
      cheapest_slot = i;
    }
  }
  return best >= 0 ? best : cheapest_slot;
}

bool equip_best(troop& t, int troop_index, int slot, std::uint32_t required, std::uint32_t forbidden, int type_a,
                int type_b, int type_c, bool cheapest) {
  const int chosen = choose_inventory_item(t, troop_index, slot, required, forbidden, type_a, type_b, type_c, cheapest);
  if (chosen < 0) return false;
  item& source = t.inventory[static_cast<std::size_t>(chosen)];
  const item taken = source;
  source = item{};
  item& target = t.equipment[static_cast<std::size_t>(slot)];
  if (target.kind != -1) t.store_in_free_slot(target);
  target = taken;
  return true;
}

void auto_equip(troop& t, int troop_index, bool require, bool forbid) {
  if (t.flags & troop_flag::keep_equipment) return;
  t.unequip_all();
  std::uint32_t required = 0;
  std::uint32_t forbidden = 0;
  if (t.is_hero()) {
    if (require) required = item_flag::hero_required;
    if (forbid) forbidden = item_flag::hero_forbidden;
  }
  const auto cheapest = [&](std::uint64_t flag) { return (t.flags & flag) != 0; };
  equip_best(t, troop_index, equipment_slot::head, required, forbidden, -1, -1, -1,
             cheapest(troop_flag::cheapest_head));
  equip_best(t, troop_index, equipment_slot::body, required, forbidden, -1, -1, -1,
             cheapest(troop_flag::cheapest_body));
  equip_best(t, troop_index, equipment_slot::foot, required, forbidden, -1, -1, -1,
             cheapest(troop_flag::cheapest_foot));
  equip_best(t, troop_index, equipment_slot::hand, required, forbidden, -1, -1, -1,
             cheapest(troop_flag::cheapest_hand));
  equip_best(t, troop_index, equipment_slot::horse, 0, forbidden, item_type::horse, -1, -1,
             cheapest(troop_flag::cheapest_horse));

  bool bow = false, crossbow = false, firearm = false;
  bool arrows = false, bolts = false, bullets = false;
  bool shield_allowed = false, shield = false, sword = false, polearm = false;
  const auto equipped_type = [&](int slot) { return t.equipment[static_cast<std::size_t>(slot)].get_kind()->type(); };
  const auto leaves_hand = [&](int slot) {
    return (t.equipment[static_cast<std::size_t>(slot)].get_kind()->flags & item_flag::no_shield) == 0;
  };
  for (int slot = equipment_slot::weapon_0; slot <= equipment_slot::weapon_3; ++slot) {
    const auto equip = [&](int a, int b, int c, bool cheap) {
      return equip_best(t, troop_index, slot, 0, forbidden, a, b, c, cheap);
    };
    if (slot == 0) {
      const bool cheap = cheapest(troop_flag::cheapest_first_ranged);
      if (equip(item_type::pistol, item_type::musket, -1, cheap) ||
          equip(item_type::bow, item_type::crossbow, item_type::thrown, cheap)) {
        const int type = equipped_type(slot);
        bow = bow || type == item_type::bow;
        crossbow = crossbow || type == item_type::crossbow;
        firearm = firearm || type == item_type::pistol || type == item_type::musket;
        continue;
      }
    }
    if (bow && !arrows && equip(item_type::arrows, -1, -1, true)) {
      arrows = true;
      continue;
    }
    if (crossbow && !bolts && equip(item_type::bolts, -1, -1, true)) {
      bolts = true;
      continue;
    }
    if (firearm && !bullets && equip(item_type::bullets, -1, -1, true)) {
      bullets = true;
      continue;
    }
    if (shield_allowed && !shield && equip(item_type::shield, -1, -1, cheapest(troop_flag::cheapest_shield))) {
      shield = true;
      continue;
    }
    if (!sword && equip(item_type::one_handed, item_type::two_handed, -1, false)) {
      sword = true;
      shield_allowed = shield_allowed || leaves_hand(slot);
      continue;
    }
    if (!polearm && equip(item_type::polearm, -1, -1, false)) {
      polearm = true;
      shield_allowed = shield_allowed || leaves_hand(slot);
      continue;
    }
    if (!sword && !polearm) {
      if (equip(item_type::one_handed, item_type::two_handed, -1, true)) {
        sword = true;
        shield_allowed = shield_allowed || leaves_hand(slot);
      } else if (equip(item_type::polearm, -1, -1, true)) {
        polearm = true;
        shield_allowed = shield_allowed || leaves_hand(slot);
      }
    }
  }
}

}  // namespace hm
