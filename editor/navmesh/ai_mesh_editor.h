#pragma once
// The scene editor's hold on a navigation graph: which kind of element the
// selection is about, the last vertex touched, the working marks of the
// operations, the face clipboard, and the selection and deletion rules that
// keep the graph sound.
//
// The graph it edits is the one the mission's agents walk, so every change
// is seen by their next path search. Whatever the editor does, the graph
// keeps these rules (ai_mesh_fault names the first one broken):
// - every face has 3 or 4 distinct corners, and its side k joins corners k
//   and k + 1 (the last side closes the ring);
// - every edge joins two distinct vertices, no two edges join the same pair,
//   and one or two faces use it, as its face links and count say;
// - every vertex is used by an edge;
// - indexes are dense: removing an element moves the last one into its slot
//   and renumbers every reference to it.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/math.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

// The element modes: what picking, selection and deletion are about.
inline constexpr std::int32_t ai_element_vertices = 0;
inline constexpr std::int32_t ai_element_edges = 1;
inline constexpr std::int32_t ai_element_faces = 2;

// The first broken rule of the list above, or empty for a sound graph.
std::string ai_mesh_fault(const ai_mesh& mesh);

// Face links and counts of every edge made again from the faces, then the
// face normals, centres and areas and the edge midpoints.
void rebuild_ai_mesh_adjacency(ai_mesh& mesh);

// Copied faces, kept in the camera's upright frame so that a paste puts
// them where they were relative to the camera of the moment.
struct ai_mesh_clipboard {
  std::vector<vec3> vertices;
  std::vector<std::int32_t> edge_ends;  // two vertex ids an edge
  std::vector<ai_mesh_face> faces;      // corner and side ids into the lists above
};

class ai_mesh_editor {
 public:
  explicit ai_mesh_editor(ai_mesh* mesh = nullptr) : mesh_(mesh) {}

  void attach(ai_mesh* mesh) { mesh_ = mesh; }
  ai_mesh* mesh() { return mesh_; }
  const ai_mesh* mesh() const { return mesh_; }

  std::int32_t element_mode = ai_element_vertices;
  // The last vertex the selection touched, -1 for none.
  std::int32_t primary_vertex = -1;
  // Shades the face markers.
  vec3 light_direction = get_normalized(vec3(1.0f, 1.0f, 1.0f));
  // The working marks, one an element, as the mark functions leave them.
  std::vector<std::int32_t> vertex_marks;
  std::vector<std::int32_t> edge_marks;
  ai_mesh_clipboard clipboard;

  // --- selection ---
  // Every element of the kind set to the value; the primary vertex is then
  // the last vertex (selecting) or none (clearing).
  void select_all(std::int32_t kind, std::uint8_t value);
  // Marks the vertices (edges) the selection of the mode covers.
  void mark_selection_vertices(std::int32_t mode);
  void mark_selection_edges(std::int32_t mode);
  void convert_selection_to_vertices();
  void convert_selection_to_edges();
  void convert_selection_to_faces();
  void grow_selection();
  // Adds the offset to every vertex the selection of the mode covers.
  void move_selection(std::int32_t mode, const vec3& offset);
  // Flips the element's selection; in vertex mode the primary vertex follows.
  void toggle_element(std::int32_t mode, std::int32_t index);

  // --- deletion, each with its cascade: a face's sides no other face uses
  // go with it, an edge's faces go with it, a vertex's edges go with it, and
  // vertices left without an edge go too. An index out of range changes
  // nothing. ---
  void delete_face(std::int32_t index);
  void delete_edge(std::int32_t index);
  void delete_vertex(std::int32_t index);
  // Every selected element of the current element mode.
  void delete_selection();

  // Counts of the selection, for the operations.
  std::int32_t selected_vertex_count() const;
  std::int32_t selected_edge_count() const;
  std::int32_t selected_face_count() const;

  // Pieces the operations share (they leave the face links to the caller's
  // rebuild).
  void delete_face_raw(std::int32_t index);
  void delete_edge_raw(std::int32_t index);
  void delete_vertex_raw(std::int32_t index);
  void prune_orphan_edges();
  void prune_orphan_vertices();
  void delete_faces_using_edge(std::int32_t edge);
  void delete_edges_using_vertex(std::int32_t vertex);

 private:
  ai_mesh* mesh_;
};

// The edge joining the two vertices, -1 for none.
std::int32_t find_ai_mesh_edge(const ai_mesh& mesh, std::int32_t a, std::int32_t b);

}  // namespace hm
