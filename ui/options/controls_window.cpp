#include "ui/options/controls_window.h"

#include "engine/app/input_state.h"
#include "module/text/translation_table.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/front_menus.h"
#include "ui/options/key_names.h"
#include "ui/options/options_window.h"
#include "ui/options/settings_notice.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

constexpr std::uint32_t kRowColour = 0xFFF0F0F0u;
constexpr std::uint32_t kMissingKeyColour = 0xFFFF2200u;
constexpr int kEscape = 1;
constexpr float kKeyButtonHeight = 0.034f;

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

bool clicked(widget* w) { return w && w->take_event(ui_event::clicked); }

widget* make_row_text(container& parent, const ruv_string& text, float x, float y, float w, std::uint32_t flags) {
  widget* l = make_text_label(parent, text, x, y, w, 0.03f);
  l->set_text_flags(flags);
  l->set_colour(kRowColour);
  return l;
}

ruv_string key_text(std::int32_t code) {
  return code == key_bindings::no_key ? tr("ui_no_key_assigned") : ruv_string(get_key_name(code));
}

}  // namespace

float key_label_size(const ruv_string& text, float t) {
  float s = 0.65f * t;
  const float width = static_cast<float>(count_utf8(text.view())) * s * 0.39f;
  const float room = t * medium_button_look.aspect - (t / medium_button_look.mesh_height) * medium_button_look.mesh_margin;
  if (width > room && width > 0.0f) s = s * room / width;
  return s;
}

void controls_window::build() {
  awaited_control = -1;
  closing = false;
  window_container* r = make_options_root(0xFFFFFFFFu);
  root = r;
  default_keys_button = make_medium_button(*r, tr("ui_set_default_keys"), 0.82f, 0.15f, 0.04f);
  undo_button = make_medium_button(*r, tr("ui_undo_changes"), 0.82f, 0.1f, 0.04f);
  done_button = make_medium_button(*r, tr("ui_done"), 0.82f, 0.05f, 0.04f);
  press_key_text = make_text_label(*r, tr("ui_press_a_key"), 0.75f, 0.25f, 0.2f, 0.06f);
  press_key_text->hide();
  for (const auto& title : {std::pair{"ui_battle_controls", 0.25f}, std::pair{"ui_map_controls", 0.7f}}) {
    widget* t = make_text_label(*r, tr(title.first), title.second, 0.705f, 0.3f, 0.04f);
    t->set_text_flags(ui_text_flag::centre);
    t->set_colour(0xFFFFFFFFu);
  }
  widget* general = make_text_label(*r, tr("ui_general_controls"), 0.7f, 0.355f, 0.3f, 0.04f);
  general->set_text_flags(ui_text_flag::centre);
  general->set_colour(0xFFFFFFFFu);

  for (int i = 0; i < key_bindings::control_count; ++i) {
    const float x = i < 19 ? 0.01f : 0.35f;
    const float y = 0.677f - static_cast<float>(i % 19) * 0.037f;
    control_labels[i] = make_row_text(*r, get_control_name(i), x, y, 0.185f, ui_text_flag::align_right);
    widget* b = make_button(*r, ruv_string(" "), x + 0.195f, y + 0.005f, kKeyButtonHeight, medium_button_look);
    if (auto* button = dynamic_cast<button_widget*>(b)) button->button_flags |= button_widget::flag_toggle;
    key_buttons[i] = b;
  }
  for (int i = 0; i < 7; ++i) {
    const float y = 0.677f - static_cast<float>(i) * 0.037f;
    map_control_labels[i] = make_row_text(*r, get_map_control_name(i), 0.72f, y, 0.13f, ui_text_flag::align_right);
    map_key_texts[i] = make_row_text(*r, ruv_string(), 0.86f, y, 0.12f, ui_text_flag::centre);
  }
  make_row_text(*r, tr("ui_take_screenshot"), 0.72f, 0.327f, 0.13f, ui_text_flag::align_right);
  make_row_text(*r, ruv_string("Ctrl + Insert"), 0.86f, 0.327f, 0.12f, ui_text_flag::centre);
  g_ui_manager.redraw = 1;
  g_key_bindings.backup_controls();
  bindings_changed = false;
  refresh();
}

void controls_window::refresh() {
  for (int i = 0; i < 7; ++i) map_key_texts[i]->set_text(key_text(map_control_key(i)));
  for (int i = 0; i < key_bindings::control_count; ++i) {
    widget* b = key_buttons[i];
    const std::int32_t code = g_key_bindings.keys[i][0];
    const ruv_string text = key_text(code);
    const float s = key_label_size(text, kKeyButtonHeight);
    b->set_text_size({s, s});
    b->set_text_position({0.0f, 0.5f * kKeyButtonHeight - 0.3f * s});
    b->set_text(text);
    b->set_colour(code == key_bindings::no_key ? kMissingKeyColour : 0xFF000000u);
    b->set_value(0);
  }
  if (g_key_bindings.any_first_key_missing())
    done_button->disable();
  else
    done_button->enable();
  if (bindings_changed)
    undo_button->enable();
  else
    undo_button->disable();
}

void controls_window::frame(float /*seconds*/) {
  if (closing) {
    if (g_window_manager.top_id() != window_id::message_box) g_window_manager.set_window(return_window);
    return;
  }
  if (awaited_control >= 0) {
    press_key_text->show();
    int code = -1;
    for (int k = 0; k < 256; ++k) {
      if (g_input_state.is_key_clicked(k)) code = k;
    }
    if (code < 0) return;
    if (code != kEscape) {
      g_key_bindings.assign_key(awaited_control, code);
      bindings_changed = true;
    }
    // Also after Escape: the pressed key button pops back up.
    refresh();
    awaited_control = -1;
    return;
  }
  press_key_text->hide();
  for (int i = 0; i < key_bindings::control_count; ++i) {
    if (clicked(key_buttons[i])) awaited_control = i;
  }
  if (clicked(default_keys_button)) {
    g_key_bindings.set_default_controls();
    bindings_changed = true;
    refresh();
  }
  if (clicked(undo_button)) {
    g_key_bindings.restore_controls();
    bindings_changed = false;
    refresh();
  }
  if (clicked(done_button)) {
    if (bindings_changed && !save_controls(g_key_bindings)) {
      // The new keys stay in force for this run.
      closing = true;
      push_notice(ruv_string(), ruv_string(unable_to_save_text("controls.dat")));
      return;
    }
    g_window_manager.set_window(return_window);
  }
}

}  // namespace hm
