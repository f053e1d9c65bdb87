// The label and the three push buttons.
#include <algorithm>

#include "engine/resource/mesh.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/widget_kinds.h"

namespace hm {

// --- label ------------------------------------------------------------------------------------

void text_widget::update(float) {
  ui_vec2 scale;
  if (text_scale_channel_value(scale)) {
    const ui_vec2 r = scale_ratio(scale, text_scale);
    text_scale = scale;
    if (mesh* m = get_mesh(slot_background)) m->scale(r.x, r.y, 1.0f);
    update_bounds();
  }
  std::uint32_t c = 0;
  for (int k : {channel_colour, channel_alpha}) {
    if (!colour_channel_value(k, colour, c)) continue;
    if (mesh* m = get_mesh(slot_background)) m->color = c;
    set_colour(c);
  }
  advance_position_channel();
}

// --- push buttons -----------------------------------------------------------------------------

bool button_widget::handle_event(std::uint32_t bits) {
  bool consumed = false;
  if (button_flags & flag_toggle) {
    if (bits & ui_event::press) {
      consumed = true;
      if (!((button_flags & flag_toggle_stays_on) && value != 0)) {
        g_ui_manager.play_click();
        pressed = pressed ? 0 : 1;
        value = value ? 0 : 1;
        raise_event(ui_event::clicked);
      }
    }
  } else if (bits & ui_event::leave) {
    pressed = 0;
  } else if (bits & ui_event::press) {
    consumed = true;
    g_ui_manager.play_click();
    pressed = 1;
  } else if ((bits & ui_event::release) && pressed) {
    consumed = true;
    raise_event(ui_event::clicked);
    pressed = 0;
  }
  raise_event(bits);
  apply_value_steps();
  return consumed;
}

bool button_widget::shows_down_look() const {
  if (button_flags & flag_toggle) return value != 0;
  return pressed != 0;
}

void button_widget::render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) {
  const bool down = shows_down_look();
  look = down ? 0 : 1;
  show_look(down);
  widget::render(context, depth, clip_min, clip_max);
}

void medium_button::set_text(ui_vec2& out_extent, const ruv_string& t) {
  const float h = size.y;
  float s = 0.65f * h;
  const auto n = static_cast<float>(count_utf8(t.view(), widget_decode_capacity));
  const float estimate = n * s * 0.39f;
  const float room = size.x - 1.1805556f * h;
  if (estimate > room && estimate > 0.0f) s = s * std::max(room, 0.0f) / estimate;
  set_text_size({s, s});
  set_text_position({0.0f, h * 0.5f - s * 0.3f});
  widget::set_text(out_extent, t);
}

void image_button::update(float) {
  ui_vec2 scale;
  if (text_scale_channel_value(scale)) {
    scale_meshes(scale_ratio(scale, text_scale));
    text_scale = scale;
    update_bounds();
  }
  std::uint32_t c = 0;
  for (int k : {channel_colour, channel_alpha}) {
    if (!colour_channel_value(k, colour, c)) continue;
    colour = c;
    for (int slot : {slot_down, slot_up})
      if (mesh* m = get_mesh(slot)) m->color = c;
  }
  advance_position_channel();
}

}  // namespace hm
