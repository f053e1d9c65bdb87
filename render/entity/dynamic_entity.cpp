#include "render/entity/dynamic_entity.h"

#include <algorithm>
#include <cmath>

#include "engine/collision/body_collision.h"
#include "engine/collision/body_part.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr int max_contacts = 4;
// The single-precision pi the support test compares against.
constexpr float pi_f = 3.1415927f;

}  // namespace

void dynamic_entity::advance(float time) {
  if (!at_rest) {
    begin_step(time);
    collide();
    integrate(time);
  }
  if (body) {
    body->transform_to_frame(frame);
    world_box_max = body->get_bounding_max();
    world_box_min = body->get_bounding_min();
  } else {
    world_box_min = world_box_max = frame.origin;
  }
}

vec3 dynamic_entity::get_velocity_at(const vec3& point) const {
  return velocity + cross_product(angular_velocity, point - frame.origin);
}

void dynamic_entity::apply_impulse(const vec3& point, const vec3& impulse) {
  at_rest = 0;
  velocity += impulse * (1.0f / mass);
  angular_velocity += cross_product(point - frame.origin, impulse) * (1.0f / inertia);
}

float dynamic_entity::get_inverse_mass_along(const vec3& point, const vec3& direction) const {
  const vec3 r = point - frame.origin;
  const vec3 turned = cross_product(cross_product(r, direction) * (1.0f / inertia), r);
  return 1.0f / mass + dot_product(turned, direction);
}

void dynamic_entity::begin_step(float time) {
  step_time = time;
  force = vec3(0.0f, 0.0f, -9.8f * mass);
  torque = vec3();
  velocity *= 1.0f - time * linear_damping;
  angular_velocity *= 1.0f - time * angular_damping;
}

void dynamic_entity::add_torque_at(const vec3& point, const vec3& f) {
  torque += cross_product(point - frame.origin, f);
}

void dynamic_entity::collide() {
  if (!owner) return;
  std::vector<body_part*> parts;
  for (const scene_cell_link* link = cell_links; link; link = link->next_of_entity) {
    for (body_part* p : link->cell->bodies) {
      if (p->flags & part_exclusion_mask) continue;
      const vec3 lo = p->get_bounding_min();
      const vec3 hi = p->get_bounding_max();
      if (lo.x <= world_box_max.x && world_box_min.x <= hi.x && lo.y <= world_box_max.y &&
          world_box_min.y <= hi.y && lo.z <= world_box_max.z && world_box_min.z <= hi.z) {
        parts.push_back(p);
      }
    }
  }
  drop_repeated_pointers(parts);
  for (body_part* p : parts) collide_with_part(*p);

  std::vector<entity*> near;
  owner->collect_entities_in_box(world_box_min, world_box_max, near);
  const int my_type = get_type_id();
  for (entity* other : near) {
    if (other == this) continue;
    const int other_type = other->get_type_id();
    if (!entity_is_of_kind(other_type, collision_entity_type)) continue;
    // Each pair once: the greater id of two of a kind, else the one whose type
    // id has a 1 at the lowest bit where the two differ.
    bool mine;
    if (other_type == my_type) {
      mine = id > other->id;
    } else {
      const unsigned differ = static_cast<unsigned>(my_type ^ other_type);
      mine = (static_cast<unsigned>(my_type) & (differ & (~differ + 1u))) != 0;
    }
    if (!mine) continue;
    auto& c = static_cast<collision_entity&>(*other);
    if (c.is_collision_entity()) collide_with_entity(c);
  }
}

bool dynamic_entity::collide_with_part(const body_part& part) {
  if (!body) return false;
  body_contact found[max_contacts];
  const int count = std::min(collide_bodies(*body, part, max_contacts, found), max_contacts);
  if (count <= 0) return false;
  for (int i = 0; i < count; ++i) {
    const body_contact& k = found[i];
    const vec3& n = k.normal;
    const vec3 v = get_velocity_at(k.point);
    const float vn = dot_product(v, n);
    const vec3 vt = v - n * vn;
    contacts.push_back({k.point, n});
    if (vn < 0.0f) {
      const float j = -vn * (restitution + 1.0f) / get_inverse_mass_along(k.point, n);
      apply_impulse(k.point, n * j);
    }
    if (vt.length_squared() > 0.01f) {
      const vec3 t = get_normalized(vt);
      const float jt = -0.5f * dot_product(v, t) / get_inverse_mass_along(k.point, t);
      apply_impulse(k.point, t * jt);
    }
    if (k.depth > 0.01f) position_correction += n * (0.5f * k.depth);
  }
  return true;
}

bool dynamic_entity::collide_with_entity(collision_entity& other) {
  if (!body || !other.body) return false;
  body_contact found[max_contacts];
  const int count = std::min(collide_bodies(*body, *other.body, max_contacts, found), max_contacts);
  if (count <= 0) return false;
  const float e = (restitution + other.restitution) * 0.5f;
  for (int i = 0; i < count; ++i) {
    const body_contact& k = found[i];
    const vec3& n = k.normal;
    const vec3 v = get_velocity_at(k.point) - other.get_velocity_at(k.point);
    const float vn = dot_product(v, n);
    if (vn < 0.0f) {
      const float denominator = get_inverse_mass_along(k.point, n) + other.get_inverse_mass_along(k.point, n);
      if (denominator > 0.0f) {
        const float j = -(1.0f + e) * vn / denominator;
        apply_impulse(k.point, n * j);
        other.apply_impulse(k.point, n * -j);
      }
    }
    // Without sliding there is no direction to take speed from: normalising a
    // zero tangent would push along an arbitrary axis.
    const vec3 vt = v - n * vn;
    if (vt.length_squared() <= 0.01f) continue;
    const vec3 t = get_normalized(vt);
    const float denominator = get_inverse_mass_along(k.point, t) + other.get_inverse_mass_along(k.point, t);
    if (!(denominator > 0.0f)) continue;
    const float jt = -0.5f * dot_product(v, t) / denominator;
    apply_impulse(k.point, t * jt);
    other.apply_impulse(k.point, t * -jt);
  }
  return true;
}

void dynamic_entity::solve_contacts() {
  const float m = mass;
  const float dt = step_time;
  const vec3 origin = frame.origin;
  const auto k = static_cast<int>(contacts.size());
  vec3 f = force;

  // 1. Braking: the pressing force first stops motion away from the surface.
  for (const entity_contact& c : contacts) {
    const float a = -dot_product(f, c.normal);
    const float s = dot_product(velocity, c.normal);
    if (a > 0.0f && s > 0.0f && dt > 0.0f) {
      const float spent = std::min(s * m / dt, a);
      velocity -= c.normal * (spent * dt / m);
      f += c.normal * spent;
    }
  }
  const vec3 f1 = f;

  // 2. The force line and 3. the contacts' offsets from it.
  vec3 d = f1.length_squared() < 1e-6f ? vec3(1.0f, 0.0f, 0.0f) : get_normalized(f1);
  bool on_line = false;
  std::vector<vec3> q(static_cast<std::size_t>(k));
  for (int i = 0; i < k; ++i) {
    const vec3 r = contacts[static_cast<std::size_t>(i)].point - origin;
    vec3 offset = r - d * dot_product(r, d);
    if (offset.length() < 0.001f) {
      on_line = true;
    } else {
      offset = get_normalized(offset);
    }
    q[static_cast<std::size_t>(i)] = offset;
  }

  // 4. Support verdict and 5. tipping.
  int verdict = 0;
  if (!on_line) {
    for (int i = 0; i < k; ++i) {
      verdict = 0;
      float smallest = 1000.0f, largest = -1000.0f;
      bool smallest_set = false, largest_set = false;
      for (int j = 0; j < k && verdict == 0; ++j) {
        if (j == i) continue;
        const vec3& qi = q[static_cast<std::size_t>(i)];
        const vec3& qj = q[static_cast<std::size_t>(j)];
        const float c = dot_product(qi, qj);
        const float s = dot_product(cross_product(qj, qi), d);
        const float theta = std::atan2(s, c);
        if (s > 0.1f) {
          if (!smallest_set || theta < smallest) smallest = theta;
          smallest_set = true;
        } else if (s < -0.1f) {
          if (!largest_set || theta > largest) largest = theta;
          largest_set = true;
        } else if (c < 0.0f) {
          verdict = 1;
        }
        if (smallest_set && largest_set && (pi_f - smallest) + (largest + pi_f) < pi_f) verdict = 1;
      }
      const entity_contact& ci = contacts[static_cast<std::size_t>(i)];
      if (verdict == 0 && -dot_product(f1, ci.normal) > 0.0f) add_torque_at(ci.point, f1 * (-1.0f / static_cast<float>(k)));
    }
  }

  // 6. The surfaces take the remaining push.
  for (const entity_contact& c : contacts) {
    const float b = -dot_product(f, c.normal);
    if (b > 0.0f) f += c.normal * b;
  }
  supported = k == 0 ? 0 : (on_line ? 1 : static_cast<std::uint8_t>(verdict));
  force = f;

  // 8. The velocities of the step.
  velocity += f * (dt / m);
  angular_velocity += torque * (dt / inertia);
}

void dynamic_entity::integrate(float time) {
  solve_contacts();
  contacts.clear();
  if (velocity.length() < 0.2f && angular_velocity.length() < 0.2f && supported) at_rest = 1;
  frame.origin += velocity * time;
  frame.rot.f += cross_product(angular_velocity, frame.rot.f) * time;
  frame.rot.u += cross_product(angular_velocity, frame.rot.u) * time;
  frame.rot.s = cross_product(frame.rot.f, frame.rot.u);
  frame.orthonormalize();
  frame.origin += position_correction;
  position_correction = vec3();
}

}  // namespace hm
