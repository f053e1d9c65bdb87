#pragma once
// The concrete widgets: the label, three push buttons, the value widgets
// (slider, scroll bar, progress bar), the drop-down combo box and the
// one-line text box. Each changes how it draws its looks, what a press or a
// release means, how its value maps onto a handle, and which meshes its
// animation channels recolour.
#include <array>
#include <vector>

#include "ui/widget/widget.h"

namespace hm {

class window_container;

// A label; its text mesh lives in slot 0.
class text_widget : public widget {
 public:
  int get_type() const override { return widget_type::text_widget; }
  void update(float frame_time) override;

 protected:
  int text_slot() const override { return slot_background; }
};

// What the three push buttons share: a press and a release on the same
// widget make a click; a toggle flips on each press.
class button_widget : public widget {
 public:
  static constexpr std::uint32_t flag_toggle = 0x1;
  static constexpr std::uint32_t flag_toggle_stays_on = 0x2;

  bool is_clickable() const override { return true; }
  bool handle_event(std::uint32_t bits) override;
  void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) override;
  // Whether the down look shows now.
  bool shows_down_look() const;

  std::uint32_t look = 0;  // 1 up, 0 down
  std::uint32_t pressed = 0;
  std::uint32_t button_flags = 0;
};

class text_button : public button_widget {
 public:
  int get_type() const override { return widget_type::text_button; }
};

// A button whose label is fitted to its width.
class medium_button : public button_widget {
 public:
  int get_type() const override { return widget_type::medium_button; }
  void set_text(ui_vec2& out_extent, const ruv_string& t) override;
  using widget::set_text;
};

class image_button : public button_widget {
 public:
  int get_type() const override { return widget_type::image_button; }
  void update(float frame_time) override;
};

// A value along an axis with a handle: the slider (and the progress bar) by
// the handle's centre, the scroll bar by its start.
class handle_widget : public widget {
 public:
  bool handle_event(std::uint32_t bits) override;

  // The handle's reference point (centre or start) from the widget's start.
  virtual float handle_point() const;
  // The value for a point along the axis, relative to the widget's start.
  virtual float value_at(float p) const;
  // Where a press grabs the handle: strictly between these, from the start.
  virtual void grab_zone(float& lo, float& hi) const;

  float length() const { return axis ? size.y : size.x; }
  float mouse_along() const;
  float start_along() const { return axis ? absolute_position.y : absolute_position.x; }
  // Clamps and stores the float value.
  void set_value_from_point(float p);

  std::uint32_t axis = 0;  // 0 horizontal, 1 vertical
  float handle_size = 0.008f;
  std::uint32_t dragging = 0;
  float grab_offset = 0.0f;

 protected:
  // The value's share of its range, 0 for an empty range.
  float value_ratio() const;
  // Moves the handle mesh (slot 2) along the axis to the handle point.
  void place_handle_mesh();
  // The text scale channel's effect: the meshes scaled by new / old, the
  // bounds taken again.
  void rescale(const ui_vec2& scale);
  // The colour channels' effect: the colour, and its alpha on the track and
  // the handle. Whether either ran.
  bool advance_alpha_channels();
};

class slider : public handle_widget {
 public:
  slider() { float_value = 1.0f; }
  int get_type() const override { return widget_type::slider; }
  void update(float frame_time) override;
  void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) override;
};

class scrollbar : public handle_widget {
 public:
  scrollbar() {
    float_value = 1.0f;
    handle_size = 0.1f;
  }
  float handle_point() const override;
  float value_at(float p) const override;
  void grab_zone(float& lo, float& hi) const override;
  void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) override;
  // The handle covers this share of the bar.
  virtual void set_handle_ratio(float ratio);
};

// Moves a scroll bar's handle by the wheel's turn from where it stands and
// reports "clicked", so that the area it scrolls follows.
void scroll_by_wheel(scrollbar& bar, float wheel);

class progress_bar : public handle_widget {
 public:
  progress_bar() { float_value = 1.0f; }
  int get_type() const override { return widget_type::progress_bar; }
  void update(float frame_time) override;
  void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) override;
  // The fill (slot 1) made anew from the source when the value changed.
  virtual void rebuild_fill();

  const mesh* fill_source = nullptr;  // not owned
  std::uint32_t fill_word = 1;
  float value_last_drawn = 1.0f;
  float fill_scale[3] = {1.0f, 1.0f, 1.0f};
  std::uint32_t fill_scale_word = 0;
  std::uint32_t fill_alpha = 0xFF000000u;
};

class combobox : public widget {
 public:
  combobox() { value_max = 0; }
  // An open list forgets the box, so that closing it later reports nowhere.
  ~combobox() override;
  int get_type() const override { return widget_type::combobox; }
  bool is_clickable() const override { return true; }
  void update(float frame_time) override;
  void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) override;
  // A press opens the list; the list's report (0x10000) closes it.
  bool handle_event(std::uint32_t bits) override;
  void set_value(std::int32_t v) override;
  virtual void clear_items();
  virtual void add_item(const ruv_string& item);
  // Builds the drop-down list and makes it the top root widget.
  window_container* open_list();

  std::uint32_t look = 0;
  std::uint8_t open = 0;
  std::vector<ruv_string> items;
  // Item width, item height, x offset, text size x and y, text position x and y.
  std::array<float, 7> layout{0.2265f, 0.029f, 0.0135f, 0.018f, 0.018f, 0.02f, 0.01f};
  // The list items' looks (normal, pressed, highlighted); copies are made.
  std::array<const mesh*, 3> list_meshes{};

 private:
  window_container* list_ = nullptr;  // the open list, a root of the UI manager
};

class text_box : public widget {
 public:
  int get_type() const override { return widget_type::game_button; }
  bool is_clickable() const override { return true; }
  void update(float frame_time) override;
  void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max) override;
  bool handle_event(std::uint32_t bits) override;

  std::uint32_t look = 0;
  std::uint8_t focused = 0;
  std::uint8_t clear_on_focus = 0;
  std::uint32_t max_length = 28;

 private:
  void lose_focus();
};

// Removes the last UTF-8 character (its lead byte and continuation bytes).
void remove_last_utf8_char(ruv_string& t);
// Appends a code point below U+10000 as UTF-8 (one, two or three bytes).
void append_utf8(ruv_string& t, std::int32_t code);

}  // namespace hm
