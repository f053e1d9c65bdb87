#pragma once
// Modeless developer windows drawn in immediate mode beside the game's window
// (the script debugger). Unlike a modal panel (platform/dialog.h) a tool
// window stays open while the game runs: the game draws it once a frame, and
// its events reach it through the game window's event loop.
//
// Like the panels, tool windows open only while dialogs are enabled and a
// display exists; otherwise open fails and every other call does nothing.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hm::platform {

// A coloured span of a text view, [begin, end) in bytes of the text.
struct text_mark {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::uint32_t colour = 0xFFFFFFFF;  // ARGB
  bool background = false;           // a highlight behind the text, not the text's colour
};

// What a tool window draws with.
class tool_ui {
 public:
  virtual ~tool_ui() = default;
  virtual void text(const std::string& text) = 0;
  // A drop-down list; true when the user picked an item (selected then holds it).
  virtual bool combo(const char* label, const std::vector<std::string>& items, int& selected) = 0;
  virtual bool button(const char* label) = 0;
  // A one-line text field; true when its text changed.
  virtual bool input_text(const char* label, std::string& text, std::size_t max_length) = 0;
  virtual void same_line() = 0;
  virtual void separator() = 0;
  // A read-only view of a long text in a fixed-pitch font, filling the
  // window's width and the given height (pixels; 0 the rest of the window, a
  // negative height the rest but that much).
  // When scroll_to names a position, the view scrolls to show its line.
  virtual void text_view(const char* id, std::string_view text, const std::vector<text_mark>& marks,
                         std::size_t scroll_to, float height) = 0;
  static constexpr std::size_t no_scroll = static_cast<std::size_t>(-1);

  // A check box or a push-like toggle; true when clicked (value then holds
  // the new state).
  virtual bool checkbox(const char* label, bool& value) = 0;
  // One button of a radio group; true when clicked.
  virtual bool radio(const char* label, bool active) = 0;
  // A button that can be greyed out (a greyed one never reports a click).
  virtual bool button_enabled(const char* label, bool enabled) = 0;
  // A track bar over min..max; true while it is moved.
  virtual bool slider(const char* label, int& value, int min, int max) = 0;
  // A one-line field whose typed text counts once it loses the focus: true
  // then (text holds it); true on every change when `every_change` is set.
  virtual bool edit_field(const char* label, std::string& text, std::size_t max_length, bool every_change) = 0;
  // A list; `selected` holds one flag per item (several with `multi`).
  // Reports what the user did to it this frame.
  enum class list_action { none, changed, double_clicked };
  virtual list_action list_box(const char* id, const std::vector<std::string>& items, std::vector<std::uint8_t>& selected,
                               bool multi, float height) = 0;
  // A filled square of an ARGB colour.
  virtual void colour_swatch(std::uint32_t argb) = 0;
};

using tool_builder = std::function<void(tool_ui&)>;

class tool_window {
 public:
  tool_window();
  ~tool_window();
  tool_window(const tool_window&) = delete;
  tool_window& operator=(const tool_window&) = delete;

  // Opens the window; false when dialogs are disabled or it cannot be made.
  bool open(const std::string& title, int width, int height);
  bool is_open() const;
  void close();
  // Takes the window's waiting events and draws one frame. Returns false (and
  // closes) when the user closed the window.
  bool frame(const tool_builder& build);
  // While the game is frozen: takes every waiting event of every window and
  // draws the tool window until one of the number keys first..last is pressed
  // (in the game's window or this one). Returns the key's number, or 0 when
  // the program is asked to quit (the quit request stays queued for the
  // game) or the window is not open.
  int wait_for_number_key(const tool_builder& build, int first, int last);

  struct impl;

 private:
  std::unique_ptr<impl> impl_;
};

// For the game window's event loop: true when the event (an SDL_Event)
// belongs to an open tool window, which then keeps it.
bool take_tool_window_event(const void* sdl_event);

}  // namespace hm::platform
