#pragma once
// The navigation graph of a scene: vertices, edges and faces (triangles or
// quads) over the walkable ground, along which agents find their way. Scene
// files carry it as a blob; a regular grid graph can be built over a height
// field.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class stream;
struct height_field;

inline constexpr std::int32_t ai_mesh_no_face = -10000;
inline constexpr std::int32_t ai_mesh_no_vertex = -10000;
inline constexpr std::int32_t ai_mesh_no_corner = -100000;

struct ai_mesh_vertex {
  vec3 position;
  std::uint8_t selected = 0;
};

struct ai_mesh_edge {
  std::int32_t vertex_a = ai_mesh_no_vertex;
  std::int32_t vertex_b = ai_mesh_no_vertex;
  std::int32_t face_0 = ai_mesh_no_face;
  std::int32_t face_1 = ai_mesh_no_face;
  std::int32_t face_count = 0;
  std::uint8_t selected = 0;
  float weight_a = 1.0f;
  float weight_b = 1.0f;
  vec3 midpoint;  // set by the face-data pass; where paths cross the side
  // Room for an agent passing the side into face_0 (clearance) and into
  // face_1 (clearance_1), in metres; 1 and more is open ground. Narrow sides
  // cost path searches more.
  float clearance = 1.0f;
  float clearance_1 = 1.0f;
  std::int32_t crossing = 0;
};

struct ai_mesh_face {
  std::int32_t group = 0;
  // Face data from the vertices: the unit normal, the centre and the area
  // (the face-data pass).
  vec3 normal{0.0f, 0.0f, 1.0f};
  vec3 centre;
  float area = 0.0f;
  std::int32_t vertices[4] = {ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner};
  std::int32_t edges[4] = {ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner};
  std::int32_t vertex_count = 0;
  std::int32_t stamp = 0;
  std::int32_t parent_face = -1;
  std::int32_t region = 0;
  std::uint8_t selected = 0;
};

struct ai_mesh {
  std::vector<ai_mesh_vertex> vertices;
  std::vector<ai_mesh_edge> edges;
  std::vector<ai_mesh_face> faces;
  std::int32_t grid_step = 0;

  void clear();
  void resize_edges(std::size_t n) { edges.resize(n); }
  void resize_faces(std::size_t n) { faces.resize(n); }

  // Replaces the graph with a blob's contents. A blob with a face of other
  // than 3 or 4 corners, an index out of range or a count its bytes cannot
  // hold leaves an empty graph, with a warning in the log naming `source`;
  // false then.
  bool read(stream& s, const char* source = "AI mesh");
  void write(stream& s) const;

  // Fills every edge's two face slots from the faces. An edge shared by more
  // than two faces keeps the first two; false when there was such an edge (or
  // an index out of range).
  bool link_edges_to_faces();
  // Face normals, centres and areas, and edge midpoints, from the vertices.
  void compute_face_normals();
  void update_faces();

  // The face whose outline holds the point seen from above (-1 for none);
  // among several, the one whose plane is nearest the point's height.
  std::int32_t find_face(const vec3& point) const;
  // The height of a face's plane at a point's x, y.
  float face_height(std::int32_t face, const vec3& point) const;
};

std::int32_t add_ai_mesh_edge(ai_mesh& mesh, std::int32_t a, std::int32_t b);
std::int32_t add_ai_mesh_face(ai_mesh& mesh, std::int32_t count, const std::int32_t (&vertices)[4],
                              const std::int32_t (&edges)[4]);
void add_ai_mesh_vertex(ai_mesh& mesh, const vec3& position);

// Replaces the graph with a regular grid of quads over the height field,
// leaving out 12 samples on every side; an empty graph when the field is too
// small or the step is not positive.
void build_grid_ai_mesh(ai_mesh& mesh, const height_field& field, std::int32_t step);

}  // namespace hm
