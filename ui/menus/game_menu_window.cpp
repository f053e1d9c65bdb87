#include "ui/menus/game_menu_window.h"

#include <algorithm>
#include <string_view>

#include "engine/app/input_state.h"
#include "engine/resource/mesh.h"
#include "engine/settings/key_bindings.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "module/loading/language_export.h"
#include "module/records/game_menu.h"
#include "module/text/translation_table.h"
#include "script/executor.h"
#include "script/interpreter_state.h"
#include "script/ops/encounter.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/menu_window_host.h"
#include "ui/tableau/tableau_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

// The return id of a window the state dispatcher opened.
constexpr std::int32_t opened_by_dispatcher = 100;

constexpr float option_height = 0.04f;
constexpr float option_width = 0.64f;
constexpr float option_centre_x = 0.325f;
constexpr float option_panel_width = 0.75f;
constexpr float option_bar_x = 0.7f;
constexpr std::uint32_t option_highlight = 0xFF55FF50u;

// Pending screen change codes module code sets.
namespace code {
constexpr std::int32_t none = 0;
constexpr std::int32_t leave = 1;
constexpr std::int32_t inventory_request = 2;
constexpr std::int32_t trade = 4;
constexpr std::int32_t party_first = 5;
constexpr std::int32_t party_last = 7;
constexpr std::int32_t party_request = 8;
constexpr std::int32_t sell_prisoners = 9;
constexpr std::int32_t hire = 10;
constexpr std::int32_t character_first = 11;
constexpr std::int32_t character_last = 12;
constexpr std::int32_t mission = 13;
constexpr std::int32_t conversation = 14;
constexpr std::int32_t presentation = 15;
constexpr std::int32_t notes = 16;
constexpr std::int32_t world_map = 17;
constexpr std::int32_t menu_again = 18;
}  // namespace code

// The controls of the window keys.
namespace control {
constexpr int character = 15;
constexpr int inventory = 16;
constexpr int party = 17;
constexpr int quests = 18;
constexpr int game_log = 19;
}  // namespace control

constexpr std::int32_t notes_quest_page = 4;

game_script_words& words() { return current_script_host().campaign->game_words(); }

bool control_clicked(int c) {
  for (std::int32_t key : g_key_bindings.keys[c])
    if (key != key_bindings::no_key && g_input_state.is_key_clicked(key)) return true;
  return false;
}

// The record's text in the current language: the translation of its id when
// there is one, else its own text; then its tokens expanded.
ruv_string shown_text(const ruv_string& id, const ruv_string& own) {
  const ruv_string* t = g_translation_table.find_translation(id.view());
  return format_text(t ? *t : own);
}

void request(std::uint32_t bit) {
  g_meta_mission.request_mask |= bit;
  if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
}

void open_with_return(int id, std::int32_t mode) {
  if (game_window* w = g_window_manager.window(id)) {
    w->return_window = window_id::game_menu;
    w->mode = mode;
  }
  g_window_manager.set_window(id);
}

}  // namespace

float game_menu_list_height(int shown) { return std::max(option_height * static_cast<float>(shown), 0.24f); }

game_menu* game_menu_window::current_menu(bool report) const {
  const std::int32_t n = words().current_menu;
  if (n >= 0 && n < static_cast<std::int32_t>(g_game_menus.size())) return &g_game_menus[static_cast<std::size_t>(n)];
  // A menu number module code left outside the table shows nothing.
  if (report) report_script_error_f("Invalid Menu ID: %d", n);
  return nullptr;
}

std::int32_t game_menu_window::shown_menu_number() const { return words().current_menu; }

void game_menu_window::build() {
  g_ui_manager.clear();
  if (script_engine_host* e = current_script_host().engine) e->stop_all_sounds();
  game_script_words& w = words();
  game_menu* menu = current_menu(true);
  const std::uint64_t flags = menu ? menu->flags : 0;
  const std::uint32_t text_colour = static_cast<std::uint32_t>(flags >> 32) | 0xFF000000u;

  w.screen_change_code = code::none;
  auto_take_failed = false;
  if (std::int32_t* result = current_menu_host().menu_result_word()) *result = 0;
  w.menu_mesh = menu ? menu->mesh_name : ruv_string("none");
  w.menu_tableau = -1;

  bool show_contents = menu != nullptr;
  if (menu) {
    run_statement_block(menu->operations, game_menu_block_context);
    // Module code asked to leave: the screen is built without its contents.
    if (w.screen_change_code != code::none) show_contents = false;
  }
  option_buttons.fill(nullptr);

  auto r = std::make_unique<window_container>();
  r->set_position({-0.001f, -0.001f});
  r->set_size({1.002f, 0.752f});
  root = r.get();

  g_window_manager.mission_presentation = -1;
  auto picture = std::make_unique<widget>();
  picture->set_position({0.1f, 0.1f});
  picture->set_size({0.00001f, 0.00001f});
  picture->hide();
  picture_widget = root->add_child(std::move(picture));

  if (show_contents) {
    // The menu's block may have chosen another background than the menu's.
    if (w.menu_mesh.view() != "none") {
      if (auto m = g_ui_manager.resource_mesh_copy(w.menu_mesh.c_str())) {
        if ((flags & game_menu_flag::narrow_background) && display_aspect > 1.35f) {
          const float f = 1.33f / display_aspect;
          m->scale(f, 1.0f, 1.0f);
          m->translate(vec3(1.0f - f, 0.0f, 0.0f));
        }
        root->set_mesh_slot(slot_up, std::move(m));
      }
    }
    if (w.menu_tableau >= 0) {
      // The block chose a picture: the tableau drawn for its value, at the
      // chosen place and scale. A tableau outside the table shows nothing.
      if (auto m = g_tableau_manager.make_quad_mesh(w.menu_tableau, w.menu_tableau_object)) {
        const float s = w.menu_tableau_scale;
        if (s != 1.0f) m->scale(s, s, s);
        picture_widget->set_mesh_slot(slot_background, std::move(m));
        picture_widget->set_position({w.menu_tableau_position.x, w.menu_tableau_position.y});
        picture_widget->show();
      }
    }
  }
  root->set_colour(0xFFFFFFFFu);
  option_count = 0;

  // The menu text.
  auto text = std::make_unique<hm::text_widget>();
  text->set_position({0.0f, 0.0f});
  text->set_text_flags(0x710);
  text->set_size({1.0f, 0.75f});
  text->set_colour(text_colour);
  auto panel = std::make_unique<scrollable_container>();
  panel->state |= 0x20;
  text_widget = panel->content->add_child(std::move(text));
  panel->set_position({0.01f, 0.38f});
  panel->set_view_size({0.65f, 0.31f});
  panel->update_layout();
  text_panel = static_cast<scrollable_container*>(root->add_child(std::move(panel)));

  // The option list.
  auto options = std::make_unique<scrollable_container>();
  options->content->set_size({option_panel_width, 0.36f});
  options->set_position({0.01f, 0.02f});
  // The list's bar stands at x 0.7 of the window, over the list's right part.
  options->vertical_bar_x = option_bar_x - 0.01f;
  options->set_view_size({option_panel_width, 0.36f});
  for (auto& b : option_buttons) {
    auto button = std::make_unique<text_button>();
    button->set_highlight_colour(option_highlight);
    button->set_size({option_width, option_height});
    button->set_colour(text_colour);
    button->hide();
    b = options->content->add_child(std::move(button));
  }
  options->update_layout();
  option_panel = static_cast<scrollable_container*>(root->add_child(std::move(options)));

  if (show_contents) {
    fill_options();
    hosted.create_in_container(*root, g_window_manager.mission_presentation);
    if (hosted.number < 0) {
      if (auto m = g_ui_manager.resource_mesh_copy("meeting_window")) root->set_mesh(slot_background, std::move(m));
    }
  }
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
}

void game_menu_window::fill_options() {
  game_menu* menu = current_menu(false);
  game_script_words& w = words();
  for (widget* b : option_buttons) {
    if (!b) continue;
    b->hide();
    b->enable();
  }
  option_count = 0;
  if (!menu) return;
  text_panel->set_content_text(shown_text(menu->id, menu->text));

  for (int i = 0; i < menu->item_count() && option_count < game_menu_option_slots; ++i) {
    game_menu_item& item = menu->items[static_cast<std::size_t>(i)];
    w.menu_option_disabled = 0;
    // A condition that went wrong hides its option.
    const std::uint32_t errors = g_interpreter.errors_reported;
    if (!run_statement_block(item.condition, game_menu_block_context) || g_interpreter.errors_reported != errors)
      continue;
    widget* b = option_buttons[static_cast<std::size_t>(option_count)];
    b->set_text(shown_text(menu_item_key(menu->id, item.id), item.text));
    if (!(menu->flags & game_menu_flag::auto_take_first)) b->show();
    if (w.menu_option_disabled) b->disable();
    option_items[static_cast<std::size_t>(option_count)] = i;
    ++option_count;
  }

  const float top = game_menu_list_height(option_count);
  for (int i = 0; i < option_count; ++i) {
    widget* b = option_buttons[static_cast<std::size_t>(i)];
    b->set_position({option_centre_x - b->size.x * 0.5f, top - option_height * static_cast<float>(i + 1)});
  }
  option_panel->content->set_size({option_panel_width, top});
  option_panel->update_scrollbars();
}

void game_menu_window::scroll(float wheel) {
  scrollable_container* panel = g_ui_manager.mouse_position.y >= 0.3f ? text_panel : option_panel;
  scrollbar* bar = panel ? panel->scroll_bars[1] : nullptr;
  if (bar) scroll_by_wheel(*bar, wheel);
}

bool game_menu_window::window_key(game_script_words& w, std::uint64_t flags) {
  const bool keys = (flags & game_menu_flag::window_keys) && !(flags & game_menu_flag::no_window_keys);
  if (keys && control_clicked(control::inventory)) {
    open_with_return(window_id::inventory, 0);
  } else if (keys && control_clicked(control::party)) {
    open_with_return(window_id::party, 0);
  } else if (keys && control_clicked(control::character)) {
    if (game_window* c = g_window_manager.window(window_id::character))
      c->parameters[0] = current_script_host().campaign->player_troop();
    open_with_return(window_id::character, 0);
  } else if (keys && control_clicked(control::quests)) {
    if (g_module_settings.show_quest_notes == 0) {
      open_with_return(window_id::quests, 0);
    } else {
      w.notes_kind = notes_quest_page;
      w.notes_id = 0;
      open_with_return(window_id::note, 0);
    }
  } else if (!(flags & game_menu_flag::no_window_keys) && control_clicked(control::game_log)) {
    open_with_return(window_id::game_log, 0);
  } else {
    return false;
  }
  return true;
}

bool game_menu_window::take_option(int shown_index) {
  game_menu* menu = current_menu(false);
  if (!menu || shown_index < 0 || shown_index >= option_count) return false;
  const std::int32_t item = option_items[static_cast<std::size_t>(shown_index)];
  if (item < 0 || item >= menu->item_count()) return false;
  if (std::int32_t* result = current_menu_host().menu_result_word()) *result = 0;
  const std::uint32_t errors = g_interpreter.errors_reported;
  run_statement_block(menu->items[static_cast<std::size_t>(item)].consequence, game_menu_block_context);
  if (g_interpreter.errors_reported == errors) return true;
  // A consequence that went wrong does not move the game on: the menu stays
  // as it is, with the error on the message list, and the player may choose
  // again.
  words().screen_change_code = code::none;
  return false;
}

void game_menu_window::frame(float seconds) {
  hosted.run_frame(seconds);
  // The presentation's blocks may have switched windows already.
  if (g_window_manager.top() != this) return;
  if (g_ui_manager.wheel != 0) scroll(static_cast<float>(g_ui_manager.wheel));

  game_script_words& w = words();
  game_menu* menu = current_menu(false);
  const std::uint64_t flags = menu ? menu->flags : 0;
  if (window_key(w, flags)) return;

  bool taken = false;
  if (flags & game_menu_flag::auto_take_first) {
    // A first option whose consequence went wrong is not taken again every
    // frame; the next build tries anew.
    if (option_count > 0 && !auto_take_failed) {
      taken = take_option(0);
      auto_take_failed = !taken;
    }
  } else if (w.screen_change_code == code::none) {
    int clicked = -1;
    for (int i = 0; i < option_count; ++i) {
      widget* b = option_buttons[static_cast<std::size_t>(i)];
      if (b && b->take_event(ui_event::clicked)) clicked = i;
    }
    if (clicked >= 0) taken = take_option(clicked);
  }
  if (taken || w.screen_change_code != code::none) act_on_screen_change(w, taken);
}

void game_menu_window::act_on_screen_change(game_script_words& w, bool after_option) {
  if (!g_game) return;
  const bool through_dispatcher = return_window == opened_by_dispatcher;
  const std::int32_t c = w.screen_change_code;
  switch (c) {
    case code::none:
      if (after_option && through_dispatcher) request(0x400);
      return;
    case code::leave:
      w.screen_change_code = code::none;
      if (through_dispatcher) {
        if (std::int32_t* result = current_menu_host().menu_result_word()) *result |= 1;
        if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
      } else {
        current_menu_host().apply_encounter_results();
        g_window_manager.set_window(return_window);
      }
      return;
    case code::inventory_request:
      w.screen_change_code = code::none;
      request(0x80);
      return;
    case code::trade:
      // Left set: the inventory window reads it.
      if (game_window* inv = g_window_manager.window(window_id::inventory)) inv->parameters[0] = w.exit_troop;
      open_with_return(window_id::inventory, 2);
      return;
    case code::party_request:
      w.screen_change_code = code::none;
      request(0x100);
      return;
    case code::mission:
      w.screen_change_code = code::none;
      request(0x8);
      return;
    case code::conversation:
      w.screen_change_code = code::none;
      request(0x800);
      return;
    case code::presentation:
      w.screen_change_code = code::none;
      if (through_dispatcher)
        request(0x1000);
      else
        open_with_return(window_id::presentation, 0);
      return;
    case code::notes:
      w.screen_change_code = code::none;
      if (through_dispatcher)
        request(0x2000);
      else
        open_with_return(window_id::note, 0);
      return;
    case code::world_map:
      w.screen_change_code = code::none;
      current_menu_host().apply_encounter_results();
      g_window_manager.set_window(window_id::world_map);
      return;
    case code::menu_again:
      w.screen_change_code = code::none;
      if (std::int32_t* result = current_menu_host().menu_result_word()) *result = 0;
      if (through_dispatcher) {
        request(0x400);
      } else {
        g_window_manager.set_window(window_id::game_menu);
      }
      return;
    case code::sell_prisoners:
    case code::hire:
      // The party screen in its selling or hiring mode.
      w.screen_change_code = code::none;
      if (game_window* p = g_window_manager.window(window_id::party)) p->parameters[0] = w.exit_party;
      open_with_return(window_id::party, c == code::sell_prisoners ? 2 : 3);
      return;
    case code::character_first:
    case code::character_last:
      w.screen_change_code = code::none;
      open_with_return(window_id::character, 0);
      return;
    default:
      if (c >= code::party_first && c <= code::party_last) {
        if (game_window* p = g_window_manager.window(window_id::party)) p->parameters[0] = w.exit_party;
        open_with_return(window_id::party, c == code::party_first ? 1 : c);
        w.screen_change_code = code::none;
      }
      return;
  }
}

}  // namespace hm
