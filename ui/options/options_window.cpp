#include "ui/options/options_window.h"

#include <cmath>
#include <memory>
#include <string>

#include "engine/core/text_format.h"
#include "engine/resource/mesh.h"
#include "engine/settings/game_options.h"
#include "module/loading/game.h"
#include "module/text/translation_table.h"
#include "script/shared_routines.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/front_menus.h"
#include "ui/options/option_makers.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr std::uint32_t kTextColour = 0xFFDFCFBFu;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

bool changed(widget* w) { return w && w->take_event(ui_event::clicked); }

combobox* make_choice(container& parent, const char* name, float x, float y, std::initializer_list<const char*> items,
                      std::int32_t value) {
  combobox* box = make_combobox(parent, ruv_string(name), x, y);
  for (const char* item : items) box->add_item(tr(item));
  box->set_value(value);
  return box;
}

slider* make_ratio_slider(container& parent, float x, float y, float value) {
  slider* s = make_slider(parent, x, y, 1.0f);
  s->set_float_value(value);
  return s;
}

void open_returning_to_options(int id) {
  if (game_window* w = g_window_manager.window(id)) w->return_window = window_id::options;
  g_window_manager.set_window(id);
}

}  // namespace

std::int32_t battle_size_troops(float battle_size) {
  const float v = battle_size * 75.0f;
  const float whole = std::floor(v);
  std::int32_t n = static_cast<std::int32_t>(whole);
  if (v - whole > 0.5f) ++n;
  return n + 25;
}

widget* make_option_toggle(container& parent, float x, float y, float text_size, std::int32_t value) {
  widget* t = make_medium_button(parent, tr("ui_enabled"), x, y, text_size);
  if (auto* b = dynamic_cast<button_widget*>(t)) b->button_flags |= button_widget::flag_toggle;
  t->set_value(value != 0 ? 1 : 0);
  label_toggle(*t);
  return t;
}

void label_toggle(widget& toggle) { toggle.set_text(tr(toggle.get_value() != 0 ? "ui_enabled" : "ui_disabled")); }

widget* make_option_label(container& parent, const char* key, float x, float y, float w, float h) {
  widget* l = make_text_label(parent, tr(key), x, y, w, h);
  l->set_text_flags(ui_text_flag::align_left);
  l->set_colour(kTextColour);
  return l;
}

window_container* make_options_root(std::uint32_t colour) {
  g_ui_manager.clear();
  auto r = std::make_unique<window_container>();
  r->set_position({-0.001f, -0.001f});
  r->set_size({1.002f, 0.752f});
  r->set_colour(colour);
  if (auto m = g_ui_manager.resource_mesh_copy("options_window")) r->set_mesh(slot_background, std::move(m));
  window_container* raw = r.get();
  g_ui_manager.push_root_widget(std::move(r));
  return raw;
}

void options_window::build() {
  window_container* r = make_options_root(kTextColour);
  root = r;
  game_options& o = g_game_options;

  auto logo_widget = std::make_unique<widget>();
  logo_widget->set_position({0.4f, 0.67f});
  logo_widget->set_size({0.2f, 0.05f});
  if (auto m = g_ui_manager.resource_mesh_copy("skarvald_logo")) logo_widget->set_mesh(slot_background, std::move(m));
  logo = r->add_child(std::move(logo_widget));

  controls_button = make_medium_button(*r, tr("ui_controls"), 0.1f, 0.07f, 0.05f);
  video_options_button = make_medium_button(*r, tr("ui_video_options"), 0.1f, 0.14f, 0.05f);
  done_button = make_medium_button(*r, tr("ui_done"), 0.65f, 0.03f, 0.05f);

  music_slider = make_ratio_slider(*r, 0.23f, 0.605f, o.music_volume);
  sound_slider = make_ratio_slider(*r, 0.23f, 0.555f, o.sound_volume);
  mouse_slider = make_ratio_slider(*r, 0.23f, 0.455f, o.mouse_sensitivity);
  invert_mouse_toggle = make_option_toggle(*r, 0.23f, 0.405f, 0.03f, o.invert_mouse_y);

  damage_to_player_box =
      make_choice(*r, "Combat dif", 0.7f, 0.605f,
                  {"ui_reduced_to_1_over_4_easiest", "ui_reduced_to_1_over_2_easy", "ui_normal"}, o.damage_to_player);
  damage_to_friends_box = make_choice(*r, "Friend combat dif", 0.7f, 0.555f,
                                      {"ui_reduced_to_1_over_2_easiest", "ui_reduced_to_3_over_4_easy", "ui_normal"},
                                      o.damage_to_friends);
  combat_ai_box = make_choice(*r, "Combat ai", 0.7f, 0.505f, {"ui_good", "ui_average_caps", "ui_poor"}, o.combat_ai);
  combat_speed_box =
      make_choice(*r, "Combat speed", 0.7f, 0.455f, {"ui_slower", "ui_normal", "ui_faster"}, o.combat_speed);
  block_direction_box = make_choice(*r, "", 0.23f, 0.305f, {"ui_automatic_recommended", "ui_by_mouse_movement"},
                                    o.control_block_direction);
  attack_direction_box = make_choice(
      *r, "", 0.23f, 0.255f,
      {"ui_by_relative_enemy_position", "ui_by_mouse_movement", "ui_by_inverse_mouse_movement"},
      o.control_attack_direction);

  battle_size_slider = make_ratio_slider(*r, 0.67f, 0.405f, o.battle_size);
  battle_size_text = make_text_label(*r, ruv_string(), 0.93f, 0.4f, 0.05f, 0.035f);
  battle_size_text->set_colour(0xFFFFFFFFu);
  show_battle_size();

  const struct {
    const char* key;
    float x, y, w;
  } labels[] = {
      {"ui_music_volume", 0.05f, 0.6f, 0.16f},
      {"ui_sound_volume", 0.05f, 0.55f, 0.16f},
      {"ui_mouse_sensitivity", 0.05f, 0.45f, 0.16f},
      {"ui_invert_mouse_y_axis", 0.05f, 0.4f, 0.16f},
      {"ui_control_block_direction", 0.05f, 0.3f, 0.16f},
      {"ui_control_attack_direction", 0.05f, 0.25f, 0.16f},
      {"ui_damage_to_player", 0.51f, 0.6f, 0.16f},
      {"ui_damage_to_friends", 0.51f, 0.55f, 0.16f},
      {"ui_combat_ai", 0.51f, 0.5f, 0.16f},
      {"ui_combat_speed", 0.51f, 0.45f, 0.16f},
      {"ui_battle_size", 0.51f, 0.4f, 0.12f},
      {"ui_show_attack_direction", 0.51f, 0.34f, 0.3f},
      {"ui_show_targeting_reticule", 0.51f, 0.3f, 0.3f},
      {"ui_show_names_of_friendly_troops", 0.51f, 0.26f, 0.3f},
      {"ui_report_damage", 0.51f, 0.22f, 0.3f},
      {"ui_report_shot_difficulty", 0.51f, 0.18f, 0.3f},
      {"ui_report_casualties", 0.51f, 0.14f, 0.3f},
      {"ui_report_experience", 0.51f, 0.1f, 0.3f},
  };
  for (const auto& l : labels) make_option_label(*r, l.key, l.x, l.y, l.w, 0.035f);

  attack_direction_toggle = make_option_toggle(*r, 0.83f, 0.345f, 0.035f, o.show_attack_direction);
  reticule_toggle = make_option_toggle(*r, 0.83f, 0.305f, 0.035f, o.show_targeting_reticule);
  friendly_names_toggle = make_option_toggle(*r, 0.83f, 0.265f, 0.035f, o.show_names_of_friendly_troops);
  report_damage_toggle = make_option_toggle(*r, 0.83f, 0.225f, 0.035f, o.report_damage);
  shot_difficulty_toggle = make_option_toggle(*r, 0.83f, 0.185f, 0.035f, o.report_shot_difficulty);
  casualties_toggle = make_option_toggle(*r, 0.83f, 0.145f, 0.035f, o.report_casualties);
  experience_toggle = make_option_toggle(*r, 0.83f, 0.105f, 0.035f, o.report_experience);

  difficulty_text = make_text_label(*r, ruv_string(), 0.34f, 0.03f, 0.3f, 0.04f);
  difficulty_text->set_text_flags(ui_text_flag::align_left);
  difficulty_text->set_colour(kTextColour);
  show_difficulty();
  g_ui_manager.redraw = 1;
}

void options_window::show_battle_size() {
  battle_size_text->set_text(ruv_string(std::to_string(battle_size_troops(g_game_options.battle_size))));
}

void options_window::show_difficulty() {
  if (!g_game) {
    difficulty_text->hide();
    return;
  }
  difficulty_text->show();
  difficulty_text->set_text(
      ruv_string(format_text(tr("ui_difficulty_rating_percentage").view(), {compute_difficulty_rating()})));
}

void options_window::frame(float /*seconds*/) {
  game_options& o = g_game_options;
  if (changed(music_slider)) o.music_volume = music_slider->get_float_value();
  if (changed(sound_slider)) o.sound_volume = sound_slider->get_float_value();
  if (changed(mouse_slider)) o.mouse_sensitivity = mouse_slider->get_float_value();
  if (changed(battle_size_slider)) {
    o.battle_size = battle_size_slider->get_float_value();
    show_difficulty();
    show_battle_size();
  }
  const struct {
    combobox* box;
    std::int32_t* option;
  } boxes[] = {
      {damage_to_player_box, &o.damage_to_player},       {damage_to_friends_box, &o.damage_to_friends},
      {combat_ai_box, &o.combat_ai},                     {combat_speed_box, &o.combat_speed},
      {block_direction_box, &o.control_block_direction}, {attack_direction_box, &o.control_attack_direction},
  };
  for (const auto& b : boxes) {
    if (!changed(b.box)) continue;
    *b.option = b.box->get_value();
    show_difficulty();
  }
  const struct {
    widget* toggle;
    std::int32_t* option;
  } toggles[] = {
      {reticule_toggle, &o.show_targeting_reticule},   {attack_direction_toggle, &o.show_attack_direction},
      {friendly_names_toggle, &o.show_names_of_friendly_troops}, {report_damage_toggle, &o.report_damage},
      {shot_difficulty_toggle, &o.report_shot_difficulty},       {casualties_toggle, &o.report_casualties},
      {experience_toggle, &o.report_experience},                 {invert_mouse_toggle, &o.invert_mouse_y},
  };
  for (const auto& t : toggles) {
    if (!changed(t.toggle)) continue;
    *t.option = t.toggle->get_value() != 0 ? 1 : 0;
    label_toggle(*t.toggle);
  }
  if (changed(done_button)) {
    g_window_manager.set_window(return_window);
  } else if (changed(controls_button)) {
    open_returning_to_options(window_id::controls);
  } else if (changed(video_options_button)) {
    open_returning_to_options(window_id::video_options);
  }
}

}  // namespace hm
