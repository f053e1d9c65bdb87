#include "editor/navmesh/ai_mesh_tools_host.h"

#include <algorithm>

#include "editor/navmesh/ai_mesh_section.h"
#include "mission/records/mission.h"
#include "mission/screen/scene_edit_mode.h"
#include "platform/tool_window.h"
#include "ui/widget/mesh_builders.h"

namespace hm {

void ai_mesh_tools_host::enter(mission& m, edit_mode_state& s) {
  session_.editor().element_mode = static_cast<std::int32_t>(std::min<std::uint32_t>(s.ai_mesh_element_mode, 2));
  session_.enter(m);
  warning_.clear();
  confirming_create_ = false;
}

void ai_mesh_tools_host::leave(mission& m, edit_mode_state&) { session_.leave(m); }

void ai_mesh_tools_host::frame(mission& m, edit_mode_state& s, edit_mode_view& view) {
  ai_mesh_view_input in;
  in.input = &view.input;
  in.mouse_dx = view.input.state->mouse_dx;
  in.mouse_dy = view.input.state->mouse_dy;
  in.camera = view.state.cam.camera;
  camera_position_ = view.state.game.edit_camera.position;
  vec3 to;
  if (view.view) {
    view.view->get_mouse_ray(in.ray_origin, to);
  } else {
    in.ray_origin = in.camera.origin;
    to = in.camera.origin + in.camera.rot.f * 1000.0f;
  }
  in.ray_direction = to - in.ray_origin;
  in.has_ray = in.ray_direction.length() > 1e-10f;
  session_.frame(m, in, s.ai_mesh_element_mode, s.scene_changed);
}

void ai_mesh_tools_host::draw_controls(mission& m, edit_mode_state& s, platform::tool_ui& ui) {
  struct mode_button {
    const char* label;
    std::uint32_t mode;
  };
  for (const mode_button& b : {mode_button{"Vertices", 0}, mode_button{"Edges", 1}, mode_button{"Faces", 2}}) {
    if (ui.radio(b.label, s.ai_mesh_element_mode == b.mode)) {
      s.ai_mesh_element_mode = b.mode;
      session_.editor().element_mode = static_cast<std::int32_t>(b.mode);
      session_.display().mark_all();
      refresh_ai_mesh_display(session_.editor(), session_.display());
    }
    ui.same_line();
  }
  ui.text("");
  const std::uint32_t mode = s.ai_mesh_element_mode;
  struct command_button {
    const char* label;
    ai_mesh_command command;
    bool enabled;
  };
  const command_button buttons[] = {
      {"Create New Face", ai_mesh_command::create_new_face, true},
      {"Extrude", ai_mesh_command::extrude, mode != 0},
      {"Fill", ai_mesh_command::fill, true},
      {"Connect", ai_mesh_command::connect, mode == 0},
      {"Subdivide", ai_mesh_command::subdivide, mode == 1},
      {"Weld", ai_mesh_command::weld, mode != 2},
      {"Remove", ai_mesh_command::remove, mode == 1},
      {"Break Selected", ai_mesh_command::break_selected, mode == 2},
      {"Select All", ai_mesh_command::select_all, true},
      {"Select None", ai_mesh_command::select_none, true},
      {"Grow Selection", ai_mesh_command::grow, true},
      {"To Vertices", ai_mesh_command::to_vertices, mode != 0},
      {"To Edges", ai_mesh_command::to_edges, mode != 1},
      {"To Faces", ai_mesh_command::to_faces, mode != 2},
      {"Delete Selected", ai_mesh_command::delete_selection, true},
  };
  int column = 0;
  for (const command_button& b : buttons) {
    if (column++ % 4 != 0) ui.same_line();
    if (!ui.button_enabled(b.label, b.enabled)) continue;
    session_.editor().element_mode = static_cast<std::int32_t>(std::min<std::uint32_t>(mode, 2));
    warning_ = session_.run(m, b.command, camera_position_, s.scene_changed);
    // A conversion hands the selection to the other kind.
    if (b.command == ai_mesh_command::to_vertices) s.ai_mesh_element_mode = 0;
    if (b.command == ai_mesh_command::to_edges) s.ai_mesh_element_mode = 1;
    if (b.command == ai_mesh_command::to_faces) s.ai_mesh_element_mode = 2;
    session_.editor().element_mode = static_cast<std::int32_t>(s.ai_mesh_element_mode);
  }
  ui.separator();
  if (!confirming_create_) {
    if (ui.button("Create AI Mesh")) confirming_create_ = true;
  } else {
    ui.text("Are you sure?");
    if (ui.button("Yes")) {
      confirming_create_ = false;
      warning_ = session_.run(m, ai_mesh_command::create_from_terrain, camera_position_, s.scene_changed);
    }
    ui.same_line();
    if (ui.button("No")) confirming_create_ = false;
  }
  if (!warning_.empty()) {
    ui.separator();
    ui.text("Warning");
    ui.text(warning_);
  }
}

bool ai_mesh_tools_host::store(mission& m, std::string& section) {
  // A graph the editor did not change keeps the file's section (a scene
  // without one keeps having none).
  if (!m.nav_mesh || !session_.edited()) return false;
  section = ai_mesh_section_bytes(*m.nav_mesh);
  return true;
}

}  // namespace hm
