#include "ui/windows/save_load_window.h"

#include <filesystem>
#include <system_error>

#include "engine/app/input_state.h"
#include "engine/resource/mesh.h"
#include "module/base/module_paths.h"
#include "module/base/module_settings.h"
#include "module/text/translation_table.h"
#include "render/view/message_log.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/menu_window_host.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

float var(const char* name) { return get_layout_variable_float(name); }

bool clicked(widget* w) { return w && w->take_event(ui_event::clicked); }

// A text inside a slot panel, at a position of the panel.
void add_panel_text(container& panel, const ruv_string& text, const char* x, const char* y, std::uint32_t colour) {
  widget* label = make_label(panel, text, var(x), var(y), 0.3f, 0.03f);
  const float size = var("save_b_save_t_s");
  label->set_text_size({size, size});
  label->set_colour(colour);
}

widget* make_bottom_button(container& parent, const char* key, const char* height, const char* layout) {
  widget* b = make_medium_button(parent, tr(key), 0.0f, 0.0f, var(height));
  read_widget_layout(*b, layout);
  return b;
}

message_box_window* message_box() {
  return dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
}

}  // namespace

void save_load_window::build() {
  save_mode = return_window == window_id::in_game_menu;
  g_ui_manager.clear();
  auto r = std::make_unique<window_container>();
  r->set_position({-0.001f, -0.001f});
  r->set_size({1.002f, 0.752f});
  if (auto m = g_ui_manager.resource_mesh_copy("load_window")) r->set_mesh(slot_background, std::move(m));
  window_container& c = *r;
  root = r.get();

  read_save_slot_headers(slots, module_name().view(), g_compatible_module_version, tr("ui_day_datedisplay").view());
  const std::uint32_t text_colour = get_layout_variable_hex("save_b_save_t_c");
  for (int slot = 0; slot < save_slot_count; ++slot) {
    slot_buttons[static_cast<std::size_t>(slot)] = nullptr;
    const save_slot_entry& e = slots[static_cast<std::size_t>(slot)];
    if (!e.exists() && !save_mode) continue;
    auto panel = std::make_unique<container>();
    const int column = slot % 3;
    const int row = slot / 3;
    panel->set_position({var("save_b_save_x") + static_cast<float>(column) * var("save_b_save_x_a"),
                         var("save_b_save_y") - static_cast<float>(row) * var("save_b_save_y_a")});
    panel->set_size({var("save_b_save_x_a") * 0.95f, var("save_b_save_size_y")});
    auto button = std::make_unique<text_button>();
    button->set_position({0.0f, 0.0f});
    button->set_size({var("save_b_save_x_a") * 0.95f, var("save_b_save_button_h")});
    if (auto m = g_ui_manager.resource_mesh_copy("restore_game_panel")) button->set_mesh(slot_up, std::move(m));
    if (auto m = g_ui_manager.resource_mesh_copy("restore_game_panel_down")) button->set_mesh(slot_down, std::move(m));
    button->set_highlight_colour(get_layout_variable_hex("save_b_save_t_h_c"));
    slot_buttons[static_cast<std::size_t>(slot)] = panel->add_child(std::move(button));
    if (e.used) {
      add_panel_text(*panel, e.save_name, "save_t_name_x", "save_t_name_y", text_colour);
      add_panel_text(*panel, e.date_text, "save_t_info_x", "save_t_info_y", text_colour);
    } else if (!e.exists()) {
      add_panel_text(*panel, tr("ui_empty_slot"), "save_t_name_x", "save_t_name_y", text_colour);
    }
    if (const char* problem = save_slot_problem_text(e))
      add_panel_text(*panel, ruv_string(problem), "save_t_error_x", "save_t_error_y", text_colour);
    c.add_child(std::move(panel));
  }
  selected = -1;
  delete_answer = -1;
  name_answer = -1;
  main_button = make_bottom_button(c, save_mode ? "ui_save" : "ui_restore", "save_b_done_h", "save_b_done");
  main_button->disable();
  cancel_button = make_bottom_button(c, "ui_cancel", "save_b_cancel_h", "save_b_cancel");
  delete_button = make_bottom_button(c, "ui_delete", "save_b_delete_h", "save_b_delete");
  delete_button->disable();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));
}

void save_load_window::select_slot(std::int32_t slot) {
  if (selected >= 0 && selected < save_slot_count) {
    if (widget* b = slot_buttons[static_cast<std::size_t>(selected)]) b->set_value(0);
  }
  selected = slot;
  if (slot < 0 || slot >= save_slot_count) {
    selected = -1;
    if (main_button) main_button->disable();
    if (delete_button) delete_button->disable();
    return;
  }
  if (widget* b = slot_buttons[static_cast<std::size_t>(slot)]) b->set_value(1);
  if (main_button) main_button->enable();
  if (delete_button) {
    if (slots[static_cast<std::size_t>(slot)].exists())
      delete_button->enable();
    else
      delete_button->disable();
  }
}

void save_load_window::frame(float /*seconds*/) {
  if (g_window_manager.top() != this) return;
  menu_window_host& host = current_menu_host();
  for (int slot = 0; slot < save_slot_count; ++slot) {
    if (clicked(slot_buttons[static_cast<std::size_t>(slot)])) {
      select_slot(slot);
      return;
    }
  }
  if (clicked(main_button) && selected >= 0) {
    const save_slot_entry& e = slots[static_cast<std::size_t>(selected)];
    if (save_mode) {
      name_answer = -1;
      entered_name = e.used ? e.save_name : host.player_name();
      if (message_box_window* box = message_box()) {
        box->mode = 3;
        box->title = ruv_string();
        box->text = tr("ui_set_save_file_name");
        box->first_answer = tr("ui_ok");
        box->second_answer = tr("ui_cancel");
        box->answer_target = &name_answer;
        box->result_text = &entered_name;
        box->has_text_field = true;
        g_window_manager.push_window(window_id::message_box);
      }
      return;
    }
    // A slot that cannot be loaded is left alone.
    if (!e.loadable()) return;
    if (game_window* launch = g_window_manager.window(window_id::launch)) {
      launch->mode = 1;
      launch->return_window = window_id::main_menu;
    }
    host.prepare_launch(1, selected);
    g_window_manager.set_window(window_id::launch);
    return;
  }
  if (clicked(cancel_button)) {
    g_window_manager.set_window(return_window);
    return;
  }
  const bool delete_key = g_input_state.is_key_clicked(key_delete) && delete_button && !delete_button->is_disabled();
  if (clicked(delete_button) || delete_key) {
    if (selected < 0) return;
    delete_answer = -1;
    if (message_box_window* box = message_box()) {
      box->mode = 1;
      box->title = ruv_string();
      box->text = tr("ui_confirm_delete_game");
      box->first_answer = tr("ui_yes");
      box->second_answer = tr("ui_no");
      box->answer_target = &delete_answer;
      box->result_text = nullptr;
      box->has_text_field = false;
      g_window_manager.push_window(window_id::message_box);
    }
    return;
  }
  if (delete_answer == 0) {
    delete_answer = -1;
    std::error_code ec;
    if (!std::filesystem::remove(slot_file_path(module_name().view(), selected), ec) || ec)
      add_message_line(g_ui_manager.messages, tr("ui_error_removing_file"), 0xFFFF0000u);
    // Opened again, the window reads the slots anew.
    g_window_manager.set_window(window_id::save_load);
    return;
  }
  if (name_answer == 0) {
    name_answer = -1;
    // The save names itself after the typed name only when it succeeded; a
    // failed save keeps the window open (the player has been told).
    if (host.save_game(selected, &entered_name) != 0) return;
    add_message_line(g_ui_manager.messages, tr("ui_game_saved"), 0xFFFFFFFFu);
    g_window_manager.set_window(return_window);
  }
}

}  // namespace hm
