#include "ui/windows/window_manager.h"

#include "ui/manager/ui_manager.h"
#include "ui/presentation/presentation.h"

namespace hm {

window_manager g_window_manager;

namespace {

void reset_overlay() { g_ui_manager.reset_overlay_texts(nullptr, true); }

}  // namespace

window_manager::window_manager() = default;

window_manager::~window_manager() { destroy_game_windows(); }

void window_manager::create_game_windows() { create_game_window_objects(windows); }

void window_manager::destroy_game_windows() {
  stack.clear();
  for (auto& w : windows) w.reset();
}

bool window_manager::install(int id, std::unique_ptr<game_window> w) {
  if (!valid_id(id)) return false;
  for (std::int32_t open : stack)
    if (open == id) return false;
  windows[id] = std::move(w);
  return true;
}

game_window* window_manager::window(int id) const { return valid_id(id) ? windows[id].get() : nullptr; }

game_window* window_manager::top() const { return stack.empty() ? nullptr : window(stack.back()); }

bool window_manager::set_window(int id) {
  game_window* w = window(id);
  if (!w) return false;
  end_running_presentation();
  reset_overlay();
  if (w->is_top_level()) {
    while (!stack.empty()) {
      game_window* t = top();
      stack.pop_back();
      if (t) t->leave();
    }
    g_ui_manager.clear();
  }
  return push_window(id);
}

bool window_manager::push_window(int id) {
  game_window* w = window(id);
  if (!w) return false;
  reset_overlay();
  // A box closed in this frame keeps its root on top until the UI manager's
  // next input step, which would then take the new window's root instead.
  if (g_ui_manager.close_top_root) {
    g_ui_manager.pop_root_widget();
    g_ui_manager.close_top_root = 0;
  }
  stack.push_back(id);
  w->build();
  update_cursor();
  return true;
}

void window_manager::pop_window() {
  reset_overlay();
  if (stack.empty()) return;
  game_window* t = top();
  if (t) t->leave();
  // leave may have switched windows itself; only the entry that was on top goes.
  if (!stack.empty() && window(stack.back()) == t) stack.pop_back();
  if (!stack.empty()) update_cursor();
}

void window_manager::update_cursor() {
  game_window* t = top();
  if (!t) return;
  const bool visible = t->shows_cursor();
  if (show_cursor) show_cursor(visible);
  g_ui_manager.cursor_visible = visible ? 1 : 0;
}

bool window_manager::shows_message_log(int id) {
  switch (id) {
    case window_id::world_map:
    case window_id::inventory:
    case window_id::debrief:
    case window_id::mission_screen:
    case window_id::character:
    case window_id::conversation: return true;
    default: return false;
  }
}

void window_manager::queue_scenes(std::uint32_t width, std::uint32_t height) {
  for (const std::int32_t id : stack)
    if (game_window* w = window(id)) w->queue_scene(width, height);
}

void window_manager::frame(float seconds) {
  game_window* t = top();
  if (!t) return;
  // Whichever object a layer installed for these ids, the messages game code
  // posted reach the log before the window's own work.
  if (shows_message_log(top_id())) g_ui_manager.flush_pending_messages();
  t->frame(seconds);
}

}  // namespace hm
