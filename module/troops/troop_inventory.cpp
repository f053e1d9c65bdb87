// A troop's inventory as module code changes it: item values and random
// modifiers, clearing, packing and ordering, freeing entries, stocking a
// merchant, copying a merchant's goods, removing and adding items.
#include <algorithm>
#include <cmath>

#include "engine/core/random.h"
#include "module/data/data_files.h"
#include "module/troops/troop.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

// Draws of a random kind before add_merchandise gives up; draws of a random
// entry before free_inventory_slots gives up; random goods copy_merchandise
// tries.
constexpr int merchandise_kind_draws = 10000;
constexpr int free_slot_draws = 200;
constexpr int copied_goods_draws = 10;
// The most of one kind a merchant is stocked with in one pick.
constexpr float max_merchandise_per_kind = 20.0f;
// Modifiers drawn for goods copied from another merchant.
constexpr float copied_goods_quality = 0.1f;
constexpr float plain_modifier_chance = 0.1f;
constexpr int script_slot_count = troop_equipment_slots + troop_inventory_size;

float modifier_price_factor(int modifier) {
  if (modifier < 0 || modifier >= item_modifier_count) return 1.0f;
  return g_item_modifiers[static_cast<std::size_t>(modifier)].price_factor;
}

std::uint32_t kind_flags(int kind) {
  const item probe{kind, 0};
  const item_kind* k = probe.get_kind();
  return k ? k->flags : 0;
}

bool is_unique_kind(int kind) { return (kind_flags(kind) & item_flag::unique) != 0; }

// A kind with its amount full and no modifier.
item fresh_item(int kind) {
  item it{kind, 0};
  replenish_item(it, 0);
  return it;
}

// Kind first (highest first), then the modifier's price factor (highest
// first); an entry that ties with the best so far does not replace it.
void sort_by_kind(item* items, int n) {
  for (int i = 0; i + 1 < n; ++i) {
    int best = i;
    for (int j = i + 1; j < n; ++j) {
      if (items[j].kind > items[best].kind ||
          (items[j].kind == items[best].kind &&
           modifier_price_factor(items[j].modifier()) > modifier_price_factor(items[best].modifier())))
        best = j;
    }
    if (best != i) std::swap(items[i], items[best]);
  }
}

}  // namespace

// --- items -------------------------------------------------------------------------------

std::int32_t item::get_value() const {
  const item_kind* k = get_kind();
  if (!k) return 0;
  const float v = static_cast<float>(k->value) * modifier_price_factor(modifier());
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(round_half_down(v), INT32_MIN, INT32_MAX));
}

void item::change_modifier(int m) {
  if (m < 0 || m >= item_modifier_limit) return;
  set_modifier(m);
  replenish_item(*this, 0);
}

float get_modifier_weight(float rarity, float price_factor, float quality) {
  float d = std::fabs(quality - price_factor);
  if ((quality > 1.001f && price_factor < 1.001f) || (quality < 0.999f && price_factor > 0.999f)) d = d * 5.0f + 3.0f;
  return rarity / (d + 1.0f);
}

void item::randomise_modifier(float quality) {
  const item_kind* k = get_kind();
  if (!k) return;
  if (random_unit_float() < plain_modifier_chance) return;
  const float plain = get_modifier_weight(1.0f, 1.0f, quality);
  float total = plain;
  for (int m = 0; m < item_modifier_count; ++m) {
    if ((k->allowed_modifiers >> m) & 1u) {
      const item_modifier& mod = g_item_modifiers[static_cast<std::size_t>(m)];
      total += get_modifier_weight(mod.rarity, mod.price_factor, quality);
    }
  }
  const float r = random_unit_float() * total;
  if (r <= plain) return;
  float sum = plain;
  for (int m = 0; m < item_modifier_count; ++m) {
    if (!((k->allowed_modifiers >> m) & 1u)) continue;
    const item_modifier& mod = g_item_modifiers[static_cast<std::size_t>(m)];
    sum += get_modifier_weight(mod.rarity, mod.price_factor, quality);
    if (sum > r) {
      change_modifier(m);
      return;
    }
  }
}

// --- the inventory ---------------------------------------------------------------------

int troop::clear_inventory() {
  for (item& it : inventory) it.kind = -1;
  return troop_inventory_size;
}

int troop::count_used_inventory() const {
  int n = 0;
  while (n < troop_inventory_size && inventory[static_cast<std::size_t>(n)].kind >= 0) ++n;
  return n;
}

void troop::pack_inventory() {
  int used = 0;
  for (int i = 0; i < troop_inventory_size; ++i) {
    const item it = inventory[static_cast<std::size_t>(i)];
    if (it.kind < 0) continue;
    inventory[static_cast<std::size_t>(used++)] = it;
  }
  for (int i = used; i < troop_inventory_size; ++i) inventory[static_cast<std::size_t>(i)] = item{};
  sort_by_kind(inventory.data(), used);
}

void troop::sort_inventory() {
  pack_inventory();
  const int capacity = get_inventory_capacity();
  // Stable, so equal values with equal kinds keep their order, as a bubble
  // sort leaves them.
  std::stable_sort(inventory.begin(), inventory.begin() + capacity, [](const item& a, const item& b) {
    const std::int32_t va = a.get_value(), vb = b.get_value();
    if (va != vb) return va > vb;
    return a.kind < b.kind;
  });
}

void troop::free_inventory_slots(int n) {
  const int capacity = get_inventory_capacity();
  int empty = 0;
  for (int i = 0; i < capacity; ++i) empty += inventory[static_cast<std::size_t>(i)].kind < 0 ? 1 : 0;
  for (int draw = 0; draw < free_slot_draws && empty < n; ++draw) {
    item& it = inventory[static_cast<std::size_t>(random_below(capacity))];
    if (it.kind >= 0 && !is_unique_kind(it.kind)) {
      it = item{};
      ++empty;
    }
  }
  pack_inventory();
}

void troop::add_merchandise(int type, int n, float quality) {
  const int kind_count = static_cast<int>(g_item_kinds.size());
  const int capacity = get_inventory_capacity();
  int added = 0;
  for (int tries = 0; added < n && tries < merchandise_kind_draws; ++tries) {
    const int kind = random_below(kind_count);
    if (kind >= kind_count) continue;
    const item_kind& k = g_item_kinds[static_cast<std::size_t>(kind)];
    if (k.type() != type || (k.flags & item_flag::unique) || !(k.flags & item_flag::merchandise)) continue;
    float m = static_cast<float>(k.abundance) * k.stock_multiplier * 0.01f;
    if (!(m > 0.0f)) m = 0.0f;
    m = std::min(m, max_merchandise_per_kind);
    const float r = random_unit_float();
    while (m > r && added < n) {
      m -= 1.0f;
      item& slot = inventory[static_cast<std::size_t>(random_below(capacity))];
      if (slot.kind < 0 || !is_unique_kind(slot.kind)) {
        slot = fresh_item(kind);
        slot.randomise_modifier(quality);
      }
      ++added;
    }
  }
  pack_inventory();
}

void troop::copy_merchandise(const troop& source, int percent) {
  const int capacity = get_inventory_capacity();
  int e = count_used_inventory();
  // The next empty entry from e on; capacity when there is none, so that goods
  // behind a gap are never overwritten.
  const auto next_empty = [&](int from) {
    while (from < capacity && inventory[static_cast<std::size_t>(from)].kind >= 0) ++from;
    return from;
  };
  const auto source_slot = [&](int slot) -> const item& {
    return slot < troop_equipment_slots ? source.equipment[static_cast<std::size_t>(slot)]
                                        : source.inventory[static_cast<std::size_t>(slot - troop_equipment_slots)];
  };
  e = next_empty(e);
  for (int slot = 0; slot < script_slot_count && e < capacity; ++slot) {
    const item& it = source_slot(slot);
    if (it.kind >= 0 && (kind_flags(it.kind) & item_flag::always_copied)) {
      inventory[static_cast<std::size_t>(e)] = it;
      e = next_empty(e + 1);
    }
  }
  for (int draw = 0; draw < copied_goods_draws; ++draw) {
    const item& it = source_slot(random_below(script_slot_count));
    if (e >= capacity || !it.get_kind()) continue;
    const int price = it.get_kind()->value;
    // A kind without a price is always worth taking.
    const float by_price = price > 0 ? std::min(static_cast<float>(source.level + 10) * 10.0f / static_cast<float>(price), 1.0f) : 1.0f;
    const float chance = by_price * static_cast<float>(percent) / 100.0f;
    if (random_unit_float() < chance && !(kind_flags(it.kind) & (item_flag::unique | item_flag::always_copied))) {
      item& copy = inventory[static_cast<std::size_t>(e)];
      copy = it;
      copy.randomise_modifier(copied_goods_quality);
      e = next_empty(e + 1);
    }
  }
}

std::int32_t troop::remove_items(int kind, int count, bool include_equipment) {
  std::int64_t total = 0;
  const auto take = [&](item& it) {
    if (count < 1 || it.kind != kind) return;
    total += it.get_value();
    it = item{};
    --count;
  };
  for (item& it : inventory) take(it);
  if (include_equipment)
    for (item& it : equipment) take(it);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(total, INT32_MIN, INT32_MAX));
}

bool troop::put_item(int kind, int modifier) {
  const int slot = find_free_inventory_slot();
  if (slot < 0) return false;
  item& it = inventory[static_cast<std::size_t>(slot)];
  it = fresh_item(kind);
  it.change_modifier(modifier);
  return true;
}

item* troop::find_item_slot(int slot) {
  if (slot < 0 || slot >= troop_equipment_slots + get_inventory_capacity()) return nullptr;
  if (slot < troop_equipment_slots) return &equipment[static_cast<std::size_t>(slot)];
  return &inventory[static_cast<std::size_t>(slot - troop_equipment_slots)];
}

const item* troop::find_item_slot(int slot) const { return const_cast<troop*>(this)->find_item_slot(slot); }

item_placement add_item_displacing(troop& t, int kind, int modifier) {
  if (t.put_item(kind, modifier)) return item_placement::placed;
  if (!is_unique_kind(kind)) return item_placement::dropped;
  const int capacity = t.get_inventory_capacity();
  for (int i = 0; i < capacity; ++i) {
    item& it = t.inventory[static_cast<std::size_t>(i)];
    if (it.kind >= 0 && !is_unique_kind(it.kind)) {
      // The item that was here would be offered again, but the inventory is
      // full and it is not unique, so it is dropped.
      it = fresh_item(kind);
      return item_placement::displaced;
    }
  }
  return item_placement::no_room;
}

}  // namespace hm
