#include "ui/widget/widget.h"

#include <algorithm>
#include <cmath>

#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "render/view/text_mesh.h"
#include "ui/manager/ui_manager.h"

namespace hm {

namespace {

constexpr float no_minimum = 999999.0f;

std::uint32_t byte_of(std::uint32_t c, int shift) { return (c >> shift) & 0xFFu; }

}  // namespace

std::uint32_t interpolate_colour(std::uint32_t start, std::uint32_t target, std::uint32_t keep, std::uint32_t mask,
                                 float t, float d) {
  std::uint32_t out = keep & ~mask;
  for (int shift = 0; shift < 32; shift += 8) {
    if (((mask >> shift) & 0xFFu) == 0) continue;
    const float v = (static_cast<float>(byte_of(target, shift)) * t + static_cast<float>(byte_of(start, shift)) * (d - t)) / d;
    const auto b = static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L));
    out |= b << shift;
  }
  return out;
}

widget::widget() {
  for (widget_timer& t : timers) {
    t.clock_id = clock_real_time;
    t.start_ticks = clock_ticks(clock_real_time);
  }
}

widget::~widget() {
  // A widget that goes away while it holds the mouse lets it go first.
  if (g_ui_manager.capturing_widget == this) g_ui_manager.capturing_widget = nullptr;
}

bool widget::contains(const ui_vec2& p) const {
  return absolute_position.x + extent_min.x <= p.x && p.x < absolute_position.x + size.x &&
         absolute_position.y + extent_min.y <= p.y && p.y < absolute_position.y + size.y;
}

// --- animation ---------------------------------------------------------------------------------

void widget::start_channel(int k, float duration) {
  const auto i = static_cast<std::size_t>(k);
  durations[i] = duration;
  timers[i].start_ticks = clock_ticks(timers[i].clock_id);
  channel_active[i] = 1;
}

channel_step widget::step_channel(int k) {
  const auto i = static_cast<std::size_t>(k);
  channel_step s;
  s.t = static_cast<float>(clock_ticks(timers[i].clock_id) - timers[i].start_ticks) * 1e-5f;
  s.d = durations[i];
  if (s.t < s.d) {
    s.active = true;
    return s;
  }
  if (channel_active[i]) {
    s.active = true;
    s.finished = true;
    channel_active[i] = 0;
  }
  return s;
}

float widget::interpolate(float start, float target, const channel_step& s) {
  if (s.finished) return target;
  return (target * s.t + start * (s.d - s.t)) / s.d;
}

void widget::animate_colour(float duration, std::uint32_t c) {
  colour_target = c;
  colour_start = colour;
  start_channel(channel_colour, duration);
}

void widget::animate_alpha(float duration, std::uint32_t c) {
  alpha_target = c;
  alpha_start = colour;
  start_channel(channel_alpha, duration);
}

void widget::animate_highlight_colour(float duration, std::uint32_t c) {
  highlight_colour_target = c;
  highlight_colour_start = highlight_colour;
  start_channel(channel_highlight_colour, duration);
}

void widget::animate_highlight_alpha(float duration, std::uint32_t c) {
  highlight_alpha_target = c;
  highlight_alpha_start = highlight_colour;
  start_channel(channel_highlight_alpha, duration);
}

void widget::animate_text_scale(float duration, const ui_vec2& scale) {
  text_scale_target = scale;
  text_scale_start = text_scale;
  start_channel(channel_text_scale, duration);
}

void widget::animate_position(float duration, const ui_vec2& p) {
  position_target = p;
  position_start = absolute_position;
  start_channel(channel_position, duration);
}

bool widget::colour_channel_value(int k, std::uint32_t current, std::uint32_t& out) {
  const channel_step s = step_channel(k);
  if (!s.active) return false;
  static constexpr std::uint32_t rgb = 0x00FFFFFFu;
  static constexpr std::uint32_t alpha = 0xFF000000u;
  std::uint32_t start = 0;
  std::uint32_t target = 0;
  std::uint32_t mask = rgb;
  switch (k) {
    case channel_colour: start = colour_start; target = colour_target; break;
    case channel_alpha: start = alpha_start; target = alpha_target; mask = alpha; break;
    case channel_highlight_colour: start = highlight_colour_start; target = highlight_colour_target; break;
    default: start = highlight_alpha_start; target = highlight_alpha_target; mask = alpha; break;
  }
  if (s.finished)
    out = (current & ~mask) | (target & mask);
  else
    out = interpolate_colour(start, target, current, mask, s.t, s.d);
  return true;
}

bool widget::text_scale_channel_value(ui_vec2& out) {
  const channel_step s = step_channel(channel_text_scale);
  if (!s.active) return false;
  out = {interpolate(text_scale_start.x, text_scale_target.x, s), interpolate(text_scale_start.y, text_scale_target.y, s)};
  return true;
}

void widget::advance_position_channel() {
  const channel_step s = step_channel(channel_position);
  if (!s.active) return;
  const ui_vec2 offset{(text_flags & ui_text_flag::centre) ? size.x * 0.5f : 0.0f,
                       (text_flags & ui_text_flag::centre_vertically) ? size.y * 0.5f : 0.0f};
  const ui_vec2 end{position_target.x - offset.x, position_target.y - offset.y};
  set_position({interpolate(position_start.x, end.x, s), interpolate(position_start.y, end.y, s)});
}

void widget::update(float /*frame_time*/) {
  bool changed = false;
  ui_vec2 scale;
  if (text_scale_channel_value(scale)) {
    text_scale = scale;
    set_text_size({text_scale_unit * scale.x, text_scale_unit * scale.y});
    changed = true;
  }
  std::uint32_t c = 0;
  if (colour_channel_value(channel_colour, colour, c)) {
    set_colour(c);
    changed = true;
  }
  if (colour_channel_value(channel_alpha, colour, c)) {
    set_colour(c);
    changed = true;
  }
  if (colour_channel_value(channel_highlight_colour, highlight_colour, c)) {
    set_highlight_colour(c);
    changed = true;
  }
  if (colour_channel_value(channel_highlight_alpha, highlight_colour, c)) {
    set_highlight_colour(c);
    changed = true;
  }
  advance_position_channel();
  if (changed) rebuild_text_mesh();
}

// --- drawing -----------------------------------------------------------------------------------

std::uint32_t widget::text_draw_colour() const {
  if (state & widget_disabled) return colour & 0x77FFFFFFu;
  if (hovered && is_clickable()) return highlight_colour;
  return colour;
}

void widget::render(mesh_render_view& context, float& depth, const ui_vec2&, const ui_vec2&) {
  if (state & widget_hidden) return;
  if (mesh* t = get_mesh(text_slot())) t->color = text_draw_colour();
  frame f = frame::identity();
  f.origin = vec3(absolute_position.x, absolute_position.y, depth);
  const bool hover_look = hovered && is_clickable();
  for (int k = 0; k < widget_mesh_slots; ++k) {
    mesh* m = get_mesh(k);
    if (!m) continue;
    const bool enabled = mesh_enabled[static_cast<std::size_t>(k)] != 0;
    bool draw = enabled;
    if (k == slot_hover) {
      const bool down_shown = get_mesh(slot_down) && mesh_enabled[slot_down];
      draw = (hover_look && !down_shown) || enabled;
    } else if (k == slot_up) {
      draw = !(hover_look && get_mesh(slot_hover)) && enabled;
    }
    if (!draw) continue;
    depth += 1.0f;
    f.origin.z = depth;
    m->render(context, f);
  }
}

// --- events ------------------------------------------------------------------------------------

bool widget::take_event(std::uint32_t mask) {
  const bool any = (pending_events & mask) != 0;
  pending_events &= ~mask;
  return any;
}

void widget::raise_event(std::uint32_t bits) {
  pending_events |= bits;
  events_this_frame |= bits;
}

bool widget::handle_event(std::uint32_t bits) {
  raise_event(bits);
  apply_value_steps();
  return false;
}

void widget::apply_value_steps() {
  if (events_this_frame & event_mask) {
    if (step_flags & step_up)
      ++value;
    else if (step_flags & step_down)
      --value;
    value = std::clamp(value, value_min, std::max(value_min, value_max));
    if (step_flags & (step_up | step_down)) g_ui_manager.close_top_root = 1;
  }
  events_this_frame = 0;
}

// --- placement ---------------------------------------------------------------------------------

void widget::set_position(const ui_vec2& p) {
  local_position = p;
  if (parent)
    parent->place_child(*this);
  else
    absolute_position = p;
}

void widget::set_size(const ui_vec2& s) {
  size = s;
  if (parent) parent->place_child(*this);
}

void widget::set_extent_min(const ui_vec2& m) {
  extent_min = m;
  if (parent) parent->place_child(*this);
}

void widget::update_bounds() {
  ui_vec2 hi{0.0f, 0.0f};
  ui_vec2 lo{no_minimum, no_minimum};
  bool any = false;
  for (int k : {slot_background, slot_up, slot_down, slot_hover}) {
    mesh* m = get_mesh(k);
    if (!m) continue;
    m->compute_bounding_box();
    any = true;
    hi.x = std::max(hi.x, m->bbox.max.x);
    hi.y = std::max(hi.y, m->bbox.max.y);
    lo.x = std::min(lo.x, m->bbox.min.x);
    lo.y = std::min(lo.y, m->bbox.min.y);
  }
  if (!any) return;
  lo.x = std::min(lo.x, no_minimum);
  lo.y = std::min(lo.y, no_minimum);
  if (std::sqrt(hi.x * hi.x + hi.y * hi.y) > 0.0f) {
    set_size(hi);
    extent_min = lo;
  }
}

// --- meshes ------------------------------------------------------------------------------------

void widget::set_mesh(int index, std::unique_ptr<mesh> m) {
  if (m) fit_mesh(*m);
  set_mesh_slot(index, std::move(m));
}

void widget::set_mesh_slot(int index, std::unique_ptr<mesh> m) {
  if (index < 0 || index >= widget_mesh_slots) return;
  std::unique_ptr<mesh>& slot = meshes[static_cast<std::size_t>(index)];
  slot = std::move(m);
  on_mesh_set(slot.get());
}

void widget::fit_mesh(mesh& m) {
  m.make_geometry_own();
  float max_x = 0.0f, max_y = 0.0f, min_x = 0.0f, min_y = 0.0f;
  for (const mesh_point& p : m.get_points()) {
    max_x = std::max(max_x, p.position.x);
    max_y = std::max(max_y, p.position.y);
    min_x = std::min(min_x, p.position.x);
    min_y = std::min(min_y, p.position.y);
  }
  if (max_x <= 0.0f || max_y <= 0.0f) return;
  const float sx = (size.x - extent_min.x) / (max_x - min_x);
  const float sy = (size.y - extent_min.y) / (max_y - min_y);
  // mesh::scale scales both coordinate copies of every point.
  m.scale(sx, sy, (sx + sy) * 0.5f);
}

void widget::scale_meshes(const ui_vec2& ratio) {
  for (int k = 0; k < widget_mesh_slots; ++k)
    if (k != text_slot())
      if (mesh* m = get_mesh(k)) m->scale(ratio.x, ratio.y, 1.0f);
}

// --- text --------------------------------------------------------------------------------------

mesh& widget::text_mesh() {
  const int k = text_slot();
  if (!get_mesh(k)) {
    auto m = std::make_unique<mesh>();
    m->material_name = "ui_font";
    m->set_material(g_ui_manager.ui_material("ui_font"));
    set_mesh(k, std::move(m));
  }
  return *get_mesh(k);
}

void widget::rebuild_text_mesh(ui_vec2& out_extent) {
  mesh& m = text_mesh();
  // A marked text stands in the scene (labels over heads): it turns to face
  // the camera, which reverses its winding.
  if (text_mesh_marked) m.billboard_mode = m.flip_winding = 1;
  m.clear_geometry();
  out_extent = {};
  const font_details* f = font ? font : g_ui_manager.default_font;
  if (!f) return;
  vec3 extent;
  build_text_mesh(*f, extent, text.view(), vec3(text_position.x, text_position.y, 0.0f), 0xFFFFFFFFu,
                  vec3(text_size.x, text_size.y, 0.0f), m, vec3(extent_min.x, extent_min.y, 0.0f),
                  vec3(size.x, size.y, 0.0f), text_flags);
  out_extent = {extent.x, extent.y};
}

ui_vec2 widget::size_to_text(bool cap_width) {
  const float old_width = size.x;
  if (!(text_flags & ui_text_flag::keep_width)) set_size({1.0f, 0.75f});
  ui_vec2 e;
  rebuild_text_mesh(e);
  float w = e.x;
  if (text_flags & ui_text_flag::keep_width)
    w = old_width;
  else if (cap_width)
    w = std::min(e.x, old_width);
  set_size({w, e.y});
  text_position.y = e.y - text_size.y * 0.63f;
  ui_vec2 again;
  rebuild_text_mesh(again);
  return e;
}

void widget::set_text(ui_vec2& out_extent, const ruv_string& t) {
  if (text_flags & ui_text_flag::size_from_height) text_size = {size.y * 0.95f, size.y * 0.95f};
  text = t;
  if (text_flags & ui_text_flag::auto_position) text_position = {0.005f, size.y * 0.9f - text_size.y * 0.6f};
  ui_vec2 e;
  if (text_flags & ui_text_flag::size_to_text)
    e = size_to_text(false);
  else
    rebuild_text_mesh(e);
  mesh_enabled[static_cast<std::size_t>(text_slot())] = 1;
  out_extent = e;
}

void widget::set_text_size(const ui_vec2& s) {
  text_flags &= ~ui_text_flag::size_from_height;
  text_size = s;
  if (text_flags & ui_text_flag::size_to_text) size_to_text(true);
}

void widget::set_text_position(const ui_vec2& p) {
  text_flags &= ~ui_text_flag::auto_position;
  text_position = p;
}

void widget::set_text_flags(std::uint32_t flags) {
  text_flags = flags;
  rebuild_text_mesh();
}

void widget::add_text_flags(std::uint32_t flags) {
  text_flags |= flags;
  rebuild_text_mesh();
}

void widget::set_font(const font_details* f) {
  font = f;
  rebuild_text_mesh();
}

ui_vec2 widget::measure_text() {
  ui_vec2 e;
  rebuild_text_mesh(e);
  return e;
}

}  // namespace hm
