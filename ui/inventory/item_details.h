#pragma once
// The block of text lines shown beside an inventory slot while the pointer
// rests on it: the item's name, class, amount, price, weight, protection,
// damage, handling, requirement, properties and the module's own lines. Each
// label is a translation whose placeholders take the values in a fixed order.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "module/records/item_kind.h"
#include "ui/widget/widget.h"

namespace hm {

struct item_details_line {
  ruv_string text;
  float size = 0.024f;
  std::uint32_t colour = 0xFFFFFFFFu;
};

// The price line's facts: whether the slot is on the other troop's side,
// whether its item changed hands in this visit (then its recorded price is
// shown), and the window's price for it otherwise.
struct item_details_price {
  bool other_side = false;
  bool traded = false;
  std::int32_t recorded_price = 0;
  std::int32_t price = 0;
};

// "ERROR: INVALID ITEM" for an item without a kind; else the kind's name
// (translated by its id, blanks for underscores) put into its modifier's
// translated name when it has a modifier.
ruv_string get_item_name_text(const item& it);
// The translated name of attribute 0 strength, 1 agility, 2 intelligence, any
// other charisma.
ruv_string get_attribute_name_text(int attribute);

// The lines for the item, in order (none for an item without a kind).
std::vector<item_details_line> make_item_details_lines(const item& it, const item_details_price& price);
// The overlay of the UI manager reset, placed at the position and given the
// item's lines.
void make_item_details_text(const item& it, const ui_vec2& position, const item_details_price& price);

}  // namespace hm
