#pragma once
// The mission screen's door to the scene editor. The editor sits above the
// mission and the shell; the program hands its object to the screen's host,
// which passes every edit-mode step through this interface together with
// what the editor reads of the screen in that frame.
#include "mission/screen/mission_screen_state.h"
#include "mission/screen/screen_controls.h"

namespace hm {

class mission;
class mesh_view_widget;
class mission_screen_host;

// What the editor reads and writes of the screen in one frame.
struct edit_mode_view {
  mission_screen_state& state;
  const screen_input& input;
  // The screen's 3-D view (the mouse ray comes from its camera); null before
  // the screen was built.
  const mesh_view_widget* view = nullptr;
  // The application's frame time in seconds.
  float frame_time = 0.0f;
  // The screen's host: texts, the overlay box, the windows.
  mission_screen_host* host = nullptr;
};

class scene_edit_mode {
 public:
  virtual ~scene_edit_mode();
  // Ctrl+E while off: the screen has set the edit camera and the flag.
  virtual void enter(mission& m, edit_mode_view& view) = 0;
  // Once a frame while the edit mode is on, after the camera and mission
  // update; the screen's other per-frame work is skipped.
  virtual void frame(mission& m, edit_mode_view& view) = 0;
  // Ctrl+E while on: the edit mode ends, asking whether to keep changes.
  virtual void leave(mission& m, edit_mode_view& view) = 0;
  // The answer was "save": writes the scene's file. False when it could not
  // be written (the old file stays and the edit is kept).
  virtual bool save(mission& m) = 0;
  // Once an application frame: shows the editor's dialog while the edit mode
  // is on and hides it otherwise.
  virtual void update_dialog() = 0;
  // The program ends: the dialog goes.
  virtual void close_dialog() = 0;
};

}  // namespace hm
