#include "engine/resource/mesh_operations.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "engine/support/mesh_test_support.h"
#include "engine/support/resource_test_helpers.h"

namespace hm {
namespace {

void expect_vec(const vec3& a, const vec3& b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

// A quad raised to z = 1 with a normal leaning towards +x, and a vertex-animation key.
std::unique_ptr<mesh> make_source() {
  auto m = std::make_unique<mesh>();
  test::build_quad(*m);
  m->translate(vec3(1, 0, 1));
  m->make_geometry_own();
  for (mesh_vertex& v : m->vertices) v.normal = v.current_normal = get_normalized(vec3(1, 0, 1));
  vertex_anim_key key;
  for (const mesh_point& p : m->points) key.positions.push_back(p.position);
  for (std::size_t i = 0; i < 4; ++i) key.normals.push_back(vec3(0, 0, 1));
  m->add_vertex_anim_key(0, key);
  m->compute_bounding_box();
  m->clear_change_marks();
  return m;
}

TEST(mesh_scale, mirrors_flip_the_winding_only_for_an_odd_count_of_negative_factors) {
  struct row {
    float x, y, z;
    bool flipped;
  };
  for (const row& r : {row{-1, 1, 1, true}, row{-1, -1, 1, false}, row{-1, -1, -1, true}, row{2, 3, 1, false},
                       row{1, -0.5f, 1, true}}) {
    auto source = make_source();
    auto m = source->create_copy();
    m->scale(r.x, r.y, r.z);
    SCOPED_TRACE(testing::Message() << r.x << " " << r.y << " " << r.z);

    // Positions, key positions and normals follow the factors.
    expect_vec(m->points[2].position, vec3(3 * r.x, 2 * r.y, 1 * r.z));
    expect_vec(m->points[2].current_position, m->points[2].position);
    expect_vec(m->vertex_anim_keys[0].positions[2], m->points[2].position);
    expect_vec(m->vertices[0].normal, get_normalized(vec3(r.x, 0, r.z)));
    expect_vec(m->vertices[0].current_normal, m->vertices[0].normal);
    EXPECT_TRUE(m->vertices_changed());

    // Faces reversed (and then the copy's own) or still shared.
    EXPECT_EQ(m->owns_faces, r.flipped);
    EXPECT_EQ(m->get_faces()[0].vertex[0], r.flipped ? 2 : 0);
    EXPECT_EQ(m->get_faces()[0].vertex[2], r.flipped ? 0 : 2);
    if (r.flipped) {
      EXPECT_TRUE(m->faces_changed());
    }

    // The copy has its own geometry; the source is untouched.
    EXPECT_TRUE(m->owns_geometry);
    expect_vec(source->points[2].position, vec3(3, 2, 1));
    EXPECT_EQ(source->faces[0].vertex[0], 0);

    // The box matches the box of the scaled points: ordered, with its sphere.
    const bounding_box scaled = m->bbox;
    m->compute_bounding_box();
    expect_vec(scaled.min, m->bbox.min);
    expect_vec(scaled.max, m->bbox.max);
    expect_vec(scaled.center, m->bbox.center);
    EXPECT_NEAR(scaled.radius, m->bbox.radius, 1e-5f);
  }
}

TEST(mesh_scale, uniform_scale_multiplies_points_keys_and_box) {
  for (float s : {2.0f, -2.0f}) {
    auto m = make_source();
    m->scale_uniform(s);
    expect_vec(m->points[2].position, vec3(3 * s, 2 * s, s));
    expect_vec(m->vertex_anim_keys[0].positions[2], vec3(3 * s, 2 * s, s));
    const bounding_box scaled = m->bbox;
    m->compute_bounding_box();
    expect_vec(scaled.min, m->bbox.min);
    expect_vec(scaled.max, m->bbox.max);
    EXPECT_NEAR(scaled.radius, m->bbox.radius, 1e-5f) << s;
  }
  mesh empty;
  empty.bbox.reset();
  empty.scale(-1, 1, 1);
  EXPECT_TRUE(empty.bbox.is_empty());
}

TEST(mesh_edits, translate_transform_and_apply_frame) {
  auto m = make_source();
  m->translate(vec3(0, 0, 2));
  expect_vec(m->points[0].position, vec3(1, 0, 3));
  expect_vec(m->vertex_anim_keys[0].positions[0], vec3(1, 0, 3));
  EXPECT_FLOAT_EQ(m->bbox.min.z, 3.0f);

  // A quarter turn about z, then up by 1.
  frame f = frame::identity();
  f.rotate_z(static_cast<float>(M_PI / 2));
  f.origin = vec3(0, 0, 1);
  auto t = make_source();
  t->transform(f);
  expect_vec(t->points[1].position, vec3(0, 3, 2));
  expect_vec(t->vertices[0].normal, get_normalized(vec3(0, 1, 1)));
  expect_vec(t->vertex_anim_keys[0].positions[1], vec3(3, 0, 1));  // keys stay
  expect_vec(t->bbox.max, vec3(0, 3, 2));
  EXPECT_TRUE(t->vertices_changed());

  auto a = make_source();
  a->apply_frame(f);
  expect_vec(a->vertex_anim_keys[0].positions[1], vec3(0, 3, 2));
  expect_vec(a->vertex_anim_keys[0].normals[0], vec3(0, 0, 1));
}

TEST(mesh_edits, vertex_colours) {
  mesh m;
  m.add_point(vec3());
  for (std::uint32_t c = 0; c < 256; ++c) m.add_vertex(0, 0, 0, 0x7F000000u | (c << 16) | (c << 8) | c, vec3());
  m.multiply_vertex_colors(1, 1, 1);
  for (std::uint32_t c = 0; c < 256; ++c) {
    EXPECT_EQ(m.vertices[c].color, 0x7F000000u | (c << 16) | (c << 8) | c) << c;
  }
  m.set_vertex_color(0x80FF8040u);
  m.multiply_vertex_colors(0.5f, 2.0f, 0.0f);
  EXPECT_EQ(m.vertices[7].color, 0x8080FF00u);
  EXPECT_EQ(m.vertices[7].current_color, 0x8080FF00u);
}

TEST(mesh_edits, flip_faces_of_a_copy_leaves_the_source) {
  auto source = make_source();
  auto copy = source->create_copy();
  copy->flip_faces();
  EXPECT_EQ(copy->faces[1].vertex[0], 3);
  EXPECT_EQ(copy->faces[1].vertex[2], 0);
  EXPECT_EQ(source->faces[1].vertex[0], 0);
  EXPECT_FALSE(copy->owns_geometry);
  EXPECT_TRUE(copy->faces_changed() && copy->vertices_changed());
}

TEST(mesh_edits, bake_vertex_animation_makes_the_pose_the_rest_geometry) {
  auto m = make_source();
  vertex_anim_key up;
  for (const mesh_point& p : m->points) up.positions.push_back(p.position + vec3(0, 0, 4));
  for (int i = 0; i < 4; ++i) up.normals.push_back(vec3(1, 0, 0));
  m->add_vertex_anim_key(10, up);
  auto copy = m->create_copy();
  copy->bake_vertex_animation(25.0f);  // clamped to 10
  expect_vec(copy->points[0].position, vec3(1, 0, 5));
  expect_vec(copy->vertices[0].normal, vec3(1, 0, 0));
  EXPECT_FLOAT_EQ(copy->bbox.max.z, 5.0f);
  expect_vec(m->points[0].position, vec3(1, 0, 1));
}

TEST(mesh_edits, append_and_add_transformed_mesh_offset_indices_and_bind_bones) {
  auto other = make_source();
  other->make_geometry_own();
  other->vertices[0].color = other->vertices[0].current_color = 0xFF804020u;
  mesh m;
  test::build_quad(m);
  frame f = frame::identity();
  f.origin = vec3(0, 0, 10);
  m.add_transformed_mesh(*other, f);
  ASSERT_EQ(m.points.size(), 8u);
  ASSERT_EQ(m.vertices.size(), 8u);
  ASSERT_EQ(m.faces.size(), 4u);
  expect_vec(m.points[4].position, vec3(1, 0, 11));
  EXPECT_EQ(m.vertices[4].point, 4);
  EXPECT_EQ(m.faces[3].vertex[1], 6);
  EXPECT_FLOAT_EQ(m.bbox.max.z, 11.0f);
  EXPECT_TRUE(m.skinning.empty());

  // Bound to bone 3 with a tint: the earlier vertices get their own records first.
  m.append_mesh(*other, f, 3, 0xFF808080u);
  ASSERT_EQ(m.skinning.size(), m.vertices.size());
  EXPECT_EQ(m.skinning[0].weight[0], 1.0f);
  EXPECT_EQ(m.skinning[0].bone[0], 0);
  EXPECT_EQ(m.skinning[8].bone[0], 3);
  EXPECT_EQ(m.skinning[8].bone_f[0], 3.0f);
  EXPECT_EQ(m.skinning[8].weight[0], 1.0f);
  EXPECT_EQ(m.skinning[8].weight[1], 0.0f);
  EXPECT_EQ(m.bone_count, 4);
  EXPECT_EQ(m.vertices[8].color, 0xFF402010u);

  // A mesh appended into itself takes what it had before.
  const std::size_t before = m.vertices.size();
  m.append_mesh_whole(m, frame::identity());
  EXPECT_EQ(m.vertices.size(), 2 * before);
  EXPECT_EQ(m.skinning.size(), m.vertices.size());
}

class point_ground : public mesh_ground {
 public:
  // Every point's surface point is one spot at height 10.
  vec3 surface_point(const vec3&) const override { return vec3(0, 0, 10); }
};

TEST(mesh_edits, adjust_heights_sinks_points_near_their_surface_point) {
  mesh m;
  const float distances[] = {0.0f, 25.0f, 49.9995f, 50.0f, 80.0f};
  for (float d : distances) m.add_point(vec3(d * 0.6f, d * 0.8f, 20.0f));
  auto copy = m.create_copy();
  copy->adjust_heights_near_point(point_ground());
  const float expected[] = {8.5f, 0.5f * 20.0f + 0.5f * 8.5f, 20.0f, 20.0f, 20.0f};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_NEAR(copy->points[i].position.z, expected[i], 1e-3f) << distances[i];
    EXPECT_NEAR(copy->points[i].current_position.z, expected[i], 1e-3f);
  }
  EXPECT_EQ(m.points[0].position.z, 20.0f);
  EXPECT_FLOAT_EQ(copy->bbox.min.z, 8.5f);
}

class fixed_lights : public mesh_light_context {
 public:
  color light{0.25f, 0.5f, 1.0f, 1.0f};
  std::vector<vec3> positions;
  std::vector<vec3> normals;
  color evaluate(const vec3& position, const vec3& normal, std::uint32_t) override {
    positions.push_back(position);
    normals.push_back(normal);
    return light;
  }
};

TEST(mesh_edits, bake_lighting_per_mesh_and_per_vertex) {
  resource_manager manager;
  shader* per_mesh = test::add_shader(manager, "lit_once", shader_flag_lit_per_mesh);
  shader* per_vertex = test::add_shader(manager, "lit_each", 0);
  material* mat = test::add_material(manager, "m", "lit_once");
  mat->shader_ptr = per_mesh;
  frame f = frame::identity();
  f.origin = vec3(100, 0, 0);

  mesh once;
  test::build_quad(once);
  once.set_material(mat);
  once.set_vertex_color(0xFFFFFFFFu);
  fixed_lights lights;
  once.bake_lighting(lights, f, 0);
  ASSERT_EQ(lights.positions.size(), 1u);
  expect_vec(lights.positions[0], vec3(100, 0, 0));
  // 0.25, 0.5 and 1.0 times 0.7, packed.
  EXPECT_EQ(once.vertices[2].color, 0xFF2C59B3u);

  mat->shader_ptr = per_vertex;
  mesh each;
  test::build_quad(each);
  each.set_material(mat);
  each.local_frame.origin = vec3(0, 0, 5);
  fixed_lights lights2;
  each.bake_lighting(lights2, f, 0);
  ASSERT_EQ(lights2.positions.size(), 4u);
  expect_vec(lights2.positions[2], vec3(102, 2, 5));
  expect_vec(lights2.normals[2], vec3(0, 0, 1));
  // Without pixel shaders the light is raised to 1/2.2 and the alpha kept.
  const auto channel = [](float v) { return static_cast<std::uint32_t>(std::pow(v, 0.45454544f) * 256.0f); };
  EXPECT_EQ(each.vertices[0].color,
            0xFF000000u | (channel(0.25f) << 16) | (channel(0.5f) << 8) | 255u);
  EXPECT_EQ(each.vertices[0].current_color, each.vertices[0].color);
}

TEST(mesh_edits, rotate_2d_axes_turns_both_axes) {
  float a[2] = {1, 0};
  float b[2] = {0, 1};
  rotate_2d_axes(a, b, static_cast<float>(M_PI / 2));
  EXPECT_NEAR(a[0], 0, 1e-6f);
  EXPECT_NEAR(a[1], 1, 1e-6f);
  EXPECT_NEAR(b[0], -1, 1e-6f);
  EXPECT_NEAR(b[1], 0, 1e-6f);
}

TEST(lod_mesh_group, transform_append_and_render_the_current_level) {
  // The material outlives every mesh that holds it.
  resource_manager manager;
  material* mat = test::add_material(manager, "m");
  auto full = make_source();
  auto low = make_source();
  lod_mesh_group group;
  group.add_mesh(0, full.get());
  group.add_mesh(2, low.get());
  EXPECT_EQ(group.lod_count, 3);

  frame up = frame::identity();
  up.origin = vec3(0, 0, 1);
  group.transform(up);
  EXPECT_FLOAT_EQ(full->points[0].position.z, 2.0f);
  EXPECT_FLOAT_EQ(low->points[0].position.z, 2.0f);
  group.transform_all(up);
  EXPECT_FLOAT_EQ(full->local_frame.origin.z, 1.0f);

  lod_mesh_group target;
  target.add_mesh(0, full.get());
  target.append_group(group, up, -1);
  EXPECT_EQ(target.lod_count, 3);
  ASSERT_EQ(target.lods[0].size(), 2u);
  EXPECT_EQ(target.lods[0][1]->source, full.get());
  EXPECT_FLOAT_EQ(target.lods[0][1]->local_frame.origin.z, 0.0f);
  // Neither its frame nor its points are moved by the frame given.
  EXPECT_FLOAT_EQ(target.lods[0][1]->geometry_owner().points[0].position.z, 2.0f);
  ASSERT_EQ(target.lods[2].size(), 1u);

  target.append_group(group, up, 2);
  ASSERT_EQ(target.lods[2].size(), 2u);
  const mesh& bound = *target.lods[2][1];
  EXPECT_EQ(bound.points.size(), 4u);
  ASSERT_EQ(bound.skinning.size(), 4u);
  EXPECT_EQ(bound.skinning[3].bone[0], 2);
  EXPECT_FLOAT_EQ(bound.points[0].position.z, 3.0f);
  EXPECT_FLOAT_EQ(bound.bbox.max.z, 3.0f);

  for (auto* level : {&target.lods[0], &target.lods[2]}) {
    for (mesh* m : *level) m->set_material(mat);
  }
  test::recording_view view;
  target.group_frame.origin = vec3(5, 0, 0);
  target.current_lod = 2;
  target.render(view, frame::identity());
  ASSERT_EQ(view.meshes.size(), 2u);
  EXPECT_EQ(view.meshes[0]->source, low.get());
  expect_vec(view.meshes[0]->world_frame.origin, vec3(5, 0, 0));

  view.meshes.clear();
  target.current_lod = 3;
  target.render(view, frame::identity());
  target.current_lod = 0;
  target.visibility_mask = 0;
  target.render(view, frame::identity());
  EXPECT_TRUE(view.meshes.empty());
}

}  // namespace
}  // namespace hm
