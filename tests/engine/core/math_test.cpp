#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "engine/core/math.h"

namespace {

using hm::color;
using hm::frame;
using hm::rotation;
using hm::vec3;

constexpr float pi = std::numbers::pi_v<float>;
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

void expect_vec(const vec3& got, float x, float y, float z, float tolerance = 1e-6f) {
  EXPECT_NEAR(got.x, x, tolerance);
  EXPECT_NEAR(got.y, y, tolerance);
  EXPECT_NEAR(got.z, z, tolerance);
}

// A frame turned a quarter about z and moved to (1, 2, 3):
// s = (0,1,0), f = (-1,0,0), u = (0,0,1).
frame quarter_turn_frame() {
  frame a = frame::identity();
  a.rotate_z(pi / 2);
  a.origin = vec3(1, 2, 3);
  return a;
}

TEST(Math, NormaliseThresholdsDifferBetweenTheTwoForms) {
  struct normalise_case {
    vec3 input;
    vec3 in_place;  // vec3::normalize
    vec3 copy;      // get_normalized
  };
  const normalise_case cases[] = {
      {vec3(0, 0, 0), vec3(0, 1, 0), vec3(0, 1, 0)},
      {vec3(1e-11f, 0, 0), vec3(0, 1, 0), vec3(1, 0, 0)},
      {vec3(0, 0, 1e-10f), vec3(0, 1, 0), vec3(0, 0, 1)},
      {vec3(nan, 0, 0), vec3(0, 1, 0), vec3(0, 1, 0)},
      {vec3(3, 4, 0), vec3(0.6f, 0.8f, 0), vec3(0.6f, 0.8f, 0)},
      {vec3(0, -2e-10f, 0), vec3(0, -1, 0), vec3(0, -1, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "(" << c.input.x << ", " << c.input.y << ", " << c.input.z << ")");
    vec3 v = c.input;
    v.normalize();
    expect_vec(v, c.in_place.x, c.in_place.y, c.in_place.z);
    vec3 out;
    hm::get_normalized(out, c.input);
    expect_vec(out, c.copy.x, c.copy.y, c.copy.z);
  }

  vec3 v(3, 4, 0);
  EXPECT_FLOAT_EQ(v.normalize(), 5.0f);
  vec3 tiny(1e-11f, 0, 0);
  EXPECT_FLOAT_EQ(tiny.normalize(), 1e-11f);  // the old length even when it falls back
}

TEST(Math, VectorBasics) {
  const vec3 a(1, 2, 3);
  const vec3 b(4, -5, 6);
  expect_vec(hm::cross_product(a, b), 2 * 6 - 3 * -5, 3 * 4 - 1 * 6, 1 * -5 - 2 * 4);
  vec3 out = a;
  hm::cross_product_to(out, out, b);  // output may alias an input
  expect_vec(out, 27, 6, -13);
  EXPECT_FLOAT_EQ(hm::dot_product(a, b), 4 - 10 + 18);
  EXPECT_FLOAT_EQ(a.length_squared(), 14);
  EXPECT_FLOAT_EQ(hm::get_vec3_length(vec3(2, 3, 6)), 7);
  a.subtract(out, b);
  expect_vec(out, -3, 7, -3);
  a.scale(out, 2.0f);
  expect_vec(out, 2, 4, 6);
  hm::scale_vec3(out, -1.0f, b);
  expect_vec(out, -4, 5, -6);
  hm::vec3_min(out, a, b);
  expect_vec(out, 1, -5, 3);
  hm::vec3_max(out, a, b);
  expect_vec(out, 4, 2, 6);

  // Whole-vector copies carry the fourth word along.
  vec3 tagged(1, 1, 1);
  tagged.w = 42.0f;
  const vec3 copied = tagged;
  EXPECT_EQ(copied.w, 42.0f);
}

TEST(Math, OrthonormalizeKeepsForwardAndRebuildsSideThenUp) {
  struct ortho_case {
    const char* name;
    rotation input;
    rotation expected;
  };
  const ortho_case cases[] = {
      {"skewed up", {vec3(1, 0, 0), vec3(0, 2, 0), vec3(0, 1, 1)}, {vec3(1, 0, 0), vec3(0, 1, 0), vec3(0, 0, 1)}},
      // f parallel to u: s falls back to (0,1,0) and u = (0,1,0) x f.
      {"forward along up", {vec3(1, 0, 0), vec3(0, 0, 2), vec3(0, 0, 1)}, {vec3(0, 1, 0), vec3(0, 0, 1), vec3(1, 0, 0)}},
      // The old side axis is ignored entirely.
      {"wrong side", {vec3(5, 5, 5), vec3(0, 3, 0), vec3(0, 0, 7)}, {vec3(1, 0, 0), vec3(0, 1, 0), vec3(0, 0, 1)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    frame fr{c.input, vec3(7, 8, 9)};
    fr.orthonormalize();
    expect_vec(fr.rot.s, c.expected.s.x, c.expected.s.y, c.expected.s.z);
    expect_vec(fr.rot.f, c.expected.f.x, c.expected.f.y, c.expected.f.z);
    expect_vec(fr.rot.u, c.expected.u.x, c.expected.u.y, c.expected.u.z);
    expect_vec(fr.origin, 7, 8, 9);
  }
}

TEST(Math, RotationsAboutTheFramesOwnAxes) {
  struct rotate_case {
    const char* name;
    void (frame::*turn)(float);
    rotation expected;
  };
  const rotate_case cases[] = {
      {"x", &frame::rotate_x, {vec3(1, 0, 0), vec3(0, 0, 1), vec3(0, -1, 0)}},
      {"y", &frame::rotate_y, {vec3(0, 0, -1), vec3(0, 1, 0), vec3(1, 0, 0)}},
      {"z", &frame::rotate_z, {vec3(0, 1, 0), vec3(-1, 0, 0), vec3(0, 0, 1)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    frame fr = frame::identity();
    fr.origin = vec3(4, 5, 6);
    (fr.*c.turn)(pi / 2);
    expect_vec(fr.rot.s, c.expected.s.x, c.expected.s.y, c.expected.s.z);
    expect_vec(fr.rot.f, c.expected.f.x, c.expected.f.y, c.expected.f.z);
    expect_vec(fr.rot.u, c.expected.u.x, c.expected.u.y, c.expected.u.z);
    expect_vec(fr.origin, 4, 5, 6);
    const vec3 handed = hm::cross_product(fr.rot.s, fr.rot.f);
    expect_vec(handed, fr.rot.u.x, fr.rot.u.y, fr.rot.u.z);
  }

  // The turn is about the frame's own axis, not the world's: turn about z, then
  // about the new s (which is the world's y).
  frame fr = frame::identity();
  fr.rotate_z(pi / 2);
  fr.rotate_x(pi / 2);
  expect_vec(fr.rot.s, 0, 1, 0);
  expect_vec(fr.rot.f, 0, 0, 1);
  expect_vec(fr.rot.u, 1, 0, 0);
}

TEST(Math, TransformsAgainstHandComputedValues) {
  const frame a = quarter_turn_frame();
  expect_vec(a.transform_point_to_global(vec3(1, 0, 0)), 1, 3, 3);
  expect_vec(a.transform_point_to_global(vec3(2, 3, 4)), -2, 4, 7);
  expect_vec(a.rotate_vector_to_global(vec3(2, 3, 4)), -3, 2, 4);
  expect_vec(a.transform_point_to_local(vec3(-2, 4, 7)), 2, 3, 4);

  // Local of global is the identity for a proper rotation.
  frame b = frame::identity();
  b.rotate_z(0.7f);
  b.rotate_x(-1.3f);
  b.rotate_y(2.1f);
  b.origin = vec3(-10, 250, 3.5f);
  const vec3 points[] = {vec3(0, 0, 0), vec3(1, -2, 3), vec3(100, 0.25f, -40)};
  for (const vec3& p : points) {
    const vec3 back = b.transform_point_to_local(b.transform_point_to_global(p));
    expect_vec(back, p.x, p.y, p.z, 1e-4f);
  }

  // The projection does not invert a skewed matrix.
  frame skewed{{vec3(2, 0, 0), vec3(0, 1, 0), vec3(0, 0, 1)}, vec3(0, 0, 0)};
  expect_vec(skewed.transform_point_to_local(skewed.transform_point_to_global(vec3(1, 0, 0))), 4, 0, 0);
}

TEST(Math, FrameProductComposesTransforms) {
  const frame a = quarter_turn_frame();
  frame c = frame::identity();
  c.rotate_x(pi / 2);  // s (1,0,0), f (0,0,1), u (0,-1,0)
  c.origin = vec3(1, 0, 0);

  frame product;
  a.transform_frame_to_global(product, c);
  expect_vec(product.origin, 1, 3, 3);
  expect_vec(product.rot.s, 0, 1, 0);
  expect_vec(product.rot.f, 0, 0, 1);
  expect_vec(product.rot.u, 1, 0, 0);

  const vec3 p(0.5f, -2, 7);
  const vec3 direct = product.transform_point_to_global(p);
  const vec3 stepwise = a.transform_point_to_global(c.transform_point_to_global(p));
  expect_vec(direct, stepwise.x, stepwise.y, stepwise.z, 1e-5f);

  frame in_place = c;
  a.transform_frame_to_global(in_place, in_place);  // output may alias the input
  expect_vec(in_place.origin, 1, 3, 3);
  expect_vec(in_place.rot.u, 1, 0, 0);

  rotation axes;
  a.rotate_axes_to_global(axes, rotation::identity());
  expect_vec(axes.s, 0, 1, 0);
  expect_vec(axes.f, -1, 0, 0);
  expect_vec(axes.u, 0, 0, 1);
}

TEST(Math, ClampFloat) {
  EXPECT_EQ(hm::clamp_float(1.0f, 1.0f, 2.0f), 1.0f);
  EXPECT_EQ(hm::clamp_float(2.0f, 1.0f, 2.0f), 2.0f);
  EXPECT_EQ(hm::clamp_float(-5.0f, 1.0f, 2.0f), 1.0f);
  EXPECT_EQ(hm::clamp_float(5.0f, 1.0f, 2.0f), 2.0f);
  EXPECT_EQ(hm::clamp_float(1.5f, 1.0f, 2.0f), 1.5f);
  EXPECT_TRUE(std::isnan(hm::clamp_float(nan, 1.0f, 2.0f)));
}

TEST(Math, ColourPacking) {
  struct pack_case {
    color c;
    std::uint32_t argb;
  };
  const pack_case cases[] = {
      {{1.0f, 0.5f, 0.0f, 1.0f}, 0xFFFF8000u},
      {{-0.1f, 0.0f, 0.0f, 1.0f}, 0xFFFF0000u},  // a negative channel packs as full
      {{0.999f, 0.25f, 1.5f, 0.0f}, 0x00FF40FFu},
      {{-0.001f, 0.0f, 0.0f, 0.0f}, 0x00000000u},  // truncates to 0 before the cap
      {{nan, 0.0f, 0.0f, 1e20f}, 0xFFFF0000u},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hm::color_to_argb(c.c), c.argb) << std::hex << c.argb;
  }

  const color unpacked = hm::argb_to_color(0x80FF0040u);
  EXPECT_FLOAT_EQ(unpacked.r, 1.0f);
  EXPECT_FLOAT_EQ(unpacked.g, 0.0f);
  EXPECT_FLOAT_EQ(unpacked.b, 64.0f / 255.0f);
  EXPECT_FLOAT_EQ(unpacked.a, 128.0f / 255.0f);

  // Unpacking and packing again moves a channel by at most one step.
  for (std::uint32_t v : {0x00000000u, 0xFFFFFFFFu, 0x7F3A11C0u}) {
    const std::uint32_t again = hm::color_to_argb(hm::argb_to_color(v));
    for (int shift = 0; shift < 32; shift += 8) {
      const int before = static_cast<int>((v >> shift) & 0xFF);
      const int after = static_cast<int>((again >> shift) & 0xFF);
      EXPECT_LE(std::abs(before - after), 1) << std::hex << v;
    }
  }
}

}  // namespace
