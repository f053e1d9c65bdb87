#include "ui/widget/container.h"

#include <algorithm>

#include "engine/resource/mesh.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/widget_kinds.h"

namespace hm {

namespace {

constexpr std::uint32_t hover_bits = ui_event::hover | ui_event::enter | ui_event::leave;

}  // namespace

// --- container ----------------------------------------------------------------------------------

container::~container() = default;

widget* container::add_child(std::unique_ptr<widget> child) {
  widget* raw = child.get();
  if (!raw) return nullptr;
  raw->parent = this;
  children.push_back(std::move(child));
  place_child(*raw);
  return raw;
}

void container::delete_children() { children.clear(); }

void container::place_child(widget& child) {
  child.absolute_position = {child.local_position.x + absolute_position.x,
                             child.local_position.y + absolute_position.y};
  child.place_children();
  if (state & widget_grow_to_fit) {
    size.x = std::max(size.x, child.local_position.x + child.size.x);
    size.y = std::max(size.y, child.local_position.y + child.size.y);
    extent_min.x = std::min(extent_min.x, child.local_position.x + child.extent_min.x);
    extent_min.y = std::min(extent_min.y, child.local_position.y + child.extent_min.y);
  }
}

void container::place_children() {
  for (const auto& c : children) place_child(*c);
}

void container::set_position(const ui_vec2& p) {
  local_position = p;
  if (parent)
    parent->place_child(*this);
  else
    absolute_position = p;
  place_children();
}

void container::clear_events() {
  for (const auto& c : children) c->clear_events();
}

void container::update(float frame_time) {
  if (state & widget_hidden) return;
  for (std::size_t i = 0; i < children.size(); ++i) children[i]->update(frame_time);
}

void container::render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) {
  if (state & widget_hidden) return;
  widget::render(context, depth, clip_min, clip_max);
  const ui_vec2 lo{std::max(clip_min.x, absolute_position.x + extent_min.x),
                   std::max(clip_min.y, absolute_position.y + extent_min.y)};
  const ui_vec2 hi{std::min(clip_max.x, absolute_position.x + size.x), std::min(clip_max.y, absolute_position.y + size.y)};
  const float base = depth;
  float reached = depth;
  for (const auto& c : children) {
    const ui_vec2 cmin{c->absolute_position.x + c->extent_min.x, c->absolute_position.y + c->extent_min.y};
    const ui_vec2 cmax{c->absolute_position.x + c->size.x, c->absolute_position.y + c->size.y};
    if (cmin.x > hi.x || cmin.y > hi.y || cmax.x < lo.x || cmax.y < lo.y) continue;
    float d = base;
    c->render(context, d, lo, hi);
    reached = std::max(reached, d);
  }
  depth = reached;
}

bool container::handle_event(std::uint32_t bits) {
  if (!is_active()) return false;
  bool consumed = false;
  const ui_vec2 m = g_ui_manager.mouse_position;
  if (bits & hover_bits) {
    for (std::size_t i = 0; i < children.size(); ++i) {
      widget& c = *children[i];
      if (!c.is_active()) continue;
      if (!(bits & ui_event::leave) && child_under_mouse(c, m)) {
        if (c.hovered) {
          c.handle_event(ui_event::hover);
        } else {
          c.handle_event(ui_event::enter);
          c.hovered = 1;
        }
      } else if (c.hovered) {
        c.handle_event(ui_event::leave);
        c.hovered = 0;
      }
    }
  } else {
    for (std::size_t i = children.size(); i-- > 0;) {
      widget& c = *children[i];
      if (!c.is_active() || !child_under_mouse(c, m)) continue;
      if (c.handle_event(bits)) {
        consumed = true;
        break;
      }
    }
  }
  raise_event(bits);
  apply_value_steps();
  return consumed;
}

void container::apply_value_steps() {
  if ((events_this_frame & event_mask) && (step_flags & step_report_child) && linked_widget) {
    int clicked = -1;
    for (std::size_t i = 0; i < children.size(); ++i)
      if (children[i]->pending_events & ui_event::clicked) clicked = static_cast<int>(i);
    widget* linked = linked_widget;
    if (clicked >= 0) linked->set_value(clicked);
    linked->handle_event(ui_event::clicked);
  }
  widget::apply_value_steps();
}

bool window_container::handle_event(std::uint32_t bits) {
  const bool consumed = container::handle_event(bits);
  if (!consumed && swallow_presses && (bits & ui_event::press)) {
    g_ui_manager.close_top_root = 1;
    return true;
  }
  return consumed;
}

// --- makers -------------------------------------------------------------------------------------

widget* make_label(container& parent, const ruv_string& t, float x, float y, float width, float height) {
  widget* w = parent.add_child(std::make_unique<widget>());
  w->set_position({x, y});
  w->set_size({width, height});
  w->set_text(t);
  return w;
}

widget* add_text_line(container& parent, const ruv_string& t, float x, float y) {
  auto line = std::make_unique<text_widget>();
  line->text_flags = 0;
  line->text_size = parent.text_size;
  line->text_position = {0.0f, 0.0f};
  widget* w = parent.add_child(std::move(line));
  w->set_size({std::max(parent.size.x - x, 0.0f), parent.text_size.y});
  w->set_position({x, y});
  w->set_text(t);
  return w;
}

}  // namespace hm
