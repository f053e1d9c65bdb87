#pragma once
// The scene editor the program hands to the mission screen: entering and
// leaving the edit mode (with the save question), its per-frame work by
// sub-mode (objects, the add-object mode, the ground brushes, the AI-mesh
// editor), the dialog beside the game's window and the save of the scene's
// file.
#include <cstdint>
#include <optional>
#include <string>

#include "editor/dialog/edit_mode_dialog.h"
#include "editor/mode/ai_mesh_tools.h"
#include "editor/mode/edit_mode_state.h"
#include "engine/core/timer.h"
#include "mission/screen/scene_edit_mode.h"
#include "render/terrain/ground_paint.h"

namespace hm {

class scene_editor final : public scene_edit_mode {
 public:
  scene_editor();
  ~scene_editor() override;

  // The AI-mesh editor (null: the sub-mode shows nothing and the scene file
  // keeps its AI-mesh section).
  void set_ai_mesh_tools(ai_mesh_tools* tools) { ai_tools_ = tools; }

  void enter(mission& m, edit_mode_view& view) override;
  void frame(mission& m, edit_mode_view& view) override;
  void leave(mission& m, edit_mode_view& view) override;
  bool save(mission& m) override;
  void update_dialog() override;
  void close_dialog() override;

  // The path and id of the mission's scene file; false without a scene.
  static bool scene_file_of(const mission& m, std::string& path, std::string& id);

  edit_mode_state state;
  // The scene's hand-painted ground layers, read from its file on entry
  // (or made empty for the terrain); changed by the brushes.
  ground_paint paint;
  bool paint_loaded = false;
  bool paint_changed = false;
  // What the screen's hover pick found (-1 none), and whether the mouse
  // drives a transform (the hover marker then hides).
  std::int32_t hovered_instance = -1;
  bool selection_dirty = false;
  bool mouse_transform = false;
  // A brush stroke awaits the terrain refresh at the button's release.
  bool terrain_refresh_pending = false;
  // The add-object preview: where it stands and the plant variation drawn
  // for it.
  hm::frame preview_frame = frame::identity();
  std::int32_t preview_variation = 0;
  vec3 last_ground_point;
  edit_mode_dialog dialog;

 private:
  void edit_objects_frame(mission& m, edit_mode_view& view);
  void add_object_frame(mission& m, edit_mode_view& view);
  void ground_brush_frame(mission& m, edit_mode_view& view);
  void hover_pick(mission& m, edit_mode_view& view);
  void mouse_ray(const edit_mode_view& view, vec3& from, vec3& direction) const;
  void new_preview(mission& m, edit_mode_view& view);
  void load_ground_paint(const mission& m);
  void clear_ground_paint();
  // The terrain blocks' meshes follow the painted heights.
  void refresh_terrain_meshes();
  void refresh_selected(const mission& m);
  void leave_now(mission& m);
  std::string text(const char* key) const;

  ai_mesh_tools* ai_tools_ = nullptr;
  mission* mission_ = nullptr;
  mission_screen_state* screen_ = nullptr;
  mission_screen_host* host_ = nullptr;
  timer hover_timer_{clock_real_time};
  timer key_up_timer_{clock_real_time};
  timer key_down_timer_{clock_real_time};
  bool key_up_stamped_ = false;
  bool key_down_stamped_ = false;
  // The heights the terrain's meshes show, per vertex [x * count_y + y].
  std::vector<float> shown_heights_;
};

}  // namespace hm
