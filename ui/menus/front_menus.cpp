#include "ui/menus/front_menus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/app/input_state.h"
#include "engine/resource/mesh.h"
#include "module/base/module_settings.h"
#include "module/records/presentation_table.h"
#include "module/text/translation_table.h"
#include "render/view/message_log.h"
#include "script/script_state.h"
#include "engine/core/text_format.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/menu_window_host.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr std::uint32_t menu_highlight = 0xFFFFDD00u;
// The music situation of the front end.
constexpr std::int32_t front_end_music = 0x400000;
constexpr int random_span = 15817;
// The key code of Escape.
constexpr int key_escape = 1;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

std::uint8_t clamp_channel(std::int32_t v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 254)); }

window_container* full_screen_root(std::uint32_t colour) {
  auto r = std::make_unique<window_container>();
  r->set_position({-0.001f, -0.001f});
  r->set_size({1.002f, 0.752f});
  r->set_colour(colour);
  window_container* raw = r.get();
  g_ui_manager.push_root_widget(std::move(r));
  return raw;
}

widget* make_picture(container& parent, const char* mesh_name, float x, float y, float w, float h, bool fitted) {
  auto p = std::make_unique<widget>();
  p->set_position({x, y});
  p->set_size({w, h});
  if (auto m = g_ui_manager.resource_mesh_copy(mesh_name)) {
    if (fitted)
      p->set_mesh(slot_background, std::move(m));
    else
      p->set_mesh_slot(slot_background, std::move(m));
  }
  return parent.add_child(std::move(p));
}

std::int32_t engine_presentation(int code) { return g_presentation_table.codes[code]; }

void open_returning_here(int id, int here) {
  if (game_window* w = g_window_manager.window(id)) w->return_window = here;
  g_window_manager.set_window(id);
}

void start_launch(std::int32_t mode, std::int32_t argument) {
  if (game_window* w = g_window_manager.window(window_id::launch)) {
    w->mode = mode;
    w->return_window = window_id::main_menu;
  }
  current_menu_host().prepare_launch(mode, argument);
  g_window_manager.set_window(window_id::launch);
}

bool clicked(widget* w) { return w && w->take_event(ui_event::clicked); }

}  // namespace

std::uint32_t main_menu_text_colour() {
  const module_settings& s = g_module_settings;
  return 0xFF000000u | static_cast<std::uint32_t>(clamp_channel(s.main_menu_font_color_red)) << 16 |
         static_cast<std::uint32_t>(clamp_channel(s.main_menu_font_color_green)) << 8 |
         clamp_channel(s.main_menu_font_color_blue);
}

widget* make_text_button(container& parent, const ruv_string& label, float x, float y, float width, float height) {
  auto b = std::make_unique<text_button>();
  b->set_position({x, y});
  b->set_size({width, height});
  b->set_colour(0xFFEFEFEFu);
  b->set_text_size({0.9f * height, 0.9f * height});
  b->set_highlight_colour(0xFF55FF50u);
  b->set_text(label);
  return parent.add_child(std::move(b));
}

widget* make_text_label(container& parent, const ruv_string& text, float x, float y, float width, float height) {
  // The text is laid out once its size is set, so that it shows at it.
  widget* l = make_label(parent, ruv_string(), x, y, width, height);
  l->set_text_size({0.7f * height, 0.7f * height});
  l->set_text(text);
  return l;
}

widget* make_button5(container& parent, const ruv_string& label, float x, float y, float width, float height) {
  auto b = std::make_unique<text_button>();
  b->set_position({x, y});
  b->set_size({width, height});
  if (auto m = g_ui_manager.resource_mesh_copy("button5_up")) b->set_mesh(slot_up, std::move(m));
  if (auto m = g_ui_manager.resource_mesh_copy("button5_down")) b->set_mesh(slot_down, std::move(m));
  if (auto m = g_ui_manager.resource_mesh_copy("button5_hl")) b->set_mesh(slot_hover, std::move(m));
  b->set_text(label);
  return parent.add_child(std::move(b));
}

// --- main menu ----------------------------------------------------------------------------------

void main_menu_window::build() {
  g_script_state.music_wanted_mask = front_end_music;
  g_script_state.music_wanted_mask_set = true;
  g_ui_manager.clear();
  window_container* r = full_screen_root(0xFF442323u);
  root = r;

  const bool quick = g_module_settings.enable_quick_battles != 0;
  const float s = quick ? 0.06f : 0.08f;
  const float k = quick ? 1.0f : 0.0f;
  const float x = 0.33f, w = 0.6f, h = 0.05f;
  tutorial_button = make_text_button(*r, tr("ui_start_tutorial"), x, (4 + k) * s + 0.08f, w, h);
  new_game_button = make_text_button(*r, tr("ui_start_a_new_game"), x, (3 + k) * s + 0.08f, w, h);
  restore_button = make_text_button(*r, tr("ui_restore_a_saved_game"), x, (2 + k) * s + 0.08f, w, h);
  custom_battle_button = quick ? make_text_button(*r, tr("ui_custom_battle"), x, 2 * s + 0.08f, w, h) : nullptr;
  options_button = make_text_button(*r, tr("ui_options"), x, s + 0.08f, w, h);
  credits_button = make_text_button(*r, tr("ui_credits"), x, 0.08f, 0.5f, h);
  exit_button = make_text_button(*r, tr("ui_exit_to_windows"), 0.68f, 0.02f, 0.3f, 0.04f);

  const std::uint32_t colour = main_menu_text_colour();
  for (widget* b : {tutorial_button, new_game_button, restore_button, custom_battle_button, options_button,
                    credits_button, exit_button}) {
    if (!b) continue;
    b->set_colour(colour);
    b->set_highlight_colour(menu_highlight);
    b->set_text_flags(b == exit_button ? ui_text_flag::align_right : 0);
  }

  logo_widget = make_picture(*r, "skarvald_logo", 0.2f, 0.55f, 0.6f, 0.15f, true);
  picture_widget = make_picture(*r, "pic_mercenary", 0.015f, 0.02f, 0.0f, 0.0f, false);

  char version[32];
  std::snprintf(version, sizeof version, "%d.%d%d%d", 1, 0, 0, 0);
  const ruv_string text(format_text(tr("ui_version_value").view(), {version}));
  version_label = make_text_label(*r, text, 0.67f, 0.5f, 0.3f, 0.04f);
  version_label->set_colour(colour);

  latest_save_slot = current_menu_host().latest_save_slot();
  if (latest_save_slot == -1) restore_button->disable();

  hosted.create_in_container(*r, engine_presentation(0));
  if (hosted.number <= 0) {
    if (auto m = g_ui_manager.resource_mesh_copy("load_window")) r->set_mesh(slot_background, std::move(m));
  }
  g_ui_manager.redraw = 1;
}

void main_menu_window::frame(float seconds) {
  hosted.run_frame(seconds);
  if (g_window_manager.top() != this) return;
  const int here = window_id::main_menu;
  // The first button clicked in this order acts; the rest wait.
  if (clicked(tutorial_button)) {
    start_launch(3, 0);
  } else if (clicked(new_game_button)) {
    start_launch(0, selection_value);
  } else if (clicked(restore_button)) {
    open_returning_here(window_id::save_load, here);
  } else if (clicked(custom_battle_button)) {
    start_launch(2, 0);
  } else if (clicked(options_button)) {
    open_returning_here(window_id::options, here);
  } else if (clicked(credits_button)) {
    if (auto* credits = dynamic_cast<timed_window*>(g_window_manager.window(window_id::loading_presentation)))
      credits->presentation_number = engine_presentation(2);
    open_returning_here(window_id::loading_presentation, here);
  } else if (clicked(exit_button)) {
    current_menu_host().request_quit();
  }
}

// --- in-game menu -------------------------------------------------------------------------------

const char* in_game_menu_picture(int draw) {
  const float r = static_cast<float>(((draw % random_span) + random_span) % random_span) / random_span;
  if (r < 0.25f) return "pic_hoofmarch_warrior_1";
  if (r < 0.5f) return "pic_hoofmarch_warrior_2";
  if (r < 0.75f) return "pic_hoofmarch_warrior_3";
  return "pic_hoofmarch_warrior_4";
}

void in_game_menu_window::build() {
  g_ui_manager.clear();
  window_container* r = full_screen_root(0xFFFFFFFFu);
  root = r;
  const std::uint32_t colour = main_menu_text_colour();
  const bool blocked = current_menu_host().saving_blocked();
  auto button = [&](const char* key, float y) {
    widget* b = make_text_button(*r, tr(key), 0.1f, y, 0.4f, 0.05f);
    b->set_colour(colour);
    return b;
  };
  return_button = button("ui_return_to_game", 0.42f);
  options_button = button("ui_options", 0.36f);
  save_and_exit_button = button("ui_save_and_exit", 0.29f);
  if (blocked) save_and_exit_button->disable();
  save_button = save_as_button = quit_button = nullptr;
  if (current_menu_host().save_slot_word() != 0) {
    save_button = button("ui_save", 0.22f);
    save_as_button = button("ui_save_as", 0.15f);
    quit_button = button("ui_quit_without_saving", 0.08f);
    if (blocked) {
      save_button->disable();
      save_as_button->disable();
    }
  }
  logo_widget = make_picture(*r, "skarvald_logo", 0.3f, 0.6f, 0.4f, 0.1f, true);
  if (auto m = g_ui_manager.resource_mesh_copy(in_game_menu_picture(random ? random() : std::rand())))
    r->set_mesh_slot(slot_up, std::move(m));
  hosted.create_in_container(*r, engine_presentation(1));
  if (hosted.number < 0) {
    if (auto m = g_ui_manager.resource_mesh_copy("load_window")) r->set_mesh(slot_background, std::move(m));
  }
  g_ui_manager.redraw = 1;
}

void in_game_menu_window::frame(float seconds) {
  hosted.run_frame(seconds);
  if (g_window_manager.top() != this) return;
  menu_window_host& host = current_menu_host();
  // The first button clicked acts. A save that fails keeps the game and the
  // menu: the player has been told, and nothing is lost.
  if (clicked(save_and_exit_button)) {
    host.update_difficulty();
    if (host.save_game(-1, nullptr) != 0) return;
    host.end_game();
    g_window_manager.set_window(window_id::main_menu);
  } else if (clicked(quit_button)) {
    host.end_game();
    g_window_manager.set_window(window_id::main_menu);
  } else if (clicked(options_button)) {
    open_returning_here(window_id::options, window_id::in_game_menu);
  } else if (clicked(save_button)) {
    if (host.save_game(-1, nullptr) != 0) return;
    add_message_line(g_ui_manager.messages, tr("ui_game_saved"), 0xFFFFFFFFu);
    g_window_manager.set_window(return_window);
  } else if (clicked(save_as_button)) {
    open_returning_here(window_id::save_load, window_id::in_game_menu);
  } else if (clicked(return_button) || g_input_state.is_key_clicked(key_escape)) {
    g_window_manager.set_window(return_window);
  }
}

}  // namespace hm
