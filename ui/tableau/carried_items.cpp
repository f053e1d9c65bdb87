#include "ui/tableau/carried_items.h"

namespace hm {

namespace {

constexpr int shield_type = 7;

int carry_code(const item_kind& k) { return static_cast<int>((k.capabilities >> 28) & 0x7F); }

}  // namespace

std::array<carried_item_choice, figure_weapon_slots> choose_carried_items(
    const std::array<item, figure_weapon_slots>& slots, const std::vector<item_kind>& kinds) {
  std::array<carried_item_choice, figure_weapon_slots> out{};
  std::array<bool, carry_place_count> taken{};
  for (int s = figure_weapon_slots - 1; s >= 0; --s) {
    const item& it = slots[static_cast<std::size_t>(s)];
    if (it.kind < 0 || it.kind >= static_cast<int>(kinds.size())) continue;
    const item_kind& kind = kinds[static_cast<std::size_t>(it.kind)];
    if (carry_code(kind) == 0) continue;
    carried_item_choice& c = out[static_cast<std::size_t>(s)];
    c.carry = kind.get_carry_frame();
    // A place outside the table cannot be shared: treated as taken.
    const bool place_known = c.carry.place >= 0 && c.carry.place < carry_place_count;
    const bool worn_shield = kind.type() == shield_type && it.hit_points() <= shield_shown_above_hit_points;
    if (!place_known || taken[static_cast<std::size_t>(c.carry.place)] || worn_shield) {
      c.what = carried_item_choice::action::hide;
      continue;
    }
    taken[static_cast<std::size_t>(c.carry.place)] = true;
    c.what = carried_item_choice::action::show;
  }
  return out;
}

}  // namespace hm
