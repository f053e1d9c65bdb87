#pragma once
// Taking an item from the ground into one of an agent's four weapon slots:
// an empty or spent slot first, else the wielded weapon's or shield's slot,
// else the next slot; what the item replaces is dropped to the ground when it
// is still of use.
#include <cstdint>
#include <functional>
#include <string>

#include "module/records/item_kind.h"

namespace hm {

class mission;

struct pickup_messages {
  // The text of a language key.
  std::function<std::string(const char*)> text;
  std::function<void(const std::string&, std::uint32_t)> add;
  // An item's name with its modifier.
  std::function<std::string(const item&)> item_name;
};

// The weapon slot the item goes into, -1 when none can be chosen (the
// agent's wielded slots are not valid).
int choose_pickup_slot(const struct agent& a, const item& taken);

// Puts the item into a slot of the agent, dropping what it replaces when
// that is a shield with more than 1 hit point, a weapon, or ammunition with
// shots left. True when the item was taken.
bool pick_up_or_drop_item(mission& m, int agent_index, const item& taken, const pickup_messages& msg);

}  // namespace hm
