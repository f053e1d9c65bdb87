#pragma once
// Which weapons a troop's figure shows carried on its body (a sword at the
// hip, a shield on the back): items whose carry positions share a place on
// the body exclude each other, the one in the higher slot winning, and a
// shield about to break is not shown.
#include <array>
#include <cstdint>
#include <vector>

#include "module/records/item_kind.h"

namespace hm {

inline constexpr int figure_weapon_slots = 4;
inline constexpr int carry_place_count = 11;
// A shield with this many hit points or fewer is not shown carried.
inline constexpr int shield_shown_above_hit_points = 10;

struct carried_item_choice {
  enum class action : std::uint8_t {
    none,  // no item, or one without a carry position: the slot is left alone
    hide,  // its place is taken, or a worn-out shield: its display is hidden
    show,  // shown at `carry` on bone `carry.bone`
  };
  action what = action::none;
  carry_frame carry;
};

// The choice for each of the four weapon slots, taken in the order 3, 2, 1, 0.
// Kinds outside the table count as empty slots.
std::array<carried_item_choice, figure_weapon_slots> choose_carried_items(
    const std::array<item, figure_weapon_slots>& slots, const std::vector<item_kind>& kinds);

}  // namespace hm
