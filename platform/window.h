#pragma once
// The game's one main window and its event pump. Host events (focus, sizing,
// closing, keys, mouse) come out as window_events; the application frame turns
// them into its own messages. Two backends: SDL2 (a real window, or SDL's
// offscreen driver when there is no display) and a null window whose events a
// test or a headless run scripts.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace hm::platform {

struct rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const rect&) const = default;
};

// Modifier bits of key and mouse events.
namespace modifier {
inline constexpr std::uint32_t shift = 1;
inline constexpr std::uint32_t control = 2;
inline constexpr std::uint32_t alt = 4;
}  // namespace modifier

// Scan codes as the host reports them (USB HID usage numbers, the same values
// as SDL scancodes). platform/input_keymap.h maps them to the engine's key codes.
namespace scancode {
inline constexpr int x = 27;
inline constexpr int enter = 40;
inline constexpr int escape = 41;
inline constexpr int space = 44;
inline constexpr int f2 = 59;
inline constexpr int f23 = 114;
}  // namespace scancode

enum class window_event_kind {
  none,
  close,          // the user asked to close the window
  activated,      // the window received the keyboard focus
  deactivated,    // the window lost the keyboard focus
  minimized,
  maximized,
  restored,       // back from minimized or maximized
  resized,        // the client area changed size (width, height)
  exposed,        // the window must be redrawn
  mouse_entered,  // the pointer came over the window (the cursor shape applies)
  key_down,
  key_up,
  text,           // a typed character (character)
  mouse_move,     // x, y in client coordinates; dx, dy relative
  mouse_button_down,
  mouse_button_up,
  mouse_wheel,    // dy notches, positive away from the user
};

struct window_event {
  window_event_kind kind = window_event_kind::none;
  int width = 0;
  int height = 0;
  int scancode = 0;             // key events
  std::uint32_t modifiers = 0;  // key and mouse events
  bool repeat = false;          // key_down from auto-repeat
  std::uint32_t character = 0;  // text: one Unicode code point
  int x = 0;
  int y = 0;
  int dx = 0;
  int dy = 0;
  int button = 0;  // 0 left, 1 right, 2 middle, 3.. extra buttons
};

// Receives every key, text and mouse event the pump takes, and the activated and
// deactivated events, before the frame sees them. The keyboard and mouse devices
// attach here.
class input_listener {
 public:
  virtual ~input_listener() = default;
  virtual void on_input_event(const window_event& event) = 0;
};

inline bool is_input_event(window_event_kind kind) {
  return kind >= window_event_kind::key_down;
}
// The events an input_listener receives.
inline bool is_listener_event(window_event_kind kind) {
  return is_input_event(kind) || kind == window_event_kind::activated ||
         kind == window_event_kind::deactivated;
}

// A display mode of a screen: size, refresh rate (0 = unknown) and bits per pixel.
struct screen_mode {
  int width = 0;
  int height = 0;
  int refresh_rate = 0;
  int bits_per_pixel = 32;
};

struct window_create_params {
  std::string caption;
  int client_width = 800;
  int client_height = 600;
  bool fullscreen = false;  // a borderless window covering the screen
};

class window {
 public:
  virtual ~window() = default;

  virtual bool create(const window_create_params& params) = 0;
  virtual bool exists() const = 0;
  virtual void destroy() = 0;
  virtual void show() = 0;
  virtual void raise_and_focus() = 0;

  virtual void set_caption(const std::string& caption) = 0;
  virtual std::string caption() const = 0;

  // Windowed: decorations and sizing; full screen: the given mode on the window's
  // screen (null keeps the desktop mode).
  virtual bool set_fullscreen(bool fullscreen, const screen_mode* mode) = 0;
  virtual bool is_fullscreen() const = 0;

  // The window's outer rectangle and its client area, in screen coordinates.
  virtual rect bounds() const = 0;
  virtual rect client_bounds() const = 0;
  virtual void set_bounds(const rect& outer) = 0;
  // The client size of the drawable surface in pixels.
  virtual void client_size(int& width, int& height) const = 0;

  // Cursor: shown or hidden over the window, and confined to it or free.
  virtual void show_cursor(bool shown) = 0;
  virtual void clip_cursor(bool clipped) = 0;
  virtual bool cursor_shown() const = 0;
  virtual bool cursor_clipped() const = 0;
  // Where the pointer is, in client coordinates.
  virtual void cursor_position(int& x, int& y) const = 0;

  // The area a maximised window may use (screen minus panels) and the screen's
  // current mode.
  virtual rect usable_desktop_area() const = 0;
  virtual screen_mode desktop_mode() const = 0;

  // Takes the next event without waiting; false when none is waiting.
  virtual bool poll_event(window_event& event) = 0;
  // Waits for the next event. False only when no event can ever arrive.
  virtual bool wait_event(window_event& event) = 0;

  // The host's handle (an SDL_Window*), for the graphics backend; null if none.
  virtual void* native_handle() const = 0;

  void set_input_listener(input_listener* listener) { listener_ = listener; }
  input_listener* listener() const { return listener_; }

 protected:
  input_listener* listener_ = nullptr;
};

// A window with no host behind it: keeps its state and hands out the events that
// were pushed into it. With an empty queue, wait_event reports a close: no person
// can ever wake it, so waiting would hang.
class null_window : public window {
 public:
  null_window();

  void push_event(const window_event& event) { events_.push_back(event); }
  std::size_t pending_events() const { return events_.size(); }
  void set_desktop(const rect& usable_area, const screen_mode& mode) {
    usable_area_ = usable_area;
    desktop_ = mode;
  }
  // Resizes the client area as a user would, and queues the resized event.
  void user_resize(int width, int height);
  int create_count() const { return create_count_; }
  bool shown() const { return shown_; }
  void set_pointer(int x, int y) { cursor_position_ = {x, y}; }

  bool create(const window_create_params& params) override;
  bool exists() const override { return exists_; }
  void destroy() override { exists_ = false; }
  void show() override { shown_ = true; }
  void raise_and_focus() override {}
  void set_caption(const std::string& caption) override { caption_ = caption; }
  std::string caption() const override { return caption_; }
  bool set_fullscreen(bool fullscreen, const screen_mode* mode) override;
  bool is_fullscreen() const override { return fullscreen_; }
  rect bounds() const override { return bounds_; }
  rect client_bounds() const override { return bounds_; }
  void set_bounds(const rect& outer) override { bounds_ = outer; }
  void client_size(int& width, int& height) const override;
  void show_cursor(bool shown) override { cursor_shown_ = shown; }
  void clip_cursor(bool clipped) override { cursor_clipped_ = clipped; }
  bool cursor_shown() const override { return cursor_shown_; }
  bool cursor_clipped() const override { return cursor_clipped_; }
  void cursor_position(int& x, int& y) const override {
    x = cursor_position_.first;
    y = cursor_position_.second;
  }
  rect usable_desktop_area() const override { return usable_area_; }
  screen_mode desktop_mode() const override { return desktop_; }
  bool poll_event(window_event& event) override;
  bool wait_event(window_event& event) override;
  void* native_handle() const override { return nullptr; }

 private:
  std::deque<window_event> events_;
  std::string caption_;
  rect bounds_;
  rect windowed_bounds_;
  rect usable_area_{0, 0, 1920, 1050};
  screen_mode desktop_{1920, 1080, 60, 32};
  bool exists_ = false;
  bool shown_ = false;
  bool fullscreen_ = false;
  bool cursor_shown_ = true;
  bool cursor_clipped_ = false;
  int create_count_ = 0;
  std::pair<int, int> cursor_position_{0, 0};
};

// Starts the host's video system once. Without a display (neither DISPLAY nor
// WAYLAND_DISPLAY set) and without an explicit SDL_VIDEODRIVER, SDL's offscreen
// driver is chosen. False when no video driver could start.
bool init_video();
// The name of the video driver in use ("x11", "wayland", "offscreen"...), empty
// before init_video.
std::string video_driver_name();
// True when a person can see the windows (a real display driver is in use).
bool video_has_display();
// Stops the video system (after every window was destroyed).
void shutdown_video();

// The system clipboard's plain text. Without a display (headless and
// offscreen runs) a clipboard of the process stands in, so that what is
// copied can still be pasted. Copying is false when the host refused it;
// reading is false when the clipboard holds no text.
bool set_clipboard_text(std::string_view text);
bool get_clipboard_text(std::string& out);

// An SDL window; create() starts the video system when needed.
std::unique_ptr<window> make_sdl_window();

// Installs message boxes through SDL when a display exists (standard error
// otherwise, as the default backend does).
void install_window_message_boxes();

}  // namespace hm::platform
