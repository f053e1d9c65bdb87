#pragma once
// Where the AI-mesh editor plugs into the scene editor: sub-mode 4 of the
// edit mode hands it each frame (its picks and moves in the 3-D view), the
// dialog hands it the place where its controls are drawn, and the scene save
// asks it for the AI-mesh section of the scene file.
#include <string>

#include "editor/mode/edit_mode_state.h"

namespace hm {

class mission;
struct edit_mode_view;

namespace platform {
class tool_ui;
}

class ai_mesh_tools {
 public:
  virtual ~ai_mesh_tools() = default;
  // The edit mode was entered (the display is built) or left (it is hidden).
  virtual void enter(mission& m, edit_mode_state& s) = 0;
  virtual void leave(mission& m, edit_mode_state& s) = 0;
  // One frame of the AI-mesh sub-mode, after the display was made visible:
  // the mouse ray, the selection keys and the moves.
  virtual void frame(mission& m, edit_mode_state& s, edit_mode_view& view) = 0;
  // The dialog's AI-mesh controls (shown in the AI-mesh sub-mode only). A
  // change of the mesh sets s.scene_changed.
  virtual void draw_controls(mission& m, edit_mode_state& s, platform::tool_ui& ui) = 0;
  // The mesh written as the scene file's AI-mesh section; false keeps the
  // section the file has.
  virtual bool store(mission& m, std::string& section) = 0;
};

}  // namespace hm
