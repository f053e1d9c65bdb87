#pragma once
// The AI-mesh editor as the scene editor's sub-mode 4 sees it: its frame in
// the 3-D view, its buttons in the edit-mode dialog, and the mesh's section
// for the scene's file.
#include <string>

#include "editor/mode/ai_mesh_tools.h"
#include "editor/navmesh/ai_mesh_session.h"

namespace hm {

class ai_mesh_tools_host : public ai_mesh_tools {
 public:
  void enter(mission& m, edit_mode_state& s) override;
  void leave(mission& m, edit_mode_state& s) override;
  void frame(mission& m, edit_mode_state& s, edit_mode_view& view) override;
  void draw_controls(mission& m, edit_mode_state& s, platform::tool_ui& ui) override;
  bool store(mission& m, std::string& section) override;

  ai_mesh_session& session() { return session_; }
  // The last button's warning, empty for none.
  const std::string& warning() const { return warning_; }

 private:
  ai_mesh_session session_;
  // Where the edit camera stood in the last frame: new faces go there.
  vec3 camera_position_;
  std::string warning_;
  // "Create AI Mesh" waits for its "Are you sure?".
  bool confirming_create_ = false;
};

}  // namespace hm
