// The combo box with its drop-down list, and the one-line text box.
#include <algorithm>

#include "engine/resource/mesh.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {

namespace {

constexpr std::int32_t char_backspace = 8;
constexpr std::int32_t char_enter = 13;

}  // namespace

void remove_last_utf8_char(ruv_string& t) {
  int n = t.length();
  if (n == 0) return;
  // Back over continuation bytes to the lead byte.
  while (n > 0 && (static_cast<unsigned char>(t[n - 1]) & 0xC0u) == 0x80u) --n;
  if (n > 0) --n;
  t.set_length(n);
}

void append_utf8(ruv_string& t, std::int32_t code) {
  const auto c = static_cast<std::uint32_t>(code);
  if (c < 0x80u) {
    t.append_char(static_cast<char>(c));
  } else if (c < 0x800u) {
    t.append_char(static_cast<char>(0xC0u | (c >> 6)));
    t.append_char(static_cast<char>(0x80u | (c & 0x3Fu)));
  } else {
    t.append_char(static_cast<char>(0xE0u | ((c >> 12) & 0x0Fu)));
    t.append_char(static_cast<char>(0x80u | ((c >> 6) & 0x3Fu)));
    t.append_char(static_cast<char>(0x80u | (c & 0x3Fu)));
  }
}

// --- combo box ----------------------------------------------------------------------------------

void widget::advance_entry_channels(std::initializer_list<int> coloured_slots) {
  bool changed = false;
  ui_vec2 scale;
  if (text_scale_channel_value(scale)) {
    scale_meshes(scale_ratio(scale, text_scale));
    text_scale = scale;
    update_bounds();
    set_text_size({text_scale_unit * scale.x, text_scale_unit * scale.y});
    set_text_position(text_position);
    changed = true;
  }
  std::uint32_t c = 0;
  for (int k : {channel_colour, channel_alpha}) {
    if (!colour_channel_value(k, colour, c)) continue;
    for (int slot : coloured_slots)
      if (mesh* m = get_mesh(slot)) m->color = c;
    set_colour(c);
    changed = true;
  }
  for (int k : {channel_highlight_colour, channel_highlight_alpha}) {
    if (!colour_channel_value(k, highlight_colour, c)) continue;
    set_highlight_colour(c);
    changed = true;
  }
  advance_position_channel();
  if (changed) rebuild_text_mesh();
}

void combobox::update(float) { advance_entry_channels({slot_down, slot_up, slot_hover}); }

combobox::~combobox() {
  if (!open || !list_) return;
  for (const auto& root : g_ui_manager.roots)
    if (root.get() == static_cast<widget*>(list_)) list_->linked_widget = nullptr;
}

void combobox::render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) {
  look = open ? 0 : 1;
  show_look(open != 0);
  widget::render(context, depth, clip_min, clip_max);
}

bool combobox::handle_event(std::uint32_t bits) {
  bool consumed = false;
  if (open && (bits & ui_event::clicked)) {
    // The list reported its choice (or was closed without one).
    open = 0;
    list_ = nullptr;
  } else if (!open && bits == ui_event::press) {
    consumed = true;
    g_ui_manager.play_click();
    if (!items.empty()) {
      list_ = open_list();
      open = 1;
    }
  }
  raise_event(bits);
  apply_value_steps();
  return consumed;
}

void combobox::set_value(std::int32_t v) {
  if (items.empty()) return;
  v = std::clamp(v, value_min, std::max(value_min, value_max));
  v = std::min(v, static_cast<std::int32_t>(items.size()) - 1);
  value = v;
  widget::set_text(items[static_cast<std::size_t>(v)]);
}


void combobox::clear_items() {
  items.clear();
  value = 0;
  value_max = 0;
}

void combobox::add_item(const ruv_string& item) {
  const float w = static_cast<float>(count_utf8(item.view())) * 0.0078f;
  const float candidate = w > 0.21f ? 0.21f / w * 0.02f : 0.02f;
  if (candidate < text_size.x) set_text_size({candidate, candidate});
  items.push_back(item);
  ++value_max;
  if (items.size() == 1) set_value(0);
}

window_container* combobox::open_list() {
  const float sx = text_scale.x;
  const float sy = text_scale.y;
  const float item_w = layout[0] * sx;
  const float item_h = layout[1] * sy;
  const float x0 = layout[2] * sx;
  const ui_vec2 item_text_size{layout[3] * sx, layout[4] * sy};
  const ui_vec2 item_text_position{layout[5] * sx, layout[6] * sy};
  const auto n = static_cast<float>(items.size());

  auto list = std::make_unique<window_container>();
  list->swallow_presses = 1;
  list->set_position({absolute_position.x + x0, absolute_position.y - n * item_h});
  list->set_size({item_w, n * item_h});
  list->set_event_mask(ui_event::closing);
  list->set_step_flags(step_report_child);
  list->linked_widget = this;
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto b = std::make_unique<text_button>();
    text_button& item = *b;
    list->add_child(std::move(b));
    item.set_position({0.0f, static_cast<float>(i) * item_h});
    item.set_size({item_w, item_h});
    item.set_text_size(item_text_size);
    item.set_text_position(item_text_position);
    const int slots[3] = {slot_up, slot_down, slot_hover};
    for (int k = 0; k < 3; ++k) {
      const mesh* look_mesh = list_meshes[static_cast<std::size_t>(k)];
      if (!look_mesh) continue;
      std::unique_ptr<mesh> copy = look_mesh->create_copy();
      copy->scale(item_w, item_h * 0.5f, 1.0f);
      item.set_mesh_slot(slots[k], std::move(copy));
    }
    item.set_text(items[i]);
    item.set_event_mask(ui_event::clicked);
    item.set_step_flags(step_up | step_down);
  }
  window_container* raw = list.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(list));
  return raw;
}

// --- text box -----------------------------------------------------------------------------------

void text_box::update(float) { advance_entry_channels({slot_down, slot_up}); }

void text_box::render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) {
  look = focused ? 0 : 1;
  show_look(focused != 0);
  widget::render(context, depth, clip_min, clip_max);
}

void text_box::lose_focus() {
  focused = 0;
  if (g_ui_manager.capturing_widget == this) g_ui_manager.capturing_widget = nullptr;
  g_ui_manager.play_click();
  raise_event(ui_event::clicked);
}

bool text_box::handle_event(std::uint32_t bits) {
  bool consumed = false;
  if (!focused) {
    if (bits == ui_event::press) {
      focused = 1;
      g_ui_manager.capturing_widget = this;
      g_ui_manager.play_click();
      if (clear_on_focus) {
        text.clear();
        colour = 0xFF000000u;
        clear_on_focus = 0;
        rebuild_text_mesh();
      }
      consumed = true;
    }
  } else if (bits == ui_event::character) {
    consumed = true;
    const std::int32_t c = g_ui_manager.typed_character;
    if (c >= 32) {
      if (static_cast<std::uint32_t>(count_utf8(text.view(), 0x7FFFFFFF)) < max_length) {
        append_utf8(text, c);
        rebuild_text_mesh();
      }
    } else if (c == char_backspace) {
      if (!text.empty()) {
        remove_last_utf8_char(text);
        rebuild_text_mesh();
      }
    } else if (c == char_enter) {
      lose_focus();
    }
  } else if (bits == ui_event::press) {
    lose_focus();
    consumed = true;
  }
  raise_event(bits);
  apply_value_steps();
  return consumed;
}

}  // namespace hm
