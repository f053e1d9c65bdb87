#include "ui/options/option_makers.h"

#include <memory>

#include "engine/resource/mesh.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {

slider* make_slider(container& parent, float x, float y, float s) {
  auto w = std::make_unique<slider>();
  w->set_position({x, y});
  w->set_size({0.25f * s, 0.03f * s});
  auto bar = g_ui_manager.resource_mesh_copy("slider_hor");
  auto handle = g_ui_manager.resource_mesh_copy("handle_hor");
  if (s != 1.0f) {
    if (bar) bar->scale(s, s, s);
    if (handle) handle->scale(s, s, s);
  }
  if (bar) w->set_mesh_slot(slot_background, std::move(bar));
  if (handle) w->set_mesh_slot(slot_up, std::move(handle));
  return static_cast<slider*>(parent.add_child(std::move(w)));
}

combobox* make_combobox(container& parent, const ruv_string& name, float x, float y) {
  auto box = std::make_unique<combobox>();
  box->set_position({x + 0.0176f, y});
  const struct {
    const char* mesh;
    int slot;
  } looks[] = {{"button_drop", slot_up}, {"button_drop_clicked", slot_down}, {"button_drop_hl", slot_hover}};
  for (const auto& look : looks) {
    if (auto m = g_ui_manager.resource_mesh_copy(look.mesh)) {
      m->scale(1.0f, 0.5f, 1.0f);
      box->set_mesh_slot(look.slot, std::move(m));
    }
  }
  box->list_meshes = {g_ui_manager.resource_mesh("button_drop_child"),
                      g_ui_manager.resource_mesh("button_drop_child_clicked"),
                      g_ui_manager.resource_mesh("button_drop_child_hl")};
  box->set_size({get_layout_variable_float("combobox_button_size_x"),
                 get_layout_variable_float("combobox_button_size_y")});
  box->layout = {get_layout_variable_float("combobox_child_button_size_x"),
                 get_layout_variable_float("combobox_child_button_size_y"),
                 get_layout_variable_float("combobox_child_button_position_x"),
                 get_layout_variable_float("combobox_child_button_text_size_x"),
                 get_layout_variable_float("combobox_child_button_text_size_y"),
                 get_layout_variable_float("combobox_child_button_text_position_x"),
                 get_layout_variable_float("combobox_child_button_text_position_y")};
  const float text_size = get_layout_variable_float("combobox_text_size");
  box->set_text_size({text_size, text_size});
  box->set_text_position(
      {get_layout_variable_float("combobox_text_position_x"), get_layout_variable_float("combobox_text_position_y")});
  box->set_text(name);
  return static_cast<combobox*>(parent.add_child(std::move(box)));
}

}  // namespace hm
