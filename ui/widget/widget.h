#pragma once
// The element every screen is built from: a retained widget with a position in
// UI space (x 0..1, y 0..0.75, y upwards), a size, up to five meshes, a text
// laid out into a text mesh, two colours, an integer and a float value, event
// bits, a parent, and six timed animation channels. The concrete kinds and
// the containers derive from it and override a few of its virtual operations.
//
// Meshes hold vertex coordinates in UI units relative to the widget's
// position; the widget owns them.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

class font_details;
class mesh;
class mesh_render_view;

struct ui_vec2 {
  float x = 0.0f;
  float y = 0.0f;
};

inline bool operator==(const ui_vec2& a, const ui_vec2& b) { return a.x == b.x && a.y == b.y; }

// Event bits: what handle_event receives and what pending bits and masks hold.
namespace ui_event {
inline constexpr std::uint32_t hover = 0x1;
inline constexpr std::uint32_t enter = 0x2;
inline constexpr std::uint32_t leave = 0x4;
inline constexpr std::uint32_t release = 0x8;
inline constexpr std::uint32_t press = 0x10;
inline constexpr std::uint32_t right_release = 0x20;
inline constexpr std::uint32_t right_press = 0x40;
inline constexpr std::uint32_t middle_release = 0x80;
inline constexpr std::uint32_t middle_press = 0x100;
inline constexpr std::uint32_t double_press = 0x200;
inline constexpr std::uint32_t right_double_press = 0x400;
inline constexpr std::uint32_t middle_double_press = 0x800;
inline constexpr std::uint32_t character = 0x1000;
inline constexpr std::uint32_t clicked = 0x10000;
inline constexpr std::uint32_t closing = 0x20000;
}  // namespace ui_event

// Text flags of a widget; the whole word also goes to the text-mesh builder.
namespace ui_text_flag {
inline constexpr std::uint32_t auto_position = 0x1;
inline constexpr std::uint32_t size_from_height = 0x2;
inline constexpr std::uint32_t align_left = 0x4;
inline constexpr std::uint32_t align_right = 0x8;
inline constexpr std::uint32_t centre = 0x10;
inline constexpr std::uint32_t keep_width = 0x100;
inline constexpr std::uint32_t size_to_text = 0x200;
inline constexpr std::uint32_t start_at_extent = 0x400;
inline constexpr std::uint32_t wide_lines = 0x800;
inline constexpr std::uint32_t centre_vertically = 0x1000;
}  // namespace ui_text_flag

// State bits.
inline constexpr std::uint32_t widget_hidden = 0x1;
inline constexpr std::uint32_t widget_disabled = 0x2;
// A container's state bit: grow to hold every child placed in it.
inline constexpr std::uint32_t widget_grow_to_fit = 0x100;

// Step flags.
inline constexpr std::uint32_t step_up = 0x1;
inline constexpr std::uint32_t step_down = 0x2;
inline constexpr std::uint32_t step_report_child = 0x4;

// Mesh slots.
inline constexpr int slot_background = 0;
inline constexpr int slot_down = 1;
inline constexpr int slot_up = 2;
inline constexpr int slot_hover = 3;
inline constexpr int slot_text = 4;
inline constexpr int widget_mesh_slots = 5;

// Animation channels.
inline constexpr int channel_colour = 0;
inline constexpr int channel_alpha = 1;
inline constexpr int channel_highlight_colour = 2;
inline constexpr int channel_highlight_alpha = 3;
inline constexpr int channel_text_scale = 4;
inline constexpr int channel_position = 5;
inline constexpr int widget_channels = 6;

// The glyph size one unit of text scale gives.
inline constexpr float text_scale_unit = 0.02f;

// Type codes (get_type).
namespace widget_type {
inline constexpr int container = 0;  // also the scroll bar and the window container
inline constexpr int text_button = 1;
inline constexpr int slider = 2;
inline constexpr int progress_bar = 3;
inline constexpr int text_widget = 4;
inline constexpr int combobox = 5;
inline constexpr int game_button = 6;
inline constexpr int scrollable_container = 7;
inline constexpr int image_button = 8;
inline constexpr int medium_button = 9;
}  // namespace widget_type

// Where a channel's clock started.
struct widget_timer {
  std::int32_t clock_id = 0;
  std::int64_t start_ticks = 0;
};

// What a channel's advance produced this frame (the kinds send the values to
// different places, so the advance reports them and the kinds apply them).
struct channel_step {
  bool active = false;  // a value was produced this frame
  float t = 0.0f;       // elapsed seconds
  float d = 0.0f;       // duration
  bool finished = false;
};

class widget {
 public:
  widget();
  virtual ~widget();
  widget(const widget&) = delete;
  widget& operator=(const widget&) = delete;

  virtual bool is_clickable() const { return false; }
  virtual void update(float frame_time);
  virtual void update_bounds();
  virtual void animate_colour(float duration, std::uint32_t colour);
  virtual void animate_alpha(float duration, std::uint32_t colour);
  virtual void animate_highlight_colour(float duration, std::uint32_t colour);
  virtual void animate_highlight_alpha(float duration, std::uint32_t colour);
  virtual void animate_text_scale(float duration, const ui_vec2& scale);
  virtual void animate_position(float duration, const ui_vec2& position);
  // Draws the enabled meshes; depth is raised by 1 before each mesh and read
  // by the next widget. The clip rectangle is the containers' business.
  virtual void render(mesh_render_view& context, float& depth, const ui_vec2& clip_min, const ui_vec2& clip_max);
  virtual void set_value(std::int32_t v) { value = v; }
  virtual std::int32_t get_value() const { return value; }
  virtual void set_float_value(float v) { float_value = v; }
  virtual float get_float_value() const { return float_value; }
  virtual bool has_event(std::uint32_t mask) const { return (pending_events & mask) != 0; }
  virtual void clear_events() { pending_events = 0; }
  virtual bool take_event(std::uint32_t mask);
  virtual void raise_event(std::uint32_t bits);
  virtual void set_event_mask(std::uint32_t mask) { event_mask = mask; }
  virtual void set_step_flags(std::uint32_t flags) { step_flags = flags; }
  virtual void add_step_flags(std::uint32_t flags) { step_flags |= flags; }
  virtual void set_position(const ui_vec2& p);
  virtual void place_child(widget& /*child*/) {}
  virtual void place_children() {}
  virtual void set_size(const ui_vec2& s);
  virtual void set_extent_min(const ui_vec2& m);
  virtual void set_text_size(const ui_vec2& s);
  virtual void set_text_position(const ui_vec2& p);
  virtual void set_text_flags(std::uint32_t flags);
  virtual void add_text_flags(std::uint32_t flags);
  // Fits the mesh to the widget's extent, then installs it.
  virtual void set_mesh(int index, std::unique_ptr<mesh> m);
  // Installs the mesh as it is, deleting the one the slot held.
  virtual void set_mesh_slot(int index, std::unique_ptr<mesh> m);
  virtual void fit_mesh(mesh& m);
  virtual void on_mesh_set(mesh* /*m*/) {}
  // Returns whether the event was consumed.
  virtual bool handle_event(std::uint32_t bits);
  virtual void apply_value_steps();
  virtual void rebuild_text_mesh(ui_vec2& out_extent);
  virtual void set_colour(std::uint32_t c) { colour = c; }
  virtual void set_highlight_colour(std::uint32_t c) { highlight_colour = c; }
  virtual void set_font(const font_details* f);
  virtual void set_text(ui_vec2& out_extent, const ruv_string& t);
  virtual void get_text(ruv_string& out) const { out = text; }
  virtual ui_vec2 measure_text();
  // A clickable widget (the buttons, the combo box, the text box) hidden or
  // disabled no longer counts as under the mouse.
  virtual void hide() {
    state |= widget_hidden;
    if (is_clickable()) hovered = 0;
  }
  virtual void show() { state &= ~widget_hidden; }
  virtual void disable() {
    state |= widget_disabled;
    if (is_clickable()) hovered = 0;
  }
  virtual void enable() { state &= ~widget_disabled; }
  virtual int get_type() const { return widget_type::container; }

  // Convenience forms of the out-parameter operations.
  ui_vec2 set_text(const ruv_string& t) {
    ui_vec2 e;
    set_text(e, t);
    return e;
  }
  void rebuild_text_mesh() {
    ui_vec2 e;
    rebuild_text_mesh(e);
  }
  bool is_hidden() const { return (state & widget_hidden) != 0; }
  bool is_disabled() const { return (state & widget_disabled) != 0; }
  // Neither hidden nor disabled: given mouse events by its container.
  bool is_active() const { return (state & (widget_hidden | widget_disabled)) == 0; }
  mesh* get_mesh(int index) const { return meshes[static_cast<std::size_t>(index)].get(); }
  // Whether UI point p lies inside the extent: the lower corner included,
  // the upper one not.
  virtual bool contains(const ui_vec2& p) const;
  // The colour the text mesh takes when drawn.
  std::uint32_t text_draw_colour() const;

  // --- animation channels ---
  std::array<widget_timer, widget_channels> timers{};
  std::array<float, widget_channels> durations{-1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f};
  ui_vec2 position_target;
  ui_vec2 text_scale_target;
  std::uint32_t colour_target = 0;
  std::uint32_t alpha_target = 0;
  std::uint32_t highlight_colour_target = 0;
  std::uint32_t highlight_alpha_target = 0;
  ui_vec2 position_start;
  ui_vec2 text_scale_start;
  std::uint32_t colour_start = 0;
  std::uint32_t alpha_start = 0;
  std::uint32_t highlight_colour_start = 0;
  std::uint32_t highlight_alpha_start = 0;
  std::array<std::uint8_t, widget_channels> channel_active{};

  // --- events ---
  std::uint32_t pending_events = 0;
  std::uint32_t events_this_frame = 0;
  std::uint32_t event_mask = 0;
  std::uint32_t step_flags = 0;

  // --- geometry ---
  ui_vec2 text_scale{1.0f, 1.0f};
  ui_vec2 absolute_position;
  ui_vec2 local_position;
  ui_vec2 size;
  ui_vec2 extent_min;
  std::uint32_t state = 0;

  // --- meshes and text ---
  std::array<std::unique_ptr<mesh>, widget_mesh_slots> meshes;
  std::array<std::uint8_t, widget_mesh_slots> mesh_enabled{1, 0, 1, 0, 0};
  std::uint8_t hovered = 0;
  std::uint8_t text_mesh_marked = 0;
  const font_details* font = nullptr;  // null: the UI manager's default font
  ruv_string text;
  ui_vec2 text_position{0.005f, 0.0f};
  ui_vec2 text_size{0.024f, 0.024f};
  std::uint32_t text_flags = ui_text_flag::auto_position | ui_text_flag::centre;
  std::uint32_t colour = 0xFF000000u;
  std::uint32_t highlight_colour = 0xFF000000u;
  widget* parent = nullptr;
  widget* linked_widget = nullptr;
  std::int32_t value = 0;
  std::int32_t value_min = 0;
  std::int32_t value_max = 1;
  float float_value = 0.0f;
  float float_min = 0.0f;
  float float_max = 1.0f;

 protected:
  // Starts channel k: duration, timer restarted at its clock's current tick,
  // active byte set (the caller stores the target and start values).
  void start_channel(int k, float duration);
  // Where channel k stands this frame: inactive when never started or already
  // finished and applied; finished clears the active byte.
  channel_step step_channel(int k);
  // The interpolation (target x t + start x (d - t)) / d.
  static float interpolate(float start, float target, const channel_step& s);
  // The colour channels' new values, or false when the channel produced none.
  bool colour_channel_value(int k, std::uint32_t current, std::uint32_t& out);
  // The text scale channel's new value, or false.
  bool text_scale_channel_value(ui_vec2& out);
  // The position channel: moves the widget when it runs.
  void advance_position_channel();
  // The slot the text mesh lives in.
  virtual int text_slot() const { return slot_text; }
  // The text mesh, made on first use with material "ui_font".
  mesh& text_mesh();
  // set_text's steps 4 to 6 (the size-to-text layout); width_limit caps the
  // new width (set_text_size) when given.
  ui_vec2 size_to_text(bool cap_width);
  // Scales the meshes other than the text mesh by (ratio.x, ratio.y, 1).
  void scale_meshes(const ui_vec2& ratio);
  // The looks of the kinds that have a down and an up look: the one shown is
  // enabled, the other and the hover look disabled (the hover look still
  // replaces the up look while the mouse is over a clickable widget).
  void show_look(bool down) {
    mesh_enabled[slot_hover] = 0;
    mesh_enabled[slot_down] = down ? 1 : 0;
    mesh_enabled[slot_up] = down ? 0 : 1;
  }
  // The combo box's and the text box's channels: the text scale resizes the
  // looks and the text, the colour channels recolour these slots' meshes and
  // the text; the text is laid out again after any change.
  void advance_entry_channels(std::initializer_list<int> coloured_slots);
  // new / old per axis (1 for an old value of 0).
  static ui_vec2 scale_ratio(const ui_vec2& now, const ui_vec2& before) {
    return {before.x != 0.0f ? now.x / before.x : 1.0f, before.y != 0.0f ? now.y / before.y : 1.0f};
  }
};

// Interpolates each byte of the masked channels of two colours, each taken to
// the nearest integer; bytes outside the mask come from `keep`.
std::uint32_t interpolate_colour(std::uint32_t start, std::uint32_t target, std::uint32_t keep, std::uint32_t mask,
                                 float t, float d);

}  // namespace hm
