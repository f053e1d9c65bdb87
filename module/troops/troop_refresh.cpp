// Keeping troops playable: unspent points spent at random, consumable items
// refilled, and the player's firearms reloaded from the bullets the player
// carries.
#include "module/troops/troop_refresh.h"

#include <algorithm>

#include "engine/core/random.h"
#include "module/records/world_records.h"

namespace hm {
namespace {

// Types whose low byte counts used shots.
bool is_ammunition_like(int type) {
  return type == item_type::arrows || type == item_type::bolts || type == item_type::crossbow ||
         type == item_type::thrown || type == item_type::pistol || type == item_type::musket ||
         type == item_type::bullets;
}

// Types whose low 16 bits hold hit points (19 has no name of its own).
bool has_hit_points(int type) { return type == item_type::shield || type == item_type::horse || type == 19; }

bool is_consumable(int type) {
  return type == item_type::arrows || type == item_type::bolts || type == item_type::thrown ||
         type == item_type::shield;
}

bool is_firearm(int type) { return type == item_type::pistol || type == item_type::musket; }

void set_used_shots(item& it, int used) {
  it.word = (it.word & ~0xFFu) | static_cast<std::uint32_t>(std::clamp(used, 0, 255));
}

void restore_item(item& it) {
  const item_kind* kind = it.get_kind();
  if (!kind) return;
  if (is_ammunition_like(kind->type()))
    set_used_shots(it, 0);
  else if (has_hit_points(kind->type()))
    it.set_hit_points(it.get_max_hit_points());
}

template <class Fn>
void for_each_item(troop& t, Fn&& fn) {
  for (item& it : t.inventory) fn(it);
  for (item& it : t.equipment) fn(it);
}

void reload_firearms_from_bullets(troop& player) {
  const int capacity = player.get_inventory_capacity();
  const auto type_of = [](const item& it) {
    const item_kind* kind = it.get_kind();
    return kind ? kind->type() : -1;
  };
  int need = 0;
  for (const item& it : player.equipment)
    if (is_firearm(type_of(it))) need += it.used_shots();
  for (int i = 0; i < capacity; ++i) {
    const item& it = player.inventory[static_cast<std::size_t>(i)];
    if (is_firearm(type_of(it))) need += it.used_shots();
  }
  if (need <= 0) return;
  int moved = 0;
  const auto take_bullets = [&](item& it) {
    if (type_of(it) != item_type::bullets || need <= 0) return;
    const int maximum = std::min(it.get_max_ammo(), 255);
    const int take = std::min(need, it.get_remaining_ammo());
    if (take > 0) {
      moved += take;
      need -= take;
      set_used_shots(it, std::min(it.used_shots() + take, maximum));
    }
    if (it.used_shots() >= maximum) it = item{};
  };
  for (int i = 0; i < capacity; ++i) take_bullets(player.inventory[static_cast<std::size_t>(i)]);
  for (item& it : player.equipment) take_bullets(it);
  const auto load = [&](item& it) {
    if (!is_firearm(type_of(it)) || moved <= 0) return;
    const int take = std::min(it.used_shots(), moved);
    if (take <= 0) return;
    replenish_item(it, take);
    moved -= take;
  };
  for (item& it : player.equipment) load(it);
  for (int i = 0; i < capacity; ++i) load(player.inventory[static_cast<std::size_t>(i)]);
}

}  // namespace

void replenish_item(item& it, int n) {
  if (it.kind <= 0) return;
  const item_kind* kind = it.get_kind();
  if (!kind) return;
  if (is_ammunition_like(kind->type()))
    set_used_shots(it, n <= 0 ? 0 : std::max(0, it.used_shots() - n));
  else if (has_hit_points(kind->type()))
    it.set_hit_points(it.get_max_hit_points());
}

void troop::restore_items(bool consumables_only) {
  for_each_item(*this, [&](item& it) {
    if (it.kind <= 0) return;
    const item_kind* kind = it.get_kind();
    if (!kind) return;
    if (!consumables_only || is_consumable(kind->type())) restore_item(it);
  });
}

void troop::reset_ranged_loads() {
  for_each_item(*this, [](item& it) {
    const item_kind* kind = it.get_kind();
    if (it.kind > 0 && kind && (kind->type() == item_type::crossbow || is_firearm(kind->type()))) set_used_shots(it, 0);
  });
}

void troop::spend_attribute_points() {
  while (attribute_points > 0) {
    const int a = random_next() % troop_attribute_count;
    set_attribute(a, attributes[static_cast<std::size_t>(a)] + 1);
    --attribute_points;
  }
}

void troop::distribute_points() {
  int attribute_sum = 0;
  for (std::int32_t a : attributes) attribute_sum += a;
  attribute_points = std::max(0, level + 20 - attribute_sum);
  int skill_sum = 0;
  for (int s = 0; s < skill_count; ++s) skill_sum += get_skill_level(s);
  skill_points = std::max(0, level + 3 - skill_sum);
  spend_attribute_points();
  int failed = 0;
  while (skill_points > 0 && failed <= distribute_max_failed_draws) {
    const int s = random_next() % skill_count;
    const int current = get_skill_level(s);
    if (current < g_skills[static_cast<std::size_t>(s)].max_level) {
      // Through the setter that module code uses, so the hit-point skill
      // brings its hit points with it.
      change_skill_level(s, current + 1);
      --skill_points;
    } else {
      ++failed;
    }
  }
}

void refresh_all_troops(std::vector<troop>& troops, int player_troop) {
  for (int i = 0; i < static_cast<int>(troops.size()); ++i) {
    troop& t = troops[static_cast<std::size_t>(i)];
    const bool player = i == player_troop;
    t.restore_items(player);
    if (!player) {
      t.reset_ranged_loads();
      continue;
    }
    // The player's crossbows are loaded like everyone's; the firearms are
    // loaded from the bullets the player carries, not for free.
    for_each_item(t, [](item& it) {
      const item_kind* kind = it.get_kind();
      if (it.kind > 0 && kind && kind->type() == item_type::crossbow) set_used_shots(it, 0);
    });
    reload_firearms_from_bullets(t);
  }
}

}  // namespace hm
