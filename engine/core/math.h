#pragma once
// Small value types for 3-D geometry: the vector vec3, the rotation (three axis
// vectors) and the coordinate frame (a rotation and an origin), with the
// transforms between a frame's local coordinates and its parent space, turns
// about a frame's own axes, the frame product, and scalar and colour helpers.
//
// The world is right-handed with z up. A frame's axes are named by their role
// for an object standing in the world: s (side, local x), f (forward, local y)
// and u (up, local z).
//
// Collision, entities, skeletons, agents and saved positions depend on the exact
// arithmetic here (which vector is normalised first, which axis is rebuilt,
// what a zero-length vector becomes), so change none of it lightly.
#include <cmath>
#include <cstdint>

#include "engine/core/random.h"

namespace hm {

// Three floats and a fourth word that means nothing but travels with copies
// (vectors inside records occupy four words).
struct vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;

  constexpr vec3() = default;
  constexpr vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

  void construct_xyz(float x_, float y_, float z_) {
    x = x_;
    y = y_;
    z = z_;
  }
  // this += other.
  void add(const vec3& other) {
    x += other.x;
    y += other.y;
    z += other.z;
  }
  // out = this - other.
  void subtract(vec3& out, const vec3& other) const { out = vec3(x - other.x, y - other.y, z - other.z); }
  // out = this * k.
  void scale(vec3& out, float k) const { out = vec3(x * k, y * k, z * k); }
  float length() const { return std::sqrt(x * x + y * y + z * z); }
  float length_squared() const { return x * x + y * y + z * z; }
  // Scales to unit length and returns the length it had. A length of 1e-10 or
  // less (or not a number) gives (0, 1, 0).
  float normalize();

  vec3& operator+=(const vec3& o) {
    add(o);
    return *this;
  }
  vec3& operator-=(const vec3& o) {
    x -= o.x;
    y -= o.y;
    z -= o.z;
    return *this;
  }
  vec3& operator*=(float k) {
    x *= k;
    y *= k;
    z *= k;
    return *this;
  }
};

inline vec3 operator+(const vec3& a, const vec3& b) { return vec3(a.x + b.x, a.y + b.y, a.z + b.z); }
inline vec3 operator-(const vec3& a, const vec3& b) { return vec3(a.x - b.x, a.y - b.y, a.z - b.z); }
inline vec3 operator-(const vec3& a) { return vec3(-a.x, -a.y, -a.z); }
inline vec3 operator*(const vec3& v, float k) { return vec3(v.x * k, v.y * k, v.z * k); }
inline vec3 operator*(float k, const vec3& v) { return vec3(k * v.x, k * v.y, k * v.z); }

// out = k * v.
inline void scale_vec3(vec3& out, float k, const vec3& v) { out = vec3(k * v.x, k * v.y, k * v.z); }
inline float get_vec3_length(const vec3& v) { return v.length(); }
inline float dot_product(const vec3& a, const vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline vec3 cross_product(const vec3& a, const vec3& b) {
  return vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
// out = a x b; out may be a or b.
inline void cross_product(vec3& out, const vec3& a, const vec3& b) { out = cross_product(a, b); }
inline void cross_product_to(vec3& out, const vec3& a, const vec3& b) { out = cross_product(a, b); }

// out = a unit-length copy of v. Unlike vec3::normalize, any positive length,
// however small, is divided out; only a length of 0 (or not a number) gives
// (0, 1, 0).
inline void get_normalized(vec3& out, const vec3& v) {
  const float length = v.length();
  if (!(length > 0.0f)) {
    out = vec3(0.0f, 1.0f, 0.0f);
    return;
  }
  const float inverse = 1.0f / length;
  out = vec3(v.x * inverse, v.y * inverse, v.z * inverse);
}
inline vec3 get_normalized(const vec3& v) {
  vec3 out;
  get_normalized(out, v);
  return out;
}

inline float vec3::normalize() {
  const float old_length = length();
  if (!(old_length > 1e-10f)) {
    construct_xyz(0.0f, 1.0f, 0.0f);
  } else {
    const float inverse = 1.0f / old_length;
    x *= inverse;
    y *= inverse;
    z *= inverse;
  }
  return old_length;
}

// Component-wise: vec3_min takes a's component when it is smaller than b's,
// vec3_max takes b's when a's is smaller or equal.
inline void vec3_min(vec3& out, const vec3& a, const vec3& b) {
  out = vec3(a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.z < b.z ? a.z : b.z);
}
inline void vec3_max(vec3& out, const vec3& a, const vec3& b) {
  out = vec3(a.x <= b.x ? b.x : a.x, a.y <= b.y ? b.y : a.y, a.z <= b.z ? b.z : a.z);
}

// Three axes: side (local x), forward (local y), up (local z). In a proper
// rotation they are unit length, perpendicular and s x f = u.
struct rotation {
  vec3 s;
  vec3 f;
  vec3 u;

  static rotation identity() {
    return rotation{vec3(1.0f, 0.0f, 0.0f), vec3(0.0f, 1.0f, 0.0f), vec3(0.0f, 0.0f, 1.0f)};
  }
};

// A rotation and an origin: maps local coordinates into the parent space.
// Streams store it as twelve floats: s, f, u, then the origin.
struct frame {
  rotation rot;
  vec3 origin;

  static frame identity() { return frame{rotation::identity(), vec3(0.0f, 0.0f, 0.0f)}; }

  // Rebuilds a proper rotation keeping the forward axis: f is normalised, s is
  // rebuilt from f and the old u, and u last. The origin is untouched.
  void orthonormalize();

  // out = origin + s * p.x + f * p.y + u * p.z.
  void transform_point_to_global(vec3& out, const vec3& p) const {
    out = vec3(origin.x + rot.s.x * p.x + rot.f.x * p.y + rot.u.x * p.z,
               origin.y + rot.s.y * p.x + rot.f.y * p.y + rot.u.y * p.z,
               origin.z + rot.s.z * p.x + rot.f.z * p.y + rot.u.z * p.z);
  }
  vec3 transform_point_to_global(const vec3& p) const {
    vec3 out;
    transform_point_to_global(out, p);
    return out;
  }
  // Projects p - origin onto the axes: the inverse of transform_point_to_global
  // for a proper rotation only.
  void transform_point_to_local(vec3& out, const vec3& p) const {
    const vec3 d(p.x - origin.x, p.y - origin.y, p.z - origin.z);
    out = vec3(dot_product(d, rot.s), dot_product(d, rot.f), dot_product(d, rot.u));
  }
  vec3 transform_point_to_local(const vec3& p) const {
    vec3 out;
    transform_point_to_local(out, p);
    return out;
  }
  // out = s * d.x + f * d.y + u * d.z (no origin).
  void rotate_vector_to_global(vec3& out, const vec3& d) const {
    out = vec3(rot.s.x * d.x + rot.f.x * d.y + rot.u.x * d.z, rot.s.y * d.x + rot.f.y * d.y + rot.u.y * d.z,
               rot.s.z * d.x + rot.f.z * d.y + rot.u.z * d.z);
  }
  vec3 rotate_vector_to_global(const vec3& d) const {
    vec3 out;
    rotate_vector_to_global(out, d);
    return out;
  }
  // out = r's axes turned into the parent space; out may be r.
  void rotate_axes_to_global(rotation& out, const rotation& r) const {
    const rotation turned{rotate_vector_to_global(r.s), rotate_vector_to_global(r.f), rotate_vector_to_global(r.u)};
    out = turned;
  }
  // The frame product: c, given in this frame's coordinates, expressed in this
  // frame's parent space. out may be this or c.
  void transform_frame_to_global(frame& out, const frame& c) const {
    frame result;
    transform_point_to_global(result.origin, c.origin);
    rotate_axes_to_global(result.rot, c.rot);
    out = result;
  }
  frame transform_frame_to_global(const frame& c) const {
    frame out;
    transform_frame_to_global(out, c);
    return out;
  }
  // The inverse for a proper rotation: g, given in the parent space, expressed
  // in this frame's coordinates (each of g's axes projected onto this frame's).
  frame transform_frame_to_local(const frame& g) const {
    frame out;
    transform_point_to_local(out.origin, g.origin);
    const auto project = [this](const vec3& d) {
      return vec3(dot_product(d, rot.s), dot_product(d, rot.f), dot_product(d, rot.u));
    };
    out.rot = rotation{project(g.rot.s), project(g.rot.f), project(g.rot.u)};
    return out;
  }

  // Turns about the frame's own s, f or u axis by angle radians; a positive
  // angle turns the other two axes right-handedly about the named one. The
  // named axis and the origin stay.
  void rotate_x(float angle);
  void rotate_y(float angle);
  void rotate_z(float angle);
};

static_assert(sizeof(vec3) == 16 && sizeof(rotation) == 48 && sizeof(frame) == 64,
              "records that embed vectors and frames count on four words a vector");

// value limited to [min, max]; a value that is not a number comes back as is.
inline float clamp_float(float value, float min_value, float max_value) {
  if (value < min_value) return min_value;
  if (value >= max_value) return max_value;
  return value;
}

// Four channels, each nominally in [0, 1].
struct color {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;
};

// Packs into A8R8G8B8: each channel times 256, truncated, capped at 255. The cap
// compares unsigned, so a negative channel packs as 255 as well.
std::uint32_t color_to_argb(const color& c);
// Unpacks A8R8G8B8, each byte divided by 255.
void argb_to_color(color& out, std::uint32_t argb);
inline color argb_to_color(std::uint32_t argb) {
  color out;
  argb_to_color(out, argb);
  return out;
}

}  // namespace hm
