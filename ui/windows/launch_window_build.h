#pragma once
// The screen shown while a new game starts or a saved game loads: a
// full-screen background, the logo, a status label that the start-up fills,
// and one hint chosen at random from the module's hint texts.
#include <functional>

namespace hm {

class widget;
class window_container;

struct launch_window_widgets {
  window_container* root = nullptr;  // owned by the UI manager once built
  widget* status_label = nullptr;
  widget* hint_label = nullptr;
  widget* logo = nullptr;
  // Start-up progress words of the frame handler.
  int step = 0;
  int substep = 0;
};

// Clears the UI manager and builds the window as its only root. The hint is
// drawn from `random` (default: the runtime's generator seeded with the
// millisecond time), which is not called when the module has no hints.
void build_launch_window(launch_window_widgets& w, const std::function<int()>& random = {});

}  // namespace hm
