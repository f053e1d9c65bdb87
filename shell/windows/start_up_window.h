#pragma once
// The two start-up screens (the module's loading window and the game's launch
// window) show what the window table made for their ids, while their frames
// also run one step of the program's start-up: the module's data, one file a
// frame, and the new or loaded game, one step a frame. The start-up belongs
// to the application; the window it stands over keeps its own picture and
// widgets.
#include <functional>
#include <memory>

#include "ui/windows/game_window.h"

namespace hm {

class window_manager;

class start_up_window final : public game_window {
 public:
  // `step` runs after the shown window's own frame, while this is the top
  // window.
  start_up_window(std::unique_ptr<game_window> shown, std::function<void(start_up_window&, float)> step);

  void leave() override;
  void build() override;
  void frame(float seconds) override;
  void reset_hook() override;
  void write_state(binary_stream& s) override;
  void read_state(binary_stream& s) override;
  bool is_top_level() const override;
  bool shows_cursor() const override;

  // The window object the table had for the id (null if it had none).
  game_window* shown() const { return shown_.get(); }

 private:
  // The words the dispatcher and the start-up set on this object are the
  // shown window's too; its build and frame may change them in turn.
  void lend_words();
  void take_words();

  std::unique_ptr<game_window> shown_;
  std::function<void(start_up_window&, float)> step_;
};

// Puts a start-up window over the table's object of `id` (refused, false,
// while that window is open or for an id outside the table).
bool install_start_up_window(window_manager& windows, int id, std::function<void(start_up_window&, float)> step);

// The table's own object of `id`, looking through a start-up window.
game_window* shown_window(const window_manager& windows, int id);

}  // namespace hm
