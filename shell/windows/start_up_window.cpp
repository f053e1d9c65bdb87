#include "shell/windows/start_up_window.h"

#include "ui/windows/window_manager.h"

namespace hm {

start_up_window::start_up_window(std::unique_ptr<game_window> shown,
                                 std::function<void(start_up_window&, float)> step)
    : shown_(std::move(shown)), step_(std::move(step)) {
  if (shown_) {
    name = shown_->name;
    mode = shown_->mode;
    state_word = shown_->state_word;
    return_window = shown_->return_window;
  }
}

void start_up_window::lend_words() {
  if (!shown_) return;
  shown_->mode = mode;
  shown_->state_word = state_word;
  shown_->return_window = return_window;
  shown_->parameters[0] = parameters[0];
  shown_->parameters[1] = parameters[1];
}

void start_up_window::take_words() {
  if (!shown_) return;
  mode = shown_->mode;
  state_word = shown_->state_word;
  return_window = shown_->return_window;
  parameters[0] = shown_->parameters[0];
  parameters[1] = shown_->parameters[1];
  root = shown_->root;
}

void start_up_window::leave() {
  if (shown_) {
    lend_words();
    shown_->leave();
    take_words();
  }
  root = nullptr;
}

void start_up_window::build() {
  if (!shown_) return;
  lend_words();
  shown_->build();
  take_words();
}

void start_up_window::frame(float seconds) {
  if (shown_) {
    lend_words();
    shown_->frame(seconds);
    take_words();
  }
  if (step_) step_(*this, seconds);
}

void start_up_window::reset_hook() {
  if (!shown_) return;
  lend_words();
  shown_->reset_hook();
  take_words();
}

void start_up_window::write_state(binary_stream& s) {
  if (shown_) shown_->write_state(s);
}

void start_up_window::read_state(binary_stream& s) {
  if (shown_) shown_->read_state(s);
}

// Both start-up screens replace the whole stack when nothing says otherwise.
bool start_up_window::is_top_level() const { return shown_ ? shown_->is_top_level() : true; }

bool start_up_window::shows_cursor() const { return shown_ ? shown_->shows_cursor() : true; }

bool install_start_up_window(window_manager& windows, int id, std::function<void(start_up_window&, float)> step) {
  if (!window_manager::valid_id(id)) return false;
  for (int open : windows.stack)
    if (open == id) return false;
  auto w = std::make_unique<start_up_window>(std::move(windows.windows[id]), std::move(step));
  windows.windows[id] = std::move(w);
  return true;
}

game_window* shown_window(const window_manager& windows, int id) {
  game_window* w = windows.window(id);
  if (auto* s = dynamic_cast<start_up_window*>(w)) return s->shown();
  return w;
}

}  // namespace hm
