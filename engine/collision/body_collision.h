#pragma once
// The narrow phase: where two placed collision bodies touch. Every touching pair
// of simple parts is one contact whose normal tells how the first body must move
// to leave the second. Faces are one-sided: they push things out along their
// normal. Manifolds never collide here; turn them into faces first (clone).
#include "engine/core/math.h"

namespace hm {

class body_part;
class sphere;
class capsule;
class face;

struct body_contact {
  // Unit direction in which the first body must move to get out of the second.
  vec3 normal;
  // A point of the contact.
  vec3 point;
  // Penetration along the normal; 0 is just touching, never negative.
  float depth = 0.0f;
};

// Tests a against b and returns the number of touching pairs of simple parts.
// Only the first `maximum` contacts are written into `contacts` (entry i is the
// i-th contact found), so use min(result, maximum) records. The count may exceed
// the maximum. A maximum of 0 (with no array) is a touch test: the result is 0 or
// 1 and nothing is written.
int collide_bodies(const body_part& a, const body_part& b, int maximum, body_contact* contacts);

// The dispatcher: adds the contacts of one pair of parts to the array and count.
void collide_body_pair(const body_part& a, const body_part& b, int maximum, body_contact* contacts, int& count);

void collide_sphere_sphere(const sphere& a, const sphere& b, int maximum, body_contact* contacts, int& count);
void collide_capsule_sphere(const capsule& a, const sphere& b, int maximum, body_contact* contacts, int& count);
void collide_capsule_capsule(const capsule& a, const capsule& b, int maximum, body_contact* contacts, int& count);
void collide_face_sphere(const face& a, const sphere& b, int maximum, body_contact* contacts, int& count);
void collide_face_capsule(const face& a, const capsule& b, int maximum, body_contact* contacts, int& count);

// The point of segment a0-a1 and the point of segment b0-b1 nearest each other
// (parallel segments take the pair of ends or feet that bound their overlap).
void closest_points_between_segments(const vec3& a0, const vec3& a1, const vec3& b0, const vec3& b1, vec3& out_a,
                                     vec3& out_b);

}  // namespace hm
