// The inventory window's screen: the layout built at each entry, the slot
// pictures, the armour and encumbrance sums, the character pictures.
#include <algorithm>
#include <string>

#include "engine/core/text_format.h"
#include "engine/resource/mesh.h"
#include "engine/settings/ruv_config.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "module/media/tableau_material.h"
#include "module/text/translation_table.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"
#include "ui/inventory/inventory_window.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/tableau/item_preview.h"
#include "ui/tableau/tableau_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

// The pending screen change code that opens the trade; the window takes it.
constexpr std::int32_t trade_screen_change = 4;
// The item triggers' event that lets the module dress an item's picture.
constexpr std::int32_t item_picture_event = -50;
// The tableau code of the inventory's character pictures.
constexpr int inventory_tableau_code = 1;
// A stack flag of a prisoner stack.
constexpr std::uint32_t prisoner_stack_flag = 1;

std::string tr(const char* key) { return std::string(g_translation_table.get_string_by_id(key).view()); }

// The troop's shown name: the translation of its id, else its own name.
ruv_string troop_shown_name(const troop& t) {
  const ruv_string* s = t.id.empty() ? nullptr : g_translation_table.find_translation(t.id.view());
  return s ? *s : t.name;
}

widget* add_text(container& parent, const char* layout_name) {
  auto t = std::make_unique<text_widget>();
  read_widget_layout(*t, layout_name);
  return parent.add_child(std::move(t));
}

}  // namespace

int find_dump_troop() {
  if (!g_game) return -1;
  for (int i = 0; i < g_game->troop_count(); ++i)
    if (g_game->troops[static_cast<std::size_t>(i)].id.view() == "trp_dump") return i;
  return -1;
}

equipment_sums sum_equipment(const troop& t) {
  equipment_sums s;
  for (int slot = 0; slot <= equipment_slot::hand; ++slot) {
    const item& it = t.equipment[static_cast<std::size_t>(slot)];
    const item_kind* k = it.get_kind();
    if (it.kind < 0 || !k) continue;
    if (slot >= equipment_slot::head) {
      s.head += it.get_head_armor();
      s.body += it.get_body_armor();
      s.leg += it.get_leg_armor();
    }
    const int type = k->type();
    float w = k->weight;
    if (type == item_type::arrows || type == item_type::bolts || type == item_type::thrown ||
        type == item_type::bullets) {
      const int maximum = it.get_max_ammo();
      w = maximum > 0 ? w * static_cast<float>(it.get_remaining_ammo()) / static_cast<float>(maximum) : w;
    } else if (type == item_type::shield && it.hit_points() == 0) {
      w = 0.0f;
    }
    s.weight += w;
  }
  return s;
}

// --- the slot widget ---------------------------------------------------------------------------------

inv_slot_widget::inv_slot_widget() {
  set_size({inventory_slot_size, inventory_slot_size});
  if (auto m = g_ui_manager.resource_mesh_copy("inv_slot")) set_mesh_slot(slot_background, std::move(m));
}

bool inv_slot_widget::handle_event(std::uint32_t bits) {
  if (bits & ui_event::press) raise_event(ui_event::clicked);
  raise_event(bits);
  apply_value_steps();
  return (bits & ui_event::press) != 0;
}

// --- the model's bookkeeping ----------------------------------------------------------------------

troop* inventory_window::side_troop(int side) const {
  if (!g_game) return nullptr;
  const bool player = side == inventory_side::player_inventory || side == inventory_side::player_equipment;
  return g_game->find_troop(player ? g_game->player_troop : other_troop);
}

bool inventory_window::is_dump(int side) const {
  return mode == inventory_mode::own && side == inventory_side::other_inventory && other_troop >= 0 &&
         other_troop == find_dump_troop();
}

int inventory_window::inventory_slot_count(int side) const {
  const troop* t = side_troop(side);
  if (!t) return 0;
  if (is_dump(side)) return dump_slot_count;
  return std::clamp(t->get_inventory_capacity(), 0, inventory_slots_per_side);
}

item* inventory_window::slot_item(int side, int index) const {
  troop* t = side_troop(side);
  if (!t || index < 0) return nullptr;
  if (side <= inventory_side::other_inventory) {
    if (index >= inventory_slot_count(side)) return nullptr;
    return &t->inventory[static_cast<std::size_t>(index)];
  }
  if (index >= equipment_slots_per_side) return nullptr;
  return &t->equipment[static_cast<std::size_t>(index)];
}

bool inventory_window::test_slot_flags(int side, int index, std::uint32_t mask) const {
  if (index < 0) return false;
  if (side <= 1) return index < inventory_slots_per_side && (inventory_slot_states[side][index] & mask) != 0;
  return index < equipment_slots_per_side && (equipment_slot_states[side - 2][index] & mask) != 0;
}

void inventory_window::set_slot_flags(int side, int index, std::uint32_t mask, bool set) {
  if (index < 0 || side < 0 || side > 3) return;
  std::uint32_t* s = nullptr;
  if (side <= 1) {
    if (index >= inventory_slots_per_side) return;
    s = &inventory_slot_states[side][index];
  } else {
    if (index >= equipment_slots_per_side) return;
    s = &equipment_slot_states[side - 2][index];
  }
  *s = set ? (*s | mask) : (*s & ~mask);
}

std::int32_t inventory_window::slot_price(int side, int index) const {
  if (index < 0 || side < 0 || side > 3) return no_trade_price;
  if (side <= 1) return index < inventory_slots_per_side ? inventory_slot_prices[side][index] : no_trade_price;
  return index < equipment_slots_per_side ? equipment_slot_prices[side - 2][index] : no_trade_price;
}

void inventory_window::set_slot_price(int side, int index, std::int32_t price) {
  if (index < 0 || side < 0 || side > 3) return;
  if (side <= 1) {
    if (index < inventory_slots_per_side) inventory_slot_prices[side][index] = price;
  } else if (index < equipment_slots_per_side) {
    equipment_slot_prices[side - 2][index] = price;
  }
}

// --- build ------------------------------------------------------------------------------------------

void inventory_window::build() {
  character_views = {0, 0};
  for (auto& side : inventory_slot_states) side.fill(0);
  for (auto& side : equipment_slot_states) side.fill(0);
  game_script_words* words = nullptr;
  if (script_campaign_host* c = current_script_host().campaign) words = &c->game_words();

  if (mode == inventory_mode::exchange) {
    other_troop = words ? words->exit_troop : -1;
    if (other_troop < 1) other_troop = find_dump_troop();
  } else if (mode == inventory_mode::own) {
    other_troop = find_dump_troop();
    if (troop* dump = g_game ? g_game->find_troop(other_troop) : nullptr)
      for (item& it : dump->inventory) it.kind = -1;
  } else {
    other_troop = parameters[0];
  }
  // The trade request stays set until the window it asked for has opened;
  // left set it would open the trade again when the menu comes back.
  if (words && words->screen_change_code == trade_screen_change) words->screen_change_code = 0;

  total = 0;
  dragging = 0;
  dragged_item = item{};
  drag_picture = nullptr;
  g_ui_manager.clear();
  merchant_answer = dump_answer = slaughter_answer = -1;
  character_pictures = {nullptr, nullptr};
  inventory_grids = {};
  scroll_areas = {};
  equipment_panels = {};
  gold_texts = {};
  name_texts = {};
  for (auto& side : inventory_slot_widgets) side.fill(nullptr);
  for (auto& side : equipment_slot_widgets) side.fill(nullptr);
  for (auto& panel : armour_texts) panel.fill(nullptr);
  equipment_background = nullptr;

  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("inventory_window_b")) r->set_mesh(slot_background, std::move(m));
  root = r.get();

  if (mode == inventory_mode::equipment) {
    auto bg = std::make_unique<widget>();
    read_widget_layout(*bg, "inv_i_equipment_pangel_bg");
    if (auto m = g_ui_manager.resource_mesh_copy("inventory_equipment_panel")) bg->set_mesh(slot_background, std::move(m));
    equipment_background = root->add_child(std::move(bg));
  }
  for (int i = 0; i < 4; ++i) {
    auto h = std::make_unique<widget>();
    read_widget_layout(*h, "inv_hinge" + std::to_string(i + 1));
    if (auto m = g_ui_manager.resource_mesh_copy("inventory_window_hinge")) h->set_mesh(slot_background, std::move(m));
    hinges[static_cast<std::size_t>(i)] = root->add_child(std::move(h));
  }
  const int player = g_game ? g_game->player_troop : -1;
  update_character_picture(0, "inv_i_character", player);
  if (mode == inventory_mode::equipment) update_character_picture(1, "inv_i_character2", other_troop);

  inventory_side_count = mode <= inventory_mode::no_horses ? 2 : 1;
  equipment_side_count = mode == inventory_mode::equipment ? 2 : 1;

  for (int s = 0; s < inventory_side_count; ++s) {
    build_inventory_grid(s);
    gold_texts[s] = add_text(*root, s == 0 ? "inv_t_gold1" : "inv_t_gold2");
    if (!is_dump(s)) update_gold_text(s);
    name_texts[s] = add_text(*root, s == 0 ? "inv_t_name1" : "inv_t_name2");
    ruv_string name;
    if (s == 0) {
      if (const troop* t0 = g_game ? g_game->find_troop(0) : nullptr) name = troop_shown_name(*t0);
    } else if (mode == inventory_mode::trade || mode == inventory_mode::equipment) {
      if (const troop* o = side_troop(1)) name = troop_shown_name(*o);
    } else if (mode == inventory_mode::own) {
      name = ruv_string(tr("ui_dump"));
    }
    name_texts[s]->set_text(name);
  }
  for (int p = 0; p < equipment_side_count; ++p) build_equipment_panel(p);

  leave_button = make_button(*root, ruv_string(tr("ui_return")), 0.0f, 0.0f,
                             get_layout_variable_float("inv_b_leave_h"), short_button_look);
  read_widget_layout(*leave_button, "inv_b_leave");
  total_text = add_text(*root, "inv_t_total_cost");
  total_text->set_text(ruv_string(tr("ui_no_cost")));

  const float line_step = get_layout_variable_float("inv_t_armor_y_a");
  for (int p = 0; p < equipment_side_count; ++p) {
    for (int j = 0; j < 4; ++j) {
      widget* t = add_text(*root, p == 0 ? "inv_t_armor_base" : "inv_t_armor_base2");
      t->set_position({t->local_position.x, t->local_position.y - static_cast<float>(j) * line_step});
      armour_texts[p][j] = t;
    }
  }

  value_prices = false;
  if (mode == inventory_mode::trade) {
    if (script_campaign_host* c = current_script_host().campaign) {
      const int party = c->player_party();
      const int n = party >= 0 ? c->party_stack_count(party) : 0;
      for (int i = 0; i < n; ++i) {
        const script_troop_stack st = c->party_stack(party, i);
        if (st.flags & prisoner_stack_flag) break;
        if (i > 0 && st.troop == other_troop) value_prices = true;
      }
    }
  }

  // The dragged item's picture, above every panel.
  auto drag = std::make_unique<widget>();
  drag->set_size({0.0f, 0.0f});
  drag->hide();
  drag_picture = root->add_child(std::move(drag));

  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
  refresh();

  if (mode == inventory_mode::trade && g_game && !g_game->inventory_tutorial_shown && g_ruv_config.skip_tutorial == 0) {
    if (auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box))) {
      box->mode = 0;
      box->title = ruv_string(tr("ui_tutorial"));
      box->text = ruv_string(tr("ui_tutorial_inventory"));
      box->answer_target = nullptr;
      box->result_text = nullptr;
      box->has_text_field = false;
      g_window_manager.push_window(window_id::message_box);
    }
    g_game->inventory_tutorial_shown = true;
  }
}

void inventory_window::build_inventory_grid(int side) {
  const int n = inventory_slot_count(side);
  const int rows = (n + 2) / 3;
  const float height = static_cast<float>(rows) * inventory_slot_size;
  auto grid = std::make_unique<container>();
  grid->set_position({0.0f, 0.0f});
  grid->set_size({3.0f * inventory_slot_size, height});
  for (int k = 0; k < n; ++k) {
    auto slot = std::make_unique<inv_slot_widget>();
    slot->set_position({static_cast<float>(k % 3) * inventory_slot_size,
                        height - static_cast<float>(k / 3 + 1) * inventory_slot_size});
    inventory_slot_widgets[side][k] = grid->add(std::move(slot));
    inventory_slot_states[side][k] = slot_state::dirty;
    inventory_slot_prices[side][k] = built_slot_price;
  }
  const float visible = get_layout_variable_float("inv_visible_inventory_area");
  auto area = std::make_unique<scrollable_container>();
  area->state |= 0x20;
  inventory_grids[side] = area->content->add(std::move(grid));
  read_widget_layout(*area, side == 0 ? "inv_sc_inventory1_outer" : "inv_sc_inventory2_outer");
  const float h = std::min(height, visible);
  // The top stays where the layout put it.
  area->set_position({area->local_position.x, area->local_position.y - h});
  area->set_view_size({3.0f * inventory_slot_size, h});
  // The view's size goes to its first child too; the grid keeps its own.
  inventory_grids[side]->set_size({3.0f * inventory_slot_size, height});
  area->update_layout();
  area->update_scrollbars();
  scroll_areas[side] = root->add(std::move(area));
}

void inventory_window::build_equipment_panel(int panel) {
  const float x_offset = panel == 1 ? -get_layout_variable_float("inv_equipment_menu_x_a") : 0.0f;
  const float ex = get_layout_variable_float("inv_equipment_x");
  const float ey = get_layout_variable_float("inv_equipment_y");
  const float ax = get_layout_variable_float("inv_armor_x");
  const float hy = get_layout_variable_float("inv_horse_y");
  const float q = inventory_slot_size;
  const ui_vec2 positions[equipment_slots_per_side] = {
      {ex, ey},          {ex, ey - q},     {ex, ey - 2 * q},      {ex, ey - 3 * q}, {ax, ey},
      {ax, ey - q},      {ax, ey - 2 * q}, {ax - q, ey - q},      {ax - q, hy},     {ax, hy - q},
  };
  auto p = std::make_unique<container>();
  read_widget_layout(*p, "inv_im_equipment_menu");
  p->set_position({p->local_position.x + x_offset, p->local_position.y});
  const bool food = panel == 0 && g_module_settings.disable_food_slot == 0;

  auto label = [&p](const char* key, ui_vec2 at) {
    auto t = std::make_unique<text_widget>();
    t->set_size({0.088f, 0.04f});
    t->add_text_flags(ui_text_flag::centre);
    t->set_position(at);
    t->set_text(ruv_string(tr(key)));
    p->add_child(std::move(t));
  };
  label("ui_outfit", {positions[4].x, positions[4].y + 0.095f});
  label("ui_arms", {positions[0].x - 0.044f, positions[0].y + 0.095f});
  label("ui_horse", {positions[8].x, positions[8].y + 0.095f});
  if (food) label("ui_food", {positions[9].x, positions[9].y + 0.095f});

  for (int k = 0; k < equipment_slots_per_side; ++k) {
    if (k == equipment_slot::goods && !food) {
      equipment_slot_widgets[panel][k] = nullptr;
      equipment_slot_states[panel][k] = 0;
      continue;
    }
    auto slot = std::make_unique<inv_slot_widget>();
    slot->set_position(positions[k]);
    slot->filled_flag = 0;
    equipment_slot_widgets[panel][k] = p->add(std::move(slot));
    equipment_slot_states[panel][k] = slot_state::dirty;
    equipment_slot_prices[panel][k] = no_trade_price;
  }
  equipment_panels[panel] = root->add(std::move(p));
}

// --- refresh -------------------------------------------------------------------------------------

void inventory_window::refresh() {
  for (int s = 0; s < inventory_side_count; ++s) refresh_inventory_side(s);
  for (int p = 0; p < equipment_side_count; ++p) refresh_equipment_side(p + 2);
  if (const troop* t = side_troop(inventory_side::player_equipment)) update_armor_texts(0, *t);
  if (equipment_side_count == 2)
    if (const troop* t = side_troop(inventory_side::other_equipment)) update_armor_texts(1, *t);
  update_drag_picture();
}

void inventory_window::refresh_inventory_side(int side) {
  const int n = inventory_slot_count(side);
  for (int k = 0; k < n; ++k)
    if (inventory_slot_states[side][k] & slot_state::dirty)
      refresh_slot(inventory_slot_widgets[side][k], *slot_item(side, k), k, side, false);
}

void inventory_window::refresh_equipment_side(int side) {
  bool changed = false;
  for (int k = 0; k < equipment_slots_per_side; ++k) {
    if (!(equipment_slot_states[side - 2][k] & slot_state::dirty)) continue;
    inv_slot_widget* w = equipment_slot_widgets[side - 2][k];
    if (!w) {
      equipment_slot_states[side - 2][k] &= ~slot_state::dirty;
      continue;
    }
    if (const item* it = slot_item(side, k)) refresh_slot(w, *it, k, side, true);
    changed = true;
  }
  if (changed) redraw_character_pictures();
}

int inventory_window::owner_for_slot(int side, bool traded) const {
  const int player = g_game ? g_game->player_troop : -1;
  const bool other_side = side == inventory_side::other_inventory || side == inventory_side::other_equipment;
  if (other_side) return traded ? player : other_troop;
  return traded ? other_troop : player;
}

void inventory_window::refresh_slot(inv_slot_widget* w, const item& it, int index, int side, bool equipment) {
  set_slot_flags(side, index, slot_state::dirty, false);
  if (!w) return;
  if (it.kind < 0 || !it.get_kind()) {
    w->picture_flag = 0;
    if (equipment && index < equipment_slot::goods) w->filled_flag = 0;
    w->set_mesh_slot(slot_up, nullptr);
    return;
  }
  const int owner = owner_for_slot(side, test_slot_flags(side, index, slot_state::traded));
  std::unique_ptr<mesh> picture = make_item_mesh(it, inventory_slot_size, owner);
  if (picture) picture->translate(vec3(inventory_slot_size * 0.5f, inventory_slot_size * 0.5f, 0.0f));
  w->set_mesh_slot(slot_up, std::move(picture));
  w->picture_flag = 1;
  if (equipment && index < equipment_slot::goods) w->filled_flag = 1;
}

std::unique_ptr<mesh> inventory_window::make_item_mesh(const item& it, float scale, int owner_troop) const {
  if (it.kind < 0 || it.kind >= static_cast<int>(g_item_kinds.size())) return nullptr;
  std::unique_ptr<mesh> m = create_item_preview_mesh(it, scale);
  if (!m) return nullptr;
  item_kind& k = g_item_kinds[static_cast<std::size_t>(it.kind)];
  if (k.triggers.count() > 0) {
    g_tableau_trigger_object.event_code = item_picture_event;
    g_tableau_trigger_object.meshes = {m.get()};
    g_script_state.trigger_param_1 = -1;
    g_script_state.trigger_param_2 = owner_troop;
    run_simple_triggers(k.triggers, item_picture_event);
    g_tableau_trigger_object = tableau_trigger_object{};
  }
  return m;
}

void inventory_window::update_armor_texts(int panel, const troop& t) {
  const equipment_sums s = sum_equipment(t);
  auto& texts = armour_texts[static_cast<std::size_t>(panel)];
  if (texts[0]) texts[0]->set_text(ruv_string(format_text(tr("ui_head_armor"), {s.head})));
  if (texts[1]) texts[1]->set_text(ruv_string(format_text(tr("ui_body_armor"), {s.body})));
  if (texts[2]) texts[2]->set_text(ruv_string(format_text(tr("ui_leg_armor"), {s.leg})));
  if (texts[3]) texts[3]->set_text(ruv_string(format_text(tr("ui_encumbrance"), {format_text("%.1f", {static_cast<double>(s.weight)})})));
}

void inventory_window::update_gold_text(int side) {
  widget* w = side >= 0 && side < 2 ? gold_texts[static_cast<std::size_t>(side)] : nullptr;
  const troop* t = side_troop(side);
  if (!w || !t) return;
  w->set_text(ruv_string(format_text(tr("ui_money_value"), {std::string(get_money_text(t->gold).view())})));
}

void inventory_window::update_character_picture(int which, const char* layout_name, int troop_id) {
  const int tableau = g_tableau_materials.codes[inventory_tableau_code];
  if (tableau < 0 || !root) return;
  widget*& picture = character_pictures[static_cast<std::size_t>(which)];
  if (!picture) {
    auto b = std::make_unique<text_button>();
    read_widget_layout(*b, layout_name);
    picture = root->add_child(std::move(b));
  }
  picture->set_mesh_slot(slot_background, nullptr);
  const std::int64_t object = troop_id;
  picture->set_mesh_slot(slot_background, g_tableau_manager.make_quad_mesh(tableau, object));
}

void inventory_window::redraw_character_pictures() {
  const int player = g_game ? g_game->player_troop : -1;
  if (character_pictures[0]) update_character_picture(0, "inv_i_character", player);
  if (character_pictures[1]) update_character_picture(1, "inv_i_character2", other_troop);
}

void inventory_window::update_drag_picture() {
  if (!drag_picture) return;
  if (!dragging) {
    drag_picture->hide();
    return;
  }
  drag_picture->show();
  const ui_vec2 m = g_ui_manager.mouse_position;
  drag_picture->set_position({m.x - (root ? root->absolute_position.x : 0.0f), m.y});
}

}  // namespace hm
