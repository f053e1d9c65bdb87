// The slider, the scroll bar and the progress bar: a float value shown by a
// handle along one axis, set by pressing or dragging.
#include <algorithm>

#include "engine/resource/mesh.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/widget_kinds.h"

namespace hm {

namespace {

// How far beyond the handle a press still grabs it.
constexpr float grab_margin = 0.01f;

void set_mesh_alpha(mesh* m, std::uint32_t c) {
  if (m) m->color = (m->color & 0x00FFFFFFu) | (c & 0xFF000000u);
}

}  // namespace

// --- shared handle behaviour -----------------------------------------------------------------

float handle_widget::value_ratio() const {
  const float range = float_max - float_min;
  return range != 0.0f ? (float_value - float_min) / range : 0.0f;
}

float handle_widget::handle_point() const { return value_ratio() * (length() - 2.0f * handle_size) + handle_size; }

float handle_widget::value_at(float p) const {
  const float run = length() - 2.0f * handle_size;
  if (run <= 0.0f) return float_min;
  return std::clamp((p - handle_size) / run * (float_max - float_min) + float_min, std::min(float_min, float_max),
                    std::max(float_min, float_max));
}

void handle_widget::grab_zone(float& lo, float& hi) const {
  const float c = handle_point();
  lo = c - (handle_size + grab_margin);
  hi = c + (handle_size + grab_margin);
}

float handle_widget::mouse_along() const {
  return axis ? g_ui_manager.mouse_position.y : g_ui_manager.mouse_position.x;
}

void handle_widget::set_value_from_point(float p) { float_value = value_at(p); }

bool handle_widget::handle_event(std::uint32_t bits) {
  bool consumed = false;
  const float m = mouse_along();
  const float start = start_along();
  if (dragging) {
    if (bits == ui_event::release) {
      dragging = 0;
      if (g_ui_manager.capturing_widget == this) g_ui_manager.capturing_widget = nullptr;
      consumed = true;
    } else {
      set_value_from_point(m - grab_offset - start);
    }
    raise_event(ui_event::clicked);
  } else if (bits == ui_event::press) {
    consumed = true;
    g_ui_manager.play_click();
    float lo = 0.0f, hi = 0.0f;
    grab_zone(lo, hi);
    const float reference = handle_point() + start;
    if (m > lo + start && m < hi + start) {
      dragging = 1;
      g_ui_manager.capturing_widget = this;
      grab_offset = m - reference;
    } else {
      grab_offset = 0.0f;
      set_value_from_point(m - start);
      raise_event(ui_event::clicked);
    }
  }
  raise_event(bits);
  apply_value_steps();
  return consumed;
}

void handle_widget::place_handle_mesh() {
  mesh* h = get_mesh(slot_up);
  if (!h) return;
  const float p = handle_point();
  if (axis)
    h->local_frame.origin.y = p;
  else
    h->local_frame.origin.x = p;
}

// --- slider -------------------------------------------------------------------------------------

void handle_widget::rescale(const ui_vec2& scale) {
  scale_meshes(scale_ratio(scale, text_scale));
  text_scale = scale;
  update_bounds();
  set_size(size);
}

bool handle_widget::advance_alpha_channels() {
  bool changed = false;
  std::uint32_t c = 0;
  for (int k : {channel_colour, channel_alpha}) {
    if (!colour_channel_value(k, colour, c)) continue;
    colour = c;
    set_mesh_alpha(get_mesh(slot_background), c);
    set_mesh_alpha(get_mesh(slot_up), c);
    changed = true;
  }
  return changed;
}

void slider::update(float) {
  ui_vec2 scale;
  if (text_scale_channel_value(scale)) rescale(scale);
  advance_alpha_channels();
  advance_position_channel();
}

void slider::render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) {
  mesh_enabled[slot_background] = 1;
  mesh_enabled[slot_up] = 1;
  place_handle_mesh();
  widget::render(context, depth, clip_min, clip_max);
}

// --- scroll bar ---------------------------------------------------------------------------------

float scrollbar::handle_point() const { return value_ratio() * (length() - handle_size); }

float scrollbar::value_at(float p) const {
  const float run = length() - handle_size;
  if (run <= 0.0f) return float_min;
  return std::clamp(p / run * (float_max - float_min) + float_min, std::min(float_min, float_max),
                    std::max(float_min, float_max));
}

void scrollbar::grab_zone(float& lo, float& hi) const {
  const float s = handle_point();
  lo = s - grab_margin;
  hi = s + handle_size + grab_margin;
}

void scrollbar::render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) {
  mesh_enabled[slot_background] = 1;
  mesh_enabled[slot_up] = 1;
  place_handle_mesh();
  widget::render(context, depth, clip_min, clip_max);
}

void scrollbar::set_handle_ratio(float ratio) {
  const float l = length();
  if (mesh* h = get_mesh(slot_up); h && handle_size > 0.0f) {
    const float f = l / handle_size * ratio;
    if (axis)
      h->scale(1.0f, f, 1.0f);
    else
      h->scale(f, 1.0f, 1.0f);
  }
  handle_size = ratio * l;
}

// --- progress bar -------------------------------------------------------------------------------

void progress_bar::rebuild_fill() {
  if (get_mesh(slot_down) && value_last_drawn == float_value) return;
  set_mesh_slot(slot_down, nullptr);
  if (fill_source && size.x > 0.0f) {
    std::unique_ptr<mesh> fill = fill_source->create_copy();
    const float k = handle_size / size.x;
    const float r = value_ratio();
    float scale[3] = {fill_scale[0], fill_scale[1], fill_scale[2]};
    scale[axis ? 1 : 0] *= k + r * (1.0f - 2.0f * k);
    fill->scale(scale[0], scale[1], scale[2]);
    fill->color = (fill->color & 0x00FFFFFFu) | (fill_alpha & 0xFF000000u);
    handle_size = fill_scale[0] * 0.020544f;
    set_mesh_slot(slot_down, std::move(fill));
  }
  value_last_drawn = float_value;
}

void progress_bar::update(float) {
  ui_vec2 scale;
  if (text_scale_channel_value(scale)) {
    fill_scale[0] = scale.x * 0.38940808f;
    fill_scale[1] = scale.y;
    fill_scale[2] = 1.0f;
    // Forces the fill to be made again at the next draw.
    value_last_drawn = -23234124.0f;
    rescale(scale);
  }
  if (advance_alpha_channels()) fill_alpha = colour & 0xFF000000u;
  advance_position_channel();
}

void progress_bar::render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) {
  mesh_enabled[slot_background] = 1;
  mesh_enabled[slot_down] = 1;
  mesh_enabled[slot_up] = 1;
  rebuild_fill();
  place_handle_mesh();
  widget::render(context, depth, clip_min, clip_max);
}

void scroll_by_wheel(scrollbar& bar, float wheel) {
  const float length = bar.length();
  if (length <= 0.0f) return;
  const float range = bar.float_max - bar.float_min;
  const float fraction = range != 0.0f ? (bar.float_value - bar.float_min) / range : 0.0f;
  const float handle = bar.handle_size;
  bar.set_value_from_point(fraction * (length - handle) + (wheel / length) * handle * 0.0005f);
  bar.raise_event(ui_event::clicked);
}

}  // namespace hm
