#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/resource/body.h"
#include "engine/collision/body_debug_drawer.h"
#include "engine/collision/body_part.h"
#include "engine/collision/capsule.h"
#include "engine/collision/composite_body.h"
#include "engine/collision/face.h"
#include "engine/collision/manifold.h"
#include "engine/collision/sphere.h"
#include "engine/core/log.h"
#include "engine/core/math.h"
#include "engine/core/stream.h"

namespace {

using hm::body_part;
using hm::vec3;
using testing::HasSubstr;

void expect_near(const vec3& actual, const vec3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// --- samples of every kind, with values the text form keeps exactly -------------------

std::unique_ptr<hm::sphere> sample_sphere() {
  auto s = std::make_unique<hm::sphere>(vec3(1, -2, 3.25f), 2.5f);
  s->flags = 0x80000001u;  // the top bit must survive the signed text form
  return s;
}

std::unique_ptr<hm::capsule> sample_capsule() {
  auto c = std::make_unique<hm::capsule>(vec3(0, 0, 0.5f), vec3(0.125f, -1, 2), 0.375f);
  c->flags = 3;
  return c;
}

std::unique_ptr<hm::face> sample_face() {
  auto f = std::make_unique<hm::face>(std::initializer_list<vec3>{{0, 0, 0}, {2, 0, 0}, {2, 1.5f, 0}, {0, 1.5f, 0}});
  f->flags = 0x10;
  return f;
}

std::unique_ptr<hm::manifold> sample_manifold() {
  auto m = std::make_unique<hm::manifold>();
  m->add_vertex({0, 0, 0});
  m->add_vertex({4, 0, 0.5f});
  m->add_vertex({4, 4, 1});
  m->add_vertex({0, 4, -0.25f});
  m->add_vertex({2, 6, 0});
  m->add_polygon({0, 1, 2, 3}, 0x20, 7);
  m->add_polygon({3, 2, 4}, 0x41, 8);
  m->polygons[0].code = 12;
  m->polygons[1].code = -3;
  return m;
}

std::unique_ptr<hm::composite_body> sample_composite() {
  auto c = std::make_unique<hm::composite_body>();
  c->add_part(sample_sphere());
  c->add_part(sample_capsule());
  c->add_part(sample_face());
  c->add_part(sample_manifold());
  return c;
}

// Without a manifold: cloning a manifold turns it into a composite of faces,
// which a composite record cannot hold.
std::unique_ptr<hm::composite_body> sample_simple_composite() {
  auto c = std::make_unique<hm::composite_body>();
  c->add_part(sample_sphere());
  c->add_part(sample_capsule());
  c->add_part(sample_face());
  return c;
}

struct kind_sample {
  const char* name;
  std::function<std::unique_ptr<body_part>()> make;
};

const kind_sample all_kinds[] = {
    {"sphere", [] { return std::unique_ptr<body_part>(sample_sphere()); }},
    {"capsule", [] { return std::unique_ptr<body_part>(sample_capsule()); }},
    {"face", [] { return std::unique_ptr<body_part>(sample_face()); }},
    {"composite_body", [] { return std::unique_ptr<body_part>(sample_composite()); }},
    {"manifold", [] { return std::unique_ptr<body_part>(sample_manifold()); }},
};

std::string binary_record(const body_part& part) {
  hm::binary_stream out;
  part.write(out);
  return std::string(out.contents());
}

std::string text_record(const body_part& part) {
  hm::text_stream out;
  part.write(out);
  return std::string(out.contents());
}

std::unique_ptr<body_part> read_binary(int type_id, const std::string& bytes) {
  hm::binary_reader in;
  in.open_memory("record.brf", bytes.data(), bytes.size());
  auto part = hm::create_body_part(type_id);
  part->read(in);
  EXPECT_TRUE(in.at_end()) << "record not read to its end";
  return part;
}

std::unique_ptr<body_part> read_text(int type_id, const std::string& text) {
  hm::text_reader in;
  in.open_memory("record.trf", text.data(), text.size());
  auto part = hm::create_body_part(type_id);
  part->read(in);
  return part;
}

// --- records -----------------------------------------------------------------------------

TEST(BodyPartRecords, EveryKindRoundTripsInBothForms) {
  for (const kind_sample& kind : all_kinds) {
    SCOPED_TRACE(kind.name);
    const auto original = kind.make();
    const std::string bytes = binary_record(*original);

    // Reading what was written and writing it again gives the same record, in
    // the binary form and through the text form.
    const auto from_binary = read_binary(original->get_type_id(), bytes);
    EXPECT_EQ(binary_record(*from_binary), bytes);
    const auto from_text = read_text(original->get_type_id(), text_record(*original));
    EXPECT_EQ(binary_record(*from_text), bytes);
    EXPECT_EQ(from_text->flags, original->flags);
    EXPECT_STREQ(from_text->get_type_name(), kind.name);

    // Placed again, the part covers the same box.
    from_binary->transform_to_frame(hm::frame::identity());
    expect_near(from_binary->get_bounding_min(), original->get_bounding_min());
    expect_near(from_binary->get_bounding_max(), original->get_bounding_max());
  }
}

TEST(BodyPartRecords, FieldOrderOfTheTextForm) {
  // The order of the stream calls is the format; the text form shows it.
  EXPECT_EQ(text_record(*sample_sphere()), "2.500000 1.000000 -2.000000 3.250000 -2147483647 ");
  EXPECT_EQ(text_record(*sample_capsule()),
            "0.375000 0.000000 0.000000 0.500000 0.125000 -1.000000 2.000000 3 ");
  hm::face tri{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  EXPECT_EQ(text_record(tri),
            "3 0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 0.000000 1.000000 0.000000 8 ");
  hm::manifold m;
  m.add_vertex({1, 2, 3});
  m.add_polygon({0, 0, 0}, 5);
  m.polygons[0].code = 9;
  EXPECT_EQ(text_record(m), "1 1.000000 2.000000 3.000000 1 9 5 3 0 0 0 ");
  hm::composite_body c;
  c.add_part(std::make_unique<hm::sphere>(vec3(0, 0, 0), 1));
  EXPECT_EQ(text_record(c), "1 sphere 1.000000 0.000000 0.000000 0.000000 8 ");
  // Binary: a sphere is five 4-byte values, little-endian.
  EXPECT_EQ(binary_record(*sample_sphere()).size(), 20u);
}

TEST(BodyPartRecords, ReadingPlacesWhatTheKindStores) {
  // A sphere read from a record is placed at its local centre at once.
  const auto s = read_text(hm::sphere_type_id, "2 1 2 3 8");
  const auto& ball = static_cast<const hm::sphere&>(*s);
  expect_near(ball.centre, {1, 2, 3});
  expect_near(ball.local_centre, {1, 2, 3});
  expect_near(ball.get_bounding_min(), {-1, 0, 1});
  expect_near(ball.get_bounding_max(), {3, 4, 5});
  EXPECT_EQ(ball.flags, 8u);

  // A capsule likewise; a face reads only its local vertices.
  const auto c = read_text(hm::capsule_type_id, "0.5 0 0 0 0 0 2 1");
  expect_near(static_cast<const hm::capsule&>(*c).p2, {0, 0, 2});
  auto f = read_text(hm::face_type_id, "3 0 0 0 1 0 0 0 1 0 4");
  auto& tri = static_cast<hm::face&>(*f);
  EXPECT_EQ(tri.vertex_count, 3);
  tri.transform_to_frame(hm::frame::identity());
  expect_near(tri.normal, {0, 0, 1});

  // A manifold fills both vertex lists and reads no tag for its polygons.
  const auto m = read_text(hm::manifold_type_id, "3 0 0 0 1 0 0 0 1 0 1 4 6 3 0 1 2");
  const auto& ground = static_cast<const hm::manifold&>(*m);
  ASSERT_EQ(ground.local_vertices.size(), 3u);
  expect_near(ground.local_vertices[1], {1, 0, 0});
  ASSERT_EQ(ground.polygons.size(), 1u);
  EXPECT_EQ(ground.polygons[0].code, 4);
  EXPECT_EQ(ground.polygons[0].flags, 6u);
  EXPECT_EQ(ground.polygons[0].tag, -1);
}

std::string fatal_message(const std::function<void()>& action) {
  hm::scoped_fatal_throw throws;
  try {
    action();
  } catch (const hm::fatal_error& e) {
    return e.what();
  }
  return "(no fatal error)";
}

std::string fatal_reading_text(int type_id, const std::string& text) {
  return fatal_message([&] { read_text(type_id, text); });
}

TEST(BodyPartRecords, MalformedRecordsAreFatal) {
  struct row {
    const char* name;
    int type_id;
    const char* text;
    const char* message;
  };
  const row rows[] = {
      {"face with five vertices", hm::face_type_id, "5 0 0 0 1 0 0 1 1 0 0 1 0 0 2 0 8", "face vertex count 5"},
      {"face with a negative count", hm::face_type_id, "-1 8", "face vertex count -1"},
      {"manifold with a negative vertex count", hm::manifold_type_id, "-2 0", "manifold vertex count -2"},
      {"manifold with a negative polygon count", hm::manifold_type_id, "1 0 0 0 -1", "manifold polygon count -1"},
      {"polygon with five vertices", hm::manifold_type_id, "1 0 0 0 1 0 8 5 0 0 0 0 0",
       "manifold polygon vertex count 5"},
      {"polygon index past the vertices", hm::manifold_type_id, "3 0 0 0 1 0 0 0 1 0 1 0 8 3 0 1 3",
       "manifold vertex index 3"},
      {"negative polygon index", hm::manifold_type_id, "3 0 0 0 1 0 0 0 1 0 1 0 8 3 0 -1 2",
       "manifold vertex index -1"},
      {"composite with a negative count", hm::composite_body_type_id, "-1", "composite part count -1"},
      {"composite count larger than its data", hm::composite_body_type_id, "1000000 sphere 1 0 0 0 8",
       "composite part count 1000000"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string message = fatal_reading_text(r.type_id, r.text);
    EXPECT_THAT(message, HasSubstr("bad body part record in record.trf"));
    EXPECT_THAT(message, HasSubstr(r.message));
  }

  // A huge vertex count in a short binary record is refused before anything is
  // allocated for it.
  hm::binary_stream huge;
  huge.write_int(0x10000000).write_float(0).write_float(0).write_float(0);
  const std::string bytes(huge.contents());
  EXPECT_THAT(fatal_message([&] { read_binary(hm::manifold_type_id, bytes); }),
              HasSubstr("manifold vertex count 268435456"));

  // A record that stops short ends in the stream's own fatal error.
  const std::string whole = binary_record(*sample_capsule());
  EXPECT_NE(fatal_message([&] { read_binary(hm::capsule_type_id, whole.substr(0, 10)); }), "(no fatal error)");
}

TEST(BodyPartRecords, CompositeKindNames) {
  // Inside a composite record only the four simple kinds are known, by their
  // own names; anything else (a nested composite too) is fatal.
  EXPECT_EQ(fatal_reading_text(hm::composite_body_type_id, "1 cylinder 1 0 0 0 8"), "unrecognized body  cylinder \n");
  EXPECT_EQ(fatal_reading_text(hm::composite_body_type_id, "1 composite_body 0"),
            "unrecognized body  composite_body \n");

  hm::composite_body outer;
  outer.add_part(std::make_unique<hm::composite_body>());
  EXPECT_EQ(fatal_message([&] { binary_record(outer); }), "unrecognized body \n");
}

// --- placement, scaling, flags -----------------------------------------------------------------

TEST(BodyParts, FaceMirroringReversesTheOrderOnlyForAnOddCountOfNegativeFactors) {
  struct row {
    const char* name;
    std::vector<vec3> vertices;
    vec3 factors;
    std::vector<vec3> expected;
    bool normal_negated;
  };
  const std::vector<vec3> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  const row rows[] = {
      {"square, x mirrored", square, {-1, 1, 1}, {{0, 0, 0}, {0, 1, 0}, {-1, 1, 0}, {-1, 0, 0}}, true},
      {"square, x and y mirrored", square, {-1, -1, 1}, {{0, 0, 0}, {-1, 0, 0}, {-1, -1, 0}, {0, -1, 0}}, false},
      {"square, all mirrored", square, {-1, -1, -1}, {{0, 0, 0}, {0, -1, 0}, {-1, -1, 0}, {-1, 0, 0}}, true},
      {"triangle, z mirrored", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {1, 1, -1}, {{0, 1, -1}, {1, 0, -1}, {0, 0, -1}},
       true},
      {"square, stretched", square, {2, 3, 1}, {{0, 0, 0}, {2, 0, 0}, {2, 3, 0}, {0, 3, 0}}, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    hm::face f;
    for (const vec3& v : r.vertices) f.local_vertices[f.vertex_count++] = v;
    f.transform_to_frame(hm::frame::identity());
    const vec3 before = f.normal;
    f.scale(r.factors);
    for (std::size_t i = 0; i < r.expected.size(); ++i) expect_near(f.local_vertices[i], r.expected[i]);
    expect_near(f.normal, r.normal_negated ? -before : before);
    // Placing it again recomputes the normal from the new order: a mirrored
    // face still faces out of the mirrored material.
    f.transform_to_frame(hm::frame::identity());
    const vec3 a = f.vertices[0], b = f.vertices[1], c = f.vertices[2];
    expect_near(f.normal, hm::get_normalized(hm::cross_product(b - a, c - b)));
  }
  // With x mirrored the square's normal still points up after placing.
  hm::face mirrored{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  mirrored.scale({-1, 1, 1});
  mirrored.transform_to_frame(hm::frame::identity());
  expect_near(mirrored.normal, {0, 0, 1});
}

TEST(BodyParts, ScalingFollowsTheXFactorForRadiiAndSkipsNearOneForComposites) {
  hm::sphere s({1, 2, 3}, 2);
  s.scale({-2, 1, 0.5f});
  expect_near(s.local_centre, {-2, 2, 1.5f});
  EXPECT_FLOAT_EQ(s.radius, 4);
  hm::capsule c({1, 1, 1}, {2, 2, 2}, 0.5f);
  c.scale({3, 1, 1});
  expect_near(c.local_p2, {6, 2, 2});
  EXPECT_FLOAT_EQ(c.radius, 1.5f);

  struct row {
    float factor;
    bool scaled;
  };
  for (const row r : {row{1.0000005f, false}, row{0.9999995f, false}, row{1.00001f, true}, row{0.5f, true}}) {
    SCOPED_TRACE(r.factor);
    hm::composite_body group;
    group.add_part(std::make_unique<hm::sphere>(vec3(1, 0, 0), 1));
    group.scale({r.factor, 1, 1});
    const auto& member = static_cast<const hm::sphere&>(*group.parts[0]);
    if (r.scaled) {
      EXPECT_FLOAT_EQ(member.local_centre.x, r.factor);
    } else {
      EXPECT_EQ(member.local_centre.x, 1.0f);
      EXPECT_EQ(member.radius, 1.0f);
    }
  }
}

TEST(BodyParts, PlacementAndBounds) {
  hm::frame f = hm::frame::identity();
  f.rotate_z(std::acos(-1.0f) / 2);  // s -> (0, 1, 0)
  f.origin = vec3(10, 0, 0);

  hm::sphere s({1, 0, 0}, 0.5f);
  s.transform_to_frame(f);
  expect_near(s.centre, {10, 1, 0});
  expect_near(s.local_centre, {1, 0, 0});

  hm::capsule c({0, 0, 0}, {2, 0, 1}, 0.5f);
  c.transform_to_frame(f);
  expect_near(c.get_bounding_min(), {9.5f, -0.5f, -0.5f});
  expect_near(c.get_bounding_max(), {10.5f, 2.5f, 1.5f});

  auto m = sample_manifold();
  m->transform_to_frame(f);
  expect_near(m->vertices[1], {10, 4, 0.5f});
  expect_near(m->get_bounding_min(), {4, 0, -0.25f});
  expect_near(m->get_bounding_max(), {10, 4, 1});

  // Empty containers have the inverted sentinel box.
  const hm::manifold empty_manifold;
  const hm::composite_body empty_composite;
  for (const body_part* empty : {static_cast<const body_part*>(&empty_manifold),
                                 static_cast<const body_part*>(&empty_composite)}) {
    expect_near(empty->get_bounding_min(), {1e6f, 1e6f, 1e6f}, 1);
    expect_near(empty->get_bounding_max(), {-1e6f, -1e6f, -1e6f}, 1);
  }
  // A composite's box covers its parts.
  hm::composite_body group;
  group.add_part(std::make_unique<hm::sphere>(vec3(0, 0, 0), 1));
  group.add_part(std::make_unique<hm::sphere>(vec3(5, 1, 0), 1));
  expect_near(group.get_bounding_min(), {-1, -1, -1});
  expect_near(group.get_bounding_max(), {6, 2, 1});
}

TEST(BodyParts, FlagsAndOwnerAreForwarded) {
  auto m = sample_manifold();
  m->set_flags(3);
  EXPECT_EQ(m->flags, 3u);
  for (const auto& polygon : m->polygons) EXPECT_EQ(polygon.flags, 3u);
  m->add_flags(0x100);
  for (const auto& polygon : m->polygons) EXPECT_EQ(polygon.flags, 0x103u);

  auto group = sample_composite();
  group->add_flags(4);
  EXPECT_EQ(group->parts[0]->flags, 0x80000005u);
  EXPECT_EQ(group->parts[1]->flags, 7u);
  EXPECT_EQ(group->parts[2]->flags, 0x14u);
  for (const auto& polygon : static_cast<const hm::manifold&>(*group->parts[3]).polygons) {
    EXPECT_NE(polygon.flags & 4u, 0u);
  }
  group->set_owner_id(42);
  EXPECT_EQ(group->owner_id, -1);  // the composite's own id stays
  for (const auto& part : group->parts) EXPECT_EQ(part->owner_id, 42);
}

// --- copies ----------------------------------------------------------------------------------

TEST(BodyParts, ClonesKeepBaseFieldsAndGeometry) {
  const kind_sample kinds[] = {
      all_kinds[0],
      all_kinds[1],
      all_kinds[2],
      {"composite_body", [] { return std::unique_ptr<body_part>(sample_simple_composite()); }},
  };
  for (const kind_sample& kind : kinds) {
    SCOPED_TRACE(kind.name);
    auto original = kind.make();
    original->tag = 17;
    original->add_flags(0x200);
    const auto copy = original->clone();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->get_type_id(), original->get_type_id());
    EXPECT_EQ(copy->tag, 17);
    EXPECT_EQ(copy->flags, original->flags);
    EXPECT_EQ(binary_record(*copy), binary_record(*original));
    expect_near(copy->get_bounding_min(), original->get_bounding_min());
    expect_near(copy->get_bounding_max(), original->get_bounding_max());
  }
  // A composite's clone is deep, and a manifold inside it becomes faces.
  auto group = sample_composite();
  auto copy = group->clone();
  auto& copied = static_cast<hm::composite_body&>(*copy);
  copied.parts[0]->tag = 99;
  EXPECT_EQ(group->parts[0]->tag, -1);
  EXPECT_EQ(copied.parts[3]->get_type_id(), hm::composite_body_type_id);
}

TEST(BodyParts, ManifoldClonesIntoPlacedFaces) {
  auto ground = sample_manifold();
  ground->owner_id = 5;
  ground->flags = 0x30;
  hm::frame lift = hm::frame::identity();
  lift.origin = vec3(0, 0, 10);
  ground->transform_to_frame(lift);

  const auto clone = ground->clone();
  ASSERT_EQ(clone->get_type_id(), hm::composite_body_type_id);
  const auto& faces = static_cast<const hm::composite_body&>(*clone);
  EXPECT_EQ(faces.flags, 0x30u);
  ASSERT_EQ(faces.part_count(), 2);
  for (int p = 0; p < 2; ++p) {
    SCOPED_TRACE(p);
    const auto& polygon = ground->polygons[static_cast<std::size_t>(p)];
    const auto& f = static_cast<const hm::face&>(*faces.parts[static_cast<std::size_t>(p)]);
    EXPECT_EQ(f.tag, polygon.tag);
    EXPECT_EQ(f.flags, polygon.flags);
    EXPECT_EQ(f.owner_id, 5);
    ASSERT_EQ(f.vertex_count, polygon.vertex_count);
    for (int k = 0; k < f.vertex_count; ++k) {
      expect_near(f.vertices[k], ground->vertices[static_cast<std::size_t>(polygon.vertex_indices[k])]);
    }
    const vec3 expected_normal =
        hm::get_normalized(hm::cross_product(f.vertices[1] - f.vertices[0], f.vertices[2] - f.vertices[1]));
    expect_near(f.normal, expected_normal);
    EXPECT_GT(f.normal.z, 0.8f);
  }
}

TEST(BodyParts, CopyFromTakesTheListedFields) {
  // A manifold copy carries both vertex lists, so placing it again has every
  // vertex to work from.
  auto source = sample_manifold();
  hm::manifold copy;
  copy.copy_from(*source);
  ASSERT_EQ(copy.local_vertices.size(), source->vertices.size());
  hm::frame shift = hm::frame::identity();
  shift.origin = vec3(1, 1, 1);
  copy.transform_to_frame(shift);
  ASSERT_EQ(copy.vertices.size(), 5u);
  expect_near(copy.vertices[4], {3, 7, 1});
  EXPECT_EQ(copy.polygons.size(), 2u);

  hm::sphere ball;
  auto placed = sample_sphere();
  placed->tag = 4;
  placed->transform_to_frame(shift);
  ball.copy_from(*placed);
  expect_near(ball.centre, placed->local_centre);  // placed at the local centre
  EXPECT_EQ(ball.tag, 4);
  EXPECT_EQ(ball.flags, placed->flags);

  hm::face f;
  f.copy_from(*sample_face());
  EXPECT_EQ(f.vertex_count, 4);
  EXPECT_EQ(f.flags, 0x10u);

  hm::composite_body group;
  auto source_group = sample_simple_composite();
  source_group->tag = 6;
  group.copy_from(*source_group);
  EXPECT_EQ(group.tag, 6);
  EXPECT_EQ(binary_record(group), binary_record(*source_group));
}

TEST(BodyParts, CreationByIdAndName) {
  for (int id = 0; id < 5; ++id) {
    const auto by_id = hm::create_body_part(id);
    ASSERT_NE(by_id, nullptr);
    EXPECT_EQ(by_id->get_type_id(), id);
    EXPECT_STREQ(hm::body_part_type_name(id), by_id->get_type_name());
    const auto by_name = hm::create_body_part(std::string_view(by_id->get_type_name()));
    ASSERT_NE(by_name, nullptr);
    EXPECT_EQ(by_name->get_type_id(), id);
    EXPECT_EQ(by_name->tag, -1);
    EXPECT_EQ(by_name->flags, 8u);
    EXPECT_EQ(by_name->owner_id, -1);
    EXPECT_GT(by_name->cell_min_x, by_name->cell_max_x);
  }
  EXPECT_EQ(hm::create_body_part(5), nullptr);
  EXPECT_EQ(hm::create_body_part(std::string_view("composite")), nullptr);
  EXPECT_EQ(hm::body_part_type_name(-1), nullptr);
}

// --- debug drawing -------------------------------------------------------------------------

struct recorded_lines {
  hm::frame placement;
  std::vector<vec3> vertices;
  std::uint32_t colour;
};

class recording_drawer : public hm::body_debug_drawer {
 public:
  void draw_line_list(const hm::frame& placement, const vec3* vertices, int vertex_count,
                      std::uint32_t colour) override {
    calls.push_back({placement, std::vector<vec3>(vertices, vertices + vertex_count), colour});
  }
  std::vector<recorded_lines> calls;
};

// Distance from p to the segment a-b.
float distance_to_segment(const vec3& p, const vec3& a, const vec3& b) {
  const vec3 ab = b - a;
  float t = hm::dot_product(p - a, ab) / hm::dot_product(ab, ab);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return (p - (a + ab * t)).length();
}

TEST(BodyPartDebugDrawing, WireframesLieOnTheShapes) {
  recording_drawer drawer;
  const hm::sphere ball({1, 2, 3}, 0.5f);
  ball.render_debug(drawer);
  ASSERT_EQ(drawer.calls.size(), 1u);
  EXPECT_EQ(drawer.calls[0].vertices.size(), 320u);  // 160 lines
  EXPECT_EQ(drawer.calls[0].colour, 0xFFBFFFF2u);
  for (const vec3& v : drawer.calls[0].vertices) {
    EXPECT_NEAR((drawer.calls[0].placement.transform_point_to_global(v) - ball.centre).length(), 0.5f, 1e-5f);
  }

  drawer.calls.clear();
  const hm::capsule pill({0, 0, 0}, {1, 2, 2}, 0.25f);
  pill.render_debug(drawer);
  ASSERT_EQ(drawer.calls.size(), 1u);
  EXPECT_EQ(drawer.calls[0].vertices.size(), 448u);  // 224 lines
  for (const vec3& v : drawer.calls[0].vertices) {
    const vec3 world = drawer.calls[0].placement.transform_point_to_global(v);
    EXPECT_NEAR(distance_to_segment(world, pill.p1, pill.p2), 0.25f, 1e-4f);
  }

  drawer.calls.clear();
  const hm::face square{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
  square.render_debug(drawer);
  ASSERT_EQ(drawer.calls.size(), 1u);
  ASSERT_EQ(drawer.calls[0].vertices.size(), 8u);
  expect_near(drawer.calls[0].vertices[0], {0.01f, 0.01f, 0});
  expect_near(drawer.calls[0].vertices[1], {1.99f, 0.01f, 0});
  expect_near(drawer.calls[0].vertices[7], {0.01f, 0.01f, 0});

  drawer.calls.clear();
  sample_composite()->render_debug(drawer);
  EXPECT_EQ(drawer.calls.size(), 3u);  // a manifold draws nothing

  hm::null_body_debug_drawer nothing;
  sample_composite()->render_debug(nothing);
}

// --- body resource ----------------------------------------------------------------------------

TEST(BodyResource, RoundTripsEveryKindInBothForms) {
  const char* words[] = {"sphere", "capsule", "face", "composite", "manifold"};
  for (const kind_sample& kind : all_kinds) {
    SCOPED_TRACE(kind.name);
    hm::body original;
    original.name = "bo_test_shape";
    original.part = kind.make();
    const int id = original.part->get_type_id();
    EXPECT_EQ(original.get_type_id(), 6);

    hm::binary_stream binary;
    original.write(binary);
    hm::text_stream text;
    original.write(text);
    // The text form starts with the name and the record's own type word.
    EXPECT_EQ(std::string(text.contents()).rfind(std::string("bo_test_shape ") + words[id] + " ", 0), 0u);

    for (hm::stream* form : {static_cast<hm::stream*>(&binary), static_cast<hm::stream*>(&text)}) {
      form->rewind();
      hm::body copy;
      copy.read(*form);
      EXPECT_TRUE(copy.name == "bo_test_shape");
      ASSERT_NE(copy.part, nullptr);
      EXPECT_EQ(copy.part->get_type_id(), id);
      EXPECT_EQ(binary_record(*copy.part), binary_record(*original.part));
    }
  }
}

TEST(BodyResource, CompositeRecordsAndUnknownWords) {
  // "composite" in a body record holds a composite whose parts come from the
  // composite's own record.
  const std::string record = "bo_pair composite 2 sphere 1 0 0 0 8 capsule 0.5 0 0 0 0 0 1 8";
  hm::text_reader in;
  in.open_memory("bodies.trf", record.data(), record.size());
  hm::body pair;
  pair.read(in);
  ASSERT_EQ(pair.part->get_type_id(), hm::composite_body_type_id);
  const auto& group = static_cast<const hm::composite_body&>(*pair.part);
  ASSERT_EQ(group.part_count(), 2);
  EXPECT_EQ(group.parts[0]->get_type_id(), hm::sphere_type_id);
  EXPECT_EQ(group.parts[1]->get_type_id(), hm::capsule_type_id);

  auto read_body = [](const std::string& text) {
    return fatal_message([&] {
      hm::text_reader r;
      r.open_memory("bodies.trf", text.data(), text.size());
      hm::body b;
      b.read(r);
    });
  };
  EXPECT_EQ(read_body("bo_x cylinder 1"), "unrecognized body part cylinder \n");
  // The part's own name is not a body record's word for the composite.
  EXPECT_EQ(read_body("bo_x composite_body 0"), "unrecognized body part composite_body \n");

  hm::body empty;
  empty.name = "bo_empty";
  EXPECT_EQ(fatal_message([&] {
              hm::binary_stream out;
              empty.write(out);
            }),
            "unrecognized body part");
}

}  // namespace
