#include "editor/navmesh/ai_mesh_session.h"

#include "editor/navmesh/ai_mesh_operations.h"
#include "mission/records/mission.h"
#include "mission/setup/mission_setup.h"
#include "module/loading/game.h"
#include "module/records/world_records.h"
#include "render/entity/entity.h"
#include "render/terrain/terrain_generator.h"

namespace hm {

namespace {

bool outdoor_scene(const mission& m) {
  if (!g_game || m.scene_index < 0 || m.scene_index >= static_cast<std::int32_t>(g_game->scenes.size())) return false;
  const scene* s = g_game->scenes[static_cast<std::size_t>(m.scene_index)].get();
  return s && (s->flags & scene_flag::outdoor_terrain) != 0;
}

}  // namespace

bool create_ai_mesh_from_terrain(mission& m) {
  if (!m.nav_mesh || !outdoor_scene(m)) return false;
  const std::int32_t step = g_terrain_generator.code.region_detail() != 0 ? 2 : 3;
  build_grid_ai_mesh(*m.nav_mesh, g_terrain_generator.heights, step);
  rebuild_ai_mesh_adjacency(*m.nav_mesh);
  return true;
}

void ai_mesh_session::enter(mission& m) {
  editor_.attach(m.nav_mesh);
  editor_.primary_vertex = -1;
  if (m.nav_mesh) {
    editor_.select_all(ai_element_vertices, 0);
    editor_.select_all(ai_element_edges, 0);
    editor_.select_all(ai_element_faces, 0);
  }
  attach_ai_mesh_display(m, display_);
  if (display_.owner) display_.owner->visible = 1;
  display_.mark_all();
  refresh_ai_mesh_display(editor_, display_);
  edited_ = false;
}

bool ai_mesh_session::frame(mission& m, const ai_mesh_view_input& in, std::uint32_t& element_mode,
                            std::uint32_t& scene_changed) {
  if (editor_.mesh() != m.nav_mesh) enter(m);
  if (!editor_.mesh()) return false;
  const std::uint32_t before = scene_changed;
  scene_changed = 0;
  const bool mode_changed = ai_mesh_edit_frame(editor_, in, {&element_mode, &scene_changed}, display_);
  // The mission keeps running under the edit mode: its agents and the
  // scene's cells must not hold face numbers the change gave to others.
  if (scene_changed) {
    ai_mesh_changed(m);
    edited_ = true;
  }
  scene_changed = scene_changed | before;
  return mode_changed;
}

void ai_mesh_session::leave(mission& m) {
  // The markers belong to the edit mode; the game is played without them.
  attach_ai_mesh_display(m, display_);
  if (display_.owner) display_.owner->visible = 0;
  if (m.nav_mesh) ai_mesh_changed(m);
}

void ai_mesh_session::changed(mission& m, std::uint32_t& scene_changed) {
  scene_changed = 1;
  edited_ = true;
  ai_mesh_changed(m);
}

std::string ai_mesh_session::run(mission& m, ai_mesh_command command, const vec3& camera_position,
                                 std::uint32_t& scene_changed) {
  if (editor_.mesh() != m.nav_mesh) enter(m);
  if (!editor_.mesh()) return std::string();
  ai_mesh_editor& ed = editor_;
  const char* failure = nullptr;
  bool touched = true;
  switch (command) {
    case ai_mesh_command::create_new_face: ai_mesh_create_new_face(ed, camera_position); break;
    case ai_mesh_command::extrude: ai_mesh_extrude(ed); break;
    case ai_mesh_command::fill: failure = ai_mesh_fill(ed) ? nullptr : ai_fill_failure_message; break;
    case ai_mesh_command::connect: failure = ai_mesh_connect(ed) ? nullptr : ai_connect_failure_message; break;
    case ai_mesh_command::subdivide: failure = ai_mesh_subdivide(ed) ? nullptr : ai_single_edge_failure_message; break;
    case ai_mesh_command::weld:
      failure = ai_mesh_weld(ed) ? nullptr
                                 : (ed.element_mode == ai_element_edges ? ai_single_edge_failure_message
                                                                        : ai_weld_failure_message);
      break;
    case ai_mesh_command::remove: failure = ai_mesh_remove_edge(ed) ? nullptr : ai_remove_failure_message; break;
    case ai_mesh_command::break_selected: ai_mesh_break_selected(ed); break;
    case ai_mesh_command::select_all: ed.select_all(ed.element_mode, 1), touched = false; break;
    case ai_mesh_command::select_none: ed.select_all(ed.element_mode, 0), touched = false; break;
    case ai_mesh_command::grow: ed.grow_selection(), touched = false; break;
    case ai_mesh_command::to_vertices: ed.convert_selection_to_vertices(), touched = false; break;
    case ai_mesh_command::to_edges: ed.convert_selection_to_edges(), touched = false; break;
    case ai_mesh_command::to_faces: ed.convert_selection_to_faces(), touched = false; break;
    case ai_mesh_command::delete_selection: ed.delete_selection(); break;
    case ai_mesh_command::create_from_terrain:
      touched = create_ai_mesh_from_terrain(m);
      if (touched) ai_mesh_changed(m);
      break;
  }
  if (failure) return failure;
  if (touched) changed(m, scene_changed);
  display_.mark_all();
  refresh_ai_mesh_display(editor_, display_);
  return std::string();
}

}  // namespace hm
