// The inventory window's frame: picking items up and dropping them, the
// rules that refuse a drop, the running total of a trade and the Leave with
// its payment and questions.
#include <algorithm>
#include <string>

#include "engine/app/input_state.h"
#include "engine/audio/sound_manager.h"
#include "engine/core/text_format.h"
#include "engine/settings/ruv_config.h"
#include "module/loading/game.h"
#include "module/text/translation_table.h"
#include "module/troops/troop_equipment.h"
#include "script/game_hooks.h"
#include "script/shared_routines.h"
#include "ui/inventory/inventory_window.h"
#include "ui/inventory/item_details.h"
#include "ui/inventory/trade_prices.h"
#include "ui/manager/ui_manager.h"
#include "ui/tableau/item_preview.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr int key_escape = 1;
constexpr int key_left_ctrl = 29;
constexpr int key_right_ctrl = 157;
constexpr int key_left_alt = 56;
constexpr int key_right_alt = 184;
constexpr int key_x = 45;

constexpr std::uint32_t player_refusal_colour = 0xFFFFDDBBu;
constexpr std::uint32_t other_refusal_colour = 0xFFFF7700u;
constexpr std::uint32_t notice_colour = 0xFFFFFFFFu;

// Troop flags that keep another troop's equipment as the player left it.
constexpr std::uint64_t keeps_own_equipment = 0x10 | 0x1000;
constexpr int cheat_gold = 1000;

std::string tr(const char* key) { return std::string(g_translation_table.get_string_by_id(key).view()); }

ruv_string troop_shown_name(const troop& t) {
  const ruv_string* s = t.id.empty() ? nullptr : g_translation_table.find_translation(t.id.view());
  return s ? *s : t.name;
}

std::string money(std::int32_t amount) { return std::string(get_money_text(amount).view()); }

bool modifier_key_held() {
  return g_input_state.is_key_down(key_left_ctrl) || g_input_state.is_key_down(key_right_ctrl) ||
         g_input_state.is_key_down(key_left_alt) || g_input_state.is_key_down(key_right_alt);
}

bool key_released(int code) { return g_input_state.keys[code] == 0 && g_input_state.previous_keys[code] != 0; }

int item_type_of(const item& it) {
  const item_kind* k = it.get_kind();
  return k ? k->type() : -1;
}

// Whether the type belongs in the equipment slot at all (a refusal then
// means the troop may not use it).
bool type_fits_slot(int type, int index) {
  if (index >= 0 && index <= 3)
    return type == item_type::one_handed || type == item_type::two_handed || type == item_type::polearm ||
           type == item_type::bow || type == item_type::crossbow || type == item_type::thrown ||
           type == item_type::pistol || type == item_type::musket;
  switch (index) {
    case equipment_slot::head:
      return type == item_type::head_armor;
    case equipment_slot::body:
      return type == item_type::body_armor;
    case equipment_slot::foot:
      return type == item_type::foot_armor;
    case equipment_slot::hand:
      return type == item_type::hand_armor;
    default:
      return false;
  }
}

bool is_player_side(int side) {
  return side == inventory_side::player_inventory || side == inventory_side::player_equipment;
}

void play_named_sound(const char* name) {
  const int id = g_sound_manager.find_sound(name);
  if (id >= 0) g_sound_manager.play_sound(id, sound_flag::flat, vec3());
}

}  // namespace

// --- prices and the total ---------------------------------------------------------------------------

std::int32_t inventory_window::get_item_price(const item& it, int side) const {
  const bool value_only = value_prices || mode == inventory_mode::exchange || mode == inventory_mode::no_horses ||
                          mode == inventory_mode::equipment;
  return get_item_trade_price(it, other_troop, side != inventory_side::other_inventory, value_only,
                              mode == inventory_mode::trade);
}

void inventory_window::add_to_total(std::int32_t amount) {
  total += amount;
  if (!total_text) return;
  if (total < 0)
    total_text->set_text(ruv_string(format_text(tr("ui_notification_payment_value"), {money(-total)})));
  else if (total > 0)
    total_text->set_text(ruv_string(format_text(tr("ui_notification_payment_receive_value"), {money(total)})));
  else
    total_text->set_text(ruv_string(tr("ui_no_cost")));
}

// --- drop rules ---------------------------------------------------------------------------------------

bool inventory_window::can_drop_item(const item& it, int side, int index) const {
  const int type = item_type_of(it);
  switch (side) {
    case inventory_side::player_inventory:
      return true;
    case inventory_side::other_inventory:
      return !(mode == inventory_mode::no_horses && type == item_type::horse);
    default: {
      const troop* t = side_troop(side);
      if (!t || !t->can_equip_item(it, index)) return false;
      if (type == item_type::horse && index == equipment_slot::goods &&
          (mode == inventory_mode::trade || mode == inventory_mode::equipment))
        return false;
      return true;
    }
  }
}

bool inventory_window::check_reclaim_return(const item& slot, int side, int index) const {
  if (mode != inventory_mode::trade || slot.kind < 0) return false;
  if (test_slot_flags(side, index, slot_state::traded) || item_type_of(slot) != item_type::goods) return false;
  auto traded_of_kind = [&](int s, int count) {
    for (int k = 0; k < count; ++k) {
      const item* it = slot_item(s, k);
      if (it && it->kind == slot.kind && test_slot_flags(s, k, slot_state::traded)) return true;
    }
    return false;
  };
  if (side == inventory_side::other_inventory) {
    if (!traded_of_kind(inventory_side::other_inventory, inventory_slot_count(inventory_side::other_inventory)))
      return false;
    g_ui_manager.pending_messages.push(ruv_string(tr("ui_reclaim_your_sold_goods")), notice_colour);
    return true;
  }
  if (!traded_of_kind(inventory_side::player_inventory, inventory_slot_count(inventory_side::player_inventory)) &&
      !traded_of_kind(inventory_side::player_equipment, equipment_slots_per_side))
    return false;
  g_ui_manager.pending_messages.push(ruv_string(tr("ui_return_your_bought_goods")), notice_colour);
  return true;
}

void inventory_window::refuse_drop(int side, int index) {
  if (side != inventory_side::player_equipment && side != inventory_side::other_equipment) return;
  const bool player = side == inventory_side::player_equipment;
  const std::uint32_t colour = player ? player_refusal_colour : other_refusal_colour;
  ruv_string other_name;
  if (const troop* o = side_troop(inventory_side::other_equipment)) other_name = troop_shown_name(*o);
  const int type = item_type_of(dragged_item);
  const char* player_key = nullptr;
  if (index == equipment_slot::horse && type == item_type::horse)
    player_key = "ui_notification_riding_skill_not_enough";
  else if (type_fits_slot(type, index))
    player_key = "ui_notification_requirements_not_met";
  else
    return;
  if (player)
    g_ui_manager.pending_messages.push(ruv_string(tr(player_key)), colour);
  else
    g_ui_manager.pending_messages.push(
        ruv_string(format_text(tr("ui_troop_cant_use_item"), {std::string(other_name.view())})), colour);
}

// --- one click ----------------------------------------------------------------------------------------

void inventory_window::click_slot(int side, int index) {
  item* slot = slot_item(side, index);
  if (!slot) return;
  if (dragging) {
    if (!can_drop_item(dragged_item, side, index)) {
      refuse_drop(side, index);
      return;
    }
  } else if (slot->kind < 0) {
    return;
  }
  if (mode == inventory_mode::trade && check_reclaim_return(*slot, side, index)) return;

  // Ammunition poured from the cursor into a bag of the same kind. Between
  // the two sides of a trade that would hand over shots without a price, so
  // there the bags are swapped (and traded) instead.
  const bool same_owner = is_player_side(side) == is_player_side(dragged_source_side);
  if (dragging && slot->kind == dragged_item.kind && item_type_of(*slot) == item_type::bullets &&
      dragged_item.used_shots() != 0 && slot->used_shots() != 0 && (mode != inventory_mode::trade || same_owner)) {
    g_ui_manager.play_click();
    const int n = std::min(slot->used_shots(), dragged_item.get_max_ammo() - dragged_item.used_shots());
    slot->word = (slot->word & ~0xFFu) | static_cast<std::uint32_t>(slot->used_shots() - n);
    dragged_item.consume_ammo(n);
    mark_slot_dirty(side, index);
    if (dragged_item.get_remaining_ammo() <= 0) {
      dragging = 0;
      dragged_item = item{};
    }
    return;
  }

  g_ui_manager.play_click();
  const item old = *slot;
  const bool old_traded = test_slot_flags(side, index, slot_state::traded);
  const std::int32_t old_price = slot_price(side, index);
  slot->kind = -1;
  slot->word = 0;
  mark_slot_dirty(side, index);

  if (dragging) {
    bool traded = dragged_was_traded;
    std::int32_t price = dragged_was_traded ? dragged_price : no_trade_price;
    const bool crosses = (dragged_source_side == inventory_side::other_inventory) !=
                         (side == inventory_side::other_inventory);
    if (mode == inventory_mode::trade && crosses) {
      const std::int32_t p = dragged_was_traded ? dragged_price : get_item_price(dragged_item, dragged_source_side);
      traded = !dragged_was_traded;
      price = traded ? p : no_trade_price;
      const bool sold = side == inventory_side::other_inventory;
      add_to_total(sold ? p : -p);
      call_game_script(sold ? game_hook_code::game_event_sell_item : game_hook_code::game_event_buy_item,
                       dragged_item.kind, dragged_was_traded ? 1 : 0);
    }
    set_slot_flags(side, index, slot_state::traded, traded);
    set_slot_price(side, index, price);
    *slot = dragged_item;
    mark_slot_dirty(side, index);
    dragging = 0;
    dragged_item = item{};
  } else {
    set_slot_flags(side, index, slot_state::traded, false);
    set_slot_price(side, index, no_trade_price);
  }

  if (old.kind >= 0) {
    dragged_item = old;
    dragged_was_traded = old_traded;
    dragged_price = old_price;
    dragged_source_side = side;
    dragging = 1;
    if (drag_picture) {
      std::unique_ptr<mesh> m = make_item_mesh(old, inventory_slot_size, owner_for_slot(side, old_traded));
      if (m) m->scale_uniform(2.0f);
      drag_picture->set_mesh_slot(slot_background, std::move(m));
    }
  }
}

// Drops what hangs on the cursor into the first free slot of the opposite
// inventory; with no free slot there it stays on the cursor.
void inventory_window::quick_transfer(int side) {
  if (!dragging) return;
  int target_side = -1;
  if (side <= inventory_side::other_inventory) {
    if (inventory_side_count != 2) return;
    target_side = 1 - side;
  } else {
    if (equipment_side_count != 2 || side != inventory_side::other_equipment) return;
    target_side = inventory_side::player_inventory;
  }
  const troop* t = side_troop(target_side);
  int free = t ? t->find_free_inventory_slot() : -1;
  if (free >= inventory_slot_count(target_side)) free = -1;
  if (free < 0) return;
  click_slot(target_side, free);
}

void inventory_window::slot_clicked(int side, int index, bool quick) {
  int target = index;
  if (side == inventory_side::other_inventory && dragging) {
    if (const troop* t = side_troop(side)) {
      const int free = t->find_free_inventory_slot();
      if (free >= 0 && free < inventory_slot_count(side)) target = free;
    }
  }
  click_slot(side, target);
  show_item_details(side, target);
  if (quick && dragging) quick_transfer(side);
}

void inventory_window::show_item_details(int side, int index) {
  const item* it = slot_item(side, index);
  if (!it || it->kind < 0) return;
  inv_slot_widget* w = nullptr;
  if (side <= 1)
    w = inventory_slot_widgets[side][index];
  else
    w = equipment_slot_widgets[side - 2][index];
  if (!w) return;
  item_details_price p;
  p.other_side = side == inventory_side::other_inventory;
  p.traded = test_slot_flags(side, index, slot_state::traded);
  p.recorded_price = slot_price(side, index);
  if (!p.traded) p.price = get_item_price(*it, p.other_side ? 1 : 0);
  make_item_details_text(*it, {w->absolute_position.x + 0.044f, w->absolute_position.y + 0.044f}, p);
}

// --- the frame ----------------------------------------------------------------------------------------

void inventory_window::handle_slots() {
  const bool quick = modifier_key_held();
  auto handle = [&](inv_slot_widget* w, int side, int index) {
    if (!w) return;
    if (w->take_event(ui_event::leave)) g_ui_manager.reset_overlay_texts(nullptr, true);
    if (w->take_event(ui_event::enter) && !dragging) show_item_details(side, index);
    if (w->take_event(ui_event::clicked)) slot_clicked(side, index, quick);
    w->clear_events();
  };
  for (int s = 0; s < inventory_side_count; ++s) {
    const int n = inventory_slot_count(s);
    for (int k = 0; k < n; ++k) handle(inventory_slot_widgets[s][k], s, k);
  }
  for (int p = 0; p < equipment_side_count; ++p)
    for (int k = 0; k < equipment_slots_per_side; ++k) handle(equipment_slot_widgets[p][k], p + 2, k);
  if (dragging) g_ui_manager.reset_overlay_texts(nullptr, true);
}

void inventory_window::scroll_with_wheel() {
  if (g_ui_manager.wheel == 0) return;
  const int which = (g_ui_manager.mouse_position.x < 0.5f && inventory_side_count == 2) ? 1 : 0;
  scrollable_container* area = scroll_areas[static_cast<std::size_t>(which)];
  if (scrollbar* bar = area ? area->scroll_bars[1] : nullptr) scroll_by_wheel(*bar, static_cast<float>(g_ui_manager.wheel));
}

void inventory_window::frame(float /*seconds*/) {
  g_ui_manager.flush_pending_messages();
  take_answers();
  if (g_window_manager.top() != this) return;
  scroll_with_wheel();

  if ((g_input_state.is_key_down(key_left_ctrl) || g_input_state.is_key_down(key_right_ctrl)) &&
      g_input_state.is_key_clicked(key_x) && g_ruv_config.cheat_mode != 0) {
    if (troop* p = side_troop(inventory_side::player_inventory)) {
      p->add_gold(cheat_gold);
      update_gold_text(inventory_side::player_inventory);
    }
  }

  for (int i = 0; i < 2; ++i) {
    widget* picture = character_pictures[static_cast<std::size_t>(i)];
    if (picture && picture->take_event(ui_event::clicked)) {
      character_views[static_cast<std::size_t>(i)] = (character_views[static_cast<std::size_t>(i)] + 1) % 4;
      redraw_character_pictures();
    }
  }

  handle_slots();

  const bool leave_clicked = leave_button && leave_button->take_event(ui_event::clicked);
  const bool escape = key_released(key_escape) && total == 0;
  if ((leave_clicked || escape) && !dragging) request_leave();
  if (g_window_manager.top() == this) refresh();
}

// --- leaving ------------------------------------------------------------------------------------------

void inventory_window::ask(const ruv_string& text, const char* first_key, const char* second_key,
                           std::int32_t* answer, std::int32_t box_mode) {
  auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
  if (!box) return;
  *answer = -1;
  box->mode = box_mode;
  box->title = ruv_string();
  box->text = text;
  box->first_answer = ruv_string(tr(first_key));
  box->second_answer = ruv_string(tr(second_key));
  box->answer_target = answer;
  box->result_text = nullptr;
  box->has_text_field = false;
  g_window_manager.push_window(window_id::message_box);
}

void inventory_window::request_leave() { continue_leave(leave_step::food_slot); }

void inventory_window::continue_leave(leave_step from) {
  troop* player = side_troop(inventory_side::player_inventory);
  troop* other = side_troop(inventory_side::other_inventory);
  if (from <= leave_step::food_slot && player) {
    const item& food = player->equipment[equipment_slot::goods];
    if (item_type_of(food) == item_type::horse) {
      const item_kind* k = food.get_kind();
      const ruv_string* t = g_translation_table.find_translation(k->id.view());
      const std::string name(t ? t->view() : k->name.view());
      ask(ruv_string(format_text(tr("ui_question_slaughter_food_and_eat"), {name})), "ui_yes", "ui_no",
          &slaughter_answer, 1);
      return;
    }
  }
  if (from <= leave_step::payment) {
    if (total < 0) {
      if (!player || !other || player->gold < -total) {
        if (total_text)
          total_text->set_text(ruv_string(format_text(tr("ui_you_dont_have_value"), {money(-total)})));
        return;
      }
      // The money moves and the total returns to 0 in one step, so that no
      // later Leave of this visit can pay it again.
      const std::int32_t due = -total;
      player->take_money(due);
      other->add_gold(due);
      add_to_total(due);
    } else if (total > 0) {
      if (!player || !other || other->gold < total) {
        ruv_string name;
        if (other) name = troop_shown_name(*other);
        ask(ruv_string(format_text(tr("ui_merchant_cant_afford_value"),
                                   {std::string(name.view()), money(total), money(other ? other->gold : 0)})),
            "ui_merchant_think_of_something_else", "ui_merchant_pay_whatever", &merchant_answer, 2);
        return;
      }
      const std::int32_t due = total;
      player->add_gold(due);
      other->take_money(due);
      add_to_total(-due);
    }
    update_gold_text(inventory_side::player_inventory);
    if (!is_dump(inventory_side::other_inventory)) update_gold_text(inventory_side::other_inventory);
  }
  if (from <= leave_step::dump && is_dump(inventory_side::other_inventory)) {
    int dumped = 0;
    for (int k = 0; k < dump_slot_count; ++k)
      if (const item* it = slot_item(inventory_side::other_inventory, k); it && it->kind >= 0) ++dumped;
    if (dumped > 0) {
      const char* key = dumped == 1 ? "ui_dumping_value_item" : "ui_dumping_value_items";
      ask(ruv_string(format_text(tr(key), {dumped})), "ui_yes", "ui_no", &dump_answer, 2);
      return;
    }
  }
  leave_window();
}

void inventory_window::take_answers() {
  if (slaughter_answer == 0) {
    slaughter_answer = -1;
    if (troop* player = side_troop(inventory_side::player_inventory)) {
      player->equipment[equipment_slot::goods] = item{1, 0};
      mark_slot_dirty(inventory_side::player_equipment, equipment_slot::goods);
      play_named_sound("snd_metal_hit_low_armor_high_damage");
      play_named_sound("snd_neigh");
    }
    refresh();
    return;
  }
  if (slaughter_answer == 1) {
    slaughter_answer = -1;
    continue_leave(leave_step::payment);
    return;
  }
  if (merchant_answer == 1) {
    // The merchant pays what it has and the trade stands.
    merchant_answer = -1;
    troop* player = side_troop(inventory_side::player_inventory);
    troop* other = side_troop(inventory_side::other_inventory);
    if (player && other) {
      player->add_gold(other->gold);
      other->gold = 0;
    }
    add_to_total(-total);
    update_gold_text(inventory_side::player_inventory);
    update_gold_text(inventory_side::other_inventory);
    continue_leave(leave_step::dump);
    return;
  }
  if (merchant_answer == 0) {
    // "Think of something else": back to the trade, the total as it was.
    merchant_answer = -1;
    return;
  }
  if (dump_answer == 0) {
    dump_answer = -1;
    continue_leave(leave_step::away);
    return;
  }
  if (dump_answer == 1) dump_answer = -1;
}

void inventory_window::leave_window() {
  g_ui_manager.reset_overlay_texts(nullptr, true);
  if (mode == inventory_mode::equipment && other_troop > 2 && g_game) {
    if (const troop* o = g_game->find_troop(other_troop); o && (o->flags & keeps_own_equipment) != keeps_own_equipment)
      auto_equip(*g_game, other_troop, false, false);
  }
  if (return_window != inventory_return_through_dispatcher) {
    g_window_manager.set_window(return_window);
  } else if (g_window_manager.dispatch_meta_mission_requests) {
    g_window_manager.dispatch_meta_mission_requests();
  }
}

}  // namespace hm
