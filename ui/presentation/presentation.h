#pragma once
// A screen that the module builds itself: a presentation record names its
// flags, background mesh and simple triggers; the triggers' blocks create
// widgets through script operations and answer the player's actions. A game
// window hosts one presentation inside its root container; at most one runs
// at a time (g_current_presentation).
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/script_host.h"
#include "ui/widget/widget.h"

namespace hm {

class container;
struct presentation_record;

// Trigger event codes of a presentation's simple triggers.
namespace presentation_event {
inline constexpr std::int32_t load = -60;
inline constexpr std::int32_t run = -61;
inline constexpr std::int32_t state_changed = -62;
inline constexpr std::int32_t mouse_enter_leave = -63;
}  // namespace presentation_event

struct presentation {
  presentation();
  // Ends the presentation when it is the running one.
  ~presentation();
  presentation(const presentation&) = delete;
  presentation& operator=(const presentation&) = delete;

  // In creation order; a widget's id is its index. The root container owns
  // the widgets.
  std::vector<widget*> widgets;
  std::int32_t number = -1;
  std::int32_t flags = 0;
  std::int32_t clock = 0;
  std::int64_t start = 0;
  // Seconds the timed windows show it.
  float duration = 1.0f;
  container* root = nullptr;
  // What each widget was last sized to, by id.
  std::vector<ui_vec2> remembered_sizes;

  // A container the host's size and place, added to the host, holding the
  // record's background mesh; then activate. Nothing for a number below 0.
  void create_in_container(container& host, std::int32_t presentation_number);
  // Makes this the running presentation; with a record, copies its flags,
  // stamps the start and runs the load triggers.
  void activate();
  // Once a frame of the host window: the run triggers, the widgets' mesh
  // animation, the mouse wheel and the widgets' events.
  void run_frame(float seconds);
  // The record, or null for a number outside the table.
  presentation_record* record() const;

  // --- widget makers (ids; -1 when no presentation runs) ---
  // Adds w to the root and the list, at (0, 0), remembering size.
  std::int32_t add_widget(std::unique_ptr<widget> w, const ui_vec2& remembered_size);
  std::int32_t create_text_overlay(const ruv_string& text, std::uint32_t text_flags);
  std::int32_t create_mesh_overlay(std::int32_t module_mesh);
  std::int32_t create_text_button(const ruv_string& text, std::uint32_t text_flags);
  std::int32_t create_image_button(std::int32_t normal_mesh, std::int32_t pressed_mesh, bool toggle);
  std::int32_t create_slider(std::int32_t lo, std::int32_t hi);
  std::int32_t create_progress_bar(std::int32_t lo, std::int32_t hi);
  std::int32_t create_combobox();
  std::int32_t create_text_box();
  std::int32_t create_medium_button(const ruv_string& text);
  // An image button (both looks) or a picture showing (tableau, object): on
  // module mesh `module_mesh`, or for -1 on the tableau's own quad. -1 when
  // the tableau is outside the table.
  std::int32_t create_tableau_widget(bool button, std::int32_t module_mesh, std::int32_t tableau, std::int64_t object);
  // The text shown in the overlay while the mouse is over the widget, by id.
  std::vector<ruv_string> second_texts;
  // The widget whose second text the overlay shows, -1 none.
  std::int32_t shown_second_text = -1;
  // The widget of an id, or null outside the list.
  widget* find(std::int64_t id) const;
  void set_widget_size(std::int64_t id, const ui_vec2& new_size);
  void set_container_scroll(std::int64_t id, const ui_vec2& p);
  // What module code asks of the running presentation's widgets.
  std::int32_t create_widget(presentation_widget_kind kind, const ruv_string& text, std::int64_t a, std::int64_t b);
  // Now when seconds is 0, else animated over the seconds (colours, alphas,
  // size and position).
  void set_property(presentation_property p, std::int64_t id, const ruv_string& text, std::int64_t value,
                    const ui_vec2& xy, float seconds);
  // The value range of a slider or progress bar (the value kept inside it).
  void set_range(std::int64_t id, std::int64_t lo, std::int64_t hi);
  // Puts the second text of the widget under the mouse in the overlay, and
  // takes it away when the mouse leaves.
  void show_second_text();
  // Every mesh but the text's is placed and turned by f inside the widget.
  void set_widget_frame(std::int64_t id, const frame& f);
};

// The running presentation, or null.
extern presentation* g_current_presentation;

// Forgets the running presentation when it is p, and empties p's widget list.
void clear_presentation_state(presentation& p);
// Ends whatever presentation runs (every window change does).
void end_running_presentation();

// The scrollable container nearest the mouse (ties go to the earlier one) and
// its distance; null when the list holds none.
widget* nearest_scrollable(const std::vector<widget*>& widgets, const ui_vec2& mouse);

}  // namespace hm
