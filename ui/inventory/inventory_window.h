#pragma once
// The inventory and trade window (8): the player's inventory and equipment
// beside another troop's (a scratch container to drop things into, a troop
// to exchange items with, a merchant, a troop whose equipment is changed),
// with gold, names, armour and encumbrance sums, the running total of a trade
// and a Leave button. Items move in the troops' records as soon as they are
// dropped; money only moves when the player leaves. Every slot remembers
// whether its item changed hands in this visit and at what price, so every
// trade can be undone at the price it was made at.
#include <array>
#include <cstdint>

#include "module/records/item_kind.h"
#include "ui/windows/game_window.h"

namespace hm {

class container;
class scrollable_container;
struct troop;

// The window's modes, chosen by its opener.
namespace inventory_mode {
inline constexpr std::int32_t own = 0;       // the player's own, with the dump to drop things into
inline constexpr std::int32_t exchange = 1;  // items with a troop the game names (a chest, loot)
inline constexpr std::int32_t trade = 2;     // buying and selling with a merchant
inline constexpr std::int32_t no_horses = 3;  // an exchange whose other side takes no horse
inline constexpr std::int32_t equipment = 4;  // the player's inventory and two equipment panels
}  // namespace inventory_mode

// The four panels.
namespace inventory_side {
inline constexpr int player_inventory = 0;
inline constexpr int other_inventory = 1;
inline constexpr int player_equipment = 2;
inline constexpr int other_equipment = 3;
}  // namespace inventory_side

// Bits of a slot's state.
namespace slot_state {
inline constexpr std::uint32_t traded = 1;  // changed hands in this visit; its recorded price was paid
inline constexpr std::uint32_t dirty = 2;   // its picture is made anew
}  // namespace slot_state

// The recorded price of a slot whose item did not change hands (only the
// traded bit decides; the number is never shown).
inline constexpr std::int32_t no_trade_price = 7777;
inline constexpr std::int32_t built_slot_price = 77777;

inline constexpr int inventory_slots_per_side = 96;
inline constexpr int equipment_slots_per_side = 10;
inline constexpr float inventory_slot_size = 0.088f;
// The dump shows nine slots.
inline constexpr int dump_slot_count = 9;
// The return id of a window the meta mission's dispatcher opened.
inline constexpr std::int32_t inventory_return_through_dispatcher = 100;

// One square of a grid or an equipment panel: a press reports "clicked" as
// well as the press itself. Slot 0 holds the empty frame, slot 2 the item.
class inv_slot_widget final : public widget {
 public:
  inv_slot_widget();
  bool is_clickable() const override { return true; }
  bool handle_event(std::uint32_t bits) override;
  // Set while the slot shows an item's picture.
  std::uint8_t picture_flag = 0;
  // Equipment slots 0-8: set while the slot holds an item.
  std::uint8_t filled_flag = 0;
};

class inventory_window final : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;

  // --- the model (also what tests drive) ---
  // The troop of a side (the player for sides 0 and 2), null when none.
  troop* side_troop(int side) const;
  // The item slot of (side, index), null outside the side's slots.
  item* slot_item(int side, int index) const;
  // Slots shown on an inventory side: 9 for the dump in mode 0, else the
  // troop's capacity.
  int inventory_slot_count(int side) const;
  bool is_dump(int side) const;
  // A click on one slot: picks the item up, drops the dragged one, swaps,
  // merges ammunition or trades.
  void click_slot(int side, int index);
  // Whether the item may be dropped into the slot.
  bool can_drop_item(const item& it, int side, int index) const;
  // True when a goods move is refused because goods of the same kind changed
  // hands in this visit (a message was shown).
  bool check_reclaim_return(const item& slot, int side, int index) const;
  std::int32_t get_item_price(const item& it, int side) const;
  void add_to_total(std::int32_t amount);
  // Quick transfer: the clicked slot's item straight into the first free slot
  // of the opposite inventory; nothing when that inventory is full.
  void quick_transfer(int side);
  // A click on a shown slot as the frame handles it: a drop on the other
  // inventory fills its first free slot, then the quick transfer when asked.
  void slot_clicked(int side, int index, bool quick);
  // The Leave button: questions one at a time, payment once, then away.
  void request_leave();
  void refresh();
  void update_gold_text(int side);
  void show_item_details(int side, int index);

  bool test_slot_flags(int side, int index, std::uint32_t mask) const;
  void set_slot_flags(int side, int index, std::uint32_t mask, bool set);
  void mark_slot_dirty(int side, int index) { set_slot_flags(side, index, slot_state::dirty, true); }
  std::int32_t slot_price(int side, int index) const;
  void set_slot_price(int side, int index, std::int32_t price);

  // --- fields (mode, return window and the other troop come from the opener) ---
  std::int32_t other_troop = -1;
  std::array<container*, 2> inventory_grids{};
  std::array<scrollable_container*, 2> scroll_areas{};
  std::array<container*, 2> equipment_panels{};
  std::array<widget*, 2> gold_texts{};
  std::array<widget*, 2> name_texts{};
  std::array<widget*, 4> hinges{};
  std::array<std::array<inv_slot_widget*, inventory_slots_per_side>, 2> inventory_slot_widgets{};
  std::array<std::array<std::uint32_t, inventory_slots_per_side>, 2> inventory_slot_states{};
  std::array<std::array<std::int32_t, inventory_slots_per_side>, 2> inventory_slot_prices{};
  std::int32_t inventory_side_count = 1;
  std::int32_t equipment_side_count = 1;
  std::array<std::array<inv_slot_widget*, equipment_slots_per_side>, 2> equipment_slot_widgets{};
  std::array<std::array<std::uint32_t, equipment_slots_per_side>, 2> equipment_slot_states{};
  std::array<std::array<std::int32_t, equipment_slots_per_side>, 2> equipment_slot_prices{};
  widget* total_text = nullptr;
  std::array<std::array<widget*, 4>, 2> armour_texts{};
  std::array<widget*, 2> character_pictures{};
  // Negative: the player owes the other troop; positive: the other owes.
  std::int32_t total = 0;
  widget* leave_button = nullptr;
  std::int32_t dragging = 0;
  item dragged_item;
  bool dragged_was_traded = false;
  std::int32_t dragged_price = no_trade_price;
  std::int32_t dragged_source_side = -1;
  std::int32_t merchant_answer = -1;
  std::int32_t dump_answer = -1;
  std::int32_t slaughter_answer = -1;
  bool value_prices = false;
  std::array<std::int32_t, 2> character_views{};
  widget* equipment_background = nullptr;
  // The picture of the dragged item, kept over every panel.
  widget* drag_picture = nullptr;

 private:
  // The Leave's steps in their fixed order; a question stops the Leave and
  // its answer resumes it at the next step.
  enum class leave_step { food_slot, payment, dump, away };
  void continue_leave(leave_step from);
  void take_answers();
  void leave_window();
  // One question in the message box; its answer lands in the field.
  void ask(const ruv_string& text, const char* first_key, const char* second_key, std::int32_t* answer,
           std::int32_t box_mode);
  void build_inventory_grid(int side);
  void build_equipment_panel(int panel);
  void refresh_inventory_side(int side);
  void refresh_equipment_side(int side);
  void refresh_slot(inv_slot_widget* w, const item& it, int index, int side, bool equipment);
  void update_armor_texts(int panel, const troop& t);
  void update_character_picture(int which, const char* layout_name, int troop_id);
  void redraw_character_pictures();
  void handle_slots();
  void refuse_drop(int side, int index);
  void scroll_with_wheel();
  std::unique_ptr<mesh> make_item_mesh(const item& it, float scale, int owner_troop) const;
  int owner_for_slot(int side, bool traded) const;
  void update_drag_picture();
};

// The encumbrance and armour sums of a troop's equipment (slots 0-7): head,
// body and leg armour of slots 4-7, and the weight, ammunition counted by
// what is left and a broken shield not at all.
struct equipment_sums {
  int head = 0;
  int body = 0;
  int leg = 0;
  float weight = 0.0f;
};
equipment_sums sum_equipment(const troop& t);

// The dump troop of the running game: the module's troop "trp_dump"; -1 when
// the module has none.
int find_dump_troop();

}  // namespace hm
