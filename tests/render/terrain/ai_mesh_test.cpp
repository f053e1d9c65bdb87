#include "render/terrain/ai_mesh.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/core/stream.h"
#include "render/terrain/height_field.h"

namespace hm {
namespace {

height_field flat_field(std::int32_t n, float height) {
  height_field field;
  field.cell_size = 2.0f;
  field.resize(n, n);
  for (height_sample& s : field.samples) s.height = height;
  return field;
}

TEST(AiMesh, NewEdgesHaveNoFaces) {
  ai_mesh mesh;
  add_ai_mesh_vertex(mesh, vec3(0, 0, 0));
  add_ai_mesh_vertex(mesh, vec3(1, 0, 0));
  EXPECT_EQ(add_ai_mesh_edge(mesh, 0, 1), 0);
  EXPECT_EQ(add_ai_mesh_edge(mesh, 1, 0), 1);
  EXPECT_EQ(mesh.edges[1].face_0, -10000);
  EXPECT_EQ(mesh.edges[1].face_1, -10000);
  EXPECT_EQ(mesh.edges[1].face_count, 0);
  mesh.resize_faces(2);
  EXPECT_EQ(mesh.faces[1].vertices[3], -100000);
  EXPECT_EQ(mesh.faces[1].vertex_count, 0);
}

TEST(AiMesh, GridOfThreeByThree) {
  ai_mesh mesh;
  build_grid_ai_mesh(mesh, flat_field(27, 5.0f), 1);
  ASSERT_EQ(mesh.vertices.size(), 9u);
  ASSERT_EQ(mesh.edges.size(), 12u);
  ASSERT_EQ(mesh.faces.size(), 4u);
  EXPECT_EQ(mesh.vertices[4].position.x, 26.0f);
  EXPECT_EQ(mesh.vertices[4].position.z, 5.4f);
  std::int32_t inner = 0;
  for (const ai_mesh_edge& e : mesh.edges) {
    const vec3& a = mesh.vertices[static_cast<std::size_t>(e.vertex_a)].position;
    const vec3& b = mesh.vertices[static_cast<std::size_t>(e.vertex_b)].position;
    const bool border = (a.x == b.x && (a.x == 24.0f || a.x == 28.0f)) || (a.y == b.y && (a.y == 24.0f || a.y == 28.0f));
    EXPECT_EQ(e.face_count, border ? 1 : 2);
    inner += border ? 0 : 1;
  }
  EXPECT_EQ(inner, 4);
  // Each face's sides join its corners in order.
  for (const ai_mesh_face& f : mesh.faces) {
    for (int k = 0; k < 4; ++k) {
      const ai_mesh_edge& e = mesh.edges[static_cast<std::size_t>(f.edges[k])];
      const std::int32_t a = f.vertices[k];
      const std::int32_t b = f.vertices[(k + 1) % 4];
      EXPECT_TRUE((e.vertex_a == a && e.vertex_b == b) || (e.vertex_a == b && e.vertex_b == a));
    }
  }
  mesh.update_faces();
  EXPECT_EQ(mesh.faces[0].normal.z, 1.0f);
  EXPECT_EQ(mesh.find_face(vec3(25.0f, 27.0f, 5.0f)), 1);
  EXPECT_EQ(mesh.find_face(vec3(10.0f, 10.0f, 5.0f)), -1);
  EXPECT_FLOAT_EQ(mesh.face_height(1, vec3(25.0f, 27.0f, 0.0f)), 5.4f);

  build_grid_ai_mesh(mesh, flat_field(24, 0.0f), 1);
  EXPECT_TRUE(mesh.vertices.empty());
  build_grid_ai_mesh(mesh, flat_field(40, 0.0f), 0);
  EXPECT_TRUE(mesh.faces.empty());
}

std::string blob_of(const ai_mesh& mesh) {
  binary_writer writer;
  mesh.write(writer);
  return std::string(writer.contents());
}

bool read_blob(ai_mesh& mesh, const std::string& bytes) {
  binary_reader reader;
  reader.open_memory("blob", bytes.data(), bytes.size());
  return mesh.read(reader, "test scene");
}

TEST(AiMesh, BlobRoundTrip) {
  ai_mesh mesh;
  build_grid_ai_mesh(mesh, flat_field(28, 1.0f), 2);
  const std::string bytes = blob_of(mesh);
  ai_mesh back;
  ASSERT_TRUE(read_blob(back, bytes));
  ASSERT_EQ(back.faces.size(), mesh.faces.size());
  EXPECT_EQ(blob_of(back), bytes);
  EXPECT_EQ(back.edges[0].face_0, mesh.edges[0].face_0);

  const std::string zero(12, '\0');
  EXPECT_TRUE(read_blob(back, zero));
  EXPECT_TRUE(back.vertices.empty() && back.edges.empty() && back.faces.empty());
}

// Blobs that would overrun the records or index outside them leave an empty
// graph.
TEST(AiMesh, MalformedBlobsAreRejected) {
  ai_mesh mesh;
  build_grid_ai_mesh(mesh, flat_field(27, 1.0f), 1);
  struct bad_case {
    const char* what;
    std::function<void(ai_mesh&)> spoil;
  };
  const bad_case cases[] = {
      {"two corners", [](ai_mesh& m) { m.faces[0].vertex_count = 2; }},
      {"vertex index", [](ai_mesh& m) { m.faces[1].vertices[2] = 9; }},
      {"edge index", [](ai_mesh& m) { m.faces[3].edges[0] = -1; }},
      {"edge vertex", [](ai_mesh& m) { m.edges[2].vertex_b = 100; }},
      {"edge face", [](ai_mesh& m) { m.edges[2].face_1 = 4; }},
  };
  for (const bad_case& c : cases) {
    ai_mesh spoilt = mesh;
    c.spoil(spoilt);
    ai_mesh back;
    EXPECT_FALSE(read_blob(back, blob_of(spoilt))) << c.what;
    EXPECT_TRUE(back.vertices.empty() && back.faces.empty()) << c.what;
  }
  const std::string bytes = blob_of(mesh);
  // The first face's corner count: after 9 vertices and 12 edges.
  const std::size_t first_face = 4 + 9 * 12 + 4 + 12 * 20 + 4;
  ASSERT_EQ(bytes[first_face], 4);
  for (char corners : {5, 2, -1}) {
    std::string spoilt = bytes;
    spoilt[first_face] = corners;
    ai_mesh back;
    EXPECT_FALSE(read_blob(back, spoilt)) << static_cast<int>(corners);
  }
  for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
    ai_mesh back;
    EXPECT_FALSE(read_blob(back, bytes.substr(0, cut))) << cut << " of " << bytes.size();
  }
  std::string huge = bytes;
  huge[3] = 0x7f;  // vertex count 0x7f000009
  ai_mesh back;
  EXPECT_FALSE(read_blob(back, huge));
  huge[3] = static_cast<char>(0xff);  // negative
  EXPECT_FALSE(read_blob(back, huge));
}

TEST(AiMesh, LinkingKeepsTwoFacesAnEdge) {
  ai_mesh mesh;
  for (int i = 0; i < 5; ++i) add_ai_mesh_vertex(mesh, vec3(static_cast<float>(i), static_cast<float>(i % 2), 0));
  const std::int32_t shared = add_ai_mesh_edge(mesh, 0, 1);
  for (int f = 0; f < 3; ++f) {
    const std::int32_t a = add_ai_mesh_edge(mesh, 1, 2 + f);
    const std::int32_t b = add_ai_mesh_edge(mesh, 2 + f, 0);
    add_ai_mesh_face(mesh, 3, {0, 1, 2 + f, -1}, {shared, a, b, -1});
  }
  EXPECT_FALSE(mesh.link_edges_to_faces());
  EXPECT_EQ(mesh.edges[0].face_count, 2);
  EXPECT_EQ(mesh.edges[0].face_0, 0);
  EXPECT_EQ(mesh.edges[0].face_1, 1);
  EXPECT_EQ(mesh.edges[5].face_0, 2);
}

}  // namespace
}  // namespace hm
