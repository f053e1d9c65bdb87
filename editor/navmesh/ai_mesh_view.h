#pragma once
// Editing the navigation graph in the 3-D view: the right button picks the
// vertex, edge or face under the mouse (Ctrl adds to the selection), keys 1,
// 2 and 3 choose which kind, held keys move, turn and scale the selection
// with the mouse, Delete removes it, and Ctrl+C / Ctrl+V copy and paste
// selected faces relative to the camera.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class ai_mesh_editor;
class mission;
struct ai_mesh_display;
struct screen_input;

// The element under a ray (origin, unit direction), -1 for none. Vertices
// and edges are judged by the angle they make with the ray seen from its
// origin (an element closer than 2 units counts as 2 units away); faces by
// the nearest hit along the ray.
std::int32_t ai_mesh_pick_vertex(const ai_mesh_editor& ed, const vec3& origin, const vec3& direction);
std::int32_t ai_mesh_pick_edge(const ai_mesh_editor& ed, const vec3& origin, const vec3& direction);
std::int32_t ai_mesh_pick_face(const ai_mesh_editor& ed, const vec3& origin, const vec3& direction);

// Turns the selection's vertices about their centroid by the rotation, or
// scales their offsets from it component by component.
void ai_mesh_rotate_selection(ai_mesh_editor& ed, const rotation& r);
void ai_mesh_scale_selection(ai_mesh_editor& ed, const vec3& factors);

// Face mode only: the selected faces kept in the camera's upright frame.
void ai_mesh_copy_faces(ai_mesh_editor& ed, const frame& camera);
// The copied faces added back in front of the camera as it is now, and made
// the selection.
void ai_mesh_paste_faces(ai_mesh_editor& ed, const frame& camera);

// What one frame of the editing reads besides the keyboard.
struct ai_mesh_view_input {
  const screen_input* input = nullptr;
  float mouse_dx = 0.0f;
  float mouse_dy = 0.0f;
  // The ray through the mouse, when the view has one.
  bool has_ray = false;
  vec3 ray_origin;
  vec3 ray_direction;
  // The view camera's frame.
  frame camera = frame::identity();
};

// The editor's words the frame reads and writes.
struct ai_mesh_view_words {
  std::uint32_t* element_mode = nullptr;
  std::uint32_t* scene_changed = nullptr;
};

// One frame of the "Edit AI Mesh" sub-mode. True when the element mode
// changed (the dialog refreshes its buttons).
bool ai_mesh_edit_frame(ai_mesh_editor& ed, const ai_mesh_view_input& in, ai_mesh_view_words words,
                        ai_mesh_display& display);

// After the graph changed: its faces are placed in the scene's cells again
// and every agent looks up its ground and goal faces afresh (their old
// indexes may name other faces now) and searches its path again.
void ai_mesh_changed(mission& m);

}  // namespace hm
