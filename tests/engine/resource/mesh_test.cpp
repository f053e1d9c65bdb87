#include "engine/resource/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/resource/material.h"
#include "engine/resource/mesh_render_view.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_file.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/core/stream.h"
#include "engine/resource/texture_record.h"
#include "engine/support/mesh_test_support.h"
#include "engine/support/resource_test_helpers.h"

namespace hm {
namespace {

using test::fatal_message;

constexpr std::uint32_t skinned_effect = shader::flag_effect | shader::flag_skinned;

void expect_vec(const vec3& a, const vec3& b, float tolerance = 1e-6f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

// The manager holds a skinned shader, its material and "default".
struct mesh_resources {
  resource_manager manager;
  material* skin_mat;
  material* plain_mat;
  mesh_resources() {
    test::add_shader(manager, "skin_shader", skinned_effect);
    test::add_shader(manager, "def_shader_ffp", 0);
    skin_mat = test::add_material(manager, "skin_mat", "skin_shader");
    plain_mat = test::add_material(manager, "default", "def_shader_ffp");
  }
};

// A skinned quad with two bone-weight lists, two animation keys (time 0 at
// rest, time 10 raised by 1 with normals turned to +y) and a material.
std::unique_ptr<mesh> make_fixture(material* mat) {
  auto m = std::make_unique<mesh>();
  m->name = "fixture";
  m->flags = 0x80000001u;
  m->material_name = "skin_mat";
  m->set_material(mat);
  test::build_quad(*m);
  m->make_geometry_own();
  m->vertices[1].uv2[0] = 0.25f;
  m->vertices[1].uv2[1] = 0.75f;
  m->vertices[2].color = m->vertices[2].current_color = 0x80FF0010u;
  m->add_bone_weight_list({0, {{0, 1.0f}, {1, 1.0f}, {2, 0.3f}, {3, 0.5f}}});
  m->add_bone_weight_list({1, {{2, 0.3f}, {3, 0.5f}}});
  vertex_anim_key rest, raised;
  for (const mesh_point& p : m->points) {
    rest.positions.push_back(p.position);
    raised.positions.push_back(p.position + vec3(0, 0, 1));
  }
  for (std::size_t i = 0; i < m->vertices.size(); ++i) {
    rest.normals.push_back(vec3(0, 0, 1));
    raised.normals.push_back(vec3(0, 1, 0));
  }
  m->add_vertex_anim_key(0, rest);
  m->add_vertex_anim_key(10, raised);
  return m;
}

// The stored fields of two meshes agree.
void expect_same_record(const mesh& a, const mesh& b) {
  EXPECT_EQ(a.name, b.name);
  EXPECT_EQ(a.flags, b.flags);
  EXPECT_EQ(a.mat, b.mat);
  ASSERT_EQ(a.get_points().size(), b.get_points().size());
  for (std::size_t i = 0; i < a.get_points().size(); ++i) {
    expect_vec(a.get_points()[i].position, b.get_points()[i].position);
    expect_vec(b.get_points()[i].current_position, b.get_points()[i].position);
  }
  ASSERT_EQ(a.get_bone_weights().size(), b.get_bone_weights().size());
  for (std::size_t l = 0; l < a.get_bone_weights().size(); ++l) {
    const bone_weight_list& la = a.get_bone_weights()[l];
    const bone_weight_list& lb = b.get_bone_weights()[l];
    EXPECT_EQ(la.bone, lb.bone);
    ASSERT_EQ(la.weights.size(), lb.weights.size());
    for (std::size_t i = 0; i < la.weights.size(); ++i) {
      EXPECT_EQ(la.weights[i].point, lb.weights[i].point);
      EXPECT_FLOAT_EQ(la.weights[i].weight, lb.weights[i].weight);
    }
  }
  EXPECT_EQ(a.get_vertex_anim_times(), b.get_vertex_anim_times());
  ASSERT_EQ(a.get_vertex_anim_keys().size(), b.get_vertex_anim_keys().size());
  for (std::size_t k = 0; k < a.get_vertex_anim_keys().size(); ++k) {
    const vertex_anim_key& ka = a.get_vertex_anim_keys()[k];
    const vertex_anim_key& kb = b.get_vertex_anim_keys()[k];
    ASSERT_EQ(ka.positions.size(), kb.positions.size());
    ASSERT_EQ(ka.normals.size(), kb.normals.size());
    for (std::size_t i = 0; i < ka.positions.size(); ++i) expect_vec(ka.positions[i], kb.positions[i]);
    for (std::size_t i = 0; i < ka.normals.size(); ++i) expect_vec(ka.normals[i], kb.normals[i]);
  }
  ASSERT_EQ(a.get_vertices().size(), b.get_vertices().size());
  for (std::size_t i = 0; i < a.get_vertices().size(); ++i) {
    const mesh_vertex& va = a.get_vertices()[i];
    const mesh_vertex& vb = b.get_vertices()[i];
    EXPECT_EQ(va.point, vb.point);
    EXPECT_EQ(va.color, vb.color);
    EXPECT_EQ(vb.current_color, vb.color);
    EXPECT_EQ(vb.extra, 0u);
    expect_vec(va.normal, vb.normal);
    expect_vec(vb.current_normal, vb.normal);
    for (int c = 0; c < 2; ++c) {
      EXPECT_FLOAT_EQ(va.uv[c], vb.uv[c]);
      EXPECT_FLOAT_EQ(va.uv2[c], vb.uv2[c]);
    }
  }
  ASSERT_EQ(a.get_faces().size(), b.get_faces().size());
  for (std::size_t i = 0; i < a.get_faces().size(); ++i) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(a.get_faces()[i].vertex[c], b.get_faces()[i].vertex[c]);
  }
}

// Writes the fixture through a manager's resource-file writer, and reads the
// bytes back into a second manager with the same materials.
template <class Writer, class Reader>
void round_trip_through_resource_file() {
  mesh_resources from;
  from.manager.begin_resource_file();
  auto* original = static_cast<mesh*>(from.manager.adopt_resource(make_fixture(from.skin_mat)));
  Writer w;
  from.manager.write_resource_file(w);
  const std::string bytes = test::bytes_of(w);

  mesh_resources to;
  Reader r;
  r.open_memory("fixture.res", bytes.data(), bytes.size());
  ASSERT_EQ(fatal_message([&] { to.manager.read_resource_file(r); }), "");
  mesh* read = to.manager.get_mesh<mesh>("fixture");
  EXPECT_EQ(read->mat, to.skin_mat);
  EXPECT_EQ(to.skin_mat->use_count, 1);
  // Compare against the original with the second manager's material.
  original->set_material(to.skin_mat);
  expect_same_record(*original, *read);
  original->set_material(from.skin_mat);
  EXPECT_EQ(read->bone_count, 2);
  EXPECT_EQ(read->get_vertex_skinning().size(), 4u);
  EXPECT_EQ(read->bbox.min.x, 0.0f);
  EXPECT_EQ(read->bbox.max.y, 2.0f);
  EXPECT_EQ(read->low_sort_switch(), 0);
  EXPECT_EQ(read->high_sort_switch(), 0);

  // Writing what was read gives the same bytes.
  to.manager.begin_resource_file();
  to.manager.current_file_resources.push_back(read);
  Writer again;
  to.manager.write_resource_file(again);
  EXPECT_EQ(test::bytes_of(again), bytes);
}

TEST(mesh_record, fixture_round_trips_through_the_binary_form) {
  round_trip_through_resource_file<binary_writer, binary_reader>();
}

TEST(mesh_record, fixture_round_trips_through_the_text_form) {
  round_trip_through_resource_file<text_file_writer, text_reader>();
}

TEST(mesh_record, material_name_of_one_character_is_written_as_the_materials_name) {
  mesh_resources res;
  for (const char* stored : {"", "x", "ab"}) {
    auto m = make_fixture(res.skin_mat);
    m->material_name = stored;
    binary_writer w;
    m->write(w);
    binary_reader r;
    const std::string bytes = test::bytes_of(w);
    r.open_memory("m.brf", bytes.data(), bytes.size());
    ruv_string name, material_name;
    std::uint32_t flags = 0;
    r.read_string(name).read_u32(flags).read_string(material_name);
    EXPECT_EQ(material_name, std::string(stored).size() > 1 ? stored : "skin_mat") << stored;
  }
}

TEST(mesh_record, missing_material_falls_back_to_default) {
  mesh_resources res;
  auto m = make_fixture(res.skin_mat);
  m->material_name = "no_such_material";
  text_file_writer w;
  m->write(w);
  text_reader r;
  const std::string text = test::bytes_of(w);
  r.open_memory("m.trf", text.data(), text.size());
  mesh read;
  ASSERT_EQ(fatal_message([&] { read.read(r, res.manager); }), "");
  EXPECT_EQ(read.mat, res.plain_mat);
  EXPECT_EQ(read.material_name, "no_such_material");
}

// A mesh record in text form with three points, one bone-weight list, one
// key, three vertices and one face; each parameter can break one index.
struct record_params {
  const char* point_count = "3";
  int bone = 0;
  int bone_point = 1;
  int key_positions = 3;
  int key_normals = 3;
  int key_time_second = -1;  // a second key at this time when 0 or more
  int vertex_point = 2;
  int face_vertex = 2;
};

std::string record_text(const record_params& p) {
  auto triples = [](int n) {
    std::string s = std::to_string(n);
    for (int i = 0; i < n; ++i) s += " 0 0 1";
    return s;
  };
  std::string key = triples(p.key_positions) + " " + triples(p.key_normals);
  std::string keys = p.key_time_second >= 0 ? "2 0 " + key + " " + std::to_string(p.key_time_second) + " " + key
                                            : "1 0 " + key;
  return std::string("bad_quad 0 default ") + p.point_count + " 0 0 0  1 0 0  0 1 0 " + "1 " +
         std::to_string(p.bone) + " 2  0 1.0  " + std::to_string(p.bone_point) + " 0.5 " + keys + " 3 " +
         "0 4294967295 0 0 1  0 0 0 0  1 4294967295 0 0 1  1 0 0 0  " + std::to_string(p.vertex_point) +
         " 4294967295 0 0 1  0 1 0 0 " + "1 0 1 " + std::to_string(p.face_vertex) + " ";
}

std::string read_record(const record_params& p) {
  mesh_resources res;
  const std::string text = record_text(p);
  text_reader r;
  r.open_memory("bad.trf", text.data(), text.size());
  mesh m;
  return fatal_message([&] { m.read(r, res.manager); });
}

TEST(mesh_record, every_index_and_count_is_checked_at_load) {
  struct bad_case {
    const char* what;
    record_params params;
    std::string message;  // "" for a record that loads
  };
  auto with = [](auto change) {
    record_params p;
    change(p);
    return p;
  };
  const bad_case cases[] = {
      {"sound record", {}, ""},
      {"bone 31 makes 32 bones", with([](record_params& p) { p.bone = 31; }), ""},
      {"bone 32 makes 33 bones", with([](record_params& p) { p.bone = 32; }), "Too many bones in mesh bad_quad"},
      {"largest bone index", with([](record_params& p) { p.bone = 2147483647; }), "Too many bones in mesh bad_quad"},
      {"negative bone", with([](record_params& p) { p.bone = -1; }), "Bad bone index -1 in mesh bad_quad"},
      {"bone weight past the points", with([](record_params& p) { p.bone_point = 3; }),
       "Bad point index 3 in bone-weight list 0 of mesh bad_quad"},
      {"vertex point past the points", with([](record_params& p) { p.vertex_point = 3; }),
       "Bad point index 3 in vertex 2 of mesh bad_quad"},
      {"negative vertex point", with([](record_params& p) { p.vertex_point = -1; }),
       "Bad point index -1 in vertex 2 of mesh bad_quad"},
      {"face vertex past the vertices", with([](record_params& p) { p.face_vertex = 3; }),
       "Bad vertex index 3 in face 0 of mesh bad_quad"},
      {"short key positions", with([](record_params& p) { p.key_positions = 2; }),
       "Vertex-animation key 0 of mesh bad_quad holds 2 positions for 3 points"},
      {"short key normals", with([](record_params& p) { p.key_normals = 1; }),
       "Vertex-animation key 0 of mesh bad_quad holds 1 normals for 3 vertices"},
      {"longer key lists are harmless", with([](record_params& p) { p.key_positions = p.key_normals = 5; }), ""},
      {"point count beyond the file", with([](record_params& p) { p.point_count = "100000"; }),
       "Bad count 100000 of points in bad_quad of file bad.trf"},
      {"negative point count", with([](record_params& p) { p.point_count = "-3"; }),
       "Bad count -3 of points in bad_quad of file bad.trf"},
  };
  for (const bad_case& c : cases) EXPECT_EQ(read_record(c.params), c.message) << c.what;
}

TEST(mesh_record, a_cut_binary_record_is_fatal_at_every_length) {
  mesh_resources res;
  auto fixture = make_fixture(res.skin_mat);
  binary_writer w;
  fixture->write(w);
  const std::string bytes = test::bytes_of(w);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    binary_reader r;
    r.open_memory("cut.brf", bytes.data(), cut);
    mesh m;
    EXPECT_NE(fatal_message([&] { m.read(r, res.manager); }), "") << cut;
  }
}

// The binary form takes each array in one piece and checks its items in order
// afterwards; a record cut inside an array is read value by value instead, so a
// bad index before the cut is still reported, and the cut itself ends in the
// end-of-file error.
TEST(mesh_record, binary_arrays_are_checked_item_by_item_and_cut_ones_fail_cleanly) {
  mesh_resources res;
  mesh plain;
  plain.name = "q";
  plain.material_name = "default";
  plain.set_material(res.plain_mat);
  test::build_quad(plain);
  plain.make_geometry_own();
  binary_writer w;
  plain.write(w);
  const std::string bytes = test::bytes_of(w);
  // name, flags, material, then the points, two empty lists, the vertices (nine
  // values each) and the faces (three values each).
  const std::size_t points_at = 4 + 1 + 4 + 4 + 7 + 4;
  const std::size_t vertices_at = points_at + 12 * plain.points.size() + 4 + 4 + 4;
  const std::size_t faces_at = vertices_at + 36 * plain.vertices.size() + 4;
  ASSERT_EQ(faces_at + 12 * plain.faces.size(), bytes.size());

  auto patched = [&](std::size_t at, std::int32_t value) {
    std::string b = bytes;
    std::memcpy(b.data() + at, &value, 4);
    return b;
  };
  const std::string eof = "Unexpected End of File while reading file: q.brf";
  const struct {
    const char* what;
    std::string bytes;
    std::size_t cut;
    std::string message;
  } cases[] = {
      {"whole", bytes, bytes.size(), ""},
      {"bad point in vertex 2", patched(vertices_at + 2 * 36, 99), bytes.size(),
       "Bad point index 99 in vertex 2 of mesh q"},
      {"bad point in vertex 0, cut after it", patched(vertices_at, -1), vertices_at + 36 + 5,
       "Bad point index -1 in vertex 0 of mesh q"},
      {"cut inside the vertices", bytes, vertices_at + 36 + 5, eof},
      {"cut inside the points", bytes, points_at + 13, eof},
      {"bad vertex in the last face", patched(bytes.size() - 4, 4), bytes.size(),
       "Bad vertex index 4 in face 1 of mesh q"},
      {"cut inside the faces", bytes, bytes.size() - 1, eof},
  };
  for (const auto& c : cases) {
    binary_reader r;
    r.open_memory("q.brf", c.bytes.data(), c.cut);
    mesh m;
    EXPECT_EQ(fatal_message([&] { m.read(r, res.manager); }), c.message) << c.what;
    if (c.message.empty()) {
      EXPECT_TRUE(r.at_end());
      expect_same_record(plain, m);
    }
  }
}

TEST(mesh_record, skinned_shader_alone_builds_skinning) {
  mesh_resources res;
  record_params p;
  std::string text = record_text(p);
  // No bone-weight lists, material with a skinned shader.
  text.replace(text.find("default"), 7, "skin_mat");
  text.replace(text.find("1 0 2  0 1.0  1 0.5"), 19, "0");
  text_reader r;
  r.open_memory("skin.trf", text.data(), text.size());
  mesh m;
  ASSERT_EQ(fatal_message([&] { m.read(r, res.manager); }), "");
  EXPECT_EQ(m.bone_count, 0);
  ASSERT_EQ(m.skinning.size(), 3u);
  EXPECT_EQ(m.skinning[0].weight[0], 1.0f);
}

// --- copy-on-write -------------------------------------------------------------------------------------

TEST(mesh_copy, copies_share_until_edited_and_link_straight_to_the_owner) {
  mesh_resources res;
  auto original = make_fixture(res.skin_mat);
  original->color = 0x80FFFFFFu;
  original->render_order = 7;
  original->compute_bounding_box();
  EXPECT_EQ(res.skin_mat->use_count, 1);

  auto copy = original->create_copy();
  EXPECT_EQ(res.skin_mat->use_count, 2);
  EXPECT_EQ(copy->source, original.get());
  EXPECT_FALSE(copy->owns_geometry);
  EXPECT_FALSE(copy->owns_faces);
  EXPECT_EQ(copy->name, "fixture");
  EXPECT_EQ(copy->flags, original->flags);
  EXPECT_EQ(copy->color, 0x80FFFFFFu);
  EXPECT_EQ(copy->bone_count, 2);
  EXPECT_TRUE(copy->material_name.empty());
  EXPECT_EQ(copy->render_order, 128);
  EXPECT_EQ(copy->bbox.max.x, 2.0f);
  EXPECT_EQ(&copy->get_points(), &original->points);

  auto instance = original->make_instance();
  EXPECT_EQ(instance->bbox.max.x, 0.0f);
  EXPECT_EQ(instance->bbox.radius, 0.0f);

  // Editing the faces of a copy leaves its points and vertices shared.
  auto face_copy = original->create_copy();
  face_copy->add_face(3, 2, 1);
  EXPECT_TRUE(face_copy->owns_faces);
  EXPECT_FALSE(face_copy->owns_geometry);
  EXPECT_EQ(face_copy->get_faces().size(), 3u);
  EXPECT_EQ(original->faces.size(), 2u);
  EXPECT_EQ(&face_copy->get_points(), &original->points);
  EXPECT_EQ(&face_copy->get_vertices(), &original->vertices);

  // Editing the points copies all five geometry arrays and leaves faces shared.
  copy->add_point(vec3(9, 9, 9));
  EXPECT_TRUE(copy->owns_geometry);
  EXPECT_FALSE(copy->owns_faces);
  EXPECT_EQ(copy->get_points().size(), 5u);
  EXPECT_EQ(original->points.size(), 4u);
  EXPECT_EQ(copy->vertices.size(), original->vertices.size());
  EXPECT_EQ(copy->bone_weights.size(), 2u);
  EXPECT_EQ(copy->vertex_anim_keys.size(), 2u);
  EXPECT_EQ(copy->vertex_anim_times, original->vertex_anim_times);
  EXPECT_EQ(&copy->get_faces(), &original->faces);
  EXPECT_EQ(copy->source, original.get());

  // A copy of the edited copy links to the owner, not to the intermediate copy.
  auto second = copy->create_copy();
  EXPECT_EQ(second->source, original.get());
  EXPECT_EQ(second->get_points().size(), 4u);

  copy.reset();
  second.reset();
  instance.reset();
  face_copy.reset();
  EXPECT_EQ(res.skin_mat->use_count, 1);
}

TEST(mesh_copy, skinning_is_ensured_on_the_owner) {
  mesh_resources res;
  auto original = make_fixture(res.skin_mat);
  auto copy = original->create_copy();
  copy->ensure_vertex_skinning();
  EXPECT_FALSE(copy->owns_geometry);
  EXPECT_EQ(original->skinning.size(), 4u);
  EXPECT_EQ(&copy->get_vertex_skinning(), &original->skinning);
}

// --- skinning ------------------------------------------------------------------------------------------

TEST(mesh_skinning, weights_fill_four_slots_and_the_shortfall_goes_to_the_first) {
  mesh m;
  for (int i = 0; i < 4; ++i) m.add_point(vec3(static_cast<float>(i), 0, 0));
  for (int i = 0; i < 4; ++i) m.add_vertex(i, 0, 0, 0xFFFFFFFFu, vec3(0, 0, 1));
  m.add_vertex(2, 0, 0, 0xFFFFFFFFu, vec3(0, 0, 1));  // a second vertex on point 2
  // point 0: sum 0.6; point 1: sum 1.5 (kept); point 2: five weights; point 3: none.
  m.add_bone_weight_list({3, {{0, 0.2f}, {1, 0.8f}, {2, 0.1f}}});
  m.add_bone_weight_list({5, {{0, 0.4f}, {1, 0.7f}, {2, 0.1f}}});
  m.add_bone_weight_list({6, {{2, 0.1f}}});
  m.add_bone_weight_list({7, {{2, 0.1f}}});
  m.add_bone_weight_list({8, {{2, 0.1f}}});
  m.build_vertex_skinning();
  ASSERT_EQ(m.skinning.size(), 5u);

  struct expected {
    float weight[4];
    int bone[4];
  };
  const expected table[] = {
      {{0.6f, 0.4f, 0, 0}, {3, 5, 0, 0}},
      {{0.8f, 0.7f, 0, 0}, {3, 5, 0, 0}},
      {{0.7f, 0.1f, 0.1f, 0.1f}, {3, 5, 6, 7}},  // the fifth (bone 8) is dropped
      {{1.0f, 0, 0, 0}, {0, 0, 0, 0}},
      {{0.7f, 0.1f, 0.1f, 0.1f}, {3, 5, 6, 7}},
  };
  for (std::size_t v = 0; v < 5; ++v) {
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(m.skinning[v].weight[i], table[v].weight[i], 1e-6f) << v << " " << i;
      EXPECT_EQ(m.skinning[v].bone[i], table[v].bone[i]) << v << " " << i;
      EXPECT_EQ(m.skinning[v].bone_f[i], static_cast<float>(table[v].bone[i]));
    }
  }
  EXPECT_EQ(m.bone_count, 9);
}

TEST(mesh_skinning, point_indices_beyond_65536_are_served) {
  mesh big;
  for (int i = 0; i <= 70000; ++i) big.points.push_back(mesh_point{});
  big.add_vertex(70000, 0, 0, 0, vec3());
  big.add_bone_weight_list({2, {{70000, 0.75f}, {69999, 1.0f}}});
  big.build_vertex_skinning();
  ASSERT_EQ(big.skinning.size(), 1u);
  EXPECT_EQ(big.skinning[0].bone[0], 2);
  EXPECT_FLOAT_EQ(big.skinning[0].weight[0], 1.0f);
}

TEST(mesh_colors, vertex_colours_become_linear_once_and_only_where_owned) {
  mesh_resources res;
  null_resource_device device;
  device.caps.pixel_shaders_in_use = true;
  res.manager.set_device_hooks(&device);
  install_mesh_hooks(res.manager);
  auto* owner = static_cast<mesh*>(res.manager.adopt_resource(make_fixture(res.plain_mat)));
  owner->make_geometry_own();
  owner->vertices[0].color = owner->vertices[0].current_color = 0x80808080u;
  auto copy = owner->create_copy();
  copy->name = "copy";
  res.manager.register_resource(copy.get());
  res.manager.linearize_vertex_colors_once();
  // 128 / 255 raised to 2.2 is 0.2195: 56 once packed; alpha stays.
  EXPECT_EQ(owner->vertices[0].color, 0x80383838u);
  EXPECT_EQ(owner->vertices[0].current_color, 0x80383838u);
  res.manager.linearize_vertex_colors_once();
  EXPECT_EQ(owner->vertices[0].color, 0x80383838u);
  EXPECT_EQ(copy->get_vertices()[0].color, 0x80383838u);  // converted once, through its owner
  res.manager.set_device_hooks(nullptr);
}

// --- vertex animation ----------------------------------------------------------------------------------

TEST(mesh_vertex_animation, blends_between_keys_and_clamps_to_the_last) {
  mesh_resources res;
  auto m = make_fixture(res.skin_mat);
  struct step {
    float requested;
    float anim_time;
    float z;
    vec3 normal;
  };
  const float h = std::sqrt(0.5f);
  const step steps[] = {
      {5.0f, 5.0f, 0.5f, vec3(0, h, h)},       // halfway, normal renormalised
      {0.005f, 0.005f, 0.0f, vec3(0, 0, 1)},   // t below 0.001: the first key exactly
      {9.995f, 9.995f, 1.0f, vec3(0, 1, 0)},   // t at 0.999 or more: the second
      {100.0f, 10.0f, 1.0f, vec3(0, 1, 0)},    // clamped to the last key's time
      {-4.0f, -4.0f, 0.0f, vec3(0, 0, 1)},     // before the first key: the first
  };
  for (const step& s : steps) {
    m->set_vertex_anim_time(s.requested);
    EXPECT_EQ(m->anim_time, s.anim_time);
    m->apply_vertex_animation();
    EXPECT_EQ(m->applied_anim_time, s.anim_time);
    EXPECT_FLOAT_EQ(m->points[2].current_position.z, s.z) << s.requested;
    EXPECT_FLOAT_EQ(m->points[2].position.z, 0.0f);
    expect_vec(m->vertices[3].current_normal, s.normal);
  }
}

TEST(mesh_vertex_animation, equal_key_times_use_the_first_key_and_stay_finite) {
  mesh m;
  test::build_quad(m);
  for (int k = 0; k < 3; ++k) {
    vertex_anim_key key;
    for (int i = 0; i < 4; ++i) {
      key.positions.push_back(vec3(0, 0, static_cast<float>(k + 1)));
      key.normals.push_back(vec3(0, 0, 1));
    }
    m.add_vertex_anim_key(k == 0 ? 0 : 10, key);
  }
  m.set_vertex_anim_time(10.0f);
  m.apply_vertex_animation();
  EXPECT_EQ(m.points[0].current_position.z, 2.0f);  // the first of the two keys at 10

  mesh single;
  test::build_quad(single);
  vertex_anim_key key;
  for (int i = 0; i < 4; ++i) {
    key.positions.push_back(vec3(5, 5, 5));
    key.normals.push_back(vec3(1, 0, 0));
  }
  single.add_vertex_anim_key(3, key);
  single.set_vertex_anim_time(1.0f);
  single.apply_vertex_animation();
  expect_vec(single.points[3].current_position, vec3(5, 5, 5));

  mesh no_keys;
  test::build_quad(no_keys);
  no_keys.set_vertex_anim_time(4.0f);
  EXPECT_EQ(no_keys.anim_time, -1.0f);
}

// --- sort key ------------------------------------------------------------------------------------------

TEST(mesh_sort_key, table_of_keys) {
  struct row {
    const char* what;
    std::uint32_t material_flags;
    std::uint32_t color;
    std::int32_t shader_class, low, high, order, shader_id, material_id;
    std::int64_t key;
  };
  const std::int64_t b34 = std::int64_t{1} << 34;
  const row rows[] = {
      {"sort-first material", 0x10000, 0xFFFFFFFF, 4, 1, 1, 128, 999, 999, -1000000000},
      {"defaults: blend class 8", 0, 0xFFFFFFFF, 0, 0, 0, 128, 0, 0, 8 * b34 + (128 << 20)},
      {"blend 2, class 3, both switches", 0x0A000000, 0xFFFFFFFF, 3, 1, 1, 0, 5, 7,
       2 * b34 + 1200000000 + 100000000 + 200000000 + 5007},
      {"translucent colour adds 4", 0x08000700, 0x80FFFFFF, 0, 0, 0, 0, 0, 0, 4 * b34},
      {"opaque colour adds nothing", 0x08000700, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0, 0},
      {"two of the three bits add nothing", 0x08000300, 0x00FFFFFF, 0, 0, 0, 0, 0, 0, 0},
      {"negative render order", 0x08000000, 0xFFFFFFFF, 0, 0, 0, -1, 0, 0, -(1 << 20)},
      {"render order 2048 wraps to the sign bit", 0x08000000, 0xFFFFFFFF, 0, 0, 0, 2048, 0, 3,
       -2147483648LL + 3},
      {"flags byte below 8 wraps to 15", 0x07000000, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0, 15 * b34},
      {"only four bits of the flags byte count", 0xF8000000, 0xFFFFFFFF, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const row& r : rows) {
    EXPECT_EQ(mesh_sort_key(r.material_flags, r.color, r.shader_class, r.low, r.high, r.order, r.shader_id,
                            r.material_id),
              r.key)
        << r.what;
  }

  struct class_row {
    std::uint32_t flags;
    std::int32_t cls;
  };
  for (const class_row& c : {class_row{0, 0}, class_row{0x80000000u, 0}, class_row{0x20000000u, 1},
                             class_row{0x60000000u, 2}, class_row{0xA0000000u, 3}, class_row{0xE0000000u, 4}}) {
    EXPECT_EQ(shader_class_of_flags(c.flags), c.cls) << std::hex << c.flags;
  }
}

TEST(mesh_sort_key, compute_sort_key_reads_material_shader_and_the_sources_high_switch) {
  mesh_resources res;
  shader* sh = res.manager.get_shader("skin_shader");
  res.skin_mat->shader_ptr = sh;
  res.skin_mat->flags = 0x09000000;
  auto m = make_fixture(res.skin_mat);
  m->set_shader_class(3);
  m->set_high_sort_switch(1);
  auto copy = m->create_copy();
  copy->set_shader_class(3);
  const std::int64_t expected = (std::int64_t{1} << 34) + 1200000000 + 200000000 + (128 << 20) +
                                sh->id * 1000 + res.skin_mat->id;
  EXPECT_EQ(copy->compute_sort_key(), expected);  // high switch from the source
  EXPECT_EQ(copy->sort_key, expected);
  copy->make_faces_own();
  EXPECT_EQ(copy->compute_sort_key(), expected - 200000000);  // now its own (0)
  res.skin_mat->flags |= material_flag_sort_first;
  EXPECT_EQ(m->compute_sort_key(), -1000000000);
}

// --- bounding box --------------------------------------------------------------------------------------

TEST(mesh_bounding_box, empty_box_and_the_points_a_mesh_reads) {
  bounding_box box;
  box.reset();
  expect_vec(box.min, vec3(1e8f, 1e8f, 1e8f));
  expect_vec(box.max, vec3(-1e8f, -1e8f, -1e8f));
  box.center = vec3(1, 2, 3);
  box.radius = 4;
  box.compute_sphere();  // an empty box keeps its sphere
  EXPECT_EQ(box.radius, 4.0f);

  mesh quad;
  test::build_quad(quad);
  quad.make_geometry_own();
  quad.points[0].current_position = vec3(-50, -50, -50);  // not counted
  auto copy = quad.make_instance();
  copy->compute_bounding_box();
  expect_vec(copy->bbox.min, vec3(0, 0, 0));
  expect_vec(copy->bbox.max, vec3(2, 2, 0));
  expect_vec(copy->bbox.center, vec3(1, 1, 0));
  EXPECT_FLOAT_EQ(copy->bbox.radius, std::sqrt(2.0f));

  mesh empty;
  empty.compute_bounding_box();
  EXPECT_TRUE(empty.bbox.is_empty());
  EXPECT_EQ(empty.bbox.radius, 0.0f);
}

// --- tangent frames ------------------------------------------------------------------------------------

TEST(mesh_tangent_frames, follow_texture_axes_and_stay_finite_without_them) {
  mesh quad;
  test::build_quad(quad);
  quad.compute_tangent_frames();
  for (const mesh_vertex& v : quad.vertices) {
    expect_vec(v.tangent, vec3(1, 0, 0));
    expect_vec(v.binormal, vec3(0, 1, 0));
  }
  // Texture v running against y turns the binormal over.
  for (mesh_vertex& v : quad.vertices) v.uv[1] = 1.0f - v.uv[1];
  quad.compute_tangent_frames();
  expect_vec(quad.vertices[0].binormal, vec3(0, -1, 0));

  // No texture coordinates at all: the fallback axis, perpendicular to the normal.
  for (mesh_vertex& v : quad.vertices) v.uv[0] = v.uv[1] = 0.0f;
  quad.vertices[0].normal = vec3(0, 0, 3);  // normalised by the pass
  quad.compute_tangent_frames();
  for (const mesh_vertex& v : quad.vertices) {
    EXPECT_TRUE(std::isfinite(v.tangent.x) && std::isfinite(v.binormal.y));
    EXPECT_NEAR(v.tangent.length(), 1.0f, 1e-5f);
    EXPECT_NEAR(dot_product(v.tangent, v.normal), 0.0f, 1e-6f);
  }
  expect_vec(quad.vertices[0].normal, vec3(0, 0, 1));
  expect_vec(quad.vertices[0].tangent, get_normalized(vec3(-0.2f, 0.1f, 0.0f)));
}

// --- rendering -------------------------------------------------------------------------------------------

material* global_default_material() {
  if (auto* m = static_cast<material*>(g_resource_manager.find(material_resource_type_id, "default"))) return m;
  return test::add_material(g_resource_manager, "default");
}

TEST(mesh_render, queues_the_view_once_and_sets_switches_and_frames) {
  mesh_resources res;
  test::recording_view view;
  mesh a, b;
  test::build_quad(a);
  test::build_quad(b);
  a.set_material(res.plain_mat);
  b.set_material(res.plain_mat);
  a.flags = mesh_flag_low_switch_on | mesh_flag_high_switch_on;
  b.flags = mesh_flag_low_switch_on | mesh_flag_high_switch_off;
  b.set_high_sort_switch(1);
  b.local_frame.origin = vec3(0, 0, 5);
  frame parent = frame::identity();
  parent.origin = vec3(10, 0, 0);

  EXPECT_EQ(a.render(view, parent), 0);
  b.render(view, parent);
  ASSERT_EQ(view.meshes.size(), 2u);
  EXPECT_EQ(view.enqueued_at_end, std::vector<bool>{false});
  EXPECT_EQ(a.low_sort_switch(), 1);
  EXPECT_EQ(a.buffers[2].second_word, 1);
  EXPECT_EQ(a.high_sort_switch(), 1);
  EXPECT_EQ(b.high_sort_switch(), 0);
  expect_vec(b.world_frame.origin, vec3(10, 0, 5));

  test::recording_view at_end;
  at_end.flags = 0x1000;
  a.render(at_end, parent);
  EXPECT_EQ(at_end.enqueued_at_end, std::vector<bool>{true});

  test::recording_view hidden;
  hidden.mask = 0x10000;
  a.render(hidden, parent);
  EXPECT_TRUE(hidden.meshes.empty());
  EXPECT_FALSE(hidden.queued);

  mesh no_faces;
  no_faces.set_material(res.plain_mat);
  no_faces.add_point(vec3());
  test::recording_view empty_view;
  no_faces.render(empty_view, parent);
  EXPECT_FALSE(empty_view.queued);
}

TEST(mesh_render, small_meshes_of_batching_materials_go_into_the_views_batch_mesh) {
  mesh_resources res;
  res.plain_mat->flags = material_flag_batch_small;
  frame parent = frame::identity();
  parent.origin = vec3(0, 0, 100);

  mesh small;
  test::build_quad(small);
  small.set_material(res.plain_mat);
  test::recording_view view;
  small.render(view, parent);
  small.render(view, parent);
  EXPECT_TRUE(view.meshes.empty());
  mesh& batch = *view.batches.at(res.plain_mat);
  EXPECT_EQ(batch.points.size(), 8u);
  EXPECT_EQ(batch.faces.size(), 4u);
  EXPECT_EQ(batch.faces[2].vertex[2], 6);
  expect_vec(batch.points[5].position, vec3(2, 0, 100));
  EXPECT_EQ(batch.flags, mesh_flag_low_switch_on | mesh_flag_high_switch_on);
  EXPECT_EQ(batch.low_sort_switch(), 1);
  EXPECT_EQ(batch.batch_distance, 10000.0f);
  EXPECT_EQ(batch.batch_byte, 1);

  // At the point limit a mesh is drawn on its own.
  mesh big;
  for (int i = 0; i < g_mesh_batch_point_limit; ++i) big.add_point(vec3());
  big.add_vertex(0, 0, 0, 0, vec3());
  big.add_face(0, 0, 0);
  big.set_material(res.plain_mat);
  big.render(view, parent);
  EXPECT_EQ(view.meshes.size(), 1u);

  res.plain_mat->flags = material_flag_always_batch;
  view.meshes.clear();
  big.render(view, parent);
  EXPECT_TRUE(view.meshes.empty());
}

TEST(mesh_render, skinned_on_demand_animation_light_and_default_material) {
  mesh_resources res;
  res.skin_mat->shader_ptr = res.manager.get_shader("skin_shader");
  static int loads = 0;
  res.skin_mat->load_index = 0;
  res.skin_mat->load_function = [](material&) { ++loads; };
  auto m = make_fixture(res.skin_mat);
  m->skinning.clear();
  m->set_vertex_anim_time(10.0f);
  m->light = std::make_unique<mesh_light>();
  m->light->local_position = vec3(1, 0, 0);
  m->local_frame.origin = vec3(0, 1, 0);
  frame parent = frame::identity();
  parent.origin = vec3(0, 0, 7);
  test::recording_view view;
  m->render(view, parent);
  EXPECT_EQ(m->shader_class(), 3);
  EXPECT_EQ(m->skinning.size(), 4u);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(m->points[0].current_position.z, 1.0f);
  ASSERT_EQ(view.lights.size(), 1u);
  expect_vec(view.lights[0]->world_position, vec3(1, 1, 7));

  material* fallback = global_default_material();
  mesh bare;
  test::build_quad(bare);
  bare.render(view, parent);
  EXPECT_EQ(bare.mat, fallback);
  EXPECT_EQ(bare.shader_class(), 0);
}

// --- core data ---------------------------------------------------------------------------------------------

TEST(mesh_core_data, core_meshes_load_from_their_text_sources) {
  resource_manager m;
  const std::filesystem::path folder = std::filesystem::path(HOOFMARCH_DATA_DIR) / "CommonRes";
  for (const char* name : {"core_shaders", "core_textures", "core_materials", "core_ui_meshes"}) {
    text_reader r;
    ASSERT_TRUE(r.open((folder / (std::string(name) + ".trf")).string())) << name;
    ASSERT_EQ(fatal_message([&] { m.read_resource_file(r); }), "") << name;
  }
  struct expected {
    const char* name;
    const char* material;
  };
  for (const expected& e : {expected{"load_window", "background"}, expected{"message_window", "background"},
                            expected{"progressbar", "matte"}, expected{"progressbar_handle", "default"},
                            expected{"particle_quad", "default"}}) {
    const mesh* q = m.find_mesh<mesh>(e.name);
    ASSERT_NE(q, nullptr) << e.name;
    EXPECT_EQ(q->mat->name, e.material);
    EXPECT_EQ(q->points.size(), 4u);
    EXPECT_EQ(q->faces.size(), 2u);
    EXPECT_EQ(q->vertices[0].color, 0xFFFFFFFFu);
    EXPECT_NEAR(q->bbox.radius, std::sqrt(0.5f), 1e-6f) << e.name;
  }
  expect_vec(m.find_mesh<mesh>("load_window")->bbox.center, vec3(0.5f, 0.5f, 0));
  expect_vec(m.find_mesh<mesh>("particle_quad")->bbox.center, vec3(0, 0, 0));
  expect_vec(m.find_mesh<mesh>("particle_quad")->vertices[0].normal, vec3(0, -1, 0));
}

}  // namespace
}  // namespace hm
