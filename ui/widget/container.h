#pragma once
// Widgets arranged in trees: a container owns an ordered list of children,
// places them relative to itself, routes mouse events to them, updates and
// draws them, and can report which child was clicked to a linked widget. The
// window container is the root of a window or a pop-up and can swallow a
// press that falls outside every child. The scrollable container shows part
// of a larger content container through a view of its own, cut to its box,
// with a scroll bar for each axis.
#include <memory>
#include <vector>

#include "render/entity/render_view.h"
#include "ui/widget/widget.h"

namespace hm {

class scrollbar;

class container : public widget {
 public:
  container() = default;
  ~container() override;

  void update(float frame_time) override;
  void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) override;
  // Clears every child's events, recursively; the container's own stay.
  void clear_events() override;
  void set_position(const ui_vec2& p) override;
  void place_child(widget& child) override;
  void place_children() override;
  bool handle_event(std::uint32_t bits) override;
  void apply_value_steps() override;
  virtual void delete_children();
  // Takes the child, places it and returns it.
  virtual widget* add_child(std::unique_ptr<widget> child);

  template <class W>
  W* add(std::unique_ptr<W> child) {
    W* raw = child.get();
    add_child(std::move(child));
    return raw;
  }

  std::vector<std::unique_ptr<widget>> children;

 protected:
  // Whether the mouse counts as over the child (the scrollable container
  // hides content outside its box).
  virtual bool child_under_mouse(const widget& child, const ui_vec2& m) const { return child.contains(m); }
};

class window_container : public container {
 public:
  bool handle_event(std::uint32_t bits) override;

  // A press no child took is taken here and closes the top root.
  std::uint8_t swallow_presses = 0;
};

class scrollable_container : public container {
 public:
  scrollable_container();
  ~scrollable_container() override;

  int get_type() const override { return widget_type::scrollable_container; }
  void update(float frame_time) override;
  void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) override;
  void place_child(widget& child) override;
  // The view's box and the visible scroll bars.
  bool contains(const ui_vec2& p) const override;
  // State bit 0x20 of the widget for a non-zero argument, else bit 0x10.
  virtual std::uint32_t scroll_state_bit(int which) const { return state & (which ? 0x20u : 0x10u); }

  void set_content_text(const ruv_string& t);
  void set_content_text_scale(const ui_vec2& scale);
  void set_colour_rgb(std::uint32_t c);
  void set_alpha(std::uint32_t alpha_byte);
  // The visible size; the vertical bar gets copies of "scrollbar" and
  // "scrollbar_handle" (when the resource manager has them).
  void set_view_size(const ui_vec2& s);
  void update_layout();
  void update_scrollbars();
  // Installs a scroll bar for the axis (0 horizontal, 1 vertical) as a child.
  scrollbar* set_scrollbar(int axis, std::unique_ptr<scrollbar> bar);
  // The first child of the content, or null.
  widget* first_content_child() const;

  render_view view;
  scrollbar* scroll_bars[2] = {nullptr, nullptr};  // children
  std::uint32_t scroll_bar_enabled[2] = {0, 0};
  container* content = nullptr;  // a child
  ui_vec2 scroll_offset;
  ui_vec2 view_size;
  // Where the vertical bar stands, from the box's left edge; below 0 just
  // right of the box (its width + 0.01).
  float vertical_bar_x = -1.0f;

 protected:
  bool child_under_mouse(const widget& child, const ui_vec2& m) const override;
};

// A plain widget with the text at that place and size in the container.
widget* make_label(container& parent, const ruv_string& t, float x, float y, float width, float height);
// A label child laid out at a position with the container's text size.
widget* add_text_line(container& parent, const ruv_string& t, float x, float y);

}  // namespace hm
