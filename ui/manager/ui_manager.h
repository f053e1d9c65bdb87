#pragma once
// The one object of the widget layer: the stack of root widgets of the screen
// (the open window's root container and pop-ups such as a drop-down list), the
// mouse in UI space, the widget that holds the mouse (a dragging handle or a
// focused text box), the character typed this frame, the overlay box of text
// lines (tooltips), a large centred message and the on-screen message log.
// Once a frame its input step turns the mouse into widget events and updates
// the roots; its draw step queues every root, the log and the message into
// the interface's view.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/core/ruv_string.h"
#include "engine/resource/mesh.h"
#include "render/view/message_log.h"
#include "ui/widget/widget.h"

namespace hm {

class font_details;
class material;
class mesh_render_view;
class render_view;
class resource_manager;
struct input_state;

// One buffered mouse record, in the order the device reported them.
struct mouse_record {
  enum class kind : std::uint8_t { move_x, move_y, wheel, button };
  kind type = kind::move_x;
  std::int32_t amount = 0;  // movement counts, or the wheel
  std::int32_t button = 0;  // 0 left, 1 right, 2 middle
  bool down = false;
};

// What the input step reads of the host each frame.
struct mouse_input {
  std::vector<mouse_record> records;  // at most ui_mouse_records are taken
  std::int32_t cursor_x = 0;          // client pixels, from the top left
  std::int32_t cursor_y = 0;
  std::int32_t client_width = 1;
  std::int32_t client_height = 1;
  std::int32_t client_left = 0;
  std::int32_t client_top = 0;
  float move_x = 0.0f;  // this frame's movement (edge push)
  float move_y = 0.0f;  // screen rows, downwards
};

inline constexpr int ui_mouse_records = 16;
inline constexpr int overlay_max_lines = 80;
inline constexpr double double_press_seconds = 0.4;
// Code points a widget decodes at most from its text.
inline constexpr int widget_decode_capacity = 2048;
// Message log entries show this long.
inline constexpr float message_log_seconds = 10.0f;

// Decodes UTF-8 into at most capacity code points and returns how many were
// written. A byte that cannot begin a sequence is skipped; continuation bytes
// are taken as they come; a sequence cut by the text's end ends the decoding.
int decode_utf8(std::string_view text, std::int32_t* out, int capacity);
// The number of code points decode_utf8 would write, up to the capacity.
int count_utf8(std::string_view text, int capacity = widget_decode_capacity);

// Messages that game code posts wait here until a screen that shows the
// message log moves them into it: a ring of 32 slots read from the head.
struct pending_message_queue {
  static constexpr std::int32_t capacity = 32;
  std::int32_t count = 0;
  std::int32_t head = 0;
  std::array<ruv_string, capacity> texts;
  std::array<std::int32_t, capacity> colours{};

  // Stores the message after the waiting ones; dropped when 32 wait.
  void push(const ruv_string& text, std::uint32_t colour);
  // The oldest message; "No messages" in white when none waits. False then.
  bool pop(ruv_string& text_out, std::uint32_t& colour_out);
};

// The message log's colours of an entry of that age: the line's alpha and the
// background's grey (0..254 both).
struct message_fade {
  std::uint32_t alpha = 0;
  std::uint32_t grey = 0;
};
message_fade message_log_fade(float age);

class ui_manager {
 public:
  ui_manager();
  ~ui_manager();
  ui_manager(const ui_manager&) = delete;
  ui_manager& operator=(const ui_manager&) = delete;

  // On every window change: drops the roots, the capture, the overlay and the
  // large message; restarts the button timers one second in the past.
  void clear();
  // Frees what holds materials (the log, the overlay, the message) so that the
  // resource manager may go first.
  void release_meshes();

  void push_root_widget(std::unique_ptr<widget> w);
  // The capturing widget (or the top root) is told 0x20000 first; a capture
  // inside the removed root is let go.
  void pop_root_widget();
  widget* top_root() const { return roots.empty() ? nullptr : roots.back().get(); }
  // To the capturing widget, else to the top root; nothing without either.
  void dispatch_event(std::uint32_t bits);
  // Forgets the capture when it lies in w's tree (w about to go away).
  void release_widget(const widget& w);
  void play_click();

  // The per-frame input and update step; it ends with the timers and the
  // pending rebuild.
  void process_input(float frame_time, const mouse_input& input);
  // A message waiting in the overlay buffer joins the log; the log's lines
  // age by dt; the fade value drops by dt x 0.1, not below 0.
  void advance_timers(float dt);
  // At start-up: the fade values 0, every log line long faded and empty.
  void reset_timers();
  // Leaves one message for the next advance_timers to add to the log (a newer
  // one replaces a message still waiting).
  void post_overlay_buffer(const ruv_string& text, std::uint32_t colour);
  // Queues every root, bottom to top, then the message log and the large
  // message, into the view. Returns the depth reached.
  float draw(render_view& view);
  // Returns the number of meshes queued.
  int draw_message_log(mesh_render_view& view, float depth);

  // --- overlay of text lines ---
  void set_tooltip_mesh(std::unique_ptr<mesh> m);
  void reset_overlay_texts(std::unique_ptr<mesh> m, bool clear_lines);
  void rebuild_overlay();
  // Adds one line (at most 80); snap centres it. Returns false when dropped.
  bool add_overlay_text_line(const ruv_string& t, float text_size, std::uint32_t line_colour, bool snap);
  void set_overlay_position(const ui_vec2& p);
  void set_overlay_box(const ui_vec2& origin, const ui_vec2& box_size);

  // The large centred message; an empty text hides it.
  void set_message_text(const ruv_string& t, std::uint32_t text_colour = 0xFFFFFFFFu);

  // The material of that name from the resource manager (its "default" for a
  // missing one).
  material* ui_material(const char* name) const;
  // The resource mesh of that name, or null; a copy of it, or null.
  const mesh* resource_mesh(const char* name) const;
  std::unique_ptr<mesh> resource_mesh_copy(const char* name) const;

  // --- messages waiting for a screen that shows the message log ---
  // Moves every waiting message into the log, oldest first.
  void flush_pending_messages();
  pending_message_queue pending_messages;

  // --- roots and the mouse ---
  std::vector<std::unique_ptr<widget>> roots;
  widget* capturing_widget = nullptr;
  ui_vec2 mouse_position;
  ui_vec2 edge_push;
  ui_vec2 accumulated_edge_push;
  ui_vec2 previous_mouse_position;
  std::int32_t previous_cursor[2] = {0, 0};
  std::int32_t cursor[2] = {0, 0};
  float ui_height = 0.75f;
  std::array<widget_timer, 3> button_timers{};
  // The back buffer's size in pixels (the scrollable containers' viewports).
  std::uint32_t screen_width = 1024;
  std::uint32_t screen_height = 768;
  std::uint8_t redraw = 0;
  std::uint8_t close_top_root = 0;
  // Whether the top window shows the mouse cursor.
  std::uint8_t cursor_visible = 1;
  std::uint8_t cleared_state = 0;
  std::int32_t wheel = 0;
  std::int32_t typed_character = -1;
  // Set by a window that wants its widgets made anew at the end of the input
  // step, which runs pending_rebuild once and clears it.
  std::uint8_t rebuild = 0;
  std::function<void()> pending_rebuild;
  float fade = 0.0f;
  float fade_companion = 0.0f;
  ruv_string overlay_buffer;
  std::uint32_t overlay_buffer_colour = 0xFFFFFFFFu;
  bool overlay_buffer_full = false;
  // Every play_click (the sound player is silent in runs without audio).
  int clicks_played = 0;

  // --- overlay ---
  std::unique_ptr<mesh> tooltip_mesh;
  std::unique_ptr<mesh> overlay_mesh;
  std::unique_ptr<mesh> overlay_box_mesh;  // the "matte" background
  std::array<ruv_string, overlay_max_lines> overlay_texts;
  std::array<std::uint8_t, overlay_max_lines> overlay_line_flags{};
  std::array<float, overlay_max_lines> overlay_line_sizes{};
  std::array<std::uint32_t, overlay_max_lines> overlay_line_colours{};
  std::int32_t overlay_count = 0;
  float overlay_layout[2] = {0.0f, -0.03f};
  std::int32_t overlay_anchor = -1;
  std::uint32_t overlay_colour = 0xFF101010u;
  ui_vec2 overlay_position;
  float overlay_scale = 1.0f;
  float next_line_y = 0.0f;

  // --- large message ---
  mesh message_background;
  mesh message_text;
  bool message_visible = false;

  // --- message log (the ring the game's messages go to) ---
  message_log messages;
  float message_log_offset = 0.0f;
  // Meshes of the log the last draw queued.
  int log_meshes_drawn = 0;

  // The font text is laid out with when a widget has none, and the resource
  // manager materials come from (null: the global one).
  const font_details* default_font = nullptr;
  resource_manager* resources = nullptr;
  // The window layer's per-frame overlay step, run after the roots update.
  std::function<void(float)> overlay_step;
};

extern ui_manager g_ui_manager;

// The frame's mouse records from the input state: the movement on each axis,
// the wheel, then every change of buttons 0..2.
std::vector<mouse_record> mouse_records_from_input(const input_state& input);

}  // namespace hm
