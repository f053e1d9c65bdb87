#include "engine/collision/body_collision.h"

#include <algorithm>

#include "engine/collision/capsule.h"
#include "engine/collision/composite_body.h"
#include "engine/collision/face.h"
#include "engine/collision/sphere.h"

namespace hm {

namespace {

// Counts a touching pair and writes it when the array still has room.
void add_contact(int maximum, body_contact* contacts, int& count, const vec3& normal, const vec3& point,
                 float depth) {
  ++count;
  if (count <= maximum && contacts != nullptr) {
    body_contact& c = contacts[count - 1];
    c.normal = normal;
    c.point = point;
    c.depth = depth;
  }
}

// A composite loop stops once something was found and the array is full (a
// maximum of 0 therefore stops after the first touching pair).
bool loop_done(int count, int maximum) { return count != 0 && count >= maximum; }

// Tests (b, a) and turns the normals it wrote around, so they again tell how a
// must move.
void collide_swapped(const body_part& a, const body_part& b, int maximum, body_contact* contacts, int& count) {
  const int first = count;
  collide_body_pair(b, a, maximum, contacts, count);
  if (contacts == nullptr) return;
  const int end = std::min(count, maximum);
  for (int i = first; i < end; ++i) contacts[i].normal = -contacts[i].normal;
}

bool is_zero(const vec3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

}  // namespace

int collide_bodies(const body_part& a, const body_part& b, int maximum, body_contact* contacts) {
  int count = 0;
  collide_body_pair(a, b, maximum, contacts, count);
  return count;
}

void collide_body_pair(const body_part& a, const body_part& b, int maximum, body_contact* contacts, int& count) {
  const int type_a = a.get_type_id();
  const int type_b = b.get_type_id();

  if (type_a == composite_body_type_id) {
    const auto& parts_a = static_cast<const composite_body&>(a).parts;
    if (type_b == composite_body_type_id) {
      const auto& parts_b = static_cast<const composite_body&>(b).parts;
      for (const auto& part_a : parts_a) {
        if (!part_a) continue;
        for (const auto& part_b : parts_b) {
          if (!part_b) continue;
          if (loop_done(count, maximum)) return;
          collide_body_pair(*part_a, *part_b, maximum, contacts, count);
        }
      }
    } else {
      for (const auto& part_a : parts_a) {
        if (!part_a) continue;
        if (loop_done(count, maximum)) return;
        collide_body_pair(*part_a, b, maximum, contacts, count);
      }
    }
    return;
  }
  if (type_b == composite_body_type_id) {
    for (const auto& part_b : static_cast<const composite_body&>(b).parts) {
      if (!part_b) continue;
      if (loop_done(count, maximum)) return;
      collide_body_pair(a, *part_b, maximum, contacts, count);
    }
    return;
  }

  switch (type_a) {
    case sphere_type_id:
      if (type_b == sphere_type_id) {
        collide_sphere_sphere(static_cast<const sphere&>(a), static_cast<const sphere&>(b), maximum, contacts, count);
      } else {
        collide_swapped(a, b, maximum, contacts, count);
      }
      return;
    case capsule_type_id:
      if (type_b == sphere_type_id) {
        collide_capsule_sphere(static_cast<const capsule&>(a), static_cast<const sphere&>(b), maximum, contacts,
                               count);
      } else if (type_b == capsule_type_id) {
        collide_capsule_capsule(static_cast<const capsule&>(a), static_cast<const capsule&>(b), maximum, contacts,
                                count);
      } else {
        collide_swapped(a, b, maximum, contacts, count);
      }
      return;
    case face_type_id:
      if (type_b == sphere_type_id) {
        collide_face_sphere(static_cast<const face&>(a), static_cast<const sphere&>(b), maximum, contacts, count);
      } else if (type_b == capsule_type_id) {
        collide_face_capsule(static_cast<const face&>(a), static_cast<const capsule&>(b), maximum, contacts, count);
      }
      return;
    default:
      // Manifolds (and unknown kinds) never collide here.
      return;
  }
}

void collide_sphere_sphere(const sphere& a, const sphere& b, int maximum, body_contact* contacts, int& count) {
  const vec3 d = a.centre - b.centre;
  const float depth = a.radius + b.radius - d.length();
  if (!(depth >= 0.0f)) return;
  add_contact(maximum, contacts, count, get_normalized(d), b.centre + d * (b.radius / (a.radius + b.radius)), depth);
}

void collide_capsule_sphere(const capsule& a, const sphere& b, int maximum, body_contact* contacts, int& count) {
  const vec3 d = a.closest_point_to(b.centre) - b.centre;
  const float depth = a.radius + b.radius - d.length();
  if (!(depth >= 0.0f)) return;
  const vec3 normal = get_normalized(d);
  add_contact(maximum, contacts, count, normal, b.centre + normal * b.radius, depth);
}

void closest_points_between_segments(const vec3& a0, const vec3& a1, const vec3& b0, const vec3& b1, vec3& out_a,
                                     vec3& out_b) {
  const vec3 u = a1 - a0;
  const vec3 v = b1 - b0;
  const vec3 w = a0 - b0;
  const float uu = dot_product(u, u);
  const float uv = dot_product(u, v);
  const float vv = dot_product(v, v);
  const float uw = dot_product(u, w);
  const float vw = dot_product(v, w);
  const float denominator = uu * vv - uv * uv;

  if (denominator >= 1e-6f) {
    const float s = (uv * vw - vv * uw) / denominator;
    const float t = (vw + s * uv) / vv;
    const float sc = std::clamp(s, 0.0f, 1.0f);
    const float tc = std::clamp(t, 0.0f, 1.0f);
    out_a = a0 + u * sc;
    out_b = b0 + v * tc;
    return;
  }

  if (uu <= 1e-10f) {
    // a is a point (a capsule of no length): it has no direction to measure b
    // along, so take the point of b nearest to it.
    out_a = a0;
    const float t = vv > 0.0f ? std::clamp(vw / vv, 0.0f, 1.0f) : 0.0f;
    out_b = b0 + v * t;
    return;
  }

  // (Nearly) parallel: measure b's ends along a's direction in a frame whose up
  // axis points from a's line towards b's.
  frame along;
  along.origin = a0;
  along.rot.f = u;
  along.rot.u = b0 - a0;
  along.orthonormalize();
  const float y0 = along.transform_point_to_local(b0).y;
  const float y1 = along.transform_point_to_local(b1).y;
  const bool b0_low = y0 <= y1;
  const float lo = b0_low ? y0 : y1;
  const float hi = b0_low ? y1 : y0;
  const vec3& end_lo = b0_low ? b0 : b1;
  const vec3& end_hi = b0_low ? b1 : b0;
  const float length = u.length();

  if (lo > length) {
    out_a = a1;
    out_b = end_lo;
  } else if (hi < 0.0f) {
    out_a = a0;
    out_b = end_hi;
  } else {
    out_b = lo <= 0.0f ? end_hi : end_lo;
    const float h = dot_product(along.rot.u, b0 - a0);
    out_a = out_b - along.rot.u * h;
  }
}

void collide_capsule_capsule(const capsule& a, const capsule& b, int maximum, body_contact* contacts, int& count) {
  vec3 qa;
  vec3 qb;
  closest_points_between_segments(a.p1, a.p2, b.p1, b.p2, qa, qb);
  const vec3 d = qa - qb;
  const float depth = a.radius + b.radius - d.length();
  if (!(depth >= 0.0f)) return;
  add_contact(maximum, contacts, count, get_normalized(d), qb + d * (b.radius / (a.radius + b.radius)), depth);
}

void collide_face_sphere(const face& a, const sphere& b, int maximum, body_contact* contacts, int& count) {
  const int n_vertices = a.vertex_count;
  if (n_vertices < 3 || n_vertices > face::max_vertices) return;  // no plane to push along
  const vec3* v = a.vertices;
  const vec3& c = b.centre;
  const float r = b.radius;

  const vec3 n = get_normalized(cross_product(v[1] - v[0], v[2] - v[1]));
  const float dist = dot_product(c - v[0], n);
  if (!(dist >= -r && dist <= r)) return;

  const vec3 normal = -n;
  vec3 point = c - n * dist;
  float depth = r - dist;

  for (int i = 0; i < n_vertices; ++i) {
    const vec3 e = v[(i + 1) % n_vertices] - v[i];
    const vec3 e_unit = get_normalized(e);
    const vec3 w = c - v[i];
    const vec3 x = cross_product(e_unit, w);
    if (dot_product(n, x) >= 0.0f) continue;  // inside this edge
    // Outside this edge: only its line can hold the contact.
    const float line_distance = x.length();
    const float along = dot_product(e_unit, w);
    if (line_distance <= r && along > -r && along < e.length() + r) {
      point = v[i] + e_unit * along;
      depth = r - (point - c).length();
      add_contact(maximum, contacts, count, normal, point, depth);
    }
    return;
  }
  add_contact(maximum, contacts, count, normal, point, depth);
}

void collide_face_capsule(const face& a, const capsule& b, int maximum, body_contact* contacts, int& count) {
  const int n_vertices = a.vertex_count;
  if (n_vertices < 3 || n_vertices > face::max_vertices) return;  // no plane to push along
  const vec3* v = a.vertices;
  const vec3& P = b.p1;
  const vec3& Q = b.p2;
  const float r = b.radius;
  const vec3& n = a.normal;

  const float d1 = dot_product(P - v[0], n);
  const float d2 = dot_product(Q - v[0], n);
  if ((d1 < -r && d2 < -r) || (d1 > r && d2 > r)) return;

  const vec3 normal = -n;
  const float depth = r - std::min(d1, d2);

  for (int i = 0; i < n_vertices; ++i) {
    const vec3& start = v[i];
    const vec3& end = v[(i + 1) % n_vertices];
    const vec3 e = end - start;
    const vec3 inward_raw = cross_product(n, e);
    // An edge without an inward direction cannot vouch for the inside: its own
    // test may still find an edge contact, but the walk never passes it.
    const bool degenerate_edge = is_zero(inward_raw);
    vec3 inward = inward_raw;
    inward.normalize();

    const float s1 = dot_product(inward, P - start);
    const float s2 = dot_product(inward, Q - start);
    if (!(s1 > 0.0f && s2 > 0.0f)) {
      if (s1 < -r && s2 < -r) return;
      // The segment reaches outside this edge. The closest points take the
      // parallel branch for an edge parallel to the capsule, which would
      // otherwise divide by zero.
      vec3 on_edge;
      vec3 on_capsule;
      closest_points_between_segments(start, end, P, Q, on_edge, on_capsule);
      const vec3 diff = on_capsule - on_edge;
      if (dot_product(n, cross_product(get_normalized(e), diff)) < 0.0f) {
        if (r - diff.length() >= 0.0f) add_contact(maximum, contacts, count, normal, on_edge, depth);
        return;
      }
    }
    if (degenerate_edge) return;
  }

  vec3 point;
  if (d1 >= 0.0f && d2 > 0.0f) {
    point = d2 <= d1 ? Q - n * d2 : P - n * d1;
  } else if (d1 < 0.0f && d2 < 0.0f) {
    point = d1 <= d2 ? Q - n * d2 : P - n * d1;
  } else {
    vec3 k = Q - P;
    k.normalize();
    const float g = dot_product(k, n);
    if (g == 0.0f) {
      point = (P + Q) * 0.5f;
    } else {
      point = P + k * (dot_product(v[0] - P, n) / g);
    }
  }
  add_contact(maximum, contacts, count, normal, point, depth);
}

}  // namespace hm
