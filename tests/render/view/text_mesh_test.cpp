#include "render/view/text_mesh.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/resource/mesh.h"
#include "render/view/mesh_building.h"
#include "render/support/test_font.h"

namespace hm {
namespace {

struct quad {
  float x0, y0, x1, y1;
};

std::vector<quad> quads_of(const mesh& m) {
  std::vector<quad> out;
  const auto& p = m.get_points();
  for (std::size_t i = 0; i + 3 < p.size(); i += 4) {
    out.push_back({p[i].position.x, p[i].position.y, p[i + 2].position.x, p[i + 2].position.y});
  }
  return out;
}

void expect_quads(const mesh& m, const std::vector<quad>& expected, const std::string& what) {
  const std::vector<quad> got = quads_of(m);
  ASSERT_EQ(got.size(), expected.size()) << what;
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].x0, expected[i].x0, 1e-5) << what << " quad " << i;
    EXPECT_NEAR(got[i].y0, expected[i].y0, 1e-5) << what << " quad " << i;
    EXPECT_NEAR(got[i].x1, expected[i].x1, 1e-5) << what << " quad " << i;
    EXPECT_NEAR(got[i].y1, expected[i].y1, 1e-5) << what << " quad " << i;
  }
}

// A letter of the test font with its pen at (x, y): 0.01 in, 0.08 wide, 0.1 high
// below the pen line.
quad letter(float x, float y) { return {x + 0.01f, y - 0.1f, x + 0.09f, y}; }
// A space: no width.
quad space(float x, float y) { return {x, y - 0.1f, x, y}; }

const vec3 unit_size(0.1f, 0.1f, 0.0f);  // scales of exactly 1 with the test font
constexpr float line_step = 0.09f;        // 1.0 x font scale 1 x 0.1 x spacing 1 x 0.9

TEST(MeshBuilding, AddQuadCornersTextureCoordinatesAndFaces) {
  mesh m;
  m.clear_change_marks();
  const float uv0[2] = {0.1f, 0.2f};
  const float uv1[2] = {0.3f, 0.4f};
  // p0 above p1: the faces are the same two.
  add_quad(m, vec3(1, 5, 2), vec3(3, 4, 9), uv0, uv1, 0x80FF0000u);
  add_rect_quad(m, vec3(10, 20, 0), 2, 1, 0xFFFFFFFFu);
  EXPECT_TRUE(m.vertices_changed());
  EXPECT_TRUE(m.faces_changed());

  const auto& p = m.get_points();
  const auto& v = m.get_vertices();
  const auto& f = m.get_faces();
  ASSERT_EQ(p.size(), 8u);
  ASSERT_EQ(v.size(), 8u);
  ASSERT_EQ(f.size(), 4u);
  const float corners[8][3] = {{1, 5, 2}, {3, 5, 2}, {3, 4, 2}, {1, 4, 2},
                               {10, 20, 0}, {12, 20, 0}, {12, 21, 0}, {10, 21, 0}};
  const float uvs[4][2] = {{0.1f, 0.2f}, {0.3f, 0.2f}, {0.3f, 0.4f}, {0.1f, 0.4f}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(p[i].position.x, corners[i][0]) << i;
    EXPECT_FLOAT_EQ(p[i].position.y, corners[i][1]) << i;
    EXPECT_FLOAT_EQ(p[i].position.z, corners[i][2]) << i;
    EXPECT_EQ(v[i].point, i);
    EXPECT_FLOAT_EQ(v[i].normal.z, 1.0f);
    EXPECT_EQ(v[i].color, i < 4 ? 0x80FF0000u : 0xFFFFFFFFu);
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(v[i].uv[0], uvs[i][0]) << i;
    EXPECT_FLOAT_EQ(v[i].uv[1], uvs[i][1]) << i;
  }
  EXPECT_FLOAT_EQ(v[6].uv[0], 1.0f);  // the rectangle's default coordinates run 0 to 1
  EXPECT_FLOAT_EQ(v[6].uv[1], 1.0f);
  const int faces[4][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}};
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(f[i].vertex[k], faces[i][k]) << i;
  }
}

TEST(Utf8, DecodesValidSequencesAndKeepsStrayBytesAsLatin1) {
  struct row {
    std::string text;
    std::vector<std::int32_t> codes;
  };
  const row rows[] = {
      {"aZ", {'a', 'Z'}},
      {"\xC3\xA9", {0xE9}},
      {"\xE2\x82\xAC", {0x20AC}},
      {"\xF0\x9F\x98\x80", {0x1F600}},
      {"caf\xE9!", {'c', 'a', 'f', 0xE9, '!'}},   // a single-byte text
      {"\xC0\x80", {0xC0, 0x80}},                 // overlong
      {"\xE2\x82", {0xE2, 0x82}},                 // cut short
      {"\xED\xA0\x80", {0xED, 0xA0, 0x80}},       // a surrogate
      {"\xF4\x90\x80\x80", {0xF4, 0x90, 0x80, 0x80}},  // above U+10FFFF
      {"\x80x", {0x80, 'x'}},
  };
  for (const row& r : rows) EXPECT_EQ(decode_utf8(r.text), r.codes) << r.text;
  EXPECT_EQ(decode_utf8("abcdef", 3).size(), 3u);
  EXPECT_EQ(decode_utf8(std::string(9000, 'a')).size(), static_cast<std::size_t>(text_mesh_max_codes));
}

struct layout_case {
  const char* name;
  const char* text;
  vec3 position;
  float rect_max_x;
  std::uint32_t flags;
  std::vector<quad> quads;
  float width;   // out size
  float height;
};

TEST(BuildTextMesh, LaysOutLinesAgainstExpectedQuads) {
  const font_details font = test::make_test_font();
  const float y = 2.0f;
  const std::vector<layout_case> cases = {
      {"one line from the position", "ab", vec3(0.5f, y, 0), 1.0f, 0,
       {letter(0.5f, y), letter(0.6f, y)}, 0.7f, line_step},
      {"wrapping at spaces; later lines start at the rectangle", "ab cd ab", vec3(0.05f, y, 0), 0.45f, 0x100,
       {letter(0.05f, y), letter(0.15f, y), space(0.25f, y),
        letter(0.0f, y - line_step), letter(0.1f, y - line_step), space(0.2f, y - line_step),
        letter(0.0f, y - 2 * line_step), letter(0.1f, y - 2 * line_step)},
       0.35f, 3 * line_step},
      {"a word wider than the rectangle keeps its own line", "a wwwww b", vec3(0, y, 0), 0.25f, 0x100,
       {letter(0, y), space(0.1f, y),
        letter(0, y - line_step), letter(0.1f, y - line_step), letter(0.2f, y - line_step),
        letter(0.3f, y - line_step), letter(0.4f, y - line_step), space(0.5f, y - line_step),
        letter(0, y - 2 * line_step)},
       0.6f, 3 * line_step},
      {"centred", "ab", vec3(0.5f, y, 0), 1.0f, 0x10, {letter(0.4f, y), letter(0.5f, y)}, 0.6f, line_step},
      {"right", "ab", vec3(0.5f, y, 0), 1.0f, 0x8, {letter(0.8f, y), letter(0.9f, y)}, 1.0f, line_step},
      {"left", "ab", vec3(0.5f, y, 0), 1.0f, 0x4, {letter(0.0f, y), letter(0.1f, y)}, 0.2f, line_step},
      {"0x200 is left", "ab", vec3(0.5f, y, 0), 1.0f, 0x200, {letter(0.0f, y), letter(0.1f, y)}, 0.2f, line_step},
      {"0x200 with 0x100 stays", "ab", vec3(0.5f, y, 0), 1.0f, 0x300, {letter(0.5f, y), letter(0.6f, y)}, 0.7f,
       line_step},
      {"0x400 starts at the rectangle", "ab", vec3(0.5f, y, 0), 1.0f, 0x400, {letter(0.0f, y), letter(0.1f, y)},
       0.2f, line_step},
      {"wide lines", "a\nb", vec3(0, y, 0), 1.0f, 0x800, {letter(0, y), letter(0, y - 1.2f * line_step)}, 0.1f,
       2 * 1.2f * line_step},
      {"three newlines move the pen three times", "\n\n\n", vec3(0, y, 0), 1.0f, 0, {}, 0.0f, 3 * line_step},
      {"an empty line between two", "a\n\nb", vec3(0, y, 0), 1.0f, 0,
       {letter(0, y), letter(0, y - 2 * line_step)}, 0.1f, 3 * line_step},
      {"a tab goes to the next quarter", "a\tb", vec3(0, y, 0), 1.0f, 0, {letter(0, y), letter(0.25f, y)}, 0.35f,
       line_step},
      {"markup is drawn but not measured", "a<b>c", vec3(0, y, 0), 0.35f, 0,
       {letter(0, y), letter(0.1f, y), letter(0.2f, y), letter(0.3f, y), letter(0.4f, y)}, 0.5f, line_step},
      {"a code in the map, and one missing from it", "\xE2\x98\xBA\xE4\xB8\x80" "a", vec3(0, y, 0), 1.0f, 0,
       {{0.01f, y - 0.1f, 0.16f, y}, {0.2f, y, 0.2f, y}, letter(0.2f, y)}, 0.3f, line_step},
      {"nothing", "", vec3(0.3f, y, 0), 1.0f, 0, {}, 0.0f, 0.0f},
  };
  for (const layout_case& c : cases) {
    mesh m;
    vec3 size;
    build_text_mesh(font, size, c.text, c.position, 0xFF00FF00u, unit_size, m, vec3(0, 0, 0),
                    vec3(c.rect_max_x, 0, 0), c.flags);
    expect_quads(m, c.quads, c.name);
    EXPECT_NEAR(size.x, c.width + 0.0001f, 1e-5) << c.name;
    EXPECT_NEAR(size.y, c.height + 0.001f, 1e-5) << c.name;
  }
}

TEST(BuildTextMesh, ShrinksToFitUnlessTold) {
  const font_details font = test::make_test_font();
  // Ten letters measure 1.0 x 1.001 against a width of 0.5.
  const float k = 0.5f / 1.001f;
  for (std::uint32_t flags : {0u, 0x2u, 0x100u}) {
    mesh m;
    vec3 size;
    build_text_mesh(font, size, "wwwwwwwwww", vec3(0, 0, 0), 0xFFFFFFFFu, unit_size, m, vec3(0, 0, 0),
                    vec3(0.5f, 0, 0), flags);
    const std::vector<quad> q = quads_of(m);
    ASSERT_EQ(q.size(), 10u) << flags;
    const float scale = flags == 0 ? k : 1.0f;
    EXPECT_NEAR(q[9].x1 - q[9].x0, 0.08f * scale, 1e-5) << flags;
    EXPECT_NEAR(q[9].y1 - q[9].y0, 0.1f * scale, 1e-5) << flags;
    EXPECT_NEAR(size.x, 1.0f * scale + 0.0001f, 1e-5) << flags;
    // The line step does not shrink with the glyphs.
    EXPECT_NEAR(size.y, line_step + 0.001f, 1e-5) << flags;
  }

  // No rectangle to fit in: the text keeps its size rather than collapsing.
  mesh m;
  vec3 size;
  build_text_mesh(font, size, "ab", vec3(0, 0, 0), 0xFFFFFFFFu, unit_size, m, vec3(0, 0, 0), vec3(0, 0, 0), 0);
  const std::vector<quad> q = quads_of(m);
  ASSERT_EQ(q.size(), 2u);
  EXPECT_NEAR(q[1].x1 - q[1].x0, 0.08f, 1e-5);
}

TEST(BuildTextMesh, CentredFixedTextReportsTheRectangleWidthAndFreshEmptiesTheMesh) {
  const font_details font = test::make_test_font();
  mesh m;
  vec3 size;
  build_text_mesh(font, size, "ab", vec3(0, 0, 0), 0xFF123456u, unit_size, m, vec3(0.2f, 0, 0), vec3(1.0f, 0, 0),
                  0x110);
  EXPECT_FLOAT_EQ(size.x, 0.8f);
  ASSERT_EQ(m.get_vertices().size(), 8u);
  for (const mesh_vertex& v : m.get_vertices()) {
    EXPECT_EQ(v.color, 0xFF123456u);
    EXPECT_NEAR(v.current_normal.z, 1.0f, 1e-6);  // normals were computed from the faces
  }
  // A glyph's texture rectangle comes from the font: u0, v0 at the first corner.
  EXPECT_FLOAT_EQ(m.get_vertices()[0].uv[0], font.glyphs['a'].u0);
  EXPECT_FLOAT_EQ(m.get_vertices()[0].uv[1], font.glyphs['a'].v0);
  EXPECT_FLOAT_EQ(m.get_vertices()[2].uv[0], font.glyphs['a'].u1);
  EXPECT_FLOAT_EQ(m.get_vertices()[2].uv[1], font.glyphs['a'].v1);

  build_text_mesh(font, size, "c", vec3(0, 0, 0), 0xFFFFFFFFu, unit_size, m, vec3(0, 0, 0), vec3(1, 0, 0), 0);
  EXPECT_EQ(quads_of(m).size(), 3u);  // appended
  build_text_mesh_fresh(font, size, "c", vec3(0, 0, 0), 0xFFFFFFFFu, unit_size, m, vec3(0, 0, 0), vec3(1, 0, 0), 0);
  EXPECT_EQ(quads_of(m).size(), 1u);
}

}  // namespace
}  // namespace hm
