#include "ui/character/character_window.h"

#include <algorithm>
#include <string>

#include "engine/app/input_state.h"
#include "engine/core/text_format.h"
#include "engine/resource/mesh.h"
#include "engine/settings/ruv_config.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "module/media/tableau_material.h"
#include "module/records/world_records.h"
#include "module/text/translation_table.h"
#include "script/game_hooks.h"
#include "script/script_host.h"
#include "ui/character/character_file.h"
#include "ui/face/face_gen_window.h"
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
constexpr int key_w = 0x11;
constexpr std::uint32_t hidden_skill_flag = 0x100;
constexpr int skill_leadership = 1;
constexpr int skill_prisoner_management = 2;
constexpr int cheat_experience = 1000;
constexpr float cheat_proficiency = 50.0f;
constexpr int max_name_length = 28;
// The character sheet's tableau.
constexpr int character_sheet_tableau_code = 0;

constexpr std::array<const char*, troop_proficiency_count> proficiency_keys = {
    "ui_one_handed_weapons", "ui_two_handed_weapons", "ui_polearms", "ui_archery",
    "ui_crossbows",          "ui_throwing",           "ui_firearms"};
constexpr std::array<const char*, troop_proficiency_count> proficiency_explanations = {
    "ui_explanation_one_handed_weapon", "ui_explanation_two_handed_weapon", "ui_explanation_polearm",
    "ui_explanation_archery",           "ui_explanation_crossbow",          "ui_explanation_throwing",
    "ui_explanation_firearms"};
constexpr std::array<const char*, troop_attribute_count> attribute_short_keys = {"ui_str", "ui_agi", "ui_int",
                                                                                 "ui_cha"};
constexpr std::array<const char*, troop_attribute_count> attribute_long_keys = {"ui_strength", "ui_agility",
                                                                                "ui_intelligence", "ui_charisma"};
constexpr std::array<const char*, troop_attribute_count> attribute_explanations = {
    "ui_explanation_strength", "ui_explanation_agility", "ui_explanation_intelligence", "ui_explanation_charisma"};

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

ruv_string ui_text(const char* key, std::initializer_list<format_value> values) {
  return ruv_string(format_text(tr(key).view(), values));
}

float var(const char* name) { return get_layout_variable_float(name); }

bool clicked(widget* w) { return w && !w->is_hidden() && !w->is_disabled() && w->take_event(ui_event::clicked); }
bool entered(widget* w) { return w && w->take_event(ui_event::enter); }

void show_if(widget* w, bool shown) {
  if (!w) return;
  if (shown)
    w->show();
  else
    w->hide();
}

widget* layout_button(container& parent, const char* key, const button_look& look, const char* name,
                      const char* height) {
  widget* b = make_button(parent, tr(key), 0.0f, 0.0f, var(height), look);
  read_widget_layout(*b, name);
  return b;
}

widget* layout_label(container& parent, const char* name, const ruv_string& text) {
  widget* l = make_label(parent, text, 0.0f, 0.0f, 0.3f, 0.03f);
  l->set_text_size({0.022f, 0.022f});
  l->set_text_flags(ui_text_flag::align_left);
  read_widget_layout(*l, name);
  return l;
}

// A "+" button with the three looks of button<digit>.
widget* make_increment_button(container& parent, float x, float y, float h, float text_size) {
  auto b = std::make_unique<text_button>();
  b->set_position({x, y});
  b->set_size({h, h});
  if (auto m = g_ui_manager.resource_mesh_copy("button1_up")) b->set_mesh(slot_up, std::move(m));
  if (auto m = g_ui_manager.resource_mesh_copy("button1_down")) b->set_mesh(slot_down, std::move(m));
  if (auto m = g_ui_manager.resource_mesh_copy("button1_hl")) b->set_mesh(slot_hover, std::move(m));
  b->set_text_size({text_size, text_size});
  b->set_text(ruv_string("+"));
  return parent.add_child(std::move(b));
}

bool ctrl_down() { return g_input_state.is_key_down(key_left_ctrl) || g_input_state.is_key_down(key_right_ctrl); }

std::string skill_shown_name(int s) {
  const skill& k = g_skills[static_cast<std::size_t>(s)];
  if (const ruv_string* t = g_translation_table.find_translation(k.id.view())) return std::string(t->view());
  return std::string(k.name.view());
}

}  // namespace

const char* proficiency_name_key(int i) {
  return i >= 0 && i < troop_proficiency_count ? proficiency_keys[static_cast<std::size_t>(i)] : "";
}

troop* character_window::shown_troop() const { return g_game ? g_game->find_troop(troop_id) : nullptr; }

bool character_window::is_player_troop() const { return g_game && troop_id == g_game->player_troop; }

int character_window::weapon_master_level() const {
  script_module_host* m = current_script_host().module;
  const troop* t = shown_troop();
  if (!t) return 0;
  return m ? m->troop_effective_skill_level(troop_id, weapon_master_skill) : t->get_skill_level(weapon_master_skill);
}

bool character_window::proficiency_shown(int i) const {
  const weapon_proficiency_display& d = g_display_wp;
  const std::int32_t shown[troop_proficiency_count] = {d.one_handed, d.two_handed, d.polearms, d.archery,
                                                       d.crossbows,  d.throwing,   d.firearms};
  return i >= 0 && i < troop_proficiency_count && shown[i] != 0;
}

// --- build ------------------------------------------------------------------------------------

void character_window::build() {
  if (keep_troop == 0 && g_game) troop_id = g_game->player_troop;
  if (state_word == 0) {
    creation = creation_state::saving_policy;
    state_word = 1;
  }
  g_ui_manager.clear();
  statistics_button = next_button = previous_button = nullptr;
  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("character_window")) r->set_mesh(slot_background, std::move(m));
  root = r.get();
  g_ui_manager.push_root_widget(std::move(r));
  g_ui_manager.redraw = 1;

  reset_button = layout_button(*root, "ui_reset_changes", medium_button_look, "char_b_reset", "char_b_reset_h");
  done_button = layout_button(*root, "ui_done", short_button_look, "char_b_done", "char_b_done_h");

  visible_skills.clear();
  for (int s = 0; s < skill_count; ++s)
    if (!(g_skills[static_cast<std::size_t>(s)].flags & hidden_skill_flag)) visible_skills.push_back(s);
  editable = true;
  selected = -1;
  selected_kind = character_selection::attribute;

  // The skill rows.
  const float step = var("char_b_skills_y_a");
  const int rows = static_cast<int>(var("char_num_skills"));
  const int count = static_cast<int>(visible_skills.size());
  const float widen = count <= rows ? var("char_b_skills_x_a") : 0.0f;
  auto list = std::make_unique<container>();
  read_widget_layout(*list, "char_bo_skills");
  const float list_height = (static_cast<float>(count) + 0.5f) * step;
  list->set_size({var("char_b_skills_w") + widen + 0.08f, list_height});
  skill_labels.clear();
  skill_levels.clear();
  skill_buttons.clear();
  container& rows_box = *list;
  for (int i = 0; i < count; ++i) {
    const int s = visible_skills[static_cast<std::size_t>(i)];
    auto label = std::make_unique<text_button>();
    read_widget_layout(*label, "char_b_skills_base");
    const float y = label->local_position.y - static_cast<float>(i + std::max(0, rows - count)) * step;
    label->set_position({label->local_position.x, y});
    label->set_size({var("char_b_skills_w") + widen, step});
    label->set_text_flags(ui_text_flag::align_left);
    label->set_text_size({0.7f * step, 0.7f * step});
    label->set_text(ruv_string(skill_shown_name(s)));
    widget* l = rows_box.add_child(std::move(label));
    widget* level = make_text_label(rows_box, ruv_string(), var("char_b_skill_levels_x") + widen, y,
                                    var("char_b_skill_levels_w"), step);
    level->set_colour(l->colour);
    widget* plus = make_increment_button(rows_box, var("char_b_skill_increment_x") + widen,
                                         y + var("char_b_skill_increment_y_a"), var("char_b_skill_increment_h_a"),
                                         var("char_b_skill_increment_t_s"));
    skill_labels.push_back(l);
    skill_levels.push_back(level);
    skill_buttons.push_back(plus);
  }
  auto scroll = std::make_unique<scrollable_container>();
  read_widget_layout(*scroll, "char_s_skills");
  scroll->content->set_size(list->size);
  scroll->content->add_child(std::move(list));
  const float view = var("char_s_skills_h");
  scroll->set_view_size({var("char_b_skills_w") + widen + 0.1f, view > 0.0f ? std::min(view, list_height) : list_height});
  scroll->update_layout();
  scroll->update_scrollbars();
  skill_panel = static_cast<scrollable_container*>(root->add_child(std::move(scroll)));

  layout_label(*root, "char_t_weapon_proficiencies_title", tr("ui_weapon_proficiencies"));
  layout_label(*root, "char_t_attributes_title", tr("ui_attributes"));
  layout_label(*root, "char_t_skills_title", tr("ui_skills"));

  for (int i = 0; i < troop_proficiency_count; ++i) {
    widget* l = layout_label(*root, "char_b_weapon_proficiencies_base", ruv_string());
    const float y = l->local_position.y - static_cast<float>(i) * var("char_b_weapon_proficiencies_y_a");
    l->set_position({l->local_position.x, y});
    proficiency_labels[static_cast<std::size_t>(i)] = l;
    widget* b = make_increment_button(*root, var("char_b_weapon_proficiency_increment_x"),
                                      var("char_b_weapon_proficiency_increment_y") -
                                          static_cast<float>(i) * var("char_b_weapon_proficiency_increment_y_a"),
                                      var("char_b_weapon_proficiency_increment_h"),
                                      var("char_b_weapon_proficiency_increment_t_s"));
    proficiency_buttons[static_cast<std::size_t>(i)] = b;
    if (!proficiency_shown(i)) {
      l->hide();
      b->hide();
    }
  }

  auto attributes = std::make_unique<container>();
  read_widget_layout(*attributes, "char_bo_attribs");
  attributes_box = static_cast<container*>(root->add_child(std::move(attributes)));
  auto general = std::make_unique<container>();
  read_widget_layout(*general, "char_bo_general_info");
  general_box = static_cast<container*>(root->add_child(std::move(general)));

  // The name box.
  auto name = std::make_unique<text_box>();
  read_widget_layout(*name, "char_tb_character_name");
  for (int k = 0; k < 2; ++k) {
    if (auto m = g_ui_manager.resource_mesh_copy(k == 0 ? "party_button" : "party_button_down")) {
      m->scale(2.0f / 3.0f, 2.0f / 3.0f, 1.0f);
      name->set_mesh_slot(k == 0 ? slot_up : slot_down, std::move(m));
    }
  }
  name->max_length = max_name_length;
  name_placeholder = false;
  if (const troop* t = shown_troop()) {
    const ruv_string shown = character_display_name(*t);
    if (troop_id == 0 && shown.empty()) {
      name->set_colour(get_layout_variable_hex("char_tb_character_name_t_c"));
      name->set_text(tr("ui_enter_name_here"));
      name->clear_on_focus = 1;
      name_placeholder = true;
    } else {
      name->set_text(shown);
    }
  }
  name_box = root->add_child(std::move(name));

  for (int a = 0; a < troop_attribute_count; ++a) {
    widget* l = layout_label(*root, "char_b_attribs_base", ruv_string());
    l->set_position({l->local_position.x, l->local_position.y - static_cast<float>(a) * var("char_b_attribs_y_a")});
    attribute_labels[static_cast<std::size_t>(a)] = l;
    attribute_buttons[static_cast<std::size_t>(a)] = make_increment_button(
        *root, var("char_b_attrib_increment_x"), l->local_position.y + var("char_b_attrib_increment_y_a"),
        var("char_b_attrib_increment_h"), var("char_b_attrib_increment_t_s"));
  }

  statistics_button = layout_button(*root, "ui_statistics", medium_button_look, "char_b_stats", "char_b_stats_h");
  face_clickable = g_ruv_config.enable_edit_mode != 0 || is_player_troop();
  if (creation != creation_state::none) {
    face_clickable = false;
    statistics_button->hide();
  }
  if (g_ruv_config.enable_edit_mode != 0 && creation == creation_state::none) {
    next_button = layout_button(*root, "ui_next", short_button_look, "char_b_next", "char_b_next_h");
    previous_button = layout_button(*root, "ui_prev", short_button_look, "char_b_prev", "char_b_prev_h");
  }

  auto description = std::make_unique<container>();
  read_widget_layout(*description, "char_bo_skill_desc");
  description_box = static_cast<container*>(root->add_child(std::move(description)));
  explanation = layout_label(*root, "char_t_explanation", ruv_string());
  explanation->hide();

  build_figure();
  refresh_description();
  refresh_general_info();
  refresh_proficiencies();
  refresh_skill_rows();
  if (const troop* t = shown_troop()) snapshot = take_character_snapshot(*t);
  changed = false;

  if (creation == creation_state::saving_policy) {
    if (auto* box = dynamic_cast<choice_window*>(g_window_manager.window(window_id::choice))) {
      box->text = tr("ui_question_saving_policy");
      box->choices = {tr("ui_saving_policy_realistic"), tr("ui_saving_policy_nonrealistic")};
      box->selected = -1;
      g_window_manager.push_window(window_id::choice);
    }
  } else if (creation == creation_state::making) {
    if (auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box))) {
      box->mode = 0;
      box->title = tr("ui_tutorial");
      box->text = tr("ui_tutorial_character_generation");
      box->answer_target = nullptr;
      box->result_text = nullptr;
      box->has_text_field = false;
      g_window_manager.push_window(window_id::message_box);
    }
  }
}

void character_window::build_figure() {
  const int code = g_tableau_materials.codes[character_sheet_tableau_code];
  auto p = std::make_unique<text_button>();
  read_widget_layout(*p, "char_i_character");
  if (code >= 0 && creation == creation_state::none) {
    auto shadow = std::make_unique<widget>();
    read_widget_layout(*shadow, "char_i_character_shadow");
    if (auto m = g_ui_manager.resource_mesh_copy("character_window_shadow")) shadow->set_mesh_slot(slot_background, std::move(m));
    root->add_child(std::move(shadow));
    if (auto m = g_tableau_manager.make_quad_mesh(code, troop_id)) p->set_mesh_slot(slot_up, std::move(m));
  }
  picture = root->add_child(std::move(p));
}

// --- refresh ----------------------------------------------------------------------------------

void character_window::refresh_skill_rows() {
  const troop* t = shown_troop();
  if (!t) return;
  script_module_host* m = current_script_host().module;
  for (std::size_t i = 0; i < visible_skills.size(); ++i) {
    const int s = visible_skills[i];
    const int base = t->get_skill_level(s);
    const int effective = m ? m->troop_effective_skill_level(troop_id, s) : base;
    widget* level = skill_levels[i];
    level->set_text(ruv_string(std::to_string(effective)));
    level->set_colour(effective > base ? 0xFF009900u : (effective == base ? 0xFF000000u : 0xFF990000u));
    show_if(skill_buttons[i], skill_can_be_raised(*t, s, is_player_troop()));
  }
}

void character_window::refresh_proficiencies() {
  const troop* t = shown_troop();
  if (!t) return;
  const int master = weapon_master_level();
  for (int i = 0; i < troop_proficiency_count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    proficiency_labels[k]->set_text(ruv_string(std::string(tr(proficiency_keys[k]).view()) + ":  " +
                                               std::to_string(static_cast<int>(t->proficiencies[k]))));
    show_if(proficiency_buttons[k], proficiency_can_be_raised(*t, i, master, proficiency_shown(i)));
  }
}

void character_window::refresh_general_info() {
  const troop* t = shown_troop();
  if (!t) return;
  general_box->delete_children();
  attributes_box->delete_children();
  if (!name_placeholder && name_box) name_box->set_text(character_display_name(*t));
  auto line = [](container& box, const ruv_string& text, const char* x, const char* y) {
    widget* l = add_text_line(box, text, var(x), var(y));
    l->set_text_flags(ui_text_flag::align_left);
    l->set_text_size({0.022f, 0.022f});
  };
  line(*general_box, ui_text("ui_level", {t->level}), "char_t_level_x", "char_t_level_y");
  line(*general_box, ui_text("ui_xp", {t->experience}), "char_t_xp_x", "char_t_xp_y");
  line(*general_box, ui_text("ui_next_level_at", {next_level_experience(t->level)}), "char_t_next_level_at_x",
       "char_t_next_level_at_y");
  const int max_health = t->get_max_hit_points();
  if (t->is_hero())
    line(*general_box, ui_text("ui_health_player", {static_cast<int>(t->max_hit_points), max_health}), "char_t_health_x",
         "char_t_health_y");
  else
    line(*general_box, ui_text("ui_health", {max_health}), "char_t_health_x", "char_t_health_y");
  line(*attributes_box, ui_text("ui_attribute_points", {t->attribute_points}), "char_t_attrib_points_x",
       "char_t_attrib_points_y");
  line(*attributes_box, ui_text("ui_skill_points", {t->skill_points}), "char_t_skill_points_x", "char_t_skill_points_y");
  line(*attributes_box, ui_text("ui_weapon_points", {t->proficiency_points}), "char_t_weapon_points_x",
       "char_t_weapon_points_y");
  for (int a = 0; a < troop_attribute_count; ++a) {
    const auto k = static_cast<std::size_t>(a);
    attribute_labels[k]->set_text(
        ruv_string(std::string(tr(attribute_short_keys[k]).view()) + ": " + std::to_string(t->attributes[k])));
    // No point goes to an attribute that can rise no further.
    show_if(attribute_buttons[k], attribute_can_be_raised(*t, a));
  }
}

void character_window::refresh_description() {
  description_box->delete_children();
  explanation->hide();
  const troop* t = shown_troop();
  if (selected < 0 || !t) return;
  auto text_line = [this](const ruv_string& text, float x, float y) {
    widget* l = add_text_line(*description_box, text, x, y);
    l->set_text_flags(ui_text_flag::align_left | ui_text_flag::keep_width);
    l->set_text_size({0.02f, 0.02f});
  };
  switch (selected_kind) {
    case character_selection::skill: {
      const int s = selected;
      if (s < 0 || s >= skill_count) return;
      const skill& k = g_skills[static_cast<std::size_t>(s)];
      const std::int32_t bonus = s == skill_leadership               ? g_module_settings.skill_leadership_bonus
                                 : s == skill_prisoner_management ? g_module_settings.skill_prisoner_management_bonus
                                                                  : 0;
      const std::string described = format_text(k.description.view(), {bonus});
      text_line(ruv_string(skill_shown_name(s) + ": " + described), 0.0f, var("char_bo_skill_desc_t_y"));
      script_module_host* m = current_script_host().module;
      const int effective = m ? m->troop_effective_skill_level(troop_id, s) : t->get_skill_level(s);
      text_line(ui_text("ui_current_level_value", {effective}), var("char_t_current_level_x"),
                var("char_t_current_level_y"));
      const int a = governing_attribute(s);
      text_line(ui_text("ui_base_attribute_value", {tr(attribute_short_keys[static_cast<std::size_t>(a)]).view()}),
                var("char_t_base_attrib_x"), var("char_t_base_attrib_y"));
      if (!is_player_troop()) return;
      const int level = t->get_skill_level(s);
      if (level >= k.saved_max_level) {
        explanation->set_text(tr("ui_at_learning_limit"));
        explanation->show();
      } else if (t->skill_points >= 1 && (level + 1) * 3 > t->attributes[static_cast<std::size_t>(a)]) {
        explanation->set_text(ui_text("ui_not_enough_attributetype_to_learn_this_skill",
                                      {tr(attribute_long_keys[static_cast<std::size_t>(a)]).view()}));
        explanation->show();
      } else if (t->skill_points < 1) {
        explanation->set_text(tr("ui_not_enough_skill_points_to_learn"));
        explanation->show();
      }
      return;
    }
    case character_selection::proficiency:
      if (selected >= troop_proficiency_count) return;
      text_line(ruv_string(std::string(tr(proficiency_keys[static_cast<std::size_t>(selected)]).view()) + ": " +
                           std::string(tr(proficiency_explanations[static_cast<std::size_t>(selected)]).view())),
                0.0f, var("char_bo_skill_desc_t_y"));
      return;
    case character_selection::attribute:
      if (selected >= troop_attribute_count) return;
      text_line(tr(attribute_explanations[static_cast<std::size_t>(selected)]), 0.0f, var("char_bo_skill_desc_t_y"));
      return;
    default:
      text_line(tr("ui_edit_face"), 0.0f, var("char_bo_skill_desc_t_y"));
      return;
  }
}

void character_window::reset_changes() {
  if (troop* t = shown_troop()) restore_character_snapshot(*t, snapshot);
  changed = false;
  refresh_description();
  refresh_skill_rows();
  refresh_general_info();
  refresh_proficiencies();
}

// --- frame ------------------------------------------------------------------------------------

void character_window::frame(float /*seconds*/) {
  g_ui_manager.flush_pending_messages();
  show_if(reset_button, changed);
  troop* t = shown_troop();
  if (!t) {
    if (clicked(done_button)) g_window_manager.set_window(return_window);
    return;
  }
  const auto select = [this](int index, int kind) {
    selected = index;
    selected_kind = kind;
    refresh_description();
  };
  if (editable) {
    for (std::size_t i = 0; i < visible_skills.size(); ++i) {
      const int s = visible_skills[i];
      if (entered(skill_labels[i]) | entered(skill_buttons[i])) select(s, character_selection::skill);
      if (clicked(skill_buttons[i]) && raise_character_skill(*t, s, is_player_troop())) {
        changed = true;
        refresh_description();
        refresh_skill_rows();
        refresh_general_info();
        refresh_proficiencies();
      }
    }
    for (int i = 0; i < troop_proficiency_count; ++i) {
      const auto k = static_cast<std::size_t>(i);
      if (entered(proficiency_labels[k]) | entered(proficiency_buttons[k])) select(i, character_selection::proficiency);
      if (clicked(proficiency_buttons[k]) &&
          raise_character_proficiency(*t, i, weapon_master_level(), proficiency_shown(i))) {
        changed = true;
        refresh_proficiencies();
        refresh_general_info();
      }
    }
  }
  for (int a = 0; a < troop_attribute_count; ++a) {
    const auto k = static_cast<std::size_t>(a);
    if (entered(attribute_labels[k]) | entered(attribute_buttons[k])) select(a, character_selection::attribute);
    if (clicked(attribute_buttons[k]) && raise_character_attribute(*t, a)) {
      changed = true;
      refresh_general_info();
      refresh_description();
      refresh_skill_rows();
      refresh_proficiencies();
    }
  }
  if (face_clickable && picture) {
    if (entered(picture)) {
      select(0, character_selection::picture);
    } else if (picture->take_event(ui_event::leave)) {
      select(-1, character_selection::picture);
    }
  }
  if (troop_id == 0 && name_box && name_box->take_event(ui_event::clicked)) {
    ruv_string typed = name_box->text;
    if (!typed.empty() && !(name_placeholder && typed.view() == tr("ui_enter_name_here").view())) {
      t->name = typed;
      name_placeholder = false;
      call_game_script(game_hook_code::game_reset_player_party_name, 0, 0);
    }
  }

  switch (creation) {
    case creation_state::saving_policy: {
      auto* box = dynamic_cast<choice_window*>(g_window_manager.window(window_id::choice));
      if (box && box->selected != -1 && g_window_manager.top() == this) {
        if (g_game) g_game->save_mode = box->selected;
        box->selected = -1;
        creation = creation_state::making;
        g_window_manager.set_window(window_id::character);
      }
      return;
    }
    case creation_state::making: {
      const bool complete = character_creation_complete(*t, !name_placeholder && !t->name.empty());
      if (complete)
        done_button->enable();
      else
        done_button->disable();
      if (clicked(done_button)) {
        creation = creation_state::none;
        if (g_game) auto_equip(*g_game, troop_id, false, false);
        // The face comes next; the face generator leads the new game on.
        open_face_generator(troop_id, return_window);
        return;
      }
      if (clicked(reset_button)) reset_changes();
      return;
    }
    default:
      break;
  }

  const int troop_count = g_game ? g_game->troop_count() : 0;
  const int step = clicked(next_button) ? 1 : (clicked(previous_button) ? -1 : 0);
  if (step != 0 && troop_count > 0) {
    troop_id = (troop_id + step + troop_count) % troop_count;
    keep_troop = 1;
    g_window_manager.set_window(window_id::character);
    return;
  }
  if (face_clickable && clicked(picture)) {
    keep_troop = 1;
    open_face_generator(troop_id, window_id::character);
    return;
  }
  if (clicked(statistics_button)) {
    if (game_window* w = g_window_manager.window(window_id::character_export)) {
      w->parameters[0] = troop_id;
      w->return_window = window_id::character;
    }
    g_window_manager.set_window(window_id::character_export);
    return;
  }
  if (clicked(reset_button)) reset_changes();
  const bool escape_released = !g_input_state.is_key_down(key_escape) && g_input_state.previous_keys[key_escape] != 0;
  if (clicked(done_button) || escape_released) {
    keep_troop = 0;
    g_window_manager.set_window(return_window);
    return;
  }
  if (g_ruv_config.cheat_mode != 0 && ctrl_down()) {
    if (g_input_state.is_key_clicked(key_x)) {
      t->experience += cheat_experience;
      g_window_manager.set_window(window_id::character);
    } else if (g_input_state.is_key_clicked(key_w)) {
      for (int i = 0; i < troop_proficiency_count; ++i) t->add_proficiency_points(i, cheat_proficiency);
      keep_troop = 1;
      g_window_manager.set_window(window_id::character);
    }
  }
}

void character_window::leave() {
  editor_window::leave();
  root = nullptr;
  skill_labels.clear();
  skill_levels.clear();
  skill_buttons.clear();
  name_box = picture = explanation = nullptr;
}

}  // namespace hm
