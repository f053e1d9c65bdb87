// The scrollable container: a box onto a larger content container, shifted by
// the scroll bars' values and drawn through a view of its own whose viewport
// is the box, so that the content outside it is cut off.
#include <algorithm>
#include <cmath>

#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "render/view/interface_view.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {

namespace {

// The height of the "scrollbar" meshes in their own units, and the share of
// the track the handle mesh covers.
constexpr float bar_mesh_scale = 1.5576323f;
constexpr float bar_handle_share = 0.31f;
// The content's camera stands this far in front of the UI plane.
constexpr float content_camera_z = 400.0f;
constexpr float content_camera_far = 500.0f;
// UI y runs to 0.75; the viewport's rows are 4/3 of it.
constexpr float ui_rows_per_y = 1.3333334f;

std::uint32_t to_pixels(float v, std::uint32_t limit) {
  if (!(v > 0.0f)) return 0;
  return static_cast<std::uint32_t>(std::min(static_cast<float>(limit), std::floor(v)));
}

}  // namespace

scrollable_container::scrollable_container() {
  auto inner = std::make_unique<container>();
  inner->state |= widget_grow_to_fit;
  content = add(std::move(inner));
  auto bar = std::make_unique<scrollbar>();
  bar->axis = 1;
  set_scrollbar(1, std::move(bar));
}

scrollable_container::~scrollable_container() = default;

scrollbar* scrollable_container::set_scrollbar(int axis, std::unique_ptr<scrollbar> bar) {
  const auto a = static_cast<std::size_t>(axis != 0);
  if (scrollbar* old = scroll_bars[a]) {
    std::erase_if(children, [old](const std::unique_ptr<widget>& c) { return c.get() == static_cast<widget*>(old); });
    scroll_bars[a] = nullptr;
  }
  if (!bar) return nullptr;
  bar->axis = static_cast<std::uint32_t>(a);
  scrollbar* raw = add(std::move(bar));
  scroll_bars[a] = raw;
  return raw;
}

widget* scrollable_container::first_content_child() const {
  return content && !content->children.empty() ? content->children.front().get() : nullptr;
}

bool scrollable_container::contains(const ui_vec2& p) const {
  if (widget::contains(p)) return true;
  for (scrollbar* bar : scroll_bars)
    if (bar && !bar->is_hidden() && bar->contains(p)) return true;
  return false;
}

bool scrollable_container::child_under_mouse(const widget& child, const ui_vec2& m) const {
  // Content scrolled out of the box is out of reach.
  if (&child == content) return widget::contains(m) && child.contains(m);
  return child.contains(m);
}

void scrollable_container::place_child(widget& child) {
  if (&child != content) {
    container::place_child(child);
    return;
  }
  child.absolute_position = {child.local_position.x + absolute_position.x - scroll_offset.x,
                             child.local_position.y + absolute_position.y - scroll_offset.y};
  child.place_children();
}

void scrollable_container::update(float frame_time) {
  if (state & widget_hidden) return;
  if (content) {
    scroll_offset = content->extent_min;
    const float content_size[2] = {content->size.x, content->size.y};
    const float content_min[2] = {content->extent_min.x, content->extent_min.y};
    const float own[2] = {size.x, size.y};
    float offset[2] = {scroll_offset.x, scroll_offset.y};
    for (int a = 0; a < 2; ++a) {
      scrollbar* bar = scroll_bars[a];
      if (!bar || !scroll_bar_enabled[a]) continue;
      offset[a] = (content_size[a] - content_min[a] - own[a]) * bar->get_float_value() + content_min[a];
    }
    scroll_offset = {offset[0], offset[1]};
    place_child(*content);
  }

  ui_vec2 scale;
  if (text_scale_channel_value(scale)) {
    text_scale = scale;
    if (widget* first = first_content_child()) first->set_text_size({text_scale_unit * scale.x, text_scale_unit * scale.y});
    update_layout();
  }
  std::uint32_t c = 0;
  if (colour_channel_value(channel_colour, colour, c)) {
    colour = c;
    set_colour_rgb(c);
  }
  if (colour_channel_value(channel_alpha, colour, c)) {
    colour = c;
    set_alpha(c >> 24);
  }
  const ui_vec2 before = absolute_position;
  advance_position_channel();
  if (!(absolute_position == before)) update_layout();

  container::update(frame_time);
}

void scrollable_container::render(mesh_render_view& context, float& depth, const ui_vec2& clip_min,
                                  const ui_vec2& clip_max) {
  if (state & widget_hidden) return;
  widget::render(context, depth, clip_min, clip_max);

  // The content through the box's own view.
  const float w = static_cast<float>(g_ui_manager.screen_width);
  const float h = static_cast<float>(g_ui_manager.screen_height);
  view.clear_meshes();
  view.viewport.x = to_pixels(w * absolute_position.x, g_ui_manager.screen_width);
  view.viewport.y = to_pixels((interface_height - (absolute_position.y + size.y)) * h * ui_rows_per_y,
                              g_ui_manager.screen_height);
  view.viewport.width = std::min(to_pixels(w * size.x, g_ui_manager.screen_width),
                                 g_ui_manager.screen_width - view.viewport.x);
  view.viewport.height = std::min(to_pixels(h * size.y * ui_rows_per_y, g_ui_manager.screen_height),
                                  g_ui_manager.screen_height - view.viewport.y);
  view.viewport.min_depth = 0.0f;
  view.viewport.max_depth = 1.0f;
  camera& cam = view.camera;
  cam.perspective = 0;
  cam.view_left = -size.x * 0.5f;
  cam.view_right = size.x * 0.5f;
  cam.view_bottom = -size.y * 0.5f;
  cam.view_top = size.y * 0.5f;
  cam.near = 0.0f;
  cam.far = content_camera_far;
  cam.frame = frame::identity();
  cam.frame.origin = vec3(absolute_position.x + size.x * 0.5f, absolute_position.y + size.y * 0.5f, content_camera_z);
  cam.update_frustum_planes();
  // Drawn after the interface's view, in order, over a depth buffer of its own.
  view.flags = view_flag_queue_last | view_flag_no_sort | view_flag_clear_depth;
  view.lights_enabled = 0;
  view.scene_colour = {1.0f, 1.0f, 1.0f, 1.0f};

  depth += 1.0f;
  const ui_vec2 lo{std::max(clip_min.x, absolute_position.x + extent_min.x),
                   std::max(clip_min.y, absolute_position.y + extent_min.y)};
  const ui_vec2 hi{std::min(clip_max.x, absolute_position.x + size.x), std::min(clip_max.y, absolute_position.y + size.y)};
  float reached = depth;
  if (content && view.viewport.width > 0 && view.viewport.height > 0) {
    float d = depth;
    content->render(view, d, lo, hi);
    reached = std::max(reached, d);
  }
  // The bars stand beside the box: they are drawn with the caller's view.
  for (scrollbar* bar : scroll_bars) {
    if (!bar) continue;
    float d = depth;
    bar->render(context, d, clip_min, clip_max);
    reached = std::max(reached, d);
  }
  depth = reached;
}

void scrollable_container::set_content_text(const ruv_string& t) {
  widget* first = first_content_child();
  if (!first) return;
  first->set_text(t);
  if (!(view_size == ui_vec2{})) {
    first->set_size(view_size);
    ui_vec2 e;
    first->rebuild_text_mesh(e);
    first->set_size(e);
    first->text_position.y = e.y - text_size.y * 0.63f - 0.001f;
    first->rebuild_text_mesh();
  }
  update_layout();
}

void scrollable_container::set_content_text_scale(const ui_vec2& scale) {
  if (widget* first = first_content_child()) first->set_text_size({text_scale_unit * scale.x, text_scale_unit * scale.y});
  text_scale = scale;
  update_layout();
}

void scrollable_container::set_colour_rgb(std::uint32_t c) {
  widget* first = first_content_child();
  if (!first) return;
  first->colour = (first->colour & 0xFF000000u) | (c & 0x00FFFFFFu);
  first->rebuild_text_mesh();
}

void scrollable_container::set_alpha(std::uint32_t alpha_byte) {
  const std::uint32_t a = (alpha_byte & 0xFFu) << 24;
  if (widget* first = first_content_child()) first->colour = (first->colour & 0x00FFFFFFu) | a;
  for (scrollbar* bar : scroll_bars)
    if (bar) bar->colour = (bar->colour & 0x00FFFFFFu) | a;
}

void scrollable_container::set_view_size(const ui_vec2& s) {
  if (widget* first = first_content_child()) {
    first->set_size(s);
    first->set_text_size(first->text_size);
  }
  view_size = s;
  if (auto* bar = scroll_bars[1]) {
    bar->set_size({0.01f, s.y});
    bar->handle_size = s.y * bar_mesh_scale * bar_handle_share;
    resource_manager& r = g_ui_manager.resources ? *g_ui_manager.resources : g_resource_manager;
    const char* names[2] = {"scrollbar", "scrollbar_handle"};
    const int slots[2] = {slot_background, slot_up};
    for (int k = 0; k < 2; ++k) {
      mesh* source = r.find_mesh(ruv_string(names[k]));
      if (!source) continue;
      std::unique_ptr<mesh> copy = source->create_copy();
      copy->scale(0.5f, s.y * bar_mesh_scale, 1.0f);
      bar->set_mesh_slot(slots[k], std::move(copy));
    }
  }
  update_layout();
}

void scrollable_container::update_layout() {
  if (!content) return;
  widget* first = first_content_child();
  if (first) {
    first->set_size(first->size);
    first->set_position({first->local_position.x, 0.0f});
  }
  // The content is as large as what it holds now: growing to fit alone would
  // keep the size of an earlier, larger text and scroll the new one away.
  ui_vec2 hi{0.0f, 0.0f};
  ui_vec2 lo{0.0f, 0.0f};
  for (const auto& c : content->children) {
    hi = {std::max(hi.x, c->local_position.x + c->size.x), std::max(hi.y, c->local_position.y + c->size.y)};
    lo = {std::min(lo.x, c->local_position.x + c->extent_min.x), std::min(lo.y, c->local_position.y + c->extent_min.y)};
  }
  content->size = hi;
  content->extent_min = lo;
  if (view_size == ui_vec2{})
    set_size({content->size.x, size.y});
  else
    set_size(view_size);
  // The content's height is its first child's (the content itself only grows).
  const float content_height = first ? first->size.y - first->extent_min.y : content->size.y - content->extent_min.y;
  if (first) {
    if (content_height < size.y) {
      first->set_position({first->local_position.x, size.y - content_height});
      content->size.y = std::max(content->size.y, size.y);
    } else {
      first->set_position({0.0f, 0.0f});
    }
  }
  if (scrollbar* bar = scroll_bars[1]) bar->set_position({vertical_bar_x >= 0.0f ? vertical_bar_x : size.x + 0.01f, 0.0f});
  update_scrollbars();
}

void scrollable_container::update_scrollbars() {
  if (!content) return;
  const float extent[2] = {content->size.x - content->extent_min.x, content->size.y - content->extent_min.y};
  const float own[2] = {size.x, size.y};
  for (int a = 0; a < 2; ++a) {
    scroll_bar_enabled[a] = 0;
    auto* bar = scroll_bars[a];
    if (bar) bar->hide();
    if (extent[a] > own[a]) {
      scroll_bar_enabled[a] = 1;
      if (bar) {
        bar->show();
        bar->set_handle_ratio(own[a] / extent[a]);
      }
    }
  }
  content->set_position({0.0f, 0.0f});
}

}  // namespace hm
