// Troop and inventory operations: skin, hero and wounded tests, attributes,
// skills, proficiencies, experience, gold, hit points, faction and upgrades,
// and the items of inventories and equipment: adding, removing, ordering,
// stocking merchants and copying their goods. The troop records do the work
// (through the module host); these handlers check ids and ranges and tell the
// player what happened to the player's own money and items.
#include <algorithm>
#include <cstdint>

#include "engine/audio/sound_manager.h"
#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

constexpr std::uint64_t troop_flag_hero = 0x10;
constexpr std::uint64_t troop_flag_0x1000 = 0x1000;
constexpr std::uint64_t skin_bits = 0xF;
constexpr int attribute_count = 4;
constexpr int skill_slot_count = 42;
constexpr int proficiency_count = 7;
constexpr int max_weapon_points = 99;
constexpr int max_used_shots = 255;
constexpr std::uint32_t white = 0xFFFFFFFFu;
constexpr std::uint32_t got_item_colour = 0xFF80FF80u;
// Far beyond any inventory, and small enough for every sum below.
constexpr std::int64_t max_item_count = 1 << 20;

const script_host& host() { return current_script_host(); }
script_module_host& module() { return *host().module; }
std::int32_t low32(std::int64_t v) { return static_cast<std::int32_t>(v); }
std::int32_t clamp32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }
int clamp_count(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, max_item_count)); }
bool is_player(std::int64_t troop) { return troop == host().campaign->player_troop(); }

// A slot number 0 .. capacity + 9 of a valid troop.
bool slot_in_range(std::int64_t troop, std::int64_t slot) {
  return slot >= 0 && slot < module().troop_inventory_slot_count(low32(troop));
}

bool item_kind_in_range(std::int64_t kind) { return kind >= 0 && kind < module().item_kind_count(); }

void post_item_message(const char* key, std::initializer_list<format_arg> args) {
  host().ui->post_pending_message(format_ui_text(key, args).view(), white);
}

// --- flags, skin, tests ---

void set_skin(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  const int troop = low32(c.value[0]);
  const std::int64_t skin = std::clamp<std::int64_t>(c.value[1], 0, std::max(0, module().skin_count() - 1));
  module().set_troop_flags(troop, (module().troop_flags(troop) & ~skin_bits) | static_cast<std::uint64_t>(skin & 15));
}

void store_skin(operation_call& c) {
  if (!validate_troop_id(c.value[1])) return;
  c.store(static_cast<std::int64_t>(module().troop_flags(low32(c.value[1])) & skin_bits));
}

// An invalid troop is reported and, as for every operation whose id check
// fails, the test counts as true.
void troop_is_hero(operation_call& c) {
  if (validate_troop_id(c.value[0])) c.result = (module().troop_flags(low32(c.value[0])) & troop_flag_hero) != 0;
}

void troop_is_wounded(operation_call& c) {
  if (validate_troop_id(c.value[0])) c.result = module().troop_is_wounded(low32(c.value[0]));
}

void set_troop_flag_0x1000(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  const int troop = low32(c.value[0]);
  const std::uint64_t flags = module().troop_flags(troop);
  module().set_troop_flags(troop, c.value[1] != 0 ? flags & ~troop_flag_0x1000 : flags | troop_flag_0x1000);
}

// --- development ---

void store_experience(operation_call& c) {
  if (validate_troop_id(c.value[1])) c.store(module().troop_word(low32(c.value[1]), script_troop_word::experience));
}

void raise_attribute(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  if (c.value[1] < 0 || c.value[1] >= attribute_count || c.value[2] == 0) return;
  module().raise_troop_attribute(low32(c.value[0]), low32(c.value[1]), clamp32(c.value[2]));
}

void raise_skill(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  if (c.value[1] < 0 || c.value[1] >= skill_slot_count || c.value[2] == 0) return;
  module().raise_troop_skill(low32(c.value[0]), low32(c.value[1]), clamp32(c.value[2]));
}

void add_proficiency_points(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  if (c.value[1] < 0 || c.value[1] >= proficiency_count || c.value[2] <= 0) return;
  module().add_troop_proficiency_points(low32(c.value[0]), low32(c.value[1]), static_cast<float>(c.value[2]));
}

void raise_proficiency(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  if (c.value[1] < 0 || c.value[1] >= proficiency_count || c.value[2] == 0) return;
  module().raise_troop_proficiency(low32(c.value[0]), low32(c.value[1]), clamp32(c.value[2]));
}

void add_weapon_points(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || c.value[1] <= 0) return;
  const int troop = low32(c.value[0]);
  const std::int64_t points = module().troop_word(troop, script_troop_word::weapon_points) +
                              std::min<std::int64_t>(c.value[1], max_weapon_points);
  module().set_troop_word(troop, script_troop_word::weapon_points, std::clamp<std::int64_t>(points, 0, max_weapon_points));
}

// The player hears and reads of money changes while the game's switch is on.
void tell_money(const char* key, int sound_slot, std::int64_t amount) {
  if (amount == 0 || !module().money_and_item_messages()) return;
  const ruv_string money = get_money_text(clamp32(amount));
  host().ui->add_message_line(format_ui_text(key, {money.view()}).view(), white);
  host().engine->play_engine_sound(sound_slot);
}

void add_gold(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || c.value[1] == 0) return;
  module().add_troop_gold(low32(c.value[0]), c.value[1]);
  if (is_player(c.value[0])) tell_money("ui_you_got_value", sound_slot::money_received, c.value[1]);
}

void remove_gold(operation_call& c) {
  if (c.value[1] <= 0 || !validate_troop_id(c.value[0])) return;
  module().take_troop_gold(low32(c.value[0]), c.value[1]);
  if (is_player(c.value[0])) tell_money("ui_you_lost_value", sound_slot::money_paid, c.value[1]);
}

void set_faction(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || !validate_faction_id(c.value[1])) return;
  module().set_troop_word(low32(c.value[0]), script_troop_word::faction, c.value[1]);
}

void set_hit_points(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  const int troop = low32(c.value[0]);
  const std::int64_t maximum = std::max(0, module().troop_max_hit_points(troop));
  // Beyond these the result is clamped anyway; within them the product
  // stays inside 64 bits.
  const std::int64_t wanted = std::clamp<std::int64_t>(c.value[1], -(std::int64_t{1} << 40), std::int64_t{1} << 40);
  const std::int64_t hit_points = c.value[2] != 0 ? wanted : maximum * wanted / 100;
  module().set_troop_hit_points(troop, static_cast<float>(std::clamp<std::int64_t>(hit_points, 0, maximum)));
}

void store_upgrade_troop(operation_call& c) {
  if (!validate_troop_id(c.value[1]) || c.value[2] < 0 || c.value[2] > 1) return;
  c.store(module().troop_word(low32(c.value[1]), c.value[2] == 0 ? script_troop_word::upgrade_troop_1
                                                                 : script_troop_word::upgrade_troop_2));
}

void store_item_type(operation_call& c) {
  if (validate_item_kind_id(c.value[1])) c.store(module().item_kind_flags(low32(c.value[1])) & 0xFF);
}

// --- the inventory ---

void free_inventory_slots(operation_call& c) {
  if (validate_troop_id(c.value[0])) module().free_troop_inventory_slots(low32(c.value[0]), clamp_count(c.value[1]));
}

void sort_inventory(operation_call& c) {
  if (validate_troop_id(c.value[0])) module().sort_troop_inventory(low32(c.value[0]));
}

void add_merchandise(operation_call& c) {
  if (!validate_troop_id(c.value[0])) return;
  module().add_troop_merchandise(low32(c.value[0]), clamp32(c.value[1]), clamp_count(c.value[2]));
}

void add_item(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || !item_kind_in_range(c.value[1])) return;
  const int troop = low32(c.value[0]);
  const int kind = low32(c.value[1]);
  const int modifier = clamp32(c.value[2]);
  if (!is_player(troop)) {
    module().put_troop_item(troop, kind, modifier);
    return;
  }
  switch (module().add_troop_item(troop, kind, modifier)) {
    case script_item_placement::placed:
      if (module().money_and_item_messages()) {
        const ruv_string name = module().item_kind_name(kind);
        host().ui->post_pending_message(format_ui_text("ui_got_item_value", {name.view()}).view(), got_item_colour);
      }
      break;
    case script_item_placement::no_room:
      // Losing an item is better than ending the game over it.
      report_script_error_f("SCRIPT WARNING ON OPCODE %d: All items in inventory are unique! Item kind %d is dropped.",
                            static_cast<std::int32_t>(current_opcode_word()), kind);
      break;
    case script_item_placement::displaced:
    case script_item_placement::dropped:
      break;
  }
}

void remove_item(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || !validate_item_kind_id(c.value[1])) return;
  const int kind = low32(c.value[1]);
  const std::int32_t value = module().remove_troop_items(low32(c.value[0]), kind, 1);
  if (is_player(c.value[0]) && value > 0) post_item_message("ui_lost_item_value", {module().item_kind_name(kind).view()});
}

void clear_inventory(operation_call& c) {
  if (validate_troop_id(c.value[0])) module().clear_troop_inventory(low32(c.value[0]));
}

void equip_troop(operation_call& c) {
  if (validate_troop_id(c.value[0])) module().auto_equip_troop(low32(c.value[0]));
}

void set_ammunition(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || !slot_in_range(c.value[0], c.value[1])) return;
  const int troop = low32(c.value[0]);
  const int slot = low32(c.value[1]);
  if (c.value[2] <= 0) {
    module().set_troop_item(troop, slot, script_item{});
    return;
  }
  script_item it = module().troop_item(troop, slot);
  if (it.kind < 0) return;
  // The used count is one byte: the amount is held to what the item holds.
  const std::int64_t maximum = std::clamp(module().item_max_ammo(it), 0, max_used_shots);
  const std::int64_t used = maximum - std::clamp<std::int64_t>(c.value[2], std::min<std::int64_t>(1, maximum), maximum);
  it.word = (it.word & ~0xFFu) | static_cast<std::uint32_t>(used);
  module().set_troop_item(troop, slot, it);
}

void add_items(operation_call& c) {
  if (c.value[2] <= 0) return;
  if (!validate_troop_id(c.value[0]) || !validate_item_kind_id(c.value[1])) return;
  const int troop = low32(c.value[0]);
  const int kind = low32(c.value[1]);
  const int count = clamp_count(c.value[2]);
  for (int i = 0; i < count && module().put_troop_item(troop, kind, 0); ++i) {
  }
  if (is_player(troop)) post_item_message("ui_got_number_value", {count, module().item_kind_name(kind).view()});
}

void remove_items(operation_call& c) {
  if (c.value[2] <= 0) return;
  if (!validate_troop_id(c.value[0]) || !validate_item_kind_id(c.value[1])) return;
  const int troop = low32(c.value[0]);
  const int kind = low32(c.value[1]);
  const int count = clamp_count(c.value[2]);
  g_script_state.registers[0] = module().remove_troop_items(troop, kind, count);
  if (is_player(troop)) post_item_message("ui_lost_number_value", {count, module().item_kind_name(kind).view()});
}

void store_remaining_ammunition(operation_call& c) {
  if (!validate_troop_id(c.value[1]) || !slot_in_range(c.value[1], c.value[2])) return;
  const script_item it = module().troop_item(low32(c.value[1]), low32(c.value[2]));
  const int maximum = std::min(module().item_max_ammo(it), max_used_shots);
  c.store(std::max(0, maximum - static_cast<int>(it.word & 0xFF)));
}

void store_max_ammunition(operation_call& c) {
  if (!validate_troop_id(c.value[1]) || !slot_in_range(c.value[1], c.value[2])) return;
  c.store(module().item_max_ammo(module().troop_item(low32(c.value[1]), low32(c.value[2]))));
}

void copy_merchandise(operation_call& c) {
  if (c.value[2] <= 0) return;
  if (!validate_troop_id(c.value[0]) || !validate_troop_id(c.value[1])) return;
  module().copy_troop_merchandise(low32(c.value[0]), low32(c.value[1]), clamp32(c.value[2]));
}

void store_slot_count(operation_call& c) {
  if (validate_troop_id(c.value[1])) c.store(module().troop_inventory_slot_count(low32(c.value[1])));
}

void store_slot_kind(operation_call& c) {
  if (!validate_troop_id(c.value[1]) || !slot_in_range(c.value[1], c.value[2])) {
    c.store(-1);
    return;
  }
  c.store(module().troop_item(low32(c.value[1]), low32(c.value[2])).kind);
}

void store_slot_modifier(operation_call& c) {
  if (!validate_troop_id(c.value[1]) || !slot_in_range(c.value[1], c.value[2])) {
    c.store(-1);
    return;
  }
  c.store(static_cast<std::int8_t>(module().troop_item(low32(c.value[1]), low32(c.value[2])).word >> 24));
}

void set_slot_kind(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || !slot_in_range(c.value[0], c.value[1])) return;
  // A negative kind empties the slot; a kind beyond the table would leave a
  // slot that names no item.
  if (c.value[2] < 0) {
    module().set_troop_item(low32(c.value[0]), low32(c.value[1]), script_item{});
    return;
  }
  if (!validate_item_kind_id(c.value[2])) return;
  module().set_troop_item(low32(c.value[0]), low32(c.value[1]), module().make_item(low32(c.value[2]), 0));
}

void set_slot_modifier(operation_call& c) {
  if (!validate_troop_id(c.value[0]) || !slot_in_range(c.value[0], c.value[1])) return;
  const script_item it = module().troop_item(low32(c.value[0]), low32(c.value[1]));
  if (it.kind < 0 || c.value[2] < 0 || c.value[2] > 42) return;
  module().set_troop_item(low32(c.value[0]), low32(c.value[1]), module().make_item(it.kind, low32(c.value[2])));
}

}  // namespace

void register_troop_operations() {
  register_operation(1505, set_skin);
  register_operation(1506, store_skin);
  register_operation(1507, troop_is_hero);
  register_operation(1508, troop_is_wounded);
  register_operation(1509, set_troop_flag_0x1000);
  register_operation(1510, free_inventory_slots);
  register_operation(1511, sort_inventory);
  register_operation(1512, add_merchandise);
  register_operation(1515, store_experience);
  register_operation(1520, raise_attribute);
  register_operation(1521, raise_skill);
  register_operation(1522, add_proficiency_points);
  register_operation(1523, raise_proficiency);
  register_operation(1525, add_weapon_points);
  register_operation(1528, add_gold);
  register_operation(1529, remove_gold);
  register_operation(1530, add_item);
  register_operation(1531, remove_item);
  register_operation(1532, clear_inventory);
  register_operation(1533, equip_troop);
  register_operation(1534, set_ammunition);
  register_operation(1535, add_items);
  register_operation(1536, remove_items);
  register_operation(1537, store_remaining_ammunition);
  register_operation(1538, store_max_ammunition);
  register_operation(1539, copy_merchandise);
  register_operation(1540, store_slot_count);
  register_operation(1541, store_slot_kind);
  register_operation(1542, store_slot_modifier);
  register_operation(1543, set_slot_kind);
  register_operation(1544, set_slot_modifier);
  register_operation(1550, set_faction);
  register_operation(1560, set_hit_points);
  register_operation(1561, store_upgrade_troop);
  register_operation(1570, store_item_type);
}

}  // namespace hm
