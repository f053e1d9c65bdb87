#include "mission/screen/item_pickup.h"

#include "engine/core/text_format.h"
#include "mission/control/wielding.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"

namespace hm {

namespace {

constexpr std::uint32_t pickup_colour = 0xFFFFFFFFu;

int type_of(const item& it) {
  const item_kind* k = it.get_kind();
  return k ? k->type() : -1;
}

bool is_ammunition(int type) { return type == 5 || type == 6 || type == 18 || type == 10; }
bool is_shield(int type) { return type == 7; }
bool is_weapon(int type) {
  return type == 2 || type == 3 || type == 4 || type == 8 || type == 9 || type == 10 || type == 16 || type == 17;
}
bool is_kept_weapon(int type) {
  return type == 2 || type == 3 || type == 4 || type == 8 || type == 9 || type == 16 || type == 17;
}
bool has_shots_left(const item& it) { return it.get_max_ammo() - it.used_shots() > 0; }
bool valid_slot(int slot) { return slot >= 0 && slot < agent_weapon_slot_count; }

// Worth leaving on the ground.
bool worth_dropping(const item& it) {
  const int type = type_of(it);
  if (is_shield(type)) return it.hit_points() > 1;
  if (is_kept_weapon(type)) return true;
  return is_ammunition(type) && has_shots_left(it);
}

void say(const pickup_messages& msg, const std::string& text) {
  if (msg.add) msg.add(text, pickup_colour);
}
std::string text_of(const pickup_messages& msg, const char* key) { return msg.text ? msg.text(key) : key; }
std::string name_of(const pickup_messages& msg, const item& it) { return msg.item_name ? msg.item_name(it) : ""; }

}  // namespace

int choose_pickup_slot(const agent& a, const item& taken) {
  for (int slot = 0; slot < agent_weapon_slot_count; ++slot) {
    const item& held = a.equipment[static_cast<std::size_t>(slot)];
    const int type = type_of(held);
    if (held.kind < 0 || type < 0) return slot;
    if (is_ammunition(type) && !has_shots_left(held)) return slot;
    if (is_shield(type) && held.hit_points() == 0) return slot;
  }
  const int type = type_of(taken);
  const int weapon_slot = a.wielded_slots[0];
  const int shield_slot = a.wielded_slots[1];
  if (is_weapon(type) && valid_slot(weapon_slot)) return weapon_slot;
  if (is_shield(type) && valid_slot(shield_slot)) return shield_slot;
  if (!valid_slot(weapon_slot)) return -1;
  int slot = (weapon_slot + 1) % agent_weapon_slot_count;
  if (slot == shield_slot) {
    slot = (shield_slot + 1) % agent_weapon_slot_count;
    if (slot == weapon_slot) slot = (shield_slot + 2) % agent_weapon_slot_count;
  }
  return slot;
}

bool pick_up_or_drop_item(mission& m, int agent_index, const item& taken, const pickup_messages& msg) {
  agent* a = m.get_live_agent(agent_index);
  if (!a) return false;
  const int slot = choose_pickup_slot(*a, taken);
  if (!valid_slot(slot)) {
    say(msg, text_of(msg, "ui_unable_to_take"));
    return false;
  }
  item& held = a->equipment[static_cast<std::size_t>(slot)];
  if (held.kind < 0 || !held.get_kind()) {
    say(msg, format_text(text_of(msg, "ui_picking_up"), {name_of(msg, taken)}));
  } else {
    say(msg, format_text(text_of(msg, "ui_dropping_picking_up"), {name_of(msg, held), name_of(msg, taken)}));
    if (worth_dropping(held)) {
      frame at = a->body_frame;
      at.origin.z += 0.1f;
      m.add_scene_prop_instance(prop_kind_spawned_item, held.kind, static_cast<int>(held.word), at);
    }
  }
  held = taken;
  a->slot_from_troop[static_cast<std::size_t>(slot)] = 0;
  const int type = type_of(taken);
  if (is_weapon(type)) a->wielded_slots[0] = slot;
  else if (is_shield(type)) a->wielded_slots[1] = slot;
  update_wielded_items(m, *a);
  return true;
}

}  // namespace hm
