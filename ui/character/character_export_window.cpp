#include "ui/character/character_export_window.h"

#include <string>

#include "engine/core/text_format.h"
#include "engine/core/user_files.h"
#include "engine/resource/mesh.h"
#include "module/loading/game.h"
#include "module/text/translation_table.h"
#include "script/game_hooks.h"
#include "script/script_state.h"
#include "ui/character/character_file.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

ruv_string ui_text(const char* key, std::initializer_list<format_value> values) {
  return ruv_string(format_text(tr(key).view(), values));
}

troop* player_troop() { return g_game ? g_game->find_troop(g_game->player_troop) : nullptr; }

bool clicked(widget* w) { return w && w->take_event(ui_event::clicked); }

}  // namespace

void character_export_window::build() {
  g_ui_manager.clear();
  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("meeting_window")) r->set_mesh(slot_background, std::move(m));
  root = r.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
  done_button = make_medium_button(*root, tr("ui_done"), 0.7f, 0.09f, 0.04f);
  export_answer = import_answer = -1;
  export_button = make_long_button(*root, tr("ui_export_character"), 0.5f, 0.6f, 0.04f);
  import_button = make_long_button(*root, tr("ui_import_character"), 0.5f, 0.5f, 0.04f);

  auto panel = std::make_unique<container>();
  panel->set_position({0.05f, 0.0f});
  panel->set_size({0.43f, 0.63f});
  panel->set_text_size({0.02f, 0.02f});
  panel->set_colour(0xFF000000u);
  for (int i = 0; i < statistics_line_count; ++i) {
    // A line the script leaves alone stays empty.
    g_script_state.string_registers[0].clear();
    call_game_script(game_hook_code::game_get_statistics_line, i, 0);
    widget* l = add_text_line(*panel, g_script_state.string_registers[0], 0.0f, 0.63f - 0.03f * static_cast<float>(i));
    l->set_text_flags(ui_text_flag::align_left);
  }
  statistics_panel = root->add_child(std::move(panel));
}

void character_export_window::notice(const ruv_string& text) {
  auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
  if (!box) return;
  box->mode = 0;
  box->title = ruv_string();
  box->text = text;
  box->answer_target = nullptr;
  box->result_text = nullptr;
  box->has_text_field = false;
  g_window_manager.push_window(window_id::message_box);
}

void character_export_window::ask(const ruv_string& text, std::int32_t* answer) {
  auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
  if (!box) return;
  box->mode = 1;
  box->title = ruv_string();
  box->text = text;
  box->first_answer = tr("ui_yes");
  box->second_answer = tr("ui_no");
  box->answer_target = answer;
  box->result_text = nullptr;
  box->has_text_field = false;
  g_window_manager.push_window(window_id::message_box);
}

void character_export_window::frame(float /*seconds*/) {
  if (g_window_manager.top() != this) return;
  troop* t = player_troop();
  const std::string name = t ? std::string(character_display_name(*t).view()) : std::string();
  if (export_answer == 0 && t) {
    export_answer = -1;
    // A file that could not be written is told as such, never as exported.
    if (export_character(*t, character_export_path(*t)))
      notice(ui_text("ui_character_playername_exported_successfully", {name}));
    else
      notice(ui_text("ui_unable_to_write_character_export_file", {character_export_path(*t)}));
    return;
  }
  if (import_answer == 0 && t) {
    import_answer = -1;
    const character_import_result r = import_character_file(*t, character_export_path(*t));
    if (r.ok)
      notice(ui_text("ui_character_playername_imported_successfully", {std::string(character_display_name(*t).view())}));
    else
      notice(ui_text(r.error_key, {r.detail}));
    return;
  }
  if (clicked(import_button) && t) {
    if (file_exists(character_export_path(*t))) {
      import_answer = -1;
      ask(tr("ui_are_you_sure_you_want_to_import_the_character"), &import_answer);
    } else {
      notice(tr("ui_unable_to_find_character_import_file"));
    }
    return;
  }
  if (clicked(export_button) && t) {
    if (file_exists(character_export_path(*t))) {
      export_answer = -1;
      ask(ui_text("ui_export_file_for_character_playername_already_exists_overwrite_it", {name}), &export_answer);
    } else {
      export_answer = 0;
    }
    return;
  }
  if (clicked(done_button)) g_window_manager.set_window(return_window);
}

void character_export_window::leave() {
  top_level_window::leave();
  root = nullptr;
  done_button = export_button = import_button = statistics_panel = nullptr;
}

}  // namespace hm
