// Faces: morph offsets from the head's vertex animation, the constraint pass,
// a face built from fixed weights against the head's moved points, the mirror
// and the hair colour.
#include <gtest/gtest.h>

#include <memory>

#include "engine/resource/face_generation.h"
#include "engine/resource/mesh.h"

namespace hm {
namespace {

// A half head: point 0 on the mirror plane, points 1 and 2 off it; one face.
// Vertex-animation keys at times 10 (point 1 moves +y 0.1) and 30 (point 2
// moves -z 0.2).
std::unique_ptr<mesh> make_head() {
  auto m = std::make_unique<mesh>();
  m->add_point(vec3(0.0f, -0.1f, 0.0f));
  m->add_point(vec3(0.1f, -0.05f, 0.0f));
  m->add_point(vec3(0.05f, -0.08f, 0.2f));
  m->add_vertex(0, 0.5f, 1.0f, 0xFF808080u, vec3(0.3f, -1.0f, 0.0f));
  m->add_vertex(1, 1.0f, 1.0f, 0xFF808080u, vec3(0.0f, -1.0f, 0.0f));
  m->add_vertex(2, 0.75f, 0.0f, 0xFF808080u, vec3(0.0f, -1.0f, 0.0f));
  m->add_face(0, 1, 2);
  vertex_anim_key a, b;
  for (const mesh_point& p : m->get_points()) {
    a.positions.push_back(p.position);
    b.positions.push_back(p.position);
  }
  a.positions[1].y += 0.1f;
  b.positions[2].z -= 0.2f;
  a.normals.assign(3, vec3(0.0f, -1.0f, 0.0f));
  b.normals = a.normals;
  m->add_vertex_anim_key(10, a);
  m->add_vertex_anim_key(30, b);
  return m;
}

void expect_vec(const vec3& v, float x, float y, float z, const char* what) {
  EXPECT_NEAR(v.x, x, 1e-6f) << what;
  EXPECT_NEAR(v.y, y, 1e-6f) << what;
  EXPECT_NEAR(v.z, z, 1e-6f) << what;
}

TEST(FaceMorphOffsets, TheNearerFrameOfTheKeyTime) {
  const auto head = make_head();
  const struct {
    int time;
    int point;  // the point the chosen frame moves
  } rows[] = {{0, 1}, {10, 1}, {19, 1}, {20, 2}, {29, 2}, {99, 2}};
  for (const auto& r : rows) {
    std::vector<vec3> offsets;
    build_morph_offsets(*head, r.time, offsets);
    ASSERT_EQ(offsets.size(), 3u);
    EXPECT_GT(offsets[static_cast<std::size_t>(r.point)].length_squared(), 0.001f) << r.time;
    EXPECT_EQ(offsets[static_cast<std::size_t>(3 - r.point)].length_squared(), 0.0f) << r.time;
  }
  mesh plain;
  plain.add_point(vec3(1.0f, 2.0f, 3.0f));
  std::vector<vec3> offsets{vec3(5.0f, 5.0f, 5.0f)};
  build_morph_offsets(plain, 10, offsets);
  ASSERT_EQ(offsets.size(), 1u);
  EXPECT_EQ(offsets[0].length_squared(), 0.0f);
}

TEST(FaceBuild, FixedWeightsMoveTheHeadPointsAndTheMirrorCompletesIt) {
  const auto head = make_head();
  std::vector<morph_key> keys(2);
  keys[0].min = -0.5f;
  keys[0].max = 1.0f;
  keys[1].min = -1.0f;
  keys[1].max = 1.0f;
  build_morph_offsets(*head, 10, keys[0].offsets);
  build_morph_offsets(*head, 30, keys[1].offsets);
  float weights[face_morph_slots] = {};
  weights[0] = 1.0f;   // factor 1.0: point 1 +0.1 y
  weights[1] = 0.25f;  // factor -0.5: point 2 +0.1 z

  const built_face face = build_face_mesh(*head, keys, weights, 0.5f);
  ASSERT_NE(face.head, nullptr);
  const std::vector<mesh_point>& p = face.head->get_points();
  // Three half-head points and the mirrors of the two off the plane.
  ASSERT_EQ(p.size(), 5u);
  expect_vec(p[0].position, 0.0f, -0.1f, 0.0f, "on the plane");
  expect_vec(p[1].position, 0.1f, 0.05f, 0.0f, "nose key");
  expect_vec(p[1].current_position, 0.1f, 0.05f, 0.0f, "nose key, drawn");
  expect_vec(p[2].position, 0.05f, -0.08f, 0.3f, "chin key");
  expect_vec(p[3].position, -0.1f, 0.05f, 0.0f, "mirror of 1");
  expect_vec(p[4].position, -0.05f, -0.08f, 0.3f, "mirror of 2");
  // The source head is untouched.
  expect_vec(head->get_points()[1].position, 0.1f, -0.05f, 0.0f, "source");

  // Vertices: the plane vertex with u 0.5 gets no twin; the other two do, with
  // u flipped. The mirrored face winds the other way.
  const std::vector<mesh_vertex>& v = face.head->get_vertices();
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[3].point, 3);
  EXPECT_FLOAT_EQ(v[3].uv[0], 0.0f);
  EXPECT_FLOAT_EQ(v[0].normal.x, 0.0f);
  const std::vector<mesh_face>& f = face.head->get_faces();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[1].vertex[0], 0);
  EXPECT_EQ(f[1].vertex[1], 4);
  EXPECT_EQ(f[1].vertex[2], 3);
  // Age 0.5: alpha 0.25 x 255, truncated.
  for (const mesh_vertex& vx : v) EXPECT_EQ(vx.color >> 24, 63u);
}

TEST(FaceBuild, AgeAndHairThroughThePointMap) {
  const auto head = make_head();
  std::vector<morph_key> keys(1);
  keys[0].max = 1.0f;
  build_morph_offsets(*head, 10, keys[0].offsets);
  float weights[face_morph_slots] = {};
  weights[0] = 1.0f;
  // Hair points near head point 1 on both sides: the left one moves with the
  // offset's x negated (the offset has none here, so both move alike in y).
  mesh hair;
  hair.add_point(vec3(0.11f, -0.05f, 0.0f));
  hair.add_point(vec3(-0.11f, -0.05f, 0.0f));
  const std::vector<std::int32_t> map = build_point_map(hair, *head);
  ASSERT_EQ(map, (std::vector<std::int32_t>{1, 1}));
  for (float age : {0.0f, 1.0f}) {
    const built_face face = build_face_mesh(*head, keys, weights, age, &hair, &map, 0xFF112233u);
    for (const mesh_vertex& vx : face.head->get_vertices()) EXPECT_EQ(vx.color >> 24, age == 0.0f ? 0u : 255u);
    ASSERT_NE(face.hair, nullptr);
    EXPECT_NEAR(face.hair->get_points()[1].position.y, 0.05f, 1e-6f);
    EXPECT_EQ(face.hair->color, 0xFF112233u);
  }
  // A map of the wrong length leaves the mesh as it is.
  mesh other;
  other.add_point(vec3(0.1f, -0.05f, 0.0f));
  apply_morph_keys_mapped(other, map, keys, weights);
  expect_vec(other.get_points()[0].position, 0.1f, -0.05f, 0.0f, "unmapped");
}

TEST(FaceConstraints, OnePairTwoPairsAndAFixedSlider) {
  std::vector<face_constraint> one(1);
  one[0].value = 0.8f;
  one[0].comparison = -1;
  one[0].terms = {{2.0f, 5}};
  float w[face_morph_slots] = {};
  w[5] = 0.1f;
  apply_face_constraints(one, -1, w);
  EXPECT_NEAR(w[5], 0.4f, 1e-6f);  // 2 x 0.4 = 0.8

  std::vector<face_constraint> two(1);
  two[0].value = 1.0f;
  two[0].comparison = 1;  // at most 1
  two[0].terms = {{1.0f, 0}, {1.0f, 1}};
  float v[face_morph_slots] = {};
  v[0] = 0.9f;
  v[1] = 0.9f;
  apply_face_constraints(two, -1, v);
  EXPECT_NEAR(v[0] + v[1], 1.0f, 1e-5f);
  EXPECT_NEAR(v[0], 0.5f, 1e-5f);
  // With slider 0 fixed, slider 1 takes the whole shortfall.
  v[0] = 0.9f;
  v[1] = 0.9f;
  apply_face_constraints(two, 0, v);
  EXPECT_FLOAT_EQ(v[0], 0.9f);
  EXPECT_NEAR(v[1], 0.1f, 1e-5f);

  // A constraint that cannot be met stops after its adjustments, clamped.
  std::vector<face_constraint> impossible(1);
  impossible[0].value = 5.0f;
  impossible[0].comparison = -1;
  impossible[0].terms = {{1.0f, 3}, {0.0f, 4}, {1.0f, 99}};
  float u[face_morph_slots] = {};
  apply_face_constraints(impossible, -1, u);
  EXPECT_EQ(u[3], 1.0f);
  EXPECT_EQ(u[4], 0.0f);
}

TEST(FaceHairColor, BetweenKeysAndCutAt99) {
  const std::vector<color> keys = {{0.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 0.5f, 0.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}};
  EXPECT_EQ(skin_hair_color(keys, 0.0f, true), 0xFF000000u);
  EXPECT_EQ(skin_hair_color(keys, 0.5f, true), 0xFFFF8000u);
  // 1.0 counts as 0.99: just short of the last key.
  EXPECT_EQ(skin_hair_color(keys, 1.0f, true), 0xFFFFFDFAu);
  // Without pixel shaders each channel is raised to 1 / 2.2.
  EXPECT_EQ(skin_hair_color(keys, 0.5f, false), 0xFFFFBA00u);
  EXPECT_EQ(skin_hair_color({}, 0.5f, true), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

face_state bound(float weight, int index, float age) {
  face_state f;
  f.hair = f.beard = f.face_texture = f.hair_material = index;
  f.age = f.hair_color = age;
  for (float& w : f.morph_weights) w = weight;
  return f;
}

TEST(FaceRandom, TheSameSeedGivesTheSameFaceBetweenTheBounds) {
  const face_state a = bound(0.0f, 0, 0.0f);
  const face_state b = bound(1.0f, 4, 1.0f);
  const face_state one = randomize_face_keys(77, a, b, {}, {});
  const face_state two = randomize_face_keys(77, a, b, {}, {});
  const face_state other = randomize_face_keys(78, a, b, {}, {});
  int differing = 0;
  for (int k = 0; k < face_morph_slots; ++k) {
    EXPECT_EQ(one.morph_weights[k], two.morph_weights[k]);
    EXPECT_GE(one.morph_weights[k], 0.0f);
    EXPECT_LT(one.morph_weights[k], 1.0f);
    if (one.morph_weights[k] != other.morph_weights[k]) ++differing;
  }
  EXPECT_GT(differing, 50);
  EXPECT_EQ(one.hair, two.hair);
  EXPECT_GE(one.hair, 0);
  EXPECT_LE(one.hair, 4);
  // Equal bounds give the bound itself.
  const face_state same = randomize_face_keys(5, b, b, {}, {});
  EXPECT_EQ(same.hair, 4);
  EXPECT_EQ(same.morph_weights[10], 1.0f);
  EXPECT_EQ(same.age, 1.0f);
}

TEST(FaceRandom, HairMaterialFromTheFaceTexturesListWithTheIndexClamped) {
  const face_state a = bound(0.5f, 7, 0.5f);  // face texture 7: past the two lists
  const std::vector<std::vector<std::int32_t>> lists = {{}, {42}};
  const face_state f = randomize_face_keys(3, a, a, lists, {});
  EXPECT_EQ(f.hair_material, 42);
  // A constraint is met after the draw.
  std::vector<face_constraint> c(1);
  c[0].value = 1.6f;
  c[0].comparison = -1;
  c[0].terms = {{1.0f, 0}, {1.0f, 1}};
  const face_state g = randomize_face_keys(3, a, a, {}, c);
  EXPECT_NEAR(g.morph_weights[0] + g.morph_weights[1], 1.6f, 1e-5f);
  EXPECT_EQ(g.hair_material, 7);
}

}  // namespace
}  // namespace hm
