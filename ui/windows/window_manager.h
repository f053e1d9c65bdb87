#pragma once
// The owner of the thirty game windows (by fixed id) and of the stack of open
// window ids (last = top). set_window switches screens; a window that opens
// over another (message box, choice box, party name, debrief) is pushed and
// later popped.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "ui/windows/game_window.h"

namespace hm {

class window_manager {
 public:
  window_manager();
  ~window_manager();
  window_manager(const window_manager&) = delete;
  window_manager& operator=(const window_manager&) = delete;

  // Makes the thirty window objects (once, before any window shows); the
  // windows a later layer provides are installed over them with install.
  void create_game_windows();
  // Replaces the object of an id (a higher layer's window, such as the
  // mission screen). Refused (false) for an id outside 0..29 or while that
  // window is open.
  bool install(int id, std::unique_ptr<game_window> w);
  // Drops every window object and the stack (the end of the run).
  void destroy_game_windows();

  // Makes window id current: ends a running presentation, resets the
  // overlay, leaves the whole stack for a top-level window, then pushes id.
  // False (nothing changes) for an id outside the table or without object.
  bool set_window(int id);
  bool push_window(int id);
  // Leaves the top window; the window below is not rebuilt.
  void pop_window();

  // The top window's frame handler (the only one that runs); the windows
  // that show the on-screen message log first move the waiting messages
  // into it.
  void frame(float seconds);
  // Every open window's scene, lowest first, for a back buffer of that size:
  // a box opened over the battle leaves the battle drawn behind it.
  void queue_scenes(std::uint32_t width, std::uint32_t height);
  // The world map, inventory, debrief, mission screen, character and
  // conversation windows.
  static bool shows_message_log(int id);

  game_window* window(int id) const;
  game_window* top() const;
  // -1 for an empty stack.
  int top_id() const { return stack.empty() ? -1 : stack.back(); }
  static bool valid_id(std::int64_t id) { return id >= 0 && id < game_window_count; }

  std::unique_ptr<game_window> windows[game_window_count];
  std::deque<std::int32_t> stack;
  // Told whether the cursor shows each time the top window changes (the
  // graphics device's cursor); may be empty.
  std::function<void(bool)> show_cursor;
  // The meta mission's requests, which the timed windows run when their
  // return id is 100 (the state dispatcher fills it in).
  std::function<void()> dispatch_meta_mission_requests;
  // The game's pending screen change code that window 27 watches (15 restarts it).
  std::int32_t* pending_screen_change = nullptr;
  // The presentation module code asked to show over the mission screen (-1: none).
  std::int32_t mission_presentation = -1;

 private:
  void update_cursor();
};

extern window_manager g_window_manager;

}  // namespace hm
