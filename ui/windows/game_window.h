#pragma once
// A full screen of the game (or a box opened over one): a long-lived object
// that builds its widgets when opened, runs a handler each frame while it is
// the top window and lets its widgets go when left. Each window id has its
// own class; the table of thirty lives in the window manager.
#include <cstdint>
#include <memory>

#include "engine/core/ruv_string.h"
#include <vector>

#include "ui/presentation/presentation.h"
#include "ui/windows/launch_window_build.h"

namespace hm {

class binary_stream;
class widget;
class window_container;

inline constexpr int game_window_count = 30;

// The fixed window ids.
namespace window_id {
inline constexpr int message_box = 0;
inline constexpr int choice = 1;
inline constexpr int load = 2;
inline constexpr int launch = 3;
inline constexpr int main_menu = 4;
inline constexpr int in_game_menu = 5;
inline constexpr int meeting = 6;
inline constexpr int world_map = 7;
inline constexpr int inventory = 8;
inline constexpr int party_name = 9;
inline constexpr int mission = 10;
inline constexpr int debrief = 11;
inline constexpr int party = 12;
inline constexpr int quests = 13;
inline constexpr int mission_screen = 14;
inline constexpr int character = 15;
inline constexpr int conversation = 16;
inline constexpr int factions = 17;
inline constexpr int options = 18;
inline constexpr int video_options = 19;
inline constexpr int controls = 20;
inline constexpr int save_load = 21;
inline constexpr int terrain_generator = 22;
inline constexpr int game_menu = 23;
inline constexpr int character_export = 24;
inline constexpr int game_log = 25;
inline constexpr int note = 26;
inline constexpr int presentation = 27;
inline constexpr int loading_presentation = 28;
inline constexpr int face_gen = 29;
}  // namespace window_id

class game_window {
 public:
  game_window() = default;
  virtual ~game_window();
  game_window(const game_window&) = delete;
  game_window& operator=(const game_window&) = delete;

  // Taken off the window stack.
  virtual void leave() {}
  // Creates the widgets and registers the root container with the UI manager.
  virtual void build() {}
  virtual void frame(float /*seconds*/) {}
  // Queues into the renderer the 3D scene the window shows behind its
  // widgets, for a back buffer of that size (the mission screen's battle).
  virtual void queue_scene(std::uint32_t /*width*/, std::uint32_t /*height*/) {}
  // Clears a window's head-up display state (the mission screen's).
  virtual void reset_hook() {}
  virtual void write_state(binary_stream& /*s*/) {}
  virtual void read_state(binary_stream& /*s*/) {}
  // True for a window that replaces the whole stack, false for one that opens
  // over the current window.
  virtual bool is_top_level() const = 0;
  virtual bool shows_cursor() const { return true; }

  // The message box's question flag; other windows' own use.
  std::int32_t mode = 0;
  // 0 while the first build is pending; each window gives it its own use.
  std::int32_t state_word = 99;
  // The window to go back to (options, video options and controls).
  std::int32_t return_window = 0;
  std::int32_t parameters[2] = {0, 0};
  ruv_string name;
  // Owned by the UI manager once built; null when not built.
  window_container* root = nullptr;
  // The module presentation the window hosts (when it hosts one).
  hm::presentation hosted;
};

// A window opened over the current one: leaving it closes the top root at
// the end of the UI manager's input step, the widgets below stay.
class stacked_window : public game_window {
 public:
  void leave() override;
  bool is_top_level() const override { return false; }
};

// A window that replaces the stack: leaving it clears the UI manager.
class top_level_window : public game_window {
 public:
  void leave() override;
  bool is_top_level() const override { return true; }
};

// A top-level window that also forgets its root container when left.
class forgetful_window : public top_level_window {
 public:
  void leave() override;
};

// A top-level window with an editor or state sub-object that leaving frees.
// The sub-objects come with the windows' own builders; until then the
// window keeps none.
class editor_window : public top_level_window {
 public:
  void leave() override;
  std::unique_ptr<game_window> editor;
};

// The message box (window 0): a text with an OK button, or a question with
// two answer buttons and an optional text field.
class message_box_window : public stacked_window {
 public:
  void build() override;
  void frame(float seconds) override;

  ruv_string title;
  ruv_string text;
  ruv_string first_answer;
  ruv_string second_answer;
  // Where the answer (0 first button, 1 second) goes; may be null.
  std::int32_t* answer_target = nullptr;
  // The text field's text goes here on the first button; may be null.
  ruv_string* result_text = nullptr;
  // Mode 0 is a notice (one button, "ui_ok"), 1 a question with two medium
  // buttons, 2 with two long ones, 3 with the name field; any other mode one
  // medium button. A question with has_text_field set carries the field.
  bool has_text_field = false;
  widget* buttons[2] = {nullptr, nullptr};
  widget* text_field = nullptr;
  // The cursor's visibility when the box was built.
  std::uint8_t saved_cursor = 1;
};

// The choice box (window 1): a question with up to six answers one under the
// other.
class choice_window : public stacked_window {
 public:
  static constexpr std::size_t max_choices = 6;
  void build() override;
  void frame(float seconds) override;

  ruv_string text;
  std::vector<ruv_string> choices;
  std::int32_t selected = -1;
  std::int32_t choice_count = 0;
  std::vector<widget*> buttons;
  std::uint8_t saved_cursor = 1;
};

// The screen shown while a game starts or loads; the application's loading
// steps drive it.
class launch_window : public top_level_window {
 public:
  void build() override;
  // The widgets go with the UI manager's roots.
  void leave() override;
  launch_window_widgets widgets;
};

// The two timed windows (27 and 28): a hosted presentation shown until its
// duration has passed, then the return window (or, with return id 100, the
// meta mission's requests).
class timed_window : public top_level_window {
 public:
  void build() override;
  void frame(float seconds) override;
  // The presentation number the next build shows.
  std::int32_t presentation_number = -1;
};

// Makes one object per window id (a failed allocation leaves null).
void create_game_window_objects(std::unique_ptr<game_window> (&out)[game_window_count]);
// The class name of a window id ("" outside the table).
const char* game_window_class_name(int id);

}  // namespace hm
