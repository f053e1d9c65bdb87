#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "platform/library_messages.h"
#include "platform/message_box.h"
#include "platform/tool_window.h"
#include "platform/window.h"

namespace hm::platform {
namespace {

bool g_video_started = false;

bool env_set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

std::uint32_t modifiers_of(Uint16 mod) {
  std::uint32_t m = 0;
  if (mod & KMOD_SHIFT) m |= modifier::shift;
  if (mod & KMOD_CTRL) m |= modifier::control;
  if (mod & KMOD_ALT) m |= modifier::alt;
  return m;
}

int button_of(Uint8 sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return sdl_button - 1;
  }
}

// Decodes UTF-8 into code points; malformed bytes are skipped.
void append_code_points(const char* text, std::deque<std::uint32_t>& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    std::uint32_t c = *p;
    int extra = 0;
    if (c < 0x80) {
      extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      c &= 0x1F;
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      c &= 0x0F;
      extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      c &= 0x07;
      extra = 3;
    } else {
      ++p;
      continue;
    }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (p[i] & 0x3F);
    }
    if (!ok) continue;
    p += extra;
    out.push_back(c);
  }
}

class sdl_window final : public window {
 public:
  ~sdl_window() override { destroy(); }

  bool create(const window_create_params& params) override {
    if (window_) return true;
    if (!init_video()) return false;
    const rect area = usable_desktop_area();
    const int x = area.left + (area.width() - params.client_width) / 2;
    const int y = area.top + (area.height() - params.client_height) / 2;
    // Some drivers fix the pixel format when the window is made: ask for what the
    // graphics device will want (OpenGL 3.3 core, depth and stencil).
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_OPENGL;
    if (params.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    window_ = SDL_CreateWindow(params.caption.c_str(), x, y, params.client_width,
                               params.client_height, flags);
    if (!window_) {
      // A driver without OpenGL still gives a window for the null device.
      flags &= ~SDL_WINDOW_OPENGL;
      window_ = SDL_CreateWindow(params.caption.c_str(), x, y, params.client_width,
                                 params.client_height, flags);
    }
    if (!window_) {
      std::fprintf(stderr, "Could not create the window: %s\n", SDL_GetError());
      return false;
    }
    SDL_SetWindowMinimumSize(window_, 100, 100);
    fullscreen_ = params.fullscreen;
    return true;
  }

  bool exists() const override { return window_ != nullptr; }

  void destroy() override {
    if (!window_) return;
    SDL_SetWindowGrab(window_, SDL_FALSE);
    SDL_DestroyWindow(window_);
    window_ = nullptr;
  }

  void show() override {
    if (window_) SDL_ShowWindow(window_);
  }
  void raise_and_focus() override {
    if (!window_) return;
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
  }

  void set_caption(const std::string& caption) override {
    if (window_) SDL_SetWindowTitle(window_, caption.c_str());
  }
  std::string caption() const override { return window_ ? SDL_GetWindowTitle(window_) : ""; }

  bool set_fullscreen(bool fullscreen, const screen_mode* mode) override {
    if (!window_) return false;
    if (!fullscreen) {
      if (SDL_SetWindowFullscreen(window_, 0) != 0) return false;
      fullscreen_ = false;
      return true;
    }
    Uint32 flag = SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (mode) {
      SDL_DisplayMode wanted{0, mode->width, mode->height, mode->refresh_rate, nullptr};
      SDL_DisplayMode closest;
      const int display = SDL_GetWindowDisplayIndex(window_);
      if (SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &wanted, &closest) &&
          SDL_SetWindowDisplayMode(window_, &closest) == 0)
        flag = SDL_WINDOW_FULLSCREEN;
    }
    if (SDL_SetWindowFullscreen(window_, flag) != 0) return false;
    fullscreen_ = true;
    return true;
  }
  bool is_fullscreen() const override { return fullscreen_; }

  rect bounds() const override {
    rect r = client_bounds();
    int top = 0, left = 0, bottom = 0, right = 0;
    if (window_ && SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0) {
      r.left -= left;
      r.top -= top;
      r.right += right;
      r.bottom += bottom;
    }
    return r;
  }

  rect client_bounds() const override {
    if (!window_) return {};
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    return {x, y, x + w, y + h};
  }

  void set_bounds(const rect& outer) override {
    if (!window_ || fullscreen_) return;
    int top = 0, left = 0, bottom = 0, right = 0;
    SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right);
    SDL_SetWindowPosition(window_, outer.left + left, outer.top + top);
    const int w = outer.width() - left - right;
    const int h = outer.height() - top - bottom;
    if (w > 0 && h > 0) SDL_SetWindowSize(window_, w, h);
  }

  void client_size(int& width, int& height) const override {
    width = height = 0;
    if (!window_) return;
    if (SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL)
      SDL_GL_GetDrawableSize(window_, &width, &height);
    else
      SDL_GetWindowSize(window_, &width, &height);
  }

  void show_cursor(bool shown) override {
    cursor_shown_ = shown;
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
  }
  void clip_cursor(bool clipped) override {
    cursor_clipped_ = clipped;
    if (window_) SDL_SetWindowGrab(window_, clipped ? SDL_TRUE : SDL_FALSE);
  }
  bool cursor_shown() const override { return cursor_shown_; }
  bool cursor_clipped() const override { return cursor_clipped_; }
  void cursor_position(int& x, int& y) const override { SDL_GetMouseState(&x, &y); }

  rect usable_desktop_area() const override {
    SDL_Rect r{0, 0, 0, 0};
    const int display = window_ ? SDL_GetWindowDisplayIndex(window_) : 0;
    if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &r) != 0 || r.w <= 0 || r.h <= 0) {
      const screen_mode m = desktop_mode();
      return {0, 0, m.width, m.height};
    }
    return {r.x, r.y, r.x + r.w, r.y + r.h};
  }

  screen_mode desktop_mode() const override {
    SDL_DisplayMode mode;
    const int display = window_ ? SDL_GetWindowDisplayIndex(window_) : 0;
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) != 0) return {1024, 768, 60, 32};
    const int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    return {mode.w, mode.h, mode.refresh_rate, bits == 24 ? 32 : bits};
  }

  bool poll_event(window_event& event) override {
    while (true) {
      if (take_pending(event)) return true;
      SDL_Event e;
      if (!SDL_PollEvent(&e)) return false;
      if (take_tool_window_event(&e)) continue;
      if (translate(e, event)) return deliver(event);
    }
  }

  bool wait_event(window_event& event) override {
    while (true) {
      if (take_pending(event)) return true;
      SDL_Event e;
      if (!SDL_WaitEvent(&e)) return false;
      if (take_tool_window_event(&e)) continue;
      if (translate(e, event)) return deliver(event);
    }
  }

  void* native_handle() const override { return window_; }

 private:
  bool deliver(window_event& event) {
    if (listener_ && is_listener_event(event.kind)) listener_->on_input_event(event);
    return true;
  }

  bool take_pending(window_event& event) {
    if (pending_text_.empty()) return false;
    event = window_event{};
    event.kind = window_event_kind::text;
    event.character = pending_text_.front();
    pending_text_.pop_front();
    return deliver(event);
  }

  bool translate(const SDL_Event& e, window_event& out) {
    out = window_event{};
    switch (e.type) {
      case SDL_QUIT:
        out.kind = window_event_kind::close;
        return true;
      case SDL_WINDOWEVENT:
        if (!window_ || e.window.windowID != SDL_GetWindowID(window_)) return false;
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE: out.kind = window_event_kind::close; return true;
          case SDL_WINDOWEVENT_FOCUS_GAINED: out.kind = window_event_kind::activated; return true;
          case SDL_WINDOWEVENT_FOCUS_LOST: out.kind = window_event_kind::deactivated; return true;
          case SDL_WINDOWEVENT_MINIMIZED: out.kind = window_event_kind::minimized; return true;
          case SDL_WINDOWEVENT_MAXIMIZED: out.kind = window_event_kind::maximized; return true;
          case SDL_WINDOWEVENT_RESTORED: out.kind = window_event_kind::restored; return true;
          case SDL_WINDOWEVENT_EXPOSED: out.kind = window_event_kind::exposed; return true;
          case SDL_WINDOWEVENT_ENTER: out.kind = window_event_kind::mouse_entered; return true;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.kind = window_event_kind::resized;
            out.width = e.window.data1;
            out.height = e.window.data2;
            return true;
          default: return false;
        }
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        out.kind = e.type == SDL_KEYDOWN ? window_event_kind::key_down : window_event_kind::key_up;
        out.scancode = e.key.keysym.scancode;
        out.modifiers = modifiers_of(e.key.keysym.mod);
        out.repeat = e.key.repeat != 0;
        return true;
      case SDL_TEXTINPUT:
        append_code_points(e.text.text, pending_text_);
        if (pending_text_.empty()) return false;
        out.kind = window_event_kind::text;
        out.character = pending_text_.front();
        pending_text_.pop_front();
        return true;
      case SDL_MOUSEMOTION:
        out.kind = window_event_kind::mouse_move;
        out.x = e.motion.x;
        out.y = e.motion.y;
        out.dx = e.motion.xrel;
        out.dy = e.motion.yrel;
        out.modifiers = modifiers_of(SDL_GetModState());
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        out.kind = e.type == SDL_MOUSEBUTTONDOWN ? window_event_kind::mouse_button_down
                                                 : window_event_kind::mouse_button_up;
        out.button = button_of(e.button.button);
        out.x = e.button.x;
        out.y = e.button.y;
        out.modifiers = modifiers_of(SDL_GetModState());
        return true;
      case SDL_MOUSEWHEEL:
        out.kind = window_event_kind::mouse_wheel;
        out.dy = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        out.dx = e.wheel.x;
        return true;
      default:
        return false;
    }
  }

  SDL_Window* window_ = nullptr;
  bool fullscreen_ = false;
  bool cursor_shown_ = true;
  bool cursor_clipped_ = false;
  std::deque<std::uint32_t> pending_text_;
};

message_box_result stderr_box(std::string_view caption, std::string_view text,
                              message_box_buttons buttons) {
  const std::string line = "[" + std::string(caption) + "] " + std::string(text) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  return buttons == message_box_buttons::yes_no ? message_box_result::yes : message_box_result::ok;
}

message_box_result sdl_message_box(std::string_view caption, std::string_view text,
                                   message_box_icon icon, message_box_buttons buttons) {
  if (!video_has_display()) return stderr_box(caption, text, buttons);
  const std::string caption_text(caption);
  const std::string body(text);
  SDL_MessageBoxButtonData data[2];
  int count = 0;
  switch (buttons) {
    case message_box_buttons::ok:
      data[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                       static_cast<int>(message_box_result::ok), "OK"};
      break;
    case message_box_buttons::ok_cancel:
      data[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, static_cast<int>(message_box_result::ok), "OK"};
      data[count++] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                       static_cast<int>(message_box_result::cancel), "Cancel"};
      break;
    case message_box_buttons::yes_no:
      data[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, static_cast<int>(message_box_result::yes), "Yes"};
      data[count++] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, static_cast<int>(message_box_result::no), "No"};
      break;
  }
  Uint32 flags = SDL_MESSAGEBOX_ERROR;
  if (icon == message_box_icon::warning) flags = SDL_MESSAGEBOX_WARNING;
  if (icon == message_box_icon::information) flags = SDL_MESSAGEBOX_INFORMATION;
  SDL_MessageBoxData box{flags, nullptr, caption_text.c_str(), body.c_str(), count, data, nullptr};
  int pressed = -1;
  if (SDL_ShowMessageBox(&box, &pressed) != 0) return stderr_box(caption, text, buttons);
  if (pressed < 0) {
    // Closed without a button: the escape answer.
    if (buttons == message_box_buttons::ok) return message_box_result::ok;
    return buttons == message_box_buttons::yes_no ? message_box_result::no : message_box_result::cancel;
  }
  return static_cast<message_box_result>(pressed);
}

}  // namespace

bool init_video() {
  if (g_video_started) return true;
  // SDL's own messages join the other libraries' on their way to the log.
  SDL_LogSetOutputFunction(
      [](void*, int, SDL_LogPriority, const char* message) {
        post_library_message(std::string("SDL: ") + (message ? message : ""));
      },
      nullptr);
  const bool has_display = env_set("DISPLAY") || env_set("WAYLAND_DISPLAY");
  if (!env_set("SDL_VIDEODRIVER") && !has_display) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  // The display libraries SDL tries in turn print why one cannot connect
  // (a display that is gone, no runtime folder); those lines go to the log.
  scoped_stderr_capture quiet;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    // A display that cannot be reached: go on offscreen.
    post_library_message(std::string("Video driver failed (") + SDL_GetError() + "); using the offscreen driver.");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  }
  g_video_started = true;
  return true;
}

std::string video_driver_name() {
  if (!g_video_started) return {};
  const char* name = SDL_GetCurrentVideoDriver();
  return name ? name : "";
}

bool video_has_display() {
  const std::string name = video_driver_name();
  return !name.empty() && name != "offscreen" && name != "dummy";
}

namespace {
// The clipboard of a run with no display to share one with.
std::string g_process_clipboard;
bool g_process_clipboard_set = false;
}  // namespace

bool set_clipboard_text(std::string_view text) {
  if (video_has_display()) {
    const std::string copy(text);
    return SDL_SetClipboardText(copy.c_str()) == 0;
  }
  g_process_clipboard.assign(text);
  g_process_clipboard_set = true;
  return true;
}

bool get_clipboard_text(std::string& out) {
  if (video_has_display()) {
    if (!SDL_HasClipboardText()) return false;
    char* text = SDL_GetClipboardText();
    if (!text) return false;
    out = text;
    SDL_free(text);
    return true;
  }
  if (!g_process_clipboard_set) return false;
  out = g_process_clipboard;
  return true;
}

void shutdown_video() {
  if (!g_video_started) return;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  g_video_started = false;
}

std::unique_ptr<window> make_sdl_window() { return std::make_unique<sdl_window>(); }

void install_window_message_boxes() { set_message_box_backend(&sdl_message_box); }

}  // namespace hm::platform
