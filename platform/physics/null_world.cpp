#include "platform/physics/physics.h"

namespace hm::platform::physics {

void null_world::set_world_size(const vector3& minimum, const vector3& maximum) {
  world_minimum = minimum;
  world_maximum = maximum;
}

void null_world::update(float seconds) {
  steps.push_back(seconds);
  // The callbacks run as they would before a real step; the forces they add
  // are kept until the next update so that a test can read them.
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    body_state& b = bodies[i];
    if (b.removed || b.mass <= 0.0f || b.sleeping) continue;
    b.force = vector3{};
    b.torque = vector3{};
    if (b.callback) b.callback(*this, static_cast<body_id>(i));
  }
}

body_id null_world::add_capsule_body(const matrix& frame, float, float, float mass) {
  body_state b;
  b.frame = frame;
  b.mass = mass > 0.0f ? mass : 0.0f;
  bodies.push_back(std::move(b));
  return static_cast<body_id>(bodies.size() - 1);
}

void null_world::remove_capsule_body(body_id body) {
  if (body_state* b = find(body); b && !b->bone) b->removed = true;
}

body_id null_world::add_bone(body_id parent, const bone_desc& bone) {
  body_state b;
  b.frame = bone.frame;
  b.mass = bone.mass;
  b.parent = find(parent) ? parent : no_body;
  b.bone = true;
  bodies.push_back(std::move(b));
  return static_cast<body_id>(bodies.size() - 1);
}

null_world::body_state* null_world::find(body_id body) {
  if (body < 0 || body >= static_cast<body_id>(bodies.size())) return nullptr;
  body_state& b = bodies[static_cast<std::size_t>(body)];
  return b.removed ? nullptr : &b;
}

const null_world::body_state* null_world::find(body_id body) const {
  return const_cast<null_world*>(this)->find(body);
}

void null_world::set_force_callback(body_id body, force_callback callback) {
  if (body_state* b = find(body)) b->callback = std::move(callback);
}

float null_world::mass(body_id body) const { return read(body, &body_state::mass); }

void null_world::add_force(body_id body, const vector3& force) {
  if (body_state* b = find(body)) b->force = vector3{b->force.x + force.x, b->force.y + force.y, b->force.z + force.z};
}

void null_world::add_torque(body_id body, const vector3& torque) {
  if (body_state* b = find(body))
    b->torque = vector3{b->torque.x + torque.x, b->torque.y + torque.y, b->torque.z + torque.z};
}

matrix null_world::get_matrix(body_id body) const { return read(body, &body_state::frame); }
void null_world::set_matrix(body_id body, const matrix& frame) { write(body, &body_state::frame, frame); }
vector3 null_world::get_velocity(body_id body) const { return read(body, &body_state::velocity); }
void null_world::set_velocity(body_id body, const vector3& velocity) { write(body, &body_state::velocity, velocity); }
vector3 null_world::get_omega(body_id body) const { return read(body, &body_state::omega); }
void null_world::set_omega(body_id body, const vector3& omega) { write(body, &body_state::omega, omega); }
bool null_world::is_sleeping(body_id body) const { return read(body, &body_state::sleeping); }

}  // namespace hm::platform::physics
