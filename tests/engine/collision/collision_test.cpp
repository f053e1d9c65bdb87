#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "engine/collision/body_collision.h"
#include "engine/collision/capsule.h"
#include "engine/collision/composite_body.h"
#include "engine/collision/face.h"
#include "engine/collision/manifold.h"
#include "engine/collision/sphere.h"
#include "engine/core/math.h"
#include "engine/core/random.h"

namespace {

using hm::body_contact;
using hm::body_part;
using hm::vec3;
using part_ptr = std::unique_ptr<body_part>;
using part_maker = std::function<part_ptr()>;

part_maker ball(vec3 centre, float radius) {
  return [=] { return std::make_unique<hm::sphere>(centre, radius); };
}
part_maker pill(vec3 p1, vec3 p2, float radius) {
  return [=] { return std::make_unique<hm::capsule>(p1, p2, radius); };
}
// The unit square in the z = 0 plane, counter-clockwise seen from above, so its
// normal is (0, 0, 1).
part_maker unit_square() {
  return [] {
    return std::make_unique<hm::face>(
        std::initializer_list<vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  };
}

void expect_near(const vec3& actual, const vec3& expected, float tolerance = 1e-4f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

bool finite(const vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// One pair of bodies and what testing a against b must give. A case with no
// contact only states count 0.
struct contact_case {
  const char* name;
  part_maker a;
  part_maker b;
  int count;
  vec3 normal{};
  vec3 point{};
  float depth = 0.0f;
  // Moving a along the normal by a little more than the depth must part the two.
  // Edge contacts of a face measure their depth to the edge's line while pushing
  // along the face normal, so moving by the depth need not part them.
  bool separates = true;
  // Swapping the bodies turns the normal around (not so for coincident centres,
  // which push along +y whichever body comes first).
  bool swap_negates = true;
};

// Checks one case: the contact itself, that swapping the bodies turns the normal
// around and keeps the depth and point, and that the normal really is the way a
// must move.
void check_case(const contact_case& c) {
  SCOPED_TRACE(c.name);
  const part_ptr a = c.a();
  const part_ptr b = c.b();
  body_contact contacts[4];
  ASSERT_EQ(hm::collide_bodies(*a, *b, 4, contacts), c.count);
  if (c.count == 0) {
    body_contact swapped[4];
    EXPECT_EQ(hm::collide_bodies(*b, *a, 4, swapped), 0);
    return;
  }
  const body_contact& got = contacts[0];
  ASSERT_TRUE(finite(got.normal) && finite(got.point) && std::isfinite(got.depth));
  expect_near(got.normal, c.normal);
  expect_near(got.point, c.point);
  EXPECT_NEAR(got.depth, c.depth, 1e-4f);
  EXPECT_GE(got.depth, 0.0f);
  EXPECT_NEAR(got.normal.length(), 1.0f, 1e-5f);

  body_contact swapped[4];
  ASSERT_EQ(hm::collide_bodies(*b, *a, 4, swapped), c.count);
  if (c.swap_negates) expect_near(swapped[0].normal, -got.normal);
  EXPECT_NEAR(swapped[0].depth, got.depth, 1e-4f);

  if (c.separates) {
    hm::frame moved = hm::frame::identity();
    moved.origin = got.normal * (got.depth + 1e-3f);
    a->transform_to_frame(moved);
    EXPECT_EQ(hm::collide_bodies(*a, *b, 4, contacts), 0) << "the normal does not lead a out of b";
  }
}

TEST(CollideSphereSphere, ContactTable) {
  const contact_case cases[] = {
      {"overlapping", ball({1.5f, 0, 0}, 1), ball({0, 0, 0}, 1), 1, {1, 0, 0}, {0.75f, 0, 0}, 0.5f},
      {"just touching", ball({2, 0, 0}, 1), ball({0, 0, 0}, 1), 1, {1, 0, 0}, {1, 0, 0}, 0.0f},
      {"separated", ball({2.1f, 0, 0}, 1), ball({0, 0, 0}, 1), 0},
      {"unequal radii, point splits by radius", ball({0, 0, 2.5f}, 2), ball({0, 0, 0}, 1), 1, {0, 0, 1},
       {0, 0, 2.5f / 3.0f}, 0.5f},
      {"coincident centres push along +y", ball({3, 3, 3}, 1), ball({3, 3, 3}, 0.5f), 1, {0, 1, 0}, {3, 3, 3}, 1.5f,
       true, false},
  };
  for (const contact_case& c : cases) check_case(c);
}

TEST(CollideCapsuleSphere, ContactTable) {
  const auto upright = pill({0, 0, 0}, {0, 0, 2}, 0.5f);
  const contact_case cases[] = {
      {"against the side", upright, ball({0.8f, 0, 1}, 0.5f), 1, {-1, 0, 0}, {0.3f, 0, 1}, 0.2f},
      {"beyond the top end", upright, ball({0, 0, 2.7f}, 0.5f), 1, {0, 0, -1}, {0, 0, 2.2f}, 0.3f},
      {"below the bottom end", upright, ball({0, 0, -0.9f}, 0.5f), 1, {0, 0, 1}, {0, 0, -0.4f}, 0.1f},
      {"separated from the side", upright, ball({1.1f, 0, 1}, 0.5f), 0},
      {"separated beyond the end", upright, ball({0, 0, 3.1f}, 0.5f), 0},
      {"centre on the axis pushes along +y", upright, ball({0, 0, 1}, 0.5f), 1, {0, 1, 0}, {0, 0.5f, 1}, 1.0f},
      {"sphere first: normal turned around", ball({0.8f, 0, 1}, 0.5f), upright, 1, {1, 0, 0}, {0.3f, 0, 1},
       0.2f},
  };
  for (const contact_case& c : cases) check_case(c);
}

TEST(CollideCapsuleCapsule, ContactTable) {
  const contact_case cases[] = {
      {"parallel side by side", pill({1, 0, 0}, {1, 0, 2}, 0.6f), pill({0, 0, 0}, {0, 0, 2}, 0.6f), 1, {1, 0, 0},
       {0.5f, 0, 2}, 0.2f},
      {"crossing at right angles", pill({-1, 0, 0.5f}, {1, 0, 0.5f}, 0.3f), pill({0, -1, 0}, {0, 1, 0}, 0.3f), 1,
       {0, 0, 1}, {0, 0, 0.25f}, 0.1f},
      {"crossing, separated", pill({-1, 0, 0.7f}, {1, 0, 0.7f}, 0.3f), pill({0, -1, 0}, {0, 1, 0}, 0.3f), 0},
      {"end to end on one line", pill({0, 0, 2.5f}, {0, 0, 4}, 0.3f), pill({0, 0, 0}, {0, 0, 2}, 0.3f), 1,
       {0, 0, 1}, {0, 0, 2.25f}, 0.1f},
      {"parallel, offset past the end", pill({1, 0, 3}, {1, 0, 5}, 0.8f), pill({0, 0, 0}, {0, 0, 2}, 0.8f), 1,
       {0.70710678f, 0, 0.70710678f}, {0.5f, 0, 2.5f}, 1.6f - std::sqrt(2.0f)},
      {"end cap against the middle", pill({0, 0, 0.5f}, {0, 0, 3}, 0.25f), pill({-1, 0, 0}, {1, 0, 0}, 0.5f), 1,
       {0, 0, 1}, {0, 0, 1.0f / 3.0f}, 0.25f},
      // A capsule of no length is a sphere; it must not be measured along a
      // direction it does not have.
      {"capsule of no length", pill({0.3f, 0, 1}, {0.3f, 0, 1}, 0.5f), pill({-1, 0, 0}, {1, 0, 0}, 0.6f), 1,
       {0, 0, 1}, {0.3f, 0, 0.6f / 1.1f}, 0.1f},
  };
  for (const contact_case& c : cases) check_case(c);
}

TEST(CollideFaceSphere, ContactTable) {
  const auto square = unit_square();
  const float corner_gap = std::sqrt(0.2f * 0.2f + 0.1f * 0.1f);
  const contact_case cases[] = {
      {"resting on top, face first", square, ball({0.5f, 0.5f, 0.3f}, 0.5f), 1, {0, 0, -1}, {0.5f, 0.5f, 0},
       0.2f},
      {"resting on top, sphere first", ball({0.5f, 0.5f, 0.3f}, 0.5f), square, 1, {0, 0, 1}, {0.5f, 0.5f, 0},
       0.2f},
      {"centre on the plane", square, ball({0.5f, 0.5f, 0}, 0.5f), 1, {0, 0, -1}, {0.5f, 0.5f, 0}, 0.5f},
      {"behind the face within the radius", square, ball({0.5f, 0.5f, -0.3f}, 0.5f), 1, {0, 0, -1},
       {0.5f, 0.5f, 0}, 0.8f},
      {"above, out of reach", square, ball({0.5f, 0.5f, 0.6f}, 0.5f), 0},
      {"behind, out of reach", square, ball({0.5f, 0.5f, -0.6f}, 0.5f), 0},
      {"just outside an edge", square, ball({1.2f, 0.5f, 0.1f}, 0.5f), 1, {0, 0, -1}, {1, 0.5f, 0},
       0.5f - corner_gap, false},
      {"outside an edge, out of reach", square, ball({1.6f, 0.5f, 0.1f}, 0.5f), 0},
      // Off a corner the point lies on the first failing edge's line, not clamped.
      {"off a corner", square, ball({1.3f, 1.3f, 0}, 0.5f), 1, {0, 0, -1}, {1, 1.3f, 0}, 0.2f, false},
      {"off a corner, past the edge's reach", square, ball({1.3f, 1.6f, 0}, 0.5f), 0},
  };
  for (const contact_case& c : cases) check_case(c);
}

TEST(CollideFaceCapsule, ContactTable) {
  const auto square = unit_square();
  const contact_case cases[] = {
      {"lying flat: foot of p2 on a tie", square, pill({0.2f, 0.5f, 0.2f}, {0.8f, 0.5f, 0.2f}, 0.5f), 1,
       {0, 0, -1}, {0.8f, 0.5f, 0}, 0.3f},
      {"lying flat, capsule first", pill({0.2f, 0.5f, 0.2f}, {0.8f, 0.5f, 0.2f}, 0.5f), square, 1, {0, 0, 1},
       {0.8f, 0.5f, 0}, 0.3f},
      {"tilted in front: foot of the nearer end", square, pill({0.2f, 0.5f, 0.1f}, {0.8f, 0.5f, 0.4f}, 0.5f), 1,
       {0, 0, -1}, {0.2f, 0.5f, 0}, 0.4f},
      {"piercing: the segment's crossing of the plane", square, pill({0.3f, 0.5f, 0.4f}, {0.7f, 0.5f, -0.4f}, 0.5f),
       1, {0, 0, -1}, {0.5f, 0.5f, 0}, 0.9f},
      {"both ends behind: foot of the nearer end", square, pill({0.2f, 0.5f, -0.2f}, {0.8f, 0.5f, -0.3f}, 0.5f), 1,
       {0, 0, -1}, {0.2f, 0.5f, 0}, 0.8f},
      {"above, out of reach", square, pill({0.2f, 0.5f, 0.6f}, {0.8f, 0.5f, 0.7f}, 0.5f), 0},
      {"behind, out of reach", square, pill({0.2f, 0.5f, -0.6f}, {0.8f, 0.5f, -0.7f}, 0.5f), 0},
      {"upright outside an edge: edge contact", square, pill({1.3f, 0.5f, 0.2f}, {1.3f, 0.5f, 1}, 0.5f), 1,
       {0, 0, -1}, {1, 0.5f, 0}, 0.3f, false},
      {"upright outside an edge, out of reach", square, pill({1.6f, 0.5f, 0.2f}, {1.6f, 0.5f, 1}, 0.5f), 0},
      {"crossing an edge from outside", square, pill({0.5f, -0.4f, 0.2f}, {0.5f, 0.4f, 0.2f}, 0.5f), 1,
       {0, 0, -1}, {0.5f, 0.4f, 0}, 0.3f},
      // The edge runs parallel to the capsule: the closest points take the
      // parallel branch instead of dividing by zero.
      {"parallel to an edge, outside it", square, pill({1.2f, 0.2f, 0.1f}, {1.2f, 0.8f, 0.1f}, 0.5f), 1,
       {0, 0, -1}, {1, 0.2f, 0}, 0.4f, false},
      {"parallel to an edge, out of reach", square, pill({1.55f, 0.2f, 0.1f}, {1.55f, 0.8f, 0.1f}, 0.5f), 0},
      {"parallel to an edge, inside", square, pill({0.8f, 0.2f, 0.1f}, {0.8f, 0.8f, 0.1f}, 0.5f), 1, {0, 0, -1},
       {0.8f, 0.8f, 0}, 0.4f},
      {"capsule of no length", square, pill({0.5f, 0.5f, 0.3f}, {0.5f, 0.5f, 0.3f}, 0.5f), 1, {0, 0, -1},
       {0.5f, 0.5f, 0}, 0.2f},
  };
  for (const contact_case& c : cases) check_case(c);
}

TEST(CollideFaceCapsule, TriangleEdgesAndLargeFrames) {
  // A placed triangle, tilted and moved far from the origin, against a capsule
  // resting on it: the test works in placed coordinates only.
  hm::face tri{{0, 0, 0}, {2, 0, 0}, {0, 2, 0}};
  hm::frame placement = hm::frame::identity();
  placement.rotate_x(0.5f);
  placement.origin = vec3(1000, -500, 20);
  tri.transform_to_frame(placement);
  hm::capsule lying({0.3f, 0.3f, 0.25f}, {0.9f, 0.3f, 0.25f}, 0.4f);
  lying.transform_to_frame(placement);

  body_contact contact;
  ASSERT_EQ(hm::collide_bodies(tri, lying, 1, &contact), 1);
  expect_near(contact.normal, -tri.normal);
  EXPECT_NEAR(contact.depth, 0.15f, 1e-3f);
  expect_near(contact.point, placement.transform_point_to_global(vec3(0.9f, 0.3f, 0)), 1e-3f);
}

TEST(CollideBodies, PairsWithoutATestGiveNothing) {
  hm::manifold ground;
  ground.add_vertex({0, 0, 0});
  ground.add_vertex({1, 0, 0});
  ground.add_vertex({0, 1, 0});
  ground.add_polygon({0, 1, 2});
  const contact_case cases[] = {
      {"face against face", unit_square(), unit_square(), 0},
      {"sphere against manifold", ball({0.2f, 0.2f, 0}, 1), [&] { return part_ptr(new hm::manifold(ground)); }, 0},
      {"capsule against manifold", pill({0, 0, -1}, {0, 0, 1}, 1),
       [&] { return part_ptr(new hm::manifold(ground)); }, 0},
  };
  for (const contact_case& c : cases) check_case(c);

  // A manifold cloned into faces does collide.
  const part_ptr faces = ground.clone();
  hm::sphere on_top({0.2f, 0.2f, 0.1f}, 0.5f);
  body_contact contact;
  ASSERT_EQ(hm::collide_bodies(on_top, *faces, 1, &contact), 1);
  expect_near(contact.normal, {0, 0, 1});
  EXPECT_NEAR(contact.depth, 0.4f, 1e-5f);
}

// Three unit spheres around the origin, all overlapping a sphere there.
std::unique_ptr<hm::composite_body> three_overlapping() {
  auto group = std::make_unique<hm::composite_body>();
  group->add_part(std::make_unique<hm::sphere>(vec3(1.5f, 0, 0), 1));
  group->add_part(std::make_unique<hm::sphere>(vec3(0, 1.6f, 0), 1));
  group->add_part(std::make_unique<hm::sphere>(vec3(0, 0, 1.7f), 1));
  return group;
}

TEST(CollideBodies, MaximumLimitsWritesAndZeroIsATouchTest) {
  const hm::sphere probe({0, 0, 0}, 1);
  const auto group = three_overlapping();
  const body_contact sentinel{{9, 9, 9}, {9, 9, 9}, -9};

  struct row {
    int maximum;
    int expected_count;
    int expected_written;
  };
  for (const row r : {row{3, 3, 3}, row{2, 2, 2}, row{1, 1, 1}, row{8, 3, 3}}) {
    SCOPED_TRACE(r.maximum);
    std::vector<body_contact> contacts(9, sentinel);
    EXPECT_EQ(hm::collide_bodies(probe, *group, r.maximum, contacts.data()), r.expected_count);
    const float depths[] = {0.5f, 0.4f, 0.3f};
    for (int i = 0; i < r.expected_written; ++i) {
      EXPECT_NEAR(contacts[static_cast<std::size_t>(i)].depth, depths[i], 1e-5f);
      // The probe must move away from each member: negative along its offset.
      EXPECT_LT(contacts[static_cast<std::size_t>(i)].normal.x + contacts[static_cast<std::size_t>(i)].normal.y +
                    contacts[static_cast<std::size_t>(i)].normal.z,
                0.0f);
    }
    for (std::size_t i = static_cast<std::size_t>(r.expected_written); i < contacts.size(); ++i) {
      EXPECT_EQ(contacts[i].depth, -9.0f) << "entry " << i << " written past the maximum";
    }
  }

  // A maximum of 0 with no array: the first member is still tested, then the
  // loop stops, so the answer is 1 for touching and 0 for apart.
  EXPECT_EQ(hm::collide_bodies(probe, *group, 0, nullptr), 1);
  EXPECT_EQ(hm::collide_bodies(*group, probe, 0, nullptr), 1);
  const hm::sphere far_away({10, 0, 0}, 1);
  EXPECT_EQ(hm::collide_bodies(far_away, *group, 0, nullptr), 0);
  // Single pairs that need a swap give 1 without an array too.
  const hm::face floor{{-5, -5, 0}, {5, -5, 0}, {5, 5, 0}, {-5, 5, 0}};
  EXPECT_EQ(hm::collide_bodies(hm::sphere({0, 0, 0.5f}, 1), floor, 0, nullptr), 1);
  EXPECT_EQ(hm::collide_bodies(hm::capsule({0, 0, 3}, {0, 0, 0.5f}, 1), floor, 0, nullptr), 1);
}

TEST(CollideBodies, CompositeAgainstCompositeVisitsPairsInOrder) {
  hm::composite_body left;
  left.add_part(std::make_unique<hm::sphere>(vec3(0, 0, 0), 1.0f));
  left.add_part(std::make_unique<hm::sphere>(vec3(0, 0, 0), 2.0f));
  hm::composite_body right;
  right.add_part(std::make_unique<hm::sphere>(vec3(1, 0, 0), 0.5f));
  right.add_part(std::make_unique<hm::sphere>(vec3(1, 0, 0), 0.25f));

  body_contact contacts[4];
  ASSERT_EQ(hm::collide_bodies(left, right, 4, contacts), 4);
  // Depths identify the pairs: (1.0, 0.5), (1.0, 0.25), (2.0, 0.5), (2.0, 0.25).
  const float depths[] = {0.5f, 0.25f, 1.5f, 1.25f};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(contacts[i].depth, depths[i], 1e-5f);
    expect_near(contacts[i].normal, {-1, 0, 0});
  }
  EXPECT_EQ(hm::collide_bodies(left, right, 2, contacts), 2);
}

TEST(CollideBodies, SwappedPairsTurnAroundOnlyTheirOwnContacts) {
  // A composite holding a sphere and a capsule, tested against a floor face:
  // both contacts need the swap, and each must come out pointing up, even the
  // second one written after the first was already turned.
  hm::composite_body agent;
  agent.add_part(std::make_unique<hm::sphere>(vec3(0, 0, 0.4f), 0.5f));
  agent.add_part(std::make_unique<hm::capsule>(vec3(0, 0, 0.3f), vec3(0, 0, 2), 0.4f));
  const hm::face floor{{-5, -5, 0}, {5, -5, 0}, {5, 5, 0}, {-5, 5, 0}};

  body_contact contacts[2];
  ASSERT_EQ(hm::collide_bodies(agent, floor, 2, contacts), 2);
  expect_near(contacts[0].normal, {0, 0, 1});
  EXPECT_NEAR(contacts[0].depth, 0.1f, 1e-5f);
  expect_near(contacts[1].normal, {0, 0, 1});
  EXPECT_NEAR(contacts[1].depth, 0.1f, 1e-5f);

  // The other way round, the floor must move down.
  ASSERT_EQ(hm::collide_bodies(floor, agent, 2, contacts), 2);
  expect_near(contacts[0].normal, {0, 0, -1});
  expect_near(contacts[1].normal, {0, 0, -1});
}

TEST(CollideBodies, SwappingArgumentsNegatesNormalsOverRandomPlacements) {
  // Random spheres and capsules near a tilted square: whatever touches one way
  // touches the other way with the opposite normal and the same depth.
  hm::random_seed(2024);
  auto draw = [](float low, float high) { return low + (high - low) * hm::random_unit_float(); };
  hm::face square{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  hm::frame tilt = hm::frame::identity();
  tilt.rotate_y(0.3f);
  square.transform_to_frame(tilt);

  int touching = 0;
  for (int i = 0; i < 400; ++i) {
    const vec3 p(draw(-1.5f, 1.5f), draw(-1.5f, 1.5f), draw(-1, 1));
    const vec3 q(draw(-1.5f, 1.5f), draw(-1.5f, 1.5f), draw(-1, 1));
    const hm::sphere s(p, draw(0.1f, 0.6f));
    const hm::capsule c(p, q, draw(0.1f, 0.6f));
    const body_part* shapes[] = {&s, &c, &square};
    for (const body_part* a : shapes) {
      for (const body_part* b : shapes) {
        if (a == b) continue;
        body_contact ab;
        body_contact ba;
        const int n_ab = hm::collide_bodies(*a, *b, 1, &ab);
        const int n_ba = hm::collide_bodies(*b, *a, 1, &ba);
        ASSERT_EQ(n_ab, n_ba) << "draw " << i;
        if (n_ab == 0) continue;
        ++touching;
        ASSERT_TRUE(finite(ab.normal) && finite(ab.point) && std::isfinite(ab.depth)) << "draw " << i;
        EXPECT_GE(ab.depth, 0.0f);
        EXPECT_NEAR(ab.depth, ba.depth, 2e-4f) << "draw " << i;
        expect_near(ab.normal, -ba.normal, 2e-4f);
      }
    }
  }
  EXPECT_GT(touching, 100);
}

TEST(ClosestPointsBetweenSegments, Table) {
  struct row {
    const char* name;
    vec3 a0, a1, b0, b1;
    vec3 out_a, out_b;
  };
  const row rows[] = {
      {"crossing", {-1, 0, 1}, {1, 0, 1}, {0, -1, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}},
      {"both clamped to ends", {0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {2, 3, 0}, {1, 0, 0}, {2, 1, 0}},
      {"parallel, b beyond a1", {0, 0, 0}, {1, 0, 0}, {3, 1, 0}, {2, 1, 0}, {1, 0, 0}, {2, 1, 0}},
      {"parallel, b behind a0", {0, 0, 0}, {1, 0, 0}, {-3, 1, 0}, {-2, 1, 0}, {0, 0, 0}, {-2, 1, 0}},
      {"parallel, overlapping from behind", {0, 0, 0}, {1, 0, 0}, {-1, 1, 0}, {0.5f, 1, 0}, {0.5f, 0, 0},
       {0.5f, 1, 0}},
      {"parallel, b inside a", {0, 0, 0}, {4, 0, 0}, {1, 0, 2}, {3, 0, 2}, {1, 0, 0}, {1, 0, 2}},
      {"a of no length", {0.5f, 1, 0}, {0.5f, 1, 0}, {0, 0, 0}, {2, 0, 0}, {0.5f, 1, 0}, {0.5f, 0, 0}},
      {"b of no length", {0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {3, 1, 0}, {2, 0, 0}, {3, 1, 0}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    vec3 out_a;
    vec3 out_b;
    hm::closest_points_between_segments(r.a0, r.a1, r.b0, r.b1, out_a, out_b);
    expect_near(out_a, r.out_a);
    expect_near(out_b, r.out_b);
  }
}

TEST(CapsuleDistanceToSphere, GapBetweenSurfaces) {
  const hm::capsule upright({0, 0, 0}, {0, 0, 2}, 0.5f);
  struct row {
    vec3 centre;
    float radius;
    float gap;
  };
  for (const row r : {row{{2, 0, 1}, 0.5f, 1.0f}, row{{0, 0, 4}, 1.0f, 0.5f}, row{{0, 0, -1}, 0.25f, 0.25f},
                      row{{0.5f, 0, 1}, 0.5f, -0.5f}}) {
    EXPECT_NEAR(upright.distance_to_sphere(hm::sphere(r.centre, r.radius)), r.gap, 1e-5f);
  }
}

}  // namespace
