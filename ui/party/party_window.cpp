#include "ui/party/party_window.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/app/input_state.h"
#include "engine/core/log.h"
#include "engine/core/text_format.h"
#include "engine/resource/mesh.h"
#include "engine/settings/ruv_config.h"
#include "module/loading/game.h"
#include "module/media/tableau_material.h"
#include "module/records/world_records.h"
#include "module/text/translation_table.h"
#include "script/game_hooks.h"
#include "script/ops/encounter.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/shared_routines.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/front_menus.h"
#include "ui/tableau/tableau_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr int key_escape = 1;
constexpr int key_left_ctrl = 0x1D;
constexpr int key_right_ctrl = 0x9D;
constexpr int key_x = 0x2D;
constexpr int cheat_experience = 210;
constexpr std::int32_t return_to_dispatcher = 100;
constexpr int conversation_with_member = 13;
constexpr int conversation_with_prisoner = 14;
constexpr std::uint32_t party_skill_flag = 0x10;
constexpr std::uint32_t selected_colour = 0xFF2255AAu;
// The party window's tableau: the troop's picture.
constexpr int party_window_tableau_code = 2;
constexpr float line_height = 0.03f;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

ruv_string ui_text(const char* key, std::initializer_list<format_value> values) {
  return ruv_string(format_text(tr(key).view(), values));
}

bool ctrl_down() { return g_input_state.is_key_down(key_left_ctrl) || g_input_state.is_key_down(key_right_ctrl); }

bool clicked(widget* w) { return w && !w->is_hidden() && w->take_event(ui_event::clicked); }

void show_if(widget* w, bool shown) {
  if (!w) return;
  if (shown)
    w->show();
  else
    w->hide();
}

void enable_if(widget* w, bool enabled) {
  if (!w) return;
  if (enabled)
    w->enable();
  else
    w->disable();
}

// A button placed by its layout name, with its height from a variable.
widget* layout_button(container& parent, const char* label_key, const button_look& look, const char* name,
                      const char* height) {
  widget* b = make_button(parent, tr(label_key), 0.0f, 0.0f, get_layout_variable_float(height), look);
  read_widget_layout(*b, name);
  return b;
}

widget* layout_text(container& parent, const char* name, ui_vec2 offset = {}) {
  widget* t = make_label(parent, ruv_string(), 0.0f, 0.0f, 0.3f, line_height);
  t->set_text_size({0.022f, 0.022f});
  t->set_text_flags(ui_text_flag::align_left);
  read_widget_layout(*t, name);
  t->set_position({t->local_position.x - offset.x, t->local_position.y - offset.y});
  return t;
}

std::string troop_shown_name(int t) {
  if (!g_game) return {};
  const troop* r = g_game->find_troop(t);
  if (!r) return {};
  if (const ruv_string* shown = g_translation_table.find_translation(r->id.view())) return std::string(shown->view());
  return std::string(r->name.view());
}

}  // namespace

// --- the texts --------------------------------------------------------------------------------

const char* party_morale_key(float m) {
  if (m < 0.1f) return "ui_terrible";
  if (m < 0.2f) return "ui_very_low";
  if (m < 0.3f) return "ui_low";
  if (m < 0.4f) return "ui_below_average";
  if (m < 0.6f) return "ui_average";
  if (m < 0.7f) return "ui_above_average";
  if (m < 0.8f) return "ui_high";
  if (m < 0.9f) return "ui_very_high";
  return "ui_excellent";
}

std::int32_t party_starving_percent(float hunger) {
  // Halves go down.
  return static_cast<std::int32_t>(std::ceil(static_cast<double>(hunger) * 100.0 - 0.5));
}

std::int32_t player_total_wage(const campaign_state& game, party_trade_rules& rules) {
  g_script_state.trigger_result = 0;
  if (call_game_script(game_hook_code::game_get_total_wage, 0, 0))
    return static_cast<std::int32_t>(g_script_state.trigger_result);
  const party* p = game.find_party(game.player_party);
  if (!p) return 0;
  std::int64_t total = 0;
  for (int i = 1; i < p->stack_count; ++i) {
    const troop_stack& s = p->stacks[static_cast<std::size_t>(i)];
    if (s.is_prisoners()) break;
    const std::int64_t wage = rules.wage(s.troop);
    total += game.is_hero(s.troop) ? wage : wage * s.count;
  }
  return saturate_count(total);
}

ruv_string party_entry_text(const campaign_state& game, const troop_stack& s) {
  const std::string name = troop_shown_name(s.troop);
  if (game.is_hero(s.troop)) {
    const float max_hp = game.hero_max_health(s.troop);
    const double health = game.world.troop_health(s.troop);
    const auto percent =
        static_cast<std::int32_t>(max_hp > 0.0f ? health * 100.0 / static_cast<double>(max_hp) + 0.0001 : 0.0);
    ruv_string t = ui_text(game.is_hero_wounded(s.troop) ? "ui_button_party_member_hero_percentage_wounded"
                                                         : "ui_button_party_member_hero_percentage",
                           {name, percent});
    const troop* r = g_game ? g_game->find_troop(s.troop) : nullptr;
    // A hero with points to spend is marked as a regular stack ready to
    // upgrade is.
    if (r && (r->attribute_points > 0 || r->skill_points > 0)) t.append(ruv_string(" +"));
    return t;
  }
  ruv_string t = s.wounded >= 1 && !s.is_prisoners()
                     ? ui_text("ui_button_party_member_healthy_total", {name, s.count - s.wounded, s.count})
                     : ui_text("ui_button_party_member_total", {name, s.count});
  if (s.ready_to_upgrade > 0) t.append(ruv_string(" +"));
  return t;
}

// --- build ------------------------------------------------------------------------------------

void party_window::build() {
  g_ui_manager.clear();
  skills_panel = nullptr;
  picture = nullptr;
  selected_name = nullptr;
  lists.fill(nullptr);
  for (auto& e : entry_buttons) e.clear();
  list_height_ = {get_layout_variable_float("party_bo_member1_h"), get_layout_variable_float("party_bo_member2_h")};
  list_top_ = {get_layout_variable_float("party_bo_member1_y"), get_layout_variable_float("party_bo_member2_y")};

  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("party_window_b")) r->set_mesh(slot_background, std::move(m));
  root = r.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));

  done_button = layout_button(*root, "ui_done", short_button_look, "party_b_done", "party_b_done_h");
  reset_button = layout_button(*root, "ui_reset", short_button_look, "party_b_reset", "party_b_reset_h");
  auto info = std::make_unique<container>();
  read_widget_layout(*info, "party_bo_info");
  info_panel = static_cast<container*>(root->add_child(std::move(info)));
  const ui_vec2 info_at = info_panel->local_position;
  selected_name = layout_text(*info_panel, "party_t_selected_troop_name", info_at);
  troop_cost = layout_text(*info_panel, "party_t_troop_cost", info_at);
  talk_button = layout_button(*info_panel, "ui_talk", short_button_look, "party_b_talk", "party_b_talk_h");
  move_button = layout_button(*info_panel, "ui_release_one", medium_button_look, "party_b_release", "party_b_release_h");
  move_up_button = layout_button(*info_panel, "ui_move_up", short_button_look, "party_b_move_up", "party_b_move_up_h");
  move_down_button =
      layout_button(*info_panel, "ui_move_down", short_button_look, "party_b_move_down", "party_b_move_down_h");
  upgrade_line = layout_text(*info_panel, "party_t_upgrade", info_at);
  upgrade_buttons[0] =
      layout_button(*info_panel, "ui_upgrade_one", long_button_look, "party_b_upgrade1", "party_b_upgrade1_h");
  upgrade_buttons[1] =
      layout_button(*info_panel, "ui_upgrade_one", long_button_look, "party_b_upgrade2", "party_b_upgrade2_h");
  notification = make_label(*info_panel, ruv_string(), get_layout_variable_float("party_info_warn_x"),
                            get_layout_variable_float("party_info_warn_y"), 0.5f, line_height);
  notification->set_text_size({0.02f, 0.02f});
  notification->set_colour(0xFF990000u);
  notification->set_text_flags(ui_text_flag::align_left);

  campaign_state* game = host ? host->campaign() : nullptr;
  if (!game || !g_game) {
    // Without a running game there is nothing to show; Done still leaves.
    model.reset();
    return;
  }
  rules_.player_party = game->player_party;
  model = std::make_unique<party_window_model>(*game, rules_);
  model->partner_troop = partner_troop;
  const std::int32_t encountered =
      current_script_host().campaign ? current_script_host().campaign->game_words().encountered_party : -1;
  if (!model->open(mode, encountered, game->mercenary_source_party)) ruv_error("mercenary_source_party not set");

  build_side_panel(0);
  if (model->panel_count() == 1)
    build_skills_panel();
  else
    build_side_panel(1);
  refresh_all();
}

container* party_window::build_side_panel(int side) {
  auto p = std::make_unique<container>();
  read_widget_layout(*p, side == 0 ? "party_bo_party1" : "party_bo_party2");
  container* panel = static_cast<container*>(root->add_child(std::move(p)));
  const ui_vec2 at = panel->local_position;
  campaign_state& game = *host->campaign();
  if (side == 0 && game.world.troop_effective_skill_level(game.player_troop, 2) == 0) {
    widget* t = layout_text(*panel, "party_t_prisoner_management", at);
    t->set_text(tr("ui_need_to_learn_prisoner_management"));
  }
  for (int list = 0; list < 2; ++list) {
    auto area = std::make_unique<scrollable_container>();
    area->set_position({get_layout_variable_float("party_b_members_x"),
                        list_top_[static_cast<std::size_t>(list)] - list_height_[static_cast<std::size_t>(list)]});
    area->set_view_size({get_layout_variable_float("party_bo_members_w"), list_height_[static_cast<std::size_t>(list)]});
    area->update_layout();
    lists[static_cast<std::size_t>(list + 2 * side)] = static_cast<scrollable_container*>(panel->add_child(std::move(area)));
  }
  if (side == 0) {
    gold_text = layout_text(*panel, "party_t_gold", at);
    weekly_cost_text = layout_text(*panel, "party_t_weekly_cost", at);
    companions_text = layout_text(*panel, "party_t_max_companions", at);
    prisoners_text = layout_text(*panel, "party_t_max_prisoners", at);
    morale_text = layout_text(*panel, "party_t_morale", at);
  } else {
    widget* companions = layout_text(*panel, "party_t_choose_companions", at);
    widget* prisoners = layout_text(*panel, "party_t_choose_prisoners", at);
    const int m = model->mode();
    if (m == party_mode::exchange || m == party_mode::exchange_leader || m == party_mode::exchange_no_take) {
      if (script_campaign_host* c = current_script_host().campaign)
        companions->set_text(c->party_display_name(model->partner_party()));
    } else if (m == party_mode::after_battle) {
      companions->set_text(tr("ui_rescued_prisoners"));
      prisoners->set_text(tr("ui_captured_enemies"));
    }
  }
  return panel;
}

void party_window::build_skills_panel() {
  campaign_state& game = *host->campaign();
  const party* p = game.find_party(game.player_party);
  auto lines = std::make_unique<container>();
  const float step = get_layout_variable_float("party_bo_skills_t_y") > 0.0f
                         ? get_layout_variable_float("party_bo_skills_t_y")
                         : line_height;
  const float deep = get_layout_variable_float("party_bo_skills_t_x_deep");
  std::vector<std::pair<float, ruv_string>> texts;
  if (p) {
    const int members = [&] {
      for (int i = 0; i < p->stack_count; ++i)
        if (p->stacks[static_cast<std::size_t>(i)].is_prisoners()) return i;
      return p->stack_count;
    }();
    // Each party skill goes to the first hero holding the party's best level.
    std::array<int, skill_count> best_stack{};
    best_stack.fill(-1);
    std::array<int, skill_count> best_level{};
    for (int s = 0; s < skill_count; ++s) {
      if (!(g_skills[static_cast<std::size_t>(s)].flags & party_skill_flag)) continue;
      for (int i = 0; i < members; ++i) {
        const int t = p->stacks[static_cast<std::size_t>(i)].troop;
        if (!game.is_hero(t)) continue;
        const int level = game.is_hero_wounded(t) ? 0 : game.world.troop_effective_skill_level(t, s);
        if (best_stack[static_cast<std::size_t>(s)] < 0 || level > best_level[static_cast<std::size_t>(s)]) {
          best_stack[static_cast<std::size_t>(s)] = i;
          best_level[static_cast<std::size_t>(s)] = level;
        }
      }
    }
    for (int i = 0; i < members; ++i) {
      const int t = p->stacks[static_cast<std::size_t>(i)].troop;
      if (!game.is_hero(t)) continue;
      ruv_string name(troop_shown_name(t));
      name.capitalize_first();
      texts.emplace_back(0.0f, ruv_string(std::string(name.view()) + ":"));
      for (int s = 0; s < skill_count; ++s) {
        if (best_stack[static_cast<std::size_t>(s)] != i) continue;
        const int level = best_level[static_cast<std::size_t>(s)];
        const int bonus = p->get_skill_level(game, s) - level;
        std::string line(g_skills[static_cast<std::size_t>(s)].name.view());
        line += " (" + std::to_string(level) + ")";
        if (bonus != 0) line += "(+" + std::to_string(bonus) + ")";
        texts.emplace_back(deep, ruv_string(line));
      }
    }
  }
  const float height = std::max(step * static_cast<float>(texts.size()), step);
  lines->set_size({0.4f, height});
  for (std::size_t i = 0; i < texts.size(); ++i) {
    widget* l = make_label(*lines, texts[i].second, texts[i].first, height - step * static_cast<float>(i + 1), 0.4f, step);
    l->set_text_size({0.02f, 0.02f});
    l->set_text_flags(ui_text_flag::align_left);
  }
  auto area = std::make_unique<scrollable_container>();
  read_widget_layout(*area, "party_bo_skills");
  area->content->set_size({0.4f, height});
  area->content->add_child(std::move(lines));
  const float view = get_layout_variable_float("party_bo_skills_h");
  area->set_view_size({0.42f, std::min(height, view > 0.0f ? view : height)});
  area->update_layout();
  skills_panel = static_cast<scrollable_container*>(root->add_child(std::move(area)));
  widget* heading = layout_text(*root, "party_t_party_skills");
  heading->set_text(tr("ui_party_skills"));
}

// --- lists and texts ----------------------------------------------------------------------------

void party_window::fill_list(int side, int list) {
  scrollable_container* area = lists[static_cast<std::size_t>(list + 2 * side)];
  auto& buttons_of_list = entry_buttons[static_cast<std::size_t>(list + 2 * side)];
  buttons_of_list.clear();
  if (!area) return;
  area->content->delete_children();
  const std::vector<int>& e = model->entries(side, list);
  const party* p = host->campaign()->find_party(side == 0 ? model->player_party() : model->partner_party());
  const float h = get_layout_variable_float("party_b_member_h") > 0.0f ? get_layout_variable_float("party_b_member_h")
                                                                        : line_height;
  const float visible = list_height_[static_cast<std::size_t>(list)];
  float total = static_cast<float>(e.size()) * h;
  if (total < visible) total = std::min(total + 0.2f * h, visible);
  const button_look look{"party_member_button", "party_member_button_pressed",
                         get_layout_variable_float("party_b_members_width_ratio"),
                         get_layout_variable_float("party_b_members_button_h"), 0.085f};
  const std::uint32_t colour = get_layout_variable_hex("party_b_member_t_c");
  const std::uint32_t wounded_colour = get_layout_variable_hex("party_b_member_t_c_wounded");
  for (std::size_t i = 0; i < e.size() && p; ++i) {
    const troop_stack& s = p->stacks[static_cast<std::size_t>(e[i])];
    widget* b = make_button(*area->content, party_entry_text(*host->campaign(), s), 0.0f,
                            total - static_cast<float>(i + 1) * h, get_layout_variable_float("party_b_members_h"), look);
    b->set_text_flags(ui_text_flag::align_left);
    const bool wounded_hero = host->campaign()->is_hero(s.troop) && host->campaign()->is_hero_wounded(s.troop);
    b->set_colour(wounded_hero ? wounded_colour : colour);
    if (model->selected_side() == side && model->selected_list() == list &&
        model->selected_entry() == static_cast<int>(i))
      b->set_colour(selected_colour);
    buttons_of_list.push_back(b);
  }
  area->content->set_size({area->view_size.x, total});
  area->update_scrollbars();
}

void party_window::fill_side_texts() {
  campaign_state& game = *host->campaign();
  const party* p = game.find_party(game.player_party);
  if (!p) return;
  if (gold_text) gold_text->set_text(ui_text("ui_money_value", {get_money_text(rules_.gold(game.player_troop)).view()}));
  const std::int32_t wage = player_total_wage(game, rules_);
  if (weekly_cost_text)
    weekly_cost_text->set_text(wage < 1 ? ruv_string() : ui_text("ui_weekly_cost_value", {get_money_text(wage).view()}));
  if (companions_text)
    companions_text->set_text(ui_text("ui_company", {p->count_members(), p->get_companion_limit(game)}));
  if (prisoners_text)
    prisoners_text->set_text(ui_text("ui_prisoners_equal_value", {p->count_prisoners(), p->get_prisoner_limit(game)}));
}

void party_window::update_morale_text() {
  const campaign_state& game = *host->campaign();
  const party* p = game.find_party(game.player_party);
  if (!p || !morale_text) return;
  std::string line(ui_text("ui_morale", {tr(party_morale_key(p->morale)).view()}).view());
  if (p->hunger >= 0.1f)
    line += " (" + std::string(ui_text("ui_starving", {party_starving_percent(p->hunger)}).view()) + ")";
  morale_text->set_text(ruv_string(line));
}

void party_window::show_troop_picture(int troop, int list) {
  if (!picture) {
    auto w = std::make_unique<widget>();
    read_widget_layout(*w, "party_i_troop");
    picture = root->add_child(std::move(w));
  }
  const int code = g_tableau_materials.codes[party_window_tableau_code];
  if (code < 0) return;
  if (auto m = g_tableau_manager.make_quad_mesh(code, static_cast<std::int64_t>(troop) * 2 + list))
    picture->set_mesh_slot(slot_background, std::move(m));
}

void party_window::refresh_buttons() {
  buttons = model->refresh();
  const party_window_buttons& b = buttons;
  notification->set_text(tr(b.notification));
  if (!*b.notification) notification->set_text(ruv_string());
  enable_if(talk_button, b.talk_enabled);
  move_button->set_text(tr(b.move_label));
  show_if(move_button, b.move_shown && model->selected_stack() >= 0);
  enable_if(move_button, b.move_enabled);
  enable_if(move_up_button, b.move_up_enabled);
  enable_if(move_down_button, b.move_down_enabled);
  const int s = model->selected_stack();
  const party* p = s >= 0 ? host->campaign()->find_party(model->selected_party()) : nullptr;
  const int t = p ? p->stacks[static_cast<std::size_t>(s)].troop : -1;
  selected_name->set_text(t >= 0 ? ruv_string(troop_shown_name(t)) : ruv_string());
  if (t >= 0) show_troop_picture(t, model->selected_list());
  show_if(troop_cost, *b.cost_key != 0);
  if (std::string_view(b.cost_key) == "ui_joining_cost_weekly_wage")
    troop_cost->set_text(ui_text(b.cost_key, {b.cost_values[0], b.cost_values[1]}));
  else if (*b.cost_key)
    troop_cost->set_text(ui_text(b.cost_key, {b.cost_values[0]}));
  show_if(upgrade_line, b.upgrade_line_shown);
  upgrade_line->set_text(ui_text("ui_number_ready_to_upgrade", {b.ready}));
  for (std::size_t k = 0; k < 2; ++k) {
    const auto& u = b.upgrades[k];
    widget* w = upgrade_buttons[k];
    show_if(w, u.shown);
    enable_if(w, u.enabled);
    if (!u.shown) continue;
    const std::string name = troop_shown_name(u.troop);
    if (b.ready != 0 && !u.has_room) {
      w->set_text(ui_text("ui_notification_no_slot_for_upgrade", {name}));
      w->set_colour(get_layout_variable_hex("party_b_upgrade_t_c_passive"));
    } else {
      w->set_text(ui_text("ui_upgrade_to_value", {name}));
      w->set_colour(get_layout_variable_hex("party_b_member_t_c"));
    }
  }
}

void party_window::refresh_all() {
  if (!model) return;
  model->fill();
  for (int side = 0; side < model->panel_count(); ++side)
    for (int list = 0; list < 2; ++list) fill_list(side, list);
  fill_side_texts();
  update_morale_text();
  refresh_buttons();
}

// --- frame ------------------------------------------------------------------------------------

void party_window::scroll(float wheel) {
  const float x = g_ui_manager.mouse_position.x;
  scrollable_container* area = nullptr;
  if (skills_panel && x < 0.5f) {
    area = skills_panel;
  } else {
    const int side = model && model->panel_count() == 2 && x < 0.5f ? 1 : 0;
    const int list = g_ui_manager.mouse_position.y < 0.33f ? 1 : 0;
    area = lists[static_cast<std::size_t>(list + 2 * side)];
  }
  scrollbar* bar = area ? area->scroll_bars[1] : nullptr;
  if (!bar || bar->length() <= 0.0f) return;
  const float range = bar->float_max - bar->float_min;
  const float fraction = range != 0.0f ? (bar->float_value - bar->float_min) / range : 0.0f;
  bar->set_value_from_point(fraction * (bar->length() - bar->handle_size) +
                            (wheel / bar->length()) * bar->handle_size * 0.0005f);
  bar->raise_event(ui_event::clicked);
}

void party_window::finish() {
  if (model && mode == party_mode::after_battle && g_meta_mission.next_menu < 1) {
    // The captives nobody took go their own ways on the map.
    host->campaign()->scatter_party_members();
  }
  model.reset();
  if (return_window == return_to_dispatcher) {
    if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
  } else {
    g_window_manager.set_window(return_window);
  }
}

void party_window::frame(float /*seconds*/) {
  if (g_ui_manager.wheel != 0) scroll(static_cast<float>(g_ui_manager.wheel));
  const bool escape_released = !g_input_state.is_key_down(key_escape) && g_input_state.previous_keys[key_escape] != 0;
  if (!model) {
    if (clicked(done_button) || escape_released) finish();
    return;
  }
  if (model->selected_stack() >= 0 && g_ruv_config.cheat_mode != 0 && ctrl_down() &&
      g_input_state.is_key_clicked(key_x)) {
    if (party* p = host->campaign()->find_party(model->selected_party()))
      p->add_xp_to_stack(*host->campaign(), model->selected_stack(), cheat_experience);
    refresh_all();
  }
  for (int side = 0; side < model->panel_count(); ++side) {
    for (int list = 0; list < 2; ++list) {
      const auto& b = entry_buttons[static_cast<std::size_t>(list + 2 * side)];
      for (std::size_t i = 0; i < b.size(); ++i)
        if (clicked(b[i])) {
          model->select(side, list, static_cast<int>(i));
          refresh_all();
        }
    }
  }
  if (clicked(move_button)) {
    model->move_selected(ctrl_down());
    refresh_all();
  }
  const bool second = clicked(upgrade_buttons[1]);
  const bool first = clicked(upgrade_buttons[0]);
  if (first || second) {
    model->upgrade_selected(second ? 1 : 0);
    refresh_all();
  }
  if (clicked(move_up_button)) {
    model->swap_selected(-1);
    refresh_all();
  }
  if (clicked(move_down_button)) {
    model->swap_selected(1);
    refresh_all();
  }
  if (clicked(done_button) || escape_released) {
    finish();
    return;
  }
  if (clicked(reset_button)) {
    model->reset();
    refresh_all();
    return;
  }
  int troop = -1;
  bool prisoner = false;
  if (clicked(talk_button) && model->talk_partner(troop, prisoner)) {
    host->set_up_troop_conversation(troop, model->player_party(),
                                    prisoner ? conversation_with_prisoner : conversation_with_member);
    if (game_window* c = g_window_manager.window(window_id::conversation)) c->return_window = window_id::party;
    model.reset();
    g_window_manager.set_window(window_id::conversation);
  }
}

void party_window::leave() {
  top_level_window::leave();
  model.reset();
  root = nullptr;
  info_panel = nullptr;
  lists.fill(nullptr);
  for (auto& e : entry_buttons) e.clear();
}

}  // namespace hm
