#pragma once
// How the navigation graph looks while the edit mode is on: a small solid
// at every vertex, a thin box along every edge and every face shaded by its
// slope, each coloured by whether it is selected in the current element
// mode. Each set of markers is one mesh, rebuilt when its flag is raised.
#include <cstdint>

namespace hm {

class ai_mesh_editor;
class entity;
class mesh;
class mission;

void build_ai_vertex_markers(const ai_mesh_editor& ed, mesh& out);
void build_ai_edge_markers(const ai_mesh_editor& ed, mesh& out);
// Face normals are made again first.
void build_ai_face_markers(ai_mesh_editor& ed, mesh& out);

struct ai_mesh_display {
  mesh* vertex_markers = nullptr;
  mesh* edge_markers = nullptr;
  mesh* face_markers = nullptr;
  // Holds the meshes; its bounds follow a rebuild.
  entity* owner = nullptr;
  bool rebuild_vertices = false;
  bool rebuild_edges = false;
  bool rebuild_faces = false;

  void mark_all() { rebuild_vertices = rebuild_edges = rebuild_faces = true; }
};

// Rebuilds each marked set of markers that has a mesh, then lowers the
// flags.
void refresh_ai_mesh_display(ai_mesh_editor& ed, ai_mesh_display& display);

// The display's meshes are the edit mode's navigation-marker entity's (its
// face, edge and corner meshes, made by the screen on entering the edit
// mode); null each when the scene has no such entity.
void attach_ai_mesh_display(mission& m, ai_mesh_display& display);

}  // namespace hm
