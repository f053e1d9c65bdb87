#pragma once
// The "Edit AI Mesh" sub-mode as the scene editor runs it: the editor held
// on the mission's navigation graph, its markers in the scene, the dialog's
// operation buttons, and what a change means for the mission (its agents'
// faces and paths found again).
#include <cstdint>
#include <string>

#include "editor/navmesh/ai_mesh_display.h"
#include "editor/navmesh/ai_mesh_editor.h"
#include "editor/navmesh/ai_mesh_view.h"

namespace hm {

class mission;

// The dialog's AI-mesh buttons.
enum class ai_mesh_command {
  create_new_face,
  extrude,
  fill,
  connect,
  subdivide,
  weld,
  remove,
  break_selected,
  select_all,
  select_none,
  grow,
  to_vertices,
  to_edges,
  to_faces,
  delete_selection,
  create_from_terrain,
};

class ai_mesh_session {
 public:
  // Entering the edit mode: the editor takes the mission's graph, the marker
  // entity's meshes show it, and nothing is selected.
  void enter(mission& m);
  // One frame of the sub-mode. True when the element mode changed.
  bool frame(mission& m, const ai_mesh_view_input& in, std::uint32_t& element_mode, std::uint32_t& scene_changed);
  // Leaving the edit mode: the mission's agents take up the graph as it now is.
  void leave(mission& m);
  // A dialog button: empty when done, else the message for the "Warning"
  // box. `camera_position` places a new face.
  std::string run(mission& m, ai_mesh_command command, const vec3& camera_position, std::uint32_t& scene_changed);

  ai_mesh_editor& editor() { return editor_; }
  // Whether the graph changed since the edit mode was last entered.
  bool edited() const { return edited_; }
  ai_mesh_display& display() { return display_; }

 private:
  void changed(mission& m, std::uint32_t& scene_changed);

  ai_mesh_editor editor_;
  ai_mesh_display display_;
  bool edited_ = false;
};

// Replaces the mission's graph by a grid over the scene's terrain: grid step
// 3, or 2 when the terrain code asks for region detail. Only for an outdoor
// scene; false (and nothing changed) otherwise.
bool create_ai_mesh_from_terrain(mission& m);

}  // namespace hm
